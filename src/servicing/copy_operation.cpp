#include "servicing/copy_operation.h"

#include <algorithm>

#include "app/trace_log.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/messages.h"
#include "platform/volumes.h"
#include "servicing/copy_engine.h"

CopyOperation::CopyOperation(platform::WindowHandle hWnd, std::int32_t state, const std::wstring& sourcePath,
                             const std::wstring& tagPath)
    : BasicOperation(hWnd, state), m_SourcePath(sourcePath), m_TagPath(tagPath) {
  TraceLog(L"CopyOperation::Create");
  TraceLog(L"[CopyOperation:: m_SourcePath]" + m_SourcePath);
  TraceLog(L"[CopyOperation:: m_TagPath]" + m_TagPath);
}

void CopyOperation::Stop() {
  m_bStop.store(true);
  COptFile::Instance()->Stop();
}

std::int32_t CopyOperation::Excute() {
  TraceLog(L"CopyOperation::Excute");
  // A stop asked for before this point is kept: the job is being cancelled.
  if (!platform::IsFolder(m_TagPath)) {
    TraceLog(L"[CopyOperation:: m_TagPath] is not exist");
    return 0;
  }

  TraceLog(L"CopyOperation::Excute - SettingOptPath");
  // The engine clears a stop left from an earlier copy when the run starts; this operation's
  // own flag goes with the run, so a stop asked for before it began, or racing with its start,
  // still stops it.
  const bool copied =
      COptFile::Instance()->Run(m_SourcePath, m_TagPath, &CopyOperation::OnCopyProgress, this, &m_bStop);

  if (copied) {
    if (IsStop()) {
      TraceLog(L"[CopyOperation:: Excute] IsStop");
      return 1;
    }
    m_State.store(BACKUPOK);
    TraceLog(L"[CopyOperation:: Excute] BACKUPOK");
    PostState(100);
    return 1;
  }
  m_State.store(BACKUPFAIL);
  TraceLog(L"[CopyOperation:: Excute] BACKUPFAIL");
  PostState(100);
  if (!IsStop()) ReportLostSource();
  return 0;
}

// "Copy files failed." does not say why; when the source's drive can't be read at all any more
// (the disc taken out of its drive, a stick pulled), the user is told so.
void CopyOperation::ReportLostSource() const {
  if (m_SourcePath.size() < 2 || m_SourcePath[1] != L':') return;
  const std::wstring root = m_SourcePath.substr(0, 2) + L"\\";
  if (platform::IsFolder(root)) return;
  TraceLog(L"[CopyOperation:: Excute] " + root + L" can't be read any more");
  const std::wstring text =
      platform::DriveTypeOf(root) == platform::kDriveCdRom
          ? L"The disc in " + root + L" can't be read any more: it was taken out of the drive, or it is damaged. "
                                     L"Put the disc back and start again."
          : L"The drive " + root + L" can't be read any more: it was removed, or it is damaged. Connect it again "
                                   L"and start again.";
  platform::ShowMessageBox(platform::ApplicationWindow(), text, L"Error", platform::kMbIconError);
}

std::uint32_t CopyOperation::OnCopyProgress(std::int64_t totalFileSize, std::int64_t totalBytesTransferred,
                                            std::int64_t, std::int64_t, std::uint32_t, std::uint32_t, void*, void*,
                                            void* userData) {
  if (totalFileSize <= 0) return platform::kProgressContinue;
  auto* operation = static_cast<CopyOperation*>(userData);
  COptFile* engine = COptFile::Instance();
  if (engine->IsStop()) {
    if (operation->m_hWnd != 0)
      platform::PostWindowMessage(operation->m_hWnd, WM_OPERATION_STATE, USERCANCEL, 0);
    return platform::kProgressCancel;
  }
  // A tree that grew after it was measured (total 0 here) would divide by zero; report 0 then.
  std::int64_t total = engine->GetTotalSize();
  std::intptr_t percent = 0;
  if (total > 0) {
    long double share = static_cast<long double>(engine->GetCopiedSize() + totalBytesTransferred) /
                        static_cast<long double>(total) * 100.0L;
    percent = static_cast<std::intptr_t>(std::min(share, 1.0e6L));  // a grown tree can pass 100
  }
  operation->PostState(percent);
  return platform::kProgressContinue;
}
