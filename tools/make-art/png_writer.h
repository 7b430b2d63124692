#pragma once
// A small PNG encoder for the art generator and the decoder's tests: 8-bit samples in any colour
// type, the filter of each row chosen or fixed, the compressed stream split over several IDAT
// chunks if asked.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "gs/png_image.h"

namespace art {

// One complete chunk: length, type, body and CRC.
std::vector<std::uint8_t> PngChunk(const std::string& type, const std::vector<std::uint8_t>& body);

// The 13-byte IHDR body: 8-bit samples, compression, filter and interlace method 0.
std::vector<std::uint8_t> PngHeader(std::uint32_t width, std::uint32_t height, std::uint8_t colourType);

struct PngLayout {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t colourType = 6;                     // 0 grey, 2 RGB, 3 palette, 4 grey + alpha, 6 RGBA
  std::vector<std::uint8_t> samples;               // height rows of width * channels bytes
  std::vector<std::vector<std::uint8_t>> extras;   // complete chunks between IHDR and IDAT (PLTE, tRNS)
};

struct PngWriteOptions {
  int filter = -1;                // 0..4 for every row; -1 picks per row the one that compresses best
  std::vector<int> rowFilters;    // if not empty: the filter of row y is rowFilters[y % size]
  std::size_t idatChunkSize = 0;  // 0: one IDAT chunk; else the stream is cut into chunks of this size
  int level = 9;                  // zlib compression level
};

int PngChannels(std::uint8_t colourType);

// The filtered scanlines (a filter byte before each row) that IDAT compresses.
std::vector<std::uint8_t> FilterScanlines(const PngLayout& layout, const PngWriteOptions& options);

std::vector<std::uint8_t> EncodePng(const PngLayout& layout, const PngWriteOptions& options = {});

// Recomputes the CRC of every chunk whose length fits in the bytes, from the signature on; the
// fuzz target and the tests use it to reach the checks that come after the CRC.
void RepairChunkCrcs(std::vector<std::uint8_t>& png);

// An RGBA picture as PNG: colour type 2 if every pixel is opaque, else 6.
std::vector<std::uint8_t> EncodeRgbaPng(const gs::RgbaImage& image, const PngWriteOptions& options = {});

}  // namespace art
