#include "ui/overlay/defineoverlaydialog.h"

#include <imm.h>
#include <strsafe.h>

#include "defineoverlay_ids.h"
#include "docprop/itemmap.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"
#include "ui/overlay/overlaystore.h"

namespace oemui {

namespace {

// What the edits accept and how much of it is kept.
constexpr int kNameEditLimit = 64;
constexpr int kCustomEditLimit = 255;
constexpr int kNameKeep = static_cast<int>(kOverlayNameChars) - 1;   // 63
constexpr int kCustomKeep = static_cast<int>(kCustomPageChars) - 1;  // 254
constexpr int kMaxPageDigits = 4;                                    // pages 1..9999

// Beeps: a refused keystroke gives the system's simple beep; a message box gets the default
// sound first.
constexpr UINT kRefusedBeep = 0xFFFFFFFF;

}  // namespace

// --- Text filters ---------------------------------------------------------------------------

int FilterCustomPageText(const wchar_t* text, wchar_t* out, std::size_t outChars) {
    if (out == nullptr || outChars == 0) return 0;
    out[0] = L'\0';
    if (text == nullptr) return 0;
    bool digitLast = false;  // the last accepted character was a digit
    bool commaAllowed = false;
    int digits = 0;  // digits of the number being typed
    int dashes = 0;  // dashes since the last comma
    std::size_t kept = 0;
    int removed = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        const wchar_t c = *p;
        bool accept = false;
        if (c >= L'0' && c <= L'9') {
            accept = (c != L'0' || digits > 0) && digits < kMaxPageDigits;
            if (accept) {
                ++digits;
                digitLast = true;
                commaAllowed = true;
            }
        } else if (c == L'-') {
            accept = digitLast && dashes == 0;
            if (accept) {
                ++dashes;
                digitLast = commaAllowed = false;
                digits = 0;
            }
        } else if (c == L',') {
            accept = commaAllowed;
            if (accept) {
                dashes = 0;
                digitLast = commaAllowed = false;
                digits = 0;
            }
        }
        if (accept && kept + 1 < outChars) {
            out[kept++] = c;
        } else {
            ++removed;
        }
    }
    out[kept] = L'\0';
    return removed;
}

void TrimIncompletePageItem(wchar_t* text, std::size_t chars) {
    std::size_t length = 0;
    if (text == nullptr || FAILED(StringCchLengthW(text, chars, &length))) return;
    while (length > 0 && (text[length - 1] == L',' || text[length - 1] == L'-')) {
        text[--length] = L'\0';
    }
}

bool IsRefusedFormNameChar(wchar_t c) {
    if (c <= 0x20) return true;
    switch (c) {
        case 0x22:
        case 0x25:
        case 0x28:
        case 0x29:
        case 0x2A:
        case 0x2F:
        case 0x3A:
        case 0x3C:
        case 0x3E:
        case 0x3F:
        case 0x5B:
        case 0x5C:
        case 0x5D:
        case 0x7B:
        case 0x7C:
        case 0x7D:
            return true;
        default:
            return false;
    }
}

int FilterFormNameText(const wchar_t* text, wchar_t* out, std::size_t outChars) {
    if (out == nullptr || outChars == 0) return 0;
    out[0] = L'\0';
    if (text == nullptr) return 0;
    std::size_t kept = 0;
    int removed = 0;
    for (const wchar_t* p = text; *p != L'\0'; ++p) {
        if (!IsRefusedFormNameChar(*p) && kept + 1 < outChars) {
            out[kept++] = *p;
        } else {
            ++removed;
        }
    }
    out[kept] = L'\0';
    return removed;
}

// --- The dialog -----------------------------------------------------------------------------

namespace {

// The record and store the dialog works on, or null when the context is incomplete.
OverlayRecord* RecordOf(const DriverItemMap* map) {
    if (map == nullptr || map->OverlayStore == nullptr || map->EditIndex < 0 ||
        map->EditIndex >= kMaxDefinedOverlays) {
        return nullptr;
    }
    return map->Overlays[map->EditIndex];
}

HWND FormEdit(HWND dialog) {
    return FindWindowExW(FindControl(dialog, IDC_DOV_FORM_NAME), nullptr, L"EDIT", nullptr);
}

// Reads a control's text, keeping at most `keep` characters.
void ReadText(HWND control, wchar_t* out, int outChars, int keep) {
    out[0] = L'\0';
    if (control == nullptr) return;
    GetWindowTextW(control, out, outChars);
    if (keep >= 0 && keep < outChars) out[keep] = L'\0';
}

void ShowMessage(HWND dialog, UINT textId) {
    MessageBeep(0);
    MessageBoxById(dialog, textId, 0, MB_ICONHAND);
}

int SelectedForm(HWND dialog) {
    const LRESULT index = SendToControl(dialog, IDC_DOV_FORMS, LB_GETCURSEL, 0, 0);
    return index == LB_ERR ? -1 : static_cast<int>(index);
}

void SetCaret(HWND edit, DWORD selectionEnd, int removed) {
    const int caret = static_cast<int>(selectionEnd) - removed;
    const int at = caret < 0 ? 0 : caret;
    SendMessageW(edit, EM_SETSEL, at, at);
}

bool EndsWithDot(const wchar_t* text) {
    std::size_t length = 0;
    if (FAILED(StringCchLengthW(text, kOverlayNameChars, &length)) || length == 0) return false;
    return text[length - 1] == L'.';
}

void SelectPageMode(HWND dialog, WORD mode) {
    SendToControl(dialog, IDC_DOV_PAGEMODE, CB_SETCURSEL, mode, 0);
}

// The record's forms into the list; the first one becomes the form name being typed.
void RefreshFormList(HWND dialog, const OverlayRecord& record) {
    HWND list = FindControl(dialog, IDC_DOV_FORMS);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    wchar_t name[kOverlayNameChars] = {};
    StringCchCopyNW(name, ARRAYSIZE(name), record.FormNames[0], kNameKeep);
    SetControlText(dialog, IDC_DOV_FORM_NAME, name);
    const int count = record.FormCount <= kMaxOverlayForms ? record.FormCount : kMaxOverlayForms;
    for (int k = 0; k < count; ++k) {
        StringCchCopyNW(name, ARRAYSIZE(name), record.FormNames[k], kNameKeep);
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

void FillHistoryList(HWND dialog, const OverlayStore& store) {
    HWND combo = FindControl(dialog, IDC_DOV_FORM_NAME);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    const int count = store.HistoryCount <= kMaxFormHistory ? store.HistoryCount : kMaxFormHistory;
    for (int i = 0; i < count; ++i) {
        wchar_t name[kOverlayNameChars] = {};
        StringCchCopyNW(name, ARRAYSIZE(name), store.History[i], kNameKeep);
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

// Puts the form name being typed at the front of the history: a name used before moves up,
// a new one pushes the others down (the oldest falls off a full history).
void AddFormNameToHistory(HWND dialog, OverlayStore& store) {
    wchar_t name[kOverlayNameChars] = {};
    ReadText(FindControl(dialog, IDC_DOV_FORM_NAME), name, ARRAYSIZE(name), kNameKeep);
    const int count = store.HistoryCount <= kMaxFormHistory ? store.HistoryCount : kMaxFormHistory;
    int from = -1;
    for (int i = 0; i < count && from < 0; ++i) {
        if (wcsncmp(store.History[i], name, kOverlayNameChars) == 0) from = i;
    }
    if (from < 0) {
        if (count < kMaxFormHistory) store.HistoryCount = static_cast<WORD>(count + 1);
        from = store.HistoryCount - 1;
    }
    for (int i = from; i > 0; --i) {
        StringCchCopyNW(store.History[i], kOverlayNameChars, store.History[i - 1], kNameKeep);
    }
    StringCchCopyW(store.History[0], kOverlayNameChars, name);
    FillHistoryList(dialog, store);
    SetControlText(dialog, IDC_DOV_FORM_NAME, name);
}

// Page list edit (EN_UPDATE): refused characters go with one beep, the caret stays where the
// user typed, and the page mode follows whether there is a list.
void FilterCustomPages(HWND dialog, OverlayRecord& record) {
    HWND edit = FindControl(dialog, IDC_DOV_CUSTOM);
    wchar_t text[kCustomEditLimit + 2] = {};
    GetWindowTextW(edit, text, ARRAYSIZE(text));
    if (text[0] == L'\0' && record.PageMode == kPageModeCustom) {
        record.PageMode = kPageModeAll;
        SelectPageMode(dialog, record.PageMode);
        return;
    }
    DWORD selectionEnd = 0;
    SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectionEnd));
    wchar_t kept[kCustomPageChars] = {};
    const int removed = FilterCustomPageText(text, kept, ARRAYSIZE(kept));
    if (removed > 0) {
        MessageBeep(kRefusedBeep);
        SetWindowTextW(edit, kept);
        SetCaret(edit, selectionEnd, removed);
    }
    if (kept[0] != L'\0') {
        record.PageMode = kPageModeCustom;
    } else if (record.PageMode == kPageModeCustom) {
        record.PageMode = kPageModeAll;
    }
    SelectPageMode(dialog, record.PageMode);
}

void UpdateFormButtons(HWND dialog, const OverlayRecord& record, const wchar_t* text) {
    EnableControl(dialog, IDC_DOV_FORM_ADD, CanAddForm(dialog, text, record.FormCount));
    EnableControl(dialog, IDC_DOV_FORM_RENAME, CanRenameForm(dialog, text));
}

// Form name combo box: refused characters go as they are typed; a history pick is checked
// like a typed name.
void FilterFormName(HWND dialog, OverlayRecord& record, int code) {
    HWND combo = FindControl(dialog, IDC_DOV_FORM_NAME);
    if (code == CBN_SELENDOK) {
        const LRESULT index = SendMessageW(combo, CB_GETCURSEL, 0, 0);
        if (index == CB_ERR) return;
        const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
        if (length <= 0 || length > kNameKeep) return;
        wchar_t text[kOverlayNameChars] = {};
        SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
        UpdateFormButtons(dialog, record, text);
        return;
    }
    if (code != CBN_EDITUPDATE) return;
    wchar_t text[kNameEditLimit + 2] = {};
    GetWindowTextW(combo, text, ARRAYSIZE(text));
    if (text[0] == L'\0') {
        EnableControl(dialog, IDC_DOV_FORM_ADD, false);
        EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
        return;
    }
    HWND edit = FormEdit(dialog);
    DWORD selectionEnd = 0;
    if (edit != nullptr) SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectionEnd));
    wchar_t kept[kOverlayNameChars] = {};
    const int removed = FilterFormNameText(text, kept, ARRAYSIZE(kept));
    if (removed > 0) {
        MessageBeep(kRefusedBeep);
        SetWindowTextW(combo, kept);
        if (edit != nullptr) SetCaret(edit, selectionEnd, removed);
    }
    UpdateFormButtons(dialog, record, kept);
}

void AddForm(HWND dialog, OverlayStore& store, OverlayRecord& record) {
    wchar_t text[kOverlayNameChars] = {};
    ReadText(FindControl(dialog, IDC_DOV_FORM_NAME), text, ARRAYSIZE(text), kNameKeep);
    // The button is disabled in these cases; a command sent anyway must not overrun the slots.
    if (!CanAddForm(dialog, text, record.FormCount)) return;
    if (EndsWithDot(text)) {
        ShowMessage(dialog, IDS_FORM_NAME_TRAILING_DOT);
        SetFocus(FindControl(dialog, IDC_DOV_FORM_NAME));
        return;
    }
    AddFormNameToHistory(dialog, store);
    StringCchCopyW(record.FormNames[record.FormCount], kOverlayNameChars, text);
    const LRESULT at =
        SendToControl(dialog, IDC_DOV_FORMS, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (at >= 0) SendToControl(dialog, IDC_DOV_FORMS, LB_SETCURSEL, at, 0);
    ++record.FormCount;
    EnableControl(dialog, IDC_DOV_FORM_ADD, false);
    EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
    EnableControl(dialog, IDC_DOV_FORM_DELETE, true);
    SetFocus(FindControl(dialog, IDC_DOV_FORM_NAME));
}

void RenameForm(HWND dialog, OverlayStore& store, OverlayRecord& record) {
    const int selected = SelectedForm(dialog);
    if (selected < 0 || selected >= record.FormCount) return;
    wchar_t text[kOverlayNameChars] = {};
    ReadText(FindControl(dialog, IDC_DOV_FORM_NAME), text, ARRAYSIZE(text), kNameKeep);
    if (!CanRenameForm(dialog, text)) return;
    if (EndsWithDot(text)) {
        ShowMessage(dialog, IDS_FORM_NAME_TRAILING_DOT);
        SetFocus(FindControl(dialog, IDC_DOV_FORM_NAME));
        return;
    }
    AddFormNameToHistory(dialog, store);
    StringCchCopyW(record.FormNames[selected], kOverlayNameChars, text);
    RefreshFormList(dialog, record);
    SendToControl(dialog, IDC_DOV_FORMS, LB_SETCURSEL, selected, 0);
    EnableControl(dialog, IDC_DOV_FORM_ADD, false);
    EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
    SetFocus(FindControl(dialog, IDC_DOV_FORM_NAME));
}

void DeleteForm(HWND dialog, OverlayRecord& record) {
    const int selected = SelectedForm(dialog);
    if (record.FormCount < 1 || selected < 0 || selected >= record.FormCount) return;
    wchar_t typed[kOverlayNameChars] = {};
    ReadText(FindControl(dialog, IDC_DOV_FORM_NAME), typed, ARRAYSIZE(typed), kNameKeep);
    --record.FormCount;
    for (int k = selected; k < record.FormCount; ++k) {
        StringCchCopyNW(record.FormNames[k], kOverlayNameChars, record.FormNames[k + 1], kNameKeep);
    }
    ZeroMemory(record.FormNames[record.FormCount], sizeof(record.FormNames[0]));
    RefreshFormList(dialog, record);
    SetControlText(dialog, IDC_DOV_FORM_NAME, typed);
    EnableControl(dialog, IDC_DOV_FORM_ADD, CanAddForm(dialog, typed, record.FormCount));
    EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
    EnableControl(dialog, IDC_DOV_FORM_DELETE, false);
    SetFocus(FindControl(dialog, IDC_DOV_FORM_NAME));
}

void FormPicked(HWND dialog, const OverlayRecord& record) {
    const int selected = SelectedForm(dialog);
    if (selected < 0 || selected >= record.FormCount) return;
    wchar_t name[kOverlayNameChars] = {};
    StringCchCopyNW(name, ARRAYSIZE(name), record.FormNames[selected], kNameKeep);
    SetControlText(dialog, IDC_DOV_FORM_NAME, name);
    EnableControl(dialog, IDC_DOV_FORM_ADD, false);
    EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
    EnableControl(dialog, IDC_DOV_FORM_DELETE, record.FormCount != 0);
}

void PageModePicked(HWND dialog, OverlayRecord& record) {
    const LRESULT mode = SendToControl(dialog, IDC_DOV_PAGEMODE, CB_GETCURSEL, 0, 0);
    if (mode == CB_ERR || mode < 0 || mode >= kPageModeCount) return;
    record.PageMode = static_cast<WORD>(mode);
    if (record.PageMode != kPageModeCustom) SetControlText(dialog, IDC_DOV_CUSTOM, L"");
}

// The checks of OK, in order; the name and page list are taken into the record first, so they
// stay changed even when a check fails (Cancel undoes them through the caller).
void Accept(HWND dialog, const DriverItemMap& map, OverlayRecord& record) {
    ReadText(FindControl(dialog, IDC_DOV_NAME), record.Name, kOverlayNameChars, kNameKeep);
    ReadText(FindControl(dialog, IDC_DOV_CUSTOM), record.CustomPage, kCustomPageChars, kCustomKeep);

    if (record.Name[0] == L'\0') {
        ShowMessage(dialog, IDS_OVERLAY_NAME_MISSING);
        SetFocus(FindControl(dialog, IDC_DOV_NAME));
        return;
    }
    const int defined = map.OverlayStore->DefinedCount <= kMaxDefinedOverlays
                            ? map.OverlayStore->DefinedCount
                            : kMaxDefinedOverlays;
    for (int i = 0; i < defined; ++i) {
        const OverlayRecord* other = map.Overlays[i];
        if (i == map.EditIndex || other == nullptr || other == &record) continue;
        if (wcsncmp(other->Name, record.Name, kOverlayNameChars) == 0) {
            ShowMessage(dialog, IDS_OVERLAY_NAME_EXISTS);
            HWND edit = FindControl(dialog, IDC_DOV_NAME);
            SetFocus(edit);
            SendMessageW(edit, EM_SETSEL, 0, -1);
            return;
        }
    }
    if (record.FormCount == 0) {
        ShowMessage(dialog, IDS_OVERLAY_NO_FORMS);
        return;
    }
    // A list typed up to a separator ("1,3," or "5-") keeps its complete items only.
    TrimIncompletePageItem(record.CustomPage, kCustomPageChars);
    if (record.PageMode == kPageModeCustom && record.CustomPage[0] == L'\0') {
        record.PageMode = kPageModeAll;
    }
    EndDialog(dialog, kDialogAccepted);
}

BOOL InitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    ApplyContextHelpStyle(dialog);
    OverlayRecord* record = RecordOf(map);
    if (record == nullptr) {
        EndDialog(dialog, kDialogDismissed);
        return TRUE;
    }
    // A damaged record never indexes past its arrays.
    if (record->FormCount > kMaxOverlayForms) record->FormCount = kMaxOverlayForms;
    if (record->PageMode >= kPageModeCount) record->PageMode = kPageModeAll;

    SendToControl(dialog, IDC_DOV_NAME, EM_LIMITTEXT, kNameEditLimit, 0);
    SendToControl(dialog, IDC_DOV_CUSTOM, EM_LIMITTEXT, kCustomEditLimit, 0);
    SendToControl(dialog, IDC_DOV_FORM_NAME, CB_LIMITTEXT, kNameEditLimit, 0);
    for (UINT mode = 0; mode < kPageModeCount; ++mode) {
        wchar_t text[64] = {};
        LoadStringW(ModuleHandle, kStringPageModeFirst + mode, text, ARRAYSIZE(text));
        SendToControl(dialog, IDC_DOV_PAGEMODE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    FillHistoryList(dialog, *map->OverlayStore);

    wchar_t text[kCustomPageChars] = {};
    StringCchCopyNW(text, ARRAYSIZE(text), record->Name, kNameKeep);
    SetControlText(dialog, IDC_DOV_NAME, text);
    SelectPageMode(dialog, record->PageMode);
    StringCchCopyNW(text, ARRAYSIZE(text), record->CustomPage, kCustomKeep);
    SetControlText(dialog, IDC_DOV_CUSTOM, text);  // the page list filter runs on it
    RefreshFormList(dialog, *record);
    EnableControl(dialog, IDC_DOV_FORM_ADD, false);
    EnableControl(dialog, IDC_DOV_FORM_RENAME, false);
    EnableControl(dialog, IDC_DOV_FORM_DELETE, false);
    SheetFlags |= kSheetFlagPluginPageSeen;
    return TRUE;
}

BOOL OnCommand(HWND dialog, int id, int code) {
    DriverItemMap* map = MapOf(dialog);
    OverlayRecord* record = RecordOf(map);
    if (record == nullptr) {
        if (id == IDOK || id == IDCANCEL) EndDialog(dialog, kDialogDismissed);
        return TRUE;
    }
    switch (id) {
        case IDC_DOV_CUSTOM:
            ImmAssociateContext(FindControl(dialog, IDC_DOV_CUSTOM), nullptr);
            if (code == EN_UPDATE) FilterCustomPages(dialog, *record);
            return TRUE;
        case IDC_DOV_PAGEMODE:
            PageModePicked(dialog, *record);
            return TRUE;
        case IDC_DOV_FORM_NAME:
            if (HWND edit = FormEdit(dialog)) ImmAssociateContext(edit, nullptr);
            FilterFormName(dialog, *record, code);
            return TRUE;
        case IDC_DOV_FORMS:
            FormPicked(dialog, *record);
            return TRUE;
        case IDC_DOV_FORM_ADD:
            AddForm(dialog, *map->OverlayStore, *record);
            return TRUE;
        case IDC_DOV_FORM_RENAME:
            RenameForm(dialog, *map->OverlayStore, *record);
            return TRUE;
        case IDC_DOV_FORM_DELETE:
            DeleteForm(dialog, *record);
            return TRUE;
        case IDOK:
            Accept(dialog, *map, *record);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, kDialogDismissed);
            return TRUE;
        default:
            return FALSE;
    }
}

}  // namespace

bool CanAddForm(HWND dialog, const wchar_t* text, int formCount) {
    if (text == nullptr || text[0] == L'\0' || formCount >= kMaxOverlayForms) return false;
    HWND list = FindControl(dialog, IDC_DOV_FORMS);
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, i, 0);
        if (length < 0 || length > kNameKeep) continue;
        wchar_t entry[kOverlayNameChars] = {};
        SendMessageW(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(entry));
        if (wcsncmp(entry, text, kOverlayNameChars) == 0) return false;
    }
    return true;
}

bool CanRenameForm(HWND dialog, const wchar_t* text) {
    return CanAddForm(dialog, text, 0) && SelectedForm(dialog) >= 0;
}

INT_PTR CALLBACK DefineOverlayDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return InitDialog(dialog, reinterpret_cast<DriverItemMap*>(lParam));
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam));
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(MapOf(dialog), message, wParam, lParam) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowDefineOverlayDialog(HWND owner, DriverItemMap& map) {
    const INT_PTR result =
        DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_DEFINE_OVERLAY), owner,
                        &DefineOverlayDialogProc, reinterpret_cast<LPARAM>(&map));
    return result == kDialogAccepted ? kDialogAccepted : kDialogDismissed;
}

}  // namespace oemui
