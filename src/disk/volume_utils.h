#pragma once
// Volume and folder utilities shared across the program. Each reports failure through its
// result (a Status, false, 0, -1 or empty text); none shows a message or writes the trace log.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/status.h"

// Sum of the sizes of the files under the folder (sub-folders too when `recursive`); 0 when
// it can't be enumerated.
std::uint64_t GetFolderSize(const std::wstring& folder, bool recursive);
// The file's size, 0 when it is missing or can't be opened.
std::uint64_t GetFileByteSize(const std::wstring& path);
// A folder's size (recursive) or a file's size.
std::uint64_t GetPathSize(const std::wstring& path);

double GetFreeSpaceMB(const std::wstring& root);   // free bytes / 1 MiB, truncated; 0 on failure
double GetTotalSpaceMB(const std::wstring& root);  // total bytes / 1 MiB, truncated; 0 on failure

bool IsFixedOrRemovable(const std::wstring& text);  // text begins with a drive letter
bool IsUsbVolume(const std::wstring& text);
bool IsCdRomDrive(const std::wstring& root);
int GetVolumeDiskNumber(const std::wstring& letter);  // -1 when unknown
// The length of the volume's first extent on its disk (its partition, or the whole medium of a
// disk without a partition table) in bytes; 0 when unknown.
std::uint64_t GetVolumeExtentBytes(const std::wstring& letter);

std::wstring GetVolumeLabelText(const std::wstring& root);
// SetVolumeLabelW on the root of the drive `target` begins with.
platform::Status SetVolumeLabelText(const std::wstring& target, const std::wstring& label);
bool IsDriveReady(const std::wstring& root);

// Deletes every file (read-only ones too) and folder below `folder`, then the folder itself,
// ignoring errors. A link or junction inside is removed as a link, never entered.
void RemoveFolderTree(const std::wstring& folder);
// Appends the full path of every file below `folder` whose extension (from the last dot, dot
// included) equals `extension` without regard to case, depth first in enumeration order.
void FindFilesByExtension(std::vector<std::wstring>& list, const std::wstring& folder, const std::wstring& extension);
bool HasAmd64AutorunSection(const std::wstring& iniPath);
std::wstring MakeVolumeLabel(const std::wstring& name);

// The preferred scratch folder (program data folder + "QarvelToolTmp\"), made afresh as a
// private folder (what stood there removed without following links), when the system drive has
// more than `requiredMB` MiB free; otherwise the system drive's root (3 characters), or empty
// text when neither can be had.
std::wstring PrepareScratchFolder(int requiredMB);
// The job's scratch folder, with a trailing backslash: the preferred one, else the first free
// "<root>QarvelToolTmp<n>\" on the first fixed or removable drive with more than
// `requiredMB` MiB free, created here as a private folder. Empty text when no drive has room or
// the folder can't be created: callers refuse the job with a clear message instead of copying
// into a folder relative to the current one.
std::wstring GetScratchFolder(int requiredMB);
// The drive letter of partition `partition` of disk `disk` ("\Device\HarddiskN\PartitionM").
// `volume`, when given, receives the volume device the partition's link names (empty when the
// link can't be resolved), so a caller can tell a partition without a volume from a volume
// without a letter.
platform::Status GetPartitionLetter(int disk, int partition, wchar_t& letter, std::wstring* volume = nullptr);
// The NT link \Device\HarddiskN\PartitionM of a partition.
std::wstring PartitionLinkPath(int disk, int partition);
