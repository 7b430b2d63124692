#include "ui/form_build.h"

#include <stdexcept>
#include <string>

#include "app/trace_log.h"
#include "platform/text.h"

namespace ui {

void ThrowNotMade(const wchar_t* what) {
  const std::wstring text = std::wstring(L"The window part ") + what +
                            L" could not be created (system error " +
                            std::to_wstring(platform::LastWidgetError()) + L").";
  TraceLog(L"[ThrowNotMade] " + text);
  throw std::runtime_error(platform::WideToAnsi(text));
}

platform::Image* AddHiddenImage(platform::Container& parent, const wchar_t* name, const platform::RgbaImage& picture) {
  platform::Image* image = Made(parent.AddImage({name, {0, 0, 0, 0}, picture}), name);
  image->SetVisible(false);
  return image;
}

}  // namespace ui
