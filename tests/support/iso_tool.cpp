#include "support/iso_tool.h"

#include <cstdlib>
#include <string>

#include "platform/folders.h"

namespace test {

bool InstallIsoTool(TempMachine& machine) {
  const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
  if (tools == nullptr) return false;
  const std::wstring exe = platform::ExecutableFolder();
  if (!machine.Builder().InstallTool(exe + L"Oscdimg_x86\\Oscdimg\\oscdimg.exe", std::string(tools) + "/oscdimg.exe"))
    return false;
  std::string sector(2048, '\0');
  sector[510] = '\x55';
  sector[511] = '\xAA';
  for (const wchar_t* arch : {L"Oscdimg_x86", L"Oscdimg_amd64"}) {
    const std::string folder = machine.Host(exe + arch + L"\\Oscdimg");
    WriteHostFile(folder + "/etfsboot.com", sector);
    WriteHostFile(folder + "/efisys.bin", std::string(1474560, '\0'));
  }
  return true;
}

}  // namespace test
