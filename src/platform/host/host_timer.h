#pragma once
// Host widgets, internal: a form's timer. Its ticks arrive as kTickMessage on the form's queue:
// posted by the probe, or by the real-time ticker while it is switched on.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/controls.h"
#include "platform/types.h"

namespace platform::hostui {

class HostTimer : public Timer {
 public:
  HostTimer(WindowHandle form, const TimerSpec& spec);
  ~HostTimer() override;

  const std::wstring& Name() const override { return name_; }
  std::uint32_t Interval() const override { return interval_; }
  void SetInterval(std::uint32_t intervalMs) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  void SetOnTick(std::function<void()> handler) override { onTick_ = std::move(handler); }

  std::uintptr_t Id() const { return id_; }
  // A tick reached the form's thread: the handler runs while the timer is enabled.
  void Deliver() {
    if (enabled_ && onTick_) onTick_();
  }

 private:
  void Publish();
  WindowHandle form_;
  std::uintptr_t id_;
  std::wstring name_;
  std::uint32_t interval_;
  bool enabled_;
  std::function<void()> onTick_;
};

}  // namespace platform::hostui
