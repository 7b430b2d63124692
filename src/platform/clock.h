#pragma once
// Local wall-clock time and sleeping.
#include <cstdint>

namespace platform {

struct LocalTime {
  int hour = 0;         // 0-23
  int minute = 0;       // 0-59
  int second = 0;       // 0-59
  int millisecond = 0;  // 0-999
};

LocalTime CurrentLocalTime();
void SleepMilliseconds(std::uint32_t milliseconds);

}  // namespace platform
