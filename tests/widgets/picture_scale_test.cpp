// Pictures drawn at a finer screen's size: which source is used, and how its pixels are mixed.
#include <gtest/gtest.h>

#include <memory>

#include "platform/picture_scale.h"

namespace {

using platform::PictureAtSize;
using platform::RgbaImage;

using Pixel = std::array<int, 4>;

RgbaImage Row(std::initializer_list<Pixel> pixels) {
  RgbaImage image{static_cast<int>(pixels.size()), 1, {}, nullptr};
  for (const Pixel& p : pixels)
    for (int c : p) image.pixels.push_back(static_cast<std::uint8_t>(c));
  return image;
}

RgbaImage Plain(int width, int height, Pixel colour) {
  RgbaImage image{width, height, {}, nullptr};
  for (int i = 0; i < width * height; ++i)
    for (int c : colour) image.pixels.push_back(static_cast<std::uint8_t>(c));
  return image;
}

Pixel At(const RgbaImage& image, int x, int y) {
  const std::size_t i = (static_cast<std::size_t>(y) * image.width + x) * 4;
  return {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2], image.pixels[i + 3]};
}

TEST(PictureAtSize, MixesInPremultipliedAlphaAndTakesTheNearerSource) {
  const Pixel red{255, 0, 0, 255}, blue{0, 0, 255, 255}, clear{0, 0, 0, 0}, green{0, 200, 0, 255},
      magenta{200, 0, 200, 255}, haze{40, 80, 120, 100};
  auto withDoubled = [&](int size) {
    RgbaImage picture = Plain(size, size, green);
    picture.doubled = std::make_shared<RgbaImage>(Plain(2 * size, 2 * size, magenta));
    return picture;
  };
  struct Case {
    const char* what;
    RgbaImage picture;
    int width, height;
    std::vector<Pixel> expected;  // row by row; one pixel stands for a plain result
  } cases[] = {
      {"own size: the pixels unchanged", Row({red, clear, blue}), 3, 1, {red, clear, blue}},
      {"halved: the average", Row({red, blue}), 1, 1, {{128, 0, 128, 255}}},
      {"a transparent neighbour lends no colour", Row({red, clear}), 1, 1, {{255, 0, 0, 128}}},
      {"grown: interpolated between centres, ends kept", Row({{0, 0, 0, 255}, {255, 255, 255, 255}}), 4, 1,
       {{0, 0, 0, 255}, {64, 64, 64, 255}, {191, 191, 191, 255}, {255, 255, 255, 255}}},
      {"a plain colour stays plain when grown oddly", Plain(3, 3, haze), 5, 7, {haze}},
      {"125 %: from the picture itself", withDoubled(4), 5, 5, {green}},
      {"150 %: from the doubled picture", withDoubled(4), 6, 6, {magenta}},
      {"200 %: the doubled picture as it is", withDoubled(4), 8, 8, {magenta}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const RgbaImage shown = PictureAtSize(c.picture, c.width, c.height);
    ASSERT_EQ(shown.width, c.width);
    ASSERT_EQ(shown.height, c.height);
    EXPECT_EQ(shown.doubled, nullptr);
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x)
        EXPECT_EQ(At(shown, x, y), c.expected.size() == 1 ? c.expected[0] : c.expected[y * c.width + x])
            << "at " << x << ", " << y;
  }
  EXPECT_TRUE(PictureAtSize(RgbaImage{}, 4, 4).Empty()) << "no picture stays none";
}

}  // namespace
