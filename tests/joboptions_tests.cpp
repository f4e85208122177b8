// The Job Options page in a modeless document sheet built by the core-driver stand-in: typing
// into copies and scale, validation when the page is left, the gamma list, the read-only sheet,
// Default, the finishing values against the paper, the job type (forced encryption, card
// reader, the job-type controls of another page layout), the dialogs its buttons open, and
// what Apply does with watermarks and overlays.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>
#include <shlobj.h>

#include <array>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "joboptions_ids.h"
#include "base/devmode.h"
#include "base/handles.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/common/dialogs.h"
#include "ui/common/sheetcontext.h"
#include "ui/jobopts/jobtype.h"
#include "ui/overlay/overlaystore.h"
#include "ui/watermark/watermarks.h"
#include "wmdialog_ids.h"
#include "wmeditor_ids.h"
#include "overlays_ids.h"

using namespace oemui;

namespace {

// A model of our own: the card reader and encryption libraries, a link, and a gamma file whose
// second setting has an id above 255.
constexpr wchar_t kJobDriver[] = L"Lab Jobs PS";
constexpr wchar_t kJobPrinter[] = L"Lab Jobs 1";

bool InstallJobPrinter() {
    return testenv::InstallColorModel(
        kJobDriver, kJobPrinter,
        {{L"jobs.cap",
          "[Capability]\r\nLab Jobs PS=Jobs\r\n[Jobs]\r\nCryptoDll=vrcrypt.dll\r\n"
          "CARD_DLL=vrcard.dll\r\nTabLinkName=http://printers.example.com/jobs\r\n"},
         {L"jobs.ini",
          "[OEMFiles]\r\nOEMConfigFile1=jobs.ini\r\n[DependentFiles]\r\n"
          "HELP=vrlab.hlp\r\nHALFTONE=jobsgamma.ini\r\n"},
         {L"jobsgamma.ini",
          "[PSGamma]\r\nSettingNum=3\r\nSettingID0=5\r\nSettingID1=257\r\n"
          "SettingID2=7\r\nSettingName5=Five\r\nSettingName257=Wide\r\n"
          "SettingName7=Seven\r\n"},
         {L"vrcrypt.dll", testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrcrypt.dll")},
         {L"vrcard.dll", testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrcard.dll")}},
        L"jobs.PPD");
}

constexpr int kApplyButton = 0x3021;

// A profile file's text as UTF-16LE with a byte-order mark.
std::string Utf16(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

class JobOptionsPage : public testenv::CoreSheetTest {
protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(testenv::InstallSamplePrinters());
        ASSERT_TRUE(InstallJobPrinter());
    }
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(CoreSheetTest::SetUp());
        oldVista_ = IsVistaOrLater;
        wchar_t common[MAX_PATH] = {};
        ASSERT_HRESULT_SUCCEEDED(
            SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common));
        wchar_t data[MAX_PATH] = {};
        ASSERT_TRUE(UserDataFilePathIn(common, kJobDriver, data, MAX_PATH));
        data_ = data;
        ForgetUserData();
    }
    void TearDown() override {
        CoreSheetTest::TearDown();
        ForgetUserData();
        IsVistaOrLater = oldVista_;
    }
    // The job model's user data file and its folder go: each test starts from the INI file.
    void ForgetUserData() {
        const std::wstring folder = data_.substr(0, data_.rfind(L'\\'));
        SetFileAttributesW(data_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(data_.c_str());
        DeleteFileW(folder.c_str());  // a test may have put a file in the folder's place
        RemoveDirectoryW(folder.c_str());
    }

    // Builds the document sheet; `prepare` may change the map, the record and the core's
    // settings before the page initialises. `pages`: where the page templates come from.
    void Open(const wchar_t* printer, const std::function<void()>& prepare = nullptr,
              DWORD sheetFlags = 0, HMODULE pages = nullptr) {
        host::CoreDriverOptions options = testenv::InProcessOptions(printer);
        options.sheetFlags = sheetFlags;
        ASSERT_NO_FATAL_FAILURE(StartCore(options));
        if (pages != nullptr) ModuleHandle = pages;
        OpenDocumentSheet();
        ModuleHandle = dll_;
        ASSERT_FALSE(HasFatalFailure());
        if (prepare) prepare();
    }
    // Shows the sheet; the Job Options page is its first page and initialises now.
    void Show() { ShowPage(0); }
    PrivateDevmode& Record() { return *reinterpret_cast<PrivateDevmode*>(core_->PluginRecord()); }

    void Click(int id) {
        SendDlgItemMessageW(page_, id, BM_CLICK, 0, 0);
        core_->PumpSheet();
    }
    // Replaces the edit's text as a paste would.
    void Type(int id, const wchar_t* text) {
        SendDlgItemMessageW(page_, id, EM_SETSEL, 0, -1);
        SendDlgItemMessageW(page_, id, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
        core_->PumpSheet();
    }
    bool Exists(int id) { return GetDlgItem(page_, id) != nullptr; }
    bool Enabled(int id) { return IsWindowEnabled(GetDlgItem(page_, id)) != FALSE; }
    bool Ticked(int id) { return IsDlgButtonChecked(page_, id) == BST_CHECKED; }
    std::wstring Text(int id) {
        wchar_t text[256] = {};
        GetDlgItemTextW(page_, id, text, 256);
        return text;
    }
    bool ApplyEnabled() { return IsWindowEnabled(GetDlgItem(sheet_, kApplyButton)) != FALSE; }
    LRESULT Selected(int id) { return SendDlgItemMessageW(page_, id, CB_GETCURSEL, 0, 0); }
    // Asks the sheet to move to the Color page; the current page afterwards.
    HWND TryLeave() {
        PropSheet_SetCurSel(sheet_, nullptr, 1);
        core_->PumpSheet();
        return PropSheet_GetCurrentPageHwnd(sheet_);
    }
    POPTITEM Item(int entry) { return BoundItem(*map_, entry); }
    // What the watcher saw besides the sheet (which it sees again when a dialog closes).
    std::vector<testenv::ModalWatcher::Seen> Opened(const testenv::ModalWatcher& watcher) {
        wchar_t sheetCaption[128] = {};
        GetWindowTextW(sheet_, sheetCaption, 128);
        std::vector<testenv::ModalWatcher::Seen> opened;
        for (const auto& s : watcher.seen) {
            if (s.caption != sheetCaption) opened.push_back(s);
        }
        return opened;
    }
    // An answer for the watcher: OK for every window but the sheet.
    testenv::ModalWatcher::Answer OkButSheet() {
        return [this](HWND window) {
            if (window != sheet_) PostMessageW(window, WM_COMMAND, IDOK, 0);
        };
    }

    bool oldVista_ = false;
    std::wstring data_;  // the job model's user data file
};

}  // namespace

TEST_F(JobOptionsPage, OpensWithRangesGammaListAndLink) {
    Open(testenv::kColorPrinter);
    Show();
    EXPECT_EQ(Text(IDC_COPIES_RANGE), L"( 1-999 )");
    EXPECT_EQ(Item(kEntryCopies)->pOptType->pOptParam[1].lParam, 999) << "the core item too";
    EXPECT_EQ(Text(IDC_SCALE_RANGE), L"( 1-1000 % )");
    EXPECT_EQ(Text(IDC_SCALE_EDIT), std::to_wstring(map_->WantedValue[kEntryScale]));
    EXPECT_EQ(SendDlgItemMessageW(page_, IDC_GAMMA_LIST, CB_GETCOUNT, 0, 0), 4);
    EXPECT_EQ(Text(IDC_LINK_TEXT), L"http://printers.example.com/");
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(page_, IDC_LINK_TEXT)));
    EXPECT_NE(SheetFlags & kSheetFlagPluginPageSeen, 0u);
    EXPECT_FALSE(ApplyEnabled()) << "opening the page is no change";

    // The link font (the page's font, underlined) lives from a refresh to the next leave of
    // the page.
    LOGFONTW pageFont = {};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(page_, WM_GETFONT, 0, 0)), sizeof(pageFont),
               &pageFont);
    auto linkUnderlined = [&] {
        LOGFONTW font = {};
        const auto handle =
            reinterpret_cast<HFONT>(SendDlgItemMessageW(page_, IDC_LINK_TEXT, WM_GETFONT, 0, 0));
        return handle != nullptr && GetObjectW(handle, sizeof(font), &font) == sizeof(font) &&
               font.lfUnderline != 0 &&
               std::wstring(font.lfFaceName) == std::wstring(pageFont.lfFaceName) &&
               font.lfHeight == pageFont.lfHeight;
    };
    EXPECT_TRUE(linkUnderlined());
    ASSERT_NE(TryLeave(), page_);
    EXPECT_FALSE(linkUnderlined()) << "the text went back to the page font";
    PropSheet_SetCurSel(sheet_, nullptr, 0);
    core_->PumpSheet();
    EXPECT_TRUE(linkUnderlined());
}

TEST_F(JobOptionsPage, TypedNumbersKeepTheirDigitsAndScaleStopsAtOneThousand) {
    struct Case {
        int edit;
        const wchar_t* typed;
        DWORD stored;
        const wchar_t* shown;
        int caret;  // -1: not checked (the text was fine)
    };
    const Case cases[] = {
        {IDC_COPIES_EDIT, L"12a", 12, L"12", 2}, {IDC_COPIES_EDIT, L"7", 7, L"7", -1},
        {IDC_COPIES_EDIT, L"", 0, L"", -1},      {IDC_SCALE_EDIT, L"5000", 1000, L"1000", -1},
        {IDC_SCALE_EDIT, L"9x5", 95, L"95", 2},  {IDC_SCALE_EDIT, L"1000", 1000, L"1000", -1},
    };
    Open(testenv::kColorPrinter);
    Show();
    for (const Case& c : cases) {
        Type(c.edit, c.typed);
        const int entry = c.edit == IDC_COPIES_EDIT ? kEntryCopies : kEntryScale;
        EXPECT_EQ(map_->WantedValue[entry], c.stored) << testenv::Narrow(c.typed);
        EXPECT_EQ(Text(c.edit), c.shown) << testenv::Narrow(c.typed);
        if (c.caret >= 0) {
            DWORD start = 0;
            DWORD end = 0;
            SendDlgItemMessageW(page_, c.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                                reinterpret_cast<LPARAM>(&end));
            EXPECT_EQ(start, static_cast<DWORD>(c.caret)) << testenv::Narrow(c.typed);
            EXPECT_EQ(end, static_cast<DWORD>(c.caret)) << testenv::Narrow(c.typed);
        }
    }
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(JobOptionsPage, LeavingWithAnInvalidNumberKeepsThePageAndFocusesIt) {
    struct Case {
        const wchar_t* copies;
        const wchar_t* scale;
        int focused;  // 0: the page may be left
    };
    const Case cases[] = {
        {L"3", L"5000", IDC_SCALE_EDIT},  // stored as 1000, above the item's 400
        {L"", L"100", IDC_COPIES_EDIT},
        {L"", L"5000", IDC_SCALE_EDIT},  // scale is checked first
        {L"3", L"400", 0},
    };
    for (const Case& c : cases) {
        Open(testenv::kColorPrinter,
             [&] { Item(kEntryScale)->pOptType->pOptParam[1].lParam = 400; });
        Show();
        Type(IDC_COPIES_EDIT, c.copies);
        Type(IDC_SCALE_EDIT, c.scale);
        core_->ClearUpdates();
        testenv::ModalWatcher watcher(OkButSheet());
        const HWND after = TryLeave();
        const auto opened = Opened(watcher);
        if (c.focused != 0) {
            ASSERT_EQ(opened.size(), 1u);
            EXPECT_EQ(opened[0].text, L"One or more of your settings are invalid.");
            EXPECT_EQ(after, page_) << "the sheet stays on the page";
            EXPECT_EQ(GetFocus(), GetDlgItem(page_, c.focused));
            EXPECT_TRUE(core_->Updates().empty()) << "nothing is pushed";
        } else {
            EXPECT_TRUE(opened.empty());
            EXPECT_NE(after, page_);
            EXPECT_EQ(map_->WantedValue[kEntryCopies], 3u);
            EXPECT_EQ(Record().PsGammaSettingId, map_->WantedValue[kEntryGammaSelection]);
            EXPECT_FALSE(core_->Updates().empty()) << "leaving pushes the settings";
        }
        Close();
    }
}

TEST_F(JobOptionsPage, StoredGammaIdSelectsItsEntryOrFallsBackToTheFirst) {
    struct Case {
        DWORD stored;
        LRESULT selected;
        DWORD after;
        bool listEnabled;
    };
    // The list: Five (5), Seven (7); Wide (257) is beyond the ids 0-255 and not listed, so
    // that no stored id is taken for it by its low byte.
    const Case cases[] = {
        {0x10007, 1, 0x10007, true}, {0x00005, 0, 0x00005, false},
        {0x10009, 0, 5, false},  // no such id: entry 0, custom gamma off
        {0x10101, 0, 5, false},      {0x10001, 0, 5, false},  // 1 is not Wide's id
    };
    for (const Case& c : cases) {
        Open(kJobPrinter, [&] { Record().PsGammaSettingId = c.stored; });
        Show();
        EXPECT_EQ(Selected(IDC_GAMMA_LIST), c.selected) << std::hex << c.stored;
        EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], c.after) << std::hex << c.stored;
        EXPECT_EQ(Enabled(IDC_GAMMA_LIST), c.listEnabled) << std::hex << c.stored;
        EXPECT_EQ(Ticked(IDC_CUSTOM_GAMMA), c.listEnabled) << std::hex << c.stored;
        Close();
    }
}

TEST_F(JobOptionsPage, ReadOnlySheetLocksExactlyTheJobControls) {
    struct Case {
        int id;
        bool usable;
    };
    const Case cases[] = {
        {IDC_RESOLUTION_HIGH, false}, {IDC_RESOLUTION_NORMAL, false}, {IDC_TONER_SAVE, false},
        {IDC_COPIES_EDIT, false},     {IDC_COPIES_SPIN, false},       {IDC_SCALE_EDIT, false},
        {IDC_SCALE_SPIN, false},      {IDC_WATERMARKS, false},        {IDC_OVERLAYS, false},
        {IDC_JOB_ADVANCED, false},    {IDC_DEFAULT, false},           {IDC_ABOUT, true},
        {IDC_GAMMA_LIST, true},       {IDC_CUSTOM_GAMMA, true},       {IDC_LINK_TEXT, true},
        {IDC_LINK_PICTURE, true},
    };
    for (DWORD flags : {DWORD{0}, DWORD{kSheetNoPermission}}) {
        Open(
            testenv::kColorPrinter, [&] { Record().PsGammaSettingId = 0x10002; }, flags);
        Show();
        for (const Case& c : cases) {
            EXPECT_EQ(Enabled(c.id), flags == 0 || c.usable) << c.id << " flags " << flags;
        }
        Close();
    }
}

TEST_F(JobOptionsPage, DefaultRestoresJobValuesOnlyAndMarksThePage) {
    struct Expected {
        int entry;
        DWORD value;
    };
    const Expected defaults[] = {
        {kEntryResolution, 1}, {kEntryCopies, 1},         {kEntryScale, 100},
        {kEntryOutputMode, 0}, {kEntryJobType, 0},        {kEntryCollate, 0},
        {kEntryRotateSort, 0}, {kEntryOutputBin, 0},      {kEntryImageSmoothing, 1},
        {kEntryTrapping, 0},   {kEntryErrorDiffusion, 1}, {kEntryStaple, 0},
        {kEntryPunch, 0},      {kEntryBindPosition, 2},   {kEntryFitPaperIndex, 0},
        {kEntryFixedScale, 0}, {kEntryUnbound23, 0},
    };
    Open(testenv::kColorPrinter);
    Show();
    for (const Expected& e : defaults) map_->WantedValue[e.entry] = e.value + 3;
    map_->WantedValue[kEntryControl] = 2;
    map_->WantedValue[kEntryOverlay] = 1;
    map_->WantedValue[kEntryHddSpool] = 1;
    Record().WatermarkIndex = 2;
    Record().OverlayIds[0] = 4;
    Record().ColorSettingId = 0x00010102;
    ASSERT_FALSE(ApplyEnabled());

    Click(IDC_DEFAULT);
    for (const Expected& e : defaults) EXPECT_EQ(map_->WantedValue[e.entry], e.value) << e.entry;
    // Gamma 0 is no listed setting: the refresh settles on the first one, custom gamma off.
    EXPECT_EQ(map_->WantedValue[kEntryGammaSelection], 1u);
    EXPECT_FALSE(Ticked(IDC_CUSTOM_GAMMA));
    EXPECT_EQ(map_->WantedValue[kEntryControl], 2u) << "colour mode";
    EXPECT_EQ(map_->WantedValue[kEntryOverlay], 1u) << "overlay print mode";
    EXPECT_EQ(map_->WantedValue[kEntryHddSpool], 1u) << "Advanced dialog";
    EXPECT_EQ(Record().WatermarkIndex, 2);
    EXPECT_EQ(Record().OverlayIds[0], 4);
    EXPECT_EQ(Record().ColorSettingId, 0x00010102u);
    EXPECT_TRUE(Ticked(IDC_RESOLUTION_NORMAL));
    EXPECT_EQ(Text(IDC_SCALE_EDIT), L"100");
    EXPECT_TRUE(ApplyEnabled());
}

TEST_F(JobOptionsPage, EncryptedJobIsForcedOnlyWhenEveryConditionHolds) {
    struct Case {
        const char* jobLimit;
        const char* hdd;
        DWORD hideStandardUi;
        DWORD passwordLength;
        DWORD jobType;
        DWORD cryptoC;
    };
    const Case cases[] =
        {
            {"True", "True", 1, 0, 3, 1},
            {"True", "True", 1, 4, 3, 0},  // a stored password keeps its settings
            {"False", "True", 1, 0, 0, 0},
            {"True", "False", 1, 0, 0, 0},
            {"True", "True", 0, 0, 0, 0},
        };
    testenv::ScopedEnv noCard(L"OEMUI_CARD_RESULT", L"0");
    for (const Case& c : cases) {
        Open(kJobPrinter, [&] {
            core_->SetFeature("VRJobLimit", c.jobLimit);
            core_->SetFeature("VRHDD", c.hdd);
            map_->HideStandardUiSeen = c.hideStandardUi;
            map_->WantedValue[kEntryJobType] = 0;
            Record().EncryptedPasswordLength = c.passwordLength;
            Record().CryptoSettingC = 0;
        });
        Show();
        const std::string row = std::string(c.jobLimit) + "/" + c.hdd + "/" +
                                std::to_string(c.hideStandardUi) + "/" +
                                std::to_string(c.passwordLength);
        EXPECT_EQ(map_->WantedValue[kEntryJobType], c.jobType) << row;
        EXPECT_EQ(Record().CryptoSettingC, c.cryptoC) << row;
        EXPECT_EQ(Enabled(IDC_COPIES_EDIT), c.jobType == 0) << row;
        EXPECT_EQ(Enabled(IDC_COPIES_SPIN), c.jobType == 0) << row;
        Close();
    }
}

TEST_F(JobOptionsPage, CardReaderIsAskedBeforeVistaOnlyAndSteersTheJobType) {
    struct Case {
        bool vista;
        const wchar_t* answer;
        const char* hdd;
        DWORD jobBefore;
        DWORD present;
        DWORD jobAfter;
    };
    const Case cases[] = {
        {false, L"1", "True", 1, 1, 3},   // stored jobs become encrypted ones
        {false, L"1", "False", 2, 1, 0},  // no hard disk: a normal job
        {false, L"0", "True", 1, 0, 1},
        {true, L"1", "True", 1, 0, 1},  // not called on Vista and later
    };
    for (const Case& c : cases) {
        testenv::StandInLog log;
        testenv::ScopedEnv answer(L"OEMUI_CARD_RESULT", c.answer);
        Open(kJobPrinter, [&] {
            IsVistaOrLater = c.vista;
            core_->SetFeature("VRHDD", c.hdd);
            map_->WantedValue[kEntryJobType] = c.jobBefore;
            Record().JobPin[0] = L'1';  // a stored job with its PIN asks nothing
            wcscpy_s(Record().JobName, L"job");
        });
        Show();
        EXPECT_EQ(map_->CardReaderPresent, c.present) << c.vista << c.hdd;
        EXPECT_EQ(map_->WantedValue[kEntryJobType], c.jobAfter) << c.vista << c.hdd;
        bool called = false;
        for (const std::string& line : log.Lines()) {
            if (line.rfind("QueryCardDriver", 0) != 0) continue;
            called = true;
            EXPECT_EQ(line, "QueryCardDriver driver=Lab Jobs PS cap=jobs.cap");
        }
        EXPECT_EQ(called, !c.vista);
        Close();
    }
}

TEST_F(JobOptionsPage, FinishingValuesFollowThePaper) {
    struct Case {
        const char* pageSize;
        const char* duplex;
        const char* punchUnit;
        BYTE layout;                   // the core's paper byte
        short orientation;             // dmOrientation; the orientation item follows it
        DWORD binding, staple, punch;  // before
        DWORD bindingAfter, stapleAfter, punchAfter;
    };
    const Case cases[] = {
        {"A4", "DuplexNoTumble", "Type2", 0, DMORIENT_PORTRAIT, 0, 1, 1, 0, 1, 1},  // class 5
        {"A4", "None", "Type2", 0, DMORIENT_PORTRAIT, 4, 1, 1, 2, 1, 1},            // 5 -> 1
        {"A4", "DuplexNoTumble", "Type2", 6, DMORIENT_PORTRAIT, 3, 1, 1, 4, 1, 0},  // class 4
        {"B5", "DuplexNoTumble", "Type1", 0, DMORIENT_PORTRAIT, 4, 1, 1, 2, 1, 0},  // class 1
        {"A4", "DuplexNoTumble", "Type1", 0, DMORIENT_PORTRAIT, 2, 1, 1, 2, 1, 1},  // A4 edge
        {"A4", "DuplexNoTumble", "Type1", 0, DMORIENT_PORTRAIT, 0, 1, 1, 0, 1, 0},
        {"A4", "DuplexNoTumble", "Type3", 1, DMORIENT_LANDSCAPE, 0, 1, 1, 0, 1, 0},
        {"A4", "DuplexNoTumble", "Type3", 1, DMORIENT_LANDSCAPE, 3, 1, 1, 3, 1, 1},
        {"A4", "DuplexNoTumble", "Type4", 0, DMORIENT_PORTRAIT, 3, 1, 1, 3, 1, 1},
        {"A4", "DuplexNoTumble", "None", 0, DMORIENT_PORTRAIT, 3, 1, 1, 3, 1, 0},
        {"A5", "DuplexNoTumble", "Type2", 0, DMORIENT_PORTRAIT, 3, 1, 1, 2, 0, 0},  // class 0
    };
    for (const Case& c : cases) {
        Open(testenv::kColorPrinter, [&] {
            ASSERT_TRUE(core_->SetFeature("PageSize", c.pageSize));
            ASSERT_TRUE(core_->SetFeature("Duplex", c.duplex));
            ASSERT_TRUE(core_->SetFeature("VRPunchUnit", c.punchUnit));
            core_->SetPaperClass(c.layout);
            core_->Devmode()->dmOrientation = c.orientation;
            Item(kEntryOrientation)->Sel = c.orientation == DMORIENT_PORTRAIT ? 0 : 1;
            // The record already saw this paper, so only the paper's rules apply.
            const int unit = c.punchUnit[0] == 'T' ? c.punchUnit[4] - '0' : 0;
            Record().PaperKey = core_->Devmode()->dmPaperSize;
            Record().PaperFlags = static_cast<BYTE>(
                c.layout | (c.orientation == DMORIENT_PORTRAIT ? 0 : 0x80) | (unit << 3));
            map_->WantedValue[kEntryBindPosition] = c.binding;
            map_->WantedValue[kEntryStaple] = c.staple;
            map_->WantedValue[kEntryPunch] = c.punch;
        });
        Show();
        const std::string row = std::string(c.pageSize) + "/" + c.duplex + "/" + c.punchUnit + "/" +
                                std::to_string(c.layout) + "/" + std::to_string(c.orientation) +
                                "/B" + std::to_string(c.binding);
        EXPECT_EQ(map_->WantedValue[kEntryBindPosition], c.bindingAfter) << row;
        EXPECT_EQ(map_->WantedValue[kEntryStaple], c.stapleAfter) << row;
        EXPECT_EQ(map_->WantedValue[kEntryPunch], c.punchAfter) << row;
        Close();
    }
}

TEST_F(JobOptionsPage, ANewPaperResetsTheFinishingValues) {
    Open(testenv::kColorPrinter, [&] {
        Record().PaperKey = 999;  // another paper than the sheet's
        map_->WantedValue[kEntryBindPosition] = 0;
        map_->WantedValue[kEntryStaple] = 1;
        map_->WantedValue[kEntryPunch] = 1;
    });
    Show();
    EXPECT_EQ(Record().PaperKey, static_cast<INT16>(core_->Devmode()->dmPaperSize));
    EXPECT_EQ(map_->WantedValue[kEntryStaple], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryPunch], 0u);
    EXPECT_EQ(map_->WantedValue[kEntryBindPosition], 2u);
}

TEST_F(JobOptionsPage, ButtonsOpenTheirDialogsAndTheDialogsTheirOwn) {
    struct Case {
        int button;
        std::vector<std::wstring> captions;  // every window that opens, in order
        bool ok;                             // the first dialog ends with OK
        bool marks;
    };
    const Case cases[] = {
        {IDC_WATERMARKS, {L"Watermarks", L"Watermark", L"Font"}, false, false},
        {IDC_WATERMARKS, {L"Watermarks"}, true, true},
        {IDC_OVERLAYS, {L"Overlays", L"Define Overlays"}, false, false},
        {IDC_JOB_ADVANCED, {L"Advanced"}, true, true},
        {IDC_JOB_ADVANCED, {L"Advanced"}, false, false},
        {IDC_ABOUT, {L"about"}, true, false},
    };
    for (const Case& c : cases) {
        Open(testenv::kColorPrinter, [&] { map_->PrinterDataWritable = 1; });
        Show();
        ASSERT_FALSE(ApplyEnabled());
        const bool chain = c.captions.size() > 1;
        testenv::StepRunner runner;
        runner.steps = [&](HWND dialog) {
            wchar_t caption[64] = {};
            GetWindowTextW(dialog, caption, 64);
            const std::wstring name = caption;
            // Each dialog of a chain opens the next one, then closes.
            if (chain && name == L"Watermarks")
                SendDlgItemMessageW(dialog, IDC_WMDLG_NEW, BM_CLICK, 0, 0);
            if (chain && name == L"Watermark")
                SendDlgItemMessageW(dialog, IDC_WMED_FONT, BM_CLICK, 0, 0);
            if (chain && name == L"Overlays")
                SendDlgItemMessageW(dialog, IDC_OVL_NEW, BM_CLICK, 0, 0);
            const bool first = name == c.captions[0];
            if (IsWindow(dialog)) {
                PostMessageW(dialog, WM_COMMAND, first && c.ok ? IDOK : IDCANCEL, 0);
            }
        };
        testenv::ModalWatcher watcher([&](HWND window) {
            if (window != sheet_) runner.Post(window);
        });
        Click(c.button);
        std::vector<std::wstring> seen;
        for (const auto& s : Opened(watcher)) seen.push_back(s.caption);
        EXPECT_EQ(seen, c.captions) << c.button;
        EXPECT_EQ(ApplyEnabled(), c.marks) << c.button;
        Close();
    }
}

// A dialog opened from the page is owned by the sheet: its change notices must still reach the
// page, and stay when the dialog itself is cancelled.
TEST_F(JobOptionsPage, OverlayModeChangeMarksThePageEvenWhenTheDialogIsCancelled) {
    Open(testenv::kColorPrinter, [&] { map_->PrinterDataWritable = 1; });
    Show();
    ASSERT_FALSE(ApplyEnabled());
    bool sawDialog = false;
    testenv::StepRunner runner;
    runner.steps = [&](HWND dialog) {
        HWND mode = GetDlgItem(dialog, IDC_OVL_MODE);
        if (mode == nullptr) {
            PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
            return;
        }
        sawDialog = true;
        const LRESULT current = SendMessageW(mode, CB_GETCURSEL, 0, 0);
        const WPARAM other = current == 1 ? 0 : 1;  // neither is the form-creation mode
        SendMessageW(mode, CB_SETCURSEL, other, 0);
        SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OVL_MODE, CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(mode));
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    };
    testenv::ModalWatcher watcher([&](HWND window) {
        if (window != sheet_) runner.Post(window);
    });
    Click(IDC_OVERLAYS);
    EXPECT_TRUE(sawDialog);
    EXPECT_TRUE(ApplyEnabled());
    Close();
}

TEST_F(JobOptionsPage, ApplySavesTheWatermarkListOnceToTheUserDataFileOnly) {
    Open(kJobPrinter);
    Show();
    const std::wstring ini = map_->IniPath;
    const std::string iniBefore = testenv::ReadFileBytes(ini);
    testenv::ModalWatcher watcher(OkButSheet());
    Click(IDC_WATERMARKS);
    ASSERT_EQ(map_->Watermarks.Loaded, 1);
    EXPECT_EQ(std::wstring(map_->Watermarks.DataFile), data_) << "the sheet's own data file";
    // A watermark of the user's, as the editor would have added it.
    WatermarkList& list = map_->Watermarks;
    ASSERT_NE(list.Working, nullptr);
    wcscpy_s(list.Working->Text, L"DRAFT");
    ASSERT_TRUE(AddWatermark(list));

    PropSheet_Apply(sheet_);
    core_->PumpSheet();
    wchar_t value[512] = {};
    GetPrivateProfileStringW(L"Watermark", L"WTMK001", L"", value, 512, data_.c_str());
    EXPECT_NE(std::wstring(value).find(L"DRAFT"), std::wstring::npos) << testenv::Narrow(value);
    EXPECT_EQ(testenv::ReadFileBytes(ini), iniBefore) << "Apply wrote the driver INI file";
    EXPECT_EQ(map_->Watermarks.Loaded, 0);
    EXPECT_EQ(map_->Watermarks.Records[1], nullptr) << "the working copies are freed";

    // A second Apply without the dialog has nothing loaded to save.
    DeleteFileW(data_.c_str());
    PropSheet_Changed(sheet_, page_);
    PropSheet_Apply(sheet_);
    core_->PumpSheet();
    EXPECT_EQ(GetFileAttributesW(data_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(testenv::ReadFileBytes(ini), iniBefore);
}

// Print servers and the printers folder keep sheets of several models in one process: each sheet
// keeps its own model's files from its set-up to its end and saves its own list there.
TEST_F(JobOptionsPage, SheetsOfTwoModelsInOneProcessEachSaveTheirOwnList) {
    Open(kJobPrinter);
    Show();
    const std::wstring jobIni = map_->IniPath;
    const std::wstring jobCapability = map_->CapabilityPath;
    ASSERT_NE(jobIni.find(L"jobs.ini"), std::wstring::npos);

    wchar_t common[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common));
    wchar_t colorData[MAX_PATH] = {};
    ASSERT_TRUE(UserDataFilePathIn(common, testenv::kColorDriver, colorData, MAX_PATH));
    DeleteFileW(colorData);

    // A sheet of the sample colour model is set up beside it.
    host::CoreDriver other(testenv::InProcessOptions(testenv::kColorPrinter));
    ASSERT_TRUE(other.Start()) << testenv::Narrow(other.Error());
    ASSERT_TRUE(other.OpenSheet(host::SheetKind::Document));
    DriverItemMap* otherMap = testenv::DocumentMapOf(other);
    ASSERT_NE(otherMap, nullptr);
    const HWND otherSheet = other.ShowModeless(nullptr);
    ASSERT_NE(otherSheet, nullptr);
    other.PumpSheet();
    const HWND otherPage = PropSheet_GetCurrentPageHwnd(otherSheet);
    EXPECT_EQ(std::wstring(map_->IniPath), jobIni) << "the first sheet keeps its own files";
    EXPECT_EQ(std::wstring(map_->CapabilityPath), jobCapability);
    EXPECT_NE(std::wstring(otherMap->IniPath), jobIni);

    testenv::ModalWatcher watcher([&](HWND window) {
        if (window != sheet_ && window != otherSheet) PostMessageW(window, WM_COMMAND, IDOK, 0);
    });
    const struct {
        host::CoreDriver& core;
        DriverItemMap* map;
        HWND sheet;
        HWND page;
        const wchar_t* text;
    } sheets[] = {{*core_, map_, sheet_, page_, L"ALPHA"},
                  {other, otherMap, otherSheet, otherPage, L"BETA"}};
    for (const auto& s : sheets) {
        SendDlgItemMessageW(s.page, IDC_WATERMARKS, BM_CLICK, 0, 0);
        s.core.PumpSheet();
        WatermarkList& list = s.map->Watermarks;
        ASSERT_EQ(list.Loaded, 1) << testenv::Narrow(s.text);
        ASSERT_NE(list.Working, nullptr);
        wcscpy_s(list.Working->Text, s.text);
        ASSERT_TRUE(AddWatermark(list));
        PropSheet_Apply(s.sheet);
        s.core.PumpSheet();
    }
    const auto savedList = [](const wchar_t* file) {
        std::wstring section(4096, L'\0');
        section.resize(GetPrivateProfileSectionW(L"Watermark", section.data(),
                                                 static_cast<DWORD>(section.size()), file));
        return section;
    };
    const std::wstring jobSaved = savedList(data_.c_str());
    const std::wstring colorSaved = savedList(colorData);
    EXPECT_NE(jobSaved.find(L"ALPHA"), std::wstring::npos);
    EXPECT_EQ(jobSaved.find(L"BETA"), std::wstring::npos);
    EXPECT_NE(colorSaved.find(L"BETA"), std::wstring::npos);
    EXPECT_EQ(colorSaved.find(L"ALPHA"), std::wstring::npos);
    DestroyWindow(otherSheet);
    other.CloseSheet();
    EXPECT_EQ(other.Shutdown(), S_FALSE) << "the first sheet's object still holds the plug-in";
    DeleteFileW(colorData);
}

// Apply that cannot save tells the user which file and why, answers the core driver that the
// page is not applied, keeps the page and the user's list, and loses nothing stored before; once
// the file can be written, Apply saves.
TEST_F(JobOptionsPage, ApplyThatCannotSaveSaysSoAndKeepsThePageAndTheStoredList) {
    const struct {
        const char* what;
        void (*block)(const std::wstring& data);
        void (*unblock)(const std::wstring& data);
        const wchar_t* reason;
        bool fileStays;  // the data file itself is still there to compare
        bool smallDisk;  // the data file lies on the small file system the run mounts
    } cases[] = {
        {"read-only data file",
         [](const std::wstring& data) {
             SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_READONLY);
         },
         [](const std::wstring& data) { SetFileAttributesW(data.c_str(), FILE_ATTRIBUTE_NORMAL); },
         L"read-only", true, false},
        {"a folder that cannot be created",
         [](const std::wstring& data) {
             const std::wstring folder = data.substr(0, data.rfind(L'\\'));
             DeleteFileW(data.c_str());
             RemoveDirectoryW(folder.c_str());
             testenv::WriteFileBytes(folder, "in the folder's place");
         },
         [](const std::wstring& data) { DeleteFileW(data.substr(0, data.rfind(L'\\')).c_str()); },
         L"cannot be created", false, false},
        // The file system of 64 KB that ctest mounts at C:\smalldisk (tests/smalldisk.sh),
        // filled up.
        {"a full disk",
         [](const std::wstring& data) {
             UniqueFile filler(CreateFileW((data + L".filler").c_str(), GENERIC_WRITE, 0, nullptr,
                                           CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
             const std::vector<char> block(512, 'x');
             DWORD written = 0;
             while (filler && WriteFile(filler.get(), block.data(), 512, &written, nullptr) &&
                    written == block.size()) {
             }
         },
         [](const std::wstring& data) { DeleteFileW((data + L".filler").c_str()); },
         L"The disk is full.", true, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring data = c.smallDisk ? L"C:\\smalldisk\\userdata.ini" : data_;
        ULARGE_INTEGER disk = {};
        if (c.smallDisk && (!GetDiskFreeSpaceExW(L"C:\\smalldisk\\", nullptr, &disk, nullptr) ||
                            disk.QuadPart > 1024 * 1024)) {
            printf("[ SKIPPED  ] %s: no small file system at C:\\smalldisk\n", c.what);
            continue;
        }
        // What an earlier Apply stored.
        const std::string stored = Utf16(L"[Watermark]\r\nWTMK001=72,0,45,0,0,255,Stored\r\n");
        CreateDirectoryW(data.substr(0, data.rfind(L'\\')).c_str(), nullptr);
        ASSERT_TRUE(testenv::WriteFileBytes(data, stored));
        Open(kJobPrinter, [&] { wcscpy_s(map_->UserDataFile, data.c_str()); });
        Show();
        const std::string iniBefore = testenv::ReadFileBytes(map_->IniPath);
        testenv::ModalWatcher watcher(OkButSheet());
        Click(IDC_WATERMARKS);
        WatermarkList& list = map_->Watermarks;
        ASSERT_EQ(list.Count, 1);
        wcscpy_s(list.Working->Text, L"DRAFT");
        ASSERT_TRUE(AddWatermark(list));
        c.block(data);

        const size_t results = core_->Results().size();
        const size_t seen = Opened(watcher).size();
        PropSheet_Apply(sheet_);
        core_->PumpSheet();
        const auto opened = Opened(watcher);
        ASSERT_EQ(opened.size(), seen + 1) << "one message";
        EXPECT_NE(opened.back().text.find(data), std::wstring::npos)
            << testenv::Narrow(opened.back().text);
        EXPECT_NE(opened.back().text.find(c.reason), std::wstring::npos)
            << testenv::Narrow(opened.back().text);
        EXPECT_EQ(core_->Results().size(), results) << "the page was reported applied";
        EXPECT_EQ(PropSheet_GetCurrentPageHwnd(sheet_), page_);
        EXPECT_EQ(list.Loaded, 1) << "the user's list stays for another try";
        EXPECT_EQ(list.Count, 2);
        EXPECT_EQ(testenv::ReadFileBytes(map_->IniPath), iniBefore);
        if (c.fileStays) {
            EXPECT_EQ(testenv::ReadFileBytes(data), stored);
        }

        c.unblock(data);
        PropSheet_Changed(sheet_, page_);
        PropSheet_Apply(sheet_);
        core_->PumpSheet();
        EXPECT_EQ(Opened(watcher).size(), seen + 1) << "the second Apply saves";
        wchar_t value[512] = {};
        GetPrivateProfileStringW(L"Watermark", L"WTMK002", L"", value, 512, data.c_str());
        EXPECT_NE(std::wstring(value).find(L"DRAFT"), std::wstring::npos);
        Close();
        ForgetUserData();
        if (c.smallDisk) DeleteFileW(data.c_str());
    }
}

TEST_F(JobOptionsPage, ApplyCommitsChangedOverlaysAndSettlesTheColourPageToo) {
    struct Case {
        INT32 variant;
        DWORD writable;
        INT32 variantAfter;
        bool colourResult;
    };
    const Case cases[] = {
        {kOverlaysPending, 1, kOverlaysCommitted, true},
        {kOverlaysPending, 0, kOverlaysPending, false},
        {0, 1, 0, false},
    };
    for (const Case& c : cases) {
        Open(kJobPrinter);
        Show();
        map_->PrinterDataWritable = c.writable;
        map_->SettingsVariant = c.variant;
        const size_t before = core_->Results().size();
        PropSheet_Changed(sheet_, page_);
        PropSheet_Apply(sheet_);
        core_->PumpSheet();
        EXPECT_EQ(map_->SettingsVariant, c.variantAfter) << c.variant << "/" << c.writable;
        size_t jobResults = 0;
        size_t colourResults = 0;
        for (size_t i = before; i < core_->Results().size(); ++i) {
            const host::SetResultRecord& r = core_->Results()[i];
            EXPECT_EQ(r.result, CPSUI_OK);
            if (r.handle == reinterpret_cast<LPARAM>(map_->JobOptionsPageHandle)) ++jobResults;
            if (r.handle == reinterpret_cast<LPARAM>(map_->ColorPageHandle)) ++colourResults;
        }
        EXPECT_EQ(jobResults, 1u) << c.variant << "/" << c.writable;
        // The Colour page was never shown, so only the commit settles its result.
        EXPECT_EQ(colourResults, c.colourResult ? 1u : 0u) << c.variant << "/" << c.writable;
        Close();
    }
}

// The job-type controls of another page layout, from the test resource library.
class JobTypeLayout : public JobOptionsPage {
protected:
    void SetUp() override {
        JobOptionsPage::SetUp();
        layout_ = LoadLibraryW((testenv::TestBinDir() + L"\\jobpagetestres.dll").c_str());
        ASSERT_NE(layout_, nullptr);
    }
    void TearDown() override {
        JobOptionsPage::TearDown();
        if (layout_ != nullptr) FreeLibrary(layout_);
    }
    void OpenLayout(const std::function<void()>& prepare) {
        Open(kJobPrinter, prepare, 0, layout_);
        Show();
        ASSERT_TRUE(Exists(IDC_JOBTYPE_NORMAL)) << "not the job-type layout";
    }
    HMODULE layout_ = nullptr;
};

TEST_F(JobTypeLayout, EncryptedJobAsksForItsSettingsAndACancelMakesItNormal) {
    struct Case {
        const wchar_t* uiResult;
        DWORD cardReader;
        DWORD jobType;
        const char* uiCall;  // nullptr: the settings are not asked for
    };
    const Case cases[] = {
        {L"1", 0, 3, "DispCryptoUIEx owner=1 mode=1"},
        {L"0", 0, 0, "DispCryptoUIEx owner=1 mode=1"},
        {L"1", 1, 3, nullptr},  // the card reader carries the settings
    };
    for (const Case& c : cases) {
        testenv::StandInLog log;
        testenv::ScopedEnv ui(L"OEMUI_CRYPTO_UI_RESULT", c.uiResult);
        testenv::ScopedEnv card(L"OEMUI_CARD_RESULT", L"0");
        OpenLayout([&] {
            IsVistaOrLater = true;
            core_->SetFeature("VRHDD", "True");
            map_->WantedValue[kEntryCopies] = 5;
            Record().EncryptedPasswordLength = 0;
            Record().CryptoSettingC = 0;
        });
        map_->CardReaderPresent = c.cardReader;
        log.Clear();
        testenv::ModalWatcher watcher(OkButSheet());  // the one-time copies notice
        Click(IDC_JOBTYPE_LAST);
        EXPECT_EQ(map_->WantedValue[kEntryJobType], c.jobType);
        EXPECT_EQ(map_->WantedValue[kEntryCopies], c.cardReader != 0 ? 5u : 1u);
        bool asked = false;
        for (const std::string& line : log.Lines()) {
            if (line.rfind("DispCryptoUIEx", 0) == 0) {
                asked = true;
                if (c.uiCall != nullptr) {
                    EXPECT_EQ(line, c.uiCall);
                }
            }
        }
        EXPECT_EQ(asked, c.uiCall != nullptr);
        if (c.jobType == 3 && c.uiCall != nullptr) {
            EXPECT_EQ(Record().CryptoSettingA, 0x1001u) << "the block's words come back";
            ASSERT_EQ(Record().EncryptedPasswordLength, 6u);
            EXPECT_EQ(Record().EncryptedPassword[0], static_cast<BYTE>('t' ^ 0x5A));
            EXPECT_TRUE(Ticked(IDC_JOBTYPE_LAST));
            EXPECT_TRUE(Enabled(IDC_JOB_SETTINGS));
            EXPECT_FALSE(Enabled(IDC_COPIES_EDIT));
        }
        if (c.jobType == 0) {
            EXPECT_TRUE(Ticked(IDC_JOBTYPE_NORMAL));
        }
        Close();
    }
}

TEST_F(JobTypeLayout, SettingsButtonAndColourControlBox) {
    testenv::StandInLog log;
    testenv::ScopedEnv card(L"OEMUI_CARD_RESULT", L"0");
    OpenLayout([&] {
        core_->SetFeature("VRHDD", "True");
        map_->WantedValue[kEntryJobType] = 3;
        map_->WantedValue[kEntryControl] = 2;
    });
    EXPECT_TRUE(Enabled(IDC_JOB_SETTINGS));
    map_->CardReaderPresent = 7;
    log.Clear();
    Click(IDC_JOB_SETTINGS);
    bool asked = false;
    for (const std::string& line : log.Lines()) {
        if (line.rfind("DispCryptoUIEx", 0) == 0) {
            asked = true;
            EXPECT_EQ(line, "DispCryptoUIEx owner=1 mode=2") << "card reader mode";
        }
    }
    EXPECT_TRUE(asked);

    Click(IDC_COLOR_CONTROL_CHECK);
    EXPECT_EQ(map_->WantedValue[kEntryControl], kColorControlForced);
    EXPECT_EQ(Record().SavedModeValue, 2u);
    Click(IDC_COLOR_CONTROL_CHECK);
    EXPECT_EQ(map_->WantedValue[kEntryControl], 2u);
}

TEST_F(JobTypeLayout, StoredJobAsksForItsPinWhenNoneIsStored) {
    struct Case {
        const wchar_t* pin;
        int answer;  // how the JOB PIN dialog ends
        bool asked;
        DWORD jobType;
    };
    const Case cases[] = {
        {L"", IDCANCEL, true, 0},
        {L"1234", IDCANCEL, false, 1},
    };
    testenv::ScopedEnv card(L"OEMUI_CARD_RESULT", L"0");
    for (const Case& c : cases) {
        OpenLayout([&] {
            core_->SetFeature("VRHDD", "True");
            wcscpy_s(Record().JobPin, c.pin);
            wcscpy_s(Record().JobName, L"report");
            Record().AskJobName = 0;
        });
        testenv::ModalWatcher watcher([&](HWND window) {
            if (window == sheet_) return;
            wchar_t caption[64] = {};
            GetWindowTextW(window, caption, 64);
            const bool pinDialog = std::wstring(caption) == L"JOB PIN";
            PostMessageW(window, WM_COMMAND, pinDialog ? c.answer : IDOK, 0);
        });
        Click(1509);
        bool asked = false;
        for (const auto& s : Opened(watcher)) asked = asked || s.caption == L"JOB PIN";
        EXPECT_EQ(asked, c.asked) << testenv::Narrow(c.pin);
        EXPECT_EQ(map_->WantedValue[kEntryJobType], c.jobType) << testenv::Narrow(c.pin);
        EXPECT_EQ(Ticked(IDC_JOBTYPE_NORMAL + static_cast<int>(c.jobType)), true);
        Close();
    }
}

TEST_F(JobOptionsPage, FeaturesTheCoreLacksLoseTheirControlsAndAreNotValidated) {
    Open(testenv::kColorPrinter, [&] {
        map_->ItemIndex[kEntryCopies] = kNoItem;
        map_->ItemIndex[kEntryScale] = kNoItem;
    });
    Show();
    for (int id : {IDC_COPIES_GROUP, IDC_COPIES_EDIT, IDC_COPIES_SPIN, IDC_COPIES_RANGE,
                   IDC_SCALE_GROUP, IDC_SCALE_EDIT, IDC_SCALE_SPIN, IDC_SCALE_RANGE}) {
        EXPECT_FALSE(Exists(id)) << id;
    }
    EXPECT_TRUE(Exists(IDC_WATERMARKS));
    testenv::ModalWatcher watcher(OkButSheet());
    EXPECT_NE(TryLeave(), page_);
    EXPECT_TRUE(Opened(watcher).empty());
}
