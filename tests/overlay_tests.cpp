// Overlay definitions in the plug-in INI file and the Overlays dialog: the stored sections read
// back as written, malformed or oversized content stays inside the records, the pending and
// committed section families, and the dialog run modally on a document sheet of the core-driver
// stand-in (listing, activation, deletion, the overlay mode, OK/Cancel, commit on Apply).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "overlays_ids.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "res/resource.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/plugindll.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/common/dialogs.h"
#include "ui/overlay/overlaysdialog.h"
#include "ui/overlay/overlaystore.h"

using namespace oemui;

namespace {

using testenv::Click;
using testenv::Enabled;

std::wstring TempIni(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    std::wstring path = std::wstring(dir) + L"ovl_" + name + L".ini";
    DeleteFileW(path.c_str());
    return path;
}

std::wstring IniText(const std::wstring& ini, const wchar_t* section, const wchar_t* key) {
    wchar_t text[600] = {};
    GetPrivateProfileStringW(section, key, L"<none>", text, 600, ini.c_str());
    return text;
}

OverlayRecord MakeRecord(const wchar_t* name, WORD mode, const wchar_t* pages,
                         std::vector<const wchar_t*> forms) {
    OverlayRecord r = {};
    wcsncpy_s(r.Name, kOverlayNameChars, name, _TRUNCATE);
    r.PageMode = mode;
    wcsncpy_s(r.CustomPage, kCustomPageChars, pages, _TRUNCATE);
    for (const wchar_t* f : forms) {
        wcsncpy_s(r.FormNames[r.FormCount++], kOverlayNameChars, f, _TRUNCATE);
    }
    return r;
}

// Saves one section into a user data file as the plug-in saves it.
void WriteMain(const std::wstring& file, const wchar_t* section, const OverlayStore& store) {
    SectionLines lines;
    ASSERT_TRUE(OverlayMainLines(store, lines));
    const SectionUpdate update = {section, &lines};
    ASSERT_TRUE(SaveUserSections(file.c_str(), nullptr, &update, 1));
}
void WriteInfo(const std::wstring& file, const wchar_t* section, const OverlayRecord& record) {
    SectionLines lines;
    ASSERT_TRUE(OverlayInfoLines(record, lines));
    const SectionUpdate update = {section, &lines};
    ASSERT_TRUE(SaveUserSections(file.c_str(), nullptr, &update, 1));
}

// Writes `records` as the definitions of one family, with no history.
void WriteDefinitions(const std::wstring& file, bool pending,
                      const std::vector<OverlayRecord>& records) {
    OverlayStore store = {};
    store.DefinedCount = static_cast<WORD>(records.size());
    wchar_t section[64];
    ASSERT_TRUE(OverlayMainSectionName(pending, section, 64));
    WriteMain(file, section, store);
    for (size_t i = 0; i < records.size(); ++i) {
        ASSERT_TRUE(OverlayInfoSectionName(pending, static_cast<int>(i), section, 64));
        WriteInfo(file, section, records[i]);
    }
}

std::vector<OverlayRecord> FourDefinitions() {
    return {MakeRecord(L"Letterhead", kPageModeFirst, L"", {L"Head"}),
            MakeRecord(L"Logo", kPageModeAll, L"", {L"LogoA", L"LogoB"}),
            MakeRecord(L"Draft", kPageModeCustom, L"1,3,5-12", {L"Stamp"}),
            MakeRecord(L"Back", kPageModeEven, L"", {L"Rear"})};
}

// ---------------------------------------------------------------------------------------------
// Stored form

TEST(OverlayStoreFormat, SectionsRoundTripWithKeysInOrder) {
    const std::wstring ini = TempIni(L"roundtrip");
    wchar_t main[64], info[64], mainSv[64], infoSv[64];
    ASSERT_TRUE(OverlayMainSectionName(false, main, 64));
    ASSERT_TRUE(OverlayInfoSectionName(false, 7, info, 64));
    ASSERT_TRUE(OverlayMainSectionName(true, mainSv, 64));
    ASSERT_TRUE(OverlayInfoSectionName(true, 7, infoSv, 64));
    EXPECT_STREQ(main, L"OverlaySetting");
    EXPECT_STREQ(info, L"Overlay_Info 7");
    EXPECT_STREQ(mainSv, L"OverlaySetting_Sv");
    EXPECT_STREQ(infoSv, L"Overlay_Info_Sv 7");
    wchar_t tiny[5];
    EXPECT_FALSE(OverlayInfoSectionName(false, 7, tiny, 5));
    EXPECT_STREQ(tiny, L"");

    OverlayStore store = {};
    store.DefinedCount = 3;
    store.HistoryCount = 2;
    wcscpy_s(store.History[0], L"FormA");
    wcscpy_s(store.History[1], L"Form B");
    WriteMain(ini, main, store);
    const OverlayRecord record =
        MakeRecord(L"Draft", kPageModeCustom, L"1,3,5-12", {L"Stamp", L"Rear"});
    WriteInfo(ini, info, record);

    // Keys in the documented order.
    wchar_t keys[512] = {};
    DWORD n = GetPrivateProfileStringW(info, nullptr, L"", keys, 512, ini.c_str());
    std::vector<std::wstring> names;
    for (const wchar_t* k = keys; k < keys + n && *k; k += wcslen(k) + 1) names.push_back(k);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"Overlay_Name", L"PageMode", L"CustomPage",
                                                L"Form_Num", L"Form_Name 0", L"Form_Name 1"}));
    EXPECT_EQ(IniText(ini, main, L"History 1"), L"Form B");

    OverlayStore readStore = {};
    ReadOverlayMainSection(ini.c_str(), main, readStore);
    EXPECT_EQ(readStore.DefinedCount, 3);
    EXPECT_EQ(readStore.HistoryCount, 2);
    EXPECT_STREQ(readStore.History[1], L"Form B");
    OverlayRecord readRecord = {};
    ReadOverlayInfoSection(ini.c_str(), info, readRecord);
    EXPECT_EQ(std::memcmp(&readRecord, &record, sizeof(record)), 0);
    DeleteFileW(ini.c_str());
}

TEST(OverlayStoreFormat, MalformedAndOversizedContentStaysInBounds) {
    const std::wstring ini = TempIni(L"malformed");
    const std::wstring longName(300, L'N');
    WritePrivateProfileStringW(L"OverlaySetting", L"Overlay_Num", L"99", ini.c_str());
    WritePrivateProfileStringW(L"OverlaySetting", L"History_Num", L"4000", ini.c_str());
    WritePrivateProfileStringW(L"OverlaySetting", L"History 9", longName.c_str(), ini.c_str());
    WritePrivateProfileStringW(L"OverlaySetting", L"History 10", L"beyond", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"Form_Num", L"7", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"PageMode", L"9", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"Overlay_Name", longName.c_str(), ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"CustomPage", std::wstring(600, L'1').c_str(),
                               ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"Form_Name 2", L"third", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 0", L"Form_Name 3", L"fourth", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 1", L"Form_Num", L"-2", ini.c_str());
    WritePrivateProfileStringW(L"Overlay_Info 1", L"PageMode", L"-1", ini.c_str());

    OverlayStore store = {};
    ReadOverlayMainSection(ini.c_str(), L"OverlaySetting", store);
    EXPECT_EQ(store.DefinedCount, kMaxDefinedOverlays);
    EXPECT_EQ(store.HistoryCount, kMaxFormHistory);
    EXPECT_EQ(std::wstring(store.History[9]), longName.substr(0, 63));

    OverlayRecord r0 = {};
    ReadOverlayInfoSection(ini.c_str(), L"Overlay_Info 0", r0);
    EXPECT_EQ(r0.FormCount, kMaxOverlayForms);
    EXPECT_EQ(r0.PageMode, kPageModeAll);
    EXPECT_EQ(std::wstring(r0.Name), longName.substr(0, 63));
    EXPECT_EQ(wcslen(r0.CustomPage), 254u);
    EXPECT_STREQ(r0.FormNames[2], L"third");

    OverlayRecord r1 = {};
    ReadOverlayInfoSection(ini.c_str(), L"Overlay_Info 1", r1);
    EXPECT_EQ(r1.FormCount, 0);
    EXPECT_EQ(r1.PageMode, kPageModeAll);

    // A record whose counts were corrupted in memory is written within its fields.
    OverlayRecord bad = MakeRecord(L"X", kPageModeAll, L"", {L"a", L"b", L"c"});
    bad.FormCount = 40;
    WriteInfo(ini, L"Overlay_Info 5", bad);
    EXPECT_EQ(IniText(ini, L"Overlay_Info 5", L"Form_Num"), L"3");
    EXPECT_EQ(IniText(ini, L"Overlay_Info 5", L"Form_Name 3"), L"<none>");
    DeleteFileW(ini.c_str());
}

// Stored names longer than the field are cut; names that the cut made one get a number, so
// that the Define Overlays dialog accepts each definition again.
TEST(OverlayStoreNames, CutNamesThatCollideAreNumbered) {
    const std::wstring ini = TempIni(L"names_old");
    const std::wstring data = TempIni(L"names");
    const std::wstring stem(63, L'N');
    const std::wstring shortStem(59, L'N');
    WriteDefinitions(
        ini, false,
        {MakeRecord(L"", kPageModeAll, L"", {L"A"}), MakeRecord(L"", kPageModeAll, L"", {L"B"}),
         MakeRecord(L"", kPageModeAll, L"", {L"C"}), MakeRecord(L"", kPageModeAll, L"", {L"D"}),
         MakeRecord(L"", kPageModeAll, L"", {L"E"})});
    // As a hand edit or another program left them: longer than the field.
    const std::wstring names[] = {stem + L"first", stem + L"second", shortStem + L" (2)"};
    for (size_t i = 0; i < std::size(names); ++i) {
        const std::wstring section = L"Overlay_Info " + std::to_wstring(i);
        ASSERT_TRUE(WritePrivateProfileStringW(section.c_str(), L"Overlay_Name", names[i].c_str(),
                                               ini.c_str()));
    }
    auto map = std::make_unique<DriverItemMap>();
    wcsncpy(map->IniPath, ini.c_str(), std::size(map->IniPath) - 1);
    wcscpy_s(map->UserDataFile, data.c_str());
    ASSERT_TRUE(LoadOverlays(*map));
    ASSERT_EQ(map->OverlayStore->DefinedCount, 5);
    EXPECT_EQ(std::wstring(map->Overlays[0]->Name), stem);
    EXPECT_EQ(std::wstring(map->Overlays[1]->Name), shortStem + L" (3)")
        << "\" (2)\" is a stored name already";
    EXPECT_EQ(std::wstring(map->Overlays[2]->Name), shortStem + L" (2)");
    EXPECT_STREQ(map->Overlays[3]->Name, L"") << "a missing name stays missing";
    EXPECT_STREQ(map->Overlays[4]->Name, L"");
    FreeOverlays(*map);
    DeleteFileW(ini.c_str());
    DeleteFileW(data.c_str());
}

TEST(OverlayStoreFamilies, LoadSaveAndCommitFollowTheVariant) {
    // The definitions an earlier version saved in the driver INI file; the sheet saves to its
    // user data file from then on.
    const std::wstring ini = TempIni(L"families_old");
    const std::wstring data = TempIni(L"families");
    WriteDefinitions(ini, false, {MakeRecord(L"Committed", kPageModeAll, L"", {L"C"})});
    const std::string oldIni = testenv::ReadFileBytes(ini);
    auto map = std::make_unique<DriverItemMap>();
    wcsncpy(map->IniPath, ini.c_str(), std::size(map->IniPath) - 1);
    wcscpy_s(map->UserDataFile, data.c_str());

    // Variant 0 reads the committed family; a load replaces an earlier store.
    ASSERT_TRUE(LoadOverlays(*map));
    ASSERT_TRUE(LoadOverlays(*map));
    ASSERT_EQ(map->OverlayStore->DefinedCount, 1);
    EXPECT_STREQ(map->Overlays[0]->Name, L"Committed");
    wcscpy_s(map->Overlays[0]->Name, L"Pending");
    map->SettingsVariant = kOverlaysPending;
    ASSERT_TRUE(SaveOverlays(*map));
    FreeOverlays(*map);
    EXPECT_EQ(map->OverlayStore, nullptr);
    EXPECT_EQ(map->Overlays[0], nullptr);
    EXPECT_EQ(IniText(data, L"Overlay_Info_Sv 0", L"Overlay_Name"), L"Pending");
    EXPECT_EQ(IniText(data, L"Overlay_Info 0", L"Overlay_Name"), L"Committed");

    // Apply without write permission, or with the committed family current, copies nothing.
    map->PrinterDataWritable = 0;
    EXPECT_FALSE(CommitOverlays(*map));
    map->PrinterDataWritable = 1;
    map->SettingsVariant = kOverlaysCommitted;
    EXPECT_FALSE(CommitOverlays(*map));
    EXPECT_EQ(IniText(data, L"Overlay_Info 0", L"Overlay_Name"), L"Committed");

    map->SettingsVariant = kOverlaysPending;
    EXPECT_TRUE(CommitOverlays(*map));
    EXPECT_EQ(map->SettingsVariant, kOverlaysCommitted);
    EXPECT_EQ(map->OverlayStore, nullptr);
    EXPECT_EQ(IniText(data, L"Overlay_Info 0", L"Overlay_Name"), L"Pending");
    EXPECT_EQ(testenv::ReadFileBytes(ini), oldIni) << "the driver INI file is never written";

    // No file at all: no definitions, and nothing to save into.
    map->IniPath[0] = L'\0';
    map->UserDataFile[0] = L'\0';
    ASSERT_TRUE(LoadOverlays(*map));
    EXPECT_EQ(map->OverlayStore->DefinedCount, 0);
    EXPECT_FALSE(SaveOverlays(*map));
    FreeOverlays(*map);
    DeleteFileW(ini.c_str());
    DeleteFileW(data.c_str());
}

// ---------------------------------------------------------------------------------------------
// The dialog

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

void Select(HWND dialog, int listId, std::vector<int> rows) {
    HWND list = Item(dialog, listId);
    ListView_SetItemState(list, -1, 0, LVIS_SELECTED);
    for (int row : rows) ListView_SetItemState(list, row, LVIS_SELECTED, LVIS_SELECTED);
}

// Rows of a list view as "name|page".
std::vector<std::wstring> Rows(HWND dialog, int listId) {
    HWND list = Item(dialog, listId);
    std::vector<std::wstring> rows;
    for (int i = 0; i < ListView_GetItemCount(list); ++i) {
        wchar_t name[128] = {}, page[300] = {};
        ListView_GetItemText(list, i, 0, name, 128);
        ListView_GetItemText(list, i, 1, page, 300);
        rows.push_back(std::wstring(name) + L"|" + page);
    }
    return rows;
}

std::vector<std::wstring> ModeNames(HWND dialog) {
    std::vector<std::wstring> names;
    HWND combo = Item(dialog, IDC_OVL_MODE);
    for (int i = 0; i < SendMessageW(combo, CB_GETCOUNT, 0, 0); ++i) {
        wchar_t text[128] = {};
        SendMessageW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        names.push_back(text);
    }
    return names;
}

void ChooseMode(HWND dialog, int index) {
    SendDlgItemMessageW(dialog, IDC_OVL_MODE, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_OVL_MODE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(dialog, IDC_OVL_MODE)));
}

using testenv::StepRunner;

class OverlaysDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testenv::UseCommonControls();
        dll_ = LoadLibraryW(testenv::Widen(OEMUI_DLL_PATH).c_str());
        installed_ = testenv::InstallSamplePrinters();
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
        ini_ =
            TempIni(testenv::Widen(::testing::UnitTest::GetInstance()->current_test_info()->name())
                        .c_str());

        core_ =
            std::make_unique<host::CoreDriver>(testenv::InProcessOptions(testenv::kColorPrinter));
        ASSERT_TRUE(core_->Start()) << testenv::Narrow(core_->Error());
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Document));
        map_ = testenv::DocumentMapOf(*core_);
        ASSERT_NE(map_, nullptr);
        ASSERT_NE(map_->SheetParam, nullptr);
        ASSERT_NE(map_->ItemIndex[kEntryOverlay], kNoItem);
        record_ = static_cast<PrivateDevmode*>(map_->SheetParam->pOEMDM);
        // The definitions of each test live in a file of its own, the sheet's user data file.
        wcsncpy(map_->IniPath, ini_.c_str(), std::size(map_->IniPath) - 1);
        wcscpy_s(map_->UserDataFile, ini_.c_str());
        SetIds({kNoOverlay, kNoOverlay, kNoOverlay, kNoOverlay});
    }
    void TearDown() override {
        if (core_) {
            if (core_->SheetOpen()) core_->CloseSheet();
            EXPECT_EQ(core_->Shutdown(), S_OK);
        }
        ModuleHandle = oldModule_;
        DeleteFileW(ini_.c_str());
    }

    void SetIds(std::vector<WORD> ids) {
        for (int i = 0; i < 4; ++i) record_->OverlayIds[i] = ids[i];
    }
    std::vector<WORD> Ids() const { return {record_->OverlayIds, record_->OverlayIds + 4}; }

    // Runs the dialog; message boxes it opens are recorded and closed with OK.
    INT_PTR Run(std::function<void(HWND)> steps) {
        StepRunner runner;
        runner.steps = [&](HWND dialog) {
            steps(dialog);
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        boxes_.clear();
        testenv::ModalWatcher watcher([&](HWND window) {
            if (GetDlgItem(window, IDC_OVL_MODE) != nullptr) {
                runner.Post(window);
                return;
            }
            testenv::AnswerBox(window, IDOK, boxes_);
        });
        return ShowOverlaysDialog(nullptr, map_, defineOverlay_);
    }

    static HMODULE dll_;
    static bool installed_;
    HMODULE oldModule_ = nullptr;
    DefineOverlayRunner defineOverlay_ = &DefineOverlayNotAvailable;  // what New and Edit run
    std::wstring ini_;
    std::unique_ptr<host::CoreDriver> core_;
    DriverItemMap* map_ = nullptr;
    PrivateDevmode* record_ = nullptr;
    std::vector<std::wstring> boxes_;
};
HMODULE OverlaysDialog::dll_ = nullptr;
bool OverlaysDialog::installed_ = false;

TEST_F(OverlaysDialog, ListsDefinitionsAndTheDocumentsActiveOverlays) {
    WriteDefinitions(ini_, false, FourDefinitions());
    SetIds({2, 0, kNoOverlay, kNoOverlay});
    map_->PrinterDataWritable = 0;
    SheetFlags = 0;
    EXPECT_EQ(
        Run([](HWND dialog) {
            EXPECT_EQ(Rows(dialog, IDC_OVL_ACTIVE_LIST),
                      (std::vector<std::wstring>{L"Draft|1,3,5-12", L"Letterhead|First Page"}));
            EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST),
                      (std::vector<std::wstring>{L"Letterhead|First Page", L"Logo|All Pages",
                                                 L"Draft|1,3,5-12", L"Back|Even Pages"}));
            wchar_t text[64];
            GetDlgItemTextW(dialog, IDC_OVL_ACTIVE_MAX, text, 64);
            EXPECT_STREQ(text, L"(Max. 4)");
            GetDlgItemTextW(dialog, IDC_OVL_DEFINED_MAX, text, 64);
            EXPECT_STREQ(text, L"(Max. 32)");
            // Without write permission: every mode, no definition buttons.
            EXPECT_EQ(ModeNames(dialog),
                      (std::vector<std::wstring>{L"Off", L"Print with Overlay", L"Create Form"}));
            EXPECT_EQ(Item(dialog, IDC_OVL_NEW), nullptr);
            EXPECT_EQ(Item(dialog, IDC_OVL_DELETE), nullptr);
            EXPECT_FALSE(Enabled(dialog, IDC_OVL_ADD));
            EXPECT_FALSE(Enabled(dialog, IDC_OVL_REMOVE));
            Click(dialog, IDCANCEL);
        }),
        0);
    EXPECT_NE(SheetFlags & kSheetFlagPluginPageSeen, 0u);
    EXPECT_EQ(map_->OverlayStore, nullptr) << "Cancel frees the store";

    // With write permission the last mode is left out and the definition buttons stay.
    map_->PrinterDataWritable = 1;
    Run([](HWND dialog) {
        EXPECT_EQ(ModeNames(dialog), (std::vector<std::wstring>{L"Off", L"Print with Overlay"}));
        EXPECT_TRUE(Enabled(dialog, IDC_OVL_NEW));
        EXPECT_FALSE(Enabled(dialog, IDC_OVL_EDIT));
        Select(dialog, IDC_OVL_DEFINED_LIST, {3});
        EXPECT_TRUE(Enabled(dialog, IDC_OVL_EDIT));
        EXPECT_TRUE(Enabled(dialog, IDC_OVL_DELETE));
        Select(dialog, IDC_OVL_DEFINED_LIST, {1, 3});
        EXPECT_FALSE(Enabled(dialog, IDC_OVL_EDIT));
        Click(dialog, IDCANCEL);
    });
}

// A list reached with the keyboard shows where it is: the first row takes the focus mark, the
// selection (which the buttons act on) stays as it was; an empty list has nothing to mark.
TEST_F(OverlaysDialog, ListsReachedByTheKeyboardShowTheirFocusedRow) {
    WriteDefinitions(ini_, false, FourDefinitions());
    map_->PrinterDataWritable = 1;
    Run([](HWND dialog) {
        struct Case {
            int list;
            int focusedRow;
        };
        for (const Case& c : {Case{IDC_OVL_DEFINED_LIST, 0}, Case{IDC_OVL_ACTIVE_LIST, -1}}) {
            SCOPED_TRACE(c.list);
            HWND list = Item(dialog, c.list);
            EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), -1) << "before";
            SetFocus(list);
            EXPECT_EQ(ListView_GetNextItem(list, -1, LVNI_FOCUSED), c.focusedRow);
            EXPECT_EQ(ListView_GetSelectedCount(list), 0u);
        }
        Click(dialog, IDCANCEL);
    });
}

TEST_F(OverlaysDialog, DocumentIdsBeyondTheDefinitionsAreRepaired) {
    WriteDefinitions(ini_, false,
                     {FourDefinitions()[0], FourDefinitions()[1], FourDefinitions()[2]});
    struct Case {
        std::vector<WORD> ids;
        std::vector<std::wstring> active;
    };
    const Case cases[] = {
        {{2, 1, 2, 1}, {L"Letterhead|First Page", L"Logo|All Pages", L"Draft|1,3,5-12"}},
        {{5, kNoOverlay, kNoOverlay, kNoOverlay}, {}},
        {{1, 7, 0, kNoOverlay}, {L"Logo|All Pages", L"Letterhead|First Page"}},
    };
    for (const Case& c : cases) {
        SetIds(c.ids);
        std::vector<std::wstring> shown;
        Run([&](HWND dialog) {
            shown = Rows(dialog, IDC_OVL_ACTIVE_LIST);
            Click(dialog, IDCANCEL);
        });
        EXPECT_EQ(shown, c.active) << "first id " << c.ids[0];
        EXPECT_EQ(Ids(), c.ids) << "Cancel leaves the document alone";
    }
}

TEST_F(OverlaysDialog, AddActivatesUpToFourInOrderAndOkWritesTheIds) {
    std::vector<OverlayRecord> defs = FourDefinitions();
    defs.push_back(MakeRecord(L"Fifth", kPageModeOdd, L"", {L"F"}));
    WriteDefinitions(ini_, false, defs);
    SetIds({4, 1, kNoOverlay, kNoOverlay});
    map_->PrinterDataWritable = 0;
    const std::string before = testenv::ReadFileBytes(ini_);
    EXPECT_EQ(Run([](HWND dialog) {
                  Select(dialog, IDC_OVL_DEFINED_LIST, {0, 2, 3});
                  EXPECT_FALSE(Enabled(dialog, IDC_OVL_ADD)) << "2 + 3 exceeds four";
                  Select(dialog, IDC_OVL_DEFINED_LIST, {1, 3});
                  EXPECT_FALSE(Enabled(dialog, IDC_OVL_ADD)) << "Logo is already active";
                  Select(dialog, IDC_OVL_DEFINED_LIST, {3, 0});
                  ASSERT_TRUE(Enabled(dialog, IDC_OVL_ADD));
                  Click(dialog, IDC_OVL_ADD);
                  EXPECT_EQ(Rows(dialog, IDC_OVL_ACTIVE_LIST).size(), 4u);
                  EXPECT_EQ(ListView_GetSelectedCount(Item(dialog, IDC_OVL_DEFINED_LIST)), 0u);
                  Select(dialog, IDC_OVL_DEFINED_LIST, {2});
                  EXPECT_FALSE(Enabled(dialog, IDC_OVL_ADD)) << "the list is full";
                  // Remove the second active row: the order of the rest stays.
                  Select(dialog, IDC_OVL_ACTIVE_LIST, {1});
                  ASSERT_TRUE(Enabled(dialog, IDC_OVL_REMOVE));
                  Click(dialog, IDC_OVL_REMOVE);
                  EXPECT_FALSE(Enabled(dialog, IDC_OVL_REMOVE));
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Ids(), (std::vector<WORD>{4, 0, 3, kNoOverlay}));
    EXPECT_EQ(map_->SettingsVariant, kOverlaysPending);
    EXPECT_EQ(testenv::ReadFileBytes(ini_), before) << "no write permission: INI untouched";
}

// OK that cannot save says which file, stays open, and changes nothing: the stored definitions,
// the document's overlays and the current family are as before, and Cancel leaves them so.
TEST_F(OverlaysDialog, OkThatCannotSaveSaysSoAndStaysOpen) {
    WriteDefinitions(ini_, false, FourDefinitions());
    SetIds({3, 1, 0, kNoOverlay});
    map_->PrinterDataWritable = 1;
    map_->SettingsVariant = kOverlaysCommitted;  // what Cancel returns to
    const std::string before = testenv::ReadFileBytes(ini_);
    ASSERT_TRUE(SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_READONLY));
    bool openAfterOk = false;
    const INT_PTR result = Run([&](HWND dialog) {
        Select(dialog, IDC_OVL_DEFINED_LIST, {1});
        Click(dialog, IDC_OVL_DELETE);
        Click(dialog, IDOK);
        // Still the dialog's list: OK did not end it (Run cancels it afterwards).
        openAfterOk = Rows(dialog, IDC_OVL_DEFINED_LIST).size() == 3u;
    });
    SetFileAttributesW(ini_.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(result, 0) << "OK ended the dialog";
    EXPECT_TRUE(openAfterOk);
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_NE(boxes_[0].find(ini_), std::wstring::npos) << testenv::Narrow(boxes_[0]);
    EXPECT_EQ(testenv::ReadFileBytes(ini_), before);
    EXPECT_EQ(Ids(), (std::vector<WORD>{3, 1, 0, kNoOverlay}));
    EXPECT_EQ(map_->SettingsVariant, kOverlaysCommitted);
}

TEST_F(OverlaysDialog, DeletingDefinitionsRenumbersTheActiveOnes) {
    WriteDefinitions(ini_, false, FourDefinitions());
    SetIds({3, 1, 0, kNoOverlay});
    map_->PrinterDataWritable = 1;
    EXPECT_EQ(Run([](HWND dialog) {
                  Select(dialog, IDC_OVL_DEFINED_LIST, {1});
                  Click(dialog, IDC_OVL_DELETE);
                  EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST),
                            (std::vector<std::wstring>{L"Letterhead|First Page", L"Draft|1,3,5-12",
                                                       L"Back|Even Pages"}));
                  EXPECT_EQ(
                      Rows(dialog, IDC_OVL_ACTIVE_LIST),
                      (std::vector<std::wstring>{L"Back|Even Pages", L"Letterhead|First Page"}));
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Ids(), (std::vector<WORD>{2, 0, kNoOverlay, kNoOverlay}));
    // Saved into the pending family only; the committed one keeps four definitions.
    EXPECT_EQ(IniText(ini_, L"OverlaySetting_Sv", L"Overlay_Num"), L"3");
    EXPECT_EQ(IniText(ini_, L"Overlay_Info_Sv 2", L"Overlay_Name"), L"Back");
    EXPECT_EQ(IniText(ini_, L"OverlaySetting", L"Overlay_Num"), L"4");

    // The next opening shows what the OK saved, before any Apply; Cancel returns to it.
    Run([](HWND dialog) {
        EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST).size(), 3u);
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(map_->SettingsVariant, kOverlaysPending);
    Run([](HWND dialog) {
        EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST).size(), 3u);
        Click(dialog, IDCANCEL);
    });

    // The sheet's Apply commits the pending definitions.
    ASSERT_TRUE(CommitOverlays(*map_));
    EXPECT_EQ(IniText(ini_, L"OverlaySetting", L"Overlay_Num"), L"3");
    EXPECT_EQ(IniText(ini_, L"Overlay_Info 1", L"Overlay_Name"), L"Draft");
}

TEST_F(OverlaysDialog, CreateFormModeWarnsAndSwitchesTheOutputOptionOnOk) {
    map_->PrinterDataWritable = 0;
    const POPTITEM output = BoundItem(*map_, kEntryPsOutputOption);
    ASSERT_NE(output, nullptr);
    output->Sel = 0;
    map_->WantedValue[kEntryOverlay] = 0;
    EXPECT_EQ(Run([](HWND dialog) {
                  ChooseMode(dialog, 1);
                  ChooseMode(dialog, 2);
                  Click(dialog, IDOK);
              }),
              1);
    ASSERT_EQ(boxes_.size(), 1u) << "only the form-creation mode shows the message";
    EXPECT_NE(boxes_[0].find(L"\"PostScript output option\""), std::wstring::npos);
    EXPECT_EQ(map_->WantedValue[kEntryOverlay], kOverlayCreateForms);
    EXPECT_EQ(BoundItem(*map_, kEntryOverlay)->Sel, 2);
    EXPECT_EQ(output->Sel, static_cast<LONG>(kPsOutputEps));

    // Cancel keeps the chosen mode; a writable user's list lacks "Create Form", and OK then
    // keeps the mode instead of handing the core driver "no selection".
    EXPECT_EQ(Run([](HWND dialog) {
                  ChooseMode(dialog, 0);
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(map_->WantedValue[kEntryOverlay], kOverlayCreateForms);
    map_->PrinterDataWritable = 1;
    Run([](HWND dialog) {
        EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_OVL_MODE, CB_GETCURSEL, 0, 0), CB_ERR);
        Click(dialog, IDOK);
    });
    EXPECT_EQ(map_->WantedValue[kEntryOverlay], kOverlayCreateForms);
}

TEST_F(OverlaysDialog, NewAndEditKeepOnlyAcceptedDefinitions) {
    WriteDefinitions(ini_, false, {FourDefinitions()[1]});
    map_->PrinterDataWritable = 1;
    static bool accept = false;
    static std::wstring seenName;
    defineOverlay_ = [](HWND, DriverItemMap& map) -> INT_PTR {
        OverlayRecord* record = map.Overlays[map.EditIndex];
        seenName = record->Name;
        wcscpy_s(record->Name, L"Edited");
        record->PageMode = kPageModeOdd;
        return accept ? 1 : 0;
    };
    EXPECT_EQ(Run([](HWND dialog) {
                  accept = false;
                  Click(dialog, IDC_OVL_NEW);
                  EXPECT_EQ(seenName, L"New Overlay");
                  EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST).size(), 1u);
                  Select(dialog, IDC_OVL_DEFINED_LIST, {0});
                  Click(dialog, IDC_OVL_EDIT);
                  EXPECT_EQ(seenName, L"Logo");
                  EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST),
                            (std::vector<std::wstring>{L"Logo|All Pages"}));
                  accept = true;
                  Click(dialog, IDC_OVL_NEW);
                  EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST),
                            (std::vector<std::wstring>{L"Logo|All Pages", L"Edited|Odd Pages"}));
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(IniText(ini_, L"OverlaySetting_Sv", L"Overlay_Num"), L"2");
    EXPECT_EQ(IniText(ini_, L"Overlay_Info_Sv 0", L"Overlay_Name"), L"Logo");
    EXPECT_EQ(IniText(ini_, L"Overlay_Info_Sv 1", L"PageMode"), L"2");
}

TEST_F(OverlaysDialog, ReadOnlySheetDisablesEveryControl) {
    WriteDefinitions(ini_, false, FourDefinitions());
    map_->PrinterDataWritable = 1;
    map_->SheetParam->dwFlags |= 0x20;  // DM_NOPERMISSION
    Run([](HWND dialog) {
        Select(dialog, IDC_OVL_DEFINED_LIST, {0});
        for (int id = IDC_OVL_FIRST; id <= IDC_OVL_LAST; ++id) {
            EXPECT_FALSE(Enabled(dialog, id)) << id;
        }
        EXPECT_EQ(Rows(dialog, IDC_OVL_DEFINED_LIST).size(), 4u);
        Click(dialog, IDCANCEL);
    });
    map_->SheetParam->dwFlags &= ~0x20u;
}

TEST_F(OverlaysDialog, Screenshot) {
    WriteDefinitions(ini_, false, FourDefinitions());
    SetIds({2, 0, kNoOverlay, kNoOverlay});
    map_->PrinterDataWritable = 1;
    testenv::Shot shot;
    Run([&](HWND dialog) {
        Select(dialog, IDC_OVL_DEFINED_LIST, {1});
        shot = testenv::ShootDialog(dialog, L"overlays.png");
        Click(dialog, IDCANCEL);
    });
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
}

}  // namespace
