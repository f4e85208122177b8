// The Color page's detail dialogs (Advanced, Calder Color, Meridan Pro, special toner), opened
// through the page in a modeless document sheet built by the core-driver stand-in on the
// sample colour model: what they show from the map and the colour-matching file, what OK,
// Cancel and Default do to the wanted values, the locks and the controls that follow the
// choices, and the mutual exclusion of whole-page special toner and the special colour space.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "coloradvanced_ids.h"
#include "colorcalder_ids.h"
#include "colormeridan_ids.h"
#include "colortoner_ids.h"
#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "ui/color/colorpage.h"

using namespace oemui;

namespace {

constexpr int kColorPageIndex = 1;  // Job Options, Color, ..., the stand-in's page

using testenv::Click;
using testenv::Enabled;
using testenv::Ticked;

LRESULT Selection(HWND dialog, int id) {
    return SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
}

class ColorDialogs : public testenv::CoreSheetTest {
protected:
    static void SetUpTestSuite() { ASSERT_TRUE(testenv::InstallSamplePrinters()); }

    // Builds the sheet on the sample colour model, lets `prepare` set wanted values and shows
    // the Color page.
    // `toner`: the special toner the printer reports installed; `ppdPath`: another PPD.
    void Open(const std::function<void(DriverItemMap&)>& prepare = nullptr,
              const char* toner = nullptr, const std::wstring& ppdPath = {}) {
        host::CoreDriverOptions options = testenv::InProcessOptions(testenv::kColorPrinter);
        options.ppdPath = ppdPath;
        options.sheetFlags = sheetFlags_;
        ASSERT_NO_FATAL_FAILURE(StartCore(options));
        if (toner != nullptr) {
            ASSERT_TRUE(core_->SetFeature("VRSpecialTonerInstalled", toner));
        }
        ASSERT_NO_FATAL_FAILURE(OpenDocumentSheet());
        if (prepare) prepare(*map_);
        ASSERT_NO_FATAL_FAILURE(ShowPage(kColorPageIndex));
        ASSERT_NE(GetDlgItem(page_, IDC_COLOR_ADVANCED), nullptr) << "not the Color page";
    }

    // Runs `open` (which opens a dialog of the page) and `steps` inside that dialog; the steps
    // end it. Message boxes the steps cause are recorded in boxes_ and answered with
    // `boxAnswer`.
    void RunDialog(const std::function<void()>& open, const std::function<void(HWND)>& steps,
                   int boxAnswer = IDOK) {
        testenv::StepRunner runner;
        HWND dialogSeen = nullptr;
        runner.steps = [&](HWND dialog) {
            steps(dialog);
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // a step forgot
        };
        boxes_.clear();
        // The sheet itself comes back to the foreground when the dialog ends: the first other
        // window is the dialog, later ones are its message boxes.
        testenv::ModalWatcher watcher([&](HWND window) {
            if (window == sheet_) return;
            if (dialogSeen == nullptr) {
                dialogSeen = window;
                runner.Post(window);
                return;
            }
            testenv::AnswerBox(window, boxAnswer, boxes_);
        });
        open();
        core_->PumpSheet();
        EXPECT_NE(dialogSeen, nullptr) << "the dialog did not open";
    }

    // Presses a button of the page that opens a dialog and runs `steps` inside the dialog.
    void RunFromButton(int button, const std::function<void(HWND)>& steps, int boxAnswer = IDOK) {
        RunDialog([&] { SendDlgItemMessageW(page_, button, BM_CLICK, 0, 0); }, steps, boxAnswer);
    }
    void RunAdvanced(const std::function<void(HWND)>& steps) {
        RunFromButton(IDC_COLOR_ADVANCED, steps);
    }
    // Template 111 has no special-toner button: the command reaches the page procedure as it
    // would from a layout that has one.
    void RunSpecialToner(const std::function<void(HWND)>& steps, int boxAnswer = IDOK) {
        RunDialog(
            [&] { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(IDC_SPECIAL_TONER, BN_CLICKED), 0); },
            steps, boxAnswer);
    }

    bool ApplyEnabled() const { return IsWindowEnabled(GetDlgItem(sheet_, 0x3021)) != FALSE; }

    std::vector<std::wstring> boxes_;
    DWORD sheetFlags_ = 0;  // of the next Open()
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
            Click(dialog, IDOK);
        });
        EXPECT_EQ(Snapshot(*map_), before);
        Close();
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
            Click(dialog, IDC_CADV_ALWAYS_PRN_HT);
            Click(dialog, IDC_CADV_OVERPRINT);
            Click(dialog, IDC_CADV_SCREEN_OBO);
            SendDlgItemMessageW(dialog, IDC_CADV_SEPARATION_LIST, CB_SETCURSEL, 1, 0);
            if (c.pressDefault) {
                Click(dialog, IDC_DEFAULT);
                EXPECT_TRUE(IsWindow(dialog)) << "Default keeps the dialog open";
            }
            Click(dialog, c.closeWith);
        });
        EXPECT_EQ(map_->WantedValue[kEntryAlwaysPrnHT], c.alwaysPrnHT);
        EXPECT_EQ(map_->WantedValue[kEntryOverPrint], c.overPrint);
        EXPECT_EQ(map_->WantedValue[kEntryScreenObo], c.screenObo);
        EXPECT_EQ(map_->WantedValue[kEntrySeparationOrder], c.separation);
        // Only a closed-with-OK dialog marks the page changed.
        EXPECT_EQ(IsWindowEnabled(GetDlgItem(sheet_, 0x3021)) != FALSE, c.closeWith == IDOK)
            << "Apply button";
        Close();
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
            Click(dialog, IDCANCEL);
        });
        Close();
    }
}

namespace {

LRESULT Count(HWND dialog, int id) { return SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0); }
LRESULT ItemData(HWND dialog, int id, int index) {
    return SendDlgItemMessageW(dialog, id, CB_GETITEMDATA, static_cast<WPARAM>(index), 0);
}
// The control's own visibility (the dialog shows itself only once its message loop idles).
bool Visible(HWND dialog, int id) {
    return (GetWindowLongW(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}
// The detail dialogs' lists are all drop-downs.
void Choose(HWND dialog, int id, int index) { testenv::Choose(dialog, id, index, true); }

void ChooseMode(DriverItemMap& map, DWORD mode) { map.WantedValue[kEntryControl] = mode; }

// Writes the sample colour PPD without `feature` to the temporary folder as `name`; its path,
// empty when the feature was not found or the file could not be written.
std::wstring PpdWithout(const std::string& feature, const wchar_t* name) {
    std::string ppd = testenv::SampleFile(L"labcolor.ppd");
    const size_t from = ppd.find("*OpenUI *" + feature + "/");
    const std::string close = "*CloseUI: *" + feature;
    const size_t to = ppd.find(close);
    if (from == std::string::npos || to == std::string::npos) return {};
    ppd.erase(from, to + close.size() - from);
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + name;
    return testenv::WriteFileBytes(path, ppd) ? path : std::wstring();
}

}  // namespace

// The sample colour-matching file has two "Color" settings (1, 2) and one "Gamma" setting (1).
TEST_F(ColorDialogs, CalderListsColorThenGammaSettingsAndTheUtilityReplacesTheRgbSetting) {
    struct Case {
        const char* name;
        int utilityItem;  // chosen after ticking the box; -1: the box stays unticked
        bool pressDefault;
        int closeWith;
        DWORD setting;  // ColorSettingCopy afterwards (it starts at 0)
    };
    constexpr Case kCases[] = {
        {"gamma setting", 2, false, IDOK, 0x00010000 | 0x100 | 1},
        {"second colour setting", 1, false, IDOK, 0x00010000 | 2},
        {"box only: first item", 0, false, IDOK, 0x00010000 | 1},
        {"cancelled", 2, false, IDCANCEL, 0},
        // Setting 0 is not listed: the first item stands in, with the utility off.
        {"default", 2, true, IDOK, 1},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open([](DriverItemMap& map) { ChooseMode(map, kColorModeCalder); });
        map_->WantedValue[kEntryColorSettingCopy] = 0;
        RunFromButton(IDC_CALDER_OPTIONS, [&](HWND dialog) {
            ASSERT_EQ(Count(dialog, IDC_CALDER_UTILITY_LIST), 3);
            EXPECT_EQ(ItemData(dialog, IDC_CALDER_UTILITY_LIST, 0), 1);
            EXPECT_EQ(ItemData(dialog, IDC_CALDER_UTILITY_LIST, 1), 2);
            EXPECT_EQ(ItemData(dialog, IDC_CALDER_UTILITY_LIST, 2), 0x100 + 1)
                << "a gamma setting is its id's low byte + 256";
            EXPECT_FALSE(Ticked(dialog, IDC_CALDER_UTILITY));
            EXPECT_TRUE(Enabled(dialog, IDC_CALDER_RGB_LIST));
            EXPECT_FALSE(Enabled(dialog, IDC_CALDER_UTILITY_LIST));
            Click(dialog, IDC_CALDER_UTILITY);
            EXPECT_FALSE(Enabled(dialog, IDC_CALDER_RGB_LIST)) << "the utility replaces it";
            EXPECT_TRUE(Enabled(dialog, IDC_CALDER_UTILITY_LIST));
            Choose(dialog, IDC_CALDER_UTILITY_LIST, c.utilityItem);
            if (c.pressDefault) {
                Click(dialog, IDC_DEFAULT);
                EXPECT_FALSE(Ticked(dialog, IDC_CALDER_UTILITY));
                EXPECT_TRUE(Enabled(dialog, IDC_CALDER_RGB_LIST));
            }
            Click(dialog, c.closeWith);
        });
        EXPECT_EQ(map_->WantedValue[kEntryColorSettingCopy], c.setting);
        Close();
    }
}

TEST_F(ColorDialogs, CalderShowsAndWritesItsFeatures) {
    struct Case {
        const char* name;
        int closeWith;
        DWORD target, black, render;  // wanted values afterwards
    };
    // Start: target 1, black 2, render style 3; the steps pick target 3, black 1, style 4.
    constexpr Case kCases[] = {
        {"OK writes", IDOK, 3, 1, 4},
        {"Cancel keeps", IDCANCEL, 1, 2, 3},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open([](DriverItemMap& map) {
            ChooseMode(map, kColorModeCalder);
            map.WantedValue[kEntryTargetColor] = 1;
            map.WantedValue[kEntryBlackSubstitution] = 2;
            map.WantedValue[kEntryColorRenderStyle] = 3;
        });
        RunFromButton(IDC_CALDER_OPTIONS, [&](HWND dialog) {
            EXPECT_EQ(Count(dialog, IDC_CALDER_CMYK_LIST), 4);
            EXPECT_EQ(Count(dialog, IDC_CALDER_RGB_LIST), 5);
            EXPECT_EQ(Selection(dialog, IDC_CALDER_CMYK_LIST), 1);
            EXPECT_EQ(Selection(dialog, IDC_CALDER_RGB_LIST), 3);
            EXPECT_TRUE(Ticked(dialog, IDC_CALDER_BLACK_TRUE));
            Choose(dialog, IDC_CALDER_CMYK_LIST, 3);
            Click(dialog, IDC_CALDER_BLACK_COMPOSITE);
            Choose(dialog, IDC_CALDER_RGB_LIST, 4);
            Click(dialog, c.closeWith);
        });
        EXPECT_EQ(map_->WantedValue[kEntryTargetColor], c.target);
        EXPECT_EQ(map_->WantedValue[kEntryBlackSubstitution], c.black);
        EXPECT_EQ(map_->WantedValue[kEntryColorRenderStyle], c.render);
        Close();
    }
}

// A PPD that lacks VRTargetColor: the list stays empty and disabled, OK keeps the wanted value.
TEST_F(ColorDialogs, CalderWithoutTargetColorLeavesItsListEmptyAndTheValueAlone) {
    const std::wstring path = PpdWithout("VRTargetColor", L"colordialogs-no-target.ppd");
    ASSERT_FALSE(path.empty());

    Open(
        [](DriverItemMap& map) {
            ChooseMode(map, kColorModeCalder);
            map.WantedValue[kEntryTargetColor] = 3;
        },
        nullptr, path);
    EXPECT_EQ(map_->ItemIndex[kEntryTargetColor], kNoItem);
    RunFromButton(IDC_CALDER_OPTIONS, [&](HWND dialog) {
        EXPECT_EQ(Count(dialog, IDC_CALDER_CMYK_LIST), 0);
        EXPECT_FALSE(Enabled(dialog, IDC_CALDER_CMYK_LIST));
        EXPECT_EQ(Count(dialog, IDC_CALDER_RGB_LIST), 5) << "the other lists are filled";
        Click(dialog, IDOK);
    });
    EXPECT_EQ(map_->WantedValue[kEntryTargetColor], 3u);
    Close();
    DeleteFileW(path.c_str());
}

TEST_F(ColorDialogs, MeridanMethodDecidesWhichControlsShow) {
    struct Case {
        const char* name;
        int method;                                // radio clicked
        DWORD cmyk;                                // VRCMYKProfile before opening
        bool input, cmykRows, simulation, output;  // RGB list, CMYK lists, simulation, the rest
        bool linkPicture, printerPicture;
    };
    constexpr Case kCases[] = {
        {"ICC profile, input profile", IDC_MERIDAN_METHOD_ICC, 0, true, true, false, true, false,
         false},
        {"ICC profile, link profile", IDC_MERIDAN_METHOD_ICC, 1, true, true, false, true, true,
         false},
        {"printer simulation", IDC_MERIDAN_METHOD_SIM, 0, true, false, true, true, false, true},
        {"creating a profile", IDC_MERIDAN_METHOD_CREATE, 0, false, false, false, false, false,
         false},
        {"application matching", IDC_MERIDAN_METHOD_APP, 0, false, false, false, false, false,
         false},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open([&](DriverItemMap& map) {
            ChooseMode(map, kColorModeMeridan);
            map.WantedValue[kEntryColorIcms] = 3;
            map.WantedValue[kEntryCmykProfile] = c.cmyk;
        });
        RunFromButton(IDC_MERIDAN_OPTIONS, [&](HWND dialog) {
            EXPECT_TRUE(Ticked(dialog, IDC_MERIDAN_METHOD_APP));
            Click(dialog, c.method);
            EXPECT_TRUE(Ticked(dialog, c.method));
            EXPECT_EQ(Visible(dialog, IDC_MERIDAN_RGB_LIST), c.input);
            EXPECT_EQ(Visible(dialog, IDC_MERIDAN_INPUT_GROUP), c.input);
            for (int id : {IDC_MERIDAN_CMYK_INPUT, IDC_MERIDAN_CMYK_LINK,
                           IDC_MERIDAN_CMYK_INPUT_LIST, IDC_MERIDAN_CMYK_LINK_LIST}) {
                EXPECT_EQ(Visible(dialog, id), c.cmykRows) << id;
            }
            EXPECT_EQ(Visible(dialog, IDC_MERIDAN_SIM_LIST), c.simulation);
            for (int id : {IDC_MERIDAN_OUTPUT_LIST, IDC_MERIDAN_INTENT_LIST, IDC_MERIDAN_PRECISION,
                           IDC_MERIDAN_BLACK_LIST, IDC_MERIDAN_PURE_BLACK}) {
                EXPECT_EQ(Visible(dialog, id), c.output) << id;
            }
            EXPECT_EQ(Visible(dialog, IDC_MERIDAN_PICTURE_LINK), c.linkPicture);
            EXPECT_EQ(Visible(dialog, IDC_MERIDAN_PICTURE_PRINTER), c.printerPicture);
            if (c.cmykRows) {
                // With a link profile the input profile and Preserve Black are out of play.
                const bool link = c.cmyk == 1;
                EXPECT_TRUE(Ticked(dialog, link ? IDC_MERIDAN_CMYK_LINK : IDC_MERIDAN_CMYK_INPUT));
                EXPECT_EQ(Enabled(dialog, IDC_MERIDAN_CMYK_LINK_LIST), link);
                EXPECT_EQ(Enabled(dialog, IDC_MERIDAN_CMYK_INPUT_LIST), !link);
                EXPECT_EQ(Enabled(dialog, IDC_MERIDAN_PRESERVE_BLACK), !link);
            }
            Click(dialog, IDOK);
        });
        EXPECT_EQ(map_->WantedValue[kEntryColorIcms],
                  static_cast<DWORD>(c.method - IDC_MERIDAN_METHOD_ICC));
        EXPECT_TRUE(ApplyEnabled()) << "OK marks the Color page changed";
        Close();
    }
}

TEST_F(ColorDialogs, MeridanDefaultGivesHighestPrecisionAndZerosOnlyAfterOk) {
    // Every edited feature starts at its second option (precision at the lowest).
    constexpr int kEntries[] = {kEntryColorIcms,  kEntryCmykProfile,      kEntryColorRenderDict,
                                kEntryRgbProfile, kEntryCmykInputProfile, kEntryCmykLinkProfile,
                                kEntryOutProfile, kEntrySimProfile,       kEntryPreserveBlack,
                                kEntryPureBlack,  kEntryBlackSubGra};
    for (int closeWith : {IDOK, IDCANCEL}) {
        SCOPED_TRACE(closeWith == IDOK ? "OK" : "Cancel");
        Open([&](DriverItemMap& map) {
            ChooseMode(map, kColorModeMeridan);
            for (int entry : kEntries) map.WantedValue[entry] = 1;
            map.WantedValue[kEntryColorMatch] = 0;
        });
        RunFromButton(IDC_MERIDAN_OPTIONS, [&](HWND dialog) {
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_MERIDAN_PRECISION, TBM_GETPOS, 0, 0), 0);
            EXPECT_FALSE(Ticked(dialog, IDC_MERIDAN_PURE_BLACK));
            Click(dialog, IDC_DEFAULT);
            EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_MERIDAN_PRECISION, TBM_GETPOS, 0, 0), 2);
            EXPECT_TRUE(Ticked(dialog, IDC_MERIDAN_METHOD_ICC));
            EXPECT_TRUE(Ticked(dialog, IDC_MERIDAN_PURE_BLACK));
            EXPECT_EQ(Selection(dialog, IDC_MERIDAN_OUTPUT_LIST), 0);
            EXPECT_FALSE(Enabled(dialog, IDC_MERIDAN_INTENT_LIST))
                << "the automatic output profile locks the rendering intent";
            Click(dialog, closeWith);
        });
        for (int entry : kEntries) {
            EXPECT_EQ(map_->WantedValue[entry], closeWith == IDOK ? 0u : 1u) << "entry " << entry;
        }
        EXPECT_EQ(map_->WantedValue[kEntryColorMatch], closeWith == IDOK ? 2u : 0u);
        EXPECT_EQ(ApplyEnabled(), closeWith == IDOK);
        Close();
    }
}

TEST_F(ColorDialogs, SpecialTonerWholePageAndSpecialColorSpaceExcludeEachOther) {
    struct Case {
        const char* name;
        const char* toner;
        DWORD space;  // wanted VRSpecialColorSpace before
        int answer;   // to the confirmation
        bool asked;
        DWORD choice;  // VRSpecialColorControl after OK (it starts at 2)
        DWORD spaceAfter;
    };
    constexpr Case kCases[] = {
        {"white, space on, OK", "White", 1, IDOK, true, 5, 0},
        {"white, space on, Cancel", "White", 1, IDCANCEL, true, 2, 1},
        {"clear, space on, Cancel", "Clear", 1, IDCANCEL, true, 2, 1},
        {"clear, space off", "Clear", 0, IDCANCEL, false, 5, 0},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open(
            [&](DriverItemMap& map) {
                map.WantedValue[kEntrySpecialColorControl] = 2;
                map.WantedValue[kEntrySpecialColorSpace] = c.space;
            },
            c.toner);
        RunSpecialToner(
            [&](HWND dialog) {
                EXPECT_TRUE(Ticked(dialog, IDC_TONER_CHOICE_UNDER));
                Click(dialog, IDC_TONER_CHOICE_WHOLE);
                EXPECT_EQ(boxes_.size(), c.asked ? 1u : 0u);
                EXPECT_EQ(map_->WantedValue[kEntrySpecialColorSpace], c.spaceAfter)
                    << "the confirmation acts on the map at once";
                EXPECT_EQ(Ticked(dialog, IDC_TONER_CHOICE_WHOLE), c.choice == 5);
                EXPECT_EQ(Ticked(dialog, IDC_TONER_CHOICE_UNDER), c.choice == 2);
                Click(dialog, IDOK);
            },
            c.answer);
        EXPECT_EQ(map_->WantedValue[kEntrySpecialColorControl], c.choice);
        Close();
    }
}

TEST_F(ColorDialogs, SpecialTonerTemplateFollowsTheInstalledToner) {
    struct Case {
        const char* toner;
        const wchar_t* title;
        bool order;  // white: layer order; clear: finish list
    };
    const Case kCases[] = {{"White", L"White Toner", true}, {"Clear", L"Clear Toner", false}};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.toner);
        Open(
            [](DriverItemMap& map) {
                map.WantedValue[kEntrySpecialColorControl] = 0;
                map.WantedValue[kEntryCoreItem423] = 1;
                map.WantedValue[kEntrySpecialColorOrder] = 0;
                map.WantedValue[kEntryClearOutputMode] = 0;
            },
            c.toner);
        RunSpecialToner([&](HWND dialog) {
            wchar_t title[64] = {};
            GetDlgItemTextW(dialog, IDC_TONER_TITLE, title, 64);
            EXPECT_STREQ(title, c.title);
            EXPECT_EQ(GetDlgItem(dialog, IDC_TONER_ORDER_UNDER) != nullptr, c.order);
            EXPECT_EQ(GetDlgItem(dialog, IDC_TONER_FINISH_LIST) != nullptr, !c.order);
            const int dependent = c.order ? IDC_TONER_ORDER_OVER : IDC_TONER_FINISH_LIST;
            // Off: nothing to order or finish, and no result preview.
            EXPECT_FALSE(Enabled(dialog, dependent));
            EXPECT_FALSE(Visible(dialog, IDC_TONER_PREVIEW_RESULT));
            Click(dialog, IDC_TONER_PICTURE_SPOT);  // the picture chooses as the radio does
            EXPECT_TRUE(Ticked(dialog, IDC_TONER_CHOICE_SPOT));
            EXPECT_TRUE(Enabled(dialog, dependent));
            EXPECT_TRUE(Visible(dialog, IDC_TONER_PREVIEW_RESULT));
            if (c.order) {
                Click(dialog, IDC_TONER_ORDER_OVER);
            } else {
                EXPECT_EQ(Count(dialog, IDC_TONER_FINISH_LIST), 3);
                Choose(dialog, IDC_TONER_FINISH_LIST, 2);
            }
            EXPECT_FALSE(Ticked(dialog, IDC_TONER_MIRROR));
            Click(dialog, IDC_TONER_MIRROR);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(map_->WantedValue[kEntrySpecialColorControl], 1u);
        EXPECT_EQ(map_->WantedValue[kEntryCoreItem423], 0u) << "ticked mirror is option 0";
        EXPECT_EQ(map_->WantedValue[kEntrySpecialColorOrder], c.order ? 1u : 0u);
        EXPECT_EQ(map_->WantedValue[kEntryClearOutputMode], c.order ? 0u : 2u);
        Close();
    }
}

// Without permission to change settings the page locks its buttons; the dialogs, reached by the
// page's commands, lock their Default button.
TEST_F(ColorDialogs, DetailDialogsLockDefaultWithoutPermission) {
    struct Case {
        const char* name;
        WORD command;
        bool mode;  // the colour mode the dialog belongs to is chosen first
        DWORD colorMode;
    };
    constexpr Case kCases[] = {
        {"Calder Color", IDC_CALDER_OPTIONS, true, kColorModeCalder},
        {"Meridan Pro", IDC_MERIDAN_OPTIONS, true, kColorModeMeridan},
        {"special toner", IDC_SPECIAL_TONER, false, 0},
    };
    for (DWORD flags : {DWORD{0}, DWORD{0x20}}) {
        for (const Case& c : kCases) {
            SCOPED_TRACE(std::string(c.name) + (flags != 0 ? ", read-only" : ""));
            sheetFlags_ = flags;
            Open([&](DriverItemMap& map) { ChooseMode(map, c.colorMode); }, "White");
            EXPECT_EQ(Enabled(page_, IDC_COLOR_ADVANCED), flags == 0);
            RunDialog(
                [&] { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0); },
                [&](HWND dialog) {
                    EXPECT_EQ(Enabled(dialog, IDC_DEFAULT), flags == 0);
                    EXPECT_TRUE(Enabled(dialog, IDOK));
                    Click(dialog, IDCANCEL);
                });
            Close();
        }
    }
}

// Default then OK writes the defaults of what the dialog edits and nothing else: every other
// wanted value, including the other toner dialog's feature, stays as it was.
TEST_F(ColorDialogs, DefaultThenOkChangesOnlyWhatTheDialogEdits) {
    struct Change {
        int entry;
        DWORD value;
    };
    struct Case {
        const char* name;
        WORD command;
        DWORD colorMode;
        const char* toner;
        std::vector<Change> changes;
    };
    const Case kCases[] = {
        {"Advanced",
         IDC_COLOR_ADVANCED,
         kColorModeAutomatic,
         nullptr,
         {{kEntryAlwaysPrnHT, 0},
          {kEntryOverPrint, 0},
          {kEntryScreenObo, 0},
          {kEntrySeparationOrder, 0},
          {kEntrySpecialColorSpace, 0}}},
        // Setting 0 is not listed: the first setting stands in, with the utility off.
        {"Calder Color",
         IDC_CALDER_OPTIONS,
         kColorModeCalder,
         nullptr,
         {{kEntryTargetColor, 0},
          {kEntryBlackSubstitution, 0},
          {kEntryColorRenderStyle, 0},
          {kEntryColorSettingCopy, 1}}},
        {"Meridan Pro",
         IDC_MERIDAN_OPTIONS,
         kColorModeMeridan,
         nullptr,
         {{kEntryColorIcms, 0},
          {kEntryCmykProfile, 0},
          {kEntryColorRenderDict, 0},
          {kEntryRgbProfile, 0},
          {kEntryCmykInputProfile, 0},
          {kEntryCmykLinkProfile, 0},
          {kEntryOutProfile, 0},
          {kEntrySimProfile, 0},
          {kEntryPreserveBlack, 0},
          {kEntryPureBlack, 0},
          {kEntryBlackSubGra, 0},
          {kEntryColorMatch, 2}}},
        // Mirror printing is off at option 1.
        {"white toner",
         IDC_SPECIAL_TONER,
         kColorModeAutomatic,
         "White",
         {{kEntrySpecialColorControl, 0}, {kEntryCoreItem423, 1}, {kEntrySpecialColorOrder, 0}}},
        {"clear toner",
         IDC_SPECIAL_TONER,
         kColorModeAutomatic,
         "Clear",
         {{kEntrySpecialColorControl, 0}, {kEntryCoreItem423, 1}, {kEntryClearOutputMode, 0}}},
    };
    // Every value any of the dialogs edits starts away from its default.
    constexpr int kStartAtOne[] = {
        kEntryAlwaysPrnHT,       kEntryOverPrint,           kEntryScreenObo,
        kEntrySeparationOrder,   kEntrySpecialColorSpace,   kEntryTargetColor,
        kEntryBlackSubstitution, kEntryColorRenderStyle,    kEntryColorIcms,
        kEntryCmykProfile,       kEntryColorRenderDict,     kEntryRgbProfile,
        kEntryCmykInputProfile,  kEntryCmykLinkProfile,     kEntryOutProfile,
        kEntrySimProfile,        kEntryPreserveBlack,       kEntryPureBlack,
        kEntryBlackSubGra,       kEntrySpecialColorControl, kEntrySpecialColorOrder,
        kEntryClearOutputMode,   kEntryResolution};
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open(
            [&](DriverItemMap& map) {
                for (int entry : kStartAtOne) map.WantedValue[entry] = 1;
                map.WantedValue[kEntryColorMatch] = 0;
                map.WantedValue[kEntryCoreItem423] = 0;
                ChooseMode(map, c.colorMode);
            },
            c.toner);
        map_->WantedValue[kEntryColorSettingCopy] = 0x10002;  // the utility's second setting
        const Values before = Snapshot(*map_);
        Values expected = before;
        for (const Change& change : c.changes) {
            ASSERT_NE(map_->WantedValue[change.entry], change.value) << "entry " << change.entry;
            expected[change.entry] = change.value;
        }
        RunDialog([&] { SendMessageW(page_, WM_COMMAND, MAKEWPARAM(c.command, BN_CLICKED), 0); },
                  [&](HWND dialog) {
                      Click(dialog, IDC_DEFAULT);
                      EXPECT_EQ(Snapshot(*map_), before) << "Default waits for OK";
                      Click(dialog, IDOK);
                  });
        const Values after = Snapshot(*map_);
        for (int entry = 0; entry < kEntryCount; ++entry) {
            EXPECT_EQ(after[entry], expected[entry]) << "entry " << entry;
        }
        EXPECT_TRUE(ApplyEnabled());
        Close();
    }
}

// The installed special toner is the sheet's own: a printer that does not say which toner it
// has opens the plain special-toner dialog, whatever the sheet before it had.
TEST_F(ColorDialogs, SpecialTonerKindBelongsToItsSheet) {
    const std::wstring path = PpdWithout("VRSpecialTonerInstalled", L"colordialogs-no-toner.ppd");
    ASSERT_FALSE(path.empty());
    struct Case {
        const char* name;
        const char* toner;  // null: the PPD has no toner feature to ask about
        const wchar_t* title;
    };
    constexpr Case kCases[] = {
        {"white toner", "White", L"White Toner"},
        {"toner not reported", nullptr, L"Special Toner"},
        {"clear toner", "Clear", L"Clear Toner"},
        {"toner not reported again", nullptr, L"Special Toner"},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        Open(nullptr, c.toner, c.toner != nullptr ? std::wstring() : path);
        RunSpecialToner([&](HWND dialog) {
            wchar_t title[64] = {};
            GetDlgItemTextW(dialog, IDC_TONER_TITLE, title, 64);
            EXPECT_STREQ(title, c.title);
            Click(dialog, IDCANCEL);
        });
        Close();
    }
    DeleteFileW(path.c_str());
}
