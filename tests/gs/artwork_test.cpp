// The window art at 1x and 2x: the committed files, their embedding under resource names, the
// loader's failures, what the pictures must be like to carry their captions, and that the
// generator still draws what is committed.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "app/trace_log.h"
#include "gs/artwork.h"
#include "sim/machine/machine.h"
#include "png_test_support.h"
#include "support/temp_machine.h"
#include "ui/window_art.h"

namespace {

using test::Bytes;

// Resource name -> file in resources/art, the 1x pictures and then their twins at 2x (NAME_2X in
// name_2x.png), in the order of gs::kArtwork.
std::vector<std::pair<std::wstring, std::string>> ArtFiles() {
  std::vector<std::pair<std::wstring, std::string>> files = {
      {L"ART_BANNER", "banner"},
      {L"ART_FACE_RAISED", "face_raised"},
      {L"ART_FACE_HOVERED", "face_hovered"},
      {L"ART_FACE_SUNKEN", "face_sunken"},
      {L"ART_FACE_DISABLED", "face_disabled"},
      {L"ART_BUTTON_BK", "button_bk"},
      {L"ART_REFRESH_RAISED", "refresh_raised"},
      {L"ART_REFRESH_HOVERED", "refresh_hovered"},
      {L"ART_REFRESH_SUNKEN", "refresh_sunken"},
  };
  const std::size_t ones = files.size();
  for (std::size_t i = 0; i < ones; ++i) files.push_back({files[i].first + L"_2X", files[i].second + "_2x"});
  for (auto& file : files) file.second += ".png";
  return files;
}
const std::vector<std::pair<std::wstring, std::string>> kFiles = ArtFiles();
const std::size_t kOnes = kFiles.size() / 2;

Bytes ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

gs::RgbaImage Load(const std::wstring& name) {
  gs::RgbaImage image;
  EXPECT_TRUE(gs::LoadArtwork(name, image));
  return image;
}

// Relative luminance and contrast ratio as the accessibility guidelines define them.
double Luminance(double r, double g, double b) {
  auto linear = [](double c) {
    c /= 255;
    return c <= 0.03928 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
  };
  return 0.2126 * linear(r) + 0.7152 * linear(g) + 0.0722 * linear(b);
}
double Contrast(double l1, double l2) { return (std::max(l1, l2) + 0.05) / (std::min(l1, l2) + 0.05); }

// The darkest (or lightest) luminance under the caption's letters: an 8-point caption centred
// on a 96 x 24 face covers rows 7 to 17 of its middle (at 2x, twice that).
double CaptionAreaLuminance(const gs::RgbaImage& face, bool lightest) {
  const std::uint32_t scale = face.width / 96;
  double extreme = lightest ? 0 : 1;
  for (std::uint32_t y = 7 * scale; y < 18 * scale; ++y)
    for (std::uint32_t x = 24 * scale; x < 72 * scale; ++x) {
      const std::uint8_t* p = face.Pixel(x, y);
      const double l = Luminance(p[0], p[1], p[2]);
      extreme = lightest ? std::max(extreme, l) : std::min(extreme, l);
    }
  return extreme;
}

TEST(Artwork, CommittedFilesAreEmbeddedUnderTheirNamesWithTheirSizes) {
  ASSERT_EQ(kFiles.size(), std::size(gs::kArtwork));
  for (std::size_t i = 0; i < kFiles.size(); ++i) {
    const auto& [name, file] = kFiles[i];
    ASSERT_EQ(std::wstring(gs::kArtwork[i].name), name);
    if (i >= kOnes) {
      EXPECT_EQ(std::wstring(gs::kArtwork[i].name), std::wstring(gs::kArtwork[i - kOnes].name) + L"_2X");
      EXPECT_EQ(gs::kArtwork[i].width, 2 * gs::kArtwork[i - kOnes].width) << file;
      EXPECT_EQ(gs::kArtwork[i].height, 2 * gs::kArtwork[i - kOnes].height) << file;
    }
    auto decoded = test::Decode(ReadFile(std::string(DRAVENTA_ART_ROOT) + "/" + file));
    ASSERT_TRUE(decoded.ok) << file << ": " << decoded.error;
    EXPECT_EQ(decoded.image.width, gs::kArtwork[i].width) << file;
    EXPECT_EQ(decoded.image.height, gs::kArtwork[i].height) << file;
    const gs::RgbaImage loaded = Load(name);
    EXPECT_EQ(loaded.pixels, decoded.image.pixels) << file;
  }
  // Names are looked up without regard to case, as Windows does.
  EXPECT_EQ(Load(L"art_face_raised").width, 96u);
  EXPECT_EQ(Load(L"Art_Refresh_Sunken").height, 22u);
}

TEST(Artwork, LoadFailuresAreTracedWithTheNameAndReason) {
  test::TempMachine machine;
  machine.Builder().Fault("resources.missing", "ART_FACE_HOVERED");
  machine.Apply();
  gs::RgbaImage image;
  EXPECT_FALSE(gs::LoadArtwork(L"ART_FACE_HOVERED", image));
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_FALSE(gs::LoadArtwork(L"ART_NONE", image));
  // A resource that is there but is no PNG: a driver package's INF file.
  EXPECT_FALSE(gs::LoadArtwork(L"RESOURCE_8", image));
  EXPECT_TRUE(image.pixels.empty());
  EXPECT_TRUE(gs::LoadArtwork(L"ART_FACE_SUNKEN", image));

  const std::string log = test::ReadHostFile(platform::host::Machine::HostPath(app::TraceLogPath()));
  EXPECT_NE(log.find("[gs::LoadArtwork] resource ART_FACE_HOVERED not found"), std::string::npos) << log;
  EXPECT_NE(log.find("[gs::LoadArtwork] resource ART_NONE not found"), std::string::npos) << log;
  EXPECT_NE(log.find("[gs::LoadArtwork] resource RESOURCE_8 ("), std::string::npos) << log;
  EXPECT_NE(log.find("is not a usable PNG: not a PNG file"), std::string::npos) << log;
  EXPECT_EQ(log.find("ART_FACE_SUNKEN"), std::string::npos) << "a successful load writes no line";

  // Without its twin at 2x the window art still loads, at 1x only.
  machine.Builder().Fault("resources.missing", "ART_BANNER_2X");
  machine.Apply();
  const platform::RgbaImage banner = ui::LoadWindowArt(L"ART_BANNER");
  EXPECT_EQ(banner.width, 173);
  EXPECT_EQ(banner.doubled, nullptr);
  EXPECT_NE(ui::LoadWindowArt(L"ART_FACE_SUNKEN").doubled, nullptr);
}

TEST(Artwork, FacesCarryTheirCaptionsAndBlendWithTheWindow) {
  const Bytes window = {gs::kArtWindowColour[0], gs::kArtWindowColour[1], gs::kArtWindowColour[2]};
  auto rgb = [](const gs::RgbaImage& image, std::uint32_t x, std::uint32_t y) { return Bytes(image.Pixel(x, y), image.Pixel(x, y) + 3); };

  // The same holds for the pictures at 1x and for their twins at 2x.
  for (const std::wstring size : {L"", L"_2X"}) {
    SCOPED_TRACE(size.empty() ? "1x" : "2x");
    auto load = [&](const wchar_t* name) { return Load(name + size); };
    // The background under the buttons is the window colour throughout.
    const gs::RgbaImage background = load(L"ART_BUTTON_BK");
    for (std::size_t i = 0; i < background.pixels.size(); i += 4) {
      ASSERT_EQ(Bytes(background.pixels.begin() + long(i), background.pixels.begin() + long(i) + 3), window) << "pixel " << i / 4;
      ASSERT_EQ(background.pixels[i + 3], 255);
    }
    // The banner is opaque.
    const gs::RgbaImage banner = load(L"ART_BANNER");
    for (std::size_t i = 3; i < banner.pixels.size(); i += 4) ASSERT_EQ(banner.pixels[i], 255) << "pixel " << i / 4;

    // Rounded corners: transparent, holding the window colour; the middle opaque.
    for (const wchar_t* name : {L"ART_FACE_RAISED", L"ART_FACE_HOVERED", L"ART_FACE_SUNKEN", L"ART_FACE_DISABLED", L"ART_REFRESH_RAISED",
                                L"ART_REFRESH_HOVERED", L"ART_REFRESH_SUNKEN"}) {
      const gs::RgbaImage face = load(name);
      const std::uint32_t right = face.width - 1, bottom = face.height - 1;
      for (auto [x, y] : {std::pair<std::uint32_t, std::uint32_t>{0, 0}, {right, 0}, {0, bottom}, {right, bottom}}) {
        EXPECT_EQ(face.Pixel(x, y)[3], 0) << "corner of " << face.width << " x " << face.height;
        EXPECT_EQ(rgb(face, x, y), window);
      }
      EXPECT_EQ(face.Pixel(face.width / 2, face.height / 2)[3], 255);
    }

    // Captions: light RGB 239 on the raised face, cyan RGB 113, 227, 255 on the hovered and
    // sunken faces, black on the disabled face. Each needs the contrast of readable small text
    // against every pixel under it.
    const double idle = Luminance(239, 239, 239), lit = Luminance(113, 227, 255), black = Luminance(0, 0, 0);
    EXPECT_GE(Contrast(idle, CaptionAreaLuminance(load(L"ART_FACE_RAISED"), true)), 4.5);
    EXPECT_GE(Contrast(lit, CaptionAreaLuminance(load(L"ART_FACE_HOVERED"), true)), 4.5);
    EXPECT_GE(Contrast(lit, CaptionAreaLuminance(load(L"ART_FACE_SUNKEN"), true)), 4.5);
    EXPECT_GE(Contrast(black, CaptionAreaLuminance(load(L"ART_FACE_DISABLED"), false)), 7.0);
  }
}

TEST(Artwork, TheGeneratorDrawsWhatIsCommitted) {
  const char* tools = std::getenv("DRAVENTA_TEST_TOOLS");
  if (!tools) GTEST_SKIP() << "DRAVENTA_TEST_TOOLS is not set: run the tests through ctest";
  test::TempFolder folder;
  const std::string command = std::string("'") + tools + "/make_art' '" + folder.Path() + "' >/dev/null";
  ASSERT_EQ(std::system(command.c_str()), 0) << command;
  for (const auto& [name, file] : kFiles) {
    auto drawn = test::Decode(ReadFile(folder.Path() + "/" + file));
    auto committed = test::Decode(ReadFile(std::string(DRAVENTA_ART_ROOT) + "/" + file));
    ASSERT_TRUE(drawn.ok && committed.ok) << file << ": " << drawn.error << committed.error;
    ASSERT_EQ(drawn.image.pixels.size(), committed.image.pixels.size()) << file;
    // Another C library may round a transcendental function differently; a redrawn picture
    // differs far more than this.
    int worst = 0;
    for (std::size_t i = 0; i < drawn.image.pixels.size(); ++i)
      worst = std::max(worst, std::abs(int(drawn.image.pixels[i]) - int(committed.image.pixels[i])));
    EXPECT_LE(worst, 2) << file << " differs from what tools/make-art draws: run make_art resources/art";
  }
}

}  // namespace
