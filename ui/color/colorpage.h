// The "Color" page of the document properties (colour models only): the colour mode, the
// custom gamma list, the swatch utility launcher, the link and the Default button. Its values
// live in the sheet's DriverItemMap; the colour-matching choice and tables reach the private
// record when the page is left.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/config.h"

namespace oemui {

struct DriverItemMap;

// Colour modes, the wanted value of the VRControl entry (option order of the feature).
inline constexpr DWORD kColorModeAutomatic = 0;
inline constexpr DWORD kColorModeCalder = 1;
inline constexpr DWORD kColorModeMeridan = 2;
inline constexpr DWORD kColorModeNoMatching = 3;
inline constexpr DWORD kColorModeGreyscale = 4;
inline constexpr DWORD kColorModeCount = 5;

// High half of the gamma selection and of the colour setting: the choice is switched on.
inline constexpr DWORD kChoiceOnBit = 0x10000;
inline constexpr DWORD kChoiceOnMask = 0xFFFF0000;
// Bit of the colour setting: the setting number refers to section "Gamma" (else "Color").
inline constexpr DWORD kColorSettingGammaBit = 0x100;

// Special toner installed in the printer, as the core driver reports it when the page opens
// (DriverItemMap::SpecialTonerKind, one per sheet).
inline constexpr DWORD kSpecialTonerNone = 0;
inline constexpr DWORD kSpecialTonerWhite = 1;
inline constexpr DWORD kSpecialTonerClear = 2;

INT_PTR CALLBACK ColorPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// Redraws the mode pictures, checks the mode's radio and enables the controls that depend on
// the mode; applies the permission lock.
void UpdateColorModeControls(HWND page, DriverItemMap& map);
// One-time set-up: removes controls of what the model lacks and fills the lists.
void InitColorPage(HWND page, DriverItemMap& map);
// Sets every control from the map.
void RefreshColorPage(HWND page, DriverItemMap& map);
// Copies the page values into the private record and loads the colour-matching tables of the
// chosen setting. The colour detail dialogs call it too when they are left.
void SaveColorSettings(HWND page, DriverItemMap& map);
// ColorMode, GammaSelection and BlackFinish back to 0.
void ResetColorDefaults(DriverItemMap& map);

// Decodes pairs of hexadecimal digits into bytes (at most `capacity`); `count` receives the
// number of complete bytes. A lone last digit is dropped. Returns true when the text held a
// character that is not a hex digit, or more bytes than `capacity`.
bool DecodeHexBytes(const wchar_t* text, BYTE* out, std::size_t capacity, std::size_t& count);

// Opens one of the page's detail dialogs (templates 118, 119, 200, 4001, 4002) with the map;
// its result: kDetailAccepted after OK, kDetailCancelled after Cancel, -1 when the dialog could
// not be created. An unknown template opens nothing and gives kDetailCancelled.
INT_PTR OpenColorDetailDialog(HWND page, WORD templateId, DriverItemMap& map);

// Full path of the model's colour-matching information file ("CCMInfoFile", sections "Color"
// and "Gamma"); false when the model names none.
bool ColorMatchingFilePath(const DriverItemMap& map, wchar_t (&path)[kPathChars]);

// Deletes the process-wide link font of the page (it is made again on the next refresh).
void DeleteColorLinkFont();

}  // namespace oemui
