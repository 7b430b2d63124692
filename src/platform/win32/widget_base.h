#pragma once
// Win32 widgets, internal: what every control window has (its HWND, name and node), the part of
// a container (form or panel) that creates child windows, fonts and brushes by value, and the
// routing of a parent's notifications (WM_COMMAND, WM_CTLCOLOR...) to the child's node.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/form.h"
#include "platform/skin_button.h"

namespace platform::win32ui {

class Win32Form;
class ContainerCore;

// Window classes of our own.
constexpr const wchar_t* kFormClass = L"DraventaForm";
constexpr const wchar_t* kPanelClass = L"DraventaPanel";
constexpr const wchar_t* kImageClass = L"DraventaImage";
constexpr const wchar_t* kRuleClass = L"DraventaRule";
constexpr const wchar_t* kSkinButtonClass = L"DraventaSkinButton";

// Remembers the system error of a widget that could not be made (LastWidgetError).
void NoteWidgetError(DWORD error);

// The window property that names a form or control for automation (a global atom).
constexpr const wchar_t* kNameProperty = L"Draventa.Name";
void SetNameProperty(HWND window, const std::wstring& name);
void RemoveNameProperty(HWND window);

// Registers the window classes and the common controls once per process; false on failure.
bool InitWidgets();

COLORREF ToColorRef(Color color);
// A font of the cache, made for the screen's DPI (CreateFontW); never freed.
HFONT FontFor(const Font& font);
// A solid brush of the cache; never freed.
HBRUSH BrushFor(Color color);

class Win32Node {
 public:
  Win32Node(ContainerCore& parent, ControlKind kind, std::wstring name);
  virtual ~Win32Node() = default;

  // Creates the window as a child of the container, at `bounds` of the 96-DPI layout scaled for
  // the screen; false (and a trace line) on failure.
  bool CreateChild(const wchar_t* windowClass, const std::wstring& text, DWORD style, DWORD exStyle,
                   const Bounds& bounds);
  // The window's box in its parent, in the screen's own pixels (Control's bounds are those of
  // the 96-DPI layout).
  Bounds ScreenBounds() const;
  void SetScreenBounds(const Bounds& bounds);

  virtual Control& AsControl() = 0;
  // The container this node is (a panel), nullptr for other kinds.
  virtual ContainerCore* AsContainer() { return nullptr; }
  // A notification code of WM_COMMAND from this control.
  virtual void OnCommand(WORD) {}
  // A message to a window of our own classes (panel, image, rule, skinned button); true when
  // `result` is the answer, false for the default handling.
  virtual bool OnOwnMessage(UINT, WPARAM, LPARAM, LRESULT&) { return false; }
  // WM_CTLCOLOR* for this control: sets the DC's colours and returns the background brush;
  // nullptr leaves the system's colours.
  virtual HBRUSH OnColor(HDC dc);

  ContainerCore& parent;
  Win32Form& form;
  const ControlKind kind;
  const std::wstring name;
  HWND hwnd = nullptr;
  Color textColor{0, 0, 0};
};

// Takes the node and name properties off a control window before it is destroyed.
void DetachNode(HWND window);

// The node stored on a control window, nullptr for other windows.
Win32Node* NodeOfWindow(HWND window);
Win32Node* NodeOf(const Control& control);
// A node's window and each parent up to the form are visible and enabled.
bool NodeUsable(const Win32Node& node);

// Handles a container's notifications from its children; true when `result` is the answer.
bool RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result);

// The Control part of every Win32 control kind.
template <class Interface>
class Win32Control : public Interface, public Win32Node {
 public:
  using Win32Node::Win32Node;
  Control& AsControl() override { return *this; }
  ControlKind Kind() const override { return kind; }
  const std::wstring& Name() const override { return name; }
  Form& OwnerForm() const override;
  WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd); }
  Bounds GetBounds() const override;
  void SetBounds(const Bounds& bounds) override;
  bool IsVisible() const override { return (GetWindowLongW(hwnd, GWL_STYLE) & WS_VISIBLE) != 0; }
  void SetVisible(bool visible) override { ShowWindow(hwnd, visible ? SW_SHOWNA : SW_HIDE); }
  bool IsEnabled() const override { return IsWindowEnabled(hwnd) != FALSE; }
  void SetEnabled(bool enabled) override { EnableWindow(hwnd, enabled ? TRUE : FALSE); }
  void SetFocus() override {
    if (NodeUsable(*this)) ::SetFocus(hwnd);
  }
  bool HasFocus() const override { return GetFocus() == hwnd; }
  void Repaint() override {
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
  }
};

// Makes controls on a form or a panel; the form owns them all.
class ContainerCore {
 public:
  ContainerCore(Win32Form& form, Win32Node* self, Font font, Color background);

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

  HWND Window() const;
  Win32Form& form;
  Win32Node* self;  // the panel this container is; nullptr for the form
  Font font;
  Color background;

 private:
  // Hands the node to the form when its window exists; nullptr otherwise.
  template <class T>
  T* Adopt(std::unique_ptr<Win32Node> node);
};

}  // namespace platform::win32ui
