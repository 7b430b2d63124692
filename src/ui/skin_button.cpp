#include "ui/skin_button.h"

#include <atomic>

namespace ui {

namespace {

constexpr platform::Color kCaptionColor{239, 239, 239};
constexpr platform::Color kGlowColor{113, 227, 255};

std::wstring NextButtonName() {
  static std::atomic<int> count{0};
  return L"GsButton" + std::to_wstring(++count);
}

}  // namespace

void CreateSkinButton(platform::Container& parent, const platform::RgbaImage& inputBackground,
                      std::unique_ptr<gs::GsButton>& target, int left, int top, const platform::RgbaImage& raised,
                      const platform::RgbaImage& hovered, const platform::RgbaImage& sunken,
                      const platform::RgbaImage& disabled, const std::optional<std::wstring>& caption,
                      const std::optional<std::wstring>& hint, const std::wstring& name) {
  target = std::make_unique<gs::GsButton>(parent, name.empty() ? NextButtonName() : name);
  gs::GsButton& button = *target;
  button.SetLeft(left);
  button.SetTop(top);

  button.Appearance.Raised = raised;
  button.Appearance.Sunken = sunken;
  button.Appearance.Hovered = hovered;
  button.Appearance.Disabled = disabled;
  button.SetWidth(raised.width);
  button.SetHeight(raised.height);

  button.Font.Name = L"Microsoft Sans Serif";
  button.Font.Color = kCaptionColor;
  button.InputBkgnd = inputBackground;

  button.TextEffect.Hovered.Font.Color = kGlowColor;
  button.TextEffect.Hovered.Font.Bold = true;
  button.TextEffect.Hovered.Opacity = 160;
  button.TextEffect.Hovered.Radius = 0;

  button.TextEffect.Disabled.Font.Color = platform::Color{0, 0, 0};

  button.TextEffect.Sunken.Font.Color = kGlowColor;
  button.TextEffect.Sunken.Font.Bold = true;
  button.TextEffect.Sunken.OffsetX = 1;
  button.TextEffect.Sunken.OffsetY = 1;
  button.ApplyLook();

  if (caption) button.SetCaption(*caption);
  if (hint) {
    button.SetHint(*hint);
    button.SetShowHint(true);
  }
  button.SetVisible(true);
}

}  // namespace ui
