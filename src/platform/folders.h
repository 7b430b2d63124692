#pragma once
// The well-known folders of the machine the program runs on.
#include <string>

namespace platform {

// The common application data folder (CSIDL_COMMON_APPDATA) in the ANSI code page, without a
// guaranteed trailing backslash; empty when the shell can't provide it.
std::string CommonAppDataFolder();

// The Windows system folder (GetSystemDirectoryW), empty on failure. A 32-bit process on
// 64-bit Windows is redirected from it to SysWOW64: the native one is reached through
// WindowsFolder() + "\Sysnative".
std::wstring SystemFolder();

// The system's Windows folder (GetSystemWindowsDirectoryW: the shared one, never a user's own
// Windows folder on a terminal server), without a trailing backslash; empty on failure.
std::wstring WindowsFolder();

// The 32-bit programs' Program Files folder (CSIDL_PROGRAM_FILESX86: "Program Files (x86)" on
// 64-bit Windows, "Program Files" on 32-bit Windows), without a trailing backslash; empty on
// failure. Microsoft's deployment kits install there.
std::wstring ProgramFilesX86Folder();

// The folder of the running executable, with a trailing backslash.
std::wstring ExecutableFolder();

// The process's current folder, with a trailing backslash.
std::wstring CurrentFolder();

}  // namespace platform
