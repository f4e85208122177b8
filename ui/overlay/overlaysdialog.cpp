#include "ui/overlay/overlaysdialog.h"

#include <commctrl.h>
#include <strsafe.h>

#include "docprop/itemmap.h"
#include "overlays_ids.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/accessiblename.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"
#include "ui/overlay/defineoverlaydialog.h"
#include "ui/overlay/overlaystore.h"

namespace oemui {

INT_PTR DefineOverlayNotAvailable(HWND, DriverItemMap&) { return kDialogDismissed; }

namespace {

constexpr UINT_PTR kListSubclassId = 1;

// Focus goes back to "&New..."; users without write permission have no such button.
void FocusNewButton(HWND dialog) {
    HWND target = FindControl(dialog, IDC_OVL_NEW);
    if (target == nullptr) target = FindControl(dialog, IDC_OVL_DEFINED_LIST);
    SetFocus(target);
}

// --- List views -----------------------------------------------------------------------------

// Repaints always cover whole rows up to the right edge: the update box is widened before the
// list view paints it. A list reached with the keyboard shows where it is: its first row takes
// the focus mark (not the selection, which the buttons act on) when no row has it.
LRESULT CALLBACK ListSubclassProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    if (message == WM_SETFOCUS && ListView_GetItemCount(list) > 0 &&
        ListView_GetNextItem(list, -1, LVNI_FOCUSED) < 0) {
        ListView_SetItemState(list, 0, LVIS_FOCUSED, LVIS_FOCUSED);
    }
    if (message == WM_PAINT) {
        RECT box = {};
        if (GetUpdateRect(list, &box, FALSE)) {
            RECT client = {};
            GetClientRect(list, &client);
            box.right = client.right;
            PAINTSTRUCT ps;
            BeginPaint(list, &ps);
            EndPaint(list, &ps);
            InvalidateRect(list, &box, FALSE);
        }
    } else if (message == WM_NCDESTROY) {
        RemoveWindowSubclass(list, &ListSubclassProc, kListSubclassId);
    }
    return DefSubclassProc(list, message, wParam, lParam);
}

void SetUpList(HWND dialog, int id) {
    HWND list = FindControl(dialog, id);
    if (list == nullptr) return;
    ListView_DeleteAllItems(list);
    SetWindowSubclass(list, &ListSubclassProc, kListSubclassId, 0);
    RECT rect = {};
    GetWindowRect(list, &rect);
    const int width = (rect.right - rect.left) / 2 - 2;
    for (int column = 0; column < 2; ++column) {
        wchar_t heading[64] = {};
        LoadStringW(ModuleHandle, IDS_OVERLAY_COLUMN_NAME + column, heading, ARRAYSIZE(heading));
        LVCOLUMNW lvc = {};
        lvc.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        lvc.fmt = LVCFMT_LEFT;
        lvc.cx = width;
        lvc.pszText = heading;
        lvc.iSubItem = column;
        ListView_InsertColumn(list, column, &lvc);
    }
}

void PageText(const OverlayRecord& record, wchar_t* out, int outChars) {
    out[0] = L'\0';
    if (record.PageMode == kPageModeCustom) {
        StringCchCopyNW(out, outChars, record.CustomPage, kCustomPageChars - 1);
    } else if (record.PageMode < kPageModeCount) {
        LoadStringW(ModuleHandle, kStringPageModeFirst + record.PageMode, out, outChars);
    }
}

void AddRow(HWND list, int row, const OverlayRecord* record) {
    wchar_t name[kOverlayNameChars] = {};
    wchar_t pages[kCustomPageChars] = {};
    if (record != nullptr) {
        StringCchCopyNW(name, ARRAYSIZE(name), record->Name, kOverlayNameChars - 1);
        PageText(*record, pages, ARRAYSIZE(pages));
    }
    LVITEMW item = {};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    item.pszText = name;
    const int at = ListView_InsertItem(list, &item);
    if (at >= 0) ListView_SetItemText(list, at, 1, pages);
}

void FillDefinedList(HWND dialog, const DriverItemMap& map) {
    HWND list = FindControl(dialog, IDC_OVL_DEFINED_LIST);
    ListView_DeleteAllItems(list);
    for (int i = 0; i < map.OverlayStore->DefinedCount; ++i) AddRow(list, i, map.Overlays[i]);
}

void FillActiveList(HWND dialog, const DriverItemMap& map) {
    HWND list = FindControl(dialog, IDC_OVL_ACTIVE_LIST);
    ListView_DeleteAllItems(list);
    const OverlayStore& store = *map.OverlayStore;
    for (int j = 0; j < store.ActiveCount; ++j) {
        const WORD id = store.ActiveIds[j];
        AddRow(list, j, id < store.DefinedCount ? map.Overlays[id] : nullptr);
    }
}

void ClearSelection(HWND dialog, int id) {
    ListView_SetItemState(FindControl(dialog, id), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
}

bool IsRowSelected(HWND list, int row) {
    return (ListView_GetItemState(list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
}

void UpdateButtons(HWND dialog, const DriverItemMap& map) {
    if (IsReadOnlySheet(map) || map.OverlayStore == nullptr) return;
    const OverlayStore& store = *map.OverlayStore;
    HWND defined = FindControl(dialog, IDC_OVL_DEFINED_LIST);
    HWND active = FindControl(dialog, IDC_OVL_ACTIVE_LIST);
    const int selected = static_cast<int>(ListView_GetSelectedCount(defined));

    bool selectionActive = false;
    for (int i = 0; i < store.DefinedCount && !selectionActive; ++i) {
        if (!IsRowSelected(defined, i)) continue;
        for (int j = 0; j < store.ActiveCount; ++j) {
            if (store.ActiveIds[j] == i) selectionActive = true;
        }
    }

    EnableControl(dialog, IDC_OVL_REMOVE,
                  store.ActiveCount > 0 && ListView_GetSelectedCount(active) > 0);
    EnableControl(dialog, IDC_OVL_NEW, store.DefinedCount < kMaxDefinedOverlays);
    EnableControl(dialog, IDC_OVL_ADD,
                  store.DefinedCount > 0 && selected > 0 &&
                      selected + store.ActiveCount <= kMaxActiveOverlays && !selectionActive);
    EnableControl(dialog, IDC_OVL_EDIT, selected == 1 && store.DefinedCount > 0);
    EnableControl(dialog, IDC_OVL_DELETE, selected > 0 && store.DefinedCount > 0);
}

void Refill(HWND dialog, const DriverItemMap& map) {
    FillDefinedList(dialog, map);
    FillActiveList(dialog, map);
    if (IsReadOnlySheet(map)) {
        RestrictControlRange(dialog, IDC_OVL_FIRST, IDC_OVL_LAST, FALSE);
        RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
    }
}

// --- Initialisation -------------------------------------------------------------------------

// The option names of the core driver's VROverlay item; the last one is left out for users
// who may write printer data.
void FillModeList(HWND dialog, const DriverItemMap& map) {
    HWND combo = FindControl(dialog, IDC_OVL_MODE);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const OPTITEM* item = BoundItem(map, kEntryOverlay);
    if (item == nullptr || item->pOptType == nullptr || item->pOptType->pOptParam == nullptr) {
        return;
    }
    int count = item->pOptType->Count;
    if (map.PrinterDataWritable != 0 && count > 0) --count;
    for (int i = 0; i < count; ++i) {
        const wchar_t* name = item->pOptType->pOptParam[i].pData;
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name ? name : L""));
    }
}

void SetMaxText(HWND dialog, int id, int limit) {
    wchar_t format[64] = {};
    wchar_t text[64] = {};
    LoadStringW(ModuleHandle, IDS_OVERLAY_MAX_FORMAT, format, ARRAYSIZE(format));
    StringCchPrintfW(text, ARRAYSIZE(text), format, limit);
    SetControlText(dialog, id, text);
}

// The document's active overlays, read up to the first empty slot. When the document names
// more overlays than there are definitions, the first definitions take their place; ids that
// still name no definition are dropped.
void TakeActiveIds(DriverItemMap& map) {
    OverlayStore& store = *map.OverlayStore;
    store.ActiveCount = 0;
    if (const PrivateDevmode* record = SheetRecord(map)) {
        for (int slot = 0; slot < kMaxActiveOverlays; ++slot) {
            if (record->OverlayIds[slot] == kNoOverlay) break;
            store.ActiveIds[store.ActiveCount++] = record->OverlayIds[slot];
        }
    }
    if (store.DefinedCount < store.ActiveCount) {
        store.ActiveCount = store.DefinedCount;
        for (WORD i = 0; i < store.ActiveCount; ++i) store.ActiveIds[i] = i;
    }
    WORD kept = 0;
    for (WORD j = 0; j < store.ActiveCount; ++j) {
        if (store.ActiveIds[j] < store.DefinedCount) store.ActiveIds[kept++] = store.ActiveIds[j];
    }
    store.ActiveCount = kept;
}

void FlipVariant(DriverItemMap& map) {
    map.SettingsVariant =
        map.SettingsVariant == kOverlaysPending ? kOverlaysCommitted : kOverlaysPending;
}

// The state's map, when it has its overlay store (from a successful start until OK or Cancel).
DriverItemMap* LoadedMap(const OverlaysDialogState* state) {
    if (state == nullptr || state->map == nullptr || state->map->OverlayStore == nullptr) {
        return nullptr;
    }
    return state->map;
}

BOOL InitDialog(HWND dialog, LPARAM lParam) {
    const auto* state = AttachDialogState<OverlaysDialogState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    DriverItemMap* map = state != nullptr ? state->map : nullptr;
    if (map == nullptr || !LoadOverlays(*map)) {
        EndDialog(dialog, kDialogDismissed);
        return TRUE;
    }
    FillModeList(dialog, *map);
    InitCommonControls();
    SetUpList(dialog, IDC_OVL_ACTIVE_LIST);
    SetUpList(dialog, IDC_OVL_DEFINED_LIST);
    SetMaxText(dialog, IDC_OVL_ACTIVE_MAX, kMaxActiveOverlays);
    SetMaxText(dialog, IDC_OVL_DEFINED_MAX, kMaxDefinedOverlays);
    FlipVariant(*map);
    TakeActiveIds(*map);
    if (map->PrinterDataWritable == 0) DestroyControlRange(dialog, IDC_OVL_NEW, IDC_OVL_DELETE);
    NameSharedButtons(dialog, IDD_OVERLAYS, ModuleHandle);

    SendToControl(dialog, IDC_OVL_MODE, CB_SETCURSEL, map->WantedValue[kEntryOverlay], 0);
    Refill(dialog, *map);
    UpdateButtons(dialog, *map);
    SheetFlags |= kSheetFlagPluginPageSeen;
    return TRUE;
}

// --- Commands -------------------------------------------------------------------------------

// After a change of the lists: the selection of `clearedList` goes, the buttons follow, focus
// returns to "&New..." and the opening page is marked changed.
void ListsChanged(HWND dialog, const OverlaysDialogState& state, int clearedList) {
    ClearSelection(dialog, clearedList);
    UpdateButtons(dialog, *state.map);
    FocusNewButton(dialog);
    MarkOpeningPageChanged(dialog, state);
}

void AddSelected(HWND dialog, OverlaysDialogState& state) {
    DriverItemMap& map = *state.map;
    OverlayStore& store = *map.OverlayStore;
    HWND defined = FindControl(dialog, IDC_OVL_DEFINED_LIST);
    for (int i = 0; i < store.DefinedCount && store.ActiveCount < kMaxActiveOverlays; ++i) {
        if (IsRowSelected(defined, i)) store.ActiveIds[store.ActiveCount++] = static_cast<WORD>(i);
    }
    FillActiveList(dialog, map);
    ListsChanged(dialog, state, IDC_OVL_DEFINED_LIST);
}

void RemoveSelected(HWND dialog, OverlaysDialogState& state) {
    DriverItemMap& map = *state.map;
    OverlayStore& store = *map.OverlayStore;
    HWND active = FindControl(dialog, IDC_OVL_ACTIVE_LIST);
    WORD kept = 0;
    for (WORD j = 0; j < store.ActiveCount; ++j) {
        if (!IsRowSelected(active, j)) store.ActiveIds[kept++] = store.ActiveIds[j];
    }
    store.ActiveCount = kept;
    FillActiveList(dialog, map);
    ListsChanged(dialog, state, IDC_OVL_ACTIVE_LIST);
}

void NewDefinition(HWND dialog, OverlaysDialogState& state) {
    DriverItemMap& map = *state.map;
    OverlayStore& store = *map.OverlayStore;
    if (store.DefinedCount >= kMaxDefinedOverlays) return;
    OverlayRecord* record = NewOverlayRecord();
    if (record == nullptr) return;
    LoadStringW(ModuleHandle, kStringNewOverlay, record->Name, kOverlayNameChars);
    record->PageMode = kPageModeAll;
    const int index = store.DefinedCount;
    map.Overlays[index] = record;
    map.EditIndex = index;
    if (state.defineOverlay(dialog, map) != kDialogDismissed) {
        ++store.DefinedCount;
        FillDefinedList(dialog, map);
        UpdateButtons(dialog, map);
        MarkOpeningPageChanged(dialog, state);
    } else {
        FreeOverlayRecord(record);
        map.Overlays[index] = nullptr;
    }
}

void EditDefinition(HWND dialog, OverlaysDialogState& state) {
    DriverItemMap& map = *state.map;
    const int index =
        ListView_GetNextItem(FindControl(dialog, IDC_OVL_DEFINED_LIST), -1, LVNI_SELECTED);
    if (index < 0 || index >= map.OverlayStore->DefinedCount || map.Overlays[index] == nullptr) {
        return;
    }
    map.EditIndex = index;
    const OverlayRecord before = *map.Overlays[index];
    if (state.defineOverlay(dialog, map) != kDialogDismissed) {
        Refill(dialog, map);
        ListsChanged(dialog, state, IDC_OVL_DEFINED_LIST);
    } else {
        *map.Overlays[index] = before;
        FocusNewButton(dialog);
    }
}

// Deletes the selected definitions, closing up the array; active ids that named a deleted
// definition go, the others follow their definition's new index.
void DeleteDefinitions(HWND dialog, OverlaysDialogState& state) {
    DriverItemMap& map = *state.map;
    OverlayStore& store = *map.OverlayStore;
    HWND defined = FindControl(dialog, IDC_OVL_DEFINED_LIST);
    WORD newIndex[kMaxDefinedOverlays] = {};
    bool deleted[kMaxDefinedOverlays] = {};
    WORD kept = 0;
    for (WORD i = 0; i < store.DefinedCount; ++i) {
        if (IsRowSelected(defined, i)) {
            deleted[i] = true;
            FreeOverlayRecord(map.Overlays[i]);
            map.Overlays[i] = nullptr;
            continue;
        }
        newIndex[i] = kept;
        map.Overlays[kept] = map.Overlays[i];
        if (kept != i) map.Overlays[i] = nullptr;
        ++kept;
    }
    store.DefinedCount = kept;

    WORD activeKept = 0;
    for (WORD j = 0; j < store.ActiveCount; ++j) {
        const WORD id = store.ActiveIds[j];
        if (id >= kMaxDefinedOverlays || deleted[id]) continue;
        store.ActiveIds[activeKept++] = newIndex[id];
    }
    store.ActiveCount = activeKept;

    Refill(dialog, map);
    ListsChanged(dialog, state, IDC_OVL_ACTIVE_LIST);
}

void ModeChanged(HWND dialog, const OverlaysDialogState& state) {
    const LRESULT selection = SendToControl(dialog, IDC_OVL_MODE, CB_GETCURSEL, 0, 0);
    if (selection == static_cast<LRESULT>(kOverlayCreateForms)) {
        MessageBoxById(dialog, IDS_OVERLAY_CREATE_FORM, IDS_CAPTION_INFORMATION,
                       MB_ICONINFORMATION);
    }
    MarkOpeningPageChanged(dialog, state);
}

void Accept(HWND dialog, DriverItemMap& map) {
    // With no selection (the mode list lacks the current option) the choice stays as it was,
    // rather than handing the core driver an index of -1.
    const LRESULT selection = SendToControl(dialog, IDC_OVL_MODE, CB_GETCURSEL, 0, 0);
    const INT32 variant = map.SettingsVariant;
    map.SettingsVariant = kOverlaysPending;
    if (map.PrinterDataWritable != 0) {
        const SaveResult saved = SaveOverlays(map);
        if (!saved) {
            // The dialog stays open with the user's definitions and nothing of the sheet
            // changed: Cancel still returns to what was stored.
            map.SettingsVariant = variant;
            ReportSaveFailure(dialog, SheetDataFile(map), saved.error);
            return;
        }
    }
    if (selection != CB_ERR) map.WantedValue[kEntryOverlay] = static_cast<DWORD>(selection);
    PushDocumentSettings(map);
    WriteOverlayIds(map);
    FreeOverlays(map);
    EndDialog(dialog, kDialogAccepted);
}

void Dismiss(HWND dialog, DriverItemMap& map) {
    FlipVariant(map);
    FreeOverlays(map);
    EndDialog(dialog, kDialogDismissed);
}

BOOL OnCommand(HWND dialog, int id, int code) {
    auto* state = DialogStateOf<OverlaysDialogState>(dialog);
    DriverItemMap* map = LoadedMap(state);
    if (map == nullptr) {
        if (id == IDOK || id == IDCANCEL) EndDialog(dialog, kDialogDismissed);
        return TRUE;
    }
    switch (id) {
        case IDC_OVL_MODE:
            if (code == CBN_SELCHANGE) ModeChanged(dialog, *state);
            return TRUE;
        case IDC_OVL_ADD:
            AddSelected(dialog, *state);
            return TRUE;
        case IDC_OVL_REMOVE:
            RemoveSelected(dialog, *state);
            return TRUE;
        case IDC_OVL_NEW:
            NewDefinition(dialog, *state);
            return TRUE;
        case IDC_OVL_EDIT:
            EditDefinition(dialog, *state);
            return TRUE;
        case IDC_OVL_DELETE:
            DeleteDefinitions(dialog, *state);
            return TRUE;
        case IDOK:
            Accept(dialog, *map);
            return TRUE;
        case IDCANCEL:
            Dismiss(dialog, *map);
            return TRUE;
        default:
            return FALSE;
    }
}

BOOL OnNotify(HWND dialog, const NMHDR* header) {
    const DriverItemMap* map = LoadedMap(DialogStateOf<OverlaysDialogState>(dialog));
    if (map == nullptr) return FALSE;
    const int id = static_cast<int>(header->idFrom);
    if (id != IDC_OVL_ACTIVE_LIST && id != IDC_OVL_DEFINED_LIST) return FALSE;
    switch (header->code) {
        case LVN_ITEMCHANGED:
            UpdateButtons(dialog, *map);
            break;
        case NM_SETFOCUS:
            ClearSelection(dialog,
                           id == IDC_OVL_ACTIVE_LIST ? IDC_OVL_DEFINED_LIST : IDC_OVL_ACTIVE_LIST);
            break;
        case NM_DBLCLK:
            if (id == IDC_OVL_DEFINED_LIST && map->PrinterDataWritable != 0 &&
                ListView_GetSelectedCount(header->hwndFrom) > 0) {
                PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OVL_EDIT, BN_CLICKED), 0);
            }
            break;
        default:
            return FALSE;
    }
    return TRUE;
}

// Closed by other means than OK or Cancel: the working store must not outlive the dialog.
void OnDestroy(HWND dialog) {
    ForgetSharedButtonNames(dialog, IDD_OVERLAYS);
    if (DriverItemMap* map = LoadedMap(DialogStateOf<OverlaysDialogState>(dialog))) {
        FreeOverlays(*map);
    }
}

}  // namespace

INT_PTR CALLBACK OverlaysDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return InitDialog(dialog, lParam);
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_NOTIFY:
            return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(MapOfState(DialogStateOf<OverlaysDialogState>(dialog)), message, wParam, lParam) ? TRUE : FALSE;
        case WM_DESTROY:
            OnDestroy(dialog);
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowOverlaysDialog(HWND page, DriverItemMap* map, DefineOverlayRunner defineOverlay) {
    OverlaysDialogState state;
    state.map = map;
    state.openingPage = page;
    if (defineOverlay != nullptr) state.defineOverlay = defineOverlay;
    const INT_PTR result = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_OVERLAYS), page,
                                           &OverlaysDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result == kDialogAccepted && page != nullptr) MarkPageChanged(page);
    return result;
}

}  // namespace oemui
