#include "platform/host/system/name_index.h"

#include <dirent.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <map>
#include <mutex>
#include <unordered_map>
#include <utility>

#include "platform/host/system/utf8.h"

namespace platform::host {

namespace {

// The name lowered as every case-blind comparison of the host lowers it (UTF-8).
std::string LoweredName(const std::string& name) {
  std::wstring wide = FromUtf8(name);
  for (auto& c : wide) c = static_cast<wchar_t>(std::towlower(c));
  return ToUtf8(wide);
}

// At most this many folders are indexed, holding at most this many names in all; the folder
// asked about longest ago is forgotten first. A folder with more names is read each time.
constexpr std::size_t kMaxFolders = 16;
constexpr std::size_t kMaxNames = 1u << 17;

// The changes that add or remove a name, and the folder's own end (IN_IGNORED always comes).
constexpr std::uint32_t kWatchMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_DELETE_SELF | IN_ONLYDIR;

// The entry whose lowered name is the key. `several`: more than one entry lowers to it (the
// host allows that, Windows does not); the folder is then read for the answer, so that it is
// the first entry listed, as it always was.
struct IndexedName {
  std::string name;
  bool several = false;
};

struct IndexedFolder {
  int watch = -1;
  std::uint64_t used = 0;
  std::unordered_map<std::string, IndexedName> names;
};

// A folder is known by its inode, so an index holds whatever path reaches it (links included)
// and a folder that is renamed keeps its index.
using FolderKey = std::pair<dev_t, ino_t>;

// The answer without an index: the first entry of the listing whose lowered name matches.
std::string ScanFolder(const std::string& folder, const std::string& name, const std::string& lowered) {
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return name;
  std::string match = name;
  while (dirent* entry = ::readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    if (LoweredName(entry->d_name) == lowered) {
      match = entry->d_name;
      break;
    }
  }
  ::closedir(dir);
  return match;
}

class NameIndex {
 public:
  std::optional<std::string> Match(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return std::nullopt;
    const std::string lowered = LoweredName(name);
    {
      std::lock_guard<std::mutex> guard(lock_);
      Drain();
      const FolderKey key{st.st_dev, st.st_ino};
      auto it = folders_.find(key);
      IndexedFolder* indexed = it != folders_.end() ? &it->second : Build(folder, key);
      if (indexed) {
        indexed->used = ++clock_;
        auto found = indexed->names.find(lowered);
        if (found == indexed->names.end()) return name;
        if (!found->second.several) return found->second.name;
      }
    }
    return ScanFolder(folder, name, lowered);
  }

 private:
  // Applies every queued change. The kernel queues a change before the call that made it
  // returns, so after this the indexes hold what the folders hold now.
  void Drain() {
    alignas(inotify_event) char buffer[16384];
    while (queue_ >= 0) {
      ssize_t got = ::read(queue_, buffer, sizeof buffer);
      if (got < 0 && errno == EINTR) continue;
      if (got < 0 && errno == EAGAIN) return;
      if (got <= 0) {
        ForgetAll();
        return;
      }
      for (ssize_t at = 0; at < got && queue_ >= 0;) {
        const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
        Apply(*event);
        at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      }
    }
  }

  void Apply(const inotify_event& event) {
    if (event.mask & IN_Q_OVERFLOW) {
      ForgetAll();  // changes were lost: every folder is read afresh
      return;
    }
    auto watch = byWatch_.find(event.wd);
    if (watch == byWatch_.end()) return;  // a folder forgotten already
    auto it = folders_.find(watch->second);
    if (it == folders_.end()) {
      byWatch_.erase(watch);
      return;
    }
    if (event.mask & (IN_IGNORED | IN_DELETE_SELF)) {
      Forget(it);
      return;
    }
    if (event.len == 0) return;
    const std::string name(event.name);
    if (event.mask & (IN_CREATE | IN_MOVED_TO)) {
      Add(it->second, name);
    } else if (event.mask & (IN_DELETE | IN_MOVED_FROM)) {
      if (!Remove(it->second, name)) Forget(it);
    }
    if (total_ > kMaxNames) MakeRoom(0, 0);
  }

  void Add(IndexedFolder& folder, const std::string& name) {
    auto [it, added] = folder.names.try_emplace(LoweredName(name), IndexedName{name, false});
    if (added)
      ++total_;
    else if (it->second.name != name)
      it->second.several = true;
  }

  // False when the folder must be read afresh: one of several names of the same key went, and
  // which of them are left is not recorded.
  bool Remove(IndexedFolder& folder, const std::string& name) {
    auto it = folder.names.find(LoweredName(name));
    if (it == folder.names.end()) return true;
    if (it->second.several) return false;
    // Another name than the indexed one: it was never listed (made and removed while the
    // folder was read); the indexed one is still there.
    if (it->second.name == name) {
      folder.names.erase(it);
      --total_;
    }
    return true;
  }

  // Reads the folder into a new index; null when it can't be kept (the caller reads the
  // folder itself). The watch is set before the folder is read, so a change made meanwhile is
  // in the queue and applied after the listing: adding a name again or removing one that was
  // never listed changes nothing, and the last change of each name decides.
  IndexedFolder* Build(const std::string& path, const FolderKey& key) {
    if (queue_ < 0) queue_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (queue_ < 0) return nullptr;
    const int watch = ::inotify_add_watch(queue_, path.c_str(), kWatchMask);
    if (watch < 0) return nullptr;
    // A watch number still on record belongs to no other folder now: drop that record only.
    if (auto stale = byWatch_.find(watch); stale != byWatch_.end()) Forget(folders_.find(stale->second), false);
    IndexedFolder folder;
    folder.watch = watch;
    std::size_t before = total_;
    bool whole = false;
    if (DIR* dir = ::opendir(path.c_str())) {
      struct stat st {};
      // The folder read must be the one asked about (not one put in its place meanwhile).
      whole = ::fstat(::dirfd(dir), &st) == 0 && FolderKey{st.st_dev, st.st_ino} == key;
      for (;;) {
        errno = 0;
        dirent* entry = whole ? ::readdir(dir) : nullptr;
        if (!entry) {
          whole = whole && errno == 0;
          break;
        }
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        Add(folder, entry->d_name);
        if (folder.names.size() > kMaxNames) {
          whole = false;
          break;
        }
      }
      ::closedir(dir);
    }
    total_ = before;  // counted once the folder is kept
    if (!whole) {
      ::inotify_rm_watch(queue_, watch);
      return nullptr;
    }
    MakeRoom(folder.names.size(), 1);
    total_ += folder.names.size();
    byWatch_[watch] = key;
    return &(folders_[key] = std::move(folder));
  }

  // Forgets the folders asked about longest ago until `folders` more holding `names` fit.
  void MakeRoom(std::size_t names, std::size_t folders) {
    while (!folders_.empty() && (folders_.size() + folders > kMaxFolders || total_ + names > kMaxNames)) {
      auto oldest = folders_.begin();
      for (auto it = folders_.begin(); it != folders_.end(); ++it)
        if (it->second.used < oldest->second.used) oldest = it;
      Forget(oldest);
    }
  }

  void Forget(std::map<FolderKey, IndexedFolder>::iterator it, bool endWatch = true) {
    if (it == folders_.end()) return;
    if (endWatch) ::inotify_rm_watch(queue_, it->second.watch);  // fails harmlessly when the kernel ended it
    byWatch_.erase(it->second.watch);
    total_ -= it->second.names.size();
    folders_.erase(it);
  }

  void ForgetAll() {
    if (queue_ >= 0) ::close(queue_);  // ends every watch and drops what is queued
    queue_ = -1;
    folders_.clear();
    byWatch_.clear();
    total_ = 0;
  }

  std::mutex lock_;
  int queue_ = -1;  // the inotify queue, opened with the first index
  std::map<FolderKey, IndexedFolder> folders_;
  std::unordered_map<int, FolderKey> byWatch_;
  std::uint64_t clock_ = 0;
  std::size_t total_ = 0;
};

NameIndex& TheIndex() {
  static NameIndex* const index = new NameIndex();  // never destroyed: threads may ask until exit
  return *index;
}

}  // namespace

std::optional<std::string> MatchNameInFolder(const std::string& folder, const std::string& name) {
  return TheIndex().Match(folder, name);
}

}  // namespace platform::host
