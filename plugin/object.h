// The plug-in's COM object, its class factory and the process-wide state they share.
#pragma once

#include "contract/oemcontract.h"
#include "plugin/config.h"

namespace oemui {

struct DriverItemMap;   // per-sheet map of the document tree
struct PrinterItemMap;  // per-sheet record of the printer tree

// Process-wide state.
extern HMODULE ModuleHandle;        // this module; all own resources come from it
extern HMODULE LinkResourceModule;  // link-page resource library, freed at detach
extern volatile LONG ObjectCount;   // live PluginObject instances
extern volatile LONG LockCount;     // IClassFactory::LockServer count
extern OSVERSIONINFOW OsVersion;    // filled once by the OS check
extern bool OsCheckDone;
extern bool IsVistaOrLater;                // system major version 6 or later
extern wchar_t PluginIniPath[kPathChars];  // plug-in INI file of the last CommonUIProp
extern wchar_t HelpFilePath[kPathChars];   // help file of the last CommonUIProp

// Signature and version of the plug-in (GetInfo) and of its private DEVMODE record.
inline constexpr DWORD kPluginSignature = 0x32303030;  // the bytes "0002"
inline constexpr DWORD kPluginVersion = 1;

// Runs the OS check once per process: sets IsVistaOrLater.
void RunOsCheckOnce();
// Pages answer F1 and context help with WinHelp: false on Vista and later when the system's
// WinHelp viewer is the stub of version 6 or later. The viewer's version is read at the first
// help request rather than with the OS check: reading it costs a millisecond or more, and most
// sheets are opened and closed without anyone asking for help.
bool WinHelpAvailable();
// The WinHelp decision of the OS check for a given major version and viewer path.
bool WinHelpUsable(DWORD osMajorVersion, const wchar_t* winHelpPath);

class PluginObject final : public IPrintOemUI2 {
public:
    PluginObject();
    ~PluginObject();
    PluginObject(const PluginObject&) = delete;
    PluginObject& operator=(const PluginObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IPrintOemUI
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* pIUnknown) override;
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD dwMode, PVOID pBuffer, DWORD cbSize,
                                      PDWORD pcbNeeded) override;
    HRESULT STDMETHODCALLTYPE DevMode(DWORD dwMode, POEMDMPARAM pOemDMParam) override;
    HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD dwMode, POEMCUIPPARAM pOemCUIPParam) override;
    HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                     LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO pPSUIInfo,
                                                   LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ poemuiobj, PDEVQUERYPRINT_INFO pDQPInfo,
                                              PDEVMODEW pPublicDM, PVOID pOEMDM) override;
    HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ poemuiobj, HANDLE hPrinter,
                                                 PWSTR pDeviceName, WORD wCapability, PVOID pOutput,
                                                 PDEVMODEW pPublicDM, PVOID pOEMDM, DWORD dwOld,
                                                 DWORD* dwResult) override;
    HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD dwLevel, PBYTE pDriverUpgradeInfo) override;
    HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR pPrinterName, INT iDriverEvent, DWORD dwFlags,
                                           LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE DriverEvent(DWORD dwDriverEvent, DWORD dwLevel, LPBYTE pDriverInfo,
                                          LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE hPrinter, POEMUIOBJ poemuiobj,
                                                PDEVMODEW pPublicDM, PVOID pOEMDM,
                                                ULONG ulQueryMode, VOID* pvProfileData,
                                                ULONG* pcbProfileData,
                                                ULONG* pflProfileData) override;
    HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND hWnd, UINT usMsg, WPARAM wParam,
                                                   LPARAM lParam) override;
    HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE hPrinter, HANDLE hHeap,
                                                  PWSTR pwstrCartridges) override;

    // IPrintOemUI2
    HRESULT STDMETHODCALLTYPE QueryJobAttributes(HANDLE hPrinter, PDEVMODEW pDevmode, DWORD dwLevel,
                                                 LPBYTE lpAttributeInfo) override;
    HRESULT STDMETHODCALLTYPE HideStandardUI(DWORD dwMode) override;
    HRESULT STDMETHODCALLTYPE DocumentEvent(HANDLE hPrinter, HDC hdc, INT iEsc, ULONG cbIn,
                                            PVOID pbIn, ULONG cbOut, PVOID pbOut,
                                            INT* piResult) override;

    // Object state shared with the sheets and pages.
    volatile LONG RefCount = 1;
    IPrintOemDriverUI* DriverUI = nullptr;
    DWORD HideStandardUIAsked = 0;
    HANDLE OemHeap = nullptr;
    DriverItemMap* DocumentContext = nullptr;
    PrinterItemMap* PrinterContext = nullptr;
    POEMCUIPPARAM DocumentParam = nullptr;
    POEMCUIPPARAM PrinterParam = nullptr;
    // The printer sheet header's title (string IDS_DEVICE_SHEET_TITLE), read when the common
    // UI asks for the header; it reads the text while the object lives.
    wchar_t DeviceSheetTitle[64] = {};
};

class PluginClassFactory final : public IClassFactory {
public:
    PluginClassFactory() = default;
    PluginClassFactory(const PluginClassFactory&) = delete;
    PluginClassFactory& operator=(const PluginClassFactory&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppv) override;
    HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) override;

private:
    ~PluginClassFactory() = default;
    volatile LONG refCount_ = 1;
};

// The two COM exports, shared by the DLL's entry file and the in-process tests.
HRESULT GetPluginClassObject(REFCLSID rclsid, REFIID riid, void** ppv);
HRESULT CanUnloadPlugin();

// Module notifications of DllMain.
void OnProcessAttach(HMODULE module);
void OnProcessDetach(bool processTerminating);

}  // namespace oemui
