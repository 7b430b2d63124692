#include "sim/probes/main_window_probe.h"

#include "platform/host/user_hooks.h"
#include "sim/probes/post_observer.h"

namespace platform::host {

WindowHandle OpenMainWindow() { return hooks::OpenMainWindow(); }

void SetPostObserver(PostObserver observer) { hooks::SetPostHook(std::move(observer)); }

}  // namespace platform::host
