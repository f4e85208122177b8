// The support link of the pages: an owner-drawn button, so that it is a tab stop like any
// other control, opened by a click, by Space (as every button) and by Enter (which the dialog
// manager would otherwise give to the sheet's default button).
#pragma once

#include <windows.h>

namespace oemui {

// Makes Enter on the focused link open it: the control asks for the key and tells its parent
// BN_CLICKED, as a click does. Safe to call more than once.
void MakeKeyboardLink(HWND link);

// Paints an owner-drawn link button: its window text in the link colour with the control's own
// font, on the dialog's background, and the focus rectangle around the text while it has the
// keyboard focus.
void DrawLinkText(const DRAWITEMSTRUCT& item);

// The focus rectangle of an owner-drawn picture that takes the keyboard focus, drawn over the
// picture already painted, when the item has the focus and focus cues are shown.
void DrawFocusCue(const DRAWITEMSTRUCT& item);

}  // namespace oemui
