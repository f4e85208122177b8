#include "ui/color/calderdialog.h"

#include <prsht.h>
#include <strsafe.h>

#include "colorcalder_ids.h"
#include "plugin/config.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {

// Working copies, edited until OK.
struct CalderState : DialogContext {
    DWORD targetColor = 0;        // VRTargetColor
    DWORD blackSubstitution = 0;  // VRBlackSubstitution
    DWORD renderStyle = 0;        // VRColorRenderStyle
    DWORD colorSetting = 0;       // ColorSettingCopy: bit 16 on, bit 8 "Gamma", low byte id
};

constexpr UINT kSettingNameChars = 66;  // names of at most 65 characters
constexpr UINT kMaxSettings = 256;      // the item data holds ids 0..255

// Adds the settings of one section of the colour-matching file; `gamma` marks their data.
UINT AddSettings(HWND dialog, const wchar_t* path, const wchar_t* section, DWORD gammaBit) {
    UINT count = GetPrivateProfileIntW(section, L"SettingNum", 0, path);
    if (count > kMaxSettings) count = kMaxSettings;
    for (UINT i = 0; i < count; ++i) {
        wchar_t key[32];
        StringCchPrintfW(key, 32, L"SettingID%u", i);
        const UINT id = GetPrivateProfileIntW(section, key, 0, path);
        StringCchPrintfW(key, 32, L"SettingName%u", id);
        wchar_t name[kSettingNameChars] = {};
        GetPrivateProfileStringW(section, key, L"", name, kSettingNameChars, path);
        if (name[0] == L'\0') continue;
        const LRESULT at = SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(name));
        if (at >= 0) {
            SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_SETITEMDATA,
                                static_cast<WPARAM>(at), static_cast<LPARAM>((id & 0xFF) | gammaBit));
        }
    }
    return count;
}

// Selects the utility setting of the working colour setting; a setting the list lacks falls
// back to the first item with the utility off.
void SelectUtilitySetting(HWND dialog, CalderState& state) {
    const LRESULT count = SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETCOUNT, 0, 0);
    LRESULT chosen = -1;
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT data = SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETITEMDATA,
                                                 static_cast<WPARAM>(i), 0);
        if (data != CB_ERR && static_cast<DWORD>(data) == LOWORD(state.colorSetting)) chosen = i;
    }
    if (chosen < 0) {
        chosen = 0;
        const LRESULT data =
            count > 0 ? SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETITEMDATA, 0, 0)
                      : CB_ERR;
        state.colorSetting = data == CB_ERR ? 0 : static_cast<DWORD>(data) & 0xFFFF;
    }
    SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_SETCURSEL,
                        static_cast<WPARAM>(chosen), 0);
}

void Refresh(HWND dialog, CalderState& state) {
    const DriverItemMap& map = *state.map;
    if (HasItem(map, kEntryTargetColor)) {
        SelectListItem(dialog, IDC_CALDER_CMYK_LIST, state.targetColor);
    }
    if (HasItem(map, kEntryBlackSubstitution)) {
        CheckRadioButton(dialog, IDC_CALDER_BLACK_AUTO, IDC_CALDER_BLACK_TRUE,
                         IDC_CALDER_BLACK_AUTO + static_cast<int>(state.blackSubstitution));
    }
    if (HasItem(map, kEntryColorRenderStyle)) {
        SelectListItem(dialog, IDC_CALDER_RGB_LIST, state.renderStyle);
        if (CapabilityFilePath[0] != L'\0' && HasControl(dialog, IDC_CALDER_UTILITY_LIST)) {
            SelectUtilitySetting(dialog, state);
        }
        // The utility's setting replaces the RGB colour setting while it is on.
        const bool utility = (state.colorSetting & kChoiceOnMask) != 0;
        const LRESULT count =
            SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETCOUNT, 0, 0);
        const bool listed = count != CB_ERR && count > 0;
        EnableControl(dialog, IDC_CALDER_RGB_LIST, !utility);
        EnableControl(dialog, IDC_CALDER_UTILITY_LIST, utility);
        EnableControl(dialog, IDC_CALDER_UTILITY, listed);
        SetTicked(dialog, IDC_CALDER_UTILITY, utility && listed);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void InitDialog(HWND dialog, LPARAM lParam) {
    auto* state = AttachDialogState<CalderState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    SheetFlags |= kSheetFlagPluginPageSeen;
    if (state == nullptr || state->map == nullptr) return;
    const DriverItemMap& map = *state->map;

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
        const UINT colors = file ? AddSettings(dialog, path, L"Color", 0) : 0;
        const UINT gammas = file ? AddSettings(dialog, path, L"Gamma", kColorSettingGammaBit) : 0;
        if (colors + gammas == 0 && CapabilityFilePath[0] == L'\0') {
            DestroyControlRange(dialog, IDC_CALDER_UTILITY, IDC_CALDER_UTILITY_LIST);
        }
    }
    if (!HasItem(map, kEntryBlackSubstitution)) {
        EnableControlRange(dialog, IDC_CALDER_BLACK_GROUP, IDC_CALDER_BLACK_TRUE, FALSE);
    }

    state->targetColor = map.WantedValue[kEntryTargetColor];
    state->blackSubstitution = map.WantedValue[kEntryBlackSubstitution];
    if (state->blackSubstitution > 2) state->blackSubstitution = 0;
    state->renderStyle = map.WantedValue[kEntryColorRenderStyle];
    state->colorSetting = map.WantedValue[kEntryColorSettingCopy];
    Refresh(dialog, *state);
}

void DrawPicture(HWND dialog, const CalderState& state) {
    const bool grey = state.map->WantedValue[kEntryControl] == kColorModeGreyscale;
    DrawDibResourceFramed(dialog, ModuleHandle, grey ? IDB_COLOR_SAMPLE_GREY : IDB_COLOR_SAMPLE,
                          IDC_CALDER_PICTURE);
}

void StoreAndClose(HWND dialog, CalderState& state) {
    DriverItemMap& map = *state.map;
    // A feature the tree lacks keeps its wanted value: the user could not see it.
    if (HasItem(map, kEntryTargetColor)) map.WantedValue[kEntryTargetColor] = state.targetColor;
    if (HasItem(map, kEntryBlackSubstitution)) {
        map.WantedValue[kEntryBlackSubstitution] = state.blackSubstitution;
    }
    if (HasItem(map, kEntryColorRenderStyle)) {
        map.WantedValue[kEntryColorRenderStyle] = state.renderStyle;
    }
    map.WantedValue[kEntryColorSettingCopy] = state.colorSetting;
    MarkOpeningPageChanged(dialog, state);
    EndDialog(dialog, 1);
}

void OnUtilityChoice(HWND dialog, CalderState& state) {
    const LRESULT selection =
        SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETCURSEL, 0, 0);
    const LRESULT data = selection == CB_ERR
                             ? CB_ERR
                             : SendDlgItemMessageW(dialog, IDC_CALDER_UTILITY_LIST, CB_GETITEMDATA,
                                                   static_cast<WPARAM>(selection), 0);
    if (data == CB_ERR) return;
    state.colorSetting = (state.colorSetting & kChoiceOnMask) | (static_cast<DWORD>(data) & 0xFFFF);
    MarkOpeningPageChanged(dialog, state);
}

bool OnCommand(HWND dialog, int id, int code) {
    auto* state = DialogStateOf<CalderState>(dialog);
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return true;
    }
    if (state == nullptr || state->map == nullptr) return false;
    switch (id) {
        case IDC_CALDER_CMYK_LIST:
            if (code != CBN_SELCHANGE) return false;
            state->targetColor = ListSelection(dialog, id, state->targetColor);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_CALDER_BLACK_AUTO:
        case IDC_CALDER_BLACK_COMPOSITE:
        case IDC_CALDER_BLACK_TRUE:
            if (code == BN_CLICKED) {
                state->blackSubstitution = static_cast<DWORD>(id - IDC_CALDER_BLACK_AUTO);
            }
            return true;
        case IDC_CALDER_RGB_LIST:
            if (code != CBN_SELCHANGE) return false;
            state->renderStyle = ListSelection(dialog, id, state->renderStyle);
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_CALDER_UTILITY:
            if (code != BN_CLICKED) return false;
            if (IsTicked(dialog, IDC_CALDER_UTILITY)) {
                state->colorSetting |= kChoiceOnBit;
            } else {
                state->colorSetting &= ~kChoiceOnMask;
            }
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_CALDER_UTILITY_LIST:
            if (code != CBN_SELCHANGE) return false;
            OnUtilityChoice(dialog, *state);
            return true;
        case IDC_DEFAULT:
            state->targetColor = 0;
            state->blackSubstitution = 0;
            state->renderStyle = 0;
            state->colorSetting = 0;
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDOK: StoreAndClose(dialog, *state); return true;
        default: return false;
    }
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    auto* state = DialogStateOf<CalderState>(dialog);
    if (header == nullptr || state == nullptr || state->map == nullptr) return FALSE;
    if (header->code == PSN_SETACTIVE) {
        Refresh(dialog, *state);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return AnswerColorSheetNotice(dialog, *state->map, header->code, true) ? TRUE : FALSE;
}

INT_PTR OnDrawOrActivate(HWND dialog, UINT message, WPARAM wParam) {
    auto* state = DialogStateOf<CalderState>(dialog);
    if (state == nullptr || state->map == nullptr) return FALSE;
    if (message == WM_DRAWITEM && wParam != IDC_CALDER_PICTURE) return FALSE;
    DrawPicture(dialog, *state);
    return message == WM_DRAWITEM ? TRUE : FALSE;
}

}  // namespace

INT_PTR ShowCalderColorDialog(HWND page, DriverItemMap& map) {
    CalderState state;
    state.map = &map;
    return RunColorDetailDialog(page, IDD_CALDER_COLOR, &CalderColorDialogProc, state);
}

INT_PTR CALLBACK CalderColorDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: InitDialog(dialog, lParam); return TRUE;
        case WM_DRAWITEM:
        case WM_ACTIVATE: return OnDrawOrActivate(dialog, message, wParam);
        case WM_NOTIFY: return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_HELP:
        case WM_CONTEXTMENU: HandleContextHelp(message, wParam, lParam); return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        default: return FALSE;
    }
}

}  // namespace oemui
