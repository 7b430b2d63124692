// The Win32 widget layer under Wine: real windows read back through Win32 (classes, texts,
// styles, sizes), the skinned button's clicks and drawing, the dialog keys and close rules.
#include <gtest/gtest.h>
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gs/gs_button.h"
#include "platform/messages.h"
#include "platform/widgets.h"
#include "ui/skin_button.h"

namespace {

using namespace platform;

HWND H(WindowHandle handle) { return reinterpret_cast<HWND>(handle); }
HWND H(const Control& control) { return H(control.Handle()); }

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

std::wstring TextOf(HWND window) {
  wchar_t text[256] = {};
  GetWindowTextW(window, text, 256);
  return text;
}

RgbaImage Solid(int width, int height, Color color, std::uint8_t alpha = 255) {
  RgbaImage image;
  image.width = width;
  image.height = height;
  for (int i = 0; i < width * height; ++i) {
    image.pixels.insert(image.pixels.end(), {color.red, color.green, color.blue, alpha});
  }
  return image;
}

// The colour a window draws at x, y, through WM_PRINTCLIENT into a memory bitmap.
COLORREF PixelOf(HWND window, int x, int y) {
  RECT rect;
  GetClientRect(window, &rect);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  COLORREF color = GetPixel(dc, x, y);
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return color;
}

FormSpec SampleSpec(const std::wstring& name) {
  FormSpec spec;
  spec.name = name;
  spec.caption = L"Qarvel Vexa Installer";
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  spec.font = Font{L"Tahoma", 8};
  return spec;
}

struct Faces {
  RgbaImage background = Solid(116, 43, Color{40, 60, 90});
  RgbaImage raised = Solid(96, 24, Color{20, 90, 160});
  RgbaImage hovered = Solid(96, 24, Color{30, 120, 200});
  RgbaImage sunken = Solid(96, 24, Color{10, 60, 120});
  RgbaImage disabled = Solid(96, 24, Color{150, 150, 150});
};

TEST(Win32Widgets, EveryControlKindIsARealWindowReadBackThroughWin32) {
  auto form = CreateForm(SampleSpec(L"dlgFirst"));
  ASSERT_TRUE(form) << LastWidgetError();
  HWND window = H(form->Handle());
  EXPECT_EQ(ClassOf(window), L"DraventaForm");
  EXPECT_EQ(TextOf(window), L"Qarvel Vexa Installer");
  const LONG exStyle = GetWindowLongW(window, GWL_EXSTYLE);
  EXPECT_TRUE(exStyle & WS_EX_TOOLWINDOW);
  EXPECT_FALSE(exStyle & WS_EX_APPWINDOW);
  RECT client;
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 712);
  EXPECT_EQ(client.bottom, 302);

  // One task-bar button: the forms are owned by the application window, which is not a tool
  // window and has no owner.
  HWND application = H(ApplicationWindow());
  ASSERT_NE(application, nullptr);
  EXPECT_EQ(GetWindow(window, GW_OWNER), application);
  EXPECT_EQ(GetWindow(application, GW_OWNER), nullptr);
  EXPECT_FALSE(GetWindowLongW(application, GWL_EXSTYLE) & WS_EX_TOOLWINDOW);

  Label* note = form->AddLabel({L"lblNote", {193, 208, 472, 55}, L"A note", Font{L"Tahoma", 10}, false, true});
  DropDownList* modes = form->AddDropDownList({L"cmbMode", {193, 128, 417, 21}});
  Edit* path = form->AddEdit({L"EdtISOPathdst", {32, 113, 360, 0}});
  Memo* memo = form->AddMemo({L"EULAMemo", {192, 93, 497, 146}});
  CheckBox* agree = form->AddCheckBox({L"CheckBox1", {400, 245, 97, 17}, L"I agree"});
  ProgressBar* bar = form->AddProgressBar({L"pbDism", {16, 94, 441, 17}});
  Panel* page = form->AddPanel({L"panSelectUsb", {180, 0, 525, 205}, PanelBevel::Raised});
  Label* title = page->AddLabel({L"Label5", {155, 20, 0, 0}, L"Title", Font{L"Microsoft Sans Serif", 12, true}});
  Image* banner = form->AddImage({L"Image1", {-2, 0, 0, 0}, Solid(173, 303, Color{0, 80, 0})});
  Rule* rule = page->AddRule({L"rule", {16, 54, 473, 1}, Color{160, 160, 160}});
  ASSERT_TRUE(note && modes && path && memo && agree && bar && page && title && banner && rule);

  EXPECT_EQ(ClassOf(H(*note)), L"Static");
  EXPECT_EQ(TextOf(H(*note)), L"A note");
  EXPECT_EQ(ClassOf(H(*modes)), L"ComboBox");
  EXPECT_EQ(ClassOf(H(*path)), L"Edit");
  EXPECT_TRUE(GetWindowLongW(H(*path), GWL_STYLE) & ES_READONLY);
  const LONG memoStyle = GetWindowLongW(H(*memo), GWL_STYLE);
  EXPECT_TRUE((memoStyle & (ES_MULTILINE | ES_READONLY | WS_VSCROLL)) == (ES_MULTILINE | ES_READONLY | WS_VSCROLL));
  EXPECT_EQ(ClassOf(H(*agree)), L"Button");
  EXPECT_EQ(TextOf(H(*agree)), L"I agree");
  EXPECT_EQ(ClassOf(H(*bar)), L"msctls_progress32");
  EXPECT_EQ(ClassOf(H(*page)), L"DraventaPanel");
  EXPECT_EQ(GetParent(H(*title)), H(*page));
  EXPECT_EQ(ClassOf(H(*banner)), L"DraventaImage");
  EXPECT_EQ(banner->GetBounds(), (Bounds{-2, 0, 173, 303}));
  EXPECT_EQ(note->GetBounds(), (Bounds{193, 208, 472, 55}));
  EXPECT_EQ(path->GetBounds().height, 21) << "an edit of Tahoma 8 pt is 21 pixels high at 96 DPI";

  // Fonts by name and point size, at the screen's DPI.
  LOGFONTW font{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(H(*title), WM_GETFONT, 0, 0)), sizeof font, &font);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(font.lfHeight, -MulDiv(12, GetDeviceCaps(screen, LOGPIXELSY), 72));
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(std::wstring(font.lfFaceName), L"Microsoft Sans Serif");
  EXPECT_EQ(font.lfWeight, FW_BOLD);
  EXPECT_EQ(title->GetBounds().left, 155);
  EXPECT_GT(title->GetBounds().width, 10) << "an auto-sized label takes its text's width";

  modes->AddItem(L"to USB", 7);
  modes->AddItem(L"to ISO", 8);
  modes->SetSelectedIndex(1);
  EXPECT_EQ(SendMessageW(H(*modes), CB_GETCOUNT, 0, 0), 2);
  EXPECT_EQ(SendMessageW(H(*modes), CB_GETCURSEL, 0, 0), 1);
  EXPECT_EQ(modes->Text(), L"to ISO");
  EXPECT_EQ(modes->ItemData(0), 7);
  EXPECT_EQ(modes->GetBounds().height < 40, true) << "the closed box's height, not the list's";

  memo->AppendLine(L"first");
  memo->AppendLine(L"");
  memo->AppendLine(L"third");
  EXPECT_EQ(TextOf(H(*memo)), L"first\r\n\r\nthird");
  EXPECT_EQ(memo->Lines().size(), 3u);
  bar->SetPosition(42);
  EXPECT_EQ(SendMessageW(H(*bar), PBM_GETPOS, 0, 0), 42);

  int clicks = 0;
  agree->SetOnClick([&] { ++clicks; });
  agree->SetChecked(true);
  EXPECT_EQ(SendMessageW(H(*agree), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(clicks, 1);
  SendMessageW(H(*agree), BM_CLICK, 0, 0);
  EXPECT_FALSE(agree->Checked());
  EXPECT_EQ(clicks, 2) << "the user's click reaches the handler";

  form->Show();
  EXPECT_TRUE(IsWindowVisible(window));
  EXPECT_TRUE(IsWindowVisible(application));
  page->SetVisible(false);
  EXPECT_TRUE(title->IsVisible());
  EXPECT_FALSE(IsWindowVisible(H(*title)));
  EXPECT_EQ(form->FindControl(L"Label5"), title);

  // Automation finds windows by the name they carry; the program's Tag stays with the control.
  auto nameOf = [](HWND at) {
    wchar_t text[64] = {};
    GlobalGetAtomNameW(static_cast<ATOM>(reinterpret_cast<UINT_PTR>(GetPropW(at, L"Draventa.Name"))), text, 64);
    return std::wstring(text);
  };
  EXPECT_EQ(nameOf(window), L"dlgFirst");
  EXPECT_EQ(nameOf(H(*modes)), L"cmbMode");
  modes->SetTag(1);
  EXPECT_EQ(modes->Tag(), 1);
}

TEST(Win32Widgets, TheSkinnedButtonClicksOnBmClickOnlyWhileEnabledAndDrawsTheStatesFace) {
  auto form = CreateForm(SampleSpec(L"dlgEULA"));
  ASSERT_TRUE(form);
  Faces faces;
  std::unique_ptr<gs::GsButton> next;
  ui::CreateSkinButton(*form, faces.background, next, 600, 271, faces.raised, faces.hovered, faces.sunken,
                       faces.disabled, L"&Next", L"Next", L"btnNext");
  HWND button = H(next->Control());
  EXPECT_EQ(ClassOf(button), L"DraventaSkinButton");
  EXPECT_EQ(TextOf(button), L"&Next");
  RECT rect;
  GetWindowRect(button, &rect);
  EXPECT_EQ(rect.right - rect.left, 96);
  EXPECT_EQ(rect.bottom - rect.top, 24);
  EXPECT_TRUE(GetWindowLongW(button, GWL_STYLE) & WS_TABSTOP);

  int clicks = 0;
  next->SetOnClick([&] { ++clicks; });
  form->Show();
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_EQ(PixelOf(button, 1, 1), RGB(20, 90, 160)) << "idle: the raised face";

  next->SetEnabled(false);
  SendMessageW(button, BM_CLICK, 0, 0);
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_EQ(clicks, 1) << "a disabled button ignores BM_CLICK and the mouse";
  EXPECT_EQ(PixelOf(button, 1, 1), RGB(150, 150, 150)) << "disabled: the disabled face";

  next->SetEnabled(true);
  // A press released outside the button is no click.
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(next->State(), SkinButtonState::Sunken);
  EXPECT_EQ(PixelOf(button, 1, 1), RGB(10, 60, 120)) << "pressed: the sunken face";
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(200, 10));
  EXPECT_EQ(clicks, 1);
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(20, 12));
  EXPECT_EQ(clicks, 2);

  next->SetVisible(false);
  SendMessageW(button, BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 2) << "a hidden button is not clicked";

  // A translucent face shows the input background through it.
  std::unique_ptr<gs::GsButton> ghost;
  ui::CreateSkinButton(*form, faces.background, ghost, 10, 10, Solid(96, 24, Color{255, 255, 255}, 0), faces.hovered,
                       faces.sunken, faces.disabled, std::nullopt, std::nullopt, L"btnGhost");
  EXPECT_EQ(PixelOf(H(ghost->Control()), 1, 1), RGB(40, 60, 90));
}

TEST(Win32Widgets, DialogKeysReachTheControlsOfTheActiveForm) {
  auto form = CreateForm(SampleSpec(L"MainForm"));
  ASSERT_TRUE(form);
  Faces faces;
  CheckBox* agree = form->AddCheckBox({L"CheckBox1", {400, 245, 97, 17}, L"I agree"});
  std::unique_ptr<gs::GsButton> back, next;
  ui::CreateSkinButton(*form, faces.background, back, 480, 271, faces.raised, faces.hovered, faces.sunken,
                       faces.disabled, L"&Back", L"Back", L"btnBack");
  ui::CreateSkinButton(*form, faces.background, next, 600, 271, faces.raised, faces.hovered, faces.sunken,
                       faces.disabled, L"&Next", L"Next", L"btnNext");
  int backs = 0, nexts = 0;
  back->SetOnClick([&] { ++backs; });
  next->SetOnClick([&] { ++nexts; });
  form->Show();
  PumpMessagesUntil([] { return false; }, 300);
  agree->SetFocus();
  ASSERT_EQ(form->FocusedControl(), agree);

  // Tab moves on in creation order.
  PostMessageW(H(*agree), WM_KEYDOWN, VK_TAB, 0);
  PumpMessagesUntil([&] { return back->Control().HasFocus(); }, 2000);
  EXPECT_EQ(form->FocusedControl(), &back->Control());

  // Enter presses the focused skinned button; Alt with the underlined letter presses another.
  PostMessageW(H(back->Control()), WM_KEYDOWN, VK_RETURN, 0);
  PumpMessagesUntil([&] { return backs == 1; }, 2000);
  EXPECT_EQ(backs, 1);
  PostMessageW(H(back->Control()), WM_SYSCHAR, 'n', 1 << 29);
  PumpMessagesUntil([&] { return nexts == 1; }, 2000);
  EXPECT_EQ(nexts, 1);
  EXPECT_EQ(backs, 1);

  // A button that refuses Enter (the wizard's Cancel) takes only Space and the mouse.
  back->Control().SetEnterClicks(false);
  PostMessageW(H(back->Control()), WM_KEYDOWN, VK_RETURN, 0);
  PumpMessagesUntil([] { return false; }, 300);
  EXPECT_EQ(backs, 1) << "Enter clicked a button that refuses it";
  EXPECT_NE(SendMessageW(H(back->Control()), WM_GETDLGCODE, 0, 0) & DLGC_UNDEFPUSHBUTTON, 0);
  PostMessageW(H(back->Control()), BM_CLICK, 0, 0);
  PumpMessagesUntil([&] { return backs == 2; }, 2000);
  EXPECT_EQ(backs, 2);
}

TEST(Win32Widgets, CloseRequestsKeysAndPostedMessagesReachTheFormsHandlers) {
  auto form = CreateForm(SampleSpec(L"dlgEULA"));
  ASSERT_TRUE(form);
  HWND window = H(form->Handle());
  int asked = 0;
  form->SetOnClose([&] {
    ++asked;
    return false;
  });
  bool discard = true;
  form->SetOnKeyDown([&](const KeyPress& key) { return discard && key.alt && key.virtualKey == kVkF4; });
  form->Show();

  // Alt+F4 on the form itself: the key handler discards it; let through, it asks to close.
  SendMessageW(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
  PumpMessagesUntil([] { return false; }, 200);
  EXPECT_EQ(asked, 0);
  discard = false;
  SendMessageW(window, WM_SYSKEYDOWN, VK_F4, 1 << 29);
  PumpMessagesUntil([&] { return asked == 1; }, 2000);
  EXPECT_EQ(asked, 1);
  EXPECT_TRUE(IsWindowVisible(window)) << "the handler kept the form";

  // A greyed Close item greys the menu and stops the system menu's Close.
  form->SetCloseItemEnabled(false);
  EXPECT_TRUE(GetMenuState(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessagesUntil([] { return false; }, 200);
  EXPECT_EQ(asked, 1);
  form->SetCloseItemEnabled(true);
  SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
  PumpMessagesUntil([&] { return asked == 2; }, 2000);
  EXPECT_EQ(asked, 2);

  // The worker's state messages and synchronous calls reach the form's thread in order.
  std::vector<int> order;
  form->SetOnMessage([&](std::uint32_t message, std::uintptr_t wParam, std::intptr_t) {
    if (message == WM_USER + 80) order.push_back(static_cast<int>(wParam));
  });
  std::atomic<bool> returned{false};
  const WindowHandle handle = form->Handle();
  std::thread worker([&] {
    for (int i = 0; i < 10; ++i) PostWindowMessage(handle, WM_USER + 80, i, 0);
    CallOnWindowThread(handle, [&] { order.push_back(-1); });
    returned = true;
  });
  EXPECT_TRUE(PumpMessagesUntil([&] { return returned.load(); }, 20000));
  worker.join();
  ASSERT_EQ(order.size(), 11u);
  EXPECT_EQ(order.front(), 0);
  EXPECT_EQ(order[9], 9);
  EXPECT_EQ(order.back(), -1);

  // Timers tick on the form's thread.
  Timer* timer = form->AddTimer({L"Timer1", 20, true});
  int ticks = 0;
  timer->SetOnTick([&] { ++ticks; });
  EXPECT_TRUE(PumpMessagesUntil([&] { return ticks >= 2; }, 5000));
  timer->SetEnabled(false);
}

TEST(Win32Widgets, ClosingTheMainFormEndsTheMessageLoop) {
  FormSpec spec = SampleSpec(L"MainTest");
  spec.mainForm = true;
  auto form = CreateForm(spec);
  ASSERT_TRUE(form);
  form->Show();
  PostMessageW(H(form->Handle()), WM_CLOSE, 0, 0);
  RunMessageLoop();  // returns once the form has closed
  EXPECT_FALSE(form->IsVisible());
}

}  // namespace
