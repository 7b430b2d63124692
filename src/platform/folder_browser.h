#pragma once
// The system's folder browser (SHBrowseForFolderW). On the host the answers come from a script
// and every browser opened is recorded (sim/probes/folder_browser_script.h).
#include <string>

#include "platform/types.h"

namespace platform {

// Asks the user for a file-system folder, modal to `owner`, with `title` above the tree. Returns
// the folder's path as the system gives it (SHGetPathFromIDListW: no backslash added, "E:\" for
// a drive root), or an empty string when the user cancelled or chose something that is not a
// file-system folder.
std::wstring BrowseForFolder(WindowHandle owner, const std::wstring& title);

}  // namespace platform
