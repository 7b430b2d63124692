// The translation library's texts and rules: a text of its own for every key the windows look
// up in every language, the language picked for a Windows language identifier, and the buffer
// rule of its exports.
#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "lang_texts.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "support/temp_machine.h"

namespace {

using qvlang::Language;

// The keys the windows pass, written out here apart from the library's own list.
const wchar_t* const kProgramKeys[] = {
    L"Description",         L"CmboxLabelCaption",     L"ODDToUSB",          L"ODDToISO",
    L"USB NoteCaption1",    L"USB NoteCaption2",      L"ISO NoteCaption",   L"Eula Note",
    L"USB Step1 Note",      L"USB Step1 Caption",     L"USB Step1 Select Note",
    L"USB Step2 Note",      L"USB Step2 Caption",     L"USB Step2 Select Note",
    L"USB Step2 Insert Note", L"USB Step3 Caption",   L"ISO Step3 Caption", L"ISO Step3 Note",
    L"ISO Step2 Note",      L"ISO Step2 Caption",     L"USB Step3 Wait Note", L"Sample Drivers Note",
    L"Job Check Wait Note",  L"USB Step2 Verify Caption",
    L"Add Drivers",         L"Extra Drivers Added",   L"Extra Drivers None", L"Extra Drivers Skipped",
    L"Extra Drivers Caption", L"Extra Drivers Go On",
    L"All Images",          L"Image Wait Note",
};

bool HasHanCharacter(const std::wstring& text) {
  for (wchar_t c : text)
    if (c >= 0x4E00 && c <= 0x9FFF) return true;
  return false;
}

bool IsAscii(const std::wstring& text) {
  for (wchar_t c : text)
    if (static_cast<std::uint32_t>(c) > 0x7E || c < 0x20) return false;
  return true;
}

TEST(TranslationTexts, EveryKeyHasATextOfItsOwnInEveryLanguage) {
  const std::size_t keys = std::size(kProgramKeys);
  EXPECT_EQ(qvlang::kKeyCount, keys);
  // Each table holds the program's keys and nothing else, so a misspelt key can't hide.
  EXPECT_EQ(qvlang::kEnglishTextCount, keys);
  EXPECT_EQ(qvlang::kSimplifiedChineseTextCount, keys);
  EXPECT_EQ(qvlang::kTraditionalChineseTextCount, keys);

  for (const wchar_t* key : kProgramKeys) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(key)));
    const wchar_t* english = qvlang::FindText(Language::English, key);
    const wchar_t* simplified = qvlang::FindText(Language::SimplifiedChinese, key);
    const wchar_t* traditional = qvlang::FindText(Language::TraditionalChinese, key);
    ASSERT_TRUE(english && simplified && traditional);
    EXPECT_GT(std::wcslen(english), 3u);
    EXPECT_TRUE(IsAscii(english)) << "English texts are plain ASCII";
    EXPECT_NE(std::wstring(english), key) << "a text, not the key";
    EXPECT_TRUE(HasHanCharacter(simplified));
    EXPECT_TRUE(HasHanCharacter(traditional));
    EXPECT_NE(std::wstring(simplified), std::wstring(traditional));
  }

  // Keys are matched exactly.
  EXPECT_EQ(qvlang::FindText(Language::English, L"eula note"), nullptr);
  EXPECT_EQ(qvlang::FindText(Language::English, L"Eula Note "), nullptr);
  EXPECT_EQ(qvlang::FindText(Language::SimplifiedChinese, L"USB Step4 Note"), nullptr);
  EXPECT_EQ(qvlang::FindText(Language::English, nullptr), nullptr);

  // The UTF-8 sources became the intended characters.
  EXPECT_EQ(std::wstring(qvlang::FindText(Language::SimplifiedChinese, L"ODDToUSB")),
            L"\u4ece Windows 7 \u5149\u76d8\u5236\u4f5c\u53ef\u542f\u52a8 U \u76d8");
  EXPECT_EQ(std::wstring(qvlang::FindText(Language::TraditionalChinese, L"ODDToUSB")),
            L"\u5f9e Windows 7 \u5149\u789f\u88fd\u4f5c\u53ef\u958b\u6a5f USB \u96a8\u8eab\u789f");
}

TEST(TranslationTexts, LanguageOfAWindowsLanguageIdentifier) {
  struct Case {
    std::uint16_t langId;
    Language language;
  };
  const Case cases[] = {
      {0x0409, Language::English},           {0x0809, Language::English},
      {0x0407, Language::English},           {0x0411, Language::English},  // Japanese
      {0x0412, Language::English},           {0x0000, Language::English},
      {0x0804, Language::SimplifiedChinese}, {0x1004, Language::SimplifiedChinese},
      {0x0004, Language::SimplifiedChinese}, {0x0404, Language::TraditionalChinese},
      {0x0C04, Language::TraditionalChinese}, {0x1404, Language::TraditionalChinese},
      {0x7C04, Language::TraditionalChinese},
  };
  for (const Case& c : cases)
    EXPECT_EQ(qvlang::LanguageForLangId(c.langId), c.language) << std::hex << c.langId;

  std::uint16_t id = 0;
  EXPECT_TRUE(qvlang::ParseLangId("804", id));
  EXPECT_EQ(id, 0x0804);
  EXPECT_TRUE(qvlang::ParseLangId("0x0C04", id));
  EXPECT_EQ(id, 0x0C04);
  EXPECT_TRUE(qvlang::ParseLangId("c04", id));
  EXPECT_EQ(id, 0x0C04);
  id = 0x1234;
  for (const char* bad : {"", "0x", "zh-CN", "10804", "80 4", "-804"}) {
    EXPECT_FALSE(qvlang::ParseLangId(bad, id)) << bad;
    EXPECT_EQ(id, 0x1234) << "left alone by " << bad;
  }
  EXPECT_FALSE(qvlang::ParseLangId(nullptr, id));
}

using TranslateFn = std::uint32_t (*)(const wchar_t*, wchar_t*, std::uint32_t);

// The built library, in a simulated machine's program folder, through its real export.
TEST(TranslationLibrary, ExportKeepsToTheBufferRule) {
  test::TempMachine machine;
  ASSERT_TRUE(machine.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
  auto library = platform::LoadLibraryAt(platform::ExecutableFolder() + L"QvMultiLang.dll");
  ASSERT_TRUE(library);
  auto translate = reinterpret_cast<TranslateFn>((*library)->Export("QvTranslateStr").value_or(nullptr));
  ASSERT_TRUE(translate);

  const wchar_t* key = L"Eula Note";
  const std::uint32_t length = translate(key, nullptr, 0);
  ASSERT_GT(length, 10u);
  std::vector<wchar_t> full(length + 1, L'#');
  ASSERT_EQ(translate(key, full.data(), length + 1), length);  // exact fit
  const std::wstring text(full.data());
  ASSERT_EQ(text.size(), length);

  std::vector<wchar_t> buffer(length + 8, L'#');
  auto untouchedFrom = [&](std::size_t from) {
    for (std::size_t i = from; i < buffer.size(); ++i)
      if (buffer[i] != L'#') return false;
    return true;
  };
  EXPECT_EQ(translate(key, buffer.data(), 0), length);
  EXPECT_TRUE(untouchedFrom(0)) << "capacity 0 writes nothing";
  EXPECT_EQ(translate(key, nullptr, 50), length);

  EXPECT_EQ(translate(key, buffer.data(), 1), length);
  EXPECT_EQ(buffer[0], L'\0');
  EXPECT_TRUE(untouchedFrom(1));

  buffer.assign(length + 8, L'#');
  EXPECT_EQ(translate(key, buffer.data(), 6), length);
  EXPECT_EQ(std::wstring(buffer.data()), text.substr(0, 5));
  EXPECT_TRUE(untouchedFrom(6));

  buffer.assign(length + 8, L'#');
  EXPECT_EQ(translate(key, buffer.data(), length), length);  // one short: the last character is cut
  EXPECT_EQ(std::wstring(buffer.data()), text.substr(0, length - 1));
  EXPECT_TRUE(untouchedFrom(length));

  buffer.assign(length + 8, L'#');
  EXPECT_EQ(translate(key, buffer.data(), length + 1), length);
  EXPECT_EQ(std::wstring(buffer.data()), text);
  EXPECT_TRUE(untouchedFrom(length + 1));

  // An unknown key comes back as itself; a null key as the empty text.
  wchar_t small[64];
  EXPECT_EQ(translate(L"No Such Key", small, 64), 11u);
  EXPECT_EQ(std::wstring(small), L"No Such Key");
  small[0] = L'#';
  EXPECT_EQ(translate(nullptr, small, 64), 0u);
  EXPECT_EQ(small[0], L'\0');
}

}  // namespace
