// Volume utilities fed what a disc may really hold: labels of every length and of characters
// beyond Latin-1, and AutoRun.inf files that are binary garbage or absurdly large.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "app/utf16.h"
#include "disk/optical_drives.h"
#include "disk/volume_utils.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kEmoji(1, static_cast<wchar_t>(0x1F600));  // a surrogate pair on Windows

// Bytes of every value, NUL, brackets and line ends included, from a fixed generator.
std::string Garbage(std::size_t size, std::uint32_t seed) {
  std::string bytes(size, '\0');
  for (auto& b : bytes) {
    seed = seed * 1664525u + 1013904223u;
    b = static_cast<char>(seed >> 24);
  }
  return bytes;
}

TEST(VolumeLabelEdges, LengthsAreUtf16UnitsAndAPairIsNeverSplit) {
  // Empty, 11 and 12 characters: VolumeLabel.LongNamesAreCutToNineCharactersAndTilde.
  EXPECT_EQ(MakeVolumeLabel(L"GRMCULFRER_EN_DVD_X64_SP1_ULTIMATE"), L"GRMCULFRE~1") << "32 characters";
  EXPECT_EQ(MakeVolumeLabel(L"100%s%n%%"), L"100%s%n%%") << "percent signs are plain text";

  // Chinese counts one unit a character.
  const std::wstring chinese11 = L"\u4e2d\u6587\u5149\u76d8\u6807\u7b7e\u4e00\u4e8c\u4e09\u56db\u4e94";
  EXPECT_EQ(MakeVolumeLabel(chinese11), chinese11);
  EXPECT_EQ(MakeVolumeLabel(chinese11 + L"\u516d"), chinese11.substr(0, 9) + L"~1");

  // A character beyond U+FFFF counts two units, as it does on Windows, and is kept whole.
  EXPECT_EQ(MakeVolumeLabel(kEmoji + kEmoji + kEmoji + kEmoji + kEmoji), kEmoji + kEmoji + kEmoji + kEmoji + kEmoji)
      << "10 units fit";
  EXPECT_EQ(MakeVolumeLabel(L"ABCDEFGHIJ" + kEmoji), L"ABCDEFGHI~1") << "11 characters but 12 units";
  EXPECT_EQ(MakeVolumeLabel(L"ABCDEFGH" + kEmoji + L"XYZ"), L"ABCDEFGH~1") << "the pair would be cut in half";
  EXPECT_EQ(MakeVolumeLabel(L"ABCDEFG" + kEmoji + L"XYZ"), L"ABCDEFG" + kEmoji + L"~1");
  for (const std::wstring& name : {L"ABCDEFGHIJ" + kEmoji, L"ABCDEFGH" + kEmoji + L"XYZ", std::wstring(40, L'x')})
    EXPECT_LE(Utf16Length(MakeVolumeLabel(name)), 11u);
}

TEST(VolumeLabelEdges, OddLabelsAreReadBackWhole) {
  test::TempMachine machine;
  const std::wstring odd = L"%s \u4e2d\u6587 " + kEmoji;
  machine.Builder().Optical('E', odd);
  machine.Apply();
  EXPECT_EQ(GetVolumeLabelText(L"E:\\"), odd);
  EXPECT_EQ(MakeVolumeLabel(GetVolumeLabelText(L"E:\\")), odd) << "8 units fit a FAT32 label";
}

TEST(DiscSizeEdges, AFileAbove4GiBIsCountedInFull) {
  // Sizes are 64-bit all the way: a sparse 5 GiB + 1 byte file beside a small one. That the USB
  // job refuses such a disc and the ISO job takes it is
  // JobPrecheck.AFileTooLargeForFat32RefusesOnlyTheUsbJob.
  test::TempMachine machine;
  const std::string root = machine.Builder().Optical('E', L"DISC");
  machine.Apply();
  test::WriteHostFile(root + "/sources/install.wim", "");
  fs::resize_file(root + "/sources/install.wim", (5ull << 30) + 1);
  test::WriteHostFile(root + "/setup.exe", std::string(1024, 's'));
  EXPECT_EQ(GetFileByteSize(L"E:\\sources\\install.wim"), (5ull << 30) + 1);
  EXPECT_EQ(GetFolderSize(L"E:\\", true), (5ull << 30) + 1025);
  EXPECT_EQ(MeasureDiscSizeMB(L"E:\\"), 5120);
}

class AutorunEdges : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& bytes) {
    const std::string path = machine_.Host(L"C:\\") + "/" + name;
    fs::create_directories(fs::path(path).parent_path());
    std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  test::TempMachine machine_;
};

TEST_F(AutorunEdges, GarbageAndHugeFilesAreReadWithoutHarm) {
  // Binary garbage: no section of that name, so a 32-bit disc.
  Write("garbage/AutoRun.inf", Garbage(64 * 1024, 7));
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\garbage\\AutoRun.inf"));
  // The section on a line of its own amid garbage still counts.
  Write("mixed/AutoRun.inf", Garbage(4096, 8) + "\r\n[AutoRun.Amd64]\r\n" + Garbage(4096, 9));
  EXPECT_TRUE(HasAmd64AutorunSection(L"C:\\mixed\\AutoRun.inf"));
  // UTF-16 with an odd last byte, an unclosed bracket, a file of one byte, an empty one.
  Write("utf16/AutoRun.inf", std::string("\xFF\xFE[\0A\0U\0T\0O\0R\0U\0N\0.\0A\0M\0D\0" "6\0" "4\0]\0\n", 33));
  EXPECT_TRUE(HasAmd64AutorunSection(L"C:\\utf16\\AutoRun.inf"));
  Write("open/AutoRun.inf", "[AutoRun.Amd64\r\n");
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\open\\AutoRun.inf"));
  Write("one/AutoRun.inf", "[");
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\one\\AutoRun.inf"));
  Write("empty/AutoRun.inf", "");
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\empty\\AutoRun.inf"));
  // A folder of that name is no file.
  fs::create_directories(machine_.Host(L"C:\\") + "/folder/AutoRun.inf");
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\folder\\AutoRun.inf"));

  // 20 MiB: NUL bytes only (sparse), and garbage lines with the section at the very end.
  const std::string zeros = Write("zeros/AutoRun.inf", "");
  fs::resize_file(zeros, 20u << 20);
  EXPECT_FALSE(HasAmd64AutorunSection(L"C:\\zeros\\AutoRun.inf"));
  Write("huge/AutoRun.inf", Garbage(20u << 20, 10) + "\n[autorun.amd64]\n");
  EXPECT_TRUE(HasAmd64AutorunSection(L"C:\\huge\\AutoRun.inf"));
}

}  // namespace
