/* Stand-in for a model's card-reader library ("CARD_DLL"). Logs each query with the file name
 * of the capability path and answers OEMUI_CARD_RESULT (default 1). */
#include "standinlog.h"
#include <windows.h>
#include <stdlib.h>
#include <string.h>

int __cdecl QueryCardDriver(const char* driverName, const char* capabilityPath) {
    char value[16];
    int result = 1;
    DWORD n = GetEnvironmentVariableA("OEMUI_CARD_RESULT", value, sizeof(value));
    const char* file = capabilityPath != NULL ? strrchr(capabilityPath, '\\') : NULL;
    if (n > 0 && n < sizeof(value)) result = atoi(value);
    Log("QueryCardDriver driver=%s cap=%s", driverName != NULL ? driverName : "(null)",
        file != NULL ? file + 1 : "(none)");
    return result;
}
