// The Job Options page's Advanced and About dialogs, run modally from the plug-in's own
// templates on a document sheet built by the core-driver stand-in: initial states from the map
// and the private record, what OK writes back, that Cancel and Default change nothing, removal
// of controls for missing features, compression, and the About box's texts from the driver's
// version file, its PPD and the spooler.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "about_ids.h"
#include "jobadvanced_ids.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/dlgtemplate.h"
#include "tests/support/plugindll.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/jobopts/aboutdialog.h"
#include "ui/jobopts/advanceddialog.h"

using namespace oemui;

namespace {

using testenv::Click;
using testenv::Enabled;
using testenv::Exists;
using testenv::ShotFolder;
using testenv::TextOf;
using testenv::Ticked;

// A driver of our own beside the sample models: its PPD, the driver's data file, has a name of
// its own (not the plug-in INI file's), its version file carries the values the box formats, and
// its model offers the compression choice (0x0501: offered, default index 5 = level 2).
constexpr wchar_t kAdvDriver[] = L"Lab AdvJ PS";
constexpr wchar_t kAdvPrinter[] = L"Lab AdvJ 1";

bool InstallAdvancedTestPrinter() {
    return testenv::InstallColorModel(
        kAdvDriver, kAdvPrinter,
        {{L"advj.cap", "[Capability]\r\nLab AdvJ PS=AdvJ\r\n[AdvJ]\r\nCompression=1281\r\n"},
         {L"advj.ini",
          "[OEMFiles]\r\nOEMConfigFile1=vroemui.dll\r\n[DependentFiles]\r\n"
          "HELP=vrlab.hlp\r\n"},
         {L"advj.ver",
          "[Version]\r\nDriverVer=06/18/2009,1.2.3.4567\r\n"
          "InternalVer=LAB-PS-R17\r\n"}},
        L"ADVJMODEL.PPD");
}

// The preview icon id shown, found by comparing with the module's shared icons.
int ShownIcon(HWND dialog) {
    const auto shown = reinterpret_cast<HICON>(
        SendDlgItemMessageW(dialog, IDC_ADV_PREVIEW_ICON, STM_GETICON, 0, 0));
    for (int id = IDI_PREVIEW_NORMAL; id <= IDI_PREVIEW_MIRROR_NEGATIVE; ++id) {
        if (shown != nullptr && shown == LoadIconW(ModuleHandle, MAKEINTRESOURCEW(id))) return id;
    }
    return 0;
}

using testenv::StepRunner;

// Opens a dialog modally (from the plug-in's template, or from an in-memory one) and runs
// `steps` in it; the steps end it. Returns the dialog's result.
INT_PTR RunModal(std::function<INT_PTR(DLGPROC, LPARAM)> open, DLGPROC proc, LPARAM param,
                 std::function<void(HWND)> steps) {
    StepRunner runner;
    runner.steps = [&](HWND dialog) {
        steps(dialog);
        if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);  // a step forgot
    };
    testenv::ModalWatcher watcher([&](HWND window) { runner.Post(window); });
    return open(proc, param);
}

INT_PTR RunTemplate(int templateId, DLGPROC proc, LPARAM param, std::function<void(HWND)> steps) {
    return RunModal(
        [templateId](DLGPROC p, LPARAM l) {
            return DialogBoxParamW(ModuleHandle, MAKEINTRESOURCEW(templateId), nullptr, p, l);
        },
        proc, param, std::move(steps));
}

// A layout of the Advanced dialog that offers the compression list (1804, 1805), built in
// memory: template 204 itself has no list.
class CompressionTemplate : public testenv::TemplateBuilder {
public:
    CompressionTemplate()
        : TemplateBuilder(151, 120, WS_POPUP | WS_CAPTION | DS_SETFONT | DS_MODALFRAME,
                          L"MS Sans Serif") {
        Control(0x80, IDC_ADV_MIRROR, 7, 7, 90, 10, BS_AUTOCHECKBOX, L"&Mirror Print");
        Control(0x82, IDC_ADV_PREVIEW_ICON, 110, 7, 21, 20, SS_ICON, L"");
        Control(0x82, IDC_ADV_COMPRESSION_LABEL, 7, 40, 60, 8, SS_LEFT, L"&Compression:");
        Control(0x85, IDC_ADV_COMPRESSION_LIST, 70, 38, 74, 60, CBS_DROPDOWNLIST | WS_TABSTOP, L"");
        Control(0x80, IDOK, 7, 100, 42, 14, BS_DEFPUSHBUTTON, L"OK");
        Control(0x80, IDCANCEL, 54, 100, 42, 14, BS_PUSHBUTTON, L"Cancel");
        Control(0x80, IDC_DEFAULT, 102, 100, 42, 14, BS_PUSHBUTTON, L"&Default");
    }
};

void SelectCompression(HWND dialog, int index) {
    testenv::Choose(dialog, IDC_ADV_COMPRESSION_LIST, index, true);
}
int SelectedCompression(HWND dialog) {
    return static_cast<int>(
        SendDlgItemMessageW(dialog, IDC_ADV_COMPRESSION_LIST, CB_GETCURSEL, 0, 0));
}

// Width of a control's text in the dialog's font, in pixels.
int TextWidth(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    HDC dc = GetDC(control);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(dialog, WM_GETFONT, 0, 0)));
    std::wstring text = TextOf(dialog, id);
    std::wstring shown;
    for (wchar_t c : text) {
        if (c != L'&') shown.push_back(c);
    }
    SIZE size = {};
    GetTextExtentPoint32W(dc, shown.c_str(), static_cast<int>(shown.size()), &size);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return size.cx;
}

// ---------------------------------------------------------------------------------------------
// Shared set-up: the plug-in module's resources, the test printers.

class JobDialogs : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testenv::UseCommonControls();
        dll_ = LoadLibraryW(testenv::Widen(OEMUI_DLL_PATH).c_str());
        installed_ = testenv::InstallSamplePrinters() && InstallAdvancedTestPrinter();
    }
    static void TearDownTestSuite() {
        if (dll_ != nullptr) FreeLibrary(dll_);
        dll_ = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(dll_, nullptr) << OEMUI_DLL_PATH;
        ASSERT_TRUE(installed_);
        oldModule_ = ModuleHandle;
        ModuleHandle = dll_;
    }
    void TearDown() override {
        if (core_) {
            if (core_->SheetOpen()) core_->CloseSheet();
            EXPECT_EQ(core_->Shutdown(), S_OK);
        }
        ModuleHandle = oldModule_;
    }

    // A document sheet of `printer` through the stand-in, with "VRHDD" set to `hdd`.
    void OpenSheet(const wchar_t* printer, const char* hdd = "True") {
        core_ = std::make_unique<host::CoreDriver>(testenv::InProcessOptions(printer));
        ASSERT_TRUE(core_->Start()) << testenv::Narrow(core_->Error());
        if (hdd != nullptr) {
            ASSERT_TRUE(core_->SetFeature("VRHDD", hdd));
        }
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Document));
        map_ = testenv::DocumentMapOf(*core_);
        ASSERT_NE(map_, nullptr);
        ASSERT_NE(map_->SheetParam, nullptr);
        record_ = static_cast<PrivateDevmode*>(map_->SheetParam->pOEMDM);
        ASSERT_NE(record_, nullptr);
    }

    INT_PTR RunAdvanced(std::function<void(HWND)> steps) {
        core_->ClearUpdates();
        JobAdvancedState state;
        state.map = map_;
        const INT_PTR result = RunTemplate(IDD_JOB_ADVANCED, JobAdvancedDialogProc,
                                           reinterpret_cast<LPARAM>(&state), std::move(steps));
        EXPECT_TRUE(core_->Updates().empty()) << "the dialog leaves pushing to the page";
        return result;
    }
    INT_PTR RunCompressionLayout(std::function<void(HWND)> steps) {
        CompressionTemplate layout;
        JobAdvancedState state;
        state.map = map_;
        return RunModal(
            [&](DLGPROC p, LPARAM l) {
                return DialogBoxIndirectParamW(ModuleHandle, layout.get(), nullptr, p, l);
            },
            JobAdvancedDialogProc, reinterpret_cast<LPARAM>(&state), std::move(steps));
    }

    static HMODULE dll_;
    static bool installed_;
    HMODULE oldModule_ = nullptr;
    std::unique_ptr<host::CoreDriver> core_;
    DriverItemMap* map_ = nullptr;
    PrivateDevmode* record_ = nullptr;
};
HMODULE JobDialogs::dll_ = nullptr;
bool JobDialogs::installed_ = false;

using AdvancedDialog = JobDialogs;
using AboutDialog = JobDialogs;

// ---------------------------------------------------------------------------------------------
// Advanced dialog

TEST_F(AdvancedDialog, BoxesOpenFromTheMapAndOkStoresEveryBox) {
    OpenSheet(kAdvPrinter, "True");
    ASSERT_TRUE(IsHddPresent(*map_));
    for (int entry :
         {kEntryCoreItem423, kEntryCoreItem424, kEntryHddSpool, kEntryDrumClean, kEntryHairLine}) {
        ASSERT_NE(map_->ItemIndex[entry], kNoItem) << "entry " << entry;
    }
    map_->WantedValue[kEntryCoreItem423] = 0;  // mirror on
    map_->WantedValue[kEntryCoreItem424] = 1;  // negative off
    map_->WantedValue[kEntryHddSpool] = 1;     // spool on
    map_->WantedValue[kEntryDrumClean] = 0;    // maintenance off
    map_->WantedValue[kEntryHairLine] = 1;     // thin lines off
    const INT_PTR result = RunAdvanced([](HWND dialog) {
        EXPECT_TRUE(Ticked(dialog, IDC_ADV_MIRROR));
        EXPECT_FALSE(Ticked(dialog, IDC_ADV_NEGATIVE));
        EXPECT_TRUE(Ticked(dialog, IDC_ADV_JOB_SPOOL));
        EXPECT_TRUE(Enabled(dialog, IDC_ADV_JOB_SPOOL));
        EXPECT_FALSE(Ticked(dialog, IDC_ADV_MAINTENANCE));
        EXPECT_FALSE(Ticked(dialog, IDC_ADV_FINE_LINES));
        EXPECT_EQ(ShownIcon(dialog), IDI_PREVIEW_MIRROR);
        for (int id : {IDC_ADV_MIRROR, IDC_ADV_NEGATIVE, IDC_ADV_JOB_SPOOL, IDC_ADV_MAINTENANCE,
                       IDC_ADV_FINE_LINES}) {
            Click(dialog, id);
        }
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem423], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem424], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryHddSpool], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryDrumClean], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryHairLine], 0u);
}

TEST_F(AdvancedDialog, PreviewIconFollowsMirrorAndNegative) {
    OpenSheet(kAdvPrinter);
    map_->WantedValue[kEntryCoreItem423] = 1;
    map_->WantedValue[kEntryCoreItem424] = 1;
    std::vector<int> icons;
    RunAdvanced([&](HWND dialog) {
        icons.push_back(ShownIcon(dialog));
        Click(dialog, IDC_ADV_MIRROR);
        icons.push_back(ShownIcon(dialog));
        Click(dialog, IDC_ADV_NEGATIVE);
        icons.push_back(ShownIcon(dialog));
        Click(dialog, IDC_ADV_MIRROR);
        icons.push_back(ShownIcon(dialog));
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(icons, (std::vector<int>{IDI_PREVIEW_NORMAL, IDI_PREVIEW_MIRROR,
                                       IDI_PREVIEW_MIRROR_NEGATIVE, IDI_PREVIEW_NEGATIVE}));
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem423], 1u) << "icons are previews only";
}

TEST_F(AdvancedDialog, DefaultChangesOnlyTheControlsUntilOk) {
    OpenSheet(kAdvPrinter);
    map_->WantedValue[kEntryCoreItem423] = 0;
    map_->WantedValue[kEntryCoreItem424] = 0;
    map_->WantedValue[kEntryHddSpool] = 1;
    map_->WantedValue[kEntryDrumClean] = 1;
    map_->WantedValue[kEntryHairLine] = 1;
    record_->CompressionLevel = 3;
    std::array<DWORD, kEntryCount> before = {};
    std::memcpy(before.data(), map_->WantedValue, sizeof(map_->WantedValue));

    // Default, then Cancel: nothing changes.
    EXPECT_EQ(RunAdvanced([](HWND dialog) {
                  Click(dialog, IDC_DEFAULT);
                  EXPECT_FALSE(Ticked(dialog, IDC_ADV_MIRROR));
                  EXPECT_FALSE(Ticked(dialog, IDC_ADV_NEGATIVE));
                  EXPECT_EQ(ShownIcon(dialog), IDI_PREVIEW_NORMAL);
                  EXPECT_FALSE(Ticked(dialog, IDC_ADV_JOB_SPOOL));
                  EXPECT_FALSE(Ticked(dialog, IDC_ADV_MAINTENANCE));
                  EXPECT_TRUE(Ticked(dialog, IDC_ADV_FINE_LINES));
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(std::memcmp(before.data(), map_->WantedValue, sizeof(map_->WantedValue)), 0);
    EXPECT_EQ(record_->CompressionLevel, 3);

    // Default, then OK: the defaults are stored.
    EXPECT_EQ(RunAdvanced([](HWND dialog) {
                  Click(dialog, IDC_DEFAULT);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem423], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem424], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryHddSpool], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryDrumClean], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryHairLine], 0u);
}

TEST_F(AdvancedDialog, WithoutHardDiskJobSpoolIsOffAndDisabled) {
    OpenSheet(kAdvPrinter, "False");
    EXPECT_EQ(QueryHddState(*map_), HddState::Absent);
    EXPECT_FALSE(IsHddPresent(*map_));
    // Opening the dialog resets Job Spool in the map itself, whichever button closes it: a
    // later push never asks a printer without a disk to spool.
    for (const int button : {IDCANCEL, IDOK}) {
        map_->WantedValue[kEntryHddSpool] = 1;
        EXPECT_EQ(RunAdvanced([button](HWND dialog) {
                      EXPECT_FALSE(Ticked(dialog, IDC_ADV_JOB_SPOOL));
                      EXPECT_FALSE(Enabled(dialog, IDC_ADV_JOB_SPOOL));
                      Click(dialog, IDC_DEFAULT);
                      EXPECT_FALSE(Enabled(dialog, IDC_ADV_JOB_SPOOL));
                      Click(dialog, button);
                  }),
                  button == IDOK ? 1 : 0);
        EXPECT_EQ(map_->WantedValue[kEntryHddSpool], 0u) << (button == IDOK ? "OK" : "Cancel");
    }
}

TEST_F(AdvancedDialog, FeaturesTheTreeLacksLoseTheirControlsAndKeepTheirValues) {
    OpenSheet(kAdvPrinter);
    // No mirror item: the whole "Special" group goes, although the negative item exists.
    map_->ItemIndex[kEntryCoreItem423] = kNoItem;
    map_->ItemIndex[kEntryHddSpool] = kNoItem;
    map_->ItemIndex[kEntryDrumClean] = kNoItem;
    map_->WantedValue[kEntryCoreItem424] = 0;
    map_->WantedValue[kEntryHddSpool] = 1;
    map_->WantedValue[kEntryDrumClean] = 1;
    map_->WantedValue[kEntryHairLine] = 0;
    EXPECT_EQ(RunAdvanced([](HWND dialog) {
                  for (int id = IDC_ADV_SPECIAL_GROUP; id <= IDC_ADV_PREVIEW_ICON; ++id) {
                      EXPECT_FALSE(Exists(dialog, id)) << id;
                  }
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_JOB_SPOOL));
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_MAINTENANCE));
                  EXPECT_TRUE(Exists(dialog, IDC_ADV_FINE_LINES));
                  EXPECT_TRUE(Ticked(dialog, IDC_ADV_FINE_LINES));
                  Click(dialog, IDC_DEFAULT);  // must not trip over the missing controls
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem424], 0u) << "a hidden box must not store";
    EXPECT_EQ(map_->WantedValue[kEntryHddSpool], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryDrumClean], 1u);
    EXPECT_EQ(map_->WantedValue[kEntryHairLine], 0u);
}

TEST_F(AdvancedDialog, MissingNegativeOrThinLinesRemovesOnlyThatBox) {
    OpenSheet(kAdvPrinter);
    map_->ItemIndex[kEntryCoreItem424] = kNoItem;
    map_->ItemIndex[kEntryHairLine] = kNoItem;
    map_->WantedValue[kEntryCoreItem423] = 1;
    map_->WantedValue[kEntryHairLine] = 1;
    EXPECT_EQ(RunAdvanced([](HWND dialog) {
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_NEGATIVE));
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_FINE_LINES));
                  EXPECT_TRUE(Exists(dialog, IDC_ADV_SPECIAL_GROUP));
                  EXPECT_EQ(ShownIcon(dialog), IDI_PREVIEW_NORMAL);
                  Click(dialog, IDC_ADV_MIRROR);
                  EXPECT_EQ(ShownIcon(dialog), IDI_PREVIEW_MIRROR);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(map_->WantedValue[kEntryCoreItem423], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryHairLine], 1u);
}

TEST_F(AdvancedDialog, CompressionListWhereTheModelOffersIt) {
    OpenSheet(kAdvPrinter);
    record_->CompressionLevel = 3;
    std::vector<std::wstring> items;
    EXPECT_EQ(RunCompressionLayout([&](HWND dialog) {
                  HWND list = GetDlgItem(dialog, IDC_ADV_COMPRESSION_LIST);
                  ASSERT_NE(list, nullptr);
                  const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
                  for (int i = 0; i < count; ++i) {
                      wchar_t text[64] = {};
                      SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
                      items.push_back(text);
                  }
                  EXPECT_EQ(SelectedCompression(dialog), 3);
                  SelectCompression(dialog, 1);
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(items, (std::vector<std::wstring>{L"None", L"Fast", L"Normal", L"Best Compression"}));
    EXPECT_EQ(record_->CompressionLevel, 3) << "Cancel keeps the level";

    EXPECT_EQ(RunCompressionLayout([](HWND dialog) {
                  SelectCompression(dialog, 1);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(record_->CompressionLevel, 1);
    EXPECT_EQ(map_->WantedValue[kEntryCompression], 1u);

    // "&Default" selects the model's level: index 5 of 0x0501 is level 2.
    EXPECT_EQ(RunCompressionLayout([](HWND dialog) {
                  Click(dialog, IDC_DEFAULT);
                  EXPECT_EQ(SelectedCompression(dialog), 2);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(record_->CompressionLevel, 2);
}

TEST_F(AdvancedDialog, WithoutTheChoiceTheListGoesAndTheLevelStays) {
    OpenSheet(testenv::kMonoPrinter, nullptr);  // "Compression" 0x0500: not offered, level 2
    ASSERT_EQ(record_->CompressionLevel, 2) << "the record's default from the model";
    EXPECT_EQ(RunCompressionLayout([](HWND dialog) {
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_COMPRESSION_LABEL));
                  EXPECT_FALSE(Exists(dialog, IDC_ADV_COMPRESSION_LIST));
                  Click(dialog, IDC_DEFAULT);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(record_->CompressionLevel, 2) << "OK must not reset the model's level";
    EXPECT_EQ(RunAdvanced([](HWND dialog) { Click(dialog, IDOK); }), 1);
    EXPECT_EQ(record_->CompressionLevel, 2);
}

TEST_F(AdvancedDialog, ContextHelpButtonOnlyBeforeVista) {
    OpenSheet(kAdvPrinter);
    const bool oldVista = IsVistaOrLater;
    for (bool vista : {false, true}) {
        IsVistaOrLater = vista;
        LONG_PTR exStyle = 0;
        RunAdvanced([&](HWND dialog) {
            exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ((exStyle & WS_EX_CONTEXTHELP) != 0, !vista) << "vista " << vista;
    }
    IsVistaOrLater = oldVista;
}

TEST_F(AdvancedDialog, TextsFitTheirControlsAndScreenshot) {
    OpenSheet(kAdvPrinter);
    testenv::Shot shot;
    RunAdvanced([&](HWND dialog) {
        // A check box needs its text plus the box (about 16 pixels) on one line.
        for (int id : {IDC_ADV_MIRROR, IDC_ADV_NEGATIVE, IDC_ADV_JOB_SPOOL, IDC_ADV_FINE_LINES}) {
            RECT r = {};
            GetClientRect(GetDlgItem(dialog, id), &r);
            EXPECT_LE(TextWidth(dialog, id) + 16, r.right) << "control " << id;
        }
        // The long maintenance text may wrap, but it must fit in two lines.
        RECT r = {};
        GetClientRect(GetDlgItem(dialog, IDC_ADV_MAINTENANCE), &r);
        EXPECT_LE(TextWidth(dialog, IDC_ADV_MAINTENANCE) + 16, 2 * r.right);
        shot = testenv::ShootDialog(dialog, L"advJ-advanced.png");
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
}

// ---------------------------------------------------------------------------------------------
// About dialog

class AboutBox : public JobDialogs {
protected:
    // A map of the document sheet of `printer`, as far as the About box uses it.
    void Prepare(const wchar_t* printer, const std::wstring& iniName) {
        printer_ = std::make_unique<testenv::Printer>(printer);
        ASSERT_TRUE(*printer_);
        iniPath_ = testenv::DriverDirectory3() + L"\\" + iniName;
        param_.cbSize = sizeof(param_);
        param_.hPrinter = printer_->get();
        map_ = &ownMap_;
        ownMap_.SheetParam = &param_;
        wcsncpy(ownMap_.IniPath, iniPath_.c_str(), std::size(ownMap_.IniPath) - 1);
    }
    INT_PTR Run(std::function<void(HWND)> steps) {
        return RunTemplate(IDD_ABOUT, AboutDialogProc, reinterpret_cast<LPARAM>(map_),
                           std::move(steps));
    }

    std::unique_ptr<testenv::Printer> printer_;
    std::wstring iniPath_;
    OEMUIPSPARAM param_ = {};
    DriverItemMap ownMap_ = {};
};

TEST_F(AboutBox, ShowsDriverNameVersionsAndNotice) {
    Prepare(kAdvPrinter, L"advj.ini");
    std::wstring name, driverVersion, ppdVersion, notice, labelA, labelB;
    testenv::Shot shot;
    EXPECT_EQ(Run([&](HWND dialog) {
                  name = TextOf(dialog, IDC_ABOUT_DRIVER_NAME);
                  driverVersion = TextOf(dialog, IDC_ABOUT_DRIVER_VERSION);
                  ppdVersion = TextOf(dialog, IDC_ABOUT_PPD_VERSION);
                  notice = TextOf(dialog, IDC_ABOUT_NOTICE);
                  labelA = TextOf(dialog, IDC_ABOUT_DRIVER_LABEL);
                  labelB = TextOf(dialog, IDC_ABOUT_PPD_LABEL);
                  shot = testenv::ShootDialog(dialog, L"advJ-about.png");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(name, kAdvDriver);
    EXPECT_EQ(driverVersion, L"1.2.3R17");
    EXPECT_EQ(ppdVersion, L"1.02");
    EXPECT_EQ(notice,
              L"Copyright (C) Lab sample printer family. Example description for development "
              L"and tests.");
    EXPECT_EQ(labelA, L"Driver Version");
    EXPECT_EQ(labelB, L"PPD Version");
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
    EXPECT_EQ(Run([](HWND dialog) { PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0); }), 0);
}

TEST_F(AboutBox, EachSampleModelShowsItsVersionFileAndItsOwnPpdsTexts) {
    // Both models share the plug-in INI file; each PPD is its driver's data file.
    struct Case {
        const wchar_t* printer;
        const wchar_t* driver;
        const wchar_t* ppdVersion;
        const wchar_t* notice;
    };
    const Case cases[] = {
        {testenv::kColorPrinter, testenv::kColorDriver, L"1.02",
         L"Copyright (C) Lab sample printer family. Example description"},
        {testenv::kMonoPrinter, testenv::kMonoDriver, L"1.01",
         L"Copyright (C) Lab sample printer family. Monochrome model"},
    };
    for (const Case& c : cases) {
        Prepare(c.printer, L"vroemui.ini");
        std::wstring name, driverVersion, ppdVersion, notice;
        Run([&](HWND dialog) {
            name = TextOf(dialog, IDC_ABOUT_DRIVER_NAME);
            driverVersion = TextOf(dialog, IDC_ABOUT_DRIVER_VERSION);
            ppdVersion = TextOf(dialog, IDC_ABOUT_PPD_VERSION);
            notice = TextOf(dialog, IDC_ABOUT_NOTICE);
            Click(dialog, IDOK);
        });
        EXPECT_EQ(name, c.driver);
        // DriverVer after the comma (the project version), then InternalVer's tail.
        EXPECT_EQ(driverVersion, testenv::Widen(OEMUI_PROJECT_VERSION).substr(0, 5) + L"R1");
        EXPECT_EQ(ppdVersion, c.ppdVersion) << testenv::Narrow(c.printer);
        EXPECT_EQ(notice.rfind(c.notice, 0), 0u) << testenv::Narrow(notice);
    }
}

// Lets the window system bring what was drawn to the screen.
void Settle() {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < 150) {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    GdiFlush();
}

// Pixels of a client rectangle of `dialog` as the screen shows them.
std::vector<COLORREF> ScreenPixels(HWND dialog, RECT client) {
    Settle();
    POINT origin = {client.left, client.top};
    ClientToScreen(dialog, &origin);
    HDC screen = GetDC(nullptr);
    std::vector<COLORREF> pixels;
    for (int y = 0; y < client.bottom - client.top; ++y) {
        for (int x = 0; x < client.right - client.left; ++x) {
            pixels.push_back(GetPixel(screen, origin.x + x, origin.y + y));
        }
    }
    ReleaseDC(nullptr, screen);
    return pixels;
}

TEST_F(AboutBox, ControlShiftDoubleClickOnTheVersionShowsTheInternalVersion) {
    Prepare(kAdvPrinter, L"advj.ini");
    bool plainEqual = false, outsideEqual = false, shownDiffers = false;
    testenv::Shot shot;
    Run([&](HWND dialog) {
        ShowWindow(dialog, SW_SHOW);
        RedrawWindow(dialog, nullptr, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
        // The strip below the notice line, in client coordinates.
        RECT notice = {};
        GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_NOTICE), &notice);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&notice), 2);
        RECT client = {};
        GetClientRect(dialog, &client);
        const RECT strip = {client.left + 20, notice.bottom + 2, client.right - 20,
                            notice.bottom + 20};
        RECT version = {};
        GetWindowRect(GetDlgItem(dialog, IDC_ABOUT_DRIVER_VERSION), &version);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&version), 2);
        const LPARAM inside =
            MAKELPARAM((version.left + version.right) / 2, (version.top + version.bottom) / 2);
        const LPARAM outside = MAKELPARAM(version.left - 3, version.top - 3);

        const std::vector<COLORREF> before = ScreenPixels(dialog, strip);
        SendMessageW(dialog, WM_LBUTTONDBLCLK, MK_CONTROL, inside);  // Shift missing
        plainEqual = ScreenPixels(dialog, strip) == before;
        SendMessageW(dialog, WM_LBUTTONDBLCLK, MK_CONTROL | MK_SHIFT, outside);
        outsideEqual = ScreenPixels(dialog, strip) == before;
        SendMessageW(dialog, WM_LBUTTONDBLCLK, MK_CONTROL | MK_SHIFT, inside);
        shownDiffers = ScreenPixels(dialog, strip) != before;
        // No repaint here: the text is drawn once and a repaint would wipe it.
        shot = testenv::SaveShot(dialog, ShotFolder() + L"\\advJ-about-internal.png");
        Click(dialog, IDOK);
    });
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
    EXPECT_TRUE(plainEqual);
    EXPECT_TRUE(outsideEqual);
    EXPECT_TRUE(shownDiffers);
}

// ---------------------------------------------------------------------------------------------
// Version and PPD texts

std::wstring Format(const wchar_t* option, const wchar_t* driver, const wchar_t* internal) {
    wchar_t out[kAboutTextChars] = {};
    FormatDriverVersion(option, driver, internal, out, kAboutTextChars);
    return out;
}

TEST(DriverVersionText, FromOptionDriverAndInternalVersions) {
    EXPECT_EQ(Format(L"2.5 (custom)", L"01/01/2010,9.9.9.9", L"A-B-C"), L"2.5 (custom)");
    EXPECT_EQ(Format(L"", L"06/18/2009,1.2.3.4567", L""), L"1.2.3");
    EXPECT_EQ(Format(L"", L"06/18/2009,1.2\"junk", L""), L"1.2") << "a quote ends the part";
    EXPECT_EQ(Format(L"", L"no comma here", L"X-Y-Z"), L"Z");
    EXPECT_EQ(Format(L"", L"d,1.0", L"LAB-PS-R17"), L"1.0R17");
    EXPECT_EQ(Format(L"", L"d,1.0", L"LAB-PS"), L"1.0") << "one dash appends nothing";
    // Dashes inside quotes do not count; a quoted tail loses its quotes.
    EXPECT_EQ(Format(L"", L"d,1.0", L"\"A-B\"-X-\"Y-Z\""), L"1.0Y-Z");
    EXPECT_EQ(Format(L"", L"d,1.0", L"A-B-\""), L"1.0") << "a lone quote leaves nothing";
    // At most 246 characters may remain from the second dash.
    const std::wstring fits = L"A-B-" + std::wstring(245, L'x');  // 246 from the dash
    const std::wstring tooLong = L"A-B-" + std::wstring(246, L'x');
    EXPECT_EQ(Format(L"", L"d,1.0", fits.c_str()), L"1.0" + std::wstring(245, L'x'));
    EXPECT_EQ(Format(L"", L"d,1.0", tooLong.c_str()), L"1.0");
    // A small buffer cuts the text instead of overflowing.
    wchar_t small[4] = {L'?', L'?', L'?', L'?'};
    FormatDriverVersion(L"", L"d,1.2.3", L"A-B-tail", small, 4);
    EXPECT_EQ(std::wstring(small), L"1.2");
}

class PpdFile : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        // Characters outside the ANSI code page in the folder name: the file must still open.
        dir_ = std::wstring(temp) + L"advj\u20AC\u0416";
        CreateDirectoryW(dir_.c_str(), nullptr);
        path_ = dir_ + L"\\model.PPD";
    }
    void TearDown() override {
        DeleteFileW(path_.c_str());
        RemoveDirectoryW(dir_.c_str());
    }
    void Read(const std::string& content) {
        ASSERT_TRUE(testenv::WriteFileBytes(path_, content));
        wchar_t version[kAboutTextChars] = {L'?', 0};
        wchar_t notice[kAboutTextChars] = {L'?', 0};
        ReadPpdTexts(path_.c_str(), version, kAboutTextChars, notice, kAboutTextChars);
        version_ = version;
        notice_ = notice;
    }
    std::wstring dir_, path_, version_, notice_;
};

TEST_F(PpdFile, FirstMatchingLinesGiveVersionAndNotice) {
    Read(
        "*PPD-Adobe: \"4.3\"\r\n"
        "*% Copyright (C) Example Works 2009\r\n"
        "*FileVersion: \"2.10\"\r\n"
        "*FileVersion: \"9.99\"\r\n"
        "*% Copyright second\r\n");
    EXPECT_EQ(version_, L"2.10");
    EXPECT_EQ(notice_, L"Copyright (C) Example Works 2009") << "newline excluded";
}

TEST_F(PpdFile, UnclosedQuoteRunsToTheLineEndAndMissingLinesGiveEmptyTexts) {
    Read("*FileVersion: \"3.0 beta\n*Other: 1\n");
    EXPECT_EQ(version_, L"3.0 beta");
    EXPECT_EQ(notice_, L"");
    Read("*FileVersion: 3.0\n*Copyright:none\n");  // no quote, no space
    EXPECT_EQ(version_, L"");
    EXPECT_EQ(notice_, L"");
}

TEST_F(PpdFile, LongLinesAreReadIn255ByteParts) {
    // The first line holds a quote in its first 255 bytes and "FileVersion" only after them:
    // read in parts, neither part matches, and the next line gives the version.
    const std::string pad(300, 'p');
    Read("*% \"" + pad + " FileVersion\n*FileVersion: \"4.5\"\n*% Copyright line\n");
    EXPECT_EQ(version_, L"4.5");
    EXPECT_EQ(notice_, L"Copyright line");
}

TEST(PpdTextsMissing, MissingFileLeavesBothEmpty) {
    wchar_t version[8] = {L'?', 0};
    wchar_t notice[8] = {L'?', 0};
    ReadPpdTexts(L"C:\\no\\such\\file.PPD", version, 8, notice, 8);
    EXPECT_STREQ(version, L"");
    EXPECT_STREQ(notice, L"");
}

}  // namespace
