/* Stand-in for a model's network detection library. Results come from environment variables
 * (unset: 1): OEMUI_NETEXT_VALIDPORT (IsValidPort), OEMUI_NETEXT_CAPABILITY
 * (GetNetextCapability), OEMUI_NETEXT_READ (ReadPrinterOptionFlag32). GetDataFileName copies
 * OEMUI_NETEXT_DATAFILE into the caller's buffer and returns 1, or returns 0 when it is unset.
 * Every call, load and unload appends a line to the file named by OEMUI_STANDIN_LOG. */
#include "standinlog.h"
#include <windows.h>

STANDIN_LOGGING_DLLMAIN("netext ")

int __cdecl IsValidPort(const char* name) {
    Log("IsValidPort %s", name);
    return EnvNumber("OEMUI_NETEXT_VALIDPORT", 1);
}

int __cdecl GetNetextCapability(const char* name) {
    Log("GetNetextCapability %s", name);
    return EnvNumber("OEMUI_NETEXT_CAPABILITY", 1);
}

int __cdecl ReadPrinterOptionFlag32(const char* name, HWND owner, int a, int b, DWORD flags) {
    Log("ReadPrinterOptionFlag32 %s owner=%d %d %d flags=0x%lx", name, owner != NULL, a, b,
        (unsigned long)flags);
    return EnvNumber("OEMUI_NETEXT_READ", 1);
}

int __cdecl GetDataFileName(const char* name, char* path, int size) {
    DWORD n;
    Log("GetDataFileName %s size=%d", name, size);
    if (path == NULL || size <= 0) return 0;
    n = GetEnvironmentVariableA("OEMUI_NETEXT_DATAFILE", path, (DWORD)size);
    if (n == 0 || n >= (DWORD)size) return 0;
    return 1;
}
