#include "plugin/dispatch.h"

namespace oemui {

// The document tree map is not built yet.
HRESULT DocumentCommonUIProp(PluginObject&, POEMCUIPPARAM) { return E_NOTIMPL; }

}  // namespace oemui
