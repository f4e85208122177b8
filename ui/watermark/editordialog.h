// The watermark editor ("Watermark"): text, size, angle, font and style (through the "Font"
// dialog), colour (through the system colour chooser), border, position and X/Y adjustment of
// the Working record of the sheet's WatermarkList, with a live preview. Modal, opened from the
// Watermarks dialog with the page context (DriverItemMap) for "&New..." and "&Edit..."; ends
// with IDOK (Working holds the edited watermark, its PostScript font name resolved) or
// IDCANCEL. The Watermarks dialog copies Working into its list after IDOK.
#pragma once

#include <windows.h>
#include <commdlg.h>

#include <cstddef>

namespace oemui {

struct DriverItemMap;

// Defaults an emptied size or angle edit gets back when it loses the focus.
inline constexpr int kEditorDefaultSize = 72;
inline constexpr int kEditorDefaultAngle = 45;
// Characters of the X/Y adjustment edits.
inline constexpr int kOffsetEditChars = 5;

// Modal dialog procedure of the editor's template; its state record comes from
// ShowWatermarkEditor.
INT_PTR CALLBACK WatermarkEditorProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the editor modally under `owner` from the plug-in module: IDOK, or IDCANCEL (also when
// the template could not be shown or the list holds no record to edit).
INT_PTR ShowWatermarkEditor(HWND owner, DriverItemMap* map);

// Shared with the Watermarks dialog: sets whichever of the list, check boxes and editor
// controls `dialog` has from the selected record (the editor's text stays empty for "None"),
// then redraws the preview.
void RefreshWatermarkControls(HWND dialog, DriverItemMap* map);

// Copies the editor's text, size, angle and X/Y adjustments into Working. A size or angle edit
// that holds no number leaves the selected record's value; the X/Y edits drop every character
// that cannot stand in a signed number and are clamped to -1000..1000.
void ReadEditorControls(HWND editor, DriverItemMap* map);

// ReadEditorControls, then the preview of Working into control 1436.
void ReadAndPreview(HWND editor, DriverItemMap* map);

// Keeps the decimal digits of `text` and a "-" in the first position, drops everything else.
// Returns the number of characters kept; `dropped` tells whether anything was dropped.
std::size_t KeepOffsetChars(const wchar_t* text, wchar_t* kept, std::size_t keptChars,
                            bool& dropped);

// The colour chooser's parameters: owner, initial colour, the 16 custom colours, opened in
// full with the initial colour selected; no hook, no template.
void BuildColorChooser(HWND owner, COLORREF initial, COLORREF* customColors, CHOOSECOLORW& chooser);

}  // namespace oemui
