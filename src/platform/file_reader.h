#pragma once
// Reading a file in chunks, through the system's file cache or past it. Past it, what comes back
// is what the device holds, not the copy the cache kept of what was written (the check of a
// USB drive after writing).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/status.h"

namespace platform {

// One file opened for reading in chunks of 1 MiB. Movable.
class FileReader {
 public:
  enum class Cache { kUse, kBypass };
  // Opens `path` for reading. kBypass reads from the device (Windows: CreateFileW with
  // FILE_FLAG_NO_BUFFERING, whole sectors into a sector-aligned buffer).
  static Result<FileReader> Open(const std::wstring& path, Cache cache);

  FileReader(FileReader&&) noexcept;
  FileReader& operator=(FileReader&&) noexcept;
  ~FileReader();

  // The file's size in bytes when it was opened.
  std::uint64_t Size() const;
  // Reads the next chunk; `data` points at it until the next call. Gives 0 at the end of the file.
  Result<std::size_t> ReadNext(const std::uint8_t*& data);

  struct Impl;

 private:
  explicit FileReader(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

}  // namespace platform
