#include "ui/extra_drivers_text.h"

#include <utility>

#include "ui/qv_multi_lang.h"

namespace ui {

namespace {

std::wstring Filled(std::wstring text, const std::wstring& first, const std::wstring& second) {
  for (const auto& [mark, value] : {std::pair{std::wstring(L"%1"), first}, std::pair{std::wstring(L"%2"), second}})
    if (const auto at = text.find(mark); at != std::wstring::npos) text.replace(at, mark.size(), value);
  return text;
}

}  // namespace

std::wstring ExtraDriversText(const DriverFolderExamination& examination) {
  const std::size_t usable = examination.fitting.size();
  std::wstring skipped;
  for (const auto& skip : examination.skipped) {
    const std::wstring name = skip.inf.substr(skip.inf.find_last_of(L'\\') + 1);
    skipped += (skipped.empty() ? L"" : L", ") + name + L" (" + skip.reason + L")";
  }
  std::wstring text = usable == 0 ? Filled(Translate(L"Extra Drivers None"), L"", examination.folder)
                                  : Filled(Translate(L"Extra Drivers Added"), std::to_wstring(usable), examination.folder);
  if (!skipped.empty()) text += L"\n" + Filled(Translate(L"Extra Drivers Skipped"), skipped, L"");
  return text;
}

}  // namespace ui
