#include "platform/file_copy.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <vector>

#include "platform/errors.h"
#include "platform/files.h"
#include "platform/types.h"
#include "platform/host/errors.h"
#include "platform/host/file_faults.h"
#include "sim/machine/machine.h"

// A chunked copy that calls the progress routine as CopyFileExW does: once for the stream
// switch (0 bytes transferred), then once after every chunk. The data moves in the kernel
// (copy_file_range) where the file systems allow it, else through a buffer.
//
// Fault switch:
//   "copy.failAfterBytes" = "<N>"   the copy that brings the bytes written by this process's
//                                   copies (counted from when the switch was first seen on
//                                   this machine) to N fails there, as on a full target
//                                   (ERROR_DISK_FULL): the partial destination is removed and
//                                   false returned.
// and "copy.readFail", "files.locked", "files.denyWrite" (sim/machine/file_faults.h).
// A file over 4 GiB - 1 bytes is refused on a FAT32 drive (ERROR_FILE_TOO_LARGE), as Windows does.

namespace platform {

namespace host {
bool IsReadOnlyHost(const std::string& hostPath);
}  // namespace host

namespace {

constexpr std::int64_t kChunkBytes = 1 << 20;  // as CopyFileExW on local volumes
constexpr std::uint32_t kProgressStop = 2;
constexpr std::uint32_t kProgressQuiet = 3;

// Bytes written since the fault switch was seen, so a test can make a copy fail deep in a tree.
class FailAfterBytes {
 public:
  // The bytes still allowed before the failure; -1 when the switch is off.
  std::int64_t Allowance() {
    auto machine = host::Machine::Current();
    std::optional<std::string> value = machine ? machine->Fault("copy.failAfterBytes") : std::nullopt;
    std::lock_guard<std::mutex> guard(lock_);
    std::string key = value ? host::Machine::Folder() + "|" + *value : std::string();
    if (key != key_) {
      key_ = key;
      written_ = 0;
      try {
        limit_ = value ? std::stoll(*value, nullptr, 0) : -1;
      } catch (const std::exception&) {
        limit_ = -1;
      }
    }
    return limit_ < 0 ? -1 : std::max<std::int64_t>(0, limit_ - written_);
  }
  void Wrote(std::int64_t bytes) {
    std::lock_guard<std::mutex> guard(lock_);
    written_ += bytes;
  }

 private:
  std::mutex lock_;
  std::string key_;
  std::int64_t limit_ = -1;
  std::int64_t written_ = 0;
};

FailAfterBytes& TheFault() {
  static FailAfterBytes fault;
  return fault;
}

class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() { Close(); }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int Get() const { return fd_; }
  bool Close() {
    if (fd_ < 0) return true;
    bool ok = ::close(fd_) == 0;
    fd_ = -1;
    return ok;
  }

 private:
  int fd_;
};

// Copies `count` bytes from the current offsets; false on a read or write error.
bool CopyChunk(int in, int out, std::int64_t count, bool& useKernel, std::vector<char>& buffer) {
  while (count > 0) {
    if (useKernel) {
      ssize_t n = ::copy_file_range(in, nullptr, out, nullptr, static_cast<std::size_t>(count), 0);
      if (n > 0) {
        count -= n;
        continue;
      }
      if (n == 0) return false;  // the source ended early: it shrank under us
      if (errno == EINTR) continue;
      if (errno != EXDEV && errno != ENOSYS && errno != EINVAL && errno != EOPNOTSUPP) return false;
      useKernel = false;
    }
    if (buffer.empty()) buffer.resize(static_cast<std::size_t>(kChunkBytes));
    std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(count, kChunkBytes));
    ssize_t got = ::read(in, buffer.data(), want);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    for (ssize_t done = 0; done < got;) {
      ssize_t put = ::write(out, buffer.data() + done, static_cast<std::size_t>(got - done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += put;
    }
    count -= got;
  }
  return true;
}

}  // namespace

namespace {

bool CopyOnHost(const std::wstring& source, const std::wstring& destination, CopyProgressRoutine routine,
                void* userData) {
  const std::string from = host::Machine::HostPath(source);
  const std::string to = host::Machine::HostPath(destination);
  if (from.empty() || to.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }

  if (host::OpenRefused(from) || host::OpenRefused(to) || host::ChangeRefused(to)) return false;
  Fd in(::open(from.c_str(), O_RDONLY | O_CLOEXEC));
  if (in.Get() < 0) return host::FailWithErrno(errno);
  struct stat st {};
  if (::fstat(in.Get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    host::SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  // A read-only destination is refused, and left alone, as Windows does.
  struct stat existing {};
  if (::stat(to.c_str(), &existing) == 0 && (S_ISDIR(existing.st_mode) || host::IsReadOnlyHost(to))) {
    host::SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  // A file copied onto itself would be truncated before it is read; Windows refuses it too.
  if (::stat(to.c_str(), &existing) == 0 && existing.st_dev == st.st_dev && existing.st_ino == st.st_ino) {
    host::SetLastErrorCode(kErrorSharingViolation);
    return false;
  }

  if (host::TooLargeForVolume(destination, static_cast<std::uint64_t>(st.st_size))) return false;

  Fd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (out.Get() < 0) return host::FailWithErrno(errno);
  ::posix_fadvise(in.Get(), 0, 0, POSIX_FADV_SEQUENTIAL);

  const std::int64_t total = st.st_size;
  bool report = routine != nullptr;
  auto call = [&](std::int64_t transferred, std::uint32_t reason) {
    if (!report) return true;
    std::uint32_t answer = routine(total, transferred, total, transferred, 1, reason, &in, &out, userData);
    if (answer == kProgressQuiet) report = false;
    return answer != kProgressCancel && answer != kProgressStop;
  };
  auto fail = [&](std::uint32_t error) {
    out.Close();
    ::unlink(to.c_str());
    host::SetLastErrorCode(error);
    return false;
  };

  if (!call(0, kCallbackStreamSwitch)) return fail(kErrorRequestAborted);
  if (host::ReadRefused(from)) return fail(host::LastErrorCode());
  bool useKernel = true;
  std::vector<char> buffer;
  for (std::int64_t transferred = 0; transferred < total;) {
    std::int64_t chunk = std::min(kChunkBytes, total - transferred);
    std::int64_t allowance = TheFault().Allowance();
    bool faulted = allowance >= 0 && allowance < chunk;
    if (faulted) chunk = allowance;
    if (chunk > 0 && !CopyChunk(in.Get(), out.Get(), chunk, useKernel, buffer))
      return fail(errno == ENOSPC ? kErrorDiskFull : kErrorReadFault);
    TheFault().Wrote(chunk);
    if (faulted) return fail(kErrorDiskFull);
    transferred += chunk;
    if (!call(transferred, kCallbackChunkFinished)) return fail(kErrorRequestAborted);
  }

  const struct timespec times[2] = {st.st_atim, st.st_mtim};
  if (::futimens(out.Get(), times) != 0 || !out.Close()) return fail(kErrorWriteFault);
  if (Result<std::uint32_t> attributes = GetAttributes(source))
    (void)SetAttributes(destination, *attributes & ~kAttrDirectory);  // as CopyFileExW: best effort
  return true;
}

}  // namespace

Status CopyFileWithProgress(const std::wstring& source, const std::wstring& destination, CopyProgressRoutine routine,
                            void* userData) {
  return host::Run("CopyFileExW", source + L" -> " + destination,
                   [&] { return CopyOnHost(source, destination, routine, userData); });
}

}  // namespace platform
