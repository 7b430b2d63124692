#include "ui/window_art.h"

#include <memory>

#include "gs/artwork.h"

namespace ui {

namespace {

platform::RgbaImage LoadOne(const std::wstring& name) {
  gs::RgbaImage decoded;
  platform::RgbaImage picture;
  if (!gs::LoadArtwork(name, decoded)) return picture;
  picture.width = static_cast<int>(decoded.width);
  picture.height = static_cast<int>(decoded.height);
  picture.pixels = std::move(decoded.pixels);
  return picture;
}

}  // namespace

platform::RgbaImage LoadWindowArt(const std::wstring& name) {
  platform::RgbaImage picture = LoadOne(name);
  if (picture.Empty()) return picture;
  // gs::LoadArtwork holds the twin to its size in the table, twice the picture's.
  platform::RgbaImage doubled = LoadOne(name + L"_2X");
  if (!doubled.Empty()) picture.doubled = std::make_shared<const platform::RgbaImage>(std::move(doubled));
  return picture;
}

platform::Color ArtWindowColor() {
  return platform::Color{gs::kArtWindowColour[0], gs::kArtWindowColour[1], gs::kArtWindowColour[2]};
}

platform::RgbaImage FlattenOnto(const platform::RgbaImage& picture, platform::Color color) {
  platform::RgbaImage flat = picture;
  if (flat.Empty()) return flat;
  const std::uint8_t under[3] = {color.red, color.green, color.blue};
  for (std::size_t i = 0; i + 3 < flat.pixels.size(); i += 4) {
    const unsigned alpha = flat.pixels[i + 3];
    for (int c = 0; c < 3; ++c)
      flat.pixels[i + c] = static_cast<std::uint8_t>((flat.pixels[i + c] * alpha + under[c] * (255 - alpha) + 127) / 255);
    flat.pixels[i + 3] = 255;
  }
  if (flat.doubled) flat.doubled = std::make_shared<const platform::RgbaImage>(FlattenOnto(*flat.doubled, color));
  return flat;
}

}  // namespace ui
