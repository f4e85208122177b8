#include "plugin/dispatch.h"

namespace oemui {

// Printer preparation at creation is not built yet.
HRESULT HandlePrinterEvent(PWSTR, INT, DWORD, LPARAM) { return E_NOTIMPL; }

}  // namespace oemui
