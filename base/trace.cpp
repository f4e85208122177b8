#include "base/trace.h"

#include <evntrace.h>
#include <strsafe.h>
#include <winspool.h>

#include <cstdarg>
#include <iterator>

#include "base/handles.h"
#include "oemui_version.h"

namespace oemui {

namespace {

// Lines are cut at this length (the cut line is still worth writing).
constexpr size_t kLineChars = 1024;
constexpr wchar_t kLinePrefix[] = L"vroemui: ";
// The mark, in the process's own atom table, that the debug output has had the process's first
// line. The core driver loads and unloads the plug-in for every sheet; the atom table stays
// with the process.
constexpr wchar_t kProcessLineAtom[] = L"vroemui trace: process line written";

DWORD MachineLevel() {
    DWORD level = 0;
    DWORD bytes = sizeof(level);
    if (RegGetValueW(HKEY_LOCAL_MACHINE, kTraceRegistryKey, kTraceRegistryValue, RRF_RT_REG_DWORD,
                     nullptr, &level, &bytes) != ERROR_SUCCESS) {
        return 0;
    }
    return level;
}

DWORD PrinterLevel(HANDLE hPrinter) {
    if (hPrinter == nullptr) return 0;
    DWORD level = 0;
    DWORD type = 0;
    DWORD needed = 0;
    const DWORD status = GetPrinterDataW(hPrinter, const_cast<wchar_t*>(kTracePrinterValue), &type,
                                         reinterpret_cast<BYTE*>(&level), sizeof(level), &needed);
    return status == ERROR_SUCCESS && type == REG_DWORD ? level : 0;
}

// The registry's setting (0 off, 1 decisions, 2 detail) as the highest line level it writes.
UCHAR LineLevelOfSetting(DWORD setting) {
    if (setting == 0) return 0;
    return setting == 1 ? kTraceDecisions : kTraceDetail;
}

struct TraceSource {
    std::atomic<HANDLE> printer{nullptr};
    std::atomic<ULONGLONG> readAt{0};
};

TraceSource& Source() {
    static TraceSource source;
    return source;
}

// Where lines go: the debug output at the registry's level, the event provider at the level
// its sessions asked for. Atomics only: the enable callback runs on a thread of the system's.
struct TraceOutputs {
    std::atomic<UCHAR> debugLevel{0};
    std::atomic<UCHAR> eventLevel{0};
    std::atomic<bool> registered{false};
    std::atomic<REGHANDLE> registration{0};
    std::atomic<ULONG(WINAPI*)(REGHANDLE, UCHAR, ULONGLONG, PCWSTR)> writeString{nullptr};
    std::atomic<ULONG(WINAPI*)(REGHANDLE)> unregister{nullptr};
    // The events have not had the process line since this load or since a session asked.
    std::atomic<bool> eventProcessLineDue{true};
    // This load has settled whether the debug output still needs the process line.
    std::atomic<bool> debugProcessLineSettled{false};
};

TraceOutputs& Outputs() {
    static TraceOutputs outputs;
    return outputs;
}

void UpdateLevelInForce() {
    const TraceOutputs& outputs = Outputs();
    const UCHAR debug = outputs.debugLevel.load();
    const UCHAR events = outputs.registered.load() ? outputs.eventLevel.load() : 0;
    TraceLevelInForce().store(debug > events ? debug : events);
}

// Told by the system when a session enables or disables the provider, or asks for its state.
void NTAPI OnSessionChange(LPCGUID, ULONG controlCode, UCHAR level, ULONGLONG, ULONGLONG,
                           PEVENT_FILTER_DESCRIPTOR, PVOID) {
    TraceOutputs& outputs = Outputs();
    switch (controlCode) {
        case EVENT_CONTROL_CODE_ENABLE_PROVIDER:
            // Level 0 asks for every level.
            outputs.eventLevel.store(level == 0 ? 0xFF : level);
            outputs.eventProcessLineDue.store(true);
            break;
        case EVENT_CONTROL_CODE_DISABLE_PROVIDER:
            outputs.eventLevel.store(0);
            break;
        case EVENT_CONTROL_CODE_CAPTURE_STATE:
            // The process line is this provider's whole state.
            outputs.eventProcessLineDue.store(true);
            break;
        default:
            break;
    }
    UpdateLevelInForce();
}

// True once per process: the debug output's first line is due.
bool DebugProcessLineDue() {
    if (Outputs().debugProcessLineSettled.exchange(true)) return false;
    if (FindAtomW(kProcessLineAtom) != 0) return false;
    AddAtomW(kProcessLineAtom);
    return true;
}

void WriteDebugLine(const wchar_t* text) {
    wchar_t line[kLineChars + 2] = {};
    StringCchCopyW(line, std::size(line) - 1, text);
    StringCchCatW(line, std::size(line), L"\n");
    OutputDebugStringW(line);
}

}  // namespace

std::atomic<UCHAR>& TraceLevelInForce() {
    static std::atomic<UCHAR> level{0};
    return level;
}

void TraceForPrinter(HANDLE hPrinter) {
    TraceSource& source = Source();
    const ULONGLONG now = GetTickCount64();
    if (source.printer.load() == hPrinter && now - source.readAt.load() < 1000) return;
    source.printer.store(hPrinter);
    source.readAt.store(now);
    const DWORD machine = MachineLevel();
    const DWORD printer = PrinterLevel(hPrinter);
    Outputs().debugLevel.store(LineLevelOfSetting(machine > printer ? machine : printer));
    UpdateLevelInForce();
}

void FormatProcessLine(wchar_t* out, size_t chars) {
    wchar_t program[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
    const wchar_t* name = program;
    for (DWORD i = 0; i < length && i < MAX_PATH; ++i) {
        if (program[i] == L'\\' || program[i] == L'/') name = program + i + 1;
    }
    StringCchPrintfW(out, chars, L"%lsversion %hs (%hs) in %ls, process %lu", kLinePrefix,
                     OEMUI_VERSION_STRING, OEMUI_PLUGIN_FILE, name[0] != L'\0' ? name : L"?",
                     GetCurrentProcessId());
}

void ForgetProcessLine() {
    for (ATOM atom = FindAtomW(kProcessLineAtom); atom != 0; atom = FindAtomW(kProcessLineAtom)) {
        if (DeleteAtom(atom) != 0) break;  // DeleteAtom answers 0 when it succeeds
    }
    Outputs().debugProcessLineSettled.store(false);
    Outputs().eventProcessLineDue.store(true);
}

void TraceLine(UCHAR level, const wchar_t* format, ...) {
    TraceOutputs& outputs = Outputs();
    const bool toDebug = outputs.debugLevel.load() >= level;
    const auto writeString = outputs.writeString.load();
    const bool toEvents =
        outputs.registered.load() && outputs.eventLevel.load() >= level && writeString != nullptr;
    if (!toDebug && !toEvents) return;
    // Neither output may change the caller's last error (TraceLibrary's callers read it).
    const DWORD lastError = GetLastError();

    wchar_t line[kLineChars] = {};
    StringCchCopyW(line, std::size(line), kLinePrefix);
    const size_t prefix = wcslen(line);
    va_list args;
    va_start(args, format);
    StringCchVPrintfW(line + prefix, std::size(line) - prefix, format, args);
    va_end(args);

    // The process line takes the level of the line it comes before: whoever receives the one
    // receives the other.
    wchar_t processLine[kLineChars] = {};
    if (toDebug) {
        if (DebugProcessLineDue()) {
            FormatProcessLine(processLine, std::size(processLine));
            WriteDebugLine(processLine);
        }
        WriteDebugLine(line);
    }
    if (toEvents) {
        const REGHANDLE handle = outputs.registration.load();
        if (outputs.eventProcessLineDue.exchange(false)) {
            if (processLine[0] == L'\0') FormatProcessLine(processLine, std::size(processLine));
            writeString(handle, level, 0, processLine);
        }
        writeString(handle, level, 0, line);
    }
    SetLastError(lastError);
}

void TraceModelSection(const wchar_t* driver, const wchar_t* section, const wchar_t* capability) {
    static std::atomic<size_t> lastChoice{0};
    size_t choice = 1469598103934665603ull & SIZE_MAX;
    for (const wchar_t* text : {driver, section, capability}) {
        for (const wchar_t* c = text; c != nullptr && *c != L'\0'; ++c) {
            choice = (choice ^ static_cast<size_t>(*c)) * 1099511628211ull;
        }
        choice = (choice ^ 0xFFFFu) * 1099511628211ull;
    }
    if (lastChoice.exchange(choice) == choice && !TraceOn(kTraceDetail)) return;
    if (section[0] == L'\0') {
        TraceLine(kTraceWarning,
                  L"model section: none for driver \"%ls\" in \"%ls\" (every model key takes its "
                  L"default)",
                  driver, capability);
    } else {
        TraceLine(kTraceDecisions, L"model section: [%ls] for driver \"%ls\" in \"%ls\"", section,
                  driver, capability);
    }
}

void TraceLibrary(const wchar_t* what, const wchar_t* path, HMODULE module) {
    const DWORD error = GetLastError();
    if (module != nullptr) {
        OEMUI_TRACE(kTraceDecisions, L"%ls: loaded %ls", what, path);
    } else {
        OEMUI_TRACE(kTraceWarning, L"%ls: missing, %ls not loaded (error %lu)", what, path, error);
    }
}

EventTracingCalls SystemEventTracingCalls() {
    EventTracingCalls calls;
    // advapi32 is among the plug-in's imports, so it is loaded; only its event-tracing entry
    // points may be missing.
    const HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (advapi == nullptr) return calls;
    calls.Register = reinterpret_cast<decltype(calls.Register)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "EventRegister")));
    calls.WriteString = reinterpret_cast<decltype(calls.WriteString)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "EventWriteString")));
    calls.Unregister = reinterpret_cast<decltype(calls.Unregister)>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "EventUnregister")));
    if (calls.Register == nullptr || calls.WriteString == nullptr || calls.Unregister == nullptr) {
        return EventTracingCalls{};
    }
    return calls;
}

bool StartTraceProvider(const EventTracingCalls& calls) {
    TraceOutputs& outputs = Outputs();
    if (outputs.registered.load()) return true;
    if (calls.Register == nullptr || calls.WriteString == nullptr || calls.Unregister == nullptr) {
        return false;
    }
    outputs.writeString.store(calls.WriteString);
    outputs.unregister.store(calls.Unregister);
    outputs.eventProcessLineDue.store(true);
    // A session already running calls OnSessionChange from within the registration.
    REGHANDLE handle = 0;
    if (calls.Register(&kTraceProviderId, OnSessionChange, nullptr, &handle) != ERROR_SUCCESS) {
        outputs.eventLevel.store(0);
        return false;
    }
    outputs.registration.store(handle);
    outputs.registered.store(true);
    UpdateLevelInForce();
    return true;
}

void StopTraceProvider() {
    TraceOutputs& outputs = Outputs();
    if (!outputs.registered.exchange(false)) return;
    outputs.eventLevel.store(0);
    UpdateLevelInForce();
    const auto unregister = outputs.unregister.load();
    if (unregister != nullptr) unregister(outputs.registration.exchange(0));
}

}  // namespace oemui
