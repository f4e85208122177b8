// The core-driver stand-in: its PPD reader, the option trees it hands the plug-in, the answers
// of its DrvGetDriverSetting / DrvUpdateUISetting, the DEVMODE it owns, the calling sequence
// and the sheet it shows.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "host/coredriver.h"
#include "host/ppd.h"
#include "host/tree.h"
#include "tests/support/testprinters.h"

using host::CoreDriver;
using host::CoreDriverOptions;
using host::OptionTree;
using host::PpdFile;
using host::SheetKind;

namespace {

// ---------------------------------------------------------------------------------------------
// PPD reader

TEST(PpdReader, FeaturesOptionsDefaultsAndGroups) {
    const PpdFile ppd = host::ParsePpd(
        "*PPD-Adobe: \"4.3\"\r\n"
        "*ModelName: \"Test Model\"\r\n"
        "*ColorDevice: True\r\n"
        "*OpenGroup: InstallableOptions/Options Installed\r\n"
        "*OpenUI *VRHDD/Hard Disk: Boolean\r\n"
        "*DefaultVRHDD: True\r\n"
        "*VRHDD False/Not Installed: \"\"\r\n"
        "*VRHDD True/Installed: \"\"\r\n"
        "*CloseUI: *VRHDD\r\n"
        "*CloseGroup: InstallableOptions\r\n"
        "*DefaultVRStaple: Two\r\n"  // a default may come before its feature
        "*OpenUI *VRStaple/Staple: PickOne\r\n"
        "*OrderDependency: 50 AnySetup *VRStaple\r\n"
        "*VRStaple None/Off: \"userdict /s 0 put\"\r\n"
        "*VRStaple One: \"\r\n"
        "  *not a statement inside a quoted value\r\n"
        "  userdict /s 1 put\"\r\n"
        "*End\r\n"
        "*VRStaple Two/B<E4>r: \"userdict /s 2 put\"\r\n"
        "*CloseUI: *VRStaple\r\n");
    EXPECT_EQ(ppd.formatVersion, "4.3");
    EXPECT_EQ(ppd.modelName, "Test Model");
    EXPECT_TRUE(ppd.colorDevice);
    ASSERT_EQ(ppd.features.size(), 2u);
    EXPECT_EQ(ppd.skippedLines, 0);

    const host::PpdFeature& hdd = ppd.features[0];
    EXPECT_EQ(hdd.keyword, "VRHDD");
    EXPECT_EQ(hdd.translation, "Hard Disk");
    EXPECT_EQ(hdd.uiType, host::PpdUiType::Boolean);
    EXPECT_TRUE(hdd.installable);
    EXPECT_EQ(hdd.defaultOption, 1);

    const host::PpdFeature& staple = ppd.features[1];
    EXPECT_FALSE(staple.installable);
    ASSERT_EQ(staple.options.size(), 3u);
    EXPECT_EQ(staple.options[0].translation, "Off");
    EXPECT_EQ(staple.options[1].keyword, "One");
    EXPECT_EQ(staple.options[1].translation, "One");  // no translation: the keyword
    EXPECT_EQ(staple.options[2].translation, "B\xE4r");
    EXPECT_EQ(staple.defaultOption, 2);
}

TEST(PpdReader, ConstraintsInEveryWrittenForm) {
    const PpdFile ppd = host::ParsePpd(
        "*OpenUI *A: PickOne\n*A x: \"\"\n*A y: \"\"\n*CloseUI: *A\n"
        "*OpenUI *B: PickOne\n*B None: \"\"\n*B z: \"\"\n*CloseUI: *B\n"
        "*UIConstraints: *A x *B z\n"
        "*UIConstraints: *B *A y\n"
        "*UIConstraints: *A *B\n"
        "*UIConstraints: *A x *Unknown z\n"  // a feature the file lacks: dropped
        "*UIConstraints: *A x y *B\n");      // two options for one feature: malformed
    ASSERT_EQ(ppd.constraints.size(), 3u);
    EXPECT_EQ(ppd.constraints[0].feature1, "A");
    EXPECT_EQ(ppd.constraints[0].option1, "x");
    EXPECT_EQ(ppd.constraints[0].feature2, "B");
    EXPECT_EQ(ppd.constraints[0].option2, "z");
    EXPECT_EQ(ppd.constraints[1].option1, "");
    EXPECT_EQ(ppd.constraints[1].option2, "y");
    EXPECT_EQ(ppd.constraints[2].option1, "");
    EXPECT_EQ(ppd.constraints[2].option2, "");
    EXPECT_EQ(ppd.skippedLines, 1);
}

TEST(PpdReader, MalformedInputIsSkippedNotFatal) {
    const PpdFile ppd = host::ParsePpd(
        "garbage without a star\n"
        "*\n"
        "*OpenUI PageSize: PickOne\n"  // keyword without '*': skipped
        "*PageSize A4: \"\"\n"         // belongs to no open feature
        "*OpenUI *Good: PickOne\n"
        "*Good a: \"\"\n"
        "*Good a/Again: \"\"\n"  // duplicate option
        "*Good b\n"              // no colon
        "*CloseUI: *Other\n"     // closes a feature that is not open
        "*Good c: \"\"\n"
        "*DefaultGood: missing\n"                      // unknown default: first option
        "*OpenUI *Good: PickOne\n"                     // declared twice
        "*OpenUI *Empty: PickOne\n*CloseUI: *Empty\n"  // no options: not a feature
        "*OpenUI *Open: PickOne\n*Open q: \"\"\n"      // never closed: still a feature
        "*OpenUI *Quoted: PickOne\n*Quoted q: \"unterminated\n*Quoted r: \"\"\n");
    ASSERT_EQ(ppd.features.size(), 3u);
    EXPECT_EQ(ppd.features[0].keyword, "Good");
    ASSERT_EQ(ppd.features[0].options.size(), 2u);
    EXPECT_EQ(ppd.features[0].options[1].keyword, "c");
    EXPECT_EQ(ppd.features[0].defaultOption, 0);
    EXPECT_EQ(ppd.features[1].keyword, "Open");
    // The option after an unterminated quote is swallowed by the quoted value.
    EXPECT_EQ(ppd.features[2].options.size(), 1u);
    EXPECT_EQ(ppd.skippedLines, 7);

    // Binary noise and a very long line do not stop the reader.
    std::string noise(20000, '\x01');
    noise += "\n*OpenUI *Z: PickOne\n*Z k: \"\"\n*CloseUI: *Z\n";
    noise.insert(5, 1, '\0');
    EXPECT_NE(host::ParsePpd(noise).FindFeature("Z"), -1);
}

// The sample PPDs must define every feature the plug-in steers, with the option order it
// relies on.
TEST(SamplePpd, ColorModelDefinesThePluginsFeatures) {
    const PpdFile ppd = host::ParsePpd(testenv::SampleFile(L"labcolor.ppd"));
    EXPECT_TRUE(ppd.colorDevice);
    EXPECT_EQ(ppd.skippedLines, 0);
    const char* const required[] = {"VRFITTOMPT",
                                    "VRFITTOTRAY1",
                                    "VRFITTOTRAY2",
                                    "VRFITTOTRAY3",
                                    "VRFITTOTRAY4",
                                    "VRFITTOTRAY5",
                                    "VRControl",
                                    "VRSeparationorder",
                                    "VROverPrint",
                                    "VRProcessMode",
                                    "VRBlackSubstitution",
                                    "VRAlwaysPrnHT",
                                    "VRColorRenderStyle",
                                    "VRColorRenderDict",
                                    "VRTargetColor",
                                    "VRHalftoneMode",
                                    "VROutputMode",
                                    "VRJob_Type",
                                    "VRCollate",
                                    "OutputBin",
                                    "VRStaple",
                                    "VRDrumClean",
                                    "VRHDDSpool",
                                    "VROverlay",
                                    "VRPunch",
                                    "VRBindPosition",
                                    "VRColorICMS",
                                    "VRCMYKProfile",
                                    "VRRGBProfile",
                                    "VRCMYKInputProfile",
                                    "VRCMYKLinkProfile",
                                    "VROutProfile",
                                    "VRSimProfile",
                                    "VRPureBlack",
                                    "VRPreserveBlack",
                                    "VRColorMatch",
                                    "VRResolution",
                                    "VRImageSmoothing",
                                    "VRBlackSubGra",
                                    "VRScreenObo",
                                    "VRHairLine",
                                    "VRTrapping",
                                    "VROutputModeBlack",
                                    "VRRotateSort",
                                    "VRSpecialColorControl",
                                    "VRSpecialColorOrder",
                                    "VRClearOutputMode",
                                    "VRSpecialColorSpace",
                                    "VRErrorDiffusion",
                                    "VRMediaType",
                                    "VRManualFeed",
                                    "TraySwitch",
                                    "VRPageSizeCheck",
                                    "VRMPTPageSizeCheck",
                                    "VREnvRotate",
                                    "VRTone",
                                    "VRPrintBlkTxt",
                                    "PageSize",
                                    "PageRegion",
                                    "Duplex",
                                    "InputSlot",
                                    "MediaType",
                                    "Resolution"};
    for (const char* keyword : required) {
        const host::PpdFeature* f = ppd.Feature(keyword);
        ASSERT_NE(f, nullptr) << keyword;
        EXPECT_FALSE(f->installable) << keyword;
    }
    for (const char* keyword :
         {"VRHDD", "VRJobLimit", "VRFinisher", "VRPunchUnit", "VRSpecialTonerInstalled",
          "VROptionDuplex", "VROptionTray", "InstalledMemory", "VROptionMPF"}) {
        const host::PpdFeature* f = ppd.Feature(keyword);
        ASSERT_NE(f, nullptr) << keyword;
        EXPECT_TRUE(f->installable) << keyword;
    }
    // Option indices and keywords the plug-in uses.
    EXPECT_EQ(ppd.Feature("VROutputMode")->options[1].keyword, "TonerSave");
    EXPECT_EQ(ppd.Feature("VROverlay")->options[2].keyword, "Create");
    EXPECT_EQ(ppd.Feature("VRJob_Type")->options.size(), 4u);
    EXPECT_EQ(ppd.Feature("VRControl")->options.size(), 5u);
    EXPECT_EQ(ppd.Feature("VRSpecialColorControl")->options.size(), 6u);
    EXPECT_EQ(ppd.Feature("VRBindPosition")->defaultOption, 2);
    EXPECT_EQ(ppd.Feature("VRResolution")->options[0].translation, "High Quality (1200x1200)");
    for (const char* type : {"None", "Type1", "Type2", "Type3", "Type4"}) {
        EXPECT_GE(ppd.Feature("VRPunchUnit")->FindOption(type), 0) << type;
    }
    for (const char* kind : {"None", "White", "Clear"}) {
        EXPECT_GE(ppd.Feature("VRSpecialTonerInstalled")->FindOption(kind), 0) << kind;
    }
    for (const char* keyword :
         {"VRHDD", "VRJobLimit", "VRFinisher", "VROptionDuplex", "VROptionMPF", "VROptionTray"}) {
        EXPECT_GE(ppd.Feature(keyword)->FindOption("True"), 0) << keyword;
        EXPECT_GE(ppd.Feature(keyword)->FindOption("False"), 0) << keyword;
    }
    // Detection pushes option indices: 0 = a hard disk / duplex unit is installed.
    EXPECT_EQ(ppd.Feature("VRHDD")->options[0].keyword, "True");
    EXPECT_EQ(ppd.Feature("VROptionDuplex")->options[0].keyword, "True");
    EXPECT_EQ(ppd.Feature("VROptionTray")->options.size(), 5u);
    EXPECT_EQ(ppd.Feature("InstalledMemory")->options[1].translation, "128 MB");
    for (const char* paper : {"A4", "A5", "A3", "B4", "B5", "Letter", "Legal", "Executive",
                              "Tabloid", "FanFoldGermanLegal", "VRLegal"}) {
        EXPECT_GE(ppd.Feature("PageSize")->FindOption(paper), 0) << paper;
        EXPECT_NE(ppd.PaperDimension(paper), nullptr) << paper;
    }
    EXPECT_EQ(ppd.Feature("Duplex")->FindOption("None"), 0);
}

TEST(SamplePpd, ConstraintsNameExistingOptionsAndMonoHasNoColour) {
    for (const wchar_t* name : {L"labcolor.ppd", L"labmono.ppd"}) {
        const PpdFile ppd = host::ParsePpd(testenv::SampleFile(name));
        EXPECT_FALSE(ppd.constraints.empty());
        for (const host::PpdConstraint& c : ppd.constraints) {
            if (!c.option1.empty()) {
                EXPECT_GE(ppd.Feature(c.feature1)->FindOption(c.option1), 0) << c.option1;
            }
            if (!c.option2.empty()) {
                EXPECT_GE(ppd.Feature(c.feature2)->FindOption(c.option2), 0) << c.option2;
            }
        }
        for (const host::PpdFeature& f : ppd.features) {
            EXPECT_LT(f.defaultOption, static_cast<int>(f.options.size()));
        }
    }
    const PpdFile mono = host::ParsePpd(testenv::SampleFile(L"labmono.ppd"));
    EXPECT_FALSE(mono.colorDevice);
    for (const char* colour : {"VRControl", "VRColorMatch", "VRColorICMS", "VRSpecialColorSpace",
                               "VRSpecialTonerInstalled", "VRBlackSubGra"}) {
        EXPECT_EQ(mono.Feature(colour), nullptr) << colour;
    }
    for (const char* common : {"VROutputMode", "VRJob_Type", "VRHDD", "VRStaple", "PageSize"}) {
        EXPECT_NE(mono.Feature(common), nullptr) << common;
    }
}

// ---------------------------------------------------------------------------------------------
// A stand-in with the real plug-in DLL and the installed sample printers

CoreDriverOptions RealOptions(const wchar_t* printer) {
    CoreDriverOptions options;
    options.printerName = printer;
    options.pluginPath = testenv::Widen(OEMUI_DLL_PATH);
    return options;
}

const USERDATA* UserDataOf(const OPTITEM& item) {
    return reinterpret_cast<const USERDATA*>(item.UserData);
}

TEST(CoreDriverStart, CallsThePluginInOrderAndLaysOutTheDevmode) {
    CoreDriver core(RealOptions(testenv::kColorPrinter));
    ASSERT_TRUE(core.Start()) << testenv::Narrow(core.Error());
    const std::vector<std::string> expected = {
        "DllGetClassObject", "CreateInstance", "PublishDriverInterface", "GetInfo(1)", "GetInfo(3)",
        "DevMode(1)",        "DevMode(2)"};
    EXPECT_EQ(core.CallNames(), expected);
    EXPECT_EQ(core.Signature(), 0x32303030u);
    EXPECT_EQ(core.Version(), 1u);
    EXPECT_EQ(core.DriverUiReferences(), 2);  // the plug-in keeps the interface

    const DEVMODEW& dm = *core.Devmode();
    EXPECT_EQ(dm.dmSize, sizeof(DEVMODEW));
    EXPECT_EQ(core.PluginRecordSize(), 3920u);
    EXPECT_EQ(dm.dmDriverExtra, CoreDriver::kDriverPrivateSize + core.PluginRecordSize());
    EXPECT_EQ(core.DevmodeSize(), dm.dmSize + dm.dmDriverExtra);
    // Offsets 344 and 356 lie in the core's private area, before the plug-in's record.
    const size_t pluginStart = static_cast<size_t>(core.PluginRecord() - core.DevmodeData());
    EXPECT_EQ(pluginStart, sizeof(DEVMODEW) + CoreDriver::kDriverPrivateSize);
    EXPECT_GT(CoreDriver::kOutputOptionOffset, sizeof(DEVMODEW) - 1);
    EXPECT_LT(CoreDriver::kPaperClassOffset, pluginStart);
    // DevMode(DEFAULT) wrote the plug-in's header into its record.
    const auto* header = reinterpret_cast<const OEM_DMEXTRAHEADER*>(core.PluginRecord());
    EXPECT_EQ(header->dwSize, 3920u);
    EXPECT_EQ(header->dwSignature, 0x32303030u);
    // Public fields from the PPD defaults.
    EXPECT_EQ(dm.dmPaperSize, DMPAPER_A4);
    EXPECT_EQ(dm.dmPrintQuality, 600);
    EXPECT_EQ(dm.dmColor, DMCOLOR_COLOR);
    EXPECT_EQ(dm.dmDuplex, DMDUP_SIMPLEX);
}

TEST(CoreDriverStart, StoredDevmodeIsMergedAndRestoresSettings) {
    std::vector<BYTE> stored;
    {
        CoreDriver first(RealOptions(testenv::kColorPrinter));
        ASSERT_TRUE(first.Start());
        ASSERT_TRUE(first.SetFeature("PageSize", "Letter"));
        ASSERT_TRUE(first.OpenSheet(SheetKind::Document));
        OptionTree& tree = first.Tree();
        const int orientation = tree.FindPubId(DMPUB_ORIENTATION);
        const int output = tree.FindItemId(host::kItemIdOutputOption);
        ASSERT_GE(orientation, 0);
        ASSERT_GE(output, 0);
        EXPECT_TRUE(first.UserSelect(static_cast<DWORD>(orientation), 1));
        EXPECT_TRUE(first.UserSelect(static_cast<DWORD>(output), host::kOutputEps));
        first.SetPaperClass(6);
        first.PluginRecord()[100] = 0x5A;  // a value the plug-in does not reset
        stored = first.DevmodeBytes();
    }
    CoreDriverOptions options = RealOptions(testenv::kColorPrinter);
    options.storedDevmode = stored;
    CoreDriver core(options);
    ASSERT_TRUE(core.Start());
    EXPECT_EQ(core.CallNames().back(), "DevMode(4)");
    EXPECT_EQ(core.FeatureOption("PageSize"), "Letter");
    EXPECT_EQ(core.Devmode()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_EQ(core.DevmodeData()[CoreDriver::kOutputOptionOffset], host::kOutputEps);
    EXPECT_EQ(core.DevmodeData()[CoreDriver::kPaperClassOffset], 6);
}

// A stored DEVMODE whose plug-in record does not fit the bytes it holds or declares opens
// with the plug-in's defaults; the intact one keeps what was stored.
TEST(CoreDriverStart, TruncatedStoredRecordOpensWithDefaults) {
    std::vector<BYTE> stored;
    {
        CoreDriver first(RealOptions(testenv::kColorPrinter));
        ASSERT_TRUE(first.Start());
        first.PluginRecord()[100] = 0x5A;
        stored = first.DevmodeBytes();
    }
    const size_t recordStart = sizeof(DEVMODEW) + CoreDriver::kDriverPrivateSize;
    ASSERT_GT(stored.size(), recordStart + 200);
    auto setRecordSize = [&](std::vector<BYTE>& bytes, DWORD size) {
        memcpy(bytes.data() + recordStart, &size, sizeof(size));
    };
    auto reduceDriverExtra = [](std::vector<BYTE>& bytes, WORD by) {
        DEVMODEW dm;
        memcpy(&dm, bytes.data(), sizeof(dm));
        dm.dmDriverExtra = static_cast<WORD>(dm.dmDriverExtra - by);
        memcpy(bytes.data(), &dm, sizeof(dm));
    };
    struct Row {
        const char* what;
        std::function<void(std::vector<BYTE>&)> damage;
        BYTE expected;
    };
    const Row rows[] = {
        {"intact", [](std::vector<BYTE>&) {}, 0x5A},
        {"stored bytes end inside the record",
         [&](std::vector<BYTE>& b) { b.resize(recordStart + 150); }, 0},
        {"dmDriverExtra ends before the record does",
         [&](std::vector<BYTE>& b) { reduceDriverExtra(b, 8); }, 0},
        {"record claims 4 bytes", [&](std::vector<BYTE>& b) { setRecordSize(b, 4); }, 0},
        {"record claims more than stored",
         [&](std::vector<BYTE>& b) { setRecordSize(b, static_cast<DWORD>(b.size())); }, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CoreDriverOptions options = RealOptions(testenv::kColorPrinter);
        options.storedDevmode = stored;
        row.damage(options.storedDevmode);
        CoreDriver core(options);
        ASSERT_TRUE(core.Start());
        EXPECT_EQ(core.PluginRecord()[100], row.expected);
        const auto* header = reinterpret_cast<const OEM_DMEXTRAHEADER*>(core.PluginRecord());
        EXPECT_EQ(header->dwSize, 3920u);  // the fixed size of the private record
    }
}

TEST(CoreDriverStart, MissingPluginFailsCleanly) {
    CoreDriverOptions options = RealOptions(testenv::kColorPrinter);
    options.pluginPath = L"Z:\\nonexistent\\plugin.dll";
    CoreDriver core(options);
    EXPECT_FALSE(core.Start());
    EXPECT_FALSE(core.Error().empty());
    EXPECT_FALSE(core.OpenSheet(SheetKind::Document));
}

TEST(DocumentTree, PublicItemsCoreItemsAndKeywordItems) {
    CoreDriver core(RealOptions(testenv::kColorPrinter));
    ASSERT_TRUE(core.Start());
    ASSERT_TRUE(core.OpenSheet(SheetKind::Document));
    OptionTree& tree = core.Tree();
    ASSERT_GT(tree.Count(), 60u);
    EXPECT_EQ(core.TreeParam().pDrvOptItems, tree.Items());
    EXPECT_EQ(core.TreeParam().cDrvOptItems, tree.Count());

    for (DWORD i = 0; i < tree.Count(); ++i) {
        const OPTITEM& item = tree.Item(i);
        EXPECT_EQ(item.cbSize, sizeof(OPTITEM));
        ASSERT_NE(UserDataOf(item), nullptr);
        EXPECT_EQ(UserDataOf(item)->dwSize, sizeof(USERDATA));
        // Public items carry no keyword; feature items carry theirs.
        if (item.DMPubID != DMPUB_NONE) {
            EXPECT_EQ(UserDataOf(item)->pKeyWordName, nullptr);
        }
    }
    for (BYTE id :
         {DMPUB_ORIENTATION, DMPUB_COPIES_COLLATE, DMPUB_SCALE, DMPUB_PRINTQUALITY, DMPUB_COLOR,
          DMPUB_DUPLEX, DMPUB_NUP, DMPUB_FORMNAME, DMPUB_DEFSOURCE, DMPUB_MEDIATYPE}) {
        EXPECT_GE(tree.FindPubId(id), 0) << int(id);
    }
    // Copies: an up-down item with its range in the second OPTPARAM.
    const OPTITEM& copies = tree.Item(static_cast<DWORD>(tree.FindPubId(DMPUB_COPIES_COLLATE)));
    ASSERT_NE(copies.pOptType, nullptr);
    EXPECT_EQ(copies.pOptType->Type, TVOT_UDARROW);
    EXPECT_EQ(copies.pOptType->pOptParam[1].IconID, 1u);
    EXPECT_EQ(copies.pOptType->pOptParam[1].lParam, 9999);
    EXPECT_EQ(copies.Sel, 1);
    const OPTITEM& scale = tree.Item(static_cast<DWORD>(tree.FindPubId(DMPUB_SCALE)));
    EXPECT_EQ(scale.pOptType->pOptParam[1].lParam, 1000);
    EXPECT_EQ(scale.Sel, 100);
    // Paper names as wide strings, current selection from the PPD default.
    const OPTITEM& form = tree.Item(static_cast<DWORD>(tree.FindPubId(DMPUB_FORMNAME)));
    EXPECT_STREQ(form.pOptType->pOptParam[form.Sel].pData, L"A4");

    // The PostScript output option item.
    const int output = tree.FindItemId(host::kItemIdOutputOption);
    ASSERT_GE(output, 0);
    const OPTITEM& outputItem = tree.Item(static_cast<DWORD>(output));
    EXPECT_EQ(outputItem.DMPubID, DMPUB_NONE);
    ASSERT_EQ(outputItem.pOptType->Count, 4);
    EXPECT_STREQ(outputItem.pOptType->pOptParam[2].pData, L"Encapsulated PostScript (EPS)");
    // Items named by core string numbers: pName is the number itself.
    for (WORD id : {WORD{423}, WORD{424}}) {
        const int index = tree.FindStringId(id);
        ASSERT_GE(index, 0) << id;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(tree.Item(static_cast<DWORD>(index)).pName), id);
        EXPECT_EQ(tree.Item(static_cast<DWORD>(index)).DMPubID, DMPUB_NONE);
    }
    // Feature items: keyword, options from the PPD, default selection.
    const int resolution = tree.FindKeyword("VRResolution");
    ASSERT_GE(resolution, 0);
    const OPTITEM& res = tree.Item(static_cast<DWORD>(resolution));
    EXPECT_STREQ(UserDataOf(res)->pKeyWordName, "VRResolution");
    EXPECT_EQ(res.DMPubID, DMPUB_NONE);
    EXPECT_EQ(res.Sel, 1);
    EXPECT_STREQ(res.pOptType->pOptParam[0].pData, L"High Quality (1200x1200)");
    // The PRINTQUALITY item comes first, so a later VRResolution item wins its binding.
    EXPECT_LT(tree.FindPubId(DMPUB_PRINTQUALITY), resolution);
    // Installable options and public-item features are not document features.
    EXPECT_EQ(tree.FindKeyword("VRHDD"), -1);
    EXPECT_EQ(tree.FindKeyword("PageSize"), -1);
    EXPECT_EQ(tree.FindItemId(host::kItemIdOutputOption), output);
}

TEST(DocumentTree, MonoModelHasNoColourItem) {
    CoreDriver core(RealOptions(testenv::kMonoPrinter));
    ASSERT_TRUE(core.Start());
    ASSERT_TRUE(core.OpenSheet(SheetKind::Document));
    EXPECT_EQ(core.Tree().FindPubId(DMPUB_COLOR), -1);
    EXPECT_EQ(core.Tree().FindKeyword("VRControl"), -1);
    EXPECT_GE(core.Tree().FindKeyword("VROutputMode"), 0);
    EXPECT_EQ(core.Devmode()->dmColor, DMCOLOR_MONOCHROME);
    EXPECT_EQ(core.Devmode()->dmPaperSize, DMPAPER_LETTER);
}

TEST(PrinterTree, CoreItemsAndInstallableOptions) {
    CoreDriver core(RealOptions(testenv::kColorPrinter));
    ASSERT_TRUE(core.Start());
    ASSERT_TRUE(core.OpenSheet(SheetKind::Printer));
    OptionTree& tree = core.Tree();
    for (WORD id : {WORD{404}, WORD{405}, WORD{440}, WORD{427}, WORD{428}, WORD{64798}}) {
        const int index = tree.FindStringId(id);
        ASSERT_GE(index, 0) << id;
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(tree.Item(static_cast<DWORD>(index)).pName), id);
    }
    const int heading = tree.FindStringId(64798);
    for (const char* keyword :
         {"VRHDD", "VROptionDuplex", "VROptionTray", "InstalledMemory", "VRFinisher", "VROptionMPF",
          "VRPunchUnit", "VRJobLimit", "VRSpecialTonerInstalled"}) {
        const int index = tree.FindKeyword(keyword);
        ASSERT_GT(index, heading) << keyword;
        // The stand-in builds them untagged; the plug-in's printer tree tags each one.
        EXPECT_NE(tree.Item(static_cast<DWORD>(index)).UserItemID, 0) << keyword;
    }
    // Memory options are named so that their leading digits give the size.
    const OPTITEM& memory = tree.Item(static_cast<DWORD>(tree.FindKeyword("InstalledMemory")));
    EXPECT_EQ(_wtoi(memory.pOptType->pOptParam[2].pData), 256);
    EXPECT_EQ(tree.FindKeyword("VRStaple"), -1);
}

// ---------------------------------------------------------------------------------------------
// DrvGetDriverSetting and DrvUpdateUISetting

class CoreCalls : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(core.Start());
        ASSERT_TRUE(core.OpenSheet(SheetKind::Document));
        procs = core.UiObject()->pOemUIProcs;
        // Only the calls of the test itself count, not those the plug-in made while the
        // sheet opened.
        core.ClearUpdates();
        queriesBefore = core.Queries().size();
    }
    std::string Get(const char* feature) {
        char buffer[64] = {};
        DWORD needed = 0;
        DWORD count = 0;
        if (!procs->DrvGetDriverSetting(core.UiObject(), feature, buffer, sizeof(buffer), &needed,
                                        &count)) {
            return "<failed>";
        }
        return buffer;
    }
    // Sets an item's Sel and reports it as the plug-in does.
    BOOL Update(int index, LONG sel, DWORD mode = OEMCUIP_DOCPROP) {
        OPTITEM& item = core.Tree().Item(static_cast<DWORD>(index));
        const DWORD previous = static_cast<DWORD>(item.Sel);
        item.Sel = sel;
        return procs->DrvUpdateUISetting(core.UiObject(), &item, previous, mode);
    }
    CoreDriver core{RealOptions(testenv::kColorPrinter)};
    POEMUIPROCS procs = nullptr;
    size_t queriesBefore = 0;
};

TEST_F(CoreCalls, GetDriverSettingAnswersKeywordsWithBufferProtocol) {
    EXPECT_EQ(Get("PageSize"), "A4");
    EXPECT_EQ(Get("Duplex"), "None");
    EXPECT_EQ(Get("VRHDD"), "False");
    EXPECT_EQ(Get("VRPunchUnit"), "None");

    char small[3] = {'x', 'x', 'x'};
    DWORD needed = 0;
    DWORD count = 7;
    SetLastError(0);
    EXPECT_FALSE(procs->DrvGetDriverSetting(core.UiObject(), "VRHDD", small, sizeof(small), &needed,
                                            &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(needed, 6u);  // "False" and its NUL
    EXPECT_EQ(small[0], 'x');
    EXPECT_FALSE(procs->DrvGetDriverSetting(core.UiObject(), "VRHDD", nullptr, 0, &needed, &count));
    EXPECT_EQ(needed, 6u);

    char exact[6] = {};
    EXPECT_TRUE(procs->DrvGetDriverSetting(core.UiObject(), "VRHDD", exact, sizeof(exact), &needed,
                                           &count));
    EXPECT_STREQ(exact, "False");
    EXPECT_EQ(count, 1u);

    SetLastError(0);
    EXPECT_FALSE(procs->DrvGetDriverSetting(core.UiObject(), "NoSuchFeature", exact, sizeof(exact),
                                            &needed, &count));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(procs->DrvGetDriverSetting(core.UiObject(), "VRHDD", exact, sizeof(exact), nullptr,
                                            &count));
    // A foreign driver object is refused rather than followed.
    OEMUIOBJ foreign = {0, procs};
    EXPECT_FALSE(
        procs->DrvGetDriverSetting(&foreign, "VRHDD", exact, sizeof(exact), &needed, &count));
    // The same answer through the COM interface.
    ASSERT_TRUE(core.SetFeature("VRHDD", "True"));
    EXPECT_EQ(core.DriverUi()->DrvGetDriverSetting(core.UiObject(), "VRHDD", exact, sizeof(exact),
                                                   &needed, &count),
              S_OK);
    EXPECT_STREQ(exact, "True");
    ASSERT_EQ(core.Queries().size() - queriesBefore, 10u);  // the foreign object reached nothing
    const host::SettingQuery& first = core.Queries()[queriesBefore];
    EXPECT_EQ(first.feature, "PageSize");
    EXPECT_TRUE(first.succeeded);
    const host::SettingQuery& tooSmall = core.Queries()[queriesBefore + 4];
    EXPECT_EQ(tooSmall.bufferSize, 3u);
    EXPECT_EQ(tooSmall.error, static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
}

TEST_F(CoreCalls, UpdatesAreCheckedAgainstConstraintsAndRecorded) {
    OptionTree& tree = core.Tree();
    const int staple = tree.FindKeyword("VRStaple");
    const int toner = tree.FindKeyword("VROutputMode");
    ASSERT_GE(staple, 0);

    // No finisher: stapling is refused and the setting stays.
    EXPECT_FALSE(Update(staple, 1));
    EXPECT_EQ(core.FeatureOption("VRStaple"), "None");
    // Once the finisher is installed it is accepted.
    ASSERT_TRUE(core.SetFeature("VRFinisher", "True"));
    EXPECT_TRUE(Update(staple, 1));
    EXPECT_EQ(core.FeatureOption("VRStaple"), "OnePoint");
    EXPECT_TRUE(Update(toner, 1));
    EXPECT_EQ(Get("VROutputMode"), "TonerSave");
    // Out of range, wrong mode, foreign item: refused, nothing changes.
    EXPECT_FALSE(Update(toner, 3));
    EXPECT_FALSE(Update(toner, 0, OEMCUIP_PRNPROP));
    EXPECT_EQ(Get("VROutputMode"), "TonerSave");
    OPTITEM foreign = tree.Item(static_cast<DWORD>(toner));
    EXPECT_FALSE(procs->DrvUpdateUISetting(core.UiObject(), &foreign, 1, OEMCUIP_DOCPROP));

    const std::vector<host::UpdateRecord>& log = core.Updates();
    ASSERT_EQ(log.size(), 6u);
    EXPECT_EQ(log[0].itemIndex, staple);
    EXPECT_EQ(log[0].keyword, "VRStaple");
    EXPECT_EQ(log[0].newSel, 1);
    EXPECT_EQ(log[0].previousSel, 0u);
    EXPECT_EQ(log[0].mode, OEMCUIP_DOCPROP);
    EXPECT_FALSE(log[0].accepted);
    EXPECT_TRUE(log[1].accepted);
    EXPECT_EQ(log[2].keyword, "VROutputMode");
    EXPECT_TRUE(log[2].accepted);
    EXPECT_FALSE(log[3].accepted);
    EXPECT_EQ(log[4].mode, OEMCUIP_PRNPROP);
    EXPECT_FALSE(log[4].accepted);
    EXPECT_EQ(log[5].itemIndex, -1);
}

TEST_F(CoreCalls, ConstraintsHoldInBothDirections) {
    OptionTree& tree = core.Tree();
    const int duplex = tree.FindPubId(DMPUB_DUPLEX);
    const int media = tree.FindPubId(DMPUB_MEDIATYPE);
    const int transparency = core.Ppd().Feature("MediaType")->FindOption("Transparency");
    ASSERT_GE(transparency, 0);
    // Transparencies first: duplex is then refused ...
    EXPECT_TRUE(Update(media, transparency));
    EXPECT_FALSE(Update(duplex, 1));
    EXPECT_EQ(core.Devmode()->dmDuplex, DMDUP_SIMPLEX);
    // ... and duplex first: transparencies are refused.
    EXPECT_TRUE(Update(media, 0));
    EXPECT_TRUE(Update(duplex, 1));
    EXPECT_EQ(Get("Duplex"), "DuplexNoTumble");
    EXPECT_EQ(core.Devmode()->dmDuplex, DMDUP_VERTICAL);
    EXPECT_FALSE(Update(media, transparency));
    EXPECT_EQ(Get("MediaType"), "Plain");
    EXPECT_TRUE(core.Updates()[0].accepted);
    EXPECT_EQ(core.Updates()[1].dmPubId, DMPUB_DUPLEX);
    EXPECT_TRUE(core.Updates()[1].keyword.empty());
}

TEST_F(CoreCalls, PublicItemsReachTheDevmode) {
    OptionTree& tree = core.Tree();
    const int form = tree.FindPubId(DMPUB_FORMNAME);
    const int letter = core.Ppd().Feature("PageSize")->FindOption("Letter");
    EXPECT_TRUE(Update(form, letter));
    EXPECT_EQ(core.Devmode()->dmPaperSize, DMPAPER_LETTER);
    EXPECT_STREQ(core.Devmode()->dmFormName, L"Letter");
    EXPECT_EQ(core.Devmode()->dmPaperWidth, 2159);
    EXPECT_EQ(Get("PageSize"), "Letter");

    EXPECT_TRUE(Update(tree.FindPubId(DMPUB_ORIENTATION), 2));
    EXPECT_EQ(core.Devmode()->dmOrientation, DMORIENT_LANDSCAPE);
    EXPECT_TRUE(Update(tree.FindPubId(DMPUB_SCALE), 250));
    EXPECT_EQ(core.Devmode()->dmScale, 250);
    EXPECT_FALSE(Update(tree.FindPubId(DMPUB_SCALE), 1001));
    EXPECT_EQ(core.Devmode()->dmScale, 250);
    EXPECT_TRUE(Update(tree.FindPubId(DMPUB_COLOR), 0));
    EXPECT_EQ(core.Devmode()->dmColor, DMCOLOR_MONOCHROME);
    EXPECT_TRUE(Update(tree.FindPubId(DMPUB_PRINTQUALITY), 0));
    EXPECT_EQ(core.Devmode()->dmPrintQuality, 1200);

    // Copies with the collate check box.
    const int copies = tree.FindPubId(DMPUB_COPIES_COLLATE);
    tree.Item(static_cast<DWORD>(copies)).Flags |= OPTIF_ECB_CHECKED;
    EXPECT_TRUE(Update(copies, 12));
    EXPECT_EQ(core.Devmode()->dmCopies, 12);
    EXPECT_EQ(core.Devmode()->dmCollate, DMCOLLATE_TRUE);
    // The range the plug-in narrows in the item is the one enforced.
    tree.Item(static_cast<DWORD>(copies)).pOptType->pOptParam[1].lParam = 999;
    EXPECT_FALSE(Update(copies, 1000));
    EXPECT_EQ(core.Devmode()->dmCopies, 12);

    // The PostScript output option lives in the DEVMODE byte at offset 344.
    EXPECT_TRUE(Update(tree.FindItemId(host::kItemIdOutputOption), host::kOutputEps));
    EXPECT_EQ(core.DevmodeData()[CoreDriver::kOutputOptionOffset], host::kOutputEps);
    EXPECT_TRUE(Update(tree.FindStringId(423), 0));
    EXPECT_EQ(core.State().mirror, 0);
}

// ---------------------------------------------------------------------------------------------
// The calling sequence around sheets, with an in-process plug-in that records what it gets

struct FakeLog {
    std::vector<std::string> calls;
    bool firstHadItems = true;
    bool secondHadItems = false;
    DWORD secondCount = 0;
    PROPSHEETUI_INFO init{};
    OEMUIPSPARAM sheetParam{};
    LONG_PTR pageHandle = 0;
    LONG_PTR setResultAnswer = 0;
    LONG_PTR otherFunctionAnswer = -1;
    std::vector<WORD> callbackReasons;
    LONG destroyParam = -1;
    LONG_PTR setResultValue = -1;
};
FakeLog* g_fakeLog = nullptr;
constexpr DWORD kNoPermission = 0x20;  // dwFlags: the user may not change settings
LONG g_fakeObjects = 0;

// A one-control page template for the fake plug-in's page.
std::vector<WORD> FakePageTemplate() {
    std::vector<WORD> t = {LOWORD(DS_SETFONT | WS_CHILD | WS_CAPTION),
                           HIWORD(DS_SETFONT | WS_CHILD | WS_CAPTION),
                           0,
                           0,
                           0,
                           0,
                           0,
                           200,
                           100,
                           0,
                           0};
    for (const wchar_t* s = L"Fake"; *s; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
    t.push_back(8);
    for (const wchar_t* s = L"MS Shell Dlg"; *s; ++s) t.push_back(static_cast<WORD>(*s));
    t.push_back(0);
    return t;
}
std::vector<WORD> g_fakeTemplate = FakePageTemplate();

INT_PTR CALLBACK FakePageProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

LONG APIENTRY FakeTreeCallback(PCPSUICBPARAM cb, POEMCUIPPARAM param) {
    g_fakeLog->callbackReasons.push_back(cb->Reason);
    // On apply, the plug-in pushes a selection back, as the real one does.
    if (cb->Reason == CPSUICB_REASON_APPLYNOW) {
        for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
            OPTITEM& item = param->pDrvOptItems[i];
            if (item.DMPubID == DMPUB_ORIENTATION) {
                const DWORD previous = static_cast<DWORD>(item.Sel);
                item.Sel = 1;
                param->poemuiobj->pOemUIProcs->DrvUpdateUISetting(param->poemuiobj, &item, previous,
                                                                  OEMCUIP_DOCPROP);
            }
        }
    }
    return CPSUICB_ACTION_NONE;
}

class FakePlugin final : public IPrintOemUI2 {
public:
    FakePlugin() { InterlockedIncrement(&g_fakeObjects); }
    ~FakePlugin() {
        if (driver_ != nullptr) driver_->Release();
        InterlockedDecrement(&g_fakeObjects);
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IPrintOemUI) ||
            IsEqualIID(riid, IID_IPrintOemUI2)) {
            *ppv = static_cast<IPrintOemUI2*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const LONG left = --refs_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }
    HRESULT STDMETHODCALLTYPE PublishDriverInterface(IUnknown* unknown) override {
        g_fakeLog->calls.push_back("Publish");
        return unknown->QueryInterface(IID_IPrintOemDriverUI, reinterpret_cast<void**>(&driver_));
    }
    HRESULT STDMETHODCALLTYPE GetInfo(DWORD mode, PVOID buffer, DWORD, PDWORD needed) override {
        *needed = 4;
        *static_cast<DWORD*>(buffer) = mode == OEMGI_GETSIGNATURE ? 0x54534554 : 7;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevMode(DWORD mode, POEMDMPARAM param) override {
        g_fakeLog->calls.push_back("DevMode" + std::to_string(mode));
        if (mode == OEMDM_SIZE) param->cbBufSize = 64;
        if (mode == OEMDM_DEFAULT) memset(param->pOEMDMOut, 0xAB, param->cbBufSize);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE CommonUIProp(DWORD mode, POEMCUIPPARAM param) override {
        g_fakeLog->calls.push_back("CommonUIProp" + std::to_string(mode));
        if (param->pOEMOptItems == nullptr) {
            g_fakeLog->firstHadItems = false;
            param->cOEMOptItems = mode == OEMCUIP_PRNPROP ? 1 : 0;
            return S_OK;
        }
        g_fakeLog->secondHadItems = true;
        g_fakeLog->secondCount = param->cOEMOptItems;
        param->OEMCUIPCallback = &FakeTreeCallback;
        param->pOEMUserData = this;
        // Take over the staple feature: hide it in the core's tree.
        for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
            const auto* user = reinterpret_cast<const USERDATA*>(param->pDrvOptItems[i].UserData);
            if (user->pKeyWordName != nullptr && strcmp(user->pKeyWordName, "VRStaple") == 0) {
                param->pDrvOptItems[i].Flags |= OPTIF_HIDE;
            }
        }
        if (mode == OEMCUIP_PRNPROP) {
            param->pOEMOptItems[0].pName = const_cast<LPWSTR>(L"Fake Button");
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DocumentPropertySheets(PPROPSHEETUI_INFO info,
                                                     LPARAM lParam) override {
        g_fakeLog->calls.push_back("DocSheets" + std::to_string(info->Reason));
        if (info->Reason == PROPSHEETUI_REASON_INIT) {
            g_fakeLog->init = *info;
            g_fakeLog->sheetParam = *reinterpret_cast<POEMUIPSPARAM>(info->lParamInit);
            PROPSHEETPAGEW page{};
            page.dwSize = sizeof(page);
            page.dwFlags = PSP_DLGINDIRECT;
            page.hInstance = GetModuleHandleW(nullptr);
            page.pResource = reinterpret_cast<LPCDLGTEMPLATEW>(g_fakeTemplate.data());
            page.pfnDlgProc = &FakePageProc;
            g_fakeLog->pageHandle =
                info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PROPSHEETPAGEW,
                                      reinterpret_cast<LPARAM>(&page), 0);
            g_fakeLog->setResultAnswer = info->pfnComPropSheet(
                info->hComPropSheet, CPSFUNC_SET_RESULT, g_fakeLog->pageHandle, CPSUI_OK);
            g_fakeLog->otherFunctionAnswer =
                info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_SET_DMPUB_HIDEBITS, 0, 0);
            info->Result = 1;
        } else if (info->Reason == PROPSHEETUI_REASON_SET_RESULT) {
            g_fakeLog->setResultValue = reinterpret_cast<PSETRESULT_INFO>(lParam)->Result;
        } else if (info->Reason == PROPSHEETUI_REASON_DESTROY) {
            g_fakeLog->destroyParam = static_cast<LONG>(lParam);
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM lParam) override {
        g_fakeLog->calls.push_back("DevSheets" + std::to_string(info->Reason));
        if (info->Reason == PROPSHEETUI_REASON_GET_INFO_HEADER) {
            reinterpret_cast<PPROPSHEETUI_INFO_HEADER>(lParam)->pTitle =
                const_cast<LPWSTR>(L"Fake Header");
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE DevQueryPrintEx(POEMUIOBJ, PDEVQUERYPRINT_INFO, PDEVMODEW,
                                              PVOID) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeviceCapabilities(POEMUIOBJ, HANDLE, PWSTR, WORD, PVOID, PDEVMODEW,
                                                 PVOID, DWORD, DWORD*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UpgradePrinter(DWORD, PBYTE) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE PrinterEvent(PWSTR, INT, DWORD, LPARAM) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DriverEvent(DWORD, DWORD, LPBYTE, LPARAM) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryColorProfile(HANDLE, POEMUIOBJ, PDEVMODEW, PVOID, ULONG, VOID*,
                                                ULONG*, ULONG*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE FontInstallerDlgProc(HWND, UINT, WPARAM, LPARAM) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE UpdateExternalFonts(HANDLE, HANDLE, PWSTR) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE QueryJobAttributes(HANDLE, PDEVMODEW, DWORD, LPBYTE) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE HideStandardUI(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE DocumentEvent(HANDLE, HDC, INT, ULONG, PVOID, ULONG, PVOID,
                                            INT*) override {
        return E_NOTIMPL;
    }

private:
    LONG refs_ = 1;
    IPrintOemDriverUI* driver_ = nullptr;
};

class FakeFactory final : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        *ppv = IsEqualIID(riid, IID_IClassFactory) ? this : nullptr;
        return *ppv != nullptr ? S_OK : E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID riid, void** ppv) override {
        auto* plugin = new FakePlugin();
        const HRESULT hr = plugin->QueryInterface(riid, ppv);
        plugin->Release();
        return hr;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }
};
FakeFactory g_fakeFactory;

HRESULT STDAPICALLTYPE FakeGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
    if (!IsEqualCLSID(clsid, CLSID_OemUiPlugin)) return CLASS_E_CLASSNOTAVAILABLE;
    return g_fakeFactory.QueryInterface(riid, ppv);
}
HRESULT STDAPICALLTYPE FakeCanUnloadNow() { return g_fakeObjects == 0 ? S_OK : S_FALSE; }

class SheetSequence : public ::testing::Test {
protected:
    void SetUp() override {
        g_fakeLog = &log;
        CoreDriverOptions options;
        options.printerName = testenv::kColorPrinter;
        options.getClassObject = &FakeGetClassObject;
        options.canUnloadNow = &FakeCanUnloadNow;
        options.sheetFlags = kNoPermission;
        core = std::make_unique<CoreDriver>(options);
        ASSERT_TRUE(core->Start());
    }
    void TearDown() override {
        core.reset();
        g_fakeLog = nullptr;
    }
    FakeLog log;
    std::unique_ptr<CoreDriver> core;
};

TEST_F(SheetSequence, DocumentSheetFromStartToDestroy) {
    EXPECT_EQ(core->Signature(), 0x54534554u);
    EXPECT_EQ(core->PluginRecordSize(), 64u);
    EXPECT_EQ(core->PluginRecord()[0], 0xAB);
    ASSERT_TRUE(core->OpenSheet(SheetKind::Document));
    // Two CommonUIProp calls: the first without an item array, the second with one even
    // though the plug-in asked for no items.
    EXPECT_FALSE(log.firstHadItems);
    EXPECT_TRUE(log.secondHadItems);
    EXPECT_EQ(log.secondCount, 0u);
    EXPECT_NE(core->OemItems(), nullptr);
    EXPECT_EQ(core->FirstCommonUIProp(), S_OK);

    // INIT: the info block and the parameter block the pages get.
    EXPECT_EQ(log.init.cbSize, sizeof(PROPSHEETUI_INFO));
    EXPECT_EQ(log.init.Version, PROPSHEETUI_INFO_VERSION);
    EXPECT_NE(log.init.hComPropSheet, nullptr);
    EXPECT_NE(log.init.pfnComPropSheet, nullptr);
    EXPECT_EQ(log.sheetParam.cbSize, sizeof(OEMUIPSPARAM));
    EXPECT_EQ(log.sheetParam.poemuiobj, core->UiObject());
    EXPECT_EQ(log.sheetParam.pOEMDM, core->PluginRecord());
    EXPECT_EQ(log.sheetParam.pPublicDM, core->Devmode());
    EXPECT_EQ(log.sheetParam.hOEMHeap, core->Heap());
    EXPECT_EQ(log.sheetParam.dwFlags, kNoPermission);
    EXPECT_NE(log.sheetParam.pOEMUserData, nullptr);
    EXPECT_NE(core->Heap(), nullptr);
    EXPECT_EQ(core->InitInfoResult(), 1u);

    // pfnComPropSheet: the page is collected, SET_RESULT recorded, anything else answers 0.
    ASSERT_EQ(core->Pages().size(), 1u);
    EXPECT_NE(log.pageHandle, 0);
    EXPECT_EQ(core->Pages()[0].handle, log.pageHandle);
    EXPECT_EQ(core->Pages()[0].Page().pfnDlgProc, &FakePageProc);
    ASSERT_EQ(core->Results().size(), 1u);
    EXPECT_EQ(core->Results()[0].handle, log.pageHandle);
    EXPECT_EQ(core->Results()[0].result, CPSUI_OK);
    EXPECT_NE(log.setResultAnswer, 0);
    EXPECT_EQ(log.otherFunctionAnswer, 0);
    EXPECT_EQ(core->ComPropSheetFunctions().size(), 3u);

    // The tree callback the plug-in installed.
    EXPECT_EQ(core->CallTreeCallback(CPSUICB_REASON_SETACTIVE), CPSUICB_ACTION_NONE);
    ASSERT_EQ(log.callbackReasons.size(), 1u);
    EXPECT_EQ(log.callbackReasons[0], CPSUICB_REASON_SETACTIVE);

    core->CloseSheet(CPSUI_OK);
    EXPECT_EQ(log.setResultValue, CPSUI_OK);
    EXPECT_EQ(log.destroyParam, 1);
    const std::vector<std::string> expected = {"Publish",       "DevMode1",      "DevMode2",
                                               "CommonUIProp1", "CommonUIProp1", "DocSheets0",
                                               "DocSheets3",    "DocSheets2"};
    EXPECT_EQ(log.calls, expected);
    // After closing, the records of the sheet stay readable.
    EXPECT_EQ(core->Pages().size(), 1u);

    EXPECT_EQ(core->Shutdown(), S_OK);
    EXPECT_EQ(g_fakeObjects, 0);
    EXPECT_EQ(core->DriverUiReferences(), 1);
}

TEST_F(SheetSequence, PrinterSheetGivesRoomForPluginItemsAndAsksForTheHeader) {
    ASSERT_TRUE(core->OpenSheet(SheetKind::Printer));
    EXPECT_EQ(log.secondCount, 1u);
    ASSERT_EQ(core->OemItemCount(), 1u);
    EXPECT_EQ(core->OemItems()[0].cbSize, sizeof(OPTITEM));
    EXPECT_EQ(core->HeaderTitle(), L"Fake Header");
    EXPECT_EQ(log.calls[log.calls.size() - 2], "DevSheets0");
    EXPECT_EQ(log.calls.back(), "DevSheets1");
    // A press of the plug-in's own item reaches the callback with that item.
    core->CallTreeCallback(CPSUICB_REASON_SEL_CHANGED, &core->OemItems()[0]);
    ASSERT_EQ(core->Callbacks().size(), 1u);
    EXPECT_EQ(core->Callbacks()[0].itemIndex, -2);
    // Printer-tree updates are accepted in printer mode only.
    OPTITEM& hdd = core->Tree().Item(static_cast<DWORD>(core->Tree().FindKeyword("VRHDD")));
    hdd.Sel = 0;
    EXPECT_TRUE(core->UiObject()->pOemUIProcs->DrvUpdateUISetting(core->UiObject(), &hdd, 1,
                                                                  OEMCUIP_PRNPROP));
    EXPECT_EQ(core->FeatureOption("VRHDD"), "True");
}

// Reads the rows of the stand-in page's list.
std::vector<std::wstring> StandInRows(HWND sheet) {
    const HWND tab = PropSheet_GetTabControl(sheet);
    const int last = TabCtrl_GetItemCount(tab) - 1;
    const HWND page = PropSheet_IndexToHwnd(sheet, last);
    const HWND list = GetDlgItem(page, 1001);
    std::vector<std::wstring> rows;
    const LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t text[256] = {};
        if (SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0) < 255) {
            SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
        }
        rows.emplace_back(text);
    }
    return rows;
}

TEST_F(SheetSequence, ModelessSheetShowsVisibleItemsAndCallsBackOnPageChanges) {
    ASSERT_TRUE(core->OpenSheet(SheetKind::Document));
    const HWND sheet = core->ShowModeless(nullptr);
    ASSERT_NE(sheet, nullptr);
    core->PumpSheet();
    EXPECT_EQ(TabCtrl_GetItemCount(PropSheet_GetTabControl(sheet)), 2);  // fake page + own

    PropSheet_SetCurSel(sheet, nullptr, 1);
    core->PumpSheet();
    const std::vector<std::wstring> rows = StandInRows(sheet);
    auto hasRow = [&](const std::wstring& prefix) {
        return std::any_of(rows.begin(), rows.end(),
                           [&](const std::wstring& r) { return r.rfind(prefix, 0) == 0; });
    };
    EXPECT_TRUE(hasRow(L"Paper Size\tA4"));
    EXPECT_TRUE(hasRow(L"Mirrored Output\tNo"));
    EXPECT_TRUE(hasRow(L"Toner Save\tOff"));
    EXPECT_FALSE(hasRow(L"Staple"));  // hidden by the plug-in

    PropSheet_PressButton(sheet, PSBTN_OK);
    for (int i = 0; i < 50 && core->PumpSheet(); ++i) Sleep(1);
    EXPECT_EQ(core->SheetWindow(), nullptr);
    const std::vector<WORD> expected = {CPSUICB_REASON_SETACTIVE, CPSUICB_REASON_KILLACTIVE,
                                        CPSUICB_REASON_APPLYNOW};
    EXPECT_EQ(log.callbackReasons, expected);
    // The update the plug-in made from its Apply callback went through and was recorded.
    ASSERT_EQ(core->Updates().size(), 1u);
    EXPECT_EQ(core->Updates()[0].dmPubId, DMPUB_ORIENTATION);
    EXPECT_TRUE(core->Updates()[0].accepted);
    EXPECT_EQ(core->Devmode()->dmOrientation, DMORIENT_LANDSCAPE);
    core->CloseSheet();
}

TEST_F(SheetSequence, UserSelectionIsCheckedAndReported) {
    ASSERT_TRUE(core->OpenSheet(SheetKind::Document));
    const DWORD staple = static_cast<DWORD>(core->Tree().FindKeyword("VRStaple"));
    EXPECT_FALSE(core->UserSelect(staple, 1));  // no finisher
    EXPECT_EQ(core->Tree().Item(staple).Sel, 0);
    const DWORD tone = static_cast<DWORD>(core->Tree().FindKeyword("VRTone"));
    EXPECT_TRUE(core->UserSelect(tone, 2));
    EXPECT_EQ(core->FeatureOption("VRTone"), "Dark");
    ASSERT_EQ(log.callbackReasons.size(), 1u);
    EXPECT_EQ(log.callbackReasons[0], CPSUICB_REASON_SEL_CHANGED);
    EXPECT_EQ(core->Callbacks()[0].itemIndex, static_cast<int>(tone));
}

// ---------------------------------------------------------------------------------------------
// Teardown with the real DLL

TEST(CoreDriverTeardown, ReleasesThePluginAndUnloadsTheDll) {
    CoreDriver core(RealOptions(testenv::kColorPrinter));
    ASSERT_TRUE(core.Start());
    ASSERT_TRUE(core.OpenSheet(SheetKind::Document));
    core.CloseSheet();
    ASSERT_TRUE(core.OpenSheet(SheetKind::Printer));
    EXPECT_NE(GetModuleHandleW(L"vroemui.dll"), nullptr);
    EXPECT_EQ(core.Shutdown(), S_OK);  // DllCanUnloadNow after the last Release
    EXPECT_EQ(GetModuleHandleW(L"vroemui.dll"), nullptr);
    EXPECT_EQ(core.DriverUiReferences(), 1);
    const std::vector<std::string> names = core.CallNames();
    ASSERT_GE(names.size(), 2u);
    EXPECT_EQ(names[names.size() - 2], "Release");
    EXPECT_EQ(core.Calls()[core.Calls().size() - 2].mode, 0u);  // the last reference
    EXPECT_EQ(names.back(), "DllCanUnloadNow");
}

}  // namespace
