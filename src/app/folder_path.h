#pragma once
// A folder's path ready for a name to be appended.
#include <string>

// The folder with one backslash at its end; an empty path stays empty.
inline std::wstring WithBackslash(std::wstring folder) {
  if (!folder.empty() && folder.back() != L'\\') folder += L'\\';
  return folder;
}
