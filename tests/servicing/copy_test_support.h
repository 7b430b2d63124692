#pragma once
// Shared pieces of the copy tests: a window that records the state messages it receives, and
// the trace log's text.
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "app/trace_log.h"
#include "app/operation_state.h"
#include "platform/messages.h"
#include "support/temp_machine.h"

namespace copytest {

using Post = std::pair<std::uintptr_t, std::intptr_t>;

class StateRecorder : public platform::MessageHandler {
 public:
  StateRecorder() : window_(platform::CreateMessageWindow(this)) {}
  ~StateRecorder() override { platform::DestroyMessageWindow(window_); }

  platform::WindowHandle Window() const { return window_; }
  // Called on the window thread for every state message, after it was recorded.
  void OnEach(std::function<void(const Post&)> hook) { hook_ = std::move(hook); }

  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override {
    if (message != WM_OPERATION_STATE) return;
    {
      std::lock_guard<std::mutex> guard(lock_);
      posts_.emplace_back(wParam, lParam);
    }
    if (hook_) hook_(posts_.back());
  }

  std::vector<Post> Posts() {
    platform::PumpPendingMessages();
    std::lock_guard<std::mutex> guard(lock_);
    return posts_;
  }

 private:
  platform::WindowHandle window_;
  std::function<void(const Post&)> hook_;
  std::mutex lock_;
  std::vector<Post> posts_;
};

inline std::string TraceText() { return test::ReadHostFile(platform::host::Machine::HostPath(app::TraceLogPath())); }

}  // namespace copytest
