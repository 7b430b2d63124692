#pragma once
// Lengths as Windows counts them, in UTF-16 units. Where wchar_t is 32 bits (the host) a
// character beyond U+FFFF takes two units, as its surrogate pair does on Windows, so both builds
// cut and measure text alike.
#include <cstddef>
#include <cstdint>
#include <string>

// A template, so the comparison is not compiled where wchar_t can't exceed U+FFFF.
template <typename Char>
std::size_t Utf16UnitsOf(Char c) {
  if constexpr (sizeof(Char) > 2)
    return static_cast<std::uint32_t>(c) > 0xFFFF ? 2 : 1;
  else
    return 1;
}

inline std::size_t Utf16Length(const std::wstring& text) {
  std::size_t units = 0;
  for (wchar_t c : text) units += Utf16UnitsOf(c);
  return units;
}
