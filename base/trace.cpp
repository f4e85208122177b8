#include "base/trace.h"

#include <strsafe.h>
#include <winspool.h>

#include <cstdarg>
#include <iterator>

#include "base/handles.h"

namespace oemui {

namespace {

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

struct TraceSource {
    std::atomic<HANDLE> printer{nullptr};
    std::atomic<ULONGLONG> readAt{0};
};

TraceSource& Source() {
    static TraceSource source;
    return source;
}

}  // namespace

std::atomic<DWORD>& TraceLevelInForce() {
    static std::atomic<DWORD> level{0};
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
    TraceLevelInForce().store(machine > printer ? machine : printer);
}

void TraceLine(const wchar_t* format, ...) {
    wchar_t line[1024] = L"vroemui: ";
    const size_t prefix = wcslen(line);
    va_list args;
    va_start(args, format);
    // A line cut at the buffer's end is still worth writing.
    StringCchVPrintfW(line + prefix, std::size(line) - prefix - 2, format, args);
    va_end(args);
    StringCchCatW(line, std::size(line), L"\n");
    OutputDebugStringW(line);
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
        TraceLine(
            L"model section: none for driver \"%ls\" in \"%ls\" (every model key takes its default)",
            driver, capability);
    } else {
        TraceLine(L"model section: [%ls] for driver \"%ls\" in \"%ls\"", section, driver,
                  capability);
    }
}

void TraceLibrary(const wchar_t* what, const wchar_t* path, HMODULE module) {
    if (!TraceOn(kTraceDecisions)) return;
    const DWORD error = GetLastError();
    if (module != nullptr) {
        TraceLine(L"%ls: loaded %ls", what, path);
    } else {
        TraceLine(L"%ls: missing, %ls not loaded (error %lu)", what, path, error);
    }
}

}  // namespace oemui
