// The "Color" page of the document properties (colour models only).
#pragma once

#include <windows.h>

namespace oemui {

INT_PTR CALLBACK ColorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
