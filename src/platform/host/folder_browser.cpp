#include "platform/folder_browser.h"

#include <deque>
#include <mutex>

#include "platform/host/folder_browser_script.h"

namespace platform {

namespace {
struct Script {
  std::mutex lock;
  std::deque<std::wstring> answers;
  std::vector<host::ShownFolderBrowser> shown;
};
Script& TheScript() {
  static Script script;
  return script;
}
}  // namespace

namespace host {

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

}  // namespace host

// The next scripted answer, or Cancel when the script has run out.
std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title) {
  Script& s = TheScript();
  std::lock_guard<std::mutex> guard(s.lock);
  std::wstring answer;
  if (!s.answers.empty()) {
    answer = s.answers.front();
    s.answers.pop_front();
  }
  s.shown.push_back(host::ShownFolderBrowser{owner, title, answer});
  return answer;
}

}  // namespace platform
