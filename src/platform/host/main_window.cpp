#include "platform/main_window.h"

#include <atomic>
#include <memory>

#include "platform/form.h"
#include "platform/host/host_form.h"
#include "platform/host/user_hooks.h"
#include "platform/messages.h"

// The message loop of a host window thread runs until that thread's main form closes. The
// plain main window is an empty main form kept here.

namespace platform {

namespace {

// Set when the thread's main form has closed; RunMessageLoop clears it when it returns.
thread_local bool t_mainFormClosed = false;
thread_local int t_mainForms = 0;
thread_local std::unique_ptr<Form> t_plainWindow;
std::atomic<WindowHandle> g_openMainWindow{0};

}  // namespace

namespace hostui {

void NoteMainFormClosed(HostForm& form) {
  t_mainFormClosed = true;
  WindowHandle expected = form.Handle();
  g_openMainWindow.compare_exchange_strong(expected, 0);
}

void NoteMainFormCreated(HostForm& form) {
  ++t_mainForms;
  g_openMainWindow = form.Handle();
}

void NoteMainFormDestroyed(HostForm& form) {
  --t_mainForms;
  WindowHandle expected = form.Handle();
  g_openMainWindow.compare_exchange_strong(expected, 0);
}

}  // namespace hostui

WindowHandle CreatePlainMainWindow(const std::wstring& caption) {
  FormSpec spec;
  spec.name = L"PlainMainWindow";
  spec.caption = caption;
  spec.clientWidth = 640;
  spec.clientHeight = 480;
  spec.mainForm = true;
  t_plainWindow.reset();
  t_plainWindow = CreateForm(spec);
  t_plainWindow->Show();
  return t_plainWindow->Handle();
}

void RunMessageLoop() {
  if (t_mainForms > 0 && !t_mainFormClosed) PumpMessagesUntil([] { return t_mainFormClosed; }, kWaitForeverMs);
  t_mainFormClosed = false;
  t_plainWindow.reset();
}

WindowHandle host::hooks::OpenMainWindow() { return g_openMainWindow; }

bool CloseMainWindow(WindowHandle window) { return PostWindowMessage(window, kWmClose, 0, 0); }

}  // namespace platform
