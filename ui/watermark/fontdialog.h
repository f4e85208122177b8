// The "Font" dialog of the watermark editor: the font entries of the watermark font list file,
// the four styles and the listed sizes (any size 0..600 can be typed). It edits the choice held
// in its state record, which the caller (the editor) loads from the Working record and takes
// back into Working only after OK. Modal, opened with the page context (DriverItemMap); ends
// with IDOK or IDCANCEL.
#pragma once

#include <windows.h>

#include "ui/common/sheetcontext.h"
#include "base/watermarkrecord.h"

namespace oemui {

// The font, size and style the dialog edits (passed as its lParam and kept in DWLP_USER).
struct FontDialogState : DialogContext {
    INT32 FontIndex = 0;
    INT32 Size = 0;
    INT32 Weight = 0;
    BYTE Italic = 0;
};

// The record's font, size and style into the state, and back.
void LoadFontChoice(FontDialogState& state, const WatermarkRecord& record);
void StoreFontChoice(const FontDialogState& state, WatermarkRecord& record);

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

// Empties list 1450 and fills it with the list names of the entries of font list file
// `fontFile` (item data = font index), stopping at the first missing or empty key; selects
// `fontIndex` and shows its name in 1451. Returns the number of entries listed.
int FillFontList(HWND dialog, const wchar_t* fontFile, INT32 fontIndex);

INT_PTR CALLBACK WatermarkFontDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the dialog modally under `owner` from the plug-in module on `state` (its map set by the
// caller): IDOK, or IDCANCEL (also when the template could not be shown).
INT_PTR ShowWatermarkFontDialog(HWND owner, FontDialogState& state);

}  // namespace oemui
