#pragma once
// Which operation object each operation code makes. The runner asks for one operation per step;
// tests may replace the maker to run jobs of recording operations.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "app/basic_operation.h"
#include "engine/job_record.h"

struct OperationContext {
  platform::WindowHandle hWnd = 0;     // receives the state messages
  const WIN7_OPERAT_INFO* info = nullptr;
  std::wstring tmpPath;                // the runner's copy of szTmpPath
  // The runner's copy of szTagPath: after formatting moved the USB drive to another letter, its
  // new root, so the later steps follow the drive. Empty: szTagPath itself.
  std::wstring tagPath;
  std::wstring sourceLabel;            // volume label of szSourcePath, empty when unknown
};

// The operation for `code` (-1 and unknown codes make the end marker).
std::unique_ptr<BasicOperation> MakeOperation(std::int32_t code, const OperationContext& context);

// The catalogue's own operation for `code`, whatever maker is set (for makers that replace only
// some steps).
std::unique_ptr<BasicOperation> MakeFromCatalogue(std::int32_t code, const OperationContext& context);

using OperationMaker = std::function<std::unique_ptr<BasicOperation>(std::int32_t, const OperationContext&)>;
// Replaces MakeOperation's catalogue (tests only); an empty maker restores it.
void SetOperationMaker(OperationMaker maker);
