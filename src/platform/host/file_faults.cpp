#include "platform/host/file_faults.h"

#include "platform/host/errors.h"
#include "sim/machine/file_faults.h"

namespace platform::host {

namespace {
bool Refused(std::uint32_t error) {
  if (error == 0) return false;
  SetLastErrorCode(error);
  return true;
}
}  // namespace

bool ChangeRefused(const std::string& hostPath) { return Refused(ChangeRefusal(hostPath)); }
bool OpenRefused(const std::string& hostPath) { return Refused(OpenRefusal(hostPath)); }
bool ReadRefused(const std::string& hostPath) { return Refused(ReadRefusal(hostPath)); }

}  // namespace platform::host
