#pragma once
// Win32 widgets, internal: the widget layer's sizes are those of a 96-DPI screen, and the
// program is system DPI aware (its manifest says so), so Windows neither stretches its windows
// as a bitmap nor tells it a false DPI. Everything a window is made of scales by the screen's DPI
// / 96 here: positions, sizes, the pictures (platform/picture_scale.h) and the skinned buttons'
// offsets; fonts follow the DPI where they are made (FontFor).
#include <windows.h>

#include "platform/widget_types.h"

namespace platform::win32ui {

// The screen's DPI (96 at 100 %, 144 at 150 %), read once: a system-aware program keeps the DPI
// it started with, whatever the user sets while it runs.
int ScreenDpi();

// A length of the 96-DPI layout in this screen's pixels, rounded; and back.
int ToScreen(int length);
int FromScreen(int length);

// A box in this screen's pixels. Its edges are scaled, not its size, so boxes that touch or line
// up at 96 DPI still do.
Bounds ToScreen(const Bounds& bounds);
Bounds FromScreen(const Bounds& bounds);

}  // namespace platform::win32ui
