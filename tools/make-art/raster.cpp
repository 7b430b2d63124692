#include "raster.h"

#include <algorithm>
#include <cmath>

namespace art {

namespace {
constexpr float kPi = 3.14159265358979f;

float Length(float x, float y) { return std::sqrt(x * x + y * y); }

// A deterministic value in [-0.5, 0.5) per pixel and channel.
float DitherAt(int x, int y, int channel) {
  std::uint32_t h = std::uint32_t(x) * 73856093u ^ std::uint32_t(y) * 19349663u ^ std::uint32_t(channel) * 83492791u;
  h ^= h >> 13;
  h *= 0x5bd1e995u;
  h ^= h >> 15;
  return float(h & 0xFFFF) / 65536.0f - 0.5f;
}
}  // namespace

Colour Rgb(int r, int g, int b, float a) { return {r / 255.0f, g / 255.0f, b / 255.0f, a}; }

Colour Mix(const Colour& x, const Colour& y, float t) {
  return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

float Clamp01(float v) { return v < 0 ? 0 : (v > 1 ? 1 : v); }

float Smooth(float edge0, float edge1, float v) {
  const float t = Clamp01((v - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}

Canvas::Canvas(int width, int height, int scale)
    : m_width(width * scale), m_height(height * scale), m_scale(scale), m_pixels(std::size_t(m_width) * m_height, Colour{0, 0, 0, 0}) {}

float Canvas::Logical(int device, int sample, int samples) const {
  return (float(device) + (float(sample) + 0.5f) / float(samples)) / float(m_scale);
}

void Canvas::Blend(int x, int y, const Colour& c, float coverage) {
  const float a = c.a * coverage;
  if (a <= 0) return;
  Colour& d = m_pixels[std::size_t(y) * m_width + x];
  d.r = c.r * a + d.r * (1 - a);
  d.g = c.g * a + d.g * (1 - a);
  d.b = c.b * a + d.b * (1 - a);
  d.a = a + d.a * (1 - a);
}

void Canvas::Fill(const Distance& shape, const Paint& paint, float opacity, int samples) {
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const float cx = Logical(x), cy = Logical(y);
      float coverage;
      if (samples <= 1) {
        // The distance in device pixels, so the soft edge is one device pixel wide.
        coverage = Clamp01(0.5f - shape(cx, cy) * float(m_scale));
      } else {
        int inside = 0;
        for (int sy = 0; sy < samples; ++sy)
          for (int sx = 0; sx < samples; ++sx)
            if (shape(Logical(x, sx, samples), Logical(y, sy, samples)) < 0) ++inside;
        coverage = float(inside) / float(samples * samples);
      }
      if (coverage > 0) Blend(x, y, paint(cx, cy), coverage * opacity);
    }
  }
}

void Canvas::Fill(const Distance& shape, const Colour& colour, float opacity, int samples) { Fill(shape, Solid(colour), opacity, samples); }

void Canvas::Cover(const Paint& paint) {
  for (int y = 0; y < m_height; ++y)
    for (int x = 0; x < m_width; ++x) Blend(x, y, paint(Logical(x), Logical(y)), 1.0f);
}

void Canvas::Glow(const Distance& shape, const Colour& colour, float radius, float strength) {
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const float d = std::max(0.0f, shape(Logical(x), Logical(y)));
      const float fall = 1 - Smooth(0, radius, d);
      if (fall > 0) Blend(x, y, colour, strength * fall * fall);
    }
  }
}

void Canvas::Plot(int x, int y, const Colour& colour, float coverage) {
  for (int dy = 0; dy < m_scale; ++dy) {
    for (int dx = 0; dx < m_scale; ++dx) {
      const int px = x * m_scale + dx, py = y * m_scale + dy;
      if (px >= 0 && py >= 0 && px < m_width && py < m_height) Blend(px, py, colour, coverage);
    }
  }
}

gs::RgbaImage Canvas::ToImage(const Colour& clear, bool dither) const {
  gs::RgbaImage image;
  image.width = std::uint32_t(m_width);
  image.height = std::uint32_t(m_height);
  image.pixels.resize(std::size_t(m_width) * m_height * 4);
  for (int y = 0; y < m_height; ++y) {
    for (int x = 0; x < m_width; ++x) {
      const Colour& p = m_pixels[std::size_t(y) * m_width + x];
      std::uint8_t* out = &image.pixels[(std::size_t(y) * m_width + x) * 4];
      const int alpha = int(std::lround(Clamp01(p.a) * 255));
      out[3] = std::uint8_t(alpha);
      if (alpha == 0) {
        out[0] = std::uint8_t(std::lround(clear.r * 255));
        out[1] = std::uint8_t(std::lround(clear.g * 255));
        out[2] = std::uint8_t(std::lround(clear.b * 255));
        continue;
      }
      const float channels[3] = {p.r / p.a, p.g / p.a, p.b / p.a};
      for (int c = 0; c < 3; ++c) {
        const float v = Clamp01(channels[c]) * 255 + (dither ? DitherAt(x, y, c) : 0.0f);
        out[c] = std::uint8_t(std::clamp(int(std::lround(v)), 0, 255));
      }
    }
  }
  return image;
}

Distance Circle(float cx, float cy, float r) {
  return [=](float x, float y) { return Length(x - cx, y - cy) - r; };
}

Distance RoundedBox(float left, float top, float right, float bottom, float radius) {
  const float cx = (left + right) / 2, cy = (top + bottom) / 2;
  const float hx = (right - left) / 2 - radius, hy = (bottom - top) / 2 - radius;
  return [=](float x, float y) {
    const float qx = std::abs(x - cx) - hx, qy = std::abs(y - cy) - hy;
    return Length(std::max(qx, 0.0f), std::max(qy, 0.0f)) + std::min(std::max(qx, qy), 0.0f) - radius;
  };
}

Distance Segment(float ax, float ay, float bx, float by, float halfWidth) {
  return [=](float x, float y) {
    const float px = x - ax, py = y - ay, ex = bx - ax, ey = by - ay;
    const float len2 = ex * ex + ey * ey;
    const float t = len2 > 0 ? Clamp01((px * ex + py * ey) / len2) : 0.0f;
    return Length(px - ex * t, py - ey * t) - halfWidth;
  };
}

Distance Arc(float cx, float cy, float r, float halfWidth, float a0, float a1) {
  const float ax = cx + r * std::cos(a0), ay = cy + r * std::sin(a0);
  const float bx = cx + r * std::cos(a1), by = cy + r * std::sin(a1);
  return [=](float x, float y) {
    float t = std::atan2(y - cy, x - cx) - a0;
    while (t < 0) t += 2 * kPi;
    while (t >= 2 * kPi) t -= 2 * kPi;
    if (t <= a1 - a0) return std::abs(Length(x - cx, y - cy) - r) - halfWidth;
    return std::min(Length(x - ax, y - ay), Length(x - bx, y - by)) - halfWidth;
  };
}

Distance Polygon(std::vector<float> xy) {
  return [xy = std::move(xy)](float px, float py) {
    const std::size_t n = xy.size() / 2;
    float best = (px - xy[0]) * (px - xy[0]) + (py - xy[1]) * (py - xy[1]);
    float sign = 1;
    for (std::size_t i = 0, j = n - 1; i < n; j = i, ++i) {
      const float vix = xy[2 * i], viy = xy[2 * i + 1], vjx = xy[2 * j], vjy = xy[2 * j + 1];
      const float ex = vjx - vix, ey = vjy - viy, wx = px - vix, wy = py - viy;
      const float t = Clamp01((wx * ex + wy * ey) / (ex * ex + ey * ey));
      const float bx = wx - ex * t, by = wy - ey * t;
      best = std::min(best, bx * bx + by * by);
      const bool c1 = py >= viy, c2 = py < vjy, c3 = ex * wy > ey * wx;
      if ((c1 && c2 && c3) || (!c1 && !c2 && !c3)) sign = -sign;
    }
    return sign * std::sqrt(best);
  };
}

Distance Union(Distance a, Distance b) {
  return [=](float x, float y) { return std::min(a(x, y), b(x, y)); };
}
Distance Subtract(Distance a, Distance b) {
  return [=](float x, float y) { return std::max(a(x, y), -b(x, y)); };
}
Distance Intersect(Distance a, Distance b) {
  return [=](float x, float y) { return std::max(a(x, y), b(x, y)); };
}
Distance Offset(Distance a, float dx, float dy) {
  return [=](float x, float y) { return a(x - dx, y - dy); };
}
Distance Stroke(Distance a, float halfWidth) {
  return [=](float x, float y) { return std::abs(a(x, y)) - halfWidth; };
}

Distance Rotate(Distance a, float cx, float cy, float radians) {
  const float c = std::cos(radians), s = std::sin(radians);
  return [=](float x, float y) {
    const float dx = x - cx, dy = y - cy;
    return a(cx + dx * c + dy * s, cy - dx * s + dy * c);
  };
}

Paint Solid(const Colour& c) {
  return [=](float, float) { return c; };
}

Paint VerticalGradient(float top, float bottom, std::vector<Colour> stops) {
  return [=](float, float y) {
    const float t = Clamp01((y - top) / (bottom - top)) * float(stops.size() - 1);
    const std::size_t i = std::min(std::size_t(t), stops.size() - 2);
    return Mix(stops[i], stops[i + 1], t - float(i));
  };
}

Paint GlowPaint(Distance shape, const Colour& colour, float radius, float strength) {
  return [=](float x, float y) {
    const float fall = 1 - Smooth(0, radius, std::max(0.0f, shape(x, y)));
    Colour c = colour;
    c.a *= strength * fall * fall;
    return c;
  };
}

Paint RadialGradient(float cx, float cy, float radius, const Colour& inner, const Colour& outer) {
  return [=](float x, float y) { return Mix(inner, outer, Smooth(0, 1, Length(x - cx, y - cy) / radius)); };
}

}  // namespace art
