/* Stand-in for a model's network detection library. Results come from environment variables
 * (unset: 1): OEMUI_NETEXT_VALIDPORT (IsValidPort), OEMUI_NETEXT_CAPABILITY
 * (GetNetextCapability), OEMUI_NETEXT_READ (ReadPrinterOptionFlag32). GetDataFileName copies
 * OEMUI_NETEXT_DATAFILE into the caller's buffer and returns 1, or returns 0 when it is unset.
 * Every call, load and unload appends a line to the file named by OEMUI_STANDIN_LOG. */
#include "standinlog.h"
#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int Result(const char* variable) {
    char value[16];
    DWORD n = GetEnvironmentVariableA(variable, value, sizeof(value));
    return n > 0 && n < sizeof(value) ? atoi(value) : 1;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) Log("netext load");
    if (reason == DLL_PROCESS_DETACH) Log("netext unload");
    return TRUE;
}

int __cdecl IsValidPort(const char* name) {
    Log("IsValidPort %s", name);
    return Result("OEMUI_NETEXT_VALIDPORT");
}

int __cdecl GetNetextCapability(const char* name) {
    Log("GetNetextCapability %s", name);
    return Result("OEMUI_NETEXT_CAPABILITY");
}

int __cdecl ReadPrinterOptionFlag32(const char* name, HWND owner, int a, int b, DWORD flags) {
    Log("ReadPrinterOptionFlag32 %s owner=%d %d %d flags=0x%lx", name, owner != NULL, a, b,
        (unsigned long)flags);
    return Result("OEMUI_NETEXT_READ");
}

int __cdecl GetDataFileName(const char* name, char* path, int size) {
    DWORD n;
    Log("GetDataFileName %s size=%d", name, size);
    if (path == NULL || size <= 0) return 0;
    n = GetEnvironmentVariableA("OEMUI_NETEXT_DATAFILE", path, (DWORD)size);
    if (n == 0 || n >= (DWORD)size) return 0;
    return 1;
}
