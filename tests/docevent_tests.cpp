// Document events through the plug-in DLL: the event filter, the announcement of the printing
// application in the job's named section, and the colour utility started when that fails. The
// name builders are checked directly for the connection cases a test machine cannot reach.
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>
#include <winspool.h>

#include <string>
#include <thread>
#include <vector>

#include "base/config.h"
#include "base/handles.h"
#include "docevent/docevent.h"
#include "tests/support/plugindll.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

using namespace oemui;
using testenv::Printer;

namespace {

constexpr INT kNotWritten = -77;

std::wstring SectionName(const std::wstring& sanitized, DWORD job) {
    wchar_t name[kJobObjectNameChars] = {};
    EXPECT_TRUE(FormatJobSectionName(sanitized.c_str(), job, name, kJobObjectNameChars));
    return name;
}

std::wstring MutexName(const std::wstring& sanitized, DWORD job) {
    wchar_t name[kJobObjectNameChars] = {};
    EXPECT_TRUE(FormatJobMutexName(sanitized.c_str(), job, name, kJobObjectNameChars));
    return name;
}

// What a reader finds in the job's section; `found` tells whether it exists.
std::wstring ReadSection(const std::wstring& name, bool* found) {
    *found = false;
    HANDLE section = OpenFileMappingW(FILE_MAP_READ, FALSE, name.c_str());
    if (section == nullptr) return {};
    *found = true;
    std::wstring text;
    if (const void* view = MapViewOfFile(section, FILE_MAP_READ, 0, 0, kAppSectionBytes)) {
        const auto* chars = static_cast<const wchar_t*>(view);
        size_t n = 0;
        while (n < kAppNameChars && chars[n] != L'\0') ++n;
        text.assign(chars, n);
        UnmapViewOfFile(view);
    }
    CloseHandle(section);
    return text;
}

// Whether another thread can take the named mutex at once (it exists and nobody owns it).
bool MutexIsFree(const std::wstring& name) {
    DWORD wait = WAIT_FAILED;
    std::thread other([&] {
        HANDLE mutex = OpenMutexW(SYNCHRONIZE | MUTEX_MODIFY_STATE, FALSE, name.c_str());
        if (mutex == nullptr) return;
        wait = WaitForSingleObject(mutex, 0);
        if (wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED) ReleaseMutex(mutex);
        CloseHandle(mutex);
    });
    other.join();
    return wait == WAIT_OBJECT_0;
}

bool MutexExists(const std::wstring& name) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name.c_str());
    if (mutex == nullptr) return false;
    CloseHandle(mutex);
    return true;
}

std::vector<std::string> LinesStartingWith(const testenv::StandInLog& log,
                                           const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : log.Lines()) {
        if (line.compare(0, prefix.size(), prefix) == 0) out.push_back(line);
    }
    return out;
}

// The colour utility runs on its own: wait until `count` of its lines are in the log.
std::vector<std::string> WaitForUtility(const testenv::StandInLog& log, size_t count) {
    std::vector<std::string> lines;
    for (int i = 0; i < 600;
         ++i) {  // up to 30 s: a new Wine process starts slowly on a loaded machine
        lines = LinesStartingWith(log, "colorap ");
        if (lines.size() >= count) break;
        Sleep(50);
    }
    return lines;
}

// A real print job on the printer, so that the spooler knows its id and data type.
class PrintJob {
public:
    PrintJob(HANDLE printer, const wchar_t* datatype) : printer_(printer) {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        output_ = std::wstring(temp) + L"oemui-docevent-job.prn";
        DOC_INFO_1W doc = {const_cast<wchar_t*>(L"document event test"), output_.data(),
                           const_cast<wchar_t*>(datatype)};
        id_ = StartDocPrinterW(printer, 1, reinterpret_cast<BYTE*>(&doc));
        error_ = id_ == 0 ? GetLastError() : 0;
    }
    // Ends the job (the FILE: port writes it to the output file, which is then removed);
    // Wine's AbortPrinter does nothing, and the handle takes no further job until this.
    ~PrintJob() {
        if (id_ != 0) EndDocPrinter(printer_);
        DeleteFileW(output_.c_str());
    }
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;
    DWORD id() const { return id_; }
    DWORD error() const { return error_; }

private:
    HANDLE printer_;
    std::wstring output_;
    DWORD id_ = 0;
    DWORD error_ = 0;
};

class DocEventTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dll_.Loaded());
        object_ = dll_.Create();
        ASSERT_NE(object_, nullptr);
    }
    void TearDown() override {
        if (object_ != nullptr) object_->Release();
    }

    HRESULT Send(HANDLE printer, INT escape, ULONG cbIn, PVOID in, ULONG cbOut, PVOID out,
                 INT* result) {
        return object_->DocumentEvent(printer, nullptr, escape, cbIn, in, cbOut, out, result);
    }
    // DOCUMENTEVENT_STARTDOCPOST for a job; returns what was written to the result.
    INT StartDocPost(HANDLE printer, DWORD job) {
        INT result = kNotWritten;
        EXPECT_EQ(Send(printer, DOCUMENTEVENT_STARTDOCPOST, sizeof(job), &job, 0, nullptr, &result),
                  S_OK);
        return result;
    }

    testenv::PluginDll dll_;
    IPrintOemUI2* object_ = nullptr;
};

// Installs a printer of a model whose capability file is given, with the sample's stand-ins.
void InstallModel(const wchar_t* driver, const wchar_t* printer, const std::string& modelKeys) {
    testenv::TestDriver d;
    d.name = driver;
    d.dependentFiles = {
        {L"docevent.cap",
         "[Capability]\r\n" + testenv::Narrow(driver) + "=Model\r\n\r\n[Model]\r\n" + modelKeys},
        {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)},
        {L"vrjobinf.dll", testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrjobinf.dll")},
        {L"vrcolorap.exe", testenv::ReadFileBytes(testenv::TestBinDir() + L"\\vrcolorap.exe")}};
    ASSERT_TRUE(testenv::InstallDriver(d));
    ASSERT_TRUE(testenv::InstallPrinter(printer, driver));
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Events other than the job start

TEST_F(DocEventTest, CreateDcPreSucceedsAndOtherEventsAreLeftAlone) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    INT result = kNotWritten;
    EXPECT_EQ(Send(printer.get(), DOCUMENTEVENT_CREATEDCPRE, 0, nullptr, 0, nullptr, &result),
              S_OK);
    EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS);

    DWORD job = 0x51;
    for (INT escape :
         {DOCUMENTEVENT_CREATEDCPOST, DOCUMENTEVENT_RESETDCPRE, DOCUMENTEVENT_RESETDCPOST,
          DOCUMENTEVENT_STARTDOCPRE, DOCUMENTEVENT_STARTPAGE, DOCUMENTEVENT_ENDPAGE,
          DOCUMENTEVENT_ENDDOCPRE, DOCUMENTEVENT_ABORTDOC, DOCUMENTEVENT_DELETEDC,
          DOCUMENTEVENT_ESCAPE, DOCUMENTEVENT_ENDDOCPOST, 15, 0x12345}) {
        result = kNotWritten;
        EXPECT_EQ(Send(printer.get(), escape, sizeof(job), &job, 0, nullptr, &result), S_OK)
            << escape;
        EXPECT_EQ(result, kNotWritten) << escape;
    }
    // None of them asked the job-information library or published anything.
    EXPECT_TRUE(log.Lines().empty());
    bool found = true;
    ReadSection(SectionName(L"Lab0Color01", job), &found);
    EXPECT_FALSE(found);
}

TEST_F(DocEventTest, QueryFilterAsksForTheJobStartOnly) {
    struct Filter {
        DOCEVENT_FILTER head;
        DWORD more[3];
    };
    auto fresh = [](UINT allocated) {
        Filter f;
        memset(&f, 0xCD, sizeof(f));
        f.head.cbSize = sizeof(f);
        f.head.cElementsAllocated = allocated;
        return f;
    };
    constexpr UINT kUntouched = 0xCDCDCDCD;

    Filter one = fresh(1);
    INT result = kNotWritten;
    EXPECT_EQ(Send(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, sizeof(one), &one, &result),
              S_OK);
    EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS);
    EXPECT_EQ(one.head.cElementsReturned, 1u);
    EXPECT_EQ(one.head.aDocEventCall[0], static_cast<DWORD>(DOCUMENTEVENT_STARTDOCPOST));
    EXPECT_EQ(one.more[0], kUntouched);

    // No room: the count needed is reported and no event is written.
    Filter none = fresh(0);
    result = kNotWritten;
    EXPECT_EQ(Send(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, sizeof(none), &none, &result),
              S_OK);
    EXPECT_EQ(result, DOCUMENTEVENT_SUCCESS);
    EXPECT_EQ(none.head.cElementsNeeded, 1u);
    EXPECT_EQ(none.head.cElementsReturned, kUntouched);
    EXPECT_EQ(none.head.aDocEventCall[0], kUntouched);

    // A block that claims an element but has no bytes for it gets the count only.
    Filter shortBlock = fresh(1);
    const ULONG headerOnly = offsetof(DOCEVENT_FILTER, aDocEventCall);
    EXPECT_EQ(
        Send(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, headerOnly, &shortBlock, &result),
        S_OK);
    EXPECT_EQ(shortBlock.head.cElementsNeeded, 1u);
    EXPECT_EQ(shortBlock.head.aDocEventCall[0], kUntouched);

    // No usable block at all: nothing is written and the spooler is told the filter is
    // unsupported (so it keeps sending every event).
    Filter tiny = fresh(1);
    result = kNotWritten;
    EXPECT_EQ(Send(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, headerOnly - 1, &tiny, &result),
              S_OK);
    EXPECT_EQ(result, DOCUMENTEVENT_UNSUPPORTED);
    EXPECT_EQ(tiny.head.cElementsNeeded, kUntouched);
    EXPECT_EQ(tiny.head.cElementsReturned, kUntouched);
    result = kNotWritten;
    EXPECT_EQ(Send(nullptr, DOCUMENTEVENT_QUERYFILTER, 0, nullptr, sizeof(one), nullptr, &result),
              S_OK);
    EXPECT_EQ(result, DOCUMENTEVENT_UNSUPPORTED);
}

TEST_F(DocEventTest, JobStartWithoutAJobIdDoesNothing) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    DWORD job = 0x52;
    INT result = kNotWritten;
    EXPECT_EQ(Send(printer.get(), DOCUMENTEVENT_STARTDOCPOST, 3, &job, 0, nullptr, &result), S_OK);
    EXPECT_EQ(Send(printer.get(), DOCUMENTEVENT_STARTDOCPOST, 4, nullptr, 0, nullptr, &result),
              S_OK);
    EXPECT_EQ(result, kNotWritten);
    EXPECT_TRUE(log.Lines().empty());
    bool found = true;
    ReadSection(SectionName(L"Lab0Color01", job), &found);
    EXPECT_FALSE(found);
}

// ---------------------------------------------------------------------------------------------
// Publishing in the job's section

TEST_F(DocEventTest, LocalPrinterPublishesTheLibrarysNameUnderTheJobsNames) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Spreadsheet");
    testenv::ScopedEnv second(L"OEMUI_JOBINFO_SECOND", L"Ignored");

    EXPECT_EQ(StartDocPost(printer.get(), 0x2A), kNotWritten);

    bool found = false;
    EXPECT_EQ(ReadSection(L"Local\\Lab0Color010000002aA", &found), L"Spreadsheet");
    EXPECT_TRUE(found);
    EXPECT_TRUE(MutexIsFree(L"Local\\Lab0Color010000002aB"));
    // The library was called once as the contract says and freed right after.
    EXPECT_EQ(LinesStartingWith(log, "GetPrintingApplication"),
              std::vector<std::string>{"GetPrintingApplication reserved=0 size=120"});
    EXPECT_EQ(LinesStartingWith(log, "jobinfo unload").size(), 1u);
    EXPECT_EQ(GetModuleHandleW(L"vrjobinf.dll"), nullptr);

    // The utility is not started when the name was published: a later failing job's utility
    // is the only one that appears.
    HANDLE blocker = CreateEventW(nullptr, TRUE, FALSE, SectionName(L"Lab0Color01", 0x2F).c_str());
    ASSERT_NE(blocker, nullptr);
    StartDocPost(printer.get(), 0x2F);
    const std::vector<std::string> started = WaitForUtility(log, 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].find("\\0000002f\\AppInfo"), std::string::npos) << started[0];
    CloseHandle(blocker);
}

TEST_F(DocEventTest, RecordFieldsChooseTheName) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    bool found = false;
    {
        testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", nullptr);
        testenv::ScopedEnv second(L"OEMUI_JOBINFO_SECOND", L"Writer");
        StartDocPost(printer.get(), 0x2B);
        EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", 0x2B), &found), L"Writer");
    }
    {
        // Full 60-byte fields carry no NUL: the name is the 60 characters of the first.
        const std::wstring sixty(60, L'F');
        testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", (sixty + L"overflow").c_str());
        testenv::ScopedEnv second(L"OEMUI_JOBINFO_SECOND", std::wstring(60, L'S').c_str());
        StartDocPost(printer.get(), 0x2C);
        EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", 0x2C), &found), sixty);
    }
    {
        // The library leaves both fields empty: an empty name is published.
        testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", nullptr);
        testenv::ScopedEnv second(L"OEMUI_JOBINFO_SECOND", nullptr);
        StartDocPost(printer.get(), 0x2D);
        EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", 0x2D), &found), L"");
        EXPECT_TRUE(found);
    }
}

TEST_F(DocEventTest, MissingLibraryPublishesAnEmptyName) {
    InstallModel(L"No Job Library PS", L"No Job Library 1",
                 "JobInfoDLL=vrjobinf_absent.dll\r\nCOLORAPEXE=vrcolorap.exe\r\n");
    InstallModel(L"No Job Key PS", L"No Job Key 1", "COLORAPEXE=vrcolorap.exe\r\n");
    testenv::StandInLog log;
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Spreadsheet");
    for (const wchar_t* name : {L"No Job Library 1", L"No Job Key 1"}) {
        Printer printer(name);
        ASSERT_TRUE(printer);
        StartDocPost(printer.get(), 0x30);
        wchar_t sanitized[kNamePartChars + 1];
        SanitizePrinterName(name, sanitized, kNamePartChars + 1);
        bool found = false;
        EXPECT_EQ(ReadSection(SectionName(sanitized, 0x30), &found), L"") << name;
        EXPECT_TRUE(found) << name;
    }
    EXPECT_TRUE(LinesStartingWith(log, "GetPrintingApplication").empty());
}

TEST_F(DocEventTest, EachPrinterUsesItsOwnModelsLibrary) {
    // A printer of another model is looked at first; the colour printer's announcement must
    // still find its own model's library.
    InstallModel(L"Other Model PS", L"Other Model 1", "TabLinkName=x\r\n");
    Printer other(L"Other Model 1");
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(other);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Mailer");
    StartDocPost(other.get(), 0x31);
    StartDocPost(printer.get(), 0x31);
    bool found = false;
    EXPECT_EQ(ReadSection(SectionName(L"Other Model 1", 0x31), &found), L"");
    EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", 0x31), &found), L"Mailer");
}

TEST_F(DocEventTest, RealJobsAreAnnouncedUnderTheirIds) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Drawing");
    for (const wchar_t* datatype : {L"RAW", L"NT EMF 1.008"}) {
        PrintJob job(printer.get(), datatype);
        ASSERT_NE(job.id(), 0u) << "the spooler did not start a job: " << job.error();
        StartDocPost(printer.get(), job.id());
        bool found = false;
        EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", job.id()), &found), L"Drawing");
        EXPECT_TRUE(MutexIsFree(MutexName(L"Lab0Color01", job.id())));
    }
}

TEST_F(DocEventTest, AnnouncingAJobAgainUpdatesTheNameAndKeepsNoMoreHandles) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    const std::wstring section = SectionName(L"Lab0Color01", 0x32);
    {
        testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Before");
        StartDocPost(printer.get(), 0x32);
    }
    bool found = false;
    ASSERT_EQ(ReadSection(section, &found), L"Before");
    // Handle counts are not reported under Wine; a handle kept by the repeated announcements
    // would occupy the free slot a probe handle leaves, so the next probe would differ.
    HANDLE probe = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ASSERT_NE(probe, nullptr);
    CloseHandle(probe);
    {
        testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"After");
        StartDocPost(printer.get(), 0x32);
        StartDocPost(printer.get(), 0x32);
    }
    HANDLE again = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_EQ(again, probe);
    CloseHandle(again);
    EXPECT_EQ(ReadSection(section, &found), L"After");
    EXPECT_TRUE(MutexIsFree(MutexName(L"Lab0Color01", 0x32)));

    // A new job does keep its objects (so the probe's slot is taken).
    StartDocPost(printer.get(), 0x33);
    HANDLE third = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    EXPECT_NE(third, probe);
    CloseHandle(third);
}

TEST_F(DocEventTest, OnlyTheMostRecentJobsKeepTheirObjects) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Daylong");
    // More jobs than are kept: the oldest ones' objects go, the most recent ones' stay.
    constexpr DWORD kFirstJob = 0x5000;
    constexpr DWORD kReleased = 5;
    const DWORD jobs = static_cast<DWORD>(kKeptJobObjects) + kReleased;
    for (DWORD job = kFirstJob; job < kFirstJob + jobs; ++job) StartDocPost(printer.get(), job);
    for (DWORD job = kFirstJob; job < kFirstJob + jobs; ++job) {
        const bool kept = job >= kFirstJob + kReleased;
        bool found = false;
        const std::wstring text = ReadSection(SectionName(L"Lab0Color01", job), &found);
        EXPECT_EQ(found, kept) << std::hex << job;
        EXPECT_EQ(MutexExists(MutexName(L"Lab0Color01", job)), kept) << std::hex << job;
        if (kept) {
            EXPECT_EQ(text, L"Daylong") << std::hex << job;
        }
    }
}

TEST(DocEventPaths, PrintTimeSearchFindsItsOwnModelsLibrary) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Sheets");
    DWORD job = 0x6001;
    INT result = kNotWritten;
    EXPECT_EQ(HandleDocumentEvent(printer.get(), nullptr, DOCUMENTEVENT_STARTDOCPOST, sizeof(job),
                                  &job, 0, nullptr, &result),
              S_OK);
    bool found = false;
    EXPECT_EQ(ReadSection(SectionName(L"Lab0Color01", job), &found), L"Sheets");
}

TEST_F(DocEventTest, SharedPrinterPublishesLocallyUnderItsShareName) {
    ASSERT_TRUE(testenv::InstallPrinter(L"Lab Shared 1", testenv::kColorDriver));
    {
        PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
        HANDLE admin = nullptr;
        ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(L"Lab Shared 1"), &admin, &access));
        DWORD needed = 0;
        GetPrinterW(admin, 2, nullptr, 0, &needed);
        std::vector<BYTE> info(needed);
        ASSERT_TRUE(GetPrinterW(admin, 2, info.data(), needed, &needed));
        auto* p2 = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
        p2->Attributes |= PRINTER_ATTRIBUTE_SHARED;
        p2->pShareName = const_cast<wchar_t*>(L"LabShare");
        p2->pSecurityDescriptor = nullptr;
        EXPECT_TRUE(SetPrinterW(admin, 2, info.data(), 0));
        ClosePrinter(admin);
    }
    Printer printer(L"Lab Shared 1");
    ASSERT_TRUE(printer);
    DWORD needed = 0;
    GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
    std::vector<BYTE> info(needed);
    ASSERT_TRUE(GetPrinterW(printer.get(), 2, info.data(), needed, &needed));
    const auto* p2 = reinterpret_cast<const PRINTER_INFO_2W*>(info.data());
    ASSERT_NE(p2->Attributes & PRINTER_ATTRIBUTE_SHARED, 0u) << "the spooler did not share it";
    ASSERT_NE(p2->pShareName, nullptr);
    ASSERT_STREQ(p2->pShareName, L"LabShare");

    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Presenter");
    PrintJob job(printer.get(), L"NT EMF 1.008");
    ASSERT_NE(job.id(), 0u);
    StartDocPost(printer.get(), job.id());
    bool found = false;
    EXPECT_EQ(ReadSection(SectionName(L"LabShare", job.id()), &found), L"Presenter");
    EXPECT_TRUE(found);
    EXPECT_TRUE(MutexIsFree(MutexName(L"LabShare", job.id())));
    ReadSection(SectionName(L"Lab Shared 1", job.id()), &found);
    EXPECT_FALSE(found);
}

// ---------------------------------------------------------------------------------------------
// The colour utility when publishing fails

TEST_F(DocEventTest, FailedPublishingStartsTheUtilityAndLeavesNoObjects) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    testenv::ScopedEnv first(L"OEMUI_JOBINFO_FIRST", L"Spreadsheet");
    // Another kind of object holds the section's name: the section cannot be created.
    HANDLE blocker = CreateEventW(nullptr, TRUE, FALSE, SectionName(L"Lab0Color01", 0xC0).c_str());
    ASSERT_NE(blocker, nullptr);

    EXPECT_EQ(StartDocPost(printer.get(), 0xC0), kNotWritten);

    const std::vector<std::string> started = WaitForUtility(log, 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_EQ(started[0],
              "colorap 0 \"Spreadsheet\" \"\\\\.\\pipe\\Lab:Color/1\\000000c0\\AppInfo\"");
    // The mutex created for the attempt was not kept.
    EXPECT_FALSE(MutexExists(MutexName(L"Lab0Color01", 0xC0)));
    CloseHandle(blocker);
}

// A job's mutex or section that another owner made first is not written into: the name goes
// to the colour utility instead. Objects this user made (an earlier announcement) are used.
TEST_F(DocEventTest, JobObjectsOfAnotherOwnerAreNotUsed) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    // Owned by the Guests group: a SID this process's token does not hold as user or owner.
    BYTE guests[SECURITY_MAX_SID_SIZE];
    DWORD guestsSize = sizeof(guests);
    ASSERT_TRUE(CreateWellKnownSid(WinBuiltinGuestsSid, nullptr, guests, &guestsSize));
    SECURITY_DESCRIPTOR foreign;
    ASSERT_TRUE(InitializeSecurityDescriptor(&foreign, SECURITY_DESCRIPTOR_REVISION));
    ASSERT_TRUE(SetSecurityDescriptorOwner(&foreign, guests, FALSE));
    SECURITY_ATTRIBUTES foreignAttributes = {sizeof(foreignAttributes), &foreign, FALSE};

    const struct {
        const char* what;
        DWORD job;
        bool mutexForeign;
        bool sectionForeign;
        bool published;
    } cases[] = {
        {"foreign mutex", 0xD0, true, false, false},
        {"foreign section", 0xD1, false, true, false},
        {"both this user's", 0xD2, false, false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::wstring mutexName = MutexName(L"Lab0Color01", c.job);
        const std::wstring sectionName = SectionName(L"Lab0Color01", c.job);
        UniqueKernelHandle mutex(
            CreateMutexW(c.mutexForeign ? &foreignAttributes : nullptr, FALSE, mutexName.c_str()));
        UniqueKernelHandle section(CreateFileMappingW(
            INVALID_HANDLE_VALUE, c.sectionForeign ? &foreignAttributes : nullptr, PAGE_READWRITE,
            0, 4096, sectionName.c_str()));
        ASSERT_TRUE(mutex && section);
        EXPECT_EQ(OwnedByThisUserOrSystem(mutex.get()), !c.mutexForeign);
        EXPECT_EQ(OwnedByThisUserOrSystem(section.get()), !c.sectionForeign);
        EXPECT_EQ(PublishAppName(sectionName.c_str(), mutexName.c_str(), L"Writer", 6),
                  c.published);
        bool found = false;
        EXPECT_EQ(ReadSection(sectionName, &found) == L"Writer", c.published);
    }
}

TEST_F(DocEventTest, ModelWithoutUtilityStartsNothing) {
    InstallModel(L"No Utility PS", L"No Utility 1", "JobInfoDLL=vrjobinf.dll\r\n");
    Printer quiet(L"No Utility 1");
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(quiet);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    HANDLE quietBlocker =
        CreateEventW(nullptr, TRUE, FALSE, SectionName(L"No Utility 1", 0xC1).c_str());
    HANDLE blocker = CreateEventW(nullptr, TRUE, FALSE, SectionName(L"Lab0Color01", 0xC1).c_str());
    ASSERT_NE(quietBlocker, nullptr);
    ASSERT_NE(blocker, nullptr);

    StartDocPost(quiet.get(), 0xC1);
    StartDocPost(printer.get(), 0xC1);
    // Only the colour model's utility ran.
    const std::vector<std::string> started = WaitForUtility(log, 1);
    ASSERT_EQ(started.size(), 1u);
    EXPECT_NE(started[0].find("\\Lab:Color/1\\000000c1\\"), std::string::npos) << started[0];
    CloseHandle(quietBlocker);
    CloseHandle(blocker);
}

// ---------------------------------------------------------------------------------------------
// Names and command line

TEST(JobNames, SanitisedPrinterNames) {
    wchar_t out[kNamePartChars + 1];
    SanitizePrinterName(L"a\\b/c:d*e?f\"g<h>i|j", out, kNamePartChars + 1);
    EXPECT_STREQ(out, L"a0b0c0d0e0f0g0h0i0j");
    SanitizePrinterName(L"Lab Color 1 (Büro) #2", out, kNamePartChars + 1);
    EXPECT_STREQ(out, L"Lab Color 1 (Büro) #2");
    SanitizePrinterName(nullptr, out, kNamePartChars + 1);
    EXPECT_STREQ(out, L"");

    // Long names keep their first 1024 characters; a small buffer cuts further.
    const std::wstring longName = std::wstring(1000, L'n') + std::wstring(100, L':');
    SanitizePrinterName(longName.c_str(), out, kNamePartChars + 1);
    EXPECT_EQ(std::wstring(out), std::wstring(1000, L'n') + std::wstring(24, L'0'));
    wchar_t small[5];
    SanitizePrinterName(L"Lab:Color/1", small, 5);
    EXPECT_STREQ(small, L"Lab0");
}

TEST(JobNames, SectionAndMutexNames) {
    EXPECT_EQ(SectionName(L"Lab0Color01", 0x2A), L"Local\\Lab0Color010000002aA");
    EXPECT_EQ(MutexName(L"Lab0Color01", 0x2A), L"Local\\Lab0Color010000002aB");
    EXPECT_EQ(SectionName(L"P", 0xFFFFFFFF), L"Local\\PffffffffA");
    EXPECT_EQ(SectionName(L"", 7), L"Local\\00000007A");

    // The longest name still ends in the job id and its letter: section and mutex differ.
    const std::wstring longest(kNamePartChars, L'x');
    const std::wstring section = SectionName(longest, 0x2A);
    const std::wstring mutex = MutexName(longest, 0x2A);
    EXPECT_EQ(section, L"Local\\" + longest + L"0000002aA");
    EXPECT_EQ(section.size() + 1, kJobObjectNameChars);
    EXPECT_NE(section, mutex);
    // Beyond the bound the name part is cut, not the job id.
    EXPECT_EQ(SectionName(longest + L"yyy", 0x2A), section);

    wchar_t tooSmall[20] = L"sentinel";
    EXPECT_FALSE(FormatJobSectionName(L"Lab0Color01", 0x2A, tooSmall, 20));
    EXPECT_STREQ(tooSmall, L"");
}

TEST(JobNames, PipeNameForEachKindOfPrinter) {
    wchar_t out[kPipeNameChars];
    PipeNameFacts local;
    local.serverName = L"";
    local.printerName = L"Lab:Color/1";
    local.shareName = L"LabShare";
    local.driverName = L"Lab Color PS";
    local.osMajorVersion = 6;
    local.jobId = 0x2A;
    ASSERT_TRUE(ChoosePipeName(local, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\.\\pipe\\Lab:Color/1\\0000002a\\AppInfo");
    local.shared = true;
    ASSERT_TRUE(ChoosePipeName(local, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\.\\pipe\\LabShare\\0000002a\\AppInfo");
    local.serverName = nullptr;  // a printer without a server name is local too
    ASSERT_TRUE(ChoosePipeName(local, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\.\\pipe\\LabShare\\0000002a\\AppInfo");

    PipeNameFacts connection = local;
    connection.serverName = L"\\\\printhost";
    connection.printerName = L"\\\\printhost\\Lab:Color/1";
    connection.raw = true;
    connection.osMajorVersion = 6;
    ASSERT_TRUE(ChoosePipeName(connection, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\.\\pipe\\LabShare\\0000002a\\AppInfo");

    // Rendered on this machine (version 6+, no EMF despooling): the driver's pipe.
    connection.raw = false;
    ASSERT_TRUE(ChoosePipeName(connection, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\.\\pipe\\Lab Color PS\\AppInfo");

    // Rendered on the server: the server's pipe for the share and job.
    connection.emfDespooling = true;
    ASSERT_TRUE(ChoosePipeName(connection, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\printhost\\pipe\\LabShare\\0000002a\\AppInfo");
    connection.emfDespooling = false;
    connection.osMajorVersion = 5;
    ASSERT_TRUE(ChoosePipeName(connection, out, kPipeNameChars));
    EXPECT_STREQ(out, L"\\\\printhost\\pipe\\LabShare\\0000002a\\AppInfo");
}

TEST(JobNames, LongPipeNamesKeepTheirTailAndSmallBuffersFail) {
    PipeNameFacts facts;
    const std::wstring server = L"\\\\" + std::wstring(1200, L's');
    const std::wstring share(1200, L'h');
    facts.serverName = server.c_str();
    facts.shareName = share.c_str();
    facts.osMajorVersion = 5;
    facts.jobId = 0x2A;
    wchar_t out[kPipeNameChars];
    ASSERT_TRUE(ChoosePipeName(facts, out, kPipeNameChars));
    EXPECT_EQ(std::wstring(out), server.substr(0, kNamePartChars) + L"\\pipe\\" +
                                     share.substr(0, kNamePartChars) + L"\\0000002a\\AppInfo");
    EXPECT_EQ(wcslen(out) + 1, kPipeNameChars);

    // The longest pipe and application name still fit the command line in full.
    wchar_t command[kColorApCommandChars];
    const std::wstring app(kAppNameChars - 1, L'a');
    ASSERT_TRUE(FormatColorApCommandLine(app.c_str(), out, command, kColorApCommandChars));
    EXPECT_EQ(std::wstring(command), L"0 \"" + app + L"\" \"" + out + L"\"");
    EXPECT_EQ(wcslen(command) + 1, kColorApCommandChars);

    wchar_t small[16] = L"sentinel";
    EXPECT_FALSE(ChoosePipeName(facts, small, 16));
    EXPECT_STREQ(small, L"");
    EXPECT_FALSE(FormatColorApCommandLine(L"Writer", L"\\\\.\\pipe\\x", small, 16));
    EXPECT_STREQ(small, L"");
}

// Whatever a program calls itself, the utility's command line parses back into exactly three
// arguments: "0", the application's name (without quotes, without trailing backslashes) and the
// pipe.
TEST(JobNames, ColorUtilityCommandLineCannotBeSplit) {
    const std::wstring sixty(60, L'n');
    const struct {
        std::wstring app;
        std::wstring expected;
    } cases[] = {
        {L"Writer", L"Writer"},
        {L"Writer\\", L"Writer"},
        {L"Evil\\\\\\", L"Evil"},
        {L"Evil\" -x \"C:\\payload", L"Evil -x C:\\payload"},
        {L"\"\"\"", L""},
        {sixty.substr(0, 59) + L"\\tail", sixty.substr(0, 59)},  // the cut leaves a backslash
        {L"Dir\\Sub\\App", L"Dir\\Sub\\App"},                    // inner backslashes stay
    };
    const wchar_t pipe[] = L"\\\\.\\pipe\\LabShare\\0000002a\\AppInfo";
    for (const auto& c : cases) {
        wchar_t command[kColorApCommandChars];
        ASSERT_TRUE(FormatColorApCommandLine(c.app.c_str(), pipe, command, kColorApCommandChars));
        int count = 0;
        const std::wstring line = L"vrcolorap.exe " + std::wstring(command);
        LPWSTR* args = CommandLineToArgvW(line.c_str(), &count);
        ASSERT_NE(args, nullptr);
        EXPECT_EQ(count, 4) << testenv::Narrow(command);
        if (count == 4) {
            EXPECT_STREQ(args[1], L"0");
            EXPECT_EQ(std::wstring(args[2]), c.expected) << testenv::Narrow(command);
            EXPECT_STREQ(args[3], pipe);
        }
        LocalFree(args);
    }
    wchar_t command[kColorApCommandChars] = L"sentinel";
    EXPECT_FALSE(
        FormatColorApCommandLine(L"Writer", L"\\\\.\\pipe\\a\" b", command, kColorApCommandChars));
    EXPECT_STREQ(command, L"");
}

TEST(JobNames, ApplicationNameFromTheRecord) {
    PrintingAppRecord record = {};
    wchar_t name[kAppNameChars];
    AppNameFromRecord(record, name, kAppNameChars);
    EXPECT_STREQ(name, L"");

    memcpy(record.second, "Writer", 6);
    AppNameFromRecord(record, name, kAppNameChars);
    EXPECT_STREQ(name, L"Writer");

    memcpy(record.first, "Spreadsheet", 11);
    AppNameFromRecord(record, name, kAppNameChars);
    EXPECT_STREQ(name, L"Spreadsheet");

    // A full first field has no NUL: exactly its 60 characters, nothing of the second field.
    memset(record.first, 'F', sizeof(record.first));
    AppNameFromRecord(record, name, kAppNameChars);
    EXPECT_EQ(std::wstring(name), std::wstring(60, L'F'));
    // A smaller output buffer keeps the beginning.
    wchar_t small[8];
    AppNameFromRecord(record, small, 8);
    EXPECT_EQ(std::wstring(small), std::wstring(7, L'F'));
}
