#pragma once
// System message boxes (MessageBoxW). On the host the answers come from a script and every box
// shown is recorded, so each question the program asks can be checked.
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace platform {

constexpr std::uint32_t kMbOk = 0x0;
constexpr std::uint32_t kMbOkCancel = 0x1;
constexpr std::uint32_t kMbYesNo = 0x4;
constexpr std::uint32_t kMbIconError = 0x10;
constexpr std::uint32_t kMbIconWarning = 0x30;
constexpr std::uint32_t kMbIconInformation = 0x40;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
constexpr int kIdYes = 6;
constexpr int kIdNo = 7;

int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags);

// The program's hidden application window, owner of its top-level forms (0 when none).
WindowHandle ApplicationWindow();

}  // namespace platform
