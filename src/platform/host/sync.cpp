#include "platform/sync.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include "sim/machine/machine.h"

namespace platform {

// A named mutex is a lock file in the machine's "mutex" folder, held with flock by the process
// that created it, so a second process (the host build's second instance) really is refused.
namespace {
std::string LockPath(const std::wstring& name) {
  std::string folder = host::Machine::Folder();
  if (folder.empty()) folder = "/tmp";
  std::filesystem::create_directories(folder + "/mutex");
  return folder + "/mutex/" + host::ToUtf8(name) + ".lock";
}

class HostMutex : public NamedMutex {
 public:
  explicit HostMutex(int fd) : fd_(fd) {}
  ~HostMutex() override { ::close(fd_); }

 private:
  int fd_;
};
}  // namespace

bool NamedMutexExists(const std::wstring& name) {
  std::string path = LockPath(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  if (!held) ::flock(fd, LOCK_UN);
  ::close(fd);
  return held;
}

std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) {
  std::string path = LockPath(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  alreadyExisted = false;
  if (fd < 0) return nullptr;
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    alreadyExisted = true;
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<HostMutex>(fd);
}

}  // namespace platform
