#pragma once
// A small deterministic rasteriser for the window art: shapes are signed distance functions
// (negative inside, in pixels), filled with one pixel of antialiasing and composited with
// source-over onto a float canvas.
//
// A canvas has a whole-number scale: it holds width * scale x height * scale pixels, while every
// shape, paint, glow radius and position is given in the logical (1x) pixels of width x height.
// So one drawing makes the picture at 1x and, at scale 2, the same picture for screens of twice
// the density, with edges one device pixel soft either way.
#include <cstdint>
#include <functional>
#include <vector>

#include "gs/png_image.h"

namespace art {

struct Colour {
  float r = 0, g = 0, b = 0, a = 1;  // straight alpha, 0..1
};

Colour Rgb(int r, int g, int b, float a = 1.0f);
Colour Mix(const Colour& x, const Colour& y, float t);

using Distance = std::function<float(float x, float y)>;
using Paint = std::function<Colour(float x, float y)>;

class Canvas {
 public:
  Canvas(int width, int height, int scale = 1);
  int Width() const { return m_width; }    // device pixels
  int Height() const { return m_height; }  // device pixels
  int Scale() const { return m_scale; }

  // Composites `paint` where `shape` covers; `opacity` scales the coverage. With `samples` > 1 the
  // coverage is averaged over samples x samples points of each pixel instead of taken from the
  // distance (for shapes whose distance is not exact).
  void Fill(const Distance& shape, const Paint& paint, float opacity = 1.0f, int samples = 1);
  void Fill(const Distance& shape, const Colour& colour, float opacity = 1.0f, int samples = 1);
  // Every pixel.
  void Cover(const Paint& paint);
  // A soft glow: the colour with an alpha that falls off over `radius` pixels outside the shape.
  void Glow(const Distance& shape, const Colour& colour, float radius, float strength);
  // One logical pixel (scale x scale device pixels) composited with the given coverage.
  void Plot(int x, int y, const Colour& colour, float coverage = 1.0f);

  // The picture as 8-bit straight RGBA, with a deterministic sub-LSB dither against banding.
  // Fully transparent pixels take the colour `clear`.
  gs::RgbaImage ToImage(const Colour& clear, bool dither = true) const;

 private:
  void Blend(int x, int y, const Colour& colour, float coverage);
  // The logical point at the centre of device pixel (x, y), or of its sample (sx, sy) of n x n.
  float Logical(int device, int sample = 0, int samples = 1) const;
  int m_width, m_height, m_scale;
  std::vector<Colour> m_pixels;  // premultiplied
};

// Distances.
float Clamp01(float v);
float Smooth(float edge0, float edge1, float v);
Distance Circle(float cx, float cy, float r);
Distance RoundedBox(float left, float top, float right, float bottom, float radius);
Distance Segment(float ax, float ay, float bx, float by, float halfWidth);
// A ring of the given centre radius and half width between angles a0 and a1 (radians, measured
// clockwise from the +x axis in screen coordinates, a0 < a1), with round ends.
Distance Arc(float cx, float cy, float r, float halfWidth, float a0, float a1);
Distance Polygon(std::vector<float> xy);  // x0, y0, x1, y1, ...; exact distance
Distance Union(Distance a, Distance b);
Distance Subtract(Distance a, Distance b);
Distance Intersect(Distance a, Distance b);
Distance Offset(Distance a, float dx, float dy);
Distance Stroke(Distance a, float halfWidth);  // the outline of a shape
Distance Rotate(Distance a, float cx, float cy, float radians);  // turned clockwise about (cx, cy)

// Paints.
Paint Solid(const Colour& c);
Paint VerticalGradient(float top, float bottom, std::vector<Colour> stops);
// The colour with an alpha that falls off over `radius` pixels outside `shape`; fill a clip shape
// with it to keep a glow inside.
Paint GlowPaint(Distance shape, const Colour& colour, float radius, float strength);
Paint RadialGradient(float cx, float cy, float radius, const Colour& inner, const Colour& outer);

}  // namespace art
