#include "ui/jobopts/advanceddialog.h"

#include <cstring>

#include "docprop/itemmap.h"
#include "jobadvanced_ids.h"
#include "base/config.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"

namespace oemui {

namespace {

constexpr DWORD kSettingBufferBytes = 65;  // a 64-byte DrvGetDriverSetting answer and its NUL
constexpr int kCompressionLevels = 4;      // strings 6001..6004, item i = level i

// Selections of the core items the boxes stand for. Mirror, negative and thin lines are
// "on" at selection 0; Job Spool and the maintenance cycle at selection 1.
constexpr DWORD kSelOnFirst = 0;
constexpr DWORD kSelOffFirst = 1;
constexpr DWORD kSelOnSecond = 1;
constexpr DWORD kSelOffSecond = 0;

constexpr CheckBinding kBoxes[] = {
    {IDC_ADV_MIRROR, kEntryCoreItem423, kSelOnFirst, kSelOffFirst},
    {IDC_ADV_NEGATIVE, kEntryCoreItem424, kSelOnFirst, kSelOffFirst},
    {IDC_ADV_JOB_SPOOL, kEntryHddSpool, kSelOnSecond, kSelOffSecond},
    {IDC_ADV_MAINTENANCE, kEntryDrumClean, kSelOnSecond, kSelOffSecond},
    {IDC_ADV_FINE_LINES, kEntryHairLine, kSelOnFirst, kSelOffFirst},
};

// Boxes whose controls go when the core tree lacks their item. Mirror and negative share the
// "Special" group: without the mirror item the whole group goes, the negative box with it.
struct BoundRange {
    int entry;
    int firstId;
    int lastId;
};
constexpr BoundRange kBoundRanges[] = {
    {kEntryCoreItem423, IDC_ADV_SPECIAL_GROUP, IDC_ADV_PREVIEW_ICON},
    {kEntryCoreItem424, IDC_ADV_NEGATIVE, IDC_ADV_NEGATIVE},
    {kEntryHddSpool, IDC_ADV_JOB_SPOOL, IDC_ADV_JOB_SPOOL},
    {kEntryDrumClean, IDC_ADV_MAINTENANCE, IDC_ADV_MAINTENANCE},
    {kEntryHairLine, IDC_ADV_FINE_LINES, IDC_ADV_FINE_LINES},
};

void ShowPreviewIcon(HWND dialog) {
    if (!HasControl(dialog, IDC_ADV_PREVIEW_ICON)) return;
    // A destroyed box reads as unticked.
    const int iconId =
        PreviewIconId(IsTicked(dialog, IDC_ADV_MIRROR), IsTicked(dialog, IDC_ADV_NEGATIVE));
    HICON icon = LoadIconW(ModuleHandle, MAKEINTRESOURCEW(iconId));  // shared: not destroyed
    SendToControl(dialog, IDC_ADV_PREVIEW_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
}

void SelectCompression(HWND dialog, DWORD level) {
    SendToControl(dialog, IDC_ADV_COMPRESSION_LIST, CB_SETCURSEL, level, 0);
}

void FillCompressionList(HWND dialog) {
    HWND list = FindControl(dialog, IDC_ADV_COMPRESSION_LIST);
    if (list == nullptr) return;
    SendMessageW(list, CB_RESETCONTENT, 0, 0);
    for (int level = 0; level < kCompressionLevels; ++level) {
        wchar_t text[64] = {};
        LoadStringW(ModuleHandle, IDS_COMPRESSION_NONE + level, text, ARRAYSIZE(text));
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
}

// Job Spool needs the hard disk: without one the box stays unticked and disabled.
void ApplyHddRule(HWND dialog, const JobAdvancedState& state) {
    if (!state.hddPresent) {
        SetTicked(dialog, IDC_ADV_JOB_SPOOL, false);
        EnableControl(dialog, IDC_ADV_JOB_SPOOL, false);
    }
}

void InitCompression(HWND dialog, const DriverItemMap& map, JobAdvancedState& state) {
    state.compressionModelValue = GetModelIntIn(map.CapabilityPath, SheetPrinter(map), L"Compression");
    state.compressionOffered = CompressionOffered(state.compressionModelValue);
    if (state.compressionOffered) {
        const PrivateDevmode* record = SheetRecord(map);
        state.compressionValue = record != nullptr ? record->CompressionLevel : 0;
        FillCompressionList(dialog);
        SelectCompression(dialog, state.compressionValue);
    } else {
        state.compressionValue = map.WantedValue[kEntryCompression];
        DestroyControlRange(dialog, IDC_ADV_COMPRESSION_LABEL, IDC_ADV_COMPRESSION_LIST);
    }
}

void InitDialog(HWND dialog, LPARAM lParam) {
    auto* state = AttachDialogState<JobAdvancedState>(dialog, lParam);
    ApplyContextHelpStyle(dialog);
    if (state == nullptr || state->map == nullptr) return;
    DriverItemMap& map = *state->map;

    state->hddPresent = IsHddPresent(map);
    for (const BoundRange& range : kBoundRanges) {
        if (!HasItem(map, range.entry)) DestroyControlRange(dialog, range.firstId, range.lastId);
    }
    InitCompression(dialog, map, *state);
    // Without a disk the reset goes into the map at once, not into the working copy that
    // Cancel drops: the next push must not ask this printer to spool.
    if (HasItem(map, kEntryHddSpool) && !state->hddPresent) {
        map.WantedValue[kEntryHddSpool] = kSelOffSecond;
    }
    LoadChecks(dialog, kBoxes, map, map.WantedValue);
    ShowPreviewIcon(dialog);
    if (HasItem(map, kEntryHddSpool)) ApplyHddRule(dialog, *state);
}

// "&Default": only the controls change; nothing reaches the map before OK.
void RestoreDefaults(HWND dialog, JobAdvancedState& state) {
    SetTicked(dialog, IDC_ADV_MIRROR, false);
    SetTicked(dialog, IDC_ADV_NEGATIVE, false);
    ShowPreviewIcon(dialog);
    SetTicked(dialog, IDC_ADV_JOB_SPOOL, false);
    ApplyHddRule(dialog, state);
    SetTicked(dialog, IDC_ADV_MAINTENANCE, false);
    SetTicked(dialog, IDC_ADV_FINE_LINES, true);
    if (state.compressionOffered) {
        state.compressionValue = CompressionLevelFor(state.compressionModelValue);
        SelectCompression(dialog, state.compressionValue);
    }
}

void CompressionPicked(HWND dialog, JobAdvancedState& state) {
    const LRESULT index = SendToControl(dialog, IDC_ADV_COMPRESSION_LIST, CB_GETCURSEL, 0, 0);
    if (index >= 0) state.compressionValue = static_cast<DWORD>(index);
}

void StoreAndClose(HWND dialog, const JobAdvancedState& state) {
    DriverItemMap& map = *state.map;
    StoreChecks(dialog, kBoxes, map, map.WantedValue);
    map.WantedValue[kEntryCompression] = state.compressionValue;
    // The record's level changes only where the model offers the choice; otherwise it keeps
    // the model default written with the record's defaults.
    PrivateDevmode* record = SheetRecord(map);
    if (record != nullptr && state.compressionOffered) {
        record->CompressionLevel = LOWORD(state.compressionValue);
    }
    EndDialog(dialog, kDialogAccepted);
}

bool OnCommand(HWND dialog, int id, int code) {
    if (id == IDCANCEL) {
        EndDialog(dialog, kDialogDismissed);
        return true;
    }
    auto* state = DialogStateOf<JobAdvancedState>(dialog);
    if (state == nullptr || state->map == nullptr) {
        if (id == IDOK) EndDialog(dialog, kDialogAccepted);
        return id == IDOK;
    }
    switch (id) {
        case IDC_ADV_MIRROR:
        case IDC_ADV_NEGATIVE:
            if (code == BN_CLICKED) ShowPreviewIcon(dialog);
            return true;
        case IDC_ADV_COMPRESSION_LIST:
            if (code == CBN_SELCHANGE) CompressionPicked(dialog, *state);
            return true;
        case IDC_DEFAULT:
            RestoreDefaults(dialog, *state);
            return true;
        case IDOK:
            StoreAndClose(dialog, *state);
            return true;
        default:
            return false;
    }
}

}  // namespace

HddState QueryHddState(const DriverItemMap& map) {
    char answer[kSettingBufferBytes];
    if (!QueryDriverSetting(map, "VRHDD", answer, sizeof(answer))) return HddState::Unknown;
    if (std::strcmp(answer, "True") == 0) return HddState::Present;
    if (std::strcmp(answer, "False") == 0) return HddState::Absent;
    return HddState::Unknown;
}

bool IsHddPresent(const DriverItemMap& map) {
    switch (QueryHddState(map)) {
        case HddState::Present:
            return true;
        case HddState::Absent:
            return false;
        case HddState::Unknown:
            break;
    }
    return HasItem(map, kEntryHddSpool);
}

int PreviewIconId(bool mirror, bool negative) {
    return IDI_PREVIEW_NORMAL + (mirror ? 1 : 0) + (negative ? 2 : 0);
}

INT_PTR CALLBACK JobAdvancedDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            InitDialog(dialog, lParam);
            return TRUE;
        case WM_COMMAND:
            return OnCommand(dialog, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(MapOfState(DialogStateOf<JobAdvancedState>(dialog)), message, wParam, lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR ShowJobAdvancedDialog(HWND page, DriverItemMap& map) {
    JobAdvancedState state;
    state.map = &map;
    state.openingPage = page;
    return DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_JOB_ADVANCED), page,
                           &JobAdvancedDialogProc, reinterpret_cast<LPARAM>(&state));
}

}  // namespace oemui
