#include "app/basic_operation.h"

#include "platform/messages.h"

void BasicOperation::PostState(std::intptr_t percent) const {
  if (m_hWnd != 0)
    platform::PostWindowMessage(m_hWnd, WM_OPERATION_STATE, static_cast<std::uintptr_t>(m_State.load()), percent);
}
