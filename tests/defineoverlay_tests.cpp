// The Define Overlays dialog: the page-list and form-name filters on their own, then the dialog
// run modally from the plug-in DLL's template and strings on a store of definitions (new and
// edited records, page choice, custom page lists with their beeps, forms and their history, the
// checks of OK, Cancel), and finally opened from the Overlays dialog's New and Edit buttons on
// a document sheet of the core-driver stand-in.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "defineoverlay_ids.h"
#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "overlays_ids.h"
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
#include "ui/overlay/defineoverlaydialog.h"
#include "ui/overlay/overlaysdialog.h"
#include "ui/overlay/overlaystore.h"

using namespace oemui;

namespace {

using testenv::BeepCount;
using testenv::Click;
using testenv::CountBeeps;
using testenv::Enabled;
using testenv::PluginModule;
using testenv::Type;
using testenv::TypeInto;

// ---------------------------------------------------------------------------------------------
// Filters

struct Filtered {
    std::wstring text;
    int removed;
};

Filtered Pages(const wchar_t* typed, std::size_t chars = kCustomPageChars) {
    std::vector<wchar_t> out(chars);
    const int removed = FilterCustomPageText(typed, out.data(), out.size());
    return {out.data(), removed};
}

Filtered FormName(const wchar_t* typed, std::size_t chars = kOverlayNameChars) {
    std::vector<wchar_t> out(chars);
    const int removed = FilterFormNameText(typed, out.data(), out.size());
    return {out.data(), removed};
}

TEST(DefineOverlayFilters, PageListsKeepOnlyItemsOfNumbersAndSingleDashes) {
    struct Case {
        const wchar_t* typed;
        const wchar_t* kept;
        int removed;
    };
    const Case cases[] = {
        {L"1,3,5-12", L"1,3,5-12", 0},
        {L"9999,10-2000", L"9999,10-2000", 0},  // order of a range is not checked
        {L"1,", L"1,", 0},                      // still typing
        {L"5-", L"5-", 0},
        {L"1 2", L"12", 1},  // space
        {L"1a", L"1", 1},
        {L"01", L"1", 1},  // leading zero
        {L"1,0", L"1,", 1},
        {L"5-0", L"5-", 1},
        {L"10,100,1000", L"10,100,1000", 0},  // inner zeros are digits
        {L"12345", L"1234", 1},               // fifth digit
        {L"1-2-3", L"1-23", 1},               // second dash in one item
        {L"1-2,3-4", L"1-2,3-4", 0},          // a comma allows the next dash
        {L"1,-2", L"1,2", 1},                 // dash right after a comma
        {L"1,,2", L"1,2", 1},                 // comma after comma
        {L"1-,2", L"1-2", 1},                 // comma after dash
        {L"-1", L"1", 1},
        {L",", L"", 1},
        {L"", L"", 0},
    };
    for (const Case& c : cases) {
        const Filtered f = Pages(c.typed);
        EXPECT_EQ(f.text, c.kept) << testenv::Narrow(c.typed);
        EXPECT_EQ(f.removed, c.removed) << testenv::Narrow(c.typed);
    }

    // Output is bounded by its buffer whatever comes in; the cut characters count as removed.
    EXPECT_EQ(Pages(L"1,2,3,4", 4).text, L"1,2");
    EXPECT_EQ(Pages(L"1,2,3,4", 4).removed, 4);
    std::wstring longList;
    for (int i = 0; i < 200; ++i) longList += L"9999,";
    const Filtered cut = Pages(longList.c_str());
    EXPECT_EQ(cut.text.size(), kCustomPageChars - 1);
    EXPECT_EQ(cut.removed, static_cast<int>(longList.size() - (kCustomPageChars - 1)));
    wchar_t one[1] = {L'x'};
    EXPECT_EQ(FilterCustomPageText(L"12", one, 1), 2);
    EXPECT_EQ(one[0], L'\0');
}

TEST(DefineOverlayFilters, FormNamesLoseReservedAsciiOnlyAndListsLoseTrailingSeparators) {
    for (wchar_t c : std::wstring(L" \t\"%()*/:<>?[\\]{|}")) {
        EXPECT_TRUE(IsRefusedFormNameChar(c)) << static_cast<int>(c);
    }
    for (wchar_t c : std::wstring(L"aZ09-_.,;=+!#$&'@^`~\x00E9\x4E2D")) {
        EXPECT_FALSE(IsRefusedFormNameChar(c)) << static_cast<int>(c);
    }
    EXPECT_EQ(FormName(L"A<b>:c").text, L"Abc");
    EXPECT_EQ(FormName(L"A<b>:c").removed, 3);
    EXPECT_EQ(FormName(L"Fa\x00E7"
                       L"ade \x65E5")
                  .text,
              L"Fa\x00E7"
              L"ade\x65E5");
    EXPECT_EQ(FormName(L"abcdef", 4).text, L"abc");
    EXPECT_EQ(FormName(L"abcdef", 4).removed, 3);

    wchar_t list[kCustomPageChars] = L"1,3-";
    TrimIncompletePageItem(list, kCustomPageChars);
    EXPECT_STREQ(list, L"1,3");
    wcscpy_s(list, L"7,");
    TrimIncompletePageItem(list, kCustomPageChars);
    EXPECT_STREQ(list, L"7");
    wcscpy_s(list, L"5-12");
    TrimIncompletePageItem(list, kCustomPageChars);
    EXPECT_STREQ(list, L"5-12");
}

// ---------------------------------------------------------------------------------------------
// Driving the dialog

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

std::wstring Text(HWND dialog, int id) {
    wchar_t text[300] = {};
    GetDlgItemTextW(dialog, id, text, 300);
    return text;
}

HWND FormEdit(HWND dialog) {
    return FindWindowExW(Item(dialog, IDC_DOV_FORM_NAME), nullptr, L"EDIT", nullptr);
}

// Erases the form name as a user would (select all, backspace).
void ClearForm(HWND dialog) {
    SendMessageW(FormEdit(dialog), EM_SETSEL, 0, -1);
    SendMessageW(FormEdit(dialog), WM_CHAR, VK_BACK, 1);
}
void TypeForm(HWND dialog, const wchar_t* name) {
    ClearForm(dialog);
    TypeInto(FormEdit(dialog), name);
}

DWORD Caret(HWND edit) {
    DWORD end = 0;
    SendMessageW(edit, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    return end;
}

int PageMode(HWND dialog) {
    return static_cast<int>(SendDlgItemMessageW(dialog, IDC_DOV_PAGEMODE, CB_GETCURSEL, 0, 0));
}

void PickPageMode(HWND dialog, int mode) {
    SendDlgItemMessageW(dialog, IDC_DOV_PAGEMODE, CB_SETCURSEL, mode, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DOV_PAGEMODE, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(dialog, IDC_DOV_PAGEMODE)));
}

void PickForm(HWND dialog, int index) {
    SendDlgItemMessageW(dialog, IDC_DOV_FORMS, LB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DOV_FORMS, LBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(Item(dialog, IDC_DOV_FORMS)));
}

void PickHistory(HWND dialog, int index) {
    SendDlgItemMessageW(dialog, IDC_DOV_FORM_NAME, CB_SETCURSEL, index, 0);
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_DOV_FORM_NAME, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(Item(dialog, IDC_DOV_FORM_NAME)));
}

std::vector<std::wstring> ListEntries(HWND dialog, int id, bool combo) {
    std::vector<std::wstring> entries;
    const UINT countMessage = combo ? CB_GETCOUNT : LB_GETCOUNT;
    const UINT textMessage = combo ? CB_GETLBTEXT : LB_GETTEXT;
    const LRESULT count = SendDlgItemMessageW(dialog, id, countMessage, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[128] = {};
        SendDlgItemMessageW(dialog, id, textMessage, i, reinterpret_cast<LPARAM>(text));
        entries.push_back(text);
    }
    return entries;
}
std::vector<std::wstring> Forms(HWND dialog) { return ListEntries(dialog, IDC_DOV_FORMS, false); }
std::vector<std::wstring> History(HWND dialog) {
    return ListEntries(dialog, IDC_DOV_FORM_NAME, true);
}

using Strings = std::vector<std::wstring>;

std::wstring LoadText(UINT id) {
    wchar_t text[600] = {};
    LoadStringW(ModuleHandle, id, text, 600);
    return text;
}

// A store of definitions as the Overlays dialog holds it while it is open; the dialog runs on
// one of its records.
class DefineOverlay : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static const bool patched = CountBeeps();
        ASSERT_TRUE(patched);
    }
    void SetUp() override {
        ASSERT_NE(PluginModule(), nullptr);
        oldModule_ = ModuleHandle;
        ModuleHandle = PluginModule();
        map_ = std::make_unique<DriverItemMap>();
        map_->OverlayStore = &store_;
        BeepCount = 0;
    }
    void TearDown() override {
        for (OverlayRecord*& record : map_->Overlays) record = nullptr;
        ModuleHandle = oldModule_;
    }

    // Defines `names` (one form each) and works on record `edit`; edit == names.size() is a
    // new record, as the Overlays dialog's New sets it up.
    void Define(std::vector<const wchar_t*> names, int edit) {
        records_.assign(kMaxDefinedOverlays, OverlayRecord{});
        for (size_t i = 0; i < names.size(); ++i) {
            wcscpy_s(records_[i].Name, names[i]);
            wcscpy_s(records_[i].FormNames[0], L"Form");
            records_[i].FormCount = 1;
            map_->Overlays[i] = &records_[i];
        }
        store_.DefinedCount = static_cast<WORD>(names.size());
        if (edit == static_cast<int>(names.size())) {
            wcscpy_s(records_[edit].Name, LoadText(IDS_NEW_OVERLAY).c_str());
            map_->Overlays[edit] = &records_[edit];
        }
        map_->EditIndex = edit;
    }
    OverlayRecord& Record() { return records_[map_->EditIndex]; }

    // Runs the dialog with `steps`; message boxes are recorded and closed with OK. The dialog
    // is cancelled after the steps if they left it open.
    INT_PTR Run(std::function<void(HWND)> steps) {
        testenv::StepRunner runner;
        runner.steps = [&](HWND dialog) {
            steps(dialog);
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        };
        boxes_.clear();
        testenv::ModalWatcher watcher([&](HWND window) {
            if (Item(window, IDC_DOV_FORMS) != nullptr) {
                runner.Post(window);
                return;
            }
            testenv::AnswerBox(window, IDOK, boxes_);
        });
        return ShowDefineOverlayDialog(nullptr, *map_);
    }

    // Clicks `id` in a step of its own, after which the message box it opened has closed:
    // returns the texts of the boxes it showed.
    Strings ClickFor(HWND dialog, int id) {
        const size_t before = boxes_.size();
        Click(dialog, id);
        return Strings(boxes_.begin() + static_cast<std::ptrdiff_t>(before), boxes_.end());
    }

    OverlayStore store_ = {};
    std::vector<OverlayRecord> records_;
    std::unique_ptr<DriverItemMap> map_;
    Strings boxes_;

private:
    HMODULE oldModule_ = nullptr;
};

// ---------------------------------------------------------------------------------------------
// New and edited definitions, and the checks of OK

TEST_F(DefineOverlay, NewDefinitionNeedsANameOfItsOwnAndAForm) {
    Define({L"Logo", L"Draft"}, 2);
    const std::wstring noForms = LoadText(IDS_OVERLAY_NO_FORMS);
    const std::wstring exists = LoadText(IDS_OVERLAY_NAME_EXISTS);
    const std::wstring missing = LoadText(IDS_OVERLAY_NAME_MISSING);
    bool stillOpen = false;
    const INT_PTR result = Run([&](HWND dialog) {
        EXPECT_EQ(Text(dialog, IDC_DOV_NAME), L"New Overlay");
        EXPECT_EQ(PageMode(dialog), kPageModeAll);
        EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"");
        EXPECT_TRUE(Forms(dialog).empty());
        EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_ADD));
        EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_RENAME));
        EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_DELETE));
        EXPECT_EQ(ListEntries(dialog, IDC_DOV_PAGEMODE, true),
                  (Strings{L"All Pages", L"First Page", L"Odd Pages", L"Even Pages", L"Custom"}));

        EXPECT_EQ(ClickFor(dialog, IDOK), Strings{noForms});
        SetDlgItemTextW(dialog, IDC_DOV_NAME, L"");
        EXPECT_EQ(ClickFor(dialog, IDOK), Strings{missing});
        EXPECT_EQ(GetFocus(), Item(dialog, IDC_DOV_NAME));
        SetDlgItemTextW(dialog, IDC_DOV_NAME, L"Draft");
        EXPECT_EQ(ClickFor(dialog, IDOK), Strings{exists});  // name checks come first
        DWORD from = 1, to = 0;
        SendDlgItemMessageW(dialog, IDC_DOV_NAME, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                            reinterpret_cast<LPARAM>(&to));
        EXPECT_EQ(from, 0u);
        EXPECT_EQ(to, 5u);
        EXPECT_STREQ(Record().Name, L"Draft");            // taken even though refused
        SetDlgItemTextW(dialog, IDC_DOV_NAME, L"draft");  // names compare case-sensitively
        EXPECT_EQ(ClickFor(dialog, IDOK), Strings{noForms});
        stillOpen = IsWindow(dialog) != FALSE;
        TypeForm(dialog, L"Stamp");
        EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_ADD));
        Click(dialog, IDC_DOV_FORM_ADD);
        EXPECT_TRUE(ClickFor(dialog, IDOK).empty());
    });
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(Record().Name, L"draft");
    EXPECT_EQ(Record().FormCount, 1);
    EXPECT_STREQ(Record().FormNames[0], L"Stamp");
    EXPECT_EQ(Record().PageMode, kPageModeAll);
    EXPECT_EQ(BeepCount, 4);  // the default sound before each of the four messages
}

TEST_F(DefineOverlay, EditShowsTheRecordKeepsItsOwnNameAndCancelEndsWithZero) {
    Define({L"Logo", L"Draft", L"Back"}, 1);
    wcscpy_s(records_[1].FormNames[1], L"Second");
    records_[1].FormCount = 2;
    records_[1].PageMode = kPageModeCustom;
    wcscpy_s(records_[1].CustomPage, L"1,3,5-12");
    EXPECT_EQ(Run([&](HWND dialog) {
                  EXPECT_EQ(Text(dialog, IDC_DOV_NAME), L"Draft");
                  EXPECT_EQ(PageMode(dialog), kPageModeCustom);
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"1,3,5-12");
                  EXPECT_EQ(Forms(dialog), (Strings{L"Form", L"Second"}));
                  EXPECT_EQ(Text(dialog, IDC_DOV_FORM_NAME), L"Form");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_TRUE(boxes_.empty());
    EXPECT_STREQ(Record().Name, L"Draft");
    EXPECT_STREQ(Record().CustomPage, L"1,3,5-12");
    EXPECT_EQ(BeepCount, 0);

    EXPECT_EQ(Run([](HWND dialog) {
                  SetDlgItemTextW(dialog, IDC_DOV_NAME, L"Other");
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(Run([](HWND dialog) { PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0); }), 0);
    EXPECT_STREQ(Record().Name, L"Draft");  // Cancel does not read the edits
}

TEST_F(DefineOverlay, DamagedRecordIsShownWithinItsFieldsAndNamesAreBounded) {
    Define({L"Logo"}, 0);
    for (wchar_t& c : records_[0].Name) c = L'N';
    for (wchar_t& c : records_[0].CustomPage) c = L'7';
    records_[0].FormCount = 9;
    records_[0].PageMode = 77;
    EXPECT_EQ(Run([&](HWND dialog) {
                  EXPECT_EQ(Text(dialog, IDC_DOV_NAME), std::wstring(63, L'N'));
                  EXPECT_EQ(Forms(dialog).size(), 3u);
                  // Only four-digit numbers pass the filter.
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"7777");
                  EXPECT_EQ(PageMode(dialog), kPageModeCustom);
                  SetDlgItemTextW(dialog, IDC_DOV_NAME, std::wstring(70, L'x').c_str());
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Record().FormCount, 3);
    EXPECT_EQ(std::wstring(Record().Name), std::wstring(63, L'x'));
    EXPECT_STREQ(Record().CustomPage, L"7777");
}

// ---------------------------------------------------------------------------------------------
// Page choice and custom page lists

TEST_F(DefineOverlay, TypedPageListsSwitchToCustomAndRefusedCharactersBeepOnce) {
    Define({L"Logo"}, 0);
    EXPECT_EQ(Run([](HWND dialog) {
                  HWND edit = Item(dialog, IDC_DOV_CUSTOM);
                  Type(dialog, IDC_DOV_CUSTOM, L"1,3,5-12");
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"1,3,5-12");
                  EXPECT_EQ(PageMode(dialog), kPageModeCustom);
                  EXPECT_EQ(BeepCount, 0);

                  // Refused keystrokes: one beep each, the caret stays put.
                  for (const wchar_t* bad : {L" ", L"x", L"-", L",0", L"999", L",-", L",,"}) {
                      SetWindowTextW(edit, L"1,3,5-12");
                      BeepCount = 0;
                      Type(dialog, IDC_DOV_CUSTOM, bad);
                      SCOPED_TRACE(testenv::Narrow(bad));
                      const std::wstring after = Text(dialog, IDC_DOV_CUSTOM);
                      EXPECT_EQ(Caret(edit), after.size());
                      EXPECT_EQ(BeepCount, 1);
                  }
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"1,3,5-12,");

                  // A paste in the middle keeps the caret where the user was.
                  SetWindowTextW(edit, L"1,5");
                  BeepCount = 0;
                  SendMessageW(edit, EM_SETSEL, 2, 2);
                  SendMessageW(edit, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(L"2 a,"));
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"1,2,5");
                  EXPECT_EQ(Caret(edit), 4u);
                  EXPECT_EQ(BeepCount, 1);

                  // Emptying the list returns to "All Pages"; choosing a mode empties it.
                  SetWindowTextW(edit, L"");
                  EXPECT_EQ(PageMode(dialog), kPageModeAll);
                  Type(dialog, IDC_DOV_CUSTOM, L"2-4");
                  PickPageMode(dialog, kPageModeOdd);
                  EXPECT_EQ(Text(dialog, IDC_DOV_CUSTOM), L"");
                  EXPECT_EQ(PageMode(dialog), kPageModeOdd);
                  Type(dialog, IDC_DOV_CUSTOM, L"3,");
                  Click(dialog, IDOK);
              }),
              1);
    // The unfinished last item is dropped when the list is stored.
    EXPECT_EQ(Record().PageMode, kPageModeCustom);
    EXPECT_STREQ(Record().CustomPage, L"3");
}

TEST_F(DefineOverlay, CustomWithoutAListIsStoredAsAllPages) {
    Define({L"Logo"}, 0);
    records_[0].PageMode = kPageModeEven;
    EXPECT_EQ(Run([](HWND dialog) {
                  EXPECT_EQ(PageMode(dialog), kPageModeEven);
                  PickPageMode(dialog, kPageModeCustom);
                  EXPECT_EQ(PageMode(dialog), kPageModeCustom);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Record().PageMode, kPageModeAll);
    EXPECT_STREQ(Record().CustomPage, L"");

    // A list of separators only is no list either.
    EXPECT_EQ(Run([](HWND dialog) {
                  Type(dialog, IDC_DOV_CUSTOM, L"8-");
                  SendDlgItemMessageW(dialog, IDC_DOV_CUSTOM, WM_CHAR, VK_BACK, 1);
                  SendDlgItemMessageW(dialog, IDC_DOV_CUSTOM, WM_CHAR, VK_BACK, 1);
                  EXPECT_EQ(PageMode(dialog), kPageModeAll);
                  PickPageMode(dialog, kPageModeCustom);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Record().PageMode, kPageModeAll);
}

// ---------------------------------------------------------------------------------------------
// Forms and their history

TEST_F(DefineOverlay, FormsAreAddedRenamedAndDeletedWithinThreeDistinctNames) {
    Define({L"Logo"}, 1);
    const std::wstring dot = LoadText(IDS_FORM_NAME_TRAILING_DOT);
    EXPECT_EQ(Run([&](HWND dialog) {
                  // Refused characters go as typed; non-ASCII letters stay.
                  TypeForm(dialog, L"A<b:\x00E9");
                  EXPECT_EQ(Text(dialog, IDC_DOV_FORM_NAME), L"Ab\x00E9");
                  EXPECT_EQ(BeepCount, 2);
                  EXPECT_EQ(Caret(FormEdit(dialog)), 3u);
                  Click(dialog, IDC_DOV_FORM_ADD);
                  EXPECT_EQ(Forms(dialog), Strings{L"Ab\x00E9"});
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_ADD));
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_DELETE));

                  // The same name again, or an empty one, cannot be added.
                  TypeForm(dialog, L"Ab\x00E9");
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_ADD));
                  TypeForm(dialog, L"ab\x00E9");
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_ADD));
                  ClearForm(dialog);
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_ADD));

                  // A name ending in a dot is refused with its message.
                  BeepCount = 0;
                  TypeForm(dialog, L"Form.");
                  EXPECT_EQ(ClickFor(dialog, IDC_DOV_FORM_ADD), Strings{dot});
                  EXPECT_EQ(Forms(dialog).size(), 1u);
                  EXPECT_EQ(BeepCount, 1);

                  TypeForm(dialog, L"Two");
                  Click(dialog, IDC_DOV_FORM_ADD);
                  TypeForm(dialog, L"Three");
                  Click(dialog, IDC_DOV_FORM_ADD);
                  TypeForm(dialog, L"Four");
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_ADD));        // three is the most
                  SendMessageW(dialog, WM_COMMAND, IDC_DOV_FORM_ADD, 0);  // forced anyway
                  EXPECT_EQ(Forms(dialog), (Strings{L"Ab\x00E9", L"Two", L"Three"}));

                  // Picking a form shows it; Rename needs a new name.
                  PickForm(dialog, 1);
                  EXPECT_EQ(Text(dialog, IDC_DOV_FORM_NAME), L"Two");
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_RENAME));
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_DELETE));
                  TypeForm(dialog, L"Three");
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_RENAME));
                  TypeForm(dialog, L"Deux.");
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_RENAME));
                  EXPECT_EQ(ClickFor(dialog, IDC_DOV_FORM_RENAME), Strings{dot});
                  TypeForm(dialog, L"Deux");
                  Click(dialog, IDC_DOV_FORM_RENAME);
                  EXPECT_EQ(Forms(dialog), (Strings{L"Ab\x00E9", L"Deux", L"Three"}));
                  EXPECT_EQ(SendDlgItemMessageW(dialog, IDC_DOV_FORMS, LB_GETCURSEL, 0, 0), 1);

                  // Delete closes up the list and keeps what was typed.
                  PickForm(dialog, 0);
                  TypeForm(dialog, L"Kept");
                  Click(dialog, IDC_DOV_FORM_DELETE);
                  EXPECT_EQ(Forms(dialog), (Strings{L"Deux", L"Three"}));
                  EXPECT_EQ(Text(dialog, IDC_DOV_FORM_NAME), L"Kept");
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_ADD));
                  EXPECT_FALSE(Enabled(dialog, IDC_DOV_FORM_DELETE));
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(Record().FormCount, 2);
    EXPECT_STREQ(Record().FormNames[0], L"Deux");
    EXPECT_STREQ(Record().FormNames[1], L"Three");
    EXPECT_STREQ(Record().FormNames[2], L"");
}

TEST_F(DefineOverlay, HistoryKeepsTenRecentNamesNewestFirstAndSurvivesCancel) {
    Define({}, 0);
    store_.HistoryCount = 3;
    wcscpy_s(store_.History[0], L"H0");
    wcscpy_s(store_.History[1], L"H1");
    wcscpy_s(store_.History[2], L"H2");
    EXPECT_EQ(Run([](HWND dialog) {
                  EXPECT_EQ(History(dialog), (Strings{L"H0", L"H1", L"H2"}));
                  // A name picked from the history moves to the front when added.
                  PickHistory(dialog, 2);
                  EXPECT_TRUE(Enabled(dialog, IDC_DOV_FORM_ADD));
                  Click(dialog, IDC_DOV_FORM_ADD);
                  EXPECT_EQ(History(dialog), (Strings{L"H2", L"H0", L"H1"}));
                  EXPECT_EQ(Text(dialog, IDC_DOV_FORM_NAME), L"H2");
                  // New names (also through Rename) push the others down; the oldest falls off.
                  for (const wchar_t* name : {L"N1", L"N2", L"N3", L"N4", L"N5", L"N6"}) {
                      PickForm(dialog, 0);
                      TypeForm(dialog, name);
                      Click(dialog, IDC_DOV_FORM_RENAME);
                  }
                  TypeForm(dialog, L"N7");
                  Click(dialog, IDC_DOV_FORM_ADD);
                  TypeForm(dialog, L"N8");
                  Click(dialog, IDC_DOV_FORM_ADD);
                  EXPECT_EQ(History(dialog), (Strings{L"N8", L"N7", L"N6", L"N5", L"N4", L"N3",
                                                      L"N2", L"N1", L"H2", L"H0"}));
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(store_.HistoryCount, 10);
    EXPECT_STREQ(store_.History[0], L"N8");
    EXPECT_STREQ(store_.History[9], L"H0");
}

TEST_F(DefineOverlay, Screenshot) {
    Define({L"Logo"}, 0);
    wcscpy_s(records_[0].FormNames[1], L"LogoBack");
    records_[0].FormCount = 2;
    records_[0].PageMode = kPageModeCustom;
    wcscpy_s(records_[0].CustomPage, L"1,3,5-12");
    store_.HistoryCount = 1;
    wcscpy_s(store_.History[0], L"Form");
    Run([&](HWND dialog) {
        PickForm(dialog, 1);
        EXPECT_TRUE(testenv::ShowsTheWindow(testenv::ShootDialog(dialog, L"defineoverlay.png")));
    });
}

// ---------------------------------------------------------------------------------------------
// Opened from the Overlays dialog

TEST(DefineOverlayFromOverlays, NewAndEditRunTheDialogAndKeepOnlyAcceptedEdits) {
    ASSERT_NE(PluginModule(), nullptr);
    ASSERT_TRUE(testenv::InstallSamplePrinters());
    ASSERT_EQ(OverlaysDialogState{}.defineOverlay, &ShowDefineOverlayDialog);
    const HMODULE oldModule = ModuleHandle;
    ModuleHandle = PluginModule();
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    const std::wstring ini = std::wstring(dir) + L"defovl_from_overlays.ini";
    DeleteFileW(ini.c_str());

    host::CoreDriver core(testenv::InProcessOptions(testenv::kColorPrinter));
    ASSERT_TRUE(core.Start()) << testenv::Narrow(core.Error());
    ASSERT_TRUE(core.OpenSheet(host::SheetKind::Document));
    DriverItemMap* map = testenv::DocumentMapOf(core);
    ASSERT_NE(map, nullptr);
    wcsncpy(map->IniPath, ini.c_str(), std::size(map->IniPath) - 1);
    wcscpy_s(map->UserDataFile, ini.c_str());  // the definitions are saved here
    map->PrinterDataWritable = 1;

    // Each step runs in the dialog that is up when it is posted.
    std::vector<std::function<void(HWND)>> steps;
    size_t next = 0;
    testenv::StepRunner runner;
    runner.steps = [&](HWND dialog) {
        if (next < steps.size()) steps[next++](dialog);
    };
    std::vector<std::wstring> rows;
    auto definedRows = [&](HWND overlays) {
        HWND list = Item(overlays, IDC_OVL_DEFINED_LIST);
        rows.clear();
        for (int i = 0; i < ListView_GetItemCount(list); ++i) {
            wchar_t name[128] = {}, page[300] = {};
            ListView_GetItemText(list, i, 0, name, 128);
            ListView_GetItemText(list, i, 1, page, 300);
            rows.push_back(std::wstring(name) + L"|" + page);
        }
    };
    steps = {
        [&](HWND overlays) {  // Overlays: New
            Click(overlays, IDC_OVL_NEW);
            definedRows(overlays);
            EXPECT_EQ(rows, Strings{L"Letters|1-2"});
            ListView_SetItemState(Item(overlays, IDC_OVL_DEFINED_LIST), 0, LVIS_SELECTED,
                                  LVIS_SELECTED);
            Click(overlays, IDC_OVL_EDIT);
            definedRows(overlays);
            EXPECT_EQ(rows, Strings{L"Letters|1-2"});  // the cancelled edit is undone
            Click(overlays, IDOK);
        },
        [&](HWND define) {  // Define Overlays for the new record
            SetDlgItemTextW(define, IDC_DOV_NAME, L"Letters");
            Type(define, IDC_DOV_CUSTOM, L"1-2");
            TypeForm(define, L"Head");
            Click(define, IDC_DOV_FORM_ADD);
            Click(define, IDOK);
        },
        [&](HWND define) {  // Define Overlays for the edit, cancelled
            EXPECT_EQ(Text(define, IDC_DOV_NAME), L"Letters");
            EXPECT_EQ(Forms(define), Strings{L"Head"});
            SetDlgItemTextW(define, IDC_DOV_NAME, L"Changed");
            PickPageMode(define, kPageModeFirst);
            Click(define, IDCANCEL);
        },
    };
    testenv::ModalWatcher watcher([&](HWND window) { runner.Post(window); });
    EXPECT_EQ(ShowOverlaysDialog(nullptr, map), 1);
    EXPECT_EQ(next, steps.size());

    wchar_t text[64] = {};
    GetPrivateProfileStringW(L"Overlay_Info_Sv 0", L"Overlay_Name", L"", text, 64, ini.c_str());
    EXPECT_STREQ(text, L"Letters");
    GetPrivateProfileStringW(L"Overlay_Info_Sv 0", L"CustomPage", L"", text, 64, ini.c_str());
    EXPECT_STREQ(text, L"1-2");
    GetPrivateProfileStringW(L"OverlaySetting_Sv", L"History 0", L"", text, 64, ini.c_str());
    EXPECT_STREQ(text, L"Head");

    core.CloseSheet();
    EXPECT_EQ(core.Shutdown(), S_OK);
    ModuleHandle = oldModule;
    DeleteFileW(ini.c_str());
}

}  // namespace
