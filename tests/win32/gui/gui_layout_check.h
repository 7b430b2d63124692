#pragma once
// The layout of the program's windows as a user sees it at the screen's DPI: the sizes the walk
// expects, and a check that no control is cut off by its parent and no two controls overlap.
// Whether each text fits its control is for the eye, on the walk's screenshots: the fonts are
// the program's, and another process can't measure with them.
#include <windows.h>

namespace gui {

// The DPI the walk runs at (DRAVENTA_GUI_DPI, 96 when unset), and a 96-DPI length at it.
int WalkDpi();
int Scaled(int length);

// Every visible control of `form` but the pictures lies inside its parent's client area and
// overlaps no other visible control of the same parent. Prints one line per fault ("FAILED:
// ...") or one "ok" line naming how many controls were checked.
void CheckLayout(HWND form, const wchar_t* what);

}  // namespace gui
