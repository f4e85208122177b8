// DLL entry point and the two COM exports the core driver looks up.
#include "plugin/object.h"
#include "base/phasetimer.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            oemui::OnProcessAttach(instance);
            DisableThreadLibraryCalls(instance);
            break;
        case DLL_PROCESS_DETACH:
            oemui::OnProcessDetach(reserved != nullptr);
            break;
        default:
            break;
    }
    return TRUE;
}

extern "C" HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    OEMUI_PHASE("DllGetClassObject");
    return oemui::GetPluginClassObject(rclsid, riid, ppv);
}

extern "C" HRESULT STDAPICALLTYPE DllCanUnloadNow() { return oemui::CanUnloadPlugin(); }
