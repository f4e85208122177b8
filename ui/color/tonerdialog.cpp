#include "ui/color/tonerdialog.h"

#include <prsht.h>

#include "colortoner_ids.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/color/colordetail.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

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

struct SpecialTonerState : DialogContext {
    DWORD choice = 0;       // VRSpecialColorControl
    DWORD order = 0;        // VRSpecialColorOrder (white toner)
    DWORD clearOutput = 0;  // VRClearOutputMode (clear toner)
    DWORD mirror = 0;       // core item 423
};

bool IsWhite(HWND dialog) { return HasControl(dialog, IDC_TONER_ORDER_GROUP); }

// The bitmap a picture control shows, 0 for controls that are not pictures.
int PictureBitmap(int id, const SpecialTonerState& state) {
    if (id >= IDC_TONER_CHOICE_PICTURE_FIRST && id <= IDC_TONER_CHOICE_PICTURE_LAST) {
        return IDB_TONER_CHOICE_FIRST + (id - IDC_TONER_CHOICE_PICTURE_FIRST);
    }
    switch (id) {
        case IDC_TONER_PREVIEW_PAGE: return IDB_TONER_PAGE;
        case IDC_TONER_PREVIEW_ARROW: return IDB_TONER_ARROW;
        case IDC_TONER_PREVIEW_RESULT: return IDB_TONER_ARROW + static_cast<int>(state.choice);
        case IDC_TONER_ORDER_PICTURE_UNDER: return IDB_TONER_ORDER_UNDER;
        case IDC_TONER_ORDER_PICTURE_OVER: return IDB_TONER_ORDER_OVER;
        case IDC_TONER_ORDER_PICTURE:
            return state.order == 0 ? IDB_TONER_LAYERS_UNDER : IDB_TONER_LAYERS_OVER;
        default: return 0;
    }
}

// Pictures that change with the working values are redrawn on a clean face.
void RedrawPicture(HWND dialog, int id) {
    if (HWND picture = GetDlgItem(dialog, id)) InvalidateRect(picture, nullptr, TRUE);
}

void Refresh(HWND dialog, SpecialTonerState& state) {
    const DriverItemMap& map = *state.map;
    const bool used = state.choice != kChoiceOff && state.choice != kChoiceAutomatic;
    if (IsWhite(dialog)) {
        EnableControlRange(dialog, IDC_TONER_ORDER_GROUP, IDC_TONER_ORDER_PICTURE_OVER,
                           used ? TRUE : FALSE);
    } else {
        EnableControlRange(dialog, IDC_TONER_FINISH_LABEL, IDC_TONER_FINISH_LIST,
                           used && HasItem(map, kEntryClearOutputMode) ? TRUE : FALSE);
    }
    if (HasItem(map, kEntryClearOutputMode)) {
        SelectListItem(dialog, IDC_TONER_FINISH_LIST, state.clearOutput);
    }
    if (HasItem(map, kEntryCoreItem423) && HasControl(dialog, IDC_TONER_MIRROR)) {
        SetTicked(dialog, IDC_TONER_MIRROR, state.mirror == kMirrorOn);
        const int iconId = state.mirror == kMirrorOn ? IDI_PREVIEW_MIRROR : IDI_PREVIEW_NORMAL;
        HICON icon = static_cast<HICON>(LoadImageW(ModuleHandle, MAKEINTRESOURCEW(iconId),
                                                   IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        SendDlgItemMessageW(dialog, IDC_TONER_MIRROR_ICON, STM_SETICON,
                            reinterpret_cast<WPARAM>(icon), 0);
    }
    CheckRadioButton(dialog, IDC_TONER_CHOICE_FIRST, IDC_TONER_CHOICE_LAST,
                     IDC_TONER_CHOICE_FIRST + static_cast<int>(state.choice));
    const int show = state.choice != kChoiceOff ? SW_SHOW : SW_HIDE;
    if (HWND arrow = GetDlgItem(dialog, IDC_TONER_PREVIEW_ARROW)) ShowWindow(arrow, show);
    if (HWND result = GetDlgItem(dialog, IDC_TONER_PREVIEW_RESULT)) ShowWindow(result, show);
    RedrawPicture(dialog, IDC_TONER_PREVIEW_RESULT);
    if (IsWhite(dialog)) {
        CheckRadioButton(dialog, IDC_TONER_ORDER_UNDER, IDC_TONER_ORDER_OVER,
                         IDC_TONER_ORDER_UNDER + (state.order == 0 ? 0 : 1));
        RedrawPicture(dialog, IDC_TONER_ORDER_PICTURE);
    }
    if (IsReadOnlySheet(map)) RestrictControlRange(dialog, IDC_DEFAULT, IDC_DEFAULT, FALSE);
}

void InitDialog(HWND dialog, LPARAM lParam) {
    auto* state = AttachDialogState<SpecialTonerState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    if (state == nullptr || state->map == nullptr) return;
    const DriverItemMap& map = *state->map;

    state->clearOutput = map.WantedValue[kEntryClearOutputMode];
    state->choice = map.WantedValue[kEntrySpecialColorControl];
    if (state->choice >= kChoiceCount) state->choice = kChoiceOff;
    state->mirror = map.WantedValue[kEntryCoreItem423];
    state->order = map.WantedValue[kEntrySpecialColorOrder] == 0 ? 0 : 1;

    wchar_t title[128] = {};
    LoadStringW(ModuleHandle, IDS_SPECIAL_TONER_TITLE + SpecialTonerKind, title, 128);
    SetDlgItemTextW(dialog, IDC_TONER_TITLE, title);
    // The finish list needs the feature; the mirror row needs the core's mirror item.
    if (!FillOptionList(dialog, IDC_TONER_FINISH_LIST, map, kEntryClearOutputMode)) {
        DestroyControlRange(dialog, IDC_TONER_FINISH_LABEL, IDC_TONER_FINISH_LIST);
    }
    if (!HasItem(map, kEntryCoreItem423)) {
        DestroyControlRange(dialog, IDC_TONER_MIRROR, IDC_TONER_MIRROR_ICON);
    }
    Refresh(dialog, *state);
}

// Choice 5 and the special colour space exclude each other: the user confirms that the colour
// space goes off at once, or keeps the previous choice.
void Choose(HWND dialog, SpecialTonerState& state, DWORD choice) {
    DriverItemMap& map = *state.map;
    if (choice == kChoiceWholePage && map.WantedValue[kEntrySpecialColorSpace] != 0) {
        const int answer = MessageBoxById(dialog, IDS_SPECIAL_TONER_CHOICE_OFF,
                                          IDS_CAPTION_WARNING, MB_OKCANCEL | MB_ICONEXCLAMATION);
        if (answer == IDOK) {
            map.WantedValue[kEntrySpecialColorSpace] = 0;
        } else {
            choice = state.choice;
        }
    }
    state.choice = choice;
    Refresh(dialog, state);
    MarkOpeningPageChanged(dialog, state);
}

void RestoreDefaults(HWND dialog, SpecialTonerState& state) {
    state.choice = kChoiceOff;
    state.mirror = kMirrorOff;
    if (IsWhite(dialog)) {
        state.order = 0;
    } else {
        state.clearOutput = 0;
    }
    Refresh(dialog, state);
}

void StoreAndClose(HWND dialog, SpecialTonerState& state) {
    DriverItemMap& map = *state.map;
    // A feature the tree lacks keeps its wanted value: the user could not see it.
    const struct {
        int entry;
        DWORD value;
    } kept[] = {{kEntryClearOutputMode, state.clearOutput},
                {kEntrySpecialColorControl, state.choice},
                {kEntryCoreItem423, state.mirror},
                {kEntrySpecialColorOrder, state.order}};
    for (const auto& k : kept) {
        if (HasItem(map, k.entry)) map.WantedValue[k.entry] = k.value;
    }
    EndDialog(dialog, 1);
}

bool OnCommand(HWND dialog, int id, int code) {
    auto* state = DialogStateOf<SpecialTonerState>(dialog);
    if (id == IDCANCEL) {
        EndDialog(dialog, 0);
        return true;
    }
    if (state == nullptr || state->map == nullptr) return false;
    if (id >= IDC_TONER_CHOICE_FIRST && id <= IDC_TONER_CHOICE_PICTURE_LAST) {
        if (code != BN_CLICKED) return false;
        const int first = id <= IDC_TONER_CHOICE_LAST ? IDC_TONER_CHOICE_FIRST
                                                      : IDC_TONER_CHOICE_PICTURE_FIRST;
        Choose(dialog, *state, static_cast<DWORD>(id - first));
        return true;
    }
    switch (id) {
        case IDC_TONER_ORDER_UNDER:
        case IDC_TONER_ORDER_OVER:
        case IDC_TONER_ORDER_PICTURE_UNDER:
        case IDC_TONER_ORDER_PICTURE_OVER:
            if (code != BN_CLICKED) return false;
            state->order = id == IDC_TONER_ORDER_UNDER || id == IDC_TONER_ORDER_PICTURE_UNDER ? 0 : 1;
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_TONER_FINISH_LIST:
            if (code != CBN_SELCHANGE) return false;
            state->clearOutput = ListSelection(dialog, id, state->clearOutput);
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_TONER_MIRROR:
            if (code != BN_CLICKED) return false;
            state->mirror = IsTicked(dialog, id) ? kMirrorOn : kMirrorOff;
            Refresh(dialog, *state);
            MarkOpeningPageChanged(dialog, *state);
            return true;
        case IDC_DEFAULT: RestoreDefaults(dialog, *state); return true;
        case IDOK: StoreAndClose(dialog, *state); return true;
        default: return false;
    }
}

INT_PTR OnDrawItem(HWND dialog, WPARAM id, const DRAWITEMSTRUCT* item) {
    auto* state = DialogStateOf<SpecialTonerState>(dialog);
    if (state == nullptr || state->map == nullptr || item == nullptr) return FALSE;
    const int bitmap = PictureBitmap(static_cast<int>(id), *state);
    if (bitmap == 0) return FALSE;
    // The face is cleared first: the pictures are transparent and replace one another.
    FillRect(item->hDC, &item->rcItem, GetSysColorBrush(COLOR_BTNFACE));
    DrawTransparentBitmap(dialog, ModuleHandle, static_cast<int>(id), bitmap);
    if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(item->hDC, &item->rcItem);
    return TRUE;
}

INT_PTR OnNotify(HWND dialog, const NMHDR* header) {
    auto* state = DialogStateOf<SpecialTonerState>(dialog);
    if (header == nullptr || state == nullptr || state->map == nullptr) return FALSE;
    switch (header->code) {
        case PSN_SETACTIVE:
            Refresh(dialog, *state);
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_KILLACTIVE:
            AnswerColorSheetNotice(dialog, *state->map, header->code, false);
            DeleteColorLinkFont();
            return TRUE;
        default: return FALSE;
    }
}

}  // namespace

INT_PTR ShowSpecialTonerDialog(HWND page, WORD templateId, DriverItemMap& map) {
    SpecialTonerState state;
    state.map = &map;
    return RunColorDetailDialog(page, templateId, &SpecialTonerDialogProc, state);
}

INT_PTR CALLBACK SpecialTonerDialogProc(HWND dialog, UINT message, WPARAM wParam,
                                        LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: InitDialog(dialog, lParam); return TRUE;
        case WM_DRAWITEM:
            return OnDrawItem(dialog, wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_NOTIFY: return OnNotify(dialog, reinterpret_cast<const NMHDR*>(lParam));
        case WM_HELP:
        case WM_CONTEXTMENU: HandleContextHelp(message, wParam, lParam); return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        default: return FALSE;
    }
}

}  // namespace oemui
