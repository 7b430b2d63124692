#pragma once
// Win32 widgets, internal: the form, a top-level tool window owned by the application window.
#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/win32/widget_base.h"

namespace platform::win32ui {

class Win32Timer;

class Win32Form : public Form {
 public:
  explicit Win32Form(const FormSpec& spec);
  ~Win32Form() override;
  // The window was made (CreateForm returns nullptr otherwise).
  bool Created() const { return hwnd_ != nullptr; }
  HWND Window() const { return hwnd_; }

  // Form
  const std::wstring& Name() const override { return name_; }
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }
  std::wstring Caption() const override;
  void SetCaption(const std::wstring& caption) override;
  Font GetFont() const override { return core_.font; }
  FormBorder Border() const override { return border_; }
  bool IsToolWindow() const override { return (GetWindowLongW(hwnd_, GWL_EXSTYLE) & WS_EX_TOOLWINDOW) != 0; }
  bool IsMainForm() const override { return mainForm_; }
  Bounds ClientBounds() const override;
  Bounds WindowBounds() const override;
  void SetWindowSize(int width, int height) override;
  void CenterOnScreen() override;
  void Show() override;
  void Hide() override;
  bool IsVisible() const override { return IsWindowVisible(hwnd_) != FALSE; }
  void SetOnShow(std::function<void()> handler) override { onShow_ = std::move(handler); }
  bool Close() override { return RequestClose(); }
  void SetOnClose(std::function<bool()> handler) override { onClose_ = std::move(handler); }
  bool CloseItemEnabled() const override { return closeItemEnabled_; }
  void SetCloseItemEnabled(bool enabled) override;
  void SetOnKeyDown(std::function<bool(const KeyPress&)> handler) override { onKeyDown_ = std::move(handler); }
  void SetOnMessage(std::function<void(std::uint32_t, std::uintptr_t, std::intptr_t)> handler) override {
    onMessage_ = std::move(handler);
  }
  Timer* AddTimer(const TimerSpec& spec) override;
  Control* FindControl(const std::wstring& name) const override;
  std::vector<Control*> Controls() const override;
  Control* FocusedControl() const override;

  // Container
  Label* AddLabel(const LabelSpec& s) override { return core_.AddLabel(s); }
  DropDownList* AddDropDownList(const DropDownListSpec& s) override { return core_.AddDropDownList(s); }
  Edit* AddEdit(const EditSpec& s) override { return core_.AddEdit(s); }
  Memo* AddMemo(const MemoSpec& s) override { return core_.AddMemo(s); }
  CheckBox* AddCheckBox(const CheckBoxSpec& s) override { return core_.AddCheckBox(s); }
  ProgressBar* AddProgressBar(const ProgressBarSpec& s) override { return core_.AddProgressBar(s); }
  Panel* AddPanel(const PanelSpec& s) override { return core_.AddPanel(s); }
  Image* AddImage(const ImageSpec& s) override { return core_.AddImage(s); }
  Rule* AddRule(const RuleSpec& s) override { return core_.AddRule(s); }
  SkinButton* AddSkinButton(const SkinButtonSpec& s) override { return core_.AddSkinButton(s); }
  Form& ContainerForm() override { return *this; }
  Color BackgroundColor() const override { return core_.background; }

  // The form owns its controls; ContainerCore hands each new one over here.
  void Adopt(std::unique_ptr<Win32Node> node) { nodes_.push_back(std::move(node)); }
  // The id of the next child window.
  int NextControlId() { return nextControlId_++; }

  // A close request: the close handler decides; a closed form hides, the main form also
  // ends the message loop.
  bool RequestClose();

  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

 private:
  LRESULT OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam);
  bool OnKey(WPARAM virtualKey, bool alt);
  void OnActivate(bool active);
  void FocusFirstControl();

  std::wstring name_;
  FormBorder border_;
  bool mainForm_;
  bool centerOnFirstShow_;
  bool shownBefore_ = false;
  bool closeItemEnabled_ = true;
  bool closing_ = false;
  ContainerCore core_;
  HWND hwnd_ = nullptr;
  HWND savedFocus_ = nullptr;
  int nextControlId_ = 100;
  std::vector<std::unique_ptr<Win32Node>> nodes_;
  std::vector<std::unique_ptr<Win32Timer>> timers_;
  std::function<void()> onShow_;
  std::function<bool()> onClose_;
  std::function<bool(const KeyPress&)> onKeyDown_;
  std::function<void(std::uint32_t, std::uintptr_t, std::intptr_t)> onMessage_;
};

// The form a top-level window belongs to, nullptr for other windows.
Win32Form* FormOfWindow(HWND window);

}  // namespace platform::win32ui
