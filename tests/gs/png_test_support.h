#pragma once
// Helpers for the PNG decoder tests: files assembled chunk by chunk, and decoding with the
// reason kept.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "gs/png_image.h"
#include "png_writer.h"

namespace test {

using Bytes = std::vector<std::uint8_t>;

inline const Bytes kPngSignature = {137, 80, 78, 71, 13, 10, 26, 10};

inline void Append(Bytes& out, const Bytes& more) { out.insert(out.end(), more.begin(), more.end()); }

inline Bytes Compress(const Bytes& data) {
  uLongf size = compressBound(uLong(data.size()));
  Bytes out(size);
  compress2(out.data(), &size, data.data(), uLong(data.size()), 9);
  out.resize(size);
  return out;
}

// Signature, the given chunks in order.
inline Bytes PngOf(const std::vector<Bytes>& chunks) {
  Bytes out = kPngSignature;
  for (const Bytes& chunk : chunks) Append(out, chunk);
  return out;
}

// A complete file: IHDR, the extras, one IDAT with `stream` (already compressed), IEND.
inline Bytes PngWithStream(std::uint32_t width, std::uint32_t height, std::uint8_t colourType, const Bytes& stream,
                           const std::vector<Bytes>& extras = {}) {
  std::vector<Bytes> chunks = {art::PngChunk("IHDR", art::PngHeader(width, height, colourType))};
  chunks.insert(chunks.end(), extras.begin(), extras.end());
  chunks.push_back(art::PngChunk("IDAT", stream));
  chunks.push_back(art::PngChunk("IEND", {}));
  return PngOf(chunks);
}

// Scanlines given with their filter bytes, compressed into one IDAT.
inline Bytes PngWithScanlines(std::uint32_t width, std::uint32_t height, std::uint8_t colourType, const Bytes& scanlines,
                              const std::vector<Bytes>& extras = {}) {
  return PngWithStream(width, height, colourType, Compress(scanlines), extras);
}

struct Decoded {
  bool ok = false;
  gs::RgbaImage image;
  std::string error;  // ASCII copy of the decoder's reason
};

inline Decoded Decode(const Bytes& bytes) {
  Decoded result;
  std::wstring error;
  result.ok = gs::DecodePng(bytes, result.image, error);
  for (wchar_t c : error) result.error += char(c);
  return result;
}

inline Bytes PixelsOf(const gs::RgbaImage& image, std::uint32_t x, std::uint32_t y) {
  const std::uint8_t* p = image.Pixel(x, y);
  return Bytes(p, p + 4);
}

}  // namespace test
