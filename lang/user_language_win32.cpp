// The library's one question to Windows, the user's display language, goes through the
// platform layer like every other system call.
#include "lang_texts.h"
#include "platform/ui_language.h"

namespace qvlang {

std::uint16_t UserInterfaceLanguage() { return platform::UserInterfaceLanguage(); }

}  // namespace qvlang
