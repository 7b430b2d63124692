#include "engine/completion_operations.h"

#include "app/trace_log.h"
#include "platform/message_box.h"

CompleteOperation::CompleteOperation() { TraceLog(L"CompleteOperation create"); }

std::int32_t CompleteOperation::Tune() {
  TraceLog(L"CompleteOperation Excute");
  platform::ShowMessageBox(0, L"CompleteOperation::Tune Excute invalide", L"DraventaImp", platform::kMbOk);
  return 0;
}
