#include "platform/text.h"

#include "sim/machine/machine.h"

namespace platform {

// The host's 8-bit code page is UTF-8.
std::wstring AnsiToWide(const std::string& text) { return host::FromUtf8(text); }
std::string WideToAnsi(const std::wstring& text) { return host::ToUtf8(text); }

}  // namespace platform
