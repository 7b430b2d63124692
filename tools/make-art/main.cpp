// Draws the window art and writes it as PNG files into the folder given on the command line
// (the repository keeps the result in resources/art): each picture as NAME.png at 1x and as
// NAME_2x.png at twice the size, for screens of 144 DPI and more. The same program always writes
// the same pictures.
#include <cstdio>
#include <exception>
#include <fstream>
#include <functional>
#include <string>

#include "art.h"
#include "png_writer.h"

namespace {

void WriteFile(const std::string& path, const art::Canvas& canvas) {
  const std::vector<std::uint8_t> bytes = art::EncodeRgbaPng(canvas.ToImage(art::WindowColour()));
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
  std::printf("%s: %d x %d, %zu bytes\n", path.c_str(), canvas.Width(), canvas.Height(), bytes.size());
}

// `name`.png drawn at 1x and `name`_2x.png at 2x.
void Write(const std::string& folder, const std::string& name, const std::function<art::Canvas(int scale)>& draw) {
  WriteFile(folder + "/" + name + ".png", draw(1));
  WriteFile(folder + "/" + name + "_2x.png", draw(2));
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
    Write(folder, "banner", art::DrawBanner);
    Write(folder, "face_raised", [](int scale) { return art::DrawButtonFace(FaceState::Raised, scale); });
    Write(folder, "face_hovered", [](int scale) { return art::DrawButtonFace(FaceState::Hovered, scale); });
    Write(folder, "face_sunken", [](int scale) { return art::DrawButtonFace(FaceState::Sunken, scale); });
    Write(folder, "face_disabled", [](int scale) { return art::DrawButtonFace(FaceState::Disabled, scale); });
    Write(folder, "button_bk", art::DrawButtonBackground);
    Write(folder, "refresh_raised", [](int scale) { return art::DrawRefreshFace(FaceState::Raised, scale); });
    Write(folder, "refresh_hovered", [](int scale) { return art::DrawRefreshFace(FaceState::Hovered, scale); });
    Write(folder, "refresh_sunken", [](int scale) { return art::DrawRefreshFace(FaceState::Sunken, scale); });
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make_art: %s\n", e.what());
    return 1;
  }
  return 0;
}
