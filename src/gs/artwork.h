#pragma once
// The window art the program carries as data resources (resources/art), decoded from PNG.
//
// Faces of the shared button set: ART_FACE_RAISED, ART_FACE_HOVERED, ART_FACE_SUNKEN and
// ART_FACE_DISABLED (the mode selection window's Image2, Image3, Image4 and Img_disable),
// ART_BUTTON_BK under them (Img_Button_BK). The refresh set: ART_REFRESH_RAISED,
// ART_REFRESH_HOVERED, ART_REFRESH_SUNKEN (img_refresh1, img_refresh2, img_refresh3). The side
// banner of the first two windows: ART_BANNER (Image1).
//
// Each has a twin at twice the size under the name with _2X added (ART_BANNER_2X, 346 x 606,
// ...): the same picture drawn for screens of 144 DPI and more, which draw it at its 1x size in
// logical pixels.
//
// The faces have transparent rounded corners and the refresh faces a transparent surround;
// fully transparent pixels carry the window colour kArtWindowColour, so a face drawn without
// regard to alpha still shows the window colour there. ART_BUTTON_BK is opaque, in that colour.
#include <cstddef>
#include <cstdint>
#include <string>

#include "gs/png_image.h"

namespace gs {

struct ArtworkEntry {
  const wchar_t* name;  // resource name
  std::uint32_t width;
  std::uint32_t height;
};

inline constexpr ArtworkEntry kArtwork[] = {
    {L"ART_BANNER", 173, 303},
    {L"ART_FACE_RAISED", 96, 24},
    {L"ART_FACE_HOVERED", 96, 24},
    {L"ART_FACE_SUNKEN", 96, 24},
    {L"ART_FACE_DISABLED", 96, 24},
    {L"ART_BUTTON_BK", 116, 43},
    {L"ART_REFRESH_RAISED", 22, 22},
    {L"ART_REFRESH_HOVERED", 22, 22},
    {L"ART_REFRESH_SUNKEN", 22, 22},
    {L"ART_BANNER_2X", 346, 606},
    {L"ART_FACE_RAISED_2X", 192, 48},
    {L"ART_FACE_HOVERED_2X", 192, 48},
    {L"ART_FACE_SUNKEN_2X", 192, 48},
    {L"ART_FACE_DISABLED_2X", 192, 48},
    {L"ART_BUTTON_BK_2X", 232, 86},
    {L"ART_REFRESH_RAISED_2X", 44, 44},
    {L"ART_REFRESH_HOVERED_2X", 44, 44},
    {L"ART_REFRESH_SUNKEN_2X", 44, 44},
};

// Background of the mode selection window and the licence dialog, the colour the art is drawn
// to sit on: RGB 229, 232, 237.
inline constexpr std::uint8_t kArtWindowColour[3] = {229, 232, 237};

// Loads the resource `name` and decodes it. A name of the table above must also have the size
// the table gives. On failure traces "[gs::LoadArtwork] ..." with the name and the reason,
// leaves `image` empty and returns false.
bool LoadArtwork(const std::wstring& name, RgbaImage& image);

}  // namespace gs
