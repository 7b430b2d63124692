#pragma once
// The base of every job step. The runner creates one operation per step, runs its Excute on
// the worker thread and may call Stop from the window thread while it runs.
#include <atomic>
#include <cstdint>
#include <string>

#include "app/operation_state.h"
#include "platform/types.h"

class BasicOperation {
 public:
  BasicOperation() = default;
  explicit BasicOperation(platform::WindowHandle hWnd) : m_hWnd(hWnd) {}
  BasicOperation(platform::WindowHandle hWnd, std::int32_t state) : m_hWnd(hWnd), m_State(state) {}
  BasicOperation(const BasicOperation&) = delete;
  BasicOperation& operator=(const BasicOperation&) = delete;

  virtual ~BasicOperation() = default;
  // Runs the step; nonzero on success.
  virtual std::int32_t Excute() = 0;
  // Nonzero for the end marker, which is created but never run.
  virtual std::int32_t IsCompletion() { return 0; }
  virtual bool IsStop() { return false; }
  // Asks the running step to stop as soon as it can (called from another thread).
  virtual void Stop() {}

  std::int32_t State() const { return m_State; }
  // After a successful run: something the user should be told when the job has ended (empty for
  // nothing).
  virtual std::wstring EndNote() const { return {}; }

 protected:
  // Posts WM_OPERATION_STATE with the current state and `percent` to the window (if any).
  void PostState(std::intptr_t percent) const;

  platform::WindowHandle m_hWnd = 0;
  // Read by progress callbacks that may run on another thread, so it is atomic.
  std::atomic<std::int32_t> m_State{NOSTATE};
};
