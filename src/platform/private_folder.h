#pragma once
// A folder that only the system and administrators can write to, for files the program hands to
// another program it runs with administrator rights (a diskpart script): nobody without those
// rights can put a different file in its place between writing and running.
#include <string>

namespace platform {

// Creates a new folder inside `parent`, named `prefix` followed by hexadecimal digits; a folder
// that already exists is never reused. On Windows its DACL is protected (nothing inherited) and
// grants full control to SYSTEM and BUILTIN\Administrators only; on the host its mode is 0700.
// Returns its full path with a trailing backslash, empty on failure.
std::wstring CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix);

}  // namespace platform
