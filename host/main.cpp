// oemui-host: loads the plug-in DLL the way the PostScript driver's UI module does and reports
// what it answers.
#include <cstdio>
#include <string>

#include "contract/oemcontract.h"

namespace {

std::wstring DefaultDllPath() {
    wchar_t exe[MAX_PATH] = {};
    const DWORD len = GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe, len);
    const size_t slash = path.find_last_of(L"\\/");
    path.resize(slash == std::wstring::npos ? 0 : slash + 1);
    return path + L"vroemui.dll";
}

int Fail(const wchar_t* what, const std::wstring& detail, DWORD error) {
    fwprintf(stderr, L"oemui-host: %ls %ls (error %lu)\n", what, detail.c_str(), error);
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dllPath = DefaultDllPath();
    for (int i = 1; i < argc; ++i) {
        const std::wstring arg = argv[i];
        if (arg == L"--dll" && i + 1 < argc) {
            dllPath = argv[++i];
        } else {
            fwprintf(stderr, L"usage: oemui-host [--dll PATH]\n");
            return 1;
        }
    }

    HMODULE dll = LoadLibraryExW(dllPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (dll == nullptr) return Fail(L"cannot load", dllPath, GetLastError());
    auto getClassObject = reinterpret_cast<PFN_DllGetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllGetClassObject")));
    auto canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(
        reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
    if (getClassObject == nullptr || canUnloadNow == nullptr) {
        FreeLibrary(dll);
        return Fail(L"the DLL does not export DllGetClassObject and DllCanUnloadNow:", dllPath,
                    ERROR_PROC_NOT_FOUND);
    }

    int status = 0;
    IClassFactory* factory = nullptr;
    HRESULT hr = getClassObject(CLSID_OemUiPlugin, IID_IClassFactory,
                                reinterpret_cast<void**>(&factory));
    if (FAILED(hr) || factory == nullptr) {
        fwprintf(stderr, L"oemui-host: DllGetClassObject failed (0x%08lx)\n",
                 static_cast<unsigned long>(hr));
        FreeLibrary(dll);
        return 3;
    }
    IPrintOemUI2* plugin = nullptr;
    hr = factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&plugin));
    factory->Release();
    if (FAILED(hr) || plugin == nullptr) {
        fwprintf(stderr, L"oemui-host: CreateInstance(IPrintOemUI2) failed (0x%08lx)\n",
                 static_cast<unsigned long>(hr));
        FreeLibrary(dll);
        return 3;
    }

    wprintf(L"plug-in: %ls\n", dllPath.c_str());
    DWORD value = 0;
    DWORD needed = 0;
    hr = plugin->GetInfo(OEMGI_GETSIGNATURE, &value, sizeof(value), &needed);
    if (SUCCEEDED(hr)) {
        char text[5] = {};
        memcpy(text, &value, 4);
        wprintf(L"signature: 0x%08lx \"%hs\"\n", static_cast<unsigned long>(value), text);
    } else {
        wprintf(L"signature: GetInfo failed (0x%08lx)\n", static_cast<unsigned long>(hr));
        status = 4;
    }
    hr = plugin->GetInfo(OEMGI_GETVERSION, &value, sizeof(value), &needed);
    if (SUCCEEDED(hr)) {
        wprintf(L"version: %lu\n", static_cast<unsigned long>(value));
    } else {
        wprintf(L"version: GetInfo failed (0x%08lx)\n", static_cast<unsigned long>(hr));
        status = 4;
    }
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.hModule = dll;
    hr = plugin->DevMode(OEMDM_SIZE, &param);
    if (SUCCEEDED(hr)) {
        wprintf(L"private DEVMODE size: %lu bytes\n", static_cast<unsigned long>(param.cbBufSize));
    } else {
        wprintf(L"private DEVMODE size: DevMode failed (0x%08lx)\n",
                static_cast<unsigned long>(hr));
        status = 4;
    }
    plugin->Release();
    wprintf(L"DllCanUnloadNow after release: %ls\n", canUnloadNow() == S_OK ? L"S_OK" : L"S_FALSE");
    FreeLibrary(dll);
    return status;
}
