// The side banner of the mode selection window and the licence dialog: a deep-blue panel with a
// faint circuit pattern, the emblem (an optical disc with a USB plug in front of it), the
// product name and two small lines.
#include <cmath>
#include <utility>

#include "art.h"
#include "glyphs.h"

namespace art {

namespace {

constexpr int kWidth = 173, kHeight = 303;
constexpr float kPi = 3.14159265358979f;
// The window shows the banner from x = 2 on (it is placed at -2), so the visible middle is here.
constexpr float kMiddle = 87.5f;

Colour Accent(float a = 1) { return Rgb(113, 227, 255, a); }

void DrawBackground(Canvas& canvas) {
  canvas.Cover(VerticalGradient(0, kHeight, {Rgb(9, 24, 52), Rgb(17, 54, 108), Rgb(12, 36, 78), Rgb(6, 17, 40)}));
  canvas.Cover(RadialGradient(kMiddle, 100, 120, Rgb(46, 122, 214, 0.42f), Rgb(46, 122, 214, 0)));
  // A dot grid, strongest at the top.
  canvas.Fill(
      [](float x, float y) {
        const float gx = std::fmod(x, 8.0f) - 4, gy = std::fmod(y, 8.0f) - 4;
        return std::sqrt(gx * gx + gy * gy) - 0.55f;
      },
      [](float, float y) { return Rgb(140, 190, 255, 0.16f * (1 - Clamp01(y / 260))); });
}

// Thin traces with 45-degree bends and round pads, like the copper of a circuit board.
void DrawTraces(Canvas& canvas) {
  struct Trace {
    std::vector<float> points;
  };
  const Trace traces[] = {
      {{0, 38, 22, 38, 36, 52, 36, 64}},
      {{0, 150, 14, 150, 28, 136}},
      {{173, 24, 150, 24, 138, 36}},
      {{173, 162, 156, 162, 144, 150, 144, 140}},
      {{0, 256, 30, 256, 44, 270, 70, 270}},
      {{173, 242, 140, 242, 126, 256, 104, 256}},
      {{18, 303, 18, 288, 30, 276}},
      {{150, 303, 150, 282}},
  };
  for (const Trace& trace : traces) {
    Distance line = [](float, float) { return 1e9f; };
    for (std::size_t i = 2; i < trace.points.size(); i += 2)
      line = Union(line, Segment(trace.points[i - 2], trace.points[i - 1], trace.points[i], trace.points[i + 1], 0.5f));
    const float ex = trace.points[trace.points.size() - 2], ey = trace.points.back();
    canvas.Fill(line, Rgb(100, 170, 240, 0.20f));
    canvas.Fill(Stroke(Circle(ex, ey, 2.2f), 0.6f), Rgb(120, 200, 250, 0.34f));
  }
}

void DrawDisc(Canvas& canvas, float cx, float cy, float r) {
  Distance disc = Subtract(Circle(cx, cy, r), Circle(cx, cy, 5.5f));
  canvas.Glow(Offset(Circle(cx, cy, r), 1.5f, 4), Rgb(0, 0, 0, 1), 10, 0.45f);
  // Silver with a slow sheen round the disc and a faint play of colour.
  canvas.Fill(disc, [=](float x, float y) {
    const float angle = std::atan2(y - cy, x - cx);
    const float sheen = 0.5f + 0.5f * std::cos(2 * (angle + 0.6f));
    Colour base = Mix(Rgb(150, 172, 204), Rgb(236, 242, 250), sheen);
    const float tint = 0.5f + 0.5f * std::sin(3 * angle);
    base = Mix(base, Mix(Rgb(150, 230, 255), Rgb(200, 170, 250), tint), 0.18f * (1 - sheen));
    return base;
  });
  // Grooves of the recorded area.
  for (float gr = 17; gr < r - 2; gr += 2.5f) canvas.Fill(Intersect(disc, Stroke(Circle(cx, cy, gr), 0.35f)), Rgb(40, 60, 100, 0.10f));
  // The clear hub and its ring.
  canvas.Fill(Subtract(Circle(cx, cy, 14), Circle(cx, cy, 5.5f)), Rgb(214, 224, 238, 0.9f));
  canvas.Fill(Stroke(Circle(cx, cy, 10), 0.6f), Rgb(120, 140, 170, 0.7f));
  canvas.Fill(Stroke(Circle(cx, cy, 14), 0.5f), Rgb(255, 255, 255, 0.7f));
  canvas.Fill(Stroke(Circle(cx, cy, 6), 0.7f), Rgb(60, 80, 120, 0.8f));
  // Rim: a bright inner edge and a dark outer line.
  canvas.Fill(Stroke(Circle(cx, cy, r - 1), 0.5f), Rgb(255, 255, 255, 0.65f));
  canvas.Fill(Stroke(Circle(cx, cy, r), 0.55f), Rgb(20, 40, 80, 0.8f));
  // A soft reflection across the upper left.
  canvas.Fill(Intersect(disc, Rotate(RoundedBox(cx - r, cy - r * 0.9f, cx + r, cy - r * 0.45f, r * 0.2f), cx, cy, -0.55f)),
              Rgb(255, 255, 255, 0.22f));
}

// A USB flash drive, drawn pointing up with its tip at (0, 0) of its own frame, then turned.
void DrawPlug(Canvas& canvas, float tipX, float tipY, float turn) {
  auto place = [=](Distance d) { return Rotate(Offset(d, tipX, tipY), tipX, tipY, turn); };
  auto local = [=](float x, float y) {  // a canvas point in the drive's own frame
    const float c = std::cos(turn), s = std::sin(turn), dx = x - tipX, dy = y - tipY;
    return std::pair<float, float>{dx * c + dy * s, -dx * s + dy * c};
  };
  Distance shell = place(RoundedBox(-8, 0, 8, 20, 1.5f));
  Distance body = place(RoundedBox(-11, 19, 11, 58, 5));
  Distance holes = place(Union(RoundedBox(-5, 5, -1.5f, 9, 0.5f), RoundedBox(1.5f, 5, 5, 9, 0.5f)));
  Distance loop = place(Circle(0, 52, 2.2f));
  canvas.Glow(Offset(Union(shell, body), 2, 3), Rgb(0, 0, 0, 1), 6, 0.5f);
  canvas.Fill(shell, [=](float x, float y) {
    const float u = local(x, y).first;
    return Mix(Rgb(238, 242, 248), Rgb(146, 158, 180), Clamp01((u + 8) / 16));
  });
  canvas.Fill(Stroke(shell, 0.5f), Rgb(90, 100, 120, 0.9f));
  canvas.Fill(holes, Rgb(26, 36, 58));
  canvas.Fill(Subtract(body, loop), [=](float x, float y) {
    const float u = local(x, y).first;
    return Mix(Rgb(44, 96, 166), Rgb(16, 40, 82), Clamp01((u + 11) / 22));
  });
  canvas.Fill(Stroke(body, 0.6f), Accent(0.85f));
  canvas.Fill(Stroke(loop, 0.5f), Accent(0.6f));
  // The USB trident on the body.
  Distance trident = place(Union(
      Union(Segment(0, 27, 0, 44, 0.8f), Polygon({0, 24.5f, 2.6f, 28.5f, -2.6f, 28.5f})),
      Union(Union(Segment(0, 40, -5, 36, 0.7f), Segment(-5, 36, -5, 33, 0.7f)),
            Union(Union(Segment(0, 38, 5, 34, 0.7f), Segment(5, 34, 5, 32, 0.7f)), Circle(0, 45, 1.8f)))));
  canvas.Fill(trident, Accent());
  canvas.Fill(place(Circle(-5, 32, 1.4f)), Accent());
  canvas.Fill(place(RoundedBox(3.6f, 29.5f, 6.4f, 32.3f, 0)), Accent());
}

void DrawTitle(Canvas& canvas, float top) {
  const std::string name = "DRAVENTA";
  const float height = 19, spacing = 4.2f, stroke = 3.0f;
  const float width = StrokedCapitalsWidth(name, height, spacing);
  const float left = kMiddle - width / 2;
  Distance letters = StrokedCapitals(name, left, top, height, stroke, spacing);
  canvas.Glow(letters, Accent(), 7, 0.30f);
  canvas.Fill(Offset(letters, 0, 1.2f), Rgb(0, 10, 30, 0.6f));
  canvas.Fill(letters, VerticalGradient(top - 2, top + height + 2, {Rgb(255, 255, 255), Rgb(226, 240, 255), Rgb(160, 220, 255)}));
}

void DrawRule(Canvas& canvas, float y, float halfLength) {
  canvas.Fill(Segment(kMiddle - halfLength, y, kMiddle + halfLength, y, 0.5f),
              [=](float x, float) { return Accent(0.9f * (1 - std::pow(std::abs(x - kMiddle) / halfLength, 2.0f))); });
}

void DrawCentredText(Canvas& canvas, const std::string& text, int top, const Colour& colour) {
  DrawPixelText(canvas, text, int(std::lround(kMiddle - PixelTextWidth(text) / 2.0f)), top, colour);
}

}  // namespace

Canvas DrawBanner(int scale) {
  Canvas canvas(kWidth, kHeight, scale);
  DrawBackground(canvas);
  DrawTraces(canvas);
  const float discX = kMiddle - 6, discY = 96, discR = 46;
  canvas.Fill(Circle(discX, discY, discR + 10), [=](float x, float y) {
    const float d = std::sqrt((x - discX) * (x - discX) + (y - discY) * (y - discY));
    return Accent(0.10f * Clamp01(1 - std::abs(d - discR - 5) / 5));
  });
  DrawDisc(canvas, discX, discY, discR);
  DrawPlug(canvas, 122, 96, 32 * kPi / 180);
  DrawTitle(canvas, 178);
  DrawRule(canvas, 209.5f, 56);
  DrawCentredText(canvas, "USB 3.0 SETUP MEDIA", 219, Rgb(186, 216, 245));
  DrawCentredText(canvas, "FOR WINDOWS 7", 231, Rgb(120, 164, 214));
  DrawCentredText(canvas, "QARVEL", 282, Rgb(110, 150, 200, 0.8f));
  // A light line down the right edge, where the banner meets the window.
  canvas.Fill(RoundedBox(kWidth - 1, 0, kWidth, kHeight, 0), Rgb(120, 180, 240, 0.35f));
  return canvas;
}

}  // namespace art
