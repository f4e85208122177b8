// The Job Options page's "Advanced" dialog (template 204): mirror and negative printing, job
// spooling to the printer's hard disk, a maintenance cycle before printing, thin-line adjustment
// and, in layouts that offer it, the compression level. The dialog edits wanted values of the
// sheet's DriverItemMap, which the page pushes into the core driver when it is left.
#pragma once

#include <windows.h>

#include "docprop/itemmap.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

// Answer of the core driver's "VRHDD" setting: whether the printer has its hard disk.
enum class HddState { Present, Absent, Unknown };

// Asks the core driver for the current "VRHDD" option through the sheet's OEMUIOBJ: "True" ->
// Present, "False" -> Absent, anything else (no such feature, no core object) -> Unknown.
HddState QueryHddState(const DriverItemMap& map);

// The printer's hard disk as the job pages see it: the "VRHDD" answer, or, when the core driver
// gives none, whether the tree has the Job Spool item.
bool IsHddPresent(const DriverItemMap& map);

// Icon of the preview beside the mirror and negative boxes: 7001 plain, 7002 mirror,
// 7003 negative, 7004 both.
int PreviewIconId(bool mirror, bool negative);

// The dialog's state record, passed as the lParam of WM_INITDIALOG: the sheet's map and the
// working copies that reach it only on OK.
struct JobAdvancedState : DialogContext {
    bool hddPresent = false;
    bool compressionOffered = false;
    UINT compressionModelValue = 0;  // the model's "Compression" integer
    DWORD compressionValue = 0;      // the level chosen so far
};

// Modal dialog procedure of template 204; lParam of WM_INITDIALOG is a JobAdvancedState.
// Ends with kDialogAccepted from OK (wanted values and CompressionLevel written) and
// kDialogDismissed from Cancel.
INT_PTR CALLBACK JobAdvancedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog on `map` under `page`; returns the dialog's result.
INT_PTR ShowJobAdvancedDialog(HWND page, DriverItemMap& map);

}  // namespace oemui
