// Screenshots of windows as PNG files: the window's rectangle is copied from the screen (so child
// controls and owner-drawn pictures appear exactly as shown) and encoded with WIC.
#pragma once

#include <windows.h>

namespace oemui::tools {

// Saves the screen pixels of `rect` (screen coordinates) as a PNG file. False on any failure.
bool SaveScreenRectPng(const RECT& rect, const wchar_t* path);

// Saves the screen rectangle of a visible window, frame included. False on any failure.
bool SaveWindowPng(HWND window, const wchar_t* path);

}  // namespace oemui::tools
