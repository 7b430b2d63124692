#pragma once
// The working folders of the program data folder (the driver payload tree, the scratch folder)
// hold what goes into the setup image, so they are made afresh for the program alone: whatever
// stood at their place is removed without following a link or junction, and the new folder gets
// the private access list of platform/private_folder.h. Below the common application data
// folder every user may create files and folders, so a folder found there is never reused.
#include <string>

#include "platform/status.h"

// Deletes `path` and everything below it. A link or junction at the path or anywhere inside the
// tree is removed as a link; what it points at is never entered or changed. Read-only entries
// are made writable before they are deleted. Succeeds when nothing stands at the path afterwards
// (also when nothing stood there); else the Status is the first failure. The path may end in a
// backslash; a drive root is refused (ERROR_INVALID_PARAMETER).
platform::Status DeleteTreeWithoutLinks(const std::wstring& path);

// Removes whatever stands at `path` as DeleteTreeWithoutLinks does, then creates the folder with
// the private access list. Fails when the old entry can't be removed or when something stands at
// the path again when the folder is created.
platform::Status CreateFreshPrivateFolder(const std::wstring& path);
