#include "ui/common/sheetcontext.h"

#include <cstring>

#include "base/pluginstate.h"
#include "base/userdata.h"
#include "ui/common/dialogs.h"

namespace oemui {

HANDLE SheetPrinter(const DriverItemMap& map) {
    if (map.SheetParam != nullptr) return map.SheetParam->hPrinter;
    return map.Param != nullptr ? map.Param->hPrinter : nullptr;
}

const wchar_t* SheetDataFile(DriverItemMap& map) {
    if (map.UserDataFile[0] == L'\0') {
        UserDataFilePathFor(SheetPrinter(map), map.UserDataFile, ARRAYSIZE(map.UserDataFile));
    }
    return map.UserDataFile;
}

PrivateDevmode* SheetRecord(const DriverItemMap& map) {
    if (map.SheetParam != nullptr && map.SheetParam->pOEMDM != nullptr) {
        return static_cast<PrivateDevmode*>(map.SheetParam->pOEMDM);
    }
    return map.Param != nullptr ? static_cast<PrivateDevmode*>(map.Param->pOEMDM) : nullptr;
}

const DEVMODEW* SheetPublicDevmode(const DriverItemMap& map) {
    if (map.SheetParam != nullptr && map.SheetParam->pPublicDM != nullptr) {
        return map.SheetParam->pPublicDM;
    }
    return map.Param != nullptr ? map.Param->pPublicDM : nullptr;
}

POEMUIOBJ SheetCoreObject(const DriverItemMap& map) {
    if (map.SheetParam != nullptr && map.SheetParam->poemuiobj != nullptr) {
        return map.SheetParam->poemuiobj;
    }
    return map.Param != nullptr ? map.Param->poemuiobj : nullptr;
}

bool IsReadOnlySheet(const DriverItemMap& map) {
    return map.SheetParam != nullptr && (map.SheetParam->dwFlags & kSheetNoPermission) != 0;
}

bool QueryDriverSetting(const DriverItemMap& map, const char* feature, char* answer, DWORD bytes) {
    if (answer == nullptr || bytes == 0) return false;
    std::memset(answer, 0, bytes);
    POEMUIOBJ core = SheetCoreObject(map);
    if (core == nullptr || core->pOemUIProcs == nullptr ||
        core->pOemUIProcs->DrvGetDriverSetting == nullptr) {
        return false;
    }
    DWORD needed = 0;
    DWORD options = 0;
    // One byte is held back so that an answer filling the buffer stays terminated.
    const BOOL ok =
        core->pOemUIProcs->DrvGetDriverSetting(core, feature, answer, bytes - 1, &needed, &options);
    answer[bytes - 1] = '\0';
    return ok != FALSE;
}

void ApplyContextHelpStyle(HWND dialog) {
    LONG_PTR exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
    exStyle = IsVistaOrLater ? (exStyle & ~static_cast<LONG_PTR>(WS_EX_CONTEXTHELP))
                             : (exStyle | WS_EX_CONTEXTHELP);
    SetWindowLongPtrW(dialog, GWL_EXSTYLE, exStyle);
}

void MarkOpeningPageChanged(HWND dialog, const DialogContext& context) {
    HWND page = context.openingPage != nullptr ? context.openingPage : GetWindow(dialog, GW_OWNER);
    if (page != nullptr) MarkPageChanged(page);
}

void LoadChecks(HWND dialog, const CheckBinding* bindings, std::size_t count,
                const DriverItemMap& map, const EntryValues& values) {
    for (std::size_t i = 0; i < count; ++i) {
        const CheckBinding& box = bindings[i];
        if (!HasItem(map, box.entry) || !HasControl(dialog, box.controlId)) continue;
        SetTicked(dialog, box.controlId, values[box.entry] == box.onValue);
    }
}

void StoreChecks(HWND dialog, const CheckBinding* bindings, std::size_t count,
                 const DriverItemMap& map, EntryValues& values) {
    for (std::size_t i = 0; i < count; ++i) {
        const CheckBinding& box = bindings[i];
        // A box removed with its group keeps the value: the user could not see or change it.
        if (!HasItem(map, box.entry) || !HasControl(dialog, box.controlId)) continue;
        values[box.entry] = IsTicked(dialog, box.controlId) ? box.onValue : box.offValue;
    }
}

void LoadLists(HWND dialog, const ListBinding* bindings, std::size_t count,
               const DriverItemMap& map, const EntryValues& values) {
    for (std::size_t i = 0; i < count; ++i) {
        const ListBinding& list = bindings[i];
        if (!HasItem(map, list.entry) || !HasControl(dialog, list.controlId)) continue;
        SendToControl(dialog, list.controlId, CB_SETCURSEL, values[list.entry], 0);
    }
}

void StoreLists(HWND dialog, const ListBinding* bindings, std::size_t count,
                const DriverItemMap& map, EntryValues& values) {
    for (std::size_t i = 0; i < count; ++i) {
        const ListBinding& list = bindings[i];
        if (!HasItem(map, list.entry) || !HasControl(dialog, list.controlId)) continue;
        const LRESULT index = SendToControl(dialog, list.controlId, CB_GETCURSEL, 0, 0);
        if (index >= 0) values[list.entry] = static_cast<DWORD>(index);
    }
}

}  // namespace oemui
