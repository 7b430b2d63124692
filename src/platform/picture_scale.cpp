#include "platform/picture_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>

namespace platform {

namespace {

// How one output pixel of a row (or column) is made from the source's pixels.
struct Tap {
  int first = 0;                // first source pixel
  std::vector<float> weights;   // for first, first + 1, ...; they add up to 1
};

// Shrinking: each output pixel averages the source pixels its footprint covers, in proportion.
// Growing: each output pixel interpolates the two source pixels nearest its centre.
std::vector<Tap> TapsFor(int from, int to) {
  std::vector<Tap> taps(static_cast<std::size_t>(to));
  const double ratio = static_cast<double>(from) / to;
  for (int i = 0; i < to; ++i) {
    Tap& tap = taps[static_cast<std::size_t>(i)];
    if (ratio >= 1) {
      const double begin = i * ratio, end = (i + 1) * ratio;
      tap.first = static_cast<int>(std::floor(begin));
      const int last = std::min(from - 1, static_cast<int>(std::ceil(end)) - 1);
      for (int s = tap.first; s <= last; ++s)
        tap.weights.push_back(static_cast<float>((std::min<double>(end, s + 1) - std::max<double>(begin, s)) / ratio));
    } else {
      const double centre = std::clamp((i + 0.5) * ratio - 0.5, 0.0, from - 1.0);
      tap.first = std::min(static_cast<int>(centre), std::max(0, from - 2));
      const float right = static_cast<float>(centre - tap.first);
      tap.weights = from > 1 ? std::vector<float>{1 - right, right} : std::vector<float>{1};
    }
  }
  return taps;
}

// A float picture, premultiplied, four channels per pixel.
struct Plane {
  int width = 0;
  int height = 0;
  std::vector<float> values;
  float* At(int x, int y) { return &values[(static_cast<std::size_t>(y) * width + x) * 4]; }
  const float* At(int x, int y) const { return &values[(static_cast<std::size_t>(y) * width + x) * 4]; }
};

Plane Premultiplied(const RgbaImage& picture) {
  Plane plane{picture.width, picture.height, std::vector<float>(picture.pixels.size())};
  for (std::size_t i = 0; i + 3 < picture.pixels.size(); i += 4) {
    const float alpha = picture.pixels[i + 3] / 255.0f;
    for (int c = 0; c < 3; ++c) plane.values[i + c] = picture.pixels[i + c] * alpha;
    plane.values[i + 3] = alpha;
  }
  return plane;
}

// One pass along rows (`horizontal`) or columns.
Plane Resample(const Plane& source, int size, bool horizontal) {
  const std::vector<Tap> taps = TapsFor(horizontal ? source.width : source.height, size);
  Plane result{horizontal ? size : source.width, horizontal ? source.height : size, {}};
  result.values.assign(static_cast<std::size_t>(result.width) * result.height * 4, 0.0f);
  for (int y = 0; y < result.height; ++y) {
    for (int x = 0; x < result.width; ++x) {
      const Tap& tap = taps[static_cast<std::size_t>(horizontal ? x : y)];
      float* out = result.At(x, y);
      for (std::size_t k = 0; k < tap.weights.size(); ++k) {
        const int s = tap.first + static_cast<int>(k);
        const float* in = horizontal ? source.At(s, y) : source.At(x, s);
        for (int c = 0; c < 4; ++c) out[c] += in[c] * tap.weights[k];
      }
    }
  }
  return result;
}

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

}  // namespace

RgbaImage PictureAtSize(const RgbaImage& picture, int width, int height) {
  RgbaImage result;
  if (picture.Empty() || width <= 0 || height <= 0) return result;
  const bool fromDoubled = picture.doubled && !picture.doubled->Empty() && 2 * width >= 3 * picture.width;
  const RgbaImage& source = fromDoubled ? *picture.doubled : picture;
  if (source.width == width && source.height == height) {
    result.width = width;
    result.height = height;
    result.pixels = source.pixels;
    return result;
  }
  const Plane done = Resample(Resample(Premultiplied(source), width, true), height, false);
  result.width = width;
  result.height = height;
  result.pixels.resize(static_cast<std::size_t>(width) * height * 4);
  for (std::size_t i = 0; i + 3 < result.pixels.size(); i += 4) {
    const float alpha = done.values[i + 3];
    for (int c = 0; c < 3; ++c) result.pixels[i + c] = alpha > 0 ? ToByte(done.values[i + c] / alpha) : 0;
    result.pixels[i + 3] = ToByte(alpha * 255);
  }
  return result;
}

}  // namespace platform
