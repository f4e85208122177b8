// The Overlays dialog (template 109), opened from the Job Options page: the overlay print mode
// of the core driver's VROverlay feature, the (at most four) active overlays in print order and,
// for users who may write printer data, the list of definitions with New, Edit and Delete.
// It works on the sheet's OverlayStore (ui/overlay/overlaystore.h) while it is open.
#pragma once

#include <windows.h>

#include "ui/common/sheetcontext.h"
#include "ui/overlay/defineoverlaydialog.h"

namespace oemui {

// Opens the Define Overlays dialog on map.Overlays[map.EditIndex]; non-zero accepts the edits.
using DefineOverlayRunner = INT_PTR (*)(HWND owner, DriverItemMap& map);

// Accepts nothing (returns 0), so New discards its record and Edit puts the definition back;
// stands in for the Define Overlays dialog where that dialog is not wanted (tests).
INT_PTR DefineOverlayNotAvailable(HWND owner, DriverItemMap& map);

// The dialog's state record, passed as the lParam of WM_INITDIALOG.
struct OverlaysDialogState : DialogContext {
    // What New and Edit run on the definition: the Define Overlays dialog.
    DefineOverlayRunner defineOverlay = &ShowDefineOverlayDialog;
};

// Modal dialog procedure of template 109; lParam of WM_INITDIALOG is an OverlaysDialogState.
// Ends with kDialogAccepted from OK (mode pushed, OverlayIds written, definitions saved into the
// pending sections when printer data is writable) and kDialogDismissed from Cancel.
INT_PTR CALLBACK OverlaysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog under `page`, New and Edit running `defineOverlay`; on OK marks the page
// changed. Returns the dialog's result.
INT_PTR ShowOverlaysDialog(HWND page, DriverItemMap* map,
                           DefineOverlayRunner defineOverlay = &ShowDefineOverlayDialog);

}  // namespace oemui
