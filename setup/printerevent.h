// One-time preparation of a printer when the spooler creates it (PRINTER_EVENT_INITIALIZE):
// the user-mode rendering library in the printer data, users' read and write access to the
// driver's data files, model defaults in the printer's default DEVMODE, and the installed options recorded
// by the installer copied into the core driver's printer-sticky feature settings.
#pragma once

#include <windows.h>

#include <array>
#include <cstddef>

namespace oemui {

// The core driver's printer-sticky settings ("FeatureKeyword") never exceed this many bytes.
inline constexpr DWORD kFeatureListBytes = 256;
// Byte of the default DEVMODE (counted from its start) that holds the core driver's
// PostScript output option.
inline constexpr size_t kOutputOptionOffset = 344;

// The printer-event handler behind IPrintOemUI::PrinterEvent: 0 on success (and for every
// event but PRINTER_EVENT_INITIALIZE), 1 when the rendering library could not be recorded.
int RunPrinterEvent(const wchar_t* printerName, INT driverEvent, HMODULE resources);

// Writes "SPLUserModePrinterDriver" (string 30000 of `resources`) unless the printer data
// already names a library. False only when it had to be written and that failed (including a
// module without the string).
bool EnsureUserModeLibrary(HANDLE hPrinter, HMODULE resources);

// Replaces the option of `keyword` in a feature list ("keyword\0option\0\n" records ended by
// two NUL bytes). `list` must hold kFeatureListBytes bytes; `length` of them are valid. The
// keyword matches only as a whole record keyword. Returns the new length. An absent keyword,
// or an edit whose result would not fit kFeatureListBytes, leaves the list untouched and
// returns `length` (clamped to kFeatureListBytes).
DWORD SetFeatureOption(BYTE* list, DWORD length, const char* keyword, const char* option);

// Lets the users group read and write a data file of the driver (no right to change its
// permissions or owner, nor to delete it), keeping full control for the system and the
// Administrators; when the DACL cannot be changed, takes ownership for the Administrators and
// tries once more.
bool SetFileFullAccess(const wchar_t* path);

// The DACL SetFileFullAccess gives a file that has `current` (null: no DACL): `current` with
// the users group allowed kUsersFileRights and the system and the Administrators allowed
// everything; a missing DACL gives just these three entries. No other entry keeps the right
// to change permissions or owner, or to delete. LocalFree the result; null when
// it cannot be built.
PACL DataFileDacl(PACL current);
// What the users group may do with the plug-in's data files: read and write their content,
// so that saving watermarks and overlays works, but not change their permissions or owner,
// nor delete them.
inline constexpr DWORD kUsersFileRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE;

// Pushes the model's default output option, paper size, paper source and the installer's
// duplex choice into the printer's default DEVMODE, acting as the spooler meanwhile.
bool PushPrinterDefaults(const wchar_t* printerName);

// The spooler's identity switch ("spoolss.dll"). Entry points may be null.
struct SpoolerIdentity {
    HANDLE(WINAPI* RevertToPrinterSelf)();
    BOOL(WINAPI* ImpersonatePrinterClient)(HANDLE token);
};
// PushPrinterDefaults with a given identity switch: the caller's identity is restored on every
// path once it was given up.
bool PushPrinterDefaultsAs(const wchar_t* printerName, const SpoolerIdentity& identity);

// The installed options the installer recorded for one printer in varoopt.dat.
struct InstalledOptions {
    UINT Installed = 0;
    UINT MemoryMegabytes = 0;
    UINT HardDisk = 0;
    UINT PunchType = 0;
    UINT JobLimitationMode = 0;
    UINT SpotColor = 0;
    UINT DuplexPrinting = 0;
};
// Reads the printer's section of varoopt.dat; false when the file cannot be opened.
bool ReadInstalledOptions(const wchar_t* printerName, InstalledOptions& out);

// One edit of the feature list; `option` null means the keyword is left alone.
struct FeatureEdit {
    const char* keyword;
    const char* option;
};
inline constexpr size_t kInstalledOptionEdits = 9;
// The edits for the installed options, in the order they are applied. `memoryText` receives
// the "InstalledMemory" option text and must outlive the result.
std::array<FeatureEdit, kInstalledOptionEdits> InstalledOptionEditsFor(
    const InstalledOptions& options, bool vistaOrLater, std::array<char, 16>& memoryText);

// Applies the installed options of varoopt.dat to the printer's "FeatureKeyword" list.
void SyncInstalledOptions(HANDLE hPrinter);

}  // namespace oemui
