/* Stand-in for a model's colour utility: appends "colorap <its command line>" to the file named
 * by OEMUI_STANDIN_LOG and exits. */
#include <windows.h>
#include <stdio.h>

int main(void) {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("OEMUI_STANDIN_LOG", path, sizeof(path));
    if (n == 0 || n >= sizeof(path)) return 1;
    FILE* f = fopen(path, "a");
    if (f == NULL) return 1;
    fprintf(f, "colorap %s\n", GetCommandLineA());
    fclose(f);
    return 0;
}
