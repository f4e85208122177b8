#include "ui/jobopts/jobnamedialog.h"

#include <imm.h>
#include <strsafe.h>

#include "docprop/itemmap.h"
#include "jobname_ids.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

// Window property of the dialog: non-null when the system is of the Windows XP family
// (version 5.1 or 5.2), decided when the dialog opens.
constexpr wchar_t kXpFamilyProperty[] = L"JobPinXpFamily";

// "Copies set to one" is due at the next job type other than 0. The warning is shown once per
// process, not per sheet: a sheet opened later stays quiet until the normal job type has been
// chosen again, so the flag outlives every page and dialog (UI thread only).
bool CopiesWarningArmed = true;

// Asking at print time cannot reach the user of a shared or network printer.
bool PrinterIsLocal(const DriverItemMap* map) {
    return map == nullptr || !IsSharedOrNetworkPrinter(SheetPrinter(*map));
}

bool IsWindowsXpFamily() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version)) return false;
    return version.dwMajorVersion == 5 && version.dwMinorVersion != 0;
}

void OnInitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    ApplyContextHelpStyle(dialog);

    SendToControl(dialog, IDC_JOBNAME_EDIT, EM_LIMITTEXT, kJobNameMaxChars, 0);
    SendToControl(dialog, IDC_JOBPIN_EDIT, EM_LIMITTEXT, kJobPinChars, 0);

    const bool local = PrinterIsLocal(map);
    if (IsWindowsXpFamily()) SetPropW(dialog, kXpFamilyProperty, reinterpret_cast<HANDLE>(1));

    // The stored fields are copied bounded: a damaged record may lack its terminators.
    wchar_t name[kJobNameMaxChars + 1] = {};
    wchar_t pin[kJobPinChars + 1] = {};
    bool ask = false;
    if (const PrivateDevmode* record = map != nullptr ? SheetRecord(*map) : nullptr) {
        StringCchCopyNW(name, ARRAYSIZE(name), record->JobName, kJobNameMaxChars);
        StringCchCopyNW(pin, ARRAYSIZE(pin), record->JobPin, kJobPinChars);
        ask = record->AskJobName != 0;
    }
    SetControlText(dialog, IDC_JOBNAME_EDIT, name);
    SetControlText(dialog, IDC_JOBPIN_EDIT, pin);
    // The PIN in clear text stays in the record and the edit only.
    SecureZeroMemory(pin, sizeof(pin));

    if (IsVistaOrLater) EnableControl(dialog, IDC_JOBNAME_ASK, false);
    SetTicked(dialog, IDC_JOBNAME_ASK, ask && local);
    if (!local) EnableControl(dialog, IDC_JOBNAME_ASK, false);
}

// Input filter of the name and PIN edits, on every notification they send.
void FilterEdit(HWND dialog, int editId, int notifyCode, int maxChars, bool digitsOnly) {
    HWND edit = FindControl(dialog, editId);
    if (edit == nullptr) return;
    // Names and PINs are typed in plain ASCII: no input method composition.
    ImmAssociateContext(edit, nullptr);
    if (notifyCode != EN_UPDATE) return;

    wchar_t text[kJobNameMaxChars + 1] = {};
    const int limit = maxChars < kJobNameMaxChars ? maxChars : kJobNameMaxChars;
    GetWindowTextW(edit, text, limit + 1);
    DWORD selectionEnd = 0;
    SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&selectionEnd));

    size_t length = 0;
    if (FAILED(StringCchLengthW(text, ARRAYSIZE(text), &length))) return;
    const size_t removed = RemoveRefusedChars(text, length, digitsOnly);
    if (removed == 0) return;
    MessageBeep(0xFFFFFFFF);
    SetWindowTextW(edit, text);
    const DWORD caret = selectionEnd > removed ? selectionEnd - static_cast<DWORD>(removed) : 0;
    SendMessageW(edit, EM_SETSEL, caret, caret);
}

void OnRequestBoxClicked(HWND dialog) {
    if (!IsTicked(dialog, IDC_JOBNAME_ASK)) return;
    if (GetPropW(dialog, kXpFamilyProperty) == nullptr) return;
    ShowWarningOnce(dialog, MapOf(dialog), kJobNameWarningKind);
}

// Refuses the entries with a message (the dialog stays open), or stores them and ends with 1.
void OnOk(HWND dialog) {
    wchar_t name[kJobNameMaxChars + 1] = {};
    wchar_t pin[kJobPinChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, name, ARRAYSIZE(name));
    GetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, pin, ARRAYSIZE(pin));
    const bool ask = IsTicked(dialog, IDC_JOBNAME_ASK);

    // The whole text counts: a longer PIN must not pass as its first four digits.
    bool pinValid = GetWindowTextLengthW(FindControl(dialog, IDC_JOBPIN_EDIT)) == kJobPinChars;
    for (int i = 0; pinValid && i < kJobPinChars; ++i) {
        pinValid = pin[i] >= L'0' && pin[i] <= L'9';
    }
    int refusedEdit = 0;
    if (!pinValid) {
        MessageBoxById(dialog, IDS_PIN_INVALID, 0, MB_ICONHAND);
        refusedEdit = IDC_JOBPIN_EDIT;
    } else if (!ask && name[0] == L'\0') {
        MessageBoxById(dialog, IDS_JOB_NAME_MISSING, 0, MB_ICONHAND);
        refusedEdit = IDC_JOBNAME_EDIT;
    }
    if (refusedEdit != 0) {
        SecureZeroMemory(pin, sizeof(pin));
        SetFocus(FindControl(dialog, refusedEdit));
        // Last, so that the notifications of the focus change do not overwrite it.
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return;
    }

    const DriverItemMap* map = MapOf(dialog);
    if (PrivateDevmode* record = map != nullptr ? SheetRecord(*map) : nullptr) {
        StringCchCopyW(record->JobName, ARRAYSIZE(record->JobName), name);
        StringCchCopyW(record->JobPin, ARRAYSIZE(record->JobPin), pin);
        record->AskJobName = ask ? 1 : 0;
    }
    SecureZeroMemory(pin, sizeof(pin));
    EndDialog(dialog, kDialogAccepted);
}

bool OnCommand(HWND dialog, int id, int code) {
    switch (id) {
        case IDC_JOBNAME_EDIT:
            FilterEdit(dialog, id, code, kJobNameMaxChars, false);
            return true;
        case IDC_JOBPIN_EDIT:
            FilterEdit(dialog, id, code, kJobPinChars, true);
            return true;
        case IDC_JOBNAME_ASK:
            OnRequestBoxClicked(dialog);
            return true;
        case IDOK:
            OnOk(dialog);
            return true;
        case IDCANCEL:
            EndDialog(dialog, kDialogDismissed);
            return true;
        default:
            return false;
    }
}

}  // namespace

std::size_t RemoveRefusedChars(wchar_t* text, std::size_t length, bool digitsOnly) {
    if (text == nullptr) return 0;
    std::size_t kept = 0;
    std::size_t removed = 0;
    for (std::size_t i = 0; i < length && text[i] != L'\0'; ++i) {
        const wchar_t c = text[i];
        const bool accepted = digitsOnly ? IsJobPinChar(c) : IsJobNameChar(c);
        if (accepted) {
            text[kept++] = c;
        } else {
            ++removed;
        }
    }
    text[kept] = L'\0';
    return removed;
}

INT_PTR CALLBACK JobPinDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            OnInitDialog(dialog, reinterpret_cast<DriverItemMap*>(lParam));
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(MapOf(dialog), message, wParam, lParam) ? TRUE : FALSE;
        case WM_DESTROY:
            RemovePropW(dialog, kXpFamilyProperty);
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR ShowJobPinDialog(HWND owner, DriverItemMap* map) {
    const INT_PTR result = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_JOB_PIN), owner,
                                           JobPinDialogProc, reinterpret_cast<LPARAM>(map));
    return result == kDialogAccepted ? kDialogAccepted : kDialogDismissed;
}

bool JobPinDialogNeeded(const PrivateDevmode& record) {
    return record.JobPin[0] == L'\0' || (record.JobName[0] == L'\0' && record.AskJobName == 0);
}

bool NoteJobTypeChosen(HWND owner, int jobType, bool copiesWereReset) {
    if (jobType == 0) {
        CopiesWarningArmed = true;
        return false;
    }
    if (!copiesWereReset || !CopiesWarningArmed) return false;
    CopiesWarningArmed = false;
    MessageBoxById(owner, IDS_COPIES_SET_TO_ONE, IDS_CAPTION_WARNING, MB_ICONEXCLAMATION);
    return true;
}

}  // namespace oemui
