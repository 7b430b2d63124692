#include "ui/program.h"

#include <exception>
#include <memory>
#include <stdexcept>

#include "app/trace_log.h"
#include "platform/main_window.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "platform/text.h"
#include "servicing/driver_payload.h"

namespace ui {

namespace {

// Shows an error that escaped start-up or the message loop, as the window framework's standard
// exception display does: its message in a message box.
void ShowStartupError(const std::wstring& message) {
  TraceLog(L"[RunProgram] " + message);
  platform::ShowMessageBox(0, message, kProgramCaption, platform::kMbOk | platform::kMbIconError);
}

void StartAndRun() {
  // The driver packages are written out before the first window, at every start.
  ExtractDriverPayload();
  platform::WindowHandle mainWindow = platform::CreatePlainMainWindow(kProgramCaption);
  if (mainWindow == 0) throw std::runtime_error("The main window could not be created.");
  platform::RunMessageLoop();
}

}  // namespace

int RunProgram() {
  // Another instance holds the mutex: leave at once, silently.
  if (platform::NamedMutexExists(kInstanceMutexName)) return 0;
  bool alreadyExisted = false;
  // Kept open for the life of the process; the system releases it at exit.
  std::unique_ptr<platform::NamedMutex> mutex = platform::CreateNamedMutex(kInstanceMutexName, alreadyExisted);
  if (alreadyExisted) return 0;

  try {
    StartAndRun();
  } catch (const std::exception& error) {
    ShowStartupError(platform::AnsiToWide(error.what()));
  } catch (...) {
    ShowStartupError(L"");
  }
  return 0;
}

}  // namespace ui
