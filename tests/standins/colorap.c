/* Stand-in for a model's colour utility: appends "colorap <its command line>" to the file named
 * by OEMUI_STANDIN_LOG and exits. */
#include <windows.h>
#include <stdio.h>

#include "standinlog.h"

int main(void) {
    FILE* f = OpenStandInLog();
    if (f == NULL) return 1;
    fprintf(f, "colorap %s\n", GetCommandLineA());
    fclose(f);
    return 0;
}
