#include "platform/private_folder.h"

#include <windows.h>
#include <sddl.h>

namespace platform {

std::wstring CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix) {
  std::wstring base = parent;
  if (!base.empty() && base.back() != L'\\') base += L'\\';
  // Full control for SYSTEM and Administrators, inherited by what is created inside; the "P"
  // keeps the parent's grants (ProgramData lets every user create files) from flowing in.
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)",
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return {};
  SECURITY_ATTRIBUTES attributes{};
  attributes.nLength = sizeof attributes;
  attributes.lpSecurityDescriptor = descriptor;
  attributes.bInheritHandle = FALSE;

  std::wstring made;
  DWORD seed = GetTickCount() ^ GetCurrentProcessId();
  for (DWORD i = 0; i < 0x10000 && made.empty(); ++i) {
    wchar_t suffix[16];
    wsprintfW(suffix, L"%04X", static_cast<unsigned>((seed + i) & 0xFFFF));
    std::wstring candidate = base + prefix + suffix;
    if (CreateDirectoryW(candidate.c_str(), &attributes)) {
      made = candidate + L"\\";
    } else if (GetLastError() != ERROR_ALREADY_EXISTS) {
      break;
    }
  }
  LocalFree(descriptor);
  return made;
}

}  // namespace platform
