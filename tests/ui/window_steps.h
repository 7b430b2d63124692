#pragma once
// The steps a user takes through the windows on the host, shared by the window tests.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>

#include "sim/probes/widgets_probe.h"
#include "platform/messages.h"
#include "platform/widgets.h"
#include "ui/dlg_eula.h"
#include "ui/dlg_first.h"

namespace test {

inline platform::SkinButton& Button(const platform::Form& form, const wchar_t* name) {
  platform::SkinButton* button = platform::host::FindControlAs<platform::SkinButton>(form, name);
  EXPECT_NE(button, nullptr) << "no " << std::string(name, name + std::wcslen(name));
  return *button;
}

inline void ClickAndPump(platform::Control& control) {
  ASSERT_TRUE(platform::host::Click(control));
  platform::PumpPendingMessages();
}

inline void PickMode(ui::TdlgFirst& first, int mode) {
  ASSERT_TRUE(platform::host::ChooseItem(*platform::host::FindControlAs<platform::DropDownList>(first.Form(), L"cmbMode"), mode));
  platform::PumpPendingMessages();
}

// From the mode window (shown) through the licence dialog to the wizard's first step.
inline void OpenWizard(ui::TdlgFirst& first, int mode) {
  PickMode(first, mode);
  ClickAndPump(Button(first.Form(), L"btnNext"));
  ClickAndPump(*platform::host::FindControlAs<platform::CheckBox>(first.dlgEULA().Form(), L"CheckBox1"));
  ClickAndPump(Button(first.dlgEULA().Form(), L"btnNext"));
}

}  // namespace test
