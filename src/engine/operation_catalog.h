#pragma once
// Which operation object each operation code makes. The runner asks for one operation per step;
// tests may replace the maker to run jobs of recording operations.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/basic_operation.h"
#include "engine/job_record.h"
#include "engine/usb_file_check.h"

// The operation codes of the job lists (OperateTable). The numbers are fixed; each name says
// what the catalogue makes for it. "Scratch" is the job's scratch folder (szTmpPath), "USB" the
// chosen drive (szTagPath), "OS folder" the folder "OS" beside the program (szImgDriverPath).
enum OperationCode : std::int32_t {
  kOpEnd = -1,                    // ends every list: the end marker, never run
  kOpCheck = 1,                   // does nothing and succeeds
  kOpCopyScratchToUsb = 2,        // copies the scratch folder to the USB drive
  kOpServiceScratchBootWim = 3,   // adds the drivers to the scratch folder's sources\boot.wim
  kOpMakeIso = 4,                 // builds the ISO file from the scratch folder
  kOpPrepareUsb = 5,              // formats the USB drive FAT32, makes it active, labels it
  kOpCopyDiscToScratch = 6,       // copies the disc to the scratch folder
  kOpCopyOsFolderToUsb = 7,       // copies the OS folder over the USB drive's files
  kOpCopyDiscToUsb = 8,           // copies the disc to the USB drive
  kOpServiceUsbBootWim = 9,       // adds the drivers to the USB drive's sources\boot.wim
  kOpCopyOsFolderToScratch = 16,  // copies the OS folder over the scratch folder's files
  kOpCheckUsbFiles = 17,          // reads every file back from the USB drive and compares it
};

struct OperationContext {
  platform::WindowHandle hWnd = 0;     // receives the state messages
  const WIN7_OPERAT_INFO* info = nullptr;
  std::wstring tmpPath;                // the runner's copy of szTmpPath
  // The runner's copy of szTagPath: after formatting moved the USB drive to another letter, its
  // new root, so the later steps follow the drive. Empty: szTagPath itself.
  std::wstring tagPath;
  std::wstring sourceLabel;            // volume label of szSourcePath, empty when unknown
  // The runner's digests of the files earlier steps wrote over the disc's (kOpCheckUsbFiles).
  const WrittenFiles* written = nullptr;
};

// The operation for `code` (kOpEnd and unknown codes make the end marker).
std::unique_ptr<BasicOperation> MakeOperation(std::int32_t code, const OperationContext& context);

// The catalogue's own operation for `code`, whatever maker is set (for makers that replace only
// some steps).
std::unique_ptr<BasicOperation> MakeFromCatalogue(std::int32_t code, const OperationContext& context);

using OperationMaker = std::function<std::unique_ptr<BasicOperation>(std::int32_t, const OperationContext&)>;
// Replaces MakeOperation's catalogue (tests only); an empty maker restores it.
void SetOperationMaker(OperationMaker maker);
