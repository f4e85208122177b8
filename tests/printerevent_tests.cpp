// Printer creation: the feature-list edit, the driver's files left as installed and the user
// data folder made, the default DEVMODE push, the installed-options sync and the whole event
// through the plug-in DLL, against a test driver installed through the Wine spooler and a
// varoopt.dat written into the Windows directory.
#include <gtest/gtest.h>

#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>
#include <winspool.h>

#include <map>
#include <string>
#include <vector>

#include "base/config.h"
#include "setup/printerevent.h"
#include "plugin/object.h"
#include "tests/support/plugindll.h"
#include "tests/support/testprinters.h"
#include "base/handles.h"

using namespace oemui;
using testenv::Printer;

namespace {

const wchar_t kDriver[] = L"PrnEvent Test PS";
const wchar_t kPrinter[] = L"PrnEvent 1";
const wchar_t kDataKey[] =
    L"System\\CurrentControlSet\\Control\\Print\\Printers\\PrnEvent 1\\PrinterDriverData";
const char kCap[] =
    "[Capability]\r\nPrnEvent Test PS=EvModel\r\n\r\n[EvModel]\r\nPSOutputOpt=2\r\n"
    "DEFAULT_PAPER_SIZE=9\r\nDEFAULT_PAPER_SOURCE=15\r\nCCMInfoFile=prnevccm.ini\r\n";

// Records "keyword\0option\0\n" followed by the end marker.
std::string FeatureList(const std::vector<std::pair<std::string, std::string>>& records) {
    std::string list;
    for (const auto& [keyword, option] : records) list += keyword + '\0' + option + '\0' + '\n';
    return list + std::string(2, '\0');
}

std::map<std::string, std::string> ParseList(const std::string& list) {
    std::map<std::string, std::string> out;
    for (size_t at = 0; at < list.size() && list[at] != '\0';) {
        const size_t keyEnd = list.find('\0', at);
        const size_t optionEnd = list.find('\0', keyEnd + 1);
        out[list.substr(at, keyEnd - at)] = list.substr(keyEnd + 1, optionEnd - keyEnd - 1);
        at = optionEnd + 2;
    }
    return out;
}

// Runs SetFeatureOption on a copy of `list` in a full-size buffer.
std::string Edit(const std::string& list, const char* keyword, const char* option,
                 DWORD length = 0) {
    BYTE buffer[kFeatureListBytes] = {};
    memcpy(buffer, list.data(), list.size());
    const DWORD used = SetFeatureOption(buffer, length ? length : static_cast<DWORD>(list.size()),
                                        keyword, option);
    return std::string(reinterpret_cast<char*>(buffer), used);
}

std::wstring DriverFile(const wchar_t* name) { return testenv::DriverDirectory3() + L"\\" + name; }
std::wstring OptionsFile() { return testenv::WindowsDirectory() + L"\\varoopt.dat"; }

// A printer name longer than a DEVMODE's device name (31 characters and the NUL).
const wchar_t kLongPrinter[] = L"PrnEvent printer whose name is longer than the device name";

// varoopt.dat for the test printer while the object lives (`content` without a section head
// holds the keys of "PrnEvent 1").
class InstalledOptionsFile {
public:
    explicit InstalledOptionsFile(const std::string& content) {
        const std::string text =
            content.rfind('[', 0) == 0 ? content : "[PrnEvent 1]\r\n" + content;
        EXPECT_TRUE(testenv::WriteFileBytes(OptionsFile(), text));
    }
    ~InstalledOptionsFile() { DeleteFileW(OptionsFile().c_str()); }
};

class PrinterEventTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testenv::TestDriver d;
        d.name = kDriver;
        d.dependentFiles = {{L"prnev.cap", kCap},
                            {L"prnev.ini", "[OEMFiles]\r\nOEMConfigFile1=vroemui.dll\r\n"},
                            {L"prnevccm.ini", "[Color]\r\n"}};
        d.dataFile = L"PRNEVMODEL.PPD";
        ASSERT_TRUE(testenv::InstallDriver(d));
        ASSERT_TRUE(testenv::InstallPrinter(kPrinter, kDriver));
        ASSERT_TRUE(testenv::InstallPrinter(kLongPrinter, kDriver));
    }
    void SetUp() override {
        DeleteFileW(OptionsFile().c_str());
        IsVistaOrLater = false;
        WritePrivateProfileStringW(L"EvModel", L"PSOutputOpt", L"2",
                                   DriverFile(L"prnev.cap").c_str());
        ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, kDataKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, key_.put(), nullptr),
                  ERROR_SUCCESS);
        RegDeleteValueW(key_.get(), L"SPLUserModePrinterDriver");
    }

    void PutFeatureList(const std::string& list, DWORD stated) {
        RegSetValueExW(key_.get(), L"FeatureKeyword", 0, REG_BINARY,
                       reinterpret_cast<const BYTE*>(list.data()), static_cast<DWORD>(list.size()));
        RegSetValueExW(key_.get(), L"FeatureKeywordSize", 0, REG_DWORD,
                       reinterpret_cast<const BYTE*>(&stated), sizeof(stated));
    }
    std::string GetFeatureList(DWORD* stated = nullptr) {
        BYTE data[512] = {};
        DWORD bytes = sizeof(data);
        RegQueryValueExW(key_.get(), L"FeatureKeyword", nullptr, nullptr, data, &bytes);
        DWORD size = sizeof(DWORD);
        if (stated)
            RegQueryValueExW(key_.get(), L"FeatureKeywordSize", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(stated), &size);
        return std::string(reinterpret_cast<char*>(data), bytes);
    }
    static void NameOwnLibrary(HANDLE printer) {
        wchar_t own[] = L"own.dll";
        SetPrinterDataW(printer, const_cast<wchar_t*>(L"SPLUserModePrinterDriver"), REG_SZ,
                        reinterpret_cast<BYTE*>(own), sizeof(own));
    }
    std::wstring UserModeLibrary() {
        wchar_t value[128] = {};
        DWORD bytes = sizeof(value);
        if (RegQueryValueExW(key_.get(), L"SPLUserModePrinterDriver", nullptr, nullptr,
                             reinterpret_cast<BYTE*>(value), &bytes) != ERROR_SUCCESS) {
            return L"<missing>";
        }
        return value;
    }
    // Gives the printer a default DEVMODE with a 200-byte private part; byte 344 is 0xEE.
    void PutDevmode(WORD extra = 200, const wchar_t* printerName = kPrinter) {
        std::vector<BYTE> bytes(sizeof(DEVMODEW) + extra, 0);
        auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
        dm->dmSize = sizeof(DEVMODEW);
        dm->dmDriverExtra = extra;
        wcsncpy(dm->dmDeviceName, printerName, CCHDEVICENAME - 1);
        dm->dmFields = DM_PAPERSIZE | DM_DUPLEX;
        dm->dmPaperSize = DMPAPER_LETTER;
        dm->dmDefaultSource = DMBIN_UPPER;
        dm->dmDuplex = DMDUP_SIMPLEX;
        if (bytes.size() > kOutputOptionOffset) bytes[kOutputOptionOffset] = 0xEE;
        Printer printer(printerName);
        PRINTER_INFO_8W info = {dm};
        ASSERT_TRUE(SetPrinterW(printer.get(), 8, reinterpret_cast<BYTE*>(&info), 0));
    }
    std::vector<BYTE> GetDevmode(const wchar_t* printerName = kPrinter) {
        Printer printer(printerName);
        DWORD needed = 0;
        GetPrinterW(printer.get(), 8, nullptr, 0, &needed);
        std::vector<BYTE> info(needed);
        if (!needed || !GetPrinterW(printer.get(), 8, info.data(), needed, &needed)) return {};
        const auto* dm = reinterpret_cast<PRINTER_INFO_8W*>(info.data())->pDevMode;
        const auto* begin = reinterpret_cast<const BYTE*>(dm);
        return std::vector<BYTE>(begin, begin + dm->dmSize + dm->dmDriverExtra);
    }
    static const DEVMODEW& Dm(const std::vector<BYTE>& bytes) {
        return *reinterpret_cast<const DEVMODEW*>(bytes.data());
    }
    // Sets the printer's comment (part of PRINTER_INFO_1 and 2).
    static void PutComment(const std::wstring& comment) {
        Printer printer(kPrinter);
        DWORD needed = 0;
        GetPrinterW(printer.get(), 2, nullptr, 0, &needed);
        std::vector<BYTE> info(needed);
        ASSERT_TRUE(needed && GetPrinterW(printer.get(), 2, info.data(), needed, &needed));
        auto* info2 = reinterpret_cast<PRINTER_INFO_2W*>(info.data());
        std::wstring text = comment;
        info2->pComment = text.data();
        info2->pDevMode = nullptr;
        info2->pSecurityDescriptor = nullptr;
        ASSERT_TRUE(SetPrinterW(printer.get(), 2, info.data(), 0));
    }

    UniqueRegKey key_;
};

// The allowing entries of a DACL: rights by SID (SDDL text). `null` when there is no DACL at
// all, which lets everyone do everything. `owner` is the file's owner, when read from a file.
struct DaclView {
    bool null = false;
    std::map<std::wstring, DWORD> allowed;
    std::wstring owner;
};

std::wstring SidText(PSID sid) {
    wchar_t* text = nullptr;
    if (sid == nullptr || !ConvertSidToStringSidW(sid, &text)) return {};
    std::wstring out = text;
    LocalFree(text);
    return out;
}

DaclView ViewOf(PACL dacl) {
    DaclView view;
    view.null = dacl == nullptr;
    for (DWORD i = 0; dacl != nullptr && i < dacl->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* ace = nullptr;
        if (GetAce(dacl, i, reinterpret_cast<void**>(&ace)) &&
            ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE) {
            view.allowed[SidText(&ace->SidStart)] |= ace->Mask;
        }
    }
    return view;
}

DaclView ReadDacl(const std::wstring& path) {
    const SECURITY_INFORMATION wanted = DACL_SECURITY_INFORMATION | OWNER_SECURITY_INFORMATION;
    DWORD needed = 0;
    GetFileSecurityW(path.c_str(), wanted, nullptr, 0, &needed);
    std::vector<BYTE> sd(needed ? needed : 1);
    if (!GetFileSecurityW(path.c_str(), wanted, sd.data(), needed, &needed)) {
        ADD_FAILURE() << "no security descriptor to read back";
        return {};
    }
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    GetSecurityDescriptorDacl(sd.data(), &present, &dacl, &defaulted);
    DaclView view = ViewOf(present ? dacl : nullptr);
    PSID owner = nullptr;
    if (GetSecurityDescriptorOwner(sd.data(), &owner, &defaulted)) view.owner = SidText(owner);
    return view;
}

// Gives the file the DACL of `sddl`.
void SetDacl(const std::wstring& path, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR sd = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, 1, &sd, nullptr));
    ASSERT_TRUE(SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, sd));
    LocalFree(sd);
}

// Leaves Everyone only reading rights on the file.
void RestrictToReading(const std::wstring& path) {
    SetDacl(path, L"D:P(A;;FR;;;WD)");
    ASSERT_EQ(ReadDacl(path).allowed[L"S-1-1-0"] & FILE_WRITE_DATA, 0u);
}

}  // namespace

TEST(FeatureList, ReplacesWholeKeywordsOnlyAnywhereInTheList) {
    const std::string list = FeatureList({{"VRHDDSpool", "On"},
                                          {"XVRHDD", "Keep"},
                                          {"VRHDD", "False"},
                                          {"InstalledMemory", "64MB"}});
    const auto middle = ParseList(Edit(list, "VRHDD", "True"));
    EXPECT_EQ(middle.at("VRHDD"), "True");
    EXPECT_EQ(middle.at("VRHDDSpool"), "On") << "a longer keyword with the same start";
    EXPECT_EQ(middle.at("XVRHDD"), "Keep") << "a longer keyword with the same end";
    EXPECT_EQ(middle.at("InstalledMemory"), "64MB");

    const std::string atEnd = Edit(list, "InstalledMemory", "512MB");
    EXPECT_EQ(atEnd, FeatureList({{"VRHDDSpool", "On"},
                                  {"XVRHDD", "Keep"},
                                  {"VRHDD", "False"},
                                  {"InstalledMemory", "512MB"}}));
    // Copying ends with the end marker; what follows it is not part of the list.
    EXPECT_EQ(Edit(list + "junk", "VRHDD", "True").size(), list.size() - 1);
    // The last record without its line feed keeps the end marker.
    const std::string bare = std::string("VRHDD\0False\0\0", 13);
    EXPECT_EQ(Edit(bare, "VRHDD", "True"), std::string("VRHDD\0True\0\n\0\0", 14));
}

TEST(FeatureList, AbsentKeywordShortLengthAndOverflowLeaveTheListAlone) {
    const std::string list = FeatureList({{"VROptionDuplex", "False"}, {"VRHDD", "False"}});
    EXPECT_EQ(Edit(list, "VRFinisher", "True"), list);
    EXPECT_EQ(Edit(list, "VROption", "True"), list) << "a keyword's prefix is no keyword";
    // The NUL after "VRHDD" lies beyond the valid length: nothing matches.
    const DWORD cut = static_cast<DWORD>(list.find("VRHDD") + 5);
    EXPECT_EQ(Edit(list, "VRHDD", "True", cut), list.substr(0, cut));

    // 250 bytes: a longer option would not fit the 256-byte work buffer.
    std::string big = FeatureList({{"VRHDD", "F"}, {std::string(235, 'K'), "x"}});
    ASSERT_EQ(big.size(), 250u);
    EXPECT_EQ(Edit(big, "VRHDD", "False").size(), 254u);
    EXPECT_EQ(Edit(big, "VRHDD", "1234567").size(), 256u) << "exactly full";
    EXPECT_EQ(Edit(big, "VRHDD", "12345678"), big);
}

TEST(InstalledOptions, EditsFollowTheInstallerValues) {
    InstalledOptions options;
    options.Installed = 0x35;
    options.PunchType = 2;
    options.JobLimitationMode = 1;
    options.SpotColor = 1;
    std::array<char, 16> memory{};
    std::map<std::string, const char*> edits;
    for (const auto& e : InstalledOptionEditsFor(options, false, memory))
        edits[e.keyword] = e.option;
    EXPECT_STREQ(edits["VROptionMPF"], "True");
    EXPECT_STREQ(edits["VROptionDuplex"], "True");
    EXPECT_STREQ(edits["VRFinisher"], "False");
    EXPECT_STREQ(edits["VROptionTray"], "True");
    EXPECT_STREQ(edits["VRPunchUnit"], "Type2");
    EXPECT_STREQ(edits["VRJobLimit"], "True");
    EXPECT_STREQ(edits["VRHDD"], "False");
    EXPECT_EQ(edits["InstalledMemory"], nullptr) << "memory 0 is not stated";
    EXPECT_STREQ(edits["VRSpecialTonerInstalled"], "White");

    options = {};
    options.Installed = 0x40;
    options.MemoryMegabytes = 512;
    options.PunchType = 7;
    options.JobLimitationMode = 1;
    options.SpotColor = 3;
    edits.clear();
    for (const auto& e : InstalledOptionEditsFor(options, true, memory))
        edits[e.keyword] = e.option;
    EXPECT_STREQ(edits["InstalledMemory"], "512MB");
    EXPECT_STREQ(edits["VRFinisher"], "True");
    EXPECT_STREQ(edits["VROptionTray"], "False");
    EXPECT_STREQ(edits["VRPunchUnit"], "None");
    EXPECT_STREQ(edits["VRJobLimit"], "False") << "never on Vista and later";
    EXPECT_EQ(edits["VRSpecialTonerInstalled"], nullptr);
}

TEST_F(PrinterEventTest, SyncWritesTheInstalledOptionsIntoFeatureKeyword) {
    const std::string list = FeatureList({{"VROptionMPF", "False"},
                                          {"VROptionDuplex", "False"},
                                          {"VRFinisher", "True"},
                                          {"VROptionTray", "False"},
                                          {"VRHDDSpool", "On"},
                                          {"VRHDD", "False"},
                                          {"InstalledMemory", "64MB"},
                                          {"VRPunchUnit", "None"}});
    InstalledOptionsFile file(
        "Installed=53\r\nRandom Access Memory=512\r\nHard Disk=1\r\nPunchType=3\r\n");
    // A short comment, and one that makes PRINTER_INFO_1 far larger than 255 bytes.
    for (const std::wstring& comment : {std::wstring(L"lab"), std::wstring(300, L'c')}) {
        SCOPED_TRACE(comment.size());
        PutComment(comment);
        PutFeatureList(list, static_cast<DWORD>(list.size()));
        Printer printer(kPrinter);
        SyncInstalledOptions(printer.get());
        DWORD stated = 0;
        const std::string synced = GetFeatureList(&stated);
        EXPECT_EQ(stated, synced.size());
        const auto options = ParseList(synced);
        EXPECT_EQ(options.size(), 8u);
        EXPECT_EQ(options.at("VROptionMPF"), "True");
        EXPECT_EQ(options.at("VROptionDuplex"), "True");
        EXPECT_EQ(options.at("VRFinisher"), "False");
        EXPECT_EQ(options.at("VROptionTray"), "True");
        EXPECT_EQ(options.at("VRHDD"), "True");
        EXPECT_EQ(options.at("VRHDDSpool"), "On");
        EXPECT_EQ(options.at("InstalledMemory"), "512MB");
        EXPECT_EQ(options.at("VRPunchUnit"), "Type3");
    }
    PutComment(L"");
}

TEST_F(PrinterEventTest, SyncLeavesListsWithoutKeywordsOrFileAlone) {
    Printer printer(kPrinter);
    const std::string foreign = FeatureList({{"Resolution", "600dpi"}, {"VRHDDSpool", "On"}});
    PutFeatureList(foreign, static_cast<DWORD>(foreign.size()));
    SyncInstalledOptions(printer.get());
    EXPECT_EQ(GetFeatureList(), foreign) << "no varoopt.dat";

    InstalledOptionsFile file("Installed=53\r\nRandom Access Memory=0\r\n");
    SyncInstalledOptions(printer.get());
    EXPECT_EQ(GetFeatureList(), foreign) << "no keyword of the mapping";

    // A stated size beyond the stored bytes counts only the stored bytes (this list has no end
    // marker, so nothing may be added after it); memory 0 keeps 64MB.
    std::string list = FeatureList({{"InstalledMemory", "64MB"}, {"VRHDD", "True"}});
    list.resize(list.size() - 2);
    PutFeatureList(list, 200);
    SyncInstalledOptions(printer.get());
    DWORD stated = 0;
    std::string expected = FeatureList({{"InstalledMemory", "64MB"}, {"VRHDD", "False"}});
    expected.resize(expected.size() - 2);
    EXPECT_EQ(GetFeatureList(&stated), expected);
    EXPECT_EQ(stated, expected.size());
}

TEST_F(PrinterEventTest, DefaultsReachThePrinterDevmode) {
    PutDevmode();
    ASSERT_EQ(GetDevmode().size(), sizeof(DEVMODEW) + 200) << "the spooler keeps the private part";
    {
        InstalledOptionsFile file("DrvInst_DuplexPrinting=1\r\n");
        EXPECT_TRUE(PushPrinterDefaults(kPrinter));
    }
    std::vector<BYTE> dm = GetDevmode();
    EXPECT_EQ(dm[kOutputOptionOffset], 2);
    EXPECT_EQ(Dm(dm).dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(Dm(dm).dmDefaultSource, DMBIN_FORMSOURCE);
    EXPECT_EQ(Dm(dm).dmDuplex, DMDUP_SIMPLEX) << "duplex choice 1";

    const std::wstring cap = DriverFile(L"prnev.cap");
    for (const wchar_t* value : {L"4", static_cast<const wchar_t*>(nullptr)}) {
        PutDevmode();
        WritePrivateProfileStringW(L"EvModel", L"PSOutputOpt", value, cap.c_str());
        InstalledOptionsFile file("DrvInst_DuplexPrinting=2\r\n");
        EXPECT_TRUE(PushPrinterDefaults(kPrinter));
        dm = GetDevmode();
        EXPECT_EQ(dm[kOutputOptionOffset], 0xEE) << (value ? "4" : "absent");
        EXPECT_EQ(Dm(dm).dmDuplex, DMDUP_VERTICAL);
    }
    // A DEVMODE without private part is not written past its end.
    WritePrivateProfileStringW(L"EvModel", L"PSOutputOpt", L"3", cap.c_str());
    PutDevmode(0);
    EXPECT_TRUE(PushPrinterDefaults(kPrinter));
    EXPECT_EQ(Dm(GetDevmode()).dmPaperSize, DMPAPER_A4);
}

TEST_F(PrinterEventTest, LongEdgeDuplexIsFoundUnderTheFullNameThenTheDeviceName) {
    const std::string full = testenv::Narrow(kLongPrinter);
    const std::string device = full.substr(0, CCHDEVICENAME - 1);
    const struct {
        const char* what;
        std::string file;
        short duplex;
    } cases[] = {
        {"full printer name", "[" + full + "]\r\nDrvInst_DuplexPrinting=2\r\n", DMDUP_VERTICAL},
        {"device name only", "[" + device + "]\r\nDrvInst_DuplexPrinting=2\r\n", DMDUP_VERTICAL},
        {"full name says no",
         "[" + full + "]\r\nDrvInst_DuplexPrinting=1\r\n[" + device +
             "]\r\nDrvInst_DuplexPrinting=2\r\n",
         DMDUP_SIMPLEX},
        {"another printer", "[PrnEvent 1]\r\nDrvInst_DuplexPrinting=2\r\n", DMDUP_SIMPLEX},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PutDevmode(200, kLongPrinter);
        InstalledOptionsFile file(c.file);
        EXPECT_TRUE(PushPrinterDefaults(kLongPrinter));
        EXPECT_EQ(Dm(GetDevmode(kLongPrinter)).dmDuplex, c.duplex);
    }
}

namespace {
std::vector<std::string> identityCalls;
HANDLE WINAPI FakeRevert() {
    identityCalls.push_back("revert");
    return reinterpret_cast<HANDLE>(0x1234);
}
BOOL WINAPI FakeImpersonate(HANDLE token) {
    identityCalls.push_back("impersonate " + std::to_string(reinterpret_cast<UINT_PTR>(token)));
    return TRUE;
}
}  // namespace

TEST_F(PrinterEventTest, CallerIdentityIsRestoredOnEveryPath) {
    const SpoolerIdentity identity = {FakeRevert, FakeImpersonate};
    const std::vector<std::string> expected = {"revert", "impersonate 4660"};
    identityCalls.clear();
    EXPECT_TRUE(PushPrinterDefaultsAs(kPrinter, identity));
    EXPECT_EQ(identityCalls, expected);
    identityCalls.clear();
    EXPECT_FALSE(PushPrinterDefaultsAs(L"No Such Printer", identity));
    EXPECT_EQ(identityCalls, expected);
}

TEST_F(PrinterEventTest, UserModeLibraryNeedsTheStringResource) {
    Printer printer(kPrinter);
    // This test program has no string 30000: the missing value cannot be written.
    EXPECT_FALSE(EnsureUserModeLibrary(printer.get(), nullptr));
    EXPECT_EQ(HandlePrinterEvent(const_cast<wchar_t*>(kPrinter), PRINTER_EVENT_INITIALIZE, 0, 0),
              E_FAIL);
    EXPECT_EQ(UserModeLibrary(), L"<missing>");
    NameOwnLibrary(printer.get());
    EXPECT_TRUE(EnsureUserModeLibrary(printer.get(), nullptr));
    EXPECT_EQ(UserModeLibrary(), L"own.dll");
}

TEST_F(PrinterEventTest, InitializeThroughThePluginDll) {
    testenv::PluginDll dll;
    ASSERT_TRUE(dll.Loaded());
    IPrintOemUI2* object = dll.Create();
    ASSERT_NE(object, nullptr);
    wchar_t* name = const_cast<wchar_t*>(kPrinter);

    EXPECT_EQ(object->PrinterEvent(name, PRINTER_EVENT_ADD_CONNECTION, 0, 0), S_OK);
    EXPECT_EQ(UserModeLibrary(), L"<missing>") << "only initialisation acts";

    // The package installed its files read-only; the event leaves them so.
    const std::wstring ini = DriverFile(L"prnev.ini");
    const std::wstring driverFiles[] = {ini, DriverFile(L"PRNEVMODEL.PPD"),
                                        DriverFile(L"prnevccm.ini")};
    for (const std::wstring& file : driverFiles) RestrictToReading(file);
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_READONLY);
    wchar_t common[MAX_PATH] = {};
    ASSERT_HRESULT_SUCCEEDED(
        SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, common));
    const std::wstring dataRoot = std::wstring(common) + L"\\PrinterUiPlugin";
    const std::wstring dataFolder = dataRoot + L"\\" + kDriver;
    RemoveDirectoryW(dataFolder.c_str());
    ASSERT_EQ(GetFileAttributesW(dataFolder.c_str()), INVALID_FILE_ATTRIBUTES);
    PutDevmode();
    const std::string list = FeatureList({{"VROptionDuplex", "False"}});
    PutFeatureList(list, static_cast<DWORD>(list.size()));
    InstalledOptionsFile file("Installed=32\r\n");

    EXPECT_EQ(object->PrinterEvent(name, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    EXPECT_EQ(UserModeLibrary(), L"Vrdrvum.dll");
    EXPECT_NE(GetFileAttributesW(ini.c_str()) & FILE_ATTRIBUTE_READONLY, 0u);
    for (const std::wstring& driverFile : driverFiles) {
        EXPECT_EQ(ReadDacl(driverFile).allowed[L"S-1-1-0"] &
                      (FILE_WRITE_DATA | WRITE_DAC | WRITE_OWNER | DELETE),
                  0u)
            << testenv::Narrow(driverFile);
    }
    // Users' saves go to the driver's data folder instead, made by the event.
    const DWORD folder = GetFileAttributesW(dataFolder.c_str());
    EXPECT_TRUE(folder != INVALID_FILE_ATTRIBUTES && (folder & FILE_ATTRIBUTE_DIRECTORY) != 0);
    EXPECT_EQ(GetDevmode()[kOutputOptionOffset], 2);
    EXPECT_EQ(ParseList(GetFeatureList()).at("VROptionDuplex"), "True");
    SetFileAttributesW(ini.c_str(), FILE_ATTRIBUTE_NORMAL);
    for (const std::wstring& driverFile : driverFiles) SetDacl(driverFile, L"D:P(A;;FA;;;WD)");

    Printer printer(kPrinter);
    NameOwnLibrary(printer.get());
    EXPECT_EQ(object->PrinterEvent(name, PRINTER_EVENT_INITIALIZE, 0, 0), S_OK);
    EXPECT_EQ(UserModeLibrary(), L"own.dll") << "a named library stays";
    EXPECT_EQ(object->PrinterEvent(const_cast<wchar_t*>(L"No Such Printer"),
                                   PRINTER_EVENT_INITIALIZE, 0, 0),
              S_OK);
    object->Release();
}
