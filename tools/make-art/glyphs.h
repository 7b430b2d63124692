#pragma once
// Lettering for the banner: the product name in stroked geometric capitals, and a 5 x 7 pixel
// font for the small lines.
#include <string>

#include "raster.h"

namespace art {

// The capitals of `text` (letters D, R, A, V, E, N, T) with their top-left corner at (left, top),
// cap height `height`, strokes `stroke` pixels wide. Spacing is part of the shape.
Distance StrokedCapitals(const std::string& text, float left, float top, float height, float stroke, float spacing);
float StrokedCapitalsWidth(const std::string& text, float height, float spacing);

// Pixel text: each glyph is 5 x 7 pixels, one pixel apart, each pixel `scale` x `scale`.
void DrawPixelText(Canvas& canvas, const std::string& text, int left, int top, const Colour& colour, int scale = 1, int spacing = 1);
int PixelTextWidth(const std::string& text, int scale = 1, int spacing = 1);

}  // namespace art
