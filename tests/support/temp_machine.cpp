#include "support/temp_machine.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "app/trace_log.h"

namespace fs = std::filesystem;

namespace test {

namespace {
std::string MakeTempFolder(const fs::path& parent = fs::temp_directory_path()) {
  std::string pattern = (parent / "draventa-test-XXXXXX").string();
  char* made = ::mkdtemp(pattern.data());
  return made ? std::string(made) : std::string();
}
}  // namespace

TempFolder::TempFolder() : path_(MakeTempFolder()) {}
TempFolder::~TempFolder() {
  std::error_code ec;
  // Read-only files inside are removed too: make everything writable first.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

TempMachine::TempMachine() : TempMachine(fs::temp_directory_path().string()) {}

TempMachine::TempMachine(const std::string& parentFolder) : builder_(MakeTempFolder(parentFolder)) {
  builder_.Fixed('C', 0);
  Apply();
  app::ResetTraceLogPath();
}

std::string MemoryBackedTempParent() {
  std::error_code ec;
  return fs::is_directory("/dev/shm", ec) ? std::string("/dev/shm") : fs::temp_directory_path().string();
}

TempMachine::~TempMachine() {
  platform::host::Machine::UseFolder("");
  std::error_code ec;
  for (auto it = fs::recursive_directory_iterator(builder_.Folder(), ec);
       !ec && it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_write, fs::perm_options::add, ec);
  fs::remove_all(builder_.Folder(), ec);
}

void TempMachine::Apply() {
  builder_.Write();
  builder_.Use();
}

std::string TempMachine::Host(const std::wstring& windowsPath) const {
  return platform::host::Machine::HostPath(windowsPath);
}

void WriteHostFile(const std::string& path, const std::string& content) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out << content;
}

std::string ReadHostFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

}  // namespace test
