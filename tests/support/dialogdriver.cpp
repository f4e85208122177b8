#include "tests/support/dialogdriver.h"

#include <cstring>

#include "tests/support/wineconfig.h"

namespace testenv {

bool RedirectImport(HMODULE module, const char* dllName, const char* function, void* target) {
    auto* base = reinterpret_cast<BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& dir =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (dir.VirtualAddress == 0) return false;
    for (auto* imp = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress);
         imp->Name != 0; ++imp) {
        if (_stricmp(reinterpret_cast<const char*>(base + imp->Name), dllName) != 0) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (imp->OriginalFirstThunk ? imp->OriginalFirstThunk : imp->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + imp->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName =
                reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD old = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE,
                                &old)) {
                return false;
            }
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(target);
            VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), old, &old);
            return true;
        }
    }
    return false;
}

int BeepCount = 0;

namespace {
BOOL WINAPI CountBeep(UINT) {
    ++BeepCount;
    return TRUE;
}
}  // namespace

bool CountBeeps() {
    static const bool redirected =
        RedirectImport(GetModuleHandleW(nullptr), "user32.dll", "MessageBeep",
                       reinterpret_cast<void*>(&CountBeep));
    return redirected;
}

std::wstring ShotFolder() {
    wchar_t dir[MAX_PATH] = {};
    std::wstring folder = GetEnvironmentVariableW(L"OEMUI_SHOT_DIR", dir, MAX_PATH) != 0
                              ? std::wstring(dir)
                              : TestBinDir() + L"\\shots";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

}  // namespace testenv
