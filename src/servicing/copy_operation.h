#pragma once
// The job step that copies a folder tree (the disc, or the "OS" folder beside the program) into
// the target folder, reporting a percentage of all bytes with the state it was created with.
#include <atomic>
#include <cstdint>
#include <string>

#include "app/basic_operation.h"

class CopyOperation : public BasicOperation {
 public:
  CopyOperation(platform::WindowHandle hWnd, std::int32_t state, const std::wstring& sourcePath,
                const std::wstring& tagPath);

  // Copies m_SourcePath into m_TagPath. True on success and after a stop between files; false
  // when the target is missing, a file failed, or the copy was stopped inside a file.
  std::int32_t Excute() override;
  bool IsStop() override { return m_bStop.load(); }
  // Called from the window thread: only sets flags.
  void Stop() override;

  // The copy engine's progress routine; `userData` is the CopyOperation.
  static std::uint32_t OnCopyProgress(std::int64_t totalFileSize, std::int64_t totalBytesTransferred,
                                      std::int64_t streamSize, std::int64_t streamBytesTransferred,
                                      std::uint32_t streamNumber, std::uint32_t callbackReason, void* sourceFile,
                                      void* destinationFile, void* userData);

 private:
  // After a failed copy: tells the user when the source's drive can't be read any more.
  void ReportLostSource() const;

  std::wstring m_SourcePath;
  std::wstring m_TagPath;
  std::atomic<bool> m_bStop{false};
};
