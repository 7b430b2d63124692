#pragma once
// Plain values the widget layer works with: colours, fonts, pictures, rectangles and keys.
#include <cstdint>
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
struct RgbaImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes

  bool Empty() const { return width <= 0 || height <= 0 || pixels.size() < static_cast<std::size_t>(width) * height * 4; }
  friend bool operator==(const RgbaImage&, const RgbaImage&) = default;
};

// A rectangle in pixels, relative to the client area of the control's parent.
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
