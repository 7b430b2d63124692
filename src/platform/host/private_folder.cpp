#include "platform/private_folder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/host/machine.h"

namespace platform {

std::wstring CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix) {
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
    if (hostPath.empty()) return {};
    if (::mkdir(hostPath.c_str(), 0700) == 0) return candidate + L"\\";
    if (errno != EEXIST) return {};
  }
  return {};
}

}  // namespace platform
