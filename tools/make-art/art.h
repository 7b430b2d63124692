#pragma once
// The pictures of the program's windows, drawn from code so that they can be made again.
#include "raster.h"

namespace art {

enum class FaceState { Raised, Hovered, Sunken, Disabled };

// The window colour the art sits on (RGB 229, 232, 237).
Colour WindowColour();

Canvas DrawBanner();                   // 173 x 303
Canvas DrawButtonFace(FaceState state);  // 96 x 24
Canvas DrawButtonBackground();         // 116 x 43
Canvas DrawRefreshFace(FaceState state); // 22 x 22; Disabled is not drawn (the raised face serves)

}  // namespace art
