#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/file_copy.h"
#include "platform/files.h"
#include "platform/types.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

struct Call {
  std::int64_t total, transferred;
  std::uint32_t reason;
};

struct Recorder {
  std::vector<Call> calls;
  std::size_t cancelAt = SIZE_MAX;  // answer kProgressCancel to this call
};

std::uint32_t Record(std::int64_t total, std::int64_t transferred, std::int64_t streamSize,
                     std::int64_t streamTransferred, std::uint32_t stream, std::uint32_t reason, void*, void*,
                     void* data) {
  auto* recorder = static_cast<Recorder*>(data);
  EXPECT_EQ(streamSize, total);
  EXPECT_EQ(streamTransferred, transferred);
  EXPECT_EQ(stream, 1u);
  recorder->calls.push_back({total, transferred, reason});
  return recorder->calls.size() - 1 == recorder->cancelAt ? platform::kProgressCancel : platform::kProgressContinue;
}

class FileCopy : public ::testing::Test {
 protected:
  void SetUp() override { root_ = machine_.Host(L"C:\\"); }
  test::TempMachine machine_;
  std::string root_;
};

TEST_F(FileCopy, ReportsTheStreamSwitchThenEveryMegabyte) {
  std::string content(5 * (1 << 19), 'x');  // 2.5 MiB
  for (std::size_t i = 0; i < content.size(); i += 4093) content[i] = static_cast<char>(i);
  test::WriteHostFile(root_ + "/a.bin", content);
  Recorder recorder;
  ASSERT_TRUE(platform::CopyFileWithProgress(L"C:\\A.BIN", L"C:\\b.bin", &Record, &recorder));
  EXPECT_EQ(test::ReadHostFile(root_ + "/b.bin"), content);
  ASSERT_EQ(recorder.calls.size(), 4u);
  EXPECT_EQ(recorder.calls[0].reason, platform::kCallbackStreamSwitch);
  EXPECT_EQ(recorder.calls[0].transferred, 0);
  const std::int64_t expected[] = {1 << 20, 2 << 20, 5 << 19};
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(recorder.calls[i + 1].reason, platform::kCallbackChunkFinished);
    EXPECT_EQ(recorder.calls[i + 1].transferred, expected[i]);
    EXPECT_EQ(recorder.calls[i + 1].total, 5 << 19);
  }

  Recorder empty;
  test::WriteHostFile(root_ + "/empty", "");
  ASSERT_TRUE(platform::CopyFileWithProgress(L"C:\\empty", L"C:\\empty2", &Record, &empty));
  ASSERT_EQ(empty.calls.size(), 1u);
  EXPECT_EQ(empty.calls[0].total, 0);
  EXPECT_TRUE(fs::exists(root_ + "/empty2"));
}

TEST_F(FileCopy, CancelFailsAndRemovesThePartialDestination) {
  test::WriteHostFile(root_ + "/a.bin", std::string(3 << 20, 'c'));
  Recorder recorder;
  recorder.cancelAt = 2;
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\a.bin", L"C:\\b.bin", &Record, &recorder));
  EXPECT_EQ(recorder.calls.size(), 3u);
  EXPECT_FALSE(fs::exists(root_ + "/b.bin"));
}

TEST_F(FileCopy, KeepsReadOnlyAttributeAndTimesAndRefusesAReadOnlyDestination) {
  test::WriteHostFile(root_ + "/src.txt", "source");
  fs::last_write_time(root_ + "/src.txt", fs::file_time_type::clock::now() - std::chrono::hours(24 * 400));
  ASSERT_TRUE(platform::SetAttributes(L"C:\\src.txt", platform::kAttrReadOnly | platform::kAttrHidden));

  ASSERT_TRUE(platform::CopyFileWithProgress(L"C:\\src.txt", L"C:\\dst.txt", nullptr, nullptr));
  EXPECT_EQ(platform::GetAttributes(L"C:\\dst.txt").value(), platform::kAttrReadOnly | platform::kAttrHidden);
  EXPECT_EQ(fs::last_write_time(root_ + "/dst.txt"), fs::last_write_time(root_ + "/src.txt"));

  // The destination is now read-only: a second copy over it fails and leaves it as it was.
  test::WriteHostFile(root_ + "/other.txt", "other");
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\other.txt", L"C:\\dst.txt", nullptr, nullptr));
  EXPECT_EQ(test::ReadHostFile(root_ + "/dst.txt"), "source");

  // A writable destination is overwritten.
  test::WriteHostFile(root_ + "/plain.txt", "a much longer old content");
  ASSERT_TRUE(platform::CopyFileWithProgress(L"C:\\other.txt", L"C:\\plain.txt", nullptr, nullptr));
  EXPECT_EQ(test::ReadHostFile(root_ + "/plain.txt"), "other");
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\missing.txt", L"C:\\x.txt", nullptr, nullptr));
  // Onto itself, under another letter case: refused, content intact.
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\plain.txt", L"C:\\PLAIN.TXT", nullptr, nullptr));
  EXPECT_EQ(test::ReadHostFile(root_ + "/plain.txt"), "other");
}

TEST_F(FileCopy, FaultSwitchFailsTheCopyThatCrossesTheByteCount) {
  machine_.Builder().Fault("copy.failAfterBytes", "1500");
  machine_.Apply();
  test::WriteHostFile(root_ + "/1k.bin", std::string(1000, '1'));
  EXPECT_TRUE(platform::CopyFileWithProgress(L"C:\\1k.bin", L"C:\\first.bin", nullptr, nullptr));
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\1k.bin", L"C:\\second.bin", nullptr, nullptr));
  EXPECT_FALSE(fs::exists(root_ + "/second.bin"));
  EXPECT_FALSE(platform::CopyFileWithProgress(L"C:\\1k.bin", L"C:\\third.bin", nullptr, nullptr));
}

// A FAT32 drive holds files of up to 4 GiB - 1 bytes: creating or growing one beyond that fails
// with ERROR_FILE_TOO_LARGE (223) there, and only there. The big files are sparse.
TEST_F(FileCopy, AFileBeyond4GiBIsRefusedOnAFat32DriveOnly) {
  machine_.Builder().UsbStick('F', 2, 8ull << 30);
  machine_.Apply();
  const std::string stick = machine_.Builder().HostFolderOf('F');
  test::WriteHostFile(root_ + "/big.iso", "");
  fs::resize_file(root_ + "/big.iso", 4500000000u);
  platform::Status copied = platform::CopyFileWithProgress(L"C:\\big.iso", L"F:\\big.iso", nullptr, nullptr);
  EXPECT_EQ(copied.code(), platform::kErrorFileTooLarge) << platform::host::ToUtf8(copied.Describe());
  EXPECT_FALSE(fs::exists(stick + "/big.iso"));

  // Appending one byte at a time to a file one byte short of the limit: the second is refused on F:.
  struct Row {
    const wchar_t* file;
    std::string host;
    std::uint32_t secondByte;  // the error of the second append, 0 for none
  };
  const Row rows[] = {{L"F:\\grow.bin", stick + "/grow.bin", platform::kErrorFileTooLarge},
                      {L"\\\\?\\f:\\grow2.bin", stick + "/grow2.bin", platform::kErrorFileTooLarge},
                      {L"C:\\grow.bin", root_ + "/grow.bin", 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.host);
    test::WriteHostFile(row.host, "");
    fs::resize_file(row.host, 0xFFFFFFFEull);
    EXPECT_TRUE(platform::AppendToFile(row.file, "x"));
    EXPECT_EQ(platform::AppendToFile(row.file, "y").code(), row.secondByte);
    EXPECT_EQ(fs::file_size(row.host), row.secondByte ? 0xFFFFFFFFull : 0x100000000ull);
    fs::remove(row.host);
  }
}

}  // namespace
