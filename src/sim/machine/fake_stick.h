#pragma once
// Simulated machine: a fake-capacity stick. Its disk claims the size of a normal stick but its
// flash keeps only the first `keptBytes` (DiskRecord::keptBytes); a write past that lands at
// the position modulo the true capacity, over data written earlier, as such sticks do.
//
// The volume's files are laid out in the order they were written: the host file's status
// change time (written by every write, rename and attribute change and never set back by a
// copy that keeps the file times), ties by path, each file from a 32 KiB cluster boundary.
// A file whose physical bytes were written again by a later file (or by its own later part)
// reads back with that data in those places. The system cache hides this until it is emptied,
// so only the uncached read (platform/uncached_read.h) shows it.
#include <cstdint>
#include <string>
#include <vector>

namespace platform::host {

// Bytes of a file that read back as another file's data.
struct StickOverwrite {
  std::uint64_t offset = 0;   // in the file read
  std::uint64_t length = 0;
  std::string source;         // host path of the file whose data is there instead
  std::uint64_t sourceOffset = 0;
};

// What reading `hostPath` back from its drive returns in place of its own bytes, in the order
// to apply (later entries win). Empty when the file is not on a fake stick or is intact.
std::vector<StickOverwrite> FakeStickOverwrites(const std::string& hostPath);

// The pure layout: files of `sizes` written in this order on a medium keeping `keptBytes`;
// what file `target` reads back in place of its own bytes (source = the writer's index).
struct WrittenRange {
  std::uint64_t offset = 0;  // in the file read
  std::uint64_t length = 0;
  std::size_t writer = 0;
  std::uint64_t writerOffset = 0;
  bool operator==(const WrittenRange&) const = default;
};
std::vector<WrittenRange> OverwrittenRanges(const std::vector<std::uint64_t>& sizes, std::size_t target,
                                            std::uint64_t keptBytes);

}  // namespace platform::host
