#pragma once
// The process-wide owner of the DISM session and the mount folder: the one entry point the
// boot-image servicing uses (Instance, GetImageCount and Mount of a WIM file, AddDriver per INF,
// Commit, Unmount).
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "servicing/dism_cpp.h"

class DismManager {
 public:
  // The singleton, created on first call: chooses how DISM is reached (traced) and initialises
  // it. Throws DismCpp::InitializeError ("Unable to DismInitialize") when there is no DISM or it
  // can't be initialised; the next call then tries again.
  static DismManager* Instance();
  // Destroys the singleton (DISM is shut down). The program never calls it; tests use it to
  // start again from an uninitialised DISM.
  static void DestroyInstance();

  // The number of images in the WIM file, 0 after a failure shown in a "DismCpp" box.
  std::uint32_t GetImageCount(const std::wstring& wimPath) { return m_ImgManager->GetImageCount(wimPath); }
  // Every image of the WIM file with its name and architecture; false after a failure shown in a
  // "DismCpp" box.
  bool GetImages(const std::wstring& wimPath, std::vector<platform::DismImage>& images) {
    return m_ImgManager->GetImages(wimPath, images);
  }
  // The number of images in a WIM file without showing a message on failure (for checks made
  // before a job starts). False with the DISM result when the file can't be read.
  bool ReadImageCount(const std::wstring& wimPath, std::uint32_t& count, platform::DismResult& hr);
  // The images of a WIM file, likewise without a message on failure.
  bool ReadImages(const std::wstring& wimPath, std::vector<platform::DismImage>& images, platform::DismResult& hr);
  // Removes what earlier runs left mounted in the program data folder (a crash, a power cut, a
  // killed program): each such mount is remounted when it needs it and unmounted discarding its
  // changes, its folder deleted, then DISM's mount points are cleaned up. Mounts elsewhere
  // belong to someone else and stay. False with the folder of a mount that could not be removed.
  bool ClearStaleMounts(std::wstring& stuckFolder);
  // How dism.exe runs are judged hung (no output for this long); for tests.
  static void SetDismExeSilenceLimit(std::uint32_t milliseconds);
  // DISM's own text for its last failure on this thread; empty when it gave none.
  std::wstring LastErrorText() { return m_ImgManager->Backend().LastErrorText(); }
  // What serves DISM ("DISM API <path>" or "dism.exe <path>").
  std::wstring BackendDescription() { return m_ImgManager->Backend().Description(); }
  // Mounts image `imageIndex` of the WIM file (read-write unless `readOnly`) in a fresh mount folder.
  bool Mount(const std::wstring& wimPath, std::uint32_t imageIndex, DismCpp::ProgressCallback progress, void* userData,
             bool readOnly = false);
  bool AddDriver(const std::wstring& infPath) { return m_ImgManager->AddDriver(infPath); }
  bool Commit(DismCpp::ProgressCallback progress, void* userData) { return m_ImgManager->CommitImage(progress, userData); }
  // Unmounts and, when that succeeded, deletes the mount folder (its result is returned).
  bool Unmount(DismCpp::ProgressCallback progress, void* userData);
  // After a failure past a successful mount: unmounts discarding the changes and deletes the
  // mount folder, so no stale mount keeps the WIM file locked. True when both succeeded.
  bool Discard();

  // Picks the mount folder: program data folder + hour, minute and second without leading
  // zeros + "\", waiting a second and trying the next name while the name is taken (for at
  // most a minute; false when no folder could be made).
  bool PrepareMountFolder();
  const std::wstring& MountFolder() const { return m_MountFolder; }

  ~DismManager();

 private:
  DismManager();

  std::unique_ptr<DismCpp::DismImgManager> m_ImgManager;
  std::wstring m_MountFolder;
};
