#pragma once
// The user's interface (display) language as a Windows language identifier
// (GetUserDefaultUILanguage): 0x0409 English (United States), 0x0804 Chinese (PRC), ...
// Only the Windows translation library asks; on the host that library takes the language from
// DRAVENTA_UI_LANGUAGE itself (lang/user_language_host.cpp), so there is no host version.
#include <cstdint>

namespace platform {

std::uint16_t UserInterfaceLanguage();

}  // namespace platform
