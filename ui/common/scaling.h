// Pictures at the DPI of the window they are drawn in. The plug-in lives in other programs'
// processes and leaves their DPI awareness alone: it draws for the DPI its windows have, so
// that a DPI-aware program gets scaled pictures and an unaware one the system's scaling.
#pragma once

#include <windows.h>

namespace oemui {

// The DPI the window is drawn at: GetDpiForWindow where user32 has it, otherwise what the
// window's DC reports (LOGPIXELSY); 96 when neither answers.
UINT WindowDpi(HWND window);

// Where a picture made for 96 DPI (width x height pixels) goes in `box`: scaled for `dpi`,
// made smaller, keeping its shape, where the box is smaller than that, and centred in the
// box. An empty rectangle for an empty box or picture.
RECT FitPicture(const RECT& box, int width, int height, UINT dpi);

// The rectangle of control `id` in `dialog`'s client coordinates; false without the control.
bool ControlRectIn(HWND dialog, int id, RECT& out);

}  // namespace oemui
