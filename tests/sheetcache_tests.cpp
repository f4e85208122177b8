// What a sheet keeps of its configuration files and what the plug-in keeps of the encryption
// library's defaults: every answer must be the one a direct read gives, for the file, section,
// printer and moment it was asked for.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/config.h"
#include "base/cipherset.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"

using namespace oemui;
using testenv::Printer;

namespace {

// A configuration file of the test's own, in the temporary folder, removed at the end.
class TempIni {
public:
    explicit TempIni(const wchar_t* name) {
        wchar_t folder[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + name;
    }
    ~TempIni() { DeleteFileW(path_.c_str()); }
    TempIni(const TempIni&) = delete;
    TempIni& operator=(const TempIni&) = delete;

    void Write(const std::string& content) const {
        ASSERT_TRUE(testenv::WriteFileBytes(path_, content));
    }
    const wchar_t* path() const { return path_.c_str(); }

private:
    std::wstring path_;
};

// The sheet's thread holds the cache from here to the end of the scope.
class SheetScope {
public:
    explicit SheetScope(HANDLE printer) { BeginSheetDriverCache(printer); }
    ~SheetScope() { EndSheetDriverCache(); }
    SheetScope(const SheetScope&) = delete;
    SheetScope& operator=(const SheetScope&) = delete;
};

struct Read {
    std::wstring text;
    DWORD chars;
    bool operator==(const Read& other) const { return text == other.text && chars == other.chars; }
};

Read DirectString(const wchar_t* section, const wchar_t* key, DWORD capacity, const wchar_t* file) {
    std::vector<wchar_t> out(capacity + 1, L'#');
    const DWORD chars = GetPrivateProfileStringW(section, key, L"", out.data(), capacity, file);
    return {out.data(), chars};
}

Read KeptString(const wchar_t* section, const wchar_t* key, DWORD capacity, const wchar_t* file) {
    std::vector<wchar_t> out(capacity + 1, L'#');
    const DWORD chars = SheetProfileString(section, key, out.data(), capacity, file);
    return {out.data(), chars};
}

std::string Narrow(const std::wstring& text) { return testenv::Narrow(text); }

const char kTrickyIni[] =
    "; leading comment\r\n"
    "[Values]\r\n"
    "Plain=text\r\n"
    "Spaced  =   padded value   \r\n"
    "Double=\"double quoted\"\r\n"
    "Single='single'\r\n"
    "Lone=\"\r\n"
    "Empty=\r\n"
    "NoEquals\r\n"
    "Twice=first\r\n"
    "Twice=second\r\n"
    "MiXeD=Case\r\n"
    "; Hidden=comment\r\n"
    "Equals=a=b\r\n"
    "Long=0123456789abcdefghijklmnopqrstuvwxyz\r\n"
    "Number=42\r\n"
    "Zeros=007\r\n"
    "Negative=-5\r\n"
    "Signed=+3\r\n"
    "Hex=0x10\r\n"
    "Trailing=12abc\r\n"
    "Huge=99999999999\r\n"
    "Max=4294967295\r\n"
    "Nine=999999999\r\n"
    "Quoted=\"7\"\r\n"
    "Blank=   \r\n"
    "Letters=abc\r\n"
    "[values]\r\n"
    "Plain=a second section of the same name\r\n"
    "Later=only here\r\n"
    "[Other]\r\n"
    "Plain=other section\r\n";

}  // namespace

// Every key, section and buffer size reads through the sheet's copy exactly as the file gives
// it: strings with their length, integers with the caller's default.
TEST(SheetProfile, ReadsMatchTheFileForEveryKeyAndSize) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    TempIni ini(L"oemui_sheetprofile.ini");
    ini.Write(kTrickyIni);

    const wchar_t* sections[] = {L"Values", L"VALUES", L"Other", L"Absent"};
    const wchar_t* keys[] = {L"Plain",    L"Spaced", L"Double",  L"Single",   L"Lone",   L"Empty",
                             L"NoEquals", L"Twice",  L"mixed",   L"; Hidden", L"Hidden", L"Equals",
                             L"Long",     L"Number", L"Zeros",   L"Negative", L"Signed", L"Hex",
                             L"Trailing", L"Huge",   L"Max",     L"Nine",     L"Quoted", L"Blank",
                             L"Letters",  L"Later",  L"Missing", L""};
    const DWORD capacities[] = {1, 2, 3, 5, 8, kIniStringChars};
    for (const wchar_t* section : sections) {
        for (const wchar_t* key : keys) {
            std::vector<Read> direct;
            for (const DWORD capacity : capacities) {
                direct.push_back(DirectString(section, key, capacity, ini.path()));
            }
            const UINT directInt = GetPrivateProfileIntW(section, key, 77, ini.path());
            const UINT directIntNegative = GetPrivateProfileIntW(section, key, -1, ini.path());

            const SheetScope sheet(printer.get());
            for (int round = 0; round < 2; ++round) {  // the second round reads the kept copy
                for (size_t i = 0; i < std::size(capacities); ++i) {
                    const Read kept = KeptString(section, key, capacities[i], ini.path());
                    EXPECT_EQ(Narrow(kept.text), Narrow(direct[i].text))
                        << Narrow(section) << "/" << Narrow(key) << " in " << capacities[i];
                    EXPECT_EQ(kept.chars, direct[i].chars)
                        << Narrow(section) << "/" << Narrow(key) << " in " << capacities[i];
                }
                EXPECT_EQ(SheetProfileInt(section, key, 77, ini.path()), directInt)
                    << Narrow(section) << "/" << Narrow(key);
                EXPECT_EQ(SheetProfileInt(section, key, -1, ini.path()), directIntNegative)
                    << Narrow(section) << "/" << Narrow(key);
            }
        }
    }
}

// A section too large to keep, and a missing file, still read as the file gives them.
TEST(SheetProfile, LargeSectionsAndMissingFilesReadAsTheFileGivesThem) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    TempIni ini(L"oemui_sheetprofile_large.ini");
    std::string content = "[Big]\r\n";
    for (int i = 0; i < 3000; ++i)
        content += "Key" + std::to_string(i) + "=value number " + std::to_string(i) + "\r\n";
    ini.Write(content);
    TempIni missing(L"oemui_sheetprofile_never_written.ini");

    const SheetScope sheet(printer.get());
    for (const wchar_t* key : {L"Key0", L"Key1500", L"Key2999", L"Key3000"}) {
        EXPECT_EQ(KeptString(L"Big", key, kIniStringChars, ini.path()),
                  DirectString(L"Big", key, kIniStringChars, ini.path()))
            << Narrow(key);
    }
    EXPECT_EQ(SheetProfileInt(L"Big", L"Key5", 9, ini.path()), 0u) << "\"value number 5\"";
    EXPECT_EQ(KeptString(L"Big", L"Key0", kIniStringChars, missing.path()), (Read{L"", 0}));
    EXPECT_EQ(SheetProfileInt(L"Big", L"Key0", 9, missing.path()), 9u);
}

// Two files with the same section and keys: each read gives its own file's value, during the
// sheet and in the next one.
TEST(SheetProfile, AnotherFileIsNeverAnsweredFromTheKeptCopy) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    TempIni first(L"oemui_sheetprofile_first.ini");
    TempIni second(L"oemui_sheetprofile_second.ini");
    first.Write("[PSGamma]\r\nSettingNum=1\r\nSettingName1=First\r\n");
    second.Write("[PSGamma]\r\nSettingNum=2\r\nSettingName1=Second\r\n");
    for (int sheetRound = 0; sheetRound < 2; ++sheetRound) {
        const SheetScope sheet(printer.get());
        for (int round = 0; round < 2; ++round) {
            EXPECT_EQ(KeptString(L"PSGamma", L"SettingName1", 32, first.path()).text, L"First");
            EXPECT_EQ(KeptString(L"PSGamma", L"SettingName1", 32, second.path()).text, L"Second");
            EXPECT_EQ(SheetProfileInt(L"PSGamma", L"SettingNum", 0, first.path()), 1u);
            EXPECT_EQ(SheetProfileInt(L"PSGamma", L"SettingNum", 0, second.path()), 2u);
        }
    }
}

namespace {

struct ThreadRead {
    const wchar_t* file;
    std::wstring value;
};

DWORD WINAPI ReadOnOtherThread(void* param) {
    auto& read = *static_cast<ThreadRead*>(param);
    read.value = KeptString(L"DependentFiles", L"HALFTONE", kPathChars, read.file).text;
    return 0;
}

}  // namespace

// A file changed while a sheet is open: the sheet keeps what it read, another thread reads the
// file as it is now, and the next sheet sees the change.
TEST(SheetProfile, ChangedFileIsSeenByOtherThreadsAndTheNextSheet) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    TempIni ini(L"oemui_sheetprofile_changing.ini");
    ini.Write("[DependentFiles]\r\nHALFTONE=before.ini\r\n");
    {
        const SheetScope sheet(printer.get());
        EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text,
                  L"before.ini");
        ini.Write("[DependentFiles]\r\nHALFTONE=after.ini\r\n");
        EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text,
                  L"before.ini")
            << "read once per sheet";

        {
            // An operation on another printer during the sheet reads the sheet's copy too.
            Printer mono(testenv::kMonoPrinter);
            ASSERT_TRUE(mono);
            const DriverInfoScope operation(mono.get());
            EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text,
                      L"before.ini")
                << "operation on another printer";
        }
        EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text,
                  L"before.ini")
            << "after the operation";

        ThreadRead other{ini.path(), L""};
        HANDLE thread = CreateThread(nullptr, 0, &ReadOnOtherThread, &other, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_EQ(other.value, L"after.ini") << "a thread without the sheet reads the file";
    }
    EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text, L"after.ini")
        << "after the sheet";
    const SheetScope next(printer.get());
    EXPECT_EQ(KeptString(L"DependentFiles", L"HALFTONE", kPathChars, ini.path()).text, L"after.ini")
        << "next sheet";
}

// The model values of a sheet, read through the kept section of the capability file, against
// the sample models' own file.
TEST(SheetProfile, ModelIntegersOfTheSampleModelsMatchTheFile) {
    for (const wchar_t* name : {testenv::kColorPrinter, testenv::kMonoPrinter}) {
        Printer printer(name);
        ASSERT_TRUE(printer);
        wchar_t capability[kPathChars] = {};
        ASSERT_TRUE(FindCapabilityFile(printer.get(), capability));
        wchar_t section[kShortValueChars] = {};
        ASSERT_TRUE(ResolveModelSection(printer.get(), section, kShortValueChars));
        const wchar_t* keys[] = {L"Compression",          L"PSOutputOpt", L"DEFAULT_PAPER_SIZE",
                                 L"DEFAULT_PAPER_SOURCE", L"CryptoDll",   L"Absent"};
        std::vector<UINT> direct;
        for (const wchar_t* key : keys) {
            direct.push_back(GetPrivateProfileIntW(section, key, 5, capability));
        }
        const SheetScope sheet(printer.get());
        for (size_t i = 0; i < std::size(keys); ++i) {
            EXPECT_EQ(GetModelInt(printer.get(), keys[i], 5), direct[i])
                << Narrow(name) << "/" << Narrow(keys[i]);
        }
    }
}

namespace {

class EncryptionDefaultsTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        // Printers of their own, so that no other test has asked their library before.
        ASSERT_TRUE(testenv::InstallSamplePrinters());
        ASSERT_TRUE(testenv::InstallPrinter(kFirst, testenv::kColorDriver));
        ASSERT_TRUE(testenv::InstallPrinter(kSecond, testenv::kColorDriver));
    }
    static constexpr wchar_t kFirst[] = L"Crypto Defaults 1";
    static constexpr wchar_t kSecond[] = L"Crypto Defaults 2";

    static CryptoSettingsBlock Direct(HANDLE printer) {
        CCiperSet cipher(printer);
        CryptoSettingsBlock block = {};
        EXPECT_NE(cipher.GetDefaultSetting(&block, 1), 0);
        return block;
    }
};

bool SameBlock(const CryptoSettingsBlock& a, const CryptoSettingsBlock& b) {
    return memcmp(&a, &b, sizeof(a)) == 0;
}

const std::vector<std::string> kOneLibraryCall = {"load", "GetDefaultSetting mode=1", "unload"};

}  // namespace

// Every default asks the printer's library and gives its answer of the moment: nothing of an
// earlier answer (whose block holds a password field) is kept for a later one.
TEST_F(EncryptionDefaultsTest, AskedAtEveryDefault) {
    Printer first(kFirst);
    Printer second(kSecond);
    ASSERT_TRUE(first);
    ASSERT_TRUE(second);
    ASSERT_TRUE(FindDependentFiles(first.get(), nullptr));
    const CryptoSettingsBlock direct = Direct(first.get());

    struct Step {
        HANDLE printer;
        const wchar_t* answer;  // OEMUI_CRYPTO_RESULT of the stand-in
        bool given;
    };
    const Step steps[] = {
        {first.get(), L"1", true},  {first.get(), L"1", true}, {second.get(), L"1", true},
        {first.get(), L"0", false}, {first.get(), L"1", true},
    };
    for (const Step& step : steps) {
        testenv::ScopedEnv answer(L"OEMUI_CRYPTO_RESULT", step.answer);
        testenv::StandInLog log;
        CryptoSettingsBlock block = {};
        EXPECT_EQ(EncryptionDefaults(step.printer, block), step.given);
        EXPECT_EQ(log.Lines(), kOneLibraryCall) << "answer " << Narrow(step.answer);
        if (step.given) {
            EXPECT_TRUE(SameBlock(block, direct));
        }
    }
}

namespace {

// A stand-in library of the build, beside this test program.
std::wstring BuiltLibrary(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/") + 1) + name;
}

bool IsLoaded(const std::wstring& path) { return GetModuleHandleW(path.c_str()) != nullptr; }

struct LibraryUse {
    const wchar_t* path;
    HMODULE module = nullptr;
};

DWORD WINAPI UseLibraryOnOtherThread(void* param) {
    auto& use = *static_cast<LibraryUse*>(param);
    const SheetLibrary library(use.path, L"test library");
    use.module = library.get();
    return 0;
}

}  // namespace

// The sheet keeps the first library it loads, by its full path, until its cache ends; another
// path, another thread and any use outside a sheet load for the one use.
TEST(SheetLibraryTest, KeptByPathUntilTheSheetEnds) {
    Printer printer(testenv::kColorPrinter);
    Printer other(testenv::kMonoPrinter);
    ASSERT_TRUE(printer);
    ASSERT_TRUE(other);
    const std::wstring first = BuiltLibrary(L"vrnetext.dll");
    const std::wstring second = BuiltLibrary(L"vrnetext_nocap.dll");
    ASSERT_FALSE(IsLoaded(first));
    ASSERT_FALSE(IsLoaded(second));

    {
        const SheetLibrary outside(first.c_str(), L"test library");
        EXPECT_NE(outside.get(), nullptr);
    }
    EXPECT_FALSE(IsLoaded(first)) << "outside a sheet";

    BeginSheetDriverCache(printer.get());
    HMODULE kept = nullptr;
    {
        const SheetLibrary library(first.c_str(), L"test library");
        kept = library.get();
        ASSERT_NE(kept, nullptr);
    }
    EXPECT_TRUE(IsLoaded(first));
    {
        const SheetLibrary again(first.c_str(), L"test library");
        EXPECT_EQ(again.get(), kept);
        const SheetLibrary otherPath(second.c_str(), L"test library");
        EXPECT_NE(otherPath.get(), nullptr);
        EXPECT_NE(otherPath.get(), kept);
    }
    EXPECT_FALSE(IsLoaded(second)) << "a second path is not kept";
    LibraryUse use{second.c_str()};
    HANDLE thread = CreateThread(nullptr, 0, &UseLibraryOnOtherThread, &use, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_NE(use.module, nullptr);
    EXPECT_FALSE(IsLoaded(second)) << "another thread's use";

    // One operation on another printer sets the sheet's library aside with its copy.
    {
        const DriverInfoScope operation(other.get());
        const SheetLibrary library(second.c_str(), L"test library");
        EXPECT_NE(library.get(), nullptr);
    }
    EXPECT_FALSE(IsLoaded(second)) << "the operation's library ends with it";
    EXPECT_TRUE(IsLoaded(first)) << "the sheet's library comes back";

    // The next sheet's set-up frees the first sheet's library; its end frees its own.
    BeginSheetDriverCache(other.get());
    EXPECT_FALSE(IsLoaded(first));
    { const SheetLibrary library(second.c_str(), L"test library"); }
    EXPECT_TRUE(IsLoaded(second));
    EndSheetDriverCache();
    EXPECT_FALSE(IsLoaded(second));
}

// Unloading the plug-in alone frees the sheet's library; at process exit it is left to the
// loader.
TEST(SheetLibraryTest, DetachFreesTheLibraryUnlessTheProcessEnds) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    const std::wstring path = BuiltLibrary(L"vrnetext.dll");
    for (const bool processTerminating : {false, true}) {
        SCOPED_TRACE(processTerminating ? "process exit" : "plug-in unloaded");
        BeginSheetDriverCache(printer.get());
        { const SheetLibrary library(path.c_str(), L"test library"); }
        ASSERT_TRUE(IsLoaded(path));
        DropSheetLibraryAtDetach(processTerminating);
        const HMODULE left = GetModuleHandleW(path.c_str());
        EXPECT_EQ(left != nullptr, processTerminating);
        EndSheetDriverCache();
        EXPECT_EQ(IsLoaded(path), processTerminating) << "the sheet's end no longer owns it";
        if (left != nullptr) FreeLibrary(left);
        EXPECT_FALSE(IsLoaded(path));
    }
}
