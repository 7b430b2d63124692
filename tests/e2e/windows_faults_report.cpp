#include "windows_faults_report.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

namespace e2e {

namespace {

std::string Digest(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::uint64_t hash = 1469598103934665603ull;
  std::uint64_t size = 0;
  char buffer[1 << 16];
  while (in) {
    in.read(buffer, sizeof buffer);
    std::streamsize got = in.gcount();
    for (std::streamsize i = 0; i < got; ++i) {
      hash ^= static_cast<unsigned char>(buffer[i]);
      hash *= 1099511628211ull;
    }
    size += static_cast<std::uint64_t>(got);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%llu bytes %016llx", static_cast<unsigned long long>(size),
                static_cast<unsigned long long>(hash));
  return text;
}

bool Skipped(const std::string& relative, const std::vector<std::string>& skip) {
  for (const auto& name : skip)
    if (relative == name || relative.rfind(name + "/", 0) == 0) return true;
  return false;
}

}  // namespace

FolderSnapshot SnapshotFolder(const std::string& hostFolder, const std::vector<std::string>& skip) {
  FolderSnapshot snapshot;
  std::error_code ec;
  if (hostFolder.empty() || !fs::is_directory(hostFolder, ec)) return snapshot;
  for (auto it = fs::recursive_directory_iterator(hostFolder, ec); !ec && it != fs::recursive_directory_iterator();
       it.increment(ec)) {
    std::string relative = fs::relative(it->path(), hostFolder, ec).generic_string();
    if (Skipped(relative, skip)) {
      if (it->is_directory(ec) && !it->is_symlink(ec)) it.disable_recursion_pending();
      continue;
    }
    if (it->is_symlink(ec))
      snapshot[relative] = "link " + fs::read_symlink(it->path(), ec).string();
    else if (it->is_directory(ec))
      snapshot[relative] = "folder";
    else
      snapshot[relative] = Digest(it->path());
  }
  return snapshot;
}

std::vector<std::string> Differences(const FolderSnapshot& before, const FolderSnapshot& after) {
  std::vector<std::string> changed;
  for (const auto& [path, what] : before) {
    auto found = after.find(path);
    if (found == after.end()) changed.push_back(path + " removed");
    else if (found->second != what) changed.push_back(path + " changed");
  }
  for (const auto& [path, what] : after)
    if (!before.count(path)) changed.push_back(path + " added");
  return changed;
}

namespace {

std::string Cell(std::string text) {
  std::string out;
  for (char c : text) {
    if (c == '|') out += "\\|";
    else if (c == '\r') continue;
    else if (c == '\n') out += "<br>";
    else out += c;
  }
  return out;
}

class ReliabilityTable : public ::testing::Environment {
 public:
  void Add(std::size_t index, std::size_t rows, const ReliabilityRow& row) {
    std::lock_guard<std::mutex> guard(lock_);
    if (rows_.size() < rows) rows_.resize(rows);
    if (index < rows_.size()) rows_[index] = row;
  }

  void TearDown() override {
    const char* target = std::getenv("DRAVENTA_WRITE_RELIABILITY");
    if (!target || !*target) return;
    std::lock_guard<std::mutex> guard(lock_);
    for (const auto& row : rows_) {
      if (!row) {
        std::cout << "DRAVENTA_WRITE_RELIABILITY: not every row of the fault table ran; " << target
                  << " is left as it was\n";
        return;
      }
    }
    std::ofstream out(target, std::ios::trunc);
    out << "# Reliability: the program under faults\n\n"
           "This file is written by the fault suite (`tests/e2e/windows_faults_test.cpp`), not by hand. Each row\n"
           "is one run of the whole program on the host's simulated machine (a small generated 64-bit disc in E:,\n"
           "the stick F: with a second stick G: beside it, D: with the output folder D:\\ISO). The scripted user\n"
           "(`tools/scripted-user`) drives the three windows; the fault is switched on in the machine at the moment\n"
           "the row names (before the start, when step 2 comes up, or at a given state report of the job), and the\n"
           "suite checks what the user sees, the finish code, that no drive outside the target changed byte for\n"
           "byte (the disc, C: without the program data folder's working folders and logs, D: without D:\\ISO in an\n"
           "ISO job, the other stick, and F: in an ISO job), that no image stays mounted and no scratch folder is\n"
           "left, and that the run ended within its bound. Hangs end through the program's own time limits, which\n"
           "the suite shortens to 2 s (diskpart: 10 minutes, the ISO tool's silence: 10 minutes in the program).\n\n"
           "Regenerate it from the worktree's root after a host build:\n\n"
           "    DRAVENTA_TEST_TOOLS=$PWD/build/host/tools DRAVENTA_WRITE_RELIABILITY=$PWD/docs/reliability.md \\\n"
           "      build/host/tests/test_e2e --gtest_filter='WindowsFaults*'\n\n"
           "Finish codes: 0 success (\"Successful! ...\"), 1 failure (Next reads \"&Exit\", no question), 2 cancelled\n"
           "(\"You have cacelled the operation, ...\"), - no job ran (the check before the job refused it).\n"
           "Boxes are shown as caption: text (the erase question of every USB job is left out, unless it names\n"
           "more than the drive: a disk erased whole); times are the scripted user's whole walk, from the mode\n"
           "window to the end, in the `host` build. The DISM mount\n"
           "folders and the diskpart script's folder are the program's own working folders in the program data\n"
           "folder: they are counted in the last column, not as a change of C:. Where DISM refuses every attempt\n"
           "to let go of an image (its unmount or its session close fails each time), the image staying mounted\n"
           "is the expected outcome of the row. The load test (jobs through the windows under both sanitizers)\n"
           "and the rounds of random machines that check which disk is ever erased are in\n"
           "[load-and-races.md](load-and-races.md), with their commands.\n\n"
           "| Fault | Job | What the user sees | Finish | What was left | Time |\n"
           "|---|---|---|---|---|---|\n";
    for (const auto& row : rows_) {
      char seconds[32];
      std::snprintf(seconds, sizeof seconds, "%.2f s", row->seconds);
      out << "| " << Cell(row->fault) << " | " << row->job << " | " << Cell(row->seen) << " | " << Cell(row->finish)
          << " | " << Cell(row->left) << (row->passed ? "" : " **(a check failed)**") << " | " << seconds << " |\n";
    }
    std::cout << "wrote " << target << " (" << rows_.size() << " rows)\n";
  }

 private:
  std::mutex lock_;
  std::vector<std::optional<ReliabilityRow>> rows_;
};

ReliabilityTable* TheTable() {
  static ReliabilityTable* table = [] {
    auto* made = new ReliabilityTable;
    ::testing::AddGlobalTestEnvironment(made);  // owned by GoogleTest from here on
    return made;
  }();
  return table;
}

// Registered before the tests run, so its TearDown comes after the last of them.
[[maybe_unused]] ReliabilityTable* const g_registered = TheTable();

}  // namespace

void RecordReliabilityRow(std::size_t index, std::size_t rows, const ReliabilityRow& row) {
  TheTable()->Add(index, rows, row);
}

}  // namespace e2e
