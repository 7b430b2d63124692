#include "platform/folders.h"

#include "sim/machine/machine.h"
#include "platform/text.h"

namespace platform {

namespace {
std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}
}  // namespace

// Fault switch "folders.commonAppData" = "fail": the shell can't provide the folder.
std::string CommonAppDataFolder() {
  auto machine = host::Machine::Current();
  if (!machine || machine->Fault("folders.commonAppData")) return {};
  return WideToAnsi(machine->commonAppData);
}

std::wstring SystemFolder() {
  auto machine = host::Machine::Current();
  return machine ? machine->systemFolder : std::wstring();
}

std::wstring WindowsFolder() {
  auto machine = host::Machine::Current();
  return machine ? machine->windowsFolder : std::wstring();
}

std::wstring ProgramFilesX86Folder() {
  auto machine = host::Machine::Current();
  return machine ? machine->programFilesX86 : std::wstring();
}

std::wstring ExecutableFolder() {
  auto machine = host::Machine::Current();
  return machine ? WithBackslash(machine->programFolder) : std::wstring();
}

std::wstring CurrentFolder() {
  auto machine = host::Machine::Current();
  return machine ? WithBackslash(machine->currentFolder) : std::wstring();
}

}  // namespace platform
