#pragma once
// What the windows say about the user's own driver folder: how many of its packages will be
// added, or that none can, and which were skipped and why, in the user's language.
#include <string>

#include "servicing/extra_drivers.h"

namespace ui {

std::wstring ExtraDriversText(const DriverFolderExamination& examination);

}  // namespace ui
