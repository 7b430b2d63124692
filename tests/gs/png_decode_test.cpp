// The PNG decoder on well-formed pictures: every filter, every colour type, split streams.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "png_test_support.h"

namespace {

using test::Bytes;
using test::Decode;
using test::PixelsOf;

// A deterministic picture with every channel varying, so a wrong neighbour in a filter shows.
gs::RgbaImage Pattern(std::uint32_t width, std::uint32_t height, bool withAlpha) {
  gs::RgbaImage image;
  image.width = width;
  image.height = height;
  std::uint32_t state = 12345;
  for (std::uint32_t i = 0; i < width * height; ++i) {
    for (int c = 0; c < 4; ++c) {
      state = state * 1103515245u + 12345u;
      image.pixels.push_back(c == 3 && !withAlpha ? 255 : std::uint8_t((state >> 16) & 0xFF));
    }
  }
  return image;
}

TEST(PngDecode, HandFilteredRowsOfEveryFilterType) {
  // Two RGB pixels per row; rows filtered Sub, Average, Paeth, Up, Paeth, None. The expected
  // pixels were worked out by hand from the filter definitions; row 4 holds the Paeth cases
  // where a tie must go to the left neighbour (pa == pc) and to the upper one (pb == pc).
  const Bytes scanlines = {
      1, 10, 20, 30, 5, 250, 7,  //
      3, 1, 2, 3, 4, 5, 6,       //
      4, 100, 0, 255, 3, 0, 1,   //
      2, 250, 1, 2, 3, 4, 5,     //
      4, 232, 0, 246, 0, 0, 0,   //
      0, 1, 2, 3, 4, 5, 6,
  };
  const std::vector<Bytes> expected = {{10, 20, 30}, {15, 14, 37}, {6, 12, 18},  {14, 18, 33}, {106, 12, 17}, {109, 18, 34},
                                       {100, 13, 19}, {112, 22, 39}, {76, 13, 9}, {76, 22, 39}, {1, 2, 3},     {4, 5, 6}};
  auto decoded = Decode(test::PngWithScanlines(2, 6, 2, scanlines));
  ASSERT_TRUE(decoded.ok) << decoded.error;
  ASSERT_EQ(decoded.image.width, 2u);
  ASSERT_EQ(decoded.image.height, 6u);
  for (std::uint32_t i = 0; i < 12; ++i) {
    Bytes pixel = expected[i];
    pixel.push_back(255);
    EXPECT_EQ(PixelsOf(decoded.image, i % 2, i / 2), pixel) << "pixel " << i % 2 << ", " << i / 2;
  }

  // The encoder used by the other tests and the art tool filters those pixels back to the same bytes.
  art::PngLayout layout{2, 6, 2, {}, {}};
  for (const Bytes& pixel : expected) layout.samples.insert(layout.samples.end(), pixel.begin(), pixel.end());
  art::PngWriteOptions options;
  options.rowFilters = {1, 3, 4, 2, 4, 0};
  EXPECT_EQ(art::FilterScanlines(layout, options), scanlines);
}

TEST(PngDecode, RgbAndRgbaRoundTripThroughEachFilterAndSplitStreams) {
  for (bool alpha : {false, true}) {
    const gs::RgbaImage original = Pattern(13, 9, alpha);
    for (int filter = -1; filter <= 4; ++filter) {
      for (std::size_t chunk : {std::size_t(0), std::size_t(1), std::size_t(7)}) {
        art::PngWriteOptions options;
        options.filter = filter;
        options.idatChunkSize = chunk;
        const Bytes png = art::EncodeRgbaPng(original, options);
        EXPECT_EQ(png[25], alpha ? 6 : 2) << "colour type in IHDR";
        auto decoded = Decode(png);
        ASSERT_TRUE(decoded.ok) << decoded.error << " (filter " << filter << ", chunk " << chunk << ")";
        EXPECT_EQ(decoded.image.width, 13u);
        EXPECT_EQ(decoded.image.height, 9u);
        EXPECT_EQ(decoded.image.pixels, original.pixels) << "alpha " << alpha << ", filter " << filter << ", chunk " << chunk;
      }
    }
  }
  // A single-pixel picture and one row of a wide one.
  for (auto [w, h] : {std::pair<std::uint32_t, std::uint32_t>{1, 1}, {300, 1}, {1, 200}}) {
    const gs::RgbaImage original = Pattern(w, h, true);
    auto decoded = Decode(art::EncodeRgbaPng(original));
    ASSERT_TRUE(decoded.ok) << decoded.error;
    EXPECT_EQ(decoded.image.pixels, original.pixels) << w << " x " << h;
  }
}

TEST(PngDecode, GreyPaletteAndTransparencyBecomeStraightRgba) {
  // Grey with a transparent key value, and grey with alpha.
  auto grey = Decode(test::PngWithScanlines(3, 1, 0, {0, 0, 128, 255}, {art::PngChunk("tRNS", {0, 128})}));
  ASSERT_TRUE(grey.ok) << grey.error;
  EXPECT_EQ(grey.image.pixels, (Bytes{0, 0, 0, 255, 128, 128, 128, 0, 255, 255, 255, 255}));
  auto greyAlpha = Decode(test::PngWithScanlines(2, 1, 4, {0, 40, 200, 90, 10}));
  ASSERT_TRUE(greyAlpha.ok) << greyAlpha.error;
  EXPECT_EQ(greyAlpha.image.pixels, (Bytes{40, 40, 40, 200, 90, 90, 90, 10}));

  // RGB with a transparent key colour: only the exact colour becomes transparent.
  auto keyed = Decode(test::PngWithScanlines(2, 1, 2, {0, 1, 2, 3, 1, 2, 4}, {art::PngChunk("tRNS", {0, 1, 0, 2, 0, 3})}));
  ASSERT_TRUE(keyed.ok) << keyed.error;
  EXPECT_EQ(keyed.image.pixels, (Bytes{1, 2, 3, 0, 1, 2, 4, 255}));

  // A palette of three colours, the first two with alpha from tRNS, the third opaque; the Sub
  // filter works on indices.
  const Bytes palette = {255, 0, 0, 0, 255, 0, 0, 0, 255};
  auto indexed = Decode(test::PngWithScanlines(3, 1, 3, {1, 2, 255, 255}, {art::PngChunk("PLTE", palette), art::PngChunk("tRNS", {0, 128})}));
  ASSERT_TRUE(indexed.ok) << indexed.error;
  EXPECT_EQ(indexed.image.pixels, (Bytes{0, 0, 255, 255, 0, 255, 0, 128, 255, 0, 0, 0}));

  // A suggested palette in an RGB picture and unknown ancillary chunks change nothing.
  auto extras = Decode(test::PngWithScanlines(1, 1, 2, {0, 7, 8, 9}, {art::PngChunk("PLTE", {1, 2, 3}), art::PngChunk("tEXt", {'a', 0, 'b'}),
                                                                      art::PngChunk("prVt", {})}));
  ASSERT_TRUE(extras.ok) << extras.error;
  EXPECT_EQ(extras.image.pixels, (Bytes{7, 8, 9, 255}));
}

TEST(PngDecode, EmptyIdatChunksAndTheLargestAcceptedPicture) {
  // The stream may be spread with empty IDAT chunks in between.
  const Bytes stream = test::Compress({0, 5, 6, 7, 8});
  Bytes png = test::PngOf({art::PngChunk("IHDR", art::PngHeader(1, 1, 6)), art::PngChunk("IDAT", {}),
                           art::PngChunk("IDAT", Bytes(stream.begin(), stream.begin() + 3)), art::PngChunk("IDAT", {}),
                           art::PngChunk("IDAT", Bytes(stream.begin() + 3, stream.end())), art::PngChunk("IDAT", {}), art::PngChunk("IEND", {})});
  auto decoded = Decode(png);
  ASSERT_TRUE(decoded.ok) << decoded.error;
  EXPECT_EQ(decoded.image.pixels, (Bytes{5, 6, 7, 8}));

  // 8192 x 512 is exactly the pixel limit.
  const std::uint32_t w = gs::kMaxPngSide, h = std::uint32_t(gs::kMaxPngPixels / gs::kMaxPngSide);
  Bytes rows(std::size_t(h) * (w * 2 + 1), 0);
  auto big = Decode(test::PngWithScanlines(w, h, 4, rows));
  ASSERT_TRUE(big.ok) << big.error;
  EXPECT_EQ(big.image.pixels.size(), std::size_t(w) * h * 4);
}

}  // namespace

namespace {

TEST(PngDecode, FilesOfAnotherEncoderMatchItsOwnPixelDump) {
  // Written by ImageMagick (libpng: Sub, Average and Paeth rows, gAMA, cHRM, bKGD, tIME and tEXt
  // chunks), with the pixels it reads back from them dumped as raw RGBA beside them.
  for (const char* name : {"other_rgba", "other_rgb"}) {
    const std::string base = std::string(DRAVENTA_GS_TEST_DATA) + "/" + name;
    auto read = [](const std::string& path) {
      std::ifstream in(path, std::ios::binary);
      return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    };
    const Bytes expected = read(base + ".rgba");
    ASSERT_FALSE(expected.empty()) << base;
    auto decoded = Decode(read(base + ".png"));
    ASSERT_TRUE(decoded.ok) << name << ": " << decoded.error;
    EXPECT_EQ(decoded.image.pixels, expected) << name;
  }
}

}  // namespace
