#include "engine/operation_catalog.h"

#include <mutex>

#include "engine/completion_operations.h"
#include "engine/iso_operation.h"

namespace {
std::mutex g_makerLock;
OperationMaker g_maker;

std::unique_ptr<BasicOperation> MakeFromCatalogue(std::int32_t code, const OperationContext& context) {
  (void)context;
  switch (code) {
    case 1:
      return std::make_unique<CheckOperation>();
    case 4:
      return std::make_unique<ISOOperation>(context.hWnd, MAKEISO, context.tmpPath,
                                            context.info ? context.info->szTagPath : L"", context.sourceLabel,
                                            context.info && context.info->bIs64bitDVD);
    // Each step's operation is added here as it is built.
    default:
      return std::make_unique<CompleteOperation>();
  }
}
}  // namespace

std::unique_ptr<BasicOperation> MakeOperation(std::int32_t code, const OperationContext& context) {
  OperationMaker maker;
  {
    std::lock_guard<std::mutex> guard(g_makerLock);
    maker = g_maker;
  }
  return maker ? maker(code, context) : MakeFromCatalogue(code, context);
}

void SetOperationMaker(OperationMaker maker) {
  std::lock_guard<std::mutex> guard(g_makerLock);
  g_maker = std::move(maker);
}
