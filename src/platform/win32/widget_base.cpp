#include "platform/win32/widget_base.h"

#include <commctrl.h>

#include <atomic>
#include <map>
#include <mutex>
#include <tuple>

#include "platform/win32/dpi_scale.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/skin_button_window.h"
#include "platform/win32/widget_controls.h"
#include "platform/win32/win32_form.h"

namespace platform {

Color ButtonFaceColor() {
  COLORREF face = GetSysColor(COLOR_BTNFACE);
  return Color{GetRValue(face), GetGValue(face), GetBValue(face)};
}

namespace {
std::atomic<std::uint32_t> g_lastWidgetError{0};
}  // namespace

std::uint32_t LastWidgetError() { return g_lastWidgetError; }

namespace win32ui {

void NoteWidgetError(DWORD error) { g_lastWidgetError = error ? error : ERROR_INVALID_PARAMETER; }

namespace {

constexpr const wchar_t* kNodeProperty = L"Draventa.Node";

// The window procedure of our own child classes: the node answers what it handles.
LRESULT CALLBACK OwnClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
    auto* node = static_cast<Win32Node*>(create->lpCreateParams);
    if (node) {
      node->hwnd = window;
      SetPropW(window, kNodeProperty, node);
    }
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kNodeProperty);
    RemoveNameProperty(window);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  if (auto* node = NodeOfWindow(window)) {
    LRESULT result = 0;
    if (node->OnOwnMessage(message, wParam, lParam, result)) return result;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool Register(const wchar_t* name, WNDPROC procedure, UINT style) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = style;
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleW(nullptr);
  windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
  windowClass.lpszClassName = name;
  if (RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS) return true;
  NoteWidgetError(GetLastError());
  return false;
}

}  // namespace

bool InitWidgets() {
  static const bool ready = [] {
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES | ICC_PROGRESS_CLASS | ICC_BAR_CLASSES;
    if (!InitCommonControlsEx(&controls)) NoteWidgetError(GetLastError());
    return Register(kFormClass, Win32Form::WindowProc, CS_DBLCLKS) && Register(kPanelClass, OwnClassProc, 0) &&
           Register(kImageClass, OwnClassProc, 0) && Register(kRuleClass, OwnClassProc, 0) &&
           Register(kSkinButtonClass, OwnClassProc, CS_DBLCLKS);
  }();
  return ready;
}

COLORREF ToColorRef(Color color) { return RGB(color.red, color.green, color.blue); }

HFONT FontFor(const Font& font) {
  static std::mutex lock;
  static std::map<std::tuple<std::wstring, int, bool>, HFONT> fonts;
  std::lock_guard<std::mutex> guard(lock);
  auto key = std::make_tuple(font.name, font.pointSize, font.bold);
  auto it = fonts.find(key);
  if (it != fonts.end()) return it->second;
  const int height = -MulDiv(font.pointSize, GetDeviceCaps(win32::GetWindowDc(nullptr).get(), LOGPIXELSY), 72);
  HFONT made = CreateFontW(height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                           OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                           font.name.c_str());
  // A font the system can't make falls back to the GUI font rather than leaving text unreadable.
  if (!made) made = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  fonts[key] = made;
  return made;
}

HBRUSH BrushFor(Color color) {
  static std::mutex lock;
  static std::map<COLORREF, HBRUSH> brushes;
  std::lock_guard<std::mutex> guard(lock);
  COLORREF value = ToColorRef(color);
  auto it = brushes.find(value);
  if (it != brushes.end()) return it->second;
  HBRUSH brush = CreateSolidBrush(value);
  brushes[value] = brush;
  return brush;
}

Win32Node::Win32Node(ContainerCore& parentCore, ControlKind nodeKind, std::wstring nodeName)
    : parent(parentCore), form(parentCore.form), kind(nodeKind), name(std::move(nodeName)) {}

bool Win32Node::CreateChild(const wchar_t* windowClass, const std::wstring& text, DWORD style, DWORD exStyle,
                            const Bounds& bounds) {
  const bool ownClass = windowClass == kPanelClass || windowClass == kImageClass || windowClass == kRuleClass ||
                        windowClass == kSkinButtonClass;
  const Bounds onScreen = ToScreen(bounds);
  HWND made = CreateWindowExW(exStyle, windowClass, text.c_str(), WS_CHILD | WS_CLIPSIBLINGS | style, onScreen.left,
                              onScreen.top, onScreen.width, onScreen.height, parent.Window(),
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(form.NextControlId())),
                              GetModuleHandleW(nullptr), ownClass ? this : nullptr);
  if (!made) {
    NoteWidgetError(GetLastError());
    return false;
  }
  hwnd = made;
  SetPropW(made, kNodeProperty, this);
  SetNameProperty(made, name);
  return true;
}

Bounds Win32Node::ScreenBounds() const {
  RECT rect{};
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return Bounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top};
}

void Win32Node::SetScreenBounds(const Bounds& bounds) {
  MoveWindow(hwnd, bounds.left, bounds.top, bounds.width, bounds.height, TRUE);
}

HBRUSH Win32Node::OnColor(HDC dc) {
  SetTextColor(dc, ToColorRef(textColor));
  SetBkMode(dc, TRANSPARENT);
  SetBkColor(dc, ToColorRef(parent.background));
  return BrushFor(parent.background);
}

void SetNameProperty(HWND window, const std::wstring& name) {
  if (name.empty()) return;
  ATOM atom = GlobalAddAtomW(name.c_str());
  if (atom) SetPropW(window, kNameProperty, reinterpret_cast<HANDLE>(static_cast<UINT_PTR>(atom)));
}

void RemoveNameProperty(HWND window) {
  if (HANDLE atom = RemovePropW(window, kNameProperty)) GlobalDeleteAtom(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(atom)));
}

void DetachNode(HWND window) {
  RemovePropW(window, kNodeProperty);
  RemoveNameProperty(window);
}

Win32Node* NodeOfWindow(HWND window) {
  return window ? static_cast<Win32Node*>(GetPropW(window, kNodeProperty)) : nullptr;
}

Win32Node* NodeOf(const Control& control) { return dynamic_cast<Win32Node*>(const_cast<Control*>(&control)); }

bool NodeUsable(const Win32Node& node) {
  for (HWND at = node.hwnd; at; at = GetParent(at)) {
    if (!IsWindowVisible(at) || !IsWindowEnabled(at)) return false;
    if (at == node.form.Window()) break;
  }
  return true;
}

bool RouteChildMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_COMMAND:
      if (Win32Node* node = NodeOfWindow(reinterpret_cast<HWND>(lParam))) {
        node->OnCommand(HIWORD(wParam));
        result = 0;
        return true;
      }
      return false;
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORLISTBOX:
      if (Win32Node* node = NodeOfWindow(reinterpret_cast<HWND>(lParam))) {
        HBRUSH brush = node->OnColor(reinterpret_cast<HDC>(wParam));
        if (!brush) return false;  // the system's colours
        result = reinterpret_cast<LRESULT>(brush);
        return true;
      }
      return false;
    default:
      return false;
  }
}

template <class Interface>
Form& Win32Control<Interface>::OwnerForm() const {
  return form;
}

template <class Interface>
Bounds Win32Control<Interface>::GetBounds() const {
  return FromScreen(ScreenBounds());
}

template <class Interface>
void Win32Control<Interface>::SetBounds(const Bounds& bounds) {
  SetScreenBounds(ToScreen(bounds));
}

template class Win32Control<Label>;
template class Win32Control<DropDownList>;
template class Win32Control<Edit>;
template class Win32Control<Memo>;
template class Win32Control<CheckBox>;
template class Win32Control<ProgressBar>;
template class Win32Control<Panel>;
template class Win32Control<Image>;
template class Win32Control<Rule>;
template class Win32Control<SkinButton>;

ContainerCore::ContainerCore(Win32Form& owner, Win32Node* panel, Font baseFont, Color back)
    : form(owner), self(panel), font(std::move(baseFont)), background(back) {}

HWND ContainerCore::Window() const { return self ? self->hwnd : form.Window(); }

template <class T>
T* ContainerCore::Adopt(std::unique_ptr<Win32Node> node) {
  if (!node || !node->hwnd) return nullptr;
  T* raw = dynamic_cast<T*>(node.get());
  form.Adopt(std::move(node));
  return raw;
}

Label* ContainerCore::AddLabel(const LabelSpec& spec) { return Adopt<Label>(MakeLabel(*this, spec)); }
DropDownList* ContainerCore::AddDropDownList(const DropDownListSpec& spec) {
  return Adopt<DropDownList>(MakeDropDownList(*this, spec));
}
Edit* ContainerCore::AddEdit(const EditSpec& spec) { return Adopt<Edit>(MakeEdit(*this, spec)); }
Memo* ContainerCore::AddMemo(const MemoSpec& spec) { return Adopt<Memo>(MakeMemo(*this, spec)); }
CheckBox* ContainerCore::AddCheckBox(const CheckBoxSpec& spec) { return Adopt<CheckBox>(MakeCheckBox(*this, spec)); }
ProgressBar* ContainerCore::AddProgressBar(const ProgressBarSpec& spec) {
  return Adopt<ProgressBar>(MakeProgressBar(*this, spec));
}
Panel* ContainerCore::AddPanel(const PanelSpec& spec) { return Adopt<Panel>(MakePanel(*this, spec)); }
Image* ContainerCore::AddImage(const ImageSpec& spec) { return Adopt<Image>(MakeImage(*this, spec)); }
Rule* ContainerCore::AddRule(const RuleSpec& spec) { return Adopt<Rule>(MakeRule(*this, spec)); }
SkinButton* ContainerCore::AddSkinButton(const SkinButtonSpec& spec) { return Adopt<SkinButton>(MakeSkinButton(*this, spec)); }

}  // namespace win32ui
}  // namespace platform
