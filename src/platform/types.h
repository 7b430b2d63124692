#pragma once
// Plain types shared by every platform service.
#include <cstdint>

namespace platform {

// The value of a window handle (an HWND on Windows, a message-queue id on the host); 0 is none.
using WindowHandle = std::uintptr_t;

// Windows error codes the portable code reacts to.
constexpr std::uint32_t kErrorSuccess = 0;
constexpr std::uint32_t kErrorFileNotFound = 2;
constexpr std::uint32_t kErrorPathNotFound = 3;
constexpr std::uint32_t kErrorAccessDenied = 5;
constexpr std::uint32_t kErrorNotEnoughMemory = 8;
constexpr std::uint32_t kErrorNoMoreFiles = 18;
constexpr std::uint32_t kErrorNotReady = 21;
constexpr std::uint32_t kErrorWriteFault = 29;
constexpr std::uint32_t kErrorReadFault = 30;
constexpr std::uint32_t kErrorGenFailure = 31;
constexpr std::uint32_t kErrorSharingViolation = 32;
constexpr std::uint32_t kErrorInvalidParameter = 87;
constexpr std::uint32_t kErrorDiskFull = 112;
constexpr std::uint32_t kErrorInsufficientBuffer = 122;
constexpr std::uint32_t kErrorDirNotEmpty = 145;
constexpr std::uint32_t kErrorAlreadyExists = 183;
constexpr std::uint32_t kErrorFilenameExcedRange = 206;
constexpr std::uint32_t kErrorFileTooLarge = 223;
constexpr std::uint32_t kErrorDirectory = 267;
constexpr std::uint32_t kErrorUnrecognizedVolume = 1005;
constexpr std::uint32_t kErrorRequestAborted = 1235;

}  // namespace platform
