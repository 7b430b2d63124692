#include "platform/host/host_timer.h"

#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>

#include "platform/host/host_form.h"
#include "platform/host/user_hooks.h"
#include "platform/messages.h"

// Timers tick only when asked (the probe's Tick) unless real-time ticking is on: then one
// ticker thread posts each enabled timer's tick to its form at its interval, as WM_TIMER
// would arrive.

namespace platform::hostui {

namespace {

using Clock = std::chrono::steady_clock;

struct Entry {
  WindowHandle form = 0;
  std::uint32_t interval = 0;
  bool enabled = false;
  Clock::time_point due;
};

class Ticker {
 public:
  ~Ticker() { Run(false); }

  std::uintptr_t Add(WindowHandle form) {
    std::lock_guard<std::mutex> guard(lock_);
    std::uintptr_t id = next_++;
    entries_[id].form = form;
    return id;
  }
  void Remove(std::uintptr_t id) {
    std::lock_guard<std::mutex> guard(lock_);
    entries_.erase(id);
  }
  void Update(std::uintptr_t id, std::uint32_t interval, bool enabled) {
    std::lock_guard<std::mutex> guard(lock_);
    Entry& entry = entries_[id];
    entry.interval = interval;
    entry.enabled = enabled;
    entry.due = Clock::now() + std::chrono::milliseconds(interval);
    changed_.notify_all();
  }

  void Run(bool on) {
    std::unique_lock<std::mutex> guard(lock_);
    if (on == thread_.joinable()) return;
    if (on) {
      stop_ = false;
      for (auto& [id, entry] : entries_) entry.due = Clock::now() + std::chrono::milliseconds(entry.interval);
      thread_ = std::thread([this] { Loop(); });
      return;
    }
    stop_ = true;
    changed_.notify_all();
    guard.unlock();
    thread_.join();
  }

 private:
  void Loop() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stop_) {
      Clock::time_point now = Clock::now();
      Clock::time_point wake = now + std::chrono::milliseconds(100);
      for (auto& [id, entry] : entries_) {
        if (!entry.enabled || entry.interval == 0) continue;
        if (entry.due <= now) {
          PostWindowMessage(entry.form, kTickMessage, id, 0);
          entry.due = now + std::chrono::milliseconds(entry.interval);
        }
        if (entry.due < wake) wake = entry.due;
      }
      changed_.wait_until(guard, wake);
    }
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::map<std::uintptr_t, Entry> entries_;
  std::uintptr_t next_ = 1;
  bool stop_ = false;
  std::thread thread_;
};

Ticker& TheTicker() {
  static Ticker ticker;
  return ticker;
}

}  // namespace

HostTimer::HostTimer(WindowHandle form, const TimerSpec& spec)
    : form_(form), id_(TheTicker().Add(form)), name_(spec.name), interval_(spec.intervalMs), enabled_(spec.enabled) {
  Publish();
}

HostTimer::~HostTimer() { TheTicker().Remove(id_); }

void HostTimer::SetInterval(std::uint32_t intervalMs) {
  interval_ = intervalMs;
  Publish();
}

void HostTimer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Publish();
}

void HostTimer::Publish() { TheTicker().Update(id_, interval_, enabled_); }

}  // namespace platform::hostui

void platform::host::hooks::SetRealTimeTimers(bool on) { hostui::TheTicker().Run(on); }
