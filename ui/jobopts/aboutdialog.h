// The Job Options page's About box (template 117): the printer's driver name, the driver
// version from the driver's version file, and the version and notice line of the driver's data
// file (the model's PPD).
#pragma once

#include <windows.h>

#include <cstddef>

namespace oemui {

// Texts of the About box are cut to this many characters (with the terminating NUL).
inline constexpr size_t kAboutTextChars = 257;

// Reads the PPD line by line (lines of at most 255 bytes, as text): `version` gets the quoted
// text of the first line holding "FileVersion" and a double quote, `notice` the text after the
// first space of the first line holding "Copyright" and a space. Missing file or lines leave
// them empty.
void ReadPpdTexts(const wchar_t* ppdPath, wchar_t* version, size_t versionChars, wchar_t* notice,
                  size_t noticeChars);

// The driver version shown from the version file's "Version" values: "OptionVer" when set;
// otherwise the first five characters after the comma of "DriverVer" (up to a double quote),
// followed by what comes after the second dash outside quotes of "InternalVer" (its quotes
// left out) when at most 246 characters remain from that dash.
void FormatDriverVersion(const wchar_t* optionVer, const wchar_t* driverVer,
                         const wchar_t* internalVer, wchar_t* out, size_t outChars);

// FormatDriverVersion over the printer driver's version file; empty without one.
void ReadDriverVersion(HANDLE printer, wchar_t* out, size_t outChars);

// "InternalVer" of the printer driver's version file; empty without one.
void ReadInternalVersion(HANDLE printer, wchar_t* out, size_t outChars);

// Modal dialog procedure of template 117; lParam of WM_INITDIALOG is the DriverItemMap.
// OK ends with 1, Cancel with 0; the dialog changes nothing.
INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
