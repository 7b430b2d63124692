#include "platform/clock.h"

#include <chrono>
#include <ctime>
#include <thread>

namespace platform {

LocalTime CurrentLocalTime() {
  auto now = std::chrono::system_clock::now();
  std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  std::tm parts{};
  localtime_r(&seconds, &parts);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  return LocalTime{parts.tm_hour, parts.tm_min, parts.tm_sec, static_cast<int>(ms)};
}

void SleepMilliseconds(std::uint32_t milliseconds) {
  std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

}  // namespace platform
