// Draws the window art and writes it as PNG files into the folder given on the command line
// (the repository keeps the result in resources/art). The same program always writes the same
// pictures.
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "art.h"
#include "png_writer.h"

namespace {

void Write(const std::string& folder, const std::string& name, const art::Canvas& canvas) {
  const std::vector<std::uint8_t> bytes = art::EncodeRgbaPng(canvas.ToImage(art::WindowColour()));
  const std::string path = folder + "/" + name;
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  std::printf("%s: %d x %d, %zu bytes\n", path.c_str(), canvas.Width(), canvas.Height(), bytes.size());
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_art <output folder>\n");
    return 2;
  }
  const std::string folder = argv[1];
  using art::FaceState;
  try {
    Write(folder, "banner.png", art::DrawBanner());
    Write(folder, "face_raised.png", art::DrawButtonFace(FaceState::Raised));
    Write(folder, "face_hovered.png", art::DrawButtonFace(FaceState::Hovered));
    Write(folder, "face_sunken.png", art::DrawButtonFace(FaceState::Sunken));
    Write(folder, "face_disabled.png", art::DrawButtonFace(FaceState::Disabled));
    Write(folder, "button_bk.png", art::DrawButtonBackground());
    Write(folder, "refresh_raised.png", art::DrawRefreshFace(FaceState::Raised));
    Write(folder, "refresh_hovered.png", art::DrawRefreshFace(FaceState::Hovered));
    Write(folder, "refresh_sunken.png", art::DrawRefreshFace(FaceState::Sunken));
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
