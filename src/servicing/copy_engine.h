#pragma once
// The process-wide copy engine: measures a source tree, copies it file by file with a
// per-chunk progress routine, can be stopped from another thread, and empties the destination
// again when a copy fails or is stopped.
#include <atomic>
#include <cstdint>
#include <string>

#include "platform/file_copy.h"

// What the engine runs: one copy of a source (folder or file) into a destination folder.
class ICopyfileSink {
 public:
  virtual bool OnCopyfileCallback(platform::CopyProgressRoutine progressRoutine, void* userData,
                                  const std::wstring& source, const std::wstring& destination) = 0;

 protected:
  ~ICopyfileSink() = default;
};

class COptFile : public ICopyfileSink {
 public:
  // The one engine of the process, created on first use and never destroyed.
  static COptFile* Instance();

  // Copies `source` into the folder `destination`: clears the counters and a stop left from an
  // earlier copy, then copies through OnCopyfileCallback. `stopFlag`, when given, is the
  // caller's own stop and counts as a Stop for the whole run, so a stop asked for before the
  // copy began is kept (see CopyOperation::Excute). A run that was stopped between files (or
  // before it began) returns true with the destination emptied; a failed copy, or one stopped
  // inside a file, returns false with the destination emptied.
  bool Run(const std::wstring& source, const std::wstring& destination, platform::CopyProgressRoutine progressRoutine,
           void* userData, const std::atomic<bool>* stopFlag = nullptr);

  void Stop() { m_bStop.store(true); }
  // The engine was stopped, or the running copy's stop flag is set.
  bool IsStop() const;
  std::int64_t GetTotalSize() const { return m_TotalFileSize.load(); }
  std::int64_t GetCopiedSize() const { return m_CopiedSize.load(); }
  // Measures the source again: false when it shrank during the copy (a disc taken out).
  bool IsFinished();

  bool OnCopyfileCallback(platform::CopyProgressRoutine progressRoutine, void* userData,
                          const std::wstring& source, const std::wstring& destination) override;

  virtual ~COptFile() = default;

 private:
  COptFile() = default;

  bool CopyFolder(platform::CopyProgressRoutine progressRoutine, void* userData, const std::wstring& sourceFolder,
                  const std::wstring& destinationFolder);
  bool CopySingleFile(platform::CopyProgressRoutine progressRoutine, void* userData, const std::wstring& sourceFile,
                      const std::wstring& destinationFolder);
  void ResetDestination();
  // Copies one file over `target`, replacing a read-only one; traces the failure.
  bool CopyOneFile(const std::wstring& source, const std::wstring& target,
                   platform::CopyProgressRoutine progressRoutine, void* userData);
  // The folder exists afterwards, or the failure was traced.
  static bool EnsureFolder(const std::wstring& folder);
  // A missing source folder whose parent exists (the optional "OS" folder).
  static bool IsOptionalSourceMissing(const std::wstring& source);

  // Written on the worker thread, read by the progress routine and by observers.
  std::atomic<std::int64_t> m_TotalFileSize{0};
  std::atomic<std::int64_t> m_CopiedSize{0};
  // Set from the window thread, read by the worker between files and in every chunk.
  std::atomic<bool> m_bStop{false};
  // The running copy's arguments, null outside Run.
  std::atomic<const std::atomic<bool>*> m_pStopFlag{nullptr};
  const std::wstring* m_pSourcePath = nullptr;
  const std::wstring* m_pDestinationPath = nullptr;
};
