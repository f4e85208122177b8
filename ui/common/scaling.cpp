#include "ui/common/scaling.h"

#include "ui/common/controls.h"
#include "base/handles.h"

namespace oemui {

namespace {

constexpr UINT kDesignDpi = 96;  // the DPI the bitmaps are drawn for

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

}  // namespace

UINT WindowDpi(HWND window) {
    // Windows before 10 (1607) have no GetDpiForWindow; the module is loaded in every process
    // with windows, so the look-up costs no load.
    if (HMODULE user = GetModuleHandleW(L"user32.dll")) {
        const auto query = reinterpret_cast<GetDpiForWindowFn>(
            reinterpret_cast<void*>(GetProcAddress(user, "GetDpiForWindow")));
        if (query != nullptr && window != nullptr) {
            const UINT dpi = query(window);
            if (dpi != 0) return dpi;
        }
    }
    WindowDc dc(window);
    const int dpi = dc ? GetDeviceCaps(dc.get(), LOGPIXELSY) : 0;
    return dpi > 0 ? static_cast<UINT>(dpi) : kDesignDpi;
}

RECT FitPicture(const RECT& box, int width, int height, UINT dpi) {
    const int boxWidth = box.right - box.left;
    const int boxHeight = box.bottom - box.top;
    if (width <= 0 || height <= 0 || boxWidth <= 0 || boxHeight <= 0) return RECT{};
    int w = MulDiv(width, static_cast<int>(dpi), kDesignDpi);
    int h = MulDiv(height, static_cast<int>(dpi), kDesignDpi);
    if (w > boxWidth) {
        h = MulDiv(h, boxWidth, w);
        w = boxWidth;
    }
    if (h > boxHeight) {
        w = MulDiv(w, boxHeight, h);
        h = boxHeight;
    }
    if (w < 1) w = 1;
    if (h < 1) h = 1;
    const LONG left = box.left + (boxWidth - w) / 2;
    const LONG top = box.top + (boxHeight - h) / 2;
    return RECT{left, top, left + w, top + h};
}

bool ControlRectIn(HWND dialog, int id, RECT& out) {
    HWND control = FindControl(dialog, id);
    if (control == nullptr || !GetWindowRect(control, &out)) return false;
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&out), 2);
    return true;
}

}  // namespace oemui
