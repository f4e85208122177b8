#include "ui/color/advancedcolordialog.h"

#include "coloradvanced_ids.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"
#include "plugin/object.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

// The dialog's state record, passed as the lParam of DialogBoxParamW.
struct AdvancedColorState : DialogContext {
    DWORD specialColorSpace = 0;  // working copy of VRSpecialColorSpace
};

// The halftone and screen boxes say "on" for the feature's first option; overprint for its
// second.
constexpr CheckBinding kBoxes[] = {
    {IDC_CADV_ALWAYS_PRN_HT, kEntryAlwaysPrnHT, 0, 1},
    {IDC_CADV_OVERPRINT, kEntryOverPrint, 1, 0},
    {IDC_CADV_SCREEN_OBO, kEntryScreenObo, 0, 1},
};
constexpr ListBinding kLists[] = {
    {IDC_CADV_SEPARATION_LIST, kEntrySeparationOrder},
};

constexpr DWORD kSpecialTonerChoiceSpace = 5;  // VRSpecialColorControl choice excluded by it

void ShowOnlyWhenBound(HWND dialog, const DriverItemMap& map, int id, int entry) {
    ShowControlRange(dialog, id, id, HasItem(map, entry) ? TRUE : FALSE);
}

void ShowSpecialSpace(HWND dialog, const DriverItemMap& map, const AdvancedColorState& state) {
    if (HasItem(map, kEntrySpecialColorSpace)) {
        SetTicked(dialog, IDC_CADV_SPECIAL_SPACE, state.specialColorSpace == 0);
    }
}

void InitDialog(HWND dialog, LPARAM lParam) {
    auto* state = AttachDialogState<AdvancedColorState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    if (state == nullptr || state->map == nullptr) return;
    const DriverItemMap& map = *state->map;

    ShowOnlyWhenBound(dialog, map, IDC_CADV_OVERPRINT, kEntryOverPrint);
    ShowOnlyWhenBound(dialog, map, IDC_CADV_SCREEN_OBO, kEntryScreenObo);
    ShowOnlyWhenBound(dialog, map, IDC_CADV_ALWAYS_PRN_HT, kEntryAlwaysPrnHT);
    ShowOnlyWhenBound(dialog, map, IDC_CADV_SPECIAL_SPACE, kEntrySpecialColorSpace);
    // The printer's halftone is the only one at the lowest resolution.
    if (HasItem(map, kEntryAlwaysPrnHT) && map.WantedValue[kEntryResolution] == 0) {
        EnableControl(dialog, IDC_CADV_ALWAYS_PRN_HT, false);
    }
    if (!HasItem(map, kEntrySeparationOrder)) {
        ShowControlRange(dialog, IDC_CADV_SEPARATION_LABEL, IDC_CADV_SEPARATION_LIST, FALSE);
    } else {
        FillOptionList(dialog, IDC_CADV_SEPARATION_LIST, map, kEntrySeparationOrder);
    }
    LoadChecks(dialog, kBoxes, map, map.WantedValue);
    LoadLists(dialog, kLists, map, map.WantedValue);
    state->specialColorSpace = map.WantedValue[kEntrySpecialColorSpace];
    ShowSpecialSpace(dialog, map, *state);
    // Grey-scale printing has no colour planes to separate.
    const bool colour = map.WantedValue[kEntryControl] != kColorModeGreyscale;
    EnableControl(dialog, IDC_CADV_SEPARATION_LABEL, colour);
    EnableControl(dialog, IDC_CADV_SEPARATION_LIST, colour);
}

// Switching the special colour space on excludes special-toner choice 5: the user confirms
// that the toner choice goes back to 0, or keeps the previous state.
void OnSpecialSpace(HWND dialog, AdvancedColorState& state) {
    DriverItemMap& map = *state.map;
    const DWORD previous = state.specialColorSpace;
    const bool unticked = !IsTicked(dialog, IDC_CADV_SPECIAL_SPACE);
    state.specialColorSpace = unticked ? 1 : 0;
    if (unticked && map.WantedValue[kEntrySpecialColorControl] == kSpecialTonerChoiceSpace) {
        const int answer = MessageBoxById(dialog, IDS_SPECIAL_COLOR_SPACE_OFF,
                                          IDS_CAPTION_WARNING, MB_OKCANCEL | MB_ICONEXCLAMATION);
        if (answer == IDOK) {
            map.WantedValue[kEntrySpecialColorControl] = 0;
        } else {
            state.specialColorSpace = previous;
        }
    }
    ShowSpecialSpace(dialog, map, state);
    MarkOpeningPageChanged(dialog, state);
}

// "&Default": only the controls and working copy change; the map waits for OK.
void RestoreDefaults(HWND dialog, AdvancedColorState& state) {
    const DriverItemMap& map = *state.map;
    if (HasItem(map, kEntryOverPrint)) SetTicked(dialog, IDC_CADV_OVERPRINT, false);
    if (HasItem(map, kEntryScreenObo)) SetTicked(dialog, IDC_CADV_SCREEN_OBO, true);
    if (HasItem(map, kEntryAlwaysPrnHT)) SetTicked(dialog, IDC_CADV_ALWAYS_PRN_HT, true);
    if (HasItem(map, kEntrySpecialColorSpace)) state.specialColorSpace = 0;
    ShowSpecialSpace(dialog, map, state);
    if (HasItem(map, kEntrySeparationOrder)) {
        SendDlgItemMessageW(dialog, IDC_CADV_SEPARATION_LIST, CB_SETCURSEL, 0, 0);
    }
}

void StoreAndClose(HWND dialog, AdvancedColorState& state) {
    DriverItemMap& map = *state.map;
    StoreChecks(dialog, kBoxes, map, map.WantedValue);
    StoreLists(dialog, kLists, map, map.WantedValue);
    if (HasItem(map, kEntrySpecialColorSpace)) {
        map.WantedValue[kEntrySpecialColorSpace] = state.specialColorSpace;
    }
    EndDialog(dialog, 1);
}

bool OnCommand(HWND dialog, int id, int code) {
    auto* state = DialogStateOf<AdvancedColorState>(dialog);
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return true;
    }
    if (state == nullptr || state->map == nullptr) return false;
    switch (id) {
        case IDC_CADV_SPECIAL_SPACE:
            if (code == BN_CLICKED) OnSpecialSpace(dialog, *state);
            return true;
        case IDC_DEFAULT: RestoreDefaults(dialog, *state); return true;
        case IDOK: StoreAndClose(dialog, *state); return true;
        default: return false;
    }
}

}  // namespace

INT_PTR ShowAdvancedColorDialog(HWND page, DriverItemMap& map) {
    AdvancedColorState state;
    state.map = &map;
    return RunColorDetailDialog(page, IDD_COLOR_ADVANCED, &AdvancedColorDialogProc, state);
}

INT_PTR CALLBACK AdvancedColorDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: InitDialog(dialog, lParam); return TRUE;
        case WM_HELP:
        case WM_CONTEXTMENU: HandleContextHelp(message, wParam, lParam); return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        default: return FALSE;
    }
}

}  // namespace oemui
