#pragma once
// PNG decoding for the window art: a PNG file's bytes become an 8-bit RGBA picture with straight
// (not premultiplied) alpha.
//
// Accepted: 8 bits per sample, not interlaced, in any of the five colour types (grey, RGB,
// palette, grey with alpha, RGBA), with the transparency chunk (tRNS) for grey, RGB and palette
// pictures. Everything else, and every malformed file, is refused with a text that says why:
// a wrong signature, a truncated chunk, a bad CRC, chunks out of order, a missing IHDR, IDAT or
// IEND, a compressed stream that is broken or holds too little or too much data, an unknown
// filter type, dimensions of zero or beyond the limits below. Nothing allocated depends on the
// file beyond what those limits allow.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gs {

struct RgbaImage {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::vector<std::uint8_t> pixels;  // width * height * 4 bytes: R, G, B, A per pixel, rows top down

  const std::uint8_t* Pixel(std::uint32_t x, std::uint32_t y) const { return &pixels[(std::size_t(y) * width + x) * 4]; }
};

// Largest picture the decoder accepts: each side at most kMaxPngSide, and at most kMaxPngPixels
// pixels in all (16 MiB of RGBA). The program's pictures are a few hundred pixels wide.
inline constexpr std::uint32_t kMaxPngSide = 8192;
inline constexpr std::uint64_t kMaxPngPixels = std::uint64_t(1) << 22;

// Decodes `size` bytes at `data`. On success fills `image` and returns true; on failure leaves
// `image` empty, puts the reason in `error` and returns false.
bool DecodePng(const std::uint8_t* data, std::size_t size, RgbaImage& image, std::wstring& error);

inline bool DecodePng(const std::vector<std::uint8_t>& bytes, RgbaImage& image, std::wstring& error) {
  return DecodePng(bytes.data(), bytes.size(), image, error);
}

}  // namespace gs
