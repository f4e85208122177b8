/* The call log of the stand-in libraries: one line per call appended to the file named by the
 * environment variable OEMUI_STANDIN_LOG (nothing is written when it is unset); and the
 * answers the tests choose through environment variables. */
#ifndef OEMUI_STANDINLOG_H
#define OEMUI_STANDINLOG_H

#include <windows.h>
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

/* Opens the log for appending, or NULL when none is set. The test reads the log while stand-ins
 * in other processes write it, and its read shares no writing: an open that collides with a
 * read is tried again for a few seconds instead of losing the line. */
static inline FILE* OpenStandInLog(void) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("OEMUI_STANDIN_LOG", path, sizeof(path));
    if (n == 0 || n >= sizeof(path)) return NULL;
    for (int attempt = 0; attempt < 250; ++attempt) {
        FILE* f = fopen(path, "a");
        if (f != NULL) return f;
        Sleep(20);
    }
    return NULL;
}

static inline void Log(const char* format, ...) {
    FILE* f = OpenStandInLog();
    if (f == NULL) return;
    va_list args;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    fclose(f);
}

/* The number an environment variable holds, or `fallback` when it is unset (or too long to be
 * a number). */
static inline int EnvNumber(const char* variable, int fallback) {
    char value[16];
    DWORD n = GetEnvironmentVariableA(variable, value, sizeof(value));
    return n > 0 && n < sizeof(value) ? atoi(value) : fallback;
}

/* A DllMain that logs "<prefix>load" and "<prefix>unload" as the library comes and goes. */
#define STANDIN_LOGGING_DLLMAIN(prefix)                                      \
    BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) { \
        (void)instance;                                                      \
        (void)reserved;                                                      \
        if (reason == DLL_PROCESS_ATTACH) Log(prefix "load");                \
        if (reason == DLL_PROCESS_DETACH) Log(prefix "unload");              \
        return TRUE;                                                         \
    }

#endif
