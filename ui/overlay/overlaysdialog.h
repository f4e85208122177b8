// The Overlays dialog (template 109), opened from the Job Options page: the overlay print mode
// of the core driver's VROverlay feature, the (at most four) active overlays in print order and,
// for users who may write printer data, the list of definitions with New, Edit and Delete.
// It works on the sheet's OverlayStore (ui/overlay/overlaystore.h) while it is open.
#pragma once

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// Opens the Define Overlays dialog on map.Overlays[map.EditIndex]; non-zero accepts the edits.
using DefineOverlayRunner = INT_PTR (*)(HWND owner, DriverItemMap& map);

// The runner New and Edit call: the Define Overlays dialog (DefineOverlayNotAvailable stands
// in where that dialog is not wanted, e.g. in tests).
extern DefineOverlayRunner RunDefineOverlayDialog;

// Stands in until the Define Overlays dialog exists: accepts nothing (returns 0), so New
// discards its record and Edit puts the definition back.
INT_PTR DefineOverlayNotAvailable(HWND owner, DriverItemMap& map);

// Modal dialog procedure of template 109; lParam of WM_INITDIALOG is the DriverItemMap.
// Ends with 1 from OK (mode pushed, OverlayIds written, definitions saved into the pending
// sections when printer data is writable) and 0 from Cancel.
INT_PTR CALLBACK OverlaysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog under `page`; on OK marks the page changed. Returns the dialog's result.
INT_PTR ShowOverlaysDialog(HWND page, DriverItemMap* map);

}  // namespace oemui
