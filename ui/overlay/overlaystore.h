// Overlay definitions and their storage in the driver's user data file (read from the plug-in
// INI file, where earlier versions kept them, until the user data file exists).
//
// An overlay is a named set of up to three PostScript forms stored in the printer, printed on
// chosen pages. Up to 32 definitions are shared by all users of the driver; which of them a
// document prints (up to four, in order) travels in PrivateDevmode.OverlayIds.
//
// Two section families hold the definitions: the committed one ("OverlaySetting",
// "Overlay_Info %d") and the pending one ("OverlaySetting_Sv", "Overlay_Info_Sv %d"). The
// Overlays dialog saves into the pending family on OK; the sheet's Apply copies pending into
// committed (CommitOverlays). DriverItemMap::SettingsVariant says which family is current:
// 1 = pending, anything else = committed.
#pragma once

#include <windows.h>

#include <cstddef>

#include "base/devmode.h"
#include "base/userdata.h"

namespace oemui {

struct DriverItemMap;

inline constexpr int kMaxDefinedOverlays = 32;
static_assert(kMaxDefinedOverlays == kStoredOverlayIdLimit,
              "the record's overlay ids index the definitions");
inline constexpr int kMaxActiveOverlays = 4;
inline constexpr int kMaxOverlayForms = 3;
inline constexpr int kMaxFormHistory = 10;
inline constexpr std::size_t kOverlayNameChars = 64;  // 63 characters and the terminator
inline constexpr std::size_t kCustomPageChars = 255;  // 254 characters and the terminator

// Where a definition prints; the display text is string kStringPageModeFirst + mode.
enum OverlayPageMode : WORD {
    kPageModeAll = 0,
    kPageModeFirst = 1,
    kPageModeOdd = 2,
    kPageModeEven = 3,
    kPageModeCustom = 4,  // CustomPage holds the page list
};
inline constexpr WORD kPageModeCount = 5;
inline constexpr UINT kStringPageModeFirst = 8030;  // "All Pages" .. "Custom"
inline constexpr UINT kStringNewOverlay = 8035;     // "New Overlay"

// SettingsVariant values.
inline constexpr INT32 kOverlaysPending = 1;
inline constexpr INT32 kOverlaysCommitted = 2;

// The dialog's working state besides the records (zero-filled when allocated).
struct OverlayStore {
    WORD ActiveCount;                                     // 0..4
    WORD ActiveIds[kMaxActiveOverlays];                   // indices into DriverItemMap::Overlays
    WORD DefinedCount;                                    // 0..32
    WORD HistoryCount;                                    // 0..10
    wchar_t History[kMaxFormHistory][kOverlayNameChars];  // recently used form names
};

// One definition (zero-filled when allocated).
struct OverlayRecord {
    wchar_t Name[kOverlayNameChars];
    WORD FormCount;  // 0..3
    wchar_t FormNames[kMaxOverlayForms][kOverlayNameChars];
    WORD PageMode;                         // OverlayPageMode
    wchar_t CustomPage[kCustomPageChars];  // e.g. "1,3,5-12"
};

// --- Stored form: one writer and one reader per section kind --------------------------------

// Section names of a family: "OverlaySetting" / "OverlaySetting_Sv" and "Overlay_Info %d" /
// "Overlay_Info_Sv %d" (index 0-based). False (out empty) when out is too small.
bool OverlayMainSectionName(bool pending, wchar_t* out, std::size_t outChars);
bool OverlayInfoSectionName(bool pending, int index, wchar_t* out, std::size_t outChars);

// Main section: "Overlay_Num" = definedCount, "History_Num", "History %d", as lines of a save.
// False when a line did not fit.
bool OverlayMainLines(const OverlayStore& store, SectionLines& lines);
// Reads the main section into a zero-filled store: counts are clamped to 0..32 and 0..10 (a
// negative or oversized value never overruns the arrays), texts are cut to their fields.
void ReadOverlayMainSection(const wchar_t* iniPath, const wchar_t* section, OverlayStore& store);

// Definition section: "Overlay_Name", "PageMode", "CustomPage", "Form_Num", "Form_Name %d".
bool OverlayInfoLines(const OverlayRecord& record, SectionLines& lines);
// Reads a definition into a zero-filled record: Form_Num clamped to 0..3, a PageMode outside
// 0..4 reads as "All Pages", texts cut to their fields.
void ReadOverlayInfoSection(const wchar_t* iniPath, const wchar_t* section, OverlayRecord& record);

// Gives each of the first `count` records a name no earlier record has: a stored name longer
// than the field is cut, and two cut names may then be one, which the Define Overlays dialog
// would refuse on OK. A later duplicate gets " (2)", " (3)", ... in place of its last
// characters. False when a name could not be made unique (it is left as it was).
bool MakeOverlayNamesUnique(OverlayRecord* const* records, int count);

// --- The store of a document sheet ----------------------------------------------------------

// Allocates the map's OverlayStore and one record per definition and reads the current family
// (pending when SettingsVariant is 1) from the sheet's user data file, else from map.IniPath.
// A store already present is freed first. False (nothing allocated) when memory runs out.
bool LoadOverlays(DriverItemMap& map);

// Saves the store and every record as the family SettingsVariant chooses, in one whole-file
// save of the sheet's user data file. Fails (nothing written) without a store, or when a
// definition is missing or does not fit.
SaveResult SaveOverlays(DriverItemMap& map);

// Frees every record and the store; the pointers become null.
void FreeOverlays(DriverItemMap& map);

// Copies the active overlays into the sheet's PrivateDevmode.OverlayIds; the remaining slots
// become kNoOverlay.
void WriteOverlayIds(DriverItemMap& map);

// The sheet's Apply: when the map's PrinterDataWritable is set and the pending family is current,
// copies the pending definitions into the committed sections and makes those current.
// True when it copied; a failed save leaves the pending family current and sets `result`.
bool CommitOverlays(DriverItemMap& map, SaveResult& result);
bool CommitOverlays(DriverItemMap& map);

// A zero-filled record, or null; released with FreeOverlayRecord.
OverlayRecord* NewOverlayRecord();
void FreeOverlayRecord(OverlayRecord* record);

}  // namespace oemui
