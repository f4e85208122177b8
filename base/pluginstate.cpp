#include "base/pluginstate.h"

#include <strsafe.h>

#include <array>

#include "base/handles.h"

namespace oemui {

HMODULE ModuleHandle = nullptr;
HMODULE LinkResourceModule = nullptr;
OSVERSIONINFOW OsVersion = {};
bool OsCheckDone = false;
bool IsVistaOrLater = false;
volatile LONG WinHelpAnswer = -1;  // -1 not asked yet, else 0 or 1
DWORD SheetFlags = 0;

// ---------------------------------------------------------------------------------------------
// OS check

bool WinHelpUsable(DWORD osMajorVersion, const wchar_t* winHelpPath) {
    if (osMajorVersion < 6 || winHelpPath == nullptr) return true;
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(winHelpPath, &ignored);
    if (size == 0) return true;
    UniqueLocal block(LocalAlloc(LPTR, size));
    if (!block) return true;
    if (!GetFileVersionInfoW(winHelpPath, 0, size, block.get())) return true;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedLen = 0;
    if (!VerQueryValueW(block.get(), L"\\", reinterpret_cast<void**>(&fixed), &fixedLen) ||
        fixed == nullptr || fixedLen < sizeof(VS_FIXEDFILEINFO)) {
        return true;
    }
    // From Windows Vista on, the system's WINHLP32.EXE of product version 6 or later is only
    // a stub that cannot show help files.
    return HIWORD(fixed->dwProductVersionMS) < 6;
}

void RunOsCheckOnce() {
    if (OsCheckDone) return;
    OsCheckDone = true;
    OsVersion = {};
    OsVersion.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    GetVersionExW(&OsVersion);
    if (OsVersion.dwMajorVersion < 6) return;
    IsVistaOrLater = true;
}

bool WinHelpAvailable() {
    LONG answer = InterlockedCompareExchange(&WinHelpAnswer, -1, -1);
    if (answer >= 0) return answer != 0;
    RunOsCheckOnce();
    answer = 1;
    std::array<wchar_t, 261> path{};
    const UINT len = GetWindowsDirectoryW(path.data(), 260);
    if (IsVistaOrLater && len != 0 && len < 260 &&
        SUCCEEDED(StringCchCatW(path.data(), path.size(), L"\\WINHLP32.EXE")) &&
        !WinHelpUsable(OsVersion.dwMajorVersion, path.data())) {
        answer = 0;
    }
    // Two threads asking at once read the same file and agree.
    InterlockedExchange(&WinHelpAnswer, answer);
    return answer != 0;
}

}  // namespace oemui
