// What every page and dialog of the document sheet needs of its sheet: the DriverItemMap kept
// in the window's user data, the sheet's private record, printer and core-driver object, the
// read-only state, the context-help caption style, check-box helpers, the per-dialog state
// record, and a table-driven binding of check boxes and lists to map entries.
#pragma once

#include <windows.h>

#include <cstddef>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "ui/common/controls.h"

namespace oemui {

// dwFlags bit of the sheet's OEMUIPSPARAM: the user may only look at the settings.
inline constexpr DWORD kSheetNoPermission = 0x20;  // DM_NOPERMISSION

// --- The sheet behind a map -----------------------------------------------------------------

// The printer of the sheet: the sheet's parameter block first, the tree's otherwise.
HANDLE SheetPrinter(const DriverItemMap& map);
// The sheet's private record (the DEVMODE extension), or null.
PrivateDevmode* SheetRecord(const DriverItemMap& map);
// The core driver's public DEVMODE of the sheet: the sheet's parameter block first, the tree's
// otherwise; null when neither has one.
const DEVMODEW* SheetPublicDevmode(const DriverItemMap& map);
// The core driver's OEMUIOBJ for DrvGetDriverSetting / DrvUpdateUISetting, or null.
POEMUIOBJ SheetCoreObject(const DriverItemMap& map);
// The driver's user data file of the sheet (base/userdata.h): found from the sheet's printer at
// the first use and kept in the map until the sheet ends, so a later sheet of another printer in
// the same process never redirects this one's saves. Empty when the printer names no driver.
const wchar_t* SheetDataFile(DriverItemMap& map);
// The sheet was opened without permission to change settings.
bool IsReadOnlySheet(const DriverItemMap& map);
// The core driver's tree has the item of `entry`.
inline bool HasItem(const DriverItemMap& map, int entry) {
    return entry >= 0 && entry < kEntryCount && map.ItemIndex[entry] != kNoItem;
}

// Asks the core driver for the current option keyword of `feature` into `answer` (`bytes`
// long, always terminated). False when there is no core object or the driver refuses.
bool QueryDriverSetting(const DriverItemMap& map, const char* feature, char* answer, DWORD bytes);

// --- Windows and controls -------------------------------------------------------------------

// The map a page keeps in its user data from WM_INITDIALOG on; null before.
inline DriverItemMap* MapOf(HWND page) {
    return reinterpret_cast<DriverItemMap*>(GetWindowLongPtrW(page, DWLP_USER));
}

inline bool HasControl(HWND dialog, int id) { return FindControl(dialog, id) != nullptr; }
inline bool IsTicked(HWND dialog, int id) {
    return SendToControl(dialog, id, BM_GETCHECK, 0, 0) == BST_CHECKED;
}
inline void SetTicked(HWND dialog, int id, bool ticked) {
    SendToControl(dialog, id, BM_SETCHECK, ticked ? BST_CHECKED : BST_UNCHECKED, 0);
}
inline void EnableControl(HWND dialog, int id, bool enable) {
    if (HWND control = FindControl(dialog, id)) EnableWindow(control, enable ? TRUE : FALSE);
}

// Modal dialogs show the caption's context-help button only before Windows Vista: sets
// WS_EX_CONTEXTHELP there and clears it on Vista and later.
void ApplyContextHelpStyle(HWND dialog);

// --- Dialog state ---------------------------------------------------------------------------

// What every modal dialog opened from a page keeps: the sheet's map and the page that opened
// it (a dialog is owned by the sheet, so its owner would name the sheet in change notices).
// A dialog's own state record derives from this and is passed as the dialog's lParam.
struct DialogContext {
    DriverItemMap* map = nullptr;
    HWND openingPage = nullptr;
};

// Stores the state record passed to WM_INITDIALOG in DWLP_USER and returns it.
template <typename State>
State* AttachDialogState(HWND dialog, LPARAM lParam) {
    SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    return reinterpret_cast<State*>(lParam);
}
// The state record of a dialog; null before WM_INITDIALOG.
template <typename State>
State* DialogStateOf(HWND dialog) {
    return reinterpret_cast<State*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The map of a dialog's state record, or null before WM_INITDIALOG.
inline DriverItemMap* MapOfState(const DialogContext* state) {
    return state != nullptr ? state->map : nullptr;
}

// Marks the opening page changed (enables the sheet's Apply), or the owner when no page is
// known.
void MarkOpeningPageChanged(HWND dialog, const DialogContext& context);

// --- Controls bound to map entries ----------------------------------------------------------

// One check box and the map entry it edits: ticked means `onValue`, unticked `offValue`.
struct CheckBinding {
    int controlId;
    int entry;
    DWORD onValue;
    DWORD offValue;
};

// One drop-down list whose selection index is the entry's wanted value.
struct ListBinding {
    int controlId;
    int entry;
};

// Source of the values the bindings read and write: the map's wanted values or a working
// copy of them (modal dialogs edit a copy and write it back on OK).
using EntryValues = DWORD[kEntryCount];

// Ticks each bound box whose control exists from `values`. Boxes of unbound entries are left
// as they are (callers destroy them).
void LoadChecks(HWND dialog, const CheckBinding* bindings, std::size_t count,
                const DriverItemMap& map, const EntryValues& values);
// Writes the state of every bound box that exists and whose entry is bound into `values`.
void StoreChecks(HWND dialog, const CheckBinding* bindings, std::size_t count,
                 const DriverItemMap& map, EntryValues& values);
// Selects the entry's value in each bound list that exists.
void LoadLists(HWND dialog, const ListBinding* bindings, std::size_t count,
               const DriverItemMap& map, const EntryValues& values);
// Writes the selection index of each bound list that exists, has a selection and whose entry
// is bound into `values`.
void StoreLists(HWND dialog, const ListBinding* bindings, std::size_t count,
                const DriverItemMap& map, EntryValues& values);

template <std::size_t N>
void LoadChecks(HWND d, const CheckBinding (&b)[N], const DriverItemMap& m, const EntryValues& v) {
    LoadChecks(d, b, N, m, v);
}
template <std::size_t N>
void StoreChecks(HWND d, const CheckBinding (&b)[N], const DriverItemMap& m, EntryValues& v) {
    StoreChecks(d, b, N, m, v);
}
template <std::size_t N>
void LoadLists(HWND d, const ListBinding (&b)[N], const DriverItemMap& m, const EntryValues& v) {
    LoadLists(d, b, N, m, v);
}
template <std::size_t N>
void StoreLists(HWND d, const ListBinding (&b)[N], const DriverItemMap& m, EntryValues& v) {
    StoreLists(d, b, N, m, v);
}

}  // namespace oemui
