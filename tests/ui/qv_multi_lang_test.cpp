// The program's wrapper over the translation library: the loading rule, the growing buffer
// (through a stand-in library with texts of chosen lengths) and what a lookup gives without a
// usable library.
#include "ui/qv_multi_lang.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/library.h"
#include "support/temp_machine.h"

namespace {

class QvMultiLangWrapper : public ::testing::Test {
 protected:
  std::wstring LibraryPath() const { return platform::ExecutableFolder() + L"QvMultiLang.dll"; }

  void Install(const std::string& hostFile) {
    ASSERT_TRUE(machine_.Builder().InstallProgramFile(L"QvMultiLang.dll", hostFile));
  }

  std::string TraceText() const {
    std::vector<std::uint8_t> bytes = platform::ReadWholeFile(app::TraceLogPath()).value_or({});
    return std::string(bytes.begin(), bytes.end());
  }

  test::TempMachine machine_;
};

std::wstring Alphabet(std::size_t length) {
  std::wstring text;
  for (std::size_t i = 0; i < length; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
  return text;
}

TEST_F(QvMultiLangWrapper, AsksAgainWithA1024LargerBufferWhileTheTextMayNotHaveFit) {
  Install(DRAVENTA_TEST_LANG_LIBRARY);
  QvMultiLangDll dll(LibraryPath());
  ASSERT_TRUE(dll.IsLoaded());
  // The stand-in records the capacity of every call; the same file opened again is the same
  // loaded library.
  auto recorder = platform::LoadLibraryAt(LibraryPath());
  ASSERT_TRUE(recorder);
  using TakeFn = std::uint32_t (*)(std::uint32_t*, std::uint32_t);
  auto take = reinterpret_cast<TakeFn>((*recorder)->Export("TestTakeCapacities").value_or(nullptr));
  ASSERT_TRUE(take);
  auto capacities = [&] {
    std::vector<std::uint32_t> seen(128);
    seen.resize(take(seen.data(), 128));
    return seen;
  };
  using Caps = std::vector<std::uint32_t>;

  struct Case {
    const wchar_t* key;
    std::wstring text;
    Caps calls;
  };
  const Case cases[] = {
      {L"length:0", L"", {1024}},
      {L"length:1022", Alphabet(1022), {1024}},
      // 1023 characters fit 1024 exactly, but the length alone can't tell that from a cut text.
      {L"length:1023", Alphabet(1023), {1024, 2048}},
      {L"length:2046", Alphabet(2046), {1024, 2048}},
      {L"length:2047", Alphabet(2047), {1024, 2048, 3072}},
      {L"length:5000", Alphabet(5000), {1024, 2048, 3072, 4096, 5120}},
      // The text is the buffer up to its zero, whatever length was reported.
      {L"short:2500", L"abc", {1024, 2048, 3072}},
      {L"ODDToUSB", L"[ODDToUSB]", {1024}},
  };
  take(nullptr, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.key)));
    EXPECT_EQ(dll.Translate(c.key), c.text);
    EXPECT_EQ(capacities(), c.calls);
  }

  // A library that always claims a longer text is not asked beyond 64 Ki characters.
  std::wstring liar = dll.Translate(L"liar");
  Caps calls = capacities();
  ASSERT_EQ(calls.size(), 64u);
  EXPECT_EQ(calls.back(), QvMultiLangDll::kMaxCapacity);
  EXPECT_EQ(liar, std::wstring(QvMultiLangDll::kMaxCapacity - 1, L'x'));

  EXPECT_EQ(TraceText().find("QvMultiLangDll"), std::string::npos) << "a usable library is not traced";
}

TEST_F(QvMultiLangWrapper, WithoutAUsableLibraryEachKeyStandsForItsText) {
  {
    QvMultiLangDll dll(LibraryPath());
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_EQ(dll.Translate(L"ODDToUSB"), L"ODDToUSB");
    EXPECT_EQ(dll.Translate(L"ODDToISO"), L"ODDToISO");
    EXPECT_EQ(dll.Translate(L""), L"");
  }
  EXPECT_NE(TraceText().find("[QvMultiLangDll::QvMultiLangDll] C:\\Program Files\\Draventa\\QvMultiLang.dll not found"),
            std::string::npos)
      << TraceText();

  // A file of that name that is no library.
  test::WriteHostFile(machine_.Builder().ProgramFileHostPath(L"QvMultiLang.dll"), "MZ this is not a library");
  {
    QvMultiLangDll dll(LibraryPath());
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_EQ(dll.Translate(L"Eula Note"), L"Eula Note");
  }
  EXPECT_NE(TraceText().find("LoadLibrary C:\\Program Files\\Draventa\\QvMultiLang.dll failed, error 126"),
            std::string::npos)
      << TraceText();

  // A library with QvTranslateStr but without QvGetLangName is not used either.
  Install(DRAVENTA_TEST_LANG_LIBRARY_NO_NAME);
  {
    QvMultiLangDll dll(LibraryPath());
    EXPECT_FALSE(dll.IsLoaded());
    EXPECT_EQ(dll.Translate(L"USB Step1 Note"), L"USB Step1 Note");
  }
  EXPECT_NE(TraceText().find("GetProcAddress QvGetLangName in C:\\Program Files\\Draventa\\QvMultiLang.dll failed, "
                             "error 127"),
            std::string::npos)
      << TraceText();

  // With both exports the same file is taken.
  Install(DRAVENTA_TEST_LANG_LIBRARY);
  EXPECT_TRUE(QvMultiLangDll(LibraryPath()).IsLoaded());
}

}  // namespace
