// The simulated machine is handed to the programs the program starts without the process's own
// environment being changed while other threads may read it.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "disk/process_runner.h"
#include "sim/machine/machine.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "<unset>";
}

TEST(ProcessEnvironment, TheMachineReachesChildrenWithoutChangingThisProcesssEnvironment) {
  const std::string before = Environment(platform::host::kMachineVariable);
  test::TempFolder scripts;
  std::string out = scripts.Path() + "/seen";
  std::string probe = scripts.Path() + "/probe.sh";
  test::WriteHostFile(probe, "#!/bin/sh\nprintf '%s' \"$DRAVENTA_MACHINE\" > '" + out + "'\n");
  fs::permissions(probe, fs::perms::owner_all);
  {
    test::TempMachine machine;
    ASSERT_TRUE(machine.Builder().InstallTool(L"C:\\Tools\\probe.exe", probe));
    EXPECT_EQ(Environment(platform::host::kMachineVariable), before) << "using a machine leaves the environment alone";
    EXPECT_EQ(platform::host::Machine::Folder(), machine.Folder());

    std::uint32_t code = 1;
    ASSERT_TRUE(RunProcess(L"C:\\Tools\\probe.exe", &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(test::ReadHostFile(out), machine.Folder()) << "the child works on the same machine";
  }
  EXPECT_EQ(platform::host::Machine::Folder(), "");
  EXPECT_EQ(Environment(platform::host::kMachineVariable), before);
}

}  // namespace
