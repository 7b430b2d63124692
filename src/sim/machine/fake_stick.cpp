#include "sim/machine/fake_stick.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "platform/host/system/file_lock.h"
#include "sim/machine/machine.h"

namespace fs = std::filesystem;

namespace platform::host {

namespace {

constexpr std::uint64_t kClusterBytes = 32 * 1024;  // FAT32's cluster on sticks of 8 GiB and more

// A run of one file's bytes that lies at one place of the flash.
struct Piece {
  std::size_t file = 0;
  std::uint64_t offset = 0;    // in the file
  std::uint64_t physical = 0;  // on the flash
  std::uint64_t length = 0;
};

// Every file's bytes cut where their volume positions wrap, in write order.
std::vector<Piece> PiecesInWriteOrder(const std::vector<std::uint64_t>& sizes, std::uint64_t keptBytes) {
  std::vector<Piece> pieces;
  std::uint64_t position = 0;
  for (std::size_t file = 0; file < sizes.size(); ++file) {
    for (std::uint64_t offset = 0; offset < sizes[file];) {
      const std::uint64_t physical = (position + offset) % keptBytes;
      const std::uint64_t length = std::min(sizes[file] - offset, keptBytes - physical);
      pieces.push_back(Piece{file, offset, physical, length});
      offset += length;
    }
    position += (sizes[file] + kClusterBytes - 1) / kClusterBytes * kClusterBytes;
  }
  return pieces;
}

struct FileOnStick {
  std::int64_t changedNs = 0;  // write order: every write sets the status change time
  std::string path;
  std::uint64_t size = 0;
};

// The drive root that holds `hostPath` when that drive is a fake stick, with its true capacity.
std::pair<std::string, std::uint64_t> FakeStickHolding(const std::string& hostPath) {
  auto machine = Machine::Current();
  if (!machine) return {};
  for (const DriveRecord& drive : machine->drives) {
    const DiskRecord* disk = machine->FindDisk(drive.disk);
    if (!disk || disk->keptBytes == 0) continue;
    const std::string root = Machine::DriveRootHostPath(drive.letter);
    if (!root.empty() && hostPath.size() > root.size() && hostPath.compare(0, root.size(), root) == 0 &&
        hostPath[root.size()] == '/')
      return {root, disk->keptBytes};
  }
  return {};
}

}  // namespace

std::vector<WrittenRange> OverwrittenRanges(const std::vector<std::uint64_t>& sizes, std::size_t target,
                                            std::uint64_t keptBytes) {
  std::vector<WrittenRange> ranges;
  if (keptBytes == 0 || target >= sizes.size()) return ranges;
  const std::vector<Piece> pieces = PiecesInWriteOrder(sizes, keptBytes);
  for (std::size_t a = 0; a < pieces.size(); ++a) {
    if (pieces[a].file != target) continue;
    for (std::size_t b = a + 1; b < pieces.size(); ++b) {
      const std::uint64_t low = std::max(pieces[a].physical, pieces[b].physical);
      const std::uint64_t high =
          std::min(pieces[a].physical + pieces[a].length, pieces[b].physical + pieces[b].length);
      if (low >= high) continue;
      ranges.push_back(WrittenRange{pieces[a].offset + (low - pieces[a].physical), high - low, pieces[b].file,
                                    pieces[b].offset + (low - pieces[b].physical)});
    }
  }
  return ranges;
}

std::vector<StickOverwrite> FakeStickOverwrites(const std::string& hostPath) {
  const std::string target = fs::path(hostPath).lexically_normal().string();
  const auto [root, keptBytes] = FakeStickHolding(target);
  if (root.empty()) return {};

  std::vector<FileOnStick> files;
  std::error_code ec;
  for (fs::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (it->is_symlink(ec)) continue;
    const auto stamp = StampOf(it->path().string());
    if (!stamp || !stamp->regular) continue;
    files.push_back(FileOnStick{stamp->changedNs, it->path().lexically_normal().string(), stamp->size});
  }
  std::sort(files.begin(), files.end(), [](const FileOnStick& a, const FileOnStick& b) {
    return std::tie(a.changedNs, a.path) < std::tie(b.changedNs, b.path);
  });
  std::vector<std::uint64_t> sizes;
  std::size_t index = files.size();
  for (std::size_t i = 0; i < files.size(); ++i) {
    sizes.push_back(files[i].size);
    if (files[i].path == target) index = i;
  }
  std::vector<StickOverwrite> overwrites;
  for (const WrittenRange& range : OverwrittenRanges(sizes, index, keptBytes))
    overwrites.push_back(StickOverwrite{range.offset, range.length, files[range.writer].path, range.writerOffset});
  return overwrites;
}

}  // namespace platform::host
