// libFuzzer target over the PNG decoder. Each input is decoded three ways:
// - as it is;
// - with its chunk CRCs made right, so that mutations also reach the checks behind the CRC;
// - as the recipe of a well-framed picture: the first bytes choose the size, colour type,
//   palette and transparency, the rest become the scanlines (filter bytes included), which are
//   compressed here. Mutating compressed data rarely gives a valid stream, so this is how the
//   filters and the colour expansion meet arbitrary data.
// A decode must end either with a picture of consistent size or with a reason and no picture.
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <vector>

#include "gs/png_image.h"
#include "png_writer.h"

namespace {

void DecodeAndCheck(const std::uint8_t* data, std::size_t size) {
  gs::RgbaImage image;
  std::wstring error;
  if (gs::DecodePng(data, size, image, error)) {
    if (image.width == 0 || image.height == 0 || image.width > gs::kMaxPngSide || image.height > gs::kMaxPngSide ||
        image.pixels.size() != std::size_t(image.width) * image.height * 4 || !error.empty())
      __builtin_trap();
  } else if (error.empty() || !image.pixels.empty() || image.width != 0 || image.height != 0) {
    __builtin_trap();
  }
}

std::vector<std::uint8_t> FromRecipe(const std::uint8_t* data, std::size_t size) {
  if (size < 6) return {};
  static const std::uint8_t kTypes[] = {0, 2, 3, 4, 6};
  const std::uint32_t width = 1 + data[0] % 40, height = 1 + data[1] % 40;
  const std::uint8_t type = kTypes[data[2] % 5];
  const std::size_t colours = data[3] % 258;  // 0 and 257 are refused
  const std::size_t transparent = data[4] % 260;
  const bool extraBytes = data[5] & 1, missingByte = data[5] & 2;
  data += 6, size -= 6;
  std::vector<std::uint8_t> rest(data, data + size);
  if (rest.empty()) rest.push_back(0);

  std::vector<std::vector<std::uint8_t>> chunks = {art::PngChunk("IHDR", art::PngHeader(width, height, type))};
  std::size_t at = 0;
  auto take = [&](std::size_t n) {
    std::vector<std::uint8_t> out(n);
    for (auto& b : out) b = rest[at++ % rest.size()];
    return out;
  };
  if (colours) chunks.push_back(art::PngChunk("PLTE", take(colours * 3)));
  if (transparent) chunks.push_back(art::PngChunk("tRNS", take(transparent)));
  std::size_t scanlineBytes = std::size_t(height) * (std::size_t(width) * art::PngChannels(type) + 1);
  if (extraBytes) ++scanlineBytes;
  if (missingByte) --scanlineBytes;
  std::vector<std::uint8_t> scanlines = take(scanlineBytes);
  uLongf packedSize = compressBound(uLong(scanlines.size()));
  std::vector<std::uint8_t> packed(packedSize);
  compress2(packed.data(), &packedSize, scanlines.data(), uLong(scanlines.size()), 1);
  packed.resize(packedSize);
  chunks.push_back(art::PngChunk("IDAT", packed));
  chunks.push_back(art::PngChunk("IEND", {}));
  std::vector<std::uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
  for (const auto& chunk : chunks) png.insert(png.end(), chunk.begin(), chunk.end());
  return png;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  DecodeAndCheck(data, size);
  std::vector<std::uint8_t> repaired(data, data + size);
  art::RepairChunkCrcs(repaired);
  DecodeAndCheck(repaired.data(), repaired.size());
  const std::vector<std::uint8_t> built = FromRecipe(data, size);
  if (!built.empty()) DecodeAndCheck(built.data(), built.size());
  return 0;
}
