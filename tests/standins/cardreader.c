/* Stand-in for a model's card-reader library ("CARD_DLL"). Logs each query with the file name
 * of the capability path and answers OEMUI_CARD_RESULT (default 1). */
#include "standinlog.h"
#include <windows.h>
#include <string.h>

int __cdecl QueryCardDriver(const char* driverName, const char* capabilityPath) {
    const int result = EnvNumber("OEMUI_CARD_RESULT", 1);
    const char* file = capabilityPath != NULL ? strrchr(capabilityPath, '\\') : NULL;
    Log("QueryCardDriver driver=%s cap=%s", driverName != NULL ? driverName : "(null)",
        file != NULL ? file + 1 : "(none)");
    return result;
}
