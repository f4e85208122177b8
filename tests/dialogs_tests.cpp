// The dialog support routines on real windows: control ranges, message boxes and the
// once-only warnings, the numeric edit filter, bitmap drawing (read back from the screen), the
// property-sheet helpers, the printer-data probe and the help-id table.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <cstdio>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "plugin/object.h"
#include "resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/dlgtemplate.h"
#include "tests/support/referenceblit.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "ui/common/dialogs.h"
#include "ui/common/helpids.h"
#include "ui/common/linkcontrol.h"

using namespace oemui;

namespace {

// Resources of these tests (tests/standins/dlgres): warning templates 300-302, icon 7000,
// strings 100/101, bitmaps 501 (24-bit), 502 (8-bit + palette), 503 (magenta key), 504 (cut).
HMODULE TestResources() {
    static HMODULE module = LoadLibraryW(L"dlgtestres.dll");
    return module;
}

// Uses the test resources as the plug-in's own module for one test.
class UseTestResources {
public:
    UseTestResources() : old_(ModuleHandle) { ModuleHandle = TestResources(); }
    ~UseTestResources() { ModuleHandle = old_; }

private:
    HMODULE old_;
};

using testenv::TemplateBuilder;

// A modeless dialog made from a template; destroyed with the object.
class Dialog {
public:
    Dialog(const TemplateBuilder& t, DLGPROC proc = &Dialog::Proc)
        : hwnd_(CreateDialogIndirectParamW(GetModuleHandleW(nullptr), t.get(), nullptr, proc, 0)) {}
    ~Dialog() {
        if (IsWindow(hwnd_)) DestroyWindow(hwnd_);
    }
    HWND get() const { return hwnd_; }
    HWND item(int id) const { return GetDlgItem(hwnd_, id); }
    static INT_PTR CALLBACK Proc(HWND, UINT message, WPARAM, LPARAM) {
        return message == WM_INITDIALOG;
    }

private:
    HWND hwnd_;
};

void Pump() {
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
}

using testenv::TempIni;

}  // namespace

// ---------------------------------------------------------------------------------------------
// Control ranges

TEST(ControlRanges, EnableRestrictShowDestroy) {
    TemplateBuilder t(200, 100);
    for (int id = 1530; id <= 1535; ++id) {
        t.Control(0x80, id, 5, static_cast<short>(5 + (id - 1530) * 14), 60, 12, BS_PUSHBUTTON);
    }
    Dialog d(t);
    ASSERT_NE(d.get(), nullptr);
    auto enabled = [&](int id) { return IsWindowEnabled(d.item(id)) != FALSE; };
    auto visible = [&](int id) { return IsWindowVisible(d.item(id)) != FALSE; };

    EnableControlRange(d.get(), 1530, 1534, FALSE);
    for (int id = 1530; id <= 1534; ++id) EXPECT_FALSE(enabled(id)) << id;
    EXPECT_TRUE(enabled(1535));
    EnableControlRange(d.get(), 1534, 1530, TRUE);  // reversed range: nothing
    EXPECT_FALSE(enabled(1530));
    EnableControlRange(d.get(), 1530, 1534, TRUE);
    for (int id = 1530; id <= 1534; ++id) EXPECT_TRUE(enabled(id)) << id;

    // Restricting can only switch off.
    EnableWindow(d.item(1531), FALSE);
    RestrictControlRange(d.get(), 1530, 1534, TRUE);
    EXPECT_TRUE(enabled(1530));
    EXPECT_FALSE(enabled(1531));
    EXPECT_TRUE(enabled(1532));
    RestrictControlRange(d.get(), 1530, 1532, FALSE);
    EXPECT_FALSE(enabled(1530));
    EXPECT_FALSE(enabled(1532));
    EXPECT_TRUE(enabled(1533));

    ShowControlRange(d.get(), 1533, 1534, FALSE);
    EXPECT_FALSE(visible(1533) || enabled(1533) || visible(1534) || enabled(1534));
    ShowControlRange(d.get(), 1530, 1534, TRUE);
    for (int id = 1530; id <= 1534; ++id) EXPECT_TRUE(visible(id) && enabled(id)) << id;

    DestroyControlRange(d.get(), 1530, 1534);
    for (int id = 1530; id <= 1534; ++id) EXPECT_EQ(d.item(id), nullptr) << id;
    DestroyControlRange(d.get(), 1530, 1534);  // nothing left to destroy
    EXPECT_NE(d.item(1535), nullptr);
    EXPECT_TRUE(IsWindow(d.get()));
}

// ---------------------------------------------------------------------------------------------
// Control look-up

TEST(ControlLookup, AnswersAsGetDlgItemWhileControlsComeAndGo) {
    TemplateBuilder t(200, 100);
    for (int id = 1540; id <= 1543; ++id) {
        t.Control(0x80, id, 5, static_cast<short>(5 + (id - 1540) * 14), 60, 12, BS_PUSHBUTTON);
    }
    auto first = std::make_unique<Dialog>(t);
    Dialog second(t);
    auto agrees = [](HWND dialog, const char* when) {
        for (int id = 1539; id <= 1544; ++id) {
            EXPECT_EQ(FindControl(dialog, id), GetDlgItem(dialog, id)) << when << ", id " << id;
        }
    };
    agrees(first->get(), "first look-up");
    agrees(second.get(), "same ids in another dialog");
    agrees(first->get(), "found before");

    DestroyWindow(first->item(1541));
    agrees(first->get(), "control destroyed");
    HWND again = CreateWindowExW(0, L"BUTTON", L"again", WS_CHILD, 0, 0, 10, 10, first->get(),
                                 reinterpret_cast<HMENU>(1541), nullptr, nullptr);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(FindControl(first->get(), 1541), again);

    // A control moved to the other dialog, and one given another id.
    HWND moved = first->item(1542);
    DestroyWindow(second.item(1542));
    SetParent(moved, second.get());
    SetWindowLongPtrW(first->item(1543), GWLP_ID, 1544);
    agrees(first->get(), "control moved and renumbered");
    agrees(second.get(), "control moved in");
    EXPECT_EQ(FindControl(second.get(), 1542), moved);
    EXPECT_EQ(FindControl(first->get(), 1543), nullptr);
    EXPECT_EQ(FindControl(first->get(), 1544), first->item(1544));

    // A dialog made after another is gone (its handle may be the old one's): nothing stale.
    first.reset();
    Dialog third(t);
    agrees(third.get(), "new dialog");
    EXPECT_EQ(FindControl(nullptr, 1540), nullptr);
}

// The radio helper leaves every button as CheckRadioButton leaves it: the tick and the tab stop
// (BM_SETCHECK gives a radio button the tab stop when ticked and takes it away otherwise).
TEST(ControlLookup, RadioChoiceLeavesButtonsAsCheckRadioButtonDoes) {
    struct Start {
        DWORD type;        // of the three buttons 1550-1552
        WPARAM ticks[3];   // their states before
        bool tabStops[3];  // their WS_TABSTOP before
    };
    const Start starts[] = {
        {BS_AUTORADIOBUTTON, {0, 0, 0}, {true, false, false}},
        {BS_AUTORADIOBUTTON, {0, 1, 0}, {false, true, false}},
        {BS_AUTORADIOBUTTON, {1, 0, 0}, {false, false, true}},
        {BS_RADIOBUTTON, {0, 0, 1}, {true, true, true}},
        {BS_RADIOBUTTON, {1, 1, 0}, {false, false, false}},
        {BS_AUTOCHECKBOX, {1, 0, 1}, {true, false, false}},
    };
    int row = 0;
    for (const Start& start : starts) {
        for (int chosen : {1550, 1551, 1552, 1553}) {
            TemplateBuilder t(200, 100);
            for (int k = 0; k < 3; ++k) {
                t.Control(0x80, 1550 + k, 5, static_cast<short>(5 + k * 14), 60, 12,
                          start.type | (start.tabStops[k] ? WS_TABSTOP : 0));
            }
            Dialog ours(t);
            Dialog system(t);
            for (const Dialog* d : {&ours, &system}) {
                for (int k = 0; k < 3; ++k) {
                    HWND button = d->item(1550 + k);
                    // Set the tick without the message's own tab-stop change.
                    SendMessageW(button, BM_SETCHECK, start.ticks[k], 0);
                    LONG_PTR style = GetWindowLongPtrW(button, GWL_STYLE) & ~WS_TABSTOP;
                    if (start.tabStops[k]) style |= WS_TABSTOP;
                    SetWindowLongPtrW(button, GWL_STYLE, style);
                }
            }
            SetRadioChoice(ours.get(), 1550, 1552, chosen);
            CheckRadioButton(system.get(), 1550, 1552, chosen);
            for (int id = 1550; id <= 1552; ++id) {
                EXPECT_EQ(SendMessageW(ours.item(id), BM_GETCHECK, 0, 0),
                          SendMessageW(system.item(id), BM_GETCHECK, 0, 0))
                    << "start " << row << ", chosen " << chosen << ", button " << id;
                EXPECT_EQ(GetWindowLongPtrW(ours.item(id), GWL_STYLE) & WS_TABSTOP,
                          GetWindowLongPtrW(system.item(id), GWL_STYLE) & WS_TABSTOP)
                    << "start " << row << ", chosen " << chosen << ", button " << id;
            }
        }
        ++row;
    }
}

// ---------------------------------------------------------------------------------------------
// Message boxes and warnings

TEST(MessageBoxById, TextFromStringTableAndDefaultCaption) {
    UseTestResources resources;
    ASSERT_NE(ModuleHandle, nullptr);
    testenv::ModalWatcher watcher;
    MessageBoxW(nullptr, L"probe", nullptr, MB_OK);  // what the system calls an uncaptioned box
    EXPECT_EQ(MessageBoxById(nullptr, 100, 0, MB_OK | MB_ICONHAND), IDOK);
    EXPECT_EQ(MessageBoxById(nullptr, 100, 101, 0x10000 | MB_OK | MB_ICONEXCLAMATION), IDOK);
    ASSERT_EQ(watcher.seen.size(), 3u);
    EXPECT_FALSE(watcher.seen[0].caption.empty());
    EXPECT_EQ(watcher.seen[1].caption, watcher.seen[0].caption);
    EXPECT_EQ(watcher.seen[1].text, L"Something needs attention.");
    EXPECT_EQ(watcher.seen[2].caption, L"Test Caption");
}

TEST(ShowWarningOnce, RemembersUntickedOrCancelledWarnings) {
    UseTestResources resources;
    // A flag an earlier version saved in the driver INI file, and the sheet's user data file.
    TempIni ini("[DisplayAllert]\r\nAllertFlag2=1\r\n");
    TempIni data;
    const std::string oldIni = testenv::ReadFileBytes(ini.path);
    DriverItemMap map = {};
    wcsncpy(map.IniPath, ini.path.c_str(), std::size(map.IniPath) - 1);
    wcscpy_s(map.UserDataFile, data.path.c_str());

    // Kinds outside 0..2 show and write nothing; kind 2 stays away as the INI file says.
    {
        testenv::ModalWatcher watcher;
        ShowWarningOnce(nullptr, &map, 3);
        ShowWarningOnce(nullptr, &map, -1);
        ShowWarningOnce(nullptr, &map, 2);
        EXPECT_TRUE(watcher.seen.empty());
        EXPECT_EQ(GetFileAttributesW(data.path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // OK with the box ticked (as it starts): nothing written, shown again next time.
    {
        bool ticked = false;
        bool hasIcon = false;
        testenv::ModalWatcher watcher([&](HWND dialog) {
            ticked = IsDlgButtonChecked(dialog, IDC_WARNING_SHOW_AGAIN) == BST_CHECKED;
            hasIcon = SendDlgItemMessageW(dialog, IDC_WARNING_ICON, STM_GETICON, 0, 0) != 0;
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ShowWarningOnce(nullptr, &map, 0);
        ShowWarningOnce(nullptr, &map, 0);
        ASSERT_EQ(watcher.seen.size(), 2u);
        EXPECT_EQ(watcher.seen[0].caption, L"Warning 0");
        EXPECT_TRUE(ticked);
        EXPECT_TRUE(hasIcon);
        EXPECT_EQ(GetFileAttributesW(data.path.c_str()), INVALID_FILE_ATTRIBUTES);
    }
    // Esc counts as unticked: "1" is saved to the data file (with the flag the INI file held)
    // and the warning stays away; the INI file is not written.
    {
        testenv::ModalWatcher watcher(
            [](HWND dialog) { PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0); });
        ShowWarningOnce(nullptr, &map, 1);
        ShowWarningOnce(nullptr, &map, 1);
        ASSERT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(watcher.seen[0].caption, L"Warning 1");
        EXPECT_EQ(data.Read(L"AllertFlag1"), L"1");
        EXPECT_EQ(data.Read(L"AllertFlag2"), L"1");
        EXPECT_EQ(testenv::ReadFileBytes(ini.path), oldIni);
    }
    // A data file that cannot be written: the warning is followed by a message saying so, and
    // the flags saved before stay.
    {
        const std::string before = testenv::ReadFileBytes(data.path);
        ASSERT_TRUE(SetFileAttributesW(data.path.c_str(), FILE_ATTRIBUTE_READONLY));
        testenv::ModalWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, IDC_WARNING_SHOW_AGAIN, BM_CLICK, 0, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ShowWarningOnce(nullptr, &map, 0);
        SetFileAttributesW(data.path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ASSERT_EQ(watcher.seen.size(), 2u) << "the warning, then the failure";
        EXPECT_EQ(watcher.seen[0].caption, L"Warning 0");
        EXPECT_EQ(testenv::ReadFileBytes(data.path), before);
    }
    // OK after unticking the box also saves "1".
    {
        testenv::ModalWatcher watcher([](HWND dialog) {
            SendDlgItemMessageW(dialog, IDC_WARNING_SHOW_AGAIN, BM_CLICK, 0, 0);
            PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        });
        ShowWarningOnce(nullptr, &map, 0);
        EXPECT_EQ(watcher.seen.size(), 1u);
        EXPECT_EQ(data.Read(L"AllertFlag0"), L"1");
    }
    EXPECT_EQ(testenv::ReadFileBytes(ini.path), oldIni) << "the driver INI file is never written";
}

// ---------------------------------------------------------------------------------------------
// Numeric edits

TEST(NumericFilter, AcceptableCharacters) {
    struct Case {
        const wchar_t* text;
        int index;
        BOOL allowSign;
        int expected;
    };
    const Case cases[] = {
        {L"", 0, FALSE, 1},    {L"0", 0, FALSE, 1},  {L"05", 0, FALSE, 0}, {L"50", 1, FALSE, 1},
        {L"7", 0, FALSE, 1},   {L"19", 1, FALSE, 1}, {L"-5", 0, TRUE, 1},  {L"+5", 0, TRUE, 1},
        {L"-", 0, TRUE, 1},    {L"-5", 0, FALSE, 0}, {L"--", 0, TRUE, 0},  {L"-+", 0, TRUE, 0},
        {L"5-", 1, TRUE, 0},   {L"x", 0, FALSE, 0},  {L"1 ", 1, FALSE, 0}, {L"12", 2, FALSE, 0},
        {L"12", -1, FALSE, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(IsAcceptableNumberChar(c.text, c.index, c.allowSign), c.expected)
            << "\"" << testenv::Narrow(c.text) << "\" at " << c.index;
    }
    EXPECT_EQ(IsAcceptableNumberChar(nullptr, 0, FALSE), 1);
}

namespace {
wchar_t g_saved[12];
INT_PTR CALLBACK NumberDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) return TRUE;
    if (message == WM_COMMAND && LOWORD(wParam) == 100) {
        FilterNumericEdit(dialog, HIWORD(wParam), 100, 7, 1, 500, g_saved, 12, FALSE);
        return TRUE;
    }
    return FALSE;
}
}  // namespace

TEST(NumericFilter, EditWithRangeOneToFiveHundred) {
    TemplateBuilder t(120, 40);
    t.Control(0x81, 100, 5, 5, 60, 12, ES_AUTOHSCROLL | WS_BORDER | WS_TABSTOP);
    Dialog d(t, NumberDialogProc);
    HWND edit = d.item(100);
    ASSERT_NE(edit, nullptr);
    auto text = [&] {
        wchar_t buffer[32] = {};
        GetWindowTextW(edit, buffer, 32);
        return std::wstring(buffer);
    };
    auto type = [&](wchar_t c) { SendMessageW(edit, WM_CHAR, c, 1); };

    type(L'0');
    EXPECT_EQ(text(), L"1") << "a lone 0 is accepted, then raised to the minimum";

    SetWindowTextW(edit, L"12");
    SendMessageW(edit, EM_SETSEL, 2, 2);
    type(L'x');
    EXPECT_EQ(text(), L"12");
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 2u);
    EXPECT_EQ(end, 2u);

    SendMessageW(edit, EM_SETSEL, 2, 2);
    type(L'9');
    EXPECT_EQ(text(), L"129");
    SendMessageW(edit, EM_SETSEL, 3, 3);
    type(L'9');
    EXPECT_EQ(text(), L"500") << "above the maximum";

    SendMessageW(edit, EM_SETSEL, 0, 0);
    type(L'0');
    EXPECT_EQ(text(), L"500") << "a leading zero is refused";

    SetWindowTextW(edit, L"");
    SendMessageW(d.get(), WM_COMMAND, MAKEWPARAM(100, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(edit));
    EXPECT_EQ(text(), L"7") << "an empty edit takes the default when left";
    EXPECT_EQ(std::wstring(g_saved), L"7");
}

// ---------------------------------------------------------------------------------------------
// Drawing

namespace {

constexpr COLORREF kBackground = RGB(0, 128, 128);
constexpr COLORREF kRed = RGB(220, 20, 30), kBlue = RGB(20, 40, 200);
constexpr COLORREF kGreen = RGB(10, 170, 40), kPurple = RGB(150, 60, 170);
constexpr COLORREF kOrange = RGB(250, 140, 0);

// A visible dialog with two placeholder statics, its client area painted kBackground.
struct Canvas {
    TemplateBuilder t{160, 100};
    Dialog dialog{[this]() -> TemplateBuilder& {
        t.Control(0x82, 200, 10, 10, 30, 30, SS_LEFT);
        t.Control(0x82, 201, 80, 10, 30, 30, SS_LEFT);
        return t;
    }()};
    POINT at200{}, at201{};

    Canvas() {
        SetWindowPos(dialog.get(), HWND_TOPMOST, 40, 40, 0, 0, SWP_NOSIZE | SWP_SHOWWINDOW);
        ShowWindow(dialog.item(200), SW_HIDE);  // drawing goes onto the dialog itself
        ShowWindow(dialog.item(201), SW_HIDE);
        UpdateWindow(dialog.get());
        Pump();
        Clear();
        // The test bitmaps are 16 x 12 pixels, drawn centred in their controls: 200 holds
        // the framed pictures (the frame's corner is at200), 201 the transparent ones.
        at200 = Centred(200, 16 + 4, 12 + 4);
        at201 = Centred(201, 16, 12);
    }
    POINT Centred(int id, int width, int height) {
        RECT r;
        GetWindowRect(dialog.item(id), &r);
        const POINT origin = Origin(id);
        return {origin.x + (r.right - r.left - width) / 2,
                origin.y + (r.bottom - r.top - height) / 2};
    }
    void Clear() {
        HDC dc = GetDC(dialog.get());
        RECT rect;
        GetClientRect(dialog.get(), &rect);
        HBRUSH brush = CreateSolidBrush(kBackground);
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
        ReleaseDC(dialog.get(), dc);
    }
    POINT Origin(int id) {
        RECT r;
        GetWindowRect(dialog.item(id), &r);
        POINT p{r.left, r.top};
        ScreenToClient(dialog.get(), &p);
        return p;
    }
    COLORREF Pixel(int x, int y) {
        HDC dc = GetDC(dialog.get());
        const COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(dialog.get(), dc);
        return c;
    }
};

}  // namespace

TEST(Drawing, DibResourceFramedWithAndWithoutPalette) {
    Canvas c;
    const int x = c.at200.x, y = c.at200.y;
    ASSERT_EQ(c.Pixel(x + 3, y + 3), kBackground);

    // 24 bits, no colour table: left half red, right half blue, drawn 2 pixels in.
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 501, 200);
    EXPECT_EQ(c.Pixel(x + 2, y + 2), kRed);
    EXPECT_EQ(c.Pixel(x + 2 + 7, y + 2 + 11), kRed);
    EXPECT_EQ(c.Pixel(x + 2 + 8, y + 2), kBlue);
    EXPECT_EQ(c.Pixel(x + 2 + 15, y + 2 + 11), kBlue);
    EXPECT_EQ(c.Pixel(x + 2 + 16, y + 2 + 5), kBackground) << "16 pixels wide";
    // The sunken frame around it (w = 16, h = 12, b = y + 14).
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF;
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT) & 0xFFFFFF;
    EXPECT_EQ(c.Pixel(x, y + 5), shadow);
    EXPECT_EQ(c.Pixel(x + 8, y), shadow);
    EXPECT_EQ(c.Pixel(x + 1, y + 5), RGB(0, 0, 0));
    EXPECT_EQ(c.Pixel(x + 8, y + 1), RGB(0, 0, 0));
    EXPECT_EQ(c.Pixel(x + 19, y + 5), highlight);
    EXPECT_EQ(c.Pixel(x + 8, y + 15), highlight);

    // 8 bits with a palette: top half green, bottom half purple.
    c.Clear();
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 502, 200);
    EXPECT_EQ(c.Pixel(x + 3, y + 3), kGreen);
    EXPECT_EQ(c.Pixel(x + 3, y + 2 + 11), kPurple);

    // A resource whose pixel data is cut short, or no resource: nothing is drawn.
    c.Clear();
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 504, 200);
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 599, 200);
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 501, 999);
    EXPECT_EQ(c.Pixel(x + 3, y + 3), kBackground);
    EXPECT_EQ(c.Pixel(x, y + 5), kBackground);
}

// The masked picture, built from the bitmap's pixels, paints exactly what memory DCs and raster
// operations paint, over a striped background, for bitmaps of every depth the pages use.
TEST(Drawing, MaskedPicturePaintsWhatRasterOperationsPaint) {
    struct Case {
        HMODULE module;
        int bitmapId;
    };
    const Case cases[] = {
        {TestResources(), 501},
        {TestResources(), 502},
        {TestResources(), 503},
        {testenv::PluginModule(), IDB_LINK},
        {testenv::PluginModule(), IDB_COLORMODE_AUTOMATIC},
        {testenv::PluginModule(), IDB_COLORMODE_GREYSCALE},
    };
    Canvas c;
    HWND window = c.dialog.get();
    for (const Case& k : cases) {
        SCOPED_TRACE(k.bitmapId);
        HDC dc = GetDC(window);
        oemui::MaskedPicture picture;
        ASSERT_TRUE(BuildMaskedPicture(dc, k.module, k.bitmapId, 1024, picture));
        ASSERT_LE(picture.height * 2 + 12, 150);
        const POINT ours = {4, 4};
        const POINT reference = {4, 8 + picture.height};
        // Stripes of three colours under both places, row by row alike.
        for (int y = 0; y < picture.height; ++y) {
            const COLORREF colours[] = {RGB(10, 200, 30), RGB(250, 250, 250), RGB(90, 20, 160)};
            HBRUSH brush = CreateSolidBrush(colours[y % 3]);
            const RECT a = {ours.x, ours.y + y, ours.x + picture.width, ours.y + y + 1};
            const RECT b = {reference.x, reference.y + y, reference.x + picture.width,
                            reference.y + y + 1};
            FillRect(dc, &a, brush);
            FillRect(dc, &b, brush);
            DeleteObject(brush);
        }
        DrawMaskedPicture(dc, ours, picture);
        ASSERT_TRUE(testenv::ReferenceTransparentBlit(dc, reference, k.module, k.bitmapId));
        int differing = 0;
        int keyed = 0;
        for (int y = 0; y < picture.height; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                const COLORREF mine = GetPixel(dc, ours.x + x, ours.y + y);
                if (mine != GetPixel(dc, reference.x + x, reference.y + y)) ++differing;
                if (mine == RGB(255, 0, 255)) ++keyed;
            }
        }
        ReleaseDC(window, dc);
        EXPECT_EQ(differing, 0);
        EXPECT_EQ(keyed, 0) << "the key colour shows";
    }
    // Too large for the caller's limit, or no such bitmap: nothing is built.
    HDC dc = GetDC(window);
    oemui::MaskedPicture picture;
    EXPECT_FALSE(BuildMaskedPicture(dc, testenv::PluginModule(), IDB_LINK, 64, picture));
    EXPECT_FALSE(BuildMaskedPicture(dc, TestResources(), 599, 1024, picture));
    EXPECT_FALSE(picture.picture);
    ReleaseDC(window, dc);
}

TEST(Drawing, TransparentBitmapKeepsTheBackgroundUnderMagenta) {
    Canvas c;
    const int x = c.at201.x, y = c.at201.y;
    EXPECT_EQ(DrawTransparentBitmap(c.dialog.get(), TestResources(), 201, 503), 1);
    EXPECT_EQ(c.Pixel(x, y), kBackground);
    EXPECT_EQ(c.Pixel(x + 2, y + 6), kBackground);
    EXPECT_EQ(c.Pixel(x + 15, y + 11), kBackground);
    EXPECT_EQ(c.Pixel(x + 4, y + 4), kOrange);
    EXPECT_EQ(c.Pixel(x + 11, y + 7), kOrange);
    EXPECT_EQ(DrawTransparentBitmap(c.dialog.get(), TestResources(), 201, 599), 1);
}

TEST(Drawing, RepeatedDrawingReleasesEveryGdiObject) {
    // Wine's GDI handle table has a fixed number of entries (65,536). Filling it up to a small
    // margin first means a routine that leaks even one object per call runs it out within the
    // margin, long before the loop ends, without drawing 65,536 times.
    std::vector<HGDIOBJ> filler;
    for (int i = 0; i < 300000; ++i) {
        HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
        if (pen == nullptr) break;
        filler.push_back(pen);
    }
    ASSERT_GT(filler.size(), 10000u) << "the handle table should hold many objects";
    ASSERT_LT(filler.size(), 300000u) << "the handle table should be bounded";
    constexpr size_t kMargin = 2000;
    for (size_t i = 0; i < kMargin; ++i) {
        DeleteObject(filler.back());
        filler.pop_back();
    }

    constexpr int kRounds = 3 * static_cast<int>(kMargin);
    Canvas c;
    // Hidden, the window costs no screen updates; the routines do the same work.
    ShowWindow(c.dialog.get(), SW_HIDE);
    for (int i = 0; i < kRounds; ++i) {
        DrawDibResourceFramed(c.dialog.get(), TestResources(), 502, 200);
        DrawTransparentBitmap(c.dialog.get(), TestResources(), 201, 503);
    }
    // Still room for many new objects: nothing was left behind. (One would not do: releasing
    // a window DC at the end of a drawing can free a slot even when the table ran full.)
    std::vector<HGDIOBJ> probes;
    for (int i = 0; i < 500; ++i) {
        HGDIOBJ brush = CreateSolidBrush(RGB(1, 2, 3));
        if (brush == nullptr) break;
        probes.push_back(brush);
    }
    EXPECT_EQ(probes.size(), 500u);
    for (HGDIOBJ brush : probes) DeleteObject(brush);
    for (HGDIOBJ pen : filler) DeleteObject(pen);
    filler.clear();

    ShowWindow(c.dialog.get(), SW_SHOW);
    UpdateWindow(c.dialog.get());
    Pump();
    c.Clear();
    DrawDibResourceFramed(c.dialog.get(), TestResources(), 502, 200);
    DrawTransparentBitmap(c.dialog.get(), TestResources(), 201, 503);
    EXPECT_EQ(c.Pixel(c.at200.x + 3, c.at200.y + 3), kGreen);
    EXPECT_EQ(c.Pixel(c.at201.x + 4, c.at201.y + 4), kOrange);
}

// ---------------------------------------------------------------------------------------------
// Property sheet helpers

namespace {

int g_activations[4];
HWND g_pages[4];

INT_PTR CALLBACK CountingPageProc(HWND page, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        const int index = static_cast<int>(reinterpret_cast<PROPSHEETPAGEW*>(lParam)->lParam);
        SetWindowLongPtrW(page, DWLP_USER, index);
        g_pages[index] = page;
        return TRUE;
    }
    if (message == WM_NOTIFY && reinterpret_cast<NMHDR*>(lParam)->code == PSN_SETACTIVE) {
        ++g_activations[GetWindowLongPtrW(page, DWLP_USER)];
        SetWindowLongPtrW(page, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

// A modeless four-page property sheet showing page 1.
struct Sheet {
    TemplateBuilder t{200, 120, WS_CHILD | DS_SETFONT};
    HWND hwnd = nullptr;
    Sheet() {
        for (auto& n : g_activations) n = 0;
        for (auto& p : g_pages) p = nullptr;
        PROPSHEETPAGEW pages[4] = {};
        HPROPSHEETPAGE handles[4] = {};
        for (int i = 0; i < 4; ++i) {
            pages[i].dwSize = sizeof(PROPSHEETPAGEW);
            pages[i].dwFlags = PSP_DLGINDIRECT;
            pages[i].pResource = t.get();
            pages[i].pfnDlgProc = CountingPageProc;
            pages[i].lParam = i;
            handles[i] = CreatePropertySheetPageW(&pages[i]);
        }
        PROPSHEETHEADERW header = {};
        header.dwSize = sizeof(header);
        header.dwFlags = PSH_MODELESS;
        header.pszCaption = L"Sheet";
        header.nPages = 4;
        header.nStartPage = 1;
        header.phpage = handles;
        hwnd = reinterpret_cast<HWND>(PropertySheetW(&header));
        Pump();
    }
    ~Sheet() {
        if (IsWindow(hwnd)) DestroyWindow(hwnd);
        Pump();
    }
    int CurrentIndex() const {
        HWND page = reinterpret_cast<HWND>(SendMessageW(hwnd, PSM_GETCURRENTPAGEHWND, 0, 0));
        return static_cast<int>(
            SendMessageW(hwnd, PSM_HWNDTOINDEX, reinterpret_cast<WPARAM>(page), 0));
    }
};

}  // namespace

TEST(SheetHelpers, VisitDriverPageOnceActsAtMostOnce) {
    Sheet sheet;
    ASSERT_NE(sheet.hwnd, nullptr);
    ASSERT_NE(g_pages[1], nullptr);
    ASSERT_EQ(sheet.CurrentIndex(), 1);

    // Printer data writable, or no plug-in page initialised yet: nothing happens.
    auto map = std::make_unique<DriverItemMap>();
    SheetFlags = kSheetFlagPluginPageSeen;
    map->PrinterDataWritable = 1;
    VisitDriverPageOnce(g_pages[1], *map);
    map->PrinterDataWritable = 0;
    SheetFlags = 0;
    VisitDriverPageOnce(g_pages[1], *map);
    EXPECT_EQ(g_activations[2], 0);
    EXPECT_EQ(SheetFlags, 0u);

    SheetFlags = kSheetFlagPluginPageSeen;
    VisitDriverPageOnce(g_pages[1], *map);
    EXPECT_EQ(g_activations[2], 1);
    EXPECT_EQ(sheet.CurrentIndex(), 1) << "back on the page that was showing";
    EXPECT_EQ(SheetFlags, kSheetFlagPluginPageSeen | kSheetFlagDriverPageSeen);
    VisitDriverPageOnce(g_pages[1], *map);
    EXPECT_EQ(g_activations[2], 1);
    SheetFlags = 0;
}

TEST(SheetHelpers, MarkPageChangedEnablesApply) {
    Sheet sheet;
    HWND apply = GetDlgItem(sheet.hwnd, 0x3021);
    ASSERT_NE(apply, nullptr);
    EXPECT_FALSE(IsWindowEnabled(apply));
    MarkPageChanged(g_pages[1]);
    EXPECT_TRUE(IsWindowEnabled(apply));
}

TEST(SheetHelpers, CanWritePrinterDataLeavesTheProbeValue) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(testenv::kColorPrinter), &printer, &defaults));
    const DWORD before = GetTickCount();
    EXPECT_EQ(CanWritePrinterData(printer), 1u);
    DWORD type = 0, value = 0, needed = 0;
    EXPECT_EQ(GetPrinterDataW(printer, const_cast<wchar_t*>(L"W_TEST"), &type,
                              reinterpret_cast<BYTE*>(&value), sizeof(value), &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_GE(value, before);
    ClosePrinter(printer);
    EXPECT_EQ(CanWritePrinterData(nullptr), 0u);
}

// ---------------------------------------------------------------------------------------------
// Link helpers

namespace {
std::vector<std::pair<WPARAM, LPARAM>> g_linkMessages;
LRESULT CALLBACK LinkRecorder(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kLinkMessage) g_linkMessages.emplace_back(wParam, lParam);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}
}  // namespace

TEST(LinkHelpers, FontCursorAndMessage) {
    TemplateBuilder t(120, 40);
    t.Control(0x82, 10001, 5, 5, 60, 12, SS_NOTIFY, L"link");
    Dialog d(t);
    LOGFONTW dialogFont = {};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(d.get(), WM_GETFONT, 0, 0)),
               sizeof(dialogFont), &dialogFont);
    for (bool underline : {true, false}) {
        const UniqueFont font = CreateLinkFont(d.item(10001), underline);
        ASSERT_NE(font.get(), nullptr);
        LOGFONTW made = {};
        GetObjectW(font.get(), sizeof(made), &made);
        EXPECT_EQ(made.lfHeight, dialogFont.lfHeight);
        EXPECT_EQ(made.lfUnderline, underline ? 1 : 0);
        EXPECT_EQ(made.lfWeight, FW_NORMAL);
        EXPECT_EQ(std::wstring(made.lfFaceName), std::wstring(dialogFont.lfFaceName));
    }
    EXPECT_EQ(LoadHandCursor(), LoadCursorW(nullptr, IDC_HAND));

    WNDCLASSW cls = {};
    cls.lpfnWndProc = LinkRecorder;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = L"LinkRecorder";
    RegisterClassW(&cls);
    HWND link = CreateWindowW(L"LinkRecorder", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                              cls.hInstance, nullptr);
    SendLinkMessage(link, 1, 0);
    DestroyWindow(link);
    ASSERT_EQ(g_linkMessages.size(), 1u);
    EXPECT_EQ(g_linkMessages[0], (std::pair<WPARAM, LPARAM>{1, 0}));
}

namespace {
std::vector<int> g_clicked;
INT_PTR CALLBACK ClickRecorder(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) g_clicked.push_back(LOWORD(wParam));
    return message == WM_INITDIALOG;
}
// A key pressed and released in the dialog, through the dialog manager as a message loop does.
void PressKey(HWND dialog, WPARAM key) {
    for (UINT message : {WM_KEYDOWN, WM_KEYUP}) {
        // Key-up messages carry the previous-state and transition bits (30 and 31).
        const LPARAM keyData = message == WM_KEYUP ? static_cast<LPARAM>(0xC0000001u) : 1;
        MSG msg = {GetFocus(), message, key, keyData, 0, {}};
        if (!IsDialogMessageW(dialog, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Pump();
    }
}
}  // namespace

TEST(LinkHelpers, KeyboardLinkOpensWithEnterAndSpaceNotTheDefaultButton) {
    TemplateBuilder t(120, 60);
    t.Control(0x80, IDOK, 5, 40, 50, 14, BS_DEFPUSHBUTTON | WS_TABSTOP, L"OK");
    t.Control(0x80, 10001, 5, 5, 60, 12, BS_OWNERDRAW | WS_TABSTOP, L"http://example.com/");
    t.Control(0x80, 10002, 70, 5, 40, 12, BS_OWNERDRAW | WS_TABSTOP, L"plain");
    Dialog d(t, &ClickRecorder);
    ShowWindow(d.get(), SW_SHOW);
    SetForegroundWindow(d.get());
    MakeKeyboardLink(d.item(10001));
    struct Case {
        int focus;
        WPARAM key;
        int clicked;
    };
    // 10002 is an owner-drawn button left as it is: Enter on it reaches the default button,
    // which is what the link must not do.
    const Case cases[] = {{10001, VK_RETURN, 10001},
                          {10001, VK_SPACE, 10001},
                          {10002, VK_RETURN, IDOK},
                          {10002, VK_SPACE, 10002}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.focus << " key " << c.key);
        SetFocus(d.item(c.focus));
        ASSERT_EQ(GetFocus(), d.item(c.focus));
        g_clicked.clear();
        PressKey(d.get(), c.key);
        EXPECT_EQ(g_clicked, std::vector<int>{c.clicked});
    }
    // Tab reaches the link from the button before it.
    SetFocus(d.item(IDOK));
    PressKey(d.get(), VK_TAB);
    EXPECT_EQ(GetFocus(), d.item(10001));
}

// ---------------------------------------------------------------------------------------------
// Help ids

TEST(HelpIds, TableContents) {
    EXPECT_EQ(kHelpIdPairCount, 332u);
    EXPECT_EQ(HelpIdTable[0].control, 1u);
    EXPECT_EQ(HelpIdTable[0].context, 3u);
    EXPECT_EQ(HelpIdTable[2].control, 10000u);
    EXPECT_EQ(HelpIdTable[331].control, 3183u);
    EXPECT_EQ(HelpIdTable[331].context, 2403u);
    EXPECT_EQ(HelpIdTable[332].control, 0u);
    EXPECT_EQ(HelpIdTable[332].context, 0u);
    EXPECT_EQ(HelpContextFor(1249), 1301u) << "first pair of a repeated id wins";
    EXPECT_EQ(HelpContextFor(1530), 810u);
    EXPECT_EQ(HelpContextFor(1506), 802u);
    EXPECT_EQ(HelpContextFor(4022), 2502u);
    EXPECT_EQ(HelpContextFor(9999), 0u);
    EXPECT_EQ(HelpIdTableArgument(), reinterpret_cast<ULONG_PTR>(&HelpIdTable[0]));
}
