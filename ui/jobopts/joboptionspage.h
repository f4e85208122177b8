// The "Job Options" page of the document properties (template 113): print quality, Toner Save,
// custom PostScript gamma, copies and scaling, the buttons that open the Watermarks, Overlays,
// Advanced and About dialogs, the model's link and "&Default". Its values are wanted values of
// the sheet's DriverItemMap (its page parameter), pushed into the core driver when the page is
// left, and a few fields of the sheet's PrivateDevmode.
#pragma once

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// Bitmap of the resolution picture for a resolution selection.
int ResolutionBitmapFor(DWORD resolution);

// "&Default": the job defaults of the page. Watermarks, overlays, the Advanced dialog's values
// and the colour settings are left as they are.
void ResetJobOptions(DriverItemMap& map);

INT_PTR CALLBACK JobOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
