#pragma once
// Conversions between the system's 8-bit (ANSI) code page and wide text. On Windows these are
// MultiByteToWideChar / WideCharToMultiByte with CP_ACP; the host's code page is UTF-8.
#include <string>

namespace platform {

std::wstring AnsiToWide(const std::string& text);
std::string WideToAnsi(const std::wstring& text);

}  // namespace platform
