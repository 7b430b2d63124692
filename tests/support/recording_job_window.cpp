#include "support/recording_job_window.h"

#include <cstdio>

#include "app/program_data.h"

namespace e2e {

RecordingJobWindow::RecordingJobWindow(std::wstring scratch, std::wstring initialText)
    : text(std::move(initialText)), scratch_(std::move(scratch)), handle_(platform::CreateMessageWindow(this)) {}

RecordingJobWindow::~RecordingJobWindow() { platform::DestroyMessageWindow(handle_); }

void RecordingJobWindow::OnJobFinished(std::int32_t result) {
  if (!scratch_.empty()) DeleteFolderTree(scratch_);
  finish = result;
}

void RecordingJobWindow::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  DispatchOperationState(*this, message, wParam, lParam);
}

std::string Shell(const std::string& command) {
  std::string output;
  if (FILE* pipe = ::popen((command + " 2>&1").c_str(), "r")) {
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
    ::pclose(pipe);
  }
  return output;
}

}  // namespace e2e
