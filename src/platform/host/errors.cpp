#include "platform/host/errors.h"

#include <cerrno>

#include "platform/errors.h"
#include "platform/types.h"

namespace platform {

namespace {
thread_local std::uint32_t t_lastError = kErrorSuccess;
}  // namespace

namespace host {

void SetLastErrorCode(std::uint32_t code) { t_lastError = code; }

std::uint32_t LastErrorCode() { return t_lastError; }

std::uint32_t WindowsCodeOfErrno(int error) {
  std::uint32_t code;
  switch (error) {
    case ENOENT: code = kErrorPathNotFound; break;
    case EACCES:
    case EPERM:
    case EROFS: code = kErrorAccessDenied; break;
    case EEXIST: code = kErrorAlreadyExists; break;
    case ENOSPC: code = kErrorDiskFull; break;
    case ENOTDIR: code = kErrorDirectory; break;
    case ENOTEMPTY: code = kErrorDirNotEmpty; break;
    case EINVAL: code = kErrorInvalidParameter; break;
    case ENAMETOOLONG: code = kErrorFilenameExcedRange; break;
    case EIO: code = kErrorWriteFault; break;
    default: code = kErrorGenFailure; break;
  }
  return code;
}

void SetLastErrorFromErrno(int error) { t_lastError = WindowsCodeOfErrno(error); }

bool FailWithErrno(int error) {
  SetLastErrorFromErrno(error);
  return false;
}

}  // namespace host
}  // namespace platform
