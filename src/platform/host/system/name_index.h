#pragma once
// Host file system: the case-blind name look-up, through an index of the
// lowered names of recently searched folders.
//
// Windows finds "SETUP.EXE" when the folder holds "setup.exe"; the host file system does not,
// so Machine::HostPath asks here for every name that does not exist as written (a file about
// to be created is such a name, each time it is asked for). The index reads a folder once, so
// filling a folder does not cost the square of its size.
//
// The index of a folder is kept current by an inotify watch on it: every creation, rename and
// deletion in the folder, made by this process or by any other (the substitute diskpart,
// oscdimg and DISM run as processes of their own), is queued by the kernel before the call
// that made it returns, and the queue is applied before each answer. So an answer is the one
// a fresh listing would give. Where the index can't be kept (no inotify, the watch limit
// reached, the queue overflowed) the folder is read as before.
#include <optional>
#include <string>

namespace platform::host {

// The name of the entry of host folder `folder` that equals `name` without regard to case (each
// character lowered with towlower, as every case-blind comparison of the host does); when
// several do, the first one the file system lists. `name` itself when none does. Nothing when
// `folder` is not a folder. Thread-safe.
std::optional<std::string> MatchNameInFolder(const std::string& folder, const std::string& name);

}  // namespace platform::host
