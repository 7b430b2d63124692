#pragma once
// Win32 widgets, internal: the skinned button, a window class of our own (DraventaSkinButton).
#include <memory>

#include "platform/win32/widget_base.h"

namespace platform::win32ui {

std::unique_ptr<Win32Node> MakeSkinButton(ContainerCore& parent, const SkinButtonSpec& spec);

}  // namespace platform::win32ui
