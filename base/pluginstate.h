// What the plug-in keeps for the whole process and what its object shares with the features it
// serves: the module, the one-time system check, the model files of the latest tree, the words
// the core driver's page and ours share, and the state of the plug-in object the sheets use.
// The COM object itself (plugin/object.h) derives from PluginState; the features see only this.
#pragma once

#include <windows.h>

#include "base/config.h"
#include "contract/oemcontract.h"

namespace oemui {

struct DriverItemMap;   // per-sheet map of the document tree
struct PrinterItemMap;  // per-sheet record of the printer tree

extern HMODULE ModuleHandle;        // this module; all own resources come from it
extern HMODULE LinkResourceModule;  // link-page resource library, freed at detach
extern OSVERSIONINFOW OsVersion;    // filled once by the OS check
extern bool OsCheckDone;
extern bool IsVistaOrLater;         // system major version 6 or later

// Bit 0: the core driver's document page has been activated. Bit 1: a plug-in page or dialog
// has initialised. Read only by VisitDriverPageOnce; never cleared.
inline constexpr DWORD kSheetFlagDriverPageSeen = 0x1;
inline constexpr DWORD kSheetFlagPluginPageSeen = 0x2;
extern DWORD SheetFlags;

// Signature and version of the plug-in (GetInfo) and of its private DEVMODE record.
inline constexpr DWORD kPluginSignature = 0x32303030;  // the bytes "0002"
inline constexpr DWORD kPluginVersion = 1;

// Runs the OS check once per process: sets IsVistaOrLater.
void RunOsCheckOnce();
// Pages answer F1 and context help with WinHelp: false on Vista and later when the system's
// WinHelp viewer is the stub of version 6 or later. The viewer's version is read at the first
// help request rather than with the OS check: reading it costs a millisecond or more, and most
// sheets are opened and closed without anyone asking for help.
bool WinHelpAvailable();
// The WinHelp decision of the OS check for a given major version and viewer path.
bool WinHelpUsable(DWORD osMajorVersion, const wchar_t* winHelpPath);

// The plug-in object's state that the trees and sheets read and set. The COM object
// (plugin/object.h) derives from it, and it from the object's interface, in one line: the
// address the core driver's user data of both trees carries is the object's own.
struct PluginState : public IPrintOemUI2 {
    IPrintOemDriverUI* DriverUI = nullptr;
    DWORD HideStandardUIAsked = 0;
    HANDLE OemHeap = nullptr;
    DriverItemMap* DocumentContext = nullptr;
    PrinterItemMap* PrinterContext = nullptr;
    POEMCUIPPARAM DocumentParam = nullptr;
    POEMCUIPPARAM PrinterParam = nullptr;
};

}  // namespace oemui
