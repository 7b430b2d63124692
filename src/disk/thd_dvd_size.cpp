#include "disk/thd_dvd_size.h"

#include <utility>

ThdDvdSize::ThdDvdSize(Measure measure) : measure_(std::move(measure)), thread_([this] { Execute(); }) {}

ThdDvdSize::~ThdDvdSize() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    terminated_ = true;
  }
  wake_.notify_all();
  thread_.join();
}

std::uint32_t ThdDvdSize::Resume(const std::wstring& root) {
  std::uint32_t number;
  {
    std::lock_guard<std::mutex> guard(lock_);
    if (++requested_ == 0) requested_ = 1;  // 0 means "none yet"
    number = requested_;
    root_ = root;
  }
  wake_.notify_all();
  return number;
}

bool ThdDvdSize::Finished(std::uint32_t number, std::int32_t& sizeMB) const {
  if (finished_.load(std::memory_order_acquire) != number) return false;
  sizeMB = sizeMB_.load(std::memory_order_relaxed);
  return true;
}

void ThdDvdSize::Execute() {
  std::uint32_t done = 0;
  for (;;) {
    std::uint32_t number;
    std::wstring root;
    {
      std::unique_lock<std::mutex> guard(lock_);
      wake_.wait(guard, [&] { return terminated_ || requested_ != done; });
      if (terminated_) return;
      number = requested_;
      root = root_;
    }
    const std::int32_t size = measure_(root);
    done = number;
    // Superseded meanwhile: the newer request runs next and its result is the one published.
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (requested_ != number) continue;
    }
    sizeMB_.store(size, std::memory_order_relaxed);
    finished_.store(number, std::memory_order_release);
  }
}
