// The PNG decoder refuses malformed and unsupported files with a reason, and survives any
// damage to a good one.
#include <gtest/gtest.h>

#include "png_test_support.h"

namespace {

using art::PngChunk;
using art::PngHeader;
using test::Bytes;
using test::Decode;

const Bytes kRgbaRow = {0, 1, 2, 3, 4, 5, 6, 7, 8};  // one row of two RGBA pixels, filter None

Bytes IhdrWith(std::size_t index, std::uint8_t value) {  // a 2 x 1 RGBA header with one byte changed
  Bytes body = PngHeader(2, 1, 6);
  body[index] = value;
  return PngChunk("IHDR", body);
}

Bytes Good() { return test::PngWithScanlines(2, 1, 6, kRgbaRow); }

// Refused, with an empty picture and a reason that contains `reason`.
void ExpectRefused(const Bytes& png, const std::string& reason, const std::string& what) {
  auto decoded = Decode(png);
  EXPECT_FALSE(decoded.ok) << what;
  EXPECT_EQ(decoded.image.width, 0u) << what;
  EXPECT_TRUE(decoded.image.pixels.empty()) << what;
  EXPECT_NE(decoded.error.find(reason), std::string::npos) << what << ": the reason was \"" << decoded.error << "\"";
}

TEST(PngRefuse, DamagedFramingAndChunkOrder) {
  const Bytes idat = PngChunk("IDAT", test::Compress(kRgbaRow));
  const Bytes ihdr = PngChunk("IHDR", PngHeader(2, 1, 6));
  const Bytes iend = PngChunk("IEND", {});
  ASSERT_TRUE(Decode(Good()).ok);

  ExpectRefused({}, "signature", "empty input");
  ExpectRefused(Bytes(test::kPngSignature.begin(), test::kPngSignature.begin() + 7), "signature", "seven bytes");
  Bytes badSignature = Good();
  badSignature[1] = 'Q';
  ExpectRefused(badSignature, "signature", "wrong signature");
  ExpectRefused(test::kPngSignature, "no IHDR", "signature alone");

  Bytes badCrc = Good();
  badCrc[43] ^= 0x01;  // inside the IDAT body (IHDR ends at 33, IDAT's body starts at 41)
  ExpectRefused(badCrc, "bad CRC in chunk IDAT", "IDAT byte changed");
  Bytes badCrcHeader = Good();
  badCrcHeader[29] ^= 0x80;  // the IHDR CRC itself
  ExpectRefused(badCrcHeader, "bad CRC in chunk IHDR", "IHDR CRC changed");

  Bytes hugeLength = test::PngOf({ihdr});
  test::Append(hugeLength, {0xFF, 0xFF, 0xFF, 0xFF, 'I', 'D', 'A', 'T', 0, 0, 0, 0});
  ExpectRefused(hugeLength, "exceeds 2^31-1", "chunk length 0xFFFFFFFF");
  Bytes longerThanFile = test::PngOf({ihdr});
  test::Append(longerThanFile, {0x00, 0x10, 0x00, 0x00, 'I', 'D', 'A', 'T', 0, 0, 0, 0});
  ExpectRefused(longerThanFile, "truncated file: chunk IDAT", "chunk longer than the file");
  Bytes badType = Good();
  badType[38] = '4';  // the second letter of "IDAT"
  art::RepairChunkCrcs(badType);
  ExpectRefused(badType, "invalid chunk type", "digit in a chunk type");

  ExpectRefused(test::PngOf({idat, ihdr, iend}), "first chunk is IDAT, not IHDR", "IDAT first");
  ExpectRefused(test::PngOf({ihdr, ihdr, idat, iend}), "second IHDR", "two IHDR");
  ExpectRefused(test::PngOf({ihdr, iend}), "no IDAT", "no IDAT");
  ExpectRefused(test::PngOf({ihdr, idat}), "no IEND", "no IEND");
  ExpectRefused(test::PngOf({ihdr, idat, PngChunk("IEND", {0})}), "IEND chunk is not empty", "IEND with a body");
  Bytes trailing = Good();
  trailing.push_back(0);
  ExpectRefused(trailing, "1 bytes after the IEND chunk", "a byte after IEND");
  ExpectRefused(test::PngOf({ihdr, idat, iend, iend}), "after the IEND", "two IEND");

  // IDAT split by another chunk; PLTE and tRNS after the picture data; an unknown critical chunk.
  const Bytes stream = test::Compress(kRgbaRow);
  ExpectRefused(test::PngOf({ihdr, PngChunk("IDAT", Bytes(stream.begin(), stream.begin() + 4)), PngChunk("tEXt", {'a', 0}),
                             PngChunk("IDAT", Bytes(stream.begin() + 4, stream.end())), iend}),
                "not consecutive", "IDAT, tEXt, IDAT");
  ExpectRefused(test::PngOf({ihdr, idat, PngChunk("PLTE", {1, 2, 3}), iend}), "PLTE after IDAT", "late PLTE");
  ExpectRefused(test::PngOf({ihdr, PngChunk("ABCD", {}), idat, iend}), "unknown critical chunk ABCD", "unknown critical chunk");
}

TEST(PngRefuse, HeaderValuesOutsideWhatIsAccepted) {
  const Bytes idat = PngChunk("IDAT", test::Compress(kRgbaRow));
  const Bytes iend = PngChunk("IEND", {});
  auto withHeader = [&](const Bytes& header) { return test::PngOf({header, idat, iend}); };
  ExpectRefused(withHeader(PngChunk("IHDR", Bytes(12, 0))), "IHDR chunk of 12 bytes", "short IHDR");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(0, 1, 6))), "no area", "zero width");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(2, 0, 6))), "no area", "zero height");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(gs::kMaxPngSide + 1, 1, 6))), "larger than the decoder accepts", "too wide");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(1, 0x7FFFFFFF, 6))), "larger than the decoder accepts", "too tall");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(4096, 4096, 6))), "larger than the decoder accepts", "too many pixels");
  ExpectRefused(withHeader(PngChunk("IHDR", PngHeader(0xFFFFFFFF, 0xFFFFFFFF, 6))), "larger than the decoder accepts", "sides of 2^32-1");
  ExpectRefused(withHeader(IhdrWith(8, 16)), "bit depth 16 is not supported", "16-bit samples");
  ExpectRefused(withHeader(IhdrWith(8, 1)), "bit depth 1 is not supported", "1-bit samples");
  ExpectRefused(withHeader(IhdrWith(9, 5)), "invalid colour type 5", "colour type 5");
  ExpectRefused(withHeader(IhdrWith(10, 1)), "unknown compression method 1", "compression method");
  ExpectRefused(withHeader(IhdrWith(11, 1)), "unknown filter method 1", "filter method");
  ExpectRefused(withHeader(IhdrWith(12, 1)), "interlaced pictures are not supported", "Adam7");
  ExpectRefused(withHeader(IhdrWith(12, 2)), "unknown interlace method 2", "interlace method 2");
}

TEST(PngRefuse, PaletteAndTransparencyRules) {
  const Bytes ihdr = PngChunk("IHDR", PngHeader(2, 1, 3));
  const Bytes plte = PngChunk("PLTE", {1, 2, 3, 4, 5, 6});
  const Bytes idat = PngChunk("IDAT", test::Compress({0, 0, 1}));
  const Bytes iend = PngChunk("IEND", {});
  ASSERT_TRUE(Decode(test::PngOf({ihdr, plte, idat, iend})).ok);

  ExpectRefused(test::PngOf({ihdr, idat, iend}), "IDAT before PLTE", "palette picture without PLTE");
  ExpectRefused(test::PngOf({ihdr, plte, plte, idat, iend}), "second PLTE", "two PLTE");
  ExpectRefused(test::PngOf({ihdr, PngChunk("PLTE", {1, 2, 3, 4}), idat, iend}), "PLTE chunk of 4 bytes", "PLTE not whole colours");
  ExpectRefused(test::PngOf({ihdr, PngChunk("PLTE", Bytes(257 * 3, 0)), idat, iend}), "PLTE chunk of 771 bytes", "257 colours");
  ExpectRefused(test::PngOf({ihdr, PngChunk("PLTE", {1, 2, 3}), idat, iend}), "palette index 1 beyond the 1 colours", "index out of range");
  ExpectRefused(test::PngOf({ihdr, PngChunk("tRNS", {0}), plte, idat, iend}), "tRNS before PLTE", "tRNS first");
  ExpectRefused(test::PngOf({ihdr, plte, PngChunk("tRNS", {0, 0, 0}), idat, iend}), "more entries than PLTE", "long tRNS");
  ExpectRefused(test::PngOf({ihdr, plte, idat, PngChunk("tRNS", {0}), iend}), "tRNS after IDAT", "late tRNS");
  ExpectRefused(test::PngOf({ihdr, plte, PngChunk("tRNS", {0}), PngChunk("tRNS", {0}), idat, iend}), "second tRNS", "two tRNS");

  const Bytes rgbaIdat = PngChunk("IDAT", test::Compress(kRgbaRow));
  ExpectRefused(test::PngOf({PngChunk("IHDR", PngHeader(2, 1, 6)), PngChunk("tRNS", {0, 0}), rgbaIdat, iend}), "has an alpha channel",
                "tRNS with RGBA");
  ExpectRefused(test::PngOf({PngChunk("IHDR", PngHeader(2, 1, 0)), PngChunk("tRNS", {0, 0, 0}), PngChunk("IDAT", test::Compress({0, 1, 2})), iend}),
                "tRNS chunk of 3 bytes in a grey picture", "grey key of 3 bytes");
  ExpectRefused(test::PngOf({PngChunk("IHDR", PngHeader(2, 1, 0)), PngChunk("PLTE", {1, 2, 3}), PngChunk("IDAT", test::Compress({0, 1, 2})), iend}),
                "PLTE chunk in a grey picture", "PLTE with grey");
}

TEST(PngRefuse, CompressedDataThatDoesNotMatchThePicture) {
  auto png = [](const Bytes& stream) { return test::PngWithStream(2, 1, 6, stream); };
  const Bytes stream = test::Compress(kRgbaRow);

  ExpectRefused(png({1, 2, 3, 4, 5, 6}), "bad compressed stream", "not a zlib stream");
  ExpectRefused(png({0x78, 0x9C, 0x07, 0, 0, 0, 0}), "bad compressed stream", "a block of the reserved type");
  Bytes badCheck = stream;
  badCheck.back() ^= 0x01;
  ExpectRefused(png(badCheck), "bad compressed stream", "wrong Adler-32");
  ExpectRefused(png({0x78, 0xBB, 0, 0, 0, 1}), "preset dictionary", "FDICT set");

  ExpectRefused(png(test::Compress(Bytes(kRgbaRow.begin(), kRgbaRow.end() - 1))), "holds 8 bytes of image data instead of 9", "one byte short");
  ExpectRefused(png(test::Compress({})), "holds 0 bytes", "empty stream");
  Bytes longer = kRgbaRow;
  longer.push_back(0);
  ExpectRefused(png(test::Compress(longer)), "more image data than 9 bytes", "one byte too many");
  ExpectRefused(png(test::Compress(Bytes(100000, 0))), "more image data", "far too many");
  ExpectRefused(png(Bytes(stream.begin(), stream.end() - 4)), "does not end", "no Adler-32");
  ExpectRefused(png(Bytes(stream.begin(), stream.begin() + 4)), "bytes of image data instead of 9", "stream cut short");
  Bytes after = stream;
  test::Append(after, {0, 0});
  ExpectRefused(png(after), "after the end of the compressed stream", "bytes after the stream");
  // The data after the stream may also be in a chunk of its own.
  ExpectRefused(test::PngOf({PngChunk("IHDR", PngHeader(2, 1, 6)), PngChunk("IDAT", stream), PngChunk("IDAT", {0}), PngChunk("IEND", {})}),
                "after the end of the compressed stream", "an IDAT after the stream");

  Bytes badFilter = kRgbaRow;
  badFilter[0] = 5;
  ExpectRefused(png(test::Compress(badFilter)), "unknown filter type 5 in row 0", "filter type 5");
  Bytes badSecondRow = {0, 1, 2, 3, 4, 0xFF, 1, 2, 3, 4};
  ExpectRefused(test::PngWithScanlines(1, 2, 6, badSecondRow), "unknown filter type 255 in row 1", "filter type 255");
}

TEST(PngRefuse, EveryTruncationAndEverySingleByteChangeIsSurvived) {
  // A small picture with several chunks; every prefix is refused, and every byte changed, with
  // the CRCs made right again so the change reaches the later checks, decodes or is refused
  // without harm (the address sanitizer build watches the memory).
  art::PngWriteOptions options;
  options.idatChunkSize = 16;
  const Bytes png = art::EncodeRgbaPng(gs::RgbaImage{5, 4, Bytes(5 * 4 * 4, 0x5A)}, options);
  for (std::size_t n = 0; n < png.size(); ++n) {
    auto decoded = Decode(Bytes(png.begin(), png.begin() + long(n)));
    ASSERT_FALSE(decoded.ok) << "prefix of " << n << " bytes";
    ASSERT_FALSE(decoded.error.empty()) << "prefix of " << n << " bytes";
  }
  int decodedCount = 0;
  for (std::size_t at = 8; at < png.size(); ++at) {
    for (std::uint8_t change : {0x01, 0x80, 0xFF}) {
      Bytes damaged = png;
      damaged[at] ^= change;
      art::RepairChunkCrcs(damaged);
      auto decoded = Decode(damaged);
      if (decoded.ok) {
        ++decodedCount;
        EXPECT_EQ(decoded.image.pixels.size(), std::size_t(decoded.image.width) * decoded.image.height * 4);
      } else {
        EXPECT_FALSE(decoded.error.empty());
        EXPECT_TRUE(decoded.image.pixels.empty());
      }
    }
  }
  // Some changes (in the CRC bytes, which are made right again) leave a good file.
  EXPECT_GT(decodedCount, 0);
}

}  // namespace
