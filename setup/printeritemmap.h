// Per-sheet record of the printer-properties side, kept in PluginState::PrinterContext.
#pragma once

#include "base/config.h"
#include "contract/oemcontract.h"

#include <type_traits>

namespace oemui {

// Slots of PrinterItemMap::ItemIndex; the core items the scan records sit in slots 6 to 10.
inline constexpr int kPrinterItemSlots = 15;
inline constexpr int kFirstRecordedSlot = 6;
inline constexpr int kRecordedItems = 5;
// Item index of a slot whose core item the tree does not have.
inline constexpr DWORD kNoPrinterItem = 0xFFFF;

struct PrinterItemMap {
    // Sheet fields, set when the core driver registers the printer sheet.
    HANDLE SheetHandle;
    POEMUIPSPARAM SheetParam;
    PFNCOMPROPSHEET ComPropSheet;
    // The printer tree of the printer-side CommonUIProp that built this record.
    POEMCUIPPARAM Param;

    // Indices into Param->pDrvOptItems (kNoPrinterItem when absent) and the selections of the
    // recorded core items when the tree was scanned.
    DWORD ItemIndex[kPrinterItemSlots];
    LONG ItemSel[kRecordedItems];

    // What the plug-in's items point at; they live as long as this record.
    OIEXT ButtonExt;     // help of the plug-in's own item
    OIEXT TaggedExt;     // help of the tagged installable-option items
    OPTTYPE ButtonType;  // the push button
    OPTPARAM ButtonParams[2];

    // The help file of the sheet's model, which OIEXT.pHelpFile points at.
    wchar_t HelpPath[kPathChars];

    // Set by Apply, consumed by the next page activation so that applying does not start a
    // new detection.
    bool AppliedSinceActivation;
};

static_assert(std::is_trivially_copyable_v<PrinterItemMap> &&
                  std::is_standard_layout_v<PrinterItemMap>,
              "PrinterItemMap is zero-filled raw heap memory");

}  // namespace oemui
