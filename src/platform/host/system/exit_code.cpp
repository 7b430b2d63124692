#include "platform/host/system/exit_code.h"

#include <unistd.h>

#include <cstdlib>
#include <string>

namespace platform::host {

int ExitWithWindowsCode(std::uint32_t code) {
  if (const char* channel = std::getenv(kExitCodeVariable)) {
    int fd = std::atoi(channel);
    unsigned char bytes[4] = {static_cast<unsigned char>(code), static_cast<unsigned char>(code >> 8),
                              static_cast<unsigned char>(code >> 16), static_cast<unsigned char>(code >> 24)};
    if (fd > 2 && ::write(fd, bytes, sizeof bytes) == static_cast<ssize_t>(sizeof bytes)) ::close(fd);
  }
  if (code == 0) return 0;
  return (code & 0xFF) != 0 ? static_cast<int>(code & 0xFF) : 1;
}

}  // namespace platform::host
