#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>
#include <cerrno>
#include <cwctype>
#include <dirent.h>
#include <filesystem>
#include <fstream>

#include "platform/host/errors.h"
#include "platform/host/file_faults.h"
#include "sim/machine/machine.h"
#include "platform/types.h"

namespace fs = std::filesystem;

// Fault switches "files.denyWrite" and "files.locked": sim/machine/file_faults.h. Writing a file
// over 4 GiB - 1 bytes on a FAT32 drive fails with ERROR_FILE_TOO_LARGE, as Windows does.

namespace platform {

namespace {
constexpr std::uint32_t kErrorFileExists = 80;  // GetTempFileNameW out of names
constexpr std::uint32_t kInvalidAttributes = 0xFFFFFFFFu;
}  // namespace

namespace host {
// The attributes Linux has no bit for (hidden, system, archive) live in an extended attribute;
// read-only is the absence of every write permission bit. A file that carries any of the
// three also has the sticky bit (Linux ignores it on files), so that a listing reads the
// extended attribute only of the files marked so, and of folders (few), and the rest of an
// entry's attributes come from the one lstat the listing makes.
constexpr const char* kAttributesXattr = "user.draventa.attributes";

bool MayCarryStoredAttributes(const struct stat& st) {
  return S_ISDIR(st.st_mode) || (st.st_mode & S_ISVTX) != 0;
}

// The attributes of the entry at `hostPath` whose (not a link's) stat record is `st`; the
// stored ones are read only when `readStored`.
std::uint32_t AttributesFromStat(const std::string& hostPath, const struct stat& st, bool readStored) {
  std::uint32_t attributes = 0;
  std::uint32_t stored = 0;
  if (readStored && ::getxattr(hostPath.c_str(), kAttributesXattr, &stored, sizeof stored) == sizeof stored)
    attributes = stored & (kAttrHidden | kAttrSystem | kAttrArchive);
  if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
  if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) attributes |= kAttrReadOnly;
  if (attributes == 0) attributes = kAttrNormal;
  return attributes;
}

std::uint32_t HostAttributes(const std::string& hostPath) {
  struct stat st {};
  if (hostPath.empty() || ::stat(hostPath.c_str(), &st) != 0) return kInvalidAttributes;
  return AttributesFromStat(hostPath, st, true);
}

// A symbolic link is a reparse point (a folder one when it points at a folder), as Windows
// reports a link or junction, whatever the target's attributes are. `target` receives the
// stat record of what it points at (zeroed when nothing is there).
std::uint32_t LinkAttributes(const std::string& hostPath, struct stat& target) {
  if (::stat(hostPath.c_str(), &target) != 0) target = {};
  return kAttrReparsePoint | (S_ISDIR(target.st_mode) ? kAttrDirectory : 0);
}

// The entry's own attributes: a link's as LinkAttributes gives them.
std::uint32_t OwnAttributes(const std::string& hostPath) {
  struct stat st {};
  if (hostPath.empty() || ::lstat(hostPath.c_str(), &st) != 0) return kInvalidAttributes;
  if (!S_ISLNK(st.st_mode)) return AttributesFromStat(hostPath, st, true);
  struct stat target {};
  return LinkAttributes(hostPath, target);
}

bool IsSymlink(const std::string& hostPath) {
  struct stat st {};
  return !hostPath.empty() && ::lstat(hostPath.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

bool IsReadOnlyHost(const std::string& hostPath) {
  auto attributes = HostAttributes(hostPath);
  return attributes != kInvalidAttributes && (attributes & kAttrReadOnly) && !(attributes & kAttrDirectory);
}
}  // namespace host

using host::Machine;

namespace {

// Every file on a disc is read-only, as Windows reports the files of a CD or DVD.
bool OnOpticalDisc(const std::wstring& path) {
  if (path.size() < 2 || path[1] != L':') return false;
  auto machine = Machine::Current();
  const host::DriveRecord* drive = machine ? machine->FindDrive(static_cast<char>(std::towupper(path[0]))) : nullptr;
  return drive && drive->type == "cdrom";
}

std::uint32_t WithDiscReadOnly(std::uint32_t attributes, bool onDisc) {
  if (!onDisc || attributes == kInvalidAttributes || (attributes & kAttrDirectory)) return attributes;
  attributes |= kAttrReadOnly;
  return attributes & ~kAttrNormal;
}

}  // namespace

// A link counts as existing even when what it points at does not, as with PathFileExistsW.
bool PathExists(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  struct stat st {};
  return !hostPath.empty() && ::lstat(hostPath.c_str(), &st) == 0;
}

bool IsFolder(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  struct stat st {};
  return !hostPath.empty() && ::stat(hostPath.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsFile(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  struct stat st {};
  return !hostPath.empty() && ::stat(hostPath.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

Result<std::uint32_t> GetAttributes(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  std::uint32_t attributes = host::OwnAttributes(hostPath);
  if (attributes == kInvalidAttributes) return Status::Win32(kErrorFileNotFound, "GetFileAttributesW", path);
  return WithDiscReadOnly(attributes, OnOpticalDisc(path));
}

static bool DoSetAttributes(const std::wstring& path, std::uint32_t attributes) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath)) return false;
  struct stat st {};
  if (hostPath.empty()) return host::FailWithErrno(ENOENT);
  if (::stat(hostPath.c_str(), &st) != 0) return host::FailWithErrno(errno);
  mode_t mode = st.st_mode & 07777;
  if (attributes & kAttrReadOnly)
    mode &= ~static_cast<mode_t>(S_IWUSR | S_IWGRP | S_IWOTH);
  else
    mode |= S_IWUSR;
  std::uint32_t stored = attributes & (kAttrHidden | kAttrSystem | kAttrArchive);
  if (!S_ISDIR(st.st_mode)) mode = stored ? (mode | S_ISVTX) : (mode & ~static_cast<mode_t>(S_ISVTX));
  if (::chmod(hostPath.c_str(), mode) != 0) return host::FailWithErrno(errno);
  ::setxattr(hostPath.c_str(), host::kAttributesXattr, &stored, sizeof stored, 0);
  return true;
}

static bool DoCreateFolder(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath)) return false;
  if (hostPath.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  return ::mkdir(hostPath.c_str(), 0755) == 0 || host::FailWithErrno(errno);
}

static bool DoCreateFolderPath(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath)) return false;
  if (hostPath.empty()) return host::FailWithErrno(ENOENT);
  std::error_code ec;
  fs::create_directories(hostPath, ec);
  if (ec) return host::FailWithErrno(ec.value());
  return fs::is_directory(hostPath, ec) || host::FailWithErrno(EEXIST);
}

static bool DoRemoveEmptyFolder(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath)) return false;
  if (hostPath.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  // A trailing backslash names the folder itself, link or not.
  while (hostPath.size() > 1 && hostPath.back() == '/') hostPath.pop_back();
  std::string root;
  if (path.size() >= 2 && path[1] == L':') root = Machine::DriveRootHostPath(static_cast<char>(path[0]));
  if (!root.empty() && fs::path(hostPath).lexically_normal() == fs::path(root).lexically_normal()) {
    host::SetLastErrorCode(kErrorAccessDenied);  // a drive's root can't be removed
    return false;
  }
  if (host::IsSymlink(hostPath)) {
    // RemoveDirectoryW removes a folder link itself; a link to a file is not a folder.
    if ((host::OwnAttributes(hostPath) & kAttrDirectory) == 0) {
      struct stat target {};
      if (::stat(hostPath.c_str(), &target) == 0) {
        host::SetLastErrorCode(kErrorDirectory);
        return false;
      }
    }
    return ::unlink(hostPath.c_str()) == 0 || host::FailWithErrno(errno);
  }
  return ::rmdir(hostPath.c_str()) == 0 || host::FailWithErrno(errno);
}

static bool DoDeleteFileAt(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath) || host::OpenRefused(hostPath)) return false;
  if (hostPath.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  struct stat st {};
  if (::lstat(hostPath.c_str(), &st) != 0) return host::FailWithErrno(errno);
  if (S_ISLNK(st.st_mode)) {
    // A link is deleted as a link; one that stands for a folder is removed as a folder.
    if (host::OwnAttributes(hostPath) & kAttrDirectory) {
      host::SetLastErrorCode(kErrorAccessDenied);
      return false;
    }
    return ::unlink(hostPath.c_str()) == 0 || host::FailWithErrno(errno);
  }
  if (S_ISDIR(st.st_mode) || host::IsReadOnlyHost(hostPath)) {
    host::SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  return ::unlink(hostPath.c_str()) == 0 || host::FailWithErrno(errno);
}

static bool DoMoveFileTo(const std::wstring& from, const std::wstring& to) {
  std::string a = Machine::HostPath(from);
  std::string b = Machine::HostPath(to);
  if (host::ChangeRefused(a) || host::ChangeRefused(b) || host::OpenRefused(a)) return false;
  struct stat st {};
  if (a.empty() || b.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  if (::lstat(b.c_str(), &st) == 0) {
    host::SetLastErrorCode(kErrorAlreadyExists);
    return false;
  }
  return ::rename(a.c_str(), b.c_str()) == 0 || host::FailWithErrno(errno);
}

// Fault switch "files.ShellDeleteTree" = "fail": the shell reports failure (ERROR_GEN_FAILURE)
// and deletes nothing.
static bool DoShellDeleteTree(const std::wstring& path) {
  if (auto machine = Machine::Current(); machine && machine->Fault("files.ShellDeleteTree")) return false;
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath)) return false;
  std::error_code ec;
  if (hostPath.empty() || !fs::exists(hostPath, ec)) return host::FailWithErrno(ENOENT);
  fs::remove_all(hostPath, ec);
  return !ec || host::FailWithErrno(ec.value());
}

// Fault switch "files.listFail" = "<Windows folder>": listing that folder (any case, with or
// without a trailing backslash) fails with ERROR_ACCESS_DENIED, as a damaged disc's folder can.
// Fault switch "files.listSlow" = "<Windows folder>@<ms>": listing that folder first waits that
// long, as a folder of a disc in a slow drive does.
// The simulation's own file ".windows-label" (the label of a folder mapped as an optical disc)
// is not part of the drive's contents and is never listed at a drive root.
static bool DoListFolder(const std::wstring& folder, const std::function<bool(const FolderEntry&)>& visit,
                         bool& opened) {
  std::string hostPath = Machine::HostPath(folder);
  if (hostPath.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  if (auto machine = Machine::Current()) {
    if (auto failing = machine->Fault("files.listFail")) {
      if (fs::path(Machine::HostPath(host::FromUtf8(*failing))).lexically_normal() == fs::path(hostPath).lexically_normal()) {
        host::SetLastErrorCode(kErrorAccessDenied);
        return false;
      }
    }
    if (auto slow = machine->Fault("files.listSlow"); slow && slow->find('@') != std::string::npos) {
      const std::string slowFolder = slow->substr(0, slow->find('@'));
      if (fs::path(Machine::HostPath(host::FromUtf8(slowFolder))).lexically_normal() == fs::path(hostPath).lexically_normal())
        std::this_thread::sleep_for(std::chrono::milliseconds(std::atol(slow->c_str() + slow->find('@') + 1)));
    }
  }
  const bool onDisc = OnOpticalDisc(folder);
  bool atDriveRoot = folder.size() >= 2 && folder[1] == L':' &&
                     fs::path(Machine::DriveRootHostPath(static_cast<char>(folder[0]))).lexically_normal() ==
                         fs::path(hostPath).lexically_normal();
  DIR* dir = ::opendir(hostPath.c_str());
  if (!dir) return host::FailWithErrno(errno);
  opened = true;
  for (;;) {
    errno = 0;
    dirent* entry = ::readdir(dir);
    if (!entry) {
      int error = errno;
      ::closedir(dir);
      if (error != 0) return host::FailWithErrno(error);
      host::SetLastErrorCode(kErrorSuccess);
      return true;
    }
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    if (atDriveRoot && name == host::kWindowsLabelFile) continue;
    std::string full = hostPath + "/" + name;
    struct stat st {};
    if (::lstat(full.c_str(), &st) != 0) continue;
    FolderEntry item;
    item.name = host::FromUtf8(name);
    // A link is listed as a link (a reparse point), with the size of what it points at.
    if (S_ISLNK(st.st_mode))
      item.attributes = host::LinkAttributes(full, st);
    else
      item.attributes = host::AttributesFromStat(full, st, host::MayCarryStoredAttributes(st));
    item.attributes = WithDiscReadOnly(item.attributes, onDisc);
    item.size = S_ISREG(st.st_mode) ? static_cast<std::uint64_t>(st.st_size) : 0;
    if (!visit(item)) break;
  }
  ::closedir(dir);
  host::SetLastErrorCode(kErrorSuccess);
  return true;
}

Result<std::uint64_t> GetFileSizeOf(const std::wstring& path) {
  std::string hostPath = Machine::HostPath(path);
  if (hostPath.empty()) return Status::Win32(kErrorPathNotFound, "CreateFileW", path);
  int fd = ::open(hostPath.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return Status::Win32(host::WindowsCodeOfErrno(errno), "CreateFileW", path);
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  ::close(fd);
  if (!ok) return Status::Win32(kErrorAccessDenied, "GetFileSizeEx", path);
  return static_cast<std::uint64_t>(st.st_size);
}

static bool DoReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  std::string hostPath = Machine::HostPath(path);
  if (host::OpenRefused(hostPath)) return false;
  // A folder can't be opened as a file (reading one through a stream would throw).
  std::error_code ec;
  if (hostPath.empty() || !fs::exists(hostPath, ec)) return host::FailWithErrno(ENOENT);
  if (!fs::is_regular_file(hostPath, ec)) return host::FailWithErrno(EACCES);
  std::ifstream in(hostPath, std::ios::binary);
  if (!in) return host::FailWithErrno(EACCES);
  // Sized once from the file's size, so a large file costs its own size and no more.
  const auto size = fs::file_size(hostPath, ec);
  if (ec) return host::FailWithErrno(ec.value());
  bytes.resize(static_cast<std::size_t>(size));
  in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  bytes.resize(static_cast<std::size_t>(in.gcount()));
  if (in.bad()) return host::FailWithErrno(EIO);
  // A file that grew meanwhile: the rest as it is now.
  bytes.insert(bytes.end(), std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad() || host::FailWithErrno(EIO);
}

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
  std::vector<std::uint8_t> bytes;
  Status status = host::Run("ReadFile", path, [&] { return DoReadWholeFile(path, bytes); });
  if (!status) return status;
  return bytes;
}

static bool DoWriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath) || host::OpenRefused(hostPath)) return false;
  if (hostPath.empty()) return host::FailWithErrno(ENOENT);
  if (host::IsReadOnlyHost(hostPath)) return host::FailWithErrno(EACCES);
  if (host::TooLargeForVolume(path, bytes.size())) return false;
  std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
  if (!out) return host::FailWithErrno(errno ? errno : EACCES);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush()) || host::FailWithErrno(EIO);
}

static bool DoOverwriteExistingFile(const std::wstring& path, const std::string& bytes) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath) || host::OpenRefused(hostPath)) return false;
  if (hostPath.empty()) {
    host::SetLastErrorCode(kErrorPathNotFound);
    return false;
  }
  if (host::IsReadOnlyHost(hostPath)) {
    host::SetLastErrorCode(kErrorAccessDenied);
    return false;
  }
  if (host::TooLargeForVolume(path, bytes.size())) return false;
  int fd = ::open(hostPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);  // no O_CREAT: it must exist
  if (fd < 0) return host::FailWithErrno(errno);
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n <= 0) {
      int error = n < 0 ? errno : EIO;
      ::close(fd);
      return host::FailWithErrno(error);
    }
    done += static_cast<std::size_t>(n);
  }
  if (::fsync(fd) != 0) {
    int error = errno;
    ::close(fd);
    return host::FailWithErrno(error);
  }
  return ::close(fd) == 0 || host::FailWithErrno(errno);
}

static bool DoAppendToFile(const std::wstring& path, const std::string& bytes) {
  std::string hostPath = Machine::HostPath(path);
  if (host::ChangeRefused(hostPath) || host::OpenRefused(hostPath)) return false;
  if (hostPath.empty()) return host::FailWithErrno(ENOENT);
  if (host::IsReadOnlyHost(hostPath)) return host::FailWithErrno(EACCES);
  struct stat existing {};
  const std::uint64_t had = ::stat(hostPath.c_str(), &existing) == 0 ? static_cast<std::uint64_t>(existing.st_size) : 0;
  if (host::TooLargeForVolume(path, had + bytes.size())) return false;
  int fd = ::open(hostPath.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return host::FailWithErrno(errno);
  bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
  return (::close(fd) == 0 && ok) || host::FailWithErrno(EIO);
}

Result<std::wstring> CreateTempFileIn(const std::wstring& folder, const std::wstring& prefix) {
  host::SetLastErrorCode(0);
  std::wstring base = folder;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  static const wchar_t* hex = L"0123456789ABCDEF";
  unsigned start = static_cast<unsigned>(::getpid() ^ ::time(nullptr)) & 0xFFFF;
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned n = (start + i) & 0xFFFF;
    if (n == 0) continue;
    std::wstring name;
    for (unsigned v = n; v; v >>= 4) name.insert(name.begin(), hex[v & 0xF]);
    std::wstring candidate = base + prefix.substr(0, 3) + name + L".TMP";
    std::string hostPath = Machine::HostPath(candidate);
    if (hostPath.empty()) return Status::Win32(kErrorPathNotFound, "GetTempFileNameW", folder);
    if (host::ChangeRefused(hostPath)) return host::LastStatus("GetTempFileNameW", folder);
    int fd = ::open(hostPath.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      return candidate;
    }
    if (errno != EEXIST) return Status::Win32(host::WindowsCodeOfErrno(errno), "GetTempFileNameW", folder);
  }
  return Status::Win32(kErrorFileExists, "GetTempFileNameW", folder);
}

Result<std::vector<std::wstring>> ReadIniSectionNames(const std::wstring& path) {
  Result<std::vector<std::uint8_t>> read = ReadWholeFile(path);
  if (!read) return Status::Win32(read.status().code(), "GetPrivateProfileSectionNamesW", path);
  const std::vector<std::uint8_t>& bytes = *read;
  std::vector<std::wstring> names;
  // Line by line over the file's own units (UTF-16 LE after its mark, else 8-bit taken as
  // UTF-8): only a section's name is converted, so a large file costs little more than itself.
  const bool utf16 = bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
  const std::size_t step = utf16 ? 2 : 1;
  const std::size_t count = utf16 ? (bytes.size() - 2) / 2 : bytes.size();
  const std::size_t base = utf16 ? 2 : 0;
  auto unit = [&](std::size_t i) -> std::uint32_t {
    const std::size_t at = base + i * step;
    return utf16 ? static_cast<std::uint32_t>(bytes[at] | (bytes[at + 1] << 8)) : bytes[at];
  };
  std::size_t pos = 0;
  while (pos < count) {
    std::size_t end = pos;
    while (end < count && unit(end) != '\n') ++end;
    std::size_t first = pos;
    while (first < end && (unit(first) == ' ' || unit(first) == '\t' || unit(first) == '\r')) ++first;
    if (first < end && unit(first) == '[') {
      std::size_t close = first + 1;
      while (close < end && unit(close) != ']') ++close;
      if (close < end) {
        if (utf16) {
          std::wstring name;
          for (std::size_t i = first + 1; i < close; ++i) name += static_cast<wchar_t>(unit(i));
          names.push_back(name);
        } else {
          names.push_back(host::FromUtf8(std::string(bytes.begin() + static_cast<std::ptrdiff_t>(first + 1),
                                                     bytes.begin() + static_cast<std::ptrdiff_t>(close))));
        }
      }
    }
    pos = end + 1;
  }
  return names;
}

Status SetAttributes(const std::wstring& path, std::uint32_t attributes) {
  return host::Run("SetFileAttributesW", path, [&] { return DoSetAttributes(path, attributes); });
}

Status CreateFolder(const std::wstring& path) {
  return host::Run("CreateDirectoryW", path, [&] { return DoCreateFolder(path); });
}

Status CreateFolderPath(const std::wstring& path) {
  return host::Run("CreateDirectoryW", path, [&] { return DoCreateFolderPath(path); });
}

Status RemoveEmptyFolder(const std::wstring& path) {
  return host::Run("RemoveDirectoryW", path, [&] { return DoRemoveEmptyFolder(path); });
}

Status DeleteFileAt(const std::wstring& path) {
  return host::Run("DeleteFileW", path, [&] { return DoDeleteFileAt(path); });
}

Status MoveFileTo(const std::wstring& from, const std::wstring& to) {
  return host::Run("MoveFileW", from + L" -> " + to, [&] { return DoMoveFileTo(from, to); });
}

Status ShellDeleteTree(const std::wstring& path) {
  return host::Run("SHFileOperationW", path, [&] { return DoShellDeleteTree(path); });
}

// The call is FindFirstFileW when the folder could not be opened, FindNextFileW when the
// listing broke off.
Status ListFolder(const std::wstring& folder, const std::function<bool(const FolderEntry&)>& visit) {
  bool opened = false;
  Status status = host::Run("FindFirstFileW", folder, [&] { return DoListFolder(folder, visit, opened); });
  return status || !opened ? status : Status::Win32(status.code(), "FindNextFileW", folder);
}

Status WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  return host::Run("WriteFile", path, [&] { return DoWriteWholeFile(path, bytes); });
}

Status OverwriteExistingFile(const std::wstring& path, const std::string& bytes) {
  return host::Run("WriteFile", path, [&] { return DoOverwriteExistingFile(path, bytes); });
}

Status AppendToFile(const std::wstring& path, const std::string& bytes) {
  return host::Run("WriteFile", path, [&] { return DoAppendToFile(path, bytes); });
}

}  // namespace platform
