#include "gs/png_image.h"

#include <zlib.h>

#include <cstring>

namespace gs {

namespace {

constexpr std::uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
constexpr std::uint32_t kMaxChunkLength = 0x7FFFFFFFu;

enum ColourType : std::uint8_t { kGrey = 0, kRgb = 2, kPalette = 3, kGreyAlpha = 4, kRgba = 6 };

std::uint32_t ReadU32(const std::uint8_t* p) {
  return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}
std::uint16_t ReadU16(const std::uint8_t* p) { return std::uint16_t((p[0] << 8) | p[1]); }

bool IsLetter(std::uint8_t c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

std::wstring TypeText(const std::uint8_t* type) {
  std::wstring text;
  for (int i = 0; i < 4; ++i) text += wchar_t(type[i]);
  return text;
}

struct Header {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  std::uint8_t colourType = 0;
};

struct Span {
  const std::uint8_t* data;
  std::size_t size;
};

// What the chunk walk collects for the pixel stage.
struct Chunks {
  Header header;
  std::vector<std::uint8_t> palette;  // RGBA per entry
  bool hasKey = false;                // tRNS of a grey or RGB picture: this sample value is transparent
  std::uint16_t key[3] = {0, 0, 0};
  std::vector<Span> idat;
};

class Decoder {
 public:
  Decoder(const std::uint8_t* data, std::size_t size, std::wstring& error) : m_data(data), m_size(size), m_error(error) {}

  bool Run(RgbaImage& image) { return WalkChunks() && Inflate() && Unfilter() && Expand(image); }

 private:
  bool Fail(const std::wstring& text) {
    m_error = text;
    return false;
  }

  int Channels() const {
    switch (m_chunks.header.colourType) {
      case kGrey: return 1;
      case kRgb: return 3;
      case kPalette: return 1;
      case kGreyAlpha: return 2;
      default: return 4;
    }
  }

  bool WalkChunks();
  bool TakeHeader(const std::uint8_t* body, std::uint32_t length);
  bool TakePalette(const std::uint8_t* body, std::uint32_t length);
  bool TakeTransparency(const std::uint8_t* body, std::uint32_t length);
  bool Inflate();
  bool Unfilter();
  bool Expand(RgbaImage& image);

  const std::uint8_t* m_data;
  std::size_t m_size;
  std::wstring& m_error;
  Chunks m_chunks;
  bool m_hasPalette = false;
  std::size_t m_rowBytes = 0;
  std::vector<std::uint8_t> m_raw;  // filter byte + row bytes, per row
};

bool Decoder::WalkChunks() {
  if (m_size < sizeof kSignature || std::memcmp(m_data, kSignature, sizeof kSignature) != 0)
    return Fail(L"not a PNG file: the 8-byte PNG signature is missing");
  std::size_t offset = sizeof kSignature;
  bool seenHeader = false, seenTransparency = false, idatEnded = false, seenEnd = false;
  while (!seenEnd) {
    const std::size_t left = m_size - offset;
    if (left == 0) return Fail(seenHeader ? L"truncated file: no IEND chunk" : L"truncated file: no IHDR chunk");
    if (left < 12) return Fail(L"truncated file: chunk at offset " + std::to_wstring(offset) + L" has only " + std::to_wstring(left) + L" bytes");
    const std::uint8_t* chunk = m_data + offset;
    const std::uint32_t length = ReadU32(chunk);
    const std::uint8_t* type = chunk + 4;
    if (length > kMaxChunkLength) return Fail(L"chunk length " + std::to_wstring(length) + L" at offset " + std::to_wstring(offset) + L" exceeds 2^31-1");
    for (int i = 0; i < 4; ++i)
      if (!IsLetter(type[i])) return Fail(L"invalid chunk type at offset " + std::to_wstring(offset));
    const std::wstring name = TypeText(type);
    if (length > left - 12)
      return Fail(L"truncated file: chunk " + name + L" at offset " + std::to_wstring(offset) + L" needs " + std::to_wstring(length + 12ull) + L" bytes, " + std::to_wstring(left) + L" left");
    const std::uint8_t* body = chunk + 8;
    if (std::uint32_t(crc32(crc32(0, nullptr, 0), type, 4 + length)) != ReadU32(body + length))
      return Fail(L"bad CRC in chunk " + name + L" at offset " + std::to_wstring(offset));
    offset += 12 + std::size_t(length);

    const bool isIdat = name == L"IDAT";
    if (!m_chunks.idat.empty() && !isIdat) idatEnded = true;
    if (!seenHeader && name != L"IHDR") return Fail(L"the first chunk is " + name + L", not IHDR");
    if (name == L"IHDR") {
      if (seenHeader) return Fail(L"a second IHDR chunk");
      seenHeader = true;
      if (!TakeHeader(body, length)) return false;
    } else if (name == L"PLTE") {
      if (m_hasPalette) return Fail(L"a second PLTE chunk");
      if (!m_chunks.idat.empty()) return Fail(L"PLTE after IDAT");
      if (seenTransparency) return Fail(L"PLTE after tRNS");
      if (!TakePalette(body, length)) return false;
    } else if (name == L"tRNS") {
      if (seenTransparency) return Fail(L"a second tRNS chunk");
      if (!m_chunks.idat.empty()) return Fail(L"tRNS after IDAT");
      seenTransparency = true;
      if (!TakeTransparency(body, length)) return false;
    } else if (isIdat) {
      if (idatEnded) return Fail(L"IDAT chunks are not consecutive");
      if (m_chunks.header.colourType == kPalette && !m_hasPalette) return Fail(L"IDAT before PLTE in a palette picture");
      m_chunks.idat.push_back({body, length});
    } else if (name == L"IEND") {
      if (length != 0) return Fail(L"IEND chunk is not empty");
      seenEnd = true;
    } else if (!(type[0] & 0x20)) {
      return Fail(L"unknown critical chunk " + name);
    }
    // Other ancillary chunks (text, gamma, physical size, ...) do not change the pixels.
  }
  if (m_chunks.idat.empty()) return Fail(L"no IDAT chunk before IEND");
  if (offset != m_size) return Fail(std::to_wstring(m_size - offset) + L" bytes after the IEND chunk");
  return true;
}

bool Decoder::TakeHeader(const std::uint8_t* body, std::uint32_t length) {
  if (length != 13) return Fail(L"IHDR chunk of " + std::to_wstring(length) + L" bytes instead of 13");
  Header& header = m_chunks.header;
  header.width = ReadU32(body);
  header.height = ReadU32(body + 4);
  const std::uint8_t depth = body[8];
  header.colourType = body[9];
  const std::wstring size = std::to_wstring(header.width) + L" x " + std::to_wstring(header.height);
  if (header.width == 0 || header.height == 0) return Fail(L"picture of " + size + L" pixels has no area");
  if (header.width > kMaxPngSide || header.height > kMaxPngSide || std::uint64_t(header.width) * header.height > kMaxPngPixels)
    return Fail(L"picture of " + size + L" pixels is larger than the decoder accepts");
  const std::uint8_t type = header.colourType;
  if (type != kGrey && type != kRgb && type != kPalette && type != kGreyAlpha && type != kRgba)
    return Fail(L"invalid colour type " + std::to_wstring(type));
  if (depth != 8) return Fail(L"bit depth " + std::to_wstring(depth) + L" is not supported (8 bits per sample only)");
  if (body[10] != 0) return Fail(L"unknown compression method " + std::to_wstring(body[10]));
  if (body[11] != 0) return Fail(L"unknown filter method " + std::to_wstring(body[11]));
  if (body[12] == 1) return Fail(L"interlaced pictures are not supported");
  if (body[12] != 0) return Fail(L"unknown interlace method " + std::to_wstring(body[12]));
  return true;
}

bool Decoder::TakePalette(const std::uint8_t* body, std::uint32_t length) {
  const std::uint8_t type = m_chunks.header.colourType;
  if (type == kGrey || type == kGreyAlpha) return Fail(L"PLTE chunk in a grey picture");
  if (length == 0 || length % 3 != 0 || length > 256 * 3) return Fail(L"PLTE chunk of " + std::to_wstring(length) + L" bytes");
  m_hasPalette = true;
  if (type != kPalette) return true;  // a suggested palette for an RGB picture: not needed
  for (std::uint32_t i = 0; i < length; i += 3) m_chunks.palette.insert(m_chunks.palette.end(), {body[i], body[i + 1], body[i + 2], 255});
  return true;
}

bool Decoder::TakeTransparency(const std::uint8_t* body, std::uint32_t length) {
  switch (m_chunks.header.colourType) {
    case kGrey:
      if (length != 2) return Fail(L"tRNS chunk of " + std::to_wstring(length) + L" bytes in a grey picture");
      m_chunks.hasKey = true;
      m_chunks.key[0] = ReadU16(body);
      return true;
    case kRgb:
      if (length != 6) return Fail(L"tRNS chunk of " + std::to_wstring(length) + L" bytes in an RGB picture");
      m_chunks.hasKey = true;
      for (int i = 0; i < 3; ++i) m_chunks.key[i] = ReadU16(body + 2 * i);
      return true;
    case kPalette:
      if (!m_hasPalette) return Fail(L"tRNS before PLTE in a palette picture");
      if (length > m_chunks.palette.size() / 4) return Fail(L"tRNS chunk has more entries than PLTE");
      for (std::uint32_t i = 0; i < length; ++i) m_chunks.palette[i * 4 + 3] = body[i];
      return true;
    default:
      return Fail(L"tRNS chunk in a picture that has an alpha channel");
  }
}

bool Decoder::Inflate() {
  const Header& header = m_chunks.header;
  m_rowBytes = std::size_t(header.width) * Channels();
  const std::size_t expected = std::size_t(header.height) * (m_rowBytes + 1);
  m_raw.assign(expected, 0);

  z_stream stream{};
  if (inflateInit(&stream) != Z_OK) return Fail(L"the decompressor could not start");
  struct End {
    z_stream* s;
    ~End() { inflateEnd(s); }
  } end{&stream};
  stream.next_out = m_raw.data();
  stream.avail_out = uInt(expected);

  bool ended = false;
  for (const Span& span : m_chunks.idat) {
    stream.next_in = const_cast<Bytef*>(span.data);
    stream.avail_in = uInt(span.size);
    while (stream.avail_in > 0) {
      if (ended) return Fail(L"IDAT holds data after the end of the compressed stream");
      const int result = inflate(&stream, Z_NO_FLUSH);
      if (result == Z_STREAM_END) {
        ended = true;
      } else if (result == Z_BUF_ERROR && stream.avail_out == 0) {
        return Fail(L"IDAT holds more image data than " + std::to_wstring(expected) + L" bytes");
      } else if (result == Z_NEED_DICT) {
        return Fail(L"the compressed stream needs a preset dictionary");
      } else if (result != Z_OK) {
        std::wstring text = L"bad compressed stream in IDAT";
        if (stream.msg) text += L": " + std::wstring(stream.msg, stream.msg + std::strlen(stream.msg));
        return Fail(text);
      }
    }
  }
  const std::size_t produced = expected - stream.avail_out;
  if (!ended && produced == expected) return Fail(L"the compressed stream in IDAT does not end");
  if (produced != expected)
    return Fail(L"IDAT holds " + std::to_wstring(produced) + L" bytes of image data instead of " + std::to_wstring(expected));
  return true;
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) return std::uint8_t(a);
  return std::uint8_t(pb <= pc ? b : c);
}

bool Decoder::Unfilter() {
  const std::size_t stride = m_rowBytes + 1;
  const std::size_t bpp = std::size_t(Channels());
  for (std::uint32_t y = 0; y < m_chunks.header.height; ++y) {
    std::uint8_t* row = &m_raw[y * stride];
    const std::uint8_t filter = row[0];
    std::uint8_t* cur = row + 1;
    const std::uint8_t* prev = y > 0 ? cur - stride : nullptr;
    for (std::size_t i = 0; i < m_rowBytes; ++i) {
      const int a = i >= bpp ? cur[i - bpp] : 0;
      const int b = prev ? prev[i] : 0;
      const int c = prev && i >= bpp ? prev[i - bpp] : 0;
      switch (filter) {
        case 0: break;
        case 1: cur[i] = std::uint8_t(cur[i] + a); break;
        case 2: cur[i] = std::uint8_t(cur[i] + b); break;
        case 3: cur[i] = std::uint8_t(cur[i] + ((a + b) >> 1)); break;
        case 4: cur[i] = std::uint8_t(cur[i] + Paeth(a, b, c)); break;
        default: return Fail(L"unknown filter type " + std::to_wstring(filter) + L" in row " + std::to_wstring(y));
      }
    }
  }
  return true;
}

bool Decoder::Expand(RgbaImage& image) {
  const Header& header = m_chunks.header;
  std::vector<std::uint8_t> pixels(std::size_t(header.width) * header.height * 4);
  const std::size_t colours = m_chunks.palette.size() / 4;
  std::uint8_t* out = pixels.data();
  for (std::uint32_t y = 0; y < header.height; ++y) {
    const std::uint8_t* in = &m_raw[y * (m_rowBytes + 1) + 1];
    for (std::uint32_t x = 0; x < header.width; ++x, out += 4) {
      switch (header.colourType) {
        case kGrey:
          out[0] = out[1] = out[2] = in[x];
          out[3] = m_chunks.hasKey && m_chunks.key[0] == in[x] ? 0 : 255;
          break;
        case kRgb: {
          const std::uint8_t* p = in + std::size_t(x) * 3;
          out[0] = p[0], out[1] = p[1], out[2] = p[2];
          out[3] = m_chunks.hasKey && m_chunks.key[0] == p[0] && m_chunks.key[1] == p[1] && m_chunks.key[2] == p[2] ? 0 : 255;
          break;
        }
        case kPalette:
          if (in[x] >= colours)
            return Fail(L"palette index " + std::to_wstring(in[x]) + L" beyond the " + std::to_wstring(colours) + L" colours of PLTE");
          std::memcpy(out, &m_chunks.palette[std::size_t(in[x]) * 4], 4);
          break;
        case kGreyAlpha:
          out[0] = out[1] = out[2] = in[std::size_t(x) * 2];
          out[3] = in[std::size_t(x) * 2 + 1];
          break;
        default:
          std::memcpy(out, in + std::size_t(x) * 4, 4);
          break;
      }
    }
  }
  image.width = header.width;
  image.height = header.height;
  image.pixels = std::move(pixels);
  return true;
}

}  // namespace

bool DecodePng(const std::uint8_t* data, std::size_t size, RgbaImage& image, std::wstring& error) {
  image = RgbaImage{};
  error.clear();
  if (!data) size = 0;
  Decoder decoder(data, size, error);
  return decoder.Run(image);
}

}  // namespace gs
