#include "ui/watermark/editordialog.h"

#include <commctrl.h>
#include <imm.h>
#include <strsafe.h>

#include <cwchar>

#include "docprop/itemmap.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"
#include "ui/watermark/fontdialog.h"
#include "ui/watermark/preview.h"
#include "ui/watermark/watermarks.h"
#include "wmdialog_ids.h"
#include "wmeditor_ids.h"

#if !defined(_WIN64)
static_assert(sizeof(CHOOSECOLORW) == 36, "CHOOSECOLORW of 32-bit Windows");
#endif

namespace oemui {

namespace {

constexpr int kPositionCount = 7;
constexpr int kOffsetTextChars = 64;

// The editor works on the Working record of the sheet's list; it marks no page changed (the
// Watermarks dialog does once it takes the edit).
struct EditorState : DialogContext {};

WatermarkRecord* WorkingOf(DriverItemMap* map) {
    return map != nullptr ? map->Watermarks.Working : nullptr;
}

// Sizes, angles and adjustments are typed as plain digits: no input method composition.
void DetachInputMethod(HWND dialog, int id) {
    ImmAssociateContext(FindControl(dialog, id), nullptr);
}

// Sends the dialog the scroll message that moves scroll bar `barId` to `position`.
void ScrollTo(HWND dialog, int barId, int position) {
    SendMessageW(dialog, WM_HSCROLL,
                 MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(static_cast<INT16>(position))),
                 reinterpret_cast<LPARAM>(FindControl(dialog, barId)));
}

// Reads one X/Y adjustment edit into `value`; its up-down follows. Nothing happens while the
// edit holds no digit (empty, or a "-" about to start a negative number).
void ReadOffset(HWND dialog, int editId, int spinId, INT32& value) {
    HWND edit = FindControl(dialog, editId);
    if (edit == nullptr) return;
    wchar_t text[kOffsetTextChars + 1] = {};
    GetWindowTextW(edit, text, ARRAYSIZE(text));
    if (text[0] == L'\0') return;
    wchar_t kept[kOffsetTextChars + 1] = {};
    bool dropped = false;
    const size_t keptCount = KeepOffsetChars(text, kept, ARRAYSIZE(kept), dropped);
    const bool hasDigit = keptCount > 0 && !(keptCount == 1 && kept[0] == L'-');
    long number = hasDigit ? std::wcstol(kept, nullptr, 10) : 0;
    const bool clamped = number < kWatermarkOffsetMin || number > kWatermarkOffsetMax;
    if (number < kWatermarkOffsetMin) number = kWatermarkOffsetMin;
    if (number > kWatermarkOffsetMax) number = kWatermarkOffsetMax;

    if (hasDigit) {
        value = static_cast<INT32>(number);
        HWND spin = FindControl(dialog, spinId);
        if (spin != nullptr && SendMessageW(spin, UDM_GETPOS32, 0, 0) != number) {
            SendMessageW(spin, UDM_SETPOS32, 0, number);
        }
    }
    // The edit shows what was taken: the kept characters, or the bound a value was clamped to.
    wchar_t shown[kOffsetTextChars + 1] = {};
    if (clamped) {
        IntToDecimal(number, shown, ARRAYSIZE(shown));
    } else {
        StringCchCopyW(shown, ARRAYSIZE(shown), kept);
    }
    wchar_t now[kOffsetTextChars + 1] = {};
    GetWindowTextW(edit, now, ARRAYSIZE(now));
    if (std::wcscmp(now, shown) != 0) SetWindowTextW(edit, shown);
    if (dropped || clamped) {
        const WPARAM caret = wcslen(shown);
        SendMessageW(edit, EM_SETSEL, caret, static_cast<LPARAM>(caret));
    }
}

void OnInitDialog(HWND dialog, DriverItemMap* map) {
    ApplyContextHelpStyle(dialog);

    SendToControl(dialog, IDC_WMED_TEXT, EM_LIMITTEXT, kWatermarkTextChars - 1, 0);
    SetScrollRange(FindControl(dialog, IDC_WMED_SIZE_BAR), SB_CTL, kWatermarkSizeMin,
                   kWatermarkSizeMax, FALSE);
    SetScrollRange(FindControl(dialog, IDC_WMED_ANGLE_BAR), SB_CTL, kWatermarkAngleMin,
                   kWatermarkAngleMax, FALSE);
    for (int id : {IDC_WMED_X, IDC_WMED_Y}) {
        SendToControl(dialog, id, EM_LIMITTEXT, kOffsetEditChars, 0);
    }
    for (int id : {IDC_WMED_X_SPIN, IDC_WMED_Y_SPIN}) {
        SendToControl(dialog, id, UDM_SETRANGE, 0,
                      MAKELPARAM(static_cast<WORD>(kWatermarkOffsetMax),
                                 static_cast<WORD>(static_cast<INT16>(kWatermarkOffsetMin))));
    }

    for (int i = 0; i < kPositionCount; ++i) {
        wchar_t text[64] = {};
        LoadStringW(ModuleHandle, IDS_POSITION_FIRST + i, text, ARRAYSIZE(text));
        const LRESULT at = SendToControl(dialog, IDC_WMED_POSITION, CB_ADDSTRING, 0,
                                         reinterpret_cast<LPARAM>(text));
        if (at >= 0) SendToControl(dialog, IDC_WMED_POSITION, CB_SETITEMDATA, at, i);
    }

    WatermarkList& list = map->Watermarks;
    CopyWatermark(*list.Working, *SelectedWatermark(list));
    BlankNoneText(list);
    RefreshWatermarkControls(dialog, map);
    // Setting the text has already done this through EN_UPDATE; it must hold in any case.
    EnableControl(dialog, IDOK, list.Working->Text[0] != L'\0');
}

void OnOk(HWND dialog, DriverItemMap* map) {
    ReadEditorControls(dialog, map);
    WatermarkRecord* working = WorkingOf(map);
    // Enter reaches OK even while the button is disabled: a watermark needs its text.
    if (working->Text[0] == L'\0') {
        MessageBeep(0xFFFFFFFF);
        return;
    }
    ResolveFontName(*working, map->Watermarks.FontFile);
    EndDialog(dialog, IDOK);
}

void OnColor(HWND dialog, DriverItemMap* map) {
    WatermarkRecord* working = WorkingOf(map);
    WatermarkList& list = map->Watermarks;
    LoadCustomColors(list.CustomColors, list);
    CHOOSECOLORW chooser;
    BuildColorChooser(dialog, working->Color, list.CustomColors, chooser);
    if (ChooseColorW(&chooser)) working->Color = chooser.rgbResult;
    const SaveResult saved = SaveCustomColors(list.CustomColors, list);
    if (!saved) ReportSaveFailure(dialog, list.DataFile, saved.error);
    ReadAndPreview(dialog, map);
}

void OnFont(HWND dialog, DriverItemMap* map) {
    WatermarkRecord* working = WorkingOf(map);
    FontDialogState font;
    font.map = map;
    LoadFontChoice(font, *working);
    if (ShowWatermarkFontDialog(dialog, font) != IDOK) return;
    StoreFontChoice(font, *working);
    ScrollTo(dialog, IDC_WMED_SIZE_BAR, working->Size);
    ReadAndPreview(dialog, map);
}

void OnText(HWND dialog, DriverItemMap* map, int notifyCode) {
    DetachInputMethod(dialog, IDC_WMED_TEXT);
    if (notifyCode != EN_UPDATE) return;
    ReadAndPreview(dialog, map);
    EnableControl(dialog, IDOK, WorkingOf(map)->Text[0] != L'\0');
}

// The size and angle edits take digits only (the angle a sign too), within their ranges; their
// scroll bars follow what is typed.
void OnSizeOrAngle(HWND dialog, DriverItemMap* map, int id, int notifyCode) {
    DetachInputMethod(dialog, IDC_WMED_SIZE);
    DetachInputMethod(dialog, IDC_WMED_ANGLE);
    const bool isSize = id == IDC_WMED_SIZE;
    FilterNumericEdit(dialog, notifyCode, id, isSize ? kEditorDefaultSize : kEditorDefaultAngle,
                      isSize ? kWatermarkSizeMin : kWatermarkAngleMin,
                      isSize ? kWatermarkSizeMax : kWatermarkAngleMax,
                      map->Watermarks.SavedEditText, kWatermarkEditTextChars,
                      isSize ? FALSE : TRUE);
    if (notifyCode == EN_CHANGE) {
        const int value = isSize ? static_cast<int>(GetDlgItemInt(dialog, id, nullptr, FALSE))
                                 : static_cast<int>(GetDlgItemInt(dialog, id, nullptr, TRUE));
        SetScrollPos(FindControl(dialog, isSize ? IDC_WMED_SIZE_BAR : IDC_WMED_ANGLE_BAR), SB_CTL,
                     value, TRUE);
    }
    ReadAndPreview(dialog, map);
}

void OnOffset(HWND dialog, DriverItemMap* map) {
    DetachInputMethod(dialog, IDC_WMED_X);
    DetachInputMethod(dialog, IDC_WMED_Y);
    ReadAndPreview(dialog, map);
}

void OnBorder(HWND dialog, DriverItemMap* map, int id) {
    WorkingOf(map)->Border = static_cast<INT16>(id - IDC_WMED_BORDER_NONE);
    ReadAndPreview(dialog, map);
}

void OnPosition(HWND dialog, DriverItemMap* map, int notifyCode) {
    if (notifyCode != CBN_SELCHANGE) return;
    const LRESULT at = SendToControl(dialog, IDC_WMED_POSITION, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return;
    WatermarkRecord* working = WorkingOf(map);
    // A new position starts without adjustment.
    working->OffsetX = 0;
    SetDlgItemInt(dialog, IDC_WMED_X, 0, TRUE);
    working->OffsetY = 0;
    SetDlgItemInt(dialog, IDC_WMED_Y, 0, TRUE);
    working->Position =
        static_cast<INT16>(SendToControl(dialog, IDC_WMED_POSITION, CB_GETITEMDATA, at, 0));
    ReadAndPreview(dialog, map);
}

void OnCommand(HWND dialog, DriverItemMap* map, int id, int notifyCode) {
    switch (id) {
        case IDOK:
            OnOk(dialog, map);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
        case IDC_WMED_TEXT:
            OnText(dialog, map, notifyCode);
            break;
        case IDC_WMED_SIZE:
        case IDC_WMED_ANGLE:
            OnSizeOrAngle(dialog, map, id, notifyCode);
            break;
        case IDC_WMED_FONT:
            OnFont(dialog, map);
            break;
        case IDC_WMED_COLOR:
            OnColor(dialog, map);
            break;
        case IDC_WMED_X:
        case IDC_WMED_Y:
            OnOffset(dialog, map);
            break;
        case IDC_WMED_BORDER_NONE:
        case IDC_WMED_BORDER_CIRCLE:
        case IDC_WMED_BORDER_SINGLE:
        case IDC_WMED_BORDER_DOUBLE:
            OnBorder(dialog, map, id);
            break;
        case IDC_WMED_POSITION:
            OnPosition(dialog, map, notifyCode);
            break;
        default:
            break;
    }
}

// Scroll bars move by 1 (arrows) or 10 (page) and take a released thumb's position; a thumb
// being dragged changes nothing. The up-downs have already set their edits: only re-read.
void OnScroll(HWND dialog, DriverItemMap* map, int code, int thumb, HWND control) {
    const int id = GetDlgCtrlID(control);
    if (id == IDC_WMED_SIZE_BAR || id == IDC_WMED_ANGLE_BAR) {
        int position = GetScrollPos(control, SB_CTL);
        switch (code) {
            case SB_LINELEFT:
                position -= 1;
                break;
            case SB_LINERIGHT:
                position += 1;
                break;
            case SB_PAGELEFT:
                position -= 10;
                break;
            case SB_PAGERIGHT:
                position += 10;
                break;
            case SB_THUMBPOSITION:
                position = thumb;
                break;
            default:
                break;
        }
        const bool isSize = id == IDC_WMED_SIZE_BAR;
        const int low = isSize ? kWatermarkSizeMin : kWatermarkAngleMin;
        const int high = isSize ? kWatermarkSizeMax : kWatermarkAngleMax;
        if (position < low) position = low;
        if (position > high) position = high;
        if (code != SB_ENDSCROLL) SetScrollPos(control, SB_CTL, position, TRUE);
        SetDlgItemInt(dialog, isSize ? IDC_WMED_SIZE : IDC_WMED_ANGLE, static_cast<UINT>(position),
                      isSize ? FALSE : TRUE);
    }
    ReadAndPreview(dialog, map);
}

}  // namespace

std::size_t KeepOffsetChars(const wchar_t* text, wchar_t* kept, std::size_t keptChars,
                            bool& dropped) {
    dropped = false;
    if (kept == nullptr || keptChars == 0) return 0;
    std::size_t count = 0;
    for (std::size_t i = 0; text != nullptr && text[i] != L'\0'; ++i) {
        const wchar_t c = text[i];
        const bool keep = (c >= L'0' && c <= L'9') || (c == L'-' && i == 0);
        if (keep && count + 1 < keptChars) {
            kept[count++] = c;
        } else {
            dropped = true;
        }
    }
    kept[count] = L'\0';
    return count;
}

void BuildColorChooser(HWND owner, COLORREF initial, COLORREF* customColors,
                       CHOOSECOLORW& chooser) {
    chooser = {};
    chooser.lStructSize = sizeof(chooser);
    chooser.hwndOwner = owner;
    chooser.rgbResult = initial;
    chooser.lpCustColors = customColors;
    chooser.Flags = CC_RGBINIT | CC_FULLOPEN;
}

void RefreshWatermarkControls(HWND dialog, DriverItemMap* map) {
    if (map == nullptr) return;
    WatermarkList& list = map->Watermarks;
    const WatermarkRecord* selected = SelectedWatermark(list);
    if (selected == nullptr) return;

    if (HWND listBox = FindControl(dialog, IDC_WMDLG_LIST)) {
        SendMessageW(listBox, LB_RESETCONTENT, 0, 0);
        for (int i = 0; i <= list.Count && i < kWatermarkSlots; ++i) {
            if (list.Records[i] == nullptr) break;
            SendMessageW(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(list.Records[i]->Text));
        }
        SendMessageW(listBox, LB_SETCURSEL, static_cast<WPARAM>(list.Selected), 0);
    }
    if (HasControl(dialog, IDC_WMDLG_FIRST_PAGE)) {
        SetTicked(dialog, IDC_WMDLG_FIRST_PAGE, selected->FirstPageOnly != 0);
    }
    if (HasControl(dialog, IDC_WMDLG_BACKGROUND)) {
        SetTicked(dialog, IDC_WMDLG_BACKGROUND, selected->Background != 0);
    }

    if (HasControl(dialog, IDC_WMED_TEXT)) {
        // The record's text is copied bounded: a damaged record may lack its terminator.
        wchar_t text[kWatermarkTextChars] = {};
        if (list.Selected != 0)
            StringCchCopyNW(text, ARRAYSIZE(text), selected->Text, kWatermarkTextChars - 1);
        SetControlText(dialog, IDC_WMED_TEXT, text);
        ScrollTo(dialog, IDC_WMED_SIZE_BAR, selected->Size);
        ScrollTo(dialog, IDC_WMED_ANGLE_BAR, selected->Angle);
        SetDlgItemInt(dialog, IDC_WMED_X, static_cast<UINT>(selected->OffsetX), TRUE);
        SetDlgItemInt(dialog, IDC_WMED_Y, static_cast<UINT>(selected->OffsetY), TRUE);
        const int position = selected->Position >= 0 && selected->Position < kPositionCount
                                 ? selected->Position
                                 : -1;
        SendToControl(dialog, IDC_WMED_POSITION, CB_SETCURSEL, static_cast<WPARAM>(position), 0);
        const int border = selected->Border;
        for (int id = IDC_WMED_BORDER_NONE; id <= IDC_WMED_BORDER_DOUBLE; ++id) {
            SetTicked(dialog, id, id - IDC_WMED_BORDER_NONE == border);
        }
    }
    DrawWatermarkPreview(dialog, kPreviewControlId, map);
}

void ReadEditorControls(HWND editor, DriverItemMap* map) {
    WatermarkRecord* working = WorkingOf(map);
    if (working == nullptr) return;
    const WatermarkRecord* selected = SelectedWatermark(map->Watermarks);

    GetDlgItemTextW(editor, IDC_WMED_TEXT, working->Text, kWatermarkTextChars);

    BOOL isNumber = FALSE;
    const UINT size = GetDlgItemInt(editor, IDC_WMED_SIZE, &isNumber, FALSE);
    working->Size = isNumber ? static_cast<INT32>(size) : selected->Size;
    const int angle = static_cast<int>(GetDlgItemInt(editor, IDC_WMED_ANGLE, &isNumber, TRUE));
    working->Angle = isNumber ? static_cast<INT16>(angle) : selected->Angle;

    ReadOffset(editor, IDC_WMED_X, IDC_WMED_X_SPIN, working->OffsetX);
    ReadOffset(editor, IDC_WMED_Y, IDC_WMED_Y_SPIN, working->OffsetY);
}

void ReadAndPreview(HWND editor, DriverItemMap* map) {
    ReadEditorControls(editor, map);
    DrawWatermarkPreview(editor, kPreviewControlId, map);
}

INT_PTR CALLBACK WatermarkEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<EditorState*>(lParam);
        DriverItemMap* map = state != nullptr ? state->map : nullptr;
        if (map == nullptr || map->Watermarks.Working == nullptr ||
            SelectedWatermark(map->Watermarks) == nullptr) {
            EndDialog(dialog, IDCANCEL);  // nothing to edit
            return TRUE;
        }
        AttachDialogState<EditorState>(dialog, lParam);
        OnInitDialog(dialog, map);
        return TRUE;
    }
    const EditorState* state = DialogStateOf<EditorState>(dialog);
    if (state == nullptr) return FALSE;
    DriverItemMap* map = state->map;
    switch (message) {
        case WM_COMMAND:
            OnCommand(dialog, map, LOWORD(wParam), HIWORD(wParam));
            return TRUE;
        case WM_HSCROLL:
        case WM_VSCROLL:
            OnScroll(dialog, map, LOWORD(wParam), static_cast<INT16>(HIWORD(wParam)),
                     reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_DRAWITEM:
            ReadAndPreview(dialog, map);
            return TRUE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(map, message, wParam, lParam) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowWatermarkEditor(HWND owner, DriverItemMap* map) {
    EditorState state;
    state.map = map;
    const INT_PTR result =
        DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_WATERMARK_EDITOR), owner,
                        &WatermarkEditorProc, reinterpret_cast<LPARAM>(&state));
    return result == IDOK ? IDOK : IDCANCEL;
}

}  // namespace oemui
