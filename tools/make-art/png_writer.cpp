#include "png_writer.h"

#include <zlib.h>

#include <cstdlib>
#include <stdexcept>

namespace art {

namespace {

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(std::uint8_t(value >> shift));
}

std::uint8_t Predict(int filter, int a, int b, int c) {
  switch (filter) {
    case 1: return std::uint8_t(a);
    case 2: return std::uint8_t(b);
    case 3: return std::uint8_t((a + b) >> 1);
    case 4: {
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      return std::uint8_t(pa <= pb && pa <= pc ? a : (pb <= pc ? b : c));
    }
    default: return 0;
  }
}

void FilterRow(int filter, const std::uint8_t* cur, const std::uint8_t* prev, std::size_t length, std::size_t bpp, std::uint8_t* out) {
  for (std::size_t i = 0; i < length; ++i) {
    const int a = i >= bpp ? cur[i - bpp] : 0;
    const int b = prev ? prev[i] : 0;
    const int c = prev && i >= bpp ? prev[i - bpp] : 0;
    out[i] = std::uint8_t(cur[i] - Predict(filter, a, b, c));
  }
}

}  // namespace

std::vector<std::uint8_t> PngChunk(const std::string& type, const std::vector<std::uint8_t>& body) {
  if (type.size() != 4) throw std::invalid_argument("a chunk type has four letters");
  std::vector<std::uint8_t> out;
  PutU32(out, std::uint32_t(body.size()));
  out.insert(out.end(), type.begin(), type.end());
  out.insert(out.end(), body.begin(), body.end());
  PutU32(out, std::uint32_t(crc32(crc32(0, nullptr, 0), out.data() + 4, uInt(4 + body.size()))));
  return out;
}

std::vector<std::uint8_t> PngHeader(std::uint32_t width, std::uint32_t height, std::uint8_t colourType) {
  std::vector<std::uint8_t> body;
  PutU32(body, width);
  PutU32(body, height);
  body.insert(body.end(), {8, colourType, 0, 0, 0});
  return body;
}

int PngChannels(std::uint8_t colourType) {
  switch (colourType) {
    case 2: return 3;
    case 4: return 2;
    case 6: return 4;
    default: return 1;
  }
}

std::vector<std::uint8_t> FilterScanlines(const PngLayout& layout, const PngWriteOptions& options) {
  const std::size_t bpp = std::size_t(PngChannels(layout.colourType));
  const std::size_t rowBytes = layout.width * bpp;
  if (layout.samples.size() != rowBytes * layout.height) throw std::invalid_argument("sample count does not match the size");
  std::vector<std::uint8_t> out;
  std::vector<std::uint8_t> row(rowBytes), best(rowBytes);
  for (std::uint32_t y = 0; y < layout.height; ++y) {
    const std::uint8_t* cur = &layout.samples[y * rowBytes];
    const std::uint8_t* prev = y > 0 ? cur - rowBytes : nullptr;
    int chosen = options.filter;
    if (!options.rowFilters.empty()) chosen = options.rowFilters[y % options.rowFilters.size()];
    if (chosen >= 0) {
      FilterRow(chosen, cur, prev, rowBytes, bpp, best.data());
    } else {
      // The usual heuristic: the filter whose output, read as signed bytes, sums smallest.
      long bestSum = -1;
      for (int filter = 0; filter <= 4; ++filter) {
        FilterRow(filter, cur, prev, rowBytes, bpp, row.data());
        long sum = 0;
        for (std::uint8_t v : row) sum += v < 128 ? v : 256 - v;
        if (bestSum < 0 || sum < bestSum) bestSum = sum, chosen = filter, best.swap(row);
      }
    }
    out.push_back(std::uint8_t(chosen));
    out.insert(out.end(), best.begin(), best.end());
  }
  return out;
}

std::vector<std::uint8_t> EncodePng(const PngLayout& layout, const PngWriteOptions& options) {
  const std::vector<std::uint8_t> scanlines = FilterScanlines(layout, options);
  uLongf packedSize = compressBound(uLong(scanlines.size()));
  std::vector<std::uint8_t> packed(packedSize);
  if (compress2(packed.data(), &packedSize, scanlines.data(), uLong(scanlines.size()), options.level) != Z_OK)
    throw std::runtime_error("zlib could not compress the scanlines");
  packed.resize(packedSize);

  std::vector<std::uint8_t> out = {137, 80, 78, 71, 13, 10, 26, 10};
  auto append = [&out](const std::vector<std::uint8_t>& chunk) { out.insert(out.end(), chunk.begin(), chunk.end()); };
  append(PngChunk("IHDR", PngHeader(layout.width, layout.height, layout.colourType)));
  for (const auto& extra : layout.extras) append(extra);
  const std::size_t step = options.idatChunkSize ? options.idatChunkSize : packed.size();
  for (std::size_t at = 0; at < packed.size(); at += step) {
    const std::size_t n = std::min(step, packed.size() - at);
    append(PngChunk("IDAT", std::vector<std::uint8_t>(packed.begin() + long(at), packed.begin() + long(at + n))));
  }
  append(PngChunk("IEND", {}));
  return out;
}

void RepairChunkCrcs(std::vector<std::uint8_t>& png) {
  std::size_t offset = 8;
  while (offset + 12 <= png.size()) {
    const std::uint8_t* p = &png[offset];
    const std::size_t length = (std::size_t(p[0]) << 24) | (std::size_t(p[1]) << 16) | (std::size_t(p[2]) << 8) | p[3];
    if (length > png.size() - offset - 12) return;
    const std::uint32_t crc = std::uint32_t(crc32(crc32(0, nullptr, 0), p + 4, uInt(4 + length)));
    for (int i = 0; i < 4; ++i) png[offset + 8 + length + std::size_t(i)] = std::uint8_t(crc >> (24 - 8 * i));
    offset += 12 + length;
  }
}

std::vector<std::uint8_t> EncodeRgbaPng(const gs::RgbaImage& image, const PngWriteOptions& options) {
  bool opaque = true;
  for (std::size_t i = 3; i < image.pixels.size(); i += 4) opaque = opaque && image.pixels[i] == 255;
  PngLayout layout;
  layout.width = image.width;
  layout.height = image.height;
  layout.colourType = opaque ? 2 : 6;
  if (opaque) {
    layout.samples.reserve(image.pixels.size() / 4 * 3);
    for (std::size_t i = 0; i < image.pixels.size(); i += 4) layout.samples.insert(layout.samples.end(), {image.pixels[i], image.pixels[i + 1], image.pixels[i + 2]});
  } else {
    layout.samples = image.pixels;
  }
  return EncodePng(layout, options);
}

}  // namespace art
