// The host program (oemui-host.exe): its command line, its refusal of bad plug-in DLLs and
// broken sample files, the report it writes after a walk and a scripted change, the modal
// capture of its screenshot walk, and the print mode.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/demo.h"
#include "base/devmode.h"
#include "tests/support/shots.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

namespace demo = host::demo;

namespace {

std::wstring SampleDir() { return testenv::Widen(OEMUI_SAMPLE_DIR); }
std::wstring DllPath() { return testenv::Widen(OEMUI_DLL_PATH); }

demo::Options BaseOptions() {
    demo::Options o;
    o.dllPath = DllPath();
    o.sampleDir = SampleDir();
    o.binDir = testenv::TestBinDir();
    return o;
}

using testenv::FreshTempFolder;

// A copy of the sample folder in which the caller may break files.
std::wstring SampleCopy() {
    const std::wstring dir = FreshTempFolder(L"oemui-demo-sample");
    for (const wchar_t* name : {L"labcolor.ppd", L"labmono.ppd", L"vrlab.cap", L"vroemui.ini",
                                L"vrlab.ver", L"vrgamma.ini", L"vrwmfont.ini", L"vrlabccm.ini"}) {
        CopyFileW((SampleDir() + L"\\" + name).c_str(), (dir + L"\\" + name).c_str(), FALSE);
    }
    return dir;
}

struct HostRun {
    int exitCode = -1;
    std::string output;
};

HostRun RunHost(const std::wstring& arguments) {
    HostRun r;
    r.output = testenv::RunAndCapture(
        L"\"" + testenv::TestBinDir() + L"\\oemui-host.exe\" " + arguments, &r.exitCode);
    return r;
}

bool Contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

// ---------------------------------------------------------------------------------------------
// Command line

TEST(DemoCommandLine, ModesOptionsAndDefaults) {
    demo::Options o;
    std::wstring error;
    ASSERT_TRUE(demo::ParseArguments({}, o, error));
    EXPECT_EQ(o.mode, demo::Mode::Document);
    EXPECT_TRUE(o.apply);

    demo::Options p;
    ASSERT_TRUE(
        demo::ParseArguments({L"printer", L"--step", L"Orientation", L"--step", L"Pages per Sheet",
                              L"--no-apply", L"--mono", L"--screenshots", L"C:\\out"},
                             p, error));
    EXPECT_EQ(p.mode, demo::Mode::Printer);
    EXPECT_EQ(p.steps, (std::vector<std::wstring>{L"Orientation", L"Pages per Sheet"}));
    EXPECT_FALSE(p.apply);
    EXPECT_TRUE(p.mono);
    EXPECT_EQ(p.screenshotDir, L"C:\\out");

    demo::Options b;
    ASSERT_TRUE(demo::ParseArguments({L"--bench", L"7"}, b, error));
    EXPECT_TRUE(b.bench);
    EXPECT_EQ(b.benchRuns, 7);
    demo::Options b2;  // a following word that is not a count is not swallowed
    ASSERT_TRUE(demo::ParseArguments({L"--bench", L"printer"}, b2, error));
    EXPECT_EQ(b2.mode, demo::Mode::Printer);
    EXPECT_EQ(b2.benchRuns, 15);
}

TEST(DemoCommandLine, BadUsageIsRefusedWithAReason) {
    const std::vector<std::vector<std::wstring>> bad = {{L"--frobnicate"},
                                                        {L"--dll"},
                                                        {L"document", L"print"},
                                                        {L"print", L"--bench"},
                                                        {L"--screenshots", L""}};
    for (const auto& args : bad) {
        demo::Options o;
        std::wstring error;
        EXPECT_FALSE(demo::ParseArguments(args, o, error)) << testenv::Narrow(args[0]);
        EXPECT_FALSE(error.empty());
    }
    const HostRun r = RunHost(L"--frobnicate");
    EXPECT_EQ(r.exitCode, demo::kExitUsage);
    EXPECT_TRUE(Contains(r.output, "unknown argument --frobnicate")) << r.output;
    EXPECT_TRUE(Contains(r.output, "usage: oemui-host")) << r.output;
}

// ---------------------------------------------------------------------------------------------
// Bad plug-in DLLs: a clear message and a non-zero exit, before anything is installed.

TEST(DemoBadDll, MissingUnreadableAndExportlessDllsAreRefused) {
    const std::wstring missing = testenv::TestBinDir() + L"\\no-such-plugin.dll";
    EXPECT_TRUE(Contains(testenv::Narrow(demo::CheckPluginDll(missing)), "cannot find"));

    const std::wstring text = FreshTempFolder(L"oemui-demo-dll") + L"\\notadll.dll";
    ASSERT_TRUE(testenv::WriteFileBytes(text, "this is not a program"));
    EXPECT_TRUE(Contains(testenv::Narrow(demo::CheckPluginDll(text)), "cannot load"));

    const std::wstring noExports = testenv::TestBinDir() + L"\\noexports.dll";
    const std::string message = testenv::Narrow(demo::CheckPluginDll(noExports));
    EXPECT_TRUE(Contains(message, "does not export DllGetClassObject and DllCanUnloadNow"))
        << message;

    EXPECT_EQ(demo::CheckPluginDll(DllPath()), L"");
    EXPECT_TRUE(
        Contains(testenv::Narrow(demo::CheckPluginDll(testenv::TestBinDir())), "is a folder"));
}

TEST(DemoBadDll, TheProgramExitsWithTheDllCodeAndNamesTheFile) {
    const HostRun missing =
        RunHost(L"--dll \"" + testenv::TestBinDir() + L"\\no-such-plugin.dll\"");
    EXPECT_EQ(missing.exitCode, demo::kExitBadDll);
    EXPECT_TRUE(Contains(missing.output, "no-such-plugin.dll")) << missing.output;

    const HostRun exportless = RunHost(L"--dll \"" + testenv::TestBinDir() + L"\\noexports.dll\"");
    EXPECT_EQ(exportless.exitCode, demo::kExitBadDll);
    EXPECT_TRUE(Contains(exportless.output, "is not a driver plug-in")) << exportless.output;
}

// ---------------------------------------------------------------------------------------------
// Broken sample files

TEST(DemoBadSample, EachBrokenFileIsNamedWithWhatIsWrong) {
    const std::wstring bin = testenv::TestBinDir();
    EXPECT_EQ(demo::CheckSampleModel(SampleDir(), bin, false), L"");
    EXPECT_EQ(demo::CheckSampleModel(SampleDir(), bin, true), L"");

    struct Case {
        const wchar_t* file;
        const char* content;
        const char* expected;
    };
    const Case cases[] = {
        {L"labcolor.ppd", "just some text\r\n", "no *PPD-Adobe"},
        {L"vrlab.cap", "[Capability]\r\nOther Driver=Other\r\n", "names no model section"},
        {L"vroemui.ini", "[OEMFiles]\r\n", "OEMConfigFile1"},
        {L"vrgamma.ini",
         "[PSGamma]\r\nSettingNum=2\r\nSettingID0=1\r\nSettingID1=9\r\n"
         "SettingName1=One\r\n",
         "without a \"SettingName9\""},
        {L"vrwmfont.ini", "[PrinterFont]\r\nDefaultNo=3\r\n1=Courier\r\n", "only 1 fonts"},
        {L"vrlabccm.ini", "[Color]\r\nCCMNT1=0A1\r\n[Gamma]\r\nCCMNT1=00\r\n", "hexadecimal"},
        {L"vrlab.ver", "", "empty"},
    };
    for (const Case& c : cases) {
        const std::wstring dir = SampleCopy();
        ASSERT_TRUE(testenv::WriteFileBytes(dir + L"\\" + c.file, c.content));
        const std::string message = testenv::Narrow(demo::CheckSampleModel(dir, bin, false));
        EXPECT_TRUE(Contains(message, testenv::Narrow(c.file))) << message;
        EXPECT_TRUE(Contains(message, c.expected)) << message;
    }

    const std::wstring dir = SampleCopy();
    DeleteFileW((dir + L"\\vrlab.cap").c_str());
    const HostRun r = RunHost(L"--sample \"" + dir + L"\"");
    EXPECT_EQ(r.exitCode, demo::kExitBadSample);
    EXPECT_TRUE(Contains(r.output, "vrlab.cap: cannot read it")) << r.output;

    // A program the INF names missing from the build folder is named too: the plug-in comes
    // first in the INF's CopyFiles order.
    const std::string noLibs = testenv::Narrow(
        demo::CheckSampleModel(SampleDir(), FreshTempFolder(L"oemui-demo-nobin"), false));
    EXPECT_TRUE(Contains(noLibs, "oemui-demo-nobin\\vroemui.dll: cannot read it")) << noLibs;
}

// ---------------------------------------------------------------------------------------------
// The report after a walk and a scripted change

std::string RecordLine(const std::string& report, const std::string& field) {
    const size_t at = report.find("\n" + field + " = ");
    if (at == std::string::npos) return {};
    return report.substr(at + 1, report.find('\n', at + 1) - at - 1);
}

TEST(DemoReport, WalkListsEveryPageAndTheUnchangedRecord) {
    demo::Options o = BaseOptions();
    o.walk = true;
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    EXPECT_TRUE(Contains(report, "1. \"Job Options\", template 113")) << report;
    EXPECT_TRUE(Contains(report, "2. \"Color\", template 111")) << report;
    EXPECT_TRUE(Contains(report, "template 800 of the link-page library")) << report;
    EXPECT_TRUE(Contains(report, "\"Advanced\", the core driver's page (stand-in)")) << report;
    EXPECT_TRUE(Contains(report, "Job Options: Watermarks... [watermarks]: ")) << report;
    EXPECT_TRUE(Contains(report, "applied: yes")) << report;
    EXPECT_EQ(RecordLine(report, "Header.dwSignature"), "Header.dwSignature = 0x32303030");
    EXPECT_EQ(RecordLine(report, "DrvItemSelB"), "DrvItemSelB = 0");
    EXPECT_TRUE(Contains(report, "DllCanUnloadNow -> S_OK")) << report;
}

TEST(DemoReport, SteppingCoreItemsAndApplyingChangesTheRecordFields) {
    demo::Options o = BaseOptions();
    o.steps = {L"Orientation", L"Pages per Sheet", L"No Such Item"};
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    EXPECT_TRUE(Contains(report, "Orientation: \"Portrait\" -> \"Landscape\"")) << report;
    EXPECT_TRUE(Contains(report, "Pages per Sheet: \"1 page\" -> ")) << report;
    EXPECT_TRUE(Contains(report, "No Such Item: no such item on the page")) << report;
    // The plug-in's tree callback copies the orientation and N-up selections on Apply.
    EXPECT_EQ(RecordLine(report, "DrvItemSelB"), "DrvItemSelB = 1   (was 0)");
    EXPECT_EQ(RecordLine(report, "DrvItemSelA"), "DrvItemSelA = 1   (was 0)");

    // Without Apply the same steps leave the record as it was.
    o.apply = false;
    demo::Session cancelled;
    ASSERT_EQ(demo::RunSession(o, cancelled, report), demo::kExitOk);
    EXPECT_TRUE(Contains(report, "Orientation: \"Portrait\" -> \"Landscape\"")) << report;
    EXPECT_EQ(RecordLine(report, "DrvItemSelB"), "DrvItemSelB = 0");
    EXPECT_TRUE(Contains(report, "applied: no")) << report;
}

TEST(DemoReport, WithoutDllTheDriversIniNamesThePluginAndTheSummaryCountsTheRun) {
    demo::Options o = BaseOptions();
    o.dllPath.clear();
    o.steps = {L"Orientation"};
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    std::wstring loaded = s.dllPath;
    std::wstring expected = testenv::DriverDirectory3() + L"\\vroemui.dll";
    for (std::wstring* text : {&loaded, &expected}) {
        for (wchar_t& c : *text) c = towlower(c);
    }
    EXPECT_EQ(loaded, expected);

    // Only the record's section counts: the dialogs' own change lists also say "(was ...)".
    const size_t recordAt = report.find("[PrivateDevmode]");
    ASSERT_NE(recordAt, std::string::npos);
    const size_t recordEnd = report.find("\n[", recordAt + 1);
    const std::string record = report.substr(
        recordAt, recordEnd == std::string::npos ? std::string::npos : recordEnd - recordAt);
    size_t changed = 0;
    for (size_t at = record.find("(was "); at != std::string::npos;
         at = record.find("(was ", at + 1)) {
        ++changed;
    }
    EXPECT_GT(changed, 0u);
    const std::string summary = demo::BuildSummary(s, L"C:\\shots");
    EXPECT_TRUE(Contains(summary, std::to_string(s.pages.size()) + " pages, ")) << summary;
    EXPECT_TRUE(Contains(summary, std::to_string(s.pushes.size()) + " pushes")) << summary;
    EXPECT_TRUE(Contains(summary, std::to_string(changed) + " record fields changed")) << summary;
    EXPECT_TRUE(Contains(summary, "screenshots and report: C:\\shots")) << summary;
    EXPECT_GT(s.pages.size(), 0u);
}

TEST(DemoReport, MonochromeModelHasNoColorPage) {
    demo::Options o = BaseOptions();
    o.walk = true;
    o.mono = true;
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    EXPECT_TRUE(Contains(report, "printer: Lab Mono 1")) << report;
    EXPECT_FALSE(Contains(report, "\"Color\", template 111")) << report;
    EXPECT_FALSE(Contains(report, "Color: ")) << report;
}

TEST(DemoReport, PushesAreListedInOrderWithTheirOutcome) {
    demo::Session s;
    host::UpdateRecord first;
    first.keyword = "VROutputMode";
    first.newSel = 1;
    first.previousSel = 0;
    first.mode = 1;
    first.accepted = true;
    host::UpdateRecord second;
    second.dmPubId = DMPUB_ORIENTATION;
    second.newSel = 2;
    second.previousSel = 1;
    second.mode = 2;
    second.accepted = false;
    s.pushes = {first, second};
    const std::string report = demo::BuildReport(s, nullptr);
    const size_t a = report.find("1. VROutputMode: selection 1, was 0, mode 1, accepted");
    const size_t b = report.find("2. DMPUB 1: selection 2, was 1, mode 2, refused");
    ASSERT_NE(a, std::string::npos) << report;
    ASSERT_NE(b, std::string::npos) << report;
    EXPECT_LT(a, b);
    EXPECT_TRUE(Contains(demo::BuildReport(demo::Session{}, nullptr),
                         "[selections pushed into the core driver, in order]\n(none)"));
}

TEST(DemoReport, RecordFieldsDecodeCountsSignsAndBoundedText) {
    std::vector<BYTE> bytes(sizeof(oemui::PrivateDevmode), 0);
    auto& r = *reinterpret_cast<oemui::PrivateDevmode*>(bytes.data());
    const std::vector<BYTE> before = bytes;
    r.CcmTableLength[0] = 2;
    r.CcmTable[0] = 0x0A;
    r.CcmTable[1] = 0x1B;
    r.CcmTable[2] = 0xFF;  // beyond the count: not shown
    r.CcmValueLength[0] = 0x00;
    r.CcmValueLength[1] = 0x01;  // 256 > 255: reported, not read past the table
    r.WmarkAngle = -45;
    for (wchar_t& c : r.JobPin) c = L'7';  // no terminator inside the field
    r.OverlayIds[0] = 3;
    r.OverlayIds[1] = 255;
    const std::vector<std::string> lines = demo::DescribeRecord(bytes, &before);
    auto line = [&](const std::string& field) {
        for (const std::string& l : lines) {
            if (l.rfind(field + " = ", 0) == 0) return l;
        }
        return std::string();
    };
    EXPECT_EQ(line("CcmTable"), "CcmTable = 2 bytes 0A1B   (was 0 bytes)");
    EXPECT_EQ(line("CcmValue"),
              "CcmValue = 256 bytes (more than the table holds: 255)   (was 0 bytes)");
    EXPECT_EQ(line("WmarkAngle"), "WmarkAngle = -45   (was 0)");
    EXPECT_EQ(line("JobPin"), "JobPin = \"77777\"   (was \"\")");
    EXPECT_EQ(line("OverlayIds"), "OverlayIds = 3,255,0,0   (was 0,0,0,0)");
    EXPECT_EQ(line("AskJobName"), "AskJobName = 0");

    const std::vector<std::string> short_ = demo::DescribeRecord(std::vector<BYTE>(100), nullptr);
    ASSERT_EQ(short_.size(), 1u);
    EXPECT_TRUE(Contains(short_[0], "100 bytes")) << short_[0];
}

TEST(DemoReport, IniDifferencesBySection) {
    const std::wstring dir = FreshTempFolder(L"oemui-demo-ini");
    const std::wstring path = dir + L"\\plugin.ini";
    ASSERT_TRUE(testenv::WriteFileBytes(
        path,
        "[Watermark]\r\nWTMK001=72,0,45\r\nWTMK002=10,0,0\r\n[Old]\r\nA=1\r\n"
        "[Keep]\r\nX=1\r\n"));
    const demo::IniSnapshot before = demo::ReadIni(path);
    WritePrivateProfileStringW(L"Watermark", L"WTMK001", L"72,0,30", path.c_str());
    WritePrivateProfileStringW(L"Watermark", L"WTMK002", nullptr, path.c_str());
    WritePrivateProfileStringW(L"Watermark", L"WTMK003", L"5", path.c_str());
    WritePrivateProfileStringW(L"Old", nullptr, nullptr, path.c_str());
    WritePrivateProfileStringW(L"Custom Color", L"Color0", L"192,192,192", path.c_str());
    const std::vector<std::wstring> diff = demo::DiffIni(before, demo::ReadIni(path));
    const std::vector<std::wstring> expected = {
        L"[Watermark]",
        L"  ~ WTMK001=72,0,30   (was 72,0,45)",
        L"  + WTMK003=5",
        L"  - WTMK002=10,0,0",
        L"[Custom Color] (new section)",
        L"  + Color0=192,192,192",
        L"[Old] (section removed, 1 keys)",
    };
    EXPECT_EQ(diff, expected);
    EXPECT_TRUE(demo::DiffIni(before, before).empty());
}

// ---------------------------------------------------------------------------------------------
// Screenshots and modal capture

// A PNG file that decodes to more than one flat colour; its size in `width` and `height`.
bool IsPng(const std::wstring& path, unsigned& width, unsigned& height) {
    const testenv::PngPicture picture = testenv::ReadPng(path);
    width = picture.width;
    height = picture.height;
    return picture.decoded && picture.colours > 1;
}

// The check the screenshot tests rely on: a window with text passes; the same picture against
// another window size, a window of one flat colour and a missing file do not.
TEST(DemoScreenshots, ShotCheckWantsTheWindowsSizeAndMoreThanOneColour) {
    const std::wstring dir = FreshTempFolder(L"oemui-shot-check");
    struct Window {
        const wchar_t* text;
        const wchar_t* file;
        bool shows;
    };
    constexpr Window kWindows[] = {
        {L"Some text to show", L"text.png", true},
        {L"", L"flat.png", false},
    };
    for (const Window& w : kWindows) {
        SCOPED_TRACE(testenv::Narrow(w.file));
        HWND window = CreateWindowExW(WS_EX_TOPMOST, L"STATIC", w.text, WS_POPUP | WS_VISIBLE, 40,
                                      40, 160, 60, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(window, nullptr);
        // The window reaches the screen a little after it is created: shots are taken until one
        // passes, for a second at most.
        testenv::Shot shot;
        ::testing::AssertionResult shows = ::testing::AssertionFailure();
        for (int attempt = 0; attempt < 50 && !shows; ++attempt) {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
            RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            GdiFlush();
            Sleep(20);
            shot = testenv::SaveShot(window, dir + L"\\" + w.file);
            shows = testenv::ShowsTheWindow(shot);
        }
        DestroyWindow(window);
        ASSERT_TRUE(shot.saved);
        EXPECT_EQ(static_cast<bool>(shows), w.shows) << shows.message();
        EXPECT_EQ(shot.window.cx, 160);
        if (w.shows) {
            shot.window.cx += 1;
            EXPECT_FALSE(testenv::ShowsTheWindow(shot)) << "another size";
            shot.window.cx -= 1;
            shot.path = dir + L"\\missing.png";
            EXPECT_FALSE(testenv::ShowsTheWindow(shot)) << "no file";
        }
    }
}

TEST(DemoScreenshots, EveryPageAndPreviewIsSavedAsAPngOfTheWindow) {
    demo::Options o = BaseOptions();
    o.screenshotDir = FreshTempFolder(L"oemui-demo-shots");
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    ASSERT_EQ(s.pages.size(), 4u);
    unsigned firstWidth = 0;
    for (const demo::PageShot& p : s.pages) {
        ASSERT_FALSE(p.file.empty()) << testenv::Narrow(p.title);
        unsigned w = 0;
        unsigned h = 0;
        ASSERT_TRUE(IsPng(o.screenshotDir + L"\\" + p.file, w, h)) << testenv::Narrow(p.file);
        if (firstWidth == 0) firstWidth = w;
        EXPECT_EQ(w, firstWidth);  // the same sheet window every time
        EXPECT_GT(w, 300u);
        EXPECT_GT(h, 250u);
        EXPECT_TRUE(Contains(report, testenv::Narrow(p.file)));
    }
    EXPECT_EQ(s.pages[0].file, L"document-page-1-job-options.png");
    size_t previews = 0;
    for (const demo::DialogShot& d : s.dialogs) {
        if (d.file.empty()) continue;
        unsigned w = 0;
        unsigned h = 0;
        EXPECT_TRUE(IsPng(o.screenshotDir + L"\\" + d.file, w, h)) << testenv::Narrow(d.file);
        ++previews;
    }
    EXPECT_GE(previews, 3u);  // warning templates 300 to 302 at least
}

struct BoxOwner {
    int answer = 0;
};

void ShowMessageBox(void* context) {
    static_cast<BoxOwner*>(context)->answer =
        MessageBoxW(nullptr, L"Settings saved.", L"Demo Box", MB_OKCANCEL);
}

void DoNothing(void*) {}

TEST(DemoScreenshots, ModalWindowsAreCapturedAndClosed) {
    const std::wstring dir = FreshTempFolder(L"oemui-demo-modal");
    BoxOwner owner;
    const std::vector<demo::DialogShot> seen =
        demo::CaptureModals(&ShowMessageBox, &owner, dir, L"box", {});
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].caption, L"Demo Box");
    EXPECT_EQ(seen[0].file, L"box.png");
    unsigned w = 0;
    unsigned h = 0;
    EXPECT_TRUE(IsPng(dir + L"\\box.png", w, h));
    EXPECT_GT(w, 100u);  // a box with a text and two buttons
    EXPECT_GT(h, 50u);
    EXPECT_EQ(owner.answer, IDCANCEL);  // closed the way a user cancels

    EXPECT_TRUE(demo::CaptureModals(&DoNothing, nullptr, dir, L"none", {}).empty());
}

// ---------------------------------------------------------------------------------------------
// Print mode

TEST(DemoPrint, DocumentEventsAreSentAndTheJobsSectionIsLookedUp) {
    demo::Options o = BaseOptions();
    o.mode = demo::Mode::Print;
    demo::Session s;
    std::string report;
    ASSERT_EQ(demo::RunSession(o, s, report), demo::kExitOk) << testenv::Narrow(s.error);
    ASSERT_EQ(s.events.size(), 10u);
    EXPECT_EQ(s.events[0].escape, DOCUMENTEVENT_CREATEDCPRE);
    EXPECT_EQ(s.events[1].escape, DOCUMENTEVENT_QUERYFILTER);
    EXPECT_EQ(s.events[4].escape, DOCUMENTEVENT_STARTDOCPOST);
    wchar_t job[16];
    swprintf(job, 16, L"%08x", static_cast<unsigned>(s.jobId));
    EXPECT_EQ(s.sectionName, std::wstring(L"Local\\Lab0Color01") + job + L"A");
    EXPECT_TRUE(Contains(report, "DOCUMENTEVENT_STARTDOCPOST (13): ")) << report;
    EXPECT_TRUE(Contains(report, "[published for the job]")) << report;
}

}  // namespace
