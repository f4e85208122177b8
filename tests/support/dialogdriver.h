// Driving dialogs the way a user does (clicks, list choices, typing) and reading their controls,
// counting the beeps of code linked into the test program, the folder the screenshot tests
// write to, the plug-in DLL whose resources the dialogs load, and the plug-in's class object
// called in-process for the core-driver stand-in.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "plugin/object.h"
#include "tests/support/testprinters.h"

namespace testenv {

// Registers the common control classes (list views, track bars, ...) for this process.
inline void UseCommonControls() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES};
    InitCommonControlsEx(&controls);
}

inline void Click(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

// Selects entry `index` of a list box (or, with `combo`, a combo box) and tells the dialog, as
// a user's choice does.
inline void Choose(HWND dialog, int id, int index, bool combo = false) {
    HWND control = GetDlgItem(dialog, id);
    SendMessageW(control, combo ? CB_SETCURSEL : LB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, combo ? CBN_SELCHANGE : LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(control));
}

// Types at the end of an edit's text, one WM_CHAR per character.
inline void TypeInto(HWND edit, const wchar_t* chars) {
    const int end = GetWindowTextLengthW(edit);
    SendMessageW(edit, EM_SETSEL, end, end);
    for (const wchar_t* c = chars; *c != L'\0'; ++c) SendMessageW(edit, WM_CHAR, *c, 1);
}
inline void Type(HWND dialog, int id, const wchar_t* chars) {
    TypeInto(GetDlgItem(dialog, id), chars);
}

inline bool Exists(HWND dialog, int id) { return GetDlgItem(dialog, id) != nullptr; }
inline bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}
inline bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
inline std::wstring TextOf(HWND dialog, int id) {
    wchar_t text[512] = {};
    GetDlgItemTextW(dialog, id, text, 512);
    return text;
}

// Points the import `function` of `dllName` in `module` at `target`; false when the module
// does not import it.
bool RedirectImport(HMODULE module, const char* dllName, const char* function, void* target);

// MessageBeep calls of the test program (the dialog code is linked in) counted instead of
// sounded; the redirection is made once per process.
extern int BeepCount;
bool CountBeeps();

// OEMUI_SHOT_DIR, else a "shots" folder beside the test program; created when missing.
std::wstring ShotFolder();

// The plug-in DLL of this build, loaded once per process and kept: the dialogs load their
// templates and strings from it.
inline HMODULE PluginModule() {
    static const HMODULE module = LoadLibraryW(Widen(OEMUI_DLL_PATH).c_str());
    return module;
}

// The plug-in linked into the test program, handed to the core-driver stand-in as its
// DllGetClassObject.
inline HRESULT STDAPICALLTYPE InProcessGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* ppv) {
    return oemui::GetPluginClassObject(clsid, iid, ppv);
}
inline HRESULT STDAPICALLTYPE InProcessCanUnloadNow() { return oemui::CanUnloadPlugin(); }

}  // namespace testenv
