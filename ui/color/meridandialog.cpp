#include "ui/color/meridandialog.h"

#include <commctrl.h>

#include "colormeridan_ids.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/common/dialogs.h"

namespace oemui {

namespace {

// Colour-matching methods, the options of VRColorICMS.
constexpr DWORD kMethodIcc = 0;
constexpr DWORD kMethodSimulation = 1;
// CMYK input kinds, the options of VRCMYKProfile.
constexpr DWORD kCmykLink = 1;
constexpr DWORD kPrecisionHighest = 2;  // the trackbar runs 0..2

constexpr int kFeatures[] = {
    kEntryColorIcms,        kEntryCmykProfile,     kEntryColorRenderDict, kEntryRgbProfile,
    kEntryCmykInputProfile, kEntryCmykLinkProfile, kEntryOutProfile,      kEntrySimProfile,
    kEntryPreserveBlack,    kEntryPureBlack,       kEntryBlackSubGra,     kEntryColorMatch,
};

// Both boxes say "on" for the feature's first option.
constexpr CheckBinding kBoxes[] = {
    {IDC_MERIDAN_PURE_BLACK, kEntryPureBlack, 0, 1},
    {IDC_MERIDAN_PRESERVE_BLACK, kEntryPreserveBlack, 0, 1},
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
    HWND picture = FindControl(dialog, id);
    if (picture == nullptr) return;
    // The window's own style: IsWindowVisible is false for all of them until the dialog shows.
    const bool visible = (GetWindowLongW(picture, GWL_STYLE) & WS_VISIBLE) != 0;
    if (visible != show) ShowWindow(picture, show ? SW_SHOW : SW_HIDE);
}

// Controls whose feature the tree lacks stay disabled.
void DisableUnboundControls(HWND dialog, const DriverItemMap& map) {
    for (const ListBinding& list : kLists) {
        if (!HasItem(map, list.entry)) EnableControl(dialog, list.controlId, false);
    }
    for (const CheckBinding& box : kBoxes) {
        if (!HasItem(map, box.entry)) EnableControl(dialog, box.controlId, false);
    }
    if (!HasItem(map, kEntryColorMatch)) EnableControl(dialog, IDC_MERIDAN_PRECISION, false);
}

void Refresh(HWND dialog, ColorDetailState& state) {
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
        SetRadioChoice(dialog, IDC_MERIDAN_CMYK_INPUT, IDC_MERIDAN_CMYK_LINK,
                       IDC_MERIDAN_CMYK_INPUT + (cmyk == kCmykLink ? 1 : 0));
    }
    SetRadioChoice(dialog, IDC_MERIDAN_METHOD_ICC, IDC_MERIDAN_METHOD_LAST,
                   IDC_MERIDAN_METHOD_ICC + static_cast<int>(method));

    // A link profile carries the black channel itself: Preserve Black and the input profile
    // make no sense with it.
    EnableControl(dialog, IDC_MERIDAN_PRESERVE_BLACK, !linked);
    EnableControl(dialog, IDC_MERIDAN_CMYK_INPUT_LIST, !linked);
    EnableControl(dialog, IDC_MERIDAN_CMYK_LINK_LIST, linked);
    if (!linked) SetTicked(dialog, IDC_MERIDAN_PRESERVE_BLACK, v[kEntryPreserveBlack] == 0);

    SendToControl(dialog, IDC_MERIDAN_PRECISION, TBM_SETPOS, TRUE,
                  static_cast<LPARAM>(v[kEntryColorMatch]));
    SetTicked(dialog, IDC_MERIDAN_PURE_BLACK, v[kEntryPureBlack] == 0);
    LoadLists(dialog, kLists, map, v);
    DisableUnboundControls(dialog, map);
    // The automatic output profile chooses its rendering intent itself.
    if (v[kEntryOutProfile] == 0) {
        RestrictControlRange(dialog, IDC_MERIDAN_INTENT_LABEL, IDC_MERIDAN_INTENT_LIST, FALSE);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void Open(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    for (const ListBinding& list : kLists) FillOptionList(dialog, list.controlId, map, list.entry);
    SendToControl(dialog, IDC_MERIDAN_PRECISION, TBM_SETRANGE, TRUE,
                  MAKELPARAM(0, kPrecisionHighest));
    // Values outside the controls' ranges would check no radio or move the trackbar off.
    EntryValues& v = state.values;
    if (v[kEntryColorIcms] > IDC_MERIDAN_METHOD_LAST - IDC_MERIDAN_METHOD_ICC) {
        v[kEntryColorIcms] = kMethodIcc;
    }
    if (v[kEntryColorMatch] > kPrecisionHighest) v[kEntryColorMatch] = kPrecisionHighest;
}

void AfterDefaults(HWND, ColorDetailState& state) {
    state.values[kEntryColorMatch] = kPrecisionHighest;
}

bool OnCommand(HWND dialog, ColorDetailState& state, int id, int code) {
    if (code != BN_CLICKED) return false;
    EntryValues& v = state.values;
    if (id >= IDC_MERIDAN_METHOD_ICC && id <= IDC_MERIDAN_METHOD_LAST) {
        v[kEntryColorIcms] = static_cast<DWORD>(id - IDC_MERIDAN_METHOD_ICC);
    } else if (id == IDC_MERIDAN_CMYK_INPUT || id == IDC_MERIDAN_CMYK_LINK) {
        v[kEntryCmykProfile] = static_cast<DWORD>(id - IDC_MERIDAN_CMYK_INPUT);
    } else {
        return false;
    }
    Refresh(dialog, state);
    return true;
}

bool DrawPicture(HWND dialog, ColorDetailState&, const DRAWITEMSTRUCT& item) {
    for (const Picture& picture : kPictures) {
        if (static_cast<UINT>(picture.controlId) != item.CtlID) continue;
        DrawTransparentBitmap(dialog, ModuleHandle, picture.controlId, picture.bitmapId);
        return true;
    }
    return false;
}

void OnPrecision(HWND dialog, ColorDetailState& state, HWND trackbar) {
    if (trackbar != FindControl(dialog, IDC_MERIDAN_PRECISION)) return;
    const LRESULT position = SendMessageW(trackbar, TBM_GETPOS, 0, 0);
    state.values[kEntryColorMatch] = position < 0 ? 0 : static_cast<DWORD>(position);
}

constexpr ColorDetailParts kParts = {
    .features = kFeatures,
    .boxes = kBoxes,
    .lists = kLists,
    .notices = DetailNotices::LikeThePage,
    .visitsPluginPage = true,
    .open = &Open,
    .refresh = &Refresh,
    .afterDefaults = &AfterDefaults,
    .command = &OnCommand,
    .drawItem = &DrawPicture,
    .activated = &Refresh,
    .scrolled = &OnPrecision,
};

}  // namespace

INT_PTR ShowMeridanProDialog(HWND page, DriverItemMap& map) {
    return RunColorDetailDialog(page, IDD_MERIDAN_PRO, kParts, map);
}

}  // namespace oemui
