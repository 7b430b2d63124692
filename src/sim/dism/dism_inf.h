#pragma once
// Host only: reading a driver package's INF file and staging the package into a mounted image,
// as DismAddDriver does.
#include <cstdint>
#include <string>

namespace platform::host::inf {

struct StageResult {
  std::int32_t hr = 0;     // HRESULT; negative on failure
  std::wstring message;    // DISM's error text on failure
  std::wstring stagedFolder;  // Windows path of the package's folder in the driver store
};

// Stages the package of `infPath` (a Windows path) into the image mounted at `mountPath`: the
// INF, its catalog and the files its SourceDisksFiles name for the image's architecture go to
// Windows\System32\DriverStore\FileRepository\<inf name>_<arch>_<id>\. `imageArch` ("x86",
// "amd64", "ia64") is the image's architecture, empty when unknown (the package's first
// architecture is then used). A missing file, a malformed INF or a package for another
// architecture fails with the HRESULT DISM gives.
StageResult StagePackage(const std::wstring& infPath, const std::wstring& mountPath, const std::string& imageArch);

}  // namespace platform::host::inf
