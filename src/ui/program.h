#pragma once
// The process entry's portable part: single instance, start-up, message loop.
#include <string>

namespace ui {

// The single-instance mutex.
constexpr const wchar_t* kInstanceMutexName = L"DRAVENTA";
// The main window's caption.
constexpr const wchar_t* kProgramCaption = L"Qarvel Vexa Installer";

// Runs the program and returns the process exit code (always 0). A second instance returns at
// once, silently.
int RunProgram();

}  // namespace ui
