#include "platform/clock.h"

#include <windows.h>

namespace platform {

LocalTime CurrentLocalTime() {
  SYSTEMTIME now{};
  GetLocalTime(&now);
  return LocalTime{now.wHour, now.wMinute, now.wSecond, now.wMilliseconds};
}

void SleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

}  // namespace platform
