#include "gs/artwork.h"


#include "app/text_case.h"
#include "app/trace_log.h"
#include "platform/resources.h"

namespace gs {

bool LoadArtwork(const std::wstring& name, RgbaImage& image) {
  image = RgbaImage{};
  platform::Result<std::vector<std::uint8_t>> loaded = platform::LoadDataResource(name);
  if (!loaded) {
    TraceLog(L"[gs::LoadArtwork] resource " + name + L" not found");
    return false;
  }
  const std::vector<std::uint8_t>& bytes = *loaded;
  std::wstring error;
  if (!DecodePng(bytes, image, error)) {
    TraceLog(L"[gs::LoadArtwork] resource " + name + L" (" + std::to_wstring(bytes.size()) + L" bytes) is not a usable PNG: " + error);
    return false;
  }
  for (const ArtworkEntry& entry : kArtwork) {
    if (!SameTextIgnoringCase(name, entry.name)) continue;
    if (image.width != entry.width || image.height != entry.height) {
      TraceLog(L"[gs::LoadArtwork] resource " + name + L" is " + std::to_wstring(image.width) + L" x " + std::to_wstring(image.height) +
               L" pixels, expected " + std::to_wstring(entry.width) + L" x " + std::to_wstring(entry.height));
      image = RgbaImage{};
      return false;
    }
  }
  return true;
}

}  // namespace gs
