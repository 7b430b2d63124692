#pragma once
// Test probe (host build): a function called on the posting thread for every posted window
// message, before it is queued. It lets a test act at an exact point of a worker's progress
// (for example stop a copy right after a given progress report) instead of racing it.
#include <cstdint>
#include <functional>

#include "platform/types.h"

namespace platform::host {

using PostObserver = std::function<void(WindowHandle, std::uint32_t message, std::uintptr_t, std::intptr_t)>;

// Replaces the observer; an empty one removes it.
void SetPostObserver(PostObserver observer);

}  // namespace platform::host
