#pragma once
// The job step that adds the USB 3.0 drivers to image 2 of sources\boot.wim: mount, add the
// ASMedia packages and the Intel packages of the image's architecture, then the fitting packages
// of the user's own driver folder when one was chosen, commit, unmount. In the USB job of a
// 64-bit disc it also gives the stick its UEFI boot loader from the mounted image.
#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "app/basic_operation.h"
#include "platform/dism_api.h"
#include "servicing/uefi_loader.h"

class DismOperation : public BasicOperation {
 public:
  // `root` is the setup tree to service, `driverFolder` the payload root (no trailing
  // backslash), `is64dvd` true for a 64-bit Windows 7 source, `extraFolder` the user's own
  // driver folder (empty for none), examined again when the step runs.
  DismOperation(platform::WindowHandle hWnd, const std::wstring& root, const std::wstring& driverFolder, bool is64dvd,
                const std::wstring& extraFolder = L"", bool allImages = false);
  ~DismOperation() override;

  std::int32_t Excute() override;
  // DISM runs to its end; a stop ends the series of Windows images between two images and skips
  // the look into image 1 for the UEFI loader.
  void Stop() override { m_bStop = true; }
  bool IsStop() override { return m_bStop; }

  // For the USB job of a 64-bit disc: while image 2 is mounted, its Windows\Boot\EFI\bootmgfw.efi
  // is copied to the tree's efi\boot\bootx64.efi, unless the tree or `osFolder` (the "OS" folder,
  // copied over the tree after this step) already has that file. When image 2 has no fitting
  // file, image 1 is mounted read-only and tried. Ignored for a 32-bit disc.
  void WriteUefiLoaderUnlessProvided(const std::wstring& osFolder);
  // After a run that wanted the UEFI loader and found none: the legacy-only note for the user.
  std::wstring EndNote() const override { return m_EndNote; }

  // DISM progress: posts (current state, current * 100 / total) to the window.
  static void OnDismProgress(std::uint32_t current, std::uint32_t total, void* userData);

  const std::wstring& WimPath() const { return mWimPath; }

 private:
  bool Service();
  // Whether the tree should get the UEFI loader (traced when it should not).
  bool UefiLoaderWanted() const;
  // Copies the loader from the image mounted now (image `index`); traced either way.
  UefiLoaderCopy CopyUefiLoaderFromMount(std::uint32_t index);
  // Mounts image 1 read-only, copies its loader, and unmounts it discarding, whatever happened.
  UefiLoaderCopy CopyUefiLoaderFromImageOne();
  // Mounts image `image` of `wim`, adds the packages of its architecture, commits, unmounts.
  // With `loader`, the UEFI loader is copied from the mount before the commit (its outcome there).
  bool ServiceImage(const std::wstring& wim, const platform::DismImage& image, UefiLoaderCopy* loader);
  // Whether the image's packages are the 64-bit ones: its own architecture when DISM names x86
  // or x64, else the disc's AutoRun.inf guess. A disagreement is traced.
  bool ImageIs64(const platform::DismImage& image) const;
  // The built-in packages for the architecture, then the fitting ones of the user's folder.
  std::vector<std::wstring> PackagesFor(bool is64) const;
  // After image 2 of boot.wim, when the user chose it: image 1 of boot.wim, then every image of
  // install.wim, each serviced in turn; a stop ends the series between images (success).
  bool ServiceWindowsImages(const platform::DismImage& bootImageOne);
  // The phase, kept apart from the state the window sees (DISMIMAGE through the series).
  void SetState(std::int32_t state);
  // A phase's percent as the window is given it: unchanged for image 2 of boot.wim, the whole
  // series' percent for the Windows images.
  std::uint32_t SeriesPercent(std::uint32_t phasePercent);

  std::wstring mRoot;
  std::wstring mWimPath;
  std::wstring m_DriverFolder;
  std::wstring m_ExtraFolder;
  bool is64dvd = false;
  bool m_WantUefiLoader = false;
  std::wstring m_UefiOsFolder;
  std::wstring m_EndNote;
  bool m_AllImages = false;
  std::wstring mInstallWimPath;
  std::atomic<bool> m_bStop{false};
  // The place of the image in the Windows series (0-based) and the series' length; 0 while
  // image 2 of boot.wim is serviced. Read by DISM's progress callbacks.
  std::atomic<std::uint32_t> m_ImageNumber{0};
  std::atomic<std::uint32_t> m_ImageTotal{0};
  std::atomic<std::int32_t> m_Phase{NOSTATE};
  std::atomic<std::uint32_t> m_SeriesHigh{0};
};
