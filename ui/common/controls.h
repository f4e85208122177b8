// Finding a dialog's controls by id. Under Wine every GetDlgItem (and every call built on it:
// SendDlgItemMessage, SetDlgItemText, CheckDlgButton, CheckRadioButton ...) asks the window
// server for the dialog's whole child list, some 30 microseconds on a page of 80 controls; a
// page looks the same few dozen controls up hundreds of times while it is set up and
// refreshed. These helpers answer from controls found before, checked on every use.
#pragma once

#include <windows.h>

namespace oemui {

// GetDlgItem(dialog, id), remembering what it found for this thread. A remembered control is
// used only while it is still a window, a child of `dialog` and has the id `id`, so the answer
// is the one GetDlgItem would give (dialogs here carry no two controls with one id). A control
// not found is looked up again on every call.
HWND FindControl(HWND dialog, int id);
// Frees every thread's findings and their storage slot: the plug-in is being unloaded.
void ForgetFoundControls();

inline LRESULT SendToControl(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
    HWND control = FindControl(dialog, id);
    return control != nullptr ? SendMessageW(control, message, wParam, lParam) : 0;
}

inline bool SetControlText(HWND dialog, int id, const wchar_t* text) {
    HWND control = FindControl(dialog, id);
    return control != nullptr && SetWindowTextW(control, text) != FALSE;
}

// CheckRadioButton: ticks `chosenId` and clears every other button of firstId..lastId. Only
// buttons whose state changes are sent BM_SETCHECK: an unchanged button is not repainted.
void SetRadioChoice(HWND dialog, int firstId, int lastId, int chosenId);

}  // namespace oemui
