// The integrator's trace: one line per decision that shapes what the sheet shows (dependent
// files found, model section chosen, core items bound or hidden, selections pushed into the
// core driver and its answer, optional libraries loaded or missing), written with
// OutputDebugStringW as "vroemui: ..." lines.
//
// Off by default. Switched on for the machine by the DWORD registry value "TraceLevel" under
// HKEY_LOCAL_MACHINE\Software\Driver UI Works\vroemui, or for one printer by the DWORD printer
// data value "VRTraceLevel"; the higher of the two applies. Level 1 writes the decisions, level 2
// also each model-section look-up. When off, a trace point costs one load and one compare: the
// arguments are not evaluated.
#pragma once

#include <windows.h>

#include <atomic>

namespace oemui {

enum TraceLevel : DWORD { kTraceOff = 0, kTraceDecisions = 1, kTraceDetail = 2 };

inline constexpr wchar_t kTraceRegistryKey[] = L"Software\\Driver UI Works\\vroemui";
inline constexpr wchar_t kTraceRegistryValue[] = L"TraceLevel";
inline constexpr wchar_t kTracePrinterValue[] = L"VRTraceLevel";

// The level in force; written by TraceForPrinter.
std::atomic<DWORD>& TraceLevelInForce();

inline bool TraceOn(DWORD level) {
    return TraceLevelInForce().load(std::memory_order_relaxed) >= level;
}

// Reads the machine's and the printer's levels. Cheap to call often: the values are read again
// only for another printer handle or after a second.
void TraceForPrinter(HANDLE hPrinter);

// Writes "vroemui: " followed by the formatted text (printf-style, wide) and a line end.
void TraceLine(const wchar_t* format, ...);

// One line for the model section chosen for a driver; repeated look-ups of the same choice
// write nothing more (level 2 writes each look-up).
void TraceModelSection(const wchar_t* driver, const wchar_t* section, const wchar_t* capability);

// One line for an optional library: loaded from `path`, or missing with the loader's error.
// Call straight after LoadLibraryW so that GetLastError still holds its answer.
void TraceLibrary(const wchar_t* what, const wchar_t* path, HMODULE module);

}  // namespace oemui

#define OEMUI_TRACE(level, ...)                                       \
    do {                                                              \
        if (::oemui::TraceOn(level)) ::oemui::TraceLine(__VA_ARGS__); \
    } while (false)
