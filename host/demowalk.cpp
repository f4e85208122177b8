// The screenshot walk of an open sheet: every page, the dialogs its buttons open (captured with
// a thread-local CBT hook and a thread timer, which run inside any modal loop), the dialog
// templates no page opens yet, the scripted steps on the stand-in's page, and Apply.
//
// To add a dialog to the walk, add a row to kDialogButtons (the page's template, the button that
// opens it, and for a dialog inside a dialog the buttons pressed after it); to stop previewing a
// template that a page now opens, remove its row from kTemplatePreviews.
#include "host/demo.h"
#include "host/install.h"

#include <commctrl.h>
#include <prsht.h>

#include <cwctype>

#include "docprop/itemmap.h"
#include "tools/screenshot.h"

namespace host::demo {

namespace {

constexpr WORD kJobOptions = 113;
constexpr WORD kColor = 111;

// Rows marked OK keep what their dialogs did, so that the report shows each dialog's effect.
constexpr DialogButton kDialogButtons[] = {
    {kJobOptions, {1535, 1403, 1418}, L"watermark-font", false},  // list, New: editor, Font
    {kJobOptions, {1535, 0, 0}, L"watermarks", true},
    {kJobOptions, {1536, 1059, 0}, L"define-overlay", false},  // list, New: definition
    {kJobOptions, {1536, 0, 0}, L"overlays", true},
    {kJobOptions, {1537, 0, 0}, L"job-advanced", true},
    {kJobOptions, {1559, 0, 0}, L"about", false},
    // Calder Color and Meridan Pro: their mode first; inside, the utility setting and the
    // printer simulation method.
    {kColor, {1610, 1267, 0}, L"calder-color", true, 1606},
    {kColor, {1616, 1652, 0}, L"meridan-pro", true, 1607},
    {kColor, {1215, 0, 0}, L"color-advanced", true},
    {kColor, {4031, 4013, 0}, L"special-toner", true, 0, true},  // spot toner
    {kColor, {1614, 0, 0}, L"color-swatch"},
};

constexpr TemplatePreview kTemplatePreviews[] = {
    {300, L"warning-staple"},
    {301, L"warning-job-name"},
    {302, L"warning-booklet"},
    {202, L"job-pin"},  // opened by the job-type controls of other page layouts
};

// The list of the stand-in's own page (host/standinpage.cpp).
constexpr int kStandInListId = 1001;

// Lets windows paint: dispatches this thread's messages for `ms` milliseconds.
void Pump(DWORD ms) {
    const DWORD start = GetTickCount();
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    } while (GetTickCount() - start < ms);
}

void Repaint(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

// Before a screenshot the window needs time to paint; without one, the pending messages do.
void Settle(HWND window, bool shooting) {
    if (!shooting) {
        Pump(0);
        return;
    }
    Pump(250);
    Repaint(window);
    Pump(100);
}

std::wstring Slug(const std::wstring& text) {
    std::wstring out;
    for (wchar_t c : text) {
        if (c == L'&') continue;
        if (iswalnum(c) && c < 0x80) {
            out.push_back(static_cast<wchar_t>(towlower(c)));
        } else if (!out.empty() && out.back() != L'-') {
            out.push_back(L'-');
        }
    }
    while (!out.empty() && out.back() == L'-') out.pop_back();
    return out.empty() ? L"page" : out;
}

std::wstring WindowText(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    std::wstring s = text;
    std::wstring out;
    for (wchar_t c : s) {
        if (c != L'&') out.push_back(c);
    }
    return out;
}

std::wstring JoinPath(const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return name;
    const wchar_t last = dir.back();
    return dir + (last == L'\\' || last == L'/' ? L"" : L"\\") + name;
}

// Saves `window` as dir\name.png; returns the file name, empty when not saved.
std::wstring Shoot(HWND window, const std::wstring& dir, const std::wstring& name) {
    if (dir.empty()) return {};
    const std::wstring file = name + L".png";
    return oemui::tools::SaveWindowPng(window, JoinPath(dir, file).c_str()) ? file : L"";
}

// --- Modal capture ---------------------------------------------------------------------------

struct OpenModal {
    HWND window = nullptr;
    size_t depth = 0;
    size_t index = 0;  // into Capture::seen
    int ticks = 0;
    bool shot = false;
    bool clicked = false;
    int closeTries = 0;
};

struct Capture {
    std::wstring dir;
    std::wstring baseName;
    std::vector<WORD> nextClicks;
    bool closeWithOk = false;
    std::vector<OpenModal> stack;
    std::vector<HWND> known;
    std::vector<DialogShot> seen;
    UINT_PTR timer = 0;
    HHOOK hook = nullptr;
};

thread_local Capture* g_capture = nullptr;

void CALLBACK CaptureTick(HWND, UINT, UINT_PTR, DWORD) {
    Capture* c = g_capture;
    if (c == nullptr) return;
    while (!c->stack.empty() && !IsWindow(c->stack.back().window)) c->stack.pop_back();
    if (c->stack.empty()) {
        KillTimer(nullptr, c->timer);
        c->timer = 0;
        return;
    }
    OpenModal& top = c->stack.back();
    DialogShot& record = c->seen[top.index];
    if (!top.shot) {
        // First tick: make it paint; a later one takes the picture.
        if (top.ticks++ < 2) {
            Repaint(top.window);
            return;
        }
        record.caption = WindowText(top.window);
        if (record.caption.empty()) record.caption = L"(untitled window)";
        const std::wstring name =
            c->baseName + (top.index == 0 ? L"" : L"-" + std::to_wstring(top.index + 1));
        record.file = Shoot(top.window, c->dir, name);
        top.shot = true;
        return;
    }
    if (!top.clicked && top.depth < c->nextClicks.size() && c->nextClicks[top.depth] != 0) {
        top.clicked = true;
        HWND button = GetDlgItem(top.window, c->nextClicks[top.depth]);
        if (button != nullptr && IsWindowEnabled(button)) {
            PostMessageW(button, BM_CLICK, 0, 0);
            return;
        }
        record.note = L"button " + std::to_wstring(c->nextClicks[top.depth]) + L" not found";
    }
    // Close it the way a user would, then more firmly.
    const WORD first = c->closeWithOk ? IDOK : IDCANCEL;
    const WORD second = c->closeWithOk ? IDCANCEL : IDOK;
    switch (top.closeTries++) {
        case 0:
            PostMessageW(top.window, WM_COMMAND, MAKEWPARAM(first, BN_CLICKED), 0);
            break;
        case 1:
            PostMessageW(top.window, WM_COMMAND, MAKEWPARAM(second, BN_CLICKED), 0);
            break;
        case 2:
            PostMessageW(top.window, WM_CLOSE, 0, 0);
            break;
        default:
            EndDialog(top.window, IDCANCEL);
            break;
    }
}

LRESULT CALLBACK CaptureHook(int code, WPARAM wParam, LPARAM lParam) {
    Capture* c = g_capture;
    if (c != nullptr && code == HCBT_ACTIVATE) {
        HWND window = reinterpret_cast<HWND>(wParam);
        bool known = false;
        for (HWND w : c->known) known = known || w == window;
        // Only dialogs and message boxes that opened during the trigger count; a window that
        // existed before (the sheet, reactivated when a dialog closes) never does.
        wchar_t className[16] = {};
        GetClassNameW(window, className, 16);
        if (!known && wcscmp(className, L"#32770") == 0) {
            c->known.push_back(window);
            OpenModal open;
            open.window = window;
            open.depth = c->stack.size();
            open.index = c->seen.size();
            c->seen.push_back(DialogShot{});
            c->stack.push_back(open);
            if (c->timer == 0) c->timer = SetTimer(nullptr, 0, 100, &CaptureTick);
        }
    }
    return CallNextHookEx(c != nullptr ? c->hook : nullptr, code, wParam, lParam);
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

void ClickButton(void* button) { SendMessageW(static_cast<HWND>(button), BM_CLICK, 0, 0); }

// A button's command sent to its page, for page layouts that lack the button.
struct PageCommand {
    HWND page;
    WORD id;
};
void SendPageCommand(void* context) {
    const auto* command = static_cast<const PageCommand*>(context);
    SendMessageW(command->page, WM_COMMAND, MAKEWPARAM(command->id, BN_CLICKED), 0);
}

// Shows a template as the plug-in lays it out; the warnings get their icon and ticked box as
// their own procedure gives them. lParam of WM_INITDIALOG: the plug-in module.
INT_PTR CALLBACK PreviewProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    constexpr int kWarningIconControl = 6006;
    constexpr int kWarningCheckBox = 6005;
    constexpr WORD kWarningIcon = 7000;
    if (GetDlgItem(dialog, kWarningIconControl) != nullptr) {
        HICON icon = LoadIconW(reinterpret_cast<HMODULE>(lParam), MAKEINTRESOURCEW(kWarningIcon));
        SendDlgItemMessageW(dialog, kWarningIconControl, STM_SETICON,
                            reinterpret_cast<WPARAM>(icon), 0);
        CheckDlgButton(dialog, kWarningCheckBox, BST_CHECKED);
    }
    return TRUE;
}

// What a dialog can change: the wanted values of the sheet's map, the plug-in's record, the
// plug-in INI file (it should not) and the driver's user data file.
struct SheetState {
    std::vector<DWORD> wanted;
    std::vector<BYTE> record;
    IniSnapshot ini;
    IniSnapshot data;
};

SheetState TakeState(CoreDriver& core, const oemui::DriverItemMap* map, const std::wstring& iniPath,
                     const std::wstring& dataPath) {
    SheetState state;
    if (map != nullptr)
        state.wanted.assign(map->WantedValue, map->WantedValue + oemui::kEntryCount);
    if (const BYTE* record = core.PluginRecord()) {
        state.record.assign(record, record + core.PluginRecordSize());
    }
    state.ini = ReadIni(iniPath);
    state.data = ReadIni(dataPath);
    return state;
}

std::vector<std::wstring> DescribeChanges(const SheetState& before, const SheetState& after) {
    std::vector<std::wstring> lines;
    for (size_t i = 0; i < before.wanted.size() && i < after.wanted.size(); ++i) {
        if (before.wanted[i] == after.wanted[i]) continue;
        lines.push_back(L"map entry " + std::to_wstring(i) + L": " +
                        std::to_wstring(before.wanted[i]) + L" -> " +
                        std::to_wstring(after.wanted[i]));
    }
    for (const std::string& field : DescribeRecord(after.record, &before.record)) {
        if (field.find("(was ") == std::string::npos) continue;
        lines.push_back(L"record " + std::wstring(field.begin(), field.end()));
    }
    for (const std::wstring& section : DiffIni(before.ini, after.ini)) {
        lines.push_back(L"INI " + section);
    }
    for (const std::wstring& section : DiffIni(before.data, after.data)) {
        lines.push_back(L"user data " + section);
    }
    return lines;
}

int TemplateOf(const CollectedPage& page) {
    const PROPSHEETPAGEW& p = page.Page();
    if ((p.dwFlags & PSP_DLGINDIRECT) != 0 || !IS_INTRESOURCE(p.pszTemplate)) return -1;
    return static_cast<int>(reinterpret_cast<ULONG_PTR>(p.pszTemplate));
}

}  // namespace

std::vector<DialogShot> CaptureModals(void (*trigger)(void*), void* context,
                                      const std::wstring& dir, const std::wstring& baseName,
                                      const std::vector<WORD>& nextClicks, bool closeWithOk) {
    Capture capture;
    capture.dir = dir;
    capture.baseName = baseName;
    capture.nextClicks = nextClicks;
    capture.closeWithOk = closeWithOk;
    Capture* previous = g_capture;
    g_capture = &capture;
    EnumThreadWindows(GetCurrentThreadId(), &CollectWindow,
                      reinterpret_cast<LPARAM>(&capture.known));
    capture.hook = SetWindowsHookExW(WH_CBT, &CaptureHook, nullptr, GetCurrentThreadId());
    trigger(context);
    // A modeless window opened by the trigger is still open: finish it here.
    const DWORD start = GetTickCount();
    while (!capture.stack.empty() && GetTickCount() - start < 10000) Pump(50);
    if (capture.timer != 0) KillTimer(nullptr, capture.timer);
    if (capture.hook != nullptr) UnhookWindowsHookEx(capture.hook);
    g_capture = previous;
    return capture.seen;
}

void WalkSheet(CoreDriver& core, const Options& options, const std::wstring& prefix,
               Session& session) {
    const HWND sheet = core.SheetWindow();
    if (sheet == nullptr) return;
    const std::wstring& dir = options.screenshotDir;
    const bool shooting = !dir.empty();
    SetWindowPos(sheet, HWND_TOP, 16, 16, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
    Settle(sheet, shooting);

    const HWND tab = PropSheet_GetTabControl(sheet);
    const int count = tab != nullptr ? TabCtrl_GetItemCount(tab) : 0;
    const std::vector<CollectedPage>& collected = core.Pages();
    // The sheet holds the plug-in's pages in the order they were added, then the stand-in's.
    const bool aligned = static_cast<size_t>(count) == collected.size() + 1;
    for (int i = 0; i < count; ++i) {
        PropSheet_SetCurSel(sheet, nullptr, i);
        Settle(sheet, shooting);
        PageShot shot;
        wchar_t title[128] = {};
        TCITEMW item = {};
        item.mask = TCIF_TEXT;
        item.pszText = title;
        item.cchTextMax = 128;
        TabCtrl_GetItem(tab, i, &item);
        shot.title = title;
        if (aligned && static_cast<size_t>(i) < collected.size()) {
            shot.templateId = TemplateOf(collected[static_cast<size_t>(i)]);
            shot.linkLibrary =
                collected[static_cast<size_t>(i)].Page().hInstance != core.PluginModule();
        }
        shot.file =
            Shoot(sheet, dir, prefix + L"page-" + std::to_wstring(i + 1) + L"-" + Slug(shot.title));
        session.pages.push_back(shot);

        const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        if (shot.linkLibrary || page == nullptr) continue;
        // Both plug-in pages carry the sheet's map as their parameter.
        const oemui::DriverItemMap* map = shot.templateId >= 0 && aligned
                                              ? reinterpret_cast<const oemui::DriverItemMap*>(
                                                    collected[static_cast<size_t>(i)].Page().lParam)
                                              : nullptr;
        const std::wstring iniPath = DriverDirectory3() + L"\\" + kPluginIniName;
        for (const DialogButton& b : kDialogButtons) {
            if (b.pageTemplate != shot.templateId) continue;
            DialogShot d;
            if (b.choose != 0) {
                SendDlgItemMessageW(page, b.choose, BM_CLICK, 0, 0);
                Settle(sheet, false);
            }
            const HWND button = GetDlgItem(page, b.clicks[0]);
            d.what = shot.title + L": " +
                     (button != nullptr ? WindowText(button)
                                        : L"button " + std::to_wstring(b.clicks[0])) +
                     L" [" + b.name + L"]";
            if (button == nullptr && b.command) {
                const SheetState before = TakeState(core, map, iniPath, session.dataFile);
                PageCommand command{page, b.clicks[0]};
                std::vector<DialogShot> seen =
                    CaptureModals(&SendPageCommand, &command, dir, prefix + L"dialog-" + b.name,
                                  {b.clicks[1]}, b.ok);
                d.what = shot.title + L": command " + std::to_wstring(b.clicks[0]) +
                         L" (this layout has no such button) [" + b.name + L"]";
                if (!seen.empty()) {
                    seen[0].changesKnown = true;
                    seen[0].changes =
                        DescribeChanges(before, TakeState(core, map, iniPath, session.dataFile));
                } else {
                    d.note = L"no window opened";
                    session.dialogs.push_back(d);
                }
                for (DialogShot& s : seen) {
                    s.what = d.what;
                    session.dialogs.push_back(s);
                }
                Settle(sheet, shooting);
                continue;
            }
            if (button == nullptr) {
                d.note = L"not on the page (removed for this model)";
                session.dialogs.push_back(d);
                continue;
            }
            if (!IsWindowEnabled(button) || !IsWindowVisible(button)) {
                d.note = L"button disabled";
                session.dialogs.push_back(d);
                continue;
            }
            std::vector<WORD> next;
            for (size_t k = 1; k < std::size(b.clicks) && b.clicks[k] != 0; ++k) {
                next.push_back(b.clicks[k]);
            }
            const SheetState before = TakeState(core, map, iniPath, session.dataFile);
            std::vector<DialogShot> seen =
                CaptureModals(&ClickButton, button, dir, prefix + L"dialog-" + b.name, next, b.ok);
            if (!seen.empty()) {
                seen[0].changesKnown = true;
                seen[0].changes =
                    DescribeChanges(before, TakeState(core, map, iniPath, session.dataFile));
            }
            if (seen.empty()) {
                d.note = L"no window opened (the button does nothing yet)";
                session.dialogs.push_back(d);
            }
            for (DialogShot& s : seen) {
                s.what = d.what;
                session.dialogs.push_back(s);
            }
            Settle(sheet, shooting);
        }
    }

    // Templates of the plug-in that no page opens yet, as laid out.
    for (const TemplatePreview& p : kTemplatePreviews) {
        if (core.Kind() != SheetKind::Document) break;  // they belong to the document pages
        HMODULE module = core.PluginModule();
        if (module == nullptr ||
            FindResourceW(module, MAKEINTRESOURCEW(p.templateId), RT_DIALOG) == nullptr) {
            continue;
        }
        HWND window = CreateDialogParamW(module, MAKEINTRESOURCEW(p.templateId), sheet,
                                         &PreviewProc, reinterpret_cast<LPARAM>(module));
        if (window == nullptr) continue;
        SetWindowPos(window, HWND_TOP, 48, 48, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        Settle(window, shooting);
        DialogShot d;
        d.what = L"template " + std::to_wstring(p.templateId) + L" (preview: no page opens it yet)";
        d.caption = WindowText(window);
        if (d.caption.empty()) d.caption = L"(untitled window)";
        d.file = Shoot(window, dir, prefix + L"preview-" + p.name);
        DestroyWindow(window);
        session.dialogs.push_back(d);
        Settle(sheet, shooting);
    }

    // Scripted changes on the stand-in's page (the last one), as a user's double-clicks.
    if (!options.steps.empty() && count > 0) {
        PropSheet_SetCurSel(sheet, nullptr, count - 1);
        Settle(sheet, shooting);
        const HWND page = PropSheet_GetCurrentPageHwnd(sheet);
        const HWND list = page != nullptr ? GetDlgItem(page, kStandInListId) : nullptr;
        auto rowText = [list](LRESULT row) {
            const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
            std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(row),
                         reinterpret_cast<LPARAM>(text.data()));
            text.resize(wcslen(text.c_str()));
            return text;
        };
        for (const std::wstring& name : options.steps) {
            StepResult step;
            step.item = name;
            const LRESULT rows = list != nullptr ? SendMessageW(list, LB_GETCOUNT, 0, 0) : 0;
            for (LRESULT row = 0; row < rows; ++row) {
                const std::wstring text = rowText(row);
                const size_t tabAt = text.find(L'\t');
                if (_wcsicmp(text.substr(0, tabAt).c_str(), name.c_str()) != 0) continue;
                step.found = true;
                step.before = tabAt == std::wstring::npos ? L"" : text.substr(tabAt + 1);
                SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
                SendMessageW(page, WM_COMMAND, MAKEWPARAM(kStandInListId, LBN_DBLCLK),
                             reinterpret_cast<LPARAM>(list));
                const std::wstring after = rowText(row);
                const size_t afterTab = after.find(L'\t');
                step.after = afterTab == std::wstring::npos ? L"" : after.substr(afterTab + 1);
                break;
            }
            session.steps.push_back(step);
        }
        Pump(100);
    }

    if (options.apply) {
        PropSheet_Apply(sheet);
        session.applied = true;
        Pump(100);
    }
}

}  // namespace host::demo
