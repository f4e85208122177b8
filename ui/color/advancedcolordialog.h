// The colour Advanced dialog (template 200): halftone, overprint, grey-scale screens, colour
// separations and the special colour space, edited as working copies until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs the dialog modally over the sheet of `page`; kDetailAccepted after
// OK, kDetailCancelled after Cancel (ui/color/colordetail.h).
INT_PTR ShowAdvancedColorDialog(HWND page, DriverItemMap& map);

}  // namespace oemui
