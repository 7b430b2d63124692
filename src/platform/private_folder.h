#pragma once
// Folders that only the system and administrators can write to, for files the program hands to
// a program it runs with administrator rights (a diskpart script) or builds the setup image from
// (the driver payload, the mounted image, the scratch copy of the disc): nobody without those
// rights can put a different file in their place or add one.
//
// On Windows such a folder's DACL is protected (nothing is inherited from the parent) and grants
// full control to SYSTEM and BUILTIN\Administrators only, inherited by everything made inside
// it; on the host its mode is 0700.
#include <string>

#include "platform/status.h"

namespace platform {

// Creates a new folder inside `parent`, named `prefix` followed by hexadecimal digits; a folder
// that already exists is never reused. Returns its full path with a trailing backslash.
Result<std::wstring> CreatePrivateFolder(const std::wstring& parent, const std::wstring& prefix);

// Creates the folder `path` (one level, CreateDirectoryW with the private access list). Fails
// when anything already stands at the path, a folder, a file or a link (ERROR_ALREADY_EXISTS),
// so a folder made by someone else is never taken for the program's own.
Status CreatePrivateFolderAt(const std::wstring& path);

// The account that owns a file or folder, as the system reports it.
struct Owner {
  std::wstring name;     // "BUILTIN\\Administrators", "PC\\bob"; the SID's text when it has no name
  // The system, the Administrators group, TrustedInstaller, or the account running this elevated
  // program (its user or its default owner, which what it creates carries): an owner only an
  // administrator can be.
  bool trusted = false;
};

// The owner of `path` (GetNamedSecurityInfoW on Windows; on the host, the machine's record).
Result<Owner> GetOwner(const std::wstring& path);

// Gives the existing folder `path` the private access list (protected, inherited by what is
// inside), replacing what it had.
Status MakeFolderPrivate(const std::wstring& path);

}  // namespace platform
