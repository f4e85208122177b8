// Configuration lookups against drivers installed through the real spooler.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/config.h"
#include "tests/support/testprinters.h"

using namespace oemui;
using testenv::DriverFile;
using testenv::Printer;
using testenv::TestDriver;

namespace {

std::wstring Lower(std::wstring s) {
    for (auto& c : s) c = towlower(c);
    return s;
}

bool EndsWith(const std::wstring& s, const std::wstring& tail) {
    return s.size() >= tail.size() && Lower(s.substr(s.size() - tail.size())) == Lower(tail);
}

// Installs a driver with the given dependent files and one printer for it.
void InstallModel(const std::wstring& driver, const std::wstring& printer,
                  const std::vector<DriverFile>& files) {
    TestDriver d;
    d.name = driver;
    d.dependentFiles = files;
    ASSERT_TRUE(testenv::InstallDriver(d));
    ASSERT_TRUE(testenv::InstallPrinter(printer, driver));
}

const char kIniWithConfig[] = "[OEMFiles]\r\nOEMConfigFile1=vroemui.dll\r\n";
const char kIniEmptyConfig[] = "[OEMFiles]\r\nOEMConfigFile1=\r\n";

}  // namespace

TEST(DependentFiles, SamplePrinterFindsCapabilityAndPluginIni) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    wchar_t ini[kPathChars] = {};
    wchar_t capability[kPathChars] = {};
    EXPECT_TRUE(FindDependentFilesInto(printer.get(), ini, capability));
    const std::wstring dir = Lower(testenv::DriverDirectory3());
    EXPECT_EQ(Lower(ini), dir + L"\\vroemui.ini");
    EXPECT_EQ(Lower(capability), dir + L"\\vrlab.cap");

    wchar_t ver[kPathChars] = {};
    EXPECT_TRUE(FindVersionFile(printer.get(), ver));
    EXPECT_EQ(Lower(ver), dir + L"\\vrlab.ver");
}

TEST(DependentFiles, MixedCaseNamesAndLaterWins) {
    InstallModel(L"Mixed Case PS", L"Mixed Case 1",
                 {{L"first.cap", "[Capability]\r\n"},
                  {L"Early.ini", kIniWithConfig},
                  {L"A.INI", kIniWithConfig},
                  {L"b.Cap", "[Capability]\r\n"},
                  {L"z.ini", kIniEmptyConfig},
                  {L"notes.txt", "not a configuration file"}});
    Printer printer(L"Mixed Case 1");
    ASSERT_TRUE(printer);
    wchar_t ini[kPathChars] = {};
    wchar_t capability[kPathChars] = {};
    EXPECT_TRUE(FindDependentFilesInto(printer.get(), ini, capability));
    // The last qualifying .ini wins; z.ini does not qualify (empty OEMConfigFile1).
    EXPECT_TRUE(EndsWith(ini, L"\\A.INI")) << ini;
    EXPECT_TRUE(EndsWith(capability, L"\\b.Cap")) << capability;
    wchar_t ver[kPathChars] = L"untouched";
    EXPECT_FALSE(FindVersionFile(printer.get(), ver));
    EXPECT_STREQ(ver, L"untouched");
}

TEST(DependentFiles, IniWithEmptyConfigKeyCountsButLeavesOutputAlone) {
    InstallModel(L"Empty Config PS", L"Empty Config 1", {{L"plain.ini", kIniEmptyConfig}});
    Printer printer(L"Empty Config 1");
    ASSERT_TRUE(printer);
    wchar_t capability[kPathChars] = L"stale";
    wchar_t ini[kPathChars] = L"sentinel";
    EXPECT_TRUE(FindDependentFilesInto(printer.get(), ini, capability));
    EXPECT_STREQ(ini, L"sentinel");
    EXPECT_STREQ(capability, L"") << "every search starts by emptying the path";
}

TEST(DependentFiles, DriverWithoutConfigurationFilesReportsNothing) {
    InstallModel(L"Bare PS", L"Bare 1", {{L"readme.txt", "nothing"}});
    Printer printer(L"Bare 1");
    ASSERT_TRUE(printer);
    wchar_t ini[kPathChars] = L"sentinel";
    wchar_t capability[kPathChars] = L"stale";
    EXPECT_FALSE(FindDependentFilesInto(printer.get(), ini, capability));
    EXPECT_STREQ(ini, L"sentinel");
    EXPECT_STREQ(capability, L"");
}

TEST(DependentFileList, OverlongNamesAreSkippedAndLongListsTruncated) {
    std::vector<std::wstring> seen;
    auto collect = [&](const wchar_t* name, size_t len) { seen.emplace_back(name, len); };

    // A 259-character name fits a path buffer; 260 does not and is skipped.
    std::wstring list = std::wstring(259, L'a') + L'\0' + std::wstring(260, L'b') + L'\0' +
                        L"c.ini" + L'\0' + L'\0';
    EXPECT_EQ(WalkDependentFileList(list.data(), list.size(), collect), 2u);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].size(), 259u);
    EXPECT_EQ(seen[1], L"c.ini");

    // 20 names of 200 characters: only the names that end inside 3072 characters are seen.
    seen.clear();
    std::wstring longList;
    for (int i = 0; i < 20; ++i) {
        longList += std::wstring(199, static_cast<wchar_t>(L'a' + i)) + L"x";
        longList.push_back(L'\0');
    }
    longList.push_back(L'\0');
    WalkDependentFileList(longList.data(), longList.size(), collect);
    EXPECT_EQ(seen.size(), 3072u / 201u);
    for (const auto& name : seen) EXPECT_EQ(name.size(), 200u);

    // A list that is not terminated inside the readable block stops at the block's end.
    seen.clear();
    std::wstring unterminated = L"one.cap";
    unterminated.push_back(L'\0');
    unterminated += L"two.ini";  // no NUL: readable characters end here
    WalkDependentFileList(unterminated.data(), unterminated.size(), collect);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], L"one.cap");

    EXPECT_EQ(WalkDependentFileList(nullptr, 10, collect), 0u);
}

TEST(ModelLookups, SampleModelsResolveTheirSections) {
    Printer color(testenv::kColorPrinter);
    ASSERT_TRUE(color);
    ASSERT_TRUE(FindDependentFiles(color.get(), nullptr));
    wchar_t section[kShortValueChars] = {};
    EXPECT_TRUE(ResolveModelSection(color.get(), section, kShortValueChars));
    EXPECT_STREQ(section, L"LabColor");

    wchar_t value[kIniStringChars] = {};
    DWORD chars = kIniStringChars;
    GetModelString(color.get(), L"CryptoDll", value, &chars);
    EXPECT_STREQ(value, L"vrcrypt.dll");
    EXPECT_EQ(chars, 11u);
    EXPECT_EQ(GetModelInt(color.get(), L"DEFAULT_PAPER_SOURCE"), 15u);

    // A small buffer truncates without overflow.
    wchar_t small[6] = {L'#', L'#', L'#', L'#', L'#', L'#'};
    chars = 5;
    GetModelString(color.get(), L"CryptoDll", small, &chars);
    EXPECT_STREQ(small, L"vrcr");
    EXPECT_EQ(small[5], L'#');

    Printer mono(testenv::kMonoPrinter);
    ASSERT_TRUE(mono);
    ASSERT_TRUE(FindDependentFiles(mono.get(), nullptr));
    EXPECT_EQ(GetModelInt(mono.get(), L"DEFAULT_PAPER_SIZE"), 1u);
    chars = kIniStringChars;
    GetModelString(mono.get(), L"SwatchRegPath", value, &chars);
    EXPECT_STREQ(value, L"");
}

TEST(ModelLookups, DriverMissingFromCapabilityGivesEveryDefault) {
    InstallModel(L"Unlisted PS", L"Unlisted 1",
                 {{L"vrlab.cap", testenv::SampleFile(host::kCapabilityFileName)},
                  {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)}});
    Printer printer(L"Unlisted 1");
    ASSERT_TRUE(printer);
    ASSERT_TRUE(FindDependentFiles(printer.get(), nullptr));
    wchar_t section[kShortValueChars] = L"x";
    EXPECT_FALSE(ResolveModelSection(printer.get(), section, kShortValueChars));
    EXPECT_STREQ(section, L"");
    for (const wchar_t* key : {L"JobInfoDLL", L"COLORAPEXE", L"AskVaroURL", L"AskVaroRES",
                               L"TabLinkName", L"CryptoDll", L"CARD_DLL", L"NetExtDLL",
                               L"USBExtDLL", L"USBExtDAT", L"CCMInfoFile", L"SwatchRegPath"}) {
        wchar_t value[kIniStringChars] = L"x";
        DWORD chars = kIniStringChars;
        GetModelString(printer.get(), key, value, &chars);
        EXPECT_STREQ(value, L"") << key;
        EXPECT_EQ(chars, 0u) << key;
    }
    EXPECT_EQ(static_cast<INT>(GetModelInt(printer.get(), L"PSOutputOpt", -1)), -1);
    EXPECT_EQ(GetModelInt(printer.get(), L"DEFAULT_PAPER_SIZE"), 0u);
    EXPECT_EQ(GetModelInt(printer.get(), L"DEFAULT_PAPER_SOURCE"), 0u);
    EXPECT_EQ(GetModelInt(printer.get(), L"Compression"), 0u);
}

TEST(ModelLookups, CompressionBits) {
    Printer color(testenv::kColorPrinter);
    ASSERT_TRUE(color);
    ASSERT_TRUE(FindDependentFiles(color.get(), nullptr));
    const UINT colorValue = GetModelInt(color.get(), L"Compression");
    EXPECT_EQ(colorValue, 0x0301u);
    EXPECT_TRUE(CompressionOffered(colorValue));
    EXPECT_EQ(CompressionDefaultIndex(colorValue), 3u);
    EXPECT_EQ(CompressionLevelFor(colorValue), 1);

    Printer mono(testenv::kMonoPrinter);
    ASSERT_TRUE(mono);
    ASSERT_TRUE(FindDependentFiles(mono.get(), nullptr));
    const UINT monoValue = GetModelInt(mono.get(), L"Compression");
    EXPECT_EQ(monoValue, 0x0500u);
    EXPECT_FALSE(CompressionOffered(monoValue));
    EXPECT_EQ(CompressionLevelFor(monoValue), 2);

    const WORD expected[16] = {0, 1, 1, 1, 2, 2, 2, 3, 3, 3, 3, 3, 3, 3, 3, 3};
    for (UINT index = 0; index < 16; ++index) {
        EXPECT_EQ(CompressionLevelFor(index << 8 | 1u), expected[index]) << index;
    }
    EXPECT_EQ(CompressionLevelFor(0xFFFFFFFFu), 3);
}

TEST(DriverFilePath, BuildsIntoTheVersion3Directory) {
    const std::wstring dir3 = testenv::DriverDirectory3();
    ASSERT_FALSE(dir3.empty());
    wchar_t out[kPathChars] = {};
    DWORD bytes = sizeof(out);
    ASSERT_TRUE(BuildDriverFilePath(out, &bytes, L"x.dll", 3));
    const std::wstring expected = dir3 + L"\\x.dll";
    EXPECT_EQ(std::wstring(out), expected);
    EXPECT_EQ(bytes, expected.size() * sizeof(wchar_t));

    // Exactly enough room for the path and its NUL succeeds.
    std::vector<wchar_t> exact(expected.size() + 1, L'#');
    bytes = static_cast<DWORD>(exact.size() * sizeof(wchar_t));
    EXPECT_TRUE(BuildDriverFilePath(exact.data(), &bytes, L"x.dll", 3));
    EXPECT_EQ(std::wstring(exact.data()), expected);

    // One character less fails and reports the length of the directory part.
    std::vector<wchar_t> tight(expected.size() + 2, L'#');
    bytes = static_cast<DWORD>((expected.size()) * sizeof(wchar_t));
    EXPECT_FALSE(BuildDriverFilePath(tight.data(), &bytes, L"x.dll", 3));
    EXPECT_EQ(std::wstring(tight.data()), dir3);
    EXPECT_EQ(bytes, dir3.size() * sizeof(wchar_t));
    EXPECT_EQ(tight[expected.size()], L'#') << "nothing written past the buffer";

    // An odd byte count must not let the terminating NUL spill over.
    std::vector<wchar_t> odd(expected.size() + 2, L'#');
    bytes = static_cast<DWORD>(expected.size() * sizeof(wchar_t) + 1);
    EXPECT_FALSE(BuildDriverFilePath(odd.data(), &bytes, L"x.dll", 3));
    EXPECT_EQ(odd[expected.size()], L'#');

    // A buffer that cannot even hold the directory fails cleanly.
    wchar_t tiny[4] = {L'#', L'#', L'#', L'#'};
    bytes = sizeof(tiny);
    EXPECT_FALSE(BuildDriverFilePath(tiny, &bytes, L"x.dll", 3));

    // Names over the path limit are refused, not truncated into a wrong path.
    const std::wstring longName(300, L'n');
    bytes = sizeof(out);
    EXPECT_FALSE(BuildDriverFilePath(out, &bytes, longName.c_str(), 3));
    EXPECT_EQ(std::wstring(out), dir3);

    bytes = sizeof(out);
    EXPECT_FALSE(BuildDriverFilePath(out, &bytes, L"x.dll", 1)) << "only mode 3 exists";
}

TEST(InstalledOptions, FileLivesInTheWindowsDirectory) {
    wchar_t path[kPathChars] = {};
    ASSERT_TRUE(InstalledOptionsFilePath(path, kPathChars));
    EXPECT_EQ(std::wstring(path), testenv::WindowsDirectory() + L"\\varoopt.dat");
    DeleteFileW(path);
    EXPECT_FALSE(InstalledOptionsFileReadable(path));
    ASSERT_TRUE(testenv::WriteFileBytes(path, "[Lab:Color/1]\r\nInstalled=32\r\n"));
    EXPECT_TRUE(InstalledOptionsFileReadable(path));
    EXPECT_EQ(GetPrivateProfileIntW(L"Lab:Color/1", L"Installed", 0, path), 32u);
    DeleteFileW(path);

    wchar_t small[8] = {};
    EXPECT_FALSE(InstalledOptionsFilePath(small, 8));
    EXPECT_STREQ(small, L"");
}

// From BeginSheetDriverCache on, model values of the sheet's printer come from one read of the
// driver information and of the model section: every value must read exactly as the file
// gives it to GetPrivateProfileStringW, whatever its quotes, spaces, case or the buffer size.
TEST(SheetDriverCache, ModelValuesReadAsTheFileGivesThem) {
    InstallModel(L"Quoting PS", L"Quoting 1",
                 {{L"quoting.cap",
                   "[Capability]\r\nQuoting PS=Quoting\r\n"
                   "[Quoting]\r\n"
                   "Plain=vrcrypt.dll\r\n"
                   "Spaced  =   padded value   \r\n"
                   "Double=\"double quoted\"\r\n"
                   "Single='single quoted'\r\n"
                   "Mixed=\"half'\r\n"
                   "Lone=\"\r\n"
                   "EmptyQuotes=\"\"\r\n"
                   "Empty=\r\n"
                   "NoEquals\r\n"
                   "Twice=first\r\n"
                   "Twice=second\r\n"
                   "MiXeD CaSe=Value\r\n"
                   "; Commented=never\r\n"
                   "Equals=a=b\r\n"},
                  {L"quoting.ini", kIniWithConfig}});
    Printer printer(L"Quoting 1");
    ASSERT_TRUE(printer);
    const wchar_t* keys[] = {L"Plain",     L"Spaced", L"Double",      L"Single",
                             L"Mixed",     L"Lone",   L"EmptyQuotes", L"Empty",
                             L"NoEquals",  L"Twice",  L"mixed case",  L"; Commented",
                             L"Commented", L"Equals", L"Absent",      L""};
    for (const DWORD capacity : {DWORD{2}, DWORD{3}, DWORD{5}, DWORD{8}, kIniStringChars}) {
        for (const wchar_t* key : keys) {
            ASSERT_TRUE(FindDependentFiles(printer.get(), nullptr));
            wchar_t fromFile[kIniStringChars] = {};
            DWORD fileChars = capacity;
            GetModelString(printer.get(), key, fromFile, &fileChars);

            BeginSheetDriverCache(printer.get());
            wchar_t fromSheet[kIniStringChars] = {};
            DWORD sheetChars = capacity;
            GetModelString(printer.get(), key, fromSheet, &sheetChars);
            // A second look-up reads the kept copy.
            wchar_t again[kIniStringChars] = {};
            DWORD againChars = capacity;
            GetModelString(printer.get(), key, again, &againChars);
            EndSheetDriverCache();

            EXPECT_STREQ(fromSheet, fromFile) << key << " in " << capacity;
            EXPECT_EQ(sheetChars, fileChars) << key << " in " << capacity;
            EXPECT_STREQ(again, fromFile) << key << " in " << capacity;
            EXPECT_EQ(againChars, fileChars) << key << " in " << capacity;
        }
    }
}

// Only the sheet's own printer handle reads the kept copy: another printer's look-ups, during
// the sheet and after it, give that printer's own values.
TEST(SheetDriverCache, AnotherPrinterNeverSeesTheSheetsValues) {
    Printer color(testenv::kColorPrinter);
    Printer mono(testenv::kMonoPrinter);
    ASSERT_TRUE(color);
    ASSERT_TRUE(mono);
    auto read = [](HANDLE printer, const wchar_t* key) {
        wchar_t value[kIniStringChars] = {};
        DWORD chars = kIniStringChars;
        if (!FindDependentFiles(printer, nullptr)) return std::wstring(L"<no files>");
        wchar_t section[kShortValueChars] = {};
        ResolveModelSection(printer, section, kShortValueChars);
        GetModelString(printer, key, value, &chars);
        return std::wstring(section) + L"/" + value;
    };
    const wchar_t* keys[] = {L"CryptoDll", L"SwatchRegPath", L"TabLinkName", L"CCMInfoFile"};
    std::vector<std::wstring> colorValues, monoValues;
    for (const wchar_t* key : keys) {
        colorValues.push_back(read(color.get(), key));
        monoValues.push_back(read(mono.get(), key));
    }
    ASSERT_NE(colorValues, monoValues) << "the two models must differ for this test to mean much";

    BeginSheetDriverCache(color.get());
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "sheet printer";
        EXPECT_EQ(read(mono.get(), keys[i]), monoValues[i]) << "other printer during the sheet";
        EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "sheet printer after the other";
    }
    // One operation on the other printer during the sheet sets the sheet's copy aside.
    {
        const DriverInfoScope operation(mono.get());
        for (size_t i = 0; i < std::size(keys); ++i) {
            EXPECT_EQ(read(mono.get(), keys[i]), monoValues[i]) << "operation's printer";
            EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "sheet printer during it";
        }
    }
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "sheet printer after it";
        EXPECT_EQ(read(mono.get(), keys[i]), monoValues[i]) << "operation's printer after it";
    }
    // The next sheet is the other printer's: the first printer's values are not carried over.
    BeginSheetDriverCache(mono.get());
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(read(mono.get(), keys[i]), monoValues[i]) << "new sheet printer";
        EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "earlier sheet's printer";
    }
    EndSheetDriverCache();
    for (size_t i = 0; i < std::size(keys); ++i) {
        EXPECT_EQ(read(color.get(), keys[i]), colorValues[i]) << "after the sheet";
    }
}

namespace {

// One thread's part in the test below: a sheet (process-wide path, holding the cache around
// each round) or a print path (its own path, one operation's scope per round).
struct ReaderJob {
    HANDLE printer;
    bool asSheet;
    const wchar_t* const* keys;
    const std::vector<std::wstring>* expected;
    LONG mismatches = 0;
};

std::wstring ReadForJob(const ReaderJob& job, const wchar_t* key) {
    wchar_t path[kPathChars] = {};
    wchar_t value[kIniStringChars] = {};
    DWORD chars = kIniStringChars;
    if (!job.asSheet) {
        if (!FindDependentFilesInto(job.printer, nullptr, path)) return L"<no files>";
        GetModelStringIn(path, job.printer, key, value, &chars);
    } else {
        if (!FindDependentFiles(job.printer, nullptr)) return L"<no files>";
        GetModelString(job.printer, key, value, &chars);
    }
    return value;
}

DWORD WINAPI RunReaderJob(void* param) {
    ReaderJob& job = *static_cast<ReaderJob*>(param);
    for (int round = 0; round < 150; ++round) {
        if (job.asSheet) BeginSheetDriverCache(job.printer);
        {
            const DriverInfoScope operation(job.asSheet ? nullptr : job.printer);
            for (size_t i = 0; i < job.expected->size(); ++i) {
                if (ReadForJob(job, job.keys[i]) != (*job.expected)[i]) ++job.mismatches;
            }
        }
        if (job.asSheet) EndSheetDriverCache();
    }
    return 0;
}

}  // namespace

// A printing thread's look-ups (DevMode and the document events run there) while a sheet on
// another thread holds the cache: each thread reads its own printer's values, every time.
TEST(SheetDriverCache, PrintingThreadAndSheetThreadKeepTheirOwnValues) {
    Printer color(testenv::kColorPrinter);
    Printer mono(testenv::kMonoPrinter);
    ASSERT_TRUE(color);
    ASSERT_TRUE(mono);
    const wchar_t* keys[] = {L"CryptoDll", L"SwatchRegPath", L"TabLinkName", L"CCMInfoFile"};
    std::vector<std::wstring> sheetValues, printingValues;
    ReaderJob jobs[] = {{color.get(), true, keys, &sheetValues},
                        {mono.get(), false, keys, &printingValues}};
    for (const wchar_t* key : keys) {
        sheetValues.push_back(ReadForJob(jobs[0], key));
        printingValues.push_back(ReadForJob(jobs[1], key));
    }
    ASSERT_NE(sheetValues, printingValues);

    HANDLE threads[2] = {};
    for (int t = 0; t < 2; ++t) {
        threads[t] = CreateThread(nullptr, 0, &RunReaderJob, &jobs[t], 0, nullptr);
        ASSERT_NE(threads[t], nullptr);
    }
    WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    for (HANDLE thread : threads) CloseHandle(thread);
    EXPECT_EQ(jobs[0].mismatches, 0) << "sheet thread";
    EXPECT_EQ(jobs[1].mismatches, 0) << "printing thread";
}

namespace {

struct AliasFromOtherThread {
    HANDLE sheetPrinter;
    HANDLE alias;
    bool registered = true;
    std::wstring section;
};

std::wstring SectionOf(HANDLE printer) {
    wchar_t section[kShortValueChars] = {};
    if (!FindDependentFiles(printer, nullptr)) return L"<no files>";
    ResolveModelSection(printer, section, kShortValueChars);
    return section;
}

DWORD WINAPI TryAliasOnOtherThread(void* param) {
    auto& attempt = *static_cast<AliasFromOtherThread*>(param);
    attempt.registered = AliasSheetPrinter(attempt.sheetPrinter, attempt.alias);
    attempt.section = SectionOf(attempt.alias);
    return 0;
}

}  // namespace

// A second handle on the sheet's printer reads the sheet's copy while it is registered, and
// only then. The model section is changed in the file during the sheet: the sheet's copy keeps
// the first answer, a handle reading for itself sees the new one.
TEST(SheetDriverCache, SecondHandleReadsTheSheetsCopyOnlyWhileAliased) {
    InstallModel(
        L"Alias PS", L"Alias 1",
        {{L"alias.cap", "[Capability]\r\nAlias PS=First\r\n"}, {L"alias.ini", kIniWithConfig}});
    const std::wstring cap = testenv::DriverDirectory3() + L"\\alias.cap";
    Printer tree(L"Alias 1");
    Printer second(L"Alias 1");
    Printer other(testenv::kColorPrinter);
    ASSERT_TRUE(tree);
    ASSERT_TRUE(second);
    ASSERT_TRUE(other);
    const std::wstring otherSection = SectionOf(other.get());
    ASSERT_NE(otherSection, L"");

    BeginSheetDriverCache(tree.get());
    EXPECT_EQ(SectionOf(tree.get()), L"First");
    ASSERT_TRUE(testenv::WriteFileBytes(cap, "[Capability]\r\nAlias PS=Second\r\n"));
    EXPECT_EQ(SectionOf(tree.get()), L"First");
    EXPECT_EQ(SectionOf(second.get()), L"Second") << "not registered";

    struct Refused {
        HANDLE sheetPrinter;
        HANDLE alias;
        const char* why;
    };
    for (const Refused& r : {Refused{other.get(), second.get(), "not the sheet's printer"},
                             Refused{tree.get(), nullptr, "no handle"},
                             Refused{tree.get(), tree.get(), "the sheet's own handle"}}) {
        EXPECT_FALSE(AliasSheetPrinter(r.sheetPrinter, r.alias)) << r.why;
    }
    AliasFromOtherThread attempt{tree.get(), second.get()};
    HANDLE thread = CreateThread(nullptr, 0, &TryAliasOnOtherThread, &attempt, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_FALSE(attempt.registered) << "a thread that does not hold the cache";
    EXPECT_EQ(SectionOf(second.get()), L"Second");

    ASSERT_TRUE(AliasSheetPrinter(tree.get(), second.get()));
    EXPECT_FALSE(AliasSheetPrinter(tree.get(), other.get())) << "one alias at a time";
    EXPECT_EQ(SectionOf(second.get()), L"First");
    EXPECT_EQ(SectionOf(other.get()), otherSection);
    attempt = AliasFromOtherThread{tree.get(), second.get()};
    thread = CreateThread(nullptr, 0, &TryAliasOnOtherThread, &attempt, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(attempt.section, L"Second") << "another thread reads for itself";
    DropSheetPrinterAlias(second.get());
    EXPECT_EQ(SectionOf(second.get()), L"Second") << "dropped";
    EXPECT_EQ(SectionOf(tree.get()), L"First");

    // An operation on another printer sets the sheet's copy aside: the alias does not come
    // back with it, its owner may have closed the handle in between.
    ASSERT_TRUE(AliasSheetPrinter(tree.get(), second.get()));
    { const DriverInfoScope operation(other.get()); }
    EXPECT_EQ(SectionOf(second.get()), L"Second") << "after an operation";
    EXPECT_EQ(SectionOf(tree.get()), L"First");

    // The sheet's end drops it; the next sheet's printer does not take it.
    ASSERT_TRUE(AliasSheetPrinter(tree.get(), second.get()));
    EndSheetDriverCache();
    EXPECT_EQ(SectionOf(second.get()), L"Second") << "after the sheet";
    BeginSheetDriverCache(other.get());
    EXPECT_FALSE(AliasSheetPrinter(tree.get(), second.get())) << "the next sheet's";
    EndSheetDriverCache();
}
