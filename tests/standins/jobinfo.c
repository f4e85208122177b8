/* Stand-in for a model's job-information library. GetPrintingApplication fills the 120-byte
 * record (two 60-byte ANSI fields) from the environment variables OEMUI_JOBINFO_FIRST and
 * OEMUI_JOBINFO_SECOND (at most 60 bytes each, copied without a terminating NUL when they fill
 * the field; an unset variable leaves its field alone) and appends one line per call, and one
 * per load and unload, to the file named by OEMUI_STANDIN_LOG. */
#include "standinlog.h"
#include <windows.h>
#include <string.h>

#define FIELD_BYTES 60

STANDIN_LOGGING_DLLMAIN("jobinfo ")

static void FillField(char* field, const char* variable) {
    char value[256];
    DWORD n = GetEnvironmentVariableA(variable, value, sizeof(value));
    if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return;
    if (n >= sizeof(value)) return;
    memset(field, 0, FIELD_BYTES);
    memcpy(field, value, n < FIELD_BYTES ? n : FIELD_BYTES);
}

int __cdecl GetPrintingApplication(int reserved, void* record, DWORD* size) {
    Log("GetPrintingApplication reserved=%d size=%lu", reserved,
        size != NULL ? (unsigned long)*size : 0ul);
    if (record == NULL || size == NULL || *size < 2 * FIELD_BYTES) return 0;
    FillField((char*)record, "OEMUI_JOBINFO_FIRST");
    FillField((char*)record + FIELD_BYTES, "OEMUI_JOBINFO_SECOND");
    return 1;
}
