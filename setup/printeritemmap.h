// Per-sheet record of the printer-properties side, kept in PluginObject::PrinterContext.
#pragma once

#include "contract/oemcontract.h"

namespace oemui {

struct PrinterItemMap {
    // Sheet fields, set when the core driver registers the printer sheet.
    HANDLE SheetHandle;
    POEMUIPSPARAM SheetParam;
    PFNCOMPROPSHEET ComPropSheet;
    // The printer tree of the last printer-side CommonUIProp.
    POEMCUIPPARAM Param;
};

}  // namespace oemui
