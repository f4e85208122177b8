#include "plugin/dispatch.h"

namespace oemui {

// The printer tree (installable options, detection) is not built yet.
HRESULT PrinterCommonUIProp(PluginObject&, POEMCUIPPARAM) { return E_NOTIMPL; }

}  // namespace oemui
