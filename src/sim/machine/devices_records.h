#pragma once
// Host only: the bytes Windows returns for the disk and volume I/O controls, built from the
// simulated machine's records (little-endian, at the documented offsets).
#include <cstdint>
#include <vector>

#include "sim/machine/machine.h"

namespace platform::host {

using DeviceBytes = std::vector<std::uint8_t>;

// STORAGE_BUS_TYPE of a bus name ("usb" is BusTypeUsb, 7).
std::uint32_t BusTypeCode(const std::string& bus);

// DISK_GEOMETRY_EX with its DISK_PARTITION_INFO (56 bytes).
DeviceBytes DiskGeometryBytes(const DiskRecord& disk);
// DRIVE_LAYOUT_INFORMATION_EX: MBR layouts in groups of four entries (the primary slots, then
// one group per logical drive with the link to the next one), GPT layouts one entry per
// partition, raw disks none.
DeviceBytes DriveLayoutBytes(const DiskRecord& disk);
// STORAGE_DEVICE_DESCRIPTOR (40 bytes).
DeviceBytes StorageDescriptorBytes(const std::string& bus, bool removableMedia, bool optical);
// VOLUME_DISK_EXTENTS with one extent (32 bytes).
DeviceBytes VolumeExtentsBytes(int diskNumber, std::uint64_t start, std::uint64_t length);

}  // namespace platform::host
