#pragma once
// Win32, internal: what every window of ours that takes posted messages must do besides the
// message windows: run the synchronous calls of CallOnWindowThread (messages.cpp) that were
// posted to it, and let the forms' dialog keys work in every message loop.
#include <windows.h>

namespace platform::win32ui {

// Runs the call a CallOnWindowThread message carries; false when `message` is not one.
bool RunPostedCall(UINT message, WPARAM wParam);

// Hands a queued message to its form's dialog-key handling (IsDialogMessageW: Tab, Alt +
// mnemonic, Enter and Space on buttons), which then also dispatches it. False when the message
// is not for a form: the caller translates and dispatches it.
bool HandleFormKeys(MSG& message);

}  // namespace platform::win32ui
