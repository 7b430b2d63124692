#include "platform/picture_scale.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <memory>

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

std::uint8_t ToByte(float value) { return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L)); }

// The two passes: along the rows into premultiplied floats (one intermediate picture, each of
// its values written once), then down the columns, one output row at a time, back to straight
// bytes. Fully transparent results are black.
void Resample(const RgbaImage& source, RgbaImage& result) {
  const std::vector<Tap> across = TapsFor(source.width, result.width);
  const std::vector<Tap> down = TapsFor(source.height, result.height);
  const std::size_t rowLength = static_cast<std::size_t>(result.width) * 4;
  std::unique_ptr<float[]> rows(new float[rowLength * source.height]);
  for (int y = 0; y < source.height; ++y) {
    const std::uint8_t* in = &source.pixels[static_cast<std::size_t>(y) * source.width * 4];
    float* out = &rows[rowLength * y];
    for (const Tap& tap : across) {
      float sum[4] = {0, 0, 0, 0};
      const std::uint8_t* pixel = in + static_cast<std::size_t>(tap.first) * 4;
      for (float weight : tap.weights) {
        const float alpha = pixel[3] * (weight / 255.0f);
        for (int c = 0; c < 3; ++c) sum[c] += pixel[c] * alpha;
        sum[3] += alpha;
        pixel += 4;
      }
      for (float value : sum) *out++ = value;
    }
  }
  std::vector<float> row(rowLength);
  result.pixels.resize(rowLength * result.height);
  for (int y = 0; y < result.height; ++y) {
    const Tap& tap = down[static_cast<std::size_t>(y)];
    std::fill(row.begin(), row.end(), 0.0f);
    for (std::size_t k = 0; k < tap.weights.size(); ++k) {
      const float* in = &rows[rowLength * (tap.first + k)];
      const float weight = tap.weights[k];
      for (std::size_t i = 0; i < rowLength; ++i) row[i] += in[i] * weight;
    }
    std::uint8_t* out = &result.pixels[rowLength * y];
    for (std::size_t i = 0; i < rowLength; i += 4) {
      const float alpha = row[i + 3];
      for (int c = 0; c < 3; ++c) out[i + c] = alpha > 0 ? ToByte(row[i + c] / alpha) : 0;
      out[i + 3] = ToByte(alpha * 255);
    }
  }
}

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
  result.width = width;
  result.height = height;
  Resample(source, result);
  return result;
}

}  // namespace platform
