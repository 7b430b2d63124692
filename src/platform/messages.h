#pragma once
// Window messages between threads. A window thread owns message windows and pumps their
// queue; any thread may post to them, or run a function on the window thread and wait for it.
// A posted message and a later synchronous call arrive in the order they were made.
#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t kWmUser = 0x0400;
constexpr std::uint32_t kWaitForeverMs = 0xFFFFFFFFu;

class MessageHandler {
 public:
  virtual ~MessageHandler() = default;
  virtual void OnMessage(std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) = 0;
};

// Creates a message window owned by the calling thread; its messages reach `handler` on that
// thread while it pumps messages.
WindowHandle CreateMessageWindow(MessageHandler* handler);
void DestroyMessageWindow(WindowHandle window);

// PostMessage: queues the message and returns at once; false when the window is gone.
bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam);

// Runs `call` on the thread that owns `window`, after every message posted to it before, and
// waits until it has run. Returns false (without running it) when the window is gone.
bool CallOnWindowThread(WindowHandle window, const std::function<void()>& call);

// Pumps the calling thread's messages until `done` returns true (checked after each message)
// or `timeoutMs` passes (kWaitForeverMs: no limit). Returns whether `done` became true.
bool PumpMessagesUntil(const std::function<bool()>& done, std::uint32_t timeoutMs);

// Pumps the messages that are already queued for the calling thread, then returns.
void PumpPendingMessages();

}  // namespace platform
