#include "platform/win32/canvas.h"

#include <algorithm>

namespace platform::win32ui {

Canvas::Canvas(int width, int height) : width_(std::max(1, width)), height_(std::max(1, height)) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width_;
  info.bmiHeader.biHeight = -height_;  // top-down rows
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  dc_.reset(CreateCompatibleDC(nullptr));
  void* bits = nullptr;
  bitmap_.reset(CreateDIBSection(dc_.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
  if (!dc_ || !bitmap_) return;
  selection_ = win32::SelectInto(dc_.get(), bitmap_.get());
  bits_ = static_cast<std::uint8_t*>(bits);
}

void Canvas::Fill(Color color) {
  if (!bits_) return;
  GdiFlush();
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      std::uint8_t* p = Pixel(x, y);
      p[0] = color.blue;
      p[1] = color.green;
      p[2] = color.red;
      p[3] = 255;
    }
  }
}

namespace {
// a over b with coverage alpha (0..255), rounded.
std::uint8_t Mix(int a, int b, int alpha) { return static_cast<std::uint8_t>((a * alpha + b * (255 - alpha) + 127) / 255); }
}  // namespace

void Canvas::Blend(const RgbaImage& image, int left, int top) {
  if (!bits_ || image.Empty()) return;
  GdiFlush();
  for (int sy = 0; sy < image.height; ++sy) {
    const int y = top + sy;
    if (y < 0 || y >= height_) continue;
    for (int sx = 0; sx < image.width; ++sx) {
      const int x = left + sx;
      if (x < 0 || x >= width_) continue;
      const std::uint8_t* s = &image.pixels[(static_cast<std::size_t>(sy) * image.width + sx) * 4];
      const int alpha = s[3];
      if (alpha == 0) continue;
      std::uint8_t* p = Pixel(x, y);
      p[0] = Mix(s[2], p[0], alpha);
      p[1] = Mix(s[1], p[1], alpha);
      p[2] = Mix(s[0], p[2], alpha);
    }
  }
}

void Canvas::BlendCoverage(const std::vector<std::uint8_t>& coverage, Color color, int opacity) {
  if (!bits_ || coverage.size() < static_cast<std::size_t>(width_) * height_) return;
  GdiFlush();
  opacity = std::clamp(opacity, 0, 255);
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const int alpha = coverage[static_cast<std::size_t>(y) * width_ + x] * opacity / 255;
      if (alpha == 0) continue;
      std::uint8_t* p = Pixel(x, y);
      p[0] = Mix(color.blue, p[0], alpha);
      p[1] = Mix(color.green, p[1], alpha);
      p[2] = Mix(color.red, p[2], alpha);
    }
  }
}

std::vector<std::uint8_t> Canvas::Coverage() const {
  std::vector<std::uint8_t> coverage(static_cast<std::size_t>(width_) * height_, 0);
  if (!bits_) return coverage;
  GdiFlush();
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const std::uint8_t* p = Pixel(x, y);
      coverage[static_cast<std::size_t>(y) * width_ + x] = std::max({p[0], p[1], p[2]});
    }
  }
  return coverage;
}

void Canvas::CopyTo(HDC target, int left, int top) const {
  if (!bits_) return;
  GdiFlush();
  BitBlt(target, left, top, width_, height_, dc_.get(), 0, 0, SRCCOPY);
}

namespace {

// One box-blur pass over rows and columns, `reach` pixels each side.
std::vector<std::uint8_t> BoxBlur(const std::vector<std::uint8_t>& source, int width, int height, int reach) {
  const std::size_t count = static_cast<std::size_t>(width) * height;
  std::vector<std::uint8_t> rows(count, 0), result(count, 0);
  const int span = 2 * reach + 1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int sum = 0;
      for (int d = -reach; d <= reach; ++d) {
        const int nx = x + d;
        if (nx >= 0 && nx < width) sum += source[static_cast<std::size_t>(y) * width + nx];
      }
      rows[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(sum / span);
    }
  }
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int sum = 0;
      for (int d = -reach; d <= reach; ++d) {
        const int ny = y + d;
        if (ny >= 0 && ny < height) sum += rows[static_cast<std::size_t>(ny) * width + x];
      }
      result[static_cast<std::size_t>(y) * width + x] = static_cast<std::uint8_t>(sum / span);
    }
  }
  return result;
}

}  // namespace

// Two box passes make a soft, nearly Gaussian falloff; the result is strengthened (capped) so
// the halo is full next to the strokes and fades out over 2 + radius pixels.
std::vector<std::uint8_t> HaloOf(const std::vector<std::uint8_t>& coverage, int width, int height, int radius) {
  const std::size_t count = static_cast<std::size_t>(width) * height;
  if (coverage.size() < count || width <= 0 || height <= 0) return std::vector<std::uint8_t>(count, 0);
  const int reach = 1 + std::max(0, radius);
  std::vector<std::uint8_t> halo = BoxBlur(BoxBlur(coverage, width, height, reach), width, height, reach);
  for (auto& value : halo) value = static_cast<std::uint8_t>(std::min(255, value * 3));
  return halo;
}

}  // namespace platform::win32ui
