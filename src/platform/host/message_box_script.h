#pragma once
// Host only: scripted answers for the system message boxes, and the record of every box shown.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/types.h"

namespace platform::host {

struct ShownMessageBox {
  WindowHandle owner = 0;
  std::wstring text;
  std::wstring caption;
  std::uint32_t flags = 0;
  int answer = 0;
};

// The answers the next boxes get, in order (kIdYes, kIdNo, kIdOk).
void ScriptMessageBoxAnswers(std::vector<int> answers);
std::vector<ShownMessageBox> ShownMessageBoxes();
void ClearMessageBoxes();

}  // namespace platform::host
