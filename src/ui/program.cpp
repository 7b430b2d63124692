#include "ui/program.h"

#include <exception>
#include <memory>
#include <stdexcept>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "platform/library.h"
#include "platform/widgets.h"
#include "platform/message_box.h"
#include "platform/sync.h"
#include "platform/text.h"
#include "ui/dlg_first.h"

namespace ui {

namespace {

// Shows an error that escaped start-up or the message loop, as the window framework's standard
// exception display does: its message in a message box.
void ShowStartupError(const std::wstring& message) {
  TraceLog(L"[RunProgram] " + message);
  platform::ShowMessageBox(0, message, kProgramCaption, platform::kMbOk | platform::kMbIconError);
}

void StartAndRun() {
  // The mode window is the main form; building it writes the driver payload and makes the
  // licence dialog and the wizard, hidden. Closing any of the three closes it and ends the loop.
  TdlgFirst dlgFirst;
  dlgFirst.Show();
  platform::RunMessageLoop();
}

}  // namespace

int RunProgram() {
  const std::wstring librarySearch = platform::RestrictLibrarySearch();
  // Another instance holds the mutex: leave at once, silently.
  if (platform::NamedMutexExists(kInstanceMutexName)) return 0;
  bool alreadyExisted = false;
  // Kept open for the life of the process; the system releases it at exit.
  std::unique_ptr<platform::NamedMutex> mutex = platform::CreateNamedMutex(kInstanceMutexName, alreadyExisted);
  if (alreadyExisted) return 0;

  // Nothing is written, traced or run from the program data folder before it is known to be
  // the administrators' own.
  if (const std::wstring problem = CheckProgramDataFolder(); !problem.empty()) {
    platform::ShowMessageBox(0, problem, kProgramCaption, platform::kMbOk | platform::kMbIconError);
    return 0;
  }
  TraceLog(L"[RunProgram] " + librarySearch);
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
