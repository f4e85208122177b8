#include "plugin/devmode.h"

#include "plugin/dispatch.h"

namespace oemui {

HRESULT PrivateDevmodeOperation(DWORD mode, POEMDMPARAM param) {
    if (param == nullptr || mode < OEMDM_SIZE || mode > OEMDM_MERGE) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    if (mode == OEMDM_SIZE) {
        param->cbBufSize = kPrivateDevmodeSize;
        return S_OK;
    }
    // Defaults, conversion and merge of the record are not built yet.
    return E_NOTIMPL;
}

}  // namespace oemui
