// Watermark storage: the "None" record, the list of user watermarks kept in section
// "Watermark" of the driver's user data file (one line per watermark), the custom colours of
// the colour chooser in section "Custom Color", the font list file named by "WMFONT", and the
// copy of the chosen watermark into PrivateDevmode. Both sections are read from the user data
// file once it exists, else from the plug-in INI file, where earlier versions kept them
// (base/userdata.h); they are saved to the user data file only.
//
// Routines that need texts of the string table (section names, "None", the default font) take
// the module whose resources they use; the short forms use the plug-in's own module.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/config.h"
#include "base/devmode.h"
#include "base/userdata.h"
#include "base/watermarkrecord.h"

namespace oemui {

// --- Resources ------------------------------------------------------------------------------

inline constexpr UINT kStringWatermarkNone = 8050;         // "None"
inline constexpr UINT kStringWatermarkSection = 8051;      // "Watermark"
inline constexpr UINT kStringWatermarkFontDefault = 8052;  // default PostScript font name
inline constexpr UINT kStringCustomColorSection = 8053;    // "Custom Color"

// --- Text helpers ---------------------------------------------------------------------------

// Signed decimal text with a leading "-" for negatives ("" when out is too small).
void IntToDecimal(long long value, wchar_t* out, size_t outChars);

// Key of the index-th user watermark (1-based): "WTMK00" + decimal(index).
void WatermarkKeyName(int index, wchar_t* out, size_t outChars);

// One stored watermark line is at most this long (the INI value buffer).
inline constexpr size_t kWatermarkLineChars = 1024;

// Formats a record as its stored line:
// Size,FontIndex,Angle,OffsetX,OffsetY,Color,Text,FontName,Weight,Italic,CharSet,Position,
// Border,Background,FirstPageOnly,StyleCode. The text is escaped (a backslash before every
// ",", ";" and "\"). False when out is too small (out is then empty).
bool FormatWatermarkLine(const WatermarkRecord& record, wchar_t* out, size_t outChars);

// Parses a stored line into a zero-filled record. Fields are separated by "," or ";"; missing
// fields read as 0 or empty. Numbers skip foreign characters, turn negative on a "-" anywhere
// and read hexadecimal after a leading "0x"; out-of-range values are clamped to the field's
// range. Texts longer than their buffers are cut, and the rest of the field is skipped.
void ParseWatermarkLine(const wchar_t* line, WatermarkRecord& record);


// The colour a stored watermark colour stands for: its red, green and blue bytes. A top byte
// (which would make a COLORREF a palette reference) is dropped and a negative number is
// black; the line reader and the preview both read the colour this way.
inline COLORREF WatermarkRgb(long long stored) {
    return stored < 0 ? 0 : static_cast<COLORREF>(stored & 0x00FFFFFF);
}

// --- Font list file -------------------------------------------------------------------------

// Reads key "WMFONT" of section "DependentFiles" of the plug-in INI file and builds the list's
// FontFile from it (driver directory, "\3\", name). False when the name is missing or the path
// does not fit; FontFile then holds no usable file.
bool UpdateWatermarkFontFile(const wchar_t* iniPath, WatermarkList& list);

// Reads font entry fontIndex + 1 of section "PrinterFont" of font list file `fontFile` (may be
// null or empty: no file) into out (at most 1024 characters are read). False and out empty
// when there is none.
inline constexpr DWORD kFontEntryChars = 1024;
bool ReadFontEntry(const wchar_t* fontFile, INT32 fontIndex, wchar_t* out, DWORD outChars);

// Copies field `field` (1-based, comma-separated) of a font entry into out, cut to fit.
// False and out empty when the entry has fewer fields.
bool GetFontEntryField(const wchar_t* entry, int field, wchar_t* out, size_t outChars);

// True when field 4 of a font entry begins with U+65E5 U+672C (a Japanese-language entry).
bool IsJapaneseFontEntry(const wchar_t* entry);

// Sets FontName and StyleCode of a record from its FontIndex, Weight and Italic and the entry
// of font list file `fontFile`.
void ResolveFontName(WatermarkRecord& record, const wchar_t* fontFile);

// --- Records and the list -------------------------------------------------------------------

// The defaults of a new watermark: size 72, angle 45, light grey, centred, text "None", the
// default font, and font list file `fontFile`'s "DefaultNo" - 1 as font index.
void FillNoneRecord(WatermarkRecord& record, const wchar_t* fontFile, HMODULE resources);
void FillNoneRecord(WatermarkRecord& record, const wchar_t* fontFile);

// Copies every field (texts bounded and terminated).
void CopyWatermark(WatermarkRecord& destination, const WatermarkRecord& source);

// Frees whatever the list holds and starts it afresh for a sheet: nothing loaded, None flags
// off, no font file, light grey custom colours, INI file iniPath (read only) and user data file
// dataFile (both must outlive the list).
void ResetWatermarkList(WatermarkList& list, const wchar_t* iniPath, const wchar_t* dataFile);

// Opening of the Watermarks dialog: reads the list (user data file, else INI) once per sheet (the
// selection then comes from devmode's WatermarkIndex, the custom colours start light grey),
// takes the backup, and makes Working a copy of the selected entry. Enables "&Edit..." and "&Delete" of `dialog` (may be null) when
// a user watermark is selected. False when memory for the list is not available.
bool LoadWatermarkList(HWND dialog, const PrivateDevmode* devmode, WatermarkList& list,
                       HMODULE resources);
bool LoadWatermarkList(HWND dialog, const PrivateDevmode* devmode, WatermarkList& list);

// Saves section "Watermark" of the user data file from the user watermarks, renumbered
// WTMK001.. in list order, in one whole-file save. An unloaded list saves nothing (and
// succeeds); a failure leaves the stored list as it was.
SaveResult SaveWatermarkList(const WatermarkList& list, HMODULE resources);
SaveResult SaveWatermarkList(const WatermarkList& list);

// Frees the records, the working copy and any backup left; the list keeps its flags.
void FreeWatermarkList(WatermarkList& list);

// The selected record (the None record when the selection is out of range), or null when the
// list holds nothing.
WatermarkRecord* SelectedWatermark(const WatermarkList& list);

// When None is selected, empties the working copy's text so editing and previewing show none.
void BlankNoneText(WatermarkList& list);

// Appends a copy of Working as a new last watermark and selects it. False (nothing changed)
// when the list is full or memory is not available.
bool AddWatermark(WatermarkList& list);

// Deletes the selected user watermark and selects None. False when None is selected.
bool DeleteWatermark(WatermarkList& list);

// Watermarks dialog OK: the backups are no longer needed.
void DiscardWatermarkBackup(WatermarkList& list);
// Watermarks dialog Cancel: the user watermarks, the selection and the None record's two
// flags return to what they were when the dialog opened.
void RestoreWatermarkBackup(WatermarkList& list);

// Copies the selected watermark into the private record. False (record untouched) when the
// list holds nothing.
bool ApplyWatermarkToDevmode(PrivateDevmode& devmode, const WatermarkList& list);

// --- Custom colours -------------------------------------------------------------------------

// Fills colors from section "Custom Color" (user data file, else INI), one entry per key in file order;
// entries without a key keep their values. 0, or 1 when working memory is not available.
int LoadCustomColors(COLORREF (&colors)[kCustomColorCount], const WatermarkList& list,
                     HMODULE resources);
int LoadCustomColors(COLORREF (&colors)[kCustomColorCount], const WatermarkList& list);

// Saves section "Custom Color" of the user data file as Color0..Color15 = "red,green,blue".
SaveResult SaveCustomColors(const COLORREF (&colors)[kCustomColorCount], const WatermarkList& list,
                            HMODULE resources);
SaveResult SaveCustomColors(const COLORREF (&colors)[kCustomColorCount], const WatermarkList& list);

}  // namespace oemui
