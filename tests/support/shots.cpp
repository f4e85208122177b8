#include "tests/support/shots.h"

#include <objbase.h>
#include <wincodec.h>

#include <unordered_set>
#include <vector>

#include "tests/support/dialogdriver.h"
#include "tests/support/testprinters.h"
#include "tools/screenshot.h"

namespace testenv {
namespace {

// Releases one COM reference when it goes.
template <typename T>
struct Ref {
    T* p = nullptr;
    ~Ref() {
        if (p != nullptr) p->Release();
    }
    T* operator->() const { return p; }
};

// COM for the scope, unless the thread already has it in another mode (which serves too).
struct ComUse {
    HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ~ComUse() {
        if (SUCCEEDED(hr)) CoUninitialize();
    }
    bool usable() const { return SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE; }
};

}  // namespace

PngPicture ReadPng(const std::wstring& path) {
    PngPicture picture;
    ComUse com;
    if (!com.usable()) return picture;
    Ref<IWICImagingFactory> factory;
    Ref<IWICBitmapDecoder> decoder;
    Ref<IWICBitmapFrameDecode> frame;
    Ref<IWICFormatConverter> converter;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(&factory.p))) ||
        FAILED(factory->CreateDecoderFromFilename(path.c_str(), nullptr, GENERIC_READ,
                                                  WICDecodeMetadataCacheOnDemand, &decoder.p))) {
        return picture;
    }
    GUID format = {};
    if (FAILED(decoder->GetContainerFormat(&format)) ||
        !IsEqualGUID(format, GUID_ContainerFormatPng) || FAILED(decoder->GetFrame(0, &frame.p)) ||
        FAILED(frame->GetSize(&picture.width, &picture.height)) ||
        FAILED(factory->CreateFormatConverter(&converter.p)) ||
        FAILED(converter->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA, WICBitmapDitherTypeNone,
                                     nullptr, 0.0, WICBitmapPaletteTypeCustom))) {
        return picture;
    }
    const UINT stride = picture.width * 4;
    std::vector<UINT32> pixels(static_cast<size_t>(picture.width) * picture.height);
    if (FAILED(converter->CopyPixels(nullptr, stride,
                                     static_cast<UINT>(pixels.size() * sizeof(UINT32)),
                                     reinterpret_cast<BYTE*>(pixels.data())))) {
        return picture;
    }
    picture.colours = std::unordered_set<UINT32>(pixels.begin(), pixels.end()).size();
    picture.decoded = true;
    return picture;
}

Shot SaveShot(HWND window, const std::wstring& path) {
    Shot shot;
    shot.path = path;
    RECT rect = {};
    if (GetWindowRect(window, &rect)) {
        shot.window = {rect.right - rect.left, rect.bottom - rect.top};
    }
    shot.saved = oemui::tools::SaveWindowPng(window, path.c_str());
    return shot;
}

Shot ShootDialog(HWND dialog, const wchar_t* name) {
    ShowWindow(dialog, SW_SHOW);
    RedrawWindow(dialog, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    GdiFlush();
    const std::wstring path = ShotFolder() + L"\\" + name;
    DeleteFileW(path.c_str());
    return SaveShot(dialog, path);
}

::testing::AssertionResult ShowsTheWindow(const Shot& shot) {
    const std::string name = Narrow(shot.path);
    if (!shot.saved) return ::testing::AssertionFailure() << "no shot saved as " << name;
    const PngPicture picture = ReadPng(shot.path);
    if (!picture.decoded) return ::testing::AssertionFailure() << name << " is no readable PNG";
    if (static_cast<LONG>(picture.width) != shot.window.cx ||
        static_cast<LONG>(picture.height) != shot.window.cy) {
        return ::testing::AssertionFailure()
               << name << " is " << picture.width << "x" << picture.height << ", the window "
               << shot.window.cx << "x" << shot.window.cy;
    }
    if (picture.colours < 2) {
        return ::testing::AssertionFailure() << name << " is one flat colour";
    }
    return ::testing::AssertionSuccess();
}

}  // namespace testenv
