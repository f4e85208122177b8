#include "plugin/object.h"

#include <strsafe.h>

#include <array>
#include <new>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "docevent/docevent.h"
#include "plugin/sheets.h"
#include "ui/common/controls.h"
#include "setup/printerevent.h"
#include "setup/printeroptions.h"
#include "base/phasetimer.h"
#include "ui/watermark/watermarks.h"
#include "base/handles.h"
#include "base/trace.h"

namespace oemui {

volatile LONG ObjectCount = 0;
volatile LONG LockCount = 0;

// ---------------------------------------------------------------------------------------------
// Module

void OnProcessAttach(HMODULE module) {
    ModuleHandle = module;
    LinkResourceModule = nullptr;
    // Without event tracing on the system the debug output is still there.
    StartTraceProvider(SystemEventTracingCalls());
}

void OnProcessDetach(bool processTerminating) {
    // At process exit the loader unloads everything itself; freeing from here then is unsafe.
    if (LinkResourceModule != nullptr && !processTerminating) FreeLibrary(LinkResourceModule);
    LinkResourceModule = nullptr;
    DropSheetLibraryAtDetach(processTerminating);
    // At process exit the memory goes with the process; the storage slot must not be freed
    // while other threads may still run.
    if (!processTerminating) ForgetFoundControls();
    // At process exit no session can call into the module any more, and the registration
    // goes with the process.
    if (!processTerminating) StopTraceProvider();
}

HRESULT GetPluginClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_OemUiPlugin)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) PluginClassFactory();
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(riid, ppv);
    factory->Release();
    return hr;
}

HRESULT CanUnloadPlugin() {
    return (InterlockedCompareExchange(&ObjectCount, 0, 0) != 0 ||
            InterlockedCompareExchange(&LockCount, 0, 0) != 0)
               ? S_FALSE
               : S_OK;
}

// ---------------------------------------------------------------------------------------------
// Class factory

HRESULT STDMETHODCALLTYPE PluginClassFactory::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
        *ppv = static_cast<IClassFactory*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE PluginClassFactory::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&refCount_));
}

ULONG STDMETHODCALLTYPE PluginClassFactory::Release() {
    const LONG count = InterlockedDecrement(&refCount_);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE PluginClassFactory::CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                             void** ppv) {
    OEMUI_PHASE("CreateInstance");
    if (ppv == nullptr) return E_POINTER;
    *ppv = nullptr;
    if (pUnkOuter != nullptr) return CLASS_E_NOAGGREGATION;
    auto* object = new (std::nothrow) PluginObject();
    if (object == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = object->QueryInterface(riid, ppv);
    object->Release();  // an unsupported interface leaves no object behind
    return hr;
}

HRESULT STDMETHODCALLTYPE PluginClassFactory::LockServer(BOOL fLock) {
    if (fLock) {
        InterlockedIncrement(&LockCount);
    } else {
        InterlockedDecrement(&LockCount);
    }
    return S_OK;
}

// ---------------------------------------------------------------------------------------------
// Plug-in object

PluginObject::PluginObject() { InterlockedIncrement(&ObjectCount); }

PluginObject::~PluginObject() {
    EndSheetDriverCache();
    if (DriverUI != nullptr) {
        DriverUI->Release();
        DriverUI = nullptr;
    }
    if (OemHeap != nullptr) {
        if (DocumentContext != nullptr && HeapValidate(OemHeap, 0, DocumentContext)) {
            // The sheet's watermark records live outside the map.
            FreeWatermarkList(DocumentContext->Watermarks);
            HeapFree(OemHeap, 0, DocumentContext);
        }
        if (PrinterContext != nullptr && HeapValidate(OemHeap, 0, PrinterContext)) {
            HeapFree(OemHeap, 0, PrinterContext);
        }
    }
    DocumentContext = nullptr;
    PrinterContext = nullptr;
    OemHeap = nullptr;
    InterlockedDecrement(&ObjectCount);
}

HRESULT STDMETHODCALLTYPE PluginObject::QueryInterface(REFIID riid, void** ppv) {
    if (ppv == nullptr) return E_POINTER;
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUI2) ||
        IsEqualIID(riid, IID_IPrintOemUI)) {
        *ppv = static_cast<IPrintOemUI2*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE PluginObject::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&RefCount));
}

ULONG STDMETHODCALLTYPE PluginObject::Release() {
    const LONG count = InterlockedDecrement(&RefCount);
    if (count == 0) delete this;
    return static_cast<ULONG>(count);
}

HRESULT STDMETHODCALLTYPE PluginObject::PublishDriverInterface(IUnknown* pIUnknown) {
    if (DriverUI != nullptr) return S_OK;
    if (pIUnknown == nullptr) return E_FAIL;
    void* driverUi = nullptr;
    const HRESULT hr = pIUnknown->QueryInterface(IID_IPrintOemDriverUI, &driverUi);
    if (FAILED(hr) || driverUi == nullptr) {
        DriverUI = nullptr;
        return E_FAIL;
    }
    DriverUI = static_cast<IPrintOemDriverUI*>(driverUi);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE PluginObject::GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                                PDWORD pcbNeeded) {
    if (pcbNeeded == nullptr || (dwMode != OEMGI_GETSIGNATURE && dwMode != OEMGI_GETVERSION &&
                                 dwMode != OEMGI_GETPUBLISHERINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    *pcbNeeded = sizeof(DWORD);
    if (pBuffer == nullptr || cbSize < sizeof(DWORD)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return E_FAIL;
    }
    switch (dwMode) {
        case OEMGI_GETSIGNATURE:
            *static_cast<DWORD*>(pBuffer) = kPluginSignature;
            return S_OK;
        case OEMGI_GETVERSION:
            *static_cast<DWORD*>(pBuffer) = kPluginVersion;
            return S_OK;
        default:  // OEMGI_GETPUBLISHERINFO
            *pcbNeeded = 0;
            SetLastError(ERROR_NOT_SUPPORTED);
            return E_FAIL;
    }
}

HRESULT STDMETHODCALLTYPE PluginObject::DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) {
    OEMUI_PHASE(dwMode == OEMDM_SIZE      ? "DevMode(size)"
                : dwMode == OEMDM_DEFAULT ? "DevMode(default)"
                : dwMode == OEMDM_MERGE   ? "DevMode(merge)"
                                          : "DevMode(other)");
    RunOsCheckOnce();
    const DriverInfoScope sharedLookups(pOemDMParam != nullptr ? pOemDMParam->hPrinter : nullptr);
    return PrivateDevmodeOperation(dwMode, pOemDMParam);
}

HRESULT STDMETHODCALLTYPE PluginObject::CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam) {
    if ((dwMode != OEMCUIP_DOCPROP && dwMode != OEMCUIP_PRNPROP) || pOemCUIPParam == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    OEMUI_PHASE(pOemCUIPParam->pOEMOptItems == nullptr ? "CommonUIProp(1st call)"
                                                       : "CommonUIProp(2nd call)");
    // A new sheet's set-up: its printer's driver information is read once for the sheet.
    if (pOemCUIPParam->pOEMOptItems == nullptr) BeginSheetDriverCache(pOemCUIPParam->hPrinter);
    // This call's own copy; the tree's record keeps it for the sheet.
    SheetPaths paths;
    {
        OEMUI_PHASE("  dependent files");
        if (!ResolveSheetPaths(pOemCUIPParam->hPrinter, paths)) {
            OEMUI_TRACE(kTraceError,
                        L"%ls tree: no plug-in INI file among the driver's dependent files (none "
                        L"with \"OEMConfigFile1\" in [OEMFiles]), CommonUIProp answers E_FAIL",
                        dwMode == OEMCUIP_DOCPROP ? L"document" : L"printer");
            return E_FAIL;
        }
    }

    if (dwMode == OEMCUIP_DOCPROP) {
        DocumentParam = pOemCUIPParam;
        return DocumentCommonUIProp(*this, pOemCUIPParam, paths);
    }
    PrinterParam = pOemCUIPParam;
    return PrinterCommonUIProp(*this, pOemCUIPParam, paths);
}

HRESULT STDMETHODCALLTYPE PluginObject::DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                               LPARAM lParam) {
    OEMUI_PHASE(pPSUIInfo == nullptr                           ? "DocumentPropertySheets"
                : pPSUIInfo->Reason == PROPSHEETUI_REASON_INIT ? "DocumentPropertySheets(INIT)"
                : pPSUIInfo->Reason == PROPSHEETUI_REASON_SET_RESULT
                    ? "DocumentPropertySheets(SET_RESULT)"
                    : "DocumentPropertySheets(other)");
    RunOsCheckOnce();
    const HRESULT hr = AddDocumentSheets(*this, pPSUIInfo, lParam);
    if (pPSUIInfo != nullptr && pPSUIInfo->Reason == PROPSHEETUI_REASON_DESTROY) {
        EndSheetDriverCache();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE PluginObject::DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                             LPARAM lParam) {
    OEMUI_PHASE("DevicePropertySheets");
    RunOsCheckOnce();
    const HRESULT hr = AddDeviceSheets(*this, pPSUIInfo, lParam);
    if (pPSUIInfo != nullptr && pPSUIInfo->Reason == PROPSHEETUI_REASON_DESTROY) {
        EndSheetDriverCache();
    }
    return hr;
}

HRESULT STDMETHODCALLTYPE PluginObject::DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                                        PVOID) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID,
                                                           PDEVMODEW, PVOID, DWORD, DWORD*) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::UpgradePrinter(DWORD, PBYTE) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE PluginObject::PrinterEvent(PWSTR pPrinterName, INT iDriverEvent,
                                                     DWORD dwFlags, LPARAM lParam) {
    return HandlePrinterEvent(pPrinterName, iDriverEvent, dwFlags, lParam);
}

HRESULT STDMETHODCALLTYPE PluginObject::DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID,
                                                          ULONG ulQueryMode, VOID* pvProfileData,
                                                          ULONG* pcbProfileData,
                                                          ULONG* pflProfileData) {
    static constexpr wchar_t kProfileName[] = L"OEMPROFILE.icm";
    static constexpr ULONG kProfileBytes = 32;
    static_assert(sizeof(kProfileName) <= kProfileBytes);
    if (ulQueryMode != QCP_DEVICEPROFILE) return E_FAIL;
    if (pcbProfileData == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (pvProfileData != nullptr && *pcbProfileData >= kProfileBytes) {
        StringCbCopyW(static_cast<wchar_t*>(pvProfileData), *pcbProfileData, kProfileName);
        *pcbProfileData = kProfileBytes;
        if (pflProfileData != nullptr) *pflProfileData = QCP_PROFILEDISK;
        return S_OK;
    }
    *pcbProfileData = kProfileBytes;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return E_FAIL;
}

HRESULT STDMETHODCALLTYPE PluginObject::FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::UpdateExternalFonts(HANDLE, HANDLE, PWSTR) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, LPBYTE) {
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE PluginObject::HideStandardUI(DWORD dwMode) {
    if (dwMode == OEMCUIP_HIDE_DOCPROP || dwMode == OEMCUIP_HIDE_PRNPROP) HideStandardUIAsked = 1;
    return E_NOTIMPL;  // the core driver keeps its standard pages
}

HRESULT STDMETHODCALLTYPE PluginObject::DocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc,
                                                      ULONG cbIn, PVOID pbIn, ULONG cbOut,
                                                      PVOID pbOut, INT* piResult) {
    return HandleDocumentEvent(hPrinter, hdc, iEsc, cbIn, pbIn, cbOut, pbOut, piResult);
}

}  // namespace oemui
