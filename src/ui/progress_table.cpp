#include "ui/progress_table.h"

#include "app/operation_state.h"
#include "app/serviced_image.h"
#include "ui/qv_multi_lang.h"

namespace ui {

int ProgressBase = 0;

ProgressUpdate ApplyOperationState(std::int32_t state, std::int32_t v, int stepCount) {
  const int n = stepCount > 0 ? stepCount : 1;
  ProgressUpdate update;
  int part = 0;
  auto text = [&update](std::wstring shown) {
    update.changesText = true;
    update.text = std::move(shown);
  };
  switch (state) {
    case FORMATUSB: text(Translate(L"USB Step3 Wait Note")); part = v / n; break;
    case FORMATUSBOK: text(L"Formatting USB disk/flash successful."); ProgressBase += 100 / n; break;
    case BACKUPOS: text(L"Copying the OS from DVD drive. Please wait..."); part = v / n; break;
    case BACKUPOK: text(L"Copy files successful."); ProgressBase += 100 / n; break;
    case BACKUPFAIL: text(L"Copy files failed."); break;
    case COPYTOUSB: text(L"Copying files to USB. Please wait..."); part = v / n; break;
    case DISMMOUNT: text(L"Mounting the boot.wim. Please wait..."); part = v / 3 / n; break;
    case DISMMOUNTOK: text(L"Mounting the boot.wim successful."); ProgressBase += 100 / n / 3; break;
    case DISMMOUNTFAIL: text(L"Mounting the boot.wim fail."); break;
    case DISMADDDRIVER: text(L"Adding into the driver. Please wait..."); break;
    case DISMCOMMIT: text(L"Committing..."); part = v / 3 / n; break;
    case DISMCOMMITOK: text(L"Committing the boot.wim successful."); ProgressBase += 100 / n / 3; break;
    case DISMCOMMITFAIL: text(L"Committing the boot.wim fail."); break;
    case DISMUNMOUNT: text(L"Unmounting the boot.wim. Please wait..."); part = v / 3 / n; break;
    // The third of the boot image's share that the two others' rounding lost.
    case DISMUNMOUNTOK: text(L"Unmounting the boot.wim successful."); ProgressBase += 100 / n / 3 + 1; break;
    case DISMUNMOUNTFAIL: text(L"Unmounting the boot.wim fail."); break;
    case MAKEISO: text(L"Generating ISO. Please wait..."); part = v / n; break;
    case VERIFYUSB: text(L"Checking the files on the USB drive. Please wait..."); part = v / n; break;
    case VERIFYUSBOK: text(L"Checking the files on the USB drive successful."); ProgressBase += 100 / n; break;
    case VERIFYUSBFAIL: text(L"Checking the files on the USB drive failed."); break;
    case USERCANCEL: text(L"You have cacelled the operation."); ProgressBase = 0; break;
    case FINISH: text(L"Done."); ProgressBase = 0; part = 100; break;
    case DISMIMAGE: {
      // The Windows images after setup's: the bar runs through their series on its own.
      const ServicedImage image = CurrentServicedImage();
      std::wstring shown = Translate(L"Image Wait Note");
      for (const auto& [mark, value] : {std::pair{std::wstring(L"%1"), image.name},
                                        std::pair{std::wstring(L"%2"), std::to_wstring(image.number)},
                                        std::pair{std::wstring(L"%3"), std::to_wstring(image.total)}})
        if (const auto at = shown.find(mark); at != std::wstring::npos) shown.replace(at, mark.size(), value);
      text(shown);
      update.percent = v;
      return update;
    }
    default: break;  // COPYIMGDRIVER and unknown codes: text and base as they are
  }
  update.percent = ProgressBase + part;
  return update;
}

}  // namespace ui
