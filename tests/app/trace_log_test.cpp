#include <gtest/gtest.h>

#include "app/program_data.h"
#include "app/trace_log.h"
#include "support/temp_machine.h"

namespace {

TEST(TraceLog, WritesTimeStampedLatin1LineWithCrLf) {
  test::TempMachine machine;
  TraceLog(L"caf\u00e9 \u4e2d 100% done");
  std::string log = test::ReadHostFile(machine.Host(L"C:\\ProgramData\\Qarvel\\DraventaWin\\XHCItrace.log"));
  ASSERT_EQ(log.size(), 13u + 16u + 2u);
  EXPECT_EQ(log.substr(2, 1), ":");
  EXPECT_EQ(log.substr(8, 1), ".");
  EXPECT_EQ(log.substr(13), "caf\xe9 ? 100% done\r\n");
}

}  // namespace
