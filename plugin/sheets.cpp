#include "plugin/dispatch.h"

namespace oemui {

// Page registration is not built yet: the core driver keeps only its own pages.
HRESULT AddDocumentSheets(PluginObject&, PPROPSHEETUI_INFO, LPARAM) { return E_NOTIMPL; }
HRESULT AddDeviceSheets(PluginObject&, PPROPSHEETUI_INFO, LPARAM) { return E_NOTIMPL; }

}  // namespace oemui
