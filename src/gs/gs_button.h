#pragma once
// gs::GsButton: the skinned bitmap button of the widget library. It holds the published
// properties (faces per state, input background, idle font, the text effects of the other
// states, caption, hint, tag, ...) and drives a platform skinned-button control
// (platform/skin_button.h) that draws it and reports its clicks.
#include <cstdint>
#include <functional>
#include <string>

#include "platform/control.h"
#include "platform/skin_button.h"

namespace gs {

struct GsFont {
  std::wstring Name = L"Microsoft Sans Serif";
  int Size = 8;  // points
  platform::Color Color{0, 0, 0};
  bool Bold = false;
};

// The caption's look in one state: its font, and a glow ("radiation") of the caption in the
// font colour around it, `Opacity` 0 (none) to 255 strong, blurred by `Radius` pixels, and the
// caption moved by OffsetX, OffsetY.
struct GsTextRadiationEffect {
  GsFont Font;
  int Opacity = 128;
  int Radius = 1;
  int OffsetX = 0;
  int OffsetY = 0;
};

struct GsButtonAppearance {
  platform::RgbaImage Raised;
  platform::RgbaImage Hovered;
  platform::RgbaImage Sunken;
  platform::RgbaImage Disabled;
};

struct GsButtonTextEffect {
  GsTextRadiationEffect Hovered;
  GsTextRadiationEffect Sunken;
  GsTextRadiationEffect Disabled;  // no glow unless its Opacity is set
};

class GsButton {
 public:
  // Places a hidden button with an empty look on `parent`; `name` is the control's name
  // within its form.
  GsButton(platform::Container& parent, const std::wstring& name);
  // The control belongs to the form and stays with it; the click handler is dropped.
  ~GsButton();
  GsButton(const GsButton&) = delete;
  GsButton& operator=(const GsButton&) = delete;

  // The look. Changes to these members take effect with ApplyLook().
  GsButtonAppearance Appearance;
  platform::RgbaImage InputBkgnd;
  GsFont Font;  // caption in the idle (raised) state
  GsButtonTextEffect TextEffect;
  void ApplyLook();
  // The look as the control draws it, from the members above.
  platform::SkinButtonLook Look() const;

  std::wstring Caption() const;
  void SetCaption(const std::wstring& caption);
  std::wstring Hint() const;
  void SetHint(const std::wstring& hint);
  bool ShowHint() const;
  void SetShowHint(bool show);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  std::intptr_t Tag() const { return control_->Tag(); }
  void SetTag(std::intptr_t tag) { control_->SetTag(tag); }

  int Left() const;
  int Top() const;
  int Width() const;
  int Height() const;
  void SetLeft(int left);
  void SetTop(int top);
  void SetWidth(int width);
  void SetHeight(int height);

  // The click handler, run for every click of the control.
  void SetOnClick(std::function<void()> handler);
  // Runs the click handler as a click does, when the button is enabled and visible.
  void Click();
  void Repaint();
  platform::SkinButtonState State() const;

  platform::SkinButton& Control() const { return *control_; }

 private:
  platform::SkinButton* control_;
  std::function<void()> onClick_;
};

}  // namespace gs
