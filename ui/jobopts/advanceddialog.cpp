#include "ui/jobopts/advanceddialog.h"

#include <cstring>

#include "docprop/itemmap.h"
#include "jobadvanced_ids.h"
#include "plugin/config.h"
#include "plugin/devmode.h"
#include "plugin/object.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {

constexpr DWORD kSettingBufferBytes = 64;  // DrvGetDriverSetting answer buffer
constexpr int kCompressionLevels = 4;       // strings 6001..6004, item i = level i

// Selections of the core items the boxes stand for. Mirror, negative and thin lines are
// "on" at selection 0; Job Spool and the maintenance cycle at selection 1.
constexpr DWORD kSelOnFirst = 0;
constexpr DWORD kSelOffFirst = 1;
constexpr DWORD kSelOnSecond = 1;
constexpr DWORD kSelOffSecond = 0;

// One check box of the dialog and the map entry it edits.
struct BoxBinding {
    int controlId;
    int entry;
    DWORD onValue;   // wanted value when ticked
    DWORD offValue;  // wanted value when unticked
};
constexpr BoxBinding kBoxes[] = {
    {IDC_ADV_MIRROR, kEntryCoreItem423, kSelOnFirst, kSelOffFirst},
    {IDC_ADV_NEGATIVE, kEntryCoreItem424, kSelOnFirst, kSelOffFirst},
    {IDC_ADV_JOB_SPOOL, kEntryHddSpool, kSelOnSecond, kSelOffSecond},
    {IDC_ADV_MAINTENANCE, kEntryDrumClean, kSelOnSecond, kSelOffSecond},
    {IDC_ADV_FINE_LINES, kEntryHairLine, kSelOnFirst, kSelOffFirst},
};

// The dialog's working state. The dialog is modal and one sheet is open at a time, so one
// process-wide copy serves (as for every modal dialog of the plug-in).
struct AdvancedWorkingCopy {
    bool hddPresent;
    bool compressionOffered;
    UINT compressionModelValue;  // the model's "Compression" integer
    DWORD compressionValue;      // the level chosen so far; reaches the map only on OK
};
AdvancedWorkingCopy Working = {};

bool HasItem(const DriverItemMap& map, int entry) { return map.ItemIndex[entry] != kNoItem; }

HANDLE SheetPrinter(const DriverItemMap& map) {
    if (map.SheetParam != nullptr) return map.SheetParam->hPrinter;
    return map.Param != nullptr ? map.Param->hPrinter : nullptr;
}

PrivateDevmode* SheetDevmode(const DriverItemMap& map) {
    void* record = nullptr;
    if (map.SheetParam != nullptr) {
        record = map.SheetParam->pOEMDM;
    } else if (map.Param != nullptr) {
        record = map.Param->pOEMDM;
    }
    return static_cast<PrivateDevmode*>(record);
}

POEMUIOBJ SheetCoreObject(const DriverItemMap& map) {
    if (map.SheetParam != nullptr && map.SheetParam->poemuiobj != nullptr) {
        return map.SheetParam->poemuiobj;
    }
    return map.Param != nullptr ? map.Param->poemuiobj : nullptr;
}

DriverItemMap* MapOf(HWND dialog) {
    return reinterpret_cast<DriverItemMap*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

bool IsTicked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }

void SetTicked(HWND dialog, int id, bool ticked) {
    CheckDlgButton(dialog, id, ticked ? BST_CHECKED : BST_UNCHECKED);
}

bool HasControl(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }

void ShowPreviewIcon(HWND dialog) {
    if (!HasControl(dialog, IDC_ADV_PREVIEW_ICON)) return;
    // A destroyed box reads as unticked.
    const int iconId = PreviewIconId(IsTicked(dialog, IDC_ADV_MIRROR),
                                     IsTicked(dialog, IDC_ADV_NEGATIVE));
    HICON icon = LoadIconW(ModuleHandle, MAKEINTRESOURCEW(iconId));  // shared: not destroyed
    SendDlgItemMessageW(dialog, IDC_ADV_PREVIEW_ICON, STM_SETICON,
                        reinterpret_cast<WPARAM>(icon), 0);
}

void SelectCompression(HWND dialog, DWORD level) {
    SendDlgItemMessageW(dialog, IDC_ADV_COMPRESSION_LIST, CB_SETCURSEL, level, 0);
}

void FillCompressionList(HWND dialog) {
    HWND list = GetDlgItem(dialog, IDC_ADV_COMPRESSION_LIST);
    if (list == nullptr) return;
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (int level = 0; level < kCompressionLevels; ++level) {
        wchar_t text[64] = {};
        LoadStringW(ModuleHandle, IDS_COMPRESSION_NONE + level, text, ARRAYSIZE(text));
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

// Job Spool needs the hard disk: without one the box stays unticked and disabled.
void ApplyHddRule(HWND dialog) {
    if (!Working.hddPresent) {
        SetTicked(dialog, IDC_ADV_JOB_SPOOL, false);
        EnableWindow(GetDlgItem(dialog, IDC_ADV_JOB_SPOOL), FALSE);
    }
}

void InitDialog(HWND dialog, DriverItemMap* map) {
    SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    ApplyContextHelpStyle(dialog);
    Working = {};
    if (map == nullptr) return;

    Working.hddPresent = IsHddPresent(*map);
    Working.compressionModelValue = GetModelInt(SheetPrinter(*map), L"Compression");
    Working.compressionOffered = CompressionOffered(Working.compressionModelValue);

    // Mirror and negative share the "Special" group: without the mirror item the whole group
    // goes, the negative box with it.
    if (!HasItem(*map, kEntryCoreItem423)) {
        DestroyControlRange(dialog, IDC_ADV_SPECIAL_GROUP, IDC_ADV_PREVIEW_ICON);
    } else {
        SetTicked(dialog, IDC_ADV_MIRROR, map->WantedValue[kEntryCoreItem423] == kSelOnFirst);
        if (!HasItem(*map, kEntryCoreItem424)) {
            DestroyControlRange(dialog, IDC_ADV_NEGATIVE, IDC_ADV_NEGATIVE);
        } else {
            SetTicked(dialog, IDC_ADV_NEGATIVE,
                      map->WantedValue[kEntryCoreItem424] == kSelOnFirst);
        }
        ShowPreviewIcon(dialog);
    }

    if (Working.compressionOffered) {
        const PrivateDevmode* record = SheetDevmode(*map);
        Working.compressionValue = record != nullptr ? record->CompressionLevel : 0;
        FillCompressionList(dialog);
        SelectCompression(dialog, Working.compressionValue);
    } else {
        Working.compressionValue = map->WantedValue[kEntryCompression];
        DestroyControlRange(dialog, IDC_ADV_COMPRESSION_LABEL, IDC_ADV_COMPRESSION_LIST);
    }

    if (!HasItem(*map, kEntryHddSpool)) {
        DestroyControlRange(dialog, IDC_ADV_JOB_SPOOL, IDC_ADV_JOB_SPOOL);
    } else {
        // Without a disk the reset goes into the map at once, not into the working copy that
        // Cancel drops: the next push must not ask this printer to spool.
        if (!Working.hddPresent) map->WantedValue[kEntryHddSpool] = kSelOffSecond;
        SetTicked(dialog, IDC_ADV_JOB_SPOOL,
                  Working.hddPresent && map->WantedValue[kEntryHddSpool] == kSelOnSecond);
        ApplyHddRule(dialog);
    }

    if (!HasItem(*map, kEntryDrumClean)) {
        DestroyControlRange(dialog, IDC_ADV_MAINTENANCE, IDC_ADV_MAINTENANCE);
    } else {
        SetTicked(dialog, IDC_ADV_MAINTENANCE,
                  map->WantedValue[kEntryDrumClean] == kSelOnSecond);
    }

    if (!HasItem(*map, kEntryHairLine)) {
        DestroyControlRange(dialog, IDC_ADV_FINE_LINES, IDC_ADV_FINE_LINES);
    } else {
        SetTicked(dialog, IDC_ADV_FINE_LINES, map->WantedValue[kEntryHairLine] == kSelOnFirst);
    }
}

// "&Default": only the controls change; nothing reaches the map before OK.
void RestoreDefaults(HWND dialog) {
    SetTicked(dialog, IDC_ADV_MIRROR, false);
    SetTicked(dialog, IDC_ADV_NEGATIVE, false);
    ShowPreviewIcon(dialog);
    SetTicked(dialog, IDC_ADV_JOB_SPOOL, false);
    ApplyHddRule(dialog);
    SetTicked(dialog, IDC_ADV_MAINTENANCE, false);
    SetTicked(dialog, IDC_ADV_FINE_LINES, true);
    if (Working.compressionOffered) {
        Working.compressionValue = CompressionLevelFor(Working.compressionModelValue);
        SelectCompression(dialog, Working.compressionValue);
    }
}

void StoreAndClose(HWND dialog) {
    DriverItemMap* map = MapOf(dialog);
    if (map != nullptr) {
        // A box that was removed with its group keeps the map's value: its item may exist
        // (negative without mirror) but the user could not see or change it.
        for (const BoxBinding& box : kBoxes) {
            if (!HasItem(*map, box.entry) || !HasControl(dialog, box.controlId)) continue;
            map->WantedValue[box.entry] = IsTicked(dialog, box.controlId) ? box.onValue
                                                                          : box.offValue;
        }
        map->WantedValue[kEntryCompression] = Working.compressionValue;
        // The record's level changes only where the model offers the choice; otherwise it
        // keeps the model default written with the record's defaults.
        PrivateDevmode* record = SheetDevmode(*map);
        if (record != nullptr && Working.compressionOffered) {
            record->CompressionLevel = LOWORD(Working.compressionValue);
        }
    }
    EndDialog(dialog, 1);
}

}  // namespace

HddState QueryHddState(const DriverItemMap& map) {
    POEMUIOBJ core = SheetCoreObject(map);
    if (core == nullptr || core->pOemUIProcs == nullptr ||
        core->pOemUIProcs->DrvGetDriverSetting == nullptr) {
        return HddState::Unknown;
    }
    char answer[kSettingBufferBytes + 1] = {};  // one more byte keeps the answer terminated
    DWORD needed = 0;
    DWORD options = 0;
    if (!core->pOemUIProcs->DrvGetDriverSetting(core, "VRHDD", answer, kSettingBufferBytes,
                                                &needed, &options)) {
        return HddState::Unknown;
    }
    if (std::strcmp(answer, "True") == 0) return HddState::Present;
    if (std::strcmp(answer, "False") == 0) return HddState::Absent;
    return HddState::Unknown;
}

bool IsHddPresent(const DriverItemMap& map) {
    switch (QueryHddState(map)) {
        case HddState::Present: return true;
        case HddState::Absent: return false;
        case HddState::Unknown: break;
    }
    return HasItem(map, kEntryHddSpool);
}

int PreviewIconId(bool mirror, bool negative) {
    return IDI_PREVIEW_NORMAL + (mirror ? 1 : 0) + (negative ? 2 : 0);
}

INT_PTR CALLBACK JobAdvancedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, reinterpret_cast<DriverItemMap*>(lParam));
            return TRUE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(message, wParam, lParam);
            return TRUE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDC_ADV_MIRROR:
                case IDC_ADV_NEGATIVE:
                    if (HIWORD(wParam) == BN_CLICKED) ShowPreviewIcon(dialog);
                    return TRUE;
                case IDC_ADV_COMPRESSION_LIST:
                    if (HIWORD(wParam) == CBN_SELCHANGE) {
                        const LRESULT index = SendDlgItemMessageW(
                            dialog, IDC_ADV_COMPRESSION_LIST, CB_GETCURSEL, 0, 0);
                        if (index >= 0) Working.compressionValue = static_cast<DWORD>(index);
                    }
                    return TRUE;
                case IDC_DEFAULT:
                    RestoreDefaults(dialog);
                    return TRUE;
                case IDOK:
                    StoreAndClose(dialog);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace oemui
