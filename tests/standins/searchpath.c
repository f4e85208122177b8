/* Two libraries for the check that a model library's imports are not looked for in the current
 * directory: vrsearchuser.dll imports SearchHelperValue from vrsearchhelper.dll, and loads only
 * where the loader finds that helper. */
#include <windows.h>

#if defined(SEARCH_HELPER)
__declspec(dllexport) int SearchHelperValue(void) { return 42; }
#else
__declspec(dllimport) int SearchHelperValue(void);
__declspec(dllexport) int SearchUserValue(void) { return SearchHelperValue(); }
#endif

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
