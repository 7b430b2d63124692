#include "dism_files.h"

#include <cctype>
#include <cwctype>

#include "unix_tool.h"

namespace standin {

namespace {

// Copies a folder tree with the Windows calls, so the staged files are what the program sees.
bool CopyTree(const std::wstring& from, const std::wstring& to, std::wstring& failed) {
  if (!CreateDirectoryW(to.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
    failed = to;
    return false;
  }
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((WithSlash(from) + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool ok = true;
  do {
    std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    std::wstring source = WithSlash(from) + name, target = WithSlash(to) + name;
    if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyTree(source, target, failed);
    } else if (!CopyFileW(source.c_str(), target.c_str(), FALSE)) {
      failed = source;
      ok = false;
    }
  } while (ok && FindNextFileW(find, &data));
  FindClose(find);
  return ok;
}

std::string Lower(std::string text) {
  for (auto& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// INF text is UTF-16LE with a byte-order mark, or 8-bit; the checks below need only ASCII.
std::string InfText(const std::string& bytes) {
  if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF || static_cast<unsigned char>(bytes[1]) != 0xFE)
    return bytes;
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text += bytes[i + 1] == 0 ? bytes[i] : '?';
  return text;
}

std::wstring Hex16(const std::string& bytes) {
  unsigned long long hash = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : bytes) hash = (hash ^ c) * 1099511628211ull;
  wchar_t text[17];
  wsprintfW(text, L"%08x%08x", static_cast<unsigned>(hash >> 32), static_cast<unsigned>(hash));
  return text;
}

}  // namespace

std::wstring WithSlash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

bool IsFolder(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsFile(const std::wstring& path) {
  DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool IsEmptyFolder(const std::wstring& path) {
  WIN32_FIND_DATAW data;
  HANDLE find = FindFirstFileW((WithSlash(path) + L"*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return true;
  bool empty = true;
  do {
    std::wstring name = data.cFileName;
    if (name != L"." && name != L"..") empty = false;
  } while (empty && FindNextFileW(find, &data));
  FindClose(find);
  return empty;
}

std::string ReadSmallFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes(1 << 20, '\0');
  DWORD got = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
  CloseHandle(file);
  bytes.resize(got);
  return bytes;
}

std::string Field(const std::string& text, const std::string& field, std::size_t from) {
  std::size_t at = text.find("\n" + field + ":", from);
  if (at == std::string::npos) return {};
  at += field.size() + 2;
  std::size_t end = text.find('\n', at);
  std::string value = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
  std::size_t begin = value.find_first_not_of(" \t");
  std::size_t last = value.find_last_not_of(" \t\r");
  return begin == std::string::npos ? std::string() : value.substr(begin, last - begin + 1);
}

void AppendLine(const std::wstring& file, const std::wstring& line) {
  if (file.empty()) return;
  HANDLE handle = CreateFileW(file.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return;
  std::string text = Utf8(line + L"\r\n");
  DWORD written = 0;
  WriteFile(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
  CloseHandle(handle);
}

bool RunWimTool(const std::string& command, DWORD limitMs, const std::function<void(UINT)>& progress, std::string* output,
                std::wstring& problem) {
  UINT shown = 0;
  if (progress) progress(0);
  ShellResult result = RunShell(command, limitMs, [&] {
    if (progress && shown < 90) progress(shown += 5);
  });
  if (output) *output = result.output;
  if (!result.ran) {
    problem = L": " + Wide(result.problem);
    return false;
  }
  if (result.status != 0) {
    problem = L" failed (exit status " + std::to_wstring(result.status) + L"): " + Wide(LastLine(result.output));
    return false;
  }
  if (progress) progress(100);
  return true;
}

HRESULT StagePackage(const std::wstring& inf, const std::wstring& mountPath, const std::string& arch, std::wstring& relative,
                     std::wstring& problem) {
  if (!IsFile(inf)) {
    problem = L"The driver package " + inf + L" could not be found.";
    return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  const std::string bytes = ReadSmallFile(inf);
  const std::string text = Lower(InfText(bytes));
  if (text.find("[version]") == std::string::npos ||
      (text.find("$windows nt$") == std::string::npos && text.find("$chicago$") == std::string::npos)) {
    problem = L"The INF file " + inf + L" is not a Windows NT driver package.";
    return static_cast<HRESULT>(0x800F0100u);
  }
  std::wstring name = inf.substr(inf.find_last_of(L"\\/") + 1);
  for (auto& c : name) c = static_cast<wchar_t>(std::towlower(c));
  relative = L"Windows\\System32\\DriverStore\\FileRepository\\" + name + L"_" + Wide(arch) + L"_" + Hex16(bytes);
  std::wstring folder = WithSlash(mountPath);
  for (const wchar_t* part : {L"Windows", L"Windows\\System32", L"Windows\\System32\\DriverStore",
                              L"Windows\\System32\\DriverStore\\FileRepository"})
    CreateDirectoryW((folder + part).c_str(), nullptr);
  std::wstring failed;
  if (!CopyTree(inf.substr(0, inf.find_last_of(L"\\/")), folder + relative, failed)) {
    problem = L"The package could not be staged: " + failed;
    return HRESULT_FROM_WIN32(GetLastError());
  }
  return S_OK;
}

}  // namespace standin
