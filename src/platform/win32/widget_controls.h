#pragma once
// Win32 widgets, internal: the standard control kinds over the system's controls (Static,
// ComboBox, Edit, Button, msctls_progress32) and our own panel, image and rule classes.
#include <windows.h>

#include <functional>
#include <memory>

#include "platform/win32/widget_base.h"

namespace platform::win32ui {

std::unique_ptr<Win32Node> MakeLabel(ContainerCore& parent, const LabelSpec& spec);
std::unique_ptr<Win32Node> MakeDropDownList(ContainerCore& parent, const DropDownListSpec& spec);
std::unique_ptr<Win32Node> MakeEdit(ContainerCore& parent, const EditSpec& spec);
std::unique_ptr<Win32Node> MakeMemo(ContainerCore& parent, const MemoSpec& spec);
std::unique_ptr<Win32Node> MakeCheckBox(ContainerCore& parent, const CheckBoxSpec& spec);
std::unique_ptr<Win32Node> MakeProgressBar(ContainerCore& parent, const ProgressBarSpec& spec);
std::unique_ptr<Win32Node> MakePanel(ContainerCore& parent, const PanelSpec& spec);
std::unique_ptr<Win32Node> MakeImage(ContainerCore& parent, const ImageSpec& spec);
std::unique_ptr<Win32Node> MakeRule(ContainerCore& parent, const RuleSpec& spec);

// The text of a window (GetWindowTextW).
std::wstring WindowText(HWND window);

// A form's timer: SetTimer on the form's window, its WM_TIMER handed to Deliver.
class Win32Timer : public Timer {
 public:
  Win32Timer(HWND form, UINT_PTR id, const TimerSpec& spec);
  ~Win32Timer() override;
  const std::wstring& Name() const override { return name_; }
  std::uint32_t Interval() const override { return interval_; }
  void SetInterval(std::uint32_t intervalMs) override;
  bool Enabled() const override { return enabled_; }
  void SetEnabled(bool enabled) override;
  void SetOnTick(std::function<void()> handler) override { onTick_ = std::move(handler); }
  UINT_PTR Id() const { return id_; }
  void Deliver() {
    if (enabled_ && onTick_) onTick_();
  }

 private:
  void Apply();
  HWND form_;
  UINT_PTR id_;
  std::wstring name_;
  std::uint32_t interval_;
  bool enabled_;
  std::function<void()> onTick_;
};

}  // namespace platform::win32ui
