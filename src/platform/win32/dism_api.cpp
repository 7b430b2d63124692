// The DISM API from dismapi.dll, loaded at run time from a full path that the servicing layer
// chose: the program starts on a system without it, and every call fails with
// HRESULT_FROM_WIN32(ERROR_MOD_NOT_FOUND) until a load succeeded.
#include "platform/dism_api.h"

#include <windows.h>
#include <dismapi.h>

#include <cstddef>
#include <mutex>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_status.h"

namespace platform {

static_assert(sizeof(DismText) == sizeof(DismString) && offsetof(DismText, Value) == offsetof(DismString, Value),
              "DismText has DismString's layout");

namespace {

struct Api {
  HMODULE module = nullptr;
  decltype(&::DismInitialize) Initialize = nullptr;
  decltype(&::DismShutdown) Shutdown = nullptr;
  decltype(&::DismGetImageInfo) GetImageInfo = nullptr;
  decltype(&::DismGetMountedImageInfo) GetMountedImageInfo = nullptr;
  decltype(&::DismCleanupMountpoints) CleanupMountpoints = nullptr;
  decltype(&::DismRemountImage) RemountImage = nullptr;
  decltype(&::DismMountImage) MountImage = nullptr;
  decltype(&::DismOpenSession) OpenSession = nullptr;
  decltype(&::DismCloseSession) CloseSession = nullptr;
  decltype(&::DismAddDriver) AddDriver = nullptr;
  decltype(&::DismCommitImage) CommitImage = nullptr;
  decltype(&::DismUnmountImage) UnmountImage = nullptr;
  decltype(&::DismGetLastErrorMessage) GetLastErrorMessage = nullptr;
  decltype(&::DismDelete) Delete = nullptr;
};

std::mutex g_lock;
Api g_api;

template <typename T>
bool Resolve(HMODULE module, const char* name, T& target) {
  target = reinterpret_cast<T>(reinterpret_cast<void*>(GetProcAddress(module, name)));
  return target != nullptr;
}

// The loaded API, or null before LoadDismApi succeeded.
const Api* TheApi() {
  std::lock_guard<std::mutex> guard(g_lock);
  return g_api.module ? &g_api : nullptr;
}

// DISM calls its progress routine with the stdcall convention; the program's routine is a plain
// function, so a relay on the caller's stack forwards each call during the DISM call.
struct ProgressRelay {
  DismProgressCallback callback;
  void* userData;
  static void CALLBACK Forward(UINT current, UINT total, PVOID context) {
    auto* relay = static_cast<ProgressRelay*>(context);
    if (relay && relay->callback) relay->callback(current, total, relay->userData);
  }
  DISM_PROGRESS_CALLBACK Routine() const { return callback ? &ProgressRelay::Forward : nullptr; }
  void* Context() { return callback ? this : nullptr; }
};

const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

Status LoadDismApi(const std::wstring& dllPath) {
  std::lock_guard<std::mutex> guard(g_lock);
  if (g_api.module) return Status();
  // A full path: the search path is never consulted for the module itself; its own dependencies
  // (a deployment kit's DISM folder holds them) are searched in its folder, then the system
  // folder. The LOAD_LIBRARY_SEARCH flags exist where SetDefaultDllDirectories does.
  const bool searchFlags =
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories") != nullptr;
  const DWORD flags = searchFlags ? LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32
                                  : LOAD_WITH_ALTERED_SEARCH_PATH;
  win32::ScopedModule loaded(LoadLibraryExW(dllPath.c_str(), nullptr, flags));
  if (!loaded) return win32::LastError("LoadLibraryExW", dllPath);
  HMODULE module = loaded.get();
  Api api;
  bool ok = Resolve(module, "DismInitialize", api.Initialize) && Resolve(module, "DismShutdown", api.Shutdown) &&
            Resolve(module, "DismGetImageInfo", api.GetImageInfo) &&
            Resolve(module, "DismGetMountedImageInfo", api.GetMountedImageInfo) &&
            Resolve(module, "DismCleanupMountpoints", api.CleanupMountpoints) &&
            Resolve(module, "DismRemountImage", api.RemountImage) &&
            Resolve(module, "DismMountImage", api.MountImage) && Resolve(module, "DismOpenSession", api.OpenSession) &&
            Resolve(module, "DismCloseSession", api.CloseSession) && Resolve(module, "DismAddDriver", api.AddDriver) &&
            Resolve(module, "DismCommitImage", api.CommitImage) && Resolve(module, "DismUnmountImage", api.UnmountImage) &&
            Resolve(module, "DismGetLastErrorMessage", api.GetLastErrorMessage) && Resolve(module, "DismDelete", api.Delete);
  // An incomplete module is freed.
  if (!ok) return Status::Win32(ERROR_PROC_NOT_FOUND, "GetProcAddress", dllPath);
  api.module = loaded.release();
  g_api = api;
  return Status();
}

DismResult DismInitialize(int logLevel, const std::wstring& logFilePath, const wchar_t* scratchDirectory) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  return api->Initialize(static_cast<DismLogLevel>(logLevel), OrNull(logFilePath), scratchDirectory);
}

DismResult DismShutdown() {
  const Api* api = TheApi();
  return api ? api->Shutdown() : kDismModuleNotFound;
}

DismResult DismGetImageInfo(const std::wstring& imageFilePath, void** imageInfo, std::uint32_t* count) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  DismImageInfo* info = nullptr;
  UINT n = 0;
  HRESULT hr = api->GetImageInfo(imageFilePath.c_str(), &info, &n);
  if (imageInfo) *imageInfo = info;
  if (count) *count = n;
  return hr;
}

DismResult DismGetImageInfo(const std::wstring& imageFilePath, std::vector<DismImage>& images) {
  images.clear();
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  DismImageInfo* list = nullptr;
  UINT count = 0;
  HRESULT hr = api->GetImageInfo(imageFilePath.c_str(), &list, &count);
  if (FAILED(hr) || !list) return hr;
  for (UINT i = 0; i < count; ++i)
    images.push_back(DismImage{list[i].ImageIndex, list[i].ImageName ? list[i].ImageName : L"", list[i].Architecture,
                               list[i].ImageSize});
  api->Delete(list);
  return hr;
}

DismResult DismGetMountedImageInfo(std::vector<DismMountedImage>& images) {
  images.clear();
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  DismMountedImageInfo* list = nullptr;
  UINT count = 0;
  HRESULT hr = api->GetMountedImageInfo(&list, &count);
  if (FAILED(hr) || !list) return hr;
  for (UINT i = 0; i < count; ++i) {
    const DismMountedImageInfo& entry = list[i];
    images.push_back(DismMountedImage{entry.MountPath ? entry.MountPath : L"",
                                      entry.ImageFilePath ? entry.ImageFilePath : L"", entry.ImageIndex,
                                      static_cast<int>(entry.MountMode), static_cast<int>(entry.MountStatus)});
  }
  api->Delete(list);
  return hr;
}

DismResult DismCleanupMountpoints() {
  const Api* api = TheApi();
  return api ? api->CleanupMountpoints() : kDismModuleNotFound;
}

DismResult DismRemountImage(const std::wstring& mountPath) {
  const Api* api = TheApi();
  return api ? api->RemountImage(mountPath.c_str()) : kDismModuleNotFound;
}

DismResult DismMountImage(const std::wstring& imageFilePath, const std::wstring& mountPath, std::uint32_t imageIndex,
                          const wchar_t* imageName, int imageIdentifier, std::uint32_t flags,
                          DismProgressCallback progress, void* userData) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  ProgressRelay relay{progress, userData};
  return api->MountImage(imageFilePath.c_str(), mountPath.c_str(), imageIndex, imageName,
                         static_cast<DismImageIdentifier>(imageIdentifier), flags, nullptr, relay.Routine(),
                         relay.Context());
}

DismResult DismOpenSession(const std::wstring& imagePath, const wchar_t* windowsDirectory, const wchar_t* systemDrive,
                           DismSessionHandle* session) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  ::DismSession handle = 0;
  HRESULT hr = api->OpenSession(imagePath.c_str(), windowsDirectory, systemDrive, &handle);
  if (session) *session = handle;
  return hr;
}

DismResult DismCloseSession(DismSessionHandle session) {
  const Api* api = TheApi();
  return api ? api->CloseSession(session) : kDismModuleNotFound;
}

DismResult DismAddDriver(DismSessionHandle session, const std::wstring& driverPath, bool forceUnsigned) {
  const Api* api = TheApi();
  return api ? api->AddDriver(session, driverPath.c_str(), forceUnsigned ? TRUE : FALSE) : kDismModuleNotFound;
}

DismResult DismCommitImage(DismSessionHandle session, std::uint32_t flags, DismProgressCallback progress,
                           void* userData) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  ProgressRelay relay{progress, userData};
  return api->CommitImage(session, flags, nullptr, relay.Routine(), relay.Context());
}

DismResult DismUnmountImage(const std::wstring& mountPath, std::uint32_t flags, DismProgressCallback progress,
                            void* userData) {
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  ProgressRelay relay{progress, userData};
  return api->UnmountImage(mountPath.c_str(), flags, nullptr, relay.Routine(), relay.Context());
}

DismResult DismGetLastErrorMessage(DismText** errorMessage) {
  if (!errorMessage) return E_INVALIDARG;
  *errorMessage = nullptr;
  const Api* api = TheApi();
  if (!api) return kDismModuleNotFound;
  ::DismString* text = nullptr;
  HRESULT hr = api->GetLastErrorMessage(&text);
  *errorMessage = reinterpret_cast<DismText*>(text);
  return hr;
}

DismResult DismDelete(void* dismStructure) {
  const Api* api = TheApi();
  return api ? api->Delete(dismStructure) : kDismModuleNotFound;
}

}  // namespace platform
