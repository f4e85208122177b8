// The Color page's Advanced dialog, opened through the page's own button in a modeless
// document sheet built by the core-driver stand-in on the sample colour model: what it shows
// from the map, what OK, Cancel and Default do to the wanted values, and the locks that follow
// the resolution and the colour mode.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <array>
#include <functional>
#include <memory>
#include <string>

#include "coloradvanced_ids.h"
#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "ui/color/colorpage.h"

using namespace oemui;

namespace {

using testenv::InProcessGetClassObject;
using testenv::InProcessCanUnloadNow;


constexpr int kColorPageIndex = 1;  // Job Options, Color, ..., the stand-in's page

bool Ticked(HWND dialog, int id) { return IsDlgButtonChecked(dialog, id) == BST_CHECKED; }
bool Enabled(HWND dialog, int id) { return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE; }
LRESULT Selection(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
}
void Press(HWND dialog, int id) { SendDlgItemMessageW(dialog, id, BM_CLICK, 0, 0); }

class ColorDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(testenv::InstallSamplePrinters()); }
    void SetUp() override {
        dll_ = LoadLibraryW(testenv::Widen(OEMUI_DLL_PATH).c_str());
        ASSERT_NE(dll_, nullptr) << OEMUI_DLL_PATH;
        oldModule_ = ModuleHandle;
        ModuleHandle = dll_;
    }
    void TearDown() override {
        if (core_) {
            if (core_->SheetWindow() != nullptr) DestroyWindow(core_->SheetWindow());
            if (core_->SheetOpen()) core_->CloseSheet();
            EXPECT_EQ(core_->Shutdown(), S_OK);
        }
        ModuleHandle = oldModule_;
        if (dll_ != nullptr) FreeLibrary(dll_);
    }

    // Builds the sheet on the sample colour model, lets `prepare` set wanted values and shows
    // the Color page.
    void Open(const std::function<void(DriverItemMap&)>& prepare = nullptr) {
        host::CoreDriverOptions options;
        options.printerName = testenv::kColorPrinter;
        options.getClassObject = InProcessGetClassObject;
        options.canUnloadNow = InProcessCanUnloadNow;
        core_ = std::make_unique<host::CoreDriver>(options);
        ASSERT_TRUE(core_->Start()) << testenv::Narrow(core_->Error());
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Document));
        map_ = static_cast<PluginObject*>(core_->Plugin())->DocumentContext;
        ASSERT_NE(map_, nullptr);
        if (prepare) prepare(*map_);
        sheet_ = core_->ShowModeless(nullptr);
        ASSERT_NE(sheet_, nullptr);
        core_->PumpSheet();
        PropSheet_SetCurSel(sheet_, nullptr, kColorPageIndex);
        core_->PumpSheet();
        page_ = PropSheet_GetCurrentPageHwnd(sheet_);
        ASSERT_NE(GetDlgItem(page_, IDC_COLOR_ADVANCED), nullptr) << "not the Color page";
    }

    // Presses "Advanced..." on the page and runs `steps` inside the dialog; the steps end it.
    void RunAdvanced(const std::function<void(HWND)>& steps) {
        testenv::StepRunner runner;
        bool ran = false;
        runner.steps = [&](HWND dialog) {
            ran = true;
            steps(dialog);
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // a step forgot
        };
        // The sheet itself comes back to the foreground when the dialog ends: only the first
        // other window is the dialog.
        testenv::ModalWatcher watcher([&](HWND window) {
            if (window != sheet_ && !ran) runner.Post(window);
        });
        SendDlgItemMessageW(page_, IDC_COLOR_ADVANCED, BM_CLICK, 0, 0);
        core_->PumpSheet();
        EXPECT_TRUE(ran) << "the Advanced dialog did not open";
    }

    HMODULE dll_ = nullptr;
    HMODULE oldModule_ = nullptr;
    std::unique_ptr<host::CoreDriver> core_;
    DriverItemMap* map_ = nullptr;
    HWND sheet_ = nullptr;
    HWND page_ = nullptr;
};

using Values = std::array<DWORD, kEntryCount>;
Values Snapshot(const DriverItemMap& map) {
    Values values = {};
    for (int i = 0; i < kEntryCount; ++i) values[i] = map.WantedValue[i];
    return values;
}

// Wanted values the dialog edits, set before the page exists; each row must survive OK
// unchanged and show in the controls.
struct Start {
    const char* name;
    DWORD alwaysPrnHT, overPrint, screenObo, separation, specialSpace;
};
constexpr Start kStarts[] = {
    {"first options", 0, 0, 0, 0, 0},
    {"second options", 1, 1, 1, 3, 1},
    {"mixed", 0, 1, 1, 4, 0},
};

void Prepare(DriverItemMap& map, const Start& row) {
    map.WantedValue[kEntryAlwaysPrnHT] = row.alwaysPrnHT;
    map.WantedValue[kEntryOverPrint] = row.overPrint;
    map.WantedValue[kEntryScreenObo] = row.screenObo;
    map.WantedValue[kEntrySeparationOrder] = row.separation;
    map.WantedValue[kEntrySpecialColorSpace] = row.specialSpace;
    map.WantedValue[kEntryResolution] = 1;
}

}  // namespace

TEST_F(ColorDialogs, AdvancedShowsTheMapAndOkWithoutChangesKeepsEveryValue) {
    for (const Start& row : kStarts) {
        SCOPED_TRACE(row.name);
        Open([&](DriverItemMap& map) { Prepare(map, row); });
        const Values before = Snapshot(*map_);
        RunAdvanced([&](HWND dialog) {
            EXPECT_EQ(Ticked(dialog, IDC_CADV_ALWAYS_PRN_HT), row.alwaysPrnHT == 0);
            EXPECT_EQ(Ticked(dialog, IDC_CADV_OVERPRINT), row.overPrint == 1);
            EXPECT_EQ(Ticked(dialog, IDC_CADV_SCREEN_OBO), row.screenObo == 0);
            EXPECT_EQ(Selection(dialog, IDC_CADV_SEPARATION_LIST),
                      static_cast<LRESULT>(row.separation));
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_CADV_SEPARATION_LIST, CB_GETCOUNT, 0, 0), 5)
                << "one item per separation option of the PPD";
            Press(dialog, IDOK);
        });
        EXPECT_EQ(Snapshot(*map_), before);
        DestroyWindow(core_->SheetWindow());
        core_->CloseSheet();
        EXPECT_EQ(core_->Shutdown(), S_OK);
        core_.reset();
    }
}

TEST_F(ColorDialogs, AdvancedOkWritesTheBoxesCancelAndDefaultDoNot) {
    struct Case {
        const char* name;
        int closeWith;
        bool pressDefault;
        DWORD alwaysPrnHT, overPrint, screenObo, separation;
    };
    // Start: every box in its second option, separation 3; the steps flip every box and pick
    // separation 1 before closing.
    constexpr Case kCases[] = {
        {"OK writes", IDOK, false, 0, 0, 0, 1},
        {"Cancel keeps", IDCANCEL, false, 1, 1, 1, 3},
        {"Default then OK", IDOK, true, 0, 0, 0, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open([](DriverItemMap& map) { Prepare(map, kStarts[1]); });
        RunAdvanced([&](HWND dialog) {
            Press(dialog, IDC_CADV_ALWAYS_PRN_HT);
            Press(dialog, IDC_CADV_OVERPRINT);
            Press(dialog, IDC_CADV_SCREEN_OBO);
            SendDlgItemMessageW(dialog, IDC_CADV_SEPARATION_LIST, CB_SETCURSEL, 1, 0);
            if (c.pressDefault) {
                Press(dialog, IDC_DEFAULT);
                EXPECT_TRUE(IsWindow(dialog)) << "Default keeps the dialog open";
            }
            Press(dialog, c.closeWith);
        });
        EXPECT_EQ(map_->WantedValue[kEntryAlwaysPrnHT], c.alwaysPrnHT);
        EXPECT_EQ(map_->WantedValue[kEntryOverPrint], c.overPrint);
        EXPECT_EQ(map_->WantedValue[kEntryScreenObo], c.screenObo);
        EXPECT_EQ(map_->WantedValue[kEntrySeparationOrder], c.separation);
        // Only a closed-with-OK dialog marks the page changed.
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(sheet_, 0x3021)) != FALSE, c.closeWith == IDOK)
            << "Apply button";
        DestroyWindow(core_->SheetWindow());
        core_->CloseSheet();
        EXPECT_EQ(core_->Shutdown(), S_OK);
        core_.reset();
    }
}

TEST_F(ColorDialogs, AdvancedLocksFollowResolutionAndColourMode) {
    struct Case {
        const char* name;
        DWORD resolution;
        DWORD mode;
        bool halftoneEnabled;
        bool separationEnabled;
    };
    constexpr Case kCases[] = {
        {"lowest resolution", 0, kColorModeAutomatic, false, true},
        {"higher resolution", 1, kColorModeAutomatic, true, true},
        {"grey scale", 1, kColorModeGreyscale, true, false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open([&](DriverItemMap& map) {
            map.WantedValue[kEntryResolution] = c.resolution;
            map.WantedValue[kEntryControl] = c.mode;
        });
        RunAdvanced([&](HWND dialog) {
            EXPECT_EQ(Enabled(dialog, IDC_CADV_ALWAYS_PRN_HT), c.halftoneEnabled);
            EXPECT_EQ(Enabled(dialog, IDC_CADV_SEPARATION_LIST), c.separationEnabled);
            EXPECT_EQ(Enabled(dialog, IDC_CADV_SEPARATION_LABEL), c.separationEnabled);
            Press(dialog, IDCANCEL);
        });
        DestroyWindow(core_->SheetWindow());
        core_->CloseSheet();
        EXPECT_EQ(core_->Shutdown(), S_OK);
        core_.reset();
    }
}
