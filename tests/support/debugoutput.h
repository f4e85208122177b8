// The process's debug output (OutputDebugString), caught while a DebugOutputCapture lives. The
// system delivers each string as an exception that vectored handlers see first, both on
// Windows and under Wine, whether or not a debugger is attached.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace testenv {

class DebugOutputCapture {
public:
    DebugOutputCapture();
    ~DebugOutputCapture();
    DebugOutputCapture(const DebugOutputCapture&) = delete;
    DebugOutputCapture& operator=(const DebugOutputCapture&) = delete;

    // The plug-in's trace lines ("vroemui: ...") caught so far, in order, without line ends.
    std::vector<std::wstring> TraceLines() const;

private:
    PVOID handler_ = nullptr;
};

// Sets the machine's trace level (HKLM registry value "TraceLevel"); 0 removes the value.
void SetMachineTraceLevel(DWORD level);

}  // namespace testenv
