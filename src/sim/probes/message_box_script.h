#pragma once
// Test probe (host build): scripted answers for the system message boxes, and the record of every box shown.
#include <cstdint>
#include <functional>
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

// While set, every box is answered by `answerer` instead of the script: it is called on the
// thread that shows the box (the window thread or a job's worker), with the box's owner, text,
// caption and flags, and returns the answer. The box is recorded as any other. An empty function
// goes back to the script.
using MessageBoxAnswerer = std::function<int(const ShownMessageBox&)>;
void SetMessageBoxAnswerer(MessageBoxAnswerer answerer);

}  // namespace platform::host
