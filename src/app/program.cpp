#include "app/program.h"

#include <memory>

#include "platform/sync.h"

namespace app {

int RunProgram() {
  // Another instance holds the mutex: leave at once, silently.
  if (platform::NamedMutexExists(L"DRAVENTA")) return 0;
  bool alreadyExisted = false;
  std::unique_ptr<platform::NamedMutex> mutex = platform::CreateNamedMutex(L"DRAVENTA", alreadyExisted);
  if (alreadyExisted) return 0;
  return 0;
}

}  // namespace app
