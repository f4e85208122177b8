// The printer-properties tree: the "Get installed options automatically" item, the tags and
// help of the core driver's installable-option items, and the detection of the installed
// options through the model's optional network and USB libraries.
#pragma once

#include "contract/oemcontract.h"
#include "setup/printeritemmap.h"
#include "base/pluginstate.h"

namespace oemui {

// UserItemID tags of the printer tree.
inline constexpr BYTE kDetectButtonTag = 2;  // the plug-in's own item
inline constexpr BYTE kJobLimitTag = 11;     // "VRJobLimit"

// Number of values a detection yields (PushDetectedOptions takes them in this order).
inline constexpr int kDetectedCount = 9;
enum : int {
    kDetectedHardDisk = 0,   // 0 = hard disk reported, 1 = none
    kDetectedDuplex = 1,     // 0 = duplex unit installed, 1 = none
    kDetectedTrays = 2,      // number of option trays, 0 to 4
    kDetectedMemory = 3,     // option index of the memory item
    kDetectedFinisher = 4,   // 1 = installed
    kDetectedFeeder = 5,     // 1 = multi-purpose feeder installed
    kDetectedPunch = 6,      // 1 = punch unit installed
    kDetectedJobLimit = 7,   // 0 = job limitation on, 1 = off
    kDetectedSpotColor = 8,  // special toner as reported
};

// Entry points of the detection libraries "NetExtDLL" (IsValidPort, GetNetextCapability,
// ReadPrinterOptionFlag32, GetDataFileName) and "USBExtDLL" (ReadPrinterOptionUSB,
// ReadPrinterOptionUSB2). All take the printer name in the ANSI code page and use the C
// calling convention (__cdecl): the caller removes the arguments, as for the plug-in's other
// libraries. A library built with __stdcall would leave the 32-bit stack unbalanced.
using NameFn = int(__cdecl*)(const char* printerName);
using ReadOptionsFn = int(__cdecl*)(const char* printerName, HWND owner, int, int, DWORD flags);
using DataFileNameFn = int(__cdecl*)(const char* printerName, char* path, int pathBytes);

// ReadPrinterOptionFlag32 flags: from the button, and on page activation.
inline constexpr DWORD kReadFromButton = 0x800080;
inline constexpr DWORD kReadOnActivation = 0xA00000;
// Size of the buffer handed to GetDataFileName, and of the ANSI printer name.
inline constexpr int kDataFileBytes = 260;
inline constexpr int kAnsiNameBytes = 220;

// What a detection library reported, as read from its data file.
struct InstalledReport {
    UINT installed = 0;      // "Installed" bit field
    INT memoryMb = 0;        // "Random Access Memory" / "RAM"
    bool hardDisk = false;   // "Hard Disk" / bit 0x80 of "Installed" (USB)
    UINT punchType = 0;      // "PunchType"
    UINT jobLimitation = 0;  // "JobLimitationMode"
    UINT spotColor = 0;      // "SpotColor"
};

// Tags the installable-option items of the printer tree, gives them the plug-in's help,
// records the core items 404, 405, 440, 427 and 428 and collapses item 64798.
void MapPrinterItems(PrinterItemMap& map);

// Converts a report into the values PushDetectedOptions takes. The memory value is the
// index of the first option of the item tagged 7 whose name starts with the reported size.
void FillDetectedOptions(const InstalledReport& report, POEMCUIPPARAM param,
                         DWORD (&values)[kDetectedCount]);

// Non-zero when the model's network library serves the printer's port (0 without library).
int IsNetworkPort(POEMCUIPPARAM param);
// The button: asks the network library to read the options and fills `values`.
bool DetectByNetwork(POEMCUIPPARAM param, DWORD (&values)[kDetectedCount], HWND owner);
// Page activation: asks the USB library (port "USB...") or the network library.
bool DetectByPort(POEMCUIPPARAM param, DWORD (&values)[kDetectedCount], HWND owner);

// The printer tree's OEMCUIPCallback.
LONG APIENTRY PrinterTreeCallback(PCPSUICBPARAM cbParam, POEMCUIPPARAM param);

// CommonUIProp of the printer tree, after the plug-in object's shared preamble.
HRESULT PrinterCommonUIProp(PluginState& object, POEMCUIPPARAM param, const SheetPaths& paths);

}  // namespace oemui
