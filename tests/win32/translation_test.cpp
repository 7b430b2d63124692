// The translation library under Wine: QvMultiLang.dll beside the executable with its two
// undecorated stdcall exports, called directly and through the program's wrapper, and the
// texts and agreement files as UTF-16.
#include <gtest/gtest.h>
#include <windows.h>

#include <cwchar>
#include <string>
#include <vector>

#include "lang_texts.h"
#include "platform/folders.h"
#include "ui/eula_text.h"
#include "ui/qv_multi_lang.h"

namespace {

using qvlang::Language;

template <typename Proc>
Proc ExportOf(HMODULE module, const char* name) {
  // Through the one function type that converts to any other without a warning.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST(Win32Translation, LibraryBesideTheExecutableServesTheProgramInTheUsersLanguage) {
  const std::wstring path = platform::ExecutableFolder() + L"QvMultiLang.dll";
  HMODULE module = LoadLibraryW(path.c_str());
  ASSERT_NE(module, nullptr) << GetLastError();
  auto translate = ExportOf<QvMultiLangDll::TranslateStrProc>(module, "QvTranslateStr");
  using LangNameProc = std::uint32_t(__stdcall*)(wchar_t*, std::uint32_t);
  auto languageName = ExportOf<LangNameProc>(module, "QvGetLangName");
  ASSERT_TRUE(translate);
  ASSERT_TRUE(languageName);
  EXPECT_EQ(GetProcAddress(module, "QvTranslateStr@12"), nullptr) << "exported without decoration";

  // The library picked the user's interface language.
  const Language language = qvlang::LanguageForLangId(GetUserDefaultUILanguage());
  wchar_t name[32];
  EXPECT_EQ(languageName(name, 32), std::wcslen(qvlang::LanguageName(language)));
  EXPECT_EQ(std::wstring(name), qvlang::LanguageName(language));

  // A direct call, cut to the buffer (a wrong calling convention would not survive it).
  const std::wstring iso = qvlang::FindText(language, L"ODDToISO");
  std::vector<wchar_t> buffer(8, L'#');
  EXPECT_EQ(translate(L"ODDToISO", buffer.data(), 6), iso.size());
  EXPECT_EQ(std::wstring(buffer.data()), iso.substr(0, 5));
  EXPECT_EQ(buffer[6], L'#');

  // Through the program's wrapper, made on first use from the executable's folder.
  ASSERT_TRUE(QvMultiLangDll::Instance().IsLoaded());
  for (std::size_t k = 0; k < qvlang::kKeyCount; ++k)
    EXPECT_EQ(Translate(qvlang::kKeys[k]), qvlang::FindText(language, qvlang::kKeys[k])) << k;
  EXPECT_EQ(Translate(L"Not A Key"), L"Not A Key");
  FreeLibrary(module);
}

TEST(Win32Translation, TextsAndAgreementsAreUtf16) {
  // MinGW compiled the UTF-8 sources into these UTF-16 units.
  EXPECT_EQ(std::wstring(qvlang::FindText(Language::SimplifiedChinese, L"ODDToUSB")),
            L"\u4ece Windows 7 \u5149\u76d8\u5236\u4f5c\u53ef\u542f\u52a8 U \u76d8");
  EXPECT_EQ(std::wstring(qvlang::FindText(Language::TraditionalChinese, L"ISO Step2 Caption")),
            L"\u9078\u64c7\u8f38\u51fa\u8cc7\u6599\u593e");

  // The agreement files beside the executable: UTF-16 LE, UTF-8 and ASCII.
  const std::wstring folder = platform::ExecutableFolder();
  auto traditional = ReadEulaLines(folder + EulaFileName(EulaLanguage::TChinese));
  auto simplified = ReadEulaLines(folder + EulaFileName(EulaLanguage::SChinese));
  auto english = ReadEulaLines(folder + EulaFileName(EulaLanguage::English));
  ASSERT_FALSE(traditional.empty());
  ASSERT_FALSE(simplified.empty());
  ASSERT_FALSE(english.empty());
  EXPECT_EQ(traditional.front(), L"\u4f7f\u7528\u8005\u6388\u6b0a\u5408\u7d04");
  EXPECT_EQ(simplified.front(), L"\u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae");
  EXPECT_EQ(english.front(), L"END USER LICENSE AGREEMENT");
  EXPECT_EQ(traditional.size(), english.size());
  EXPECT_EQ(simplified.size(), english.size());

  // A character beyond U+FFFF becomes its surrogate pair, from UTF-8 and from UTF-16.
  const std::wstring pair = L"\xD83D\xDE00";
  EXPECT_EQ(DecodeTextLines({0xEF, 0xBB, 0xBF, 0xF0, 0x9F, 0x98, 0x80}), std::vector<std::wstring>{pair});
  EXPECT_EQ(DecodeTextLines({0xFE, 0xFF, 0xD8, 0x3D, 0xDE, 0x00}), std::vector<std::wstring>{pair});

  // The system locale comes from Windows; the file named for it lies beside the executable.
  EXPECT_EQ(EulaFilePath(), folder + EulaFileName(EulaLanguageForLocale(GetSystemDefaultLCID())));
  EXPECT_FALSE(LoadEulaLines().empty());
}

}  // namespace
