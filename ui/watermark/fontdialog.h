// The "Font" dialog of the watermark editor: the font entries of the watermark font list file,
// the four styles and the listed sizes (any size 0..600 can be typed). It works on four
// process-wide values loaded from the Working record when it opens, and writes them back to
// Working only on OK. Modal, opened with the page context (DriverItemMap); ends with 1 after
// OK, 2 after Cancel.
#pragma once

#include <windows.h>

namespace oemui {

struct DriverItemMap;

// The choice in progress (the dialog runs on the sheet's UI thread only).
extern INT32 DialogFontIndex;
extern INT32 DialogSize;
extern INT32 DialogWeight;
extern BYTE DialogItalic;

// The sizes of the size list, in list order (item data = index).
inline constexpr int kFontDialogSizeCount = 16;
inline constexpr INT32 kFontDialogSizes[kFontDialogSizeCount] = {8,  9,  10, 11, 12, 14, 16, 18,
                                                                 20, 22, 24, 26, 28, 36, 48, 72};

// Index of `size` in kFontDialogSizes, or -1 when it is not listed.
int FontDialogSizeIndex(INT32 size);

// Style list index of a weight and italic flag: 0 Regular, 1 Italic, 2 Bold, 3 Bold Italic.
int FontStyleIndex(INT32 weight, BYTE italic);

// A typed size as the dialog takes it: above 600 gives 600; 0 (nothing typed) stays 0.
INT32 ClampTypedFontSize(UINT typed);

// Copies the list name of a font entry (its first field, up to "," or ";") into out, cut to fit.
void FontEntryListName(const wchar_t* entry, wchar_t* out, size_t outChars);

// Empties list 1450 and fills it with the list names of the font file's entries (item data =
// font index), stopping at the first missing or empty key; selects DialogFontIndex and shows
// its name in 1451. Returns the number of entries listed.
int FillFontList(HWND dialog);

INT_PTR CALLBACK WatermarkFontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally under `owner` from the plug-in module: 1 = OK, 2 = Cancel (also when
// the template could not be shown).
INT_PTR ShowWatermarkFontDialog(HWND owner, DriverItemMap* map);

}  // namespace oemui
