#pragma once
// The program data folder and two file-system routines that many parts share.
#include <string>

// The common application data folder + "Qarvel\DraventaWin\" (ANSI text, trailing backslash),
// created when missing ("DraventaWin" with the private access list). Empty when the common
// folder can't be obtained, or when the folder or its parent is not the administrators' own
// (see CheckProgramDataFolder): nothing is then written or run from there.
std::string GetProgramDataFolder();

// Makes the program data folder ready for an elevated program, at start-up. Every user may
// create folders in the common application data folder, so a user who made "Qarvel" or
// "DraventaWin" first could swap the files the program runs or injects below them. The folder
// and its parent must therefore be owned by the system or the administrators and not be links;
// an existing "DraventaWin" gets the private access list again. Returns the text to show the
// user when the program must not start, empty when all is well.
std::wstring CheckProgramDataFolder();

// Deletes a folder with everything below it, silently. False when the path is empty or missing,
// or the deletion failed.
bool DeleteFolderTree(const std::wstring& path);

// Clears the file's read-only attribute, keeping the others. Always true.
bool ClearReadOnlyAttribute(const std::wstring& path);
