#pragma once
// Host widgets, internal: the in-memory form. Its handle is a message window of the host's
// message queues, so posts and synchronous calls reach it like a Windows form; user actions of
// the probe travel the same queue.
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/form.h"
#include "platform/host/widget_node.h"
#include "platform/messages.h"

namespace platform::hostui {

class HostTimer;

// Outer frame of a host form: 3 pixels each side, 26 above the client area (caption and frame).
constexpr int kFrameSide = 3;
constexpr int kFrameTop = 26;
// The host's screen, for centring.
constexpr int kScreenWidth = 1024;
constexpr int kScreenHeight = 768;

class HostForm : public Form, public MessageHandler {
 public:
  explicit HostForm(const FormSpec& spec);
  ~HostForm() override;

  // Form
  const std::wstring& Name() const override { return name_; }
  WindowHandle Handle() const override { return handle_; }
  std::wstring Caption() const override { return caption_; }
  void SetCaption(const std::wstring& caption) override { caption_ = caption; }
  Font GetFont() const override { return core_.font; }
  FormBorder Border() const override { return border_; }
  bool IsToolWindow() const override { return true; }
  bool IsMainForm() const override { return mainForm_; }
  Bounds ClientBounds() const override { return Bounds{0, 0, clientWidth_, clientHeight_}; }
  Bounds WindowBounds() const override;
  void SetWindowSize(int width, int height) override;
  void CenterOnScreen() override;
  void Show() override;
  void Hide() override { visible_ = false; }
  bool IsVisible() const override { return visible_; }
  void SetOnShow(std::function<void()> handler) override { onShow_ = std::move(handler); }
  bool Close() override;
  void SetOnClose(std::function<bool()> handler) override { onClose_ = std::move(handler); }
  bool CloseItemEnabled() const override { return closeItemEnabled_; }
  void SetCloseItemEnabled(bool enabled) override { closeItemEnabled_ = enabled; }
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

  // MessageHandler: user input from the probe, timer ticks, kWmClose and the program's posts.
  void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) override;

  // Queues `action` to run on the form's thread as the next user input; any thread.
  bool QueueInput(std::function<void()> action);
  // A close request from the user or a posted kWmClose: the close handler decides.
  bool RequestClose();
  // A key that reached the form itself.
  void KeyDown(const KeyPress& key);
  void FocusOn(HostNode* node) { focused_ = node; }
  // Tab (or Shift+Tab) from `from`: the next usable control in tab order; from nullptr, the
  // first one.
  void MoveFocus(HostNode* from, bool backwards);
  HostNode* FocusedNode() const { return focused_; }
  HostTimer* TimerById(std::uintptr_t id) const;
  const std::vector<std::unique_ptr<HostTimer>>& Timers() const { return timers_; }

  // The form owns its controls; ContainerCore hands each new one over here.
  HostNode* Adopt(std::unique_ptr<HostNode> node);

 private:
  std::wstring name_;
  std::wstring caption_;
  FormBorder border_;
  bool mainForm_;
  bool centerOnFirstShow_;
  bool shownBefore_ = false;
  int clientWidth_;
  int clientHeight_;
  int left_ = 0;
  int top_ = 0;
  bool visible_ = false;
  bool closeItemEnabled_ = true;
  bool closing_ = false;
  ContainerCore core_;
  WindowHandle handle_ = 0;
  HostNode* focused_ = nullptr;
  std::vector<std::unique_ptr<HostNode>> nodes_;
  std::vector<std::unique_ptr<HostTimer>> timers_;
  std::function<void()> onShow_;
  std::function<bool()> onClose_;
  std::function<bool(const KeyPress&)> onKeyDown_;
  std::function<void(std::uint32_t, std::uintptr_t, std::intptr_t)> onMessage_;
  std::mutex inputLock_;
  std::deque<std::function<void()>> input_;
};

// The forms alive, in creation order (window thread of each; read by the probe).
std::vector<HostForm*> LivingForms();

// The calling thread's main forms, for RunMessageLoop (main_window.cpp): made, closed (the loop
// ends), destroyed.
void NoteMainFormCreated(HostForm& form);
void NoteMainFormClosed(HostForm& form);
void NoteMainFormDestroyed(HostForm& form);

// Private messages of host forms (above the program's WM_USER range, inside WM_APP's).
constexpr std::uint32_t kInputMessage = 0x8000 + 0x3B0;
constexpr std::uint32_t kTickMessage = 0x8000 + 0x3B1;

}  // namespace platform::hostui
