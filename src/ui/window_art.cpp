#include "ui/window_art.h"

#include "gs/artwork.h"

namespace ui {

platform::RgbaImage LoadWindowArt(const std::wstring& name) {
  gs::RgbaImage decoded;
  platform::RgbaImage picture;
  if (!gs::LoadArtwork(name, decoded)) return picture;
  picture.width = static_cast<int>(decoded.width);
  picture.height = static_cast<int>(decoded.height);
  picture.pixels = std::move(decoded.pixels);
  return picture;
}

platform::Color ArtWindowColor() {
  return platform::Color{gs::kArtWindowColour[0], gs::kArtWindowColour[1], gs::kArtWindowColour[2]};
}

}  // namespace ui
