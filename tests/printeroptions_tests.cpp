// The printer-properties tree through the core-driver stand-in: the plug-in's detection item,
// the tags of the installable options, detection through the network and USB stand-in
// libraries, refusals, job limitation, Apply and page activation.
#include <gtest/gtest.h>

#include <shlobj.h>
#include <winspool.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "docprop/itemmap.h"
#include "host/coredriver.h"
#include "plugin/object.h"
#include "setup/printeroptions.h"
#include "tests/support/coresheet.h"
#include "tests/support/dialogdriver.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"

using namespace oemui;

namespace {

constexpr wchar_t kDriver[] = L"Lab Detect PS";
constexpr wchar_t kNetPrinter[] = L"Lab Detect 1";
constexpr wchar_t kUsbPrinter[] = L"Lab Detect USB";
// Its printer information outgrows any first guess of its size (a long comment).
constexpr wchar_t kLongPrinter[] = L"Lab Detect Long";
constexpr size_t kLongCommentChars = 20000;
constexpr wchar_t kCapName[] = L"vrdetect.cap";
constexpr wchar_t kUsbDataName[] = L"vrdetect_usb.dat";

// The installable options in the order of the sample PPD (and so of the printer tree).
const std::vector<std::string> kOptionOrder = {
    "VRHDD",       "VROptionDuplex", "VROptionTray", "InstalledMemory",        "VRFinisher",
    "VROptionMPF", "VRPunchUnit",    "VRJobLimit",   "VRSpecialTonerInstalled"};

// The folder of this test program (the application's folder).
std::wstring ProgramDirectory() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring dir = path;
    return dir.substr(0, dir.find_last_of(L"\\/"));
}

// Copies a stand-in library of the build into `dir` under `name`.
bool PlaceLibrary(const wchar_t* standIn, const std::wstring& dir, const wchar_t* name) {
    return CopyFileW((ProgramDirectory() + L"\\" + standIn).c_str(), (dir + L"\\" + name).c_str(),
                     FALSE) != FALSE;
}

bool AddPrinterOnPort(const std::wstring& name, const wchar_t* port,
                      const std::wstring& comment = std::wstring()) {
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE existing = nullptr;
    if (OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &existing, &access)) {
        DeletePrinter(existing);
        ClosePrinter(existing);
    }
    PRINTER_INFO_2W info = {};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(port);
    info.pDriverName = const_cast<wchar_t*>(kDriver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    info.Attributes = PRINTER_ATTRIBUTE_LOCAL;
    if (!comment.empty()) info.pComment = const_cast<wchar_t*>(comment.c_str());
    HANDLE created = AddPrinterW(nullptr, 2, reinterpret_cast<BYTE*>(&info));
    if (created == nullptr) return false;
    ClosePrinter(created);
    return true;
}

// The model's capability file with the given network library.
void WriteCapability(const std::string& netLibrary) {
    const std::string text =
        "[Capability]\r\nLab Detect PS=Detect\r\n[Detect]\r\nNetExtDLL=" + netLibrary +
        "\r\nUSBExtDLL=vrusbext.dll\r\nUSBExtDAT=" + testenv::Narrow(kUsbDataName) + "\r\n";
    ASSERT_TRUE(testenv::WriteFileBytes(testenv::DriverDirectory3() + L"\\" + kCapName, text));
}

struct Report {
    std::string installed, memory, hardDisk, punch, jobLimit, spot;
};

std::string NetworkData(const std::wstring& section, const Report& r) {
    std::string text;
    const std::pair<const char*, const std::string*> keys[] = {
        {"Installed", &r.installed},        {"Random Access Memory", &r.memory},
        {"Hard Disk", &r.hardDisk},         {"PunchType", &r.punch},
        {"JobLimitationMode", &r.jobLimit}, {"SpotColor", &r.spot}};
    text.append("[").append(testenv::Narrow(section)).append("]\r\n");
    for (const auto& [key, value] : keys)
        text.append(key).append("=").append(*value).append("\r\n");
    return text;
}

std::wstring TempFile(const wchar_t* name) {
    wchar_t dir[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, dir);
    return std::wstring(dir) + name;
}

size_t CountLines(const std::vector<std::string>& lines, const std::string& line) {
    return static_cast<size_t>(std::count(lines.begin(), lines.end(), line));
}

bool Contains(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines) {
        if (line.find(text) != std::string::npos) return true;
    }
    return false;
}

class PrinterOptions : public testenv::CoreSheetTest {
protected:
    static void SetUpTestSuite() {
        host::DriverPackage driver;
        driver.name = kDriver;
        driver.dependentFiles = {{kCapName, "[Capability]\r\n"},
                                 {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)}};
        driver.dataFile = L"VRDETECT.PPD";
        driver.dataContent = testenv::SampleFile(L"labcolor.ppd");
        // The network libraries are installed with the driver, in the driver directory.
        const std::wstring driverDir = testenv::DriverDirectory3();
        installed_ =
            testenv::InstallDriver(driver) && AddPrinterOnPort(kNetPrinter, L"FILE:") &&
            AddPrinterOnPort(kUsbPrinter, L"USB001") &&
            AddPrinterOnPort(kLongPrinter, L"FILE:", std::wstring(kLongCommentChars, L'c')) &&
            PlaceLibrary(L"vrnetext.dll", driverDir, L"vrnetext.dll") &&
            PlaceLibrary(L"vrnetext_nocap.dll", driverDir, L"vrnetext_nocap.dll");
    }

    void SetUp() override {
        ASSERT_TRUE(installed_);
        ASSERT_NO_FATAL_FAILURE(CoreSheetTest::SetUp());
        savedVista_ = IsVistaOrLater;
        WriteCapability("vrnetext.dll");
        dataFile_ = TempFile(L"vrdetect_net.dat");
    }

    void TearDown() override {
        CoreSheetTest::TearDown();
        IsVistaOrLater = savedVista_;
        DeleteFileW(dataFile_.c_str());
    }

    // Opens the printer sheet with the OS flag given (the OS check has run by then).
    void Open(const wchar_t* printer, bool vista, bool hideStandardUi = false) {
        if (core_) core_->Shutdown();
        ASSERT_NO_FATAL_FAILURE(StartCore(testenv::InProcessOptions(printer)));
        IsVistaOrLater = vista;
        if (hideStandardUi) core_->Plugin()->HideStandardUI(OEMCUIP_PRNPROP);
        ASSERT_TRUE(core_->OpenSheet(host::SheetKind::Printer));
        ASSERT_EQ(core_->SecondCommonUIProp(), S_OK);
        object_ = static_cast<PluginObject*>(core_->Plugin());
        core_->ClearUpdates();
    }

    void WriteNetworkReport(const Report& report) {
        ASSERT_TRUE(testenv::WriteFileBytes(dataFile_, NetworkData(kNetPrinter, report)));
    }

    DWORD Index(const std::string& keyword) {
        const int index = core_->Tree().FindKeyword(keyword);
        EXPECT_GE(index, 0) << keyword;
        return static_cast<DWORD>(index < 0 ? 0 : index);
    }
    POPTITEM Button() { return core_->OemItems(); }
    LONG PressButton() { return core_->CallTreeCallback(CPSUICB_REASON_SEL_CHANGED, Button()); }

    // (keyword, new selection) of every update, in order.
    std::vector<std::pair<std::string, LONG>> Pushed() {
        std::vector<std::pair<std::string, LONG>> pushed;
        for (const host::UpdateRecord& update : core_->Updates()) {
            pushed.emplace_back(update.keyword, update.newSel);
        }
        return pushed;
    }
    static std::vector<std::pair<std::string, LONG>> Expected(const std::vector<LONG>& sels) {
        std::vector<std::pair<std::string, LONG>> expected;
        for (size_t i = 0; i < sels.size(); ++i) expected.emplace_back(kOptionOrder[i], sels[i]);
        return expected;
    }

    static inline bool installed_ = false;
    bool savedVista_ = false;
    std::wstring dataFile_;
    PluginObject* object_ = nullptr;
};

TEST_F(PrinterOptions, TwoCallsAddTheButtonAndTagTheInstallableOptions) {
    Open(kNetPrinter, true, true);
    EXPECT_EQ(core_->FirstCommonUIProp(), S_OK);
    ASSERT_EQ(core_->OemItemCount(), 1u);  // asked for on the first call
    EXPECT_EQ(core_->TreeParam().pOEMUserData, static_cast<PluginState*>(object_));
    EXPECT_EQ(core_->TreeParam().OEMCUIPCallback, &PrinterTreeCallback);

    const OPTITEM& button = *Button();
    EXPECT_EQ(button.cbSize, sizeof(OPTITEM));
    EXPECT_EQ(button.Level, 2);
    EXPECT_EQ(button.Flags, static_cast<DWORD>(OPTIF_CALLBACK | OPTIF_HAS_POIEXT));
    ASSERT_NE(button.pName, nullptr);
    EXPECT_STREQ(button.pName, L"&Get installed options automatically");
    EXPECT_EQ(button.HelpIndex, 2210);
    EXPECT_EQ(button.UserItemID, kDetectButtonTag);
    EXPECT_EQ(button.DMPubID, DMPUB_NONE);
    ASSERT_NE(button.pOIExt, nullptr);
    EXPECT_EQ(button.pOIExt->cbSize, sizeof(OIEXT));
    PrinterItemMap* map = object_->PrinterContext;
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(button.pOIExt->pHelpFile, map->HelpPath) << "the sheet's own copy";
    EXPECT_NE(std::wstring(map->HelpPath).find(L"\\3\\vrlab.hlp"), std::wstring::npos);
    ASSERT_NE(button.pOptType, nullptr);
    EXPECT_EQ(button.pOptType->Type, TVOT_PUSHBUTTON);
    EXPECT_EQ(button.pOptType->Count, 1);
    EXPECT_EQ(button.pOptType->BegCtrlID, 1);
    EXPECT_EQ(button.pOptType->Style, 0xE0);
    EXPECT_EQ(button.pOptType->pOptParam[0].cbSize, sizeof(OPTPARAM));
    EXPECT_EQ(button.pOptType->pOptParam[1].lParam, 9999);

    host::OptionTree& tree = core_->Tree();
    const std::pair<const char*, std::pair<BYTE, WORD>> tags[] = {
        {"VRHDD", {3, 2205}},
        {"VROptionDuplex", {5, 2204}},
        {"VROptionTray", {6, 2203}},
        {"InstalledMemory", {7, 2207}},
        {"VRFinisher", {8, 2206}},
        {"VROptionMPF", {9, 2209}},
        {"VRPunchUnit", {10, 2211}},
        {"VRJobLimit", {11, 2212}},
        {"VRSpecialTonerInstalled", {12, 1812}}};
    for (const auto& [keyword, tag] : tags) {
        const OPTITEM& item = tree.Item(Index(keyword));
        EXPECT_EQ(item.UserItemID, tag.first) << keyword;
        EXPECT_EQ(item.HelpIndex, tag.second) << keyword;
        EXPECT_TRUE(item.Flags & OPTIF_HAS_POIEXT) << keyword;
        ASSERT_NE(item.pOIExt, nullptr);
        EXPECT_EQ(item.pOIExt->pHelpFile, map->HelpPath);
    }
    EXPECT_TRUE(tree.Item(static_cast<DWORD>(tree.FindStringId(64798))).Flags & OPTIF_COLLAPSE);

    EXPECT_EQ(map->Param, &core_->TreeParam());
    const WORD recorded[] = {404, 405, 440, 427, 428};
    for (int k = 0; k < kRecordedItems; ++k) {
        const int index = tree.FindStringId(recorded[k]);
        EXPECT_EQ(map->ItemIndex[kFirstRecordedSlot + k], static_cast<DWORD>(index));
        EXPECT_EQ(map->ItemSel[k], tree.Item(static_cast<DWORD>(index)).Sel);
    }
    for (int slot : {0, 5, 11, 14}) EXPECT_EQ(map->ItemIndex[slot], kNoPrinterItem);
    // The sheet registration found the record built by the tree.
    EXPECT_NE(map->SheetHandle, nullptr);
    EXPECT_EQ(map->SheetParam, &core_->SheetParam());
    ASSERT_NE(object_->DocumentContext, nullptr);
    EXPECT_EQ(object_->DocumentContext->HideStandardUiSeen, 1u);
}

TEST_F(PrinterOptions, ButtonPushesTheReportByTagInTreeOrder) {
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    struct Case {
        Report report;
        bool vista;
        std::vector<LONG> sels;
    };
    const Case cases[] = {
        // Trays from bits 0x1..0x8, the lowest set one deciding (0x06: 2); memory "128 MB"
        // is option 1.
        {{"118", "128", "1", "2", "1", "2"}, false, {0, 0, 2, 1, 1, 1, 1, 0, 2}},
        // Nothing installed; 96 MB is no option; job limitation stays off from Vista on.
        {{"0", "96", "0", "0", "1", "0"}, true, {1, 1, 0, 0, 0, 0, 0, 1, 0}},
        {{"8", "512", "0", "3", "0", "1"}, false, {1, 1, 4, 3, 0, 0, 1, 1, 1}},
        {{"12", "64", "0", "0", "0", "0"}, false, {1, 1, 3, 0, 0, 0, 0, 1, 0}},
    };
    for (const Case& c : cases) {
        testenv::StandInLog log;
        Open(kNetPrinter, c.vista);
        WriteNetworkReport(c.report);
        EXPECT_EQ(PressButton(), CPSUICB_ACTION_OPTIF_CHANGED);
        EXPECT_EQ(Pushed(), Expected(c.sels)) << c.report.installed;
        for (const host::UpdateRecord& update : core_->Updates()) {
            EXPECT_EQ(update.mode, 2u);
            EXPECT_TRUE(update.accepted) << update.keyword;
        }
        const std::vector<std::string> lines = log.Lines();
        EXPECT_TRUE(
            Contains(lines, "ReadPrinterOptionFlag32 Lab Detect 1 owner=0 0 0 flags=0x800080"));
        EXPECT_TRUE(Contains(lines, "GetDataFileName Lab Detect 1 size=260"));
        // Kept for the sheet since its set-up, freed when it ends.
        EXPECT_EQ(CountLines(lines, "netext load"), 1u);
        EXPECT_EQ(CountLines(lines, "netext unload"), 0u);
        core_->Shutdown();
        EXPECT_EQ(log.Lines().back(), "netext unload");
    }
}

// Set-up, activations, focus and the button of one sheet call the network library exactly as
// before, in one load of it that ends with the sheet; the next sheet loads its own.
TEST_F(PrinterOptions, OneSheetLoadsTheNetworkLibraryOnce) {
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    WriteNetworkReport({"118", "128", "1", "2", "1", "2"});
    const std::string activation[] = {
        "IsValidPort Lab Detect 1", "GetNetextCapability Lab Detect 1",
        "ReadPrinterOptionFlag32 Lab Detect 1 owner=0 0 0 flags=0xa00000",
        "GetDataFileName Lab Detect 1 size=260"};
    std::vector<std::string> expected = {"netext load", "GetNetextCapability Lab Detect 1"};
    for (int round = 0; round < 2; ++round) {
        expected.insert(expected.end(), std::begin(activation), std::end(activation));
    }
    expected.insert(expected.end(),
                    {"IsValidPort Lab Detect 1",
                     "ReadPrinterOptionFlag32 Lab Detect 1 owner=0 0 0 flags=0x800080",
                     "GetDataFileName Lab Detect 1 size=260"});

    for (int sheet = 0; sheet < 2; ++sheet) {
        SCOPED_TRACE(sheet == 0 ? "first sheet" : "next sheet");
        testenv::StandInLog log;
        Open(kNetPrinter, true);
        EXPECT_FALSE(Button()->Flags & OPTIF_HIDE);
        EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 1);
        EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 1);
        EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_OPTITEM_SETFOCUS, Button()), 0);
        EXPECT_EQ(Button()->Flags & OPTIF_DISABLED, 0u);
        EXPECT_EQ(PressButton(), 1);
        EXPECT_EQ(Pushed().size(), 3 * kOptionOrder.size());
        EXPECT_EQ(log.Lines(), expected);
        core_->Shutdown();
        std::vector<std::string> ended = expected;
        ended.push_back("netext unload");
        EXPECT_EQ(log.Lines(), ended);
    }
}

// Printer information of any size reaches the library: the name and port come from it.
TEST_F(PrinterOptions, ActivationReadsPrinterInformationOfAnySize) {
    {
        testenv::Printer printer(kLongPrinter);
        ASSERT_TRUE(printer);
        DWORD needed = 0;
        GetPrinterA(printer.get(), 2, nullptr, 0, &needed);
        ASSERT_GT(needed, kLongCommentChars) << "the comment must make the information large";
    }
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    for (const wchar_t* name : {kNetPrinter, kLongPrinter}) {
        const std::string narrow = testenv::Narrow(name);
        SCOPED_TRACE(narrow);
        ASSERT_TRUE(testenv::WriteFileBytes(dataFile_,
                                            NetworkData(name, {"118", "128", "1", "2", "1", "2"})));
        testenv::StandInLog log;
        Open(name, true);
        EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 1);
        EXPECT_EQ(Pushed(), Expected({0, 0, 2, 1, 1, 1, 1, 1, 2}));
        EXPECT_TRUE(Contains(log.Lines(), "IsValidPort " + narrow));
    }
}

TEST_F(PrinterOptions, RefusedValuesDoNotStopTheOthers) {
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    Open(kNetPrinter, false);
    // A punch set on the document side forbids removing the punch unit; special toner 5
    // does not exist.
    ASSERT_TRUE(core_->SetFeature("VRPunchUnit", "Type1"));
    ASSERT_TRUE(core_->SetFeature("VRPunch", "TwoHoles"));
    WriteNetworkReport({"32", "64", "1", "0", "0", "5"});
    EXPECT_EQ(PressButton(), CPSUICB_ACTION_OPTIF_CHANGED);
    const std::vector<host::UpdateRecord>& updates = core_->Updates();
    ASSERT_EQ(updates.size(), kOptionOrder.size());
    for (size_t i = 0; i < updates.size(); ++i) {
        EXPECT_EQ(updates[i].keyword, kOptionOrder[i]);
        const bool refused =
            kOptionOrder[i] == "VRPunchUnit" || kOptionOrder[i] == "VRSpecialTonerInstalled";
        EXPECT_EQ(updates[i].accepted, !refused) << kOptionOrder[i];
    }
    EXPECT_EQ(core_->FeatureOption("VRPunchUnit"), "Type1");
    EXPECT_EQ(core_->FeatureOption("VROptionDuplex"), "True");
}

TEST_F(PrinterOptions, MissingLibraryOrEntryPointHidesTheButtonAndDetectsNothing) {
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    WriteNetworkReport({"118", "128", "1", "2", "1", "2"});
    struct Case {
        const char* library;
        const wchar_t* capability;  // OEMUI_NETEXT_CAPABILITY
    };
    for (const Case& c : {Case{"", L"1"}, Case{"nosuch.dll", L"1"},
                          Case{"vrnetext_nocap.dll", L"1"}, Case{"vrnetext.dll", L"0"}}) {
        WriteCapability(c.library);
        testenv::ScopedEnv capability(L"OEMUI_NETEXT_CAPABILITY", c.capability);
        Open(kNetPrinter, true);
        EXPECT_TRUE(Button()->Flags & OPTIF_HIDE) << c.library;
        // Without the library the button finds nothing either.
        if (std::string(c.library).find("vrnetext") == std::string::npos) {
            EXPECT_EQ(PressButton(), CPSUICB_ACTION_OPTIF_CHANGED);
            EXPECT_TRUE(core_->Updates().empty()) << c.library;
        }
    }

    // The library is there but does not read the options, or names no readable file.
    WriteCapability("vrnetext.dll");
    {
        testenv::StandInLog log;
        testenv::ScopedEnv read(L"OEMUI_NETEXT_READ", L"0");
        Open(kNetPrinter, true);
        EXPECT_FALSE(Button()->Flags & OPTIF_HIDE);
        PressButton();
        EXPECT_TRUE(core_->Updates().empty());
        EXPECT_FALSE(Contains(log.Lines(), "GetDataFileName"));
    }
    DeleteFileW(dataFile_.c_str());
    Open(kNetPrinter, true);
    PressButton();
    EXPECT_TRUE(core_->Updates().empty());
}

TEST_F(PrinterOptions, NetworkLibraryIsLoadedFromTheDriverDirectoryOnly) {
    // A library of the configured name planted beside the application and in the current
    // directory: the normal search order would find it there.
    constexpr wchar_t kPlanted[] = L"vrplanted.dll";
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    const std::wstring places[] = {ProgramDirectory(), current, testenv::DriverDirectory3()};
    ASSERT_TRUE(PlaceLibrary(L"vrnetext.dll", places[0], kPlanted));
    ASSERT_TRUE(PlaceLibrary(L"vrnetext.dll", places[1], kPlanted));
    WriteCapability(testenv::Narrow(kPlanted));
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    WriteNetworkReport({"118", "128", "1", "2", "1", "2"});
    for (const bool inDriverDirectory : {false, true}) {
        SCOPED_TRACE(inDriverDirectory ? "also in the driver directory" : "planted only");
        if (inDriverDirectory) {
            ASSERT_TRUE(PlaceLibrary(L"vrnetext.dll", places[2], kPlanted));
        }
        testenv::StandInLog log;
        Open(kNetPrinter, true);
        EXPECT_EQ((Button()->Flags & OPTIF_HIDE) == 0, inDriverDirectory);
        PressButton();
        EXPECT_EQ(core_->Updates().empty(), !inDriverDirectory);
        EXPECT_EQ(Contains(log.Lines(), "ReadPrinterOptionFlag32"), inDriverDirectory);
        core_->Shutdown();
        core_.reset();
    }
    for (const std::wstring& dir : places) DeleteFileW((dir + L"\\" + kPlanted).c_str());
}

TEST_F(PrinterOptions, JobLimitationIsForcedOffUnlessAnOlderSystemHidesTheStandardPages) {
    struct Case {
        bool vista;
        bool hideStandardUi;
        bool forced;
    };
    for (const Case& c : {Case{true, true, true}, Case{true, false, true}, Case{false, false, true},
                          Case{false, true, false}}) {
        Open(kNetPrinter, c.vista, c.hideStandardUi);
        const DWORD index = Index("VRJobLimit");
        ASSERT_TRUE(core_->UserSelect(index, 0));  // "On"
        ASSERT_FALSE(core_->Callbacks().empty());
        EXPECT_EQ(core_->Callbacks().back().result, c.forced ? 1 : 0);
        EXPECT_EQ(core_->Tree().Item(index).Sel, c.forced ? 1 : 0);
        EXPECT_EQ(Pushed().size(), c.forced ? 1u : 0u);
        EXPECT_EQ(core_->FeatureOption("VRJobLimit"), c.forced ? "False" : "True");
    }
    // Other items are left to the core driver.
    Open(kNetPrinter, true);
    ASSERT_TRUE(core_->UserSelect(Index("VRFinisher"), 1));
    EXPECT_EQ(core_->Callbacks().back().result, 0);
    EXPECT_TRUE(core_->Updates().empty());
}

TEST_F(PrinterOptions, ApplyStoresTheItemAndSkipsTheNextActivation) {
    testenv::ScopedEnv data(L"OEMUI_NETEXT_DATAFILE", dataFile_.c_str());
    WriteNetworkReport({"118", "256", "1", "1", "0", "1"});
    testenv::StandInLog log;
    Open(kNetPrinter, true);
    Button()->Sel = 1;
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_APPLYNOW), 0);
    testenv::Printer printer(kNetPrinter);
    DWORD type = 0, value = 0, needed = 0;
    ASSERT_EQ(GetPrinterDataW(printer.get(), const_cast<wchar_t*>(L"OEMUI_VALUE"), &type,
                              reinterpret_cast<BYTE*>(&value), sizeof(value), &needed),
              static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(value, 1u);

    log.Clear();
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 0);
    EXPECT_TRUE(core_->Updates().empty());
    EXPECT_FALSE(Contains(log.Lines(), "ReadPrinterOptionFlag32"));

    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 1);
    EXPECT_EQ(Pushed(), Expected({0, 0, 2, 2, 1, 1, 1, 1, 1}));
    const std::vector<std::string> lines = log.Lines();
    EXPECT_TRUE(Contains(lines, "IsValidPort Lab Detect 1"));
    EXPECT_TRUE(Contains(lines, "GetNetextCapability Lab Detect 1"));
    EXPECT_TRUE(Contains(lines, "flags=0xa00000"));

    // Activation wants exactly 1 from the library; the button takes any non-zero answer.
    testenv::ScopedEnv two(L"OEMUI_NETEXT_READ", L"2");
    core_->ClearUpdates();
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 0);
    EXPECT_TRUE(core_->Updates().empty());
    EXPECT_EQ(PressButton(), 1);
    EXPECT_EQ(core_->Updates().size(), kOptionOrder.size());

    // Before Vista page activation never detects.
    Open(kNetPrinter, false);
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 0);
    EXPECT_TRUE(core_->Updates().empty());
}

TEST_F(PrinterOptions, UsbPortUsesTheLibraryBesideThePlugin) {
    char appData[MAX_PATH] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appData, CSIDL_APPDATA, TRUE));
    const std::wstring usbData = testenv::Widen(appData) + L"\\" + kUsbDataName;
    // Bit 0x80 is the hard disk; the memory size is a string.
    ASSERT_TRUE(testenv::WriteFileBytes(
        usbData,
        "[Lab Detect USB]\r\nInstalled=161\r\nRAM=  +256 MB\r\nPunchType=0\r\n"
        "JobLimitationMode=1\r\nSpotColor=0\r\n"));
    testenv::StandInLog log;
    Open(kUsbPrinter, true);
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 1);
    EXPECT_EQ(Pushed(), Expected({0, 0, 1, 2, 0, 0, 0, 1, 0}));
    std::vector<std::string> lines = log.Lines();
    char plugin[MAX_PATH] = {};
    GetModuleFileNameA(dll_, plugin, MAX_PATH);
    std::string expected("usbext load ");
    expected.append(plugin, std::string(plugin).find_last_of("\\/") + 1);
    expected.append("vrusbext.dll");
    EXPECT_TRUE(Contains(lines, expected)) << expected;
    EXPECT_TRUE(Contains(lines, "ReadPrinterOptionUSB Lab Detect USB"));
    EXPECT_TRUE(Contains(lines, "ReadPrinterOptionUSB2 Lab Detect USB"));
    EXPECT_FALSE(Contains(lines, "IsValidPort"));

    testenv::ScopedEnv second(L"OEMUI_USBEXT_READ2", L"0");
    core_->ClearUpdates();
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_SETACTIVE), 0);
    EXPECT_TRUE(core_->Updates().empty());
    DeleteFileW(usbData.c_str());
}

TEST_F(PrinterOptions, FocusEnablesTheButtonOnNetworkPortsOnly) {
    Open(kNetPrinter, true);
    {
        testenv::ScopedEnv port(L"OEMUI_NETEXT_VALIDPORT", L"0");
        EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_OPTITEM_SETFOCUS, Button()), 0);
        EXPECT_EQ(Button()->Flags & (OPTIF_DISABLED | OPTIF_CHANGED),
                  static_cast<DWORD>(OPTIF_DISABLED | OPTIF_CHANGED));
    }
    Button()->Flags &= ~static_cast<DWORD>(OPTIF_CHANGED);
    EXPECT_EQ(core_->CallTreeCallback(CPSUICB_REASON_OPTITEM_SETFOCUS, Button()), 0);
    EXPECT_EQ(Button()->Flags & (OPTIF_DISABLED | OPTIF_CHANGED),
              static_cast<DWORD>(OPTIF_CHANGED));
    // Focus on another item leaves the button alone.
    Button()->Flags |= OPTIF_DISABLED;
    core_->CallTreeCallback(CPSUICB_REASON_OPTITEM_SETFOCUS, &core_->Tree().Item(Index("VRHDD")));
    EXPECT_TRUE(Button()->Flags & OPTIF_DISABLED);
}

}  // namespace
