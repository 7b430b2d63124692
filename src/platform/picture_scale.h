#pragma once
// Pictures at the size a screen shows them: the widget layer's pictures are made for 96 DPI, and
// a finer screen draws them larger.
#include "platform/widget_types.h"

namespace platform {

// `picture` at `width` x `height` pixels. Drawn from the picture's doubled version when that
// one's size is the nearer (from 1.5 times the size up), else from the picture itself; scaled
// smoothly, by area averaging when shrinking and bilinear when growing, in premultiplied alpha
// so that a transparent pixel's colour never bleeds into its neighbours. At the picture's own
// size the result is its pixels unchanged. The result has no doubled version; its fully
// transparent pixels are black.
RgbaImage PictureAtSize(const RgbaImage& picture, int width, int height);

}  // namespace platform
