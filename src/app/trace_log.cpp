#include "app/trace_log.h"

#include <cstdio>
#include <mutex>

#include "app/program_data.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

constexpr std::size_t kMessageUnits = 1024;  // the message buffer, terminator included

std::mutex g_traceLock;    // one line at a time, and the path set-up once
std::wstring g_tracePath;  // computed by the first call, then kept

std::string EncodeLatin1(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (wchar_t c : text) out += static_cast<std::uint32_t>(c) <= 0xFF ? static_cast<char>(c) : '?';
  return out;
}

}  // namespace

void TraceLog(const std::wstring& text) {
  std::wstring message = text.substr(0, kMessageUnits - 1);

  std::lock_guard<std::mutex> guard(g_traceLock);
  if (g_tracePath.empty()) g_tracePath = platform::AnsiToWide(GetProgramDataFolder()) + L"XHCItrace.log";

  platform::LocalTime now = platform::CurrentLocalTime();
  char stamp[32];
  std::snprintf(stamp, sizeof stamp, "%02d:%02d:%02d.%03d ", now.hour, now.minute, now.second, now.millisecond);
  std::string line = stamp + EncodeLatin1(message);
  // Text mode: every line feed becomes CR LF.
  std::string bytes;
  bytes.reserve(line.size() + 2);
  for (char c : line + "\n") {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  platform::AppendToFile(g_tracePath, bytes);  // a line that can't be written is lost
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
