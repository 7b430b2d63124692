// Scripted folder choices, through the host platform's folder browser hook, which this file
// sets as the test or tool that links it starts.
#include "sim/probes/folder_browser_script.h"

#include <deque>
#include <mutex>

#include "platform/host/user_hooks.h"

namespace platform::host {

namespace {
struct Script {
  std::mutex lock;
  std::deque<std::wstring> answers;
  std::vector<ShownFolderBrowser> shown;
};
Script& TheScript() {
  static Script script;
  return script;
}

// The next scripted answer, or Cancel when the script has run out.
std::wstring Choose(WindowHandle owner, const std::wstring& title) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  std::wstring answer;
  if (!s.answers.empty()) {
    answer = s.answers.front();
    s.answers.pop_front();
  }
  s.shown.push_back(ShownFolderBrowser{owner, title, answer});
  return answer;
}

const bool g_installed = (hooks::SetFolderBrowserHook(Choose), true);
}  // namespace

void ScriptFolderChoices(std::vector<std::wstring> answers) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  s.answers.assign(answers.begin(), answers.end());
}

std::vector<ShownFolderBrowser> ShownFolderBrowsers() {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  return s.shown;
}

void ClearFolderBrowsers() {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  s.answers.clear();
  s.shown.clear();
}

}  // namespace platform::host
