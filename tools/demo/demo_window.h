#pragma once
// The demo's stand-in for the main window: shows each state's status text and the job's
// percentage as one bar in the terminal, and removes the scratch folder when the job ends.
#include <cstdint>
#include <string>

#include "engine/job_window.h"
#include "platform/messages.h"

class DemoWindow : public JobWindow, public platform::MessageHandler {
 public:
  DemoWindow(std::int32_t stepCount, std::wstring scratch);
  ~DemoWindow() override;

  platform::WindowHandle Handle() const override { return handle_; }
  void OnOperationState(std::int32_t state, std::int32_t percent) override;
  std::wstring StateText() const override { return text_; }
  void SetStateText(const std::wstring& text) override;
  void OnJobFinished(std::int32_t result) override;
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  bool Finished() const { return finish_ >= 0; }
  std::int32_t FinishCode() const { return finish_; }

 private:
  void Draw();
  std::string drawn_;  // what the progress line shows now

  std::int32_t steps_;
  std::wstring scratch_;
  platform::WindowHandle handle_;
  std::wstring text_;
  int base_ = 0;     // the share of the steps already done, as the main window keeps it
  int percent_ = 0;  // base_ + the running step's share
  std::int32_t finish_ = -1;
};
