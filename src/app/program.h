#pragma once
// The process entry's portable part: single instance, start-up, message loop.

namespace app {
// Runs the program and returns the process exit code (always 0).
int RunProgram();
}  // namespace app
