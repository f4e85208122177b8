#include "ui/jobopts/joboptionspage.h"

#include <prsht.h>

namespace oemui {

// The page shows its controls; their behaviour is not built yet. The page keeps its
// DriverItemMap as user data from the start, as every page of the plug-in does.
INT_PTR CALLBACK JobOptionsPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const auto* sheetPage = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        SetWindowLongPtrW(page, DWLP_USER, sheetPage != nullptr ? sheetPage->lParam : 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace oemui
