#include "gui_layout_check.h"

#include <cstdlib>
#include <string>
#include <vector>

#include "gui_driver_util.h"

namespace gui {

int WalkDpi() {
  const char* set = std::getenv("DRAVENTA_GUI_DPI");
  const int dpi = set != nullptr ? std::atoi(set) : 0;
  return dpi > 0 ? dpi : 96;
}

int Scaled(int length) { return MulDiv(length, WalkDpi(), 96); }

namespace {

std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// The control's box in its parent's client coordinates.
RECT BoxInParent(HWND window) {
  RECT box{};
  GetWindowRect(window, &box);
  MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&box), 2);
  return box;
}

std::wstring Describe(HWND window) {
  const std::wstring name = NameOf(window);
  return name.empty() ? L"\"" + TextOf(window) + L"\"" : name;
}

struct Found {
  std::vector<HWND> controls;
};

BOOL CALLBACK CollectVisible(HWND window, LPARAM param) {
  if (IsWindowVisible(window)) reinterpret_cast<Found*>(param)->controls.push_back(window);
  return TRUE;
}

bool Contains(const RECT& outer, const RECT& inner) {
  return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right && inner.bottom <= outer.bottom;
}

}  // namespace

void CheckLayout(HWND form, const wchar_t* what) {
  Found found;
  if (form != nullptr) EnumChildWindows(form, CollectVisible, reinterpret_cast<LPARAM>(&found));
  int faults = 0;
  auto fault = [&](const std::wstring& text) {
    Check(false, std::wstring(what) + L": " + text);
    ++faults;
  };
  for (HWND control : found.controls) {
    // Pictures may start outside the window on purpose (the banner does); controls may not.
    if (ClassOf(control) == L"DraventaImage") continue;
    RECT parent{};
    GetClientRect(GetParent(control), &parent);
    if (!Contains(parent, BoxInParent(control))) fault(Describe(control) + L" reaches outside its parent");
    for (HWND other : found.controls) {
      if (other <= control || GetParent(other) != GetParent(control) || ClassOf(other) == L"DraventaImage") continue;
      RECT a = BoxInParent(control), b = BoxInParent(other), both{};
      if (IntersectRect(&both, &a, &b)) fault(Describe(control) + L" overlaps " + Describe(other));
    }
  }
  if (faults == 0)
    Check(true, std::wstring(what) + L": " + std::to_wstring(found.controls.size()) +
                    L" controls at " + std::to_wstring(WalkDpi()) + L" DPI, each inside its parent, none overlapping");
}

}  // namespace gui
