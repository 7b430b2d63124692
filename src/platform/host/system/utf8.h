#pragma once
// Host paths and the machine description are UTF-8; Windows text is UTF-16 (wchar_t holds one
// code point on Linux). An invalid byte sequence becomes '?'.
#include <string>

namespace platform::host {

std::string ToUtf8(const std::wstring& text);
std::wstring FromUtf8(const std::string& text);

}  // namespace platform::host
