#include "gs/gs_button.h"

#include "platform/control.h"

namespace gs {

namespace {

platform::Font ToFont(const GsFont& font) { return platform::Font{font.Name, font.Size, font.Bold, font.Color}; }

platform::SkinTextStyle ToStyle(const GsTextRadiationEffect& effect) {
  platform::SkinTextStyle style;
  style.font = ToFont(effect.Font);
  style.glowOpacity = effect.Opacity < 0 ? 0 : (effect.Opacity > 255 ? 255 : effect.Opacity);
  style.glowRadius = effect.Radius < 0 ? 0 : effect.Radius;
  style.offsetX = effect.OffsetX;
  style.offsetY = effect.OffsetY;
  return style;
}

}  // namespace

GsButton::GsButton(platform::Container& parent, const std::wstring& name) {
  platform::SkinButtonSpec spec;
  spec.name = name;
  spec.visible = false;
  // A disabled caption is plain text unless its effect is given an opacity.
  TextEffect.Disabled.Opacity = 0;
  spec.look = Look();
  control_ = parent.AddSkinButton(spec);
  control_->SetOnClick([this] {
    if (onClick_) onClick_();
  });
}

GsButton::~GsButton() = default;

platform::SkinButtonLook GsButton::Look() const {
  platform::SkinButtonLook look;
  look.raised = Appearance.Raised;
  look.hovered = Appearance.Hovered;
  look.sunken = Appearance.Sunken;
  look.disabled = Appearance.Disabled;
  look.inputBackground = InputBkgnd;
  look.raisedText.font = ToFont(Font);
  look.hoveredText = ToStyle(TextEffect.Hovered);
  look.sunkenText = ToStyle(TextEffect.Sunken);
  look.disabledText = ToStyle(TextEffect.Disabled);
  return look;
}

void GsButton::ApplyLook() { control_->SetLook(Look()); }

std::wstring GsButton::Caption() const { return control_->Caption(); }
void GsButton::SetCaption(const std::wstring& caption) { control_->SetCaption(caption); }
std::wstring GsButton::Hint() const { return control_->Hint(); }
void GsButton::SetHint(const std::wstring& hint) { control_->SetHint(hint); }
bool GsButton::ShowHint() const { return control_->ShowHint(); }
void GsButton::SetShowHint(bool show) { control_->SetShowHint(show); }
bool GsButton::Enabled() const { return control_->IsEnabled(); }
void GsButton::SetEnabled(bool enabled) { control_->SetEnabled(enabled); }
bool GsButton::Visible() const { return control_->IsVisible(); }
void GsButton::SetVisible(bool visible) { control_->SetVisible(visible); }

int GsButton::Left() const { return control_->GetBounds().left; }
int GsButton::Top() const { return control_->GetBounds().top; }
int GsButton::Width() const { return control_->GetBounds().width; }
int GsButton::Height() const { return control_->GetBounds().height; }
void GsButton::SetLeft(int left) { control_->SetPosition(left, Top()); }
void GsButton::SetTop(int top) { control_->SetPosition(Left(), top); }
void GsButton::SetWidth(int width) { control_->SetSize(width, Height()); }
void GsButton::SetHeight(int height) { control_->SetSize(Width(), height); }

void GsButton::SetOnClick(std::function<void()> handler) { onClick_ = std::move(handler); }

void GsButton::Click() {
  if (Enabled() && Visible() && onClick_) onClick_();
}

void GsButton::Repaint() { control_->Repaint(); }
platform::SkinButtonState GsButton::State() const { return control_->State(); }

}  // namespace gs
