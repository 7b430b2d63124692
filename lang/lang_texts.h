#pragma once
// The library's texts and the rules that pick and copy them. Portable: the only system
// question, the user's interface language, is asked in user_language_*.cpp.
#include <cstddef>
#include <cstdint>

namespace qvlang {

enum class Language { English, SimplifiedChinese, TraditionalChinese };

struct KeyText {
  const wchar_t* key;
  const wchar_t* text;
};

// Every key the program looks up, in the order of the windows that show them.
extern const wchar_t* const kKeys[];
extern const std::size_t kKeyCount;

// One table per language, each with a text for every key of kKeys.
extern const KeyText kEnglishTexts[];
extern const KeyText kSimplifiedChineseTexts[];
extern const KeyText kTraditionalChineseTexts[];
extern const std::size_t kEnglishTextCount;
extern const std::size_t kSimplifiedChineseTextCount;
extern const std::size_t kTraditionalChineseTextCount;

// The text of `key` in `language`, or null when the key is unknown (or null).
const wchar_t* FindText(Language language, const wchar_t* key);

// The language's own name ("English", "简体中文", "繁體中文").
const wchar_t* LanguageName(Language language);

// Copies `text` into the buffer by the exports' buffer rule and returns its length.
std::uint32_t CopyText(const wchar_t* text, wchar_t* buffer, std::uint32_t capacity);

// The language for a Windows language identifier (LANGID): Chinese of the PRC, Singapore or the
// neutral Simplified script gives Simplified Chinese; Taiwan, Hong Kong SAR, Macao SAR or the
// neutral Traditional script gives Traditional Chinese; any other Chinese gives Simplified
// Chinese; every other language gives English.
Language LanguageForLangId(std::uint16_t langId);

// Reads a language identifier written in hexadecimal ("804", "0x0C04"). False for anything
// else, including an empty or over-long text.
bool ParseLangId(const char* text, std::uint16_t& langId);

// The user's interface language identifier as the system reports it now
// (user_language_win32.cpp through platform/ui_language.h, user_language_host.cpp); the exports ask once and keep the answer.
std::uint16_t UserInterfaceLanguage();

}  // namespace qvlang
