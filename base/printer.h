// Look-ups on a printer handle that the document tree, the pages and the dialogs share.
#pragma once

#include <windows.h>

#include "base/handles.h"

namespace oemui {

// The "W_TEST" value can be written into the printer's data.
bool CanWritePrinterData(HANDLE printer);

// The printer's PRINTER_INFO_2W (GetPrinterW level 2, sized by the spooler); empty when it
// cannot be read.
GlobalBlock<PRINTER_INFO_2W> ReadPrinterInfo2(HANDLE printer);
// The printer is shared or reached over the network. A printer whose information cannot be
// read counts as neither.
bool IsSharedOrNetworkPrinter(HANDLE printer);

}  // namespace oemui
