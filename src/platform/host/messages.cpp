#include "platform/messages.h"

#include "platform/host/user_hooks.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace platform {

namespace {

struct CallState {
  std::function<void()> call;
  std::mutex lock;
  std::condition_variable changed;
  bool done = false;
  bool ran = false;

  void Finish(bool didRun) {
    std::lock_guard<std::mutex> guard(lock);
    done = true;
    ran = didRun;
    changed.notify_all();
  }
};

struct Item {
  WindowHandle window = 0;
  std::uint32_t message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  std::shared_ptr<CallState> call;  // set for a synchronous call
};

// One queue per window thread: posted messages and synchronous calls share it, so they are
// handled in the order they were made.
struct Queue {
  std::mutex lock;
  std::condition_variable arrived;
  std::deque<Item> items;
};

struct Window {
  MessageHandler* handler = nullptr;
  std::thread::id owner;
  std::shared_ptr<Queue> queue;
};

struct Registry {
  std::mutex lock;
  std::map<WindowHandle, Window> windows;
  std::map<std::thread::id, std::shared_ptr<Queue>> queues;
  WindowHandle next = 0x10000;
};

Registry& TheRegistry() {
  static Registry registry;
  return registry;
}

std::shared_ptr<Queue> QueueOfThisThread() {
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  auto& queue = r.queues[std::this_thread::get_id()];
  if (!queue) queue = std::make_shared<Queue>();
  return queue;
}

bool Enqueue(WindowHandle window, Item item, std::thread::id* owner = nullptr) {
  std::shared_ptr<Queue> queue;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.windows.find(window);
    if (it == r.windows.end()) return false;
    queue = it->second.queue;
    if (owner) *owner = it->second.owner;
  }
  std::lock_guard<std::mutex> guard(queue->lock);
  queue->items.push_back(std::move(item));
  queue->arrived.notify_all();
  return true;
}

void Dispatch(Item& item) {
  MessageHandler* handler = nullptr;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.windows.find(item.window);
    if (it != r.windows.end()) handler = it->second.handler;
  }
  if (item.call) {
    if (!handler) {
      item.call->Finish(false);
      return;
    }
    item.call->call();
    item.call->Finish(true);
    return;
  }
  if (handler) handler->OnMessage(item.message, item.wParam, item.lParam);
}

// Takes the next item, waiting until `deadline`; false when none arrived in time.
bool Take(Queue& queue, Item& item, std::chrono::steady_clock::time_point deadline) {
  std::unique_lock<std::mutex> guard(queue.lock);
  if (!queue.arrived.wait_until(guard, deadline, [&] { return !queue.items.empty(); })) return false;
  item = std::move(queue.items.front());
  queue.items.pop_front();
  return true;
}

}  // namespace

WindowHandle CreateMessageWindow(MessageHandler* handler) {
  auto queue = QueueOfThisThread();
  Registry& r = TheRegistry();
  std::lock_guard<std::mutex> guard(r.lock);
  WindowHandle handle = r.next++;
  r.windows[handle] = Window{handler, std::this_thread::get_id(), queue};
  return handle;
}

void DestroyMessageWindow(WindowHandle window) {
  std::shared_ptr<Queue> queue;
  {
    Registry& r = TheRegistry();
    std::lock_guard<std::mutex> guard(r.lock);
    auto it = r.windows.find(window);
    if (it == r.windows.end()) return;
    queue = it->second.queue;
    r.windows.erase(it);
  }
  // Calls still waiting for this window are released without running.
  std::lock_guard<std::mutex> guard(queue->lock);
  for (auto it = queue->items.begin(); it != queue->items.end();) {
    if (it->window == window) {
      if (it->call) it->call->Finish(false);
      it = queue->items.erase(it);
    } else {
      ++it;
    }
  }
}

namespace {
host::hooks::Hook<host::hooks::PostHook>& TheObserver() {
  static host::hooks::Hook<host::hooks::PostHook> hook;
  return hook;
}
}  // namespace

void host::hooks::SetPostHook(PostHook hook) { TheObserver().Set(std::move(hook)); }

bool PostWindowMessage(WindowHandle window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  host::hooks::PostHook observer = TheObserver().Get();
  if (observer) observer(window, message, wParam, lParam);
  return Enqueue(window, Item{window, message, wParam, lParam, nullptr});
}

bool CallOnWindowThread(WindowHandle window, const std::function<void()>& call) {
  auto state = std::make_shared<CallState>();
  state->call = call;
  std::thread::id owner;
  if (!Enqueue(window, Item{window, 0, 0, 0, state}, &owner)) return false;
  if (owner == std::this_thread::get_id()) {
    // Called on the window thread itself: pump until our call has run.
    PumpMessagesUntil([&] {
      std::lock_guard<std::mutex> guard(state->lock);
      return state->done;
    }, kWaitForeverMs);
  }
  std::unique_lock<std::mutex> guard(state->lock);
  state->changed.wait(guard, [&] { return state->done; });
  return state->ran;
}

bool PumpMessagesUntil(const std::function<bool()>& done, std::uint32_t timeoutMs) {
  auto queue = QueueOfThisThread();
  auto deadline = timeoutMs == kWaitForeverMs
                      ? std::chrono::steady_clock::time_point::max()
                      : std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    Item item;
    auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(50));
    if (Take(*queue, item, slice)) {
      Dispatch(item);
    } else if (std::chrono::steady_clock::now() >= deadline) {
      return done();
    }
  }
  return true;
}

void PumpPendingMessages() {
  auto queue = QueueOfThisThread();
  Item item;
  while (Take(*queue, item, std::chrono::steady_clock::now())) Dispatch(item);
}

}  // namespace platform
