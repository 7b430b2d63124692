#include "servicing/copy_engine.h"

#include <cwctype>

#include "app/trace_log.h"
#include "disk/volume_utils.h"
#include "platform/files.h"

namespace {

std::wstring WithBackslash(std::wstring folder) {
  if (folder.empty() || folder.back() != L'\\') folder += L'\\';
  return folder;
}

bool IsAutorunInf(const std::wstring& name) {
  std::wstring upper = name;
  for (auto& c : upper) c = static_cast<wchar_t>(std::towupper(c));
  return upper == L"AUTORUN.INF";
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

void COptFile::SetPaths(const std::wstring* source, const std::wstring* destination) {
  m_pSourcePath = source;
  m_pDestinationPath = destination;
}

bool COptFile::Run(platform::CopyProgressRoutine progressRoutine, void* userData) {
  m_bStop.store(false);
  m_TotalFileSize.store(0);
  m_CopiedSize.store(0);
  if (!m_pSourcePath || !m_pDestinationPath) return false;
  return static_cast<ICopyfileSink*>(this)->OnCopyfileCallback(progressRoutine, userData, *m_pSourcePath,
                                                               *m_pDestinationPath);
}

bool COptFile::OnCopyfileCallback(platform::CopyProgressRoutine progressRoutine, void* userData,
                                  const std::wstring& source, const std::wstring& destination) {
  m_TotalFileSize.store(static_cast<std::int64_t>(GetPathSize(source)));
  TraceLog(L"[CopyOperation:: Srcpath]" + source);
  TraceLog(L"[CopyOperation:: m_TotalFileSize]" + std::to_wstring(m_TotalFileSize.load()));

  if (platform::IsFile(source)) return CopySingleFile(progressRoutine, userData, source, destination);

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
  if (!platform::IsFolder(destinationFolder)) platform::CreateFolder(destinationFolder);

  const std::wstring source = WithBackslash(sourceFolder);
  const std::wstring destination = WithBackslash(destinationFolder);
  // The listing is taken whole before copying, so no listing stays open across the copies of a
  // deep tree; the entries keep the order the file system gave.
  std::vector<platform::FolderEntry> entries;
  if (!platform::ListFolder(source, [&](const platform::FolderEntry& entry) {
        entries.push_back(entry);
        return true;
      }))
    return true;

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
    if (!platform::CopyFileWithProgress(src, target, progressRoutine, userData)) {
      TraceLog(L"[COptFile::CopyFolder] copy failed: " + src);
      return false;
    }
    if (autorun) platform::MoveFileTo(target, dst);  // an existing file keeps the copy under TOINI
    m_CopiedSize.fetch_add(static_cast<std::int64_t>(GetFileByteSize(src)));
  }
  return true;
}

bool COptFile::CopySingleFile(platform::CopyProgressRoutine progressRoutine, void* userData,
                              const std::wstring& sourceFile, const std::wstring& destinationFolder) {
  if (!platform::PathExists(sourceFile)) return false;
  if (!platform::IsFolder(destinationFolder)) platform::CreateFolder(destinationFolder);
  return platform::CopyFileWithProgress(sourceFile, WithBackslash(destinationFolder) + FileNameOf(sourceFile),
                                        progressRoutine, userData);
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
  platform::CreateFolder(*m_pDestinationPath);
}
