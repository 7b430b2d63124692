#include "platform/win32/win32_form.h"

#include "platform/win32/application_window.h"
#include "platform/win32/dpi_scale.h"
#include "platform/win32/widget_controls.h"
#include "platform/win32/window_calls.h"

namespace platform {

namespace win32ui {

namespace {

constexpr const wchar_t* kFormProperty = L"Draventa.Form";

DWORD FormStyle(FormBorder border) {
  const DWORD common = WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  return border == FormBorder::Dialog ? common | DS_MODALFRAME : common | WS_BORDER;
}

// Every form is a tool window (no task-bar button of its own) and a control parent (Tab
// moves through the controls of its panels too).
DWORD FormExStyle(FormBorder border) {
  const DWORD common = WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT;
  return border == FormBorder::Dialog ? common | WS_EX_DLGMODALFRAME | WS_EX_WINDOWEDGE : common;
}

// A key message as the form's key handler sees it. Alt comes from the message itself (the
// context bit of WM_SYSKEYDOWN), so posted keys say the same as typed ones.
KeyPress KeyOf(UINT message, WPARAM virtualKey, LPARAM lParam) {
  KeyPress key;
  key.virtualKey = static_cast<std::uint32_t>(virtualKey);
  key.alt = (message == WM_SYSKEYDOWN && (lParam & (1 << 29)) != 0) || GetKeyState(VK_MENU) < 0;
  key.control = GetKeyState(VK_CONTROL) < 0;
  key.shift = GetKeyState(VK_SHIFT) < 0;
  return key;
}

}  // namespace

Win32Form* FormOfWindow(HWND window) {
  return window ? static_cast<Win32Form*>(GetPropW(window, kFormProperty)) : nullptr;
}

Win32Form::Win32Form(const FormSpec& spec)
    : name_(spec.name),
      border_(spec.border),
      mainForm_(spec.mainForm),
      centerOnFirstShow_(spec.centerOnScreen),
      core_(*this, nullptr, spec.font, spec.background.value_or(ButtonFaceColor())) {
  if (!InitWidgets()) return;
  HWND owner = spec.owner ? reinterpret_cast<HWND>(spec.owner->Handle()) : EnsureApplicationWindow();
  const DWORD style = FormStyle(border_);
  const DWORD exStyle = FormExStyle(border_);
  RECT outer{0, 0, ToScreen(spec.clientWidth), ToScreen(spec.clientHeight)};
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  hwnd_ = CreateWindowExW(exStyle, kFormClass, spec.caption.c_str(), style, 0, 0, outer.right - outer.left,
                          outer.bottom - outer.top, owner, nullptr, GetModuleHandleW(nullptr), this);
  if (!hwnd_) {
    NoteWidgetError(GetLastError());
    return;
  }
  SetNameProperty(hwnd_, name_);
  if (mainForm_) {
    SetMainFormWindow(hwnd_);
    SetApplicationTitle(spec.caption);
  }
}

Win32Form::~Win32Form() {
  if (!hwnd_) return;
  timers_.clear();
  HWND window = hwnd_;
  if (mainForm_) SetMainFormWindow(nullptr);
  for (const auto& node : nodes_) DetachNode(node->hwnd);
  DestroyWindow(window);  // destroys the controls' windows with it
  nodes_.clear();
  hwnd_ = nullptr;
}

std::wstring Win32Form::Caption() const { return WindowText(hwnd_); }
void Win32Form::SetCaption(const std::wstring& caption) {
  SetWindowTextW(hwnd_, caption.c_str());
  if (mainForm_) SetApplicationTitle(caption);
}

Bounds Win32Form::ClientBounds() const {
  RECT rect{};
  GetClientRect(hwnd_, &rect);
  return FromScreen(Bounds{0, 0, rect.right, rect.bottom});
}

Bounds Win32Form::WindowBounds() const {
  RECT rect{};
  GetWindowRect(hwnd_, &rect);
  return FromScreen(Bounds{rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top});
}

// The outer size scales as a whole: the frame and caption grow with the DPI too.
void Win32Form::SetWindowSize(int width, int height) {
  SetWindowPos(hwnd_, nullptr, 0, 0, ToScreen(width), ToScreen(height), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::CenterOnScreen() {
  RECT outer{};
  GetWindowRect(hwnd_, &outer);
  const int left = (GetSystemMetrics(SM_CXSCREEN) - (outer.right - outer.left)) / 2;
  const int top = (GetSystemMetrics(SM_CYSCREEN) - (outer.bottom - outer.top)) / 2;
  SetWindowPos(hwnd_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Win32Form::Show() {
  if (onShow_) onShow_();
  if (!shownBefore_ && centerOnFirstShow_) CenterOnScreen();
  shownBefore_ = true;
  ShowApplicationWindow();
  ShowWindow(hwnd_, SW_SHOW);
  SetForegroundWindow(hwnd_);
}

void Win32Form::Hide() { ShowWindow(hwnd_, SW_HIDE); }

bool Win32Form::RequestClose() {
  // A close handler that closes this form again (through another form) is not asked twice.
  if (closing_) return false;
  closing_ = true;
  const bool allowed = !onClose_ || onClose_();
  closing_ = false;
  if (!allowed) return false;
  ShowWindow(hwnd_, SW_HIDE);
  if (mainForm_) PostQuitMessage(0);
  return true;
}

void Win32Form::SetCloseItemEnabled(bool enabled) {
  closeItemEnabled_ = enabled;
  EnableMenuItem(GetSystemMenu(hwnd_, FALSE), SC_CLOSE, MF_BYCOMMAND | (enabled ? MF_ENABLED : MF_GRAYED));
  // The caption's close box follows the menu item when the frame is drawn again.
  SetWindowPos(hwnd_, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
}

Timer* Win32Form::AddTimer(const TimerSpec& spec) {
  timers_.push_back(std::make_unique<Win32Timer>(hwnd_, timers_.size() + 1, spec));
  return timers_.back().get();
}

Control* Win32Form::FindControl(const std::wstring& name) const {
  for (const auto& node : nodes_) {
    if (node->name == name) return &node->AsControl();
  }
  return nullptr;
}

std::vector<Control*> Win32Form::Controls() const {
  std::vector<Control*> controls;
  for (const auto& node : nodes_) controls.push_back(&node->AsControl());
  return controls;
}

Control* Win32Form::FocusedControl() const {
  for (HWND at = GetFocus(); at && at != hwnd_; at = GetParent(at)) {
    Win32Node* node = NodeOfWindow(at);
    if (node && &node->form == this) return &node->AsControl();
  }
  return nullptr;
}

void Win32Form::FocusFirstControl() {
  HWND first = GetNextDlgTabItem(hwnd_, nullptr, FALSE);
  ::SetFocus(first ? first : hwnd_);
}

void Win32Form::OnActivate(bool active) {
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(hwnd_, focus)) savedFocus_ = focus;
    return;
  }
  NoteActiveForm(hwnd_);
  Win32Node* saved = NodeOfWindow(savedFocus_);
  if (saved && IsWindow(savedFocus_) && IsChild(hwnd_, savedFocus_) && NodeUsable(*saved)) {
    ::SetFocus(savedFocus_);
  } else {
    FocusFirstControl();
  }
}

LRESULT CALLBACK Win32Form::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* form = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
    form->hwnd_ = window;
    SetPropW(window, kFormProperty, form);
  }
  if (message == WM_NCDESTROY) {
    RemovePropW(window, kFormProperty);
    RemoveNameProperty(window);
    return DefWindowProcW(window, message, wParam, lParam);
  }
  Win32Form* form = FormOfWindow(window);
  if (!form) return DefWindowProcW(window, message, wParam, lParam);
  return form->OnWindowMessage(message, wParam, lParam);
}

LRESULT Win32Form::OnWindowMessage(UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (RouteChildMessage(message, wParam, lParam, result)) return result;
  if (RunPostedCall(message, wParam)) return 0;
  switch (message) {
    case WM_ERASEBKGND: {
      RECT rect;
      GetClientRect(hwnd_, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, BrushFor(core_.background));
      return 1;
    }
    case WM_CLOSE:
      RequestClose();
      return 0;
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE && !closeItemEnabled_) return 0;
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
      if (onKeyDown_ && onKeyDown_(KeyOf(message, wParam, lParam))) return 0;
      break;
    case WM_TIMER:
      for (const auto& timer : timers_) {
        if (timer->Id() == wParam) timer->Deliver();
      }
      return 0;
    case WM_ACTIVATE:
      OnActivate(LOWORD(wParam) != WA_INACTIVE);
      return 0;
    case WM_NEXTDLGCTL: {
      // The dialog keys move the focus with this (arrows, a label's mnemonic) as in a dialog.
      HWND target = lParam ? reinterpret_cast<HWND>(wParam) : GetNextDlgTabItem(hwnd_, GetFocus(), wParam != 0);
      if (target) ::SetFocus(target);
      return 0;
    }
    case DM_GETDEFID:  // no default button: Enter belongs to the focused control
    case DM_SETDEFID:
    case DM_REPOSITION:
      return 0;
    default:
      if (message >= WM_USER && message < 0xC000) {
        if (onMessage_) onMessage_(message, wParam, lParam);
        return 0;
      }
      break;
  }
  return DefWindowProcW(hwnd_, message, wParam, lParam);
}

bool HandleFormKeys(MSG& message) {
  if (!message.hwnd) return false;
  HWND root = GetAncestor(message.hwnd, GA_ROOT);
  if (!FormOfWindow(root)) return false;
  return IsDialogMessageW(root, &message) != FALSE;
}

}  // namespace win32ui

std::unique_ptr<Form> CreateForm(const FormSpec& spec) {
  auto form = std::make_unique<win32ui::Win32Form>(spec);
  if (!form->Created()) return nullptr;
  return form;
}

}  // namespace platform
