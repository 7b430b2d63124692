#include "engine/job_window.h"

#include "app/operation_state.h"

bool DispatchOperationState(JobWindow& window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message != WM_OPERATION_STATE) return false;
  window.OnOperationState(static_cast<std::int32_t>(wParam), static_cast<std::int32_t>(lParam));
  return true;
}
