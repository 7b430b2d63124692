#include "platform/message_box.h"

#include "platform/host/message_box_script.h"

#include <deque>
#include <mutex>

namespace platform {

namespace {
struct Script {
  std::mutex lock;
  std::deque<int> answers;
  std::vector<host::ShownMessageBox> shown;
  host::MessageBoxAnswerer answerer;
};
Script& TheScript() {
  static Script script;
  return script;
}
}  // namespace

namespace host {

void ScriptMessageBoxAnswers(std::vector<int> answers) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  s.answers.assign(answers.begin(), answers.end());
}

std::vector<ShownMessageBox> ShownMessageBoxes() {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.shown;
}

void ClearMessageBoxes() {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  s.shown.clear();
  s.answers.clear();
}

void SetMessageBoxAnswerer(MessageBoxAnswerer answerer) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  s.answerer = std::move(answerer);
}

}  // namespace host

// Answers come from the answerer when one is set (called without the lock, so it may look at
// the boxes shown so far), else from the script in order. With none left, a Yes/No question is
// answered No (the program never erases anything on an answer nobody gave) and any other box OK.
int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  Script& s = TheScript();
  host::MessageBoxAnswerer answerer;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    answerer = s.answerer;
  }
  if (answerer) {
    host::ShownMessageBox box{owner, text, caption, flags, 0};
    box.answer = answerer(box);
    std::lock_guard<std::mutex> guard(s.lock);
    s.shown.push_back(box);
    return box.answer;
  }
  std::lock_guard<std::mutex> guard(s.lock);
  int answer = (flags & 0xF) == kMbYesNo ? kIdNo : kIdOk;
  if (!s.answers.empty()) {
    answer = s.answers.front();
    s.answers.pop_front();
  }
  s.shown.push_back(host::ShownMessageBox{owner, text, caption, flags, answer});
  return answer;
}

WindowHandle ApplicationWindow() { return 0x1; }

}  // namespace platform
