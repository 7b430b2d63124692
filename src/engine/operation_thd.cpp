#include "engine/operation_thd.h"

#include "app/trace_log.h"
#include "app/operation_state.h"
#include "platform/messages.h"

TOperationThd::TOperationThd(bool createSuspended, JobWindow* window, std::int32_t dlgType,
                             const WIN7_OPERAT_INFO* info)
    : m_hWnd(window ? window->Handle() : 0),
      m_pWindow(window),
      m_pCreator(std::make_unique<Win7InsCreator>(m_hWnd, dlgType, info)) {
  if (!createSuspended) m_ResumeCount = 1;
  m_Thread = std::thread(&TOperationThd::ThreadMain, this);
}

TOperationThd::~TOperationThd() {
  Terminate();
  Resume();
  // A worker that began a job before the termination will still deliver its report on this
  // (the window) thread: keep dispatching messages until it has. After that it needs nothing
  // from this thread and can be joined.
  platform::PumpMessagesUntil([this] { return !m_bReporting.load(); }, platform::kWaitForeverMs);
  m_Thread.join();
  m_pCreator.reset();
}

void TOperationThd::Resume() {
  std::lock_guard<std::mutex> guard(m_SuspendLock);
  ++m_ResumeCount;
  m_SuspendChanged.notify_all();
}

void TOperationThd::Terminate() {
  std::lock_guard<std::mutex> guard(m_SuspendLock);
  m_bTerminated = true;
  m_SuspendChanged.notify_all();
}

void TOperationThd::Cancel() {
  m_bCancel = true;
  if (m_pCreator) m_pCreator->Stop();
}

void TOperationThd::WaitUntilResumed() {
  std::unique_lock<std::mutex> guard(m_SuspendLock);
  m_SuspendChanged.wait(guard, [this] { return m_ResumeCount > 0 || m_bTerminated; });
  if (m_ResumeCount > 0) --m_ResumeCount;
}

void TOperationThd::ThreadMain() {
  WaitUntilResumed();  // created suspended: nothing runs before the owner resumes it
  Execute();
}

bool TOperationThd::BeginJob() {
  std::lock_guard<std::mutex> guard(m_SuspendLock);
  if (m_bTerminated) return false;
  m_bReporting = true;
  return true;
}

void TOperationThd::Execute() {
  while (BeginJob()) {
    m_Result = m_pCreator->Excute();
    if (!m_bCancel && m_Result != 0) {
      if (m_hWnd == 0 || !platform::PostWindowMessage(m_hWnd, WM_OPERATION_STATE, FINISH, 100))
        TraceLog(L"[TOperationThd::Execute] FINISH could not be posted");
    }
    // Queued behind FINISH, so the window handles FINISH first; the worker waits for it.
    bool reported = m_hWnd != 0 && platform::CallOnWindowThread(m_hWnd, [this] {
      UpdateResult();
      m_bReporting = false;  // on the window thread, so a destructor pumping there sees it at once
    });
    if (!reported) {
      m_bReporting = false;
      TraceLog(L"[TOperationThd::Execute] the window is gone; the result was not reported");
    }
    WaitUntilResumed();
  }
}

void TOperationThd::UpdateResult() {
  if (m_bCancel) {
    TraceLog(L"[UpdateResult] Finish_UserCancel");
    m_pWindow->OnJobFinished(kJobCancelled);
  } else if (m_Result != 0) {
    TraceLog(L"[UpdateResult] finish_Success");
    m_pWindow->SetStateText(L"Successfully update system image");
    for (const std::wstring& note : m_pCreator->EndNotes()) {
      TraceLog(L"[UpdateResult] note: " + note);
      m_pWindow->ShowJobNote(note);
    }
    m_pWindow->OnJobFinished(kJobSucceeded);
  } else {
    m_pWindow->SetStateText(m_pWindow->StateText() + L"(Operation failed)");
    TraceLog(L"[UpdateResult] finish_Fail");
    m_pWindow->OnJobFinished(kJobFailed);
  }
}
