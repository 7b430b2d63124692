#pragma once
// Small helpers the windows use while they build their layouts.
#include "platform/widgets.h"

namespace ui {

// Throws std::runtime_error naming `what` and the system's error (platform::LastWidgetError):
// a window or control the system refused to make.
[[noreturn]] void ThrowNotMade(const wchar_t* what);

// `made`, or the throw above when it is null.
template <class T>
T* Made(T* made, const wchar_t* what) {
  if (made == nullptr) ThrowNotMade(what);
  return made;
}

// A hidden image holding `picture` (the windows keep their button faces in such images).
platform::Image* AddHiddenImage(platform::Container& parent, const wchar_t* name, const platform::RgbaImage& picture);

}  // namespace ui
