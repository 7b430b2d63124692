#include "demo_window.h"

#include <cstdio>

#include "app/program_data.h"
#include "app/operation_state.h"
#include "platform/host/machine.h"

namespace {
const wchar_t* StatusText(std::int32_t state) {
  switch (state) {
    case FORMATUSB: return L"Formatting the USB drive. Please wait...";
    case FORMATUSBOK: return L"Formatting USB disk/flash successful.";
    case BACKUPOS: return L"Copying the OS from DVD drive. Please wait...";
    case BACKUPOK: return L"Copy files successful.";
    case BACKUPFAIL: return L"Copy files failed.";
    case COPYTOUSB: return L"Copying files to USB. Please wait...";
    case DISMMOUNT: return L"Mounting the boot.wim. Please wait...";
    case DISMMOUNTOK: return L"Mounting the boot.wim successful.";
    case DISMCOMMIT: return L"Committing...";
    case DISMCOMMITOK: return L"Committing the boot.wim successful.";
    case DISMUNMOUNT: return L"Unmounting the boot.wim. Please wait...";
    case DISMUNMOUNTOK: return L"Unmounting the boot.wim successful.";
    case COPYIMGDRIVER: return nullptr;  // the status keeps its text
    case MAKEISO: return L"Generating ISO. Please wait...";
    case USERCANCEL: return L"You have cacelled the operation.";
    case FINISH: return L"Done.";
    default: return nullptr;
  }
}
}  // namespace

DemoWindow::DemoWindow(std::int32_t stepCount, std::wstring scratch)
    : steps_(stepCount > 0 ? stepCount : 1), scratch_(std::move(scratch)), handle_(platform::CreateMessageWindow(this)) {}

DemoWindow::~DemoWindow() { platform::DestroyMessageWindow(handle_); }

void DemoWindow::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  DispatchOperationState(*this, message, wParam, lParam);
}

// The same sharing of the bar among the steps as the main window's.
void DemoWindow::OnOperationState(std::int32_t state, std::int32_t v) {
  if (const wchar_t* text = StatusText(state)) text_ = text;
  int part = 0;
  const int n = steps_;
  switch (state) {
    case FORMATUSB: case BACKUPOS: case COPYTOUSB: case COPYIMGDRIVER: case MAKEISO: part = v / n; break;
    case FORMATUSBOK: case BACKUPOK: base_ += 100 / n; break;
    case DISMMOUNT: case DISMCOMMIT: case DISMUNMOUNT: part = v / 3 / n; break;
    case DISMMOUNTOK: case DISMCOMMITOK: base_ += 100 / n / 3; break;
    case DISMUNMOUNTOK: base_ += 100 / n / 3 + 1; break;
    case USERCANCEL: base_ = 0; break;
    case FINISH: base_ = 0; part = 100; break;
    default: break;
  }
  percent_ = base_ + part;
  Draw();
}

void DemoWindow::SetStateText(const std::wstring& text) {
  text_ = text;
  Draw();
}

void DemoWindow::Draw() {
  constexpr int kWidth = 30;
  int filled = percent_ * kWidth / 100;
  if (filled > kWidth) filled = kWidth;
  if (filled < 0) filled = 0;
  std::string bar = std::string(filled, '#') + std::string(kWidth - filled, '.');
  std::string text = platform::host::ToUtf8(text_);
  if (text.size() > 60) text.resize(60);
  // A chunk of a copy reports often with the same figure: the line changes only when it does.
  std::string line = bar + std::to_string(percent_) + text;
  if (line == drawn_) return;
  drawn_ = line;
  std::printf("\r  [%s] %3d%%  %-60s", bar.c_str(), percent_, text.c_str());
  std::fflush(stdout);
}

void DemoWindow::OnJobFinished(std::int32_t result) {
  std::printf("\n");
  DeleteFolderTree(scratch_);
  finish_ = result;
}
