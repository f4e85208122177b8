#include "ui/watermark/watermarksdialog.h"

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"
#include "ui/watermark/editordialog.h"
#include "ui/watermark/preview.h"
#include "ui/watermark/watermarks.h"
#include "wmdialog_ids.h"

namespace oemui {

namespace {

static_assert(IDC_WMDLG_PREVIEW == kPreviewControlId, "one preview drawing serves both dialogs");

// The sheet's map and the page that opened the dialog; the dialog works on the map's list.
struct WatermarksDialogState : DialogContext {};

void EnableEditAndDelete(HWND dialog, bool enable) {
    EnableControl(dialog, IDC_WMDLG_EDIT, enable);
    EnableControl(dialog, IDC_WMDLG_DELETE, enable);
}

// "&Edit..." and "&Delete" serve the user's watermarks only, not "None".
void UpdateEditAndDelete(HWND dialog, const WatermarkList& list) {
    EnableEditAndDelete(dialog, list.Selected != 0);
}

// Working becomes a copy of the selected entry again (without text for "None").
void ResetWorking(WatermarkList& list) {
    const WatermarkRecord* selected = SelectedWatermark(list);
    if (list.Working == nullptr || selected == nullptr) return;
    CopyWatermark(*list.Working, *selected);
    BlankNoneText(list);
}

bool OnInitDialog(HWND dialog, DriverItemMap* map) {
    // The font list file may have changed since the last opening (a new driver version).
    UpdateWatermarkFontFile(map->IniPath, map->Watermarks);
    ApplyContextHelpStyle(dialog);

    WatermarkList& list = map->Watermarks;
    if (list.IniPath == nullptr) list.IniPath = map->IniPath;
    if (list.DataFile == nullptr) list.DataFile = SheetDataFile(*map);
    if (!LoadWatermarkList(dialog, SheetRecord(*map), list)) return false;
    RefreshWatermarkControls(dialog, map);
    UpdateEditAndDelete(dialog, map->Watermarks);
    return true;
}

void OnSelectionChange(HWND dialog, const WatermarksDialogState& state) {
    DriverItemMap* map = state.map;
    WatermarkList& list = map->Watermarks;
    const LRESULT at = SendToControl(dialog, IDC_WMDLG_LIST, LB_GETCURSEL, 0, 0);
    list.Selected = at == LB_ERR || at < 0 || at > list.Count ? 0 : static_cast<INT32>(at);
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    UpdateEditAndDelete(dialog, map->Watermarks);
    MarkOpeningPageChanged(dialog, state);
}

void OnDelete(HWND dialog, const WatermarksDialogState& state) {
    DriverItemMap* map = state.map;
    WatermarkList& list = map->Watermarks;
    // The button is disabled for "None", but a stray command must not delete anything either.
    if (!DeleteWatermark(list)) return;
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    MarkOpeningPageChanged(dialog, state);
    EnableEditAndDelete(dialog, false);
    SetFocus(FindControl(dialog, IDC_WMDLG_NEW));
}

void OnNew(HWND dialog, const WatermarksDialogState& state) {
    DriverItemMap* map = state.map;
    WatermarkList& list = map->Watermarks;
    if (list.Count >= kMaxWatermarks) {
        MessageBoxById(dialog, IDS_WATERMARK_LIMIT, IDS_CAPTION_WARNING, MB_ICONEXCLAMATION);
        return;
    }
    // The editor starts from the None record: the defaults, with an empty text.
    const INT32 previous = list.Selected;
    list.Selected = 0;
    if (ShowWatermarkEditor(dialog, map) == IDOK && AddWatermark(list)) {
        RefreshWatermarkControls(dialog, map);
        MarkOpeningPageChanged(dialog, state);
        EnableEditAndDelete(dialog, true);
        return;
    }
    // Cancelled (or no memory for the new entry): the selection stays where it was.
    list.Selected = previous;
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    UpdateEditAndDelete(dialog, map->Watermarks);
}

void OnEdit(HWND dialog, const WatermarksDialogState& state) {
    DriverItemMap* map = state.map;
    WatermarkList& list = map->Watermarks;
    // "None" is not edited: it would rename the record every new watermark starts from.
    if (list.Selected < 1 || list.Selected > list.Count) return;
    if (ShowWatermarkEditor(dialog, map) == IDOK) {
        CopyWatermark(*list.Records[list.Selected], *list.Working);
        RefreshWatermarkControls(dialog, map);
        MarkOpeningPageChanged(dialog, state);
    } else {
        ResetWorking(list);
    }
}

void FlipFlag(HWND dialog, DriverItemMap* map, bool firstPageOnly) {
    if (WatermarkRecord* selected = SelectedWatermark(map->Watermarks)) {
        if (firstPageOnly) {
            selected->FirstPageOnly = selected->FirstPageOnly != 0 ? 0 : 1;
        } else {
            selected->Background = selected->Background != 0 ? 0 : 1;
        }
    }
    UpdateEditAndDelete(dialog, map->Watermarks);
}

void OnOk(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    DiscardWatermarkBackup(list);
    if (PrivateDevmode* record = SheetRecord(*map)) ApplyWatermarkToDevmode(*record, list);
    if (list.Records[0] != nullptr) {
        list.NoneBackground = list.Records[0]->Background;
        list.NoneFirstPageOnly = list.Records[0]->FirstPageOnly;
    }
    EndDialog(dialog, kWatermarksChosen);
}

void OnCancel(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    RestoreWatermarkBackup(list);
    ResetWorking(list);
    EndDialog(dialog, kWatermarksCancelled);
}

void OnCommand(HWND dialog, const WatermarksDialogState& state, int id, int notifyCode) {
    DriverItemMap* map = state.map;
    switch (id) {
        case IDC_WMDLG_LIST:
            if (notifyCode == LBN_SELCHANGE) OnSelectionChange(dialog, state);
            break;
        case IDC_WMDLG_DELETE:
            OnDelete(dialog, state);
            break;
        case IDC_WMDLG_NEW:
            OnNew(dialog, state);
            break;
        case IDC_WMDLG_EDIT:
            OnEdit(dialog, state);
            break;
        case IDC_WMDLG_FIRST_PAGE:
            FlipFlag(dialog, map, true);
            break;
        case IDC_WMDLG_BACKGROUND:
            FlipFlag(dialog, map, false);
            break;
        case IDOK:
            OnOk(dialog, map);
            break;
        case IDCANCEL:
            OnCancel(dialog, map);
            break;
        default:
            break;
    }
}

}  // namespace

INT_PTR CALLBACK WatermarksDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = AttachDialogState<WatermarksDialogState>(dialog, lParam);
        if (state == nullptr || state->map == nullptr || !OnInitDialog(dialog, state->map)) {
            // Without a list there is nothing to show; the window data stays empty so that
            // no later message touches it.
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            EndDialog(dialog, kWatermarksCancelled);
        }
        return TRUE;
    }
    const WatermarksDialogState* state = DialogStateOf<WatermarksDialogState>(dialog);
    if (state == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, *state, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            DrawWatermarkPreview(dialog, kPreviewControlId, state->map);
            if (state->map->Watermarks.Selected != 0) EnableEditAndDelete(dialog, true);
            return TRUE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(state->map, message, wParam, lParam) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowWatermarksDialog(HWND page, DriverItemMap* map) {
    WatermarksDialogState state;
    state.map = map;
    state.openingPage = page;
    const INT_PTR result = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_WATERMARKS), page,
                                           &WatermarksDialogProc, reinterpret_cast<LPARAM>(&state));
    if (result != kWatermarksChosen) return kWatermarksCancelled;
    if (page != nullptr) MarkPageChanged(page);
    return kWatermarksChosen;
}

}  // namespace oemui
