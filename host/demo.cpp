// The host program's runs: the sheets (interactive or walked for screenshots), the simulated
// print job, the timing mode, and writing the report.
#include "host/demo.h"
#include "host/install.h"

#include <commctrl.h>
#include <prsht.h>
#include <winspool.h>

#include <algorithm>
#include <cstdio>

#include "base/handles.h"

namespace host::demo {

namespace {

constexpr INT kNotWritten = -0x5EED;

std::string CallText(const PluginCall& call) {
    const bool hasMode = call.method == "GetInfo" || call.method == "DevMode" ||
                         call.method == "CommonUIProp" || call.method == "DocumentPropertySheets" ||
                         call.method == "DevicePropertySheets";
    std::string text = hasMode ? call.method + "(" + std::to_string(call.mode) + ")" : call.method;
    if (call.method == "Release") return text + " -> " + std::to_string(call.mode);
    if (call.result == E_NOTIMPL) return text + " -> E_NOTIMPL";
    if (FAILED(call.result)) {
        char hex[16];
        snprintf(hex, sizeof(hex), "0x%08lx", static_cast<unsigned long>(call.result));
        return text + " -> " + hex;
    }
    if (call.method == "DllCanUnloadNow")
        return text + (call.result == S_OK ? " -> S_OK" : " -> S_FALSE");
    return text;
}

std::vector<BYTE> RecordBytes(CoreDriver& core) {
    const BYTE* record = core.PluginRecord();
    if (record == nullptr) return {};
    return std::vector<BYTE>(record, record + core.PluginRecordSize());
}

double Seconds(LARGE_INTEGER a, LARGE_INTEGER b) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(frequency.QuadPart);
}

LARGE_INTEGER Now() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return t;
}

// Shows the open sheet without painting it and activates every page once, so each page's
// dialog procedure has run WM_INITDIALOG. False when the sheet cannot be shown.
bool InitialiseEveryPage(CoreDriver& core) {
    const HWND sheet = core.ShowModeless(nullptr);
    if (sheet == nullptr) return false;
    const HWND tab = PropSheet_GetTabControl(sheet);
    const int count = tab != nullptr ? TabCtrl_GetItemCount(tab) : 0;
    for (int i = 0; i < count; ++i) PropSheet_SetCurSel(sheet, nullptr, i);
    return true;
}

std::string Figures(const char* what, std::vector<double> seconds) {
    std::sort(seconds.begin(), seconds.end());
    const size_t n = seconds.size();
    const double median = n % 2 != 0 ? seconds[n / 2] : (seconds[n / 2 - 1] + seconds[n / 2]) / 2;
    char text[200];
    snprintf(text, sizeof(text), "%s: median %.1f ms (min %.1f, max %.1f) over %zu runs\n", what,
             median * 1000, seconds.front() * 1000, seconds.back() * 1000, n);
    return text;
}

std::wstring SanitisedPrinterName(const std::wstring& name) {
    std::wstring out = name;
    for (wchar_t& c : out) {
        if (wcschr(L"\\/:*?\"<>|", c) != nullptr) c = L'0';
    }
    return out;
}

// A print job's document events, as the core driver forwards them to the plug-in.
void RunPrintJob(CoreDriver& core, const SampleModel& model, Session& s) {
    oemui::UniquePrinter printer;
    {
        HANDLE handle = nullptr;
        if (OpenPrinterW(const_cast<wchar_t*>(model.printer), &handle, nullptr)) {
            printer.reset(handle);
        }
    }
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring output = std::wstring(temp) + L"oemui-host-job.prn";
    DOC_INFO_1W doc = {const_cast<wchar_t*>(L"oemui-host test page"), output.data(),
                       const_cast<wchar_t*>(L"RAW")};
    const DWORD job =
        printer ? StartDocPrinterW(printer.get(), 1, reinterpret_cast<BYTE*>(&doc)) : 0;
    s.realJob = job != 0;
    s.jobId = job != 0 ? job : 1;

    IPrintOemUI2* plugin = core.Plugin();
    auto send = [&](int escape, ULONG cbIn, PVOID in, ULONG cbOut, PVOID out) {
        PrintEvent e;
        e.escape = escape;
        INT result = kNotWritten;
        e.result =
            plugin->DocumentEvent(printer.get(), nullptr, escape, cbIn, in, cbOut, out, &result);
        e.resultWritten = result != kNotWritten;
        e.piResult = result;
        s.events.push_back(e);
        return &s.events.back();
    };

    DOCEVENT_CREATEDCPRE created = {const_cast<wchar_t*>(model.driver),
                                    const_cast<wchar_t*>(model.printer), core.Devmode(), FALSE};
    send(DOCUMENTEVENT_CREATEDCPRE, sizeof(created), &created, 0, nullptr);

    constexpr UINT kRoom = 16;
    std::vector<BYTE> filterBytes(sizeof(DOCEVENT_FILTER) + (kRoom - 1) * sizeof(DWORD), 0);
    auto* filter = reinterpret_cast<DOCEVENT_FILTER*>(filterBytes.data());
    filter->cbSize = static_cast<UINT>(filterBytes.size());
    filter->cElementsAllocated = kRoom;
    PrintEvent* query =
        send(DOCUMENTEVENT_QUERYFILTER, 0, nullptr, static_cast<ULONG>(filterBytes.size()), filter);
    if (SUCCEEDED(query->result)) {
        std::wstring wanted;
        for (UINT i = 0; i < filter->cElementsReturned && i < kRoom; ++i) {
            wanted += (i == 0 ? L"" : L", ") + std::to_wstring(filter->aDocEventCall[i]);
        }
        query->detail = L"asks for events: " + (wanted.empty() ? L"(none)" : wanted) + L"; needs " +
                        std::to_wstring(filter->cElementsNeeded);
    }

    PDEVMODEW devmode = core.Devmode();
    send(DOCUMENTEVENT_CREATEDCPOST, sizeof(devmode), &devmode, 0, nullptr);
    DOCINFOW info = {sizeof(DOCINFOW), L"oemui-host test page", output.c_str(), L"RAW", 0};
    DOCINFOW* infoPointer = &info;
    send(DOCUMENTEVENT_STARTDOCPRE, sizeof(infoPointer), &infoPointer, 0, nullptr);
    // The sample model's job-information library (a stand-in) reports the application named in
    // OEMUI_JOBINFO_FIRST; the printing application here is this program, unless told otherwise.
    wchar_t named[2] = {};
    if (GetEnvironmentVariableW(L"OEMUI_JOBINFO_FIRST", named, 2) == 0 &&
        GetLastError() == ERROR_ENVVAR_NOT_FOUND) {
        SetEnvironmentVariableW(L"OEMUI_JOBINFO_FIRST", L"oemui-host");
    }
    LONG jobId = static_cast<LONG>(s.jobId);
    send(DOCUMENTEVENT_STARTDOCPOST, sizeof(jobId), &jobId, 0, nullptr);
    send(DOCUMENTEVENT_STARTPAGE, 0, nullptr, 0, nullptr);
    send(DOCUMENTEVENT_ENDPAGE, 0, nullptr, 0, nullptr);
    send(DOCUMENTEVENT_ENDDOCPRE, 0, nullptr, 0, nullptr);
    send(DOCUMENTEVENT_ENDDOCPOST, 0, nullptr, 0, nullptr);
    send(DOCUMENTEVENT_DELETEDC, 0, nullptr, 0, nullptr);

    // What a reader of the job's application name would find.
    wchar_t job8[16];
    swprintf(job8, 16, L"%08x", static_cast<unsigned>(s.jobId));
    const std::wstring base = L"Local\\" + SanitisedPrinterName(model.printer) + job8;
    s.sectionName = base + L"A";
    oemui::UniqueKernelHandle section(
        OpenFileMappingW(FILE_MAP_READ, FALSE, s.sectionName.c_str()));
    if (section) {
        s.sectionFound = true;
        if (const void* view = MapViewOfFile(section.get(), FILE_MAP_READ, 0, 0, 122)) {
            const auto* text = static_cast<const wchar_t*>(view);
            size_t n = 0;
            while (n < 61 && text[n] != L'\0') ++n;
            s.published.assign(text, n);
            UnmapViewOfFile(view);
        }
    }
    oemui::UniqueKernelHandle mutex(OpenMutexW(SYNCHRONIZE, FALSE, (base + L"B").c_str()));
    s.mutexFound = static_cast<bool>(mutex);

    if (job != 0) AbortPrinter(printer.get());
    DeleteFileW(output.c_str());
}

bool WriteText(const std::wstring& path, const std::string& text) {
    oemui::UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file &&
           WriteFile(file.get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

bool RunBench(const Options& options, std::string& text, std::wstring& error) {
    const SampleModel& model = ModelFor(options.mono);
    const SheetKind kind = options.mode == Mode::Printer ? SheetKind::Printer : SheetKind::Document;
    CoreDriverOptions co;
    co.printerName = model.printer;
    co.pluginPath = options.dllPath;
    std::vector<double> open;
    std::vector<double> reopen;
    for (int run = 0; run < options.benchRuns; ++run) {
        const LARGE_INTEGER t0 = Now();
        CoreDriver core(co);
        if (!core.Start()) {
            error = core.Error();
            return false;
        }
        if (!core.OpenSheet(kind) || !InitialiseEveryPage(core)) {
            error = L"the sheet could not be shown";
            return false;
        }
        const LARGE_INTEGER t1 = Now();
        core.CloseSheet(CPSUI_OK);
        const LARGE_INTEGER t2 = Now();
        if (!core.OpenSheet(kind) || !InitialiseEveryPage(core)) {
            error = L"the sheet could not be shown again";
            return false;
        }
        const LARGE_INTEGER t3 = Now();
        core.CloseSheet(CPSUI_OK);
        core.Shutdown();
        open.push_back(Seconds(t0, t1));
        reopen.push_back(Seconds(t2, t3));
    }
    text = std::string(kind == SheetKind::Printer ? "printer" : "document") + " sheet of " +
           Utf8(model.printer) + "\n";
    text += Figures("load the DLL to every page initialised", open);
    text += Figures("close and reopen the sheet, every page initialised", reopen);
    return true;
}

int RunSession(const Options& options, Session& s, std::string& report) {
    s.mode = options.mode;
    s.dllPath = options.dllPath;
    const SampleModel& model = ModelFor(options.mono);
    s.printer = model.printer;
    s.driver = model.driver;

    // An explicit DLL (development) is checked before anything is installed; otherwise the
    // DLL is the one the installed driver's plug-in INI file names, as for the core driver.
    if (!options.dllPath.empty()) {
        s.error = CheckPluginDll(options.dllPath);
        if (!s.error.empty()) return kExitBadDll;
    }
    s.error = CheckSampleModel(options.sampleDir, options.binDir, options.mono);
    if (!s.error.empty()) return kExitBadSample;
    s.error = InstallSampleModel(options.sampleDir, options.binDir, options.mono);
    if (!s.error.empty()) return kExitBadSample;
    Options resolved = options;
    if (resolved.dllPath.empty()) {
        s.error = FindPluginDllOfPrinter(model.printer, resolved.dllPath);
        if (s.error.empty()) s.error = CheckPluginDll(resolved.dllPath);
        if (!s.error.empty()) return kExitBadDll;
        s.dllPath = resolved.dllPath;
    }
    if (!options.screenshotDir.empty()) {
        CreateDirectoryW(options.screenshotDir.c_str(), nullptr);
        const DWORD attributes = GetFileAttributesW(options.screenshotDir.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
            s.error = L"cannot create the screenshot folder " + options.screenshotDir;
            return kExitRunFailed;
        }
    }
    if (options.bench) {
        if (!RunBench(resolved, report, s.error)) return kExitRunFailed;
        return kExitOk;
    }

    CoreDriverOptions co;
    co.printerName = model.printer;
    co.pluginPath = resolved.dllPath;
    CoreDriver core(co);
    if (!core.Start()) {
        s.error = L"the plug-in could not be started: " + core.Error();
        return kExitBadDll;
    }
    const std::wstring iniPath = DriverDirectory3() + L"\\" + kPluginIniName;
    const IniSnapshot iniBefore = ReadIni(iniPath);
    s.dataFile = UserDataFileOf(model.printer);
    const IniSnapshot dataBefore = ReadIni(s.dataFile);
    s.recordBefore = RecordBytes(core);

    if (options.mode == Mode::Print) {
        RunPrintJob(core, model, s);
    } else {
        const SheetKind kind =
            options.mode == Mode::Printer ? SheetKind::Printer : SheetKind::Document;
        // The sample printer has the white toner, so the Color page offers its dialog.
        if (kind == SheetKind::Document) core.SetFeature("VRSpecialTonerInstalled", "White");
        core.OpenSheet(kind);
        INT_PTR shown = 0;
        if (options.walk || !options.screenshotDir.empty() || !options.steps.empty()) {
            if (core.ShowModeless(nullptr) == nullptr) {
                s.error = L"the property sheet could not be shown";
                return kExitRunFailed;
            }
            WalkSheet(core, options, options.mode == Mode::Printer ? L"printer-" : L"document-", s);
            shown = s.applied ? 1 : 0;
        } else {
            shown = core.ShowModal(nullptr);
            if (shown < 0) {
                s.error = L"the property sheet could not be shown";
                return kExitRunFailed;
            }
            s.applied = shown > 0;
        }
        core.CloseSheet(shown > 0 ? CPSUI_OK : CPSUI_CANCEL);
    }

    s.pushes = core.Updates();
    s.recordAfter = RecordBytes(core);
    s.iniChanges = DiffIni(iniBefore, ReadIni(iniPath));
    s.dataChanges = DiffIni(dataBefore, ReadIni(s.dataFile));
    core.Shutdown();
    for (const PluginCall& call : core.Calls()) {
        s.calls.push_back(CallText(call));
        if (call.result == E_NOTIMPL) {
            std::wstring name(call.method.begin(), call.method.end());
            std::wstring note = name + L" (" + std::to_wstring(call.mode) +
                                L") is not implemented by the plug-in yet (E_NOTIMPL)";
            if (std::find(s.notes.begin(), s.notes.end(), note) == s.notes.end()) {
                s.notes.push_back(note);
            }
        }
    }
    if (!s.events.empty() && std::all_of(s.events.begin(), s.events.end(), [](const PrintEvent& e) {
            return e.result == E_NOTIMPL;
        })) {
        s.notes.push_back(
            L"DocumentEvent is not implemented by the plug-in yet (E_NOTIMPL for "
            L"every event): it publishes nothing for print jobs so far");
    }
    if (options.mode == Mode::Printer && core.Pages().empty()) {
        s.notes.push_back(
            L"the plug-in added no page to Printer Properties; the sheet shows the "
            L"core driver's device items and installable options");
    }
    report = BuildReport(s, options.mode == Mode::Print ? nullptr : &core.Tree());
    return kExitOk;
}

int Run(const Options& options) {
    Session session;
    std::string report;
    const int code = RunSession(options, session, report);
    if (code != kExitOk) {
        fwprintf(stderr, L"oemui-host: %ls\n", session.error.c_str());
        return code;
    }
    std::wstring path = options.reportPath;
    if (path.empty() && !options.screenshotDir.empty()) {
        path = options.screenshotDir + L"\\" + (options.bench ? L"bench.txt" : L"report.txt");
    }
    if (!path.empty()) {
        if (!WriteText(path, report)) {
            fwprintf(stderr, L"oemui-host: cannot write the report %ls\n", path.c_str());
            return kExitRunFailed;
        }
        if (options.bench) fputs(report.c_str(), stdout);
        wprintf(L"report: %ls\n", path.c_str());
    } else {
        fputs(report.c_str(), stdout);
    }
    if (!options.bench) fputs(BuildSummary(session, options.screenshotDir).c_str(), stdout);
    fflush(stdout);
    return kExitOk;
}

}  // namespace host::demo
