#include "platform/file_reader.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <vector>

#include "platform/host/errors.h"
#include "platform/host/file_faults.h"
#include "sim/machine/fake_stick.h"
#include "sim/machine/machine.h"

// The host's read past the cache is an ordinary read of the host file, plus what the simulated
// machine's medium does to it: on a fake-capacity stick the places a later write wrapped over
// read back as that write's data (sim/machine/fake_stick.h).
//
// Fault switches: "files.locked" fails the open (ERROR_SHARING_VIOLATION), "copy.readFail" the
// first read (ERROR_CRC), as a worn stick's unreadable sector does (sim/machine/file_faults.h).

namespace platform {

namespace {
constexpr std::size_t kChunkBytes = 1 << 20;
}  // namespace

struct FileReader::Impl {
  std::wstring path;
  std::string hostPath;
  std::ifstream in;
  std::uint64_t size = 0;
  std::uint64_t offset = 0;
  std::vector<std::uint8_t> buffer;
  std::vector<host::StickOverwrite> overwrites;

  // Puts the other file's bytes where the flash holds them instead of this file's.
  void ApplyOverwrites(std::size_t count) {
    for (const host::StickOverwrite& overwrite : overwrites) {
      const std::uint64_t low = std::max(offset, overwrite.offset);
      const std::uint64_t high = std::min(offset + count, overwrite.offset + overwrite.length);
      if (low >= high) continue;
      std::uint8_t* at = buffer.data() + (low - offset);
      std::fill(at, at + (high - low), std::uint8_t{0});  // a writer deleted since reads as erased
      std::ifstream source(overwrite.source, std::ios::binary);
      source.seekg(static_cast<std::streamoff>(overwrite.sourceOffset + (low - overwrite.offset)));
      source.read(reinterpret_cast<char*>(at), static_cast<std::streamsize>(high - low));
    }
  }
};

FileReader::FileReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FileReader::FileReader(FileReader&&) noexcept = default;
FileReader& FileReader::operator=(FileReader&&) noexcept = default;
FileReader::~FileReader() = default;

Result<FileReader> FileReader::Open(const std::wstring& path, Cache cache) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  impl->hostPath = host::Machine::HostPath(path);
  Status opened = host::Run("CreateFileW", path, [&] {
    if (host::OpenRefused(impl->hostPath)) return false;
    std::error_code ec;
    if (impl->hostPath.empty() || !std::filesystem::is_regular_file(impl->hostPath, ec))
      return host::FailWithErrno(ENOENT);
    impl->in.open(impl->hostPath, std::ios::binary);
    if (!impl->in) return host::FailWithErrno(EACCES);
    impl->size = std::filesystem::file_size(impl->hostPath, ec);
    return !ec || host::FailWithErrno(ec.value());
  });
  if (!opened) return opened;
  impl->buffer.resize(kChunkBytes);
  // What the cache gives is what was written; only the medium itself holds the wrapped writes.
  if (cache == Cache::kBypass) impl->overwrites = host::FakeStickOverwrites(impl->hostPath);
  return FileReader(std::move(impl));
}

std::uint64_t FileReader::Size() const { return impl_->size; }

Result<std::size_t> FileReader::ReadNext(const std::uint8_t*& data) {
  Impl& file = *impl_;
  std::size_t count = 0;
  Status read = host::Run("ReadFile", file.path, [&] {
    if (host::ReadRefused(file.hostPath)) return false;
    file.in.read(reinterpret_cast<char*>(file.buffer.data()), static_cast<std::streamsize>(file.buffer.size()));
    if (file.in.bad()) return host::FailWithErrno(EIO);
    count = static_cast<std::size_t>(file.in.gcount());
    return true;
  });
  if (!read) return read;
  file.ApplyOverwrites(count);
  file.offset += count;
  data = file.buffer.data();
  return count;
}

}  // namespace platform
