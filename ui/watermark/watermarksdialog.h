// The Watermarks dialog (template 112): lists "None" and the user's watermarks, lets the user
// choose one for the document, create, edit (through the watermark editor) and delete
// watermarks, and set the chosen entry's "First page only" and "Print in background" flags,
// with a preview of the chosen watermark. Opened modally from the Job Options page with the
// page context (DriverItemMap); works on the sheet's WatermarkList, so nothing reaches the INI
// file before the sheet's Apply.
//
// OK copies the chosen watermark into PrivateDevmode and keeps the None record's flags for the
// next opening; Cancel puts the list, the selection and the None flags back as they were.
#pragma once

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// Results of the dialog: OK took a watermark for the document; Cancel (or a list that could
// not be loaded) changed nothing.
inline constexpr INT_PTR kWatermarksChosen = 1;
inline constexpr INT_PTR kWatermarksCancelled = 0;

// Modal dialog procedure of template 112; its state record (the sheet's map and the opening
// page) comes from ShowWatermarksDialog. Ends with kWatermarksChosen or kWatermarksCancelled.
INT_PTR CALLBACK WatermarksDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog under `page` from the plug-in module; on OK marks the page changed.
// Returns kWatermarksChosen after OK, kWatermarksCancelled after Cancel or when the dialog
// could not be shown.
INT_PTR ShowWatermarksDialog(HWND page, DriverItemMap* map);

}  // namespace oemui
