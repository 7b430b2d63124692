#pragma once
// What a job needs from the window that started it. The main window implements this; the
// worker posts WM_OPERATION_STATE to Handle() and calls the rest on the window thread only.
#include <cstdint>
#include <string>

#include "platform/types.h"

class JobWindow {
 public:
  virtual ~JobWindow() = default;

  // The window that receives WM_OPERATION_STATE (wParam = state code, lParam = percentage).
  virtual platform::WindowHandle Handle() const = 0;
  // Shows the status text of `state` and moves the progress bar.
  virtual void OnOperationState(std::int32_t state, std::int32_t percent) = 0;
  // The status label (lblState) that the end-of-job report reads and sets.
  virtual std::wstring StateText() const = 0;
  virtual void SetStateText(const std::wstring& text) = 0;
  // Before OnJobFinished of a successful job: something a step wants the user to know about the
  // result (one call per note).
  virtual void ShowJobNote(const std::wstring& note) = 0;
  // The job has ended: 0 success, 1 failure, 2 cancelled by the user.
  virtual void OnJobFinished(std::int32_t result) = 0;
};

// Finish codes given to OnJobFinished.
constexpr std::int32_t kJobSucceeded = 0;
constexpr std::int32_t kJobFailed = 1;
constexpr std::int32_t kJobCancelled = 2;

// Hands a window message to window.OnOperationState when it is WM_OPERATION_STATE; returns
// whether it was. The window's message handler calls this first.
bool DispatchOperationState(JobWindow& window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);
