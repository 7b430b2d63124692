#pragma once
// The program's trace log, XHCItrace.log in the program data folder: one time-stamped line per
// event. Callers pass finished text; it is written literally (a "%" in it is just a character).
#include <string>

// Writes "HH:MM:SS.mmm <text>" and CR LF. Text longer than 1023 units is cut to 1023. The file
// holds ISO 8859-1 bytes; any other character is written as "?". Safe to call from any thread.
void TraceLog(const std::wstring& text);

namespace app {
// The log file's path as computed on first use (empty before the first line).
std::wstring TraceLogPath();
// Forgets the computed path so the next line computes it again. Tests use it when they move to
// a new simulated machine; the program never does.
void ResetTraceLogPath();
}  // namespace app
