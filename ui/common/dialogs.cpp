#include "ui/common/dialogs.h"

#include <commctrl.h>
#include <prsht.h>
#include <strsafe.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "docprop/itemmap.h"
#include "base/config.h"
#include "base/pluginstate.h"
#include "resource.h"
#include "base/handles.h"
#include "ui/common/scaling.h"
#include "base/userdata.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

constexpr int kMessageTextChars = 600;     // message texts: at most 599 characters
constexpr int kMessageCaptionChars = 160;  // captions: at most 159 characters
constexpr int kNumberTextChars = 510;      // numeric edits: at most 509 characters

// Calls fn(control) for every existing control with an id in firstId..lastId.
template <typename Fn>
void ForEachControl(HWND dialog, int firstId, int lastId, Fn fn) {
    if (dialog == nullptr || lastId < firstId) return;
    for (long long id = firstId; id <= lastId; ++id) {
        HWND control = FindControl(dialog, static_cast<int>(id));
        if (control != nullptr) fn(control);
    }
}

// A device-independent bitmap resource whose every part lies inside the resource data.
struct DibResource {
    const BITMAPINFO* info = nullptr;
    const BYTE* bits = nullptr;
    const RGBQUAD* colours = nullptr;
    DWORD colourCount = 0;
    LONG width = 0;
    LONG height = 0;  // absolute value; bottom-up and top-down DIBs both draw upright
};

bool ParseDibResource(const BYTE* data, DWORD size, DibResource& out) {
    BITMAPINFOHEADER header;
    if (data == nullptr || size < sizeof(header)) return false;
    std::memcpy(&header, data, sizeof(header));
    if (header.biSize < sizeof(header) || header.biSize > size) return false;
    if (header.biWidth <= 0 || header.biHeight == 0 || header.biHeight == LONG_MIN ||
        header.biPlanes != 1) {
        return false;
    }
    const WORD bits = header.biBitCount;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return false;
    }
    // Colour table: biClrUsed entries, or the full table of a paletted bitmap. A table larger
    // than 256 entries is not a palette this routine can realise.
    const DWORD colours = header.biClrUsed != 0 ? header.biClrUsed
                          : bits <= 8           ? (DWORD{1} << bits)
                                                : 0;
    if (colours > 256) return false;
    uint64_t masks = 0;
    uint64_t imageBytes = 0;
    const uint64_t height = static_cast<uint64_t>(
        header.biHeight < 0 ? -static_cast<int64_t>(header.biHeight) : header.biHeight);
    switch (header.biCompression) {
        case BI_BITFIELDS:
            if (bits != 16 && bits != 32) return false;
            if (header.biSize == sizeof(header)) masks = 3 * sizeof(DWORD);
            [[fallthrough]];
        case BI_RGB: {
            const uint64_t stride = ((static_cast<uint64_t>(header.biWidth) * bits + 31) / 32) * 4;
            imageBytes = stride * height;
            break;
        }
        case BI_RLE8:
        case BI_RLE4:
            if (header.biHeight < 0 || header.biSizeImage == 0) return false;
            imageBytes = header.biSizeImage;
            break;
        default:
            return false;
    }
    const uint64_t tableOffset = header.biSize + masks;
    const uint64_t bitsOffset = tableOffset + uint64_t{colours} * sizeof(RGBQUAD);
    if (bitsOffset + imageBytes > size) return false;

    out.info = reinterpret_cast<const BITMAPINFO*>(data);
    out.colours = reinterpret_cast<const RGBQUAD*>(data + tableOffset);
    out.colourCount = colours;
    out.bits = data + bitsOffset;
    out.width = header.biWidth;
    out.height = static_cast<LONG>(height);
    return true;
}

// A logical palette made of a DIB's colour table.
UniqueGdiObject PaletteFromColours(const RGBQUAD* colours, DWORD count) {
    UniqueGdiObject palette;
    if (count == 0) return palette;
    void* block = AllocZeroed(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    if (block == nullptr) return palette;
    auto* logical = static_cast<LOGPALETTE*>(block);
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    // LOGPALETTE declares one entry; the block holds `count` of them.
    PALETTEENTRY* entries = logical->palPalEntry;
    for (DWORD i = 0; i < count; ++i) {
        RGBQUAD quad;
        std::memcpy(&quad, reinterpret_cast<const BYTE*>(colours) + i * sizeof(RGBQUAD),
                    sizeof(quad));
        entries[i].peRed = quad.rgbRed;
        entries[i].peGreen = quad.rgbGreen;
        entries[i].peBlue = quad.rgbBlue;
        entries[i].peFlags = 0;
    }
    palette.reset(CreatePalette(logical));
    FreeBlock(block);
    return palette;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Control ranges

void EnableControlRange(HWND dialog, int firstId, int lastId, bool enable) {
    ForEachControl(dialog, firstId, lastId,
                   [enable](HWND control) { EnableWindow(control, enable ? TRUE : FALSE); });
}

void RestrictControlRange(HWND dialog, int firstId, int lastId, bool enable) {
    ForEachControl(dialog, firstId, lastId, [enable](HWND control) {
        EnableWindow(control, (enable && IsWindowEnabled(control)) ? TRUE : FALSE);
    });
}

void ShowControlRange(HWND dialog, int firstId, int lastId, bool show) {
    ForEachControl(dialog, firstId, lastId, [show](HWND control) {
        ShowWindow(control, show ? SW_SHOW : SW_HIDE);
        EnableWindow(control, show ? TRUE : FALSE);
    });
}

void DestroyControlRange(HWND dialog, int firstId, int lastId) {
    ForEachControl(dialog, firstId, lastId, [](HWND control) { DestroyWindow(control); });
}

// ---------------------------------------------------------------------------------------------
// Messages

int MessageBoxById(HWND owner, UINT textId, UINT captionId, UINT type) {
    wchar_t text[kMessageTextChars] = {};
    wchar_t caption[kMessageCaptionChars] = {};
    LoadStringW(ModuleHandle, textId, text, kMessageTextChars);
    if (captionId != 0) LoadStringW(ModuleHandle, captionId, caption, kMessageCaptionChars);
    return MessageBoxW(owner, text, captionId != 0 ? caption : nullptr, type & 0xFFFF);
}

INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
        case WM_INITDIALOG: {
            // Icons from LoadIconW are shared resources: nothing to destroy.
            HICON icon = LoadIconW(ModuleHandle, MAKEINTRESOURCEW(IDI_WARNING_SIGN));
            SendToControl(dialog, IDC_WARNING_ICON, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
            CheckDlgButton(dialog, IDC_WARNING_SHOW_AGAIN, BST_CHECKED);
            return FALSE;
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    EndDialog(dialog,
                              IsDlgButtonChecked(dialog, IDC_WARNING_SHOW_AGAIN) == BST_CHECKED
                                  ? kDialogAccepted
                                  : kDialogDismissed);
                    return TRUE;
                case IDCANCEL:
                    EndDialog(dialog, kDialogDismissed);
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

void ShowWarningOnce(HWND owner, DriverItemMap* map, int kind) {
    if (kind < 0 || kind >= kWarningKinds) return;
    constexpr wchar_t kSection[] = L"DisplayAllert";
    // Without a file to read (an empty file name would make the profile functions use WIN.INI)
    // the warning is shown every time.
    const wchar_t* dataFile = map != nullptr ? SheetDataFile(*map) : nullptr;
    const wchar_t* source = map != nullptr ? UserDataSource(dataFile, map->IniPath) : nullptr;
    wchar_t key[32] = {};
    StringCchPrintfW(key, ARRAYSIZE(key), L"AllertFlag%ld", static_cast<long>(kind));
    if (source != nullptr && GetPrivateProfileIntW(kSection, key, 0, source) != 0) return;
    const INT_PTR result =
        DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(IDD_WARNING_STAPLE + kind), owner,
                        WarningDialogProc, reinterpret_cast<LPARAM>(map));
    if (result != kDialogDismissed || map == nullptr || dataFile[0] == L'\0') return;

    // The section as it stands with this kind's flag set, saved whole.
    SectionLines lines(1024);
    for (int other = 0; other < kWarningKinds; ++other) {
        wchar_t otherKey[32] = {};
        StringCchPrintfW(otherKey, ARRAYSIZE(otherKey), L"AllertFlag%ld", static_cast<long>(other));
        const UINT flag =
            other == kind
                ? 1
                : (source != nullptr ? GetPrivateProfileIntW(kSection, otherKey, 0, source) : 0);
        if (flag != 0) lines.AddNumber(otherKey, flag);
    }
    const SectionUpdate update = {kSection, &lines};
    const SaveResult saved = SaveUserSections(dataFile, map->IniPath, &update, 1);
    if (!saved) ReportSaveFailure(owner, dataFile, saved.error);
}

UINT SaveFailureReasonId(DWORD error) {
    constexpr struct {
        DWORD error;
        UINT reason;
    } kReasons[] = {
        {ERROR_ACCESS_DENIED, IDS_SAVE_DENIED},        {ERROR_WRITE_PROTECT, IDS_SAVE_DENIED},
        {ERROR_SHARING_VIOLATION, IDS_SAVE_IN_USE},    {ERROR_LOCK_VIOLATION, IDS_SAVE_IN_USE},
        {ERROR_DISK_FULL, IDS_SAVE_DISK_FULL},         {ERROR_HANDLE_DISK_FULL, IDS_SAVE_DISK_FULL},
        {ERROR_PATH_NOT_FOUND, IDS_SAVE_NO_FOLDER},    {ERROR_DIRECTORY, IDS_SAVE_NO_FOLDER},
        {ERROR_BAD_PATHNAME, IDS_SAVE_NO_FOLDER},      {ERROR_FILE_NOT_FOUND, IDS_SAVE_NO_FOLDER},
        {ERROR_NOT_ENOUGH_MEMORY, IDS_SAVE_NO_MEMORY}, {ERROR_OUTOFMEMORY, IDS_SAVE_NO_MEMORY},
    };
    for (const auto& entry : kReasons) {
        if (entry.error == error) return entry.reason;
    }
    return IDS_SAVE_OTHER;
}

void ReportSaveFailure(HWND owner, const wchar_t* file, DWORD error) {
    wchar_t format[kMessageTextChars] = {};
    wchar_t reasonFormat[kMessageTextChars] = {};
    wchar_t reason[kMessageTextChars] = {};
    wchar_t text[kMessageTextChars] = {};
    wchar_t caption[kMessageCaptionChars] = {};
    LoadStringW(ModuleHandle, IDS_SAVE_FAILED, format, kMessageTextChars);
    LoadStringW(ModuleHandle, SaveFailureReasonId(error), reasonFormat, kMessageTextChars);
    LoadStringW(ModuleHandle, IDS_CAPTION_ERROR, caption, kMessageCaptionChars);
    StringCchPrintfW(reason, kMessageTextChars, reasonFormat, static_cast<unsigned long>(error));
    StringCchPrintfW(text, kMessageTextChars, format,
                     file != nullptr && file[0] != L'\0' ? file : L"-", reason);
    MessageBoxW(owner, text, caption, MB_OK | MB_ICONEXCLAMATION);
}

// ---------------------------------------------------------------------------------------------
// Memory

void* AllocZeroed(SIZE_T bytes) { return GlobalAlloc(GPTR, bytes); }

void FreeBlock(void* block) {
    if (block != nullptr) GlobalFree(block);
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

BITMAPINFO TopDown32(int width, int height) {
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof(format.bmiHeader);
    format.bmiHeader.biWidth = width;
    format.bmiHeader.biHeight = -height;  // top-down rows
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    return format;
}

// Bitmap `bitmapId` of `module` as 32-bit top-down pixels, converted by GDI straight from the
// resource into a DIB section: LoadBitmapW would first make a screen-compatible bitmap, a
// third of a millisecond per bitmap under Wine. False when the resource cannot be read so.
bool ReadResourcePixels(HMODULE module, int bitmapId, int maxSide, GlobalBlock<DWORD>& pixels,
                        int& width, int& height) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(bitmapId), MAKEINTRESOURCEW(2));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const auto* data = loaded != nullptr ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
    DibResource dib;
    if (data == nullptr || !ParseDibResource(data, SizeofResource(module, found), dib) ||
        dib.width > maxSide || dib.height > maxSide) {
        return false;
    }
    const BITMAPINFO format = TopDown32(dib.width, dib.height);
    void* bits = nullptr;
    UniqueBitmap section(CreateDIBSection(nullptr, &format, DIB_RGB_COLORS, &bits, nullptr, 0));
    const auto rows = static_cast<UINT>(dib.height);
    if (!section || bits == nullptr ||
        SetDIBits(nullptr, section.get(), 0, rows, dib.bits, dib.info, DIB_RGB_COLORS) !=
            static_cast<int>(rows)) {
        return false;
    }
    GdiFlush();  // the section's memory is read directly below
    const auto bytes = static_cast<size_t>(dib.width) * rows * sizeof(DWORD);
    pixels = GlobalBlock<DWORD>(bytes);
    if (!pixels) return false;
    std::memcpy(pixels.get(), bits, bytes);
    width = dib.width;
    height = dib.height;
    return true;
}

// The same through LoadBitmapW, for resources the direct read does not take.
bool ReadLoadedPixels(HDC reference, HMODULE module, int bitmapId, int maxSide,
                      GlobalBlock<DWORD>& pixels, int& width, int& height) {
    UniqueBitmap image(LoadBitmapW(module, MAKEINTRESOURCEW(bitmapId)));
    BITMAP info = {};
    if (!image || GetObjectW(image.get(), sizeof(info), &info) == 0) return false;
    if (info.bmWidth <= 0 || info.bmHeight <= 0 || info.bmWidth > maxSide ||
        info.bmHeight > maxSide) {
        return false;
    }
    BITMAPINFO format = TopDown32(info.bmWidth, info.bmHeight);
    pixels = GlobalBlock<DWORD>(static_cast<size_t>(info.bmWidth) *
                                static_cast<size_t>(info.bmHeight) * sizeof(DWORD));
    if (!pixels) return false;
    if (GetDIBits(reference, image.get(), 0, static_cast<UINT>(info.bmHeight), pixels.get(),
                  &format, DIB_RGB_COLORS) != info.bmHeight) {
        return false;
    }
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

}  // namespace

bool BuildMaskedPicture(HDC reference, HMODULE module, int bitmapId, int maxSide,
                        MaskedPicture& out) {
    // Both images are computed from the pixels in one pass rather than with memory DCs and
    // raster operations, which cost most of a page's first paint under Wine.
    GlobalBlock<DWORD> pixels(0);
    int width = 0;
    int height = 0;
    if (!ReadResourcePixels(module, bitmapId, maxSide, pixels, width, height) &&
        !ReadLoadedPixels(reference, module, bitmapId, maxSide, pixels, width, height)) {
        return false;
    }
    BITMAPINFO format = TopDown32(width, height);
    // A monochrome bitmap's rows are padded to 16 bits; bit 7 of a byte is its leftmost pixel.
    const size_t maskStride = ((static_cast<size_t>(width) + 15) / 16) * 2;
    GlobalBlock<BYTE> maskBits(maskStride * static_cast<size_t>(height));  // zero-filled
    if (!maskBits) return false;
    constexpr DWORD kKeyPixel = 0x00FF00FF;  // kTransparentKey as a 32-bit DIB pixel
    for (size_t y = 0; y < static_cast<size_t>(height); ++y) {
        for (size_t x = 0; x < static_cast<size_t>(width); ++x) {
            DWORD& pixel = pixels.get()[y * static_cast<size_t>(width) + x];
            if ((pixel & 0x00FFFFFF) != kKeyPixel) continue;
            pixel = 0;
            maskBits.get()[y * maskStride + x / 8] |= static_cast<BYTE>(0x80 >> (x % 8));
        }
    }
    UniqueBitmap mask(CreateBitmap(width, height, 1, 1, maskBits.get()));
    UniqueBitmap picture(CreateCompatibleBitmap(reference, width, height));
    if (!mask || !picture ||
        SetDIBits(reference, picture.get(), 0, static_cast<UINT>(height), pixels.get(), &format,
                  DIB_RGB_COLORS) != height) {
        return false;
    }
    out.mask = std::move(mask);
    out.picture = std::move(picture);
    out.width = width;
    out.height = height;
    return true;
}

namespace {

// Hands `blit` memory DCs holding the picture's mask and colours, with the DC's text and
// background colours black and white, as the monochrome mask maps to them; restores both.
template <typename Blit>
void BlitMaskedPicture(HDC dc, const MaskedPicture& picture, Blit blit) {
    UniqueMemoryDc maskDc(CreateCompatibleDC(dc));
    UniqueMemoryDc pictureDc(CreateCompatibleDC(dc));
    if (!maskDc || !pictureDc) return;
    SelectGuard selectMask(maskDc.get(), picture.mask.get());
    SelectGuard selectPicture(pictureDc.get(), picture.picture.get());
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    blit(maskDc.get(), pictureDc.get());
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
}

}  // namespace

void DrawMaskedPicture(HDC dc, POINT at, const MaskedPicture& picture) {
    // Punch the opaque pixels out of the background, then fill them with the picture.
    BlitMaskedPicture(dc, picture, [&](HDC mask, HDC colours) {
        BitBlt(dc, at.x, at.y, picture.width, picture.height, mask, 0, 0, SRCAND);
        BitBlt(dc, at.x, at.y, picture.width, picture.height, colours, 0, 0, SRCPAINT);
    });
}

void DrawMaskedPicture(HDC dc, const RECT& target, const MaskedPicture& picture) {
    const int width = target.right - target.left;
    const int height = target.bottom - target.top;
    if (width == picture.width && height == picture.height) {
        DrawMaskedPicture(dc, POINT{target.left, target.top}, picture);
        return;
    }
    if (width <= 0 || height <= 0) return;
    BlitMaskedPicture(dc, picture, [&](HDC mask, HDC colours) {
        // The mask is stretched pixel by pixel so that its edge stays hard; the picture is
        // filtered, and where it shows the mask has punched the background out to black.
        const int oldMode = SetStretchBltMode(dc, COLORONCOLOR);
        StretchBlt(dc, target.left, target.top, width, height, mask, 0, 0, picture.width,
                   picture.height, SRCAND);
        SetStretchBltMode(dc, HALFTONE);
        POINT oldOrigin = {};
        SetBrushOrgEx(dc, 0, 0, &oldOrigin);
        StretchBlt(dc, target.left, target.top, width, height, colours, 0, 0, picture.width,
                   picture.height, SRCPAINT);
        SetBrushOrgEx(dc, oldOrigin.x, oldOrigin.y, nullptr);
        SetStretchBltMode(dc, oldMode);
    });
}

int DrawTransparentBitmap(HWND dialog, HMODULE module, int controlId, int bitmapId) {
    // Bitmaps of pages are small; this bounds the pixel buffers a damaged resource could ask.
    constexpr int kMaxSide = 1024;
    RECT box;
    if (!ControlRectIn(dialog, controlId, box)) return 1;
    WindowDc window(dialog);
    if (!window) return 1;
    MaskedPicture picture;
    if (BuildMaskedPicture(window.get(), module, bitmapId, kMaxSide, picture)) {
        DrawMaskedPicture(window.get(),
                          FitPicture(box, picture.width, picture.height, WindowDpi(dialog)),
                          picture);
    }
    return 1;
}

void DrawDibResourceFramed(HWND dialog, HMODULE module, int bitmapId, int controlId) {
    HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(bitmapId), MAKEINTRESOURCEW(2));
    if (found == nullptr) return;
    const DWORD size = SizeofResource(module, found);
    HGLOBAL loaded = LoadResource(module, found);
    const auto* data = static_cast<const BYTE*>(loaded ? LockResource(loaded) : nullptr);
    DibResource dib;
    if (!ParseDibResource(data, size, dib)) return;

    // The picture goes inside the 2-pixel frame, scaled and centred in the control.
    RECT box;
    if (!ControlRectIn(dialog, controlId, box)) return;
    InflateRect(&box, -2, -2);
    const RECT place = FitPicture(box, dib.width, dib.height, WindowDpi(dialog));
    if (IsRectEmpty(&place)) return;
    WindowDc window(dialog);
    if (!window) return;
    UniqueGdiObject palette = PaletteFromColours(dib.colours, dib.colourCount);
    {
        PaletteGuard usePalette(window.get(), static_cast<HPALETTE>(palette.get()));
        const int w = place.right - place.left;
        const int h = place.bottom - place.top;
        if (w == dib.width && h == dib.height) {
            SetDIBitsToDevice(window.get(), place.left, place.top, static_cast<DWORD>(w),
                              static_cast<DWORD>(h), 0, 0, 0, static_cast<UINT>(dib.height),
                              dib.bits, dib.info, DIB_RGB_COLORS);
        } else {
            const int oldMode = SetStretchBltMode(window.get(), HALFTONE);
            POINT oldOrigin = {};
            SetBrushOrgEx(window.get(), 0, 0, &oldOrigin);
            StretchDIBits(window.get(), place.left, place.top, w, h, 0, 0, dib.width, dib.height,
                          dib.bits, dib.info, DIB_RGB_COLORS, SRCCOPY);
            SetBrushOrgEx(window.get(), oldOrigin.x, oldOrigin.y, nullptr);
            SetStretchBltMode(window.get(), oldMode);
        }

        const int x = place.left - 2;
        const int y = place.top - 2;
        const int b = y + h + 2;
        UniqueGdiObject black(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
        UniqueGdiObject shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
        UniqueGdiObject highlight(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
        if (black && shadow && highlight) {
            {
                SelectGuard pen(window.get(), black.get());
                MoveToEx(window.get(), x + 1, b - 1, nullptr);
                LineTo(window.get(), x + 1, y + 1);
                LineTo(window.get(), x + w + 2, y + 1);
            }
            {
                SelectGuard pen(window.get(), shadow.get());
                MoveToEx(window.get(), x, b, nullptr);
                LineTo(window.get(), x, y);
                LineTo(window.get(), x + w + 3, y);
            }
            // The highlight goes on from where the shadow ended.
            SelectGuard pen(window.get(), highlight.get());
            LineTo(window.get(), x + w + 3, b + 1);
            LineTo(window.get(), x, b + 1);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Property sheet

void MarkPageChanged(HWND page) {
    SendMessageW(GetParent(page), PSM_CHANGED, reinterpret_cast<WPARAM>(page), 0);
}

void VisitDriverPageOnce(HWND page, const DriverItemMap& map) {
    if (map.PrinterDataWritable != 0 || (SheetFlags & kSheetFlagDriverPageSeen) != 0 ||
        (SheetFlags & kSheetFlagPluginPageSeen) == 0) {
        return;
    }
    SheetFlags |= kSheetFlagDriverPageSeen;
    HWND sheet = GetParent(page);
    HWND current = reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
    const LRESULT index =
        SendMessageW(sheet, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(current), 0);
    SendMessageW(sheet, PSM_SETCURSEL, 2, 0);
    SendMessageW(sheet, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
}

// ---------------------------------------------------------------------------------------------
// Numeric edits

bool IsAcceptableNumberChar(const wchar_t* text, int index, bool allowSign) {
    const size_t length = text != nullptr ? wcslen(text) : 0;
    if (length == 0) return true;
    if (index < 0 || static_cast<size_t>(index) >= length) return false;
    const wchar_t c = text[index];
    if (c >= L'1' && c <= L'9') return true;
    if (c == L'0' && (length == 1 || index > 0)) return true;
    if (allowSign && index == 0 && (c == L'-' || c == L'+')) {
        const wchar_t next = text[1];
        return next != L'-' && next != L'+';
    }
    return false;
}

int FilterNumericEdit(HWND dialog, int notifyCode, int editId, int defaultValue, int minValue,
                      int maxValue, wchar_t* savedText, int savedTextMax, bool isSigned) {
    HWND edit = FindControl(dialog, editId);
    if (edit == nullptr) return notifyCode;
    switch (notifyCode) {
        case EN_SETFOCUS:
        case EN_CHANGE:
            if (savedText != nullptr && savedTextMax > 0) {
                GetWindowTextW(edit, savedText, savedTextMax);
            }
            break;
        case EN_KILLFOCUS:
            if (GetWindowTextLengthW(edit) == 0) {
                SetDlgItemInt(dialog, editId, static_cast<UINT>(defaultValue), isSigned);
            }
            break;
        case EN_UPDATE: {
            DWORD start = 0;
            DWORD end = 0;
            SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                         reinterpret_cast<LPARAM>(&end));
            if (start == 0 && end == 0) break;
            wchar_t text[kNumberTextChars] = {};
            GetWindowTextW(edit, text, kNumberTextChars);
            // The character just typed stands left of the caret. With the caret at the start
            // nothing was typed there; only the value is checked.
            if (start > 0 && !IsAcceptableNumberChar(text, static_cast<int>(start) - 1, isSigned)) {
                MessageBeep(0xFFFFFFFF);
                SetWindowTextW(edit, (savedText != nullptr && savedTextMax > 0) ? savedText : L"");
                SendMessageW(edit, EM_SETSEL, static_cast<WPARAM>(end - 1),
                             static_cast<LPARAM>(start - 1));
                break;
            }
            wchar_t* stop = nullptr;
            const long long value = wcstoll(text, &stop, 10);
            if (value < minValue) {
                SetDlgItemInt(dialog, editId, static_cast<UINT>(minValue), isSigned);
            } else if (value > maxValue) {
                SetDlgItemInt(dialog, editId, static_cast<UINT>(maxValue), isSigned);
            }
            break;
        }
        default:
            break;
    }
    return notifyCode;
}

// ---------------------------------------------------------------------------------------------
// Link control

UniqueFont CreateLinkFont(HWND window, bool underline) {
    // The dialog's own font (face, size, quality and script) with the link's underline: it
    // follows the dialog font and the DPI the dialog was made for.
    HGDIOBJ base = reinterpret_cast<HGDIOBJ>(SendMessageW(GetParent(window), WM_GETFONT, 0, 0));
    if (base == nullptr) base = GetStockObject(DEFAULT_GUI_FONT);
    LOGFONTW font = {};
    if (GetObjectW(base, sizeof(font), &font) == 0) return UniqueFont();
    font.lfWeight = FW_NORMAL;
    font.lfItalic = FALSE;
    font.lfUnderline = underline ? TRUE : FALSE;
    return UniqueFont(CreateFontIndirectW(&font));
}

HCURSOR LoadHandCursor() {
    HCURSOR hand = LoadCursorW(nullptr, IDC_HAND);
    return hand != nullptr ? hand : LoadCursorW(nullptr, IDC_ARROW);
}

void SendLinkMessage(HWND window, WPARAM wParam, LPARAM lParam) {
    SendMessageW(window, kLinkMessage, wParam, lParam);
}

namespace {

constexpr UINT kSettingNameChars = 66;    // setting names of at most 65 characters
constexpr UINT kMaxListedSettings = 256;  // the item data holds ids 0..255

}  // namespace

UINT AddSettingList(HWND dialog, int id, const wchar_t* path, const wchar_t* section,
                    DWORD dataBits) {
    UINT count = SheetProfileInt(section, L"SettingNum", 0, path);
    if (count > kMaxListedSettings) count = kMaxListedSettings;
    for (UINT i = 0; i < count; ++i) {
        wchar_t key[32];
        StringCchPrintfW(key, 32, L"SettingID%u", i);
        const UINT setting = SheetProfileInt(section, key, 0, path);
        // Ids are 0 to 255: a larger one would be kept by its low byte and come back as
        // another setting, so it is not listed.
        if (setting > 0xFF) continue;
        StringCchPrintfW(key, 32, L"SettingName%u", setting);
        wchar_t name[kSettingNameChars] = {};
        SheetProfileString(section, key, name, kSettingNameChars, path);
        if (name[0] == L'\0') continue;
        const LRESULT at =
            SendToControl(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        if (at >= 0) {
            SendToControl(dialog, id, CB_SETITEMDATA, static_cast<WPARAM>(at),
                          static_cast<LPARAM>(setting | dataBits));
        }
    }
    return count;
}

}  // namespace oemui
