#pragma once
// The program data folder and two file-system routines that many parts share.
#include <string>

// The common application data folder + "Qarvel\DraventaWin\" (ANSI text, trailing backslash),
// created with every missing level. Empty when the common folder can't be obtained.
std::string GetProgramDataFolder();

// Deletes a folder with everything below it, silently. False when the path is empty or missing,
// or the deletion failed.
bool DeleteFolderTree(const std::wstring& path);

// Clears the file's read-only attribute, keeping the others. Always true.
bool ClearReadOnlyAttribute(const std::wstring& path);
