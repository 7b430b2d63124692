#include "platform/win32/dpi_scale.h"

#include "platform/win32/scoped_handle.h"

namespace platform::win32ui {

int ScreenDpi() {
  static const int dpi = [] {
    const int read = GetDeviceCaps(win32::GetWindowDc(nullptr).get(), LOGPIXELSY);
    return read > 0 ? read : USER_DEFAULT_SCREEN_DPI;
  }();
  return dpi;
}

int ToScreen(int length) { return MulDiv(length, ScreenDpi(), USER_DEFAULT_SCREEN_DPI); }
int FromScreen(int length) { return MulDiv(length, USER_DEFAULT_SCREEN_DPI, ScreenDpi()); }

Bounds ToScreen(const Bounds& bounds) {
  const int left = ToScreen(bounds.left), top = ToScreen(bounds.top);
  return Bounds{left, top, ToScreen(bounds.left + bounds.width) - left, ToScreen(bounds.top + bounds.height) - top};
}

Bounds FromScreen(const Bounds& bounds) {
  const int left = FromScreen(bounds.left), top = FromScreen(bounds.top);
  return Bounds{left, top, FromScreen(bounds.left + bounds.width) - left,
                FromScreen(bounds.top + bounds.height) - top};
}

}  // namespace platform::win32ui
