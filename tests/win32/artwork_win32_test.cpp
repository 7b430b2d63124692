// The window art from the executable's RCDATA resources, decoded through the statically linked
// zlib, matches the committed files.
#include <gtest/gtest.h>

#include "gs/artwork.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// The committed art folder, as Wine sees the host's file system (drive Z:).
std::wstring ArtFile(const char* name) {
  std::wstring path = L"Z:" + platform::AnsiToWide(DRAVENTA_ART_ROOT) + L"/" + platform::AnsiToWide(name);
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

TEST(ArtworkOnWindows, EveryPictureLoadsFromTheResourcesAsCommitted) {
  const std::pair<const wchar_t*, const char*> files[] = {
      {L"ART_BANNER", "banner.png"},           {L"ART_FACE_RAISED", "face_raised.png"},       {L"ART_FACE_HOVERED", "face_hovered.png"},
      {L"ART_FACE_SUNKEN", "face_sunken.png"}, {L"ART_FACE_DISABLED", "face_disabled.png"},   {L"ART_BUTTON_BK", "button_bk.png"},
      {L"ART_REFRESH_RAISED", "refresh_raised.png"}, {L"ART_REFRESH_HOVERED", "refresh_hovered.png"},
      {L"ART_REFRESH_SUNKEN", "refresh_sunken.png"},
      {L"ART_BANNER_2X", "banner_2x.png"},           {L"ART_FACE_RAISED_2X", "face_raised_2x.png"},
      {L"ART_FACE_HOVERED_2X", "face_hovered_2x.png"}, {L"ART_FACE_SUNKEN_2X", "face_sunken_2x.png"},
      {L"ART_FACE_DISABLED_2X", "face_disabled_2x.png"}, {L"ART_BUTTON_BK_2X", "button_bk_2x.png"},
      {L"ART_REFRESH_RAISED_2X", "refresh_raised_2x.png"}, {L"ART_REFRESH_HOVERED_2X", "refresh_hovered_2x.png"},
      {L"ART_REFRESH_SUNKEN_2X", "refresh_sunken_2x.png"},
  };
  ASSERT_EQ(std::size(files), std::size(gs::kArtwork));
  for (const auto& [name, file] : files) {
    gs::RgbaImage loaded;
    ASSERT_TRUE(gs::LoadArtwork(name, loaded)) << file;
    platform::Result<std::vector<std::uint8_t>> read = platform::ReadWholeFile(ArtFile(file));
    ASSERT_TRUE(read) << file;
    const std::vector<std::uint8_t>& bytes = *read;
    gs::RgbaImage fromFile;
    std::wstring error;
    ASSERT_TRUE(gs::DecodePng(bytes, fromFile, error)) << file;
    EXPECT_EQ(loaded.width, fromFile.width) << file;
    EXPECT_EQ(loaded.pixels, fromFile.pixels) << file;
  }
  gs::RgbaImage none;
  EXPECT_FALSE(gs::LoadArtwork(L"ART_NONE", none));
}

}  // namespace
