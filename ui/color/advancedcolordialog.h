// The colour Advanced dialog (template 200): halftone, overprint, grey-scale screens, colour
// separations and the special colour space, edited as working copies until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs the dialog modally over the sheet of `page`; 1 after OK, 0 after Cancel.
INT_PTR ShowAdvancedColorDialog(HWND page, DriverItemMap& map);

INT_PTR CALLBACK AdvancedColorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                         LPARAM lParam);

}  // namespace oemui
