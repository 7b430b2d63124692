#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <thread>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "support/temp_machine.h"

namespace {

const wchar_t* kLogPath = L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log";

std::vector<std::string> Lines(const std::string& log) {
  std::vector<std::string> lines;
  std::size_t pos = 0;
  while (pos < log.size()) {
    std::size_t end = log.find("\r\n", pos);
    if (end == std::string::npos) end = log.size();
    lines.push_back(log.substr(pos, end - pos));
    pos = end + 2;
  }
  return lines;
}

TEST(TraceLog, WritesTimeStampedLatin1LineWithCrLf) {
  test::TempMachine machine;
  TraceLog(L"caf\u00e9 \u4e2d \U0001F600 \u00ff");
  std::string log = test::ReadHostFile(machine.Host(kLogPath));
  ASSERT_TRUE(std::regex_match(log.substr(0, 13), std::regex("[0-2][0-9]:[0-5][0-9]:[0-5][0-9]\\.[0-9]{3} ")));
  // One "?" per UTF-16 unit outside Latin-1, as the Windows build writes.
  EXPECT_EQ(log.substr(13), "caf\xe9 ? ?? \xff\r\n");
}

TEST(TraceLog, PercentSignsAndLineFeedsInTheTextAreWrittenLiterally) {
  test::TempMachine machine;
  TraceLog(L"C:\\100%s\\%d%n%%\nnext");
  std::string log = test::ReadHostFile(machine.Host(kLogPath));
  EXPECT_EQ(log.substr(13), "C:\\100%s\\%d%n%%\r\nnext\r\n");
}

TEST(TraceLog, MessagesAreCutAfter1023Units) {
  test::TempMachine machine;
  TraceLog(std::wstring(1023, L'a'));
  TraceLog(std::wstring(1023, L'b') + L"cut");
  TraceLog(std::wstring(1022, L'c') + L"\U0001F600");  // the pair's second half falls outside
  TraceLog(std::wstring(L"before\0after", 12));
  auto lines = Lines(test::ReadHostFile(machine.Host(kLogPath)));
  ASSERT_EQ(lines.size(), 4u);
  EXPECT_EQ(lines[0].substr(13), std::string(1023, 'a'));
  EXPECT_EQ(lines[1].substr(13), std::string(1023, 'b'));
  EXPECT_EQ(lines[2].substr(13), std::string(1022, 'c') + "?");
  EXPECT_EQ(lines[3].substr(13), "before");
}

TEST(TraceLog, ConcurrentCallsWriteWholeLinesInCallOrderPerThread) {
  test::TempMachine machine;
  constexpr int kLines = 300;
  auto writer = [](char name) {
    for (int i = 0; i < kLines; ++i) TraceLog(std::wstring(1, name) + L" " + std::to_wstring(i) + std::wstring(200, name));
  };
  std::thread a(writer, 'A');
  std::thread b(writer, 'B');
  a.join();
  b.join();
  auto lines = Lines(test::ReadHostFile(machine.Host(kLogPath)));
  ASSERT_EQ(lines.size(), 2u * kLines);
  int next[2] = {0, 0};
  for (const auto& line : lines) {
    char name = line[13];
    ASSERT_TRUE(name == 'A' || name == 'B') << line;
    std::string expected = std::string(1, name) + " " + std::to_string(next[name - 'A']++) + std::string(200, name);
    ASSERT_EQ(line.substr(13), expected);
  }
}

TEST(TraceLog, DeletedLogIsCreatedAgainAtTheSamePath) {
  test::TempMachine machine;
  TraceLog(L"first");
  std::wstring path = app::TraceLogPath();
  ASSERT_TRUE(std::filesystem::remove(machine.Host(kLogPath)));
  // The path is computed once: a later change of the common folder does not move the log.
  machine.Builder().Description().commonAppData = L"C:\\Elsewhere";
  machine.Apply();
  TraceLog(L"second");
  EXPECT_EQ(app::TraceLogPath(), path);
  auto lines = Lines(test::ReadHostFile(machine.Host(kLogPath)));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].substr(13), "second");
}

// Without the program data folder (unknown, or not the administrators' own) no line is written
// anywhere: the current folder may be one another user controls.
TEST(TraceLog, WithoutTheProgramDataFolderNothingIsWritten) {
  test::TempMachine machine;
  machine.Builder().Fault("folders.commonAppData", "fail");
  machine.Apply();
  TraceLog(L"here");
  EXPECT_EQ(app::TraceLogPath(), L"");
  EXPECT_FALSE(std::filesystem::exists(machine.Host(L"C:\\Users\\Public\\XHCItrace.log")));
}

}  // namespace
