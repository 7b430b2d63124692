#include "sim/machine/machine.h"
#include "platform/process.h"

namespace platform {

// The simulated machine says whether it is 64-bit Windows, on which this 32-bit program runs
// under WOW64 (machine.json "wow64").
bool RunsUnderWow64() {
  auto machine = host::Machine::Current();
  return machine && machine->wow64;
}

// The host build stands for the 32-bit program.
const wchar_t* ProcessArchitecture() { return L"x86"; }

}  // namespace platform
