#pragma once
// For the fault suite: snapshots of the drives' host folders, compared byte for byte, and the
// reliability table the suite writes when DRAVENTA_WRITE_RELIABILITY names a file.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace e2e {

// Every file, folder and link below a host folder: relative path -> what it holds (the size and
// a 64-bit FNV-1a digest of the bytes for a file, "folder", the target for a link).
using FolderSnapshot = std::map<std::string, std::string>;

// `skip` names relative paths (a first component, or a whole path) left out with all below them.
FolderSnapshot SnapshotFolder(const std::string& hostFolder, const std::vector<std::string>& skip = {});

// The paths that differ between two snapshots, each with "added", "removed" or "changed".
std::vector<std::string> Differences(const FolderSnapshot& before, const FolderSnapshot& after);

// One row of the table, as the suite saw it.
struct ReliabilityRow {
  std::string fault;
  std::string job;       // "USB" or "ISO"
  std::string seen;      // what the user saw: the boxes and the last status text
  std::string finish;    // the finish code, with its meaning
  std::string left;      // mounts, scratch, other drives unchanged, notes
  double seconds = 0;
  bool passed = true;    // every check of the row held
};

// Collects the rows of one run; when every row of the table ran and DRAVENTA_WRITE_RELIABILITY
// is set, writes the table there at the end of the test program.
void RecordReliabilityRow(std::size_t index, std::size_t rows, const ReliabilityRow& row);

}  // namespace e2e
