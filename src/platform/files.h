#pragma once
// Files and folders, addressed by Windows paths (C:\dir\file). Every function that can fail
// returns a Status (platform/status.h) naming the Windows call, the path and the error code, or
// a Result holding the value; none throws.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/status.h"

namespace platform {

// Windows file attribute bits.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrSystem = 0x04;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;
// A symbolic link or a junction: the entry itself, not what it points at.
constexpr std::uint32_t kAttrReparsePoint = 0x400;

bool PathExists(const std::wstring& path);  // a file or a folder (PathFileExistsW)
bool IsFolder(const std::wstring& path);
bool IsFile(const std::wstring& path);

// The entry's own attributes (GetFileAttributesW): a link or junction is reported with
// kAttrReparsePoint (and kAttrDirectory when it stands for a folder), never with the
// attributes of what it points at.
Result<std::uint32_t> GetAttributes(const std::wstring& path);
Status SetAttributes(const std::wstring& path, std::uint32_t attributes);

Status CreateFolder(const std::wstring& path);      // one level (CreateDirectoryW)
Status CreateFolderPath(const std::wstring& path);  // every missing level
// RemoveDirectoryW: an empty folder, or a folder link or junction itself (never what it
// points at).
Status RemoveEmptyFolder(const std::wstring& path);
Status DeleteFileAt(const std::wstring& path);      // DeleteFileW; a file link is deleted as a link
Status MoveFileTo(const std::wstring& from, const std::wstring& to);  // fails if `to` exists

// Deletes a folder with everything below it, silently, as the shell's FO_DELETE with
// FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI. The path carries no trailing backslash.
// Succeeds when the shell reported success and no abort (the shell's own result is the code).
Status ShellDeleteTree(const std::wstring& path);

// One entry of a folder listing ("." and ".." are never reported).
struct FolderEntry {
  std::wstring name;
  std::uint32_t attributes = 0;  // as GetAttributes reports them: links carry kAttrReparsePoint
  std::uint64_t size = 0;  // bytes, for files
  bool IsFolder() const { return (attributes & kAttrDirectory) != 0; }
  bool IsLink() const { return (attributes & kAttrReparsePoint) != 0; }
};

// Lists the folder's entries (pattern "*.*", every attribute) in the order the file system
// returns them, calling `visit` for each until it returns false. Fails when the folder can't be
// enumerated, or when the enumeration ended with an error other than "no more files" (the call
// is "FindFirstFileW" or "FindNextFileW"). An existing empty folder lists nothing and succeeds.
Status ListFolder(const std::wstring& folder, const std::function<bool(const FolderEntry&)>& visit);

// Size of a file opened for reading (CreateFileW + GetFileSizeEx).
Result<std::uint64_t> GetFileSizeOf(const std::wstring& path);

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path);
// Creates the file, or truncates it, and writes the bytes.
Status WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes);
// Opens an existing file exclusively, truncates it, writes the bytes and flushes them to disk.
Status OverwriteExistingFile(const std::wstring& path, const std::string& bytes);
// Appends the bytes to the file, creating it when missing; the file is closed afterwards.
Status AppendToFile(const std::wstring& path, const std::string& bytes);

// Creates a new empty file named prefix + hex digits + ".TMP" in the folder
// (GetTempFileNameW); returns its full path.
Result<std::wstring> CreateTempFileIn(const std::wstring& folder, const std::wstring& prefix);

// Reads the section names of an INI file (GetPrivateProfileSectionNamesW); a file that can't
// be read fails, one without sections gives none.
Result<std::vector<std::wstring>> ReadIniSectionNames(const std::wstring& path);

}  // namespace platform
