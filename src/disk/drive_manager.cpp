#include "disk/drive_manager.h"

#include <mutex>

#include "app/trace_log.h"
#include "platform/text.h"
#include "platform/types.h"

DeviceFile::DeviceFile(std::string path) : m_Path(std::move(path)) {}

DeviceFile::~DeviceFile() { Close(); }

bool DeviceFile::OpenWith(const platform::DeviceOpenOptions& options) {
  Close();
  platform::Result<std::unique_ptr<platform::Device>> opened = platform::OpenDevice(platform::AnsiToWide(m_Path), options);
  m_OpenStatus = opened.status();
  if (opened) m_Handle = std::move(opened).value();
  m_Opened = m_Handle != nullptr;
  return m_Opened;
}

bool DeviceFile::Open() {
  platform::DeviceOpenOptions options;
  options.write = !m_ReadOnly;
  options.createNew = m_CreateNew;
  options.writeThrough = true;
  return OpenWith(options);
}

void DeviceFile::Close() {
  if (m_Opened) m_Handle.reset();
  m_Opened = false;
}

namespace {
std::string PhysicalDrivePath(std::int32_t diskNumber) {
  return "\\\\.\\PhysicalDrive" + std::to_string(diskNumber);
}
}  // namespace

// The inventory only reads: the disks are opened for reading so that no handle it holds could
// ever write to a disk.
PhysicalDriveFile::PhysicalDriveFile(std::int32_t diskNumber)
    : DeviceFile(PhysicalDrivePath(diskNumber)), m_DiskNumber(diskNumber) {
  m_ReadOnly = true;
}

PhysicalDriveFile::~PhysicalDriveFile() {
  m_Drive.reset();  // the Drive borrows the handle: it goes first
  Close();
}

bool PhysicalDriveFile::Open() {
  platform::DeviceOpenOptions options;
  options.write = !m_ReadOnly;
  if (!OpenWith(options)) {
    // Most of the disk numbers tried name no disk at all; only a disk that is there but can't be
    // opened is worth a line.
    const std::uint32_t error = m_OpenStatus.code();
    if (error != platform::kErrorFileNotFound && error != platform::kErrorPathNotFound)
      TraceLog(L"[PhysicalDriveFile::Open] CreateFileA " + platform::AnsiToWide(m_Path) + L" failed" +
               m_OpenStatus.Suffix());
    return false;
  }
  return Classify();
}

bool PhysicalDriveFile::Classify() {
  platform::Result<disk::Bytes> read =
      m_Handle->Control(platform::kIoctlDiskGetDriveGeometryEx, {}, disk::kGeometryWithStyleSize);
  if (!read) {
    TraceLog(L"[PhysicalDriveFile::Open] DeviceIoControl(IOCTL_DISK_GET_DRIVE_GEOMETRY_EX) " +
             platform::AnsiToWide(m_Path) + L" failed" + read.status().Suffix());
    return false;
  }
  const disk::Bytes& output = *read;
  disk::DiskGeometry geometry;
  if (!disk::ReadDiskGeometry(output, geometry)) {
    TraceLog(L"[PhysicalDriveFile::Open] IOCTL_DISK_GET_DRIVE_GEOMETRY_EX " + platform::AnsiToWide(m_Path) +
             L" returned " + std::to_wstring(output.size()) + L" bytes, too few for a geometry");
    return false;
  }
  if (geometry.partitionStyle == disk::kPartitionStyleGpt)
    m_Drive = std::make_unique<GptDrive>(m_Handle.get(), m_DiskNumber);
  else if (geometry.partitionStyle == disk::kPartitionStyleMbr && geometry.hasStyle)
    m_Drive = std::make_unique<MbrDrive>(m_Handle.get(), m_DiskNumber);
  else
    m_Drive = std::make_unique<RawDrive>(m_Handle.get(), m_DiskNumber);
  return true;
}

namespace {
std::unique_ptr<DriveManager>& Singleton() {
  static std::unique_ptr<DriveManager> instance;
  return instance;
}
// Jobs run one at a time, but each on its own worker thread: creation and release are locked so
// that two threads can never enumerate or destroy the inventory at the same time.
std::mutex& SingletonLock() {
  static std::mutex lock;
  return lock;
}
}  // namespace

DriveManager::DriveManager() { Enumerate(); }

DriveManager::~DriveManager() = default;

DriveManager& DriveManager::Instance() {
  std::lock_guard<std::mutex> guard(SingletonLock());
  auto& instance = Singleton();
  if (!instance) instance.reset(new DriveManager());
  return *instance;
}

void DriveManager::Release() {
  std::unique_ptr<DriveManager> released;
  {
    std::lock_guard<std::mutex> guard(SingletonLock());
    released = std::move(Singleton());
  }
}

void DriveManager::Enumerate() {
  Drives.clear();
  for (m_NextDisk = 0; m_NextDisk < kMaxDisks; ++m_NextDisk) {
    auto file = std::make_unique<PhysicalDriveFile>(m_NextDisk);
    m_Current = file.get();
    if (file->Open()) Drives.push_back(std::move(file));
  }
  m_Current = nullptr;
}

Drive* DriveManager::GetDrive(std::size_t Index) const {
  if (!(Index < Drives.size())) InventoryAssertionFailed("Index < Drives.size()");
  return Drives[Index]->GetDrive();
}
