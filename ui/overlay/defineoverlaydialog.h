// The Define Overlays dialog (template 203): edits one overlay definition in place, namely
// map.Overlays[map.EditIndex] — its name, the pages it prints on and up to three PostScript
// form names — and keeps the recently used form names in the store's history. The Overlays
// dialog opens it from New and Edit and undoes the record's edits when it ends with 0.
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

struct DriverItemMap;

// --- Text filters (pure; the dialog runs them as the user types) ----------------------------

// Copies the accepted characters of a custom page list into `out` and returns how many were
// removed. Accepted: items separated by single commas, each a page number or two numbers
// joined by one dash; numbers 1..9999 without leading zeros; no spaces. A trailing comma or
// dash stays (the user is still typing). The result is cut to outChars - 1 characters, the
// cut ones counted as removed.
int FilterCustomPageText(const wchar_t* text, wchar_t* out, std::size_t outChars);

// Drops a trailing comma or dash (an item the user had not finished) from a page list.
void TrimIncompletePageItem(wchar_t* text, std::size_t chars);

// True for the characters a printer form name may not contain: ASCII control characters and
// space, and " % ( ) * / : < > ? [ \ ] { | }. Other characters, non-ASCII included, are fine.
bool IsRefusedFormNameChar(wchar_t c);

// Copies `text` without refused characters into `out` (cut to outChars - 1, the cut ones
// counted); returns the number removed.
int FilterFormNameText(const wchar_t* text, wchar_t* out, std::size_t outChars);

// --- The dialog -----------------------------------------------------------------------------

// "&Add" is possible for `text`: non-empty, not already in the dialog's form list (exact,
// case-sensitive), and fewer than three forms.
bool CanAddForm(HWND dialog, const wchar_t* text, int formCount);
// "&Rename" is possible: text non-empty, not in the form list, and a form selected.
bool CanRenameForm(HWND dialog, const wchar_t* text);

// Modal dialog procedure; lParam of WM_INITDIALOG is the DriverItemMap with its OverlayStore
// loaded and Overlays[EditIndex] present. Ends with kDialogAccepted after a valid OK,
// kDialogDismissed after Cancel.
INT_PTR CALLBACK DefineOverlayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog on map.Overlays[map.EditIndex] under `owner`; the Overlays dialog's New and
// Edit run it. Returns kDialogAccepted or kDialogDismissed.
INT_PTR ShowDefineOverlayDialog(HWND owner, DriverItemMap& map);

}  // namespace oemui
