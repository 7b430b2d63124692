// The DISM API back-end: each call goes to the function of the same name in dismapi.dll.
#include "servicing/dism_backend.h"

#include <cwchar>

namespace DismCpp {

std::wstring HexCode(std::uint32_t value) {
  wchar_t digits[16];
  std::swprintf(digits, 16, L"0x%x", value);
  return digits;
}

namespace {

class DismApiBackend : public DismBackend {
 public:
  explicit DismApiBackend(std::wstring dllPath) : m_DllPath(std::move(dllPath)) {}

  std::wstring Description() const override { return L"DISM API " + m_DllPath; }

  platform::DismResult Initialize(const std::wstring& logFile) override {
    return platform::DismInitialize(platform::kDismLogErrorsWarningsInfo, logFile, nullptr);
  }
  platform::DismResult Shutdown() override { return platform::DismShutdown(); }

  platform::DismResult GetImageCount(const std::wstring& imageFile, std::uint32_t& count) override {
    void* info = nullptr;
    count = 0;
    platform::DismResult hr = platform::DismGetImageInfo(imageFile, &info, &count);
    if (info) platform::DismDelete(info);
    return hr;
  }
  platform::DismResult GetImages(const std::wstring& imageFile, std::vector<platform::DismImage>& images) override {
    return platform::DismGetImageInfo(imageFile, images);
  }
  platform::DismResult GetMountedImages(std::vector<platform::DismMountedImage>& images) override {
    return platform::DismGetMountedImageInfo(images);
  }
  platform::DismResult CleanupMountpoints() override { return platform::DismCleanupMountpoints(); }
  platform::DismResult RemountImage(const std::wstring& mountPath) override {
    return platform::DismRemountImage(mountPath);
  }
  platform::DismResult MountImage(const std::wstring& imageFile, const std::wstring& mountPath, std::uint32_t imageIndex,
                                  bool readOnly, ProgressCallback progress, void* userData) override {
    std::uint32_t flags = readOnly ? platform::kDismMountReadOnly : platform::kDismMountReadWrite;
    return platform::DismMountImage(imageFile, mountPath, imageIndex, nullptr, platform::kDismImageIndex, flags,
                                    progress, userData);
  }
  platform::DismResult OpenSession(const std::wstring& mountPath, platform::DismSessionHandle& session) override {
    return platform::DismOpenSession(mountPath, nullptr, nullptr, &session);
  }
  platform::DismResult CloseSession(platform::DismSessionHandle session) override {
    return platform::DismCloseSession(session);
  }
  platform::DismResult AddDriver(platform::DismSessionHandle session, const std::wstring& infPath,
                                 bool forceUnsigned) override {
    return platform::DismAddDriver(session, infPath, forceUnsigned);
  }
  platform::DismResult CommitImage(platform::DismSessionHandle session, ProgressCallback progress,
                                   void* userData) override {
    return platform::DismCommitImage(session, platform::kDismCommitImage, progress, userData);
  }
  platform::DismResult UnmountImage(const std::wstring& mountPath, bool discard, ProgressCallback progress,
                                    void* userData) override {
    return platform::DismUnmountImage(mountPath, discard ? platform::kDismDiscardImage : platform::kDismCommitImage,
                                      progress, userData);
  }

  std::wstring LastErrorText() override {
    platform::DismText* text = nullptr;
    platform::DismGetLastErrorMessage(&text);
    std::wstring result = text && text->Value ? text->Value : L"";
    if (text) platform::DismDelete(text);
    return result;
  }

 private:
  std::wstring m_DllPath;
};

}  // namespace

std::unique_ptr<DismBackend> MakeDismApiBackend(const std::wstring& dllPath) {
  return std::make_unique<DismApiBackend>(dllPath);
}

}  // namespace DismCpp
