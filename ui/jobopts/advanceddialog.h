// The Job Options page's "Advanced" dialog (template 204): mirror and negative printing, job
// spooling to the printer's hard disk, a maintenance cycle before printing, thin-line adjustment
// and, in layouts that offer it, the compression level. The dialog edits wanted values of the
// sheet's DriverItemMap, which the page pushes into the core driver when it is left.
#pragma once

#include "docprop/itemmap.h"

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// Answer of the core driver's "VRHDD" setting: whether the printer has its hard disk.
enum class HddState { Present, Absent, Unknown };

// Asks the core driver for the current "VRHDD" option through the sheet's OEMUIOBJ (64-byte
// buffer): "True" -> Present, "False" -> Absent, anything else (no such feature, no core
// object) -> Unknown.
HddState QueryHddState(const DriverItemMap& map);

// The printer's hard disk as the job pages see it: the "VRHDD" answer, or, when the core driver
// gives none, whether the tree has the Job Spool item.
bool IsHddPresent(const DriverItemMap& map);

// Icon of the preview beside the mirror and negative boxes: 7001 plain, 7002 mirror,
// 7003 negative, 7004 both.
int PreviewIconId(bool mirror, bool negative);

// Modal job dialogs show the caption's context-help button only before Windows Vista: sets
// WS_EX_CONTEXTHELP there and clears it on Vista and later.
void ApplyContextHelpStyle(HWND dialog);

// Modal dialog procedure of template 204; lParam of WM_INITDIALOG is the DriverItemMap.
// Ends with 1 from OK (wanted values and CompressionLevel written) and 0 from Cancel.
INT_PTR CALLBACK JobAdvancedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
