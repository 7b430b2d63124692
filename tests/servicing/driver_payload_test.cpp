// The driver payload written at start-up from the embedded resources.
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "app/program_data.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"
#include "servicing/driver_payload.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;

namespace {

std::string HostPayloadRoot() { return platform::host::Machine::HostPath(DriverPayloadRoot()); }

// Every file below `root`, as '/'-separated relative paths.
std::set<std::string> FilesBelow(const std::string& root) {
  std::set<std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.is_regular_file()) files.insert(fs::relative(entry.path(), root).generic_string());
  return files;
}

std::string Relative(const std::wstring& tablePath) {  // "U3\Asmedia\x" -> "Asmedia/x"
  std::string text = platform::WideToAnsi(tablePath.substr(3));
  for (auto& c : text)
    if (c == '\\') c = '/';
  return text;
}

TEST(DriverPayload, RebuildsExactlyTheTableFilesByteForByte) {
  test::TempMachine machine;
  // A tree left by an earlier run, with files that are not in the payload.
  std::string pd = machine.Host(platform::AnsiToWide(GetProgramDataFolder()));
  test::WriteHostFile(pd + "/U3/Asmedia/old.inf", "stale");
  test::WriteHostFile(pd + "/U3/Extra/readme.txt", "stale");

  ExtractDriverPayload();

  ASSERT_EQ(DriverPayloadTable.size(), 26u);
  std::set<std::string> expected;
  for (const auto& [path, resource] : DriverPayloadTable) expected.insert(Relative(path));
  const std::string root = HostPayloadRoot();
  EXPECT_EQ(FilesBelow(root), expected);
  for (const auto& relative : expected) {
    EXPECT_EQ(test::ReadHostFile(root + "/" + relative),
              test::ReadHostFile(std::string(DRAVENTA_DRIVER_PAYLOAD_ROOT) + "/U3/" + relative))
        << relative;
  }
  // The mixed-case manifest name is kept, and the INF files servicing looks for are in place.
  EXPECT_TRUE(fs::exists(root + "/Intel/Win7/x64/IUsb3Hub.man"));
  for (const char* inf : {"Asmedia/asmthub3.inf", "Asmedia/asmtxhci.inf", "Intel/Win7/x64/iusb3hub.inf",
                          "Intel/Win7/x64/iusb3xhc.inf", "Intel/Win7/x86/iusb3hub.inf", "Intel/Win7/x86/iusb3xhc.inf"})
    EXPECT_TRUE(expected.count(inf)) << inf;
  // The job's driver path has no trailing backslash.
  EXPECT_NE(DriverPayloadRoot().back(), L'\\');
  EXPECT_TRUE(platform::IsFolder(DriverPayloadRoot() + L"\\Asmedia"));
  // Made afresh for the program alone.
  EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
}

// A link planted in the tree's place is removed as a link: the folder it names is never entered
// and its drivers never reach the tree.
TEST(DriverPayload, ALinkPlantedAsU3IsRemovedAndTheFolderItNamesIsLeftAlone) {
  test::TempMachine machine;
  test::TempFolder planted;
  test::WriteHostFile(planted.Path() + "/Asmedia/asmtxhci.inf", "planted driver");
  test::WriteHostFile(planted.Path() + "/Extra/evil.inf", "planted driver");
  std::string pd = machine.Host(platform::AnsiToWide(GetProgramDataFolder()));
  fs::create_directory_symlink(planted.Path(), pd + "/U3");

  ExtractDriverPayload();

  const std::string root = HostPayloadRoot();
  EXPECT_FALSE(fs::is_symlink(root));
  EXPECT_EQ(fs::status(root).permissions() & fs::perms::all, fs::perms::owner_all);
  EXPECT_EQ(FilesBelow(root).size(), 26u);
  EXPECT_FALSE(fs::exists(root + "/Extra"));
  EXPECT_EQ(test::ReadHostFile(planted.Path() + "/Asmedia/asmtxhci.inf"), "planted driver");
  EXPECT_EQ(test::ReadHostFile(planted.Path() + "/Extra/evil.inf"), "planted driver");
}

// A tree that can't be removed is never reused (its extra .inf files would be serviced): start-up
// stops with the folder and the reason.
TEST(DriverPayload, AnOldTreeThatCannotBeRemovedStopsStartUp) {
  test::TempMachine machine;
  const std::wstring base = platform::AnsiToWide(GetProgramDataFolder());
  machine.Builder().Fault("files.listFail", platform::WideToAnsi(base + L"U3\\Asmedia"));
  machine.Apply();
  std::string pd = machine.Host(base);
  test::WriteHostFile(pd + "/U3/Asmedia/extra.inf", "not a payload file");
  try {
    ExtractDriverPayload();
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    std::string text = error.what();
    EXPECT_NE(text.find("U3"), std::string::npos) << text;
    EXPECT_NE(text.find("(error 5)"), std::string::npos) << text;
  }
  EXPECT_FALSE(fs::exists(pd + "/U3/Asmedia/asmtxhci.inf")) << "nothing is written into the old tree";
}

TEST(DriverPayload, MissingResourceStopsStartUpNamingIt) {
  test::TempMachine machine;
  machine.Builder().Fault("resources.missing", "Resource_12");
  machine.Apply();
  try {
    ExtractDriverPayload();
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("Resource_12"), std::string::npos) << error.what();
  }
  // Files before it in table order were written and stay.
  EXPECT_TRUE(platform::IsFile(DriverPayloadRoot() + L"\\Intel\\Win7\\x64\\iusb3hub.cat"));
  EXPECT_FALSE(platform::IsFile(DriverPayloadRoot() + L"\\Intel\\Win7\\x64\\iusb3hub.inf"));
}

TEST(DriverPayload, ResourcesAreFoundWhateverTheCaseOfTheName) {
  platform::Result<std::vector<std::uint8_t>> upper = platform::LoadDataResource(L"RESOURCE_13");
  platform::Result<std::vector<std::uint8_t>> lower = platform::LoadDataResource(L"resource_13");
  ASSERT_TRUE(upper);
  ASSERT_TRUE(lower);
  EXPECT_EQ(*upper, *lower);
  EXPECT_FALSE(platform::LoadDataResource(L"Resource_27"));
  EXPECT_FALSE(platform::LoadDataResource(L"Resource_1x"));
}

}  // namespace
