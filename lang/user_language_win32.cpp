// The library's one system call on Windows: the user's display language.
#include <windows.h>

#include "lang_texts.h"

namespace qvlang {

std::uint16_t UserInterfaceLanguage() { return GetUserDefaultUILanguage(); }

}  // namespace qvlang
