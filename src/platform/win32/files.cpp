#include "platform/files.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

using win32::Check;
using win32::LastError;

namespace {

using win32::ScopedFindHandle;
using win32::ScopedKernelHandle;

ScopedKernelHandle OpenPath(const std::wstring& path, DWORD access, DWORD share, DWORD disposition) {
  return ScopedKernelHandle(
      CreateFileW(path.c_str(), access, share, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

bool WriteAll(HANDLE file, const void* data, std::size_t size) {
  const char* bytes = static_cast<const char*>(data);
  while (size > 0) {
    DWORD chunk = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!WriteFile(file, bytes, chunk, &written, nullptr) || written == 0) return false;
    bytes += written;
    size -= written;
  }
  return true;
}

std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\' && path.back() != L'/') path += L'\\';
  return path;
}

}  // namespace

bool PathExists(const std::wstring& path) { return PathFileExistsW(path.c_str()) != FALSE; }

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

Result<std::uint32_t> GetAttributes(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return LastError("GetFileAttributesW", path);
  return static_cast<std::uint32_t>(attributes);
}

Status SetAttributes(const std::wstring& path, std::uint32_t attributes) {
  return Check(SetFileAttributesW(path.c_str(), attributes) != FALSE, "SetFileAttributesW", path);
}

Status CreateFolder(const std::wstring& path) {
  return Check(CreateDirectoryW(path.c_str(), nullptr) != FALSE, "CreateDirectoryW", path);
}

// Creates each missing level in turn, so relative paths and drive roots work alike. A level
// that can't be made fails the whole with its own reason.
Status CreateFolderPath(const std::wstring& path) {
  if (path.empty()) return Status::Win32(ERROR_PATH_NOT_FOUND, "CreateDirectoryW", path);
  std::wstring level;
  Status failed;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      bool isUncPrefix = level.rfind(L"\\\\", 0) == 0 && level.find(L'\\', 2) == std::wstring::npos;
      bool isDriveOrShare = level.empty() || level.back() == L':' || level == L"\\" || isUncPrefix;
      if (!isDriveOrShare && !IsFolder(level) && !CreateDirectoryW(level.c_str(), nullptr))
        failed = LastError("CreateDirectoryW", level);
    }
    if (i < path.size()) level += path[i];
  }
  if (IsFolder(path)) return {};
  return failed ? Status::Win32(ERROR_PATH_NOT_FOUND, "CreateDirectoryW", path) : failed;
}

Status RemoveEmptyFolder(const std::wstring& path) {
  return Check(RemoveDirectoryW(path.c_str()) != FALSE, "RemoveDirectoryW", path);
}

Status DeleteFileAt(const std::wstring& path) { return Check(DeleteFileW(path.c_str()) != FALSE, "DeleteFileW", path); }

Status MoveFileTo(const std::wstring& from, const std::wstring& to) {
  const bool moved = MoveFileW(from.c_str(), to.c_str()) != FALSE;
  return Check(moved, "MoveFileW").On(from + L" -> " + to);
}

// The shell's own result is the code; an abort without one is ERROR_REQUEST_ABORTED.
Status ShellDeleteTree(const std::wstring& path) {
  // The shell takes a list of names ended by an empty one: the path and two NULs.
  std::wstring from = path;
  from.push_back(L'\0');
  from.push_back(L'\0');
  SHFILEOPSTRUCTW operation{};
  operation.hwnd = nullptr;
  operation.wFunc = FO_DELETE;
  operation.pFrom = from.c_str();
  operation.pTo = nullptr;
  operation.fFlags = FOF_SILENT | FOF_NOCONFIRMATION | FOF_NOERRORUI;  // 0x0414
  operation.hNameMappings = nullptr;
  operation.lpszProgressTitle = nullptr;
  int result = SHFileOperationW(&operation);
  if (result != 0) return Status::Win32(static_cast<std::uint32_t>(result), "SHFileOperationW", path);
  if (operation.fAnyOperationsAborted) return Status::Win32(ERROR_REQUEST_ABORTED, "SHFileOperationW", path);
  return {};
}

Status ListFolder(const std::wstring& folder, const std::function<bool(const FolderEntry&)>& visit) {
  WIN32_FIND_DATAW data{};
  ScopedFindHandle find(FindFirstFileW((WithBackslash(folder) + L"*.*").c_str(), &data));
  if (!find) {
    Status failed = LastError("FindFirstFileW", folder);
    // An empty drive root has no "." entry, so nothing matches: that is an empty listing.
    if (failed.code() == ERROR_FILE_NOT_FOUND && IsFolder(folder)) return {};
    return failed;
  }
  bool stopped = false;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    FolderEntry entry;
    entry.name = name;
    entry.attributes = data.dwFileAttributes;
    entry.size = entry.IsFolder() ? 0 : (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    if (!visit(entry)) {
      stopped = true;
      break;
    }
  } while (FindNextFileW(find.get(), &data));
  const DWORD ended = stopped ? ERROR_NO_MORE_FILES : GetLastError();
  if (ended == ERROR_NO_MORE_FILES) return {};
  return Status::Win32(ended, "FindNextFileW", folder);
}

Result<std::uint64_t> GetFileSizeOf(const std::wstring& path) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return LastError("CreateFileW", path);
  LARGE_INTEGER value{};
  if (!GetFileSizeEx(file.get(), &value)) return LastError("GetFileSizeEx", path);
  return static_cast<std::uint64_t>(value.QuadPart);
}

Result<std::vector<std::uint8_t>> ReadWholeFile(const std::wstring& path) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  if (!file) return LastError("CreateFileW", path);
  LARGE_INTEGER size{};
  if (!GetFileSizeEx(file.get(), &size)) return LastError("GetFileSizeEx", path);
  if (size.QuadPart > 0x7FFFFFFF) return Status::Win32(ERROR_NOT_ENOUGH_MEMORY, "ReadFile", path);
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart), 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr))
      return LastError("ReadFile", path);
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return bytes;
}

Status WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  if (!file) return LastError("CreateFileW", path);
  return Check(WriteAll(file.get(), bytes.data(), bytes.size()), "WriteFile", path);
}

Status OverwriteExistingFile(const std::wstring& path, const std::string& bytes) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  if (!file) return LastError("CreateFileW", path);
  if (!WriteAll(file.get(), bytes.data(), bytes.size())) return LastError("WriteFile", path);
  return Check(FlushFileBuffers(file.get()) != FALSE, "FlushFileBuffers", path);
}

Status AppendToFile(const std::wstring& path, const std::string& bytes) {
  // Other programs may read (or delete) the file between two appends.
  ScopedKernelHandle file =
      OpenPath(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
  if (!file) return LastError("CreateFileW", path);
  return Check(WriteAll(file.get(), bytes.data(), bytes.size()), "WriteFile", path);
}

Result<std::wstring> CreateTempFileIn(const std::wstring& folder, const std::wstring& prefix) {
  wchar_t buffer[MAX_PATH] = {};
  if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buffer) == 0) return LastError("GetTempFileNameW", folder);
  return std::wstring(buffer);
}

// GetPrivateProfileSectionNamesW reports no failure: a file that is not there is refused first.
Result<std::vector<std::wstring>> ReadIniSectionNames(const std::wstring& path) {
  if (!IsFile(path)) return Status::Win32(ERROR_FILE_NOT_FOUND, "GetPrivateProfileSectionNamesW", path);
  std::vector<std::wstring> names;
  std::vector<wchar_t> buffer(4096);
  for (;;) {
    DWORD length = GetPrivateProfileSectionNamesW(buffer.data(), static_cast<DWORD>(buffer.size()), path.c_str());
    // A full buffer is reported as its size minus two: read again with a larger one.
    if (length + 2 >= buffer.size() && buffer.size() < (1u << 22)) {
      buffer.assign(buffer.size() * 4, L'\0');
      continue;
    }
    for (const wchar_t* name = buffer.data(); *name && name < buffer.data() + length; name += wcslen(name) + 1)
      names.emplace_back(name);
    return names;
  }
}

}  // namespace platform
