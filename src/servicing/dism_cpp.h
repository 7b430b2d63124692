#pragma once
// A thin object over one DISM session: every failed DISM call is shown to the user in a
// "DismCpp" message box and reported through the result.
#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/dism_api.h"

namespace DismCpp {

using ProgressCallback = platform::DismProgressCallback;

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
  DismBasic() = default;
  DismBasic(const DismBasic&) = delete;
  DismBasic& operator=(const DismBasic&) = delete;
  virtual ~DismBasic() = default;

  // Passes a DISM allocation to DismDelete; false only when DismDelete fails.
  virtual bool Release(void* buffer);

  // Shows "<name> failed 0x<hr> : <DISM's last error text>  " (cut to fit 260 units) in a
  // message box captioned "DismCpp" and returns the box's result.
  int ReportError(const std::wstring& name, platform::DismResult hr);

  // The box text as ReportError builds it (exposed for its length rule).
  static std::wstring FormatError(const std::wstring& name, platform::DismResult hr, const wchar_t* lastError);

 protected:
  platform::DismText* m_LastError = nullptr;
};

class DismImgManager : public DismBasic {
 public:
  // Initialises DISM with its log in the program data folder; throws InitializeError.
  DismImgManager();
  ~DismImgManager() override;

  // The number of images in the WIM file, 0 after a reported failure.
  std::uint32_t GetImageCount(const std::wstring& imagePath);
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
  void* m_ImageInfo = nullptr;
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
