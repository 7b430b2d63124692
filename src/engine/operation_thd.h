#pragma once
// The worker thread of one job. It runs the job runner, posts FINISH after a successful job,
// then reports the outcome on the window thread (UpdateResult) and waits there until the
// window destroys it.
//
// Life: created suspended, Resume() starts the job, the destructor (window thread) tells the
// thread to terminate, resumes it and waits for it. While waiting it keeps the window thread's
// messages flowing, so a report the worker is waiting to deliver still arrives. Never destroy
// it from inside the report itself (OnJobFinished): the worker is waiting for that call.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/job_record.h"
#include "engine/job_window.h"
#include "engine/win7_ins_creator.h"

class TOperationThd {
 public:
  // `window` and `info` must outlive the thread object.
  TOperationThd(bool createSuspended, JobWindow* window, std::int32_t dlgType, const WIN7_OPERAT_INFO* info);
  ~TOperationThd();
  TOperationThd(const TOperationThd&) = delete;
  TOperationThd& operator=(const TOperationThd&) = delete;

  // Starts a suspended thread, or wakes it from its wait after the report.
  void Resume();
  // Asks the thread loop to end after the current job and report.
  void Terminate();
  // The user pressed Cancel (window thread): mark the job cancelled and stop the runner.
  void Cancel();

  // The runner's result (0 failed); meaningful once the report has been made.
  std::int32_t Result() const { return m_Result; }
  bool Cancelled() const { return m_bCancel; }

 private:
  void ThreadMain();
  void Execute();
  // Runs on the window thread while the worker waits.
  void UpdateResult();
  // False once the thread has been told to terminate; otherwise marks a report as coming.
  bool BeginJob();
  // Blocks the worker until Resume() or termination.
  void WaitUntilResumed();

  platform::WindowHandle m_hWnd;
  JobWindow* m_pWindow;
  std::unique_ptr<Win7InsCreator> m_pCreator;
  std::atomic<std::int32_t> m_Result{0};
  std::atomic<bool> m_bCancel{false};
  std::atomic<bool> m_bTerminated{false};
  // From the start of a job until its report has been delivered; set under m_SuspendLock
  // together with the termination check, so the destructor knows whether a report is coming.
  std::atomic<bool> m_bReporting{false};

  std::mutex m_SuspendLock;
  std::condition_variable m_SuspendChanged;
  int m_ResumeCount = 0;  // resumes not yet consumed by a wait

  std::thread m_Thread;
};
