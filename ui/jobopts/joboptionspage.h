// The "Job Options" page of the document properties.
#pragma once

#include <windows.h>

namespace oemui {

INT_PTR CALLBACK JobOptionsPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
