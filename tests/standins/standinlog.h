/* The call log of the stand-in libraries: one line per call appended to the file named by the
 * environment variable OEMUI_STANDIN_LOG (nothing is written when it is unset). */
#ifndef OEMUI_STANDINLOG_H
#define OEMUI_STANDINLOG_H

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>

static void Log(const char* format, ...) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("OEMUI_STANDIN_LOG", path, sizeof(path));
    if (n == 0 || n >= sizeof(path)) return;
    FILE* f = fopen(path, "a");
    if (f == NULL) return;
    va_list args;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    fclose(f);
}

#endif
