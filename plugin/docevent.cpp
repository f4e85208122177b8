#include "plugin/dispatch.h"

namespace oemui {

// Document events are not handled yet; the core driver carries on without the plug-in.
HRESULT HandleDocumentEvent(HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID, INT*) {
    return E_NOTIMPL;
}

}  // namespace oemui
