// Button faces, the background under them and the refresh faces: one family of dark-blue glass
// shapes with a 1-pixel border, light for the disabled state.
#include <cmath>

#include "art.h"

namespace art {

namespace {

constexpr float kPi = 3.14159265358979f;

struct Glass {
  Colour border;
  Colour top, middleUpper, middleLower, bottom;  // two gradients meeting with a step at the middle
  Colour highlight;                              // 1-pixel line inside the top edge
};

Glass GlassFor(FaceState state) {
  switch (state) {
    case FaceState::Raised:
      return {Rgb(13, 36, 74), Rgb(72, 120, 186), Rgb(44, 90, 154), Rgb(30, 70, 130), Rgb(24, 58, 112), Rgb(255, 255, 255, 0.30f)};
    case FaceState::Hovered:
      return {Rgb(26, 100, 160), Rgb(54, 106, 172), Rgb(28, 72, 134), Rgb(20, 60, 118), Rgb(18, 56, 112), Rgb(255, 255, 255, 0.40f)};
    case FaceState::Sunken:
      return {Rgb(8, 26, 56), Rgb(18, 44, 86), Rgb(24, 56, 104), Rgb(28, 64, 118), Rgb(36, 80, 142), Rgb(0, 0, 0, 0.30f)};
    case FaceState::Disabled:
    default:
      return {Rgb(165, 172, 183), Rgb(250, 251, 252), Rgb(236, 238, 241), Rgb(224, 227, 232), Rgb(214, 218, 225), Rgb(255, 255, 255, 0.9f)};
  }
}

Paint GlassPaint(const Glass& glass, float top, float bottom) {
  const float middle = top + (bottom - top) * 0.48f;
  return [=](float, float y) {
    if (y < middle) return Mix(glass.top, glass.middleUpper, Clamp01((y - top) / (middle - top)));
    return Mix(glass.middleLower, glass.bottom, Clamp01((y - middle) / (bottom - middle)));
  };
}

Colour Accent() { return Rgb(113, 227, 255); }

}  // namespace

Colour WindowColour() { return Rgb(229, 232, 237); }

Canvas DrawButtonFace(FaceState state, int scale) {
  const float w = 96, h = 24;
  const Glass glass = GlassFor(state);
  Canvas canvas{int(w), int(h), scale};
  Distance outer = RoundedBox(0, 0, w, h, 4.5f);
  Distance inner = RoundedBox(1, 1, w - 1, h - 1, 3.5f);
  canvas.Fill(outer, glass.border);
  canvas.Fill(inner, GlassPaint(glass, 1, h - 1));
  // The bright (or, pressed, dark) line under the top edge, fading towards the sides.
  Distance line = Intersect(inner, RoundedBox(2, 1, w - 2, 2, 0));
  canvas.Fill(line, [&](float x, float) {
    Colour c = glass.highlight;
    c.a *= 1 - std::pow(std::abs(x - w / 2) / (w / 2), 4.0f);
    return c;
  });
  if (state == FaceState::Hovered) {
    // Light rising from the bottom edge, in the caption's glow colour.
    Colour glow = Accent();
    canvas.Fill(inner, [&](float x, float y) {
      Colour c = glow;
      const float dx = (x - w / 2) / (w * 0.55f), dy = (h - 1 - y) / (h * 0.28f);
      c.a = 0.45f * Clamp01(1 - (dx * dx + dy * dy));
      return c;
    });
    canvas.Fill(Stroke(RoundedBox(1.5f, 1.5f, w - 1.5f, h - 1.5f, 3), 0.5f), Rgb(113, 227, 255, 0.22f));
  }
  if (state == FaceState::Sunken) {
    // Shadow along the top inside the edge.
    canvas.Fill(inner, [&](float, float y) { return Rgb(0, 0, 0, 0.28f * Clamp01(1 - (y - 1) / 5)); });
  }
  return canvas;
}

Canvas DrawButtonBackground(int scale) {
  Canvas canvas(116, 43, scale);
  canvas.Cover(Solid(WindowColour()));
  return canvas;
}

Canvas DrawRefreshFace(FaceState state, int scale) {
  const float size = 22, c = size / 2;
  const Glass glass = GlassFor(state == FaceState::Disabled ? FaceState::Raised : state);
  Canvas canvas{int(size), int(size), scale};
  canvas.Fill(Circle(c, c, c), glass.border);
  Distance inner = Circle(c, c, c - 1);
  canvas.Fill(inner, GlassPaint(glass, 1, size - 1));
  canvas.Fill(Intersect(inner, Stroke(Circle(c, c + 0.2f, c - 1.8f), 0.5f)),
              [&](float, float y) { Colour h = glass.highlight; h.a *= Clamp01(1 - (y - 1) / 7); return h; });

  // A clockwise arrow round the centre: a 300-degree arc with its head at the top.
  const bool lit = state == FaceState::Hovered || state == FaceState::Sunken;
  const float shift = state == FaceState::Sunken ? 0.8f : 0.0f;
  const float cx = c + shift, cy = c + shift, r = 5.4f, a0 = -30 * kPi / 180, a1 = 240 * kPi / 180;
  Distance arc = Arc(cx, cy, r, 1.2f, a0, a1);
  const float ex = cx + r * std::cos(a1), ey = cy + r * std::sin(a1);
  const float tx = -std::sin(a1), ty = std::cos(a1);  // direction of travel at the end
  const float nx = std::cos(a1), ny = std::sin(a1);   // outwards
  Distance head = Polygon({ex + tx * 4.2f, ey + ty * 4.2f, ex + nx * 3.6f - tx * 0.8f, ey + ny * 3.6f - ty * 0.8f,
                           ex - nx * 3.6f - tx * 0.8f, ey - ny * 3.6f - ty * 0.8f});
  Distance arrow = Union(arc, head);
  const Colour ink = lit ? Accent() : Rgb(239, 239, 239);
  if (lit) canvas.Fill(inner, GlowPaint(arrow, Accent(), 2.5f, state == FaceState::Hovered ? 0.45f : 0.3f));
  canvas.Fill(Offset(arrow, 0, 0.6f), Rgb(0, 0, 0, 0.35f));
  canvas.Fill(arrow, ink);
  return canvas;
}

}  // namespace art
