// The watermark record and the list of watermarks a document sheet works on. Only the types
// live here, so that the sheet's record (docprop/itemmap.h) can hold the list; the routines
// that read, write and copy them are in ui/watermark/watermarks.h.
#pragma once

#include <windows.h>

#include <type_traits>

namespace oemui {

// At most this many user watermarks are kept (the "None" record comes on top of them).
inline constexpr int kMaxWatermarks = 16;
// Pointer slots of WatermarkList::Records and ::Backup; only 0..kMaxWatermarks are ever used.
inline constexpr int kWatermarkSlots = 32;
// Text: at most 128 characters + NUL. PostScript font name: at most 32 characters + NUL.
inline constexpr int kWatermarkTextChars = 129;
inline constexpr int kWatermarkFontNameChars = 33;
// Text buffer the size and angle edits keep for the numeric edit filter.
inline constexpr int kWatermarkEditTextChars = 12;
// Full path of the watermark font list file (a driver file path, kPathChars of base/config.h).
inline constexpr int kWatermarkFontFileChars = 261;
// The colour chooser's custom colours; each starts as light grey.
inline constexpr int kCustomColorCount = 16;
inline constexpr COLORREF kDefaultWatermarkColor = 0x00C0C0C0;

// Value ranges of the record's fields.
inline constexpr INT32 kWatermarkSizeMin = 1;
inline constexpr INT32 kWatermarkSizeMax = 600;
inline constexpr INT32 kWatermarkAngleMin = -180;
inline constexpr INT32 kWatermarkAngleMax = 180;
inline constexpr INT32 kWatermarkOffsetMin = -1000;
inline constexpr INT32 kWatermarkOffsetMax = 1000;

// Placement (Position) and border kinds.
enum : INT16 {
    kPositionUpperLeft = 0,
    kPositionUpperCenter = 1,
    kPositionUpperRight = 2,
    kPositionCenter = 3,
    kPositionLowerLeft = 4,
    kPositionLowerCenter = 5,
    kPositionLowerRight = 6,
};
enum : INT16 {
    kBorderNone = 0,
    kBorderCircle = 1,
    kBorderSingleFrame = 2,
    kBorderDoubleFrame = 3,
};

inline constexpr INT32 kWeightRegular = 400;
inline constexpr INT32 kWeightBold = 700;

// One watermark. Each lives in its own zero-filled block.
struct WatermarkRecord {
    INT32 Size;                         // text size in points, 1..600
    INT32 FontIndex;                    // 0-based entry of the font list (key FontIndex + 1)
    INT16 Angle;                        // rotation in degrees, -180..180
    INT32 OffsetX;                      // horizontal adjustment, -1000..1000
    INT32 OffsetY;                      // vertical adjustment, -1000..1000
    COLORREF Color;                     // 0x00BBGGRR
    wchar_t Text[kWatermarkTextChars];  // the text, also the name shown in the list
    wchar_t FontName[kWatermarkFontNameChars];  // PostScript font name (set by ResolveFontName)
    INT32 Weight;                               // 400 regular, 700 bold
    BYTE Italic;                                // 1 = italic
    BYTE CharSet;                               // LOGFONT character set for the preview
    INT16 Position;                             // kPosition*
    INT16 Border;                               // kBorder*
    INT16 Background;                           // 1 = print in background
    BYTE FirstPageOnly;                         // 1 = first page only
    INT16 StyleCode;                            // style code for the PostScript side
};

// The watermarks of one document sheet. Slot 0 of Records is the "None" record; slots
// 1..Count are the user's watermarks in list order. Backup holds copies of slots 1..BackupCount
// taken when the Watermarks dialog opened, so that Cancel can put everything back.
struct WatermarkList {
    INT32 Selected;           // selected entry, 0..Count (0 = None)
    INT32 Loaded;             // 1 once the list was read for this sheet
    INT32 Count;              // user watermarks, 0..kMaxWatermarks
    INT32 NoneFirstPageOnly;  // None record's flags as of the dialog's last OK
    INT32 NoneBackground;
    WatermarkRecord* Records[kWatermarkSlots];
    WatermarkRecord* Backup[kWatermarkSlots];
    INT32 BackupCount;                               // Count when the dialog opened; -1 = no backup
    INT32 BackupSelected;                            // Selected when the dialog opened
    wchar_t SavedEditText[kWatermarkEditTextChars];  // numeric edit filter of size/angle
    WatermarkRecord* Working;  // the copy the editor edits and the preview draws
    const wchar_t* IniPath;    // full path of the plug-in INI file (read only, the fallback)
    const wchar_t* DataFile;   // the driver's user data file the list is saved to
    // The font list file, rebuilt by UpdateWatermarkFontFile each time the Watermarks dialog
    // opens. Empty, or a directory, when there is no usable file: every look-up then finds
    // nothing.
    wchar_t FontFile[kWatermarkFontFileChars];
    // Working copy of section "Custom Color" for the colour chooser; light grey from each
    // reading of the list on (entries the INI file lacks keep their values).
    COLORREF CustomColors[kCustomColorCount];
};

static_assert(std::is_trivially_copyable_v<WatermarkRecord> &&
                  std::is_standard_layout_v<WatermarkRecord>,
              "WatermarkRecord lives in zero-filled raw memory");
static_assert(std::is_trivially_copyable_v<WatermarkList> &&
                  std::is_standard_layout_v<WatermarkList>,
              "WatermarkList lives in the zero-filled sheet record");

}  // namespace oemui
