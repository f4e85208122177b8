// Registration of the plug-in's pages in the document and printer property sheets, and the
// optional link page whose template and pictures come from a model's resource library.
#include "plugin/sheets.h"

#include <prsht.h>
#include <shellapi.h>
#include <strsafe.h>

#include <array>

#include "base/driverfiles.h"
#include "docprop/itemmap.h"
#include "base/config.h"
#include "base/trace.h"
#include "plugin/object.h"
#include "base/phasetimer.h"
#include "resource.h"
#include "setup/printeritemmap.h"
#include "ui/color/colorpage.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/jobopts/joboptionspage.h"

namespace oemui {

namespace {

constexpr WORD kLinkTemplate = 800;
constexpr WORD kLinkIcon = 1102;
constexpr WORD kLinkPicture = 1100;  // drawn framed over control 1001
constexpr WORD kLinkBadge = 1003;    // drawn with magenta transparency over control 1101
constexpr int kLinkPictureControl = 1001;
constexpr int kLinkButton = 1002;
constexpr int kLinkBadgeControl = 1101;
constexpr DWORD kSectionChars = 1024;

#ifdef OEMUI_PHASE_TIMER
// Page names of the benchmark build's timers; the shipped DLL has no timers to name.
constexpr char kJobOptionsPageName[] = "Job Options";
constexpr char kColorPageName[] = "Color";
constexpr char kLinkPageName[] = "link page";
#endif

// A printer opened by name for one operation, or the sheet's own handle when that fails.
class SheetPrinter {
public:
    SheetPrinter(const wchar_t* name, HANDLE fallback) : handle_(fallback) {
        if (name == nullptr) return;
        PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ACCESS_USE};
        HANDLE opened = nullptr;
        if (OpenPrinterW(const_cast<wchar_t*>(name), &opened, &access) && opened != nullptr) {
            owned_.reset(opened);
            handle_ = opened;
            // The same printer as the sheet's handle: its look-ups read the sheet's copy.
            aliased_ = AliasSheetPrinter(fallback, opened);
        }
    }
    ~SheetPrinter() {
        if (aliased_) DropSheetPrinterAlias(handle_);
    }
    SheetPrinter(const SheetPrinter&) = delete;
    SheetPrinter& operator=(const SheetPrinter&) = delete;
    HANDLE get() const { return handle_; }

private:
    UniquePrinter owned_;
    HANDLE handle_;
    bool aliased_ = false;
};

// Reads a model value of the printer's capability section (section names up to 1024
// characters here).
void ReadLinkModelValue(const wchar_t* capabilityPath, HANDLE printer, const wchar_t* key,
                        wchar_t* out, DWORD outChars) {
    out[0] = L'\0';
    std::array<wchar_t, kSectionChars> section{};
    if (!ResolveModelSectionIn(capabilityPath, printer, section.data(), kSectionChars,
                               kSectionChars)) {
        return;
    }
    SheetProfileString(section.data(), key, out, outChars, capabilityPath);
}

LONG_PTR AddPage(DriverItemMap& map, HINSTANCE instance, WORD templateId, DLGPROC proc,
                 HICON icon) {
    PROPSHEETPAGEW page = {};
    page.dwSize = PROPSHEETPAGEW_V3_SIZE;
    page.dwFlags = icon != nullptr ? PSP_USEHICON : 0;
    page.hInstance = instance;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.hIcon = icon;
    page.pfnDlgProc = proc;
    page.lParam = reinterpret_cast<LPARAM>(&map);
    return map.ComPropSheet(map.SheetHandle, CPSFUNC_ADD_PROPSHEETPAGEW,
                            reinterpret_cast<LPARAM>(&page), 0);
}

// The link page: added when the model names both a support address and a resource library,
// and that library (next to the plug-in INI file) loads.
void AddLinkPage(DriverItemMap& map, const OEMUIPSPARAM& param) {
    OEMUI_PHASE("  link page: files, model values, library");
    SheetPrinter printer(param.pPrinterName, param.hPrinter);
    const DriverInfoScope sharedLookups(printer.get());

    // This printer's configuration files, so that the model values below are its own.
    wchar_t iniPath[kPathChars] = {};
    wchar_t capabilityPath[kPathChars] = {};
    const bool found = FindDependentFilesInto(printer.get(), iniPath, capabilityPath);

    wchar_t url[kIniStringChars] = {};
    wchar_t resource[kIniStringChars] = {};
    ReadLinkModelValue(capabilityPath, printer.get(), L"AskVaroURL", url, kIniStringChars);
    ReadLinkModelValue(capabilityPath, printer.get(), L"AskVaroRES", resource, kIniStringChars);
    if (!found || url[0] == L'\0' || !IsDriverFileName(resource, L"AskVaroRES")) return;

    // The library lives in the plug-in INI file's directory. Without that file there is no
    // directory to start from, and a bare name would be searched along the DLL search path.
    wchar_t* slash = wcsrchr(iniPath, L'\\');
    if (slash == nullptr) return;
    slash[1] = L'\0';
    if (FAILED(StringCchCatW(iniPath, kPathChars, resource))) return;

    // Only the library's page template, icon and pictures are used: it is mapped as an image
    // of resources, so none of its code runs in the application's process.
    if (LinkResourceModule == nullptr) {
        LinkResourceModule =
            LoadResourceLibrary(iniPath, L"link page library (AskVaroRES)").release();
    }
    if (LinkResourceModule == nullptr) return;
    HICON icon = LoadIconW(LinkResourceModule, MAKEINTRESOURCEW(kLinkIcon));
    map.LinkPageHandle =
        reinterpret_cast<HANDLE>(AddPage(map, LinkResourceModule, kLinkTemplate,
                                         OEMUI_TIMED_PAGE_PROC(LinkPageProc, kLinkPageName), icon));
}

void DrawLinkPicture(HWND page) {
    if (LinkResourceModule != nullptr) {
        DrawDibResourceFramed(page, LinkResourceModule, kLinkPicture, kLinkPictureControl);
    }
}

void OpenSupportAddress(HWND page) {
    const auto* map = reinterpret_cast<const DriverItemMap*>(GetWindowLongPtrW(page, DWLP_USER));
    if (map == nullptr || map->SheetParam == nullptr) return;
    wchar_t url[kIniStringChars] = {};
    ReadLinkModelValue(map->CapabilityPath, map->SheetParam->hPrinter, L"AskVaroURL", url,
                       kIniStringChars);
    if (url[0] != L'\0') ShellExecuteW(page, nullptr, url, nullptr, nullptr, SW_SHOWNORMAL);
}

}  // namespace

INT_PTR CALLBACK LinkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
            SetWindowLongPtrW(page, DWLP_USER, sheetPage != nullptr ? sheetPage->lParam : 0);
            DrawLinkPicture(page);
            SheetFlags |= kSheetFlagPluginPageSeen;
            return FALSE;
        }
        case WM_ACTIVATE:
            DrawLinkPicture(page);
            return FALSE;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header != nullptr && header->code == static_cast<UINT>(PSN_SETACTIVE)) {
                DrawLinkPicture(page);
            }
            return FALSE;
        }
        case WM_DRAWITEM: {
            if (wParam == kLinkPictureControl) {
                DrawLinkPicture(page);
            } else if (wParam == kLinkBadgeControl && LinkResourceModule != nullptr) {
                DrawTransparentBitmap(page, LinkResourceModule, kLinkBadgeControl, kLinkBadge);
            }
            return TRUE;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kLinkButton) {
                OpenSupportAddress(page);
                return TRUE;
            }
            return FALSE;
        case WM_HELP:
        case WM_CONTEXTMENU:
            HandleContextHelp(
                reinterpret_cast<const DriverItemMap*>(GetWindowLongPtrW(page, DWLP_USER)), message,
                wParam, lParam);
            return TRUE;
        default:
            return FALSE;
    }
}

HRESULT AddDocumentSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info == nullptr || info->Version != PROPSHEETUI_INFO_VERSION) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT: {
            DriverItemMap* map = object.DocumentContext;
            const auto* param = reinterpret_cast<const OEMUIPSPARAM*>(info->lParamInit);
            // Without the map of this sheet's tree (CommonUIProp failed or did not run) the
            // pages would have nothing to work on; the core driver's pages still show.
            if (map != nullptr && param != nullptr && info->pfnComPropSheet != nullptr) {
                map->SheetHandle = info->hComPropSheet;
                map->ComPropSheet = info->pfnComPropSheet;
                map->SheetParam = const_cast<POEMUIPSPARAM>(param);
                map->JobOptionsPageHandle = reinterpret_cast<HANDLE>(AddPage(
                    *map, ModuleHandle, IDD_JOB_OPTIONS_PAGE,
                    OEMUI_TIMED_PAGE_PROC(JobOptionsPageProc, kJobOptionsPageName), nullptr));
                if (map->ItemIndex[kEntryColor] != kNoItem) {
                    map->ColorPageHandle = reinterpret_cast<HANDLE>(
                        AddPage(*map, ModuleHandle, IDD_COLOR_PAGE,
                                OEMUI_TIMED_PAGE_PROC(ColorPageProc, kColorPageName), nullptr));
                }
                AddLinkPage(*map, *param);
            }
            info->Result = kSheetReasonHandled;
            return kSheetReasonHandled;
        }
        case PROPSHEETUI_REASON_DESTROY:
            info->Result = kSheetReasonHandled;
            return kSheetReasonHandled;
        case PROPSHEETUI_REASON_SET_RESULT: {
            const auto* result = reinterpret_cast<const SETRESULT_INFO*>(lParam);
            info->Result = result != nullptr ? static_cast<ULONG_PTR>(result->Result) : 0;
            return static_cast<HRESULT>(info->Result);
        }
        default:
            info->Result = kSheetReasonIgnored;
            return kSheetReasonIgnored;
    }
}

HRESULT AddDeviceSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam) {
    if (info == nullptr || info->Version != PROPSHEETUI_INFO_VERSION) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    switch (info->Reason) {
        case PROPSHEETUI_REASON_INIT:
            // The printer-side record exists once the printer tree has been seen.
            if (PrinterItemMap* record = object.PrinterContext) {
                record->SheetHandle = info->hComPropSheet;
                record->SheetParam = reinterpret_cast<POEMUIPSPARAM>(info->lParamInit);
                record->ComPropSheet = info->pfnComPropSheet;
            }
            info->Result = static_cast<ULONG_PTR>(lParam);
            break;
        case PROPSHEETUI_REASON_GET_INFO_HEADER: {
            auto* header = reinterpret_cast<PROPSHEETUI_INFO_HEADER*>(lParam);
            if (header != nullptr) {
                LoadStringW(ModuleHandle, IDS_DEVICE_SHEET_TITLE, object.DeviceSheetTitle,
                            ARRAYSIZE(object.DeviceSheetTitle));
                header->pTitle = object.DeviceSheetTitle;
            }
            info->Result = kSheetReasonHandled;
            break;
        }
        case PROPSHEETUI_REASON_DESTROY:
            info->Result = kSheetReasonHandled;
            break;
        case PROPSHEETUI_REASON_SET_RESULT: {
            const auto* result = reinterpret_cast<const SETRESULT_INFO*>(lParam);
            info->Result = result != nullptr ? static_cast<ULONG_PTR>(result->Result) : 0;
            break;
        }
        case PROPSHEETUI_REASON_GET_ICON:
            info->Result = kSheetReasonIgnored;
            break;
        default:
            info->Result = static_cast<ULONG_PTR>(lParam);
            break;
    }
    return S_OK;
}

}  // namespace oemui
