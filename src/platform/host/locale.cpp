#include "platform/locale.h"

#include "sim/machine/machine.h"

namespace platform {

// The simulated machine's "systemLocale"; English (United States) when no machine is set.
std::uint32_t SystemDefaultLocale() {
  auto machine = host::Machine::Current();
  return machine ? machine->systemLocale : host::kDefaultSystemLocale;
}

}  // namespace platform
