#include "ui/color/tonerdialog.h"

#include "colortoner_ids.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"

namespace oemui {

namespace {

// Choices of VRSpecialColorControl: 0 off, 4 automatic; 5 covers the whole page, which the
// special colour space excludes.
constexpr DWORD kChoiceOff = 0;
constexpr DWORD kChoiceAutomatic = 4;
constexpr DWORD kChoiceWholePage = 5;
constexpr DWORD kChoiceCount = 6;
// Core item 423 (mirror print): option 0 prints mirrored.
constexpr DWORD kMirrorOn = 0;
constexpr DWORD kMirrorOff = 1;

// White toner orders its layer; clear toner has a finish. Both have mirror printing.
constexpr int kWhiteFeatures[] = {kEntrySpecialColorControl, kEntryCoreItem423,
                                  kEntrySpecialColorOrder};
constexpr int kClearFeatures[] = {kEntrySpecialColorControl, kEntryCoreItem423,
                                  kEntryClearOutputMode};
constexpr CheckBinding kBoxes[] = {{IDC_TONER_MIRROR, kEntryCoreItem423, kMirrorOn, kMirrorOff}};
constexpr ListBinding kLists[] = {{IDC_TONER_FINISH_LIST, kEntryClearOutputMode}};

bool IsWhite(HWND dialog) { return HasControl(dialog, IDC_TONER_ORDER_GROUP); }

// The bitmap a picture control shows, 0 for controls that are not pictures.
int PictureBitmap(int id, const EntryValues& v) {
    if (id >= IDC_TONER_CHOICE_PICTURE_FIRST && id <= IDC_TONER_CHOICE_PICTURE_LAST) {
        return IDB_TONER_CHOICE_FIRST + (id - IDC_TONER_CHOICE_PICTURE_FIRST);
    }
    switch (id) {
        case IDC_TONER_PREVIEW_PAGE:
            return IDB_TONER_PAGE;
        case IDC_TONER_PREVIEW_ARROW:
            return IDB_TONER_ARROW;
        case IDC_TONER_PREVIEW_RESULT:
            return IDB_TONER_ARROW + static_cast<int>(v[kEntrySpecialColorControl]);
        case IDC_TONER_ORDER_PICTURE_UNDER:
            return IDB_TONER_ORDER_UNDER;
        case IDC_TONER_ORDER_PICTURE_OVER:
            return IDB_TONER_ORDER_OVER;
        case IDC_TONER_ORDER_PICTURE:
            return v[kEntrySpecialColorOrder] == 0 ? IDB_TONER_LAYERS_UNDER : IDB_TONER_LAYERS_OVER;
        default:
            return 0;
    }
}

// Pictures that change with the working values are redrawn on a clean face.
void RedrawPicture(HWND dialog, int id) {
    if (HWND picture = FindControl(dialog, id)) InvalidateRect(picture, nullptr, TRUE);
}

void Refresh(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    const EntryValues& v = state.values;
    const DWORD choice = v[kEntrySpecialColorControl];
    const bool used = choice != kChoiceOff && choice != kChoiceAutomatic;
    if (IsWhite(dialog)) {
        EnableControlRange(dialog, IDC_TONER_ORDER_GROUP, IDC_TONER_ORDER_PICTURE_OVER,
                           used ? TRUE : FALSE);
    } else {
        EnableControlRange(dialog, IDC_TONER_FINISH_LABEL, IDC_TONER_FINISH_LIST,
                           used && HasItem(map, kEntryClearOutputMode) ? TRUE : FALSE);
    }
    if (HasItem(map, kEntryClearOutputMode)) {
        SelectListItem(dialog, IDC_TONER_FINISH_LIST, v[kEntryClearOutputMode]);
    }
    if (HasItem(map, kEntryCoreItem423) && HasControl(dialog, IDC_TONER_MIRROR)) {
        const bool mirrored = v[kEntryCoreItem423] == kMirrorOn;
        SetTicked(dialog, IDC_TONER_MIRROR, mirrored);
        const int iconId = mirrored ? IDI_PREVIEW_MIRROR : IDI_PREVIEW_NORMAL;
        HICON icon = static_cast<HICON>(LoadImageW(ModuleHandle, MAKEINTRESOURCEW(iconId),
                                                   IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        SendToControl(dialog, IDC_TONER_MIRROR_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon),
                      0);
    }
    SetRadioChoice(dialog, IDC_TONER_CHOICE_FIRST, IDC_TONER_CHOICE_LAST,
                   IDC_TONER_CHOICE_FIRST + static_cast<int>(choice));
    const int show = choice != kChoiceOff ? SW_SHOW : SW_HIDE;
    if (HWND arrow = FindControl(dialog, IDC_TONER_PREVIEW_ARROW)) ShowWindow(arrow, show);
    if (HWND result = FindControl(dialog, IDC_TONER_PREVIEW_RESULT)) ShowWindow(result, show);
    RedrawPicture(dialog, IDC_TONER_PREVIEW_RESULT);
    if (IsWhite(dialog)) {
        SetRadioChoice(dialog, IDC_TONER_ORDER_UNDER, IDC_TONER_ORDER_OVER,
                       IDC_TONER_ORDER_UNDER + (v[kEntrySpecialColorOrder] == 0 ? 0 : 1));
        RedrawPicture(dialog, IDC_TONER_ORDER_PICTURE);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void Open(HWND dialog, ColorDetailState& state) {
    const DriverItemMap& map = *state.map;
    EntryValues& v = state.values;
    if (v[kEntrySpecialColorControl] >= kChoiceCount) v[kEntrySpecialColorControl] = kChoiceOff;
    v[kEntrySpecialColorOrder] = v[kEntrySpecialColorOrder] == 0 ? 0 : 1;

    wchar_t title[128] = {};
    LoadStringW(ModuleHandle, IDS_SPECIAL_TONER_TITLE + map.SpecialTonerKind, title, 128);
    SetControlText(dialog, IDC_TONER_TITLE, title);
    // The finish list needs the feature; the mirror row needs the core's mirror item.
    if (!FillOptionList(dialog, IDC_TONER_FINISH_LIST, map, kEntryClearOutputMode)) {
        DestroyControlRange(dialog, IDC_TONER_FINISH_LABEL, IDC_TONER_FINISH_LIST);
    }
    if (!HasItem(map, kEntryCoreItem423)) {
        DestroyControlRange(dialog, IDC_TONER_MIRROR, IDC_TONER_MIRROR_ICON);
    }
}

// Choice 5 and the special colour space exclude each other: the user confirms that the colour
// space goes off at once, or keeps the previous choice.
void Choose(HWND dialog, ColorDetailState& state, DWORD choice) {
    DriverItemMap& map = *state.map;
    DWORD& chosen = state.values[kEntrySpecialColorControl];
    if (choice == kChoiceWholePage && map.WantedValue[kEntrySpecialColorSpace] != 0) {
        if (ConfirmExclusion(dialog, IDS_SPECIAL_TONER_CHOICE_OFF)) {
            map.WantedValue[kEntrySpecialColorSpace] = 0;
        } else {
            choice = chosen;
        }
    }
    chosen = choice;
    Refresh(dialog, state);
    MarkOpeningPageChanged(dialog, state);
}

void AfterDefaults(HWND, ColorDetailState& state) { state.values[kEntryCoreItem423] = kMirrorOff; }

void ChooseOrder(HWND dialog, ColorDetailState& state, bool under) {
    state.values[kEntrySpecialColorOrder] = under ? 0 : 1;
    Refresh(dialog, state);
    MarkOpeningPageChanged(dialog, state);
}

bool OnCommand(HWND dialog, ColorDetailState& state, int id, int code) {
    if (code != BN_CLICKED) return false;
    if (id >= IDC_TONER_CHOICE_FIRST && id <= IDC_TONER_CHOICE_PICTURE_LAST) {
        const int first =
            id <= IDC_TONER_CHOICE_LAST ? IDC_TONER_CHOICE_FIRST : IDC_TONER_CHOICE_PICTURE_FIRST;
        Choose(dialog, state, static_cast<DWORD>(id - first));
        return true;
    }
    switch (id) {
        case IDC_TONER_ORDER_UNDER:
        case IDC_TONER_ORDER_PICTURE_UNDER:
            ChooseOrder(dialog, state, true);
            return true;
        case IDC_TONER_ORDER_OVER:
        case IDC_TONER_ORDER_PICTURE_OVER:
            ChooseOrder(dialog, state, false);
            return true;
        default:
            return false;
    }
}

bool DrawPicture(HWND dialog, ColorDetailState& state, const DRAWITEMSTRUCT& item) {
    const int id = static_cast<int>(item.CtlID);
    const int bitmap = PictureBitmap(id, state.values);
    if (bitmap == 0) return false;
    // The face is cleared first: the pictures are transparent and replace one another.
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    DrawTransparentBitmap(dialog, ModuleHandle, id, bitmap);
    if ((item.itemState & ODS_FOCUS) != 0) DrawFocusRect(item.hDC, &item.rcItem);
    return true;
}

constexpr ColorDetailParts TonerParts(std::span<const int> features) {
    return {
        .features = features,
        .boxes = kBoxes,
        .lists = kLists,
        .notices = DetailNotices::LeaveOnly,
        .marksChanges = true,
        .open = &Open,
        .refresh = &Refresh,
        .afterDefaults = &AfterDefaults,
        .command = &OnCommand,
        .drawItem = &DrawPicture,
    };
}
constexpr ColorDetailParts kWhiteParts = TonerParts(kWhiteFeatures);
constexpr ColorDetailParts kClearParts = TonerParts(kClearFeatures);

}  // namespace

INT_PTR ShowSpecialTonerDialog(HWND page, WORD templateId, DriverItemMap& map) {
    const ColorDetailParts& parts =
        templateId == IDD_SPECIAL_TONER_WHITE ? kWhiteParts : kClearParts;
    return RunColorDetailDialog(page, templateId, parts, map);
}

}  // namespace oemui
