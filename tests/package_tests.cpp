// The integrator's kit: the driver package's INF and what the stand-in installs from it, the
// built package folder, the one version number of the DLL and the INF, the plug-in DLL found
// through the plug-in INI file, and the trace an integrator switches on.
#include <gtest/gtest.h>

#include <windows.h>
#include <prsht.h>
#include <winspool.h>

#include <algorithm>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "host/coredriver.h"
#include "host/inf.h"
#include "host/install.h"
#include "base/trace.h"
#include "tests/support/testprinters.h"
#include "tests/support/wineconfig.h"

namespace {

using host::InfModel;

bool Contains(const std::wstring& text, const std::wstring& part) {
    return text.find(part) != std::wstring::npos;
}

std::wstring PackageDir() {
    const std::wstring bin = testenv::TestBinDir();
    return bin.substr(0, bin.find_last_of(L'\\')) + L"\\package";
}

// A fresh copy of the built package in which a test may break things.
std::wstring PackageCopy(const std::wstring& name) {
    const std::wstring dir = testenv::FreshTempFolder(name);
    const std::wstring arch = dir + L"\\amd64";
    CreateDirectoryW(arch.c_str(), nullptr);
    testenv::EmptyFolder(arch);
    for (const std::wstring& sub : {std::wstring(), std::wstring(L"\\amd64")}) {
        WIN32_FIND_DATAW found;
        HANDLE find = FindFirstFileW((PackageDir() + sub + L"\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) continue;
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
            CopyFileW((PackageDir() + sub + L"\\" + found.cFileName).c_str(),
                      (dir + sub + L"\\" + found.cFileName).c_str(), FALSE);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    return dir;
}

// `text` with "{dll}", "{ini}" and "{cap}" replaced by the build's names of the plug-in DLL,
// its INI file and the capability file.
std::wstring Named(std::wstring text) {
    const std::pair<const wchar_t*, const wchar_t*> names[] = {
        {L"{dll}", host::kPluginFileName},
        {L"{ini}", host::kPluginIniName},
        {L"{cap}", host::kCapabilityFileName}};
    for (const auto& [token, name] : names) {
        for (size_t at = text.find(token); at != std::wstring::npos; at = text.find(token, at))
            text.replace(at, wcslen(token), name);
    }
    return text;
}

// Replaces every `from` in the INF of a package copy.
void ReplaceInInf(const std::wstring& dir, const std::wstring& from, const std::wstring& to) {
    const std::wstring path = dir + L"\\" + host::kSampleInfName;
    std::string text = testenv::ReadFileBytes(path);
    const std::string a = testenv::Narrow(from);
    const std::string b = testenv::Narrow(to);
    for (size_t at = text.find(a); at != std::string::npos; at = text.find(a, at + b.size()))
        text.replace(at, a.size(), b);
    testenv::WriteFileBytes(path, text);
}

std::wstring Joined(const std::vector<std::wstring>& lines) {
    std::wstring out;
    for (const std::wstring& l : lines) out += l + L"\n";
    return out;
}

// ---------------------------------------------------------------------------------------------
// The INF reader

const char kGoodInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\nDriverVer=01/02/2026,1.2.3.4 ; date, version\r\n"
    "[Manufacturer]\r\n%Maker%=Models,NTx86,NTamd64.6.0\r\n"
    "[Models.NTamd64.6.0]\r\n\"Model, Wide\"=WIDE,HWID1\r\n"
    "[Models.NTx86]\r\n\"Model, Wide\"=WIDE32,HWID1\r\n"
    "[WIDE]\r\nCopyFiles=CONFIG,@data.ppd\r\nDataFile=DATA.PPD\r\n"
    "[CONFIG]\r\nplugin.dll\r\nrenamed.ini,source.ini ; the source has another name\r\n"
    "[SourceDisksFiles]\r\ndata.ppd=1\r\nsource.ini=1\r\n"
    "[SourceDisksFiles.amd64]\r\nplugin.dll=1,amd64\r\n"
    "[Strings]\r\nMaker=\"A Maker\"\r\n";

TEST(InfReader, AModelListsItsFilesWithTheirSourcesInCopyFilesOrder) {
    const host::InfFile inf = host::ParseInf(kGoodInf);
    EXPECT_EQ(inf.Value(L"version", L"driverver"), L"01/02/2026");
    EXPECT_EQ(host::InfModelNames(inf, L"amd64"), std::vector<std::wstring>{L"Model, Wide"});
    InfModel model;
    ASSERT_EQ(host::ReadInfModel(inf, L"Model, Wide", L"amd64", model), L"");
    EXPECT_EQ(model.installSection, L"WIDE");
    EXPECT_EQ(model.dataFile, L"DATA.PPD");
    std::vector<std::wstring> files;
    for (const host::InfCopiedFile& f : model.files) files.push_back(f.target + L"<" + f.source);
    EXPECT_EQ(files, (std::vector<std::wstring>{L"plugin.dll<amd64\\plugin.dll",
                                                L"renamed.ini<source.ini", L"data.ppd<data.ppd"}));
}

TEST(InfReader, EachFaultOfTheInfIsNamed) {
    struct Case {
        const char* from;  // replaced in kGoodInf
        const char* to;
        const wchar_t* arch;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"NTx86,NTamd64.6.0", "NTx86", L"amd64", L"no models section for amd64"},
        {"[Models.NTamd64.6.0]", "[Other]", L"amd64", L"[Models.NTamd64.6.0] is missing"},
        {"\"Model, Wide\"=WIDE,", "\"Other\"=WIDE,", L"amd64", L"no model \"Model, Wide\""},
        {"[WIDE]", "[NARROW]", L"amd64", L"[WIDE] is missing"},
        {"DataFile=DATA.PPD", "DataFile=", L"amd64", L"has no DataFile"},
        {"DataFile=DATA.PPD", "DataFile=other.ppd", L"amd64", L"other.ppd is not copied"},
        {"CopyFiles=CONFIG,", "CopyFiles=CONFIGS,", L"amd64", L"[CONFIGS] is missing"},
        {"plugin.dll=1,amd64", "plugin.dl_=1,amd64", L"amd64", L"\"plugin.dll\" is not listed"},
        // The x86 model's install section does not exist.
        {"[Version]", "[Version]", L"x86", L"[WIDE32] is missing"},
    };
    for (const Case& c : cases) {
        std::string text = kGoodInf;
        text.replace(text.find(c.from), strlen(c.from), c.to);
        InfModel model;
        const std::wstring problem =
            host::ReadInfModel(host::ParseInf(text), L"Model, Wide", c.arch, model);
        EXPECT_TRUE(Contains(problem, c.expected)) << c.from << " -> " << testenv::Narrow(problem);
    }
}

TEST(InfReader, ContinuedLinesAndRepeatedSectionsReadAsTheSystemReadsThem) {
    // The install section's CopyFiles continued on the next line; the files list and the
    // architecture's source list each given a second time further down.
    std::string text = kGoodInf;
    const std::string from = "CopyFiles=CONFIG,@data.ppd";
    text.replace(text.find(from), from.size(), "CopyFiles=CONFIG, \\\r\n    @data.ppd");
    text += "[CONFIG]\r\nextra.dll\r\n[SourceDisksFiles.amd64]\r\nextra.dll=1,amd64\r\n";
    InfModel model;
    ASSERT_EQ(host::ReadInfModel(host::ParseInf(text), L"Model, Wide", L"amd64", model), L"");
    std::vector<std::wstring> files;
    for (const host::InfCopiedFile& f : model.files) files.push_back(f.target + L"<" + f.source);
    EXPECT_EQ(files,
              (std::vector<std::wstring>{L"plugin.dll<amd64\\plugin.dll", L"renamed.ini<source.ini",
                                         L"extra.dll<amd64\\extra.dll", L"data.ppd<data.ppd"}));

    std::wstring problem;
    const host::InfFile none =
        host::ReadInf(testenv::FreshTempFolder(L"oemui-noinf") + L"\\a.inf", problem);
    EXPECT_TRUE(none.sections.empty());
    EXPECT_TRUE(Contains(problem, L"cannot read the INF")) << testenv::Narrow(problem);
}

TEST(InfReader, Utf16InfReadsLikeAnsi) {
    const std::wstring wide = testenv::Widen(kGoodInf);
    std::string bytes = "\xFF\xFE";
    for (wchar_t c : wide) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    InfModel model;
    ASSERT_EQ(host::ReadInfModel(host::ParseInf(bytes), L"Model, Wide", L"amd64", model), L"");
    EXPECT_EQ(model.files.size(), 3u);
}

// A package-aware model on the PostScript core, as the sample package writes it.
const char kPackageAwareInf[] =
    "[Version]\r\nSignature=\"$Windows NT$\"\r\n"
    "[Manufacturer]\r\nMaker=Models,NTamd64\r\n"
    "[Models.NTamd64]\r\n\"Model\"=INSTALL,HWID1\r\n"
    "[INSTALL]\r\nCopyFiles=@data.ppd\r\nDataFile=data.ppd\r\n"
    "CoreDriverSections=\"{D20EA372-DD35-4950-9ED8-A6335AFE79F1},PSCRIPT.OEM,PSCRIPT_DATA\"\r\n"
    "[PrinterPackageInstallation.amd64]\r\nPackageAware=TRUE\r\n"
    "CoreDriverDependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F1}\r\n"
    "[SourceDisksFiles]\r\ndata.ppd=1\r\n";

TEST(InfReader, APackageAwareModelNamesThePostScriptCoresSectionsAndNothingElse) {
    InfModel good;
    ASSERT_EQ(host::ReadInfModel(host::ParseInf(kPackageAwareInf), L"Model", L"amd64", good), L"");
    EXPECT_TRUE(good.packageAware);
    ASSERT_EQ(good.coreDrivers.size(), 1u);
    EXPECT_EQ(good.coreDrivers[0].guid, host::kPostScriptCoreGuid);
    EXPECT_EQ(good.coreDrivers[0].sections,
              (std::vector<std::wstring>{L"PSCRIPT.OEM", L"PSCRIPT_DATA"}));

    struct Case {
        const char* from;  // replaced in kPackageAwareInf
        const char* to;
        const wchar_t* expected;  // empty: the INF reads without a problem
    };
    const Case cases[] = {
        // The Unidrv core instead of the PostScript one, in the install section.
        {"\"{D20EA372-DD35-4950-9ED8-A6335AFE79F1},", "\"{D20EA372-DD35-4950-9ED8-A6335AFE79F0},",
         L"names the core driver {D20EA372-DD35-4950-9ED8-A6335AFE79F0} in CoreDriverSections"},
        {"CoreDriverSections=", "Comment=", L"[INSTALL] has no CoreDriverSections"},
        {"DataFile=data.ppd\r\n", "DataFile=data.ppd\r\nInclude=NTPRINT.INF\r\n",
         L"uses Include/Needs"},
        {",PSCRIPT_DATA\"", "\"", L"lacks the core driver's section PSCRIPT_DATA"},
        {"Dependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F1}",
         "Dependencies={D20EA372-DD35-4950-9ED8-A6335AFE79F0}",
         L"which CoreDriverDependencies of [PrinterPackageInstallation.amd64] does not list"},
        // A driver that is not package-aware still reaches the core through the system's INF.
        {"PackageAware=TRUE", "PackageAware=FALSE", L""},
    };
    for (const Case& c : cases) {
        std::string text = kPackageAwareInf;
        text.replace(text.find(c.from), strlen(c.from), c.to);
        InfModel model;
        const std::wstring problem =
            host::ReadInfModel(host::ParseInf(text), L"Model", L"amd64", model);
        if (c.expected[0] == L'\0') {
            EXPECT_EQ(problem, L"") << c.from;
        } else {
            EXPECT_TRUE(Contains(problem, c.expected))
                << c.from << " -> " << testenv::Narrow(problem);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The sample package

TEST(SamplePackage, TheInstalledDriverHoldsExactlyTheInfsFiles) {
    const std::string bytes = testenv::ReadFileBytes(PackageDir() + L"\\" + host::kSampleInfName);
    ASSERT_FALSE(bytes.empty());
    const host::InfFile inf = host::ParseInf(bytes);
    EXPECT_EQ(inf.Value(L"Version", L"Class"), L"Printer");
    EXPECT_EQ(inf.Value(L"Version", L"ClassGUID"), L"{4D36E979-E325-11CE-BFC1-08002BE10318}");
    for (const wchar_t* model : {testenv::kColorDriver, testenv::kMonoDriver}) {
        for (const wchar_t* arch : {L"x86", L"amd64"}) {
            InfModel found;
            EXPECT_EQ(host::ReadInfModel(inf, model, arch, found), L"") << testenv::Narrow(model);
        }
        InfModel found;
        ASSERT_EQ(host::ReadInfModel(inf, model, L"amd64", found), L"");
        EXPECT_TRUE(found.packageAware);
        ASSERT_EQ(found.coreDrivers.size(), 1u);
        EXPECT_EQ(found.coreDrivers[0].guid, host::kPostScriptCoreGuid);
        testenv::Printer printer(std::wstring(model) == testenv::kColorDriver
                                     ? testenv::kColorPrinter
                                     : testenv::kMonoPrinter);
        ASSERT_TRUE(printer);
        DWORD needed = 0;
        GetPrinterDriverW(printer.get(), nullptr, 3, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        ASSERT_TRUE(GetPrinterDriverW(printer.get(), nullptr, 3, buffer.data(), needed, &needed));
        const auto* info = reinterpret_cast<const DRIVER_INFO_3W*>(buffer.data());
        std::vector<std::wstring> installed;
        for (const wchar_t* name = info->pDependentFiles; name != nullptr && *name != L'\0';
             name += wcslen(name) + 1) {
            const std::wstring path = name;
            installed.push_back(path.substr(path.find_last_of(L'\\') + 1));
        }
        const std::wstring dataFile = info->pDataFile;
        EXPECT_EQ(dataFile.substr(dataFile.find_last_of(L'\\') + 1), found.dataFile);
        std::vector<std::wstring> expected;
        for (const host::InfCopiedFile& f : found.files) {
            if (f.target != found.dataFile) expected.push_back(f.target);
        }
        // The stand-ins of the model's own libraries follow the INF's files; the tests add one
        // library of their own to the colour driver.
        for (const wchar_t* standIn : host::kSampleStandIns) expected.push_back(standIn);
        installed.erase(std::remove(installed.begin(), installed.end(), L"vrcrypt_nodec.dll"),
                        installed.end());
        EXPECT_EQ(installed, expected) << testenv::Narrow(model);
    }
}

TEST(SamplePackage, TheBuiltPackageIsWholeAndEachFaultIsFound) {
    std::vector<std::wstring> leftOut;
    EXPECT_EQ(Joined(host::CheckDriverPackage(PackageDir(), host::kSampleInfName, &leftOut)), L"");
    // The package ships the plug-in alone: the maker's own libraries and help are left out,
    // each named with the reason it may be.
    const std::wstring notes = Joined(leftOut);
    for (const wchar_t* expected :
         {L"Lab Color PS (amd64): vrcard.dll, named by \"CARD_DLL\" of {cap} [LabColor], is "
          L"left to the maker: the maker's card-reader library",
          L"Lab Color PS (amd64): vrusbext.dat, named by \"USBExtDAT\"",
          L"Lab Mono PS (amd64): vrcrypt.dll, named by \"CryptoDll\" of {cap} [LabMono]",
          L"Lab Mono PS (amd64): vrlab.hlp, named by \"HELP\" of {ini} [DependentFiles]",
          L"Lab Color PS (amd64): Vrdrvum.dll, named by {dll} as the user-mode printer driver "
          L"library of its printer event, is left to the maker"}) {
        EXPECT_TRUE(Contains(notes, Named(expected))) << testenv::Narrow(notes);
    }

    struct Case {
        const wchar_t* name;
        void (*breakIt)(const std::wstring& dir);
        const wchar_t* expected;
    };
    const Case cases[] = {
        {L"oemui-pkg-extra",
         [](const std::wstring& dir) { testenv::WriteFileBytes(dir + L"\\notes.txt", "x"); },
         L"notes.txt is in the package but the INF does not name it"},
        {L"oemui-pkg-missing",
         [](const std::wstring& dir) { DeleteFileW((dir + L"\\vrgamma.ini").c_str()); },
         L"vrgamma.ini is named by the INF but missing"},
        {L"oemui-pkg-missingdll",
         [](const std::wstring& dir) { DeleteFileW((dir + Named(L"\\amd64\\{dll}")).c_str()); },
         L"amd64\\{dll} is named by the INF but missing"},
        {L"oemui-pkg-machine",
         [](const std::wstring& dir) {
             // The machine field of a copy turned into the 32-bit one.
             const std::wstring path = dir + Named(L"\\amd64\\{dll}");
             std::string bytes = testenv::ReadFileBytes(path);
             DWORD pe = 0;
             memcpy(&pe, bytes.data() + 0x3C, sizeof(pe));
             bytes[pe + 4] = '\x4C';
             bytes[pe + 5] = '\x01';
             testenv::WriteFileBytes(path, bytes);
         },
         L"amd64\\{dll} has machine type 0x014C, not the amd64 one"},
        // Files the configuration names that the INF does not install.
        {L"oemui-pkg-gamma",
         [](const std::wstring& dir) {
             WritePrivateProfileStringW(L"DependentFiles", L"HALFTONE", L"vrother.ini",
                                        (dir + Named(L"\\{ini}")).c_str());
         },
         L"Lab Color PS (amd64): vrother.ini, named by \"HALFTONE\" of {ini} "
         L"[DependentFiles], is not installed by the INF"},
        {L"oemui-pkg-ccm",
         [](const std::wstring& dir) {
             WritePrivateProfileStringW(L"LabColor", L"CCMInfoFile", L"vrccm2.ini",
                                        (dir + Named(L"\\{cap}")).c_str());
         },
         L"vrccm2.ini, named by \"CCMInfoFile\" of {cap} [LabColor], is not installed"},
        {L"oemui-pkg-nomodel",
         [](const std::wstring& dir) {
             WritePrivateProfileStringW(L"Capability", L"Lab Mono PS", nullptr,
                                        (dir + Named(L"\\{cap}")).c_str());
         },
         L"Lab Mono PS (amd64): {cap} has no model section for \"Lab Mono PS\""},
        {L"oemui-pkg-unidrv",
         [](const std::wstring& dir) { ReplaceInInf(dir, L"79F1}", L"79F0}"); },
         L"[PrinterPackageInstallation.amd64] names the core driver "
         L"{D20EA372-DD35-4950-9ED8-A6335AFE79F0} in CoreDriverDependencies"},
        {L"oemui-pkg-nocore",
         [](const std::wstring& dir) {
             ReplaceInInf(dir, L"CoreDriverSections=", L"; CoreDriverSections=");
         },
         L"Lab Mono PS: [LABMONO] has no CoreDriverSections"},
    };
    for (const Case& c : cases) {
        const std::wstring dir = PackageCopy(c.name);
        ASSERT_EQ(Joined(host::CheckDriverPackage(dir, host::kSampleInfName)), L"")
            << testenv::Narrow(dir);
        c.breakIt(dir);
        const std::wstring problems = Joined(host::CheckDriverPackage(dir, host::kSampleInfName));
        EXPECT_TRUE(Contains(problems, Named(c.expected))) << testenv::Narrow(problems);
    }
}

// The sample package another maker built under names of its own (tests/CMakeLists.txt): the
// host installs it from its INF and the plug-in, under its other name, opens its sheet as the
// sample's does.
TEST(RenamedPackage, InstallsFromItsOwnInfAndOpensTheSheetAsTheSampleDoes) {
    const std::wstring bin = testenv::TestBinDir();
    const std::wstring dir = bin.substr(0, bin.find_last_of(L'\\')) + L"\\renamed-package";
    std::vector<std::wstring> leftOut;
    EXPECT_EQ(Joined(host::CheckDriverPackage(dir, L"acme.inf", &leftOut)), L"");
    EXPECT_TRUE(Contains(Joined(leftOut),
                         L"Acme Color PS (amd64): vrcard.dll, named by "
                         L"\"CARD_DLL\" of acme.cap [LabColor]"))
        << testenv::Narrow(Joined(leftOut));

    host::DriverPackage package;
    ASSERT_EQ(host::ReadDriverPackageFromInf(
                  dir + L"\\acme.inf", L"Acme Color PS",
                  [&](const std::wstring& source) { return dir + L"\\" + source; }, package),
              L"");
    std::vector<std::wstring> names;
    for (const host::DriverFile& f : package.dependentFiles) names.push_back(f.name);
    EXPECT_EQ(names,
              (std::vector<std::wstring>{L"acme.cap", L"acmeui.ini", L"acme.ver", L"vrgamma.ini",
                                         L"vrwmfont.ini", L"vrlabccm.ini", L"acmeui.dll"}));
    // The stand-ins of the maker's own libraries, as the sample models get them.
    ASSERT_EQ(host::AddSampleStandIns(bin, package), L"");
    ASSERT_EQ(host::InstallDriverPackage(package), L"");
    ASSERT_EQ(host::InstallPrinter(L"Acme Color 1", L"Acme Color PS"), L"");
    std::wstring dll;
    ASSERT_EQ(host::FindPluginDllOfPrinter(L"Acme Color 1", dll), L"");
    EXPECT_EQ(dll.substr(dll.find_last_of(L'\\') + 1), L"acmeui.dll");

    // The renamed plug-in's document sheet against the sample's: the same pages.
    auto pageCount = [](const std::wstring& printer, const std::wstring& plugin) {
        host::CoreDriverOptions options;
        options.printerName = printer;
        options.pluginPath = plugin;
        host::CoreDriver core(options);
        size_t pages = 0;
        if (core.Start() && core.OpenSheet(host::SheetKind::Document)) {
            pages = core.Pages().size();
            core.CloseSheet(CPSUI_CANCEL);
        }
        core.Shutdown();
        return pages;
    };
    const size_t renamedPages = pageCount(L"Acme Color 1", dll);
    EXPECT_GE(renamedPages, 2u) << "Job Options and Color";
    EXPECT_EQ(renamedPages, pageCount(testenv::kColorPrinter, testenv::Widen(OEMUI_DLL_PATH)));
}

// ---------------------------------------------------------------------------------------------
// One version number

TEST(Version, TheDllsVersionResourceAndTheInfsDriverVerAgree) {
    const std::wstring dll = testenv::Widen(OEMUI_DLL_PATH);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(dll.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> block(size);
    ASSERT_TRUE(GetFileVersionInfoW(dll.c_str(), 0, size, block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT len = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &len));
    const std::wstring fileVersion = std::to_wstring(HIWORD(fixed->dwFileVersionMS)) + L"." +
                                     std::to_wstring(LOWORD(fixed->dwFileVersionMS)) + L"." +
                                     std::to_wstring(HIWORD(fixed->dwFileVersionLS)) + L"." +
                                     std::to_wstring(LOWORD(fixed->dwFileVersionLS));
    EXPECT_EQ(fixed->dwFileVersionMS, fixed->dwProductVersionMS);
    EXPECT_EQ(fixed->dwFileVersionLS, fixed->dwProductVersionLS);
    EXPECT_EQ(fileVersion, testenv::Widen(OEMUI_PROJECT_VERSION));

    auto text = [&](const wchar_t* name) {
        wchar_t* value = nullptr;
        UINT chars = 0;
        const std::wstring key = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueW(block.data(), key.c_str(), reinterpret_cast<void**>(&value),
                              &chars) &&
                       value != nullptr
                   ? std::wstring(value)
                   : std::wstring();
    };
    EXPECT_EQ(text(L"FileVersion"), fileVersion);
    EXPECT_EQ(text(L"ProductVersion"), fileVersion);
    for (const wchar_t* name : {L"CompanyName", L"LegalCopyright", L"FileDescription"}) {
        EXPECT_FALSE(text(name).empty()) << testenv::Narrow(name);
    }

    const host::InfFile inf =
        host::ParseInf(testenv::ReadFileBytes(PackageDir() + L"\\" + host::kSampleInfName));
    const host::InfSection* version = inf.Find(L"Version");
    ASSERT_NE(version, nullptr);
    std::vector<std::wstring> driverVer;
    for (const host::InfLine& line : version->lines) {
        if (line.key == L"DriverVer") driverVer = line.values;
    }
    ASSERT_EQ(driverVer.size(), 2u);
    EXPECT_EQ(driverVer[1], fileVersion);
    EXPECT_EQ(driverVer[0].size(), 10u);  // MM/DD/YYYY

    // The version file the About box reads carries the same date and version.
    wchar_t versionFileValue[64] = {};
    GetPrivateProfileStringW(L"Version", L"DriverVer", L"", versionFileValue, 64,
                             (PackageDir() + L"\\" + host::kVersionFileName).c_str());
    EXPECT_EQ(std::wstring(versionFileValue), driverVer[0] + L"," + driverVer[1]);
}

// ---------------------------------------------------------------------------------------------
// The DLL the plug-in INI file names

TEST(PluginDllOfDriver, TheStandInFindsTheDllTheIniNamesInTheDriverDirectory) {
    std::wstring path;
    ASSERT_EQ(host::FindPluginDllOfPrinter(testenv::kColorPrinter, path), L"");
    std::wstring lower = path;
    for (wchar_t& c : lower) c = towlower(c);
    std::wstring dir = testenv::DriverDirectory3();
    for (wchar_t& c : dir) c = towlower(c);
    EXPECT_EQ(lower, dir + L"\\" + host::kPluginFileName);

    host::CoreDriverOptions options;
    options.printerName = testenv::kColorPrinter;
    options.pluginPath = path;
    host::CoreDriver core(options);
    ASSERT_TRUE(core.Start()) << testenv::Narrow(core.Error());
    core.Shutdown();

    struct Case {
        const char* ini;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {"[OEMFiles]\r\nOEMConfigFile1=absent.dll\r\n", L"names the plug-in \"absent.dll\""},
        {"[OEMFiles]\r\nOEMConfigFile1=..\\" OEMUI_PLUGIN_FILE "\r\n", L"without a folder"},
        {"[OEMFiles]\r\nOEMConfigFile1=\r\n", L"has no plug-in INI file"},
    };
    for (const Case& c : cases) {
        testenv::TestDriver driver;
        driver.name = L"Package Ini PS";
        driver.dependentFiles = {
            {host::kCapabilityFileName, testenv::SampleFile(host::kCapabilityFileName)},
            {L"pkgini.ini", c.ini}};
        ASSERT_TRUE(testenv::InstallDriver(driver));
        ASSERT_TRUE(testenv::InstallPrinter(L"Package Ini 1", driver.name));
        std::wstring found = L"unchanged";
        const std::wstring problem = host::FindPluginDllOfPrinter(L"Package Ini 1", found);
        EXPECT_TRUE(Contains(problem, c.expected)) << testenv::Narrow(problem);
        EXPECT_EQ(found, L"");
    }
}

// ---------------------------------------------------------------------------------------------
// The trace

// Debug output of the process, caught as the exception OutputDebugString raises.
std::vector<std::wstring>& CapturedWide() {
    static std::vector<std::wstring> lines;
    return lines;
}
std::vector<std::wstring>& CapturedAnsi() {
    static std::vector<std::wstring> lines;
    return lines;
}

constexpr DWORD kPrintException = 0x40010006;      // DBG_PRINTEXCEPTION_C
constexpr DWORD kPrintExceptionWide = 0x4001000A;  // DBG_PRINTEXCEPTION_WIDE_C

LONG CALLBACK CaptureDebugOutput(EXCEPTION_POINTERS* pointers) {
    const EXCEPTION_RECORD* record = pointers->ExceptionRecord;
    if (record->NumberParameters >= 2 && record->ExceptionInformation[1] != 0) {
        if (record->ExceptionCode == kPrintExceptionWide) {
            CapturedWide().emplace_back(
                reinterpret_cast<const wchar_t*>(record->ExceptionInformation[1]));
        } else if (record->ExceptionCode == kPrintException) {
            CapturedAnsi().push_back(
                testenv::Widen(reinterpret_cast<const char*>(record->ExceptionInformation[1])));
        }
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

constexpr int kColorPageIndex = 1;

// Opens the document sheet of the colour printer with the real DLL and closes it with OK;
// returns the plug-in's trace lines and the number of pushes the stand-in saw.
std::vector<std::wstring> TraceOfOneSheet(size_t& pushes) {
    CapturedWide().clear();
    CapturedAnsi().clear();
    PVOID handler = AddVectoredExceptionHandler(1, CaptureDebugOutput);
    {
        host::CoreDriverOptions options;
        options.printerName = testenv::kColorPrinter;
        options.pluginPath = testenv::Widen(OEMUI_DLL_PATH);
        host::CoreDriver core(options);
        if (core.Start() && core.OpenSheet(host::SheetKind::Document)) {
            // Leaving the Color page pushes the plug-in's settings into the core driver.
            if (HWND sheet = core.ShowModeless(nullptr); sheet != nullptr) {
                PropSheet_SetCurSel(sheet, nullptr, kColorPageIndex);
                PropSheet_SetCurSel(sheet, nullptr, 0);
                core.PumpSheet();
            }
            core.CloseSheet(CPSUI_OK);
        }
        pushes = core.Updates().size();
        core.Shutdown();
    }
    RemoveVectoredExceptionHandler(handler);
    std::vector<std::wstring> lines;
    for (const std::wstring& l : CapturedWide().empty() ? CapturedAnsi() : CapturedWide()) {
        if (l.rfind(L"vroemui: ", 0) == 0) lines.push_back(l);
    }
    return lines;
}

size_t CountWith(const std::vector<std::wstring>& lines, const std::wstring& part) {
    return static_cast<size_t>(std::count_if(
        lines.begin(), lines.end(), [&](const std::wstring& l) { return Contains(l, part); }));
}

void SetPrinterLevel(DWORD level) {
    PRINTER_DEFAULTSW access = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(testenv::kColorPrinter), &printer, &access));
    SetPrinterDataW(printer, const_cast<wchar_t*>(oemui::kTracePrinterValue), REG_DWORD,
                    reinterpret_cast<BYTE*>(&level), sizeof(level));
    ClosePrinter(printer);
    Sleep(1100);  // the plug-in reads the levels again after a second
}

void SetMachineLevel(DWORD level) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExW(HKEY_LOCAL_MACHINE, oemui::kTraceRegistryKey, 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExW(key, oemui::kTraceRegistryValue, 0, REG_DWORD, reinterpret_cast<BYTE*>(&level),
                   sizeof(level));
    RegCloseKey(key);
    Sleep(1100);
}

TEST(Trace, OffByDefaultAndOnePerDecisionWhenSwitchedOnPerPrinterOrMachine) {
    size_t pushes = 0;
    SetPrinterLevel(0);
    SetMachineLevel(0);
    EXPECT_EQ(Joined(TraceOfOneSheet(pushes)), L"");

    for (int source = 0; source < 2; ++source) {
        if (source == 0)
            SetPrinterLevel(1);
        else
            SetMachineLevel(1);
        const std::vector<std::wstring> lines = TraceOfOneSheet(pushes);
        const std::wstring all = Joined(lines);
        EXPECT_GE(CountWith(lines, L"capability file candidate"), 1u) << testenv::Narrow(all);
        EXPECT_GE(CountWith(lines,
                            Named(L"{ini}, plug-in INI file candidate (OEMConfigFile1=\"{dll}\")")),
                  1u)
            << testenv::Narrow(all);
        // The same choice is written once however often the section is looked up.
        EXPECT_EQ(CountWith(lines, L"model section: [LabColor] for driver \"Lab Color PS\""), 1u)
            << testenv::Narrow(all);
        EXPECT_GE(CountWith(lines, L"bound to entry"), 1u) << testenv::Narrow(all);
        EXPECT_GT(pushes, 0u);
        EXPECT_EQ(CountWith(lines, L"push: core item"), pushes) << testenv::Narrow(all);
        EXPECT_EQ(CountWith(lines, L"push: core item"),
                  CountWith(lines, L", core driver accepted") +
                      CountWith(lines, L", core driver refused"));
        if (source == 0)
            SetPrinterLevel(0);
        else
            SetMachineLevel(0);
    }
    EXPECT_EQ(Joined(TraceOfOneSheet(pushes)), L"");
}

}  // namespace
