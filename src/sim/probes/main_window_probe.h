#pragma once
// Test probe (host build): the main window the program created last, so a test can close it as a user would.
#include "platform/types.h"

namespace platform::host {

// 0 when no main window is open.
WindowHandle OpenMainWindow();

}  // namespace platform::host
