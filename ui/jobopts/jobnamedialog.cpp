#include "ui/jobopts/jobnamedialog.h"

#include <imm.h>
#include <strsafe.h>
#include <winspool.h>

#include "docprop/itemmap.h"
#include "jobname_ids.h"
#include "plugin/devmode.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {

// Window property of the dialog: non-null when the system is of the Windows XP family
// (version 5.1 or 5.2), decided when the dialog opens.
constexpr wchar_t kXpFamilyProperty[] = L"JobPinXpFamily";

// "Copies set to one" is due at the next job type other than 0 (process-wide, UI thread only).
bool CopiesWarningArmed = true;

// A zero-filled block of the plug-in's heap (the process heap when the sheet has none).
class HeapBlock {
public:
    HeapBlock(HANDLE heap, SIZE_T bytes) noexcept
        : heap_(heap != nullptr ? heap : GetProcessHeap()),
          data_(bytes != 0 ? HeapAlloc(heap_, HEAP_ZERO_MEMORY, bytes) : nullptr) {}
    ~HeapBlock() {
        if (data_ != nullptr) HeapFree(heap_, 0, data_);
    }
    HeapBlock(const HeapBlock&) = delete;
    HeapBlock& operator=(const HeapBlock&) = delete;
    BYTE* get() const noexcept { return static_cast<BYTE*>(data_); }

private:
    HANDLE heap_;
    void* data_;
};

DriverItemMap* MapOf(HWND dialog) {
    return reinterpret_cast<DriverItemMap*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

PrivateDevmode* RecordOf(const DriverItemMap* map) {
    if (map == nullptr || map->SheetParam == nullptr) return nullptr;
    return static_cast<PrivateDevmode*>(map->SheetParam->pOEMDM);
}

// True unless the printer's attributes say shared or network. A printer whose information
// cannot be read counts as local.
bool PrinterIsLocal(const DriverItemMap* map) {
    if (map == nullptr || map->SheetParam == nullptr || map->SheetParam->hPrinter == nullptr) {
        return true;
    }
    HANDLE printer = map->SheetParam->hPrinter;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return true;
    HeapBlock block(map->SheetParam->hOEMHeap, needed);
    if (block.get() == nullptr || !GetPrinterW(printer, 2, block.get(), needed, &needed)) {
        return true;
    }
    const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(block.get());
    return (info->Attributes & (PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_NETWORK)) == 0;
}

bool IsWindowsXpFamily() {
    OSVERSIONINFOW version = {};
    version.dwOSVersionInfoSize = sizeof(version);
    if (!GetVersionExW(&version)) return false;
    return version.dwMajorVersion == 5 && version.dwMinorVersion != 0;
}

void OnInitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    const LONG_PTR exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE,
                      IsVistaOrLater ? (exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTEXTHELP))
                                     : (exStyle | WS_EX_CONTEXTHELP));

    SendDlgItemMessageW(dialog, IDC_JOBNAME_EDIT, EM_LIMITTEXT, kJobNameMaxChars, 0);
    SendDlgItemMessageW(dialog, IDC_JOBPIN_EDIT, EM_LIMITTEXT, kJobPinChars, 0);

    const bool local = PrinterIsLocal(map);
    if (IsWindowsXpFamily()) SetPropW(dialog, kXpFamilyProperty, reinterpret_cast<HANDLE>(1));

    // The stored fields are copied bounded: a damaged record may lack its terminators.
    wchar_t name[kJobNameMaxChars + 1] = {};
    wchar_t pin[kJobPinChars + 1] = {};
    bool ask = false;
    if (const PrivateDevmode* record = RecordOf(map)) {
        StringCchCopyNW(name, ARRAYSIZE(name), record->JobName, kJobNameMaxChars);
        StringCchCopyNW(pin, ARRAYSIZE(pin), record->JobPin, kJobPinChars);
        ask = record->AskJobName != 0;
    }
    SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, name);
    SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, pin);

    if (IsVistaOrLater) EnableWindow(GetDlgItem(dialog, IDC_JOBNAME_ASK), FALSE);
    CheckDlgButton(dialog, IDC_JOBNAME_ASK, ask ? BST_CHECKED : BST_UNCHECKED);
    if (!local) {
        // Asking at print time cannot reach the user of a shared or network printer.
        CheckDlgButton(dialog, IDC_JOBNAME_ASK, BST_UNCHECKED);
        EnableWindow(GetDlgItem(dialog, IDC_JOBNAME_ASK), FALSE);
    }
}

// Input filter of the name and PIN edits, on every notification they send.
void FilterEdit(HWND dialog, int editId, int notifyCode, int maxChars, bool digitsOnly) {
    HWND edit = GetDlgItem(dialog, editId);
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
    if (IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK) != BST_CHECKED) return;
    if (GetPropW(dialog, kXpFamilyProperty) == nullptr) return;
    ShowWarningOnce(dialog, MapOf(dialog), kJobNameWarningKind);
}

// Refuses the entries with a message (the dialog stays open), or stores them and ends with 1.
void OnOk(HWND dialog) {
    wchar_t name[kJobNameMaxChars + 1] = {};
    wchar_t pin[kJobPinChars + 1] = {};
    GetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, name, ARRAYSIZE(name));
    GetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, pin, ARRAYSIZE(pin));
    const bool ask = IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK) == BST_CHECKED;

    // The whole text counts: a longer PIN must not pass as its first four digits.
    bool pinValid = GetWindowTextLengthW(GetDlgItem(dialog, IDC_JOBPIN_EDIT)) == kJobPinChars;
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
        SetFocus(GetDlgItem(dialog, refusedEdit));
        // Last, so that the notifications of the focus change do not overwrite it.
        SetWindowLongPtrW(dialog, DWLP_MSGRESULT, TRUE);
        return;
    }

    if (PrivateDevmode* record = RecordOf(MapOf(dialog))) {
        StringCchCopyW(record->JobName, ARRAYSIZE(record->JobName), name);
        StringCchCopyW(record->JobPin, ARRAYSIZE(record->JobPin), pin);
        record->AskJobName = ask ? 1 : 0;
    }
    EndDialog(dialog, 1);
}

}  // namespace

std::size_t RemoveRefusedChars(wchar_t* text, std::size_t length, bool digitsOnly) {
    if (text == nullptr) return 0;
    std::size_t kept = 0;
    std::size_t removed = 0;
    for (std::size_t i = 0; i < length && text[i] != L'\0'; ++i) {
        const wchar_t c = text[i];
        const bool accepted = digitsOnly ? (c >= L'0' && c <= L'9') : (c < 0x80 && c != L'"');
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
            switch (LOWORD(wParam)) {
                case IDC_JOBNAME_EDIT:
                    FilterEdit(dialog, IDC_JOBNAME_EDIT, HIWORD(wParam), kJobNameMaxChars, false);
                    return TRUE;
                case IDC_JOBPIN_EDIT:
                    FilterEdit(dialog, IDC_JOBPIN_EDIT, HIWORD(wParam), kJobPinChars, true);
                    return TRUE;
                case IDC_JOBNAME_ASK:
                    OnRequestBoxClicked(dialog);
                    return TRUE;
                case IDOK:
                    OnOk(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    break;
            }
            break;
        case WM_HELP:
        case WM_CONTEXTMENU:
            return HandleContextHelp(message, wParam, lParam) ? TRUE : FALSE;
        case WM_DESTROY:
            RemovePropW(dialog, kXpFamilyProperty);
            break;
        default:
            break;
    }
    return FALSE;
}

INT_PTR ShowJobPinDialog(HWND owner, DriverItemMap* map) {
    const INT_PTR result = DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_JOB_PIN), owner,
                                           JobPinDialogProc, reinterpret_cast<LPARAM>(map));
    return result == 1 ? 1 : 0;
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
