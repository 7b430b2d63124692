// A stand-in for the translation library, for the wrapper's tests: texts of any length, and a
// record of the capacity of every call.
//
//   "length:N"  a text of N characters: 'a', 'b', ... 'z', 'a', ...
//   "short:N"   reports N characters but writes "abc" and a zero
//   "liar"      reports 0xFFFFFFFF whatever the buffer, filling it with 'x'
//   other keys  the text "[" + key + "]"
// Built without QV_TEST_LANG_NAME it lacks the export QvGetLangName.
#include <cstdint>
#include <cstdlib>
#include <cwchar>

#define TEST_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

constexpr std::uint32_t kMaxRecorded = 256;
std::uint32_t g_capacities[kMaxRecorded];
std::uint32_t g_calls = 0;

std::uint32_t Fill(wchar_t* buffer, std::uint32_t capacity, std::uint32_t length, wchar_t (*at)(std::uint32_t)) {
  if (buffer && capacity > 0) {
    std::uint32_t copied = length < capacity - 1 ? length : capacity - 1;
    for (std::uint32_t i = 0; i < copied; ++i) buffer[i] = at(i);
    buffer[copied] = 0;
  }
  return length;
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix, const wchar_t*& rest) {
  std::size_t n = std::wcslen(prefix);
  if (std::wcsncmp(text, prefix, n) != 0) return false;
  rest = text + n;
  return true;
}

}  // namespace

TEST_EXPORT std::uint32_t QvTranslateStr(const wchar_t* key, wchar_t* buffer, std::uint32_t capacity) {
  if (g_calls < kMaxRecorded) g_capacities[g_calls] = capacity;
  ++g_calls;
  const wchar_t* rest = nullptr;
  if (StartsWith(key, L"length:", rest)) {
    auto length = static_cast<std::uint32_t>(std::wcstoul(rest, nullptr, 10));
    return Fill(buffer, capacity, length, [](std::uint32_t i) { return static_cast<wchar_t>(L'a' + i % 26); });
  }
  if (StartsWith(key, L"short:", rest)) {
    Fill(buffer, capacity, 3, [](std::uint32_t i) { return static_cast<wchar_t>(L'a' + i); });
    return static_cast<std::uint32_t>(std::wcstoul(rest, nullptr, 10));
  }
  if (std::wcscmp(key, L"liar") == 0) {
    Fill(buffer, capacity, 0xFFFFFFFFu, [](std::uint32_t) { return L'x'; });
    return 0xFFFFFFFFu;
  }
  static thread_local wchar_t text[512];
  std::swprintf(text, 512, L"[%ls]", key);
  return Fill(buffer, capacity, static_cast<std::uint32_t>(std::wcslen(text)), [](std::uint32_t i) { return text[i]; });
}

#ifdef QV_TEST_LANG_NAME
TEST_EXPORT std::uint32_t QvGetLangName(wchar_t* buffer, std::uint32_t capacity) {
  return Fill(buffer, capacity, 4, [](std::uint32_t i) { return L"Test"[i]; });
}
#endif

// Copies the capacities of the calls since the last take into `out` and forgets them; returns
// how many calls there were.
TEST_EXPORT std::uint32_t TestTakeCapacities(std::uint32_t* out, std::uint32_t max) {
  std::uint32_t calls = g_calls;
  for (std::uint32_t i = 0; i < calls && i < max && i < kMaxRecorded; ++i) out[i] = g_capacities[i];
  g_calls = 0;
  return calls;
}
