#include "platform/files.h"

#include <windows.h>
#include <shellapi.h>
#include <shlwapi.h>

#include "platform/win32/scoped_handle.h"

namespace platform {

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

std::uint32_t GetAttributes(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

bool SetAttributes(const std::wstring& path, std::uint32_t attributes) {
  return SetFileAttributesW(path.c_str(), attributes) != FALSE;
}

bool CreateFolder(const std::wstring& path) { return CreateDirectoryW(path.c_str(), nullptr) != FALSE; }

// Creates each missing level in turn, so relative paths and drive roots work alike.
bool CreateFolderPath(const std::wstring& path) {
  if (path.empty()) return false;
  std::wstring level;
  for (std::size_t i = 0; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == L'\\' || path[i] == L'/') {
      bool isUncPrefix = level.rfind(L"\\\\", 0) == 0 && level.find(L'\\', 2) == std::wstring::npos;
      bool isDriveOrShare = level.empty() || level.back() == L':' || level == L"\\" || isUncPrefix;
      if (!isDriveOrShare && !IsFolder(level)) CreateDirectoryW(level.c_str(), nullptr);
    }
    if (i < path.size()) level += path[i];
  }
  return IsFolder(path);
}

bool RemoveEmptyFolder(const std::wstring& path) { return RemoveDirectoryW(path.c_str()) != FALSE; }

bool DeleteFileAt(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

bool MoveFileTo(const std::wstring& from, const std::wstring& to) {
  return MoveFileW(from.c_str(), to.c_str()) != FALSE;
}

bool ShellDeleteTree(const std::wstring& path) {
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
  return result == 0 && !operation.fAnyOperationsAborted;
}

bool ListFolder(const std::wstring& folder, const std::function<bool(const FolderEntry&)>& visit) {
  WIN32_FIND_DATAW data{};
  ScopedFindHandle find(FindFirstFileW((WithBackslash(folder) + L"*.*").c_str(), &data));
  if (!find) {
    DWORD error = GetLastError();
    // An empty drive root has no "." entry, so nothing matches: that is an empty listing.
    bool empty = error == ERROR_FILE_NOT_FOUND && IsFolder(folder);
    SetLastError(empty ? ERROR_SUCCESS : error);
    return empty;
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
  DWORD error = stopped ? ERROR_NO_MORE_FILES : GetLastError();
  // The search closes on return and leaves this error as it is.
  SetLastError(error == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : error);
  return error == ERROR_NO_MORE_FILES;
}

bool GetFileSizeOf(const std::wstring& path, std::uint64_t& size) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  LARGE_INTEGER value{};
  if (!file || !GetFileSizeEx(file.get(), &value)) return false;
  size = static_cast<std::uint64_t>(value.QuadPart);
  return true;
}

bool ReadWholeFile(const std::wstring& path, std::vector<std::uint8_t>& bytes) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_EXISTING);
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 0x7FFFFFFF) return false;
  bytes.assign(static_cast<std::size_t>(size.QuadPart), 0);
  std::size_t done = 0;
  while (done < bytes.size()) {
    DWORD got = 0;
    if (!ReadFile(file.get(), bytes.data() + done, static_cast<DWORD>(bytes.size() - done), &got, nullptr)) return false;
    if (got == 0) break;
    done += got;
  }
  bytes.resize(done);
  return true;
}

bool WriteWholeFile(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_WRITE, 0, CREATE_ALWAYS);
  return file && WriteAll(file.get(), bytes.data(), bytes.size());
}

bool OverwriteExistingFile(const std::wstring& path, const std::string& bytes) {
  ScopedKernelHandle file = OpenPath(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING);
  return file && WriteAll(file.get(), bytes.data(), bytes.size()) && FlushFileBuffers(file.get());
}

bool AppendToFile(const std::wstring& path, const std::string& bytes) {
  // Other programs may read (or delete) the file between two appends.
  ScopedKernelHandle file =
      OpenPath(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_ALWAYS);
  return file && WriteAll(file.get(), bytes.data(), bytes.size());
}

std::wstring CreateTempFileIn(const std::wstring& folder, const std::wstring& prefix) {
  wchar_t buffer[MAX_PATH] = {};
  if (GetTempFileNameW(folder.c_str(), prefix.c_str(), 0, buffer) == 0) return {};
  return buffer;
}

std::vector<std::wstring> ReadIniSectionNames(const std::wstring& path) {
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
