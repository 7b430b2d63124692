#pragma once
// Win32, internal: the program's hidden application window. It is the one window with a
// task-bar button: visible but of no size, unowned, not a tool window. Every form is owned by
// it, so the forms (tool windows) add no buttons of their own. Clicking the button brings back
// the form that was active last; closing it from the task bar closes the main form.
#include <windows.h>

#include <string>

namespace platform::win32ui {

// The application window, made on the calling thread the first time (nullptr on failure).
HWND EnsureApplicationWindow();
// Makes it visible (and so its task-bar button), once a form is shown.
void ShowApplicationWindow();
// The task-bar button's text: the main form's caption.
void SetApplicationTitle(const std::wstring& title);
// The main form, which the application window's close asks to close.
void SetMainFormWindow(HWND form);
// The form that became active last, which the application window hands activation back to.
void NoteActiveForm(HWND form);

}  // namespace platform::win32ui
