#pragma once
// Host widgets, internal: the control kinds in memory. Every property is kept as set; the
// events fire through the probe (widgets_probe.cpp) as the user would cause them.
#include <algorithm>
#include <functional>
#include <utility>

#include "platform/host/widget_node.h"

namespace platform::hostui {

class HostLabel : public HostControl<Label> {
 public:
  HostLabel(ContainerCore& parent, const LabelSpec& spec, Font font)
      : HostControl(parent, ControlKind::Label, spec.name, spec.bounds, false),
        text_(spec.text), font_(std::move(font)), autoSize_(spec.autoSize), wordWrap_(spec.wordWrap) {}
  std::wstring Text() const override { return text_; }
  void SetText(const std::wstring& text) override { text_ = text; }
  Font GetFont() const override { return font_; }
  void SetFont(const Font& font) override { font_ = font; }
  bool WordWrap() const override { return wordWrap_; }
  bool AutoSize() const override { return autoSize_; }

 private:
  std::wstring text_;
  Font font_;
  bool autoSize_;
  bool wordWrap_;
};

class HostDropDownList : public HostControl<DropDownList> {
 public:
  HostDropDownList(ContainerCore& parent, const DropDownListSpec& spec)
      : HostControl(parent, ControlKind::DropDownList, spec.name, spec.bounds, true) {}
  int InsertItem(int index, const std::wstring& text, std::intptr_t data) override;
  void ClearItems() override {
    items_.clear();
    selected_ = -1;
  }
  int ItemCount() const override { return static_cast<int>(items_.size()); }
  std::wstring ItemText(int index) const override { return InRange(index) ? items_[index].first : std::wstring(); }
  std::intptr_t ItemData(int index) const override { return InRange(index) ? items_[index].second : 0; }
  std::vector<std::wstring> Items() const override;
  int SelectedIndex() const override { return selected_; }
  void SetSelectedIndex(int index) override { selected_ = InRange(index) ? index : -1; }
  std::wstring Text() const override { return ItemText(selected_); }
  void SetOnChange(std::function<void()> handler) override { onChange_ = std::move(handler); }

  // The user's pick: the selection moves and the change event fires.
  void Choose(int index);

 private:
  bool InRange(int index) const { return index >= 0 && index < ItemCount(); }
  std::vector<std::pair<std::wstring, std::intptr_t>> items_;
  int selected_ = -1;
  std::function<void()> onChange_;
};

class HostEdit : public HostControl<Edit> {
 public:
  HostEdit(ContainerCore& parent, const EditSpec& spec)
      : HostControl(parent, ControlKind::Edit, spec.name, spec.bounds, true), readOnly_(spec.readOnly) {}
  std::wstring Text() const override { return text_; }
  void SetText(const std::wstring& text) override { text_ = text; }
  bool ReadOnly() const override { return readOnly_; }
  void SetReadOnly(bool readOnly) override { readOnly_ = readOnly; }

 private:
  std::wstring text_;
  bool readOnly_;
};

class HostMemo : public HostControl<Memo> {
 public:
  HostMemo(ContainerCore& parent, const MemoSpec& spec)
      : HostControl(parent, ControlKind::Memo, spec.name, spec.bounds, true) {}
  void AppendLine(const std::wstring& line) override { lines_.push_back(line); }
  void Clear() override { lines_.clear(); }
  std::vector<std::wstring> Lines() const override { return lines_; }
  std::wstring Text() const override;

 private:
  std::vector<std::wstring> lines_;
};

class HostCheckBox : public HostControl<CheckBox> {
 public:
  HostCheckBox(ContainerCore& parent, const CheckBoxSpec& spec)
      : HostControl(parent, ControlKind::CheckBox, spec.name, spec.bounds, true),
        caption_(spec.caption), checked_(spec.checked) {}
  std::wstring Caption() const override { return caption_; }
  void SetCaption(const std::wstring& caption) override { caption_ = caption; }
  bool Checked() const override { return checked_; }
  void SetChecked(bool checked) override {
    if (checked == checked_) return;
    checked_ = checked;
    if (onClick_) onClick_();
  }
  void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

 private:
  std::wstring caption_;
  bool checked_;
  std::function<void()> onClick_;
};

class HostProgressBar : public HostControl<ProgressBar> {
 public:
  HostProgressBar(ContainerCore& parent, const ProgressBarSpec& spec)
      : HostControl(parent, ControlKind::ProgressBar, spec.name, spec.bounds, false),
        minimum_(spec.minimum), maximum_(std::max(spec.minimum, spec.maximum)), position_(spec.minimum) {}
  int Minimum() const override { return minimum_; }
  int Maximum() const override { return maximum_; }
  void SetRange(int minimum, int maximum) override {
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    SetPosition(position_);
  }
  int Position() const override { return position_; }
  void SetPosition(int position) override { position_ = std::clamp(position, minimum_, maximum_); }

 private:
  int minimum_;
  int maximum_;
  int position_;
};

class HostPanel : public HostControl<Panel> {
 public:
  HostPanel(ContainerCore& parent, const PanelSpec& spec, Font font, Color background)
      : HostControl(parent, ControlKind::Panel, spec.name, spec.bounds, false),
        core_(parent.form, this, std::move(font), background), bevel_(spec.bevel) {}
  ContainerCore* AsContainer() override { return &core_; }
  PanelBevel Bevel() const override { return bevel_; }

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
  Form& ContainerForm() override { return OwnerForm(); }
  Color BackgroundColor() const override { return core_.background; }

 private:
  ContainerCore core_;
  PanelBevel bevel_;
};

class HostImage : public HostControl<Image> {
 public:
  HostImage(ContainerCore& parent, const ImageSpec& spec)
      : HostControl(parent, ControlKind::Image, spec.name, spec.bounds, false), picture_(spec.image) {
    if (bounds.width == 0) bounds.width = picture_.width;
    if (bounds.height == 0) bounds.height = picture_.height;
  }
  const RgbaImage& Picture() const override { return picture_; }
  void SetPicture(const RgbaImage& image) override { picture_ = image; }

 private:
  RgbaImage picture_;
};

class HostRule : public HostControl<Rule> {
 public:
  HostRule(ContainerCore& parent, const RuleSpec& spec)
      : HostControl(parent, ControlKind::Rule, spec.name, spec.bounds, false), color_(spec.color) {}
  Color GetColor() const override { return color_; }

 private:
  Color color_;
};

class HostSkinButton : public HostControl<SkinButton> {
 public:
  HostSkinButton(ContainerCore& parent, const SkinButtonSpec& spec)
      : HostControl(parent, ControlKind::SkinButton, spec.name, spec.bounds, true),
        look_(spec.look), caption_(spec.caption) {
    visible = spec.visible;
  }
  const SkinButtonLook& Look() const override { return look_; }
  void SetLook(const SkinButtonLook& look) override {
    look_ = look;
    ++repaints;
  }
  std::wstring Caption() const override { return caption_; }
  void SetCaption(const std::wstring& caption) override { caption_ = caption; }
  std::wstring Hint() const override { return hint_; }
  void SetHint(const std::wstring& hint) override { hint_ = hint; }
  bool ShowHint() const override { return showHint_; }
  void SetShowHint(bool show) override { showHint_ = show; }
  bool EnterClicks() const override { return enterClicks_; }
  void SetEnterClicks(bool on) override { enterClicks_ = on; }
  SkinButtonState State() const override {
    if (!enabled) return SkinButtonState::Disabled;
    return hovered_ ? SkinButtonState::Hovered : SkinButtonState::Raised;
  }
  void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

  // A click the user made (the probe has checked the button is usable).
  void Press() {
    if (onClick_) onClick_();
  }
  void SetHovered(bool hovered) { hovered_ = hovered; }

 private:
  SkinButtonLook look_;
  std::wstring caption_;
  std::wstring hint_;
  bool showHint_ = false;
  bool enterClicks_ = true;
  bool hovered_ = false;
  std::function<void()> onClick_;
};

}  // namespace platform::hostui
