#include "platform/host/host_form.h"

#include <algorithm>

#include "platform/host/host_timer.h"
#include "platform/host/widget_classes.h"
#include "platform/main_window.h"
#include "platform/message_box.h"

namespace platform {

Color ButtonFaceColor() { return Color{240, 240, 240}; }

namespace hostui {

namespace {

struct FormList {
  std::mutex lock;
  std::vector<HostForm*> forms;
};

FormList& TheForms() {
  static FormList list;
  return list;
}

}  // namespace

std::vector<HostForm*> LivingForms() {
  FormList& list = TheForms();
  std::lock_guard<std::mutex> guard(list.lock);
  return list.forms;
}

HostForm::HostForm(const FormSpec& spec)
    : name_(spec.name),
      caption_(spec.caption),
      border_(spec.border),
      mainForm_(spec.mainForm),
      centerOnFirstShow_(spec.centerOnScreen),
      clientWidth_(spec.clientWidth),
      clientHeight_(spec.clientHeight),
      core_(*this, nullptr, spec.font, spec.background.value_or(ButtonFaceColor())) {
  handle_ = CreateMessageWindow(this);
  if (mainForm_) NoteMainFormCreated(*this);
  FormList& list = TheForms();
  std::lock_guard<std::mutex> guard(list.lock);
  list.forms.push_back(this);
}

HostForm::~HostForm() {
  {
    FormList& list = TheForms();
    std::lock_guard<std::mutex> guard(list.lock);
    list.forms.erase(std::remove(list.forms.begin(), list.forms.end(), this), list.forms.end());
  }
  if (mainForm_) NoteMainFormDestroyed(*this);
  DestroyMessageWindow(handle_);
  timers_.clear();
  nodes_.clear();
}

Bounds HostForm::WindowBounds() const {
  return Bounds{left_, top_, clientWidth_ + 2 * kFrameSide, clientHeight_ + kFrameTop + kFrameSide};
}

void HostForm::SetWindowSize(int width, int height) {
  clientWidth_ = std::max(0, width - 2 * kFrameSide);
  clientHeight_ = std::max(0, height - kFrameTop - kFrameSide);
}

void HostForm::CenterOnScreen() {
  Bounds outer = WindowBounds();
  left_ = (kScreenWidth - outer.width) / 2;
  top_ = (kScreenHeight - outer.height) / 2;
}

void HostForm::Show() {
  if (onShow_) onShow_();
  if (!shownBefore_ && centerOnFirstShow_) CenterOnScreen();
  shownBefore_ = true;
  visible_ = true;
  // As on Windows, an activated form without a focused control focuses its first one.
  if (!FocusedControl()) MoveFocus(nullptr, false);
}

namespace {
void CollectTabOrder(const ContainerCore& container, std::vector<HostNode*>& order) {
  for (HostNode* node : container.children) {
    if (node->takesFocus) order.push_back(node);
    if (ContainerCore* inner = node->AsContainer()) CollectTabOrder(*inner, order);
  }
}
}  // namespace

void HostForm::MoveFocus(HostNode* from, bool backwards) {
  std::vector<HostNode*> order;
  CollectTabOrder(core_, order);
  if (order.empty()) return;
  if (backwards) std::reverse(order.begin(), order.end());
  auto start = std::find(order.begin(), order.end(), from);
  const std::size_t first = start == order.end() ? 0 : static_cast<std::size_t>(start - order.begin()) + 1;
  for (std::size_t i = 0; i < order.size(); ++i) {
    HostNode* candidate = order[(first + i) % order.size()];
    if (NodeUsable(*candidate)) {
      focused_ = candidate;
      return;
    }
  }
}

bool HostForm::Close() { return RequestClose(); }

bool HostForm::RequestClose() {
  // A close handler that closes this form again (through another form) is not asked twice.
  if (closing_) return false;
  closing_ = true;
  bool allowed = !onClose_ || onClose_();
  closing_ = false;
  if (!allowed) return false;
  visible_ = false;
  if (mainForm_) NoteMainFormClosed(*this);
  return true;
}

void HostForm::KeyDown(const KeyPress& key) {
  if (onKeyDown_ && onKeyDown_(key)) return;
  if (key.alt && key.virtualKey == kVkF4 && closeItemEnabled_) RequestClose();
}

Timer* HostForm::AddTimer(const TimerSpec& spec) {
  timers_.push_back(std::make_unique<HostTimer>(handle_, spec));
  return timers_.back().get();
}

HostTimer* HostForm::TimerById(std::uintptr_t id) const {
  for (const auto& timer : timers_) {
    if (timer->Id() == id) return timer.get();
  }
  return nullptr;
}

Control* HostForm::FindControl(const std::wstring& name) const {
  for (const auto& node : nodes_) {
    if (node->name == name) return &node->AsControl();
  }
  return nullptr;
}

std::vector<Control*> HostForm::Controls() const {
  std::vector<Control*> controls;
  for (const auto& node : nodes_) controls.push_back(&node->AsControl());
  return controls;
}

Control* HostForm::FocusedControl() const {
  if (!focused_ || !NodeUsable(*focused_)) return nullptr;
  return &focused_->AsControl();
}

HostNode* HostForm::Adopt(std::unique_ptr<HostNode> node) {
  nodes_.push_back(std::move(node));
  return nodes_.back().get();
}

bool HostForm::QueueInput(std::function<void()> action) {
  {
    std::lock_guard<std::mutex> guard(inputLock_);
    input_.push_back(std::move(action));
  }
  if (PostWindowMessage(handle_, kInputMessage, 0, 0)) return true;
  std::lock_guard<std::mutex> guard(inputLock_);
  input_.pop_back();
  return false;
}

void HostForm::OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == kInputMessage) {
    std::function<void()> action;
    {
      std::lock_guard<std::mutex> guard(inputLock_);
      if (input_.empty()) return;
      action = std::move(input_.front());
      input_.pop_front();
    }
    action();
    return;
  }
  if (message == kTickMessage) {
    if (HostTimer* timer = TimerById(wParam)) timer->Deliver();
    return;
  }
  if (message == kWmClose) {
    RequestClose();
    return;
  }
  if (message >= kWmUser && onMessage_) onMessage_(message, wParam, lParam);
}

}  // namespace hostui

std::unique_ptr<Form> CreateForm(const FormSpec& spec) { return std::make_unique<hostui::HostForm>(spec); }

}  // namespace platform
