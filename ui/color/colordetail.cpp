#include "ui/color/colordetail.h"

#include <prsht.h>

#include "plugin/object.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"

namespace oemui {

bool FillOptionList(HWND dialog, int id, const DriverItemMap& map, int entry) {
    if (!HasControl(dialog, id)) return false;
    SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
    // BoundItem checks the index against the tree, so an unbound entry (0xFFFF) is never read.
    const POPTITEM item = BoundItem(map, entry);
    if (item == nullptr || item->pOptType == nullptr || item->pOptType->pOptParam == nullptr) {
        EnableControl(dialog, id, false);
        return false;
    }
    for (WORD i = 0; i < item->pOptType->Count; ++i) {
        const OPTPARAM& option = item->pOptType->pOptParam[i];
        const wchar_t* name =
            option.pData != nullptr && !IS_INTRESOURCE(option.pData) ? option.pData : L"";
        SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
    return true;
}

void SelectListItem(HWND dialog, int id, DWORD index) {
    const LRESULT count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || static_cast<LRESULT>(index) >= count) return;
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
}

DWORD ListSelection(HWND dialog, int id, DWORD fallback) {
    const LRESULT selection = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return selection == CB_ERR || selection < 0 ? fallback : static_cast<DWORD>(selection);
}

INT_PTR RunColorDetailDialog(HWND page, WORD templateId, DLGPROC procedure,
                             DialogContext& state) {
    state.openingPage = page;
    // Owned by the sheet, as the page's other dialogs are.
    HWND sheet = page != nullptr ? GetParent(page) : nullptr;
    return DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(templateId),
                           sheet != nullptr ? sheet : page, procedure,
                           reinterpret_cast<LPARAM>(&state));
}

bool AnswerColorSheetNotice(HWND dialog, DriverItemMap& map, UINT code, bool answersApply) {
    switch (code) {
        case PSN_KILLACTIVE:
            PushDocumentSettings(map);
            SaveColorSettings(dialog, map);
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, FALSE);
            return true;
        case PSN_APPLY:
            if (!answersApply) return false;
            if (map.ComPropSheet != nullptr) {
                map.ComPropSheet(map.SheetHandle, CPSFUNC_SET_RESULT,
                                 reinterpret_cast<LPARAM>(map.ColorPageHandle), CPSUI_OK);
            }
            SetWindowLongPtrW(dialog, DWLP_MSGRESULT, PSNRET_NOERROR);
            return true;
        default:
            return false;
    }
}

}  // namespace oemui
