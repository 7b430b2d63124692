#include "glyphs.h"

#include <cmath>
#include <map>
#include <stdexcept>
#include <vector>

namespace art {

namespace {

constexpr float kPi = 3.14159265358979f;

// Advance of each capital in units of the cap height.
float CapitalWidth(char c) {
  switch (c) {
    case 'D': return 0.64f;
    case 'R': return 0.58f;
    case 'A': case 'V': return 0.72f;
    case 'E': return 0.52f;
    case 'N': case 'T': return 0.64f;
    case ' ': return 0.4f;
    default: throw std::invalid_argument(std::string("no stroked capital for ") + c);
  }
}

Distance Capital(char c, float x, float y, float h, float hw) {
  const float w = CapitalWidth(c) * h;
  auto seg = [&](float ax, float ay, float bx, float by) { return Segment(x + ax, y + ay, x + bx, y + by, hw); };
  switch (c) {
    case 'D': {
      const float r = h / 2, straight = w - r;
      return Union(Union(seg(0, 0, 0, h), Union(seg(0, 0, straight, 0), seg(0, h, straight, h))),
                   Arc(x + straight, y + r, r, hw, -kPi / 2, kPi / 2));
    }
    case 'R': {
      const float r = h / 4, straight = w - r;
      Distance bowl = Union(Union(seg(0, 0, straight, 0), seg(0, h / 2, straight, h / 2)), Arc(x + straight, y + r, r, hw, -kPi / 2, kPi / 2));
      return Union(Union(seg(0, 0, 0, h), bowl), seg(w * 0.45f, h / 2, w, h));
    }
    case 'A': {
      const float bar = 0.66f, bx = w / 2 * (1 - bar);
      return Union(Union(seg(0, h, w / 2, 0), seg(w / 2, 0, w, h)), seg(bx, h * bar, w - bx, h * bar));
    }
    case 'V': return Union(seg(0, 0, w / 2, h), seg(w / 2, h, w, 0));
    case 'E':
      return Union(Union(seg(0, 0, 0, h), seg(0, 0, w, 0)), Union(seg(0, h / 2, w * 0.85f, h / 2), seg(0, h, w, h)));
    case 'N': return Union(Union(seg(0, 0, 0, h), seg(0, 0, w, h)), seg(w, 0, w, h));
    case 'T': return Union(seg(0, 0, w, 0), seg(w / 2, 0, w / 2, h));
    default: return [](float, float) { return 1e9f; };
  }
}

const std::map<char, std::vector<const char*>>& PixelFont() {
  static const std::map<char, std::vector<const char*>> font = {
      {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
      {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
      {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
      {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
      {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
      {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
      {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
      {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
      {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
      {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
      {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
      {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
      {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
      {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
      {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
      {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
      {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
      {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
      {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
      {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
      {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
      {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
      {'0', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
      {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
      {'3', {"####.", "....#", "....#", ".###.", "....#", "....#", "####."}},
      {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
      {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
      {'-', {".....", ".....", ".....", ".###.", ".....", ".....", "....."}},
      {' ', {".....", ".....", ".....", ".....", ".....", ".....", "....."}},
  };
  return font;
}

}  // namespace

float StrokedCapitalsWidth(const std::string& text, float height, float spacing) {
  float width = 0;
  for (std::size_t i = 0; i < text.size(); ++i) width += CapitalWidth(text[i]) * height + (i + 1 < text.size() ? spacing : 0);
  return width;
}

Distance StrokedCapitals(const std::string& text, float left, float top, float height, float stroke, float spacing) {
  Distance shape = [](float, float) { return 1e9f; };
  float x = left;
  for (char c : text) {
    if (c != ' ') shape = Union(shape, Capital(c, x, top, height, stroke / 2));
    x += CapitalWidth(c) * height + spacing;
  }
  return shape;
}

int PixelTextWidth(const std::string& text, int scale, int spacing) {
  return text.empty() ? 0 : int(text.size()) * (5 * scale + spacing) - spacing;
}

void DrawPixelText(Canvas& canvas, const std::string& text, int left, int top, const Colour& colour, int scale, int spacing) {
  const auto& font = PixelFont();
  int x = left;
  for (char c : text) {
    auto glyph = font.find(c);
    if (glyph == font.end()) throw std::invalid_argument(std::string("no pixel glyph for ") + c);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (glyph->second[std::size_t(row)][col] == '#')
          for (int sy = 0; sy < scale; ++sy)
            for (int sx = 0; sx < scale; ++sx) canvas.Plot(x + col * scale + sx, top + row * scale + sy, colour);
    x += 5 * scale + spacing;
  }
}

}  // namespace art
