#pragma once
// Test probe (host build): scripted answers for the folder browser, and the record of every browser shown.
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::host {

struct ShownFolderBrowser {
  WindowHandle owner = 0;
  std::wstring title;
  std::wstring answer;  // empty: cancelled
};

// The answers the next browsers get, in order; an empty string is Cancel. With none left the
// browser is cancelled.
void ScriptFolderChoices(std::vector<std::wstring> answers);
std::vector<ShownFolderBrowser> ShownFolderBrowsers();
void ClearFolderBrowsers();

}  // namespace platform::host
