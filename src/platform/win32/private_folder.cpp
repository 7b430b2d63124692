#include "platform/private_folder.h"

#include <windows.h>
#include <sddl.h>

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
    if (ConvertStringSecurityDescriptorToSecurityDescriptorW(kPrivateAccess, SDDL_REVISION_1, &descriptor_, nullptr)) {
      attributes_.nLength = sizeof attributes_;
      attributes_.lpSecurityDescriptor = descriptor_;
      attributes_.bInheritHandle = FALSE;
    }
  }
  ~PrivateDescriptor() {
    if (descriptor_) LocalFree(descriptor_);
  }
  PrivateDescriptor(const PrivateDescriptor&) = delete;
  PrivateDescriptor& operator=(const PrivateDescriptor&) = delete;

  SECURITY_ATTRIBUTES* Attributes() { return descriptor_ ? &attributes_ : nullptr; }

 private:
  PSECURITY_DESCRIPTOR descriptor_ = nullptr;
  SECURITY_ATTRIBUTES attributes_{};
};

}  // namespace

Result<std::wstring> CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix) {
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  std::wstring made;
  Status failed = Status::Win32(ERROR_ALREADY_EXISTS, "CreateDirectoryW", base + prefix);
  {
    PrivateDescriptor descriptor;
    if (!descriptor.Attributes()) return win32::LastError("ConvertStringSecurityDescriptorToSecurityDescriptorW");
    DWORD seed = GetTickCount() ^ GetCurrentProcessId();
    for (DWORD i = 0; i < 0x10000 && made.empty(); ++i) {
      wchar_t suffix[16];
      wsprintfW(suffix, L"%04X", static_cast<unsigned>((seed + i) & 0xFFFF));
      std::wstring candidate = base + prefix + suffix;
      if (CreateDirectoryW(candidate.c_str(), descriptor.Attributes())) {
        made = candidate + L"\\";
      } else if ((failed = win32::LastError("CreateDirectoryW", candidate)).code() != ERROR_ALREADY_EXISTS) {
        break;
      }
    }
  }
  if (made.empty()) return failed;
  return made;
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
