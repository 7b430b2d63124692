#pragma once
// The Deployment Image Servicing and Management API (dismapi.dll) as the program uses it: mount
// one image of a WIM file, add drivers offline, commit and unmount. Every call returns an
// HRESULT (negative on failure) and has the meaning and argument values of the DISM function of
// the same name. On Windows the DLL is loaded at run time, so the program starts without it and
// DismInitialize then fails; on the host a substitute works on real WIM files through libwim.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

using DismResult = std::int32_t;        // HRESULT
using DismSessionHandle = std::uint32_t;
// Called with (current, total, userData); userData is passed through unchanged.
using DismProgressCallback = void (*)(std::uint32_t current, std::uint32_t total, void* userData);

constexpr DismResult kDismOk = 0;
inline bool DismFailed(DismResult hr) { return hr < 0; }

// Log levels (DismLogLevel).
constexpr int kDismLogErrors = 0;
constexpr int kDismLogErrorsWarnings = 1;
constexpr int kDismLogErrorsWarningsInfo = 2;

// Mount and unmount flags.
constexpr std::uint32_t kDismMountReadWrite = 0;
constexpr std::uint32_t kDismMountReadOnly = 1;
constexpr std::uint32_t kDismCommitImage = 0;
constexpr std::uint32_t kDismDiscardImage = 1;

// DismImageIdentifier.
constexpr int kDismImageIndex = 0;

// DismMountStatus and DismMountMode.
constexpr int kDismMountStatusOk = 0;
constexpr int kDismMountStatusNeedsRemount = 1;
constexpr int kDismMountStatusInvalid = 2;
constexpr int kDismReadWrite = 0;
constexpr int kDismReadOnly = 1;

// HRESULTs of the DISM API that the program and the host substitute use.
constexpr DismResult kDismNotInitialized = static_cast<DismResult>(0xC0040001u);
constexpr DismResult kDismOpenSessionHandles = static_cast<DismResult>(0xC0040003u);
constexpr DismResult kDismInvalidSession = static_cast<DismResult>(0xC0040004u);
constexpr DismResult kDismInvalidImageIndex = static_cast<DismResult>(0xC0040005u);
constexpr DismResult kDismUnableToUnmount = static_cast<DismResult>(0xC0040007u);
constexpr DismResult kDismOpenHandlesUnableToUnmount = static_cast<DismResult>(0xC004000Au);
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND): dismapi.dll could not be loaded.
constexpr DismResult kDismModuleNotFound = static_cast<DismResult>(0x8007007Eu);

// A text allocated by DISM (DismString); released with DismDelete.
struct DismText {
  const wchar_t* Value;
};

// DismImageInfo.Architecture: the PROCESSOR_ARCHITECTURE_ value of the image's Windows.
constexpr std::uint32_t kDismArchitectureX86 = 0;
constexpr std::uint32_t kDismArchitectureIa64 = 6;
constexpr std::uint32_t kDismArchitectureAmd64 = 9;
constexpr std::uint32_t kDismArchitectureUnknown = 0xFFFF;

// One image of a WIM file as DismGetImageInfo describes it: what the program reads of it.
struct DismImage {
  std::uint32_t imageIndex = 0;
  std::wstring imageName;
  std::uint32_t architecture = kDismArchitectureUnknown;
  std::uint64_t imageSize = 0;  // bytes of the image's files, what a mount of it takes
};

// One mounted image as DismGetMountedImageInfo reports it.
struct DismMountedImage {
  std::wstring mountPath;
  std::wstring imageFilePath;
  std::uint32_t imageIndex = 0;
  int mountMode = kDismReadWrite;
  int mountStatus = kDismMountStatusOk;
};

// Loads the DISM API from `dllPath`, a full path (the system folder's dismapi.dll or a deployment
// kit's); its own dependencies are found in its folder. Until a load succeeded every call below
// fails with kDismModuleNotFound. A second load while one is loaded succeeds without loading.
Status LoadDismApi(const std::wstring& dllPath);

DismResult DismInitialize(int logLevel, const std::wstring& logFilePath, const wchar_t* scratchDirectory);
DismResult DismShutdown();

// The image information array of a WIM file; `imageInfo` is DISM's allocation (release it with
// DismDelete), `count` its number of entries.
DismResult DismGetImageInfo(const std::wstring& imageFilePath, void** imageInfo, std::uint32_t* count);
// The same call, its allocation copied into `images` (in index order) and released at once.
DismResult DismGetImageInfo(const std::wstring& imageFilePath, std::vector<DismImage>& images);
// The mounted images DISM knows of (its own allocation is copied and released at once).
DismResult DismGetMountedImageInfo(std::vector<DismMountedImage>& images);
DismResult DismCleanupMountpoints();
// Re-attaches a mounted image whose status is NeedsRemount (after a restart) to its folder.
DismResult DismRemountImage(const std::wstring& mountPath);

DismResult DismMountImage(const std::wstring& imageFilePath, const std::wstring& mountPath, std::uint32_t imageIndex,
                          const wchar_t* imageName, int imageIdentifier, std::uint32_t flags,
                          DismProgressCallback progress, void* userData);
DismResult DismOpenSession(const std::wstring& imagePath, const wchar_t* windowsDirectory, const wchar_t* systemDrive,
                           DismSessionHandle* session);
DismResult DismCloseSession(DismSessionHandle session);
DismResult DismAddDriver(DismSessionHandle session, const std::wstring& driverPath, bool forceUnsigned);
DismResult DismCommitImage(DismSessionHandle session, std::uint32_t flags, DismProgressCallback progress,
                           void* userData);
DismResult DismUnmountImage(const std::wstring& mountPath, std::uint32_t flags, DismProgressCallback progress,
                            void* userData);

// The text of the calling thread's last DISM error; release it with DismDelete. Null (and a
// success result without text) when there is none.
DismResult DismGetLastErrorMessage(DismText** errorMessage);
// Releases a structure DISM allocated.
DismResult DismDelete(void* dismStructure);

}  // namespace platform
