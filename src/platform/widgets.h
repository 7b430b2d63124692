#pragma once
// The widget layer in one include: forms, their controls, the skinned button, the system
// message box and the folder browser.
#include "platform/control.h"
#include "platform/controls.h"
#include "platform/folder_browser.h"
#include "platform/form.h"
#include "platform/main_window.h"
#include "platform/message_box.h"
#include "platform/skin_button.h"
#include "platform/widget_types.h"
