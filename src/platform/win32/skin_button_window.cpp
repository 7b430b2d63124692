#include "platform/win32/skin_button_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include "platform/win32/canvas.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/widget_controls.h"
#include "platform/win32/win32_form.h"

// The skinned button draws everything itself: see platform/skin_button.h for the layers and the
// states. Input follows a push button's rules: the mouse is captured while pressed and a click
// is a release over the button; Space clicks on release, Enter at once; BM_CLICK (sent by the
// dialog keys for Alt + mnemonic, and by automation) clicks like the mouse does.

namespace platform::win32ui {

namespace {

constexpr Color kBlack{0, 0, 0};
constexpr Color kWhite{255, 255, 255};

class Win32SkinButton : public Win32Control<SkinButton> {
 public:
  Win32SkinButton(ContainerCore& parent, const SkinButtonSpec& spec)
      : Win32Control(parent, ControlKind::SkinButton, spec.name), look_(spec.look) {
    CreateChild(kSkinButtonClass, spec.caption, WS_TABSTOP | (spec.visible ? WS_VISIBLE : 0), 0, spec.bounds);
  }

  const SkinButtonLook& Look() const override { return look_; }
  void SetLook(const SkinButtonLook& look) override {
    look_ = look;
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
  const RgbaImage& Face(SkinButtonState state) const {
    const RgbaImage* face = &look_.raised;
    if (state == SkinButtonState::Hovered) face = &look_.hovered;
    if (state == SkinButtonState::Sunken) face = &look_.sunken;
    if (state == SkinButtonState::Disabled) face = &look_.disabled;
    return face->Empty() ? look_.raised : *face;
  }
  const SkinTextStyle& Style(SkinButtonState state) const {
    if (state == SkinButtonState::Hovered) return look_.hoveredText;
    if (state == SkinButtonState::Sunken) return look_.sunkenText;
    if (state == SkinButtonState::Disabled) return look_.disabledText;
    return look_.raisedText;
  }
  void Paint(HDC dc);
  void UpdateTooltip();

  SkinButtonLook look_;
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
  const RgbaImage& background = look_.inputBackground;
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
    InflateRect(&focus, -3, -3);
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

}  // namespace

std::unique_ptr<Win32Node> MakeSkinButton(ContainerCore& parent, const SkinButtonSpec& spec) {
  return std::make_unique<Win32SkinButton>(parent, spec);
}

}  // namespace platform::win32ui
