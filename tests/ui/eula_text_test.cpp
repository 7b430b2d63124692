// The licence agreement text: the file chosen for the system locale, the decoding of its bytes
// and the files that ship beside the program.
#include "ui/eula_text.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "app/trace_log.h"
#include "platform/files.h"
#include "support/temp_machine.h"

namespace {

using Lines = std::vector<std::wstring>;

std::vector<std::uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

TEST(EulaText, LocaleChoosesTheFile) {
  EXPECT_EQ(LocaleIdText(0x804), L"804");
  EXPECT_EQ(LocaleIdText(0xC04), L"c04");
  EXPECT_EQ(LocaleIdText(0x1004), L"1004");
  EXPECT_EQ(LocaleIdText(0x0404), L"404");
  EXPECT_EQ(LocaleIdText(0), L"0");
  EXPECT_EQ(LocaleIdText(0x20804), L"20804");

  struct Case {
    std::uint32_t lcid;
    EulaLanguage language;
  };
  const Case cases[] = {
      {0x804, EulaLanguage::SChinese},  {0x1004, EulaLanguage::SChinese}, {0x404, EulaLanguage::TChinese},
      {0xC04, EulaLanguage::TChinese},  {0x1404, EulaLanguage::TChinese}, {0x409, EulaLanguage::English},
      {0x407, EulaLanguage::English},   {0x411, EulaLanguage::English},   {0x0, EulaLanguage::English},
      // Only the five listed identifiers count: neutral scripts and other sort orders do not.
      {0x7C04, EulaLanguage::English},  {0x0004, EulaLanguage::English},  {0x20804, EulaLanguage::English},
      {0x10404, EulaLanguage::English}, {0x80400, EulaLanguage::English},
  };
  for (const Case& c : cases) EXPECT_EQ(EulaLanguageForLocale(c.lcid), c.language) << std::hex << c.lcid;

  EXPECT_EQ(EulaFileName(EulaLanguage::English), L"End User License Agreement_English.txt");
  EXPECT_EQ(EulaFileName(EulaLanguage::SChinese), L"End User License Agreement_SChinese.txt");
  EXPECT_EQ(EulaFileName(EulaLanguage::TChinese), L"End User License Agreement_TChinese.txt");

  // The system default locale of the machine the program runs on.
  test::TempMachine machine;
  EXPECT_EQ(EulaFilePath(), L"C:\\Program Files\\Draventa\\End User License Agreement_English.txt");
  machine.Builder().SystemLocale(0x1004);
  machine.Apply();
  EXPECT_EQ(EulaFilePath(), L"C:\\Program Files\\Draventa\\End User License Agreement_SChinese.txt");
  machine.Builder().SystemLocale(0xC04);
  machine.Apply();
  EXPECT_EQ(EulaFilePath(), L"C:\\Program Files\\Draventa\\End User License Agreement_TChinese.txt");
}

TEST(EulaText, BytesAreDecodedByTheirMarkAndSplitIntoLines) {
  // UTF-8 with its mark: the mark is dropped, every kind of line end splits.
  EXPECT_EQ(DecodeTextLines(Bytes("\xEF\xBB\xBF" "\xE8\xAE\xB8\xE5\x8F\xAF\r\nb\nc\rd\r\n")),
            (Lines{L"\u8bb8\u53ef", L"b", L"c", L"d"}));
  // UTF-16 LE: "A", CR LF, U+4E2D.
  EXPECT_EQ(DecodeTextLines(Bytes(std::string("\xFF\xFE" "A\0\r\0\n\0\x2D\x4E", 10))), (Lines{L"A", L"\u4e2d"}));
  // UTF-16 BE with a surrogate pair (U+1F600) and an odd last byte, which is dropped.
  EXPECT_EQ(DecodeTextLines(Bytes(std::string("\xFE\xFF" "\xD8\x3D\xDE\x00\x00\n\x00x" "\x00", 11))),
            (Lines{std::wstring(L"\U0001F600"), L"x"}));
  // No mark: the ANSI code page (UTF-8 on the host).
  EXPECT_EQ(DecodeTextLines(Bytes("caf\xC3\xA9\n\nend")), (Lines{L"caf\u00e9", L"", L"end"}));
  // Malformed UTF-8 after the mark, and a lone surrogate in UTF-16, become U+FFFD.
  EXPECT_EQ(DecodeTextLines(Bytes("\xEF\xBB\xBF" "a\xE8\xAE" "b\xC0\xAF" "c")), (Lines{L"a\ufffdb\ufffdc"}));
  EXPECT_EQ(DecodeTextLines(Bytes(std::string("\xFF\xFE\x00\xDC" "a\0", 6))), (Lines{L"\ufffda"}));
  // Nothing, or a mark alone, is no line; one final line break adds none, two add an empty one.
  EXPECT_TRUE(DecodeTextLines({}).empty());
  EXPECT_TRUE(DecodeTextLines(Bytes("\xEF\xBB\xBF")).empty());
  EXPECT_EQ(DecodeTextLines(Bytes("one\r\n\r\n")), (Lines{L"one", L""}));
  EXPECT_EQ(DecodeTextLines(Bytes("\r\n")), (Lines{L""}));
}

TEST(EulaText, ShippedAgreementsReadInEveryLanguage) {
  test::TempMachine machine;
  ASSERT_TRUE(machine.Builder().InstallProgramFiles(DRAVENTA_PROGRAM_FILES));
  struct Case {
    std::uint32_t lcid;
    std::wstring title;
  };
  const Case cases[] = {
      {0x409, L"END USER LICENSE AGREEMENT"},
      {0x804, L"\u6700\u7ec8\u7528\u6237\u8bb8\u53ef\u534f\u8bae"},
      {0x1404, L"\u4f7f\u7528\u8005\u6388\u6b0a\u5408\u7d04"},
  };
  std::vector<std::size_t> lineCounts;
  for (const Case& c : cases) {
    machine.Builder().SystemLocale(c.lcid);
    machine.Apply();
    Lines lines = LoadEulaLines();
    ASSERT_GT(lines.size(), 20u) << std::hex << c.lcid;
    EXPECT_EQ(lines.front(), c.title);
    EXPECT_NE(lines.back().find(L"(C) Qarvel"), std::wstring::npos);
    for (const auto& line : lines) {
      EXPECT_EQ(line.find_first_of(L"\r\n\ufeff\ufffd"), std::wstring::npos);
    }
    lineCounts.push_back(lines.size());
  }
  // The three texts are the same agreement, paragraph for paragraph.
  EXPECT_EQ(lineCounts[0], lineCounts[1]);
  EXPECT_EQ(lineCounts[0], lineCounts[2]);
}

TEST(EulaText, MissingOrAbsurdFilesGiveNoLines) {
  test::TempMachine machine;
  EXPECT_TRUE(LoadEulaLines().empty());
  EXPECT_TRUE(ReadEulaLines(L"C:\\Program Files\\Draventa\\").empty()) << "a folder";
  EXPECT_TRUE(app::TraceLogPath().empty()) << "a missing file is not reported";

  // 50 MiB (sparse on the host disk) is no agreement: not read, one trace line.
  const std::string big = machine.Builder().ProgramFileHostPath(L"End User License Agreement_English.txt");
  test::WriteHostFile(big, "END USER LICENSE AGREEMENT\r\n");
  std::filesystem::resize_file(big, 50ull << 20);
  EXPECT_TRUE(LoadEulaLines().empty());
  platform::Result<std::vector<std::uint8_t>> read = platform::ReadWholeFile(app::TraceLogPath());
  ASSERT_TRUE(read);
  const std::vector<std::uint8_t>& log = *read;
  EXPECT_NE(std::string(log.begin(), log.end()).find("[ReadEulaLines] C:\\Program Files\\Draventa\\End User License "
                                                       "Agreement_English.txt holds 52428800 bytes, more than 1048576"),
            std::string::npos);

  // Exactly the limit is still read.
  std::filesystem::resize_file(big, kMaxEulaFileBytes);
  Lines lines = LoadEulaLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.front(), L"END USER LICENSE AGREEMENT");
}

}  // namespace
