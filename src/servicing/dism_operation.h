#pragma once
// The job step that adds the USB 3.0 drivers to image 2 of sources\boot.wim: mount, add the
// ASMedia packages and the Intel packages of the disc's architecture, then the fitting packages
// of the user's own driver folder when one was chosen, commit, unmount.
#include <cstdint>
#include <string>

#include "app/basic_operation.h"

class DismOperation : public BasicOperation {
 public:
  // `root` is the setup tree to service, `driverFolder` the payload root (no trailing
  // backslash), `is64dvd` true for a 64-bit Windows 7 source, `extraFolder` the user's own
  // driver folder (empty for none), examined again when the step runs.
  DismOperation(platform::WindowHandle hWnd, const std::wstring& root, const std::wstring& driverFolder, bool is64dvd,
                const std::wstring& extraFolder = L"");
  ~DismOperation() override;

  std::int32_t Excute() override;

  // DISM progress: posts (current state, current * 100 / total) to the window.
  static void OnDismProgress(std::uint32_t current, std::uint32_t total, void* userData);

  const std::wstring& WimPath() const { return mWimPath; }

 private:
  bool Service();
  void SetState(std::int32_t state) { m_State = state; }

  std::wstring mWimPath;
  std::wstring m_DriverFolder;
  std::wstring m_ExtraFolder;
  bool is64dvd = false;
};
