#include "ui/watermark/watermarksdialog.h"

#include "docprop/itemmap.h"
#include "plugin/devmode.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/watermark/editordialog.h"
#include "ui/watermark/preview.h"
#include "ui/watermark/watermarks.h"
#include "wmdialog_ids.h"

namespace oemui {

namespace {

DriverItemMap* MapOf(HWND dialog) {
    return reinterpret_cast<DriverItemMap*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// The private record of the sheet the dialog was opened for.
PrivateDevmode* SheetDevmode(const DriverItemMap& map) {
    void* record = nullptr;
    if (map.SheetParam != nullptr) {
        record = map.SheetParam->pOEMDM;
    } else if (map.Param != nullptr) {
        record = map.Param->pOEMDM;
    }
    return static_cast<PrivateDevmode*>(record);
}

// The page that opened the dialog on this thread (set by ShowWatermarksDialog). The dialog's
// owner cannot stand in for it: a page is a child of the sheet, so the system makes the sheet
// the owner of a dialog opened under the page, and PSM_CHANGED must name the page itself.
thread_local HWND OpeningPage = nullptr;

void MarkOwnerChanged(HWND dialog) {
    HWND page = OpeningPage != nullptr ? OpeningPage : GetWindow(dialog, GW_OWNER);
    if (page != nullptr) MarkPageChanged(page);
}

void EnableEditAndDelete(HWND dialog, BOOL enable) {
    EnableWindow(GetDlgItem(dialog, IDC_WMDLG_EDIT), enable);
    EnableWindow(GetDlgItem(dialog, IDC_WMDLG_DELETE), enable);
}

// Working becomes a copy of the selected entry again (without text for "None").
void ResetWorking(WatermarkList& list) {
    const WatermarkRecord* selected = SelectedWatermark(list);
    if (list.Working == nullptr || selected == nullptr) return;
    CopyWatermark(*list.Working, *selected);
    BlankNoneText(list);
}

bool OnInitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    // The font list file may have changed since the last opening (a new driver version).
    UpdateWatermarkFontFile(map->IniPath);

    const LONG_PTR exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                      IsVistaOrLater ? (exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTEXTHELP))
                                     : (exStyle | WS_EX_CONTEXTHELP));

    WatermarkList& list = map->Watermarks;
    if (list.IniPath == nullptr) list.IniPath = map->IniPath;
    if (!LoadWatermarkList(dialog, SheetDevmode(*map), list)) return false;
    RefreshWatermarkControls(dialog, map);
    UpdateWatermarkButtons(dialog, map);
    return true;
}

void OnSelectionChange(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    const LRESULT at = SendDlgItemMessageW(dialog, IDC_WMDLG_LIST, LB_GETCURSEL, 0, 0);
    list.Selected = at == LB_ERR || at < 0 || at > list.Count ? 0 : static_cast<INT32>(at);
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    UpdateWatermarkButtons(dialog, map);
    MarkOwnerChanged(dialog);
}

void OnDelete(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    // The button is disabled for "None", but a stray command must not delete anything either.
    if (!DeleteWatermark(list)) return;
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    MarkOwnerChanged(dialog);
    EnableEditAndDelete(dialog, FALSE);
    SetFocus(GetDlgItem(dialog, IDC_WMDLG_NEW));
}

void OnNew(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    if (list.Count >= kMaxWatermarks) {
        MessageBoxById(dialog, IDS_WATERMARK_LIMIT, IDS_CAPTION_WARNING, MB_ICONEXCLAMATION);
        return;
    }
    // The editor starts from the None record: the defaults, with an empty text.
    const INT32 previous = list.Selected;
    list.Selected = 0;
    if (ShowWatermarkEditor(dialog, map) == 1 && AddWatermark(list)) {
        RefreshWatermarkControls(dialog, map);
        MarkOwnerChanged(dialog);
        EnableEditAndDelete(dialog, TRUE);
        return;
    }
    // Cancelled (or no memory for the new entry): the selection stays where it was.
    list.Selected = previous;
    ResetWorking(list);
    RefreshWatermarkControls(dialog, map);
    UpdateWatermarkButtons(dialog, map);
}

void OnEdit(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    // "None" is not edited: it would rename the record every new watermark starts from.
    if (list.Selected < 1 || list.Selected > list.Count) return;
    if (ShowWatermarkEditor(dialog, map) == 1) {
        CopyWatermark(*list.Records[list.Selected], *list.Working);
        RefreshWatermarkControls(dialog, map);
        MarkOwnerChanged(dialog);
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
    UpdateWatermarkButtons(dialog, map);
}

void OnOk(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    DiscardWatermarkBackup(list);
    if (PrivateDevmode* record = SheetDevmode(*map)) ApplyWatermarkToDevmode(*record, list);
    if (list.Records[0] != nullptr) {
        list.NoneBackground = list.Records[0]->Background;
        list.NoneFirstPageOnly = list.Records[0]->FirstPageOnly;
    }
    EndDialog(dialog, 1);
}

void OnCancel(HWND dialog, DriverItemMap* map) {
    WatermarkList& list = map->Watermarks;
    RestoreWatermarkBackup(list);
    ResetWorking(list);
    EndDialog(dialog, 0);
}

void OnCommand(HWND dialog, DriverItemMap* map, int id, int notifyCode) {
    switch (id) {
        case IDC_WMDLG_LIST:
            if (notifyCode == LBN_SELCHANGE) OnSelectionChange(dialog, map);
            break;
        case IDC_WMDLG_DELETE: OnDelete(dialog, map); break;
        case IDC_WMDLG_NEW: OnNew(dialog, map); break;
        case IDC_WMDLG_EDIT: OnEdit(dialog, map); break;
        case IDC_WMDLG_FIRST_PAGE: FlipFlag(dialog, map, true); break;
        case IDC_WMDLG_BACKGROUND: FlipFlag(dialog, map, false); break;
        case IDOK: OnOk(dialog, map); break;
        case IDCANCEL: OnCancel(dialog, map); break;
        default: break;
    }
}

}  // namespace

INT_PTR CALLBACK WatermarksDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* map = reinterpret_cast<DriverItemMap*>(lParam);
        if (map == nullptr || !OnInitDialog(dialog, map)) {
            // Without a list there is nothing to show; the window data stays empty so that
            // no later message touches it.
            SetWindowLongPtrW(dialog, DWLP_USER, 0);
            EndDialog(dialog, 0);
        }
        return TRUE;
    }
    DriverItemMap* map = MapOf(dialog);
    if (map == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, map, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_DRAWITEM:
            DrawWatermarkPreview(dialog, kPreviewControlId);
            if (map->Watermarks.Selected != 0) EnableEditAndDelete(dialog, TRUE);
            return TRUE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(message, wParam, lParam) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowWatermarksDialog(HWND page, DriverItemMap* map) {
    const HWND outerPage = OpeningPage;
    OpeningPage = page;
    const INT_PTR result = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_WATERMARKS), page,
                                           &WatermarksDialogProc, reinterpret_cast<LPARAM>(map));
    OpeningPage = outerPage;
    if (result != 1) return 0;
    if (page != nullptr) MarkPageChanged(page);
    return 1;
}

}  // namespace oemui
