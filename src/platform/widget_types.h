#pragma once
// Plain values the widget layer works with: colours, fonts, pictures, rectangles and keys.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

// An sRGB colour.
struct Color {
  std::uint8_t red = 0;
  std::uint8_t green = 0;
  std::uint8_t blue = 0;
  friend bool operator==(const Color&, const Color&) = default;
};

// The system's button-face colour (clBtnFace), the default background of forms and panels.
// On the host it is Windows 7's (240, 240, 240).
Color ButtonFaceColor();

// A font by face name and size in points (8 pt is the usual dialog size). The size becomes a
// pixel height for the screen's DPI where the font is made.
struct Font {
  std::wstring name = L"Tahoma";
  int pointSize = 8;
  bool bold = false;
  Color color{0, 0, 0};  // text colour
  friend bool operator==(const Font&, const Font&) = default;
};

// A picture: `width` x `height` pixels, rows top to bottom, each pixel four bytes R, G, B, A
// with straight (not premultiplied) alpha. An image with no pixels is "none".
//
// Sizes and positions of the widget layer are those of a 96-DPI screen; on a finer screen the
// Windows build scales them, and pictures with them. `doubled` may hold the same picture drawn
// at twice the size (2 * width x 2 * height), which a screen of 144 DPI or more draws from
// instead, so that it stays sharp; it plays no part where the picture is shown at its own size.
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes
  std::shared_ptr<const RgbaImage> doubled;

  bool Empty() const { return width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height * 4; }
  // Equal pictures: the same pixels, and the same doubled pictures (by content) or neither.
  friend bool operator==(const RgbaImage& a, const RgbaImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels != b.pixels) return false;
    if (!a.doubled || !b.doubled) return !a.doubled && !b.doubled;
    return *a.doubled == *b.doubled;
  }
};

// A rectangle in pixels of the 96-DPI layout, relative to the client area of the control's parent.
struct Bounds {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const Bounds&, const Bounds&) = default;
};

// A key press as the window receives it: the virtual-key code and the modifiers held.
struct KeyPress {
  std::uint32_t virtualKey = 0;
  bool alt = false;
  bool control = false;
  bool shift = false;
};

// Virtual-key codes the program and its tests use.
constexpr std::uint32_t kVkTab = 0x09;
constexpr std::uint32_t kVkReturn = 0x0D;
constexpr std::uint32_t kVkEscape = 0x1B;
constexpr std::uint32_t kVkSpace = 0x20;
constexpr std::uint32_t kVkF4 = 0x73;  // 115

}  // namespace platform
