#pragma once
// A simulated machine in a fresh temporary folder, made current for this process. It has a
// system drive C: with the usual folders; tests add drives through Builder() and call Apply().
#include <string>

#include "sim/machine/machine_builder.h"

namespace test {

class TempMachine {
 public:
  TempMachine();
  // A machine in a folder of its own below `parentFolder` (see MemoryBackedTempParent).
  explicit TempMachine(const std::string& parentFolder);
  ~TempMachine();
  TempMachine(const TempMachine&) = delete;
  TempMachine& operator=(const TempMachine&) = delete;

  platform::host::MachineBuilder& Builder() { return builder_; }
  // Writes the description after changes made through Builder().
  void Apply();

  const std::string& Folder() const { return builder_.Folder(); }
  // Host path of a Windows path on this machine.
  std::string Host(const std::wstring& windowsPath) const;

 private:
  platform::host::MachineBuilder builder_;
};

// A folder in memory where the host has one (/dev/shm), else the temporary folder: for tests
// that make and copy many thousands of files, which a disk-backed folder makes slow.
std::string MemoryBackedTempParent();

// A fresh empty temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

// Small host-file helpers for tests.
void WriteHostFile(const std::string& path, const std::string& content);
std::string ReadHostFile(const std::string& path);

}  // namespace test
