#include "app/trace_log.h"

#include <algorithm>
#include <cstdio>
#include <mutex>

#include "app/program_data.h"
#include "app/utf16.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kMessageUnits = 1024;  // the message buffer, terminator included

std::mutex g_traceLock;    // one line at a time, and the path set-up once
std::wstring g_tracePath;  // computed by the first call, then kept

// The message as the 1024-unit buffer holds it, in ISO 8859-1: the text up to its first NUL,
// cut after 1023 UTF-16 units. A character beyond U+FFFF is two units (a surrogate pair on
// Windows) and each unit becomes a "?", so both builds write the same bytes.
std::string MessageBytes(const std::wstring& text) {
  std::string out;
  out.reserve(std::min(text.size(), kMessageUnits));
  std::size_t units = 0;
  for (wchar_t c : text) {
    auto code = static_cast<std::uint32_t>(c);
    if (code == 0) break;
    std::size_t width = Utf16UnitsOf(c);
    if (units + width > kMessageUnits - 1) {
      if (width == 2 && units + 1 == kMessageUnits - 1) out += '?';  // half a pair fits
      break;
    }
    units += width;
    if (code <= 0xFF)
      out += static_cast<char>(code);
    else
      out.append(width, '?');
  }
  return out;
}

}  // namespace

void TraceLog(const std::wstring& text) {
  std::string message = MessageBytes(text);

  std::lock_guard<std::mutex> guard(g_traceLock);
  if (g_tracePath.empty()) {
    // Without a trusted program data folder the line is dropped: it is never written elsewhere.
    const std::string folder = GetProgramDataFolder();
    if (folder.empty()) return;
    g_tracePath = platform::AnsiToWide(folder) + L"XHCItrace.log";
  }

  platform::LocalTime now = platform::CurrentLocalTime();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", now.hour, now.minute, now.second, now.millisecond);
  std::string line = stamp + message;
  // Text mode: every line feed becomes CR LF.
  std::string bytes;
  bytes.reserve(line.size() + 2);
  for (char c : line + "\n") {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  (void)platform::AppendToFile(g_tracePath, bytes);  // a line that can't be written is lost
}

namespace app {
std::wstring TraceLogPath() {
  std::lock_guard<std::mutex> guard(g_traceLock);
  return g_tracePath;
}

void ResetTraceLogPath() {
  std::lock_guard<std::mutex> guard(g_traceLock);
  g_tracePath.clear();
}
}  // namespace app
