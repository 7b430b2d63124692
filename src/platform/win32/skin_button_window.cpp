#include "platform/win32/skin_button_window.h"

#include <commctrl.h>
#include <oleacc.h>
#include <windowsx.h>

#include <atomic>
#include <cwctype>

#include "platform/picture_scale.h"
#include "platform/win32/canvas.h"
#include "platform/win32/dpi_scale.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/widget_controls.h"
#include "platform/win32/win32_form.h"

// The skinned button draws everything itself: see platform/skin_button.h for the layers and the
// states. Input follows a push button's rules: the mouse is captured while pressed and a click
// is a release over the button; Space clicks on release, Enter at once; BM_CLICK (sent by the
// dialog keys for Alt + mnemonic, and by automation) clicks like the mouse does.
//
// Screen readers ask the window for its accessible object (WM_GETOBJECT). The button answers
// with a push button named by its caption: a thin IAccessible of its own that answers role,
// name, state, shortcut and default action, and hands everything else (location, parent,
// navigation, hit testing) to the system's standard object for the window
// (CreateStdAccessibleObject). Not the standard "Button" proxy (CreateStdAccessibleProxyW): it
// can't name a button without a caption (the wizard's refresh button), asks BM_GETSTATE for the
// pressed state, and Wine has no such function (a call ends the process).

namespace platform::win32ui {

namespace {

constexpr Color kBlack{0, 0, 0};
constexpr Color kWhite{255, 255, 255};

class Win32SkinButton : public Win32Control<SkinButton> {
 public:
  Win32SkinButton(ContainerCore& parent, const SkinButtonSpec& spec)
      : Win32Control(parent, ControlKind::SkinButton, spec.name) {
    CreateChild(kSkinButtonClass, spec.caption, WS_TABSTOP | (spec.visible ? WS_VISIBLE : 0), 0, spec.bounds);
    SetLook(spec.look);
  }

  const SkinButtonLook& Look() const override { return look_; }
  void SetLook(const SkinButtonLook& look) override {
    look_ = look;
    shown_ = look;
    for (RgbaImage* picture : {&shown_.raised, &shown_.hovered, &shown_.sunken, &shown_.disabled, &shown_.inputBackground})
      *picture = PictureAtSize(*picture, ToScreen(picture->width), ToScreen(picture->height));
    for (SkinTextStyle* style : {&shown_.raisedText, &shown_.hoveredText, &shown_.sunkenText, &shown_.disabledText}) {
      style->glowRadius = ToScreen(style->glowRadius);
      style->offsetX = ToScreen(style->offsetX);
      style->offsetY = ToScreen(style->offsetY);
    }
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  std::wstring Caption() const override { return WindowText(hwnd); }
  void SetCaption(const std::wstring& caption) override { SetWindowTextW(hwnd, caption.c_str()); }
  std::wstring Hint() const override { return hint_; }
  void SetHint(const std::wstring& hint) override {
    hint_ = hint;
    UpdateTooltip();
  }
  bool ShowHint() const override { return showHint_; }
  void SetShowHint(bool show) override {
    showHint_ = show;
    UpdateTooltip();
  }
  bool EnterClicks() const override { return enterClicks_; }
  void SetEnterClicks(bool on) override { enterClicks_ = on; }
  SkinButtonState State() const override {
    if (!IsWindowEnabled(hwnd)) return SkinButtonState::Disabled;
    if ((pressed_ && hovered_) || spaceDown_) return SkinButtonState::Sunken;
    return hovered_ ? SkinButtonState::Hovered : SkinButtonState::Raised;
  }
  void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }

  bool OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

 private:
  void Click() {
    if (IsWindowEnabled(hwnd) && IsWindowVisible(hwnd) && onClick_) onClick_();
  }
  void Redraw() { InvalidateRect(hwnd, nullptr, FALSE); }
  bool Inside(LPARAM lParam) const {
    RECT rect;
    GetClientRect(hwnd, &rect);
    POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    return PtInRect(&rect, point) != FALSE;
  }
  // The face and caption style of a state as drawn: at the screen's size.
  const RgbaImage& Face(SkinButtonState state) const {
    const RgbaImage* face = &shown_.raised;
    if (state == SkinButtonState::Hovered) face = &shown_.hovered;
    if (state == SkinButtonState::Sunken) face = &shown_.sunken;
    if (state == SkinButtonState::Disabled) face = &shown_.disabled;
    return face->Empty() ? shown_.raised : *face;
  }
  const SkinTextStyle& Style(SkinButtonState state) const {
    if (state == SkinButtonState::Hovered) return shown_.hoveredText;
    if (state == SkinButtonState::Sunken) return shown_.sunkenText;
    if (state == SkinButtonState::Disabled) return shown_.disabledText;
    return shown_.raisedText;
  }
  void Paint(HDC dc);
  void UpdateTooltip();

  SkinButtonLook look_;
  SkinButtonLook shown_;  // look_ scaled for the screen: pictures, glow radius and offsets
  std::wstring hint_;
  bool showHint_ = false;
  bool enterClicks_ = true;
  bool hovered_ = false;
  bool tracking_ = false;
  bool pressed_ = false;
  bool spaceDown_ = false;
  HWND tooltip_ = nullptr;
  std::function<void()> onClick_;
};

// The answer to WM_GETOBJECT for the button's client area (see below).
LRESULT AccessibleObjectFor(HWND window, WPARAM wParam);

void DrawCaption(HDC dc, const std::wstring& caption, const Font& font, Color color, RECT rect) {
  win32::ScopedSelection fontSelected = win32::SelectInto(dc, FontFor(font));
  SetTextColor(dc, ToColorRef(color));
  SetBkMode(dc, TRANSPARENT);
  DrawTextW(dc, caption.c_str(), -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

void Win32SkinButton::Paint(HDC dc) {
  RECT client;
  GetClientRect(hwnd, &client);
  const int width = client.right, height = client.bottom;
  Canvas canvas(width, height);
  canvas.Fill(parent.background);
  const RgbaImage& background = shown_.inputBackground;
  if (!background.Empty()) canvas.Blend(background, (width - background.width) / 2, (height - background.height) / 2);
  const SkinButtonState state = State();
  canvas.Blend(Face(state), 0, 0);

  const std::wstring caption = Caption();
  const SkinTextStyle& style = Style(state);
  if (!caption.empty()) {
    RECT rect{style.offsetX, style.offsetY, width + style.offsetX, height + style.offsetY};
    if (style.glowOpacity > 0) {
      // The glow: the caption drawn white on black gives its coverage, grown and blurred into
      // a halo laid under the caption in the caption's colour.
      Canvas mask(width, height);
      mask.Fill(kBlack);
      DrawCaption(mask.Dc(), caption, style.font, kWhite, rect);
      canvas.BlendCoverage(HaloOf(mask.Coverage(), width, height, style.glowRadius), style.font.color,
                           style.glowOpacity);
    }
    DrawCaption(canvas.Dc(), caption, style.font, style.font.color, rect);
  }
  const LRESULT cues = SendMessageW(hwnd, WM_QUERYUISTATE, 0, 0);
  if (GetFocus() == hwnd && !(cues & UISF_HIDEFOCUS)) {
    RECT focus = client;
    InflateRect(&focus, -ToScreen(3), -ToScreen(3));
    SetTextColor(canvas.Dc(), RGB(0, 0, 0));
    SetBkColor(canvas.Dc(), RGB(255, 255, 255));
    DrawFocusRect(canvas.Dc(), &focus);
  }
  canvas.CopyTo(dc, 0, 0);
}

void Win32SkinButton::UpdateTooltip() {
  const bool active = showHint_ && !hint_.empty();
  if (!tooltip_ && !active) return;
  if (!tooltip_) {
    tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX,
                               CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form.Window(), nullptr,
                               GetModuleHandleW(nullptr), nullptr);
    if (!tooltip_) {
      NoteWidgetError(GetLastError());
      return;
    }
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form.Window();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  } else {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.hwnd = form.Window();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = const_cast<wchar_t*>(hint_.c_str());
    SendMessageW(tooltip_, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageW(tooltip_, TTM_ACTIVATE, active ? TRUE : FALSE, 0);
}

bool Win32SkinButton::OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  switch (message) {
    case WM_GETDLGCODE: {
      // A push button for the dialog keys (mnemonics come as BM_CLICK); Enter is handled here.
      result = DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
      const MSG* queued = reinterpret_cast<const MSG*>(lParam);
      if (enterClicks_ && queued && queued->message == WM_KEYDOWN && queued->wParam == VK_RETURN)
        result |= DLGC_WANTMESSAGE;
      return true;
    }
    case WM_ERASEBKGND:
      result = 1;
      return true;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      Paint(dc);
      EndPaint(hwnd, &paint);
      return true;
    }
    case WM_PRINTCLIENT:
      Paint(reinterpret_cast<HDC>(wParam));
      return true;
    case WM_MOUSEMOVE: {
      const bool inside = Inside(lParam);
      if (!tracking_) {
        TRACKMOUSEEVENT track{sizeof track, TME_LEAVE, hwnd, 0};
        tracking_ = TrackMouseEvent(&track) != FALSE;
      }
      if (inside != hovered_) {
        hovered_ = inside;
        Redraw();
      }
      return true;
    }
    case WM_MOUSELEAVE:
      tracking_ = false;
      if (hovered_ && !pressed_) {
        hovered_ = false;
        Redraw();
      }
      return true;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      ::SetFocus(hwnd);
      SetCapture(hwnd);
      pressed_ = true;
      hovered_ = true;
      Redraw();
      return true;
    case WM_LBUTTONUP:
      if (pressed_) {
        const bool inside = Inside(lParam);
        pressed_ = false;
        hovered_ = inside;
        ReleaseCapture();
        Redraw();
        if (inside) Click();
      }
      return true;
    case WM_CAPTURECHANGED:
      if (pressed_) {
        pressed_ = false;
        Redraw();
      }
      return true;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !(lParam & 0x40000000)) {
        spaceDown_ = true;
        Redraw();
      } else if (wParam == VK_RETURN && enterClicks_) {
        Click();
      }
      return true;
    case WM_KEYUP:
      if (wParam == VK_SPACE && spaceDown_) {
        spaceDown_ = false;
        Redraw();
        Click();
      }
      return true;
    case BM_CLICK:
      Click();
      return true;
    case WM_GETOBJECT:
      if (static_cast<DWORD>(lParam) != static_cast<DWORD>(OBJID_CLIENT)) return false;
      result = AccessibleObjectFor(hwnd, wParam);
      return true;
    case WM_KILLFOCUS:
      spaceDown_ = false;
      Redraw();
      return true;
    case WM_SETFOCUS:
    case WM_ENABLE:
      if (message == WM_ENABLE && !wParam) pressed_ = hovered_ = spaceDown_ = false;
      Redraw();
      return true;
    case WM_SETTEXT:
    case WM_UPDATEUISTATE:
      result = DefWindowProcW(hwnd, message, wParam, lParam);
      Redraw();
      return true;
    default:
      return false;
  }
}

// MinGW's oleacc import library links IID_IAccessible to a function thunk, not to the IID:
// take the IID from the header instead.
const IID kAccessibleIid = __uuidof(IAccessible);

// The caption as read aloud: "&" marks the mnemonic and "&&" is a plain "&".
std::wstring WithoutMnemonic(const std::wstring& caption) {
  std::wstring text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == L'&' && ++i == caption.size()) break;
    text += caption[i];
  }
  return text;
}

// The mnemonic letter of a caption ("&Next": N), 0 for none.
wchar_t MnemonicOf(const std::wstring& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != L'&') continue;
    if (caption[i + 1] != L'&') return static_cast<wchar_t>(std::towupper(caption[i + 1]));
    ++i;
  }
  return 0;
}

// The button on a window, nullptr once the control is gone (its window may outlive it briefly).
const Win32SkinButton* ButtonOf(HWND window) {
  Win32Node* node = NodeOfWindow(window);
  return node != nullptr && node->kind == ControlKind::SkinButton ? static_cast<Win32SkinButton*>(node) : nullptr;
}

// What a screen reader says for the button: its caption; for a button without one (a picture
// only), its hint, else its control name without the "btn" prefix ("btnRefresh": "Refresh").
std::wstring AccessibleName(const Win32SkinButton& button) {
  std::wstring text = WithoutMnemonic(button.Caption());
  if (text.empty()) text = button.Hint();
  if (text.empty()) text = button.name.rfind(L"btn", 0) == 0 ? button.name.substr(3) : button.name;
  return text;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

HRESULT ReturnText(const std::wstring& text, BSTR* out) {
  if (out == nullptr) return E_POINTER;
  *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *out != nullptr ? S_OK : E_OUTOFMEMORY;
}

class SkinButtonAccessible final : public IAccessible, public IOleWindow {
 public:
  SkinButtonAccessible(HWND window, IAccessible* standard) : hwnd_(window), standard_(standard) {}
  ~SkinButtonAccessible() { standard_->Release(); }

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kAccessibleIid) *out = static_cast<IAccessible*>(this);
    else if (iid == IID_IOleWindow) *out = static_cast<IOleWindow*>(this);
    else return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  // IOleWindow: WindowFromAccessibleObject finds the button's window through it.
  STDMETHODIMP GetWindow(HWND* out) override {
    if (out == nullptr) return E_POINTER;
    *out = hwnd_;
    return S_OK;
  }
  STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IDispatch: clients call the IAccessible methods directly.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }

  // IAccessible: the button's own answers.
  STDMETHODIMP get_accName(VARIANT child, BSTR* out) override {
    if (!IsSelf(child)) return standard_->get_accName(child, out);
    const Win32SkinButton* button = ButtonOf(hwnd_);
    return button != nullptr ? ReturnText(AccessibleName(*button), out) : E_FAIL;
  }
  STDMETHODIMP get_accRole(VARIANT child, VARIANT* out) override {
    if (!IsSelf(child)) return standard_->get_accRole(child, out);
    if (out == nullptr) return E_POINTER;
    out->vt = VT_I4;
    out->lVal = ROLE_SYSTEM_PUSHBUTTON;
    return S_OK;
  }
  STDMETHODIMP get_accState(VARIANT child, VARIANT* out) override {
    if (!IsSelf(child)) return standard_->get_accState(child, out);
    const Win32SkinButton* button = ButtonOf(hwnd_);
    if (out == nullptr) return E_POINTER;
    if (button == nullptr) return E_FAIL;
    // No form has a default button (Enter belongs to the focused control), so the default
    // state never applies.
    LONG state = 0;
    if (!IsWindowVisible(hwnd_)) state |= STATE_SYSTEM_INVISIBLE;
    if (!IsWindowEnabled(hwnd_)) state |= STATE_SYSTEM_UNAVAILABLE;
    else state |= STATE_SYSTEM_FOCUSABLE;
    if (GetFocus() == hwnd_) state |= STATE_SYSTEM_FOCUSED;
    if (button->State() == SkinButtonState::Sunken) state |= STATE_SYSTEM_PRESSED;
    if (button->State() == SkinButtonState::Hovered) state |= STATE_SYSTEM_HOTTRACKED;
    out->vt = VT_I4;
    out->lVal = state;
    return S_OK;
  }
  STDMETHODIMP get_accKeyboardShortcut(VARIANT child, BSTR* out) override {
    if (!IsSelf(child)) return standard_->get_accKeyboardShortcut(child, out);
    const Win32SkinButton* button = ButtonOf(hwnd_);
    const wchar_t letter = button != nullptr ? MnemonicOf(button->Caption()) : 0;
    if (letter == 0) {
      if (out != nullptr) *out = nullptr;
      return S_FALSE;
    }
    return ReturnText(std::wstring(L"Alt+") + letter, out);
  }
  STDMETHODIMP get_accDefaultAction(VARIANT child, BSTR* out) override {
    if (!IsSelf(child)) return standard_->get_accDefaultAction(child, out);
    return ReturnText(L"Press", out);
  }
  STDMETHODIMP accDoDefaultAction(VARIANT child) override {
    if (!IsSelf(child)) return standard_->accDoDefaultAction(child);
    // Posted, as the standard button does: the click may open a modal window, and the caller
    // must not wait for it to close.
    return PostMessageW(hwnd_, BM_CLICK, 0, 0) ? S_OK : HRESULT_FROM_WIN32(GetLastError());
  }

  // IAccessible: the rest is the standard object's.
  STDMETHODIMP get_accParent(IDispatch** out) override { return standard_->get_accParent(out); }
  STDMETHODIMP get_accChildCount(LONG* out) override { return standard_->get_accChildCount(out); }
  STDMETHODIMP get_accChild(VARIANT child, IDispatch** out) override { return standard_->get_accChild(child, out); }
  STDMETHODIMP get_accValue(VARIANT child, BSTR* out) override { return standard_->get_accValue(child, out); }
  STDMETHODIMP get_accDescription(VARIANT child, BSTR* out) override {
    return standard_->get_accDescription(child, out);
  }
  STDMETHODIMP get_accHelp(VARIANT child, BSTR* out) override { return standard_->get_accHelp(child, out); }
  STDMETHODIMP get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override {
    return standard_->get_accHelpTopic(file, child, topic);
  }
  STDMETHODIMP get_accFocus(VARIANT* out) override { return standard_->get_accFocus(out); }
  STDMETHODIMP get_accSelection(VARIANT* out) override { return standard_->get_accSelection(out); }
  STDMETHODIMP accSelect(LONG flags, VARIANT child) override { return standard_->accSelect(flags, child); }
  STDMETHODIMP accLocation(LONG* left, LONG* top, LONG* width, LONG* height, VARIANT child) override {
    return standard_->accLocation(left, top, width, height, child);
  }
  STDMETHODIMP accNavigate(LONG direction, VARIANT start, VARIANT* out) override {
    return standard_->accNavigate(direction, start, out);
  }
  STDMETHODIMP accHitTest(LONG x, LONG y, VARIANT* out) override { return standard_->accHitTest(x, y, out); }
  STDMETHODIMP put_accName(VARIANT, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP put_accValue(VARIANT, BSTR) override { return E_NOTIMPL; }

 private:
  const HWND hwnd_;
  IAccessible* const standard_;
  std::atomic<ULONG> references_{1};
};

// The button's accessible object, marshalled for the asking process; 0 (the system's default
// answer) when it can't be made.
LRESULT AccessibleObjectFor(HWND window, WPARAM wParam) {
  // Marshalling needs COM on the window's thread; it stays on until the thread ends.
  static thread_local const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  (void)com;
  IAccessible* standard = nullptr;
  if (FAILED(CreateStdAccessibleObject(window, OBJID_CLIENT, kAccessibleIid, reinterpret_cast<void**>(&standard))))
    return 0;
  SkinButtonAccessible* accessible = new SkinButtonAccessible(window, standard);
  const LRESULT result = LresultFromObject(kAccessibleIid, wParam, static_cast<IAccessible*>(accessible));
  accessible->Release();
  return result < 0 ? 0 : result;
}

}  // namespace

std::unique_ptr<Win32Node> MakeSkinButton(ContainerCore& parent, const SkinButtonSpec& spec) {
  return std::make_unique<Win32SkinButton>(parent, spec);
}

}  // namespace platform::win32ui
