#pragma once
// The window art as the widget layer draws it: a resource of gs::kArtwork decoded into a
// platform picture.
#include <string>

#include "platform/widget_types.h"

namespace ui {

// The picture of the art resource `name` (ART_BANNER, ART_FACE_RAISED, ...), with the resource
// `name`_2X as its `doubled` picture. A resource that is missing or malformed gives an empty
// picture (gs::LoadArtwork traces why); the window is then drawn without it rather than not at
// all. A missing or malformed _2X resource (or one of the wrong size) leaves `doubled` empty:
// the picture is then scaled up from 1x on a fine screen.
platform::RgbaImage LoadWindowArt(const std::wstring& name);

// The colour the art is drawn on: the background of the program's windows.
platform::Color ArtWindowColor();

// `picture` blended onto an opaque square of `color` (each pixel's alpha applied), its doubled
// picture likewise: a picture that looks the same whatever it is later drawn over.
platform::RgbaImage FlattenOnto(const platform::RgbaImage& picture, platform::Color color);

}  // namespace ui
