#include "servicing/copy_engine.h"


#include "app/text_case.h"
#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "app/program_data.h"
#include "platform/files.h"

namespace {

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool IsAutorunInf(const std::wstring& name) {
  return UpperCase(name) == L"AUTORUN.INF";
}

std::wstring FileNameOf(const std::wstring& path) {
  auto slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

}  // namespace

COptFile* COptFile::Instance() {
  static COptFile* const instance = new COptFile();
  return instance;
}

bool COptFile::Run(const std::wstring& source, const std::wstring& destination,
                   platform::CopyProgressRoutine progressRoutine, void* userData, const std::atomic<bool>* stopFlag) {
  m_pSourcePath = &source;
  m_pDestinationPath = &destination;
  m_pStopFlag.store(stopFlag);
  m_bStop.store(false);
  m_TotalFileSize.store(0);
  m_CopiedSize.store(0);
  const bool copied =
      static_cast<ICopyfileSink*>(this)->OnCopyfileCallback(progressRoutine, userData, source, destination);
  // The arguments belong to the caller.
  m_pStopFlag.store(nullptr);
  m_pSourcePath = nullptr;
  m_pDestinationPath = nullptr;
  return copied;
}

bool COptFile::IsStop() const {
  const std::atomic<bool>* stopFlag = m_pStopFlag.load();
  return m_bStop.load() || (stopFlag && stopFlag->load());
}

bool COptFile::OnCopyfileCallback(platform::CopyProgressRoutine progressRoutine, void* userData,
                                  const std::wstring& source, const std::wstring& destination) {
  m_TotalFileSize.store(static_cast<std::int64_t>(GetPathSize(source)));
  TraceLog(L"[CopyOperation:: Srcpath]" + source);
  TraceLog(L"[CopyOperation:: m_TotalFileSize]" + std::to_wstring(m_TotalFileSize.load()));

  if (platform::IsFile(source)) return CopySingleFile(progressRoutine, userData, source, destination);
  if (IsOptionalSourceMissing(source)) {
    // The "OS" folder beside the program is optional: without it there is nothing to copy.
    TraceLog(L"[COptFile::OnCopyfileCallback] nothing to copy, no folder " + source);
    return EnsureFolder(destination);
  }

  bool res = CopyFolder(progressRoutine, userData, source, destination);
  if (!res || !IsFinished()) {
    TraceLog(L"[OnCopyfileCallback::false]!res || (res && !IsFinished() )");
    ResetDestination();
    return false;
  }
  if (IsStop()) {
    TraceLog(L"[OnCopyfileCallback::false]!IsStop");
    ResetDestination();
  }
  return true;
}

bool COptFile::CopyFolder(platform::CopyProgressRoutine progressRoutine, void* userData,
                          const std::wstring& sourceFolder, const std::wstring& destinationFolder) {
  if (!EnsureFolder(destinationFolder)) return false;

  const std::wstring source = WithBackslash(sourceFolder);
  const std::wstring destination = WithBackslash(destinationFolder);
  // The listing is taken whole before copying, so no listing stays open across the copies of a
  // deep tree; the entries keep the order the file system gave. A folder that can't be listed
  // fails the copy: treating it as empty would leave a medium with files missing.
  std::vector<platform::FolderEntry> entries;
  if (platform::Status listed = platform::ListFolder(source, [&](const platform::FolderEntry& entry) {
        entries.push_back(entry);
        return true;
      });
      !listed) {
    TraceLog(L"[COptFile::CopyFolder] FindFirstFileW/FindNextFileW failed: " + source + listed.Suffix());
    return false;
  }

  for (const auto& entry : entries) {
    if (IsStop()) return true;
    if (entry.IsFolder()) {
      if (!CopyFolder(progressRoutine, userData, source + entry.name, destination + entry.name)) return false;
      continue;
    }
    const std::wstring src = source + entry.name;
    const std::wstring dst = destination + entry.name;
    // AutoRun.inf travels under a temporary name and is renamed once it is complete, so a
    // half-written autorun file never sits on the target under its working name.
    const bool autorun = IsAutorunInf(entry.name);
    const std::wstring target = autorun ? dst + L"TOINI" : dst;
    if (!CopyOneFile(src, target, progressRoutine, userData)) return false;
    if (platform::Status moved = autorun ? platform::MoveFileTo(target, dst) : platform::Status(); !moved) {
      // An AutoRun.inf already in the target keeps this copy under the TOINI name.
      TraceLog(L"[COptFile::CopyFolder] MoveFileA failed: " + target + L" -> " + dst + moved.Suffix() +
               L"; the copy stays under " + target);
    }
    m_CopiedSize.fetch_add(static_cast<std::int64_t>(GetFileByteSize(src)));
  }
  return true;
}

bool COptFile::CopySingleFile(platform::CopyProgressRoutine progressRoutine, void* userData,
                              const std::wstring& sourceFile, const std::wstring& destinationFolder) {
  if (!platform::PathExists(sourceFile)) return false;
  if (!EnsureFolder(destinationFolder)) return false;
  return CopyOneFile(sourceFile, WithBackslash(destinationFolder) + FileNameOf(sourceFile), progressRoutine, userData);
}

bool COptFile::CopyOneFile(const std::wstring& source, const std::wstring& target,
                           platform::CopyProgressRoutine progressRoutine, void* userData) {
  // Files from a disc are read-only, and the copy keeps that; a later copy over the same name
  // (the "OS" folder replacing setup.exe, say) must still replace it.
  const std::uint32_t attributes = platform::GetAttributes(target).value_or(0);
  // One that can't be cleared makes the copy fail, and the copy's trace names the reason.
  if ((attributes & platform::kAttrReadOnly) && !(attributes & platform::kAttrDirectory)) ClearReadOnlyAttribute(target);
  platform::Status copied = platform::CopyFileWithProgress(source, target, progressRoutine, userData);
  if (copied) return true;
  TraceLog(L"[COptFile::CopyFolder] CopyFileExW failed: " + source + L" -> " + target + copied.Suffix());
  return false;
}

bool COptFile::EnsureFolder(const std::wstring& folder) {
  if (platform::IsFolder(folder)) return true;
  platform::Status made = platform::CreateFolder(folder);
  if (made || platform::IsFolder(folder)) return true;  // or made meanwhile by someone else
  TraceLog(L"[COptFile::CopyFolder] CreateDirectoryW failed: " + folder + made.Suffix());
  return false;
}

bool COptFile::IsOptionalSourceMissing(const std::wstring& source) {
  if (platform::PathExists(source)) return false;
  // Only a folder whose parent exists is simply absent; a drive root that can't be read (no
  // disc, disc taken out) is a failure.
  std::wstring trimmed = source;
  while (!trimmed.empty() && (trimmed.back() == L'\\' || trimmed.back() == L'/')) trimmed.pop_back();
  auto slash = trimmed.find_last_of(L"\\/");
  if (slash == std::wstring::npos || slash + 1 >= trimmed.size()) return false;
  std::wstring parent = trimmed.substr(0, slash + 1);
  return parent.size() > 0 && platform::IsFolder(parent);
}

bool COptFile::IsFinished() {
  if (!m_pSourcePath) return false;
  if (static_cast<std::int64_t>(GetPathSize(*m_pSourcePath)) < m_TotalFileSize.load()) {
    TraceLog(L"[COptFile::IsFinished]!false");
    return false;
  }
  TraceLog(L"[COptFile::IsFinished]!true");
  return true;
}

void COptFile::ResetDestination() {
  if (!m_pDestinationPath) return;
  RemoveFolderTree(*m_pDestinationPath);
  (void)platform::CreateFolder(*m_pDestinationPath);  // a folder that can't be made fails the next copy
}
