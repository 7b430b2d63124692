// The process-wide translation: the wrapper made at the first lookup from whichever thread
// comes first, over the real library beside the program, in the user's interface language.
// Its own executable, so that the wrapper is made here and nowhere earlier; ctest runs it with
// the language left unset (English) and set to Chinese (Hong Kong SAR).
#include <gtest/gtest.h>

#include <cstdlib>
#include <thread>
#include <vector>

#include "lang_texts.h"
#include "support/temp_machine.h"
#include "ui/qv_multi_lang.h"

namespace {

TEST(ProcessWideTranslation, FirstLookupsFromManyThreadsShareOneWrapperInTheUsersLanguage) {
  test::TempMachine machine;
  ASSERT_TRUE(machine.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));

  std::uint16_t langId = 0x0409;
  if (const char* chosen = std::getenv("DRAVENTA_UI_LANGUAGE")) {
    ASSERT_TRUE(qvlang::ParseLangId(chosen, langId));
  }
  const qvlang::Language language = qvlang::LanguageForLangId(langId);

  constexpr int kThreads = 8;
  std::vector<const QvMultiLangDll*> instances(kThreads);
  std::vector<std::vector<std::wstring>> texts(kThreads);
  {
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
      threads.emplace_back([&, t] {
        for (std::size_t k = 0; k < qvlang::kKeyCount; ++k) texts[t].push_back(Translate(qvlang::kKeys[k]));
        instances[t] = &QvMultiLangDll::Instance();
      });
    }
    for (auto& thread : threads) thread.join();
  }

  ASSERT_TRUE(QvMultiLangDll::Instance().IsLoaded());
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_EQ(instances[t], &QvMultiLangDll::Instance());
    ASSERT_EQ(texts[t].size(), qvlang::kKeyCount);
    for (std::size_t k = 0; k < qvlang::kKeyCount; ++k)
      EXPECT_EQ(texts[t][k], qvlang::FindText(language, qvlang::kKeys[k])) << t << " " << k;
  }
  if (language == qvlang::Language::TraditionalChinese) {
    EXPECT_EQ(Translate(L"ISO Step2 Caption"), L"\u9078\u64c7\u8f38\u51fa\u8cc7\u6599\u593e");
  }
  EXPECT_EQ(Translate(L"Not A Key"), L"Not A Key");
}

}  // namespace
