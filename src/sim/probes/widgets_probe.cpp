#include "sim/probes/widgets_probe.h"

#include "platform/host/host_form.h"
#include "platform/host/host_timer.h"
#include "platform/host/user_hooks.h"
#include "platform/host/widget_classes.h"

namespace platform::host {

using hostui::HostForm;
using hostui::HostNode;

namespace {

HostForm* HostFormOf(Form& form) { return dynamic_cast<HostForm*>(&form); }

// Queues `action` on the control's form; it runs only if the control is usable then.
template <class Action>
bool QueueForUsable(Control& control, Action action) {
  HostNode* node = hostui::NodeOf(control);
  if (!node) return false;
  return node->form.QueueInput([node, action] {
    if (hostui::NodeUsable(*node)) action(*node);
  });
}

// What a click or Space does to a control that has been reached.
void Activate(HostNode& node) {
  if (auto* button = dynamic_cast<hostui::HostSkinButton*>(&node)) {
    button->Press();
  } else if (auto* box = dynamic_cast<hostui::HostCheckBox*>(&node)) {
    box->SetChecked(!box->Checked());
  }
}

bool EntersClick(HostNode& node) {
  auto* button = dynamic_cast<hostui::HostSkinButton*>(&node);
  return button && button->EnterClicks();
}

}  // namespace

std::vector<Form*> Forms() {
  std::vector<Form*> forms;
  for (HostForm* form : hostui::LivingForms()) forms.push_back(form);
  return forms;
}

Form* FindForm(const std::wstring& name) {
  for (HostForm* form : hostui::LivingForms()) {
    if (form->Name() == name) return form;
  }
  return nullptr;
}

bool IsShowing(const Control& control) {
  const HostNode* node = hostui::NodeOf(control);
  return node && hostui::NodeShowing(*node);
}

bool IsUsable(const Control& control) {
  const HostNode* node = hostui::NodeOf(control);
  return node && hostui::NodeUsable(*node);
}

bool Click(Control& control) {
  return QueueForUsable(control, [](HostNode& node) {
    if (node.takesFocus) node.form.FocusOn(&node);
    Activate(node);
  });
}

bool ChooseItem(DropDownList& list, int index) {
  return QueueForUsable(list, [index](HostNode& node) {
    node.form.FocusOn(&node);
    static_cast<hostui::HostDropDownList&>(node).Choose(index);
  });
}

bool PressKey(Control& control, const KeyPress& key) {
  return QueueForUsable(control, [key](HostNode& node) {
    if (key.alt && key.virtualKey == kVkF4) {
      if (node.form.CloseItemEnabled()) node.form.RequestClose();
      return;
    }
    if (key.alt || key.control) return;
    if (key.virtualKey == kVkTab) {
      node.form.MoveFocus(&node, key.shift);
      return;
    }
    const bool space = key.virtualKey == kVkSpace;
    const bool enter = key.virtualKey == kVkReturn;
    if (node.kind == ControlKind::SkinButton && (space || (enter && EntersClick(node)))) Activate(node);
    if (node.kind == ControlKind::CheckBox && space) Activate(node);
  });
}

bool PressKey(Form& form, const KeyPress& key) {
  HostForm* host = HostFormOf(form);
  if (!host) return false;
  return host->QueueInput([host, key] {
    if (host->IsVisible()) host->KeyDown(key);
  });
}

bool PressCloseBox(Form& form) {
  HostForm* host = HostFormOf(form);
  if (!host) return false;
  return host->QueueInput([host] {
    if (host->IsVisible() && host->CloseItemEnabled()) host->RequestClose();
  });
}

Timer* FindTimer(const Form& form, const std::wstring& name) {
  const auto* host = dynamic_cast<const hostui::HostForm*>(&form);
  if (!host) return nullptr;
  for (const auto& timer : host->Timers())
    if (timer->Name() == name) return timer.get();
  return nullptr;
}

bool Tick(Timer& timer) {
  auto* host = dynamic_cast<hostui::HostTimer*>(&timer);
  if (!host) return false;
  for (HostForm* form : hostui::LivingForms()) {
    if (form->TimerById(host->Id()) == host) return PostWindowMessage(form->Handle(), hostui::kTickMessage, host->Id(), 0);
  }
  return false;
}

bool Hover(SkinButton& button, bool inside) {
  HostNode* node = hostui::NodeOf(button);
  if (!node) return false;
  // Leaving works whatever the button's state; entering only reaches a button the user sees.
  return node->form.QueueInput([node, inside] {
    auto& host = static_cast<hostui::HostSkinButton&>(*node);
    host.SetHovered(inside && hostui::NodeShowing(*node));
  });
}

}  // namespace platform::host

void platform::host::SetRealTimeTimers(bool on) { hooks::SetRealTimeTimers(on); }
