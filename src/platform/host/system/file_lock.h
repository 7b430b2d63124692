#pragma once
// Host files shared between processes: a lock file held shared or exclusive (flock), and one
// stat for a file's times and size, so a reader sees when another process rewrote the file.
#include <cstdint>
#include <optional>
#include <string>

namespace platform::host {

class FileLock {
 public:
  // Opens (creating when missing) the lock file at `path` and waits for the lock.
  FileLock(const std::string& path, bool exclusive);
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_ = -1;
};

struct FileStamp {
  std::int64_t modifiedNs = 0;  // since the epoch
  std::uint64_t size = 0;
  std::int64_t changedNs = 0;   // the last status change (every write sets it), since the epoch
  bool regular = false;         // a regular file, not a folder or a device
};
// Nothing when the file can't be looked at.
std::optional<FileStamp> StampOf(const std::string& path);

// A regular file this process may execute.
bool IsExecutableFile(const std::string& path);

}  // namespace platform::host
