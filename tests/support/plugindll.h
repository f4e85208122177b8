// The plug-in DLL of this build, loaded by path the way the core driver loads it.
#pragma once

#include <windows.h>

#include "contract/oemcontract.h"
#include "tests/support/testprinters.h"

namespace testenv {

class PluginDll {
public:
    PluginDll() {
        module_ = LoadLibraryW(Widen(OEMUI_DLL_PATH).c_str());
        if (module_ != nullptr) {
            getClassObject = reinterpret_cast<PFN_DllGetClassObject>(
                reinterpret_cast<void*>(GetProcAddress(module_, "DllGetClassObject")));
            canUnloadNow = reinterpret_cast<PFN_DllCanUnloadNow>(
                reinterpret_cast<void*>(GetProcAddress(module_, "DllCanUnloadNow")));
        }
    }
    ~PluginDll() {
        if (module_ != nullptr) FreeLibrary(module_);
    }
    PluginDll(const PluginDll&) = delete;
    PluginDll& operator=(const PluginDll&) = delete;

    bool Loaded() const { return getClassObject != nullptr && canUnloadNow != nullptr; }

    IClassFactory* Factory() {
        IClassFactory* factory = nullptr;
        getClassObject(CLSID_OemUiPlugin, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        return factory;
    }
    // A new plug-in object (one reference), or null.
    IPrintOemUI2* Create() {
        IClassFactory* factory = Factory();
        if (factory == nullptr) return nullptr;
        IPrintOemUI2* object = nullptr;
        factory->CreateInstance(nullptr, IID_IPrintOemUI2, reinterpret_cast<void**>(&object));
        factory->Release();
        return object;
    }

    PFN_DllGetClassObject getClassObject = nullptr;
    PFN_DllCanUnloadNow canUnloadNow = nullptr;

private:
    HMODULE module_ = nullptr;
};

}  // namespace testenv
