#pragma once
// Test-only: the file work both DISM stand-ins under Wine (dismapi.dll and dism.exe) share:
// looking at files and folders with the Windows calls, reading wimlib-imagex's "Field: value"
// reports, and staging a driver package into a mounted tree as DISM does.
#include <windows.h>

#include <functional>
#include <string>

namespace standin {

std::wstring WithSlash(std::wstring path);
bool IsFolder(const std::wstring& path);
bool IsFile(const std::wstring& path);
bool IsEmptyFolder(const std::wstring& path);
// At most the first MiB of a file.
std::string ReadSmallFile(const std::wstring& path);

// Appends a line (UTF-8, CRLF) to a log file; nothing when `file` is empty.
void AppendLine(const std::wstring& file, const std::wstring& line);

// The value after "<field>:" on the first line from `from` that starts with it, trimmed.
std::string Field(const std::string& text, const std::string& field, std::size_t from = 0);

// Runs a command line (sh, Linux paths) such as a wimlib-imagex one for at most `limitMs`,
// reporting progress (when given) from 0 towards 90 % while it runs and 100 % at its end; its
// output goes to `output` when given. False with `problem` (": why", to follow the caller's
// words) when it did not run or failed.
bool RunWimTool(const std::string& command, DWORD limitMs, const std::function<void(UINT)>& progress, std::string* output,
                std::wstring& problem);

// Stages the package of `inf` into the tree mounted at `mountPath` for the image's `arch` (x86,
// amd64, ia64): the INF's folder is copied to the folder <inf>_<arch>_<id> of the driver store
// (Windows\System32\DriverStore\FileRepository), `relative` that folder below the mount. A missing file or a file that is no
// Windows NT driver INF fails with DISM's HRESULT and `problem` its text.
HRESULT StagePackage(const std::wstring& inf, const std::wstring& mountPath, const std::string& arch, std::wstring& relative,
                     std::wstring& problem);

}  // namespace standin
