#pragma once
// The one command-line splitter of the simulated machine, its substitute tools and the tests.
// Plain C++ with no other dependency, so the test-only stand-ins of the Windows build compile
// it too.
#include <string>
#include <vector>

namespace platform::host {

// Splits a command line as a Microsoft C program's start-up code does (CommandLineToArgvW):
// the program name runs to the next blank or, when quoted, to the next quote; in the words
// after it, blanks separate words outside double quotes, 2n backslashes before a quote give n
// backslashes and the quote groups, 2n+1 give n backslashes and a literal quote, other
// backslashes are plain characters, and "" inside quotes is a literal quote.
std::vector<std::wstring> SplitCommandLine(const std::wstring& line);

}  // namespace platform::host
