#include "platform/resources.h"

#include <cwctype>

#include "platform/host/linked_resources.h"
#include "sim/machine/machine.h"

namespace platform {

namespace {
bool SameNameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return i == a.size() && b[i] == 0;
}
}  // namespace

// Fault switch "resources.missing" = "<name>": that resource is not in the image.
bool LoadDataResource(const std::wstring& name, std::vector<std::uint8_t>& bytes) {
  if (auto machine = host::Machine::Current()) {
    if (auto missing = machine->Fault("resources.missing"); missing && SameNameIgnoringCase(name, host::FromUtf8(*missing).c_str()))
      return false;
  }
  for (std::size_t i = 0; i < host::kLinkedResourceCount; ++i) {
    const host::LinkedResource& resource = host::kLinkedResources[i];
    if (SameNameIgnoringCase(name, resource.name)) {
      bytes.assign(resource.begin, resource.end);
      return true;
    }
  }
  return false;
}

}  // namespace platform
