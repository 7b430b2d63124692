// Scripted answers for the message boxes, through the host platform's message box hook, which
// this file sets as the test or tool that links it starts.
#include "sim/probes/message_box_script.h"

#include <deque>
#include <mutex>

#include "platform/host/user_hooks.h"

namespace platform::host {

namespace {
struct Script {
  std::mutex lock;
  std::deque<int> answers;
  std::vector<ShownMessageBox> shown;
  MessageBoxAnswerer answerer;
};
Script& TheScript() {
  static Script script;
  return script;
}

// Answers come from the answerer when one is set (called without the lock, so it may look at
// the boxes shown so far), else from the script in order. With none left, a Yes/No question is
// answered No and any other box OK, as without a script.
int Answer(const hooks::MessageBoxRequest& request) {
  Script& s = TheScript();
  MessageBoxAnswerer answerer;
  {
    std::lock_guard<std::mutex> guard(s.lock);
    answerer = s.answerer;
  }
  ShownMessageBox box{request.owner, request.text, request.caption, request.flags, 0};
  if (answerer) {
    box.answer = answerer(box);
    std::lock_guard<std::mutex> guard(s.lock);
    s.shown.push_back(box);
    return box.answer;
  }
  std::lock_guard<std::mutex> guard(s.lock);
  box.answer = hooks::DefaultMessageBoxAnswer(request.flags);
  if (!s.answers.empty()) {
    box.answer = s.answers.front();
    s.answers.pop_front();
  }
  s.shown.push_back(box);
  return box.answer;
}

// Every box is recorded from the start of a process that links the script.
const bool g_installed = (hooks::SetMessageBoxHook(Answer), true);
}  // namespace

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

}  // namespace platform::host
