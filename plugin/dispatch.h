// Entry points behind the plug-in object's non-trivial methods. PluginObject checks its
// arguments and runs the shared preambles; the work itself is done here.
#pragma once

#include "contract/oemcontract.h"

namespace oemui {

class PluginObject;

// IPrintOemUI::DevMode after the OS check: size, defaults, conversion and merge of the
// private record.
HRESULT PrivateDevmodeOperation(DWORD mode, POEMDMPARAM param);

// CommonUIProp after the shared preamble, for the document and the printer tree.
HRESULT DocumentCommonUIProp(PluginObject& object, POEMCUIPPARAM param);
HRESULT PrinterCommonUIProp(PluginObject& object, POEMCUIPPARAM param);

// What the sheet calls return in the info block's Result (and, for the document sheet, as the
// call's own result, which the core driver passes on): the reason was served, or not ours.
inline constexpr LONG kSheetReasonHandled = 1;
inline constexpr LONG kSheetReasonIgnored = 0;

// Property-sheet registration after the OS check.
HRESULT AddDocumentSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam);
HRESULT AddDeviceSheets(PluginObject& object, PPROPSHEETUI_INFO info, LPARAM lParam);

// Printer events (creation of a printer and the like).
HRESULT HandlePrinterEvent(PWSTR printerName, INT driverEvent, DWORD flags, LPARAM lParam);

// Document events of a print job.
HRESULT HandleDocumentEvent(HANDLE hPrinter, HDC hdc, INT escape, ULONG cbIn, PVOID pbIn,
                            ULONG cbOut, PVOID pbOut, INT* result);

}  // namespace oemui
