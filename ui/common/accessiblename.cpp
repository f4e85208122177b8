#include "ui/common/accessiblename.h"

#include <oleacc.h>

#include "ui/common/controls.h"

namespace oemui {

namespace {

constexpr int kNameChars = 128;

// The annotation service's class, interface and name property (oleacc.h declares them for
// oleacc.lib, which the plug-in does not link: it would load oleacc.dll into every process
// that prints).
constexpr GUID kAccPropServicesClass = {
    0xb5f8350b, 0x0548, 0x48b1, {0xa6, 0xee, 0x88, 0xbd, 0x00, 0xb4, 0xa5, 0xe7}};
constexpr GUID kAccPropServicesInterface = {
    0x6e26e776, 0x04f0, 0x495d, {0x80, 0xe4, 0x33, 0x30, 0x35, 0x2e, 0x31, 0x69}};
constexpr MSAAPROPID kNameProperty = {
    0x608d3df8, 0x8128, 0x4aa7, {0xa4, 0x28, 0xf5, 0x5e, 0x49, 0x26, 0x72, 0x91}};

// The service, or null; released by its owner.
class Service {
public:
    Service() {
        CoCreateInstance(kAccPropServicesClass, nullptr, CLSCTX_INPROC_SERVER,
                         kAccPropServicesInterface, reinterpret_cast<void**>(&service_));
    }
    ~Service() {
        if (service_ != nullptr) service_->Release();
    }
    Service(const Service&) = delete;
    Service& operator=(const Service&) = delete;
    IAccPropServices* get() const { return service_; }

private:
    IAccPropServices* service_ = nullptr;
};

template <typename Fn>
void ForEachListed(HWND dialog, UINT templateId, Fn fn) {
    for (const SharedButtonName& entry : kSharedButtonNames) {
        if (entry.templateId != templateId) continue;
        if (HWND button = FindControl(dialog, entry.controlId)) fn(button, entry);
    }
}

}  // namespace

void NameSharedButtons(HWND dialog, UINT templateId, HMODULE resources) {
    const Service service;
    if (service.get() == nullptr) return;
    ForEachListed(dialog, templateId, [&](HWND button, const SharedButtonName& entry) {
        wchar_t name[kNameChars] = {};
        if (LoadStringW(resources, entry.stringId, name, kNameChars) <= 0) return;
        service.get()->SetHwndPropStr(button, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                      kNameProperty, name);
    });
}

void ForgetSharedButtonNames(HWND dialog, UINT templateId) {
    const Service service;
    if (service.get() == nullptr) return;
    MSAAPROPID name = kNameProperty;
    ForEachListed(dialog, templateId, [&](HWND button, const SharedButtonName&) {
        service.get()->ClearHwndProps(button, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name,
                                      1);
    });
}

}  // namespace oemui
