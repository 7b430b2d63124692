#include "platform/private_folder.h"

#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <vector>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

// Full control for SYSTEM and Administrators, inherited by what is created inside; the "P"
// keeps the parent's grants (ProgramData lets every user create files) from flowing in.
constexpr const wchar_t* kPrivateAccess = L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The security descriptor of a private folder, freed with the object.
class PrivateDescriptor {
 public:
  PrivateDescriptor() {
    PSECURITY_DESCRIPTOR made = nullptr;
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateAccess, SDDL_REVISION_1, &made, nullptr)) {
      descriptor_.reset(made);
      attributes_.nLength = sizeof attributes_;
      attributes_.lpSecurityDescriptor = made;
      attributes_.bInheritHandle = FALSE;
    }
  }

  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  win32::ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor_;
  SECURITY_ATTRIBUTES attributes_{};
};

// A SID of this process's token: its user (TokenUser) or the default owner of what it creates
// (TokenOwner); empty when unknown.
std::vector<BYTE> ProcessSid(TOKEN_INFORMATION_CLASS which) {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  win32::ScopedKernelHandle token(opened);
  DWORD size = 0;
  (void)GetTokenInformation(token.get(), which, nullptr, 0, &size);
  std::vector<BYTE> buffer(size);
  if (size == 0 || !GetTokenInformation(token.get(), which, buffer.data(), size, &size)) return {};
  // TOKEN_USER and TOKEN_OWNER both begin with the SID's pointer.
  const PSID sid = which == TokenUser ? reinterpret_cast<TOKEN_USER*>(buffer.data())->User.Sid
                                      : reinterpret_cast<TOKEN_OWNER*>(buffer.data())->Owner;
  const auto* first = static_cast<const BYTE*>(sid);
  return std::vector<BYTE>(first, first + GetLengthSid(sid));
}

// TrustedInstaller, which owns the system's own folders.
constexpr const wchar_t* kTrustedInstallerSid = L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464";

// The program runs elevated, so the account running it is an administrator: what it made
// belongs to the Administrators group, or to the account itself where the system's policy (or
// Wine) gives objects to their creator.
bool IsTrustedOwner(PSID owner, const std::wstring& sidText) {
  if (IsWellKnownSid(owner, WinLocalSystemSid) || IsWellKnownSid(owner, WinBuiltinAdministratorsSid) ||
      sidText == kTrustedInstallerSid)
    return true;
  for (TOKEN_INFORMATION_CLASS which : {TokenOwner, TokenUser}) {
    std::vector<BYTE> own = ProcessSid(which);
    if (!own.empty() && EqualSid(owner, own.data())) return true;
  }
  return false;
}

std::wstring AccountName(PSID owner, const std::wstring& sidText) {
  wchar_t name[256];
  wchar_t domain[256];
  DWORD nameSize = 256;
  DWORD domainSize = 256;
  SID_NAME_USE use;
  if (!LookupAccountSidW(nullptr, owner, name, &nameSize, domain, &domainSize, &use)) return sidText;
  return domain[0] ? std::wstring(domain) + L"\\" + name : std::wstring(name);
}

}  // namespace

Result<Owner> GetOwner(const std::wstring& path) {
  PSID owner = nullptr;
  PSECURITY_DESCRIPTOR made = nullptr;
  const DWORD code = GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner, nullptr,
                                           nullptr, nullptr, &made);
  if (code != ERROR_SUCCESS) return Status::Win32(code, "GetNamedSecurityInfoW", path);
  win32::ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor(made);
  if (!owner) return Status::Win32(ERROR_INVALID_SECURITY_DESCR, "GetNamedSecurityInfoW", path);
  std::wstring sidText;
  wchar_t* text = nullptr;
  if (ConvertSidToStringSidW(owner, &text)) sidText = win32::ScopedLocalMemory<wchar_t*>(text).get();
  return Owner{AccountName(owner, sidText), IsTrustedOwner(owner, sidText)};
}

Status MakeFolderPrivate(const std::wstring& path) {
  PSECURITY_DESCRIPTOR made = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateAccess, SDDL_REVISION_1, &made, nullptr))
    return win32::LastError("ConvertStringSecurityDescriptorToSecurityDescriptorW");
  win32::ScopedLocalMemory<PSECURITY_DESCRIPTOR> descriptor(made);
  BOOL present = FALSE;
  BOOL defaulted = FALSE;
  PACL dacl = nullptr;
  if (!GetSecurityDescriptorDacl(made, &present, &dacl, &defaulted)) return win32::LastError("GetSecurityDescriptorDacl");
  std::wstring folder = path;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  const DWORD code = SetNamedSecurityInfoW(folder.data(), SE_FILE_OBJECT,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, dacl, nullptr);
  return code == ERROR_SUCCESS ? Status() : Status::Win32(code, "SetNamedSecurityInfoW", folder);
}

Result<std::wstring> CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix) {
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  PrivateDescriptor descriptor;
  if (!descriptor.Attributes()) return win32::LastError("ConvertStringSecurityDescriptorToSecurityDescriptorW");
  Status failed = Status::Win32(ERROR_ALREADY_EXISTS, "CreateDirectoryW", base + prefix);
  DWORD seed = GetTickCount() ^ GetCurrentProcessId();
  for (DWORD i = 0; i < 0x10000; ++i) {
    wchar_t suffix[16];
    wsprintfW(suffix, L"%04X", static_cast<unsigned>((seed + i) & 0xFFFF));
    std::wstring candidate = base + prefix + suffix;
    if (CreateDirectoryW(candidate.c_str(), descriptor.Attributes())) return candidate + L"\\";
    failed = win32::LastError("CreateDirectoryW", candidate);
    if (failed.code() != ERROR_ALREADY_EXISTS) break;
  }
  return failed;
}

Status CreatePrivateFolderAt(const std::wstring& path) {
  std::wstring folder = path;
  while (folder.size() > 3 && folder.back() == L'\\') folder.pop_back();
  PrivateDescriptor descriptor;
  if (!descriptor.Attributes()) return win32::LastError("ConvertStringSecurityDescriptorToSecurityDescriptorW");
  // CreateDirectoryW fails with ERROR_ALREADY_EXISTS for anything at the path, a link or a
  // junction included, and never follows one.
  return win32::Check(CreateDirectoryW(folder.c_str(), descriptor.Attributes()) != FALSE, "CreateDirectoryW", folder);
}

}  // namespace platform
