// Runs the plug-in's one-time OS check and the WinHelp question and prints what they decided, for the tests that run it
// under different reported Windows versions.
#include <cstdio>

#include "plugin/object.h"

int main() {
    oemui::RunOsCheckOnce();
    printf("major=%lu vista=%d winhelp=%d\n",
           static_cast<unsigned long>(oemui::OsVersion.dwMajorVersion),
           oemui::IsVistaOrLater ? 1 : 0, oemui::WinHelpAvailable() ? 1 : 0);
    return 0;
}
