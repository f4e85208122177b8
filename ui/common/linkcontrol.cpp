#include "ui/common/linkcontrol.h"

#include <commctrl.h>

#include "base/handles.h"

namespace oemui {

namespace {

constexpr UINT_PTR kLinkSubclassId = 0x4C4E4B;  // "LNK"
constexpr int kTextChars = 512;

void NotifyClicked(HWND link) {
    SendMessageW(GetParent(link), WM_COMMAND,
                 MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(link)), BN_CLICKED),
                 reinterpret_cast<LPARAM>(link));
}

LRESULT CALLBACK LinkSubclassProc(HWND link, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                  DWORD_PTR) {
    switch (message) {
        case WM_GETDLGCODE: {
            // Only Enter is asked for; Tab, the arrows and Esc stay with the dialog manager.
            LRESULT code = DefSubclassProc(link, message, wParam, lParam);
            const auto* pending = reinterpret_cast<const MSG*>(lParam);
            if (pending != nullptr && pending->message == WM_KEYDOWN &&
                pending->wParam == VK_RETURN) {
                code |= DLGC_WANTMESSAGE;
            }
            return code;
        }
        case WM_KEYDOWN:
            if (wParam != VK_RETURN) break;
            NotifyClicked(link);
            return 0;
        case WM_CHAR:
            if (wParam == L'\r') return 0;  // the key was handled on its way down
            break;
        case WM_NCDESTROY:
            RemoveWindowSubclass(link, &LinkSubclassProc, kLinkSubclassId);
            break;
        default:
            break;
    }
    return DefSubclassProc(link, message, wParam, lParam);
}

// Links are blue as they always were; with high contrast on, the scheme's link colour.
COLORREF LinkColour(bool disabled) {
    if (disabled) return GetSysColor(COLOR_GRAYTEXT);
    HIGHCONTRASTW contrast = {sizeof(contrast), 0, nullptr};
    if (SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof(contrast), &contrast, 0) &&
        (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0) {
        return GetSysColor(COLOR_HOTLIGHT);
    }
    return RGB(0, 0, 255);
}

bool ShowsFocus(const DRAWITEMSTRUCT& item) {
    return (item.itemState & ODS_FOCUS) != 0 && (item.itemState & ODS_NOFOCUSRECT) == 0;
}

}  // namespace

void MakeKeyboardLink(HWND link) {
    if (link != nullptr) SetWindowSubclass(link, &LinkSubclassProc, kLinkSubclassId, 0);
}

void DrawLinkText(const DRAWITEMSTRUCT& item) {
    HDC dc = item.hDC;
    // The dialog's background, as it gives it to its statics (a themed page gives its own).
    auto background = reinterpret_cast<HBRUSH>(
        SendMessageW(GetParent(item.hwndItem), WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(item.hwndItem)));
    FillRect(dc, &item.rcItem,
             background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
    wchar_t text[kTextChars] = {};
    GetWindowTextW(item.hwndItem, text, kTextChars);
    if (text[0] == L'\0') return;
    const auto font = reinterpret_cast<HFONT>(SendMessageW(item.hwndItem, WM_GETFONT, 0, 0));
    SelectGuard useFont(dc, font);
    constexpr UINT kFormat = DT_LEFT | DT_TOP | DT_WORDBREAK | DT_NOPREFIX | DT_EDITCONTROL;
    // The focus rectangle goes around the text, one pixel out, inside the control.
    RECT bounds = item.rcItem;
    InflateRect(&bounds, -1, -1);
    RECT used = bounds;
    DrawTextW(dc, text, -1, &used, kFormat | DT_CALCRECT);
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    const COLORREF oldColour = SetTextColor(dc, LinkColour((item.itemState & ODS_DISABLED) != 0));
    DrawTextW(dc, text, -1, &bounds, kFormat);
    SetTextColor(dc, oldColour);
    SetBkMode(dc, oldMode);
    if (ShowsFocus(item)) {
        RECT focus = {used.left - 1, used.top - 1, used.right + 1, used.bottom + 1};
        IntersectRect(&focus, &focus, &item.rcItem);
        DrawFocusRect(dc, &focus);
    }
}

void DrawFocusCue(const DRAWITEMSTRUCT& item) {
    if (ShowsFocus(item)) DrawFocusRect(item.hDC, &item.rcItem);
}

}  // namespace oemui
