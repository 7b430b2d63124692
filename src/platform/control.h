#pragma once
// The widget layer's base: a control placed on a form or a panel, and the containers that make
// controls. The kinds themselves are in platform/controls.h and platform/skin_button.h, the
// form in platform/form.h; platform/widgets.h includes them all.
//
// Threading: a form and everything on it belong to the thread that created the form (the
// window thread). Every call below is made on that thread, and every event handler runs on
// it, while it dispatches messages (RunMessageLoop, PumpMessagesUntil, or a modal message box
// or folder browser). Handlers may change any control, show and hide forms and open message
// boxes. Setters never fire events, except CheckBox::SetChecked (see there).
//
// Names: on Windows every form and control window also carries its name as the window property
// "Draventa.Name" (a global atom), so a program driving the windows from outside finds them.
//
// Lifetime: a control is created by its container's Add... function and lives until its form
// is destroyed; the pointer returned stays valid that long and is never to be deleted. Add...
// returns nullptr when the system refuses the window; LastWidgetError() then tells why.
#include <cstdint>
#include <string>

#include "platform/types.h"
#include "platform/widget_types.h"

namespace platform {

class Form;
class Label;
class DropDownList;
class Edit;
class Memo;
class CheckBox;
class ProgressBar;
class Panel;
class Image;
class Rule;
class SkinButton;
struct LabelSpec;
struct DropDownListSpec;
struct EditSpec;
struct MemoSpec;
struct CheckBoxSpec;
struct ProgressBarSpec;
struct PanelSpec;
struct ImageSpec;
struct RuleSpec;
struct SkinButtonSpec;

// The system error code of the last form or control that could not be made, 0 when none.
std::uint32_t LastWidgetError();

enum class ControlKind { Label, DropDownList, Edit, Memo, CheckBox, ProgressBar, Panel, Image, Rule, SkinButton };

class Control {
 public:
  virtual ~Control() = default;

  virtual ControlKind Kind() const = 0;
  // The name it was created with ("cmbMode", "lblNote", ...); unique within its form.
  virtual const std::wstring& Name() const = 0;
  virtual Form& OwnerForm() const = 0;
  // The native window (an HWND on Windows; an id unique in the process on the host), 0 for
  // controls without one (Rule on the host).
  virtual WindowHandle Handle() const = 0;

  // Position and size in pixels within the parent's client area.
  virtual Bounds GetBounds() const = 0;
  virtual void SetBounds(const Bounds& bounds) = 0;
  void SetPosition(int left, int top) { SetBounds(Bounds{left, top, GetBounds().width, GetBounds().height}); }
  void SetSize(int width, int height) { SetBounds(Bounds{GetBounds().left, GetBounds().top, width, height}); }

  // The control's own Visible flag. It shows on screen only while its parents are visible too.
  virtual bool IsVisible() const = 0;
  virtual void SetVisible(bool visible) = 0;
  // A disabled control is drawn disabled and takes no mouse or keyboard input.
  virtual bool IsEnabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;

  // Gives the control the keyboard focus (ignored while it, or a parent, is hidden or disabled).
  virtual void SetFocus() = 0;
  virtual bool HasFocus() const = 0;

  // Draws the control again now.
  virtual void Repaint() = 0;

  // A number the program keeps with the control for its own use (the framework's Tag).
  std::intptr_t Tag() const { return tag_; }
  void SetTag(std::intptr_t tag) { tag_ = tag; }

 private:
  std::intptr_t tag_ = 0;
};

// Something controls are placed on: a form or a panel. Controls are created in tab order: the
// keyboard's Tab moves between them in the order they were added.
class Container {
 public:
  virtual ~Container() = default;

  virtual Label* AddLabel(const LabelSpec& spec) = 0;
  virtual DropDownList* AddDropDownList(const DropDownListSpec& spec) = 0;
  virtual Edit* AddEdit(const EditSpec& spec) = 0;
  virtual Memo* AddMemo(const MemoSpec& spec) = 0;
  virtual CheckBox* AddCheckBox(const CheckBoxSpec& spec) = 0;
  virtual ProgressBar* AddProgressBar(const ProgressBarSpec& spec) = 0;
  virtual Panel* AddPanel(const PanelSpec& spec) = 0;
  virtual Image* AddImage(const ImageSpec& spec) = 0;
  virtual Rule* AddRule(const RuleSpec& spec) = 0;
  virtual SkinButton* AddSkinButton(const SkinButtonSpec& spec) = 0;

  // The form this container is, or is on.
  virtual Form& ContainerForm() = 0;
  // The colour behind the controls placed here (a form's or panel's background).
  virtual Color BackgroundColor() const = 0;
};

}  // namespace platform
