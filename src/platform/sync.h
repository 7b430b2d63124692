#pragma once
// Named kernel objects shared between processes.
#include <memory>
#include <string>

namespace platform {

// True when a mutex of that name exists (OpenMutexW with no rights requested).
bool NamedMutexExists(const std::wstring& name);

class NamedMutex {
 public:
  virtual ~NamedMutex() = default;
};

// Creates the named mutex, initially owned (CreateMutexW). `alreadyExisted` is set when
// another process created it first (ERROR_ALREADY_EXISTS). The object keeps the handle open.
std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted);

}  // namespace platform
