#pragma once
// The one way the windows make buttons: a gs::GsButton with the program's shared look.
#include <memory>
#include <optional>
#include <string>

#include "gs/gs_button.h"
#include "platform/control.h"

namespace ui {

// Makes a skinned button on `parent` at `left`, `top`, stores it in `target` (replacing what it
// held) and shows it:
// - faces raised, hovered, sunken, disabled; its size is the raised face's;
// - idle caption font "Microsoft Sans Serif" in RGB 239, 239, 239; `inputBackground` under it;
// - hovered: bold, RGB 113, 227, 255, glow opacity 160, radius 0;
// - sunken: bold, RGB 113, 227, 255, moved 1 pixel right and down;
// - disabled: black;
// - the caption when given; the hint when given, with hints switched on (an empty hint given
//   still switches them on).
// `name` is the control's name for tests and automation; empty gives "GsButton" + a number.
void CreateSkinButton(platform::Container& parent, const platform::RgbaImage& inputBackground,
                      std::unique_ptr<gs::GsButton>& target, int left, int top, const platform::RgbaImage& raised,
                      const platform::RgbaImage& hovered, const platform::RgbaImage& sunken,
                      const platform::RgbaImage& disabled, const std::optional<std::wstring>& caption,
                      const std::optional<std::wstring>& hint, const std::wstring& name = L"");

}  // namespace ui
