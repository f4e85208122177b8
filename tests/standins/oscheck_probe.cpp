// Runs the plug-in's one-time OS check and prints what it decided, for the tests that run it
// under different reported Windows versions.
#include <cstdio>

#include "plugin/object.h"

int main() {
    oemui::RunOsCheckOnce();
    printf("major=%lu vista=%d winhelp=%d\n",
           static_cast<unsigned long>(oemui::OsVersion.dwMajorVersion),
           oemui::IsVistaOrLater ? 1 : 0, oemui::IsWinHelpAvailable ? 1 : 0);
    return 0;
}
