// The watermark editor and its font dialog run modally from the plug-in DLL's own templates and
// strings on a real watermark list (INI file and the sample font list file), driven the way a
// user would: typing, scrolling, choosing, the colour chooser and the font dialog answered
// inside their own message loops. Checks every control's state, what reaches the Working
// record on OK and Cancel, the custom colours in the INI file, and the preview redrawing.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <commdlg.h>
#include <imm.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/watermark/editordialog.h"
#include "ui/watermark/fontdialog.h"
#include "ui/watermark/watermarks.h"
#include "wmeditor_ids.h"
#include "wmfont_ids.h"

using namespace oemui;

namespace {

using testenv::Choose;
using testenv::Click;
using testenv::PluginModule;

// Red, green and blue edits of the system colour chooser.
constexpr int kChooserRed = 706;
constexpr int kChooserGreen = 707;
constexpr int kChooserBlue = 708;

// The choice in progress of an open font dialog.
const FontDialogState& ChoiceOf(HWND fontDialog) {
    return *DialogStateOf<FontDialogState>(fontDialog);
}

std::wstring ItemText(HWND dialog, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(dialog, id, text, 256);
    return text;
}

// Replaces the edit's text by typing, one WM_CHAR per character.
void Retype(HWND dialog, int id, const wchar_t* chars) {
    HWND edit = GetDlgItem(dialog, id);
    SendMessageW(edit, EM_SETSEL, 0, -1);
    SendMessageW(edit, WM_CHAR, VK_BACK, 1);
    for (const wchar_t* c = chars; *c != L'\0'; ++c) SendMessageW(edit, WM_CHAR, *c, 1);
}

int Selection(HWND dialog, int id, bool combo = false) {
    return static_cast<int>(
        SendDlgItemMessageW(dialog, id, combo ? CB_GETCURSEL : LB_GETCURSEL, 0, 0));
}

std::wstring ListText(HWND dialog, int id, int index) {
    wchar_t text[256] = {};
    SendDlgItemMessageW(dialog, id, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text));
    return text;
}

void Scroll(HWND dialog, int barId, int code, int position = 0) {
    SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(position)),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, barId)));
}

int ScrollPosition(HWND dialog, int barId) {
    return GetScrollPos(GetDlgItem(dialog, barId), SB_CTL);
}

bool HasInputContext(HWND dialog, int id) {
    HWND window = GetDlgItem(dialog, id);
    HIMC context = ImmGetContext(window);
    if (context != nullptr) ImmReleaseContext(window, context);
    return context != nullptr;
}

// A hash of the pixels of the preview control, read from its own device context (the screen
// catches up with window drawing only later under Wine).
unsigned long long PreviewHash(HWND dialog) {
    HWND control = GetDlgItem(dialog, IDC_WMED_PREVIEW);
    RECT r = {};
    GetClientRect(control, &r);
    const int w = r.right;
    const int h = r.bottom;
    HDC source = GetDC(control);
    HDC memory = CreateCompatibleDC(source);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = w;
    info.bmiHeader.biHeight = -h;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, source, 0, 0, SRCCOPY);
    GdiFlush();
    unsigned long long hash = 1469598103934665603ull;
    const auto* p = static_cast<const unsigned char*>(bits);
    for (int i = 0; bits != nullptr && i < w * h * 4; ++i) hash = (hash ^ p[i]) * 1099511628211ull;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, source);
    return hash;
}

// Runs test steps inside a modal window's own message loop.
class StepRunner {
public:
    StepRunner() {
        WNDCLASSW cls = {};
        cls.lpfnWndProc = &StepRunner::Proc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"WmEditorStepRunner";
        RegisterClassW(&cls);
        window_ = CreateWindowW(cls.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                cls.hInstance, nullptr);
        SetWindowLongPtrW(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~StepRunner() { DestroyWindow(window_); }
    StepRunner(const StepRunner&) = delete;
    StepRunner& operator=(const StepRunner&) = delete;

    void Post(HWND dialog, std::function<void(HWND)> steps) {
        pending_.push_back(std::move(steps));
        PostMessageW(window_, WM_APP, reinterpret_cast<WPARAM>(dialog), pending_.size() - 1);
    }

private:
    static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_APP) {
            auto* self = reinterpret_cast<StepRunner*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
            auto steps = self->pending_[static_cast<size_t>(lParam)];
            if (steps) steps(reinterpret_cast<HWND>(wParam));
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    HWND window_ = nullptr;
    std::vector<std::function<void(HWND)>> pending_;
};

// One sheet's watermark list read from a temporary INI file, the sample font list file, and
// an A4 portrait document.
class WatermarkEditor : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PluginModule(), nullptr);
        oldModule_ = ModuleHandle;
        oldVista_ = IsVistaOrLater;
        ModuleHandle = PluginModule();
        IsVistaOrLater = false;
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        wchar_t file[MAX_PATH] = {};
        GetTempFileNameW(temp, L"wme", 0, file);
        ini_ = file;
        // The sheet's user data file: named, not there until the first save.
        GetTempFileNameW(temp, L"wmu", 0, file);
        DeleteFileW(file);
        data_ = file;
        GetTempFileNameW(temp, L"wmf", 0, file);
        font_ = file;
        ASSERT_TRUE(testenv::WriteFileBytes(font_, testenv::SampleFile(L"vrwmfont.ini")));

        public_.dmSize = sizeof(public_);
        public_.dmOrientation = DMORIENT_PORTRAIT;
        wcscpy_s(public_.dmFormName, L"A4");
        param_.cbSize = sizeof(param_);
        param_.pPublicDM = &public_;
        param_.pOEMDM = &record_;
        map_.SheetParam = &param_;
        wcsncpy(map_.IniPath, ini_.c_str(), std::size(map_.IniPath) - 1);
        wcscpy_s(map_.UserDataFile, data_.c_str());
    }
    void TearDown() override {
        FreeWatermarkList(map_.Watermarks);
        ModuleHandle = oldModule_;
        IsVistaOrLater = oldVista_;
        DeleteFileW(ini_.c_str());
        DeleteFileW(data_.c_str());
        DeleteFileW(font_.c_str());
    }

    // Writes the INI file and loads the list as the Watermarks dialog does, selecting entry
    // `selected` (0 = None, which is what "&New..." edits).
    void Load(const char* iniText, int selected) {
        ASSERT_TRUE(testenv::WriteFileBytes(ini_, iniText));
        ResetWatermarkList(map_.Watermarks, ini_.c_str(), data_.c_str());
        wcscpy_s(map_.Watermarks.FontFile, font_.c_str());
        record_.WatermarkIndex = selected;
        ASSERT_TRUE(LoadWatermarkList(nullptr, &record_, map_.Watermarks));
        ASSERT_EQ(map_.Watermarks.Selected, selected);
    }

    WatermarkRecord& Working() { return *map_.Watermarks.Working; }

    // Opens the editor; `steps` run inside it, `font` inside the font dialog and `other` in
    // any other dialog (the colour chooser) when they open. Returns the editor's result.
    INT_PTR Run(std::function<void(HWND)> steps, std::function<void(HWND)> font = nullptr,
                std::function<void(HWND)> other = nullptr) {
        StepRunner runner;
        testenv::ModalWatcher watcher([&](HWND window) {
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            const std::wstring c = caption;
            auto& chosen = c == L"Watermark" ? steps : c == L"Font" ? font : other;
            if (chosen) {
                runner.Post(window, chosen);
            } else {
                PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
            }
        });
        const INT_PTR result = ShowWatermarkEditor(nullptr, &map_);
        seen_ = watcher.seen;
        return result;
    }

    // A value of the user data file, where the dialogs save.
    std::wstring IniValue(const wchar_t* section, const wchar_t* key) {
        wchar_t value[128] = {};
        GetPrivateProfileStringW(section, key, L"<none>", value, 128, data_.c_str());
        return value;
    }

    std::wstring ini_;
    std::wstring data_;
    std::wstring font_;
    PrivateDevmode record_ = {};
    DEVMODEW public_ = {};
    OEMUIPSPARAM param_ = {};
    DriverItemMap map_ = {};
    std::vector<testenv::ModalWatcher::Seen> seen_;

private:
    HMODULE oldModule_ = nullptr;
    bool oldVista_ = false;
};

// Entry 1 of the list: red "Draft" in Helvetica Bold Italic, 100 points, -30 degrees, lower
// right, single frame, adjusted by (5, -7).
constexpr char kOneWatermark[] =
    "[Watermark]\r\nWTMK001=100,1,-30,5,-7,255,Draft,Helvetica,700,1,0,6,2,0,0,5\r\n";

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening, OK and Cancel

TEST_F(WatermarkEditor, NewStartsFromNoneWithEmptyTextAndOkWaitsForTheFirstCharacter) {
    Load(kOneWatermark, 0);
    bool okAtStart = true, okAfterTyping = false, okAfterErasing = true;
    std::wstring positions[7];
    const INT_PTR result = Run([&](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_WMED_TEXT), L"");
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"72");
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"45");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_SIZE_BAR), 72);
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_ANGLE_BAR), 45);
        EXPECT_EQ(ItemText(d, IDC_WMED_X), L"0");
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"0");
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_WMED_BORDER_NONE), BST_CHECKED);
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_POSITION, CB_GETCOUNT, 0, 0), 7);
        for (int i = 0; i < 7; ++i) {
            wchar_t text[64] = {};
            SendDlgItemMessageW(d, IDC_WMED_POSITION, CB_GETLBTEXT, i,
                                reinterpret_cast<LPARAM>(text));
            positions[i] = text;
        }
        EXPECT_EQ(Selection(d, IDC_WMED_POSITION, true), kPositionCenter);
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_TEXT, EM_GETLIMITTEXT, 0, 0), 128);
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_X, EM_GETLIMITTEXT, 0, 0), 5);
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_X_SPIN, UDM_GETRANGE32, 0, 0), 0);
        int low = 0, high = 0;
        SendDlgItemMessageW(d, IDC_WMED_Y_SPIN, UDM_GETRANGE32, reinterpret_cast<WPARAM>(&low),
                            reinterpret_cast<LPARAM>(&high));
        EXPECT_EQ(low, -1000);
        EXPECT_EQ(high, 1000);
        EXPECT_NE(GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
        okAtStart = IsWindowEnabled(GetDlgItem(d, IDOK));
        Retype(d, IDC_WMED_TEXT, L"A");
        okAfterTyping = IsWindowEnabled(GetDlgItem(d, IDOK));
        EXPECT_FALSE(HasInputContext(d, IDC_WMED_TEXT));
        Retype(d, IDC_WMED_TEXT, L"");
        okAfterErasing = IsWindowEnabled(GetDlgItem(d, IDOK));
        // Enter reaches OK while it is disabled: nothing without a text.
        SendMessageW(d, WM_COMMAND, IDOK, 0);
        EXPECT_TRUE(IsWindow(d));
        Retype(d, IDC_WMED_TEXT, L"Copy, not for release");
        Click(d, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(okAtStart);
    EXPECT_TRUE(okAfterTyping);
    EXPECT_FALSE(okAfterErasing);
    const wchar_t* expected[7] = {L"Upper Left", L"Upper Center", L"Upper Right", L"Center",
                                  L"Lower Left", L"Lower Center", L"Lower Right"};
    for (int i = 0; i < 7; ++i) EXPECT_EQ(positions[i], expected[i]);
    EXPECT_STREQ(Working().Text, L"Copy, not for release");
    EXPECT_EQ(Working().Size, 72);
    EXPECT_EQ(Working().Angle, 45);
    EXPECT_EQ(Working().Color, kDefaultWatermarkColor);
    // Default font entry 1 is Japanese-language: its PostScript name is field 3.
    EXPECT_EQ(Working().FontIndex, 0);
    EXPECT_STREQ(Working().FontName, L"HeiseiMin-W3-90ms-RKSJ-H");
    EXPECT_EQ(Working().StyleCode, 0);
    EXPECT_STREQ(map_.Watermarks.Records[0]->Text, L"None");  // the template stays as it was
}

TEST_F(WatermarkEditor, EditShowsTheRecordOkResolvesTheFontAndCancelEndsWithTwo) {
    Load(kOneWatermark, 1);
    const INT_PTR result = Run([](HWND d) {
        EXPECT_EQ(ItemText(d, IDC_WMED_TEXT), L"Draft");
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"100");
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"-30");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_ANGLE_BAR), -30);
        EXPECT_EQ(ItemText(d, IDC_WMED_X), L"5");
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"-7");
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_Y_SPIN, UDM_GETPOS32, 0, 0), -7);
        EXPECT_EQ(Selection(d, IDC_WMED_POSITION, true), kPositionLowerRight);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_WMED_BORDER_SINGLE), BST_CHECKED);
        EXPECT_EQ(IsDlgButtonChecked(d, IDC_WMED_BORDER_NONE), BST_UNCHECKED);
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(d, IDOK)));
        Retype(d, IDC_WMED_TEXT, L"Final");
        Click(d, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(Working().Text, L"Final");
    EXPECT_EQ(Working().Color, 255u);
    EXPECT_EQ(Working().OffsetY, -7);
    // Helvetica entry, bold italic: field 4, style code 5.
    EXPECT_STREQ(Working().FontName, L"Helvetica-BoldOblique");
    EXPECT_EQ(Working().StyleCode, 5);
    EXPECT_STREQ(map_.Watermarks.Records[1]->Text, L"Draft");  // the caller copies on 1

    std::wstring shown;
    const INT_PTR cancelled = Run([&](HWND d) {
        shown = ItemText(d, IDC_WMED_TEXT);  // Working starts again from the record
        Retype(d, IDC_WMED_TEXT, L"Gone");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(cancelled, 2);
    EXPECT_EQ(shown, L"Draft");
    EXPECT_STREQ(map_.Watermarks.Records[1]->Text, L"Draft");
}

TEST_F(WatermarkEditor, WithoutAListToEditTheEditorEndsAtOnce) {
    ResetWatermarkList(map_.Watermarks, ini_.c_str(), data_.c_str());  // nothing loaded
    bool stepsRan = false;
    EXPECT_EQ(Run([&](HWND) { stepsRan = true; }), 2);
    EXPECT_FALSE(stepsRan);
    EXPECT_EQ(map_.Watermarks.Working, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Size, angle and adjustments

TEST_F(WatermarkEditor, SizeAndAngleEditsRefuseForeignCharactersAndClampToTheirRanges) {
    Load(kOneWatermark, 1);
    Run([&](HWND d) {
        Retype(d, IDC_WMED_SIZE, L"700");
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"600");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_SIZE_BAR), 600);
        EXPECT_EQ(Working().Size, 600);
        Retype(d, IDC_WMED_ANGLE, L"-200");
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"-180");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_ANGLE_BAR), -180);
        EXPECT_EQ(Working().Angle, -180);
        Retype(d, IDC_WMED_SIZE, L"0");  // a lone 0 is a number, raised to the minimum
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"1");
        Retype(d, IDC_WMED_SIZE, L"12");
        SendDlgItemMessageW(d, IDC_WMED_SIZE, WM_CHAR, L'x', 1);
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"12");  // refused, previous text back
        EXPECT_EQ(Working().Size, 12);
        EXPECT_FALSE(HasInputContext(d, IDC_WMED_SIZE));
        EXPECT_FALSE(HasInputContext(d, IDC_WMED_ANGLE));

        // An emptied edit keeps the record's value and gets its default on leaving it.
        Retype(d, IDC_WMED_ANGLE, L"");
        EXPECT_EQ(Working().Angle, -30);
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_WMED_ANGLE, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_WMED_ANGLE)));
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"45");
        Retype(d, IDC_WMED_SIZE, L"");
        SendMessageW(d, WM_COMMAND, MAKEWPARAM(IDC_WMED_SIZE, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_WMED_SIZE)));
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"72");
        EXPECT_EQ(Working().Size, 72);
        Click(d, IDOK);
    });
    EXPECT_EQ(Working().Angle, 45);
}

TEST_F(WatermarkEditor, ScrollBarsStepClampAndIgnoreADraggedThumb) {
    Load(kOneWatermark, 1);
    Run([&](HWND d) {
        Scroll(d, IDC_WMED_SIZE_BAR, SB_LINERIGHT);
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"101");
        Scroll(d, IDC_WMED_SIZE_BAR, SB_PAGELEFT);
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"91");
        Scroll(d, IDC_WMED_SIZE_BAR, SB_THUMBTRACK, 300);
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"91");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_SIZE_BAR), 91);
        Scroll(d, IDC_WMED_SIZE_BAR, SB_THUMBPOSITION, 300);
        EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"300");
        EXPECT_EQ(Working().Size, 300);
        Scroll(d, IDC_WMED_SIZE_BAR, SB_ENDSCROLL);
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_SIZE_BAR), 300);

        Scroll(d, IDC_WMED_ANGLE_BAR, SB_THUMBPOSITION, static_cast<WORD>(-175));
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"-175");
        Scroll(d, IDC_WMED_ANGLE_BAR, SB_PAGELEFT);
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"-180");
        Scroll(d, IDC_WMED_ANGLE_BAR, SB_THUMBPOSITION, 179);
        Scroll(d, IDC_WMED_ANGLE_BAR, SB_PAGERIGHT);
        EXPECT_EQ(ItemText(d, IDC_WMED_ANGLE), L"180");
        EXPECT_EQ(ScrollPosition(d, IDC_WMED_ANGLE_BAR), 180);
        EXPECT_EQ(Working().Angle, 180);
        Click(d, IDCANCEL);
    });
}

TEST_F(WatermarkEditor, AdjustmentsDropForeignCharactersClampAndResetWithThePosition) {
    Load(kOneWatermark, 1);
    Run([&](HWND d) {
        Retype(d, IDC_WMED_X, L"12a3");
        EXPECT_EQ(ItemText(d, IDC_WMED_X), L"123");
        DWORD caret = 0;
        SendDlgItemMessageW(d, IDC_WMED_X, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&caret));
        EXPECT_EQ(caret, 3u);
        EXPECT_EQ(Working().OffsetX, 123);
        EXPECT_EQ(SendDlgItemMessageW(d, IDC_WMED_X_SPIN, UDM_GETPOS32, 0, 0), 123);
        EXPECT_FALSE(HasInputContext(d, IDC_WMED_X));
        EXPECT_FALSE(HasInputContext(d, IDC_WMED_Y));

        SetDlgItemTextW(d, IDC_WMED_Y, L"4-2");  // a "-" counts only in front
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"42");
        Retype(d, IDC_WMED_Y, L"-");  // a negative number being started stays as typed
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"-");
        EXPECT_EQ(Working().OffsetY, 42);
        SendDlgItemMessageW(d, IDC_WMED_Y, WM_CHAR, L'9', 1);
        EXPECT_EQ(Working().OffsetY, -9);
        Retype(d, IDC_WMED_Y, L"-2000");
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"-1000");
        EXPECT_EQ(Working().OffsetY, -1000);

        // The up-down arrow key moves the buddy by one.
        SendDlgItemMessageW(d, IDC_WMED_X, WM_KEYDOWN, VK_UP, 1);
        SendDlgItemMessageW(d, IDC_WMED_X, WM_KEYUP, VK_UP, 1);
        EXPECT_EQ(ItemText(d, IDC_WMED_X), L"124");
        EXPECT_EQ(Working().OffsetX, 124);

        Choose(d, IDC_WMED_POSITION, kPositionUpperLeft, true);
        EXPECT_EQ(ItemText(d, IDC_WMED_X), L"0");
        EXPECT_EQ(ItemText(d, IDC_WMED_Y), L"0");
        EXPECT_EQ(Working().OffsetX, 0);
        EXPECT_EQ(Working().OffsetY, 0);
        EXPECT_EQ(Working().Position, kPositionUpperLeft);
        Click(d, IDC_WMED_BORDER_CIRCLE);
        EXPECT_EQ(Working().Border, kBorderCircle);
        Click(d, IDC_WMED_BORDER_DOUBLE);
        EXPECT_EQ(Working().Border, kBorderDoubleFrame);
        Click(d, IDOK);
    });
    EXPECT_EQ(Working().Position, kPositionUpperLeft);
    EXPECT_EQ(Working().Border, kBorderDoubleFrame);
}

TEST_F(WatermarkEditor, OffsetCharacterFilterKeepsDigitsAndALeadingMinus) {
    struct Case {
        const wchar_t* text;
        const wchar_t* kept;
        bool dropped;
    } cases[] = {{L"12a3", L"123", true}, {L"-45", L"-45", false}, {L"4-5", L"45", true},
                 {L"--1", L"-1", true},   {L"+7", L"7", true},     {L"", L"", false}};
    for (const Case& c : cases) {
        wchar_t kept[8] = {};
        bool dropped = false;
        EXPECT_EQ(KeepOffsetChars(c.text, kept, 8, dropped), wcslen(c.kept)) << c.text;
        EXPECT_STREQ(kept, c.kept);
        EXPECT_EQ(dropped, c.dropped) << c.text;
    }
    wchar_t small[3] = {};
    bool dropped = false;
    EXPECT_EQ(KeepOffsetChars(L"98765", small, 3, dropped), 2u);  // bounded by the buffer
    EXPECT_STREQ(small, L"98");
}

// ---------------------------------------------------------------------------------------------
// Preview

TEST_F(WatermarkEditor, EveryChangeRedrawsThePreview) {
    Load(kOneWatermark, 1);
    std::vector<unsigned long long> hashes;
    Run([&](HWND d) {
        // Shown and painted once; from here on only the editor's own redraws change it.
        ShowWindow(d, SW_SHOW);
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        hashes.push_back(PreviewHash(d));
        Retype(d, IDC_WMED_SIZE, L"20");  // small enough for the frames to stay on the page
        hashes.push_back(PreviewHash(d));
        Retype(d, IDC_WMED_TEXT, L"Other");
        hashes.push_back(PreviewHash(d));
        Scroll(d, IDC_WMED_ANGLE_BAR, SB_THUMBPOSITION, 0);
        hashes.push_back(PreviewHash(d));
        Click(d, IDC_WMED_BORDER_CIRCLE);
        hashes.push_back(PreviewHash(d));
        Choose(d, IDC_WMED_POSITION, kPositionUpperLeft, true);
        hashes.push_back(PreviewHash(d));
        Retype(d, IDC_WMED_X, L"100");
        hashes.push_back(PreviewHash(d));
        Click(d, IDCANCEL);
    });
    ASSERT_EQ(hashes.size(), 7u);
    for (size_t i = 1; i < hashes.size(); ++i) EXPECT_NE(hashes[i], hashes[i - 1]) << "step " << i;
}

// ---------------------------------------------------------------------------------------------
// Colour

TEST_F(WatermarkEditor, ColorChooserStartsFromTheWatermarkAndTheCustomColors) {
    COLORREF custom[16] = {};
    CHOOSECOLORW chooser;
    std::memset(&chooser, 0xCC, sizeof(chooser));
    HWND owner = reinterpret_cast<HWND>(static_cast<LONG_PTR>(0x1234));
    BuildColorChooser(owner, RGB(1, 2, 3), custom, chooser);
    EXPECT_EQ(chooser.lStructSize, sizeof(CHOOSECOLORW));
    EXPECT_EQ(chooser.hwndOwner, owner);
    EXPECT_EQ(chooser.rgbResult, RGB(1, 2, 3));
    EXPECT_EQ(chooser.lpCustColors, custom);
    EXPECT_EQ(chooser.Flags, static_cast<DWORD>(CC_RGBINIT | CC_FULLOPEN));
    EXPECT_EQ(chooser.hInstance, nullptr);
    EXPECT_EQ(chooser.lpfnHook, nullptr);
    EXPECT_EQ(chooser.lpTemplateName, nullptr);
}

TEST_F(WatermarkEditor, ChosenColorIsTakenAndCustomColorsAreRewrittenEitherWay) {
    Load(
        "[Watermark]\r\nWTMK001=100,1,-30,5,-7,255,Draft,Helvetica,700,1,0,6,2,0,0,5\r\n"
        "[Custom Color]\r\nColor0=1,2,3\r\nExtra=4,5,6\r\n",
        1);
    const INT_PTR result = Run(
        [](HWND d) {
            Click(d, IDC_WMED_COLOR);
            Click(d, IDOK);
        },
        nullptr,
        [](HWND chooser) {
            SetDlgItemInt(chooser, kChooserRed, 0, FALSE);
            SetDlgItemInt(chooser, kChooserGreen, 128, FALSE);
            SetDlgItemInt(chooser, kChooserBlue, 64, FALSE);
            SendMessageW(chooser, WM_COMMAND, IDOK, 0);
        });
    EXPECT_EQ(result, 1);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(Working().Color, RGB(0, 128, 64));
    // Both stored keys were read in file order; the section now holds Color0..Color15 only.
    EXPECT_EQ(map_.Watermarks.CustomColors[0], RGB(1, 2, 3));
    EXPECT_EQ(map_.Watermarks.CustomColors[1], RGB(4, 5, 6));
    EXPECT_EQ(IniValue(L"Custom Color", L"Color0"), L"1,2,3");
    EXPECT_EQ(IniValue(L"Custom Color", L"Color1"), L"4,5,6");
    EXPECT_EQ(IniValue(L"Custom Color", L"Color15"), L"192,192,192");
    EXPECT_EQ(IniValue(L"Custom Color", L"Extra"), L"<none>");

    EXPECT_EQ(testenv::ReadFileBytes(ini_).find("Color15"), std::string::npos)
        << "the driver INI file is never written";

    // Cancelling the chooser keeps the colour but still rewrites the section.
    WritePrivateProfileStringW(L"Custom Color", nullptr, nullptr, data_.c_str());
    WritePrivateProfileStringW(L"Custom Color", L"Odd", L"7,8,9", data_.c_str());
    const INT_PTR second = Run(
        [](HWND d) {
            Click(d, IDC_WMED_COLOR);
            Click(d, IDOK);
        },
        nullptr, [](HWND chooser) { PostMessageW(chooser, WM_COMMAND, IDCANCEL, 0); });
    EXPECT_EQ(second, 1);
    EXPECT_EQ(Working().Color, 255u);  // from the record again
    EXPECT_EQ(IniValue(L"Custom Color", L"Odd"), L"<none>");
    EXPECT_EQ(IniValue(L"Custom Color", L"Color0"), L"7,8,9");
    EXPECT_EQ(IniValue(L"Custom Color", L"Color1"), L"4,5,6");  // kept from before
}

// ---------------------------------------------------------------------------------------------
// Font dialog

TEST_F(WatermarkEditor, FontDialogListsTheFontFileAndHandsItsChoiceToTheEditor) {
    Load(kOneWatermark, 1);
    std::vector<std::wstring> fonts;
    const INT_PTR result = Run(
        [&](HWND d) {
            Click(d, IDC_WMED_FONT);
            EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"16");
            EXPECT_EQ(ScrollPosition(d, IDC_WMED_SIZE_BAR), 16);
            Click(d, IDOK);
        },
        [&](HWND f) {
            const int count =
                static_cast<int>(SendDlgItemMessageW(f, IDC_WMFONT_LIST, LB_GETCOUNT, 0, 0));
            for (int i = 0; i < count; ++i) fonts.push_back(ListText(f, IDC_WMFONT_LIST, i));
            EXPECT_EQ(Selection(f, IDC_WMFONT_LIST), 1);
            EXPECT_EQ(ItemText(f, IDC_WMFONT_NAME), L"Helvetica");
            EXPECT_EQ(Selection(f, IDC_WMFONT_STYLE_LIST), 3);
            EXPECT_EQ(ItemText(f, IDC_WMFONT_STYLE), L"Bold Italic");
            EXPECT_EQ(SendDlgItemMessageW(f, IDC_WMFONT_SIZE_LIST, LB_GETCOUNT, 0, 0), 16);
            EXPECT_EQ(ListText(f, IDC_WMFONT_SIZE_LIST, 15), L"72");
            EXPECT_EQ(Selection(f, IDC_WMFONT_SIZE_LIST), -1);  // 100 is not listed
            EXPECT_EQ(ItemText(f, IDC_WMFONT_SIZE), L"100");
            EXPECT_EQ(SendDlgItemMessageW(f, IDC_WMFONT_NAME, EM_GETLIMITTEXT, 0, 0), 30);
            EXPECT_EQ(SendDlgItemMessageW(f, IDC_WMFONT_SIZE, EM_GETLIMITTEXT, 0, 0), 5);

            Choose(f, IDC_WMFONT_LIST, 2, false);
            EXPECT_EQ(ItemText(f, IDC_WMFONT_NAME), L"Times-Roman");
            EXPECT_EQ(Selection(f, IDC_WMFONT_LIST), 2);
            Choose(f, IDC_WMFONT_STYLE_LIST, 1, false);
            EXPECT_EQ(ItemText(f, IDC_WMFONT_STYLE), L"Italic");
            EXPECT_EQ(ChoiceOf(f).Weight, kWeightRegular);
            EXPECT_EQ(ChoiceOf(f).Italic, 1);
            Choose(f, IDC_WMFONT_SIZE_LIST, 13, false);
            EXPECT_EQ(ItemText(f, IDC_WMFONT_SIZE), L"36");
            Retype(f, IDC_WMFONT_SIZE, L"15");
            EXPECT_EQ(Selection(f, IDC_WMFONT_SIZE_LIST), -1);
            Retype(f, IDC_WMFONT_SIZE, L"16");
            EXPECT_EQ(Selection(f, IDC_WMFONT_SIZE_LIST), 6);
            EXPECT_FALSE(HasInputContext(f, IDC_WMFONT_SIZE));
            EXPECT_EQ(Working().FontIndex, 1);  // nothing reaches Working before OK
            Click(f, IDOK);
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(fonts, (std::vector<std::wstring>{L"Heisei Mincho", L"Helvetica", L"Times-Roman",
                                                L"Courier"}));
    EXPECT_EQ(Working().FontIndex, 2);
    EXPECT_EQ(Working().Size, 16);
    EXPECT_EQ(Working().Weight, kWeightRegular);
    EXPECT_EQ(Working().Italic, 1);
    EXPECT_STREQ(Working().FontName, L"Times-Italic");
    EXPECT_EQ(Working().StyleCode, 5);
}

TEST_F(WatermarkEditor, FontDialogCancelChangesNothingAndTypedSizesAreBounded) {
    Load(kOneWatermark, 1);
    Run(
        [](HWND d) {
            Click(d, IDC_WMED_FONT);  // cancelled
            EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"100");
            Click(d, IDC_WMED_FONT);  // size 0 passes; the editor raises it to 1
            EXPECT_EQ(ItemText(d, IDC_WMED_SIZE), L"1");
            Click(d, IDOK);
        },
        [](HWND f) {
            static int opening = 0;
            Choose(f, IDC_WMFONT_STYLE_LIST, 0, false);
            Retype(f, IDC_WMFONT_SIZE, L"99999");  // wraps nowhere: the largest size
            EXPECT_EQ(ChoiceOf(f).Size, 600);
            Retype(f, IDC_WMFONT_SIZE, L"700");
            EXPECT_EQ(ChoiceOf(f).Size, 600);
            if (opening++ % 2 == 0) {
                Click(f, IDCANCEL);
                EXPECT_EQ(ChoiceOf(f).Size, 100);  // reloaded from Working
                EXPECT_EQ(ChoiceOf(f).Weight, kWeightBold);
            } else {
                Retype(f, IDC_WMFONT_SIZE, L"");
                EXPECT_EQ(ChoiceOf(f).Size, 0);
                Click(f, IDOK);
            }
        });
    EXPECT_EQ(Working().Size, 1);
    EXPECT_EQ(Working().Weight, kWeightRegular);
    EXPECT_EQ(Working().Italic, 0);
    EXPECT_STREQ(Working().FontName, L"Helvetica");
    EXPECT_EQ(Working().StyleCode, 0);
}

TEST_F(WatermarkEditor, WithoutAFontFileTheFontListIsEmptyAndOkStillWorks) {
    Load(kOneWatermark, 1);
    map_.Watermarks.FontFile[0] = L'\0';
    int count = -1;
    std::wstring name = L"?";
    const INT_PTR result = Run(
        [](HWND d) {
            Click(d, IDC_WMED_FONT);
            Click(d, IDOK);
        },
        [&](HWND f) {
            count = static_cast<int>(SendDlgItemMessageW(f, IDC_WMFONT_LIST, LB_GETCOUNT, 0, 0));
            name = ItemText(f, IDC_WMFONT_NAME);
            Choose(f, IDC_WMFONT_SIZE_LIST, 15, false);
            Click(f, IDOK);
        });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(name, L"");
    EXPECT_EQ(Working().Size, 72);
    EXPECT_STREQ(Working().FontName, L"");
}

TEST(FontDialogTables, SizesStylesAndListNames) {
    EXPECT_EQ(FontDialogSizeIndex(8), 0);
    EXPECT_EQ(FontDialogSizeIndex(16), 6);
    EXPECT_EQ(FontDialogSizeIndex(72), 15);
    EXPECT_EQ(FontDialogSizeIndex(15), -1);
    EXPECT_EQ(FontDialogSizeIndex(0), -1);
    EXPECT_EQ(FontStyleIndex(400, 0), 0);
    EXPECT_EQ(FontStyleIndex(400, 1), 1);
    EXPECT_EQ(FontStyleIndex(700, 0), 2);
    EXPECT_EQ(FontStyleIndex(700, 1), 3);
    EXPECT_EQ(FontStyleIndex(0, 0), 0);  // the None record's weight counts as regular
    EXPECT_EQ(ClampTypedFontSize(0), 0);
    EXPECT_EQ(ClampTypedFontSize(600), 600);
    EXPECT_EQ(ClampTypedFontSize(601), 600);
    EXPECT_EQ(ClampTypedFontSize(70000), 600);
    wchar_t name[8] = {};
    FontEntryListName(L"Sans;Sans-Bold", name, 8);
    EXPECT_STREQ(name, L"Sans");
    FontEntryListName(L"Very long name,x", name, 8);
    EXPECT_STREQ(name, L"Very lo");
    FontEntryListName(nullptr, name, 8);
    EXPECT_STREQ(name, L"");
}

// ---------------------------------------------------------------------------------------------
// Pictures for review: OEMUI_SHOT_DIR, else a "shots" folder beside the program.

TEST_F(WatermarkEditor, Screenshots) {
    Load(kOneWatermark, 1);
    testenv::Shot editorShot, fontShot;
    Run(
        [&](HWND d) {
            Scroll(d, IDC_WMED_ANGLE_BAR, SB_THUMBPOSITION, 30);
            editorShot = testenv::ShootDialog(d, L"wmM-editor.png");
            Click(d, IDC_WMED_FONT);
            Click(d, IDCANCEL);
        },
        [&](HWND f) {
            fontShot = testenv::ShootDialog(f, L"wmM-font.png");
            Click(f, IDCANCEL);
        });
    EXPECT_TRUE(testenv::ShowsTheWindow(editorShot));
    EXPECT_TRUE(testenv::ShowsTheWindow(fontShot));
}
