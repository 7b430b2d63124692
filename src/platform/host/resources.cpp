#include "platform/resources.h"

#include <cwctype>

#include "platform/host/linked_resources.h"
#include "sim/machine/machine.h"

namespace platform {

namespace {
constexpr std::uint32_t kErrorResourceNameNotFound = 1814;

bool SameNameIgnoringCase(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return i == a.size() && b[i] == 0;
}
}  // namespace

// Fault switch "resources.missing" = "<name>": that resource is not in the image.
Result<std::vector<std::uint8_t>> LoadDataResource(const std::wstring& name) {
  const Status missing = Status::Win32(kErrorResourceNameNotFound, "FindResourceW", name);
  if (auto machine = host::Machine::Current()) {
    if (auto fault = machine->Fault("resources.missing"); fault && SameNameIgnoringCase(name, host::FromUtf8(*fault).c_str()))
      return missing;
  }
  for (std::size_t i = 0; i < host::kLinkedResourceCount; ++i) {
    const host::LinkedResource& resource = host::kLinkedResources[i];
    if (SameNameIgnoringCase(name, resource.name)) return std::vector<std::uint8_t>(resource.begin, resource.end);
  }
  return missing;
}

}  // namespace platform
