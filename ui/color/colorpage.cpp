#include "ui/color/colorpage.h"

#include <prsht.h>
#include <shellapi.h>
#include <strsafe.h>

#include <array>
#include <cstring>
#include <cwchar>
#include <memory>
#include <new>

#include "docprop/itemmap.h"
#include "base/config.h"
#include "base/devmode.h"
#include "base/pluginstate.h"
#include "base/userdata.h"
#include "resource.h"
#include "ui/color/advancedcolordialog.h"
#include "ui/color/calderdialog.h"
#include "ui/color/colordetail.h"
#include "ui/color/meridandialog.h"
#include "ui/color/tonerdialog.h"
#include "ui/common/accessiblename.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"
#include "ui/common/helpids.h"
#include "ui/common/linkcontrol.h"
#include "ui/common/scaling.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

// Bitmaps of the pictures 1600..1604, in radio order.
constexpr std::array<int, kColorModeCount> kModeBitmaps = {
    IDB_COLORMODE_AUTOMATIC, IDB_COLORMODE_CALDER, IDB_COLORMODE_MERIDAN, IDB_COLORMODE_NO_MATCH,
    IDB_COLORMODE_GREYSCALE};

// Limits of the values read from the configuration files.
constexpr DWORD kCcmValueChars = 1020;     // hex strings of at most 1019 characters
constexpr DWORD kSwatchValueBytes = 2048;  // the "install" directory
constexpr DWORD kSettingAnswerBytes = 65;  // DrvGetDriverSetting answer and its terminator

constexpr DWORD kOutputModeTonerSave = 1;  // VROutputMode option 1

// The page's controls that edit one wanted value each.
constexpr CheckBinding kBoxes[] = {{IDC_TONER_SAVE, kEntryOutputMode, kOutputModeTonerSave, 0}};
constexpr ListBinding kLists[] = {{IDC_BLACK_FINISH, kEntryBlackSubGra}};

// Process-wide link font, created on the first refresh and deleted whenever the page is left,
// applied or reset.
UniqueFont LinkFont;

void DeleteLinkFont() { LinkFont.reset(); }

DWORD& ColorMode(DriverItemMap& map) { return map.WantedValue[kEntryControl]; }
DWORD& GammaSelection(DriverItemMap& map) { return map.WantedValue[kEntryGammaSelection]; }
DWORD& ColorSettingCopy(DriverItemMap& map) { return map.WantedValue[kEntryColorSettingCopy]; }
DWORD& BlackFinish(DriverItemMap& map) { return map.WantedValue[kEntryBlackSubGra]; }

void ReadModelString(const DriverItemMap& map, const wchar_t* key, wchar_t* out, DWORD chars) {
    out[0] = L'\0';
    DWORD size = chars;
    GetModelStringIn(map.CapabilityPath, SheetPrinter(map), key, out, &size);
    out[chars - 1] = L'\0';
}

bool HasLinkTarget(const DriverItemMap& map) {
    wchar_t link[kIniStringChars];
    ReadModelString(map, L"TabLinkName", link, kIniStringChars);
    return link[0] != L'\0';
}

// Full path of a file of the driver's "3" directory; false when there is no such name.
bool DriverFile(const wchar_t* name, wchar_t (&path)[kPathChars]) {
    path[0] = L'\0';
    if (name[0] == L'\0') return false;
    DWORD bytes = sizeof(path);
    return BuildDriverFilePath(path, &bytes, name);
}

// The custom gamma file named by "HALFTONE" in the plug-in INI file.
bool GammaFilePath(const DriverItemMap& map, wchar_t (&path)[kPathChars]) {
    if (map.IniPath[0] == L'\0') return false;
    wchar_t name[kPathChars] = {};
    SheetProfileString(L"DependentFiles", L"HALFTONE", name, kPathChars, map.IniPath);
    return DriverFile(name, path);
}

// The colour-matching information file named by "CCMInfoFile" of the model: a copy in the
// driver's user data folder first (where a tool that updates the tables for users keeps
// them), else the model's file in the driver directory, which the plug-in never changes.
bool CcmFilePath(const DriverItemMap& map, wchar_t (&path)[kPathChars]) {
    wchar_t name[kPathChars];
    ReadModelString(map, L"CCMInfoFile", name, kPathChars);
    wchar_t found[kPathChars] = {};
    const wchar_t* dataFile = map.UserDataFile;
    if (dataFile[0] == L'\0' && UserDataFilePathFor(SheetPrinter(map), found, kPathChars)) {
        dataFile = found;
    }
    if (UserDataCopyOf(dataFile, name, path, kPathChars)) return true;
    return DriverFile(name, path);
}

// Asks the core driver which special toner the printer has installed; an answer it does not
// give, or does not know, leaves the sheet's kind as it was.
void QuerySpecialToner(DriverItemMap& map) {
    char answer[kSettingAnswerBytes];
    if (!QueryDriverSetting(map, "VRSpecialTonerInstalled", answer, kSettingAnswerBytes)) return;
    if (std::strcmp(answer, "None") == 0) {
        map.SpecialTonerKind = kSpecialTonerNone;
    } else if (std::strcmp(answer, "White") == 0) {
        map.SpecialTonerKind = kSpecialTonerWhite;
    } else if (std::strcmp(answer, "Clear") == 0) {
        map.SpecialTonerKind = kSpecialTonerClear;
    }
}

// Fills the black-finish list with the option names of the VRBlackSubGra item.
void FillBlackFinishList(HWND page, const DriverItemMap& map) {
    if (!HasControl(page, IDC_BLACK_FINISH)) return;
    const POPTITEM item = BoundItem(map, kEntryBlackSubGra);
    if (item == nullptr || item->pOptType == nullptr || item->pOptType->pOptParam == nullptr) {
        return;
    }
    for (WORD i = 0; i < item->pOptType->Count; ++i) {
        const OPTPARAM& option = item->pOptType->pOptParam[i];
        const wchar_t* name =
            option.pData != nullptr && !IS_INTRESOURCE(option.pData) ? option.pData : L"";
        SendToControl(page, IDC_BLACK_FINISH, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
    }
}

// Selects the gamma list item of the chosen id; a choice that is not listed falls back to the
// first item with custom gamma off.
void RefreshGammaControls(HWND page, DriverItemMap& map) {
    if (!HasControl(page, IDC_GAMMA_LIST)) return;  // no settings: the stored choice stays
    DWORD& gamma = GammaSelection(map);
    const LRESULT count = SelectChosenSetting(page, IDC_GAMMA_LIST, gamma);
    const bool on = (gamma & kChoiceOnMask) != 0;
    EnableControl(page, IDC_GAMMA_LIST, on);
    EnableControl(page, IDC_CUSTOM_GAMMA, count > 0);
    SetTicked(page, IDC_CUSTOM_GAMMA, on && count > 0);
}

void RefreshLink(HWND page, const DriverItemMap& map) {
    wchar_t link[kIniStringChars];
    ReadModelString(map, L"TabLinkName", link, kIniStringChars);
    if (link[0] != L'\0') {
        SetControlText(page, IDC_LINK_TEXT, link);
        ShowControlRange(page, IDC_LINK_TEXT, IDC_LINK_TEXT, TRUE);
    } else {
        ShowControlRange(page, IDC_LINK_TEXT, IDC_LINK_TEXT, FALSE);
    }
    ShowControlRange(page, IDC_LINK_PICTURE, IDC_LINK_PICTURE, TRUE);
    HWND picture = FindControl(page, IDC_LINK_PICTURE);
    if (picture == nullptr) return;
    // The picture shows no text; its window text is the link target, which screen readers
    // announce as its name. Set only when it differs: each change repaints the picture.
    wchar_t shown[kIniStringChars] = {};
    GetWindowTextW(picture, shown, kIniStringChars);
    if (std::wcscmp(shown, link) != 0) SetWindowTextW(picture, link);
    SendLinkMessage(picture, 1, 0);
}

void OpenLink(HWND page, const DriverItemMap& map) {
    wchar_t link[kIniStringChars];
    ReadModelString(map, L"TabLinkName", link, kIniStringChars);
    if (link[0] != L'\0') ShellExecuteW(page, nullptr, link, nullptr, nullptr, SW_SHOWNORMAL);
}

// Starts "swatch.exe" from the directory the swatch utility registered under the model's
// "SwatchRegPath" key; tells the user to install it when it is not registered.
void StartSwatchUtility(HWND page, const DriverItemMap& map) {
    wchar_t keyPath[kIniStringChars];
    ReadModelString(map, L"SwatchRegPath", keyPath, kIniStringChars);
    wchar_t program[kSwatchValueBytes / sizeof(wchar_t) + 16] = {};
    bool found = false;
    UniqueRegKey key;
    if (keyPath[0] != L'\0' &&
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, keyPath, 0, KEY_READ, key.put()) == ERROR_SUCCESS) {
        DWORD type = 0;
        DWORD bytes = kSwatchValueBytes;
        if (RegQueryValueExW(key.get(), L"install", nullptr, &type,
                             reinterpret_cast<BYTE*>(program), &bytes) == ERROR_SUCCESS &&
            (type == REG_SZ || type == REG_EXPAND_SZ)) {
            // The stored string need not end with a NUL; `program` has room for one more.
            program[bytes / sizeof(wchar_t)] = L'\0';
            found = SUCCEEDED(StringCchCatW(program, ARRAYSIZE(program), L"\\swatch.exe"));
        }
    }
    if (!found) {
        MessageBoxById(page, IDS_SWATCH_NOT_INSTALLED, IDS_CAPTION_ERROR, MB_ICONEXCLAMATION);
        return;
    }
    ShellExecuteW(page, nullptr, program, nullptr, nullptr, SW_SHOWNORMAL);
}

// Reads one hex-string key of the colour-matching file into a table and its length bytes.
void LoadCcmTable(const wchar_t* path, const wchar_t* section, const wchar_t* format, DWORD setting,
                  BYTE* table, std::size_t capacity, BYTE (&length)[2]) {
    wchar_t key[32];
    StringCchPrintfW(key, 32, format, setting);
    std::unique_ptr<wchar_t[]> text(new (std::nothrow) wchar_t[kCcmValueChars]);
    std::size_t count = 0;  // without memory for the text the table is empty
    if (text) {
        text[0] = L'\0';
        GetPrivateProfileStringW(section, key, L"", text.get(), kCcmValueChars, path);
        DecodeHexBytes(text.get(), table, capacity, count);
    }
    length[0] = static_cast<BYTE>(count & 0xFF);
    length[1] = static_cast<BYTE>((count >> 8) & 0xFF);
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return -1;
}

void ChooseMode(HWND page, DriverItemMap& map, DWORD mode) {
    ColorMode(map) = mode;
    UpdateColorModeControls(page, map);
    RefreshColorPage(page, map);
    MarkPageChanged(page);
}

void OpenDetail(HWND page, DriverItemMap& map, WORD templateId) {
    if (OpenColorDetailDialog(page, templateId, map) != kDetailCancelled) MarkPageChanged(page);
}

bool OnCommand(HWND page, DriverItemMap& map, int id, int code) {
    if (id >= IDC_COLORMODE_AUTOMATIC && id <= IDC_COLORMODE_GREYSCALE) {
        if (code == BN_CLICKED)
            ChooseMode(page, map, static_cast<DWORD>(id - IDC_COLORMODE_AUTOMATIC));
        return true;
    }
    if (id >= IDC_COLORMODE_PICTURE_FIRST && id <= IDC_COLORMODE_PICTURE_LAST) {
        if (code == BN_CLICKED)
            ChooseMode(page, map, static_cast<DWORD>(id - IDC_COLORMODE_PICTURE_FIRST));
        return true;
    }
    if (StoreBoundCommand(page, kBoxes, kLists, id, code, map.WantedValue)) {
        MarkPageChanged(page);
        return true;
    }
    switch (id) {
        case IDC_CALDER_OPTIONS:
            OpenDetail(page, map, IDD_CALDER_COLOR);
            return true;
        case IDC_MERIDAN_OPTIONS:
            OpenDetail(page, map, IDD_MERIDAN_PRO);
            return true;
        case IDC_COLOR_ADVANCED:
            OpenDetail(page, map, IDD_COLOR_ADVANCED);
            return true;
        case IDC_SPECIAL_TONER:
            OpenDetail(page, map,
                       map.SpecialTonerKind == kSpecialTonerWhite ? IDD_SPECIAL_TONER_WHITE
                                                                  : IDD_SPECIAL_TONER_CLEAR);
            return true;
        case IDC_GAMMA_LIST:
            if (code != CBN_SELCHANGE) return false;
            if (TakeSelectedSetting(page, id, GammaSelection(map))) MarkPageChanged(page);
            return true;
        case IDC_CUSTOM_GAMMA:
            SwitchChoice(GammaSelection(map), IsTicked(page, IDC_CUSTOM_GAMMA));
            RefreshColorPage(page, map);
            MarkPageChanged(page);
            return true;
        case IDC_COLOR_SWATCH:
            if (code == BN_CLICKED) StartSwatchUtility(page, map);
            return true;
        case IDC_LINK_TEXT:
        case IDC_LINK_PICTURE:
            if (code == BN_CLICKED) OpenLink(page, map);  // STN_CLICKED is the same code
            return true;
        case IDC_DEFAULT:
            if (code == BN_CLICKED) {
                ResetColorDefaults(map);
                RefreshColorPage(page, map);
                MarkPageChanged(page);
            }
            return true;
        default:
            return false;
    }
}

INT_PTR OnNotify(HWND page, DriverItemMap& map, const NMHDR& header) {
    switch (header.code) {
        case PSN_SETACTIVE:
            RefreshColorPage(page, map);
            SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
            return TRUE;
        case PSN_KILLACTIVE:
            PushDocumentSettings(map);
            SaveColorSettings(page, map);
            VisitDriverPageOnce(page, map);
            DeleteLinkFont();
            SetWindowLongPtrW(page, DWLP_MSGRESULT, FALSE);
            return TRUE;
        case PSN_APPLY:
            if (map.ComPropSheet != nullptr) {
                map.ComPropSheet(map.SheetHandle, CPSFUNC_SET_RESULT,
                                 reinterpret_cast<LPARAM>(map.ColorPageHandle), CPSUI_OK);
            }
            DeleteLinkFont();
            SetWindowLongPtrW(page, DWLP_MSGRESULT, PSNRET_NOERROR);
            return TRUE;
        case PSN_RESET:
            DeleteLinkFont();
            return FALSE;
        default:
            return FALSE;
    }
}

}  // namespace

void ResetColorDefaults(DriverItemMap& map) {
    ColorMode(map) = kColorModeAutomatic;
    GammaSelection(map) = 0;
    BlackFinish(map) = 0;
}

bool DecodeHexBytes(const wchar_t* text, BYTE* out, std::size_t capacity, std::size_t& count) {
    count = 0;
    if (text == nullptr) return false;
    bool error = false;
    for (std::size_t at = 0;; at += 2) {
        const int high = HexValue(text[at]);
        if (high < 0) return error || text[at] != L'\0';
        const wchar_t second = text[at + 1];
        if (second == L'\0') return error;   // a lone last digit makes no byte
        if (count == capacity) return true;  // more bytes than the table holds
        const int low = HexValue(second);
        if (low < 0) error = true;  // the byte keeps only its high nibble
        out[count++] = static_cast<BYTE>((high << 4) | (low < 0 ? 0 : low));
    }
}

namespace {

// The five mode pictures ready to paint, each built on its first paint and kept until the page
// goes away: a paint is then two blits instead of a resource load and the masking.
// (At namespace scope, like every object the plug-in keeps: see base/processwide.h.)
std::array<MaskedPicture, kColorModeCount> pictures;

std::array<MaskedPicture, kColorModeCount>& ModePictures() { return pictures; }

// The mode bitmaps are 48 x 44 (at 96 DPI); a larger resource is not drawn.
constexpr int kMaxModePictureSide = 64;

void ReleaseModePictures() {
    for (MaskedPicture& picture : ModePictures()) picture = MaskedPicture();
}

// Each picture asks for its own paint; drawing all five per request made opening the page
// paint 25 pictures where 5 show the same thing. The picture goes where its control sits on
// the page, as a transparent bitmap scaled for the page's DPI and centred in the control.
void DrawModePicture(HWND page, int controlId) {
    const int index = controlId - IDC_COLORMODE_PICTURE_FIRST;
    if (index < 0 || index >= static_cast<int>(kColorModeCount)) return;
    // Before the page is shown (its set-up and first activation) nothing drawn would stay: the
    // pictures' own paint requests draw them once the page appears.
    if (!IsWindowVisible(page)) return;
    RECT box;
    if (!ControlRectIn(page, controlId, box)) return;
    WindowDc window(page);
    if (!window) return;
    MaskedPicture& picture = ModePictures()[static_cast<size_t>(index)];
    if (!picture.picture &&
        !BuildMaskedPicture(window.get(), ModuleHandle, kModeBitmaps[static_cast<size_t>(index)],
                            kMaxModePictureSide, picture)) {
        return;
    }
    DrawMaskedPicture(window.get(), FitPicture(box, picture.width, picture.height, WindowDpi(page)),
                      picture);
}

}  // namespace

void UpdateColorModeControls(HWND page, DriverItemMap& map) {
    for (DWORD i = 0; i < kColorModeCount; ++i) {
        DrawModePicture(page, IDC_COLORMODE_PICTURE_FIRST + static_cast<int>(i));
    }
    const DWORD mode = ColorMode(map);
    SetRadioChoice(page, IDC_COLORMODE_AUTOMATIC, IDC_COLORMODE_GREYSCALE,
                   IDC_COLORMODE_AUTOMATIC + static_cast<int>(mode));
    EnableControl(page, IDC_CALDER_OPTIONS, mode == kColorModeCalder);
    EnableControl(page, IDC_MERIDAN_OPTIONS, mode == kColorModeMeridan);
    // Toner Save steers VROutputMode; without that feature the box has nothing to set.
    EnableControl(page, IDC_TONER_SAVE,
                  mode != kColorModeGreyscale && HasItem(map, kEntryOutputMode));
    if (IsReadOnlySheet(map)) {
        RestrictControlRange(page, IDC_COLORMODE_PICTURE_FIRST, IDC_COLORMODE_GROUP, FALSE);
        RestrictControlRange(page, IDC_COLOR_MODE_EXTRA_FIRST, IDC_COLOR_ADVANCED, FALSE);
        RestrictControlRange(page, IDC_TONER_SAVE, IDC_TONER_SAVE, FALSE);
        RestrictControlRange(page, IDC_DEFAULT, IDC_DEFAULT, FALSE);
    }
}

void InitColorPage(HWND page, DriverItemMap& map) {
    wchar_t swatch[kIniStringChars];
    ReadModelString(map, L"SwatchRegPath", swatch, kIniStringChars);
    if (swatch[0] == L'\0') DestroyControlRange(page, IDC_COLOR_SWATCH, IDC_COLOR_SWATCH);

    const PrivateDevmode* record = SheetRecord(map);
    if (record != nullptr) GammaSelection(map) = record->PsGammaSettingId;
    wchar_t gammaPath[kPathChars];
    const UINT settings = GammaFilePath(map, gammaPath)
                              ? AddSettingList(page, IDC_GAMMA_LIST, gammaPath, L"PSGamma", 0)
                              : 0;
    if (settings == 0) {
        DestroyControlRange(page, IDC_CUSTOM_GAMMA, IDC_CUSTOM_GAMMA);
        DestroyControlRange(page, IDC_GAMMA_LABEL, IDC_GAMMA_LIST);
    }

    if (!HasItem(map, kEntrySpecialColorSpace)) {
        DestroyControlRange(page, IDC_SPECIAL_TONER, IDC_SPECIAL_TONER);
    } else {
        QuerySpecialToner(map);
        EnableControl(page, IDC_SPECIAL_TONER, map.SpecialTonerKind != kSpecialTonerNone);
    }

    if (record != nullptr) ColorSettingCopy(map) = record->ColorSettingId;
    FillBlackFinishList(page, map);
}

void RefreshColorPage(HWND page, DriverItemMap& map) {
    UpdateColorModeControls(page, map);
    if (map.SpecialTonerKind != kSpecialTonerNone) {
        EnableControl(page, IDC_SPECIAL_TONER, ColorMode(map) != kColorModeGreyscale);
    }
    if (map.CapabilityPath[0] != L'\0') RefreshGammaControls(page, map);

    LoadHandCursor();
    // The link font is the page's font, underlined: made from the font of a control's parent.
    if (!LinkFont) {
        HWND link = FindControl(page, IDC_LINK_PICTURE);
        if (link != nullptr) LinkFont = CreateLinkFont(link, true);
    }
    RefreshLink(page, map);

    LoadChecks(page, kBoxes, map, map.WantedValue);
    LoadLists(page, kLists, map, map.WantedValue);
    if (IsReadOnlySheet(map)) {
        // The gamma refresh above enables the list and its switch again: lock them after it.
        RestrictControlRange(page, IDC_GAMMA_LIST, IDC_GAMMA_LIST, FALSE);
        RestrictControlRange(page, IDC_CUSTOM_GAMMA, IDC_CUSTOM_GAMMA, FALSE);
        RestrictControlRange(page, IDC_COLOR_EXTRA_FIRST, IDC_COLOR_EXTRA_LAST, FALSE);
        RestrictControlRange(page, IDC_BLACK_FINISH_LABEL, IDC_BLACK_FINISH, FALSE);
        RestrictControlRange(page, IDC_SPECIAL_TONER, IDC_SPECIAL_TONER, FALSE);
    }
}

void SaveColorSettings(HWND, DriverItemMap& map) {
    PrivateDevmode* record = SheetRecord(map);
    if (record == nullptr) return;
    record->ColorModeValue = LOWORD(map.WantedValue[kEntryColorModeCopy]);
    const DWORD setting = ColorSettingCopy(map);
    record->ColorSettingId = setting;
    record->PsGammaSettingId = GammaSelection(map);

    if ((setting & kChoiceOnMask) == 0) return;  // no tables chosen: keep what the record has
    wchar_t path[kPathChars];
    CcmFilePath(map, path);  // a missing file reads as empty tables
    const wchar_t* section = (setting & kColorSettingGammaBit) != 0 ? L"Gamma" : L"Color";
    const DWORD number = setting & 0xFF;
    LoadCcmTable(path, section, L"CCMNT%u", number, record->CcmTable, sizeof(record->CcmTable),
                 record->CcmTableLength);
    LoadCcmTable(path, section, L"CCMNV%u", number, record->CcmValue, sizeof(record->CcmValue),
                 record->CcmValueLength);
}

INT_PTR OpenColorDetailDialog(HWND page, WORD templateId, DriverItemMap& map) {
    switch (templateId) {
        case IDD_COLOR_ADVANCED:
            return ShowAdvancedColorDialog(page, map);
        case IDD_CALDER_COLOR:
            return ShowCalderColorDialog(page, map);
        case IDD_MERIDAN_PRO:
            return ShowMeridanProDialog(page, map);
        case IDD_SPECIAL_TONER_WHITE:
        case IDD_SPECIAL_TONER_CLEAR:
            return ShowSpecialTonerDialog(page, templateId, map);
        default:
            return kDetailCancelled;
    }
}

bool ColorMatchingFilePath(const DriverItemMap& map, wchar_t (&path)[kPathChars]) {
    return CcmFilePath(map, path);
}

void DeleteColorLinkFont() { DeleteLinkFont(); }

namespace {

void OpenPage(HWND page, LPARAM lParam) {
    const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
    auto* map =
        sheetPage != nullptr ? reinterpret_cast<DriverItemMap*>(sheetPage->lParam) : nullptr;
    SetWindowLongPtrW(page, DWLP_USER, reinterpret_cast<LONG_PTR>(map));
    MakeKeyboardLink(FindControl(page, IDC_LINK_PICTURE));
    NameSharedButtons(page, IDD_COLOR_PAGE, ModuleHandle);
    if (map != nullptr) {
        InitColorPage(page, *map);
        RefreshColorPage(page, *map);
    }
    SheetFlags |= kSheetFlagPluginPageSeen;
}

INT_PTR OnDrawItem(HWND page, WPARAM id, const DRAWITEMSTRUCT* item) {
    if (id >= IDC_COLORMODE_PICTURE_FIRST && id <= IDC_COLORMODE_PICTURE_LAST) {
        DrawModePicture(page, static_cast<int>(id));
        return TRUE;
    }
    if (id != IDC_LINK_PICTURE) return FALSE;
    DrawTransparentBitmap(page, ModuleHandle, IDC_LINK_PICTURE, IDB_LINK);
    // The picture is the page's link and takes the keyboard focus: it shows it.
    if (item != nullptr) DrawFocusCue(*item);
    return TRUE;
}

// The hand over the link while the model names a target.
INT_PTR OnSetCursor(HWND page, const DriverItemMap& map, HWND control) {
    const int id = GetDlgCtrlID(control);
    if ((id != IDC_LINK_TEXT && id != IDC_LINK_PICTURE) || !HasLinkTarget(map)) return FALSE;
    SetCursor(LoadHandCursor());
    SetWindowLongPtrW(page, DWLP_MSGRESULT, TRUE);
    return TRUE;
}

// The link text in blue on the page's background.
INT_PTR OnStaticColor(HDC dc, HWND control) {
    if (GetDlgCtrlID(control) != IDC_LINK_TEXT) return FALSE;
    // The static selects its own font after this answer when it has one; the guard gives the
    // DC back its font either way.
    SelectGuard font(dc, LinkFont.get());
    SetTextColor(dc, RGB(0, 0, 255));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(NULL_BRUSH));
}

}  // namespace

INT_PTR CALLBACK ColorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        OpenPage(page, lParam);
        return TRUE;
    }
    if (message == WM_DESTROY) {  // the sheet ends with its pages
        ReleaseModePictures();
        ForgetSharedButtonNames(page, IDD_COLOR_PAGE);
    }
    if (HandleContextHelp(MapOf(page), message, wParam, lParam)) return TRUE;
    DriverItemMap* map = MapOf(page);
    if (map == nullptr) return FALSE;

    switch (message) {
        case WM_ACTIVATE:
            UpdateColorModeControls(page, *map);
            return FALSE;
        case WM_DRAWITEM:
            return OnDrawItem(page, wParam, reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        case WM_SETCURSOR:
            return OnSetCursor(page, *map, reinterpret_cast<HWND>(wParam));
        case WM_CTLCOLORSTATIC:
            return OnStaticColor(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_NOTIFY:
            return lParam != 0 ? OnNotify(page, *map, *reinterpret_cast<const NMHDR*>(lParam))
                               : FALSE;
        case WM_COMMAND:
            return OnCommand(page, *map, LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        default:
            return FALSE;
    }
}

}  // namespace oemui
