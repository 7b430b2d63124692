// The simulated machine's case-blind names: a look-up answers as a fresh listing of each folder
// would, whatever changed the folder since it was last asked about (this process through the
// platform, another process, another thread), and a listing reports every entry's attributes
// as GetAttributes does.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/files.h"
#include "sim/machine/machine.h"
#include "support/temp_machine.h"

namespace fs = std::filesystem;
using platform::host::Machine;

namespace {

// Runs a shell command in `folder`: a change made by another process.
void Shell(const std::string& folder, const std::string& command) {
  ASSERT_EQ(std::system(("cd '" + folder + "' && " + command).c_str()), 0) << command;
}

// The first entry of `folder`'s listing that equals `name` in ASCII without regard to case.
std::string FirstListed(const std::string& folder, const std::string& name) {
  auto lower = [](std::string s) {
    for (auto& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
  };
  for (const auto& entry : fs::directory_iterator(folder))
    if (lower(entry.path().filename().string()) == lower(name)) return entry.path().filename().string();
  return name;
}

TEST(CaseBlindNames, EachLookUpAnswersAsAFreshListingWouldAfterEveryKindOfChange) {
  test::TempMachine machine;
  const std::string root = machine.Host(L"C:\\");
  test::WriteHostFile(root + "/Data/Setup.EXE", "");
  auto shell = [&](std::string command) { return [&root, command] { Shell(root, command); }; };
  struct Step {
    std::function<void()> change;  // made before the look-up
    const wchar_t* path;
    std::string expected;          // below C:'s root; empty: the first listed of Data's twins
  };
  const Step steps[] = {
      {nullptr, L"C:\\Data\\setup.exe", "Data/Setup.EXE"},
      {nullptr, L"C:\\data\\NEW.txt", "Data/NEW.txt"},
      {nullptr, L"C:\\nowhere\\At\\All", "nowhere/At/All"},
      // Made by another process after the folder's names were looked at.
      {shell("touch Data/Readme.TXT"), L"C:\\DATA\\README.txt", "Data/Readme.TXT"},
      {shell("mv Data/Readme.TXT Data/ReadMe.md"), L"C:\\Data\\readme.txt", "Data/readme.txt"},
      {nullptr, L"C:\\Data\\README.MD", "Data/ReadMe.md"},
      {shell("mv Data/ReadMe.md Data/README.md"), L"C:\\Data\\readme.MD", "Data/README.md"},
      {shell("rm Data/Setup.EXE"), L"C:\\Data\\SETUP.exe", "Data/SETUP.exe"},
      {shell("mkdir Data/Sub && touch Data/Sub/Inner.Bin"), L"C:\\data\\sub\\INNER.bin", "Data/Sub/Inner.Bin"},
      // A folder renamed keeps its names; one put in another's place has its own.
      {shell("mv Data/Sub Moved"), L"C:\\MOVED\\inner.bin", "Moved/Inner.Bin"},
      {shell("touch Moved/Later.txt"), L"C:\\moved\\later.TXT", "Moved/Later.txt"},
      {shell("rm -r Data && mkdir Data && touch Data/Other.txt"), L"C:\\Data\\OTHER.TXT", "Data/Other.txt"},
      {nullptr, L"C:\\Data\\readme.md", "Data/readme.md"},
      // Changes this process makes through the platform.
      {[] { ASSERT_TRUE(platform::WriteWholeFile(L"C:\\Data\\Own.Log", {})); }, L"C:\\DATA\\own.log", "Data/Own.Log"},
      {[] { ASSERT_TRUE(platform::MoveFileTo(L"C:\\data\\own.log", L"C:\\Data\\Kept.Log")); }, L"C:\\Data\\KEPT.LOG",
       "Data/Kept.Log"},
      {[] { ASSERT_TRUE(platform::DeleteFileAt(L"C:\\data\\kept.LOG")); }, L"C:\\Data\\kept.log", "Data/kept.log"},
      {[] { ASSERT_TRUE(platform::CreateFolder(L"C:\\Data\\Made")); }, L"C:\\DATA\\MADE\\x", "Data/Made/x"},
      // Two names Windows could not tell apart: the first listed, as a listing finds it.
      {shell("touch Data/Twin Data/TWIN"), L"C:\\Data\\twin", ""},
      {shell("rm Data/Twin"), L"C:\\Data\\twin", "Data/TWIN"},
  };
  for (const auto& step : steps) {
    if (step.change) step.change();
    const std::string expected = step.expected.empty() ? "Data/" + FirstListed(root + "/Data", "twin") : step.expected;
    EXPECT_EQ(Machine::HostPath(step.path), (fs::path(root) / expected).string()) << fs::path(step.path).string();
  }
}

// Threads filling one folder through the platform, and one filling it as another program would,
// each find every file it made under another case, and none finds a name nobody made.
TEST(CaseBlindNames, ThreadsFillingOneFolderFindEachFileTheyMade) {
  test::TempMachine machine;
  const std::string folder = machine.Host(L"C:\\") + "/Busy";
  fs::create_directories(folder);
  constexpr int kThreads = 4;
  constexpr int kFiles = 150;
  std::vector<int> misses(kThreads + 1, 0);
  auto fill = [&](int thread) {
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = "T" + std::to_string(thread) + "-" + std::to_string(i) + ".Dat";
      const std::wstring lowered = L"C:\\busy\\t" + std::to_wstring(thread) + L"-" + std::to_wstring(i) + L".dat";
      if (thread == kThreads)
        test::WriteHostFile(folder + "/" + name, "x");
      else if (!platform::WriteWholeFile(L"C:\\Busy\\" + platform::host::FromUtf8(name), {'x'}))
        ++misses[thread];
      if (Machine::HostPath(lowered) != folder + "/" + name) ++misses[thread];
      if (Machine::HostPath(lowered + L".none") != folder + "/" + platform::host::ToUtf8(lowered.substr(8)) + ".none")
        ++misses[thread];
    }
  };
  std::vector<std::thread> threads;
  for (int t = 0; t <= kThreads; ++t) threads.emplace_back(fill, t);
  for (auto& thread : threads) thread.join();
  EXPECT_EQ(misses, std::vector<int>(kThreads + 1, 0));
}

// A listing makes one lstat an entry and reads the stored attributes only where they can be;
// every entry still reports what GetAttributes reports.
TEST(CaseBlindNames, ListedAttributesAreThoseOfGetAttributes) {
  using namespace platform;
  test::TempMachine machine;
  const std::string root = machine.Host(L"C:\\");
  for (const char* name : {"plain", "readonly", "hidden", "system", "cleared", "moved-hidden"})
    test::WriteHostFile(root + "/A/" + name, "12345");
  fs::create_directories(root + "/A/folder");
  fs::create_directories(root + "/A/hidden-folder");
  fs::create_symlink(root + "/A/plain", root + "/A/file-link");
  fs::create_directory_symlink(root + "/A/folder", root + "/A/folder-link");
  fs::create_symlink(root + "/A/missing", root + "/A/dangling");
  ASSERT_TRUE(SetAttributes(L"C:\\A\\readonly", kAttrReadOnly));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\hidden", kAttrHidden | kAttrReadOnly));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\system", kAttrSystem | kAttrArchive));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\cleared", kAttrHidden));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\cleared", kAttrNormal));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\hidden-folder", kAttrHidden | kAttrDirectory));
  ASSERT_TRUE(SetAttributes(L"C:\\A\\moved-hidden", kAttrHidden));
  Shell(root, "mv A/moved-hidden A/was-hidden");

  const std::map<std::wstring, std::pair<std::uint32_t, std::uint64_t>> expected = {
      {L"plain", {kAttrNormal, 5}},
      {L"readonly", {kAttrReadOnly, 5}},
      {L"hidden", {kAttrHidden | kAttrReadOnly, 5}},
      {L"system", {kAttrSystem | kAttrArchive, 5}},
      {L"cleared", {kAttrNormal, 5}},
      {L"was-hidden", {kAttrHidden, 5}},
      {L"folder", {kAttrDirectory, 0}},
      {L"hidden-folder", {kAttrHidden | kAttrDirectory, 0}},
      {L"file-link", {kAttrReparsePoint, 5}},
      {L"folder-link", {kAttrReparsePoint | kAttrDirectory, 0}},
      {L"dangling", {kAttrReparsePoint, 0}},
  };
  std::map<std::wstring, std::pair<std::uint32_t, std::uint64_t>> listed;
  ASSERT_TRUE(ListFolder(L"C:\\a", [&](const FolderEntry& entry) {
    listed[entry.name] = {entry.attributes, entry.size};
    EXPECT_EQ(entry.attributes, GetAttributes(L"C:\\A\\" + entry.name).value()) << fs::path(entry.name).string();
    return true;
  }));
  EXPECT_EQ(listed, expected);
}

}  // namespace
