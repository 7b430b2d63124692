#include "platform/win32/widget_controls.h"

#include <commctrl.h>

#include <algorithm>

#include "platform/picture_scale.h"
#include "platform/win32/canvas.h"
#include "platform/win32/dpi_scale.h"
#include "platform/win32/scoped_handle.h"
#include "platform/win32/win32_form.h"

namespace platform::win32ui {

std::wstring WindowText(HWND window) {
  const int length = GetWindowTextLengthW(window);
  std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
  const int copied = GetWindowTextW(window, text.data(), length + 1);
  text.resize(static_cast<std::size_t>(std::max(0, copied)));
  return text;
}

namespace {

void SetFontOf(HWND window, const Font& font) {
  SendMessageW(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), TRUE);
}

// The height of one line of text in `font`.
int LineHeight(const Font& font) {
  win32::ScopedWindowDc dc = win32::GetWindowDc(nullptr);
  win32::ScopedSelection fontSelected = win32::SelectInto(dc.get(), FontFor(font));
  TEXTMETRICW metrics{};
  GetTextMetricsW(dc.get(), &metrics);
  return metrics.tmHeight;
}

// Read-only edits keep the window colour behind their text, as editable ones have.
HBRUSH EditColors(HDC dc, Color text) {
  SetTextColor(dc, ToColorRef(text));
  SetBkColor(dc, GetSysColor(COLOR_WINDOW));
  return GetSysColorBrush(COLOR_WINDOW);
}

class Win32Label : public Win32Control<Label> {
 public:
  Win32Label(ContainerCore& parent, const LabelSpec& spec)
      : Win32Control(parent, ControlKind::Label, spec.name), font_(spec.font.value_or(parent.font)),
        autoSize_(spec.autoSize), wordWrap_(spec.wordWrap) {
    textColor = font_.color;
    if (!CreateChild(L"Static", spec.text, WS_VISIBLE | (wordWrap_ ? SS_LEFT : SS_LEFTNOWORDWRAP), 0, spec.bounds))
      return;
    SetFontOf(hwnd, font_);
    FitText();
  }
  std::wstring Text() const override { return WindowText(hwnd); }
  void SetText(const std::wstring& text) override {
    SetWindowTextW(hwnd, text.c_str());
    FitText();
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  Font GetFont() const override { return font_; }
  void SetFont(const Font& font) override {
    font_ = font;
    textColor = font.color;
    SetFontOf(hwnd, font_);
    FitText();
  }
  bool WordWrap() const override { return wordWrap_; }
  bool AutoSize() const override { return autoSize_; }

 private:
  // An auto-sized label takes the size of its text: the wrapped height at its width, or the
  // text's own width and height.
  void FitText() {
    if (!autoSize_) return;
    Bounds bounds = ScreenBounds();
    std::wstring text = Text();
    RECT rect{0, 0, wordWrap_ ? bounds.width : 0, 0};
    {
      win32::ScopedWindowDc dc = win32::GetWindowDc(hwnd);
      win32::ScopedSelection fontSelected = win32::SelectInto(dc.get(), FontFor(font_));
      DrawTextW(dc.get(), text.empty() ? L" " : text.c_str(), -1, &rect,
                DT_CALCRECT | (wordWrap_ ? DT_WORDBREAK : 0));
    }
    if (!wordWrap_) bounds.width = rect.right;
    bounds.height = rect.bottom;
    SetScreenBounds(bounds);
  }

  Font font_;
  bool autoSize_;
  bool wordWrap_;
};

// The open list's height below the box.
constexpr int kDropHeight = 200;

class Win32DropDownList : public Win32Control<DropDownList> {
 public:
  Win32DropDownList(ContainerCore& parent, const DropDownListSpec& spec)
      : Win32Control(parent, ControlKind::DropDownList, spec.name) {
    Bounds bounds = spec.bounds;
    bounds.height = std::max(bounds.height, 21) + kDropHeight;
    if (!CreateChild(L"ComboBox", L"", WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, bounds)) return;
    SetFontOf(hwnd, spec.font.value_or(parent.font));
  }
  void SetBounds(const Bounds& bounds) override {
    SetScreenBounds(ToScreen(Bounds{bounds.left, bounds.top, bounds.width, bounds.height + kDropHeight}));
  }
  int InsertItem(int index, const std::wstring& text, std::intptr_t data) override {
    if (index < 0 || index > ItemCount()) index = -1;
    LRESULT at = SendMessageW(hwnd, CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.c_str()));
    if (at < 0) return -1;
    SendMessageW(hwnd, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(data));
    return static_cast<int>(at);
  }
  void ClearItems() override { SendMessageW(hwnd, CB_RESETCONTENT, 0, 0); }
  int ItemCount() const override { return static_cast<int>(SendMessageW(hwnd, CB_GETCOUNT, 0, 0)); }
  std::wstring ItemText(int index) const override {
    LRESULT length = SendMessageW(hwnd, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (index < 0 || length < 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(hwnd, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    return text;
  }
  std::intptr_t ItemData(int index) const override {
    if (index < 0 || index >= ItemCount()) return 0;
    return static_cast<std::intptr_t>(SendMessageW(hwnd, CB_GETITEMDATA, static_cast<WPARAM>(index), 0));
  }
  std::vector<std::wstring> Items() const override {
    std::vector<std::wstring> items;
    for (int i = 0; i < ItemCount(); ++i) items.push_back(ItemText(i));
    return items;
  }
  int SelectedIndex() const override { return static_cast<int>(SendMessageW(hwnd, CB_GETCURSEL, 0, 0)); }
  void SetSelectedIndex(int index) override {
    SendMessageW(hwnd, CB_SETCURSEL, static_cast<WPARAM>(index >= 0 && index < ItemCount() ? index : -1), 0);
  }
  std::wstring Text() const override { return ItemText(SelectedIndex()); }
  void SetOnChange(std::function<void()> handler) override { onChange_ = std::move(handler); }
  void OnCommand(WORD code) override {
    if (code == CBN_SELCHANGE && onChange_) onChange_();
  }
  HBRUSH OnColor(HDC) override { return nullptr; }

 private:
  std::function<void()> onChange_;
};

class Win32Edit : public Win32Control<Edit> {
 public:
  Win32Edit(ContainerCore& parent, const EditSpec& spec) : Win32Control(parent, ControlKind::Edit, spec.name) {
    Font font = spec.font.value_or(parent.font);
    textColor = font.color;
    Bounds bounds = spec.bounds;
    if (bounds.height == 0) bounds.height = FromScreen(LineHeight(font)) + 8;
    DWORD style = WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | (spec.readOnly ? ES_READONLY : 0);
    if (!CreateChild(L"Edit", L"", style, WS_EX_CLIENTEDGE, bounds)) return;
    SetFontOf(hwnd, font);
  }
  std::wstring Text() const override { return WindowText(hwnd); }
  void SetText(const std::wstring& text) override { SetWindowTextW(hwnd, text.c_str()); }
  bool ReadOnly() const override { return (GetWindowLongW(hwnd, GWL_STYLE) & ES_READONLY) != 0; }
  void SetReadOnly(bool readOnly) override { SendMessageW(hwnd, EM_SETREADONLY, readOnly ? TRUE : FALSE, 0); }
  HBRUSH OnColor(HDC dc) override { return EditColors(dc, textColor); }
};

class Win32Memo : public Win32Control<Memo> {
 public:
  Win32Memo(ContainerCore& parent, const MemoSpec& spec) : Win32Control(parent, ControlKind::Memo, spec.name) {
    Font font = spec.font.value_or(parent.font);
    textColor = font.color;
    DWORD style = WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;
    if (!CreateChild(L"Edit", L"", style, WS_EX_CLIENTEDGE, spec.bounds)) return;
    SetFontOf(hwnd, font);
    SendMessageW(hwnd, EM_SETLIMITTEXT, 0, 0);  // agreement texts are longer than the default 32K
  }
  void AppendLine(const std::wstring& line) override {
    std::wstring piece = (lines_ > 0 ? L"\r\n" : L"") + line;
    const int end = GetWindowTextLengthW(hwnd);
    SendMessageW(hwnd, EM_SETSEL, static_cast<WPARAM>(end), static_cast<LPARAM>(end));
    SendMessageW(hwnd, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(piece.c_str()));
    SendMessageW(hwnd, EM_SETSEL, 0, 0);
    SendMessageW(hwnd, EM_SCROLLCARET, 0, 0);
    ++lines_;
  }
  void Clear() override {
    SetWindowTextW(hwnd, L"");
    lines_ = 0;
  }
  std::vector<std::wstring> Lines() const override {
    std::vector<std::wstring> lines;
    if (lines_ == 0) return lines;
    std::wstring text = Text();
    std::size_t start = 0;
    for (;;) {
      std::size_t end = text.find(L"\r\n", start);
      lines.push_back(text.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
      if (end == std::wstring::npos) break;
      start = end + 2;
    }
    return lines;
  }
  std::wstring Text() const override { return WindowText(hwnd); }
  HBRUSH OnColor(HDC dc) override { return EditColors(dc, textColor); }

 private:
  int lines_ = 0;
};

class Win32CheckBox : public Win32Control<CheckBox> {
 public:
  Win32CheckBox(ContainerCore& parent, const CheckBoxSpec& spec)
      : Win32Control(parent, ControlKind::CheckBox, spec.name) {
    Font font = spec.font.value_or(parent.font);
    textColor = font.color;
    if (!CreateChild(L"Button", spec.caption, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, spec.bounds)) return;
    SetFontOf(hwnd, font);
    if (spec.checked) SendMessageW(hwnd, BM_SETCHECK, BST_CHECKED, 0);
  }
  std::wstring Caption() const override { return WindowText(hwnd); }
  void SetCaption(const std::wstring& caption) override { SetWindowTextW(hwnd, caption.c_str()); }
  bool Checked() const override { return SendMessageW(hwnd, BM_GETCHECK, 0, 0) == BST_CHECKED; }
  void SetChecked(bool checked) override {
    if (checked == Checked()) return;
    SendMessageW(hwnd, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
    if (onClick_) onClick_();
  }
  void SetOnClick(std::function<void()> handler) override { onClick_ = std::move(handler); }
  void OnCommand(WORD code) override {
    if (code == BN_CLICKED && onClick_) onClick_();
  }

 private:
  std::function<void()> onClick_;
};

class Win32ProgressBar : public Win32Control<ProgressBar> {
 public:
  Win32ProgressBar(ContainerCore& parent, const ProgressBarSpec& spec)
      : Win32Control(parent, ControlKind::ProgressBar, spec.name) {
    if (!CreateChild(PROGRESS_CLASSW, L"", WS_VISIBLE, 0, spec.bounds)) return;
    SetRange(spec.minimum, spec.maximum);
  }
  int Minimum() const override { return static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, TRUE, 0)); }
  int Maximum() const override { return static_cast<int>(SendMessageW(hwnd, PBM_GETRANGE, FALSE, 0)); }
  void SetRange(int minimum, int maximum) override {
    SendMessageW(hwnd, PBM_SETRANGE32, static_cast<WPARAM>(minimum), static_cast<LPARAM>(std::max(minimum, maximum)));
  }
  int Position() const override { return static_cast<int>(SendMessageW(hwnd, PBM_GETPOS, 0, 0)); }
  void SetPosition(int position) override {
    SendMessageW(hwnd, PBM_SETPOS, static_cast<WPARAM>(std::clamp(position, Minimum(), Maximum())), 0);
  }
};

class Win32Panel : public Win32Control<Panel> {
 public:
  Win32Panel(ContainerCore& parent, const PanelSpec& spec)
      : Win32Control(parent, ControlKind::Panel, spec.name),
        core_(parent.form, this, spec.font.value_or(parent.font), spec.background.value_or(parent.background)),
        bevel_(spec.bevel) {
    CreateChild(kPanelClass, L"", WS_VISIBLE | WS_CLIPCHILDREN, WS_EX_CONTROLPARENT, spec.bounds);
  }
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
  Form& ContainerForm() override { return form; }
  Color BackgroundColor() const override { return core_.background; }

  bool OnOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override {
    if (RouteChildMessage(message, wParam, lParam, result)) return true;
    if (message == WM_ERASEBKGND) {
      RECT rect;
      GetClientRect(hwnd, &rect);
      FillRect(reinterpret_cast<HDC>(wParam), &rect, BrushFor(core_.background));
      result = 1;
      return true;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      if (bevel_ != PanelBevel::None) {
        RECT rect;
        GetClientRect(hwnd, &rect);
        DrawEdge(dc, &rect, bevel_ == PanelBevel::Raised ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
      }
      EndPaint(hwnd, &paint);
      return true;
    }
    return false;
  }

 private:
  ContainerCore core_;
  PanelBevel bevel_;
};

// Image and rule draw themselves entirely in WM_PAINT (and WM_PRINTCLIENT, for tests).
template <class Interface>
class Win32Painted : public Win32Control<Interface> {
 public:
  using Win32Control<Interface>::Win32Control;
  virtual void Paint(HDC dc) = 0;
  bool OnOwnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result) override {
    if (message == WM_ERASEBKGND) {
      result = 1;
      return true;
    }
    if (message == WM_PRINTCLIENT) {
      Paint(reinterpret_cast<HDC>(wParam));
      return true;
    }
    if (message == WM_PAINT) {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(this->hwnd, &paint);
      Paint(dc);
      EndPaint(this->hwnd, &paint);
      return true;
    }
    return false;
  }
};

class Win32Image : public Win32Painted<Image> {
 public:
  Win32Image(ContainerCore& parent, const ImageSpec& spec)
      : Win32Painted(parent, ControlKind::Image, spec.name) {
    Bounds bounds = spec.bounds;
    if (bounds.width == 0) bounds.width = spec.image.width;
    if (bounds.height == 0) bounds.height = spec.image.height;
    CreateChild(kImageClass, L"", WS_VISIBLE, 0, bounds);
    SetPicture(spec.image);
  }
  const RgbaImage& Picture() const override { return picture_; }
  void SetPicture(const RgbaImage& image) override {
    picture_ = image;
    shown_ = PictureAtSize(picture_, ToScreen(picture_.width), ToScreen(picture_.height));
    InvalidateRect(hwnd, nullptr, FALSE);
  }
  void Paint(HDC dc) override {
    RECT rect;
    GetClientRect(hwnd, &rect);
    Canvas canvas(rect.right, rect.bottom);
    canvas.Fill(parent.background);
    canvas.Blend(shown_, 0, 0);
    canvas.CopyTo(dc, 0, 0);
  }

 private:
  RgbaImage picture_;
  RgbaImage shown_;  // the picture at the screen's size
};

class Win32Rule : public Win32Painted<Rule> {
 public:
  Win32Rule(ContainerCore& parent, const RuleSpec& spec)
      : Win32Painted(parent, ControlKind::Rule, spec.name), color_(spec.color) {
    CreateChild(kRuleClass, L"", WS_VISIBLE, 0, spec.bounds);
  }
  Color GetColor() const override { return color_; }
  void Paint(HDC dc) override {
    RECT rect;
    GetClientRect(hwnd, &rect);
    FillRect(dc, &rect, BrushFor(color_));
  }

 private:
  Color color_;
};

}  // namespace

std::unique_ptr<Win32Node> MakeLabel(ContainerCore& parent, const LabelSpec& spec) {
  return std::make_unique<Win32Label>(parent, spec);
}
std::unique_ptr<Win32Node> MakeDropDownList(ContainerCore& parent, const DropDownListSpec& spec) {
  return std::make_unique<Win32DropDownList>(parent, spec);
}
std::unique_ptr<Win32Node> MakeEdit(ContainerCore& parent, const EditSpec& spec) {
  return std::make_unique<Win32Edit>(parent, spec);
}
std::unique_ptr<Win32Node> MakeMemo(ContainerCore& parent, const MemoSpec& spec) {
  return std::make_unique<Win32Memo>(parent, spec);
}
std::unique_ptr<Win32Node> MakeCheckBox(ContainerCore& parent, const CheckBoxSpec& spec) {
  return std::make_unique<Win32CheckBox>(parent, spec);
}
std::unique_ptr<Win32Node> MakeProgressBar(ContainerCore& parent, const ProgressBarSpec& spec) {
  return std::make_unique<Win32ProgressBar>(parent, spec);
}
std::unique_ptr<Win32Node> MakePanel(ContainerCore& parent, const PanelSpec& spec) {
  return std::make_unique<Win32Panel>(parent, spec);
}
std::unique_ptr<Win32Node> MakeImage(ContainerCore& parent, const ImageSpec& spec) {
  return std::make_unique<Win32Image>(parent, spec);
}
std::unique_ptr<Win32Node> MakeRule(ContainerCore& parent, const RuleSpec& spec) {
  return std::make_unique<Win32Rule>(parent, spec);
}

Win32Timer::Win32Timer(HWND form, UINT_PTR id, const TimerSpec& spec)
    : form_(form), id_(id), name_(spec.name), interval_(spec.intervalMs), enabled_(spec.enabled) {
  Apply();
}

Win32Timer::~Win32Timer() { KillTimer(form_, id_); }

void Win32Timer::SetInterval(std::uint32_t intervalMs) {
  interval_ = intervalMs;
  Apply();
}

void Win32Timer::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Apply();
}

// SetTimer again restarts the count with the new interval.
void Win32Timer::Apply() {
  if (enabled_ && interval_ > 0) {
    SetTimer(form_, id_, interval_, nullptr);
  } else {
    KillTimer(form_, id_);
  }
}

}  // namespace platform::win32ui
