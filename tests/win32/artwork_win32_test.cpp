// The window art from the executable's RCDATA resources, decoded through the statically linked
// zlib, matches the committed files.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "gs/artwork.h"
#include "platform/files.h"
#include "platform/text.h"

namespace {

// The committed art folder, as Wine sees the host's file system (drive Z:).
std::wstring ArtFile(const std::string& name) {
  std::wstring path = L"Z:" + platform::AnsiToWide(DRAVENTA_ART_ROOT) + L"/" + platform::AnsiToWide(name);
  for (auto& c : path)
    if (c == L'/') c = L'\\';
  return path;
}

TEST(ArtworkOnWindows, EveryPictureLoadsFromTheResourcesAsCommitted) {
  // Each picture and its twin at 2x (NAME_2X in name_2x.png), in the order of gs::kArtwork.
  std::vector<std::pair<std::wstring, std::string>> files = {
      {L"ART_BANNER", "banner"},           {L"ART_FACE_RAISED", "face_raised"},       {L"ART_FACE_HOVERED", "face_hovered"},
      {L"ART_FACE_SUNKEN", "face_sunken"}, {L"ART_FACE_DISABLED", "face_disabled"},   {L"ART_BUTTON_BK", "button_bk"},
      {L"ART_REFRESH_RAISED", "refresh_raised"}, {L"ART_REFRESH_HOVERED", "refresh_hovered"},
      {L"ART_REFRESH_SUNKEN", "refresh_sunken"},
  };
  const std::size_t ones = files.size();
  for (std::size_t i = 0; i < ones; ++i) files.push_back({files[i].first + L"_2X", files[i].second + "_2x"});
  for (auto& file : files) file.second += ".png";
  ASSERT_EQ(files.size(), std::size(gs::kArtwork));
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
