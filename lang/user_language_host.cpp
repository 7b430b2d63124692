// The host has no Windows display-language setting: the environment variable
// DRAVENTA_UI_LANGUAGE stands in for it, holding a Windows language identifier in hexadecimal
// ("409" English, "804" Chinese (PRC), "c04" Chinese (Hong Kong SAR)). Unset or unreadable, the
// user's language is English (United States). The library reads it once, at its first call.
#include <cstdlib>

#include "lang_texts.h"

namespace qvlang {

std::uint16_t UserInterfaceLanguage() {
  std::uint16_t langId = 0x0409;
  if (!ParseLangId(std::getenv("DRAVENTA_UI_LANGUAGE"), langId)) return 0x0409;
  return langId;
}

}  // namespace qvlang
