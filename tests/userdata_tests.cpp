// The driver's user data file: where it lives, the folder's descriptor as built (this Wine does
// not enforce ACLs, so the descriptor itself is checked), the move of users' sections out of
// the driver INI file, whole-file saves, failures that keep the old file, and a saving process
// killed at random points.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <shlobj.h>

#include <map>
#include <random>
#include <string>
#include <vector>

#include "base/handles.h"
#include "base/userdata.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

using namespace oemui;

namespace {

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (!ConvertSidToStringSidW(sid, &text)) return L"?";
    std::wstring out = text;
    LocalFree(text);
    return out;
}

struct Ace {
    std::wstring sid;
    BYTE flags;
    DWORD mask;
    bool operator==(const Ace& o) const {
        return sid == o.sid && flags == o.flags && mask == o.mask;
    }
};

std::vector<Ace> AllowedAces(PACL acl) {
    std::vector<Ace> aces;
    for (DWORD i = 0; acl != nullptr && i < acl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (!GetAce(acl, i, reinterpret_cast<void**>(&ace))) continue;
        EXPECT_EQ(ace->Header.AceType, ACCESS_ALLOWED_ACE_TYPE);
        aces.push_back({SidText(&ace->SidStart), ace->Header.AceFlags, ace->Mask});
    }
    return aces;
}

// The user sections of a data file as the profile functions read them: section -> key -> value.
using Sections = std::map<std::wstring, std::map<std::wstring, std::wstring>>;

// Parses a UTF-16LE file with a byte-order mark by hand, so that a damaged file shows as it is.
bool ParseDataFile(const std::string& bytes, Sections& out) {
    out.clear();
    if (bytes.size() < 2 || bytes.size() % 2 != 0 || bytes.compare(0, 2, "\xFF\xFE", 2) != 0) {
        return false;
    }
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    std::wstring section;
    bool inSection = false;
    size_t at = 0;
    while (at < text.size()) {
        size_t end = text.find(L"\r\n", at);
        if (end == std::wstring::npos) return false;  // every line ends with a line break
        const std::wstring line = text.substr(at, end - at);
        at = end + 2;
        if (line.empty()) continue;
        if (line.front() == L'[' && line.back() == L']') {
            section = line.substr(1, line.size() - 2);
            out[section];
            inSection = true;
            continue;
        }
        const size_t equals = line.find(L'=');
        if (!inSection || equals == std::wstring::npos) return false;
        out[section][line.substr(0, equals)] = line.substr(equals + 1);
    }
    return true;
}

std::wstring Profile(const wchar_t* section, const wchar_t* key, const std::wstring& file) {
    wchar_t value[1100] = {};
    GetPrivateProfileStringW(section, key, L"", value, 1100, file.c_str());
    return value;
}

std::string Utf16(const std::wstring& text) {
    std::string bytes("\xFF\xFE", 2);
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

// A data folder of its own under the temporary folder: <temp>\<name>\root\drv\userdata.ini.
class DataPlace {
public:
    explicit DataPlace(const std::wstring& name) {
        base_ = testenv::FreshTempFolder(name);
        Clear();
        file_ = base_ + L"\\root\\drv\\userdata.ini";
        ini_ = base_ + L"\\driver.ini";
    }
    ~DataPlace() { Clear(); }
    void Clear() {
        const std::wstring drv = base_ + L"\\root\\drv";
        SetFileAttributesW((drv + L"\\userdata.ini").c_str(), FILE_ATTRIBUTE_NORMAL);
        testenv::EmptyFolder(drv);
        RemoveDirectoryW(drv.c_str());
        DeleteFileW(drv.c_str());  // some cases put a file in the folder's place
        RemoveDirectoryW((base_ + L"\\root").c_str());
        testenv::EmptyFolder(base_);
    }
    // Files in the driver folder besides the data file (temporary files left behind).
    std::vector<std::wstring> Others() const {
        std::vector<std::wstring> names;
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((base_ + L"\\root\\drv\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            const std::wstring name = found.cFileName;
            if (name != L"." && name != L".." && name != L"userdata.ini") names.push_back(name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
        return names;
    }
    const std::wstring& file() const { return file_; }
    const std::wstring& ini() const { return ini_; }
    std::wstring root() const { return base_ + L"\\root"; }
    std::wstring drv() const { return base_ + L"\\root\\drv"; }

private:
    std::wstring base_;
    std::wstring file_;
    std::wstring ini_;
};

SaveResult SaveOne(const std::wstring& file, const wchar_t* ini, const wchar_t* section,
                   const std::vector<std::pair<std::wstring, std::wstring>>& lines) {
    SectionLines text;
    for (const auto& [key, value] : lines) text.Add(key.c_str(), value.c_str());
    const SectionUpdate update = {section, &text};
    return SaveUserSections(file.c_str(), ini, &update, 1);
}

}  // namespace

// ---- Where ---------------------------------------------------------------------------------

TEST(UserDataPlace, DriverNamesBecomeOneSafeFolderName) {
    const struct {
        const wchar_t* driver;
        const wchar_t* folder;
    } cases[] = {
        {L"Lab Color PS", L"Lab Color PS"},
        {L"a\\b/c:d*e?f\"g<h>i|j", L"a_b_c_d_e_f_g_h_i_j"},
        {L"..", L"_"},
        {L"..\\..\\Windows", L".._.._Windows"},
        {L"ends. . ", L"ends"},
        {L"CON", L"_CON"},
        {L"lpt1.PS", L"_lpt1.PS"},
        {L"CONSOLE PS", L"CONSOLE PS"},
        {L"", L"_"},
        {L"tab\there", L"tab_here"},
        {L"\u65E5\u672C PS (v2)", L"\u65E5\u672C PS (v2)"},
    };
    for (const auto& c : cases) {
        wchar_t out[kUserDataFolderNameChars + 2] = {};
        ASSERT_TRUE(UserDataFolderName(c.driver, out, ARRAYSIZE(out))) << testenv::Narrow(c.driver);
        EXPECT_STREQ(out, c.folder) << testenv::Narrow(c.driver);
    }
    const std::wstring longName(300, L'x');
    wchar_t out[kUserDataFolderNameChars + 2] = {};
    ASSERT_TRUE(UserDataFolderName(longName.c_str(), out, ARRAYSIZE(out)));
    EXPECT_EQ(wcslen(out), kUserDataFolderNameChars);
    wchar_t small[8] = {};
    EXPECT_FALSE(UserDataFolderName(L"Lab", small, ARRAYSIZE(small)));
}

TEST(UserDataPlace, OneFolderPerDriverUnderTheCommonApplicationData) {
    wchar_t path[MAX_PATH] = {};
    ASSERT_TRUE(UserDataFilePathIn(L"C:\\ProgramData", L"Lab Color PS", path, MAX_PATH));
    EXPECT_STREQ(path, L"C:\\ProgramData\\PrinterUiPlugin\\Lab Color PS\\userdata.ini");
    EXPECT_FALSE(UserDataFilePathIn(L"C:\\ProgramData", L"Lab Color PS", path, 20));
    EXPECT_STREQ(path, L"");
    EXPECT_FALSE(UserDataFilePathIn(L"", L"Lab", path, MAX_PATH));
    EXPECT_FALSE(UserDataFilePathIn(L"C:\\ProgramData", L"", path, MAX_PATH));

    wchar_t common[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common));
    // Both printers of the colour driver would share the file; the mono driver has its own.
    const struct {
        const wchar_t* printer;
        const wchar_t* driver;
    } printers[] = {{testenv::kColorPrinter, testenv::kColorDriver},
                    {testenv::kMonoPrinter, testenv::kMonoDriver}};
    for (const auto& p : printers) {
        testenv::Printer printer(p.printer);
        ASSERT_TRUE(printer) << testenv::Narrow(p.printer);
        ASSERT_TRUE(UserDataFilePathFor(printer.get(), path, MAX_PATH));
        EXPECT_EQ(std::wstring(path),
                  std::wstring(common) + L"\\PrinterUiPlugin\\" + p.driver + L"\\userdata.ini");
    }
    EXPECT_FALSE(UserDataFilePathFor(nullptr, path, MAX_PATH));
}

// ---- Who may do what -----------------------------------------------------------------------

TEST(UserDataFolder, DescriptorAsBuilt) {
    constexpr BYTE kInherit = OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE;
    constexpr BYTE kFiles = OBJECT_INHERIT_ACE | INHERIT_ONLY_ACE;
    constexpr DWORD kListing = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES |
                               FILE_READ_EA | READ_CONTROL | SYNCHRONIZE;
    constexpr DWORD kFileRights = FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE;
    const struct {
        DataFolderKind kind;
        DWORD usersOnFolder;  // besides listing
    } kinds[] = {{DataFolderKind::Root, FILE_ADD_SUBDIRECTORY},
                 {DataFolderKind::Driver, FILE_ADD_FILE}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.kind == DataFolderKind::Root ? "root" : "driver folder");
        PSECURITY_DESCRIPTOR sd = UserDataFolderDescriptor(k.kind);
        ASSERT_NE(sd, nullptr);
        ASSERT_TRUE(IsValidSecurityDescriptor(sd));
        SECURITY_DESCRIPTOR_CONTROL control = 0;
        DWORD revision = 0;
        ASSERT_TRUE(GetSecurityDescriptorControl(sd, &control, &revision));
        EXPECT_NE(control & SE_DACL_PROTECTED, 0) << "nothing inherited from the parent";
        BOOL present = FALSE, defaulted = FALSE;
        PACL dacl = nullptr;
        ASSERT_TRUE(GetSecurityDescriptorDacl(sd, &present, &dacl, &defaulted));
        ASSERT_TRUE(present);
        ASSERT_NE(dacl, nullptr) << "a null DACL allows everyone everything";

        const std::vector<Ace> expected = {
            {L"S-1-5-18", kInherit, FILE_ALL_ACCESS},
            {L"S-1-5-32-544", kInherit, FILE_ALL_ACCESS},
            {L"S-1-5-32-545", 0, kListing | k.usersOnFolder},
            {L"S-1-5-32-545", kFiles, kFileRights},
            {L"S-1-3-4", 0, kListing | k.usersOnFolder},
            {L"S-1-3-4", kFiles, kFileRights},
        };
        const std::vector<Ace> aces = AllowedAces(dacl);
        EXPECT_EQ(aces, expected);

        // What the rules come to, whatever the exact masks: only SYSTEM and the
        // Administrators may change permissions or owner or delete, on the folder or a file;
        // users (and whoever owns the folder or a file) may write and delete the files.
        for (const Ace& ace : aces) {
            if (ace.sid == L"S-1-5-18" || ace.sid == L"S-1-5-32-544") continue;
            SCOPED_TRACE(testenv::Narrow(ace.sid));
            EXPECT_EQ(ace.mask & (WRITE_DAC | WRITE_OWNER | GENERIC_ALL | GENERIC_WRITE), 0u);
            const bool onFolder = (ace.flags & INHERIT_ONLY_ACE) == 0;
            if (onFolder) {
                EXPECT_EQ(ace.mask & (DELETE | FILE_DELETE_CHILD), 0u);
                EXPECT_EQ(ace.flags & (OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE), 0);
            } else {
                EXPECT_EQ(ace.flags & CONTAINER_INHERIT_ACE, 0) << "files only";
                EXPECT_EQ(ace.mask & (FILE_WRITE_DATA | FILE_READ_DATA | DELETE),
                          static_cast<DWORD>(FILE_WRITE_DATA | FILE_READ_DATA | DELETE));
            }
        }
        LocalFree(sd);
    }
}

TEST(UserDataFolder, IsMadeWhereMissingAndRefusedWhereAFileHoldsItsName) {
    DataPlace place(L"udfolder");
    EXPECT_EQ(EnsureUserDataFolder(place.file().c_str(), false), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_NE(GetFileAttributesW(place.drv().c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(EnsureUserDataFolder(place.file().c_str(), false), static_cast<DWORD>(ERROR_SUCCESS))
        << "an existing folder serves";
    place.Clear();
    CreateDirectoryW(place.root().c_str(), nullptr);
    ASSERT_TRUE(testenv::WriteFileBytes(place.drv(), "not a folder"));
    EXPECT_EQ(EnsureUserDataFolder(place.file().c_str(), false),
              static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_EQ(EnsureUserDataFolder(L"", false), static_cast<DWORD>(ERROR_BAD_PATHNAME));
}

// ---- Reading and migration -----------------------------------------------------------------

TEST(UserDataSections, OnlyWhatUsersWriteIsAUserSection) {
    const struct {
        const wchar_t* name;
        bool user;
    } cases[] = {
        {L"Watermark", true},        {L"custom color", true},      {L"DisplayAllert", true},
        {L"OverlaySetting", true},   {L"OverlaySetting_Sv", true}, {L"Overlay_Info 0", true},
        {L"Overlay_Info 31", true},  {L"Overlay_Info_Sv 7", true}, {L"Overlay_Info ", false},
        {L"Overlay_Info 1x", false}, {L"OEMFiles", false},         {L"DependentFiles", false},
        {L"Plg_Feature", false},     {L"Watermarks", false},       {L"", false},
    };
    for (const auto& c : cases) EXPECT_EQ(IsUserSection(c.name), c.user) << testenv::Narrow(c.name);
    EXPECT_FALSE(IsUserSection(nullptr));
}

TEST(UserDataSave, TheFirstSaveMovesUsersSectionsAndTheIniStaysAsItWas) {
    DataPlace place(L"udmigrate");
    const std::string ini = Utf16(
        L"[OEMFiles]\r\nOEMConfigFile1=vroemui.dll\r\n"
        L"[Watermark]\r\nWTMK001=72,0,45,0,0,255,\u793E\u5916\u79D8\r\n"
        L"[Custom Color]\r\nColor0=1,2,3\r\n"
        L"[OverlaySetting]\r\nOverlay_Num=1\r\n[Overlay_Info 0]\r\nOverlay_Name=Letter\r\n"
        L"[DisplayAllert]\r\nAllertFlag1=1\r\n[DependentFiles]\r\nHELP=x.hlp\r\n");
    ASSERT_TRUE(testenv::WriteFileBytes(place.ini(), ini));

    // Before any save, what users saved with earlier versions is read from the INI file.
    EXPECT_EQ(UserDataSource(place.file().c_str(), place.ini().c_str()), place.ini());
    ASSERT_TRUE(
        SaveOne(place.file(), place.ini().c_str(), L"Custom Color", {{L"Color0", L"9,9,9"}}));
    EXPECT_EQ(testenv::ReadFileBytes(place.ini()), ini) << "the driver INI file is never written";
    EXPECT_EQ(UserDataSource(place.file().c_str(), place.ini().c_str()), place.file());

    Sections data;
    ASSERT_TRUE(ParseDataFile(testenv::ReadFileBytes(place.file()), data));
    const Sections expected = {
        {L"Watermark", {{L"WTMK001", L"72,0,45,0,0,255,\u793E\u5916\u79D8"}}},
        {L"Custom Color", {{L"Color0", L"9,9,9"}}},
        {L"OverlaySetting", {{L"Overlay_Num", L"1"}}},
        {L"Overlay_Info 0", {{L"Overlay_Name", L"Letter"}}},
        {L"DisplayAllert", {{L"AllertFlag1", L"1"}}},
    };
    EXPECT_EQ(data, expected) << "the driver's own sections stay behind";
    EXPECT_EQ(Profile(L"Watermark", L"WTMK001", place.file()),
              L"72,0,45,0,0,255,\u793E\u5916\u79D8")
        << "the profile functions read the file";

    // From now on the data file is the source: a later save keeps its sections, not the INI's.
    ASSERT_TRUE(testenv::WriteFileBytes(
        place.ini(), Utf16(L"[Watermark]\r\nWTMK001=1,0,0,0,0,0,Stale\r\n[OverlaySetting]\r\n")));
    ASSERT_TRUE(
        SaveOne(place.file(), place.ini().c_str(), L"DisplayAllert", {{L"AllertFlag0", L"1"}}));
    ASSERT_TRUE(ParseDataFile(testenv::ReadFileBytes(place.file()), data));
    EXPECT_EQ(data[L"Watermark"], expected.at(L"Watermark"));
    EXPECT_EQ(data[L"DisplayAllert"],
              (std::map<std::wstring, std::wstring>{{L"AllertFlag0", L"1"}}));
    EXPECT_EQ(data.size(), expected.size());
    EXPECT_TRUE(place.Others().empty()) << testenv::Narrow(place.Others().front());
}

// A save killed before its rename leaves its temporary file; the next save removes those
// untouched for an hour and leaves a fresh one, which may be another process's save under way.
TEST(UserDataSave, TemporariesOfKilledSavesGoAtTheNextSave) {
    DataPlace place(L"udstale");
    const std::wstring stale = place.drv() + L"\\ud1A2B.tmp";
    const std::wstring fresh = place.drv() + L"\\ud3C4D.tmp";
    const std::wstring other = place.drv() + L"\\notes.tmp";
    ASSERT_TRUE(
        SaveOne(place.file(), place.ini().c_str(), L"Custom Color", {{L"Color0", L"1,2,3"}}));
    for (const std::wstring& file : {stale, fresh, other}) {
        ASSERT_TRUE(testenv::WriteFileBytes(file, "half a save"));
    }
    FILETIME twoHoursAgo = {};
    GetSystemTimeAsFileTime(&twoHoursAgo);
    ULARGE_INTEGER t = {{twoHoursAgo.dwLowDateTime, twoHoursAgo.dwHighDateTime}};
    t.QuadPart -= 2 * 36000000000ULL;
    twoHoursAgo = {t.LowPart, t.HighPart};
    for (const std::wstring& file : {stale, other}) {
        UniqueFile handle(CreateFileW(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        ASSERT_TRUE(handle);
        ASSERT_TRUE(SetFileTime(handle.get(), nullptr, nullptr, &twoHoursAgo));
    }
    ASSERT_TRUE(
        SaveOne(place.file(), place.ini().c_str(), L"Custom Color", {{L"Color0", L"4,5,6"}}));
    EXPECT_EQ(GetFileAttributesW(stale.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(fresh.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_NE(GetFileAttributesW(other.c_str()), INVALID_FILE_ATTRIBUTES) << "not a save's";
    EXPECT_EQ(Profile(L"Custom Color", L"Color0", place.file()), L"4,5,6");
}

// ---- Failures ------------------------------------------------------------------------------

TEST(UserDataSave, AFailedSaveSaysWhyAndKeepsTheOldFile) {
    const struct {
        const char* what;
        void (*prepare)(const DataPlace&);
        bool overflow;
        DWORD error;
    } cases[] = {
        {"read-only data file",
         [](const DataPlace& p) { SetFileAttributesW(p.file().c_str(), FILE_ATTRIBUTE_READONLY); },
         false, ERROR_ACCESS_DENIED},
        {"a section too long for its lines", [](const DataPlace&) {}, true,
         ERROR_INSUFFICIENT_BUFFER},
        {"the folder's name taken by a file",
         [](const DataPlace& p) {
             testenv::EmptyFolder(p.drv());
             RemoveDirectoryW(p.drv().c_str());
             testenv::WriteFileBytes(p.drv(), "x");
         },
         false, ERROR_DIRECTORY},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        DataPlace place(L"udfail");
        ASSERT_TRUE(SaveOne(place.file(), nullptr, L"Watermark", {{L"WTMK001", L"old"}}));
        const std::string before = testenv::ReadFileBytes(place.file());
        c.prepare(place);

        SectionLines lines(c.overflow ? 8 : SectionLines::kDefaultChars);
        lines.Add(L"WTMK001", L"new watermark");
        const SectionUpdate update = {L"Watermark", &lines};
        const SaveResult saved = SaveUserSections(place.file().c_str(), nullptr, &update, 1);
        EXPECT_FALSE(saved);
        EXPECT_EQ(saved.error, c.error);
        EXPECT_EQ(testenv::ReadFileBytes(place.file()), c.error == ERROR_DIRECTORY ? "" : before);
        EXPECT_TRUE(place.Others().empty()) << "no temporary file is left behind";
    }
    EXPECT_EQ(SaveOne(L"", nullptr, L"Watermark", {}).error,
              static_cast<DWORD>(ERROR_BAD_PATHNAME));
}

// ---- A process killed while saving -----------------------------------------------------------

namespace {

// The generation of a whole save of tests/standins/savechild.cpp, or -1 when the file is not
// one whole save (missing, damaged, or lines of two generations).
long SavedGeneration(const std::wstring& file) {
    Sections data;
    if (!ParseDataFile(testenv::ReadFileBytes(file), data) || data.size() != 2) return -1;
    const auto& marks = data[L"Watermark"];
    const auto& colors = data[L"Custom Color"];
    if (marks.size() != 16 || colors.size() != 16) return -1;
    const long generation = wcstol(colors.at(L"Color0").c_str(), nullptr, 10);
    const std::wstring number = std::to_wstring(generation);
    for (const auto& [key, value] : colors) {
        if (value != number) return -1;
    }
    for (const auto& [key, value] : marks) {
        if (value.compare(0, number.size() + 1, number + L",") != 0 ||
            value.find(L"Generation " + number + L" ") == std::wstring::npos ||
            value.size() < 500) {
            return -1;
        }
    }
    return generation;
}

}  // namespace

TEST(UserDataSave, AProcessKilledWhileSavingLeavesTheOldOrTheNewFile) {
    DataPlace place(L"udkill");
    const std::wstring child = testenv::TestBinDir() + L"\\savechild.exe";
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> pause(0, 25);
    constexpr int kKills = 20;
    long generation = 0;
    int killedAfterASave = 0;
    for (int kill = 0; kill < kKills; ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        const long first = (kill + 1) * 1000000L;
        std::wstring command =
            L"\"" + child + L"\" \"" + place.file() + L"\" " + std::to_wstring(first);
        STARTUPINFOW si = {sizeof(si)};
        PROCESS_INFORMATION pi = {};
        // Under Wine a start right after a killed process now and then fails at once; a second
        // try succeeds.
        bool started = false;
        DWORD startError = 0;
        for (int attempt = 0; attempt < 5 && !started; ++attempt) {
            started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                     nullptr, &si, &pi) != FALSE;
            if (!started) {
                startError = GetLastError();
                Sleep(100);
            }
        }
        ASSERT_TRUE(started) << "error " << startError;
        // Once the child's saves have begun, kill it at a random point of its loop.
        const DWORD deadline = GetTickCount() + 20000;
        while (SavedGeneration(place.file()) < first && GetTickCount() < deadline &&
               WaitForSingleObject(pi.hProcess, 5) == WAIT_TIMEOUT) {
        }
        Sleep(static_cast<DWORD>(pause(random)));
        TerminateProcess(pi.hProcess, 99);
        WaitForSingleObject(pi.hProcess, 10000);
        DWORD code = 0;
        GetExitCodeProcess(pi.hProcess, &code);
        CloseHandle(pi.hThread);
        CloseHandle(pi.hProcess);
        EXPECT_EQ(code, 99u) << "the child stopped on its own: its saves failed";

        const long now = SavedGeneration(place.file());
        ASSERT_GE(now, 0) << "the file is not one whole save";
        EXPECT_GE(now, generation) << "an older content came back";
        if (now >= first) ++killedAfterASave;
        generation = now;
        // Temporary files of killed saves stay behind; they are never read.
        for (const std::wstring& other : place.Others())
            DeleteFileW((place.drv() + L"\\" + other).c_str());
    }
    EXPECT_GE(killedAfterASave, kKills / 2) << "the kills came before the child saved anything";
}
