// The core-driver stand-in: loads the plug-in and calls it exactly as the PostScript driver's
// user-interface module does, owns the DEVMODE, the option trees and the OEM heaps, answers the
// plug-in's DrvGetDriverSetting / DrvUpdateUISetting calls from the PPD's features and
// constraints, collects the plug-in's pages and shows them in a real property sheet.
//
// A test builds a document sheet like this:
//
//     host::CoreDriverOptions options;
//     options.printerName = L"Lab:Color/1";   // the PPD is the printer driver's data file
//     options.pluginPath = L"...\\vroemui.dll";
//     host::CoreDriver core(options);
//     ASSERT_TRUE(core.Start());               // load, create, publish, GetInfo, DevMode
//     core.OpenSheet(host::SheetKind::Document);  // CommonUIProp twice, DocumentPropertySheets
//     core.Tree() / core.Pages() / core.CallTreeCallback(...) / core.ShowModeless(...)
//     core.Updates()                           // every DrvUpdateUISetting, in order
//     core.CloseSheet();                       // SET_RESULT, DESTROY
//     core.Shutdown();                         // Release, DllCanUnloadNow, FreeLibrary, heaps
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "host/ppd.h"
#include "host/tree.h"

namespace host {

struct CoreDriverOptions {
    std::wstring printerName;  // opened with OpenPrinterW; empty: no printer handle
    std::wstring pluginPath;   // the plug-in DLL, loaded by path
    // Instead of a DLL: the class-object entry of an in-process plug-in (tests).
    PFN_DllGetClassObject getClassObject = nullptr;
    PFN_DllCanUnloadNow canUnloadNow = nullptr;
    std::wstring ppdPath;             // overrides the printer driver's data file
    std::vector<BYTE> storedDevmode;  // a DEVMODE from an earlier DevmodeBytes(), merged in
    DWORD sheetFlags = 0;             // dwFlags of the parameter blocks (e.g. DM_NOPERMISSION)
};

enum class SheetKind { Document, Printer };

// One call the stand-in made to the plug-in.
struct PluginCall {
    std::string method;  // "DllGetClassObject", "CreateInstance", "DevMode", ...
    DWORD mode = 0;      // the mode or reason argument, 0 when the method has none
    HRESULT result = S_OK;
};

// One DrvUpdateUISetting call of the plug-in.
struct UpdateRecord {
    int itemIndex = -1;   // index in the tree of the open sheet, -1 for a foreign item
    std::string keyword;  // PPD keyword, empty for public and core items
    BYTE dmPubId = DMPUB_NONE;
    WORD stringId = 0;  // pName number of a core item
    LONG newSel = 0;
    DWORD previousSel = 0;
    DWORD mode = 0;
    bool accepted = false;
};

// One DrvGetDriverSetting call of the plug-in.
struct SettingQuery {
    std::string feature;
    DWORD bufferSize = 0;
    bool succeeded = false;
    DWORD error = 0;
};

struct CollectedPage {
    std::vector<BYTE> bytes;  // the PROPSHEETPAGEW as the plug-in passed it (dwSize bytes)
    LONG_PTR handle = 0;      // what CPSFUNC_ADD_PROPSHEETPAGEW returned
    const PROPSHEETPAGEW& Page() const {
        return *reinterpret_cast<const PROPSHEETPAGEW*>(bytes.data());
    }
};

struct SetResultRecord {
    LPARAM handle = 0;
    LPARAM result = 0;
};

struct CallbackRecord {
    WORD reason = 0;
    int itemIndex = -1;
    LONG result = 0;
};

class CoreDriver {
public:
    // Layout of the DEVMODE the stand-in owns: public part, the core's private area, then the
    // plug-in's record.
    static constexpr DWORD kDriverPrivateSize = 256;
    static constexpr DWORD kOutputOptionOffset = 344;  // from the DEVMODE start
    static constexpr DWORD kPaperClassOffset = 356;    // from the DEVMODE start
    static constexpr DWORD kMaxPluginRecord = 0x10000;

    explicit CoreDriver(CoreDriverOptions options);
    ~CoreDriver();
    CoreDriver(const CoreDriver&) = delete;
    CoreDriver& operator=(const CoreDriver&) = delete;

    // Loads the plug-in and runs the start-up calls; false (see Error()) when the plug-in
    // cannot be loaded or created.
    bool Start();
    const std::wstring& Error() const { return error_; }
    IPrintOemUI2* Plugin() const { return plugin_; }
    HMODULE PluginModule() const { return module_; }
    DWORD Signature() const { return signature_; }
    DWORD Version() const { return version_; }
    const std::vector<PluginCall>& Calls() const { return calls_; }
    std::vector<std::string> CallNames() const;  // "DevMode(1)", "CommonUIProp(1)", ...

    // Settings.
    const PpdFile& Ppd() const { return ppd_; }
    const CoreState& State() const { return state_; }
    // Sets a feature's option directly, as a stored setting would (no constraint check).
    bool SetFeature(const std::string& feature, const std::string& option);
    std::string FeatureOption(const std::string& feature) const;  // empty when unknown

    // The DEVMODE.
    PDEVMODEW Devmode() { return reinterpret_cast<PDEVMODEW>(devmode_.data()); }
    BYTE* DevmodeData() { return devmode_.data(); }
    size_t DevmodeSize() const { return devmode_.size(); }
    BYTE* PluginRecord();
    DWORD PluginRecordSize() const { return oemSize_; }
    std::vector<BYTE> DevmodeBytes() const { return devmode_; }
    void SetPaperClass(BYTE value);

    // The core driver's objects as the plug-in receives them.
    POEMUIOBJ UiObject() { return &uiObject_.obj; }
    IPrintOemDriverUI* DriverUi();
    LONG DriverUiReferences() const;

    // Sheets (one at a time).
    bool OpenSheet(SheetKind kind);
    bool SheetOpen() const { return sheet_ != nullptr; }
    SheetKind Kind() const;
    OptionTree& Tree();
    OEMCUIPPARAM& TreeParam();
    OEMUIPSPARAM& SheetParam();
    POPTITEM OemItems();
    DWORD OemItemCount();
    HANDLE Heap();
    HRESULT FirstCommonUIProp() const;
    HRESULT SecondCommonUIProp() const;
    HRESULT InitResult() const;        // the *PropertySheets INIT call's HRESULT
    ULONG_PTR InitInfoResult() const;  // PROPSHEETUI_INFO::Result after INIT
    std::wstring HeaderTitle() const;  // printer sheet: the GET_INFO_HEADER title
    const std::vector<CollectedPage>& Pages() const;
    const std::vector<SetResultRecord>& Results() const;
    const std::vector<UINT>& ComPropSheetFunctions() const;
    const std::vector<CallbackRecord>& Callbacks() const;
    // Calls the tree callback the plug-in installed; 0 when it installed none.
    LONG CallTreeCallback(WORD reason, POPTITEM current = nullptr, HWND dialog = nullptr);
    // Changes a core item as the user would in the core's tree: the selection goes through the
    // same checks as the plug-in's updates, then the tree callback hears SEL_CHANGED.
    bool UserSelect(DWORD itemIndex, LONG sel);
    // Shows the collected pages and the stand-in's own page.
    INT_PTR ShowModal(HWND owner);
    HWND ShowModeless(HWND owner);
    // Dispatches the modeless sheet's pending messages; false once it has closed.
    bool PumpSheet();
    HWND SheetWindow() const;
    INT_PTR SheetReturn() const;  // result of the last closed sheet window
    // Ends the sheet: PROPSHEETUI_REASON_SET_RESULT then PROPSHEETUI_REASON_DESTROY.
    void CloseSheet(LONG result = CPSUI_OK);

    // The plug-in's calls into the core driver.
    const std::vector<UpdateRecord>& Updates() const { return updates_; }
    void ClearUpdates() { updates_.clear(); }
    const std::vector<SettingQuery>& Queries() const { return queries_; }

    // Releases the plug-in, asks DllCanUnloadNow, frees the DLL and the heaps; returns the
    // DllCanUnloadNow answer (S_OK when the plug-in let go of everything).
    HRESULT Shutdown();

    // The two procedures of OEMUIOBJ (also behind IPrintOemDriverUI).
    BOOL GetDriverSetting(PCSTR feature, PVOID output, DWORD size, PDWORD needed, PDWORD returned);
    BOOL UpdateUISetting(PVOID optItem, DWORD previousSelection, DWORD mode);

    struct Sheet;

private:
    struct UiObjectBlock {
        OEMUIOBJ obj;
        CoreDriver* owner;
    };

    void Record(const char* method, DWORD mode, HRESULT hr);
    void InitialState();
    void ApplyStoredDevmode();
    void ApplyPrinterFeatureKeywords();
    void SyncDevmode();
    bool Conflicts(int feature, int option) const;
    bool ApplyItem(DWORD index, const OPTITEM& item);
    HRESULT CallPropertySheets(WORD reason, LPARAM lParam);

    CoreDriverOptions options_;
    std::wstring error_;
    HANDLE printer_ = nullptr;
    std::wstring printerName_;
    HMODULE module_ = nullptr;
    PFN_DllCanUnloadNow canUnloadNow_ = nullptr;
    IPrintOemUI2* plugin_ = nullptr;
    class DriverUiObject;
    std::unique_ptr<DriverUiObject> driverUi_;
    UiObjectBlock uiObject_{};
    DWORD signature_ = 0;
    DWORD version_ = 0;
    std::vector<PluginCall> calls_;

    PpdFile ppd_;
    CoreState state_;
    std::vector<BYTE> devmode_;
    DWORD oemSize_ = 0;

    std::unique_ptr<Sheet> sheet_;
    std::vector<std::unique_ptr<Sheet>> closedSheets_;
    std::vector<HANDLE> heaps_;
    std::vector<UpdateRecord> updates_;
    std::vector<SettingQuery> queries_;
    bool shutDown_ = false;
};

}  // namespace host
