#include "platform/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/host/errors.h"
#include "platform/host/file_faults.h"
#include "sim/machine/machine.h"
#include "platform/types.h"

namespace platform {

namespace {

// mkdir with mode 0700, whatever the process's umask: the mode is set again afterwards.
bool MakePrivate(const std::string& hostPath) {
  if (::mkdir(hostPath.c_str(), 0700) != 0) return host::FailWithErrno(errno);
  if (::chmod(hostPath.c_str(), 0700) != 0) return host::FailWithErrno(errno);
  return true;
}

}  // namespace

Result<std::wstring> CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix) {
  host::SetLastErrorCode(0);
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  static const wchar_t* hex = L"0123456789ABCDEF";
  unsigned seed = static_cast<unsigned>(::getpid() ^ ::time(nullptr));
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned n = (seed + i) & 0xFFFF;
    std::wstring suffix;
    for (int shift = 12; shift >= 0; shift -= 4) suffix += hex[(n >> shift) & 0xF];
    std::wstring candidate = base + prefix + suffix;
    std::string hostPath = host::Machine::HostPath(candidate);
    if (hostPath.empty()) return Status::Win32(kErrorPathNotFound, "CreateDirectoryW", candidate);
    if (host::ChangeRefused(hostPath)) return host::LastStatus("CreateDirectoryW", candidate);
    if (MakePrivate(hostPath)) return candidate + L"\\";
    if (errno != EEXIST) return host::LastStatus("CreateDirectoryW", candidate);
  }
  return Status::Win32(kErrorAlreadyExists, "CreateDirectoryW", base + prefix);
}

Status CreatePrivateFolderAt(const std::wstring& path) {
  std::wstring folder = path;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  return host::Run("CreateDirectoryW", folder, [&] {
    std::string hostPath = host::Machine::HostPath(folder);
    if (hostPath.empty()) return host::FailWithErrno(ENOENT);
    // mkdir never follows a link that stands at the path: it fails with EEXIST.
    return !host::ChangeRefused(hostPath) && MakePrivate(hostPath);
  });
}

Result<Owner> GetOwner(const std::wstring& path) {
  const std::string hostPath = host::Machine::HostPath(path);
  struct stat st {};
  if (hostPath.empty() || ::lstat(hostPath.c_str(), &st) != 0)
    return Status::Win32(kErrorFileNotFound, "GetNamedSecurityInfoW", path);
  auto machine = host::Machine::Current();
  std::string account = machine ? machine->OwnerOf(path) : std::string(host::kAdministratorsAccount);
  // The program runs as an administrator, so what it creates belongs to the Administrators.
  const bool trusted = account == host::kAdministratorsAccount || account == "NT AUTHORITY\\SYSTEM" ||
                       account == "NT SERVICE\\TrustedInstaller";
  return Owner{host::FromUtf8(account), trusted};
}

Status MakeFolderPrivate(const std::wstring& path) {
  return host::Run("SetNamedSecurityInfoW", path, [&] {
    std::string hostPath = host::Machine::HostPath(path);
    if (hostPath.empty()) return host::FailWithErrno(ENOENT);
    return !host::ChangeRefused(hostPath) && (::chmod(hostPath.c_str(), 0700) == 0 || host::FailWithErrno(errno));
  });
}

}  // namespace platform
