// The "JOB PIN" dialog run modally from the plug-in DLL's own template and strings, driven the
// way a user would: typing into the edits, ticking the request box, OK and Cancel. Checks what
// lands in the private record, the input filter (with the beeps counted), the refusal messages,
// the printer- and system-dependent state of the request box and its once-only warning.
#include <gtest/gtest.h>

#include <windows.h>

#include <imm.h>

#include <cstring>
#include <functional>
#include <string>

#include "docprop/itemmap.h"
#include "jobname_ids.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "resource.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/shots.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"
#include "ui/common/dialogs.h"
#include "ui/jobopts/jobnamedialog.h"

using namespace oemui;

namespace {

using testenv::BeepCount;
using testenv::Click;
using testenv::CountBeeps;
using testenv::PluginModule;
using testenv::ShotFolder;
using testenv::Type;

// ---------------------------------------------------------------------------------------------
// Beeps: the test program's import of MessageBeep (the dialog code is linked in) is redirected
// to a counter.

// ---------------------------------------------------------------------------------------------
// Driving the modal dialog

std::wstring TextOf(HWND window) {
    wchar_t text[256] = {};
    GetWindowTextW(window, text, 256);
    return text;
}

std::wstring ItemText(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

void Paste(HWND dialog, int id, const wchar_t* text) {
    SendDlgItemMessageW(dialog, id, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text));
}

DWORD CaretOf(HWND dialog, int id) {
    DWORD end = 0;
    SendDlgItemMessageW(dialog, id, EM_GETSEL, 0, reinterpret_cast<LPARAM>(&end));
    return end;
}

bool HasInputContext(HWND window) {
    HIMC context = ImmGetContext(window);
    if (context != nullptr) ImmReleaseContext(window, context);
    return context != nullptr;
}

using testenv::StepRunner;

using testenv::TempIni;

// A printer of the sample colour model that is shared.
constexpr wchar_t kSharedPrinter[] = L"JobPin Shared";

bool InstallSharedPrinter() {
    if (!testenv::InstallPrinter(kSharedPrinter, testenv::kColorDriver)) return false;
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(kSharedPrinter), &printer, &access)) return false;
    DWORD needed = 0;
    GetPrinterW(printer, 2, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    bool ok = needed != 0 &&
              GetPrinterW(printer, 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed);
    if (ok) {
        auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
        info->Attributes |= PRINTER_ATTRIBUTE_SHARED;
        info->pShareName = const_cast<wchar_t*>(L"JobPinShare");
        ok = SetPrinterW(printer, 2, reinterpret_cast<BYTE*>(info), 0) != FALSE;
    }
    ClosePrinter(printer);
    return ok;
}

DWORD AttributesOf(const wchar_t* name) {
    testenv::Printer printer(name);
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::string buffer(needed, '\0');
    if (needed == 0 ||
        !GetPrinterW(printer.get(), 2, reinterpret_cast<BYTE*>(buffer.data()), needed, &needed)) {
        return 0;
    }
    return reinterpret_cast<PRINTER_INFO_2W*>(buffer.data())->Attributes;
}

// One sheet's worth of context for the dialog: the private record, the sheet parameter with a
// real printer and heap, the map, the INI file of the warnings.
class JobPinDialog : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static bool patched = CountBeeps();
        ASSERT_TRUE(patched);
    }

    void SetUp() override {
        ASSERT_NE(PluginModule(), nullptr);
        oldModule_ = ModuleHandle;
        oldVista_ = IsVistaOrLater;
        ModuleHandle = PluginModule();
        IsVistaOrLater = false;
        Open(testenv::kColorPrinter);
        heap_ = HeapCreate(0, 0, 0);
        param_.cbSize = sizeof(param_);
        param_.hOEMHeap = heap_;
        param_.pOEMDM = &record_;
        map_.SheetParam = &param_;
        wcsncpy(map_.IniPath, ini_.path.c_str(), std::size(map_.IniPath) - 1);
        wcscpy_s(map_.UserDataFile, ini_.path.c_str());  // the flags are saved here
        BeepCount = 0;
    }
    void TearDown() override {
        ModuleHandle = oldModule_;
        IsVistaOrLater = oldVista_;
        if (printer_ != nullptr) ClosePrinter(printer_);
        if (heap_ != nullptr) HeapDestroy(heap_);
    }

    void Open(const wchar_t* name) {
        if (printer_ != nullptr) ClosePrinter(printer_);
        printer_ = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(name), &printer_, nullptr));
        param_.hPrinter = printer_;
    }

    void Store(const wchar_t* name, const wchar_t* pin, DWORD ask) {
        wcsncpy_s(record_.JobName, ARRAYSIZE(record_.JobName), name, _TRUNCATE);
        wcsncpy_s(record_.JobPin, ARRAYSIZE(record_.JobPin), pin, _TRUNCATE);
        record_.AskJobName = ask;
    }

    // Opens the dialog and runs `steps` in it; other modal windows (message boxes, warnings)
    // are recorded and answered by `other` (OK by default). Returns the dialog's result.
    INT_PTR Run(std::function<void(HWND)> steps, std::function<void(HWND)> other = nullptr) {
        StepRunner runner;
        runner.steps = std::move(steps);
        seen_.clear();
        testenv::ModalWatcher watcher([&](HWND window) {
            if (TextOf(window) == L"JOB PIN") {
                runner.Post(window);
            } else if (other) {
                other(window);
            } else {
                PostMessageW(window, WM_COMMAND, IDOK, 0);
            }
        });
        const INT_PTR result = ShowJobPinDialog(nullptr, &map_);
        seen_ = watcher.seen;
        return result;
    }

    PrivateDevmode record_ = {};
    OEMUIPSPARAM param_ = {};
    DriverItemMap map_ = {};
    TempIni ini_;
    std::vector<testenv::ModalWatcher::Seen> seen_;

private:
    HMODULE oldModule_ = nullptr;
    bool oldVista_ = false;
    HANDLE printer_ = nullptr;
    HANDLE heap_ = nullptr;
};

// The caption MessageBoxW gives a box without one.
std::wstring DefaultCaption() {
    testenv::ModalWatcher watcher;
    MessageBoxW(nullptr, L"probe", nullptr, MB_OK);
    return watcher.seen.empty() ? L"" : watcher.seen[0].caption;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Storing and cancelling

TEST_F(JobPinDialog, ShowsTheStoredValuesAndStoresTheAcceptedOnesOnOk) {
    Store(L"Old name", L"4321", 0);
    std::wstring shownName;
    std::wstring shownPin;
    bool askTicked = true;
    const INT_PTR result = Run([&](HWND dialog) {
        shownName = ItemText(dialog, IDC_JOBNAME_EDIT);
        shownPin = ItemText(dialog, IDC_JOBPIN_EDIT);
        askTicked = IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK) == BST_CHECKED;
        SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, L"");
        SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"");
        Type(dialog, IDC_JOBNAME_EDIT, L"Report 7");
        Type(dialog, IDC_JOBPIN_EDIT, L"0000");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_EQ(shownName, L"Old name");
    EXPECT_EQ(shownPin, L"4321");
    EXPECT_FALSE(askTicked);
    EXPECT_STREQ(record_.JobName, L"Report 7");
    EXPECT_STREQ(record_.JobPin, L"0000");  // four zeros are a valid PIN
    EXPECT_EQ(record_.AskJobName, 0u);
    EXPECT_EQ(seen_.size(), 1u);  // no message on the way
    EXPECT_EQ(BeepCount, 0);
}

TEST_F(JobPinDialog, RequestBoxTickedAcceptsAnEmptyNameAndStoresTheChoice) {
    const INT_PTR result = Run([](HWND dialog) {
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDC_JOBNAME_ASK)));
        Click(dialog, IDC_JOBNAME_ASK);
        Type(dialog, IDC_JOBPIN_EDIT, L"9876");
        Click(dialog, IDOK);
    });
    EXPECT_EQ(result, 1);
    EXPECT_STREQ(record_.JobName, L"");
    EXPECT_STREQ(record_.JobPin, L"9876");
    EXPECT_EQ(record_.AskJobName, 1u);
    // Not a Windows XP system: ticking the box warns of nothing.
    EXPECT_EQ(seen_.size(), 1u);
    EXPECT_EQ(ini_.Read(L"AllertFlag1"), L"<none>");

    // Unticking it again stores 0.
    EXPECT_EQ(Run([](HWND dialog) {
                  EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK), BST_CHECKED);
                  Click(dialog, IDC_JOBNAME_ASK);
                  Type(dialog, IDC_JOBNAME_EDIT, L"N");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(record_.AskJobName, 0u);
    EXPECT_STREQ(record_.JobName, L"N");
}

TEST_F(JobPinDialog, CancelAndEscapeChangeNothing) {
    Store(L"Keep", L"1111", 1);
    const PrivateDevmode before = record_;
    EXPECT_EQ(Run([](HWND dialog) {
                  SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, L"");
                  Type(dialog, IDC_JOBNAME_EDIT, L"Other");
                  Type(dialog, IDC_JOBPIN_EDIT, L"2");
                  Click(dialog, IDC_JOBNAME_ASK);
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_EQ(std::memcmp(&before, &record_, sizeof(record_)), 0);

    EXPECT_EQ(Run([](HWND dialog) {
                  SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"2222");
                  PostMessageW(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
              }),
              0);
    EXPECT_EQ(std::memcmp(&before, &record_, sizeof(record_)), 0);
}

TEST_F(JobPinDialog, NamesAreBoundedToSixteenCharacters) {
    EXPECT_EQ(Run([](HWND dialog) {
                  Type(dialog, IDC_JOBNAME_EDIT, L"abcdefghijklmnopqrstu");  // 21 typed
                  EXPECT_EQ(ItemText(dialog, IDC_JOBNAME_EDIT), L"abcdefghijklmnop");
                  Type(dialog, IDC_JOBPIN_EDIT, L"123456");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBPIN_EDIT), L"1234");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_STREQ(record_.JobName, L"abcdefghijklmnop");
    EXPECT_STREQ(record_.JobPin, L"1234");

    // A name set around the edit's limit is still stored bounded and terminated.
    EXPECT_EQ(Run([](HWND dialog) {
                  SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, L"0123456789ABCDEFGHIJ");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_STREQ(record_.JobName, L"0123456789ABCDEF");

    // A damaged record without terminators shows (and keeps) at most the field's characters.
    for (wchar_t& c : record_.JobName) c = L'Z';
    for (wchar_t& c : record_.JobPin) c = L'7';
    std::wstring shown;
    std::wstring shownPin;
    EXPECT_EQ(Run([&](HWND dialog) {
                  shown = ItemText(dialog, IDC_JOBNAME_EDIT);
                  shownPin = ItemText(dialog, IDC_JOBPIN_EDIT);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(shown, std::wstring(16, L'Z'));
    EXPECT_EQ(shownPin, L"7777");
    EXPECT_EQ(record_.JobName[16], L'\0');
    EXPECT_EQ(record_.JobPin[4], L'\0');
}

// ---------------------------------------------------------------------------------------------
// Character filter

TEST_F(JobPinDialog, NameFilterRemovesQuotesAndNonAsciiWithOneBeepPerChange) {
    EXPECT_EQ(Run([](HWND dialog) {
                  Type(dialog, IDC_JOBNAME_EDIT, L"a\"b\x00E9");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBNAME_EDIT), L"ab");
                  EXPECT_EQ(BeepCount, 2);
                  EXPECT_EQ(CaretOf(dialog, IDC_JOBNAME_EDIT), 2u);

                  // Pasting a name with a quote in the middle: one beep, caret back by one.
                  SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, L"");
                  BeepCount = 0;
                  Paste(dialog, IDC_JOBNAME_EDIT, L"ab\"cd");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBNAME_EDIT), L"abcd");
                  EXPECT_EQ(BeepCount, 1);
                  EXPECT_EQ(CaretOf(dialog, IDC_JOBNAME_EDIT), 4u);

                  // Several refused characters in one paste still beep once; the caret moves
                  // back by all of them.
                  BeepCount = 0;
                  Paste(dialog, IDC_JOBNAME_EDIT, L"\"x\x4E2D\"y");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBNAME_EDIT), L"abcdxy");
                  EXPECT_EQ(BeepCount, 1);
                  EXPECT_EQ(CaretOf(dialog, IDC_JOBNAME_EDIT), 6u);

                  // Printable ASCII other than the quote passes untouched.
                  SetDlgItemTextW(dialog, IDC_JOBNAME_EDIT, L"");
                  BeepCount = 0;
                  Type(dialog, IDC_JOBNAME_EDIT, L"A-z_0 9'~!");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBNAME_EDIT), L"A-z_0 9'~!");
                  EXPECT_EQ(BeepCount, 0);

                  // The input method is detached again at the edit's next notification.
                  EXPECT_FALSE(HasInputContext(GetDlgItem(dialog, IDC_JOBNAME_EDIT)));
                  ImmAssociateContextEx(GetDlgItem(dialog, IDC_JOBNAME_EDIT), nullptr,
                                        IACE_DEFAULT);
                  EXPECT_TRUE(HasInputContext(GetDlgItem(dialog, IDC_JOBNAME_EDIT)));
                  Type(dialog, IDC_JOBNAME_EDIT, L"x");
                  EXPECT_FALSE(HasInputContext(GetDlgItem(dialog, IDC_JOBNAME_EDIT)));
                  SendDlgItemMessageW(dialog, IDC_JOBNAME_EDIT, WM_CHAR, VK_BACK, 1);
                  Type(dialog, IDC_JOBPIN_EDIT, L"1234");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_STREQ(record_.JobName, L"A-z_0 9'~!");
}

TEST_F(JobPinDialog, PinFilterKeepsOnlyDigits) {
    EXPECT_EQ(Run([](HWND dialog) {
                  Type(dialog, IDC_JOBPIN_EDIT, L"1a");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBPIN_EDIT), L"1");
                  EXPECT_EQ(BeepCount, 1);
                  Type(dialog, IDC_JOBPIN_EDIT, L"2 -3");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBPIN_EDIT), L"123");
                  EXPECT_EQ(BeepCount, 3);
                  EXPECT_EQ(CaretOf(dialog, IDC_JOBPIN_EDIT), 3u);
                  // A full-width digit is not a digit here.
                  Type(dialog, IDC_JOBPIN_EDIT,
                       L"\xFF14"
                       L"4");
                  EXPECT_EQ(ItemText(dialog, IDC_JOBPIN_EDIT), L"1234");
                  EXPECT_FALSE(HasInputContext(GetDlgItem(dialog, IDC_JOBPIN_EDIT)));
                  Type(dialog, IDC_JOBNAME_EDIT, L"J");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_STREQ(record_.JobPin, L"1234");
}

// ---------------------------------------------------------------------------------------------
// Refusals on OK

TEST_F(JobPinDialog, WrongPinLengthIsRefusedAndTheDialogStaysOpen) {
    Store(L"Keep", L"5555", 0);
    const std::wstring defaultCaption = DefaultCaption();
    int refusals = 0;
    std::function<void(HWND)> steps = [&](HWND dialog) {
        SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"");
        Type(dialog, IDC_JOBPIN_EDIT, L"123");  // a name is present
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        ++refusals;
        EXPECT_EQ(GetWindowLongPtrW(dialog, DWLP_MSGRESULT), TRUE);
        EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_JOBPIN_EDIT));
        EXPECT_STREQ(record_.JobPin, L"5555");

        SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"");  // empty
        Click(dialog, IDOK);
        ++refusals;
        SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"12345");  // set past the edit's limit
        Click(dialog, IDOK);
        ++refusals;
        Click(dialog, IDCANCEL);
    };
    EXPECT_EQ(Run(steps), 0);
    EXPECT_EQ(refusals, 3);
    ASSERT_EQ(seen_.size(), 4u);
    for (size_t i = 1; i < seen_.size(); ++i) {
        EXPECT_EQ(seen_[i].text, L"Please enter a 4 digit PIN number.");
        EXPECT_EQ(seen_[i].caption, defaultCaption);
    }
    EXPECT_STREQ(record_.JobName, L"Keep");
    EXPECT_STREQ(record_.JobPin, L"5555");

    // After a refusal a corrected PIN is accepted in the same dialog.
    EXPECT_EQ(Run([](HWND dialog) {
                  SetDlgItemTextW(dialog, IDC_JOBPIN_EDIT, L"12");
                  Click(dialog, IDOK);
                  Type(dialog, IDC_JOBPIN_EDIT, L"34");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_EQ(seen_.size(), 2u);
    EXPECT_STREQ(record_.JobPin, L"1234");
}

TEST_F(JobPinDialog, MissingNameIsRefusedOnlyWhenNotAskedAtEachJob) {
    const std::wstring defaultCaption = DefaultCaption();
    EXPECT_EQ(Run([](HWND dialog) {
                  Type(dialog, IDC_JOBPIN_EDIT, L"2468");
                  Click(dialog, IDOK);
                  EXPECT_EQ(GetFocus(), GetDlgItem(dialog, IDC_JOBNAME_EDIT));
                  Click(dialog, IDCANCEL);
              }),
              0);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[1].text, L"Please enter a Job Name.");
    EXPECT_EQ(seen_[1].caption, defaultCaption);
    EXPECT_STREQ(record_.JobPin, L"");

    // A bad PIN is reported before a missing name.
    EXPECT_EQ(Run([](HWND dialog) {
                  Click(dialog, IDOK);
                  Click(dialog, IDCANCEL);
              }),
              0);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[1].text, L"Please enter a 4 digit PIN number.");
}

// ---------------------------------------------------------------------------------------------
// The request box by printer and system

TEST_F(JobPinDialog, SharedPrinterUnticksAndDisablesTheRequestBox) {
    ASSERT_TRUE(InstallSharedPrinter());
    ASSERT_NE(AttributesOf(kSharedPrinter) & PRINTER_ATTRIBUTE_SHARED, 0u);
    Open(kSharedPrinter);
    Store(L"", L"1357", 1);
    bool ticked = true;
    bool enabled = true;
    EXPECT_EQ(Run([&](HWND dialog) {
                  ticked = IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK) == BST_CHECKED;
                  enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_JOBNAME_ASK)) != FALSE;
                  Type(dialog, IDC_JOBNAME_EDIT, L"Shared job");
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_FALSE(ticked);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(record_.AskJobName, 0u);
    EXPECT_STREQ(record_.JobName, L"Shared job");

    // With the box forced off, an empty name is refused.
    Store(L"", L"1357", 1);
    EXPECT_EQ(Run([](HWND dialog) {
                  Click(dialog, IDOK);
                  Click(dialog, IDCANCEL);
              }),
              0);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[1].text, L"Please enter a Job Name.");
    EXPECT_EQ(record_.AskJobName, 1u);
}

TEST_F(JobPinDialog, VistaAndLaterDisableTheRequestBoxButKeepItsState) {
    IsVistaOrLater = true;
    Store(L"", L"8642", 1);
    bool ticked = false;
    bool enabled = true;
    LONG_PTR exStyle = 0;
    EXPECT_EQ(Run([&](HWND dialog) {
                  ticked = IsDlgButtonChecked(dialog, IDC_JOBNAME_ASK) == BST_CHECKED;
                  enabled = IsWindowEnabled(GetDlgItem(dialog, IDC_JOBNAME_ASK)) != FALSE;
                  exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
                  Click(dialog, IDOK);
              }),
              1);
    EXPECT_TRUE(ticked);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(exStyle & WS_EX_CONTEXTHELP, 0);
    EXPECT_EQ(record_.AskJobName, 1u);  // an empty name passes: the name is asked at each job

    IsVistaOrLater = false;
    EXPECT_EQ(Run([&](HWND dialog) {
                  exStyle = GetWindowLongPtrW(dialog, GWL_EXSTYLE);
                  Click(dialog, IDCANCEL);
              }),
              0);
    EXPECT_NE(exStyle & WS_EX_CONTEXTHELP, 0);
}

// Runs only in a child of this program that Wine tells it is Windows XP (see the test below).
TEST_F(JobPinDialog, DISABLED_RequestBoxOnWindowsXp) {
    RunOsCheckOnce();
    ASSERT_EQ(OsVersion.dwMajorVersion, 5u);
    ASSERT_FALSE(IsVistaOrLater);
    int warnings = 0;
    bool warningTicked = false;
    auto untickAndClose = [&](HWND window) {
        if (TextOf(window) == L"Warning:") {
            ++warnings;
            warningTicked = IsDlgButtonChecked(window, IDC_WARNING_SHOW_AGAIN) == BST_CHECKED;
            SendDlgItemMessageW(window, IDC_WARNING_SHOW_AGAIN, BM_CLICK, 0, 0);
        }
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    };
    auto tickUntickTick = [](HWND dialog) {
        Click(dialog, IDC_JOBNAME_ASK);  // ticked: the warning
        Click(dialog, IDC_JOBNAME_ASK);  // unticked: none
        Click(dialog, IDC_JOBNAME_ASK);  // ticked again
        Click(dialog, IDCANCEL);
    };
    // Ticked with the warning's box left ticked: it comes back at the next tick.
    auto leaveTicked = [&](HWND window) {
        if (TextOf(window) == L"Warning:") ++warnings;
        PostMessageW(window, WM_COMMAND, IDOK, 0);
    };
    EXPECT_EQ(Run(tickUntickTick, leaveTicked), 0);
    EXPECT_EQ(warnings, 2);
    EXPECT_EQ(ini_.Read(L"AllertFlag1"), L"<none>");

    // Unticking "Show this message next time" once silences it for good.
    warnings = 0;
    EXPECT_EQ(Run(tickUntickTick, untickAndClose), 0);
    EXPECT_EQ(warnings, 1);
    EXPECT_TRUE(warningTicked);
    EXPECT_EQ(ini_.Read(L"AllertFlag1"), L"1");
    warnings = 0;
    EXPECT_EQ(Run(tickUntickTick, untickAndClose), 0);
    EXPECT_EQ(warnings, 0);
}

TEST(JobPinDialogXp, RequestBoxWarnsUntilTheWarningIsSilenced) {
    const std::wstring self = testenv::TestBinDir() + L"\\jobname_tests.exe";
    ASSERT_TRUE(testenv::SetWineVersionFor(L"jobname_tests.exe", L"winxp"));
    int exitCode = -1;
    const std::string out =
        testenv::RunAndCapture(L"\"" + self +
                                   L"\" --gtest_also_run_disabled_tests "
                                   L"--gtest_filter=JobPinDialog.DISABLED_RequestBoxOnWindowsXp",
                               &exitCode);
    testenv::SetWineVersionFor(L"jobname_tests.exe", L"");
    EXPECT_EQ(exitCode, 0) << out;
    EXPECT_NE(out.find("[  PASSED  ] 1 test"), std::string::npos) << out;
}

// ---------------------------------------------------------------------------------------------
// Job-type bookkeeping for the page layouts with job-type controls

TEST(JobTypeRules, DialogNeededWithoutPinOrWithoutAnyWayToNameTheJob) {
    PrivateDevmode record = {};
    EXPECT_TRUE(JobPinDialogNeeded(record));
    wcsncpy_s(record.JobPin, ARRAYSIZE(record.JobPin), L"1234", _TRUNCATE);
    EXPECT_TRUE(JobPinDialogNeeded(record));  // no name, not asked
    record.AskJobName = 1;
    EXPECT_FALSE(JobPinDialogNeeded(record));
    record.AskJobName = 0;
    wcsncpy_s(record.JobName, ARRAYSIZE(record.JobName), L"Name", _TRUNCATE);
    EXPECT_FALSE(JobPinDialogNeeded(record));
    record.JobPin[0] = L'\0';
    EXPECT_TRUE(JobPinDialogNeeded(record));
}

TEST(JobTypeRules, CopiesWarningOnceUntilTheNormalTypeIsChosenAgain) {
    HMODULE old = ModuleHandle;
    ModuleHandle = PluginModule();
    ASSERT_NE(ModuleHandle, nullptr);
    testenv::ModalWatcher watcher;
    EXPECT_FALSE(NoteJobTypeChosen(nullptr, 1, false));  // copies were 1: nothing to say
    EXPECT_TRUE(NoteJobTypeChosen(nullptr, 1, true));
    EXPECT_FALSE(NoteJobTypeChosen(nullptr, 2, true));
    EXPECT_FALSE(NoteJobTypeChosen(nullptr, 3, true));
    EXPECT_FALSE(NoteJobTypeChosen(nullptr, 0, false));
    EXPECT_TRUE(NoteJobTypeChosen(nullptr, 2, true));
    ModuleHandle = old;
    ASSERT_EQ(watcher.seen.size(), 2u);
    for (const auto& seen : watcher.seen) {
        EXPECT_EQ(seen.caption, L"Warning");
        EXPECT_EQ(seen.text,
                  L"If using Secure Print or Proof & Print, the number of copies will be set to "
                  L"one in the printer driver.\nIf you wish to print multiple copies, you can do "
                  L"so from the printer's operator panel.");
    }
}

// ---------------------------------------------------------------------------------------------
// Picture of the dialog for review: OEMUI_SHOT_DIR, else a "shots" folder beside the program.

TEST_F(JobPinDialog, Screenshot) {
    const std::wstring folder = ShotFolder();
    const std::wstring path = folder + L"\\jobname.png";
    DeleteFileW(path.c_str());
    Store(L"Quarterly", L"2580", 0);
    testenv::Shot shot;
    RECT rect = {};
    Run([&](HWND dialog) {
        GetWindowRect(dialog, &rect);
        shot = testenv::ShootDialog(dialog, L"jobname.png");
        Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(shot.path, path);
    EXPECT_TRUE(testenv::ShowsTheWindow(shot));
    EXPECT_GT(rect.right - rect.left, 0);
}
