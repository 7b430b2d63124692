#include "platform/file_copy.h"

#include <windows.h>

#include "platform/win32/win32_status.h"

namespace platform {

namespace {

struct Trampoline {
  CopyProgressRoutine routine;
  void* userData;
};

DWORD CALLBACK ForwardProgress(LARGE_INTEGER totalFileSize, LARGE_INTEGER totalBytesTransferred,
                               LARGE_INTEGER streamSize, LARGE_INTEGER streamBytesTransferred, DWORD streamNumber,
                               DWORD callbackReason, HANDLE sourceFile, HANDLE destinationFile, LPVOID data) {
  auto* trampoline = static_cast<Trampoline*>(data);
  return trampoline->routine(totalFileSize.QuadPart, totalBytesTransferred.QuadPart, streamSize.QuadPart,
                             streamBytesTransferred.QuadPart, streamNumber, callbackReason, sourceFile,
                             destinationFile, trampoline->userData);
}

}  // namespace

Status CopyFileWithProgress(const std::wstring& source, const std::wstring& destination, CopyProgressRoutine routine,
                            void* userData) {
  Trampoline trampoline{routine, userData};
  BOOL cancel = FALSE;
  return win32::Check(CopyFileExW(source.c_str(), destination.c_str(), routine ? &ForwardProgress : nullptr,
                                  routine ? &trampoline : nullptr, &cancel, 0) != FALSE,
                      "CopyFileExW", source + L" -> " + destination);
}

}  // namespace platform
