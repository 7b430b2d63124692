#include "platform/private_folder.h"

#include <windows.h>
#include <sddl.h>

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

}  // namespace

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
