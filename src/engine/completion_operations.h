#pragma once
// The two operations that do no work: the end marker the runner creates after the last step of
// every job (never run), and an operation that always succeeds.
#include "app/basic_operation.h"

class CompleteOperation : public BasicOperation {
 public:
  CompleteOperation();
  std::int32_t Excute() override { return Tune(); }
  std::int32_t IsCompletion() override { return 1; }
  // Never called by the runner; reports the misuse when called anyway.
  std::int32_t Tune();
};

class CheckOperation : public BasicOperation {
 public:
  std::int32_t Excute() override { return 1; }
};
