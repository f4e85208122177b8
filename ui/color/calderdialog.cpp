#include "ui/color/calderdialog.h"

#include "colorcalder_ids.h"
#include "base/config.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"

namespace oemui {

namespace {

constexpr DWORD kBlackSubstitutionLast = IDC_CALDER_BLACK_TRUE - IDC_CALDER_BLACK_AUTO;

constexpr int kFeatures[] = {kEntryTargetColor, kEntryBlackSubstitution, kEntryColorRenderStyle};
// ColorSettingCopy: bit 16 the utility's setting is on, bit 8 section "Gamma", low byte its id.
constexpr int kOwnValues[] = {kEntryColorSettingCopy};
constexpr ListBinding kLists[] = {
    {IDC_CALDER_CMYK_LIST, kEntryTargetColor},
    {IDC_CALDER_RGB_LIST, kEntryColorRenderStyle},
};

void Refresh(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    EntryValues& v = state.values;
    if (HasItem(map, kEntryTargetColor)) {
        SelectListItem(dialog, IDC_CALDER_CMYK_LIST, v[kEntryTargetColor]);
    }
    if (HasItem(map, kEntryBlackSubstitution)) {
        SetRadioChoice(dialog, IDC_CALDER_BLACK_AUTO, IDC_CALDER_BLACK_TRUE,
                       IDC_CALDER_BLACK_AUTO + static_cast<int>(v[kEntryBlackSubstitution]));
    }
    if (HasItem(map, kEntryColorRenderStyle)) {
        SelectListItem(dialog, IDC_CALDER_RGB_LIST, v[kEntryColorRenderStyle]);
        if (map.CapabilityPath[0] != L'\0' && HasControl(dialog, IDC_CALDER_UTILITY_LIST)) {
            SelectChosenSetting(dialog, IDC_CALDER_UTILITY_LIST, v[kEntryColorSettingCopy]);
        }
        // The utility's setting replaces the RGB colour setting while it is on.
        const bool utility = (v[kEntryColorSettingCopy] & kChoiceOnMask) != 0;
        const LRESULT count = SendToControl(dialog, IDC_CALDER_UTILITY_LIST, CB_GETCOUNT, 0, 0);
        const bool listed = count != CB_ERR && count > 0;
        EnableControl(dialog, IDC_CALDER_RGB_LIST, !utility);
        EnableControl(dialog, IDC_CALDER_UTILITY_LIST, utility);
        EnableControl(dialog, IDC_CALDER_UTILITY, listed);
        SetTicked(dialog, IDC_CALDER_UTILITY, utility && listed);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void Open(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    FillOptionList(dialog, IDC_CALDER_CMYK_LIST, map, kEntryTargetColor);
    if (!HasItem(map, kEntryColorRenderStyle)) {
        // Without RGB colour settings the whole RGB block goes; the CMYK block stays.
        DestroyControlRange(dialog, IDC_CALDER_RGB_GROUP, IDC_CALDER_RGB_GROUP);
        DestroyControlRange(dialog, IDC_CALDER_RGB_LABEL, IDC_CALDER_RGB_LABEL);
        DestroyControlRange(dialog, IDC_CALDER_RGB_LIST, IDC_CALDER_UTILITY_LIST);
    } else {
        FillOptionList(dialog, IDC_CALDER_RGB_LIST, map, kEntryColorRenderStyle);
        wchar_t path[kPathChars];
        const bool file = ColorMatchingFilePath(map, path);
        const UINT colors =
            file ? AddSettingList(dialog, IDC_CALDER_UTILITY_LIST, path, L"Color", 0) : 0;
        const UINT gammas = file ? AddSettingList(dialog, IDC_CALDER_UTILITY_LIST, path, L"Gamma",
                                                  kColorSettingGammaBit)
                                 : 0;
        if (colors + gammas == 0 && map.CapabilityPath[0] == L'\0') {
            DestroyControlRange(dialog, IDC_CALDER_UTILITY, IDC_CALDER_UTILITY_LIST);
        }
    }
    if (!HasItem(map, kEntryBlackSubstitution)) {
        EnableControlRange(dialog, IDC_CALDER_BLACK_GROUP, IDC_CALDER_BLACK_TRUE, FALSE);
    }
    if (state.values[kEntryBlackSubstitution] > kBlackSubstitutionLast) {
        state.values[kEntryBlackSubstitution] = 0;
    }
}

void AfterDefaults(HWND dialog, ColorDetailState& state) { MarkOpeningPageChanged(dialog, state); }

// The sample picture, drawn when it asks and whenever the dialog is (de)activated.
void DrawPicture(HWND dialog, ColorDetailState& state) {
    const bool grey = state.map->WantedValue[kEntryControl] == kColorModeGreyscale;
    DrawDibResourceFramed(dialog, ModuleHandle, grey ? IDB_COLOR_SAMPLE_GREY : IDB_COLOR_SAMPLE,
                          IDC_CALDER_PICTURE);
}

bool OnCommand(HWND dialog, ColorDetailState& state, int id, int code) {
    switch (id) {
        case IDC_CALDER_BLACK_AUTO:
        case IDC_CALDER_BLACK_COMPOSITE:
        case IDC_CALDER_BLACK_TRUE:
            if (code == BN_CLICKED) {
                state.values[kEntryBlackSubstitution] =
                    static_cast<DWORD>(id - IDC_CALDER_BLACK_AUTO);
            }
            return true;
        case IDC_CALDER_UTILITY:
            if (code != BN_CLICKED) return false;
            SwitchChoice(state.values[kEntryColorSettingCopy], IsTicked(dialog, id));
            Refresh(dialog, state);
            MarkOpeningPageChanged(dialog, state);
            return true;
        case IDC_CALDER_UTILITY_LIST:
            if (code != CBN_SELCHANGE) return false;
            if (TakeSelectedSetting(dialog, id, state.values[kEntryColorSettingCopy])) {
                MarkOpeningPageChanged(dialog, state);
            }
            return true;
        default:
            return false;
    }
}

bool DrawOwnItem(HWND dialog, ColorDetailState& state, const DRAWITEMSTRUCT& item) {
    if (item.CtlID != IDC_CALDER_PICTURE) return false;
    DrawPicture(dialog, state);
    return true;
}

constexpr ColorDetailParts kParts = {
    .features = kFeatures,
    .ownValues = kOwnValues,
    .lists = kLists,
    .notices = DetailNotices::LikeThePage,
    .visitsPluginPage = true,
    .marksChanges = true,
    .open = &Open,
    .refresh = &Refresh,
    .afterDefaults = &AfterDefaults,
    .command = &OnCommand,
    .drawItem = &DrawOwnItem,
    .activated = &DrawPicture,
};

}  // namespace

INT_PTR ShowCalderColorDialog(HWND page, DriverItemMap& map) {
    return RunColorDetailDialog(page, IDD_CALDER_COLOR, kParts, map);
}

}  // namespace oemui
