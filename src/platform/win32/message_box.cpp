#include "platform/message_box.h"

#include <windows.h>

namespace platform {

int ShowMessageBox(WindowHandle owner, const std::wstring& text, const std::wstring& caption, std::uint32_t flags) {
  return MessageBoxW(reinterpret_cast<HWND>(owner), text.c_str(), caption.c_str(), flags);
}

}  // namespace platform
