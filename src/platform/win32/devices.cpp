#include "platform/devices.h"

#include <windows.h>

#include <mutex>
#include <utility>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

namespace {

class Win32Device : public Device {
 public:
  Win32Device(win32::ScopedKernelHandle handle, std::wstring path) : handle_(std::move(handle)), path_(std::move(path)) {}

  Result<std::vector<std::uint8_t>> Control(std::uint32_t code, const std::vector<std::uint8_t>& input,
                                            std::size_t outputCapacity) override {
    std::vector<std::uint8_t> output(outputCapacity, 0);
    DWORD returned = 0;
    BOOL ok = DeviceIoControl(handle_.get(), code, input.empty() ? nullptr : const_cast<std::uint8_t*>(input.data()),
                              static_cast<DWORD>(input.size()), output.empty() ? nullptr : output.data(),
                              static_cast<DWORD>(outputCapacity), &returned, nullptr);
    if (!ok) return win32::LastError("DeviceIoControl", path_);
    output.resize(returned);
    return output;
  }

  Result<Volume> VolumeInformation() override {
    wchar_t volumeName[MAX_PATH + 1] = {};
    wchar_t fileSystemName[MAX_PATH + 1] = {};
    if (!GetVolumeInformationByHandleW(handle_.get(), volumeName, MAX_PATH + 1, nullptr, nullptr, nullptr,
                                       fileSystemName, MAX_PATH + 1))
      return win32::LastError("GetVolumeInformationByHandleW", path_);
    return Volume{volumeName, fileSystemName};
  }

 private:
  win32::ScopedKernelHandle handle_;
  std::wstring path_;
};

// The native symbolic-link calls of ntdll, looked up once and kept for the process's life.
struct NtUnicodeString {
  USHORT Length;
  USHORT MaximumLength;
  PWSTR Buffer;
};

struct NtObjectAttributes {
  ULONG Length;
  HANDLE RootDirectory;
  NtUnicodeString* ObjectName;
  ULONG Attributes;
  PVOID SecurityDescriptor;
  PVOID SecurityQualityOfService;
};

using NtOpenSymbolicLinkObjectFn = LONG(NTAPI*)(PHANDLE, ACCESS_MASK, NtObjectAttributes*);
using NtQuerySymbolicLinkObjectFn = LONG(NTAPI*)(HANDLE, NtUnicodeString*, PULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(LONG);

struct NtLinkCalls {
  NtOpenSymbolicLinkObjectFn open = nullptr;
  NtQuerySymbolicLinkObjectFn query = nullptr;
  RtlNtStatusToDosErrorFn toDosError = nullptr;  // for the failure's Windows error code
};

const NtLinkCalls& LinkCalls() {
  static NtLinkCalls calls;
  static std::once_flag once;
  std::call_once(once, [] {
    HMODULE ntdll = LoadLibraryW(L"ntdll.dll");
    if (!ntdll) return;
    calls.open = reinterpret_cast<NtOpenSymbolicLinkObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtOpenSymbolicLinkObject")));
    calls.query = reinterpret_cast<NtQuerySymbolicLinkObjectFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "NtQuerySymbolicLinkObject")));
    calls.toDosError = reinterpret_cast<RtlNtStatusToDosErrorFn>(
        reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  });
  return calls;
}

constexpr ACCESS_MASK kSymbolicLinkQuery = 0x0001;
constexpr ULONG kObjCaseInsensitive = 0x00000040;
constexpr USHORT kLinkTargetBytes = 1024;

// The native calls report an NTSTATUS; the failure is told by its Windows error code.
Status FailWithStatus(const NtLinkCalls& calls, LONG status, const char* call, const std::wstring& ntPath) {
  return Status::Win32(calls.toDosError ? calls.toDosError(status) : ERROR_GEN_FAILURE, call, ntPath);
}

}  // namespace

Result<std::unique_ptr<Device>> OpenDevice(const std::wstring& path, const DeviceOpenOptions& options) {
  DWORD access = GENERIC_READ;
  if (options.write) access |= GENERIC_WRITE;
  if (options.readAttributes) access |= FILE_READ_ATTRIBUTES | FILE_READ_EA;
  DWORD flags = options.writeThrough ? FILE_FLAG_WRITE_THROUGH | FILE_FLAG_RANDOM_ACCESS : 0;
  win32::ScopedKernelHandle handle(CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                              options.createNew ? CREATE_ALWAYS : OPEN_EXISTING, flags, nullptr));
  if (!handle) return win32::LastError("CreateFileW", path);
  return std::unique_ptr<Device>(std::make_unique<Win32Device>(std::move(handle), path));
}

Result<std::wstring> QuerySymbolicLinkTarget(const std::wstring& ntPath) {
  const NtLinkCalls& calls = LinkCalls();
  if (!calls.open || !calls.query) return Status::Win32(ERROR_PROC_NOT_FOUND, "NtOpenSymbolicLinkObject", ntPath);
  if (ntPath.size() * sizeof(wchar_t) > 0xFFFE)
    return Status::Win32(ERROR_FILENAME_EXCED_RANGE, "NtOpenSymbolicLinkObject", ntPath);

  std::wstring name = ntPath;
  NtUnicodeString objectName{static_cast<USHORT>(name.size() * sizeof(wchar_t)),
                             static_cast<USHORT>(name.size() * sizeof(wchar_t)), name.data()};
  NtObjectAttributes attributes{sizeof(NtObjectAttributes), nullptr, &objectName, kObjCaseInsensitive, nullptr,
                                nullptr};
  HANDLE opened = nullptr;
  if (LONG status = calls.open(&opened, kSymbolicLinkQuery, &attributes); status != 0)
    return FailWithStatus(calls, status, "NtOpenSymbolicLinkObject", ntPath);
  win32::ScopedKernelHandle link(opened);  // a kernel handle, which CloseHandle closes as NtClose does

  wchar_t buffer[kLinkTargetBytes / sizeof(wchar_t) + 1] = {};
  NtUnicodeString result{0, kLinkTargetBytes, buffer};
  ULONG returned = 0;
  LONG status = calls.query(link.get(), &result, &returned);
  if (status != 0) return FailWithStatus(calls, status, "NtQuerySymbolicLinkObject", ntPath);
  return std::wstring(buffer, result.Length / sizeof(wchar_t));
}

Result<std::wstring> QueryDosDeviceName(const std::wstring& dosName) {
  wchar_t buffer[1024] = {};
  if (QueryDosDeviceW(dosName.c_str(), buffer, 1024) == 0) return win32::LastError("QueryDosDeviceW", dosName);
  return std::wstring(buffer);  // the first name of the list
}

Status DefineRawDosDevice(const std::wstring& dosName, const std::wstring& target) {
  return win32::Check(DefineDosDeviceW(DDD_RAW_TARGET_PATH, dosName.c_str(), target.c_str()) != FALSE,
                      "DefineDosDeviceW", dosName);
}

Status RemoveRawDosDevice(const std::wstring& dosName, const std::wstring& target) {
  return win32::Check(DefineDosDeviceW(DDD_RAW_TARGET_PATH | DDD_REMOVE_DEFINITION | DDD_EXACT_MATCH_ON_REMOVE,
                                       dosName.c_str(), target.c_str()) != FALSE,
                      "DefineDosDeviceW", dosName);
}

}  // namespace platform
