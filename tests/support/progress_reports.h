#pragma once
// Collects the percentages an ISO build reports through its callback, which runs on the
// builder's reading thread. Header only: the host and the Windows tests both use it.
#include <mutex>
#include <vector>

namespace test {

struct ProgressReports {
  std::mutex lock;
  std::vector<int> values;
  static void Callback(int percent, void* context) {
    auto* self = static_cast<ProgressReports*>(context);
    std::lock_guard<std::mutex> guard(self->lock);
    self->values.push_back(percent);
  }
  std::vector<int> Values() {
    std::lock_guard<std::mutex> guard(lock);
    return values;
  }
};

}  // namespace test
