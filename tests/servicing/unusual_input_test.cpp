// The copy and the boot-image step fed what a disc or a damaged install may hold: file names
// beyond Latin-1 and with percent signs, paths at the 260-unit mark, a boot.wim that is no WIM
// or is cut short, and driver INF files that are malformed.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/utf16.h"
#include "copy_test_support.h"
#include "disk/optical_drives.h"
#include "disk/volume_utils.h"
#include "dism_fixture.h"
#include "sim/dism/dism_inf.h"
#include "sim/machine/machine.h"
#include "servicing/copy_operation.h"

namespace fs = std::filesystem;

namespace {

const std::wstring kEmoji(1, static_cast<wchar_t>(0x1F600));

class CopyEdges : public ::testing::Test {
 protected:
  void SetUp() override {
    disc_ = machine_.Builder().Optical('E', L"DISC");
    usb_ = machine_.Builder().UsbStick('F', 2, 1ull << 30);
    machine_.Apply();
  }
  std::string HostName(const std::wstring& name) { return platform::host::ToUtf8(name); }

  test::TempMachine machine_;
  copytest::StateRecorder recorder_;
  std::string disc_, usb_;
};

TEST_F(CopyEdges, NamesBeyondLatin1AndPercentSignsArriveWholeAndTraceAsQuestionMarks) {
  const std::wstring chinese = L"\u5b89\u88c5";  // two characters
  const std::wstring names[] = {L"100%s%n%%.txt", chinese + L".txt", kEmoji + L".txt", L"caf\u00e9.txt"};
  for (const auto& name : names) test::WriteHostFile(disc_ + "/" + HostName(chinese) + "/" + HostName(name), "x");
  test::WriteHostFile(disc_ + "/" + HostName(kEmoji) + "/AutoRun.inf", "[AutoRun]\r\n");

  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  for (const auto& name : names)
    EXPECT_EQ(test::ReadHostFile(usb_ + "/" + HostName(chinese) + "/" + HostName(name)), "x") << HostName(name);
  EXPECT_EQ(test::ReadHostFile(usb_ + "/" + HostName(kEmoji) + "/AutoRun.inf"), "[AutoRun]\r\n");

  // A failure names the file in the 8-bit trace: one "?" per UTF-16 unit beyond Latin-1, and
  // the percent signs as they stand.
  machine_.Builder().Fault("copy.failAfterBytes", "0");
  machine_.Apply();
  CopyOperation failing(recorder_.Window(), COPYTOUSB, L"E:\\" + chinese + L"\\", L"F:\\" + chinese + L"\\");
  EXPECT_EQ(failing.Excute(), 0);
  const std::string trace = copytest::TraceText();
  EXPECT_NE(trace.find("[CopyOperation:: Srcpath]E:\\??\\"), std::string::npos);
  EXPECT_NE(trace.find("CopyFileExW failed: E:\\??\\"), std::string::npos) << trace;
}

TEST_F(CopyEdges, PathsOfTwoHundredAndFiftyNineAndSixtyUnitsAreCopiedUncut) {
  // The job record refuses a root longer than 259 units (JobRecord.PathsOfUpTo259Units...); the
  // copy below a root may go deeper, and nothing in it cuts a path at 260.
  const std::wstring folder = L"F:\\" + std::wstring(200, L'd') + L"\\" + std::wstring(40, L'e');  // 244 units
  const std::wstring at259 = std::wstring(14, L'n');  // folder + "\" + 14 = 259 units
  const std::wstring at260 = std::wstring(13, L'p') + kEmoji;  // 259 characters, 260 units
  fs::create_directories(machine_.Host(folder));
  test::WriteHostFile(disc_ + "/" + HostName(at259), "259");
  test::WriteHostFile(disc_ + "/" + HostName(at260), "260");
  ASSERT_EQ(Utf16Length(folder + L"\\" + at259), 259u);
  ASSERT_EQ(Utf16Length(folder + L"\\" + at260), 260u);

  CopyOperation op(recorder_.Window(), COPYTOUSB, L"E:\\", folder);
  ASSERT_EQ(op.Excute(), 1);
  EXPECT_EQ(test::ReadHostFile(machine_.Host(folder + L"\\" + at259)), "259");
  EXPECT_EQ(test::ReadHostFile(machine_.Host(folder + L"\\" + at260)), "260");
}

// A disc of many empty files in folders as small as a real disc's (the simulated machine finds
// each name without regard to case by reading its folder): `tops` folders of 100 folders of 10
// files, and one byte in the first file of each top folder. Made in memory where the host
// allows it: on a disk-backed folder making that many files alone takes half a minute.
class CopyMany : public ::testing::Test {
 protected:
  void SetUp() override {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    GTEST_SKIP() << "tens of thousands of file operations take minutes under a sanitizer; the plain host build "
                    "runs this";
#endif
  }
  void MakeDisc(const std::string& root, int tops) {
    for (int top = 0; top < tops; ++top) {
      for (int sub = 0; sub < 100; ++sub) {
        char folder[32];
        std::snprintf(folder, sizeof folder, "/t%02d/s%02d", top, sub);
        fs::create_directories(root + folder);
        for (int file = 0; file < 10; ++file) {
          std::string path = root + folder + "/f" + std::to_string(file) + ".bin";
          std::FILE* out = std::fopen(path.c_str(), "wb");
          ASSERT_NE(out, nullptr);
          if (sub == 0 && file == 0) std::fputc('x', out);
          std::fclose(out);
        }
      }
    }
  }

  test::TempMachine machine_{test::MemoryBackedTempParent()};
};

TEST_F(CopyMany, AHundredThousandFilesAreMeasured) {
  const std::string disc = machine_.Builder().Optical('E', L"DISC");
  machine_.Apply();
  MakeDisc(disc, 100);
  EXPECT_EQ(GetFolderSize(L"E:\\", true), 100u);
  EXPECT_EQ(MeasureDiscSizeMB(L"E:\\"), 0);
  EXPECT_EQ(GetPathSize(L"E:\\t99"), 1u);
}

TEST_F(CopyMany, TenThousandFilesAreCopiedWhole) {
  // The engine lists each folder once and copies file by file, so its time grows with the
  // number of files: by hand, 100,000 files took ten times as long as these 10,000 (36 s on
  // the simulated machine, whose every call looks the path up again), too long for every run.
  const std::string disc = machine_.Builder().Optical('E', L"DISC");
  const std::string usb = machine_.Builder().UsbStick('F', 2, 1ull << 30);
  machine_.Apply();
  MakeDisc(disc, 10);
  copytest::StateRecorder recorder;
  CopyOperation op(recorder.Window(), COPYTOUSB, L"E:\\", L"F:\\");
  ASSERT_EQ(op.Excute(), 1);
  std::size_t files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(usb))
    if (entry.is_regular_file()) ++files;
  EXPECT_EQ(files, 10000u);
  EXPECT_EQ(GetFolderSize(L"F:\\", true), 10u);
  EXPECT_EQ(recorder.Posts().back(), (copytest::Post{BACKUPOK, 100}));
}

class DismEdges : public test::DismTest {};

TEST_F(DismEdges, ABootWimThatIsNoWimOrIsCutShortFailsTheStepAndLeavesNothingMounted) {
  // No WIM at all: DISM can't read it; the box names the call.
  test::WriteHostFile(BootWim(), "MSWIM this is no image, only the mark a WIM begins with");
  EXPECT_EQ(Run(false), 0);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"DismCpp");
  EXPECT_EQ(boxes[0].text.rfind(L"DismGetImageInfo failed 0x", 0), 0u);
  EXPECT_EQ(CallCount("DismMountImage"), 0);

  // A real boot.wim cut in half, and one cut to its header: the step fails, whichever DISM call
  // finds the damage, and nothing stays mounted or half-written.
  for (double share : {0.5, 0.001}) {
    platform::host::ClearMessageBoxes();
    platform::host::ClearDismCallLog();
    DismManager::DestroyInstance();
    MakeBootWim({test::PeImage(), test::SetupImage("0")});
    const auto size = fs::file_size(BootWim());
    fs::resize_file(BootWim(), static_cast<std::uintmax_t>(static_cast<double>(size) * share));
    const auto cut = fs::file_size(BootWim());
    EXPECT_EQ(Run(false), 0) << share;
    boxes = Boxes();
    ASSERT_EQ(boxes.size(), 1u) << share;
    EXPECT_EQ(boxes[0].caption, L"DismCpp");
    EXPECT_EQ(MountRecords(), "[]");
    EXPECT_TRUE(MountFoldersLeft().empty());
    EXPECT_EQ(fs::file_size(BootWim()), cut) << "a failed step writes nothing back";
  }
}

TEST_F(DismEdges, MalformedDriverInfsAreRefusedWithoutTouchingAnythingOutsideThePackage) {
  fs::create_directories(root_ + "/pkg");
  fs::create_directories(root_ + "/mnt");
  auto stage = [&](const std::string& name, const std::string& bytes) {
    std::ofstream(root_ + "/pkg/" + name, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return platform::host::inf::StagePackage(L"E:\\pkg\\" + platform::host::FromUtf8(name), L"E:\\mnt", "x86");
  };
  const std::string head = "[Version]\nSignature=\"$Windows NT$\"\nClass=USB\n[Manufacturer]\n%M%=Models\n[Models]\n"
                           "%D%=Inst, PCI\\VEN_1B21&DEV_1042\n[SourceDisksNames]\n1=%N%,,,\n";

  // Garbage of every byte value, a NUL-ridden UTF-16 file with an odd last byte, an empty
  // section name, an unclosed quote, a lone surrogate: each a failure with an HRESULT and text.
  std::string garbage(8192, '\0');
  std::uint32_t seed = 5;
  for (auto& b : garbage) b = static_cast<char>((seed = seed * 1664525u + 1013904223u) >> 24);
  const std::pair<const char*, std::string> bad[] = {
      {"garbage.inf", garbage},
      {"utf16.inf", std::string("\xFF\xFE[\0V\0\0\0\xD8\0", 11)},
      {"empty.inf", ""},
      {"nameless.inf", "[]\nSignature=\"$Windows NT$\"\n"},
      {"quote.inf", "[Version]\nSignature=\"$Windows NT$\nClass=USB\n"},
      {"surrogate.inf", std::string("\xFF\xFE[\0\x00\xD8]\0", 8)},
  };
  for (const auto& [name, bytes] : bad) {
    auto result = stage(name, bytes);
    EXPECT_LT(result.hr, 0) << name;
    EXPECT_FALSE(result.message.empty()) << name;
    EXPECT_TRUE(result.stagedFolder.empty()) << name;
  }

  // Files and catalogs named outside the package are refused, and nothing reaches beyond it.
  test::WriteHostFile(root_ + "/secret.sys", "not part of the package");
  for (const std::string& files : {std::string("[SourceDisksFiles]\n..\\secret.sys=1\n"),
                                   std::string("[SourceDisksFiles]\nx.sys=1,..\\..\n"),
                                   std::string("[SourceDisksFiles]\nx.sys=1,C:\\Windows\n")}) {
    test::WriteHostFile(root_ + "/pkg/x.sys", "driver");
    auto result = stage("escape.inf", head + files);
    EXPECT_EQ(result.hr, static_cast<std::int32_t>(0x800F0003u)) << files;
    EXPECT_NE(result.message.find(L"outside its package"), std::wstring::npos) << files;
  }
  // Seven levels up from the staged package folder is the folder holding the drive's root.
  test::WriteHostFile(root_ + "/escaped.cat", "catalog");
  auto catalog = stage("catalog.inf", head.substr(0, head.find("[Manufacturer]")) +
                                          "CatalogFile=../../../../../../../escaped.cat\n" +
                                          head.substr(head.find("[Manufacturer]")) + "[SourceDisksFiles]\nx.sys=1\n");
  EXPECT_EQ(catalog.hr, static_cast<std::int32_t>(0x800F0003u));
  EXPECT_FALSE(fs::exists(root_ + "/mnt/Windows/System32/DriverStore")) << "nothing staged";
  EXPECT_FALSE(fs::exists(fs::path(root_).parent_path() / "escaped.cat"));

  // A package of the same shape inside its folder is staged.
  EXPECT_EQ(stage("good.inf", head + "[SourceDisksFiles]\nx.sys=1\n").hr, 0);
  // Its models are undecorated, which Windows reads as x86 only: a 64-bit image refuses it.
  EXPECT_EQ(platform::host::inf::StagePackage(L"E:\\pkg\\good.inf", L"E:\\mnt", "amd64").hr,
            static_cast<std::int32_t>(0x80070032u));

  // Through the step: a payload INF replaced by garbage fails it with DISM's box, unmounted.
  MakeBootWim({test::PeImage(), test::SetupImage("0")});
  const std::string payload = machine_.Host(DriverPayloadRoot());
  std::string inf;
  for (const auto& entry : fs::recursive_directory_iterator(payload))
    if (entry.path().extension() == ".inf" && entry.path().string().find("smedia") != std::string::npos && inf.empty())
      inf = entry.path().string();
  ASSERT_FALSE(inf.empty());
  std::ofstream(inf, std::ios::binary | std::ios::trunc) << garbage;
  EXPECT_EQ(Run(false), 0);
  auto boxes = Boxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, L"DismCpp");
  EXPECT_EQ(boxes[0].text.rfind(L"DismAddDriver", 0), 0u) << platform::WideToAnsi(boxes[0].text);
  EXPECT_NE(boxes[0].text.find(L" failed 0x800f"), std::wstring::npos) << platform::WideToAnsi(boxes[0].text);
  EXPECT_EQ(MountRecords(), "[]");
  EXPECT_TRUE(MountFoldersLeft().empty());
}

}  // namespace
