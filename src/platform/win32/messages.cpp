#include "platform/messages.h"

#include <windows.h>

#include <map>
#include <memory>
#include <mutex>

#include "platform/win32/scoped_handle.h"
#include "platform/win32/window_calls.h"

// Message windows are message-only windows (parent HWND_MESSAGE) whose window procedure hands
// messages from WM_USER on to the window's MessageHandler. A synchronous call is posted as a
// private message, so it queues behind every message posted before it, and the caller waits
// on an event. The message carries the call's number, not a pointer: a call whose window is
// destroyed before it is dispatched is abandoned, and its message finds nothing to run.

namespace platform {

namespace {

constexpr const wchar_t* kClassName = L"DraventaMessageWindow";
constexpr UINT kCallMessage = WM_APP + 0x3A0;
constexpr DWORD kWaitSliceMs = 50;

enum class CallStage { Queued, Running, Done, Abandoned };

struct PendingCall {
  std::function<void()> call;
  // Manual-reset event, set when the call has run; closed with the last holder of the call.
  win32::ScopedKernelHandle finished;
  CallStage stage = CallStage::Queued;
};

struct CallRegistry {
  std::mutex lock;
  std::map<std::uintptr_t, std::shared_ptr<PendingCall>> calls;
  std::uintptr_t next = 1;
};

CallRegistry& Calls() {
  static CallRegistry registry;
  return registry;
}

// Runs the call numbered `id` unless its caller gave it up.
void RunCall(std::uintptr_t id) {
  std::shared_ptr<PendingCall> pending;
  {
    CallRegistry& r = Calls();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.calls.find(id);
    if (it == r.calls.end() || it->second->stage != CallStage::Queued) return;
    pending = it->second;
    pending->stage = CallStage::Running;
  }
  pending->call();
  {
    std::lock_guard<std::mutex> guard(Calls().lock);
    pending->stage = CallStage::Done;
  }
  SetEvent(pending->finished.get());
}

LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (win32ui::RunPostedCall(message, wParam)) return 0;
  if (message >= WM_USER) {
    auto* handler = reinterpret_cast<MessageHandler*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (handler) handler->OnMessage(message, wParam, lParam);
    return 0;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

bool RegisterMessageWindowClass() {
  static const bool registered = [] {
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = MessageWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kClassName;
    return RegisterClassExW(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
  }();
  return registered;
}

// Dispatches one message; a WM_QUIT is remembered in `quitCode` for the caller to re-post.
void DispatchOne(MSG& message, bool& quit, WPARAM& quitCode) {
  if (message.message == WM_QUIT) {
    quit = true;
    quitCode = message.wParam;
    return;
  }
  if (win32ui::HandleFormKeys(message)) return;
  TranslateMessage(&message);
  DispatchMessageW(&message);
}

}  // namespace

bool win32ui::RunPostedCall(UINT message, WPARAM wParam) {
  if (message != kCallMessage) return false;
  RunCall(static_cast<std::uintptr_t>(wParam));
  return true;
}

WindowHandle CreateMessageWindow(MessageHandler* handler) {
  if (!RegisterMessageWindowClass()) return 0;
  HWND window = CreateWindowExW(0, kClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                                nullptr);
  if (!window) return 0;
  SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(handler));
  return reinterpret_cast<WindowHandle>(window);
}

void DestroyMessageWindow(WindowHandle window) {
  HWND handle = reinterpret_cast<HWND>(window);
  if (!IsWindow(handle)) return;
  SetWindowLongPtrW(handle, GWLP_USERDATA, 0);
  DestroyWindow(handle);
}

bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  return PostMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam) != FALSE;
}

bool CallOnWindowThread(WindowHandle window, const std::function<void()>& call) {
  HWND handle = reinterpret_cast<HWND>(window);
  auto pending = std::make_shared<PendingCall>();
  pending->call = call;
  pending->finished.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  if (!pending->finished) return false;
  std::uintptr_t id = 0;
  {
    CallRegistry& r = Calls();
    std::lock_guard<std::mutex> guard(r.lock);
    id = r.next++;
    r.calls[id] = pending;
  }
  auto forget = [&] {
    std::lock_guard<std::mutex> guard(Calls().lock);
    Calls().calls.erase(id);
  };
  if (!PostMessageW(handle, kCallMessage, id, 0)) {
    forget();
    return false;
  }

  bool ran = false;
  if (GetWindowThreadProcessId(handle, nullptr) == GetCurrentThreadId()) {
    // On the window thread itself: dispatch until the call, queued behind earlier posts, ran.
    // A window destroyed meanwhile drops the call's message with its queue.
    auto finished = [&] { return WaitForSingleObject(pending->finished.get(), 0) == WAIT_OBJECT_0; };
    PumpMessagesUntil([&] { return finished() || !IsWindow(handle); }, kWaitForeverMs);
    ran = finished();
  } else {
    for (;;) {
      if (WaitForSingleObject(pending->finished.get(), kWaitSliceMs) == WAIT_OBJECT_0) {
        ran = true;
        break;
      }
      if (!IsWindow(handle)) {
        // The window is gone and its queued messages with it; give the call up unless it is
        // running right now.
        std::lock_guard<std::mutex> guard(Calls().lock);
        if (pending->stage == CallStage::Queued) {
          pending->stage = CallStage::Abandoned;
          break;
        }
      }
    }
  }
  forget();
  return ran;
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  const DWORD start = GetTickCount();
  bool quit = false;
  WPARAM quitCode = 0;
  bool result = false;
  for (;;) {
    if (done()) {
      result = true;
      break;
    }
    MSG message;
    bool dispatched = false;
    while (!done() && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      DispatchOne(message, quit, quitCode);
      dispatched = true;
    }
    if (done()) {
      result = true;
      break;
    }
    DWORD elapsed = GetTickCount() - start;
    if (timeoutMs != kWaitForeverMs && elapsed >= timeoutMs) break;
    if (!dispatched) {
      DWORD wait = kWaitSliceMs;
      if (timeoutMs != kWaitForeverMs && timeoutMs - elapsed < wait) wait = timeoutMs - elapsed;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, wait, QS_ALLINPUT);
    }
  }
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
  return result;
}

void PumpPendingMessages() {
  bool quit = false;
  WPARAM quitCode = 0;
  MSG message;
  while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchOne(message, quit, quitCode);
  if (quit) PostQuitMessage(static_cast<int>(quitCode));
}

}  // namespace platform
