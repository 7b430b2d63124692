#pragma once
// Copying one file in chunks with a progress routine, as CopyFileExW does.
#include <cstdint>
#include <string>

#include "platform/status.h"

namespace platform {

constexpr std::uint32_t kProgressContinue = 0;
constexpr std::uint32_t kProgressCancel = 1;
constexpr std::uint32_t kCallbackChunkFinished = 0;
constexpr std::uint32_t kCallbackStreamSwitch = 1;

// The shape of a CopyFileExW progress routine: called once per stream switch and once per
// chunk copied; returning kProgressCancel makes the copy fail.
using CopyProgressRoutine = std::uint32_t (*)(std::int64_t totalFileSize, std::int64_t totalBytesTransferred,
                                              std::int64_t streamSize, std::int64_t streamBytesTransferred,
                                              std::uint32_t streamNumber, std::uint32_t callbackReason,
                                              void* sourceFile, void* destinationFile, void* userData);

// Copies `source` over `destination` (an existing destination is overwritten), keeping the
// attributes and the file times. Fails when the copy failed or was cancelled
// (ERROR_REQUEST_ABORTED); the partial destination is removed then, as CopyFileExW does.
Status CopyFileWithProgress(const std::wstring& source, const std::wstring& destination,
                            CopyProgressRoutine routine, void* userData);

}  // namespace platform
