#pragma once
// Host widgets, internal: what every in-memory control has (name, bounds, flags, parent), and
// the part of a container that makes controls. The kinds are in widget_classes.h, the form in
// host_form.h.
#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/skin_button.h"

namespace platform::hostui {

class HostForm;
class ContainerCore;

// A new id for a control's Handle(), unique in the process.
WindowHandle NewControlHandle();

class HostNode {
 public:
  HostNode(ContainerCore& parent, ControlKind kind, std::wstring name, Bounds bounds, bool takesFocus);
  virtual ~HostNode() = default;

  virtual Control& AsControl() = 0;
  // The container this node is itself (a panel), nullptr for other kinds.
  virtual ContainerCore* AsContainer() { return nullptr; }

  ContainerCore& parent;
  HostForm& form;
  const ControlKind kind;
  const std::wstring name;
  const WindowHandle handle;
  const bool takesFocus;
  Bounds bounds;
  bool visible = true;
  bool enabled = true;
  int repaints = 0;
};

// Visible with every parent, the form included.
bool NodeShowing(const HostNode& node);
// Showing and enabled with every parent.
bool NodeUsable(const HostNode& node);
// The node behind a control of the host layer (never nullptr for one).
HostNode* NodeOf(const Control& control);

// The Control part of every host control kind.
template <class Interface>
class HostControl : public Interface, public HostNode {
 public:
  using HostNode::HostNode;
  Control& AsControl() override { return *this; }
  ControlKind Kind() const override { return kind; }
  const std::wstring& Name() const override { return name; }
  Form& OwnerForm() const override;
  WindowHandle Handle() const override { return handle; }
  Bounds GetBounds() const override { return bounds; }
  void SetBounds(const Bounds& b) override { bounds = b; }
  bool IsVisible() const override { return visible; }
  void SetVisible(bool v) override { visible = v; }
  bool IsEnabled() const override { return enabled; }
  void SetEnabled(bool e) override { enabled = e; }
  void SetFocus() override;
  bool HasFocus() const override;
  void Repaint() override { ++repaints; }
};

// Makes controls on a form or a panel; the form owns them all.
class ContainerCore {
 public:
  ContainerCore(HostForm& form, HostNode* self, Font font, Color background);

  Label* AddLabel(const LabelSpec& spec);
  DropDownList* AddDropDownList(const DropDownListSpec& spec);
  Edit* AddEdit(const EditSpec& spec);
  Memo* AddMemo(const MemoSpec& spec);
  CheckBox* AddCheckBox(const CheckBoxSpec& spec);
  ProgressBar* AddProgressBar(const ProgressBarSpec& spec);
  Panel* AddPanel(const PanelSpec& spec);
  Image* AddImage(const ImageSpec& spec);
  Rule* AddRule(const RuleSpec& spec);
  SkinButton* AddSkinButton(const SkinButtonSpec& spec);

  HostForm& form;
  HostNode* self;  // the panel this container is; nullptr for the form
  Font font;
  Color background;
  std::vector<HostNode*> children;

 private:
  template <class T>
  T* Adopt(std::unique_ptr<T> node);
};

}  // namespace platform::hostui
