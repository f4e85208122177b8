// Property-sheet registration of the plug-in's pages.
#pragma once

#include <windows.h>
#include "plugin/object.h"

namespace oemui {

// Dialog procedure of the optional link page (template 800 of the model's resource library).
INT_PTR CALLBACK LinkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// What the sheet calls return in the info block's Result (and, for the document sheet, as the
// call's own result, which the core driver passes on): the reason was served, or not ours.
inline constexpr LONG kSheetReasonHandled = 1;
inline constexpr LONG kSheetReasonIgnored = 0;

// Property-sheet registration after the OS check.
HRESULT AddDocumentSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam);
HRESULT AddDeviceSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam);

}  // namespace oemui
