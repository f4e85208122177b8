#include "base/printer.h"

namespace oemui {

bool CanWritePrinterData(HANDLE printer) {
    if (printer == nullptr) return false;
    DWORD tick = GetTickCount();
    const DWORD status = SetPrinterDataW(printer, const_cast<wchar_t*>(L"W_TEST"), REG_DWORD,
                                         reinterpret_cast<BYTE*>(&tick), sizeof(tick));
    return status == ERROR_SUCCESS;
}

GlobalBlock<PRINTER_INFO_2W> ReadPrinterInfo2(HANDLE printer) {
    DWORD needed = 0;
    if (printer != nullptr) GetPrinterW(printer, 2, nullptr, 0, &needed);
    if (needed < sizeof(PRINTER_INFO_2W)) return GlobalBlock<PRINTER_INFO_2W>(0);
    GlobalBlock<PRINTER_INFO_2W> info(needed);
    if (!info || !GetPrinterW(printer, 2, reinterpret_cast<BYTE*>(info.get()), needed, &needed)) {
        return GlobalBlock<PRINTER_INFO_2W>(0);
    }
    return info;
}

bool IsSharedOrNetworkPrinter(HANDLE printer) {
    const GlobalBlock<PRINTER_INFO_2W> info = ReadPrinterInfo2(printer);
    return info &&
           (info.get()->Attributes & (PRINTER_ATTRIBUTE_SHARED | PRINTER_ATTRIBUTE_NETWORK)) != 0;
}

}  // namespace oemui
