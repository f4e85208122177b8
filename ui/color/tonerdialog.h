// The special-toner dialog (templates 4001 white toner, 4002 clear toner): how the toner is
// used, its layer order (white) or finish (clear), and mirror printing, edited as working
// copies until OK.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"

namespace oemui {

// Runs template `templateId` (4001 or 4002) modally over the sheet of `page`; kDetailAccepted
// after OK, kDetailCancelled after Cancel (ui/color/colordetail.h).
INT_PTR ShowSpecialTonerDialog(HWND page, WORD templateId, DriverItemMap& map);

}  // namespace oemui
