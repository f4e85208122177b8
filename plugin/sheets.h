// Property-sheet registration of the plug-in's pages.
#pragma once

#include <windows.h>

namespace oemui {

// Dialog procedure of the optional link page (template 800 of the model's resource library).
INT_PTR CALLBACK LinkPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
