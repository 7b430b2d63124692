#pragma once
// Test probe (host build), for tests and the demo: find forms and controls, and act as the user does.
//
// Every user action is queued on the form's window-thread queue, as a real input message
// would be, and happens when that thread pumps (platform::PumpPendingMessages or
// PumpMessagesUntil, or RunMessageLoop). The function returns whether the action was queued
// (false when the form is gone). At delivery the rules of the real controls apply: a control
// that is disabled or not showing (itself, a parent panel or the form hidden) ignores it.
// Properties are read through the portable interfaces (Text(), IsEnabled(), ...), plus the few
// host-only readers below.
#include <string>
#include <vector>

#include "platform/form.h"

namespace platform::host {

// Every form alive, in the order they were created.
std::vector<Form*> Forms();
// The living form of that name; nullptr when none.
Form* FindForm(const std::wstring& name);
// Form::FindControl, cast to the kind asked for; nullptr when there is none of that kind.
template <class T>
T* FindControlAs(const Form& form, const std::wstring& name) {
  return dynamic_cast<T*>(form.FindControl(name));
}

// Visible, with every parent panel and the form visible too.
bool IsShowing(const Control& control);
// Showing and enabled, with every parent panel enabled: what the user can act on.
bool IsUsable(const Control& control);

// A mouse click: a skinned button fires its click; a check box toggles and fires its click;
// any control that takes the focus gets it.
bool Click(Control& control);
// The user picks entry `index` of the list: the selection moves and the change event fires
// (also when the entry was already selected, as the system's list does).
bool ChooseItem(DropDownList& list, int index);
// A key pressed while `control` has the focus: Space or Enter clicks a skinned button, Space
// toggles a check box, Tab (Shift+Tab) moves the focus on (back) in tab order, Alt+F4 asks its
// form to close (the form's key handler is not asked). Tab order is creation order, with a
// panel's controls in the panel's place; showing a form focuses its first usable control.
bool PressKey(Control& control, const KeyPress& key);
// A key pressed while the form itself has the focus: the form's key handler sees it first;
// an Alt+F4 it does not discard asks the form to close.
bool PressKey(Form& form, const KeyPress& key);
// The close box (or the system menu's Close): nothing while the Close item is disabled, else
// a close request.
bool PressCloseBox(Form& form);
// The form's timer of that name (Form::AddTimer); nullptr when none.
Timer* FindTimer(const Form& form, const std::wstring& name);
// One tick of an enabled timer (ignored when disabled at delivery).
bool Tick(Timer& timer);
// The pointer enters (true) or leaves (false) a skinned button: its state follows.
bool Hover(SkinButton& button, bool inside);

// The timers of every form tick by themselves on their thread's queue, at their interval,
// while `on` (off at start, so tests decide every tick).
void SetRealTimeTimers(bool on);

}  // namespace platform::host
