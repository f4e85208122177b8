// Scoped owners for the Win32 handles and memory blocks the plug-in uses. Every handle the
// plug-in opens is held by one of these, so each is released on every path out of a routine.
#pragma once

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <utility>

namespace oemui {

// Owns one handle of a kind described by Traits (its null value and how to close it).
template <typename Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() noexcept = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    ~UniqueHandle() { reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : h_(other.release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) reset(other.release());
        return *this;
    }

    Handle get() const noexcept { return h_; }
    explicit operator bool() const noexcept { return Traits::Valid(h_); }

    Handle release() noexcept { return std::exchange(h_, Traits::Null()); }
    void reset(Handle h = Traits::Null()) noexcept {
        Handle old = std::exchange(h_, h);
        if (Traits::Valid(old)) Traits::Close(old);
    }
    // For APIs that return the handle through an out parameter; closes any current one.
    Handle* put() noexcept {
        reset();
        return &h_;
    }

private:
    Handle h_ = Traits::Null();
};

struct ModuleTraits {
    using Handle = HMODULE;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { FreeLibrary(h); }
};
struct KernelHandleTraits {  // handles whose null value is 0 (mutex, section, process)
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {  // CreateFileW reports failure as INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindTraits {  // FindFirstFileW reports failure as INVALID_HANDLE_VALUE
    using Handle = HANDLE;
    static Handle Null() { return INVALID_HANDLE_VALUE; }
    static bool Valid(Handle h) { return h != nullptr && h != INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
struct PrinterTraits {
    using Handle = HANDLE;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { ClosePrinter(h); }
};
struct RegKeyTraits {
    using Handle = HKEY;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
struct MemoryDcTraits {  // DCs from CreateCompatibleDC / CreateDCW
    using Handle = HDC;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteDC(h); }
};
struct GlobalTraits {
    using Handle = HGLOBAL;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { GlobalFree(h); }
};
struct LocalTraits {
    using Handle = HLOCAL;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { LocalFree(h); }
};
struct IconTraits {
    using Handle = HICON;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DestroyIcon(h); }
};

using UniqueModule = UniqueHandle<ModuleTraits>;
using UniqueKernelHandle = UniqueHandle<KernelHandleTraits>;
using UniqueFile = UniqueHandle<FileHandleTraits>;
using UniqueFind = UniqueHandle<FindTraits>;
using UniquePrinter = UniqueHandle<PrinterTraits>;
using UniqueRegKey = UniqueHandle<RegKeyTraits>;
using UniqueGdiObject = UniqueHandle<GdiObjectTraits>;
using UniqueMemoryDc = UniqueHandle<MemoryDcTraits>;
using UniqueGlobal = UniqueHandle<GlobalTraits>;
using UniqueLocal = UniqueHandle<LocalTraits>;
using UniqueIcon = UniqueHandle<IconTraits>;

// GDI objects by kind, so that a font cannot be handed where a bitmap is wanted.
template <typename H>
struct GdiTraits {
    using Handle = H;
    static Handle Null() { return nullptr; }
    static bool Valid(Handle h) { return h != nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using UniqueFont = UniqueHandle<GdiTraits<HFONT>>;
using UniqueBitmap = UniqueHandle<GdiTraits<HBITMAP>>;
using UniqueBrush = UniqueHandle<GdiTraits<HBRUSH>>;
using UniquePen = UniqueHandle<GdiTraits<HPEN>>;
using UniquePalette = UniqueHandle<GdiTraits<HPALETTE>>;
using UniqueRegion = UniqueHandle<GdiTraits<HRGN>>;

// A zero-filled fixed global block (GPTR) of a given size, viewed as T.
template <typename T = BYTE>
class GlobalBlock {
public:
    explicit GlobalBlock(std::size_t bytes) noexcept
        : mem_(bytes ? GlobalAlloc(GPTR, bytes) : nullptr), bytes_(mem_ ? bytes : 0) {}
    T* get() const noexcept { return static_cast<T*>(mem_.get()); }
    std::size_t bytes() const noexcept { return bytes_; }
    explicit operator bool() const noexcept { return static_cast<bool>(mem_); }

private:
    UniqueGlobal mem_;
    std::size_t bytes_;
};

// A DC obtained with GetDC, released with ReleaseDC on the same window.
class WindowDc {
public:
    explicit WindowDc(HWND hwnd) noexcept : hwnd_(hwnd), dc_(GetDC(hwnd)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    HDC get() const noexcept { return dc_; }
    explicit operator bool() const noexcept { return dc_ != nullptr; }

private:
    HWND hwnd_;
    HDC dc_;
};

// Selects an object into a DC for the lifetime of the guard.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ obj) noexcept
        : dc_(dc), old_(obj ? SelectObject(dc, obj) : nullptr) {}
    ~SelectGuard() {
        if (old_) SelectObject(dc_, old_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ old_;
};

// Selects a palette into a DC and realizes it; the previous palette is selected back and
// realized when the guard ends.
class PaletteGuard {
public:
    PaletteGuard(HDC dc, HPALETTE palette) noexcept
        : dc_(dc), old_(palette ? SelectPalette(dc, palette, FALSE) : nullptr) {
        if (old_) RealizePalette(dc_);
    }
    ~PaletteGuard() {
        if (old_) {
            SelectPalette(dc_, old_, FALSE);
            RealizePalette(dc_);
        }
    }
    PaletteGuard(const PaletteGuard&) = delete;
    PaletteGuard& operator=(const PaletteGuard&) = delete;

private:
    HDC dc_;
    HPALETTE old_;
};

}  // namespace oemui
