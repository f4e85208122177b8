#include "setup/printeroptions.h"

#include <shlobj.h>
#include <strsafe.h>
#include <winspool.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>

#include "base/driverfiles.h"
#include "docprop/itemmap.h"
#include "base/phasetimer.h"
#include "base/config.h"
#include "base/trace.h"
#include "base/pluginstate.h"
#include "res/resource.h"
#include "base/handles.h"

namespace oemui {

namespace {

// --- Tables of the printer tree --------------------------------------------------------------

// Core items recorded by the number of the core string that names them (slot = 6 + position).
constexpr WORD kRecordedNames[kRecordedItems] = {404, 405, 440, 427, 428};
// The core's "Installable Options" heading, shown collapsed.
constexpr WORD kCollapsedName = 64798;

// Installable options, by the whole PPD keyword of their feature.
struct TaggedOption {
    const char* keyword;
    BYTE tag;
    WORD helpIndex;
};
constexpr TaggedOption kTaggedOptions[] = {
    {"VRHDD", 3, 2205},
    {"VROptionDuplex", 5, 2204},
    {"VROptionTray", 6, 2203},
    {"InstalledMemory", 7, 2207},
    {"VRFinisher", 8, 2206},
    {"VROptionMPF", 9, 2209},
    {"VRPunchUnit", 10, 2211},
    {"VRJobLimit", kJobLimitTag, 2212},
    {"VRSpecialTonerInstalled", 12, 1812},
};
constexpr BYTE kMemoryTag = 7;

// The plug-in's own item.
constexpr BYTE kButtonLevel = 2;
constexpr DWORD kButtonFlags = OPTIF_CALLBACK | OPTIF_HAS_POIEXT;
constexpr WORD kButtonHelpIndex = 2210;
constexpr WORD kButtonStyle = 0xE0;
constexpr LPARAM kButtonSecondParam = 9999;

constexpr wchar_t kOemValueName[] = L"OEMUI_VALUE";

#if !defined(_WIN64)
static_assert(sizeof(OPTITEM) == 52 && sizeof(OPTPARAM) == 24 && sizeof(OIEXT) == 28);
#endif

template <typename Fn>
Fn Entry(HMODULE module, const char* name) {
    return module != nullptr
               ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// The printer name in the ANSI code page, cut to kAnsiNameBytes.
struct AnsiName {
    explicit AnsiName(const wchar_t* name) {
        if (name == nullptr) return;
        if (WideCharToMultiByte(CP_ACP, 0, name, -1, text, kAnsiNameBytes, nullptr, nullptr) == 0) {
            text[kAnsiNameBytes - 1] = '\0';
        }
    }
    char text[kAnsiNameBytes] = {};
};

// The sheet's printer opened by name with full access; the tree's own handle when the name
// cannot be opened that way (the lookups made through it only read). The opened handle names the
// tree's printer, so while it is open its look-ups read the sheet's copy of the driver
// information and model section instead of fetching them again.
class SheetPrinter {
public:
    explicit SheetPrinter(POEMCUIPPARAM param) {
        PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE handle = nullptr;
        if (param->pPrinterName != nullptr &&
            OpenPrinterW(param->pPrinterName, &handle, &defaults)) {
            owned_.reset(handle);
            aliased_ = AliasSheetPrinter(param->hPrinter, owned_.get());
        }
        handle_ = owned_ ? owned_.get() : param->hPrinter;
    }
    ~SheetPrinter() {
        if (aliased_) DropSheetPrinterAlias(owned_.get());
    }
    SheetPrinter(const SheetPrinter&) = delete;
    SheetPrinter& operator=(const SheetPrinter&) = delete;
    HANDLE get() const { return handle_; }

private:
    UniquePrinter owned_;
    HANDLE handle_ = nullptr;
    bool aliased_ = false;
};

// Loads the model's network library ("NetExtDLL") from the driver directory; empty when it
// has none. A full path, never a bare name: along the search order a library planted in the
// application's folder or the current directory would run in the spooler or the application.
// The sheet keeps it from its first use: the tree asks for it at set-up, on every activation,
// on focus and on the button.
SheetLibrary LoadNetworkLibrary(HANDLE printer) {
    wchar_t name[kPathChars] = {};
    DWORD chars = kPathChars;
    GetModelString(printer, L"NetExtDLL", name, &chars);
    if (name[0] == L'\0') return SheetLibrary();
    wchar_t path[kPathChars] = {};
    DWORD pathBytes = sizeof(path);
    if (!BuildDriverFilePath(path, &pathBytes, name, 3)) return SheetLibrary();
    return SheetLibrary(path, L"network library (NetExtDLL)");
}

// The printer's PRINTER_INFO_2A in a zero-filled block, empty when the spooler gives none.
// Most printers' information fits the first guess, which saves the size query.
GlobalBlock<BYTE> FetchPrinterInfo2(HANDLE printer) {
    constexpr DWORD kFirstGuess = 8192;
    GlobalBlock<BYTE> block(kFirstGuess);
    if (!block) return block;
    DWORD needed = 0;
    if (GetPrinterA(printer, 2, block.get(), kFirstGuess, &needed)) return block;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER || needed == 0) return GlobalBlock<BYTE>(0);
    GlobalBlock<BYTE> larger(needed);
    if (!larger || !GetPrinterA(printer, 2, larger.get(), needed, &needed)) {
        return GlobalBlock<BYTE>(0);
    }
    return larger;
}

// Reads an optional sign and decimal digits after optional blanks; clamps to the INT range.
INT ParseLeadingInt(const char* text) {
    while (*text == ' ' || *text == '\t') ++text;
    bool negative = false;
    if (*text == '+' || *text == '-') negative = *text++ == '-';
    long long value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + (*text - '0');
        if (value > INT_MAX) value = static_cast<long long>(INT_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<INT>(value);
}

bool FileExistsA(const char* path) {
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// The network library's data file: section = printer name, integer keys.
bool ReadNetworkReport(const char* dataFile, const char* section, InstalledReport& report) {
    if (!FileExistsA(dataFile)) return false;
    report.installed = GetPrivateProfileIntA(section, "Installed", 0, dataFile);
    report.memoryMb =
        static_cast<INT>(GetPrivateProfileIntA(section, "Random Access Memory", 0, dataFile));
    report.hardDisk = GetPrivateProfileIntA(section, "Hard Disk", 0, dataFile) != 0;
    report.punchType = GetPrivateProfileIntA(section, "PunchType", 0, dataFile);
    report.jobLimitation = GetPrivateProfileIntA(section, "JobLimitationMode", 0, dataFile);
    report.spotColor = GetPrivateProfileIntA(section, "SpotColor", 0, dataFile);
    return true;
}

// The USB library's data file: the memory size is a string, the hard disk a bit of
// "Installed".
constexpr UINT kUsbHardDiskBit = 0x80;
constexpr DWORD kRamChars = 128;

bool ReadUsbReport(const char* dataFile, const char* section, InstalledReport& report) {
    if (!FileExistsA(dataFile)) return false;
    report.installed = GetPrivateProfileIntA(section, "Installed", 0, dataFile);
    char ram[kRamChars] = {};
    GetPrivateProfileStringA(section, "RAM", "", ram, kRamChars, dataFile);
    report.memoryMb = ParseLeadingInt(ram);
    report.hardDisk = (report.installed & kUsbHardDiskBit) != 0;
    report.punchType = GetPrivateProfileIntA(section, "PunchType", 0, dataFile);
    report.jobLimitation = GetPrivateProfileIntA(section, "JobLimitationMode", 0, dataFile);
    report.spotColor = GetPrivateProfileIntA(section, "SpotColor", 0, dataFile);
    return true;
}

// The number of option trays from the low four bits of "Installed": bit 0x1, 0x2, 0x4 or 0x8
// gives 1, 2, 3 or 4, checked from 0x1 up so that the lowest set bit decides (0x06: 2).
DWORD OptionTrays(UINT installed) {
    for (DWORD trays = 1; trays <= 4; ++trays) {
        if (installed & (1u << (trays - 1))) return trays;
    }
    return 0;
}

// A string pointer of the tree, as opposed to a core string number.
bool IsTextPointer(const void* text) {
    return text != nullptr && reinterpret_cast<ULONG_PTR>(text) > 0xFFFF;
}

DWORD MemoryOptionIndex(POEMCUIPPARAM param, INT memoryMb) {
    if (param->pDrvOptItems == nullptr || memoryMb <= 0) return 0;
    for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
        const OPTITEM& item = param->pDrvOptItems[i];
        if (item.UserItemID != kMemoryTag) continue;
        // Only the first item tagged as memory counts.
        const POPTTYPE type = item.pOptType;
        if (type == nullptr || type->pOptParam == nullptr) return 0;
        for (WORD k = 0; k < type->Count; ++k) {
            const LPTSTR name = type->pOptParam[k].pData;
            if (IsTextPointer(name) && _wtoi(name) == memoryMb) return k;
        }
        return 0;
    }
    return 0;
}

// Clears the plug-in's item array the way the core driver expects it.
void ResetPluginItems(POPTITEM items, DWORD count) {
    if (items == nullptr) return;
    std::memset(items, 0, sizeof(OPTITEM) * count);
    for (DWORD i = 0; i < count; ++i) {
        items[i].cbSize = sizeof(OPTITEM);
        items[i].DMPubID = DMPUB_NONE;
    }
}

void InitExt(OIEXT& ext, wchar_t* helpFile) {
    ext.cbSize = sizeof(OIEXT);
    ext.Flags = 0;
    ext.hInstCaller = nullptr;
    ext.pHelpFile = helpFile;
}

// Copies string 8040 into a block of the core's heap (the item's name lives with the tree).
LPWSTR ButtonName(HANDLE heap) {
    const wchar_t* text = nullptr;
    const int length =
        LoadStringW(ModuleHandle, IDS_GET_INSTALLED_OPTIONS, reinterpret_cast<LPWSTR>(&text), 0);
    if (length <= 0 || text == nullptr) return nullptr;
    const size_t chars = static_cast<size_t>(length) + 1;
    auto* name = static_cast<LPWSTR>(HeapAlloc(heap, HEAP_ZERO_MEMORY, chars * sizeof(wchar_t)));
    if (name != nullptr) StringCchCopyNW(name, chars, text, static_cast<size_t>(length));
    return name;
}

void FillButtonItem(OPTITEM& item, PrinterItemMap& map, HANDLE heap) {
    InitExt(map.ButtonExt, map.HelpPath);
    for (OPTPARAM& param : map.ButtonParams) param.cbSize = sizeof(OPTPARAM);
    map.ButtonParams[1].lParam = kButtonSecondParam;
    map.ButtonType.cbSize = sizeof(OPTTYPE);
    map.ButtonType.Type = TVOT_PUSHBUTTON;
    map.ButtonType.Count = 1;
    map.ButtonType.BegCtrlID = 1;
    map.ButtonType.pOptParam = map.ButtonParams;
    map.ButtonType.Style = kButtonStyle;

    item.cbSize = sizeof(OPTITEM);
    item.Level = kButtonLevel;
    item.DlgPageIdx = 0;
    item.Flags = kButtonFlags;
    item.UserData = 0;
    item.pName = ButtonName(heap);
    item.HelpIndex = kButtonHelpIndex;
    item.UserItemID = kDetectButtonTag;
    item.pOIExt = &map.ButtonExt;
    item.pOptType = &map.ButtonType;
}

// The button is offered only when the model's network library can read this printer.
bool NetworkDetectionAvailable(POEMCUIPPARAM param) {
    const SheetLibrary library = LoadNetworkLibrary(param->hPrinter);
    const auto capability = Entry<NameFn>(library.get(), "GetNetextCapability");
    if (capability == nullptr) return false;
    const AnsiName name(param->pPrinterName);
    return capability(name.text) != 0;
}

// The printer sheet's own record, kept by the plug-in object the core driver hands back.
PrinterItemMap* PrinterRecordOf(POEMCUIPPARAM param) {
    auto* object = static_cast<PluginState*>(param->pOEMUserData);
    return object != nullptr ? object->PrinterContext : nullptr;
}

DWORD HideStandardUiSeenOf(const PluginState* object) {
    if (object == nullptr) return 0;
    if (object->DocumentContext != nullptr) return object->DocumentContext->HideStandardUiSeen;
    return object->HideStandardUIAsked;
}

}  // namespace

// ---------------------------------------------------------------------------------------------

void MapPrinterItems(PrinterItemMap& map) {
    InitExt(map.TaggedExt, map.HelpPath);
    POEMCUIPPARAM param = map.Param;
    if (param == nullptr || param->pDrvOptItems == nullptr) return;
    for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
        OPTITEM& item = param->pDrvOptItems[i];
        if (!IsTextPointer(item.pName)) {
            const auto number = static_cast<WORD>(reinterpret_cast<ULONG_PTR>(item.pName));
            for (int k = 0; k < kRecordedItems; ++k) {
                if (kRecordedNames[k] == number) {
                    map.ItemIndex[kFirstRecordedSlot + k] = i;
                    map.ItemSel[k] = item.Sel;
                }
            }
            if (number == kCollapsedName) item.Flags |= OPTIF_COLLAPSE;
        }
        const auto* data = reinterpret_cast<const USERDATA*>(item.UserData);
        if (data == nullptr || data->pKeyWordName == nullptr) continue;
        for (const TaggedOption& option : kTaggedOptions) {
            if (std::strcmp(data->pKeyWordName, option.keyword) != 0) continue;
            item.HelpIndex = option.helpIndex;
            item.UserItemID = option.tag;
            item.Flags |= OPTIF_HAS_POIEXT;
            item.pOIExt = &map.TaggedExt;
            break;
        }
    }
}

void FillDetectedOptions(const InstalledReport& report, POEMCUIPPARAM param,
                         DWORD (&values)[kDetectedCount]) {
    const UINT installed = report.installed;
    values[kDetectedHardDisk] = report.hardDisk ? 0 : 1;
    values[kDetectedDuplex] = (installed & 0x20) ? 0 : 1;
    values[kDetectedTrays] = OptionTrays(installed);
    values[kDetectedMemory] = MemoryOptionIndex(param, report.memoryMb);
    values[kDetectedFinisher] = (installed & 0x40) ? 1 : 0;
    values[kDetectedFeeder] = (installed & 0x10) ? 1 : 0;
    values[kDetectedPunch] = report.punchType != 0 ? 1 : 0;
    // From Vista on job limitation is never switched on from here.
    values[kDetectedJobLimit] = IsVistaOrLater ? 1 : (report.jobLimitation != 0 ? 0 : 1);
    values[kDetectedSpotColor] = report.spotColor;
}

int IsNetworkPort(POEMCUIPPARAM param) {
    if (param == nullptr) return 0;
    const SheetPrinter printer(param);
    const SheetLibrary library = LoadNetworkLibrary(printer.get());
    const auto validPort = Entry<NameFn>(library.get(), "IsValidPort");
    if (validPort == nullptr) return 0;
    const AnsiName name(param->pPrinterName);
    return validPort(name.text);
}

bool DetectByNetwork(POEMCUIPPARAM param, DWORD (&values)[kDetectedCount], HWND owner) {
    if (param == nullptr) return false;
    const SheetPrinter printer(param);
    const SheetLibrary library = LoadNetworkLibrary(printer.get());
    const auto readOptions = Entry<ReadOptionsFn>(library.get(), "ReadPrinterOptionFlag32");
    const auto dataFileName = Entry<DataFileNameFn>(library.get(), "GetDataFileName");
    if (readOptions == nullptr || dataFileName == nullptr) return false;
    const AnsiName name(param->pPrinterName);
    if (readOptions(name.text, owner, 0, 0, kReadFromButton) == 0) return false;
    char dataFile[kDataFileBytes] = {};
    if (dataFileName(name.text, dataFile, kDataFileBytes) == 0) return false;
    dataFile[kDataFileBytes - 1] = '\0';
    InstalledReport report;
    if (!ReadNetworkReport(dataFile, name.text, report)) return false;
    FillDetectedOptions(report, param, values);
    return true;
}

bool DetectByPort(POEMCUIPPARAM param, DWORD (&values)[kDetectedCount], HWND owner) {
    if (param == nullptr) return false;
    const SheetPrinter printer(param);
    if (printer.get() == nullptr) return false;
    const GlobalBlock<BYTE> block = FetchPrinterInfo2(printer.get());
    if (!block) return false;
    const auto* info = reinterpret_cast<const PRINTER_INFO_2A*>(block.get());

    if (!FindDependentFiles(printer.get(), nullptr)) return false;

    char section[kAnsiNameBytes] = {};
    if (info->pPrinterName != nullptr) {
        StringCchCopyA(section, kAnsiNameBytes, info->pPrinterName);
    } else {
        StringCchCopyA(section, kAnsiNameBytes, AnsiName(param->pPrinterName).text);
    }
    const char* port = info->pPortName;
    const bool usb = port != nullptr && _strnicmp(port, "USB", 3) == 0;

    char dataFile[MAX_PATH] = {};
    InstalledReport report;
    if (!usb) {
        const SheetLibrary library = LoadNetworkLibrary(printer.get());
        const auto validPort = Entry<NameFn>(library.get(), "IsValidPort");
        const auto capability = Entry<NameFn>(library.get(), "GetNetextCapability");
        const auto readOptions = Entry<ReadOptionsFn>(library.get(), "ReadPrinterOptionFlag32");
        const auto dataFileName = Entry<DataFileNameFn>(library.get(), "GetDataFileName");
        if (validPort == nullptr || capability == nullptr || readOptions == nullptr ||
            dataFileName == nullptr) {
            return false;
        }
        if (validPort(section) == 0 || capability(section) == 0) return false;
        if (readOptions(section, owner, 0, 0, kReadOnActivation) != 1) return false;
        if (dataFileName(section, dataFile, kDataFileBytes) == 0) return false;
        dataFile[kDataFileBytes - 1] = '\0';
        if (!ReadNetworkReport(dataFile, section, report)) return false;
    } else {
        wchar_t libraryName[kPathChars] = {};
        DWORD chars = kPathChars;
        GetModelString(printer.get(), L"USBExtDLL", libraryName, &chars);
        wchar_t dataName[kPathChars] = {};
        chars = kPathChars;
        GetModelString(printer.get(), L"USBExtDAT", dataName, &chars);
        if (!IsDriverFileName(libraryName, L"USBExtDLL") ||
            !IsDriverFileName(dataName, L"USBExtDAT")) {
            return false;
        }

        // The USB library sits beside the plug-in itself.
        wchar_t path[kPathChars] = {};
        const DWORD length = GetModuleFileNameW(ModuleHandle, path, kPathChars);
        if (length == 0 || length >= kPathChars) return false;
        wchar_t* slash = std::wcsrchr(path, L'\\');
        if (wchar_t* other = std::wcsrchr(path, L'/'); other != nullptr && other > slash) {
            slash = other;
        }
        if (slash == nullptr) return false;
        slash[1] = L'\0';
        if (FAILED(StringCchCatW(path, kPathChars, libraryName))) return false;
        const UniqueModule library = LoadModelLibrary(path, L"USB library (USBExtDLL)");
        const auto readFirst = Entry<NameFn>(library.get(), "ReadPrinterOptionUSB");
        const auto readSecond = Entry<NameFn>(library.get(), "ReadPrinterOptionUSB2");
        if (readFirst == nullptr || readSecond == nullptr) return false;
        if (readFirst(section) == 0) return false;

        char appData[MAX_PATH] = {};
        if (!SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, FALSE)) return false;
        char dataNameA[kPathChars] = {};
        if (WideCharToMultiByte(CP_ACP, 0, dataName, -1, dataNameA, kPathChars, nullptr, nullptr) ==
                0 ||
            FAILED(StringCchPrintfA(dataFile, MAX_PATH, "%s\\%s", appData, dataNameA))) {
            return false;
        }
        if (readSecond(section) == 0) return false;
        if (!ReadUsbReport(dataFile, section, report)) return false;
    }
    FillDetectedOptions(report, param, values);
    return true;
}

LONG APIENTRY PrinterTreeCallback(PCPSUICBPARAM cbParam, POEMCUIPPARAM param) {
    if (cbParam == nullptr || param == nullptr) return CPSUICB_ACTION_NONE;
    OEMUI_PHASE(cbParam->Reason == CPSUICB_REASON_SETACTIVE          ? "printer tree: SETACTIVE"
                : cbParam->Reason == CPSUICB_REASON_APPLYNOW         ? "printer tree: APPLYNOW"
                : cbParam->Reason == CPSUICB_REASON_SEL_CHANGED      ? "printer tree: SEL_CHANGED"
                : cbParam->Reason == CPSUICB_REASON_OPTITEM_SETFOCUS ? "printer tree: SETFOCUS"
                                                                     : "printer tree: other");
    const BYTE tag = cbParam->pCurItem != nullptr ? cbParam->pCurItem->UserItemID : 0;
    POPTITEM button = param->cOEMOptItems != 0 ? param->pOEMOptItems : nullptr;
    switch (cbParam->Reason) {
        case CPSUICB_REASON_SEL_CHANGED:
            if (tag == kDetectButtonTag) {
                DWORD values[kDetectedCount] = {};
                if (DetectByNetwork(param, values, cbParam->hDlg)) {
                    PushDetectedOptions(param, values);
                }
                return CPSUICB_ACTION_OPTIF_CHANGED;
            }
            if (tag == kJobLimitTag) {
                // Before Vista a core driver that hides its standard pages leaves job
                // limitation to the user; otherwise it stays off.
                const auto* object = static_cast<const PluginState*>(param->pOEMUserData);
                if (HideStandardUiSeenOf(object) == 1 && !IsVistaOrLater) {
                    return CPSUICB_ACTION_NONE;
                }
                ForceTaggedItem(param, 1);
                return CPSUICB_ACTION_OPTIF_CHANGED;
            }
            return CPSUICB_ACTION_NONE;
        case CPSUICB_REASON_APPLYNOW:
            if (button != nullptr) {
                const DWORD value = static_cast<DWORD>(button->Sel);
                const SheetPrinter printer(param);
                SetPrinterDataW(printer.get(), const_cast<LPWSTR>(kOemValueName), REG_DWORD,
                                reinterpret_cast<LPBYTE>(const_cast<DWORD*>(&value)),
                                sizeof(value));
            }
            if (PrinterItemMap* record = PrinterRecordOf(param))
                record->AppliedSinceActivation = true;
            return CPSUICB_ACTION_NONE;
        case CPSUICB_REASON_OPTITEM_SETFOCUS:
            if (tag == kDetectButtonTag && button != nullptr) {
                if (IsNetworkPort(param) != 0) {
                    button->Flags &= ~static_cast<DWORD>(OPTIF_DISABLED);
                } else {
                    button->Flags |= OPTIF_DISABLED;
                }
                button->Flags |= OPTIF_CHANGED;
            }
            return CPSUICB_ACTION_NONE;
        case CPSUICB_REASON_SETACTIVE: {
            LONG result = CPSUICB_ACTION_NONE;
            PrinterItemMap* record = PrinterRecordOf(param);
            const bool applied = record != nullptr && record->AppliedSinceActivation;
            if (!applied && IsVistaOrLater) {
                DWORD values[kDetectedCount] = {};
                if (DetectByPort(param, values, cbParam->hDlg)) {
                    PushDetectedOptions(param, values);
                    result = CPSUICB_ACTION_OPTIF_CHANGED;
                }
            }
            if (record != nullptr) record->AppliedSinceActivation = false;
            return result;
        }
        default:
            return CPSUICB_ACTION_NONE;
    }
}

HRESULT PrinterCommonUIProp(PluginState& object, POEMCUIPPARAM param, const SheetPaths& paths) {
    // First call: the core driver asks how many items the plug-in adds.
    if (param->pOEMOptItems == nullptr) {
        param->cOEMOptItems = 1;
        return S_OK;
    }
    param->pOEMUserData = &object;
    param->OEMCUIPCallback = PrinterTreeCallback;
    ResetPluginItems(param->pOEMOptItems, param->cOEMOptItems);

    object.OemHeap = param->hOEMHeap;
    if (object.OemHeap == nullptr) return E_OUTOFMEMORY;
    auto* map = static_cast<PrinterItemMap*>(
        HeapAlloc(object.OemHeap, HEAP_ZERO_MEMORY, sizeof(PrinterItemMap)));
    if (map == nullptr) return E_OUTOFMEMORY;
    // Earlier records stay on the core's heap: the items of an earlier tree point into them.
    object.PrinterContext = map;
    map->Param = param;
    static_assert(sizeof(map->HelpPath) == sizeof(paths.Help));
    memcpy(map->HelpPath, paths.Help, sizeof(map->HelpPath));
    for (DWORD& index : map->ItemIndex) index = kNoPrinterItem;
    MapPrinterItems(*map);

    if (param->cOEMOptItems != 0) {
        OPTITEM& button = param->pOEMOptItems[0];
        FillButtonItem(button, *map, object.OemHeap);
        if (!NetworkDetectionAvailable(param)) button.Flags |= OPTIF_HIDE;
    }

    // The job-limitation rule of the tree callback reads the HideStandardUI flag from here.
    auto* documentMap = static_cast<DriverItemMap*>(
        HeapAlloc(object.OemHeap, HEAP_ZERO_MEMORY, sizeof(DriverItemMap)));
    if (documentMap == nullptr) return E_OUTOFMEMORY;
    InitDriverItemMap(*documentMap, nullptr, paths);
    documentMap->HideStandardUiSeen = object.HideStandardUIAsked;
    object.DocumentContext = documentMap;
    return S_OK;
}

}  // namespace oemui
