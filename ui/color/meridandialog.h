// The Meridan Pro details dialog (template 119): the colour-matching method and the input,
// output, precision and black settings it uses, edited as working copies until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs the dialog modally over the sheet of `page`; kDetailAccepted after
// OK, kDetailCancelled after Cancel (ui/color/colordetail.h).
INT_PTR ShowMeridanProDialog(HWND page, DriverItemMap& map);

}  // namespace oemui
