#include "platform/host/widget_node.h"

#include <atomic>

#include "platform/host/host_form.h"
#include "platform/host/widget_classes.h"

namespace platform::hostui {

WindowHandle NewControlHandle() {
  static std::atomic<WindowHandle> next{0x40000000};
  return next++;
}

HostNode::HostNode(ContainerCore& parentCore, ControlKind nodeKind, std::wstring nodeName, Bounds nodeBounds,
                   bool focusable)
    : parent(parentCore),
      form(parentCore.form),
      kind(nodeKind),
      name(std::move(nodeName)),
      handle(NewControlHandle()),
      takesFocus(focusable),
      bounds(nodeBounds) {}

bool NodeShowing(const HostNode& node) {
  for (const HostNode* at = &node; at; at = at->parent.self) {
    if (!at->visible) return false;
  }
  return node.form.IsVisible();
}

bool NodeUsable(const HostNode& node) {
  if (!NodeShowing(node)) return false;
  for (const HostNode* at = &node; at; at = at->parent.self) {
    if (!at->enabled) return false;
  }
  return true;
}

HostNode* NodeOf(const Control& control) { return dynamic_cast<HostNode*>(const_cast<Control*>(&control)); }

template <class Interface>
Form& HostControl<Interface>::OwnerForm() const {
  return form;
}

template <class Interface>
void HostControl<Interface>::SetFocus() {
  if (takesFocus && NodeUsable(*this)) form.FocusOn(this);
}

template <class Interface>
bool HostControl<Interface>::HasFocus() const {
  return form.FocusedNode() == this && NodeUsable(*this);
}

template class HostControl<Label>;
template class HostControl<DropDownList>;
template class HostControl<Edit>;
template class HostControl<Memo>;
template class HostControl<CheckBox>;
template class HostControl<ProgressBar>;
template class HostControl<Panel>;
template class HostControl<Image>;
template class HostControl<Rule>;
template class HostControl<SkinButton>;

ContainerCore::ContainerCore(HostForm& owner, HostNode* panel, Font baseFont, Color back)
    : form(owner), self(panel), font(std::move(baseFont)), background(back) {}

template <class T>
T* ContainerCore::Adopt(std::unique_ptr<T> node) {
  T* raw = node.get();
  children.push_back(raw);
  form.Adopt(std::move(node));
  return raw;
}

Label* ContainerCore::AddLabel(const LabelSpec& spec) {
  return Adopt(std::make_unique<HostLabel>(*this, spec, spec.font.value_or(font)));
}
DropDownList* ContainerCore::AddDropDownList(const DropDownListSpec& spec) {
  return Adopt(std::make_unique<HostDropDownList>(*this, spec));
}
Edit* ContainerCore::AddEdit(const EditSpec& spec) { return Adopt(std::make_unique<HostEdit>(*this, spec)); }
Memo* ContainerCore::AddMemo(const MemoSpec& spec) { return Adopt(std::make_unique<HostMemo>(*this, spec)); }
CheckBox* ContainerCore::AddCheckBox(const CheckBoxSpec& spec) {
  return Adopt(std::make_unique<HostCheckBox>(*this, spec));
}
ProgressBar* ContainerCore::AddProgressBar(const ProgressBarSpec& spec) {
  return Adopt(std::make_unique<HostProgressBar>(*this, spec));
}
Panel* ContainerCore::AddPanel(const PanelSpec& spec) {
  return Adopt(std::make_unique<HostPanel>(*this, spec, spec.font.value_or(font), spec.background.value_or(background)));
}
Image* ContainerCore::AddImage(const ImageSpec& spec) { return Adopt(std::make_unique<HostImage>(*this, spec)); }
Rule* ContainerCore::AddRule(const RuleSpec& spec) { return Adopt(std::make_unique<HostRule>(*this, spec)); }
SkinButton* ContainerCore::AddSkinButton(const SkinButtonSpec& spec) {
  return Adopt(std::make_unique<HostSkinButton>(*this, spec));
}

int HostDropDownList::InsertItem(int index, const std::wstring& text, std::intptr_t data) {
  if (index < 0 || index > ItemCount()) index = ItemCount();
  items_.insert(items_.begin() + index, {text, data});
  // The selected entry stays selected, as the system's list keeps it.
  if (selected_ >= index) ++selected_;
  return index;
}

std::vector<std::wstring> HostDropDownList::Items() const {
  std::vector<std::wstring> texts;
  for (const auto& item : items_) texts.push_back(item.first);
  return texts;
}

void HostDropDownList::Choose(int index) {
  if (!InRange(index)) return;
  selected_ = index;
  if (onChange_) onChange_();
}

std::wstring HostMemo::Text() const {
  std::wstring text;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    if (i) text += L"\r\n";
    text += lines_[i];
  }
  return text;
}

}  // namespace platform::hostui

namespace platform {
// The host makes every widget asked for.
std::uint32_t LastWidgetError() { return 0; }
}  // namespace platform
