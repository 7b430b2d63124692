#include "servicing/driver_payload.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/fresh_folder.h"
#include "app/program_data.h"
#include "platform/files.h"
#include "platform/resources.h"
#include "platform/text.h"

DriverPayloadMap DriverPayloadTable;

namespace {

void FillTable() {
  DriverPayloadTable.clear();
  DriverPayloadTable = {
      {L"U3\\Asmedia\\amd64\\asmthub3.sys", L"Resource_1"},
      {L"U3\\Asmedia\\amd64\\asmtxhci.sys", L"Resource_2"},
      {L"U3\\Asmedia\\i386\\asmthub3.sys", L"Resource_3"},
      {L"U3\\Asmedia\\i386\\asmtxhci.sys", L"Resource_4"},
      {L"U3\\Asmedia\\ia64\\asmthub3.sys", L"Resource_5"},
      {L"U3\\Asmedia\\ia64\\asmtxhci.sys", L"Resource_6"},
      {L"U3\\Asmedia\\asmthub3.cat", L"Resource_7"},
      {L"U3\\Asmedia\\asmthub3.inf", L"Resource_8"},
      {L"U3\\Asmedia\\asmtxhci.cat", L"Resource_9"},
      {L"U3\\Asmedia\\asmtxhci.inf", L"Resource_10"},
      {L"U3\\Intel\\Win7\\x64\\iusb3hub.cat", L"Resource_11"},
      {L"U3\\Intel\\Win7\\x64\\iusb3hub.inf", L"Resource_12"},
      {L"U3\\Intel\\Win7\\x64\\IUsb3Hub.man", L"Resource_13"},
      {L"U3\\Intel\\Win7\\x64\\iusb3hub.sys", L"Resource_14"},
      {L"U3\\Intel\\Win7\\x64\\iusb3xhc.cat", L"Resource_15"},
      {L"U3\\Intel\\Win7\\x64\\iusb3xhc.inf", L"Resource_16"},
      {L"U3\\Intel\\Win7\\x64\\iusb3xhc.man", L"Resource_17"},
      {L"U3\\Intel\\Win7\\x64\\iusb3xhc.sys", L"Resource_18"},
      {L"U3\\Intel\\Win7\\x86\\iusb3hub.cat", L"Resource_19"},
      {L"U3\\Intel\\Win7\\x86\\iusb3hub.inf", L"Resource_20"},
      {L"U3\\Intel\\Win7\\x86\\IUsb3Hub.man", L"Resource_21"},
      {L"U3\\Intel\\Win7\\x86\\iusb3hub.sys", L"Resource_22"},
      {L"U3\\Intel\\Win7\\x86\\iusb3xhc.cat", L"Resource_23"},
      {L"U3\\Intel\\Win7\\x86\\iusb3xhc.inf", L"Resource_24"},
      {L"U3\\Intel\\Win7\\x86\\iusb3xhc.man", L"Resource_25"},
      {L"U3\\Intel\\Win7\\x86\\iusb3xhc.sys", L"Resource_26"},
  };
}

}  // namespace

std::wstring DriverPayloadRoot() { return platform::AnsiToWide(GetProgramDataFolder()) + L"U3"; }

void ExtractDriverPayload() {
  FillTable();
  const std::wstring base = platform::AnsiToWide(GetProgramDataFolder());
  const std::wstring root = base + L"U3";
  // Every .inf below the tree goes into the setup image, so the tree is the program's alone: a
  // tree (or a link) found in its place, whoever made it, is removed without following links,
  // and the new one only the system and administrators can write to. One that can't be removed
  // is never reused.
  if (platform::Status created = CreateFreshPrivateFolder(root); !created)
    throw std::runtime_error("Cannot create the driver folder \"" + platform::WideToAnsi(root) + "\"" +
                             platform::WideToAnsi(created.Suffix()));

  for (const auto& [relative, resource] : DriverPayloadTable) {
    const std::wstring full = base + relative;
    if (platform::IsFile(full)) {
      // What can't be cleared or made here fails the write below, which names the file.
      ClearReadOnlyAttribute(full);
      (void)platform::DeleteFileAt(full);
    } else {
      const std::wstring folder = full.substr(0, full.rfind(L'\\') + 1);
      if (!platform::IsFolder(folder)) (void)platform::CreateFolderPath(folder);
    }
    platform::Result<std::vector<std::uint8_t>> bytes = platform::LoadDataResource(resource);
    if (!bytes)
      throw std::runtime_error("Resource " + platform::WideToAnsi(resource) + " not found" +
                               platform::WideToAnsi(bytes.status().Suffix()));
    if (platform::Status written = platform::WriteWholeFile(full, *bytes); !written)
      throw std::runtime_error("Cannot create file \"" + platform::WideToAnsi(full) + "\"" +
                               platform::WideToAnsi(written.Suffix()));
  }
}
