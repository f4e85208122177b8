// The Meridan Pro details dialog (template 119): the colour-matching method and the input,
// output, precision and black settings it uses, edited as working copies until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs the dialog modally over the sheet of `page`; 1 after OK, 0 after Cancel.
INT_PTR ShowMeridanProDialog(HWND page, DriverItemMap& map);

INT_PTR CALLBACK MeridanProDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
