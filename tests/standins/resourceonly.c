/* The code of the libraries that have nothing to run: those that carry only resources (the link
 * page's library, the dialog-routine and page-layout test resources) and the one that loads but
 * exports nothing (what a host is given when the wrong file is named). */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
