#include "sim/machine/file_faults.h"

#include <filesystem>

#include "sim/machine/machine.h"
#include "platform/types.h"

namespace fs = std::filesystem;

namespace platform::host {

namespace {

constexpr std::uint32_t kErrorCrc = 23;

std::string Normal(const std::string& hostPath) {
  std::string text = fs::path(hostPath).lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

// The host path the switch names; empty when it is off or names nothing on the machine.
std::string Named(const char* fault) {
  auto machine = Machine::Current();
  if (!machine) return {};
  auto value = machine->Fault(fault);
  if (!value || value->empty()) return {};
  std::string hostPath = Machine::HostPath(FromUtf8(*value));
  return hostPath.empty() ? std::string() : Normal(hostPath);
}

}  // namespace

std::uint32_t ChangeRefusal(const std::string& hostPath) {
  std::string folder = Named("files.denyWrite");
  if (folder.empty() || hostPath.empty()) return 0;
  std::string path = Normal(hostPath);
  bool below = path == folder || (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 &&
                                  path[folder.size()] == '/');
  return below ? kErrorAccessDenied : 0;
}

std::uint32_t OpenRefusal(const std::string& hostPath) {
  std::string file = Named("files.locked");
  if (file.empty() || hostPath.empty()) return 0;
  return Normal(hostPath) == file ? kErrorSharingViolation : 0;
}

std::uint32_t ReadRefusal(const std::string& hostPath) {
  std::string file = Named("copy.readFail");
  if (file.empty() || hostPath.empty()) return 0;
  return Normal(hostPath) == file ? kErrorCrc : 0;
}

}  // namespace platform::host
