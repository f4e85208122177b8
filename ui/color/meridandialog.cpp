#include "ui/color/meridandialog.h"

#include <commctrl.h>
#include <prsht.h>

#include <cstring>

#include "colormeridan_ids.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {

// Colour-matching methods, the options of VRColorICMS.
constexpr DWORD kMethodIcc = 0;
constexpr DWORD kMethodSimulation = 1;
// CMYK input kinds, the options of VRCMYKProfile.
constexpr DWORD kCmykLink = 1;
constexpr DWORD kPrecisionHighest = 2;  // the trackbar runs 0..2

// Working copies: the map's wanted values copied at start, the twelve features below edited.
struct MeridanState : DialogContext {
    EntryValues values = {};
};

constexpr int kEditedEntries[] = {
    kEntryColorIcms,       kEntryCmykProfile, kEntryColorRenderDict, kEntryRgbProfile,
    kEntryCmykInputProfile, kEntryCmykLinkProfile, kEntryOutProfile, kEntrySimProfile,
    kEntryPreserveBlack,   kEntryPureBlack,   kEntryBlackSubGra,     kEntryColorMatch,
};

constexpr ListBinding kLists[] = {
    {IDC_MERIDAN_INTENT_LIST, kEntryColorRenderDict},
    {IDC_MERIDAN_BLACK_LIST, kEntryBlackSubGra},
    {IDC_MERIDAN_RGB_LIST, kEntryRgbProfile},
    {IDC_MERIDAN_CMYK_INPUT_LIST, kEntryCmykInputProfile},
    {IDC_MERIDAN_CMYK_LINK_LIST, kEntryCmykLinkProfile},
    {IDC_MERIDAN_OUTPUT_LIST, kEntryOutProfile},
    {IDC_MERIDAN_SIM_LIST, kEntrySimProfile},
};

// Every control that edits a feature; one whose feature the tree lacks stays disabled.
struct ValueControl {
    int controlId;
    int entry;
};
constexpr ValueControl kValueControls[] = {
    {IDC_MERIDAN_INTENT_LIST, kEntryColorRenderDict},
    {IDC_MERIDAN_BLACK_LIST, kEntryBlackSubGra},
    {IDC_MERIDAN_RGB_LIST, kEntryRgbProfile},
    {IDC_MERIDAN_CMYK_INPUT_LIST, kEntryCmykInputProfile},
    {IDC_MERIDAN_CMYK_LINK_LIST, kEntryCmykLinkProfile},
    {IDC_MERIDAN_OUTPUT_LIST, kEntryOutProfile},
    {IDC_MERIDAN_SIM_LIST, kEntrySimProfile},
    {IDC_MERIDAN_PRESERVE_BLACK, kEntryPreserveBlack},
    {IDC_MERIDAN_PURE_BLACK, kEntryPureBlack},
    {IDC_MERIDAN_PRECISION, kEntryColorMatch},
};

// The pictures and the bitmap each draws.
struct Picture {
    int controlId;
    int bitmapId;
};
constexpr Picture kPictures[] = {
    {IDC_MERIDAN_PICTURE_CMYK, IDB_PROFILE},
    {IDC_MERIDAN_PICTURE_INPUT, IDB_PROFILE},
    {IDC_MERIDAN_PICTURE_PRINTER, IDB_PRINTER_PROFILE},
    {IDC_MERIDAN_PICTURE_LINK, IDB_LINK_PROFILE},
};

void ShowPicture(HWND dialog, int id, bool show) {
    HWND picture = GetDlgItem(dialog, id);
    if (picture == nullptr) return;
    // The window's own style: IsWindowVisible is false for all of them until the dialog shows.
    const bool visible = (GetWindowLongW(picture, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != show) ShowWindow(picture, show ? SW_SHOW : SW_HIDE);
}

void Refresh(HWND dialog, MeridanState& state) {
    const DriverItemMap& map = *state.map;
    EntryValues& v = state.values;
    const DWORD method = v[kEntryColorIcms];
    const DWORD cmyk = v[kEntryCmykProfile];
    const bool icc = method == kMethodIcc;
    const bool simulation = method == kMethodSimulation;
    const bool linked = icc && cmyk == kCmykLink;

    // Input, output, precision and black controls serve the two methods that match colours
    // here; the CMYK rows belong to ICC matching, the simulation row to printer simulation.
    ShowControlRange(dialog, IDC_MERIDAN_INPUT_GROUP, IDC_MERIDAN_PRESERVE_BLACK,
                     icc || simulation ? TRUE : FALSE);
    ShowControlRange(dialog, IDC_MERIDAN_CMYK_INPUT_LIST, IDC_MERIDAN_CMYK_LINK_LIST,
                     icc ? TRUE : FALSE);
    ShowControlRange(dialog, IDC_MERIDAN_SIM_LABEL, IDC_MERIDAN_SIM_LIST,
                     simulation ? TRUE : FALSE);

    ShowPicture(dialog, IDC_MERIDAN_PICTURE_LINK, linked);
    ShowPicture(dialog, IDC_MERIDAN_PICTURE_INPUT, simulation || (icc && cmyk == 0));
    ShowPicture(dialog, IDC_MERIDAN_PICTURE_PRINTER, simulation);
    ShowPicture(dialog, IDC_MERIDAN_PICTURE_CMYK, icc);
    if (icc) {
        CheckRadioButton(dialog, IDC_MERIDAN_CMYK_INPUT, IDC_MERIDAN_CMYK_LINK,
                         IDC_MERIDAN_CMYK_INPUT + (cmyk == kCmykLink ? 1 : 0));
    }
    CheckRadioButton(dialog, IDC_MERIDAN_METHOD_ICC, IDC_MERIDAN_METHOD_LAST,
                     IDC_MERIDAN_METHOD_ICC + static_cast<int>(method));

    // A link profile carries the black channel itself: Preserve Black and the input profile
    // make no sense with it.
    EnableControl(dialog, IDC_MERIDAN_PRESERVE_BLACK, !linked);
    EnableControl(dialog, IDC_MERIDAN_CMYK_INPUT_LIST, !linked);
    EnableControl(dialog, IDC_MERIDAN_CMYK_LINK_LIST, linked);
    if (!linked) SetTicked(dialog, IDC_MERIDAN_PRESERVE_BLACK, v[kEntryPreserveBlack] == 0);

    SendDlgItemMessageW(dialog, IDC_MERIDAN_PRECISION, TBM_SETPOS, TRUE,
                        static_cast<LPARAM>(v[kEntryColorMatch]));
    SetTicked(dialog, IDC_MERIDAN_PURE_BLACK, v[kEntryPureBlack] == 0);
    LoadLists(dialog, kLists, map, v);

    for (const ValueControl& control : kValueControls) {
        if (!HasItem(map, control.entry)) EnableControl(dialog, control.controlId, false);
    }
    // The automatic output profile chooses its rendering intent itself.
    if (v[kEntryOutProfile] == 0) {
        RestrictControlRange(dialog, IDC_MERIDAN_INTENT_LABEL, IDC_MERIDAN_INTENT_LIST, FALSE);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void InitDialog(HWND dialog, LPARAM lParam) {
    auto* state = AttachDialogState<MeridanState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    SheetFlags |= kSheetFlagPluginPageSeen;
    if (state == nullptr || state->map == nullptr) return;
    const DriverItemMap& map = *state->map;
    for (const ListBinding& list : kLists) FillOptionList(dialog, list.controlId, map, list.entry);
    SendDlgItemMessageW(dialog, IDC_MERIDAN_PRECISION, TBM_SETRANGE, TRUE,
                        MAKELPARAM(0, kPrecisionHighest));
    std::memcpy(state->values, map.WantedValue, sizeof(state->values));
    // Values outside the controls' ranges would check no radio or move the trackbar off.
    if (state->values[kEntryColorIcms] > IDC_MERIDAN_METHOD_LAST - IDC_MERIDAN_METHOD_ICC) {
        state->values[kEntryColorIcms] = kMethodIcc;
    }
    if (state->values[kEntryColorMatch] > kPrecisionHighest) {
        state->values[kEntryColorMatch] = kPrecisionHighest;
    }
    Refresh(dialog, *state);
}

void StoreAndClose(HWND dialog, MeridanState& state) {
    DriverItemMap& map = *state.map;
    for (int entry : kEditedEntries) {
        // A feature the tree lacks keeps its wanted value: the user could not see it.
        if (HasItem(map, entry)) map.WantedValue[entry] = state.values[entry];
    }
    MarkOpeningPageChanged(dialog, state);
    EndDialog(dialog, 1);
}

void RestoreDefaults(HWND dialog, MeridanState& state) {
    for (int entry : kEditedEntries) state.values[entry] = 0;
    state.values[kEntryColorMatch] = kPrecisionHighest;
    Refresh(dialog, state);
}

// A list whose choice changes what else is shown.
int ListEntry(int id) {
    for (const ListBinding& list : kLists) {
        if (list.controlId == id) return list.entry;
    }
    return -1;
}

bool OnCommand(HWND dialog, int id, int code) {
    auto* state = DialogStateOf<MeridanState>(dialog);
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return true;
    }
    if (state == nullptr || state->map == nullptr) return false;
    EntryValues& v = state->values;
    if (id >= IDC_MERIDAN_METHOD_ICC && id <= IDC_MERIDAN_METHOD_LAST) {
        if (code != BN_CLICKED) return false;
        v[kEntryColorIcms] = static_cast<DWORD>(id - IDC_MERIDAN_METHOD_ICC);
        Refresh(dialog, *state);
        return true;
    }
    switch (id) {
        case IDC_MERIDAN_CMYK_INPUT:
        case IDC_MERIDAN_CMYK_LINK:
            if (code != BN_CLICKED) return false;
            v[kEntryCmykProfile] = static_cast<DWORD>(id - IDC_MERIDAN_CMYK_INPUT);
            Refresh(dialog, *state);
            return true;
        case IDC_MERIDAN_BLACK_LIST:
            v[kEntryBlackSubGra] = ListSelection(dialog, id, v[kEntryBlackSubGra]);
            return true;
        case IDC_MERIDAN_PURE_BLACK:
            v[kEntryPureBlack] = IsTicked(dialog, id) ? 0 : 1;
            return true;
        case IDC_MERIDAN_PRESERVE_BLACK:
            v[kEntryPreserveBlack] = IsTicked(dialog, id) ? 0 : 1;
            return true;
        case IDC_DEFAULT: RestoreDefaults(dialog, *state); return true;
        case IDOK: StoreAndClose(dialog, *state); return true;
        default: break;
    }
    const int entry = ListEntry(id);
    if (entry < 0 || code != CBN_SELCHANGE) return false;
    v[entry] = ListSelection(dialog, id, v[entry]);
    Refresh(dialog, *state);
    return true;
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    auto* state = DialogStateOf<MeridanState>(dialog);
    if (header == nullptr || state == nullptr || state->map == nullptr) return FALSE;
    if (header->code == PSN_SETACTIVE) {
        Refresh(dialog, *state);
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return AnswerColorSheetNotice(dialog, *state->map, header->code, true) ? TRUE : FALSE;
}

INT_PTR OnDrawItem(HWND dialog, WPARAM id) {
    for (const Picture& picture : kPictures) {
        if (static_cast<WPARAM>(picture.controlId) != id) continue;
        DrawTransparentBitmap(dialog, ModuleHandle, picture.controlId, picture.bitmapId);
        return TRUE;
    }
    return FALSE;
}

void OnPrecision(HWND dialog, HWND trackbar) {
    auto* state = DialogStateOf<MeridanState>(dialog);
    if (state == nullptr || state->map == nullptr) return;
    if (trackbar != GetDlgItem(dialog, IDC_MERIDAN_PRECISION)) return;
    const LRESULT position = SendMessageW(trackbar, TBM_GETPOS, 0, 0);
    state->values[kEntryColorMatch] = position < 0 ? 0 : static_cast<DWORD>(position);
}

void OnActivate(HWND dialog) {
    auto* state = DialogStateOf<MeridanState>(dialog);
    if (state != nullptr && state->map != nullptr) Refresh(dialog, *state);
}

}  // namespace

INT_PTR ShowMeridanProDialog(HWND page, DriverItemMap& map) {
    MeridanState state;
    state.map = &map;
    return RunColorDetailDialog(page, IDD_MERIDAN_PRO, &MeridanProDialogProc, state);
}

INT_PTR CALLBACK MeridanProDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: InitDialog(dialog, lParam); return TRUE;
        case WM_DRAWITEM: return OnDrawItem(dialog, wParam);
        case WM_ACTIVATE: OnActivate(dialog); return FALSE;
        case WM_HSCROLL: OnPrecision(dialog, reinterpret_cast<HWND>(lParam)); return TRUE;
        case WM_NOTIFY: return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_HELP:
        case WM_CONTEXTMENU: HandleContextHelp(message, wParam, lParam); return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        default: return FALSE;
    }
}

}  // namespace oemui
