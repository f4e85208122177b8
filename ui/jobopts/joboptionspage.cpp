#include "ui/jobopts/joboptionspage.h"

#include <commctrl.h>
#include <imm.h>
#include <prsht.h>
#include <shellapi.h>
#include <strsafe.h>

#include <cstring>

#include "docprop/itemmap.h"
#include "joboptions_ids.h"
#include "base/config.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"
#include "ui/common/helpids.h"
#include "ui/common/linkcontrol.h"
#include "ui/common/sheetcontext.h"
#include "ui/jobopts/aboutdialog.h"
#include "ui/jobopts/advanceddialog.h"
#include "ui/jobopts/jobfinishing.h"
#include "ui/jobopts/jobtype.h"
#include "ui/overlay/overlaysdialog.h"
#include "ui/overlay/overlaystore.h"
#include "ui/watermark/watermarks.h"
#include "ui/watermark/watermarksdialog.h"

namespace oemui {

namespace {

constexpr DWORD kCustomGammaBit = 0x10000;
constexpr DWORD kGammaIdMask = 0xFFFF;
constexpr DWORD kSettingBytes = 64;  // DrvGetDriverSetting answers
constexpr int kTypedTextChars = 64;  // what is read of a typed number
constexpr LONG kCopiesUpperLimit = 999;
constexpr int kCopiesChars = 3;
constexpr int kScaleChars = 4;
constexpr DWORD kScaleCeiling = 1000;
constexpr int kRangeTextChars = 64;
// The link font lives with the page window from one refresh to the next leave, apply or reset.
constexpr wchar_t kLinkFontProperty[] = L"oemui.JobOptions.LinkFont";
// Present while the page writes its own edits, whose change notices are then no user's change.

// Output bins a finisher changes: with one, bin 1 does not exist; without, bins 2 and 3.
constexpr DWORD kBinWithoutFinisher = 1;
constexpr DWORD kFinisherBinFirst = 2;
constexpr DWORD kFinisherBinLast = 3;

struct EntryDefault {
    int entry;
    DWORD value;
};
constexpr EntryDefault kJobDefaults[] = {
    {kEntryResolution, 1},     {kEntryCopies, 1},         {kEntryScale, 100},
    {kEntryOutputMode, 0},     {kEntryGammaSelection, 0}, {kEntryJobType, kJobNormal},
    {kEntryCollate, 0},        {kEntryRotateSort, 0},     {kEntryOutputBin, 0},
    {kEntryImageSmoothing, 1}, {kEntryTrapping, 0},       {kEntryErrorDiffusion, 1},
    {kEntryStaple, 0},         {kEntryPunch, 0},          {kEntryBindPosition, kBindingDefault},
    {kEntryFitPaperIndex, 0},  {kEntryFixedScale, 0},     {kEntryUnbound23, 0},
};

// A number edit of the page with its up-down, the entry it stores into and its limits.
struct NumberField {
    int editId;
    int spinId;
    int entry;
    bool capped;  // typed values above kScaleCeiling are cut to it
};
constexpr NumberField kCopiesField = {IDC_COPIES_EDIT, IDC_COPIES_SPIN, kEntryCopies, false};
constexpr NumberField kScaleField = {IDC_SCALE_EDIT, IDC_SCALE_SPIN, kEntryScale, true};

// Check boxes that stand for a core item's selection.
constexpr CheckBinding kPageBoxes[] = {
    {IDC_TONER_SAVE, kEntryOutputMode, 1, 0},  // toner saving is output mode 1
};

DWORD& GammaSelection(DriverItemMap& map) { return map.WantedValue[kEntryGammaSelection]; }

// --- Link font ----------------------------------------------------------------------------------

HFONT LinkFontOf(HWND page) { return static_cast<HFONT>(GetPropW(page, kLinkFontProperty)); }

// The link (an owner-drawn button) paints its text with the font it is given.
void EnsureLinkFont(HWND page) {
    if (LinkFontOf(page) != nullptr) return;
    HWND link = FindControl(page, IDC_LINK_TEXT);
    if (link == nullptr) return;
    UniqueFont font = CreateLinkFont(link, true);
    if (!font || !SetPropW(page, kLinkFontProperty, font.get())) return;
    SendToControl(page, IDC_LINK_TEXT, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    font.release();
}

void DeleteLinkFont(HWND page) {
    UniqueFont font(static_cast<HFONT>(RemovePropW(page, kLinkFontProperty)));
    if (!font) return;
    // The text goes back to the page's font before its own is deleted.
    SendToControl(page, IDC_LINK_TEXT, WM_SETFONT, SendMessageW(page, WM_GETFONT, 0, 0), TRUE);
}

// --- Item ranges ----------------------------------------------------------------------------------

// The up-down range of a core item: its second option parameter holds the lower limit in
// IconID and the upper one in lParam.
OPTPARAM* RangeParam(const DriverItemMap& map, int entry) {
    const POPTITEM item = BoundItem(map, entry);
    if (item == nullptr || item->pOptType == nullptr || item->pOptType->pOptParam == nullptr ||
        item->pOptType->Count < 2) {
        return nullptr;
    }
    return &item->pOptType->pOptParam[1];
}

bool ItemRange(const DriverItemMap& map, int entry, LONG& lower, LONG& upper) {
    const OPTPARAM* range = RangeParam(map, entry);
    if (range == nullptr) return false;
    lower = static_cast<LONG>(range->IconID);
    upper = static_cast<LONG>(range->lParam);
    return true;
}

void ShowRange(HWND page, int textId, int spinId, int editId, UINT formatId, int maxChars,
               LONG lower, LONG upper) {
    wchar_t format[kRangeTextChars] = {};
    wchar_t text[kRangeTextChars] = {};
    if (LoadStringW(ModuleHandle, formatId, format, kRangeTextChars) > 0) {
        StringCchPrintfW(text, kRangeTextChars, format, static_cast<int>(lower),
                         static_cast<int>(upper));
    }
    SetControlText(page, textId, text);
    SendToControl(page, spinId, UDM_SETRANGE32, static_cast<WPARAM>(lower), upper);
    SendToControl(page, editId, EM_LIMITTEXT, static_cast<WPARAM>(maxChars), 0);
}

// --- Initialisation ----------------------------------------------------------------------------

bool AnswerIs(const DriverItemMap& map, const char* feature, const char* expected) {
    char answer[kSettingBytes];
    QueryDriverSetting(map, feature, answer, sizeof(answer));
    return std::strcmp(answer, expected) == 0;
}

void SettleOutputBin(DriverItemMap& map) {
    if (!HasItem(map, kEntryOutputBin)) return;
    const bool finisher = AnswerIs(map, "VRFinisher", "True");
    DWORD& bin = map.WantedValue[kEntryOutputBin];
    if (finisher ? bin == kBinWithoutFinisher
                 : bin >= kFinisherBinFirst && bin <= kFinisherBinLast) {
        bin = 0;
    }
}

// The custom gamma file named by "HALFTONE" in the plug-in INI file.
bool GammaFilePath(const DriverItemMap& map, wchar_t (&path)[kPathChars]) {
    path[0] = L'\0';
    if (map.IniPath[0] == L'\0') return false;
    wchar_t name[kPathChars] = {};
    SheetProfileString(L"DependentFiles", L"HALFTONE", name, kPathChars, map.IniPath);
    if (name[0] == L'\0') return false;
    DWORD bytes = sizeof(path);
    return BuildDriverFilePath(path, &bytes, name);
}

// Lists the named "PSGamma" settings with the low 8 bits of their ids as item data; returns
// the count the file gives (0 without a file).
UINT FillGammaList(HWND page, const DriverItemMap& map) {
    wchar_t path[kPathChars];
    return GammaFilePath(map, path) ? AddSettingList(page, IDC_GAMMA_LIST, path, L"PSGamma", 0) : 0;
}

void PrepareNumberFields(HWND page, DriverItemMap& map) {
    LONG lower = 0;
    LONG upper = 0;
    if (OPTPARAM* range = RangeParam(map, kEntryCopies)) {
        range->lParam = kCopiesUpperLimit;
        ItemRange(map, kEntryCopies, lower, upper);
        ShowRange(page, IDC_COPIES_RANGE, IDC_COPIES_SPIN, IDC_COPIES_EDIT, IDS_COPIES_RANGE,
                  kCopiesChars, lower, upper);
    } else {
        // The frame goes with its controls so that no empty group is left on the page.
        DestroyControlRange(page, IDC_COPIES_FIRST, IDC_COPIES_RANGE);
        DestroyControlRange(page, IDC_COPIES_GROUP, IDC_COPIES_GROUP);
    }
    if (ItemRange(map, kEntryScale, lower, upper)) {
        ShowRange(page, IDC_SCALE_RANGE, IDC_SCALE_SPIN, IDC_SCALE_EDIT, IDS_SCALE_RANGE,
                  kScaleChars, lower, upper);
    } else {
        DestroyControlRange(page, IDC_SCALE_GROUP, IDC_SCALE_RANGE);
    }
}

// --- Refresh -----------------------------------------------------------------------------------

void DrawResolutionPicture(HWND page, const DriverItemMap& map) {
    // A hidden page keeps nothing drawn on it: the picture's paint request draws it once the
    // page is shown.
    if (!HasControl(page, IDC_QUALITY_PICTURE) || !IsWindowVisible(page)) return;
    DrawDibResourceFramed(page, ModuleHandle,
                          ResolutionBitmapFor(map.WantedValue[kEntryResolution]),
                          IDC_QUALITY_PICTURE);
}

LRESULT GammaItemCount(HWND page) {
    if (!HasControl(page, IDC_GAMMA_LIST)) return 0;
    const LRESULT count = SendToControl(page, IDC_GAMMA_LIST, CB_GETCOUNT, 0, 0);
    return count == CB_ERR ? 0 : count;
}

DWORD GammaItemData(HWND page, LRESULT index) {
    const LRESULT data =
        SendToControl(page, IDC_GAMMA_LIST, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
    return data == CB_ERR ? 0 : static_cast<DWORD>(data);
}

void RefreshGamma(HWND page, DriverItemMap& map) {
    DWORD& gamma = GammaSelection(map);
    const LRESULT count = GammaItemCount(page);
    LRESULT chosen = -1;
    for (LRESULT i = 0; i < count; ++i) {
        if (GammaItemData(page, i) == (gamma & kGammaIdMask)) chosen = i;
    }
    if (chosen < 0) {
        chosen = 0;
        gamma = count > 0 ? GammaItemData(page, 0) & kGammaIdMask : 0;
    }
    SendToControl(page, IDC_GAMMA_LIST, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
    const bool on = (gamma & kCustomGammaBit) != 0;
    EnableControl(page, IDC_GAMMA_LIST, on);
    EnableControl(page, IDC_CUSTOM_GAMMA, count > 0);
    SetTicked(page, IDC_CUSTOM_GAMMA, on && count > 0);
}

void RefreshLink(HWND page, const DriverItemMap& map) {
    LoadHandCursor();
    EnsureLinkFont(page);
    wchar_t link[kIniStringChars];
    ReadModelValue(map, L"TabLinkName", link, kIniStringChars);
    if (link[0] != L'\0') SetControlText(page, IDC_LINK_TEXT, link);
    ShowControlRange(page, IDC_LINK_TEXT, IDC_LINK_TEXT, link[0] != L'\0');
    ShowControlRange(page, IDC_LINK_PICTURE, IDC_LINK_PICTURE, TRUE);
    if (HWND picture = FindControl(page, IDC_LINK_PICTURE)) SendLinkMessage(picture, 1, 0);
}

// The job-type controls of page layouts that carry them.
void RefreshJobTypeControls(HWND page, const DriverItemMap& map) {
    const DWORD jobType = map.WantedValue[kEntryJobType];
    if (HasControl(page, IDC_JOBTYPE_NORMAL) && jobType <= kJobEncrypted) {
        SetRadioChoice(page, IDC_JOBTYPE_NORMAL, IDC_JOBTYPE_LAST,
                       IDC_JOBTYPE_NORMAL + static_cast<int>(jobType));
    }
    EnableControl(page, IDC_JOB_SETTINGS, jobType != kJobNormal);
    if (HasControl(page, IDC_COLOR_CONTROL_CHECK)) {
        SetTicked(page, IDC_COLOR_CONTROL_CHECK,
                  map.WantedValue[kEntryControl] == kColorControlForced);
    }
}

// Kept in the map rather than as a window property: a property is a trip to the window server
// on Wine, and every edit notice asks.
class RefreshMark {
public:
    explicit RefreshMark(DriverItemMap& map) : map_(map) {
        owner_ = map.JobOptionsRefreshing == 0;
        map.JobOptionsRefreshing = 1;
    }
    ~RefreshMark() {
        if (owner_) map_.JobOptionsRefreshing = 0;
    }
    RefreshMark(const RefreshMark&) = delete;
    RefreshMark& operator=(const RefreshMark&) = delete;

private:
    DriverItemMap& map_;
    bool owner_ = false;
};

void RefreshJobOptionsPage(HWND page, DriverItemMap& map) {
    const RefreshMark refreshing(map);
    if (HasItem(map, kEntryResolution)) {
        SetRadioChoice(page, IDC_RESOLUTION_HIGH, IDC_RESOLUTION_THIRD,
                       IDC_RESOLUTION_HIGH + static_cast<int>(map.WantedValue[kEntryResolution]));
        DrawResolutionPicture(page, map);
    }
    if (HasItem(map, kEntryScale)) {
        SendToControl(page, IDC_SCALE_SPIN, UDM_SETPOS32, 0,
                      static_cast<LPARAM>(LOWORD(map.WantedValue[kEntryScale])));
    }
    if (HasItem(map, kEntryOutputMode)) EnableControl(page, IDC_TONER_SAVE, true);
    LoadChecks(page, kPageBoxes, map, map.WantedValue);
    SettleJobTypeOnRefresh(map);
    const bool copiesEditable = CopiesEditable(map);
    if (HasItem(map, kEntryCopies)) {
        SendToControl(page, IDC_COPIES_SPIN, UDM_SETPOS32, 0,
                      static_cast<LPARAM>(map.WantedValue[kEntryCopies]));
        EnableControl(page, IDC_COPIES_EDIT, copiesEditable);
        EnableControl(page, IDC_COPIES_SPIN, copiesEditable);
    }
    if (map.CapabilityPath[0] != L'\0') RefreshGamma(page, map);
    RefreshLink(page, map);
    RefreshJobTypeControls(page, map);
    if (IsReadOnlySheet(map)) {
        RestrictControlRange(page, IDC_QUALITY_GROUP, IDC_JOB_LOCK_LAST, FALSE);
        RestrictControlRange(page, IDC_DEFAULT, IDC_DEFAULT, FALSE);
    }
}

void InitJobOptionsPage(HWND page, DriverItemMap& map) {
    SettleOutputBin(map);

    if (const PrivateDevmode* record = SheetRecord(map)) {
        GammaSelection(map) = record->PsGammaSettingId;
    }
    if (FillGammaList(page, map) == 0) {
        DestroyControlRange(page, IDC_GAMMA_LIST, IDC_GAMMA_LIST);
        DestroyControlRange(page, IDC_CUSTOM_GAMMA, IDC_CUSTOM_GAMMA);
    }

    SettleFinishingValues(map);
    PrepareNumberFields(page, map);

    map.Watermarks.Loaded = 0;
    map.SettingsVariant = 0;
    map.CardReaderPresent = QueryCardReader(map);
    SettleStartupJobType(map);

    RefreshJobOptionsPage(page, map);

    SheetFlags |= kSheetFlagPluginPageSeen;
    map.Watermarks.NoneFirstPageOnly = 0;
    map.Watermarks.NoneBackground = 0;
}

// --- Typing --------------------------------------------------------------------------------

// What the page makes of a typed number: the digits in order; anything else makes the text bad.
struct TypedNumber {
    DWORD value = 0;
    int digits = 0;
    bool bad = false;
};

TypedNumber ReadTypedNumber(const wchar_t* text) {
    TypedNumber number;
    for (const wchar_t* c = text; *c != L'\0'; ++c) {
        if (*c < L'0' || *c > L'9') {
            number.bad = true;
            continue;
        }
        ++number.digits;
        // The edits take 3 or 4 characters; a longer paste saturates instead of wrapping.
        number.value = number.value > 99999999u ? 999999999u : number.value * 10 + (*c - L'0');
    }
    return number;
}

void OnNumberTyped(HWND page, DriverItemMap& map, const NumberField& field, int code) {
    const HWND edit = FindControl(page, field.editId);
    if (edit == nullptr) return;
    ImmAssociateContext(edit, nullptr);
    DWORD& stored = map.WantedValue[field.entry];
    wchar_t text[kTypedTextChars + 1] = {};
    GetWindowTextW(edit, text, kTypedTextChars + 1);
    TypedNumber number = ReadTypedNumber(text);
    bool cut = false;
    if (field.capped && number.value > kScaleCeiling) {
        number.value = kScaleCeiling;
        cut = true;
    }
    stored = number.value;
    if (code == EN_CHANGE && map.JobOptionsRefreshing == 0) MarkPageChanged(page);
    if (text[0] == L'\0' || (!number.bad && !cut)) return;

    SendToControl(page, field.spinId, UDM_SETPOS32, 0, static_cast<LPARAM>(number.value));
    // The up-down keeps its position inside its range: the edit shows the stored value itself,
    // so that leaving the page can report it.
    SetDlgItemInt(page, field.editId, number.value, FALSE);
    if (number.bad) SendMessageW(edit, EM_SETSEL, number.digits, number.digits);
}

// --- Leaving and applying ---------------------------------------------------------------------

// The edit of `field` holds a number within the item's limits; stores it.
bool TakeValidNumber(HWND page, DriverItemMap& map, const NumberField& field) {
    LONG lower = 0;
    LONG upper = 0;
    if (!ItemRange(map, field.entry, lower, upper) || !HasControl(page, field.editId)) return true;
    BOOL isNumber = FALSE;
    const UINT value = GetDlgItemInt(page, field.editId, &isNumber, FALSE);
    if (!isNumber || static_cast<LONGLONG>(value) < lower || static_cast<LONGLONG>(value) > upper) {
        return false;
    }
    map.WantedValue[field.entry] = value;
    return true;
}

bool ValidateJobOptionsPage(HWND page, DriverItemMap& map) {
    for (const NumberField* field : {&kScaleField, &kCopiesField}) {
        if (TakeValidNumber(page, map, *field)) continue;
        MessageBoxById(page, IDS_SETTINGS_INVALID, 0, MB_OK | MB_ICONHAND);
        const HWND edit = FindControl(page, field->editId);
        SetFocus(edit);
        SendMessageW(edit, EM_SETSEL, 0, -1);
        MessageBeep(0);
        return false;
    }
    return true;
}

void LeaveJobOptionsPage(HWND page, DriverItemMap& map) {
    PushDocumentSettings(map);
    if (PrivateDevmode* record = SheetRecord(map)) {
        record->RotateSort = map.WantedValue[kEntryRotateSort];
        record->Collate = map.WantedValue[kEntryCollate];
        record->FitPaperSetting = map.WantedValue[kEntryFitPaperIndex];
        record->FixedScaleSetting = map.WantedValue[kEntryFixedScale];
        record->FitPaperSize = 0;
        record->PsGammaSettingId = GammaSelection(map);
    }
    VisitDriverPageOnce(page, map);
    DeleteLinkFont(page);
}

void TellSheetOk(const DriverItemMap& map, HANDLE page) {
    if (map.ComPropSheet == nullptr) return;
    map.ComPropSheet(map.SheetHandle, CPSFUNC_SET_RESULT, reinterpret_cast<LPARAM>(page), CPSUI_OK);
}

// The sheet's Apply. False when what the user saved could not be written: the user is told
// which file and why, the page stays open and the working copies stay for another try.
bool ApplyJobOptionsPage(HWND page, DriverItemMap& map) {
    if (map.Watermarks.Loaded == 1) {
        const SaveResult saved = SaveWatermarkList(map.Watermarks);
        if (!saved) {
            ReportSaveFailure(page, map.Watermarks.DataFile, saved.error);
            return false;
        }
        FreeWatermarkList(map.Watermarks);
        map.Watermarks.Loaded = 0;
    }
    SaveResult committed;
    const bool copied = CommitOverlays(map, committed);
    if (!committed) {
        ReportSaveFailure(page, SheetDataFile(map), committed.error);
        return false;
    }
    TellSheetOk(map, map.JobOptionsPageHandle);
    // The Colour page's result is settled too, when there is one: its overlay forms changed.
    if (copied && map.ColorPageHandle != nullptr) TellSheetOk(map, map.ColorPageHandle);
    DeleteLinkFont(page);
    return true;
}

// --- Commands ----------------------------------------------------------------------------------

void OpenLink(HWND page, const DriverItemMap& map) {
    wchar_t link[kIniStringChars];
    ReadModelValue(map, L"TabLinkName", link, kIniStringChars);
    if (link[0] != L'\0') ShellExecuteW(page, nullptr, link, nullptr, nullptr, SW_SHOWNORMAL);
}

void ShowAboutDialog(HWND page, DriverItemMap& map) {
    DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_ABOUT), page, &AboutDialogProc,
                    reinterpret_cast<LPARAM>(&map));
}

void MarkWhen(HWND page, INT_PTR result) {
    if (result == kDialogAccepted) MarkPageChanged(page);
}

bool OnCommand(HWND page, DriverItemMap& map, int id, int code) {
    if (id >= IDC_JOBTYPE_NORMAL && id <= IDC_JOBTYPE_LAST) {
        if (code != BN_CLICKED) return true;
        ChooseJobType(page, map, static_cast<DWORD>(id - IDC_JOBTYPE_NORMAL));
        RefreshJobOptionsPage(page, map);
        MarkPageChanged(page);
        return true;
    }
    switch (id) {
        case IDC_LINK_TEXT:
        case IDC_LINK_PICTURE:
            if (code == BN_CLICKED) OpenLink(page, map);  // a click, Space or Enter
            return true;
        case IDC_RESOLUTION_HIGH:
        case IDC_RESOLUTION_NORMAL:
        case IDC_RESOLUTION_THIRD:
            map.WantedValue[kEntryResolution] = static_cast<DWORD>(id - IDC_RESOLUTION_HIGH);
            RefreshJobOptionsPage(page, map);
            MarkPageChanged(page);
            return true;
        case IDC_TONER_SAVE:
            StoreChecks(page, kPageBoxes, map, map.WantedValue);
            MarkPageChanged(page);
            return true;
        case IDC_CUSTOM_GAMMA:
            if (IsTicked(page, IDC_CUSTOM_GAMMA)) {
                GammaSelection(map) |= kCustomGammaBit;
            } else {
                GammaSelection(map) &= kGammaIdMask;
            }
            RefreshJobOptionsPage(page, map);
            MarkPageChanged(page);
            return true;
        case IDC_GAMMA_LIST: {
            if (code != CBN_SELCHANGE) return false;
            const LRESULT selected = SendToControl(page, IDC_GAMMA_LIST, CB_GETCURSEL, 0, 0);
            if (selected != CB_ERR) {
                GammaSelection(map) = (GammaSelection(map) & ~kGammaIdMask) |
                                      (GammaItemData(page, selected) & kGammaIdMask);
            }
            MarkPageChanged(page);
            return true;
        }
        case IDC_COPIES_EDIT:
            OnNumberTyped(page, map, kCopiesField, code);
            return true;
        case IDC_SCALE_EDIT:
            OnNumberTyped(page, map, kScaleField, code);
            return true;
        case IDC_WATERMARKS:
            MarkWhen(page, ShowWatermarksDialog(page, &map));
            return true;
        case IDC_OVERLAYS:
            MarkWhen(page, ShowOverlaysDialog(page, &map));
            return true;
        case IDC_JOB_ADVANCED:
            MarkWhen(page, ShowJobAdvancedDialog(page, map));
            return true;
        case IDC_ABOUT:
            ShowAboutDialog(page, map);
            return true;
        case IDC_JOB_SETTINGS:
            OpenJobTypeSettings(page, map);
            RefreshJobOptionsPage(page, map);
            MarkPageChanged(page);
            return true;
        case IDC_COLOR_CONTROL_CHECK:
            SetColorControlForced(map, IsTicked(page, IDC_COLOR_CONTROL_CHECK));
            MarkPageChanged(page);
            return true;
        case IDC_DEFAULT:
            ResetJobOptions(map);
            RefreshJobOptionsPage(page, map);
            DrawResolutionPicture(page, map);
            MarkPageChanged(page);
            return true;
        default:
            return false;
    }
}

INT_PTR OnNotify(HWND page, DriverItemMap& map, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            RefreshJobOptionsPage(page, map);
            return FALSE;
        case PSN_KILLACTIVE: {
            const bool valid = ValidateJobOptionsPage(page, map);
            if (valid) LeaveJobOptionsPage(page, map);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, valid ? FALSE : TRUE);
            return TRUE;
        }
        case PSN_APPLY: {
            const bool applied = ApplyJobOptionsPage(page, map);
            SetWindowLongPtrW(page, DWLP_MSGRESULT,
                              applied ? PSNRET_NOERROR : PSNRET_INVALID_NOCHANGEPAGE);
            return TRUE;
        }
        case PSN_RESET:
            if (map.Watermarks.Loaded == 1) {
                FreeWatermarkList(map.Watermarks);
                map.Watermarks.Loaded = 0;
            }
            DeleteLinkFont(page);
            return FALSE;
        default:
            return FALSE;
    }
}

INT_PTR OnSetCursor(HWND page, const DriverItemMap& map, HWND over) {
    const int id = GetDlgCtrlID(over);
    if (id != IDC_LINK_TEXT && id != IDC_LINK_PICTURE) return FALSE;
    wchar_t link[kIniStringChars];
    ReadModelValue(map, L"TabLinkName", link, kIniStringChars);
    if (link[0] == L'\0') return FALSE;
    SetCursor(LoadHandCursor());
    SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

INT_PTR OnDrawItem(HWND page, const DriverItemMap& map, int id, const DRAWITEMSTRUCT* item) {
    switch (id) {
        case IDC_QUALITY_PICTURE:
            DrawResolutionPicture(page, map);
            return TRUE;
        case IDC_LINK_PICTURE:
            DrawTransparentBitmap(page, ModuleHandle, IDC_LINK_PICTURE, IDB_LINK);
            return TRUE;
        case IDC_LINK_TEXT:
            if (item != nullptr) DrawLinkText(*item);
            return TRUE;
        default:
            return FALSE;
    }
}

INT_PTR OnInitDialog(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* map =
        sheetPage != nullptr ? reinterpret_cast<DriverItemMap*>(sheetPage->lParam) : nullptr;
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    MakeKeyboardLink(FindControl(page, IDC_LINK_TEXT));
    if (map != nullptr) InitJobOptionsPage(page, *map);
    return FALSE;
}

}  // namespace

int ResolutionBitmapFor(DWORD resolution) {
    switch (resolution) {
        case 1:
            return IDB_RESOLUTION_NORMAL;
        case 2:
            return IDB_RESOLUTION_THIRD;
        default:
            return IDB_RESOLUTION_HIGH;
    }
}

void ResetJobOptions(DriverItemMap& map) {
    for (const EntryDefault& value : kJobDefaults) map.WantedValue[value.entry] = value.value;
}

INT_PTR CALLBACK JobOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) return OnInitDialog(page, lParam);
    if (message == WM_HELP || message == WM_CONTEXTMENU) {
        return HandleContextHelp(MapOf(page), message, wParam, lParam) ? TRUE : FALSE;
    }
    DriverItemMap* map = MapOf(page);
    if (map == nullptr) return FALSE;
    switch (message) {
        case WM_COMMAND:
            return OnCommand(page, *map, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_NOTIFY:
            return lParam != 0 ? OnNotify(page, *map, *reinterpret_cast<const NMHDR*>(lParam))
                               : FALSE;
        case WM_DRAWITEM:
            return OnDrawItem(page, *map, static_cast<int>(wParam),
                              reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_ACTIVATE:
            DrawResolutionPicture(page, *map);
            return FALSE;
        case WM_SETCURSOR:
            return OnSetCursor(page, *map, reinterpret_cast<HWND>(wParam));
        case WM_DESTROY:
            DeleteLinkFont(page);  // a sheet closed without leaving or applying the page
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace oemui
