// Across many generated machines, preparing "the USB drive X:" only ever formats and cleans the
// USB disk that holds X: when the program looks for it, cleans only after the user's two Yes
// answers and only while that disk still holds X:, and leaves every other disk and its files as
// they were. The number of machines comes from DRAVENTA_USB_MACHINES and the first machine's
// seed from DRAVENTA_USB_SEED; machine k uses seed + k, so a failing machine is replayed alone
// with DRAVENTA_USB_SEED=<its seed> DRAVENTA_USB_MACHINES=1.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <set>

#include "usb_machine_generator.h"
#include "usb_test_support.h"

#ifndef DRAVENTA_USB_MACHINES_DEFAULT
#define DRAVENTA_USB_MACHINES_DEFAULT 500
#endif

namespace fs = std::filesystem;
using platform::host::Machine;
using platform::host::MachineDescription;
using usbgen::Move;

namespace {

constexpr std::uint32_t kDefaultSeed = 20260;
constexpr std::uint64_t kLargestFat32 = 32ull << 30;
constexpr int kOutcomeClassesFrom = 500;  // from this many machines every outcome must occur

std::uint64_t EnvNumber(const char* name, std::uint64_t fallback) {
  const char* value = std::getenv(name);
  if (!value || !*value) return fallback;
  char* end = nullptr;
  unsigned long long parsed = std::strtoull(value, &end, 0);
  return end && *end == '\0' ? parsed : fallback;
}

enum class Outcome {
  Prepared,
  Recovered,
  Refused,
  Declined,
  RefusedAfterMove,
  LetterLost,
  DeclinedQuestion,
  CleanedAtOnce,
  CleanFailed,
  RefusedLayoutChanged
};

const char* Name(Outcome o) {
  switch (o) {
    case Outcome::Prepared: return "prepared";
    case Outcome::Recovered: return "recovered (cleaned)";
    case Outcome::Refused: return "refused (not a USB disk)";
    case Outcome::Declined: return "declined (No)";
    case Outcome::RefusedAfterMove: return "refused at the clean (letter moved)";
    case Outcome::LetterLost: return "letter lost after format";
    case Outcome::DeclinedQuestion: return "erase question declined";
    case Outcome::CleanedAtOnce: return "whole disk agreed and cleaned at once";
    case Outcome::CleanFailed: return "clean failed (its format fails)";
    case Outcome::RefusedLayoutChanged: return "refused (the layout changed after the question)";
  }
  return "?";
}

bool Starts(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// Statements that change a disk (everything but selecting and leaving).
bool Changes(const std::string& statement) { return !Starts(statement, "sel") && statement != "exit"; }

// The root folders of lettered volumes that are not on `disk`, with the description they come from.
void CollectRoots(const MachineDescription& machine, const std::string& folder, int disk, std::set<std::string>& roots) {
  for (const auto& d : machine.drives)
    if (d.disk != disk && d.media && d.type != "cdrom" && d.letter != 'C')
      roots.insert((fs::path(folder) / d.root / "data.bin").string());
}

class Round {
 public:
  Round(std::uint32_t seed, std::map<std::string, int>& counts) : seed_(seed), counts_(counts) {}

  void Run() {
    usbtest::ResetDiskpartRunner();
    CUSBManager::Release();
    CUSBManager::SetSettleDelayForTests(0);
    platform::host::ClearMessageBoxes();

    test::TempMachine machine(test::MemoryBackedTempParent());
    ASSERT_TRUE(usbtest::InstallDiskpart(machine));
    std::mt19937 random(seed_);
    plan_ = usbgen::Generate(random, machine.Builder());
    if (plan_.failFormat) {
      machine.Builder().Fault("diskpart.failOn", "format");
      machine.Builder().Fault("diskpart.failCount", "1");
    }
    if (plan_.formatNewLetter) machine.Builder().Fault("diskpart.formatNewLetter", std::string(1, plan_.formatNewLetter));
    machine.Apply();
    app::ResetTraceLogPath();
    const MachineDescription original = usbtest::CurrentMachine();
    const std::string folder = machine.Folder();

    if (plan_.move == Move::BeforeCheck) {
      ASSERT_TRUE(Machine::Update([&](MachineDescription& m) { usbgen::ApplyMove(plan_, m, folder); }));
    }
    const std::wstring root = std::wstring(1, static_cast<wchar_t>(plan_.letter)) + L":\\";
    bool asked = false;
    int agreed = kEraseNotAsked;
    if (plan_.wizard) {
      // The erase question reads the layout; the test's own view of the machine must agree with
      // what it says. While it is open the stick may be swapped or its letter given away.
      const MachineDescription atQuestion = usbtest::CurrentMachine();
      int questionPartition = -1;
      const int questionHolder = usbgen::EligibleHolder(atQuestion, plan_.letter, &questionPartition);
      const UsbDiskLayout layout = ReadUsbDiskLayoutNow(root);
      const std::wstring sentence = WholeDiskEraseSentence(layout);
      EXPECT_EQ(layout.disk, questionHolder);
      if (questionHolder >= 0) {
        EXPECT_EQ(layout.inPlace, usbgen::FormatsInPlace(atQuestion, questionHolder, questionPartition));
        EXPECT_EQ(sentence.empty(), layout.inPlace) << platform::host::ToUtf8(sentence);
        Count(layout.inPlace ? "question named the drive only" : "question named the whole disk");
      }
      asked = true;
      // The list offers USB drives only: a letter on no USB disk is never swapped under the question.
      if (questionHolder >= 0 && plan_.move != Move::BeforeCheck && plan_.move != Move::None) {
        ASSERT_TRUE(Machine::Update([&](MachineDescription& m) { usbgen::ApplyMove(plan_, m, folder); }));
      }
      agreed = sentence.empty() ? kEraseDriveOnly : layout.disk;
    }
    const MachineDescription atCheck = usbtest::CurrentMachine();
    int partition = -1;
    const int holder = usbgen::EligibleHolder(atCheck, plan_.letter, &partition);
    MachineDescription reference = atCheck;
    int holderAtClean = holder;
    std::size_t answered = 0;
    platform::host::SetMessageBoxAnswerer([&](const platform::host::ShownMessageBox& box) {
      if (!(box.flags & platform::kMbYesNo)) return platform::kIdOk;
      if (!asked) {
        // The questions are open: the disk may be swapped or its letter given away meanwhile.
        asked = true;
        if (plan_.move != Move::BeforeCheck && plan_.move != Move::None)
          Machine::Update([&](MachineDescription& m) { usbgen::ApplyMove(plan_, m, folder); });
        reference = usbtest::CurrentMachine();
        holderAtClean = usbgen::EligibleHolder(reference, plan_.letter);
      }
      return answered < plan_.answers.size() ? plan_.answers[answered++] : platform::kIdNo;
    });
    const bool ok = plan_.wizard && !plan_.eraseYes ? false : CUSBManager::Instance()->FormatActiveUSB(root, nullptr, agreed);
    platform::host::SetMessageBoxAnswerer({});

    const usbtest::DiskpartLog log = usbtest::ReadDiskpartLog(machine);
    const MachineDescription final = usbtest::CurrentMachine();
    const bool twoYes = answered == 2 && plan_.answers[0] == platform::kIdYes && plan_.answers[1] == platform::kIdYes;

    // What the user chose reaches no other disk: every changing statement ran on the disk that
    // held the letter at the check, and a clean only after two Yes while it still held it.
    int cleans = 0;
    for (const auto& s : log.statements) {
      if (!Changes(s.text)) continue;
      EXPECT_GE(holder, 0) << "diskpart changed a disk for a letter on no USB disk: " << s.text;
      EXPECT_EQ(s.disk, holder) << s.text;
      if (Starts(s.text, "clean")) ++cleans;
    }
    EXPECT_LE(cleans, 1);
    if (cleans > 0) {
      EXPECT_TRUE(twoYes || (plan_.wizard && plan_.eraseYes && agreed >= 0))
          << "cleaned without two Yes answers or a Yes to a question that named the whole disk";
      EXPECT_EQ(holderAtClean, holder) << "cleaned a disk that no longer held the letter";
      if (agreed >= 0) {
        EXPECT_EQ(agreed, holder) << "cleaned another disk than the question named";
      }
    }
    if (holder < 0) {
      EXPECT_EQ(log.runs, 0);
    }
    // The format before any clean (a partition diskpart can't select has none).
    for (const auto& s : log.statements) {
      if (Starts(s.text, "clean")) break;
      if (Starts(s.text, "format")) {
        EXPECT_EQ(s.partition, partition) << "the first format selects the chosen partition";
        break;
      }
    }
    for (const auto& disk : reference.disks) {
      if (disk.number == holder) continue;
      const auto* after = final.FindDisk(disk.number);
      ASSERT_NE(after, nullptr) << "disk " << disk.number << " vanished";
      EXPECT_EQ(usbgen::DiskFingerprint(*after), usbgen::DiskFingerprint(disk)) << "disk " << disk.number << " changed";
    }
    std::set<std::string> roots;
    CollectRoots(original, folder, holder, roots);
    CollectRoots(reference, folder, holder, roots);
    for (const auto& root : roots) EXPECT_EQ(test::ReadHostFile(root), "user data") << root;

    // The outcome the rules give for this machine.
    Outcome expected = Outcome::Refused;
    std::wstring expectedLetter(1, static_cast<wchar_t>(plan_.letter));
    if (holder >= 0) {
      const auto* disk = atCheck.FindDisk(holder);
      std::uint64_t length = 0;
      bool formatReached = false;  // the partition can be selected: the first script gets to its format
      for (const auto& p : disk->partitions)
        if (p.number == partition) {
          length = p.length;
          formatReached = p.start > 0;
        }
      const bool formatWorks = formatReached && !plan_.failFormat && length <= kLargestFat32;
      const bool activeWorks = disk->style == "mbr";
      if (plan_.wizard && !plan_.eraseYes) {
        expected = Outcome::DeclinedQuestion;
      } else if (agreed >= 0) {
        // The first format is the clean script's own: the failing one fails the clean.
        expected = agreed != holder ? Outcome::RefusedAfterMove
                   : plan_.failFormat ? Outcome::CleanFailed
                                      : Outcome::CleanedAtOnce;
      } else if (agreed == kEraseDriveOnly && !usbgen::FormatsInPlace(atCheck, holder, partition)) {
        expected = Outcome::RefusedLayoutChanged;
      } else if (formatWorks && activeWorks) {
        expected = plan_.formatNewLetter == '-' ? Outcome::LetterLost : Outcome::Prepared;
        if (plan_.formatNewLetter && plan_.formatNewLetter != '-') expectedLetter[0] = static_cast<wchar_t>(plan_.formatNewLetter);
      } else if (!twoYes) {
        expected = Outcome::Declined;
      } else if (holderAtClean != holder) {
        expected = Outcome::RefusedAfterMove;
      } else {
        expected = plan_.failFormat && !formatReached ? Outcome::CleanFailed : Outcome::Recovered;
      }
      Count(disk->style == "gpt" ? "target GPT" : "target MBR");
      Count(length > kLargestFat32 ? "target partition above 32 GiB" : "target partition at most 32 GiB");
      // Sticks and cards: one partition on a USB disk of at most 128 GiB (USB hard disks are larger).
      if (disk->bus == "usb" && disk->size <= (128ull << 30) && disk->partitions.size() == 1)
        Count(disk->size > kLargestFat32 ? "stick or card above 32 GiB" : "stick or card below 32 GiB");
      bool unlettered = false;
      for (const auto& p : disk->partitions) unlettered = unlettered || (p.number > 0 && p.volume > 0);
      if (unlettered) Count("target disk with unlettered volumes");
      if (disk->style == "raw") Count("target without a partition table");
      if (disk->partitions.size() > 1) Count("target disk with several partitions");
      if (disk->partitions.size() == 1 && disk->partitions[0].start == 0) Count("target superfloppy");
    } else if (plan_.wizard && !plan_.eraseYes) {
      expected = Outcome::DeclinedQuestion;
    } else if (agreed >= 0) {
      expected = Outcome::RefusedAfterMove;  // the stick agreed on was pulled while asked
    } else if (const auto* drive = atCheck.FindDrive(plan_.letter); drive && !drive->media) {
      Count("empty card slot chosen");
    }
    const bool cleaned = expected == Outcome::Recovered || expected == Outcome::CleanedAtOnce;
    EXPECT_EQ(ok, expected == Outcome::Prepared || cleaned) << Name(expected);
    EXPECT_EQ(cleans, cleaned || expected == Outcome::CleanFailed ? 1 : 0) << Name(expected);
    if (expected == Outcome::CleanedAtOnce || expected == Outcome::DeclinedQuestion ||
        expected == Outcome::RefusedLayoutChanged) {
      EXPECT_EQ(answered, 0u) << "no clean question after the erase question";
    }
    if (expected == Outcome::DeclinedQuestion || expected == Outcome::RefusedLayoutChanged ||
        (agreed >= 0 && expected == Outcome::RefusedAfterMove)) {
      EXPECT_EQ(log.runs, 0) << Name(expected);
    }
    if (ok) {
      EXPECT_EQ(CUSBManager::Instance()->m_USBLetter, expectedLetter);
    }
    if (cleaned) {
      // The stick ends as Windows 7 setup boots from it.
      const auto* disk = final.FindDisk(holder);
      ASSERT_NE(disk, nullptr);
      EXPECT_EQ(disk->style, "mbr");
      ASSERT_EQ(disk->partitions.size(), 1u);
      EXPECT_TRUE(disk->partitions[0].active);
    }
    if (expected == Outcome::Refused) {
      EXPECT_EQ(usbtest::ShownTexts(), std::vector<std::wstring>{L"This is not a USB disk/flash."});
    }
    if (expected == Outcome::RefusedAfterMove) {
      EXPECT_EQ(usbtest::ShownTexts().back(), L"The USB Flash/Disk has changed, nothing was cleaned. Please choose it again.");
    }

    Count(Name(expected));
    if (plan_.move == Move::BeforeCheck) Count("letter moved before the check");
    if (asked && plan_.move == Move::Reassigned) Count(holderAtClean == holder ? "letter moved on the same disk while asked" : "letter moved to another disk while asked");
    if (asked && plan_.move == Move::Swapped) Count("stick swapped while asked");
    if (asked && plan_.move == Move::Pulled) Count("stick pulled while asked");
    if (!log.DisksOf("crea part prim size=").empty()) Count("clean with a 32000 MiB partition");
    if (ok && plan_.formatNewLetter && plan_.formatNewLetter != '-' && expected == Outcome::Prepared) Count("letter changed by format");
  }

 private:
  void Count(const std::string& what) { ++counts_[what]; }

  std::uint32_t seed_;
  std::map<std::string, int>& counts_;
  usbgen::Round plan_;
};

TEST(UsbSafety, FormatAndCleanReachOnlyTheDiskHoldingTheChosenLetterAndCleanOnlyAfterTwoYes) {
  if (usbtest::ToolsFolder().empty()) GTEST_SKIP() << "no DRAVENTA_TEST_TOOLS";
  const auto machines = static_cast<int>(EnvNumber("DRAVENTA_USB_MACHINES", DRAVENTA_USB_MACHINES_DEFAULT));
  const auto seed = static_cast<std::uint32_t>(EnvNumber("DRAVENTA_USB_SEED", kDefaultSeed));
  std::cout << "[ usb-prop ] seed " << seed << ", " << machines << " machines" << std::endl;
  std::map<std::string, int> counts;
  for (int k = 0; k < machines; ++k) {
    const std::uint32_t machineSeed = seed + static_cast<std::uint32_t>(k);
    SCOPED_TRACE("machine " + std::to_string(k) + ": replay with DRAVENTA_USB_SEED=" + std::to_string(machineSeed) +
                 " DRAVENTA_USB_MACHINES=1");
    Round(machineSeed, counts).Run();
    if (::testing::Test::HasFailure()) break;  // one machine's report, not thousands
  }
  for (const auto& [what, count] : counts) std::cout << "[ usb-prop ] " << count << "\t" << what << std::endl;
  if (machines < kOutcomeClassesFrom || ::testing::Test::HasFailure()) return;
  for (const char* what :
       {"prepared", "recovered (cleaned)", "refused (not a USB disk)", "declined (No)",
        "refused at the clean (letter moved)", "letter lost after format", "letter moved before the check",
        "letter moved to another disk while asked", "stick swapped while asked", "stick pulled while asked",
        "target GPT", "target MBR", "target partition above 32 GiB", "stick or card above 32 GiB",
        "stick or card below 32 GiB", "clean with a 32000 MiB partition", "letter changed by format",
        "empty card slot chosen", "target disk with unlettered volumes", "erase question declined",
        "whole disk agreed and cleaned at once", "question named the whole disk", "question named the drive only",
        "target without a partition table", "target superfloppy", "target disk with several partitions"})
    EXPECT_GT(counts[what], 0) << "no machine gave: " << what;
}

}  // namespace
