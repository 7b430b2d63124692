#include "platform/ui_language.h"

#include <windows.h>

namespace platform {

std::uint16_t UserInterfaceLanguage() { return GetUserDefaultUILanguage(); }

}  // namespace platform
