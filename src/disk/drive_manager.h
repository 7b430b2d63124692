#pragma once
// The inventory of the machine's physical disks (\\.\PhysicalDrive0 to 31), made once by the
// first Instance() and kept until Release(). Used from the job's worker thread only.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "disk/drive.h"
#include "platform/devices.h"

// A device opened by path; closed by Close() or the destructor.
class DeviceFile {
 public:
  explicit DeviceFile(std::string path);
  virtual ~DeviceFile();
  DeviceFile(const DeviceFile&) = delete;
  DeviceFile& operator=(const DeviceFile&) = delete;

  // Opens the path (read-only or read-write, OPEN_EXISTING or CREATE_ALWAYS, write-through).
  virtual bool Open();
  void Close();
  bool IsOpen() const { return m_Opened; }
  platform::Device* Handle() const { return m_Handle.get(); }

 protected:
  bool OpenWith(const platform::DeviceOpenOptions& options);

  bool m_Opened = false;
  std::unique_ptr<platform::Device> m_Handle;
  platform::Status m_OpenStatus;  // of the last open
  bool m_ReadOnly = false;
  bool m_CreateNew = false;
  std::string m_Path;
};

// \\.\PhysicalDriveN and the Drive made for it.
class PhysicalDriveFile : public DeviceFile {
 public:
  explicit PhysicalDriveFile(std::int32_t diskNumber);
  ~PhysicalDriveFile() override;

  // Opens the disk and classifies it by partition style; false when the disk can't be opened or
  // its geometry can't be read.
  bool Open() override;
  Drive* GetDrive() const { return m_Drive.get(); }
  std::int32_t GetDiskNumber() const { return m_DiskNumber; }

 private:
  bool Classify();

  std::int32_t m_DiskNumber;
  std::unique_ptr<Drive> m_Drive;
};

class DriveManager {
 public:
  static constexpr std::int32_t kMaxDisks = 32;

  // The inventory, enumerated on the first call after start-up or after Release().
  static DriveManager& Instance();
  // Destroys the inventory, its drives and their handles.
  static void Release();

  std::size_t GetDriveCount() const { return Drives.size(); }
  // Index must be below GetDriveCount().
  Drive* GetDrive(std::size_t Index) const;

  ~DriveManager();

 private:
  DriveManager();
  void Enumerate();

  std::vector<std::unique_ptr<PhysicalDriveFile>> Drives;
  // The enumerator's position while the list is being filled.
  PhysicalDriveFile* m_Current = nullptr;
  std::int32_t m_NextDisk = 0;
};
