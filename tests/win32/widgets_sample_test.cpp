// A sample form in the program's style, drawn by the real Win32 widget layer: the skinned
// buttons' faces, captions and glow are checked pixel by pixel. With DRAVENTA_SAMPLE_SECONDS
// set, the form stays up that long with the pointer on Next, for scripts/widgets-screenshot.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <memory>

#include "gs/gs_button.h"
#include "platform/messages.h"
#include "platform/widgets.h"
#include "ui/skin_button.h"

namespace {

using namespace platform;

// A button face: a vertical gradient with a darker 1-pixel border and rounded, transparent
// corners, like the program's art.
RgbaImage FaceArt(int width, int height, Color top, Color bottom) {
  RgbaImage image;
  image.width = width;
  image.height = height;
  image.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* p = &image.pixels[(static_cast<std::size_t>(y) * width + x) * 4];
      const bool corner = (x == 0 || x == width - 1) && (y == 0 || y == height - 1);
      const bool border = x == 0 || y == 0 || x == width - 1 || y == height - 1;
      auto mix = [&](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>(a + (b - a) * y / (height - 1)); };
      p[0] = static_cast<std::uint8_t>(mix(top.red, bottom.red) * (border ? 0.6 : 1.0));
      p[1] = static_cast<std::uint8_t>(mix(top.green, bottom.green) * (border ? 0.6 : 1.0));
      p[2] = static_cast<std::uint8_t>(mix(top.blue, bottom.blue) * (border ? 0.6 : 1.0));
      p[3] = corner ? 0 : 255;
    }
  }
  return image;
}

int CountNear(HWND window, COLORREF wanted, int tolerance) {
  RECT rect;
  GetClientRect(window, &rect);
  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, rect.right, rect.bottom);
  HGDIOBJ previous = SelectObject(dc, bitmap);
  SendMessageW(window, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc), PRF_CLIENT);
  int count = 0;
  for (int y = 0; y < rect.bottom; ++y) {
    for (int x = 0; x < rect.right; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      if (std::abs(GetRValue(c) - GetRValue(wanted)) <= tolerance &&
          std::abs(GetGValue(c) - GetGValue(wanted)) <= tolerance &&
          std::abs(GetBValue(c) - GetBValue(wanted)) <= tolerance)
        ++count;
    }
  }
  SelectObject(dc, previous);
  DeleteObject(bitmap);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  return count;
}

TEST(Win32WidgetsSample, SkinnedButtonsDrawTheirFacesCaptionsAndGlow) {
  FormSpec spec;
  spec.name = L"dlgEULA";
  spec.caption = L"Qarvel Vexa Installer";
  spec.clientWidth = 712;
  spec.clientHeight = 302;
  spec.border = FormBorder::SingleSystemMenuOnly;
  spec.background = Color{229, 232, 237};
  spec.font = Font{L"Microsoft Sans Serif", 8};
  auto form = CreateForm(spec);
  ASSERT_TRUE(form);

  RgbaImage banner = FaceArt(173, 303, Color{30, 70, 130}, Color{10, 30, 60});
  form->AddImage({L"Image1", {-2, 0, 0, 0}, banner});
  form->AddLabel({L"Label1", {192, 13, 443, 74},
                  L"Please read the following licence agreement. Tick the box to accept it before you go on.",
                  std::nullopt, false, true});
  Memo* memo = form->AddMemo({L"EULAMemo", {192, 93, 497, 146}});
  for (int i = 1; i <= 30; ++i) memo->AppendLine(L"Line " + std::to_wstring(i) + L" of the agreement text.");
  form->AddCheckBox({L"CheckBox1", {400, 245, 97, 17}, L"I agree"});
  DropDownList* list = form->AddDropDownList({L"cmbMode", {192, 245, 180, 21}});
  list->AddItem(L"Windows 7 disc to USB drive");
  list->SetSelectedIndex(0);

  RgbaImage background = FaceArt(116, 43, Color{229, 232, 237}, Color{229, 232, 237});
  RgbaImage raised = FaceArt(96, 24, Color{70, 110, 170}, Color{30, 60, 110});
  RgbaImage hovered = FaceArt(96, 24, Color{90, 140, 210}, Color{40, 80, 140});
  RgbaImage sunken = FaceArt(96, 24, Color{25, 50, 95}, Color{60, 100, 160});
  RgbaImage disabled = FaceArt(96, 24, Color{200, 200, 200}, Color{170, 170, 170});
  std::unique_ptr<gs::GsButton> back, next, off, pressed;
  ui::CreateSkinButton(*form, background, back, 480, 271, raised, hovered, sunken, disabled, L"&Back", L"Back", L"btnBack");
  ui::CreateSkinButton(*form, background, next, 600, 271, raised, hovered, sunken, disabled, L"&Next", L"Next", L"btnNext");
  ui::CreateSkinButton(*form, background, off, 240, 271, raised, hovered, sunken, disabled, L"Browser", L"Brower Folder",
                       L"btnOff");
  ui::CreateSkinButton(*form, background, pressed, 360, 271, raised, hovered, sunken, disabled, L"&Cancel", L"Cancel",
                       L"btnPressed");
  off->SetEnabled(false);
  form->Show();
  PumpMessagesUntil([] { return false; }, 300);

  HWND nextWindow = reinterpret_cast<HWND>(next->Control().Handle());
  HWND backWindow = reinterpret_cast<HWND>(back->Control().Handle());
  const COLORREF glow = RGB(113, 227, 255);
  // Idle: the caption is light grey on the face, no glow colour anywhere.
  EXPECT_EQ(CountNear(nextWindow, glow, 40), 0);
  EXPECT_GT(CountNear(nextWindow, RGB(239, 239, 239), 30), 5) << "the idle caption";
  // Hovered: the caption and its halo in the glow colour.
  SendMessageW(nextWindow, WM_MOUSEMOVE, 0, MAKELPARAM(40, 12));
  ASSERT_EQ(next->State(), SkinButtonState::Hovered);
  const int hoveredGlow = CountNear(nextWindow, glow, 60);
  EXPECT_GT(hoveredGlow, 20);
  // The halo reaches beyond the letters: more glow-coloured pixels than a caption without it.
  next->TextEffect.Hovered.Opacity = 0;
  next->ApplyLook();
  EXPECT_GT(hoveredGlow, CountNear(nextWindow, glow, 60));
  next->TextEffect.Hovered.Opacity = 160;
  next->ApplyLook();
  // Disabled: black caption, no glow.
  EXPECT_EQ(CountNear(reinterpret_cast<HWND>(off->Control().Handle()), glow, 60), 0);
  EXPECT_GT(CountNear(reinterpret_cast<HWND>(off->Control().Handle()), RGB(0, 0, 0), 40), 5);
  // Pressed and held: the sunken face and glowing caption.
  HWND pressedWindow = reinterpret_cast<HWND>(pressed->Control().Handle());
  SendMessageW(pressedWindow, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 12));
  EXPECT_EQ(pressed->State(), SkinButtonState::Sunken);
  EXPECT_GT(CountNear(pressedWindow, glow, 60), 20);
  EXPECT_EQ(CountNear(backWindow, glow, 40), 0);

  if (const char* seconds = std::getenv("DRAVENTA_SAMPLE_SECONDS")) {
    // For the photograph: the pointer rests on Next (hovered, its tooltip due); Cancel is held.
    RECT rect;
    GetWindowRect(nextWindow, &rect);
    SetCursorPos(rect.left + 40, rect.top + 12);
    PumpMessagesUntil([] { return false; }, static_cast<std::uint32_t>(std::atoi(seconds)) * 1000);
  }
  SendMessageW(pressedWindow, WM_LBUTTONUP, 0, MAKELPARAM(400, 12));
}

}  // namespace
