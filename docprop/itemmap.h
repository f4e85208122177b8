// The document sheet's map of the core driver's option items, and the routines through which
// the plug-in's pages steer the core driver's selections.
//
// One DriverItemMap exists per document property sheet. The document-side CommonUIProp scans
// the core driver's OPTITEM array once and records, per feature entry, the index of the item
// that carries the feature (kNoItem when the tree has none) and its selection at that time.
// Pages and dialogs edit WantedValue[] and call PushDocumentSettings, which hands every wanted
// selection back to the core driver through its DrvUpdateUISetting callback.
#pragma once

#include "base/config.h"
#include "contract/oemcontract.h"
#include "base/watermarkrecord.h"

#include <type_traits>

namespace oemui {

struct PluginState;
struct OverlayStore;   // overlay definitions being edited (ui/overlay)
struct OverlayRecord;  // one overlay definition (ui/overlay)

// Number of feature entries of the map.
inline constexpr int kEntryCount = 90;
// Item index of an entry whose feature the core driver's tree does not have.
inline constexpr DWORD kNoItem = 0xFFFF;

// Feature entries: the position in ItemIndex[] and WantedValue[].
enum : int {
    kEntryFormName = 2,       // DMPUB_FORMNAME (never initialised nor pushed)
    kEntryFitPaperIndex = 2,  // page value kept in the form-name entry's wanted value
    kEntryFitToMpt = 4,       // VRFITTOMPT
    kEntryFitToTray1 = 5,     // VRFITTOTRAY1 .. VRFITTOTRAY5 are entries 5..9
    kEntryFitToTray5 = 9,
    kEntryColor = 10,              // DMPUB_COLOR
    kEntryControl = 11,            // VRControl (the Colour page's colour mode)
    kEntrySeparationOrder = 12,    // VRSeparationorder
    kEntryOverPrint = 13,          // VROverPrint
    kEntryProcessMode = 14,        // VRProcessMode
    kEntryBlackSubstitution = 16,  // VRBlackSubstitution
    kEntryAlwaysPrnHT = 17,        // VRAlwaysPrnHT
    kEntryColorRenderStyle = 18,   // VRColorRenderStyle
    kEntryColorRenderDict = 19,    // VRColorRenderDict
    kEntryUnbound20 = 20,
    kEntryTargetColor = 21,     // VRTargetColor
    kEntryGammaSelection = 22,  // no item: low 16 bits gamma setting id, bit 16+ custom on
    kEntryUnbound23 = 23,
    kEntryHalftoneMode = 24,         // VRHalftoneMode (bound, never pushed)
    kEntryOutputMode = 25,           // VROutputMode (1 = toner save)
    kEntryOrientation = 26,          // DMPUB_ORIENTATION
    kEntryJobType = 28,              // VRJob_Type
    kEntryCopies = 29,               // DMPUB_COPIES_COLLATE
    kEntryCollate = 30,              // VRCollate
    kEntryOutputBin = 31,            // OutputBin
    kEntryStaple = 32,               // VRStaple
    kEntryScale = 33,                // DMPUB_SCALE
    kEntryDrumClean = 34,            // VRDrumClean
    kEntryHddSpool = 35,             // VRHDDSpool
    kEntryCoreItem423 = 36,          // core item named by core string 423
    kEntryCoreItem424 = 37,          // core item named by core string 424
    kEntryOverlay = 38,              // VROverlay
    kEntryNup = 40,                  // DMPUB_NUP
    kEntryPunch = 41,                // VRPunch
    kEntryBindPosition = 42,         // VRBindPosition
    kEntryDuplex = 43,               // DMPUB_DUPLEX
    kEntryPsOutputOption = 45,       // core item of USERDATA.dwItemID 25 (PostScript output option)
    kEntryColorSettingCopy = 50,     // no item: working copy of PrivateDevmode.ColorSettingId
    kEntryColorModeCopy = 51,        // no item: copied into PrivateDevmode.ColorModeValue
    kEntryCompression = 55,          // no item: compression list value of the Advanced dialog
    kEntryColorIcms = 56,            // VRColorICMS
    kEntryCmykProfile = 57,          // VRCMYKProfile
    kEntryRgbProfile = 58,           // VRRGBProfile
    kEntryCmykInputProfile = 59,     // VRCMYKInputProfile
    kEntryCmykLinkProfile = 60,      // VRCMYKLinkProfile
    kEntryOutProfile = 61,           // VROutProfile
    kEntrySimProfile = 62,           // VRSimProfile
    kEntryPureBlack = 63,            // VRPureBlack
    kEntryPreserveBlack = 64,        // VRPreserveBlack
    kEntryColorMatch = 65,           // VRColorMatch
    kEntryResolution = 67,           // DMPUB_PRINTQUALITY or VRResolution (the later wins)
    kEntryImageSmoothing = 68,       // VRImageSmoothing
    kEntryBlackSubGra = 69,          // VRBlackSubGra
    kEntryScreenObo = 72,            // VRScreenObo
    kEntryHairLine = 73,             // VRHairLine
    kEntryTrapping = 76,             // VRTrapping
    kEntryOutputModeBlack = 77,      // VROutputModeBlack
    kEntryFixedScale = 78,           // no item: fit-to-paper check box of other page layouts
    kEntryRotateSort = 79,           // VRRotateSort
    kEntrySpecialColorControl = 80,  // VRSpecialColorControl
    kEntrySpecialColorOrder = 81,    // VRSpecialColorOrder
    kEntryClearOutputMode = 82,      // VRClearOutputMode
    kEntrySpecialColorSpace = 83,    // VRSpecialColorSpace
    kEntryErrorDiffusion = 84,       // VRErrorDiffusion
};

// Option index of VROverlay that means "create overlay forms"; the push then switches the
// PostScript output option item to kPsOutputEps.
inline constexpr DWORD kOverlayCreateForms = 2;
inline constexpr DWORD kPsOutputEps = 2;

// UserItemID given to the VRStaple item so that the core tree callback can recognise it.
inline constexpr BYTE kStapleUserItemId = 200;

// Mode argument of UpdateDriverItem / DrvUpdateUISetting.
inline constexpr DWORD kUpdateDocument = 1;  // OEMCUIP_DOCPROP
inline constexpr DWORD kUpdatePrinter = 2;   // OEMCUIP_PRNPROP

// Per-sheet record of the document side. Allocated zero-filled from the core's heap; every
// field's zero value is its initial state (except ItemIndex[], set to kNoItem by the scan).
struct DriverItemMap {
    // --- Sheet fields, set when the pages are added to the document sheet.
    HANDLE SheetHandle;            // hComPropSheet of the document sheet
    HANDLE JobOptionsPageHandle;   // result of adding the Job Options page
    HANDLE ColorPageHandle;        // result of adding the Colour page, or 0
    POEMUIPSPARAM SheetParam;      // lParamInit of the sheet (printer, DEVMODEs, poemuiobj)
    POEMCUIPPARAM Param;           // the document tree's CommonUIProp parameter block
    PFNCOMPROPSHEET ComPropSheet;  // pfnComPropSheet of the sheet
    HANDLE LinkPageHandle;         // result of adding the link page, or 0

    // --- Feature entries.
    DWORD ItemIndex[kEntryCount];    // index into Param->pDrvOptItems, or kNoItem
    DWORD WantedValue[kEntryCount];  // wanted selection (or a page value, see entry list)

    // Copy of PluginState::HideStandardUIAsked when the map was built.
    DWORD HideStandardUiSeen;
    // Non-zero when the sheet's printer took a test write of printer data at set-up: the user
    // may change what all users of the printer share (overlay definitions).
    DWORD PrinterDataWritable;

    // The sheet's model files (SheetPaths), kept from the tree's set-up to the sheet's end.
    wchar_t IniPath[kPathChars];         // the plug-in INI file
    wchar_t CapabilityPath[kPathChars];  // the capability file, or empty
    wchar_t HelpPath[kPathChars];        // the help file, or empty
    // The driver's user data file (base/userdata.h), found from the sheet's printer at its first
    // use (SheetDataFile) and kept for the sheet; empty until then.
    wchar_t UserDataFile[261];

    // --- Page fields of the Job Options page.
    DWORD CardReaderPresent;  // value reported by the card-reader extension, 0 if none
    // Non-zero while the page sets its controls from the map: the edits' change notices that
    // follow are the page's own, not the user's.
    DWORD JobOptionsRefreshing;

    // --- Page fields of the Color page.
    DWORD SpecialTonerKind;  // special toner the printer reports: 0 none, 1 white, 2 clear

    // --- Page fields of the overlay dialogs. The overlay print mode (the VROverlay combo
    //     index) is WantedValue[kEntryOverlay]: the scan starts it at the item's selection
    //     and the push hands it to the core driver.
    INT32 SettingsVariant;               // 1 = pending overlay sections are current
    struct OverlayStore* OverlayStore;   // present while the Overlays dialog is open
    struct OverlayRecord* Overlays[32];  // defined overlays, 0..DefinedCount-1
    INT32 EditIndex;                     // record the Define Overlays dialog works on

    // --- Page fields of the watermark dialogs are appended here by the watermark code
    //     (the WatermarkList state lives in this record for the life of the sheet).
    WatermarkList Watermarks;  // the sheet's watermarks, working copy and backups
};

static_assert(std::is_trivially_copyable_v<DriverItemMap> &&
                  std::is_standard_layout_v<DriverItemMap>,
              "DriverItemMap is zero-filled raw heap memory");

// --- Routines -------------------------------------------------------------------------------

// Marks every entry unbound and sets the parameter block and the sheet's paths; wanted values
// are left.
void InitDriverItemMap(DriverItemMap& map, POEMCUIPPARAM param, const SheetPaths& paths);

// Scans the core items of map.Param once: binds entries, takes initial wanted values, hides
// taken-over items, redirects help to the plug-in help file and, in Japanese locale, hides the
// paper names listed under "HidePaperName". heap: where the shared OIEXT is allocated.
void MapDriverItems(DriverItemMap& map, HANDLE heap);

// Hands one selection to the core driver. Returns the core's result (non-zero = accepted);
// 0 without a call when itemIndex is kNoItem or out of range. On refusal `value` receives the
// item's previous selection. mode: kUpdateDocument or kUpdatePrinter.
BOOL UpdateDriverItem(POEMCUIPPARAM param, DWORD itemIndex, DWORD& value, DWORD mode);

// Pushes every wanted selection of the map to the core driver in the fixed order.
void PushDocumentSettings(DriverItemMap& map);

// Printer tree: pushes detected installable options by the items' UserItemID tags 3, 5..12.
void PushDetectedOptions(POEMCUIPPARAM param, DWORD (&values)[9]);
// Printer tree: sets every item tagged UserItemID 11 to `value`.
void ForceTaggedItem(POEMCUIPPARAM param, DWORD value);

// The document tree's OEMCUIPCallback. Always CPSUICB_ACTION_NONE.
LONG APIENTRY DocPropCallback(PCPSUICBPARAM cbParam, POEMCUIPPARAM param);

// The core item bound to an entry, or null when unbound or out of the tree.
POPTITEM BoundItem(const DriverItemMap& map, int entry);

// CommonUIProp of the document tree, after the plug-in object's shared preamble.
HRESULT DocumentCommonUIProp(PluginState& object, POEMCUIPPARAM param, const SheetPaths& paths);

}  // namespace oemui
