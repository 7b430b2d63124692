#pragma once
// Test-only: runs a Linux command line from a Windows program under Wine, for the stand-ins of
// Windows components (dismapi.dll, oscdimg.exe) that do their work with Linux tools.
//
// Wine starts a Linux program named by its Z:\ path, but the exit code it reports for such a
// process is not reliable (nor is its process handle), so the command runs inside /bin/sh with
// its output sent to a file and its exit status written by the shell itself to another file,
// which is looked for until it appears.
#include <windows.h>

#include <functional>
#include <string>

namespace standin {

// The Linux path Wine gives a Windows path (the last part need not exist); empty when Wine
// can't map it or this is not Wine.
std::string UnixPath(const std::wstring& windowsPath);

// text in single quotes for sh.
std::string ShellQuote(const std::string& text);

std::string Utf8(const std::wstring& text);
std::wstring Wide(const std::string& utf8);

struct ShellResult {
  bool ran = false;       // the shell was started and wrote its status
  int status = -1;        // the command's exit status as the shell saw it
  std::string output;     // what the command wrote to standard output and error
  std::string problem;    // why it did not run (ran == false)
};

// Runs `command` (sh syntax, Linux paths) and waits at most `limitMs` for it. `whileWaiting`,
// when given, is called about every 100 ms while the command runs.
ShellResult RunShell(const std::string& command, DWORD limitMs, const std::function<void()>& whileWaiting = {});

// The last non-empty line of a tool's output (for error texts).
std::string LastLine(const std::string& output);

}  // namespace standin
