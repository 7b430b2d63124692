#pragma once
// What the program asks of DISM, whichever way DISM is reached: the DISM API in this process
// (dismapi.dll) or the system's own dism.exe run once per step. Both answer with DISM's HRESULTs
// and the same text for the last failure, so the servicing step and the user can't tell them
// apart. Used from one thread at a time.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/dism_api.h"

namespace DismCpp {

using ProgressCallback = platform::DismProgressCallback;

class DismBackend {
 public:
  virtual ~DismBackend() = default;

  // What serves, for the trace: "DISM API <path of dismapi.dll>" or "dism.exe <path>".
  virtual std::wstring Description() const = 0;

  virtual platform::DismResult Initialize(const std::wstring& logFile) = 0;
  virtual platform::DismResult Shutdown() = 0;
  virtual platform::DismResult GetImageCount(const std::wstring& imageFile, std::uint32_t& count) = 0;
  // Every image of the WIM file with its name and its Windows' processor architecture.
  virtual platform::DismResult GetImages(const std::wstring& imageFile, std::vector<platform::DismImage>& images) = 0;
  virtual platform::DismResult GetMountedImages(std::vector<platform::DismMountedImage>& images) = 0;
  virtual platform::DismResult CleanupMountpoints() = 0;
  virtual platform::DismResult RemountImage(const std::wstring& mountPath) = 0;
  virtual platform::DismResult MountImage(const std::wstring& imageFile, const std::wstring& mountPath,
                                          std::uint32_t imageIndex, bool readOnly, ProgressCallback progress,
                                          void* userData) = 0;
  virtual platform::DismResult OpenSession(const std::wstring& mountPath, platform::DismSessionHandle& session) = 0;
  virtual platform::DismResult CloseSession(platform::DismSessionHandle session) = 0;
  virtual platform::DismResult AddDriver(platform::DismSessionHandle session, const std::wstring& infPath,
                                         bool forceUnsigned) = 0;
  virtual platform::DismResult CommitImage(platform::DismSessionHandle session, ProgressCallback progress,
                                           void* userData) = 0;
  virtual platform::DismResult UnmountImage(const std::wstring& mountPath, bool discard, ProgressCallback progress,
                                            void* userData) = 0;

  // DISM's own text for the last failure on this thread; empty when it has none.
  virtual std::wstring LastErrorText() = 0;
};

// A DISM result or exit code as "0x" and lower-case hexadecimal digits, as the boxes and
// trace lines show it.
std::wstring HexCode(std::uint32_t value);

// The DISM API in this process, from the dismapi.dll at `dllPath` (loaded already).
std::unique_ptr<DismBackend> MakeDismApiBackend(const std::wstring& dllPath);

// The system's dism.exe at `program` (a full path), run hidden once per step. A run that prints
// nothing for `silenceLimitMs` is taken for hung and ended.
std::unique_ptr<DismBackend> MakeDismExeBackend(const std::wstring& program, std::uint32_t silenceLimitMs);

}  // namespace DismCpp
