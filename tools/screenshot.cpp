// Screen capture with BitBlt from the screen DC, encoded as PNG through WIC.
#include "tools/screenshot.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>

#include "base/handles.h"

namespace oemui::tools {
namespace {

// Owns one reference of a COM interface.
template <typename T>
class ComRef {
public:
    ComRef() noexcept = default;
    ~ComRef() {
        if (p_) p_->Release();
    }
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    T* get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T** put() noexcept {
        if (p_) p_->Release();
        p_ = nullptr;
        return &p_;
    }
    void** put_void() noexcept { return reinterpret_cast<void**>(put()); }

private:
    T* p_ = nullptr;
};

// Initialises COM on this thread for the scope when nobody has done so yet.
class ComScope {
public:
    ComScope() noexcept : hr_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComScope() {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    ComScope(const ComScope&) = delete;
    ComScope& operator=(const ComScope&) = delete;
    // RPC_E_CHANGED_MODE: COM is already up in another mode, which serves us as well.
    bool usable() const noexcept { return SUCCEEDED(hr_) || hr_ == RPC_E_CHANGED_MODE; }

private:
    HRESULT hr_;
};

bool EncodePng(const wchar_t* path, UINT width, UINT height, UINT stride, BYTE* pixels) {
    ComScope com;
    if (!com.usable()) return false;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, factory.put_void())))
        return false;
    ComRef<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.put())) ||
        FAILED(stream->InitializeFromFilename(path, GENERIC_WRITE)))
        return false;
    ComRef<IWICBitmapEncoder> encoder;
    if (FAILED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.put())) ||
        FAILED(encoder->Initialize(stream.get(), WICBitmapEncoderNoCache)))
        return false;
    ComRef<IWICBitmapFrameEncode> frame;
    if (FAILED(encoder->CreateNewFrame(frame.put(), nullptr)) ||
        FAILED(frame->Initialize(nullptr)) || FAILED(frame->SetSize(width, height)))
        return false;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    if (FAILED(frame->SetPixelFormat(&format)) || !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR))
        return false;
    if (FAILED(frame->WritePixels(height, stride, stride * height, pixels)) ||
        FAILED(frame->Commit()) || FAILED(encoder->Commit()))
        return false;
    return true;
}

}  // namespace

bool SaveScreenRectPng(const RECT& rect, const wchar_t* path) {
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || path == nullptr) return false;

    WindowDc screen(nullptr);
    if (!screen) return false;
    UniqueMemoryDc memory(CreateCompatibleDC(screen.get()));
    if (!memory) return false;

    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top-down rows, the order WIC expects
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    UniqueGdiObject dib(CreateDIBSection(screen.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!dib || bits == nullptr) return false;
    {
        SelectGuard select(memory.get(), dib.get());
        if (!BitBlt(memory.get(), 0, 0, width, height, screen.get(), rect.left, rect.top,
                    SRCCOPY | CAPTUREBLT))
            return false;
    }
    GdiFlush();
    const UINT stride = ((static_cast<UINT>(width) * 24 + 31) / 32) * 4;
    return EncodePng(path, static_cast<UINT>(width), static_cast<UINT>(height), stride,
                     static_cast<BYTE*>(bits));
}

bool SaveWindowPng(HWND window, const wchar_t* path) {
    RECT rect;
    if (window == nullptr || !IsWindowVisible(window) || !GetWindowRect(window, &rect))
        return false;
    return SaveScreenRectPng(rect, path);
}

}  // namespace oemui::tools
