#pragma once
// The main window's part in an end-to-end job: records every state message and the finish
// code, keeps the status text, and removes the scratch folder when the job ends, as the main
// window does.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "engine/job_window.h"
#include "platform/messages.h"

namespace e2e {

using StatePost = std::pair<std::int32_t, std::int32_t>;

class RecordingJobWindow : public JobWindow, public platform::MessageHandler {
 public:
  // `scratch`: the folder removed when the job ends (none when empty); `text`: the status text
  // shown before the job.
  explicit RecordingJobWindow(std::wstring scratch = {}, std::wstring text = {});
  ~RecordingJobWindow() override;

  platform::WindowHandle Handle() const override { return handle_; }
  void OnOperationState(std::int32_t state, std::int32_t percent) override { states.emplace_back(state, percent); }
  std::wstring StateText() const override { return text; }
  void SetStateText(const std::wstring& value) override { text = value; }
  void ShowJobNote(const std::wstring& note) override { notes.push_back(note); }
  void OnJobFinished(std::int32_t result) override;
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  std::vector<StatePost> states;
  std::wstring text;
  std::int32_t finish = -1;
  std::vector<std::wstring> notes;

 private:
  std::wstring scratch_;
  platform::WindowHandle handle_;
};

// Runs a shell command and returns what it printed (standard output and error).
std::string Shell(const std::string& command);

}  // namespace e2e
