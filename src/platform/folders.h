#pragma once
// The well-known folders of the machine the program runs on.
#include <string>

namespace platform {

// The common application data folder (CSIDL_COMMON_APPDATA) in the ANSI code page, without a
// guaranteed trailing backslash; empty when the shell can't provide it.
std::string CommonAppDataFolder();

// The Windows system folder (GetSystemDirectoryW), empty on failure.
std::wstring SystemFolder();

// The folder of the running executable, with a trailing backslash.
std::wstring ExecutableFolder();

// The process's current folder, with a trailing backslash.
std::wstring CurrentFolder();

}  // namespace platform
