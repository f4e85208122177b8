// A transparent blit done the long way, with memory DCs and raster operations: what the
// plug-in's own drawing of magenta-keyed bitmaps is checked against.
#pragma once

#include <windows.h>

namespace testenv {

// Draws bitmap `bitmapId` of `module` at `at` on `dc`, leaving the pixels under RGB(255, 0, 255)
// as they were. False when the bitmap cannot be loaded.
inline bool ReferenceTransparentBlit(HDC dc, POINT at, HMODULE module, int bitmapId) {
    HBITMAP image = LoadBitmapW(module, MAKEINTRESOURCEW(bitmapId));
    BITMAP info = {};
    if (image == nullptr || GetObjectW(image, sizeof(info), &info) == 0) {
        if (image != nullptr) DeleteObject(image);
        return false;
    }
    const int w = info.bmWidth;
    const int h = info.bmHeight;
    HDC imageDc = CreateCompatibleDC(dc);
    HDC maskDc = CreateCompatibleDC(dc);
    HDC pictureDc = CreateCompatibleDC(dc);
    HBITMAP mask = CreateBitmap(w, h, 1, 1, nullptr);
    HBITMAP picture = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ oldImage = SelectObject(imageDc, image);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    HGDIOBJ oldPicture = SelectObject(pictureDc, picture);
    // Mask: white where the image is magenta. Picture: the image with black there.
    SetBkColor(imageDc, RGB(255, 0, 255));
    BitBlt(maskDc, 0, 0, w, h, imageDc, 0, 0, SRCCOPY);
    SetTextColor(pictureDc, RGB(0, 0, 0));
    SetBkColor(pictureDc, RGB(255, 255, 255));
    BitBlt(pictureDc, 0, 0, w, h, maskDc, 0, 0, NOTSRCCOPY);
    BitBlt(pictureDc, 0, 0, w, h, imageDc, 0, 0, SRCAND);
    const COLORREF oldText = SetTextColor(dc, RGB(0, 0, 0));
    const COLORREF oldBack = SetBkColor(dc, RGB(255, 255, 255));
    BitBlt(dc, at.x, at.y, w, h, maskDc, 0, 0, SRCAND);
    BitBlt(dc, at.x, at.y, w, h, pictureDc, 0, 0, SRCPAINT);
    SetTextColor(dc, oldText);
    SetBkColor(dc, oldBack);
    SelectObject(imageDc, oldImage);
    SelectObject(maskDc, oldMask);
    SelectObject(pictureDc, oldPicture);
    DeleteObject(picture);
    DeleteObject(mask);
    DeleteDC(pictureDc);
    DeleteDC(maskDc);
    DeleteDC(imageDc);
    DeleteObject(image);
    return true;
}

}  // namespace testenv
