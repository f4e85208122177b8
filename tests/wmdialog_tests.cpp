// The Watermarks dialog runs modally from the plug-in DLL's own template and strings on a real
// watermark list (a temporary INI file and the sample font list file), under a page that is the
// child of a sheet window, driven as a user would; the nested editor and message boxes are
// answered inside their own message loops.
#include <gtest/gtest.h>

#include <windows.h>

#include <prsht.h>

#include <functional>
#include <string>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/watermark/watermarks.h"
#include "ui/watermark/watermarksdialog.h"
#include "wmdialog_ids.h"
#include "wmeditor_ids.h"

using namespace oemui;

namespace {

using testenv::Click;
using testenv::Enabled;
using testenv::PluginModule;

bool Checked(HWND d, int id) { return IsDlgButtonChecked(d, id) == BST_CHECKED; }

void Choose(HWND d, int index) { testenv::Choose(d, IDC_WMDLG_LIST, index); }

// The list's lines joined by "|", then ":" and the selection.
std::wstring Listing(HWND d) {
    std::wstring all;
    const LRESULT count = SendDlgItemMessageW(d, IDC_WMDLG_LIST, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[160] = {};
        SendDlgItemMessageW(d, IDC_WMDLG_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        all += (i ? L"|" : L"") + std::wstring(text);
    }
    return all + L":" + std::to_wstring(SendDlgItemMessageW(d, IDC_WMDLG_LIST, LB_GETCURSEL, 0, 0));
}

// A hash of the preview control's pixels, copied from its own device context.
unsigned long long PreviewHash(HWND d) {
    HWND control = GetDlgItem(d, IDC_WMDLG_PREVIEW);
    RECT r = {};
    GetClientRect(control, &r);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(info.bmiHeader), r.right, -r.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    HDC source = GetDC(control);
    HDC memory = CreateCompatibleDC(source);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(source, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, r.right, r.bottom, source, 0, 0, SRCCOPY);
    GdiFlush();
    unsigned long long hash = 1469598103934665603ull;
    const auto* p = static_cast<const unsigned char*>(bits);
    for (int i = 0; p != nullptr && i < r.right * r.bottom * 4; ++i)
        hash = (hash ^ p[i]) * 1099511628211ull;
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(control, source);
    return hash;
}

// Records PSM_CHANGED as the property sheet would receive it.
HWND ChangedPage = nullptr;
int ChangedCount = 0;
LRESULT CALLBACK SheetProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == PSM_CHANGED) {
        ChangedPage = reinterpret_cast<HWND>(wp);
        ++ChangedCount;
    }
    return DefWindowProcW(w, m, wp, lp);
}

class WatermarksDialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(PluginModule(), nullptr);
        oldModule_ = ModuleHandle;
        ModuleHandle = PluginModule();
        wchar_t temp[MAX_PATH] = {}, file[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        GetTempFileNameW(temp, L"wmd", 0, file);
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
        param_.cbSize = sizeof(param_);
        param_.pPublicDM = &public_;
        param_.pOEMDM = &record_;
        map_.SheetParam = &param_;
        wcsncpy(map_.IniPath, ini_.c_str(), std::size(map_.IniPath) - 1);
        wcscpy_s(map_.UserDataFile, data_.c_str());
        ResetWatermarkList(map_.Watermarks, ini_.c_str(), data_.c_str());

        WNDCLASSW cls = {};
        cls.lpfnWndProc = SheetProc;
        cls.hInstance = GetModuleHandleW(nullptr);
        cls.lpszClassName = L"WmDialogSheet";
        RegisterClassW(&cls);
        sheet_ = CreateWindowW(cls.lpszClassName, L"sheet", WS_OVERLAPPEDWINDOW, 0, 0, 400, 400,
                               nullptr, nullptr, cls.hInstance, nullptr);
        page_ = CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 0, 300, 300, sheet_, nullptr,
                              cls.hInstance, nullptr);
        ChangedPage = nullptr;
        ChangedCount = 0;
    }
    void TearDown() override {
        DestroyWindow(sheet_);
        FreeWatermarkList(map_.Watermarks);
        ModuleHandle = oldModule_;
        DeleteFileW(ini_.c_str());
        DeleteFileW(data_.c_str());
        DeleteFileW(font_.c_str());
    }

    // The INI file names the font list file through "WMFONT"; the dialog rebuilds its path from
    // the driver directory, so the tests point it back at the sample after opening.
    void WriteIni(const std::string& watermarks) {
        ASSERT_TRUE(testenv::WriteFileBytes(ini_, "[Watermark]\r\n" + watermarks));
    }

    // Opens the dialog; `steps` run inside it, `editor` inside each editor it opens; message
    // boxes are recorded and closed. Returns the dialog's result.
    INT_PTR Run(std::function<void(HWND)> steps, std::function<void(HWND)> editor = nullptr) {
        testenv::StepRunner outer, inner;
        outer.steps = [&](HWND d) {
            wcscpy_s(map_.Watermarks.FontFile, font_.c_str());
            steps(d);
        };
        inner.steps = editor;
        testenv::ModalWatcher watcher([&](HWND w) {
            wchar_t caption[64] = {};
            GetWindowTextW(w, caption, 64);
            const std::wstring c = caption;
            if (c == L"Watermarks") {
                outer.Post(w);
            } else if (c == L"Watermark" && editor) {
                inner.Post(w);
            } else {
                PostMessageW(w, WM_COMMAND, c == L"Watermark" ? IDCANCEL : IDOK, 0);
            }
        });
        const INT_PTR result = ShowWatermarksDialog(page_, &map_);
        seen_ = watcher.seen;
        return result;
    }

    WatermarkList& List() { return map_.Watermarks; }

    std::wstring ini_, data_, font_;
    PrivateDevmode record_ = {};
    DEVMODEW public_ = {};
    OEMUIPSPARAM param_ = {};
    DriverItemMap map_ = {};
    HWND sheet_ = nullptr, page_ = nullptr;
    std::vector<testenv::ModalWatcher::Seen> seen_;

private:
    HMODULE oldModule_ = nullptr;
};

constexpr char kTwo[] =
    "WTMK001=100,1,-30,5,-7,255,Draft,Helvetica,700,1,0,6,2,0,0,5\r\n"
    "WTMK002=72,0,45,0,0,12632256,Secret,Courier,400,0,0,3,0,1,1,0\r\n";

void TypeAndAccept(HWND editor, const wchar_t* text) {
    SetDlgItemTextW(editor, IDC_WMED_TEXT, text);
    Click(editor, IDOK);
}

}  // namespace

TEST_F(WatermarksDialog, WithoutStoredWatermarksOnlyNoneIsListedAndNothingToEditOrDelete) {
    WriteIni("");
    const INT_PTR result = Run([](HWND d) {
        EXPECT_EQ(Listing(d), L"None:0");
        EXPECT_FALSE(Enabled(d, IDC_WMDLG_EDIT));
        EXPECT_FALSE(Enabled(d, IDC_WMDLG_DELETE));
        EXPECT_TRUE(Enabled(d, IDC_WMDLG_NEW));
        EXPECT_NE(GetWindowLongPtrW(d, GWL_EXSTYLE) & WS_EX_CONTEXTHELP, 0);
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ChangedCount, 0);
}

TEST_F(WatermarksDialog, ChoosingShowsFlagsRedrawsThePreviewAndOkAppliesTheEntry) {
    WriteIni(kTwo);
    record_.WatermarkIndex = 2;
    unsigned long long none = 0, draft = 0, secret = 0;
    const INT_PTR result = Run([&](HWND d) {
        EXPECT_EQ(Listing(d), L"None|Draft|Secret:2");
        EXPECT_TRUE(Checked(d, IDC_WMDLG_FIRST_PAGE));
        EXPECT_TRUE(Checked(d, IDC_WMDLG_BACKGROUND));
        EXPECT_TRUE(Enabled(d, IDC_WMDLG_EDIT) && Enabled(d, IDC_WMDLG_DELETE));
        // Shown and painted once; from here on only the dialog's own redraws change it.
        ShowWindow(d, SW_SHOW);
        RedrawWindow(d, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        secret = PreviewHash(d);
        Choose(d, 0);
        none = PreviewHash(d);
        EXPECT_STREQ(List().Working->Text, L"");  // None previews an empty page
        EXPECT_FALSE(Enabled(d, IDC_WMDLG_EDIT) || Enabled(d, IDC_WMDLG_DELETE));
        Choose(d, 1);
        draft = PreviewHash(d);
        EXPECT_FALSE(Checked(d, IDC_WMDLG_FIRST_PAGE) || Checked(d, IDC_WMDLG_BACKGROUND));
        EXPECT_TRUE(Enabled(d, IDC_WMDLG_EDIT) && Enabled(d, IDC_WMDLG_DELETE));
        Click(d, IDC_WMDLG_BACKGROUND);  // the chosen entry's flag only
        Click(d, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_NE(none, draft);
    EXPECT_NE(draft, secret);
    EXPECT_EQ(ChangedPage, page_);  // the page itself, not the dialog's owner (the sheet)
    EXPECT_EQ(record_.WatermarkIndex, 1);
    EXPECT_STREQ(record_.WmarkText, L"Draft");
    EXPECT_EQ(record_.WmarkBackground, 1);
    EXPECT_EQ(List().Records[2]->Background, 1);  // untouched entries keep theirs
}

TEST_F(WatermarksDialog, NewAddsTheEditedWatermarkLastOrLeavesTheSelectionOnCancel) {
    WriteIni(kTwo);
    record_.WatermarkIndex = 1;
    std::wstring editorStart;
    Run(
        [&](HWND d) {
            Click(d, IDC_WMDLG_NEW);  // editor cancelled
            EXPECT_EQ(Listing(d), L"None|Draft|Secret:1");
            EXPECT_STREQ(List().Working->Text, L"Draft");
            Click(d, IDC_WMDLG_NEW);
            EXPECT_EQ(Listing(d), L"None|Draft|Secret|Proof:3");
            EXPECT_TRUE(Enabled(d, IDC_WMDLG_EDIT) && Enabled(d, IDC_WMDLG_DELETE));
            Click(d, IDOK);
        },
        [&, round = 0](HWND e) mutable {
            wchar_t text[64] = {};
            GetDlgItemTextW(e, IDC_WMED_TEXT, text, 64);
            editorStart += text;
            if (round++ == 0) {
                Click(e, IDCANCEL);
            } else {
                TypeAndAccept(e, L"Proof");
            }
        });
    EXPECT_EQ(editorStart, L"");             // New starts without a text
    EXPECT_EQ(List().Records[3]->Size, 72);  // from the None record's defaults
    EXPECT_EQ(record_.WatermarkIndex, 3);
    EXPECT_STREQ(record_.WmarkText, L"Proof");
}

TEST_F(WatermarksDialog, NewWithSixteenWatermarksWarnsAndChangesNothing) {
    std::string lines;
    for (int i = 1; i <= 16; ++i) {
        lines += "WTMK0" + std::string(i < 10 ? "0" : "") + std::to_string(i) + "=72,0,45,0,0,0,W" +
                 std::to_string(i) + ",Courier,400,0,0,3,0,0,0,0\r\n";
    }
    WriteIni(lines);
    bool editorOpened = false;
    Run(
        [](HWND d) {
            Click(d, IDC_WMDLG_NEW);
            EXPECT_TRUE(Enabled(d, IDC_WMDLG_NEW));
            Click(d, IDCANCEL);
        },
        [&](HWND e) {
            editorOpened = true;
            Click(e, IDCANCEL);
        });
    EXPECT_FALSE(editorOpened);
    ASSERT_EQ(seen_.size(), 2u);  // the dialog, then the warning
    EXPECT_EQ(seen_[1].caption, L"Warning");
    EXPECT_EQ(seen_[1].text.rfind(L"A maximum number of 16 watermarks can be saved. \n", 0), 0u);
    EXPECT_EQ(List().Count, 16);
}

TEST_F(WatermarksDialog, EditReplacesTheEntryOnOkAndKeepsItOnCancel) {
    WriteIni(kTwo);
    record_.WatermarkIndex = 1;
    Run(
        [&](HWND d) {
            Click(d, IDC_WMDLG_EDIT);
            EXPECT_EQ(Listing(d), L"None|Final|Secret:1");
            Click(d, IDC_WMDLG_EDIT);
            EXPECT_EQ(Listing(d), L"None|Final|Secret:1");
            EXPECT_STREQ(List().Working->Text, L"Final");
            Click(d, IDOK);
        },
        [round = 0](HWND e) mutable {
            if (round++ == 0) {
                TypeAndAccept(e, L"Final");
            } else {
                SetDlgItemTextW(e, IDC_WMED_TEXT, L"Lost");
                Click(e, IDCANCEL);
            }
        });
    EXPECT_STREQ(List().Records[1]->Text, L"Final");
    EXPECT_EQ(List().Records[1]->Color, 255u);  // the rest of the entry came through the editor
}

TEST_F(WatermarksDialog, DeleteFallsBackToNoneAndCancelBringsTheEntryBackInPlace) {
    WriteIni(kTwo);
    record_.WatermarkIndex = 1;
    const INT_PTR result = Run([](HWND d) {
        Click(d, IDC_WMDLG_DELETE);
        EXPECT_EQ(Listing(d), L"None|Secret:0");
        EXPECT_FALSE(Enabled(d, IDC_WMDLG_EDIT) || Enabled(d, IDC_WMDLG_DELETE));
        EXPECT_EQ(GetFocus(), GetDlgItem(d, IDC_WMDLG_NEW));
        SendMessageW(d, WM_COMMAND, IDC_WMDLG_DELETE, 0);  // None is never deleted
        EXPECT_EQ(Listing(d), L"None|Secret:0");
        Click(d, IDCANCEL);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ChangedCount, 1);  // the delete marked the page; Cancel does not undo that
    EXPECT_EQ(ChangedPage, page_);
    ASSERT_EQ(List().Count, 2);
    EXPECT_STREQ(List().Records[1]->Text, L"Draft");
    EXPECT_EQ(List().Selected, 1);
    EXPECT_EQ(Run([](HWND d) {
                  EXPECT_EQ(Listing(d), L"None|Draft|Secret:1");
                  Click(d, IDCANCEL);
              }),
              0);
}

TEST_F(WatermarksDialog, NoneFlagsSurviveOkIntoTheNextOpeningButNotCancel) {
    WriteIni("");
    Run([](HWND d) {
        Click(d, IDC_WMDLG_FIRST_PAGE);
        Click(d, IDOK);
    });
    EXPECT_EQ(record_.WmarkFirstPageOnly, 1);
    bool reopened = false;
    Run([&](HWND d) {
        reopened = Checked(d, IDC_WMDLG_FIRST_PAGE);
        Click(d, IDC_WMDLG_FIRST_PAGE);
        Click(d, IDC_WMDLG_BACKGROUND);
        Click(d, IDCANCEL);
    });
    EXPECT_TRUE(reopened);
    Run([&](HWND d) {
        EXPECT_TRUE(Checked(d, IDC_WMDLG_FIRST_PAGE));
        EXPECT_FALSE(Checked(d, IDC_WMDLG_BACKGROUND));
        Click(d, IDCANCEL);
    });
}

// Picture for review: OEMUI_SHOT_DIR, else a "shots" folder beside the program.
TEST_F(WatermarksDialog, Screenshot) {
    WriteIni(kTwo);
    record_.WatermarkIndex = 1;
    testenv::Shot shot;
    Run([&](HWND d) {
        shot = testenv::ShootDialog(d, L"wmO-watermarks.png");
        Click(d, IDCANCEL);
    });
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
}
