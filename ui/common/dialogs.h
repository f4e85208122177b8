// Routines shared by every page and dialog of the plug-in: control ranges, message boxes from
// the string table, the "Show this message next time" warnings, bitmap drawing over controls,
// property-sheet notifications, the printer-data write probe, the numeric edit filter and the
// link control helpers. Controls are addressed by their 16-bit dialog ids.
#pragma once

#include <windows.h>

#include "base/handles.h"
#include "base/pluginstate.h"
#include "base/printer.h"
#include "ui/common/controls.h"

namespace oemui {

struct DriverItemMap;

// --- Dialog results ------------------------------------------------------------------------

// What the plug-in's modal dialogs end with: accepted (OK) or dismissed (Cancel, Esc, close).
inline constexpr INT_PTR kDialogAccepted = 1;
inline constexpr INT_PTR kDialogDismissed = 0;

// Warning kinds 0..2 use the consecutive templates from IDD_WARNING_STAPLE (resource.h) on.
inline constexpr int kWarningKinds = 3;

// Message sent to a link control (the pages send it to control 10001 with 1 and 0).
inline constexpr UINT kLinkMessage = WM_USER + 3;

// RGB(255, 0, 255) marks the transparent pixels of bitmaps drawn by DrawTransparentBitmap.
inline constexpr COLORREF kTransparentKey = RGB(255, 0, 255);

// --- Control ranges (every id from firstId to lastId; nothing when lastId < firstId) --------

void EnableControlRange(HWND dialog, int firstId, int lastId, bool enable);
// Can only switch off: a control ends enabled only if it was and `enable` is true.
void RestrictControlRange(HWND dialog, int firstId, int lastId, bool enable);
// show: shown and enabled; otherwise hidden and disabled.
void ShowControlRange(HWND dialog, int firstId, int lastId, bool show);
// Removes the controls of features the printer lacks.
void DestroyControlRange(HWND dialog, int firstId, int lastId);

// --- Messages -------------------------------------------------------------------------------

// MessageBoxW with text `textId` and caption `captionId` from the plug-in's string table; a
// zero captionId leaves the system's default caption. Only the low 16 bits of type are used.
int MessageBoxById(HWND owner, UINT textId, UINT captionId, UINT type);

// Dialog procedure of warning templates 300..302. Ends with kDialogAccepted when OK is pressed
// with the "show next time" box ticked, kDialogDismissed otherwise (OK unticked, Cancel, Esc).
INT_PTR CALLBACK WarningDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Shows warning `kind` (0..2) unless "AllertFlag<kind>" of section "DisplayAllert" (the sheet's
// user data file, else the INI file) is non-zero; saves "1" to the user data file when the user
// unticks the box or cancels, and says so when that save fails.
void ShowWarningOnce(HWND owner, DriverItemMap* map, int kind);

// Tells the user that what they chose could not be saved: the file and the reason, from the
// string table. What was stored before is unchanged; the caller keeps its dialog or page open.
void ReportSaveFailure(HWND owner, const wchar_t* file, DWORD error);
// The string-table id of the reason shown for a save's Win32 error.
UINT SaveFailureReasonId(DWORD error);

// --- Memory ---------------------------------------------------------------------------------

// Zero-filled fixed global block, or null. Every temporary buffer uses this pair.
void* AllocZeroed(SIZE_T bytes);
void FreeBlock(void* block);

// --- Drawing --------------------------------------------------------------------------------

// A bitmap resource made ready to draw with its magenta pixels transparent: `mask` is white
// where the bitmap shows kTransparentKey and black elsewhere, `picture` is the bitmap with
// black where the key was.
struct MaskedPicture {
    UniqueBitmap mask;
    UniqueBitmap picture;
    int width = 0;
    int height = 0;
};
// Loads bitmap `bitmapId` of `module` and makes its masked picture, compatible with
// `reference`. False (and `out` untouched) for a missing bitmap or one wider or higher than
// `maxSide` pixels.
bool BuildMaskedPicture(HDC reference, HMODULE module, int bitmapId, int maxSide,
                        MaskedPicture& out);
// Draws a masked picture with its top-left corner at `at`; the pixels under the key keep what
// `dc` showed.
void DrawMaskedPicture(HDC dc, POINT at, const MaskedPicture& picture);
// The same, scaled to fill `target` (the mask with it).
void DrawMaskedPicture(HDC dc, const RECT& target, const MaskedPicture& picture);

// Draws bitmap `bitmapId` of `module` in control `controlId`, scaled for the dialog's DPI to
// fit the control and centred in it, magenta pixels left transparent. Returns 1.
int DrawTransparentBitmap(HWND dialog, HMODULE module, int controlId, int bitmapId);

// Draws the device-independent bitmap resource `bitmapId` of `module` (with its own palette
// when it has a colour table) inside a 2-pixel sunken frame in control `controlId`, scaled for
// the dialog's DPI to fit the control and centred in it. Malformed or truncated resources draw
// nothing.
void DrawDibResourceFramed(HWND dialog, HMODULE module, int bitmapId, int controlId);

// --- Setting lists --------------------------------------------------------------------------

// Adds the settings of `section` of `path` ("SettingNum", "SettingID<i>", "SettingName<id>";
// at most 256, unnamed ones and ids above 255 left out) to list `id`, each item's data the id
// with `dataBits`. The number of settings the section lists.
UINT AddSettingList(HWND dialog, int id, const wchar_t* path, const wchar_t* section,
                    DWORD dataBits);

// --- Property sheet -------------------------------------------------------------------------

// Tells the property sheet that `page` has changes (enables Apply).
void MarkPageChanged(HWND page);

// Once per process, when the printer data is not writable and a plug-in page has initialised
// but the core driver's page has never been shown: visits the sheet's page 2 and comes back,
// so that the core driver's page initialises its settings.
void VisitDriverPageOnce(HWND page, const DriverItemMap& map);

// --- Numeric edits --------------------------------------------------------------------------

// The character at `index` of `text` may stand in a decimal number as typed.
bool IsAcceptableNumberChar(const wchar_t* text, int index, bool allowSign);

// Filters a numeric edit from its owner's WM_COMMAND; returns notifyCode. EN_SETFOCUS and
// EN_CHANGE save the text, EN_KILLFOCUS fills an empty edit with defaultValue, EN_UPDATE
// refuses bad characters (beep, saved text back) and clamps the value to minValue..maxValue.
int FilterNumericEdit(HWND dialog, int notifyCode, int editId, int defaultValue, int minValue,
                      int maxValue, wchar_t* savedText, int savedTextMax, bool isSigned);

// --- Link control ---------------------------------------------------------------------------

// The font of window's parent (the dialog font), of normal weight, optionally underlined.
UniqueFont CreateLinkFont(HWND window, bool underline);
// The system hand cursor, or the arrow when there is none. Shared; not to be destroyed.
HCURSOR LoadHandCursor();
void SendLinkMessage(HWND window, WPARAM wParam, LPARAM lParam);

}  // namespace oemui
