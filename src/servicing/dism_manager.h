#pragma once
// The process-wide owner of the DISM session and the mount folder: the one entry point the
// boot-image servicing uses (Instance, GetImageCount and Mount of a WIM file, AddDriver per INF,
// Commit, Unmount).
#include <cstdint>
#include <memory>
#include <string>

#include "servicing/dism_cpp.h"

class DismManager {
 public:
  // The singleton, created on first call. Throws DismCpp::InitializeError ("Unable to
  // DismInitialize") when DISM can't be initialised; the next call then tries again.
  static DismManager* Instance();
  // Destroys the singleton (DISM is shut down). The program never calls it; tests use it to
  // start again from an uninitialised DISM.
  static void DestroyInstance();

  // The number of images in the WIM file, 0 after a failure shown in a "DismCpp" box.
  std::uint32_t GetImageCount(const std::wstring& wimPath) { return m_ImgManager->GetImageCount(wimPath); }
  // The number of images in a WIM file without showing a message on failure (for checks made
  // before a job starts). False with the DISM result when the file can't be read.
  static bool ReadImageCount(const std::wstring& wimPath, std::uint32_t& count, platform::DismResult& hr);
  // Mounts image `imageIndex` of the WIM file read-write in a fresh mount folder.
  bool Mount(const std::wstring& wimPath, std::uint32_t imageIndex, DismCpp::ProgressCallback progress, void* userData);
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
