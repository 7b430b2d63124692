// The two exports of QvMultiLang.dll.
#include "lang_texts.h"
#include "qv_multi_lang.h"

namespace {

// The language is chosen at the first call and kept: the user's interface language does not
// change while the program runs, and the host's environment is read only once.
qvlang::Language ChosenLanguage() {
  static const qvlang::Language language = qvlang::LanguageForLangId(qvlang::UserInterfaceLanguage());
  return language;
}

}  // namespace

extern "C" {

std::uint32_t QV_MULTI_LANG_CALL QvTranslateStr(const wchar_t* key, wchar_t* buffer, std::uint32_t capacity) {
  const wchar_t* text = qvlang::FindText(ChosenLanguage(), key);
  return qvlang::CopyText(text ? text : key ? key : L"", buffer, capacity);
}

std::uint32_t QV_MULTI_LANG_CALL QvGetLangName(wchar_t* buffer, std::uint32_t capacity) {
  return qvlang::CopyText(qvlang::LanguageName(ChosenLanguage()), buffer, capacity);
}

}  // extern "C"
