#include "unix_tool.h"

#include <atomic>
#include <cstdlib>
#include <vector>

namespace standin {

namespace {

using UnixFileName = char*(CDECL*)(const wchar_t*);

std::atomic<unsigned> g_runs{0};

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::string ReadWholeFile(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return {};
  std::string bytes;
  char block[65536];
  DWORD got = 0;
  while (ReadFile(file, block, sizeof block, &got, nullptr) && got > 0) bytes.append(block, got);
  CloseHandle(file);
  return bytes;
}

// A fresh folder in the user's temporary folder for one run's files.
std::wstring MakeWorkFolder() {
  wchar_t temp[MAX_PATH] = {};
  DWORD length = GetTempPathW(MAX_PATH, temp);
  if (length == 0 || length >= MAX_PATH) return {};
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::wstring folder = std::wstring(temp) + L"draventa-standin-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                          std::to_wstring(++g_runs) + L"\\";
    if (CreateDirectoryW(folder.c_str(), nullptr)) return folder;
    if (GetLastError() != ERROR_ALREADY_EXISTS) return {};
  }
  return {};
}

}  // namespace

std::string Utf8(const std::wstring& text) {
  if (text.empty()) return {};
  int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size, nullptr, nullptr);
  return out;
}

std::wstring Wide(const std::string& utf8) {
  if (utf8.empty()) return {};
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
  std::wstring out(static_cast<size_t>(size), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(), size);
  return out;
}

std::string UnixPath(const std::wstring& windowsPath) {
  static const UnixFileName convert = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
  if (convert == nullptr || windowsPath.empty()) return {};
  char* unix = convert(windowsPath.c_str());
  if (unix == nullptr) return {};
  std::string path = unix;
  HeapFree(GetProcessHeap(), 0, unix);
  return path;
}

std::string ShellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string LastLine(const std::string& output) {
  std::string last, line;
  for (char c : output) {
    if (c == '\n' || c == '\r') {
      if (line.find_first_not_of(" \t") != std::string::npos) last = line;
      line.clear();
    } else {
      line += c;
    }
  }
  if (line.find_first_not_of(" \t") != std::string::npos) last = line;
  return last;
}

ShellResult RunShell(const std::string& command, DWORD limitMs, const std::function<void()>& whileWaiting) {
  ShellResult result;
  const std::wstring folder = MakeWorkFolder();
  const std::string unixFolder = UnixPath(folder);
  if (folder.empty() || unixFolder.empty()) {
    result.problem = "no work folder (or no Wine to map it)";
    return result;
  }
  const std::wstring script = folder + L"run.sh", output = folder + L"out.txt", status = folder + L"status.txt",
                     console = folder + L"console.txt";
  const std::string u = unixFolder.back() == '/' ? unixFolder : unixFolder + "/";
  // The status file appears whole (written aside, then renamed), so a reader never sees half of it.
  const std::string text = "cd /\n( " + command + "\n) >" + ShellQuote(u + "out.txt") + " 2>&1\necho $? >" +
                           ShellQuote(u + "status.tmp") + "\nmv " + ShellQuote(u + "status.tmp") + " " +
                           ShellQuote(u + "status.txt") + "\n";
  if (!WriteWholeFile(script, text)) {
    result.problem = "the shell script could not be written";
  } else {
    // The shell's own standard handles: a file of this run, not the caller's console or pipe.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE std = CreateFileW(console.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = std;
    PROCESS_INFORMATION process{};
    std::wstring line = L"Z:\\bin\\sh \"" + Wide(u) + L"run.sh\"";
    std::vector<wchar_t> buffer(line.begin(), line.end());
    buffer.push_back(L'\0');
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, std != INVALID_HANDLE_VALUE, CREATE_NO_WINDOW, nullptr,
                        nullptr, &startup, &process)) {
      result.problem = "Z:\\bin\\sh could not be started (error " + std::to_string(GetLastError()) + ")";
    } else {
      if (process.hThread) CloseHandle(process.hThread);
      if (process.hProcess) CloseHandle(process.hProcess);
      const ULONGLONG deadline = GetTickCount64() + limitMs;
      while (GetFileAttributesW(status.c_str()) == INVALID_FILE_ATTRIBUTES && GetTickCount64() < deadline) {
        if (whileWaiting) whileWaiting();
        Sleep(100);
      }
      std::string code = ReadWholeFile(status);
      if (code.empty()) {
        result.problem = "the command did not end within " + std::to_string(limitMs / 1000) + " s";
      } else {
        result.ran = true;
        result.status = std::atoi(code.c_str());
      }
      result.output = ReadWholeFile(output);
    }
    if (std != INVALID_HANDLE_VALUE) CloseHandle(std);
  }
  for (const std::wstring& file : {script, output, status, console}) DeleteFileW(file.c_str());
  RemoveDirectoryW(folder.c_str());
  return result;
}

}  // namespace standin
