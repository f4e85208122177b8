// dlgpreview: shows one dialog template of a DLL and saves a PNG of it.
//
//   dlgpreview <dll> <templateId> <out.png> [--page]
//
// With --page the template is shown as the only page of a modeless property sheet captioned
// "Document Properties", the way the printer driver shows the plug-in's pages; otherwise it is
// created as a modeless dialog. The dialog procedure does nothing, so the template is seen as
// laid out, before any page code runs. Exit code 0 on success, non-zero with a message otherwise.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <cstdio>
#include <cwchar>

#include "tools/screenshot.h"
#include "base/handles.h"

namespace {

INT_PTR CALLBACK DoNothingProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// Lets the new windows paint themselves.
void PumpMessages(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < milliseconds) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
}

int Fail(int code, const wchar_t* what, const wchar_t* detail) {
    fwprintf(stderr, L"dlgpreview: %ls%ls (error %lu)\n", what, detail ? detail : L"",
             GetLastError());
    return code;
}

HWND ShowAsPage(HINSTANCE module, WORD templateId) {
    PROPSHEETPAGEW page = {};
    page.dwSize = sizeof(page);
    page.hInstance = module;
    page.pszTemplate = MAKEINTRESOURCEW(templateId);
    page.pfnDlgProc = DoNothingProc;
    PROPSHEETHEADERW header = {};
    header.dwSize = sizeof(header);
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_MODELESS;
    header.hInstance = module;
    header.pszCaption = L"Document Properties";
    header.nPages = 1;
    header.ppsp = &page;
    INT_PTR sheet = PropertySheetW(&header);
    return sheet > 0 ? reinterpret_cast<HWND>(sheet) : nullptr;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 4 || argc > 5 || (argc == 5 && wcscmp(argv[4], L"--page") != 0)) {
        fwprintf(stderr, L"usage: dlgpreview <dll> <templateId> <out.png> [--page]\n");
        return 1;
    }
    wchar_t* end = nullptr;
    const unsigned long id = wcstoul(argv[2], &end, 10);
    if (end == argv[2] || *end != L'\0' || id == 0 || id > 0xFFFF)
        return Fail(1, L"not a template id: ", argv[2]);
    const bool asPage = argc == 5;

    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);

    oemui::UniqueModule module(LoadLibraryW(argv[1]));
    if (!module) return Fail(2, L"cannot load ", argv[1]);

    const WORD templateId = static_cast<WORD>(id);
    if (FindResourceW(module.get(), MAKEINTRESOURCEW(templateId), RT_DIALOG) == nullptr)
        return Fail(3, L"no dialog template ", argv[2]);

    HWND window = asPage ? ShowAsPage(module.get(), templateId)
                         : CreateDialogParamW(module.get(), MAKEINTRESOURCEW(templateId), nullptr,
                                              DoNothingProc, 0);
    if (window == nullptr) return Fail(3, L"cannot create template ", argv[2]);

    // A fixed place on the screen, in front of everything else.
    SetWindowPos(window, HWND_TOPMOST, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    PumpMessages(400);
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpMessages(200);

    const bool saved = oemui::tools::SaveWindowPng(window, argv[3]);
    DestroyWindow(window);
    if (!saved) return Fail(4, L"cannot save ", argv[3]);
    return 0;
}
