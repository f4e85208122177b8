// Side-by-side timing of the plug-in's sheets. For each sample model (colour, monochrome) and
// each sheet (document, printer) three variants run interleaved, run by run, in one process:
//
//   core   the stand-in's sheet with a plug-in that adds nothing (the core driver alone);
//   floor  the same sheet with the real plug-in's page templates, loaded from the modules the
//          real plug-in names, created by a dialog procedure that does nothing;
//   real   the plug-in DLL as shipped.
//
// One run of a variant is what a user does once: load the plug-in, open the sheet, show every
// page (created and painted), apply, close, unload. The report gives the median of each step
// and of the whole, and ends with the ratio real/floor per sheet. When the benchmark build of
// the DLL (vroemui_timed.dll, scope timers compiled in) sits beside the shipped one, the
// plug-in's own phases are timed from inside too.
//
//   sheet_bench.exe [RUNS] [--compare NAME=PATH ...]
//
// --compare runs other builds of the DLL (for example one of an earlier commit) interleaved
// with the rest, so that before and after are measured in the same run.
#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "host/coredriver.h"
#include "tests/support/testprinters.h"

namespace {

using host::CoreDriver;
using host::SheetKind;

double Milliseconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    static const LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    return static_cast<double>(b.QuadPart - a.QuadPart) * 1000.0 /
           static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 != 0 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

std::string Narrow(const std::wstring& text) {
    std::string out;
    for (wchar_t c : text) out.push_back(c < 128 ? static_cast<char>(c) : '?');
    return out;
}

// ---------------------------------------------------------------------------------------------
// The core and floor variants: an in-process plug-in that stores no record and adds no items.
// For the floor it adds the given page templates with a procedure that does nothing.

struct PageTemplate {
    std::wstring module;   // full path of the module the template comes from
    LPCWSTR id = nullptr;  // resource id (an integer id, as the plug-in registers them)
};

INT_PTR CALLBACK IdlePageProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// What the next created floor object adds (the bench runs one sheet at a time).
std::vector<PageTemplate> g_floorPages;
LONG g_floorObjects = 0;

class FloorPlugin final : public IPrintOemUI2 {
public:
    FloorPlugin() : pages_(g_floorPages) { InterlockedIncrement(&g_floorObjects); }
    ~FloorPlugin() {
        for (HMODULE module : modules_) FreeLibrary(module);
        InterlockedDecrement(&g_floorObjects);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUI) ||
            IsEqualIID(riid, IID_IPrintOemUI2)) {
            *ppv = static_cast<IPrintOemUI2*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD size,
                                      PDWORD needed) override {
        if (needed != nullptr) *needed = sizeof(DWORD);
        if (buffer == nullptr || size < sizeof(DWORD)) return E_FAIL;
        *static_cast<DWORD*>(buffer) = mode == OEMGI_GETSIGNATURE ? 0x464c4f52 : 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevMode(DWORD, POEMDMPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD, POEMCUIPPARAM param) override {
        if (param != nullptr && param->pOEMOptItems == nullptr) param->cOEMOptItems = 0;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM) override {
        if (info == nullptr) return E_FAIL;
        if (info->Reason == PROPSHEETUI_REASON_INIT) AddPages(*info);
        info->Result = 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) override {
        if (info == nullptr) return E_FAIL;
        if (info->Reason == PROPSHEETUI_REASON_INIT) AddPages(*info);
        info->Result = info->Reason == PROPSHEETUI_REASON_INIT ? static_cast<ULONG_PTR>(lParam) : 1;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                              PVOID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW,
                                                 PVOID, DWORD, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD, PBYTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR, INT, DWORD, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, VOID*,
                                                ULONG*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE, HANDLE, PWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, LPBYTE) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE HideStandardUI(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DocumentEvent(HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID,
                                            INT*) override {
        return E_NOTIMPL;
    }

private:
    // The templates come from the modules themselves, mapped as resource images: what the
    // sheet needs of them and nothing of their code.
    void AddPages(const PROPSHEETUI_INFO& info) {
        for (const PageTemplate& t : pages_) {
            HMODULE module =
                LoadLibraryExW(t.module.c_str(), nullptr,
                               LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
            if (module == nullptr) continue;
            modules_.push_back(module);
            PROPSHEETPAGEW page = {};
            page.dwSize = PROPSHEETPAGEW_V3_SIZE;
            page.hInstance = module;
            page.pszTemplate = t.id;
            page.pfnDlgProc = IdlePageProc;
            info.pfnComPropSheet(info.hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                 reinterpret_cast<LPARAM>(&page), 0);
        }
    }

    LONG refs_ = 1;
    std::vector<PageTemplate> pages_;
    std::vector<HMODULE> modules_;
};

class FloorFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv =
            IsEqualIID(riid, IID_IClassFactory) || IsEqualIID(riid, IID_IUnknown) ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        auto* plugin = new (std::nothrow) FloorPlugin();
        if (plugin == nullptr) return E_OUTOFMEMORY;
        const HRESULT hr = plugin->QueryInterface(riid, ppv);
        plugin->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
FloorFactory g_floorFactory;

HRESULT STDAPICALLTYPE FloorGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!IsEqualCLSID(clsid, CLSID_OemUiPlugin)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_floorFactory.QueryInterface(riid, ppv);
}
HRESULT STDAPICALLTYPE FloorCanUnloadNow() { return g_floorObjects == 0 ? S_OK : S_FALSE; }

// ---------------------------------------------------------------------------------------------
// One run of one variant.

enum class Variant { Core, Floor, Real, Timed };

struct Sheet {
    const char* name;  // "colour document", ...
    const wchar_t* printer;
    SheetKind kind;
    std::vector<PageTemplate> pages;  // the real plug-in's pages of this sheet
};

// Step name -> milliseconds of one run, in the order the steps happened.
using Steps = std::vector<std::pair<std::string, double>>;

// The benchmark build's scope timers, read from the DLL before it is unloaded.
struct PhaseRecord {
    const char* group;  // the page, or nullptr
    const char* name;
    double milliseconds;
    long count;
};
using ReadPhasesFn = int(__cdecl*)(PhaseRecord* out, int capacity);

std::wstring TabTitle(HWND sheet, int index) {
    wchar_t text[128] = {};
    TCITEMW item = {};
    item.mask = TCIF_TEXT;
    item.pszText = text;
    item.cchTextMax = 127;
    TabCtrl_GetItem(PropSheet_GetTabControl(sheet), index, &item);
    return text;
}

void PaintNow(HWND sheet) {
    RedrawWindow(sheet, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
}

bool RunOnce(const Sheet& sheet, Variant variant, const std::wstring& dll, Steps& steps,
             std::map<std::string, std::vector<double>>* phases,
             std::vector<PageTemplate>* pagesOut) {
    host::CoreDriverOptions options;
    options.printerName = sheet.printer;
    if (variant == Variant::Real || variant == Variant::Timed) {
        options.pluginPath = dll;
    } else {
        options.getClassObject = &FloorGetClassObject;
        options.canUnloadNow = &FloorCanUnloadNow;
        if (variant == Variant::Floor) {
            g_floorPages = sheet.pages;
        } else {
            g_floorPages.clear();
        }
    }
    steps.clear();
    LARGE_INTEGER at = Now();
    auto step = [&](std::string name) {
        const LARGE_INTEGER now = Now();
        steps.emplace_back(std::move(name), Milliseconds(at, now));
        at = now;
    };

    // The real plug-in's DLL is loaded (and at the end freed) here, so that its loading shows
    // as a step of its own; the stand-in's load then only counts a reference.
    HMODULE loaded = nullptr;
    if (!options.pluginPath.empty()) {
        loaded = LoadLibraryExW(options.pluginPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        if (loaded == nullptr) return false;
        step("load the plug-in DLL");
    }
    CoreDriver core(options);
    if (!core.Start()) {
        if (loaded != nullptr) FreeLibrary(loaded);
        return false;
    }
    step("create the plug-in, DevMode");
    const HWND window = core.OpenSheet(sheet.kind)
                            ? (step("CommonUIProp pair, sheet INIT"), core.ShowModeless(nullptr))
                            : nullptr;
    if (window == nullptr) {
        core.Shutdown();
        if (loaded != nullptr) FreeLibrary(loaded);
        return false;
    }
    step("create the sheet and first page");
    core.PumpSheet();
    PaintNow(window);
    step("paint " + Narrow(TabTitle(window, 0)));
    const int count = TabCtrl_GetItemCount(PropSheet_GetTabControl(window));
    for (int i = 1; i < count; ++i) {
        PropSheet_SetCurSel(window, nullptr, i);
        step("leave previous, show " + Narrow(TabTitle(window, i)));
        core.PumpSheet();
        PaintNow(window);
        step("paint " + Narrow(TabTitle(window, i)));
    }
    PropSheet_Apply(window);
    core.PumpSheet();
    step("apply");
    if (pagesOut != nullptr) {
        pagesOut->clear();
        for (const host::CollectedPage& page : core.Pages()) {
            wchar_t path[MAX_PATH] = {};
            GetModuleFileNameW(page.Page().hInstance, path, MAX_PATH);
            pagesOut->push_back({path, page.Page().pszTemplate});
        }
    }
    core.CloseSheet(CPSUI_OK);
    step("close the sheet");
    if (phases != nullptr) {
        const auto read = reinterpret_cast<ReadPhasesFn>(
            reinterpret_cast<void*>(GetProcAddress(core.PluginModule(), "ReadPhaseTimes")));
        if (read != nullptr) {
            PhaseRecord records[64];
            const int n = read(records, 64);
            for (int i = 0; i < n; ++i) {
                std::string name = records[i].group != nullptr
                                       ? std::string(records[i].group) + ": " + records[i].name
                                       : records[i].name;
                if (records[i].count > 1) name += " (" + std::to_string(records[i].count) + "x)";
                (*phases)[name].push_back(records[i].milliseconds);
            }
        }
    }
    core.Shutdown();
    step("release the plug-in");
    if (loaded != nullptr) {
        FreeLibrary(loaded);
        step("unload the plug-in DLL");
    }
    return true;
}

struct Figures {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> steps;
    std::vector<double> total;
    void Add(const Steps& run) {
        double sum = 0;
        for (const auto& [name, ms] : run) {
            if (steps.find(name) == steps.end()) order.push_back(name);
            steps[name].push_back(ms);
            sum += ms;
        }
        total.push_back(sum);
    }
    double StepMedian(const std::string& name) const {
        const auto found = steps.find(name);
        return found == steps.end() ? 0 : Median(found->second);
    }
};

void PrintSheet(const Sheet& sheet, const Figures& core, const Figures& floor,
                const Figures& real) {
    printf("\n%s sheet (%ls), medians in ms over %zu runs\n", sheet.name, sheet.printer,
           real.total.size());
    printf("  %-44s %8s %8s %8s %8s\n", "step", "core", "floor", "real", "real-fl");
    std::vector<std::string> order = real.order;
    for (const Figures* f : {&floor, &core}) {
        for (const std::string& name : f->order) {
            if (std::find(order.begin(), order.end(), name) == order.end()) order.push_back(name);
        }
    }
    for (const std::string& name : order) {
        const double c = core.StepMedian(name), f = floor.StepMedian(name),
                     r = real.StepMedian(name);
        printf("  %-44s %8.2f %8.2f %8.2f %+8.2f\n", name.c_str(), c, f, r, r - f);
    }
    const double c = Median(core.total), f = Median(floor.total), r = Median(real.total);
    printf("  %-44s %8.2f %8.2f %8.2f %+8.2f\n", "whole run", c, f, r, r - f);
}

}  // namespace

int main(int argc, char** argv) {
    int runs = 15;
    std::vector<std::pair<std::string, std::wstring>> compared;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--compare" && i + 1 < argc) {
            const std::string pair = argv[++i];
            const size_t equals = pair.find('=');
            if (equals == std::string::npos) {
                fprintf(stderr, "--compare NAME=PATH\n");
                return 2;
            }
            compared.emplace_back(pair.substr(0, equals), testenv::Widen(pair.substr(equals + 1)));
        } else {
            runs = std::max(3, atoi(argv[i]));
        }
    }
    if (!testenv::InstallSamplePrinters()) {
        fprintf(stderr, "cannot install the sample printers\n");
        return 1;
    }
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    // A program that prints has the common dialogs (its Print dialog) and with them the shell
    // loaded before any driver's sheet opens: so has this one, once, for every variant.
    for (const wchar_t* name : {L"comdlg32.dll", L"shell32.dll", L"version.dll", L"imm32.dll"}) {
        LoadLibraryW(name);
    }
    // The plug-in as it ships (debug sections stripped); the timed build lies beside the built one.
    const std::wstring dll = testenv::Widen(OEMUI_SHIPPED_DLL_PATH);
    std::wstring timedDll = testenv::Widen(OEMUI_DLL_PATH);
    timedDll.replace(timedDll.rfind(L"vroemui.dll"), 11, L"vroemui_timed.dll");
    const bool timed = GetFileAttributesW(timedDll.c_str()) != INVALID_FILE_ATTRIBUTES;

    std::vector<Sheet> sheets = {
        {"colour document", testenv::kColorPrinter, SheetKind::Document, {}},
        {"mono document", testenv::kMonoPrinter, SheetKind::Document, {}},
        {"colour printer", testenv::kColorPrinter, SheetKind::Printer, {}},
        {"mono printer", testenv::kMonoPrinter, SheetKind::Printer, {}},
    };
    // A first run of each sheet warms the caches and tells which pages the real plug-in adds.
    for (Sheet& sheet : sheets) {
        Steps steps;
        if (!RunOnce(sheet, Variant::Real, dll, steps, nullptr, &sheet.pages)) {
            fprintf(stderr, "the %s sheet could not be shown\n", sheet.name);
            return 1;
        }
        RunOnce(sheet, Variant::Floor, dll, steps, nullptr, nullptr);
        RunOnce(sheet, Variant::Core, dll, steps, nullptr, nullptr);
    }

    std::vector<Figures> core(sheets.size()), floor(sheets.size()), real(sheets.size());
    std::vector<std::map<std::string, std::vector<double>>> phases(sheets.size());
    std::vector<std::vector<Figures>> others(compared.size(), std::vector<Figures>(sheets.size()));
    for (int run = 0; run < runs; ++run) {
        for (size_t s = 0; s < sheets.size(); ++s) {
            // The order of the variants, the other builds included, turns with each run so that
            // none always comes first or always follows the same one.
            const int count = 3 + static_cast<int>(compared.size());
            for (int k = 0; k < count; ++k) {
                const int v = (k + run) % count;
                Steps steps;
                if (v >= 3) {
                    const size_t c = static_cast<size_t>(v - 3);
                    if (RunOnce(sheets[s], Variant::Real, compared[c].second, steps, nullptr,
                                nullptr)) {
                        others[c][s].Add(steps);
                    }
                    continue;
                }
                const Variant variant = v == 0   ? Variant::Core
                                        : v == 1 ? Variant::Floor
                                                 : Variant::Real;
                if (!RunOnce(sheets[s], variant, dll, steps, nullptr, nullptr)) {
                    fprintf(stderr, "the %s sheet could not be shown\n", sheets[s].name);
                    return 1;
                }
                (v == 0 ? core : v == 1 ? floor : real)[s].Add(steps);
            }
            if (timed) {
                Steps steps;
                RunOnce(sheets[s], Variant::Timed, timedDll, steps, &phases[s], nullptr);
            }
        }
    }

    printf(
        "Sheets of the sample models: core driver alone (core), with the plug-in's page\n"
        "templates and an idle dialog procedure (floor), with the plug-in (real)\n");
    for (size_t s = 0; s < sheets.size(); ++s) {
        PrintSheet(sheets[s], core[s], floor[s], real[s]);
        if (!phases[s].empty()) {
            printf("  inside the plug-in (benchmark build), medians in ms:\n");
            for (const auto& [name, values] : phases[s]) {
                printf("    %-60s %8.3f\n", name.c_str(), Median(values));
            }
        }
    }
    if (!compared.empty()) {
        printf(
            "\nOther builds of the DLL, same runs: median of the whole run in ms (ratio to floor)\n");
        printf("  %-20s", "sheet");
        for (const auto& [name, path] : compared) printf(" %18s", name.c_str());
        printf(" %18s\n", "this build");
        for (size_t s = 0; s < sheets.size(); ++s) {
            const double f = Median(floor[s].total);
            printf("  %-20s", sheets[s].name);
            for (size_t c = 0; c < compared.size(); ++c) {
                const double m = Median(others[c][s].total);
                printf(" %10.1f (%4.2f)", m, f > 0 ? m / f : 0);
            }
            printf(" %10.1f (%4.2f)\n", Median(real[s].total), Median(real[s].total) / f);
        }
    }
    printf("\n");
    for (size_t s = 0; s < sheets.size(); ++s) {
        printf("ratio %s: %.2f\n", sheets[s].name, Median(real[s].total) / Median(floor[s].total));
    }
    return 0;
}
