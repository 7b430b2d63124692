#pragma once
// Names compare without regard to case, as Windows compares file, drive and resource names.
#include <cwctype>
#include <string>

inline std::wstring UpperCase(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towupper(c));
  return text;
}

inline std::wstring LowerCase(std::wstring text) {
  for (auto& c : text) c = static_cast<wchar_t>(std::towlower(c));
  return text;
}

inline bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b) { return UpperCase(a) == UpperCase(b); }
