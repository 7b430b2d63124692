#pragma once
// A thin object over one DISM session: every failed DISM call is shown to the user in a
// "DismCpp" message box and reported through the result.
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/dism_api.h"
#include "servicing/dism_backend.h"

namespace DismCpp {

// The error a failed DISM initialisation raises; what() is "Unable to DismInitialize".
class InitializeError : public std::runtime_error {
 public:
  explicit InitializeError(platform::DismResult hr) : std::runtime_error("Unable to DismInitialize"), m_hr(hr) {}
  platform::DismResult Result() const { return m_hr; }

 private:
  platform::DismResult m_hr;
};

class DismBasic {
 public:
  explicit DismBasic(std::unique_ptr<DismBackend> backend) : m_Backend(std::move(backend)) {}
  DismBasic(const DismBasic&) = delete;
  DismBasic& operator=(const DismBasic&) = delete;
  virtual ~DismBasic() = default;

  // Shows "<name> failed 0x<hr> : <DISM's last error text>  " (cut to fit 260 units) in a
  // message box captioned "DismCpp" and returns the box's result.
  int ReportError(const std::wstring& name, platform::DismResult hr);

  // The box text as ReportError builds it (exposed for its length rule).
  static std::wstring FormatError(const std::wstring& name, platform::DismResult hr, const wchar_t* lastError);

  DismBackend& Backend() { return *m_Backend; }

 protected:
  std::unique_ptr<DismBackend> m_Backend;
};

class DismImgManager : public DismBasic {
 public:
  // Initialises DISM through `backend` with its log in the program data folder; throws
  // InitializeError.
  explicit DismImgManager(std::unique_ptr<DismBackend> backend);
  ~DismImgManager() override;

  // The number of images in the WIM file, 0 after a reported failure.
  std::uint32_t GetImageCount(const std::wstring& imagePath);
  // Every image of the WIM file with its name and architecture; false after a reported failure.
  bool GetImages(const std::wstring& imagePath, std::vector<platform::DismImage>& images);
  // Mounts image `imageIndex` of the WIM file at `mountPath` and opens a session on it.
  bool MountImage(const std::wstring& imagePath, const std::wstring& mountPath, bool readOnly, std::uint32_t imageIndex,
                  ProgressCallback progress, void* userData);
  bool AddDriver(const std::wstring& infPath);
  // Commits the mounted image and closes the session.
  bool CommitImage(ProgressCallback progress, void* userData);
  // Unmounts: discarding for a read-only mount, committing otherwise.
  bool UnmountImage(ProgressCallback progress, void* userData);

  // Undoes a mount that a later step could not finish: closes the session if it is open and
  // unmounts discarding every change. Failures are traced, not shown. True when nothing of the
  // mount is left.
  bool DiscardMount();
  bool IsMounted() const { return m_Mounted; }

 private:
  std::wstring m_MountPath;
  std::uint32_t m_ImageCount = 0;
  platform::DismSessionHandle m_Session = 0;
  std::int32_t m_ReadOnly = 0;
  // Where DISM has the image mounted (even when the session could not be opened), and whether
  // the session is open: what DiscardMount must undo.
  std::wstring m_PendingMountPath;
  bool m_Mounted = false;
  bool m_SessionOpen = false;
};

}  // namespace DismCpp
