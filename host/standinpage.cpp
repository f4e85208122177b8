// The stand-in's own property page (the core driver's remaining options) and the property sheet
// that shows it with the plug-in's pages.
#include "host/sheet.h"

namespace host {

namespace {

constexpr WORD kListId = 1001;
constexpr short kPageWidth = 252;
constexpr short kPageHeight = 218;

// Appends to an in-memory dialog template (WORD stream).
void PutWord(std::vector<WORD>& t, WORD w) { t.push_back(w); }
void PutDword(std::vector<WORD>& t, DWORD d) {
    t.push_back(LOWORD(d));
    t.push_back(HIWORD(d));
}
void PutString(std::vector<WORD>& t, const wchar_t* s) {
    for (; *s != L'\0'; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
}
void AlignDword(std::vector<WORD>& t) {
    if (t.size() % 2 != 0) t.push_back(0);
}
void PutControl(std::vector<WORD>& t, DWORD style, short x, short y, short cx, short cy, WORD id,
                WORD classAtom, const wchar_t* text) {
    AlignDword(t);
    PutDword(t, style | WS_CHILD | WS_VISIBLE);
    PutDword(t, 0);  // extended style
    PutWord(t, static_cast<WORD>(x));
    PutWord(t, static_cast<WORD>(y));
    PutWord(t, static_cast<WORD>(cx));
    PutWord(t, static_cast<WORD>(cy));
    PutWord(t, id);
    PutWord(t, 0xFFFF);
    PutWord(t, classAtom);
    PutString(t, text);
    PutWord(t, 0);  // no creation data
}

std::vector<WORD> BuildPageTemplate() {
    std::vector<WORD> t;
    PutDword(t, DS_SETFONT | WS_CHILD | WS_CAPTION | DS_CONTROL);
    PutDword(t, 0);
    PutWord(t, 2);  // controls
    PutWord(t, 0);
    PutWord(t, 0);
    PutWord(t, static_cast<WORD>(kPageWidth));
    PutWord(t, static_cast<WORD>(kPageHeight));
    PutWord(t, 0);  // no menu
    PutWord(t, 0);  // default class
    PutString(t, L"Advanced");
    PutWord(t, 8);
    PutString(t, L"MS Shell Dlg");
    PutControl(t, SS_LEFT, 7, 7, kPageWidth - 14, 10, 0xFFFF, 0x0082,
               L"&Document and printer options of the driver:");
    PutControl(
        t,
        WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOINTEGRALHEIGHT | LBS_NOTIFY | LBS_USETABSTOPS,
        7, 20, kPageWidth - 14, kPageHeight - 27, kListId, 0x0083, L"");
    return t;
}

CoreDriver::Sheet* SheetOf(HWND page) {
    return reinterpret_cast<CoreDriver::Sheet*>(GetWindowLongPtrW(page, DWLP_USER));
}

INT_PTR CALLBACK StandInPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* psp = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            auto* sheet = reinterpret_cast<CoreDriver::Sheet*>(psp->lParam);
            SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(sheet));
            const int tabs[] = {130};
            SendDlgItemMessageW(page, kListId, LB_SETTABSTOPS, 1, reinterpret_cast<LPARAM>(tabs));
            sheet->FillList(GetDlgItem(page, kListId));
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kListId && HIWORD(wParam) == LBN_DBLCLK) {
                CoreDriver::Sheet* sheet = SheetOf(page);
                const HWND list = GetDlgItem(page, kListId);
                const LRESULT row = SendMessageW(list, LB_GETCURSEL, 0, 0);
                if (sheet == nullptr || row < 0 ||
                    static_cast<size_t>(row) >= sheet->rowItems.size()) {
                    return TRUE;
                }
                const int target = sheet->rowItems[static_cast<size_t>(row)];
                if (target >= 0) {
                    // Step a core item to its next valid selection.
                    LONG low = 0;
                    LONG high = 0;
                    const DWORD index = static_cast<DWORD>(target);
                    if (sheet->tree.SelRange(index, low, high)) {
                        const LONG current = sheet->tree.Item(index).Sel;
                        for (LONG step = 1; step <= high - low + 1; ++step) {
                            const LONG next = low + (current - low + step) % (high - low + 1);
                            if (sheet->owner->UserSelect(index, next)) break;
                        }
                    }
                } else {
                    // A plug-in item: tell the plug-in, as a push button press would.
                    const size_t oem = static_cast<size_t>(-target - 1);
                    if (oem < sheet->oemItems.size()) {
                        sheet->owner->CallTreeCallback(CPSUICB_REASON_SEL_CHANGED,
                                                       &sheet->oemItems[oem], page);
                    }
                }
                sheet->FillList(list);
                SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
                PropSheet_Changed(GetParent(page), page);
                return TRUE;
            }
            return FALSE;
        case WM_NOTIFY: {
            CoreDriver::Sheet* sheet = SheetOf(page);
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (sheet == nullptr || header == nullptr) return FALSE;
            switch (header->code) {
                case PSN_SETACTIVE:
                    sheet->owner->CallTreeCallback(CPSUICB_REASON_SETACTIVE, nullptr, page);
                    sheet->FillList(GetDlgItem(page, kListId));
                    SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
                    return TRUE;
                case PSN_KILLACTIVE:
                    sheet->owner->CallTreeCallback(CPSUICB_REASON_KILLACTIVE, nullptr, page);
                    SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
                    return TRUE;
                case PSN_APPLY:
                    sheet->owner->CallTreeCallback(CPSUICB_REASON_APPLYNOW, nullptr, page);
                    SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
                    return TRUE;
                default:
                    return FALSE;
            }
        }
        default:
            return FALSE;
    }
}

}  // namespace

void CoreDriver::Sheet::FillList(HWND list) {
    if (list == nullptr) return;
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    rowItems.clear();
    auto addRow = [&](const std::wstring& text, int target) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        rowItems.push_back(target);
    };
    for (DWORD i = 0; i < tree.Count(); ++i) {
        if (tree.Item(i).Flags & OPTIF_HIDE) continue;
        std::wstring text = tree.Name(i);
        if (tree.Item(i).pOptType != nullptr) text += L"\t" + tree.SelectionText(i);
        addRow(text, static_cast<int>(i));
    }
    for (DWORD i = 0; i < param.cOEMOptItems && i < oemItems.size(); ++i) {
        const OPTITEM& item = oemItems[i];
        if ((item.Flags & OPTIF_HIDE) || item.pName == nullptr || IS_INTRESOURCE(item.pName)) {
            continue;
        }
        addRow(std::wstring(item.pName) + L"\t(plug-in item)", -static_cast<int>(i) - 1);
    }
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
}

bool CoreDriver::Sheet::BuildPages(std::vector<HPROPSHEETPAGE>& handles) {
    for (CollectedPage& page : pages) {
        auto* psp = reinterpret_cast<PROPSHEETPAGEW*>(page.bytes.data());
        HPROPSHEETPAGE h = CreatePropertySheetPageW(psp);
        if (h != nullptr) handles.push_back(h);
    }
    if (pageTemplate.empty()) pageTemplate = BuildPageTemplate();
    PROPSHEETPAGEW own{};
    own.dwSize = sizeof(own);
    own.dwFlags = PSP_DLGINDIRECT;
    own.hInstance = GetModuleHandleW(nullptr);
    own.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(pageTemplate.data());
    own.pfnDlgProc = &StandInPageProc;
    own.lParam = reinterpret_cast<LPARAM>(this);
    HPROPSHEETPAGE h = CreatePropertySheetPageW(&own);
    if (h != nullptr) handles.push_back(h);
    return !handles.empty();
}

namespace {

void PrepareHeader(CoreDriver::Sheet& s, HWND owner, std::vector<HPROPSHEETPAGE>& handles,
                   PROPSHEETHEADERW& header, DWORD extraFlags) {
    const std::wstring name = s.param.pPrinterName != nullptr ? s.param.pPrinterName : L"";
    s.caption = name + (s.kind == SheetKind::Document ? L" Printing Preferences" : L" Properties");
    header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_NOCONTEXTHELP | extraFlags;
    header.hwndParent = owner;
    header.hInstance = GetModuleHandleW(nullptr);
    header.pszCaption = s.caption.c_str();
    header.nPages = static_cast<UINT>(handles.size());
    header.phpage = handles.data();
}

}  // namespace

INT_PTR CoreDriver::ShowModal(HWND owner) {
    if (sheet_ == nullptr) return -1;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<HPROPSHEETPAGE> handles;
    if (!sheet_->BuildPages(handles)) return -1;
    PROPSHEETHEADERW header;
    PrepareHeader(*sheet_, owner, handles, header, 0);
    sheet_->windowResult = PropertySheetW(&header);
    return sheet_->windowResult;
}

HWND CoreDriver::ShowModeless(HWND owner) {
    if (sheet_ == nullptr) return nullptr;
    if (sheet_->window != nullptr) return sheet_->window;
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    std::vector<HPROPSHEETPAGE> handles;
    if (!sheet_->BuildPages(handles)) return nullptr;
    PROPSHEETHEADERW header;
    PrepareHeader(*sheet_, owner, handles, header, PSH_MODELESS);
    sheet_->window = reinterpret_cast<HWND>(PropertySheetW(&header));
    return sheet_->window;
}

bool CoreDriver::PumpSheet() {
    if (sheet_ == nullptr || sheet_->window == nullptr) return false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (sheet_->window == nullptr || !PropSheet_IsDialogMessage(sheet_->window, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    // A modeless sheet has ended (OK, Cancel, Close) once it has no current page.
    if (PropSheet_GetCurrentPageHwnd(sheet_->window) == nullptr) {
        sheet_->windowResult = PropSheet_GetResult(sheet_->window);
        DestroyWindow(sheet_->window);
        sheet_->window = nullptr;
        return false;
    }
    return true;
}

}  // namespace host
