// The integrator's trace: one line per decision that shapes what the sheet shows (dependent
// files found, model section chosen, core items bound or hidden, selections pushed into the
// core driver and its answer, optional libraries loaded or missing) and per failure an
// integrator hunts (no plug-in INI file, a stored record replaced by defaults, PPD features
// missing, what the printer event could not write), each "vroemui: ..." line going to two
// places:
//
// - OutputDebugStringW, for a debug-output viewer attached while it happens. Off by default;
//   switched on for the machine by the DWORD registry value "TraceLevel" under
//   HKEY_LOCAL_MACHINE\Software\Driver UI Works\vroemui, or for one printer by the DWORD
//   printer data value "VRTraceLevel"; the higher of the two applies. 1 writes errors,
//   warnings and decisions, 2 also the detail (each model-section look-up).
// - An event-tracing (ETW) provider without a manifest, for a trace an integrator collects
//   with the system's tools (logman, wpr, tracelog) and reads afterwards: each line is one
//   string event at its level. A session that enables the provider chooses the level; the
//   registry values play no part.
//
// The first line a process writes to each of them names the plug-in's version and the process.
// When neither wants a line, a trace point costs one load and one compare: the arguments are
// not evaluated.
#pragma once

#include <windows.h>
#include <evntprov.h>

#include <atomic>

namespace oemui {

// The level of a trace line, numbered as event tracing numbers its levels so that a session's
// level filters the lines (a session at level 3 receives errors and warnings only).
enum TraceLevel : UCHAR {
    kTraceError = 2,      // TRACE_LEVEL_ERROR: something the model needs did not happen
    kTraceWarning = 3,    // TRACE_LEVEL_WARNING: the plug-in went on with less than configured
    kTraceDecisions = 4,  // TRACE_LEVEL_INFORMATION: a decision, a file or library used
    kTraceDetail = 5,     // TRACE_LEVEL_VERBOSE: repeated look-ups
};

inline constexpr wchar_t kTraceRegistryKey[] = L"Software\\Driver UI Works\\vroemui";
inline constexpr wchar_t kTraceRegistryValue[] = L"TraceLevel";
inline constexpr wchar_t kTracePrinterValue[] = L"VRTraceLevel";

// The provider's one identity: sessions name it to collect the trace (docs/integrating.md).
// {478c60e7-18f2-498c-9a66-b6c8bc52fd92}
inline constexpr GUID kTraceProviderId = {
    0x478c60e7, 0x18f2, 0x498c, {0x9a, 0x66, 0xb6, 0xc8, 0xbc, 0x52, 0xfd, 0x92}};

// The highest line level any output wants now (0: none); TraceOn compares with it.
std::atomic<UCHAR>& TraceLevelInForce();

inline bool TraceOn(UCHAR level) {
    return TraceLevelInForce().load(std::memory_order_relaxed) >= level;
}

// Reads the machine's and the printer's levels. Cheap to call often: the values are read again
// only for another printer handle or after a second.
void TraceForPrinter(HANDLE hPrinter);

// Writes "vroemui: " followed by the formatted text (printf-style, wide) as a line of `level`
// to each output that wants that level.
void TraceLine(UCHAR level, const wchar_t* format, ...);

// One line for the model section chosen for a driver; repeated look-ups of the same choice
// write nothing more (level 2 writes each look-up).
void TraceModelSection(const wchar_t* driver, const wchar_t* section, const wchar_t* capability);

// One line for an optional library: loaded from `path` (a decision), or missing with the
// loader's error (a warning). Call straight after LoadLibraryW so that GetLastError still
// holds its answer.
void TraceLibrary(const wchar_t* what, const wchar_t* path, HMODULE module);

// The system's event-tracing entry points, or null ones where the system has none (before
// Windows Vista): tracing is never a reason for the plug-in to fail.
struct EventTracingCalls {
    ULONG(WINAPI* Register)(LPCGUID, PENABLECALLBACK, PVOID, PREGHANDLE) = nullptr;
    ULONG(WINAPI* WriteString)(REGHANDLE, UCHAR, ULONGLONG, PCWSTR) = nullptr;
    ULONG(WINAPI* Unregister)(REGHANDLE) = nullptr;
};
EventTracingCalls SystemEventTracingCalls();

// Registers the provider through `calls` when the module is loaded; a second call while it is
// registered does nothing. False when the provider could not be registered.
bool StartTraceProvider(const EventTracingCalls& calls);
// Unregisters it before the module goes: the system would otherwise call the enable callback
// of an unloaded module.
void StopTraceProvider();

// The first line of a process: "vroemui <version> (<DLL name>) in <program>, process <id>".
void FormatProcessLine(wchar_t* out, size_t chars);
// Forgets that this process has written its first line, so that the next line writes it
// again (each output remembers it for the process, across loads of the plug-in).
void ForgetProcessLine();

}  // namespace oemui

#define OEMUI_TRACE(level, ...)                                              \
    do {                                                                     \
        if (::oemui::TraceOn(level)) ::oemui::TraceLine(level, __VA_ARGS__); \
    } while (false)
