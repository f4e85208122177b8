#include "ui/color/advancedcolordialog.h"

#include "coloradvanced_ids.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"

namespace oemui {

namespace {

constexpr int kFeatures[] = {kEntryAlwaysPrnHT, kEntryOverPrint, kEntryScreenObo,
                             kEntrySeparationOrder, kEntrySpecialColorSpace};

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

void Refresh(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    LoadChecks(dialog, kBoxes, map, state.values);
    LoadLists(dialog, kLists, map, state.values);
    if (HasItem(map, kEntrySpecialColorSpace)) {
        SetTicked(dialog, IDC_CADV_SPECIAL_SPACE, state.values[kEntrySpecialColorSpace] == 0);
    }
}

void Open(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
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
    // Grey-scale printing has no colour planes to separate.
    const bool colour = map.WantedValue[kEntryControl] != kColorModeGreyscale;
    EnableControl(dialog, IDC_CADV_SEPARATION_LABEL, colour);
    EnableControl(dialog, IDC_CADV_SEPARATION_LIST, colour);
}

// Switching the special colour space on excludes special-toner choice 5: the user confirms
// that the toner choice goes back to 0, or keeps the previous state.
void OnSpecialSpace(HWND dialog, ColorDetailState& state) {
    DriverItemMap& map = *state.map;
    DWORD& space = state.values[kEntrySpecialColorSpace];
    const DWORD previous = space;
    const bool unticked = !IsTicked(dialog, IDC_CADV_SPECIAL_SPACE);
    space = unticked ? 1 : 0;
    if (unticked && map.WantedValue[kEntrySpecialColorControl] == kSpecialTonerChoiceSpace) {
        if (ConfirmExclusion(dialog, IDS_SPECIAL_COLOR_SPACE_OFF)) {
            map.WantedValue[kEntrySpecialColorControl] = 0;
        } else {
            space = previous;
        }
    }
    Refresh(dialog, state);
    MarkOpeningPageChanged(dialog, state);
}

bool OnCommand(HWND dialog, ColorDetailState& state, int id, int code) {
    if (id != IDC_CADV_SPECIAL_SPACE) return false;
    if (code == BN_CLICKED) OnSpecialSpace(dialog, state);
    return true;
}

constexpr ColorDetailParts kParts = {
    .features = kFeatures,
    .boxes = kBoxes,
    .lists = kLists,
    .readsControlsOnOk = true,
    .open = &Open,
    .refresh = &Refresh,
    .command = &OnCommand,
};

}  // namespace

INT_PTR ShowAdvancedColorDialog(HWND page, DriverItemMap& map) {
    return RunColorDetailDialog(page, IDD_COLOR_ADVANCED, kParts, map);
}

}  // namespace oemui
