#include "gs/artwork.h"

#include <cwctype>

#include "app/trace_log.h"
#include "platform/resources.h"

namespace gs {

namespace {
// Resource names are compared without regard to case, as the lookup does.
bool SameName(const std::wstring& a, const wchar_t* b) {
  std::size_t i = 0;
  for (; i < a.size() && b[i] != 0; ++i)
    if (std::towupper(a[i]) != std::towupper(b[i])) return false;
  return i == a.size() && b[i] == 0;
}
}  // namespace

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
    if (!SameName(name, entry.name)) continue;
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
