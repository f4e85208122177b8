#include "base/driverfiles.h"

#include <strsafe.h>

#include <cwchar>

#include "base/trace.h"

namespace oemui {

namespace {

// "C:\..." or "\\server\..." (and "\\?\..."): the only paths the loaders below take. Anything
// else would be resolved against the current directory.
bool IsFullPath(const wchar_t* path) {
    if (path == nullptr) return false;
    const bool drive =
        ((path[0] >= L'A' && path[0] <= L'Z') || (path[0] >= L'a' && path[0] <= L'z')) &&
        path[1] == L':' && (path[2] == L'\\' || path[2] == L'/');
    const bool unc = path[0] == L'\\' && path[1] == L'\\';
    return drive || unc;
}

}  // namespace

bool IsDriverFileName(const wchar_t* name, const wchar_t* key) {
    if (name == nullptr || name[0] == L'\0') return false;
    bool onlyDotsAndSpaces = true;
    bool refused = false;
    for (const wchar_t* at = name; *at != L'\0'; ++at) {
        if (*at == L'\\' || *at == L'/' || *at == L':') refused = true;
        if (*at != L'.' && *at != L' ') onlyDotsAndSpaces = false;
    }
    refused = refused || onlyDotsAndSpaces;
    if (refused) {
        OEMUI_TRACE(kTraceDecisions,
                    L"%ls: \"%ls\" refused, not a file name of the driver directory",
                    key != nullptr ? key : L"file name", name);
    }
    return !refused;
}

UniqueModule LoadModelLibrary(const wchar_t* fullPath, const wchar_t* what) {
    if (!IsFullPath(fullPath)) {
        SetLastError(ERROR_BAD_PATHNAME);
        TraceLibrary(what, fullPath != nullptr ? fullPath : L"(none)", nullptr);
        return UniqueModule();
    }
    HMODULE module = LoadLibraryExW(
        fullPath, nullptr, LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Systems without the search-flag update refuse the flags as an invalid parameter; the
    // altered search path still starts in the library's folder instead of the application's.
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        module = LoadLibraryExW(fullPath, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    }
    TraceLibrary(what, fullPath, module);
    return UniqueModule(module);
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module == nullptr && GetLastError() == ERROR_INVALID_PARAMETER) {
        wchar_t path[MAX_PATH + 1] = {};
        const UINT length = GetSystemDirectoryW(path, MAX_PATH);
        if (length != 0 && length < MAX_PATH &&
            SUCCEEDED(StringCchCatW(path, MAX_PATH + 1, L"\\")) &&
            SUCCEEDED(StringCchCatW(path, MAX_PATH + 1, name))) {
            module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
        }
    }
    return UniqueModule(module);
}

UniqueModule LoadResourceLibrary(const wchar_t* fullPath, const wchar_t* what) {
    if (!IsFullPath(fullPath)) {
        SetLastError(ERROR_BAD_PATHNAME);
        TraceLibrary(what, fullPath != nullptr ? fullPath : L"(none)", nullptr);
        return UniqueModule();
    }
    HMODULE module = LoadLibraryExW(fullPath, nullptr,
                                    LOAD_LIBRARY_AS_IMAGE_RESOURCE | LOAD_LIBRARY_AS_DATAFILE);
    TraceLibrary(what, fullPath, module);
    return UniqueModule(module);
}

}  // namespace oemui
