#pragma once
// The skinned button control: a picture face per state, an input background under it and a
// caption drawn in the state's font and colour, with an optional glow (a halo of the caption
// in the text colour) and offset. The portable model gs::GsButton drives it; windows make
// buttons through ui's CreateSkinButton only. Threading and lifetime: see platform/control.h.
//
// Drawing, bottom to top: the parent's background colour; the input background, its centre on
// the button's centre; the face of the current state, alpha-blended; the caption's glow; the
// caption, centred, moved by the state's offset, with the mnemonic letter ("&Next") underlined;
// the focus rectangle while the button has the keyboard focus.
//
// States: Disabled while the button is disabled (it then ignores all input); otherwise Sunken
// while pressed with the pointer over it, Hovered while the pointer is over it, Raised else. A
// click is a press released over the button, Space or Enter while it has the focus, its
// mnemonic with Alt, or a BM_CLICK message (so automation can press it).
#include <cstdint>
#include <functional>
#include <string>

#include "platform/control.h"

namespace platform {

// How the caption looks in one state.
struct SkinTextStyle {
  Font font;              // name, size, bold, colour of the caption
  int glowOpacity = 0;    // 0 (no glow) to 255: alpha of the halo around the caption
  int glowRadius = 0;     // extra spread of the halo in pixels beyond its own soft 2 pixels
  int offsetX = 0;        // the caption moves by this many pixels in this state
  int offsetY = 0;
  friend bool operator==(const SkinTextStyle&, const SkinTextStyle&) = default;
};

struct SkinButtonLook {
  RgbaImage raised;           // idle
  RgbaImage hovered;          // under the pointer
  RgbaImage sunken;           // pressed
  RgbaImage disabled;         // disabled
  RgbaImage inputBackground;  // drawn under the face; none: the parent's background only
  SkinTextStyle raisedText;
  SkinTextStyle hoveredText;
  SkinTextStyle sunkenText;
  SkinTextStyle disabledText;
  friend bool operator==(const SkinButtonLook&, const SkinButtonLook&) = default;
};

enum class SkinButtonState { Raised, Hovered, Sunken, Disabled };

struct SkinButtonSpec {
  std::wstring name;
  Bounds bounds;
  SkinButtonLook look;
  std::wstring caption;  // "&" marks the mnemonic; "&&" is a plain "&"
  bool visible = true;
};

class SkinButton : public Control {
 public:
  virtual const SkinButtonLook& Look() const = 0;
  // Takes the faces, background and text styles; the button is drawn again.
  virtual void SetLook(const SkinButtonLook& look) = 0;

  // The caption is also the window text (GetWindowTextW reads it on Windows).
  virtual std::wstring Caption() const = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;

  // The hint is shown as a tooltip while the pointer rests on the button and ShowHint is on.
  virtual std::wstring Hint() const = 0;
  virtual void SetHint(const std::wstring& hint) = 0;
  virtual bool ShowHint() const = 0;
  virtual void SetShowHint(bool show) = 0;

  virtual SkinButtonState State() const = 0;
  // Whether Enter on the focused button clicks it (on by default). A button whose click can't
  // be undone, such as a Cancel while a job runs, turns it off so a stray Enter does nothing;
  // Space, the mouse, the mnemonic and BM_CLICK still click.
  virtual bool EnterClicks() const = 0;
  virtual void SetEnterClicks(bool on) = 0;

  // Fired for each click (see above); never while the button is disabled or hidden.
  virtual void SetOnClick(std::function<void()> handler) = 0;
};

}  // namespace platform
