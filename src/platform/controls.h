#pragma once
// The standard controls of the widget layer. Each is made by Container::Add... from its spec;
// the `name` of a control's settings is its name within its form, and a `font` left empty means the
// form's font (with its colour). Threading and lifetime: see platform/control.h.
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/control.h"

namespace platform {

// ---- Label: static text, transparent over its parent's background.

struct LabelSpec {
  std::wstring name;
  Bounds bounds;  // with autoSize, width and height are a starting size only
  std::wstring text;
  std::optional<Font> font;
  // The label follows its text: with wordWrap it keeps its width and takes the height of the
  // wrapped lines, without it takes the width and height of the text. The host keeps the
  // given size (it has no text measure).
  bool autoSize = true;
  bool wordWrap = false;
};

class Label : public Control {
 public:
  virtual std::wstring Text() const = 0;
  virtual void SetText(const std::wstring& text) = 0;
  virtual Font GetFont() const = 0;
  virtual void SetFont(const Font& font) = 0;
  virtual bool WordWrap() const = 0;
  virtual bool AutoSize() const = 0;
};

// ---- Drop-down list: a combo box whose entries can only be picked (CBS_DROPDOWNLIST).

struct DropDownListSpec {
  std::wstring name;
  Bounds bounds;  // the height is the closed box's; the system may adjust it to the font
  std::optional<Font> font;
};

class DropDownList : public Control {
 public:
  // Entry `index` gets `text` and `data`; an index past the end appends. Returns the index used.
  virtual int InsertItem(int index, const std::wstring& text, std::intptr_t data = 0) = 0;
  int AddItem(const std::wstring& text, std::intptr_t data = 0) { return InsertItem(ItemCount(), text, data); }
  virtual void ClearItems() = 0;
  virtual int ItemCount() const = 0;
  // Empty text and 0 for an index out of range.
  virtual std::wstring ItemText(int index) const = 0;
  virtual std::intptr_t ItemData(int index) const = 0;
  virtual std::vector<std::wstring> Items() const = 0;

  // -1 when nothing is selected. Setting it (also to -1) does not fire the change event.
  virtual int SelectedIndex() const = 0;
  virtual void SetSelectedIndex(int index) = 0;
  // The selected entry's text, empty when none.
  virtual std::wstring Text() const = 0;

  // Fired when the user picks an entry (mouse or keyboard), after the selection has changed.
  virtual void SetOnChange(std::function<void()> handler) = 0;
};

// ---- Edit: one line of text, typically read-only here.

struct EditSpec {
  std::wstring name;
  Bounds bounds;  // height 0: the system's height for the font
  std::optional<Font> font;
  bool readOnly = true;
};

class Edit : public Control {
 public:
  virtual std::wstring Text() const = 0;
  virtual void SetText(const std::wstring& text) = 0;
  virtual bool ReadOnly() const = 0;
  virtual void SetReadOnly(bool readOnly) = 0;
};

// ---- Memo: read-only multi-line text with a vertical scroll bar.

struct MemoSpec {
  std::wstring name;
  Bounds bounds;
  std::optional<Font> font;
};

class Memo : public Control {
 public:
  // Adds one line at the end ("\r\n" between lines on Windows).
  virtual void AppendLine(const std::wstring& line) = 0;
  virtual void Clear() = 0;
  virtual std::vector<std::wstring> Lines() const = 0;
  // All lines joined by "\r\n".
  virtual std::wstring Text() const = 0;
};

// ---- Check box.

struct CheckBoxSpec {
  std::wstring name;
  Bounds bounds;
  std::wstring caption;  // "&" marks the mnemonic
  std::optional<Font> font;
  bool checked = false;
};

class CheckBox : public Control {
 public:
  virtual std::wstring Caption() const = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  virtual bool Checked() const = 0;
  // As the framework's check box does, a change of state made here also fires the click
  // event (setting the state it already has fires nothing).
  virtual void SetChecked(bool checked) = 0;
  // Fired after the state changed, by the user (mouse, Space, mnemonic) or by SetChecked.
  virtual void SetOnClick(std::function<void()> handler) = 0;
};

// ---- Progress bar.

struct ProgressBarSpec {
  std::wstring name;
  Bounds bounds;
  int minimum = 0;
  int maximum = 100;
};

class ProgressBar : public Control {
 public:
  virtual int Minimum() const = 0;
  virtual int Maximum() const = 0;
  virtual void SetRange(int minimum, int maximum) = 0;
  // Positions outside the range are clamped to it.
  virtual int Position() const = 0;
  virtual void SetPosition(int position) = 0;
};

// ---- Panel: a container of controls, shown and hidden as one (the wizard's pages).

enum class PanelBevel { None, Raised, Lowered };

struct PanelSpec {
  std::wstring name;
  Bounds bounds;
  PanelBevel bevel = PanelBevel::None;
  std::optional<Color> background;  // empty: the parent's background colour
  std::optional<Font> font;         // empty: the form's font, for the controls placed on it
};

class Panel : public Control, public Container {
 public:
  virtual PanelBevel Bevel() const = 0;
};

// ---- Image: a picture drawn at the control's top-left corner, alpha-blended over the
// parent's background and clipped to the control.

struct ImageSpec {
  std::wstring name;
  Bounds bounds;  // width or height 0: the picture's
  RgbaImage image;
};

class Image : public Control {
 public:
  virtual const RgbaImage& Picture() const = 0;
  virtual void SetPicture(const RgbaImage& image) = 0;
};

// ---- Rule: a rectangle filled with one colour (the 1-pixel separator lines under titles).

struct RuleSpec {
  std::wstring name;
  Bounds bounds;
  Color color{160, 160, 160};
};

class Rule : public Control {
 public:
  virtual Color GetColor() const = 0;
};

// ---- Timer: not a control; it belongs to a form (Form::AddTimer) and ticks on its thread.

struct TimerSpec {
  std::wstring name;
  std::uint32_t intervalMs = 1000;
  bool enabled = true;
};

class Timer {
 public:
  virtual ~Timer() = default;
  virtual const std::wstring& Name() const = 0;
  virtual std::uint32_t Interval() const = 0;
  // A new interval restarts the count while the timer is enabled.
  virtual void SetInterval(std::uint32_t intervalMs) = 0;
  virtual bool Enabled() const = 0;
  virtual void SetEnabled(bool enabled) = 0;
  // Fired once per interval while enabled. On the host, ticks come only from the probe
  // (sim/probes/widgets_probe.h) unless real-time timers are switched on there.
  virtual void SetOnTick(std::function<void()> handler) = 0;
};

}  // namespace platform
