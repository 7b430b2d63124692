#pragma once
// A form: a top-level window of the program that holds controls. Threading and lifetime of
// the controls on it: see platform/control.h.
//
// Every form is a tool window (WS_EX_TOOLWINDOW, no WS_EX_APPWINDOW) owned by the program's
// hidden application window (platform::ApplicationWindow) or by another form, so the program
// has exactly one task-bar button, the application window's, however many forms are open.
//
// The form's Handle() is a real window for the message services of platform/messages.h: any
// thread may PostWindowMessage to it or CallOnWindowThread on it. Posted messages from kWmUser
// on (WM_OPERATION_STATE) reach the handler set with SetOnMessage, on the form's thread, in the
// order they were posted; a posted kWmClose is a close request like the close box.
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/controls.h"
#include "platform/skin_button.h"

namespace platform {

enum class FormBorder {
  Dialog,                 // dialog frame, caption with system menu and close box (bsDialog)
  SingleSystemMenuOnly,   // single fixed frame, caption with system menu and close box only
};

struct FormSpec {
  std::wstring name;  // "dlgFirst", "dlgEULA", "MainForm"
  std::wstring caption;
  int clientWidth = 0;
  int clientHeight = 0;
  FormBorder border = FormBorder::Dialog;
  Font font;                        // the controls' font unless they name their own
  std::optional<Color> background;  // empty: ButtonFaceColor()
  bool centerOnScreen = true;       // placed in the middle of the screen when first shown
  // The application's main form: closing it ends RunMessageLoop (platform/main_window.h).
  bool mainForm = false;
  // The owner window; none: the application window.
  const Form* owner = nullptr;
};

class Form : public Container {
 public:
  virtual const std::wstring& Name() const = 0;
  virtual WindowHandle Handle() const = 0;

  virtual std::wstring Caption() const = 0;
  virtual void SetCaption(const std::wstring& caption) = 0;
  virtual Font GetFont() const = 0;
  virtual FormBorder Border() const = 0;
  virtual bool IsToolWindow() const = 0;
  virtual bool IsMainForm() const = 0;

  // Sizes here are of the 96-DPI layout, as everywhere in the widget layer (see RgbaImage).
  // The client area's size (Bounds::left and top are 0).
  virtual Bounds ClientBounds() const = 0;
  // The whole window, frame included, in screen coordinates.
  virtual Bounds WindowBounds() const = 0;
  // Sets the whole window's size; the client area changes by as much (on a finer screen the
  // frame scales too, so by about as much).
  virtual void SetWindowSize(int width, int height) = 0;
  virtual void CenterOnScreen() = 0;

  // Show fires the show event, then makes the form visible and active. Hide only hides it.
  virtual void Show() = 0;
  virtual void Hide() = 0;
  virtual bool IsVisible() const = 0;
  // Fired by Show before the form appears (each time, also when it is already visible).
  virtual void SetOnShow(std::function<void()> handler) = 0;

  // Asks the form to close, as the close box does, but regardless of the Close item: the
  // close handler decides. Returns whether the form closed (it is then hidden; the main form
  // also ends the message loop).
  virtual bool Close() = 0;
  // Called for every close request: the close box, Alt+F4, the system menu's Close, a posted
  // kWmClose, or Close(). Return true to let the form close, false to keep it. Without a
  // handler the form closes. The handler may close other forms.
  virtual void SetOnClose(std::function<bool()> handler) = 0;

  // The Close item of the system menu. While it is disabled it is greyed, and the close box,
  // Alt+F4 and the menu item do nothing (Close() still works).
  virtual bool CloseItemEnabled() const = 0;
  virtual void SetCloseItemEnabled(bool enabled) = 0;

  // Keys that reach the form itself, when no control of it has the focus (a control's keys
  // are its own). Return true to discard the key: Alt+F4 discarded here does not close.
  virtual void SetOnKeyDown(std::function<bool(const KeyPress&)> handler) = 0;

  // Messages posted to Handle() from kWmUser on, with their wParam and lParam.
  virtual void SetOnMessage(std::function<void(std::uint32_t, std::uintptr_t, std::intptr_t)> handler) = 0;

  // A timer ticking on the form's thread; it lives as long as the form.
  virtual Timer* AddTimer(const TimerSpec& spec) = 0;

  // The control of that name anywhere on the form (panels included); nullptr when none.
  virtual Control* FindControl(const std::wstring& name) const = 0;
  // Every control of the form, panels' controls included, in the order they were made.
  virtual std::vector<Control*> Controls() const = 0;
  // The control with the keyboard focus, nullptr when the form itself has it.
  virtual Control* FocusedControl() const = 0;
};

// Creates the form, hidden, owned by the calling thread. nullptr when the system refuses the
// window (LastWidgetError() tells why).
std::unique_ptr<Form> CreateForm(const FormSpec& spec);

}  // namespace platform
