#pragma once
// One argument of a Windows command line, written so that CommandLineToArgvW (and the C
// start-up code of console programs) reads it back unchanged: quoted when it is empty or holds
// a space, tab or quote; a quote inside escaped with a backslash; backslashes doubled where they
// come before a quote, the closing one included.
#include <string>

std::wstring QuoteCommandArgument(const std::wstring& argument);
