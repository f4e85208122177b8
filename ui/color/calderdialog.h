// The Calder Color details dialog (template 118): RGB colour settings or a setting of the
// colour-correction utility, CMYK ink simulation and black finish, edited as working copies
// until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs the dialog modally over the sheet of `page`; kDetailAccepted after
// OK, kDetailCancelled after Cancel (ui/color/colordetail.h).
INT_PTR ShowCalderColorDialog(HWND page, DriverItemMap& map);

}  // namespace oemui
