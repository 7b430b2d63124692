#pragma once
// The pictures of the program's windows, drawn from code so that they can be made again.
#include "raster.h"

namespace art {

enum class FaceState { Raised, Hovered, Sunken, Disabled };

// The window colour the art sits on (RGB 229, 232, 237).
Colour WindowColour();

// Each picture at `scale` (1, or 2 for screens of 144 DPI and more); the sizes are at 1x.
Canvas DrawBanner(int scale);                             // 173 x 303
Canvas DrawButtonFace(FaceState state, int scale);        // 96 x 24
Canvas DrawButtonBackground(int scale);                   // 116 x 43
Canvas DrawRefreshFace(FaceState state, int scale);       // 22 x 22; Disabled is not drawn (the raised face serves)

}  // namespace art
