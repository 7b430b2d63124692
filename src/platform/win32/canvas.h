#pragma once
// Win32 widgets, internal: an off-screen 32-bit picture (a top-down DIB section) in which a
// control's look is composed pixel by pixel (pictures alpha-blended, glows, GDI text) before
// one blit to the screen, so nothing flickers and transparency needs no AlphaBlend.
#include <windows.h>

#include <cstdint>
#include <vector>

#include "platform/widget_types.h"
#include "platform/win32/scoped_handle.h"

namespace platform::win32ui {

class Canvas {
 public:
  Canvas(int width, int height);
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  bool Valid() const { return bits_ != nullptr; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  // A memory DC with the picture selected, for GDI drawing (text, focus rectangle).
  HDC Dc() const { return dc_.get(); }

  void Fill(Color color);
  // Draws `image` (straight alpha) with its top-left corner at left, top, clipped.
  void Blend(const RgbaImage& image, int left, int top);
  // Lays `color` over the picture where `coverage` (one byte per pixel, 0 to 255, the size of
  // the canvas) says, scaled by `opacity` (0 to 255).
  void BlendCoverage(const std::vector<std::uint8_t>& coverage, Color color, int opacity);
  // The coverage of what has been drawn in white on a black canvas (its brightest channel).
  std::vector<std::uint8_t> Coverage() const;

  void CopyTo(HDC target, int left, int top) const;

 private:
  std::uint8_t* Pixel(int x, int y) const { return bits_ + (static_cast<std::size_t>(y) * width_ + x) * 4; }
  int width_;
  int height_;
  // Given back in reverse order: the DC gets its own bitmap back, then the picture and the DC go.
  win32::ScopedMemoryDc dc_;
  win32::ScopedGdiObject<HBITMAP> bitmap_;
  win32::ScopedSelection selection_;
  std::uint8_t* bits_ = nullptr;  // B, G, R, unused
};

// The halo of a caption: its coverage spread softly over 2 + `radius` pixels around the strokes.
std::vector<std::uint8_t> HaloOf(const std::vector<std::uint8_t>& coverage, int width, int height, int radius);

}  // namespace platform::win32ui
