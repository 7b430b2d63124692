#include "platform/file_reader.h"

#include <windows.h>

#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

constexpr DWORD kChunkBytes = 1 << 20;

// The sector size of the volume holding `path` (X:\... or \\?\X:\...); 4096 when it can't be
// asked, which is a multiple of the 512-byte sectors sticks and discs use.
DWORD SectorSizeOf(const std::wstring& path) {
  std::wstring rest = path.rfind(L"\\\\?\\", 0) == 0 ? path.substr(4) : path;
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (rest.size() >= 2 && rest[1] == L':' &&
      GetDiskFreeSpaceW((rest.substr(0, 2) + L"\\").c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters,
                        &clusters) &&
      bytesPerSector != 0)
    return bytesPerSector;
  return 4096;
}

}  // namespace

struct FileReader::Impl {
  std::wstring path;
  win32::ScopedKernelHandle file;
  std::uint64_t size = 0;
  DWORD chunk = kChunkBytes;
  // Reads without the cache go to a buffer aligned to the sector size; the storage holds one
  // chunk plus room to align its start.
  std::vector<std::uint8_t> storage;
  std::uint8_t* buffer = nullptr;
};

FileReader::FileReader(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
FileReader::FileReader(FileReader&&) noexcept = default;
FileReader& FileReader::operator=(FileReader&&) noexcept = default;
FileReader::~FileReader() = default;

Result<FileReader> FileReader::Open(const std::wstring& path, Cache cache) {
  auto impl = std::make_unique<Impl>();
  impl->path = path;
  const DWORD flags = FILE_FLAG_SEQUENTIAL_SCAN | (cache == Cache::kBypass ? FILE_FLAG_NO_BUFFERING : 0);
  impl->file = win32::ScopedKernelHandle(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                     OPEN_EXISTING, flags, nullptr));
  if (!impl->file.is_valid()) return win32::LastError("CreateFileW", path);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(impl->file.get(), &size)) return win32::LastError("GetFileSizeEx", path);
  impl->size = static_cast<std::uint64_t>(size.QuadPart);

  // Every read is a whole number of sectors into a sector-aligned buffer, as the flag requires.
  const DWORD sector = cache == Cache::kBypass ? SectorSizeOf(path) : 1;
  impl->chunk = (kChunkBytes + sector - 1) / sector * sector;
  impl->storage.resize(static_cast<std::size_t>(impl->chunk) + sector);
  const auto start = reinterpret_cast<std::uintptr_t>(impl->storage.data());
  impl->buffer = impl->storage.data() + ((sector - start % sector) % sector);
  return FileReader(std::move(impl));
}

std::uint64_t FileReader::Size() const { return impl_->size; }

Result<std::size_t> FileReader::ReadNext(const std::uint8_t*& data) {
  DWORD read = 0;
  // At the end of the file the read gives fewer bytes than asked, or none.
  if (!ReadFile(impl_->file.get(), impl_->buffer, impl_->chunk, &read, nullptr))
    return win32::LastError("ReadFile", impl_->path);
  data = impl_->buffer;
  return static_cast<std::size_t>(read);
}

}  // namespace platform
