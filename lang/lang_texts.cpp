#include "lang_texts.h"

namespace qvlang {

const wchar_t* const kKeys[] = {
    // The mode selection window.
    L"Description", L"CmboxLabelCaption", L"ODDToUSB", L"ODDToISO", L"USB NoteCaption1", L"USB NoteCaption2",
    L"ISO NoteCaption", L"Sample Drivers Note", L"Add Drivers", L"Extra Drivers Added", L"Extra Drivers None",
    L"Extra Drivers Skipped", L"Extra Drivers Caption", L"Extra Drivers Go On", L"All Images",
    // The licence agreement dialog.
    L"Eula Note",
    // The wizard's pages.
    L"USB Step1 Note", L"USB Step1 Caption", L"USB Step1 Select Note", L"USB Step2 Note", L"USB Step2 Caption",
    L"USB Step2 Select Note", L"USB Step2 Insert Note", L"USB Step3 Caption", L"ISO Step3 Caption",
    L"ISO Step3 Note", L"ISO Step2 Note", L"ISO Step2 Caption", L"Job Check Wait Note", L"USB Step2 Verify Caption",
    // The progress page.
    L"USB Step3 Wait Note", L"Image Wait Note",
};
const std::size_t kKeyCount = sizeof(kKeys) / sizeof(kKeys[0]);

namespace {

bool SameKey(const wchar_t* a, const wchar_t* b) {
  while (*a != 0 && *a == *b) {
    ++a;
    ++b;
  }
  return *a == *b;
}

const wchar_t* Lookup(const KeyText* table, std::size_t count, const wchar_t* key) {
  for (std::size_t i = 0; i < count; ++i)
    if (SameKey(table[i].key, key)) return table[i].text;
  return nullptr;
}

}  // namespace

const wchar_t* FindText(Language language, const wchar_t* key) {
  if (!key) return nullptr;
  switch (language) {
    case Language::SimplifiedChinese:
      return Lookup(kSimplifiedChineseTexts, kSimplifiedChineseTextCount, key);
    case Language::TraditionalChinese:
      return Lookup(kTraditionalChineseTexts, kTraditionalChineseTextCount, key);
    case Language::English:
      break;
  }
  return Lookup(kEnglishTexts, kEnglishTextCount, key);
}

const wchar_t* LanguageName(Language language) {
  switch (language) {
    case Language::SimplifiedChinese:
      return L"简体中文";
    case Language::TraditionalChinese:
      return L"繁體中文";
    case Language::English:
      break;
  }
  return L"English";
}

std::uint32_t CopyText(const wchar_t* text, wchar_t* buffer, std::uint32_t capacity) {
  std::uint32_t length = 0;
  while (text[length] != 0) ++length;
  if (buffer && capacity > 0) {
    std::uint32_t copied = length < capacity - 1 ? length : capacity - 1;
    for (std::uint32_t i = 0; i < copied; ++i) buffer[i] = text[i];
    buffer[copied] = 0;
  }
  return length;
}

Language LanguageForLangId(std::uint16_t langId) {
  constexpr std::uint16_t kPrimaryChinese = 0x04;
  if ((langId & 0x3FF) != kPrimaryChinese) return Language::English;
  switch (langId) {
    case 0x0404:  // Taiwan
    case 0x0C04:  // Hong Kong SAR
    case 0x1404:  // Macao SAR
    case 0x7C04:  // Traditional script
      return Language::TraditionalChinese;
    default:      // PRC 0x0804, Singapore 0x1004, Simplified script 0x0004
      return Language::SimplifiedChinese;
  }
}

bool ParseLangId(const char* text, std::uint16_t& langId) {
  if (!text) return false;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) text += 2;
  std::uint32_t value = 0;
  int digits = 0;
  for (; *text != 0; ++text, ++digits) {
    char c = *text;
    int digit = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : c >= 'A' && c <= 'F' ? c - 'A' + 10 : -1;
    if (digit < 0 || digits == 4) return false;
    value = value * 16 + static_cast<std::uint32_t>(digit);
  }
  if (digits == 0) return false;
  langId = static_cast<std::uint16_t>(value);
  return true;
}

}  // namespace qvlang
