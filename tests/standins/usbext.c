/* Stand-in for a model's USB detection library. ReadPrinterOptionUSB and ReadPrinterOptionUSB2
 * return OEMUI_USBEXT_READ and OEMUI_USBEXT_READ2 (unset: 1); the test writes the data file.
 * Loads (with the library's own path), unloads and calls append a line to the file named by
 * OEMUI_STANDIN_LOG. */
#include "standinlog.h"
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    char self[MAX_PATH] = "";
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        GetModuleFileNameA(instance, self, sizeof(self));
        Log("usbext load %s", self);
    }
    if (reason == DLL_PROCESS_DETACH) Log("usbext unload");
    return TRUE;
}

int __cdecl ReadPrinterOptionUSB(const char* name) {
    Log("ReadPrinterOptionUSB %s", name);
    return EnvNumber("OEMUI_USBEXT_READ", 1);
}

int __cdecl ReadPrinterOptionUSB2(const char* name) {
    Log("ReadPrinterOptionUSB2 %s", name);
    return EnvNumber("OEMUI_USBEXT_READ2", 1);
}
