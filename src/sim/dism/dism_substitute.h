#pragma once
// The DISM substitute of the simulated machine: the DISM API's entry points over libwim, with
// the meaning, arguments and results of platform/dism_api.h, which the host platform forwards
// here. And what the substitute was asked to do, for tests. Each entry point records one
// line: its name followed by the arguments that decide its behaviour, for example
// "DismMountImage index=2 flags=0" or "DismUnmountImage flags=1".
//
// Fault switches (machine faults): "dism.<FunctionName>" = "0x<HRESULT>" makes every call of
// that function fail with that HRESULT; "0x<HRESULT>@N" makes only its Nth call (counted from 1
// in this process) fail.
#include <cstddef>
#include <string>
#include <vector>

#include "platform/dism_api.h"

namespace platform::host::dism {

DismResult DismInitialize(int logLevel, const std::wstring& logFilePath, const wchar_t* scratchDirectory);
DismResult DismShutdown();
DismResult DismGetImageInfo(const std::wstring& imageFilePath, void** imageInfo, std::uint32_t* count);
DismResult DismGetMountedImageInfo(std::vector<DismMountedImage>& images);
DismResult DismCleanupMountpoints();
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
DismResult DismGetLastErrorMessage(DismText** errorMessage);
DismResult DismDelete(void* dismStructure);

}  // namespace platform::host::dism

namespace platform::host {

std::vector<std::string> DismCallLog();
void ClearDismCallLog();
// Forgets this process's DISM state (initialisation, open sessions, the call log) as a new
// process starts with it; the machine's mounts stay. For tests that run many programs in turn.
void ResetDismForTests();
// Structures DISM allocated that were not yet released with DismDelete.
std::size_t DismOutstandingAllocations();

}  // namespace platform::host
