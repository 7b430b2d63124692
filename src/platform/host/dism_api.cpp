// The DISM API on the host: every entry point is the simulated machine's DISM substitute
// (sim/dism), which works on the machine's real WIM files through libwim.
#include "platform/dism_api.h"

#include "sim/dism/dism_substitute.h"

namespace platform {

namespace sub = host::dism;

DismResult DismInitialize(int logLevel, const std::wstring& logFilePath, const wchar_t* scratchDirectory) {
  return sub::DismInitialize(logLevel, logFilePath, scratchDirectory);
}
DismResult DismShutdown() { return sub::DismShutdown(); }
DismResult DismGetImageInfo(const std::wstring& imageFilePath, void** imageInfo, std::uint32_t* count) {
  return sub::DismGetImageInfo(imageFilePath, imageInfo, count);
}
DismResult DismGetMountedImageInfo(std::vector<DismMountedImage>& images) {
  return sub::DismGetMountedImageInfo(images);
}
DismResult DismCleanupMountpoints() { return sub::DismCleanupMountpoints(); }
DismResult DismMountImage(const std::wstring& imageFilePath, const std::wstring& mountPath, std::uint32_t imageIndex,
                          const wchar_t* imageName, int imageIdentifier, std::uint32_t flags,
                          DismProgressCallback progress, void* userData) {
  return sub::DismMountImage(imageFilePath, mountPath, imageIndex, imageName, imageIdentifier, flags, progress,
                             userData);
}
DismResult DismOpenSession(const std::wstring& imagePath, const wchar_t* windowsDirectory, const wchar_t* systemDrive,
                           DismSessionHandle* session) {
  return sub::DismOpenSession(imagePath, windowsDirectory, systemDrive, session);
}
DismResult DismCloseSession(DismSessionHandle session) { return sub::DismCloseSession(session); }
DismResult DismAddDriver(DismSessionHandle session, const std::wstring& driverPath, bool forceUnsigned) {
  return sub::DismAddDriver(session, driverPath, forceUnsigned);
}
DismResult DismCommitImage(DismSessionHandle session, std::uint32_t flags, DismProgressCallback progress,
                           void* userData) {
  return sub::DismCommitImage(session, flags, progress, userData);
}
DismResult DismUnmountImage(const std::wstring& mountPath, std::uint32_t flags, DismProgressCallback progress,
                            void* userData) {
  return sub::DismUnmountImage(mountPath, flags, progress, userData);
}
DismResult DismGetLastErrorMessage(DismText** errorMessage) { return sub::DismGetLastErrorMessage(errorMessage); }
DismResult DismDelete(void* dismStructure) { return sub::DismDelete(dismStructure); }

}  // namespace platform
