// The Color page in a modeless document sheet built by the core-driver stand-in on the sample
// colour model: initial state from the map and the private record, colour modes, Toner Save,
// the gamma list, the colour-matching tables written when the page is left, the pushes the
// core driver sees, the swatch launcher, Default and the link; plus the hex decoder.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/referenceblit.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/common/dialogs.h"
#include "ui/color/colorpage.h"

using namespace oemui;

namespace {

// A colour model of our own without the swatch utility and the link, on the sample PPD.
constexpr wchar_t kBareDriver[] = L"Lab Bare PS";
constexpr wchar_t kBarePrinter[] = L"Lab Bare 1";

bool InstallBarePrinter() {
    return testenv::InstallColorModel(
        kBareDriver, kBarePrinter,
        {{L"bare.cap",
          "[Capability]\r\nLab Bare PS=Bare\r\n[Bare]\r\nCCMInfoFile=vrlabccm.ini\r\n"},
         {L"bare.ini",
          "[OEMFiles]\r\nOEMConfigFile1=vroemui.dll\r\n[DependentFiles]\r\n"
          "HELP=vrlab.hlp\r\n"}},
        L"bare.PPD");
}

constexpr int kColorPageIndex = 1;  // Job Options, Color, ..., the stand-in's page

class ColorPage : public testenv::CoreSheetTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testenv::InstallSamplePrinters());
        ASSERT_TRUE(InstallBarePrinter());
    }

    // Builds the document sheet; `prepare` may change the map and record before the pages exist.
    void Open(const wchar_t* printer, const std::function<void()>& prepare = nullptr) {
        ASSERT_NO_FATAL_FAILURE(StartCore(testenv::InProcessOptions(printer)));
        ASSERT_NO_FATAL_FAILURE(OpenDocumentSheet());
        if (prepare) prepare();
    }
    // Shows the sheet and selects the Color page.
    void Show() {
        ASSERT_NO_FATAL_FAILURE(ShowPage(kColorPageIndex));
        ASSERT_EQ(GetDlgItem(page_, IDC_COLORMODE_GROUP) != nullptr, true) << "not the Color page";
    }
    PrivateDevmode& Record() { return *reinterpret_cast<PrivateDevmode*>(core_->PluginRecord()); }

    void Click(int id) {
        SendDlgItemMessageW(page_, id, BM_CLICK, 0, 0);
        core_->PumpSheet();
    }
    void Choose(int id, int index) {
        SendDlgItemMessageW(page_, id, CB_SETCURSEL, index, 0);
        SendMessageW(page_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(GetDlgItem(page_, id)));
        core_->PumpSheet();
    }
    bool Exists(int id) { return GetDlgItem(page_, id) != nullptr; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(page_, id)) != FALSE; }
    bool Ticked(int id) { return IsDlgButtonChecked(page_, id) == BST_CHECKED; }
    // Leaves the Color page for the Job Options page (PSN_KILLACTIVE on the Color page).
    void Leave() {
        PropSheet_SetCurSel(sheet_, nullptr, 0);
        core_->PumpSheet();
    }
    std::vector<std::wstring> ListItems(int id) {
        std::vector<std::wstring> items;
        const LRESULT count = SendDlgItemMessageW(page_, id, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            wchar_t text[128] = {};
            SendDlgItemMessageW(page_, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
            items.emplace_back(text);
        }
        return items;
    }
};

}  // namespace

TEST(ColorHexBytes, DecodesPairsAndStopsAtBadInput) {
    BYTE out[8] = {};
    size_t count = 99;
    EXPECT_FALSE(DecodeHexBytes(L"0A1b", out, sizeof(out), count));
    ASSERT_EQ(count, 2u);
    EXPECT_EQ(out[0], 0x0A);
    EXPECT_EQ(out[1], 0x1B);

    EXPECT_FALSE(DecodeHexBytes(L"FF0", out, sizeof(out), count)) << "odd length is no error";
    EXPECT_EQ(count, 1u) << "the lone last digit is dropped";

    // A bad second digit keeps the high nibble and goes on; a bad first digit stops.
    EXPECT_TRUE(DecodeHexBytes(L"1x2233", out, sizeof(out), count));
    ASSERT_EQ(count, 3u);
    EXPECT_EQ(out[0], 0x10);
    EXPECT_EQ(out[1], 0x22);
    EXPECT_TRUE(DecodeHexBytes(L"12zz34", out, sizeof(out), count));
    EXPECT_EQ(count, 1u);
    EXPECT_FALSE(DecodeHexBytes(L"", out, sizeof(out), count));
    EXPECT_EQ(count, 0u);

    // Longer than the table: filled to capacity, the rest refused, nothing written beyond.
    BYTE small[3] = {};
    BYTE guard = 0x5A;
    EXPECT_TRUE(DecodeHexBytes(L"0102030405", small, sizeof(small), count));
    EXPECT_EQ(count, 3u);
    EXPECT_EQ(small[2], 0x03);
    EXPECT_EQ(guard, 0x5A);
}

TEST_F(ColorPage, InitialStateFromTheMapAndTheRecord) {
    Open(testenv::kColorPrinter, [&] {
        map_->WantedValue[kEntryControl] = kColorModeMeridan;
        map_->WantedValue[kEntryOutputMode] = 1;
        Record().PsGammaSettingId = kChoiceOnBit | 3;
        Record().ColorSettingId = 0x00010102;
    });
    Show();
    EXPECT_TRUE(Ticked(IDC_COLORMODE_MERIDAN));
    EXPECT_FALSE(Ticked(IDC_COLORMODE_AUTOMATIC));
    EXPECT_TRUE(Enabled(IDC_MERIDAN_OPTIONS));
    EXPECT_FALSE(Enabled(IDC_CALDER_OPTIONS));
    EXPECT_TRUE(Ticked(IDC_TONER_SAVE));
    EXPECT_EQ(map_->WantedValue[kEntryColorSettingCopy], 0x00010102u);

    // The gamma list in file order with the ids as item data; the stored id is selected.
    const std::vector<std::wstring> expected = {L"Standard (gamma 1.0)", L"Lighter (gamma 0.8)",
                                                L"Darker (gamma 1.4)", L"Photo (gamma 1.8)"};
    EXPECT_EQ(ListItems(IDC_GAMMA_LIST), expected);
    EXPECT_EQ(SendDlgItemMessageW(page_, IDC_GAMMA_LIST, CB_GETITEMDATA, 3, 0), 4);
    EXPECT_EQ(SendDlgItemMessageW(page_, IDC_GAMMA_LIST, CB_GETCURSEL, 0, 0), 2);
    EXPECT_TRUE(Enabled(IDC_GAMMA_LIST));
    EXPECT_TRUE(Exists(IDC_GAMMA_LABEL));
    EXPECT_TRUE(Exists(IDC_COLOR_SWATCH)) << "the model names a swatch key";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page_, IDC_LINK_PICTURE)));
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], kChoiceOnBit | 3);

    const std::wstring folder = testenv::ShotFolder();
    RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    for (int i = 0; i < 20; ++i) {
        core_->PumpSheet();
        Sleep(10);
    }
    EXPECT_TRUE(testenv::ShowsTheWindow(testenv::SaveShot(sheet_, folder + L"\\color-page.png")));
}

TEST_F(ColorPage, UnknownStoredGammaFallsBackToTheFirstSettingSwitchedOff) {
    Open(testenv::kColorPrinter, [&] { Record().PsGammaSettingId = kChoiceOnBit | 77; });
    Show();
    EXPECT_EQ(SendDlgItemMessageW(page_, IDC_GAMMA_LIST, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], 1u);
    EXPECT_FALSE(Enabled(IDC_GAMMA_LIST));

    // Choosing another setting keeps the on/off half; Default clears all of it.
    Choose(IDC_GAMMA_LIST, 3);
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], 4u);
    map_->WantedValue[kEntryGammaSelection] |= kChoiceOnBit;
    Choose(IDC_GAMMA_LIST, 1);
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], kChoiceOnBit | 2);
}

TEST_F(ColorPage, ColourModesSwitchTheirControls) {
    Open(testenv::kColorPrinter);
    Show();
    struct Expect {
        int radio;
        DWORD mode;
        bool calder, meridan, toner;
    };
    const Expect cases[] = {
        {IDC_COLORMODE_CALDER, kColorModeCalder, true, false, true},
        {IDC_COLORMODE_MERIDAN, kColorModeMeridan, false, true, true},
        {IDC_COLORMODE_NO_MATCH, kColorModeNoMatching, false, false, true},
        {IDC_COLORMODE_GREYSCALE, kColorModeGreyscale, false, false, false},
        {IDC_COLORMODE_AUTOMATIC, kColorModeAutomatic, false, false, true},
    };
    for (const Expect& c : cases) {
        Click(c.radio);
        EXPECT_EQ(map_->WantedValue[kEntryControl], c.mode) << c.radio;
        EXPECT_EQ(Enabled(IDC_CALDER_OPTIONS), c.calder) << c.radio;
        EXPECT_EQ(Enabled(IDC_MERIDAN_OPTIONS), c.meridan) << c.radio;
        EXPECT_EQ(Enabled(IDC_TONER_SAVE), c.toner) << c.radio;
    }
    // A click on a picture chooses the mode beside it and checks its radio.
    Click(IDC_COLORMODE_PICTURE_FIRST + 4);
    EXPECT_EQ(map_->WantedValue[kEntryControl], kColorModeGreyscale);
    EXPECT_TRUE(Ticked(IDC_COLORMODE_GREYSCALE));
    EXPECT_FALSE(Ticked(IDC_COLORMODE_AUTOMATIC));
    EXPECT_FALSE(Enabled(IDC_TONER_SAVE));
    // A detail dialog closed with Cancel changes nothing.
    Click(IDC_COLORMODE_CALDER);
    const DWORD before = map_->WantedValue[kEntryControl];
    std::vector<std::wstring> captions;
    {
        testenv::ModalWatcher watcher([&](HWND window) {
            if (window == sheet_) return;
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            captions.push_back(caption);
            PostMessageW(window, WM_COMMAND, IDCANCEL, 0);
        });
        Click(IDC_CALDER_OPTIONS);
    }
    EXPECT_EQ(captions, std::vector<std::wstring>{L"Calder Color Details"});
    EXPECT_EQ(map_->WantedValue[kEntryControl], before);
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet_), page_);
}

TEST_F(ColorPage, LeavingPushesInOrderAndWritesTheRecord) {
    Open(testenv::kColorPrinter, [&] { Record().PsGammaSettingId = 2; });
    Show();
    Click(IDC_COLORMODE_NO_MATCH);
    Click(IDC_TONER_SAVE);
    EXPECT_EQ(map_->WantedValue[kEntryOutputMode], 1u);
    // A "Color" setting 2 chosen in the Calder Color dialog: its tables are loaded.
    map_->WantedValue[kEntryColorSettingCopy] = 0x00010002;
    core_->ClearUpdates();
    Leave();

    // The core driver got the colour mode first, the toner save with the resolution first.
    const auto& updates = core_->Updates();
    ASSERT_FALSE(updates.empty());
    EXPECT_EQ(updates.front().keyword, "VRControl");
    EXPECT_EQ(updates.front().newSel, static_cast<LONG>(kColorModeNoMatching));
    int resolution = -1, outputMode = -1;
    for (size_t i = 0; i < updates.size(); ++i) {
        if (updates[i].keyword == "VRResolution" && resolution < 0)
            resolution = static_cast<int>(i);
        if (updates[i].keyword == "VROutputMode" && outputMode < 0)
            outputMode = static_cast<int>(i);
    }
    ASSERT_GE(outputMode, 0);
    EXPECT_LT(resolution, outputMode);
    EXPECT_EQ(updates[outputMode].newSel, 1);
    EXPECT_EQ(core_->FeatureOption("VRControl"), "NoMatching");
    EXPECT_EQ(updates.back().keyword, "VROverlay");

    const PrivateDevmode& record = Record();
    EXPECT_EQ(record.ColorSettingId, 0x00010002u);
    EXPECT_EQ(record.PsGammaSettingId, 2u);
    EXPECT_EQ(record.ColorModeValue, 0);
    const BYTE table[] = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88};
    ASSERT_EQ(record.CcmTableLength[0], sizeof(table));
    EXPECT_EQ(record.CcmTableLength[1], 0);
    EXPECT_EQ(0, std::memcmp(record.CcmTable, table, sizeof(table)));
    EXPECT_EQ(record.CcmValueLength[0], 17);
    EXPECT_EQ(record.CcmValue[16], 0xFF);

    // Section "Gamma" with bit 8; with the high half 0 nothing is read.
    PropSheet_SetCurSel(sheet_, nullptr, kColorPageIndex);
    core_->PumpSheet();
    map_->WantedValue[kEntryColorSettingCopy] = 0x00010101;
    Leave();
    EXPECT_EQ(Record().CcmTableLength[0], 8);
    EXPECT_EQ(Record().CcmTable[0], 0xF0);
    EXPECT_EQ(Record().CcmValueLength[0], 20);
    PropSheet_SetCurSel(sheet_, nullptr, kColorPageIndex);
    core_->PumpSheet();
    map_->WantedValue[kEntryColorSettingCopy] = 0x00000002;
    Leave();
    EXPECT_EQ(Record().ColorSettingId, 2u);
    EXPECT_EQ(Record().CcmTable[0], 0xF0) << "tables keep their contents";

    // Apply reports the Color page's result to the sheet.
    PropSheet_SetCurSel(sheet_, nullptr, kColorPageIndex);
    core_->PumpSheet();
    PropSheet_Apply(sheet_);
    core_->PumpSheet();
    bool reported = false;
    for (const host::SetResultRecord& r : core_->Results()) {
        reported |=
            r.handle == reinterpret_cast<LPARAM>(map_->ColorPageHandle) && r.result == CPSUI_OK;
    }
    EXPECT_TRUE(reported);
}

TEST_F(ColorPage, DefaultResetsModeGammaAndBlackFinishOnly) {
    Open(testenv::kColorPrinter, [&] {
        map_->WantedValue[kEntryControl] = kColorModeGreyscale;
        map_->WantedValue[kEntryBlackSubGra] = 2;
        Record().PsGammaSettingId = kChoiceOnBit | 4;
        Record().ColorSettingId = 0x00010002;
    });
    Show();
    Click(IDC_DEFAULT);
    EXPECT_TRUE(Ticked(IDC_COLORMODE_AUTOMATIC));
    EXPECT_EQ(map_->WantedValue[kEntryControl], kColorModeAutomatic);
    EXPECT_EQ(map_->WantedValue[kEntryBlackSubGra], 0u);
    // Gamma 0 is not listed: the first setting, switched off.
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], 1u);
    EXPECT_FALSE(Ticked(IDC_CUSTOM_GAMMA));
    EXPECT_EQ(map_->WantedValue[kEntryColorSettingCopy], 0x00010002u);
}

TEST_F(ColorPage, SwatchUtilityStartsFromItsRegisteredFolderOrIsReported) {
    Open(testenv::kColorPrinter);
    Show();
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\LabPrinters\\ColorSwatch");
    // Answers message boxes only (the sheet is activated again after one closes).
    testenv::ModalWatcher watcher([](HWND window) {
        if (GetDlgItem(window, 0xFFFF) != nullptr) PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    auto messages = [&] {
        std::vector<std::wstring> texts;
        for (const auto& seen : watcher.seen) {
            if (!seen.text.empty()) texts.push_back(seen.caption + L"|" + seen.text);
        }
        return texts;
    };
    Click(IDC_COLOR_SWATCH);
    const std::vector<std::wstring> expected = {
        L"Error|To use this feature, please install the Color Swatch Utility."};
    EXPECT_EQ(messages(), expected);

    // Registered: the stand-in program (it logs its command line) runs as swatch.exe.
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder = std::wstring(temp) + L"colk-swatch";
    CreateDirectoryW(folder.c_str(), nullptr);
    ASSERT_TRUE(testenv::WriteFileBytes(
        folder + L"\\swatch.exe",
        testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrcolorap.exe")));
    testenv::StandInLog log;
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, L"Software\\LabPrinters\\ColorSwatch", 0, nullptr,
                              0, KEY_WRITE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, L"install", 0, REG_SZ, reinterpret_cast<const BYTE*>(folder.c_str()),
                   static_cast<DWORD>((folder.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    Click(IDC_COLOR_SWATCH);
    std::vector<std::string> lines;
    for (int i = 0; i < 300 && lines.empty(); ++i) {
        Sleep(20);
        lines = log.Lines();
    }
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_NE(lines[0].find("colk-swatch\\swatch.exe"), std::string::npos) << lines[0];
    EXPECT_EQ(messages(), expected) << "no message this time";
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\LabPrinters\\ColorSwatch");
}

TEST_F(ColorPage, ModelWithoutSwatchGammaOrLink) {
    Open(kBarePrinter, [&] { Record().PsGammaSettingId = kChoiceOnBit | 3; });
    Show();
    EXPECT_FALSE(Exists(IDC_COLOR_SWATCH));
    EXPECT_FALSE(Exists(IDC_GAMMA_LIST));
    EXPECT_FALSE(Exists(IDC_GAMMA_LABEL));
    // The Job Options page, shown first, found no gamma list and dropped the stored choice.
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], 0u);
    EXPECT_EQ(Record().PsGammaSettingId, 0u);
    // Without a link target the link picture shows but gives no hand cursor.
    const HWND link = GetDlgItem(page_, IDC_LINK_PICTURE);
    EXPECT_TRUE(IsWindowVisible(link));
    EXPECT_EQ(SendMessageW(page_, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              FALSE);
    Click(IDC_LINK_PICTURE);  // nothing to open
    EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet_), page_);
}

TEST_F(ColorPage, LinkWithTargetShowsTheHandCursor) {
    Open(testenv::kColorPrinter);
    Show();
    const HWND link = GetDlgItem(page_, IDC_LINK_PICTURE);
    SetWindowLongPtrW(page_, DWLP_MSGRESULT, 0);
    EXPECT_EQ(SendMessageW(page_, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
                           MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)),
              TRUE);
    EXPECT_EQ(GetCursor(), LoadHandCursor());
}

TEST_F(ColorPage, NoPermissionLocksTheModeControls) {
    // Custom gamma switched on: every refresh enables the list for users who may change it.
    Open(testenv::kColorPrinter, [&] {
        core_->SheetParam().dwFlags |= 0x20;
        Record().PsGammaSettingId = kChoiceOnBit | 3;
    });
    Show();
    for (int id : {IDC_COLORMODE_AUTOMATIC, IDC_COLORMODE_GREYSCALE, IDC_TONER_SAVE, IDC_DEFAULT,
                   IDC_COLOR_ADVANCED, IDC_COLORMODE_PICTURE_FIRST, IDC_GAMMA_LIST}) {
        EXPECT_FALSE(Enabled(id)) << id;
    }
    // Refreshes after a mode change and after coming back to the page keep the lock.
    SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_COLORMODE_CALDER, BN_CLICKED), 0);
    core_->PumpSheet();
    EXPECT_FALSE(Enabled(IDC_GAMMA_LIST)) << "after a mode change";
    PropSheet_SetCurSel(sheet_, nullptr, 0);
    core_->PumpSheet();
    PropSheet_SetCurSel(sheet_, nullptr, kColorPageIndex);
    core_->PumpSheet();
    EXPECT_FALSE(Enabled(IDC_GAMMA_LIST)) << "after coming back";
    EXPECT_FALSE(Enabled(IDC_COLOR_SWATCH));
    EXPECT_TRUE(Enabled(IDC_LINK_PICTURE)) << "the link stays usable";
}

namespace {

// The pixels of the five mode pictures' controls as the page shows them.
std::vector<COLORREF> ModePicturePixels(HWND page) {
    std::vector<COLORREF> pixels;
    HDC dc = GetDC(page);
    for (int id = IDC_COLORMODE_PICTURE_FIRST; id <= IDC_COLORMODE_PICTURE_LAST; ++id) {
        RECT r = {};
        GetWindowRect(GetDlgItem(page, id), &r);
        MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&r), 2);
        for (int y = r.top; y < r.bottom; ++y) {
            for (int x = r.left; x < r.right; ++x) pixels.push_back(GetPixel(dc, x, y));
        }
    }
    ReleaseDC(page, dc);
    return pixels;
}

size_t DistinctColours(std::vector<COLORREF> pixels) {
    std::sort(pixels.begin(), pixels.end());
    return static_cast<size_t>(std::unique(pixels.begin(), pixels.end()) - pixels.begin());
}

}  // namespace

// The page keeps each mode picture's masked image between paints and lets it go with the page.
// What it paints must be what a fresh transparent blit of the bitmap paints, in the first
// sheet and in a second one after the first has ended.
TEST_F(ColorPage, ModePicturesPaintAsTransparentBitmapsInEverySheet) {
    constexpr int kBitmaps[] = {IDB_COLORMODE_AUTOMATIC, IDB_COLORMODE_CALDER,
                                IDB_COLORMODE_MERIDAN, IDB_COLORMODE_NO_MATCH,
                                IDB_COLORMODE_GREYSCALE};
    std::vector<COLORREF> first;
    for (int sheet = 0; sheet < 2; ++sheet) {
        SCOPED_TRACE(sheet == 0 ? "first sheet" : "second sheet");
        Open(testenv::kColorPrinter);
        Show();
        RedrawWindow(sheet_, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
        core_->PumpSheet();
        const std::vector<COLORREF> painted = ModePicturePixels(page_);
        ASSERT_FALSE(painted.empty());
        EXPECT_GT(DistinctColours(painted), 8u) << "the pictures were not painted";

        // A transparent blit over a painted picture, done with raster operations, changes
        // nothing. At 96 DPI the 48 x 44 pictures are drawn at their size, centred in their
        // controls.
        HDC dc = GetDC(page_);
        for (int i = 0; i < 5; ++i) {
            RECT r = {};
            GetWindowRect(GetDlgItem(page_, IDC_COLORMODE_PICTURE_FIRST + i), &r);
            ASSERT_GE(r.right - r.left, 48);
            ASSERT_GE(r.bottom - r.top, 44);
            POINT at = {r.left + (r.right - r.left - 48) / 2, r.top + (r.bottom - r.top - 44) / 2};
            ScreenToClient(page_, &at);
            ASSERT_TRUE(testenv::ReferenceTransparentBlit(dc, at, dll_, kBitmaps[i]));
        }
        ReleaseDC(page_, dc);
        EXPECT_EQ(ModePicturePixels(page_), painted);
        if (sheet == 0) {
            first = painted;
        } else {
            EXPECT_EQ(painted, first);
        }
        Close();
    }
}
