// The document tree map: binding, hiding and help redirection of the core driver's items, the
// two-call CommonUIProp protocol, paper-name hiding, the push of wanted selections and the tree
// callback, on option trees built here the way the core driver builds them.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "plugin/object.h"
#include "base/trace.h"
#include "tests/support/debugoutput.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"
#include "ui/common/dialogs.h"

using namespace oemui;

namespace {

// The core driver's side of DrvUpdateUISetting: records every call and refuses chosen items.
struct FakeCore;
struct CoreObject {
    OEMUIOBJ object;  // handed to the plug-in as poemuiobj
    FakeCore* self;
};

struct FakeCore {
    OEMUIPROCS procs{nullptr, &FakeCore::Update};
    CoreObject handle{{sizeof(OEMUIOBJ), &procs}, this};
    POPTITEM items = nullptr;

    struct Call {
        DWORD index;
        LONG sel;
        DWORD previous;
        DWORD mode;
        bool hiddenDuringCall;
        bool changedFlag;
    };
    std::vector<Call> calls;
    std::set<DWORD> refused;

    static BOOL APIENTRY Update(PVOID driverObject, PVOID optItem, DWORD previous, DWORD mode) {
        FakeCore* self = reinterpret_cast<CoreObject*>(driverObject)->self;
        auto* item = static_cast<POPTITEM>(optItem);
        const DWORD index = static_cast<DWORD>(item - self->items);
        self->calls.push_back({index, item->Sel, previous, mode, (item->Flags & OPTIF_HIDE) != 0,
                               (item->Flags & OPTIF_CHANGED) != 0});
        return self->refused.count(index) ? FALSE : TRUE;
    }
};

// An OPTITEM array with the records the core hangs on its items.
struct Tree {
    std::vector<OPTITEM> items;
    std::deque<USERDATA> userData;
    std::deque<std::string> keywords;
    std::deque<OPTTYPE> types;
    std::deque<std::vector<OPTPARAM>> options;
    std::deque<std::wstring> texts;

    DWORD Add(BYTE dmPubId, LONG sel, const char* keyword = nullptr, ULONG_PTR itemId = 0) {
        OPTITEM item = {};
        item.cbSize = sizeof(OPTITEM);
        item.DMPubID = dmPubId;
        item.Sel = sel;
        USERDATA& data = userData.emplace_back();
        data.dwSize = sizeof(USERDATA);
        data.dwItemID = itemId;
        if (keyword != nullptr) data.pKeyWordName = keywords.emplace_back(keyword).data();
        item.UserData = reinterpret_cast<ULONG_PTR>(&data);
        items.push_back(item);
        return static_cast<DWORD>(items.size() - 1);
    }
    DWORD Feature(const char* keyword, LONG sel = 0) { return Add(DMPUB_NONE, sel, keyword); }
    // An item named by a string resource of the core driver.
    DWORD Named(WORD stringId, LONG sel) {
        const DWORD index = Add(DMPUB_NONE, sel);
        items[index].pName = MAKEINTRESOURCEW(stringId);
        return index;
    }
    // A paper-size item with the given option names.
    DWORD Form(const std::vector<std::wstring>& names) {
        const DWORD index = Add(DMPUB_FORMNAME, 0);
        auto& params = options.emplace_back();
        for (const auto& name : names) {
            OPTPARAM p = {};
            p.cbSize = sizeof(OPTPARAM);
            p.pData = texts.emplace_back(name).data();
            params.push_back(p);
        }
        OPTTYPE& type = types.emplace_back();
        type.cbSize = sizeof(OPTTYPE);
        type.Count = static_cast<WORD>(params.size());
        type.pOptParam = params.data();
        items[index].pOptType = &type;
        return index;
    }
    bool Hidden(DWORD i) const { return (items[i].Flags & OPTIF_HIDE) != 0; }
};

// Every keyword the map binds, with its entry.
const std::vector<std::pair<const char*, int>> kBoundKeywords = {
    {"VROutputMode", 25},
    {"VROutputModeBlack", 77},
    {"VRCollate", 30},
    {"OutputBin", 31},
    {"VRStaple", 32},
    {"VRHDDSpool", 35},
    {"VRDrumClean", 34},
    {"VRJob_Type", 28},
    {"VROverlay", 38},
    {"VRControl", 11},
    {"VRSeparationorder", 12},
    {"VROverPrint", 13},
    {"VRProcessMode", 14},
    {"VRBlackSubstitution", 16},
    {"VRHalftoneMode", 24},
    {"VRAlwaysPrnHT", 17},
    {"VRSpecialColorSpace", 83},
    {"VRColorRenderStyle", 18},
    {"VRColorRenderDict", 19},
    {"VRTargetColor", 21},
    {"VRHairLine", 73},
    {"VRPunch", 41},
    {"VRBindPosition", 42},
    {"VRBlackSubGra", 69},
    {"VRColorICMS", 56},
    {"VRCMYKProfile", 57},
    {"VRRGBProfile", 58},
    {"VRCMYKInputProfile", 59},
    {"VRCMYKLinkProfile", 60},
    {"VROutProfile", 61},
    {"VRSimProfile", 62},
    {"VRPureBlack", 63},
    {"VRPreserveBlack", 64},
    {"VRColorMatch", 65},
    {"VRResolution", 67},
    {"VRImageSmoothing", 68},
    {"VRTrapping", 76},
    {"VRScreenObo", 72},
    {"VRFITTOMPT", 4},
    {"VRFITTOTRAY1", 5},
    {"VRFITTOTRAY2", 6},
    {"VRFITTOTRAY3", 7},
    {"VRFITTOTRAY4", 8},
    {"VRFITTOTRAY5", 9},
    {"VRRotateSort", 79},
    {"VRSpecialColorControl", 80},
    {"VRSpecialColorOrder", 81},
    {"VRClearOutputMode", 82},
    {"VRErrorDiffusion", 84},
};

// Keywords whose help goes to the plug-in's help file, and whether they are taken over.
const std::vector<std::tuple<const char*, DWORD, bool>> kHelpKeywords = {
    {"VROutputMode", 802, true},     {"VROutputModeBlack", 851, true},
    {"VRCollate", 807, true},        {"OutputBin", 849, true},
    {"VRStaple", 822, true},         {"VRMediaType", 414, false},
    {"VRManualFeed", 603, false},    {"TraySwitch", 601, false},
    {"VRPageSizeCheck", 604, false}, {"VRMPTPageSizeCheck", 605, false},
    {"VREnvRotate", 2201, false},    {"VRHDDSpool", 1204, true},
    {"VRDrumClean", 1203, true},     {"VRTone", 1302, false},
    {"VRPunch", 823, true},          {"VRBindPosition", 824, true},
    {"VRPrintBlkTxt", 430, false},
};

// A core tree, its parameter block and a map, ready for MapDriverItems.
struct Fixture {
    Tree tree;
    FakeCore core;
    OEMCUIPPARAM param = {};
    DriverItemMap map = {};
    HANDLE heap = HeapCreate(0, 0, 0);
    PrivateDevmode devmode = {};

    ~Fixture() { HeapDestroy(heap); }
    void Build(const wchar_t* iniPath = nullptr) {
        core.items = tree.items.data();
        param.cbSize = sizeof(param);
        param.poemuiobj = &core.handle.object;
        param.hOEMHeap = heap;
        param.pOEMDM = &devmode;
        param.pDrvOptItems = tree.items.data();
        param.cDrvOptItems = static_cast<DWORD>(tree.items.size());
        SheetPaths paths = {};
        if (iniPath != nullptr) wcsncpy(paths.PluginIni, iniPath, kPathChars - 1);
        wcscpy(paths.Help, L"C:\\driver\\model.hlp");
        InitDriverItemMap(map, &param, paths);
        MapDriverItems(map, heap);
    }
    // Entries pushed, in order, as the map's entry of each called item.
    std::vector<int> PushedEntries() const {
        std::map<DWORD, int> entryOf;
        for (int e = 0; e < kEntryCount; ++e) {
            if (map.ItemIndex[e] != kNoItem) entryOf[map.ItemIndex[e]] = e;
        }
        std::vector<int> order;
        for (const auto& call : core.calls)
            order.push_back(entryOf.count(call.index) ? entryOf[call.index] : -1);
        return order;
    }
};

// A fully bound tree: every keyword plus the public items.
void AddEverything(Tree& tree) {
    for (const auto& [keyword, entry] : kBoundKeywords) tree.Feature(keyword, entry);
    tree.Add(DMPUB_SCALE, 100);
    tree.Add(DMPUB_COPIES_COLLATE, 1);
    tree.Named(423, 1);
    tree.Named(424, 1);
    tree.Add(DMPUB_NONE, 0, nullptr, 25);  // the PostScript output option
}

using testenv::TempIni;

class ThreadLocale {
public:
    explicit ThreadLocale(LCID locale) : old_(GetThreadLocale()) { SetThreadLocale(locale); }
    ~ThreadLocale() { SetThreadLocale(old_); }

private:
    LCID old_;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Binding, hiding and help

TEST(MapDriverItems, EveryKeywordBindsItsEntryTakesSelAndHides) {
    for (const auto& [keyword, entry] : kBoundKeywords) {
        SCOPED_TRACE(keyword);
        Fixture f;
        f.tree.Feature("VRUnrelated", 3);
        const DWORD i = f.tree.Feature(keyword, 7);
        f.Build();
        EXPECT_EQ(f.map.ItemIndex[entry], i);
        EXPECT_EQ(f.map.WantedValue[entry], 7u);
        EXPECT_TRUE(f.tree.Hidden(i));
        EXPECT_FALSE(f.tree.Hidden(0));
        for (int e = 0; e < kEntryCount; ++e) {
            if (e != entry) {
                EXPECT_EQ(f.map.ItemIndex[e], kNoItem) << "entry " << e;
            }
        }
    }
}

// The integrator's warning: one line naming the features the plug-in binds that the tree
// lacks, each once (VRHairLine is in two rules), none of those it found.
TEST(MapDriverItems, TraceNamesTheBoundFeaturesTheTreeLacks) {
    testenv::SetMachineTraceLevel(1);
    Sleep(1100);  // the routines read the machine's level again after a second
    oemui::TraceForPrinter(nullptr);
    std::vector<std::wstring> lines;
    {
        testenv::DebugOutputCapture capture;
        Fixture all;
        AddEverything(all.tree);
        all.Build();
        Fixture some;
        some.tree.Feature("VRCollate");
        some.tree.Feature("VRStaple");
        some.Build();
        lines = capture.TraceLines();
    }
    testenv::SetMachineTraceLevel(0);
    Sleep(1100);
    oemui::TraceForPrinter(nullptr);
    std::vector<std::wstring> warnings;
    for (const std::wstring& line : lines) {
        if (line.find(L"PPD features the plug-in binds, not in this tree") != std::wstring::npos)
            warnings.push_back(line);
    }
    ASSERT_EQ(warnings.size(), 1u) << "a fully bound tree writes none";
    const std::wstring& line = warnings[0];
    for (const auto& [keyword, entry] : kBoundKeywords) {
        const std::wstring name = testenv::Widen(keyword);
        const bool found = name == L"VRCollate" || name == L"VRStaple";
        EXPECT_EQ(
            line.find(L" " + name + L",") != std::wstring::npos || line.ends_with(L" " + name),
            !found)
            << keyword;
    }
    EXPECT_EQ(line.find(L"VRHairLine"), line.rfind(L"VRHairLine"));
    EXPECT_NE(line.find(L"not in this tree (" + std::to_wstring(kBoundKeywords.size() - 2) + L")"),
              std::wstring::npos)
        << testenv::Narrow(line);
}

TEST(MapDriverItems, HelpRedirectionSharesOneExtensionOnThePluginHelpFile) {
    Fixture f;
    for (const auto& [keyword, help, hidden] : kHelpKeywords) f.tree.Feature(keyword, 1);
    const DWORD plain = f.tree.Feature("VRUnrelated", 1);
    f.Build();
    POIEXT shared = f.tree.items[0].pOIExt;
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->cbSize, sizeof(OIEXT));
    EXPECT_EQ(shared->Flags, 0);
    EXPECT_EQ(shared->hInstCaller, nullptr);
    EXPECT_EQ(shared->pHelpFile, f.map.HelpPath) << "the sheet's own copy";
    EXPECT_STREQ(shared->pHelpFile, L"C:\\driver\\model.hlp");
    EXPECT_TRUE(HeapValidate(f.heap, 0, shared));
    for (size_t i = 0; i < kHelpKeywords.size(); ++i) {
        const auto& [keyword, help, hidden] = kHelpKeywords[i];
        SCOPED_TRACE(keyword);
        const OPTITEM& item = f.tree.items[i];
        EXPECT_EQ(item.HelpIndex, help);
        EXPECT_EQ(item.pOIExt, shared);
        EXPECT_TRUE(item.Flags & OPTIF_HAS_POIEXT);
        EXPECT_EQ(f.tree.Hidden(static_cast<DWORD>(i)), hidden);
    }
    EXPECT_EQ(f.tree.items[plain].pOIExt, nullptr);
    EXPECT_EQ(f.tree.items[plain].HelpIndex, 0u);
}

TEST(MapDriverItems, SpecialKeywords) {
    Fixture f;
    const DWORD tone = f.tree.Feature("VRTone", 4);
    const DWORD hair = f.tree.Feature("VRHairLine", 5);
    const DWORD staple = f.tree.Feature("VRStaple", 2);
    // Keywords compare exactly, byte for byte.
    const DWORD lower = f.tree.Feature("vroutputmode", 1);
    const DWORD spaced = f.tree.Feature("VROutputMode ", 1);
    const DWORD prefix = f.tree.Feature("VROutput", 1);
    f.Build();

    EXPECT_FALSE(f.tree.Hidden(tone));
    EXPECT_EQ(f.tree.items[tone].HelpIndex, 1302u);
    EXPECT_EQ(f.map.ItemIndex[kEntryHairLine], hair);  // the only other binding of that order
    EXPECT_EQ(f.map.WantedValue[kEntryHairLine], 5u);
    EXPECT_TRUE(f.tree.Hidden(hair));
    EXPECT_EQ(f.tree.items[hair].pOIExt, nullptr);
    EXPECT_EQ(f.tree.items[staple].UserItemID, 200);
    for (DWORD i : {lower, spaced, prefix}) {
        EXPECT_FALSE(f.tree.Hidden(i));
        EXPECT_EQ(f.tree.items[i].HelpIndex, 0u);
    }
    EXPECT_EQ(f.map.ItemIndex[kEntryOutputMode], kNoItem);
}

TEST(MapDriverItems, ResolutionEntryTakesTheLaterItem) {
    {
        Fixture f;
        const DWORD quality = f.tree.Add(DMPUB_PRINTQUALITY, 1);
        const DWORD resolution = f.tree.Feature("VRResolution", 0);
        f.Build();
        EXPECT_EQ(f.map.ItemIndex[kEntryResolution], resolution);
        EXPECT_EQ(f.map.WantedValue[kEntryResolution], 0u);
        EXPECT_TRUE(f.tree.Hidden(quality));
        EXPECT_TRUE(f.tree.Hidden(resolution));
    }
    {
        Fixture f;
        f.tree.Feature("VRResolution", 0);
        const DWORD quality = f.tree.Add(DMPUB_PRINTQUALITY, 1);
        f.Build();
        EXPECT_EQ(f.map.ItemIndex[kEntryResolution], quality);
        EXPECT_EQ(f.map.WantedValue[kEntryResolution], 1u);
    }
}

TEST(MapDriverItems, PublicItemsCoreNamesAndTheOutputOption) {
    Fixture f;
    const DWORD orientation = f.tree.Add(DMPUB_ORIENTATION, 1);
    const DWORD scale = f.tree.Add(DMPUB_SCALE, 90);
    const DWORD copies = f.tree.Add(DMPUB_COPIES_COLLATE, 3);
    const DWORD color = f.tree.Add(DMPUB_COLOR, 1);
    const DWORD duplex = f.tree.Add(DMPUB_DUPLEX, 1);
    const DWORD nup = f.tree.Add(DMPUB_NUP, 2);
    const DWORD form = f.tree.Form({L"A4"});
    // Public items the plug-in leaves alone are not scanned for keywords either.
    const DWORD source = f.tree.Add(DMPUB_DEFSOURCE, 1, "VROutputMode");
    // Output bin and quality items, and items beyond the known public ids, are features.
    const DWORD bin = f.tree.Add(DMPUB_OUTPUTBIN, 2, "OutputBin");
    const DWORD collate = f.tree.Add(40, 1, "VRCollate");
    const DWORD item423 = f.tree.Named(423, 6);
    const DWORD item424 = f.tree.Named(424, 8);
    f.tree.Add(DMPUB_NONE, 0, nullptr, 24);
    while (f.tree.items.size() < 300) f.tree.Add(DMPUB_NONE, 0);
    const DWORD output = f.tree.Add(DMPUB_NONE, 1, nullptr, 25);
    f.Build();

    EXPECT_EQ(f.map.ItemIndex[kEntryOrientation], orientation);
    EXPECT_EQ(f.map.WantedValue[kEntryOrientation], 0u);
    EXPECT_FALSE(f.tree.Hidden(orientation));
    EXPECT_EQ(f.map.ItemIndex[kEntryScale], scale);
    EXPECT_EQ(f.map.WantedValue[kEntryScale], 90u);
    EXPECT_TRUE(f.tree.Hidden(scale));
    EXPECT_EQ(f.map.ItemIndex[kEntryCopies], copies);
    EXPECT_EQ(f.map.WantedValue[kEntryCopies], 3u);
    EXPECT_TRUE(f.tree.Hidden(copies));
    for (auto [entry, index] : {std::pair{kEntryColor, color},
                                {kEntryDuplex, duplex},
                                {kEntryNup, nup},
                                {kEntryFormName, form}}) {
        EXPECT_EQ(f.map.ItemIndex[entry], index);
        EXPECT_EQ(f.map.WantedValue[entry], 0u);
        EXPECT_FALSE(f.tree.Hidden(index));
    }
    EXPECT_FALSE(f.tree.Hidden(source));
    EXPECT_EQ(f.map.ItemIndex[kEntryOutputMode], kNoItem);
    EXPECT_EQ(f.map.ItemIndex[kEntryOutputBin], bin);
    EXPECT_EQ(f.map.ItemIndex[kEntryCollate], collate);
    EXPECT_EQ(f.map.ItemIndex[kEntryCoreItem423], item423);
    EXPECT_EQ(f.map.WantedValue[kEntryCoreItem423], 6u);
    EXPECT_EQ(f.map.ItemIndex[kEntryCoreItem424], item424);
    EXPECT_EQ(f.map.WantedValue[kEntryCoreItem424], 8u);
    EXPECT_TRUE(f.tree.Hidden(item423) && f.tree.Hidden(item424));
    EXPECT_EQ(f.map.ItemIndex[kEntryPsOutputOption], output);
    EXPECT_EQ(f.tree.items[output].UserItemID, output & 0xFF);
    EXPECT_FALSE(f.tree.Hidden(output));
}

// ---------------------------------------------------------------------------------------------
// Paper names

TEST(PaperNames, HiddenOnlyInJapaneseLocaleAndOnlyExactNames) {
    TempIni ini("[Plg_Feature]\r\nHidePaperName=A4,Letter, B5\r\n");
    const std::vector<std::wstring> papers = {L"A3", L"A4", L"Letter", L"B5", L"A4 "};
    {
        ThreadLocale japanese(0x411);
        Fixture f;
        const DWORD form = f.tree.Form(papers);
        f.Build(ini.path.c_str());
        const OPTPARAM* options = f.tree.items[form].pOptType->pOptParam;
        EXPECT_FALSE(options[0].Flags & OPTPF_HIDE);
        EXPECT_TRUE(options[1].Flags & OPTPF_HIDE);
        EXPECT_TRUE(options[2].Flags & OPTPF_HIDE);
        EXPECT_FALSE(options[3].Flags & OPTPF_HIDE) << "\" B5\" names no option";
        EXPECT_FALSE(options[4].Flags & OPTPF_HIDE);
        EXPECT_FALSE(f.tree.Hidden(form));
    }
    {
        ThreadLocale english(0x409);
        Fixture f;
        const DWORD form = f.tree.Form(papers);
        f.Build(ini.path.c_str());
        for (const OPTPARAM& option : f.tree.options.back())
            EXPECT_FALSE(option.Flags & OPTPF_HIDE);
        EXPECT_EQ(f.map.ItemIndex[kEntryFormName], form);
    }
}

TEST(PaperNames, LimitsOnNamesAndValue) {
    ThreadLocale japanese(0x411);
    const std::wstring name63(63, L'N');
    const std::wstring name64(64, L'L');
    {
        // A name over 63 characters matches nothing; one of 63 matches.
        TempIni ini("[Plg_Feature]\r\nHidePaperName=" + testenv::Narrow(name64) + "," +
                    testenv::Narrow(name63) + "\r\n");
        Fixture f;
        f.tree.Form({name64, name63, name64.substr(0, 63)});
        f.Build(ini.path.c_str());
        const auto& options = f.tree.options.back();
        EXPECT_FALSE(options[0].Flags & OPTPF_HIDE);
        EXPECT_TRUE(options[1].Flags & OPTPF_HIDE);
        EXPECT_FALSE(options[2].Flags & OPTPF_HIDE) << "a long name is not shortened";
    }
    {
        // Only the first twelve names count; an empty name takes part as an empty string.
        std::string list;
        std::vector<std::wstring> papers;
        for (int i = 0; i < 13; ++i) {
            if (i > 0) list += ',';
            list += 'P';
            list += std::to_string(i);
            papers.push_back(L"P" + std::to_wstring(i));
        }
        TempIni ini("[Plg_Feature]\r\nHidePaperName=" + list + "\r\n");
        Fixture f;
        f.tree.Form(papers);
        f.Build(ini.path.c_str());
        const auto& options = f.tree.options.back();
        for (int i = 0; i < 12; ++i) EXPECT_TRUE(options[i].Flags & OPTPF_HIDE) << i;
        EXPECT_FALSE(options[12].Flags & OPTPF_HIDE);
    }
    {
        // A value longer than 261 characters: names cut off by the limit do not match.
        std::string list;
        for (int i = 0; i < 4; ++i) list += std::string(60, static_cast<char>('a' + i)) + ",";
        list += std::string(40, 'e');  // characters 244..283: cut at 261
        ASSERT_GT(list.size(), 261u);
        TempIni ini("[Plg_Feature]\r\nHidePaperName=" + list + "\r\n");
        Fixture f;
        f.tree.Form({std::wstring(60, L'a'), std::wstring(60, L'd'), std::wstring(17, L'e'),
                     std::wstring(40, L'e')});
        f.Build(ini.path.c_str());
        const auto& options = f.tree.options.back();
        EXPECT_TRUE(options[0].Flags & OPTPF_HIDE);
        EXPECT_TRUE(options[1].Flags & OPTPF_HIDE);
        EXPECT_FALSE(options[2].Flags & OPTPF_HIDE);
        EXPECT_FALSE(options[3].Flags & OPTPF_HIDE);
    }
}

// ---------------------------------------------------------------------------------------------
// Updates and pushes

TEST(UpdateDriverItem, AcceptedAndRefusedUpdates) {
    Fixture f;
    const DWORD collate = f.tree.Feature("VRCollate", 0);
    f.Build();
    f.map.WantedValue[kEntryCollate] = 1;
    DWORD value = 1;
    EXPECT_TRUE(UpdateDriverItem(&f.param, collate, value, kUpdateDocument));
    ASSERT_EQ(f.core.calls.size(), 1u);
    const auto& call = f.core.calls[0];
    EXPECT_EQ(call.sel, 1);
    EXPECT_EQ(call.previous, 0u);
    EXPECT_EQ(call.mode, kUpdateDocument);
    EXPECT_FALSE(call.hiddenDuringCall);
    EXPECT_TRUE(call.changedFlag);
    EXPECT_TRUE(f.tree.Hidden(collate)) << "hidden again after the call";
    EXPECT_EQ(value, 1u);

    // Refused: the caller's value returns to the previous selection; the item keeps the new.
    f.core.refused.insert(collate);
    f.map.WantedValue[kEntryCollate] = 0;
    PushDocumentSettings(f.map);
    EXPECT_EQ(f.map.WantedValue[kEntryCollate], 1u);
    EXPECT_EQ(f.tree.items[collate].Sel, 0);
    EXPECT_TRUE(f.tree.Hidden(collate));

    // Unbound, out-of-tree and callback-less updates do nothing.
    f.core.calls.clear();
    value = 5;
    EXPECT_FALSE(UpdateDriverItem(&f.param, kNoItem, value, kUpdateDocument));
    EXPECT_FALSE(UpdateDriverItem(&f.param, 1, value, kUpdateDocument));
    EXPECT_FALSE(UpdateDriverItem(nullptr, 0, value, kUpdateDocument));
    f.core.procs.DrvUpdateUISetting = nullptr;
    EXPECT_FALSE(UpdateDriverItem(&f.param, collate, value, kUpdateDocument));
    f.param.poemuiobj = nullptr;
    EXPECT_FALSE(UpdateDriverItem(&f.param, collate, value, kUpdateDocument));
    EXPECT_EQ(value, 5u);
    EXPECT_TRUE(f.core.calls.empty());
}

TEST(PushDocumentSettings, FullOrderWithEveryFeatureBound) {
    Fixture f;
    AddEverything(f.tree);
    f.Build();
    for (int e = 0; e < kEntryCount; ++e) f.map.WantedValue[e] = 0;
    PushDocumentSettings(f.map);
    const std::vector<int> expected = {11, 12, 13, 14, 16, 17, 83, 18, 19, 21, 77, 25, 67,
                                       80, 33, 28, 29, 79, 30, 36, 37, 35, 34, 73, 4,  5,
                                       6,  7,  8,  9,  32, 41, 31, 42, 69, 56, 57, 58, 59,
                                       60, 61, 62, 63, 64, 65, 68, 72, 76, 81, 82, 84, 38};
    EXPECT_EQ(f.PushedEntries(), expected);
    for (const auto& call : f.core.calls) EXPECT_EQ(call.mode, kUpdateDocument);
}

TEST(PushDocumentSettings, ConditionalOrders) {
    struct Case {
        std::vector<std::pair<int, DWORD>> wanted;
        std::vector<int> subsequence;
    };
    const std::vector<Case> cases = {
        {{{kEntryOutputMode, 1}}, {67, 80, 25, 77}},
        {{{kEntryOutputMode, 0}}, {77, 25, 67, 80}},
        {{{kEntryCollate, 1}}, {30, 79}},
        {{{kEntryCollate, 0}}, {79, 30}},
        {{{kEntryStaple, 1}}, {31, 32, 41}},
        {{{kEntryPunch, 2}}, {31, 32, 41}},
        {{{kEntryStaple, 0}, {kEntryPunch, 0}}, {32, 41, 31}},
    };
    for (const auto& c : cases) {
        Fixture f;
        AddEverything(f.tree);
        f.Build();
        for (int e = 0; e < kEntryCount; ++e) f.map.WantedValue[e] = 0;
        for (auto [entry, value] : c.wanted) f.map.WantedValue[entry] = value;
        PushDocumentSettings(f.map);
        const auto order = f.PushedEntries();
        std::vector<int> seen;
        for (int entry : order) {
            for (int want : c.subsequence) {
                if (entry == want) seen.push_back(entry);
            }
        }
        EXPECT_EQ(seen, c.subsequence) << "first entry " << c.wanted[0].first;
        for (auto [entry, value] : c.wanted) {
            const DWORD index = f.map.ItemIndex[entry];
            EXPECT_EQ(f.tree.items[index].Sel, static_cast<LONG>(value));
        }
    }
}

TEST(PushDocumentSettings, OverlayFormCreationForcesEpsOutput) {
    for (DWORD overlay : {0u, 1u, 2u, 3u}) {
        SCOPED_TRACE(overlay);
        Fixture f;
        AddEverything(f.tree);
        const DWORD overlayItem = f.tree.Feature("VROverlay", 0);
        f.Build();
        const DWORD output = f.map.ItemIndex[kEntryPsOutputOption];
        ASSERT_NE(output, kNoItem);
        f.map.WantedValue[kEntryOverlay] = overlay;
        f.map.WantedValue[kEntryPsOutputOption] = 7;
        PushDocumentSettings(f.map);
        const bool forced = !f.core.calls.empty() && f.core.calls.back().index == output;
        EXPECT_EQ(forced, overlay == 2);
        if (forced) {
            EXPECT_EQ(f.core.calls.back().sel, 2);
            EXPECT_EQ(f.core.calls[f.core.calls.size() - 2].index, overlayItem);
        }
        EXPECT_EQ(f.map.WantedValue[kEntryPsOutputOption], 7u) << "nothing stored in the map";
    }
    {
        // A refused overlay push reverts the wanted value, and nothing is forced.
        Fixture f;
        AddEverything(f.tree);
        const DWORD overlayItem = f.tree.Feature("VROverlay", 1);
        f.Build();
        f.core.refused.insert(overlayItem);
        f.map.WantedValue[kEntryOverlay] = 2;
        PushDocumentSettings(f.map);
        EXPECT_EQ(f.map.WantedValue[kEntryOverlay], 1u);
        EXPECT_EQ(f.core.calls.back().index, overlayItem);
    }
    {
        // Without a VROverlay item the wanted value is a plain page value: nothing is forced.
        Fixture f;
        f.tree.Add(DMPUB_NONE, 0, nullptr, 25);
        f.Build();
        f.map.WantedValue[kEntryOverlay] = 2;
        PushDocumentSettings(f.map);
        EXPECT_TRUE(f.core.calls.empty());
    }
}

TEST(PrinterTree, DetectedOptionsAndTaggedItemByUserItemId) {
    Fixture f;
    std::map<BYTE, DWORD> indexOfTag;
    for (BYTE tag = 2; tag <= 13; ++tag) {
        indexOfTag[tag] = f.tree.Add(DMPUB_NONE, 0);
        f.tree.items.back().UserItemID = tag;
    }
    const DWORD second11 = f.tree.Add(DMPUB_NONE, 0);
    f.tree.items.back().UserItemID = 11;
    f.Build();

    f.core.refused.insert(indexOfTag[7]);
    f.tree.items[indexOfTag[7]].Sel = 4;
    DWORD values[9] = {10, 11, 12, 13, 14, 15, 16, 17, 18};
    PushDetectedOptions(&f.param, values);
    const std::map<BYTE, LONG> expected = {{3, 10}, {5, 11},  {6, 12},  {7, 13}, {8, 14},
                                           {9, 15}, {10, 16}, {11, 17}, {12, 18}};
    for (const auto& [tag, sel] : expected) EXPECT_EQ(f.tree.items[indexOfTag[tag]].Sel, sel);
    for (BYTE tag : {2, 4, 13}) EXPECT_EQ(f.tree.items[indexOfTag[tag]].Sel, 0) << int(tag);
    EXPECT_EQ(values[3], 4u) << "refused value written back";
    EXPECT_EQ(values[2], 12u);
    EXPECT_EQ(f.tree.items[second11].Sel, 17);
    for (const auto& call : f.core.calls) EXPECT_EQ(call.mode, kUpdatePrinter);

    f.core.calls.clear();
    f.core.refused = {indexOfTag[11]};
    ForceTaggedItem(&f.param, 3);
    ASSERT_EQ(f.core.calls.size(), 2u);
    EXPECT_EQ(f.core.calls[0].index, indexOfTag[11]);
    EXPECT_EQ(f.core.calls[1].index, second11);
    EXPECT_EQ(f.core.calls[1].sel, 3) << "a refusal does not change what the next item gets";
}

// ---------------------------------------------------------------------------------------------
// The tree callback

TEST(DocPropCallback, Reasons) {
    Fixture f;
    f.tree.Add(DMPUB_ORIENTATION, 0x0102);
    f.tree.Add(DMPUB_NUP, 0x0304);
    f.Build();
    PluginObject* object = new PluginObject();
    object->DocumentContext = &f.map;
    // The trees' user data is the object's state part, as CommonUIProp hands it over.
    f.param.pOEMUserData = static_cast<PluginState*>(object);
    OPTITEM own = {};
    own.Sel = 9;
    CPSUICBPARAM cb = {};
    cb.cbSize = sizeof(cb);

    cb.Reason = CPSUICB_REASON_KILLACTIVE;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);
    EXPECT_EQ(f.devmode.OemItemSel, 0) << "no items of our own: nothing copied";

    f.param.pOEMOptItems = &own;
    f.param.cOEMOptItems = 1;
    cb.Reason = CPSUICB_REASON_APPLYNOW;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);
    EXPECT_EQ(f.devmode.DrvItemSelA, 0x04);
    EXPECT_EQ(f.devmode.DrvItemSelB, 0x02);
    EXPECT_EQ(f.devmode.OemItemSel, 9);

    SheetFlags = 0;
    cb.Reason = CPSUICB_REASON_SETACTIVE;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);
    EXPECT_EQ(SheetFlags, kSheetFlagDriverPageSeen);

    const PrivateDevmode before = f.devmode;
    cb.Reason = CPSUICB_REASON_SEL_CHANGED;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);
    EXPECT_EQ(std::memcmp(&before, &f.devmode, sizeof(before)), 0);

    // Missing pieces are skipped.
    EXPECT_EQ(DocPropCallback(nullptr, &f.param), CPSUICB_ACTION_NONE);
    cb.Reason = CPSUICB_REASON_APPLYNOW;
    f.param.pOEMDM = nullptr;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);
    f.param.pOEMDM = &f.devmode;
    f.param.pOEMUserData = nullptr;
    EXPECT_EQ(DocPropCallback(&cb, &f.param), CPSUICB_ACTION_NONE);

    object->DocumentContext = nullptr;  // the map is not on a heap
    object->Release();
}

// ---------------------------------------------------------------------------------------------
// CommonUIProp for the document tree

TEST(DocumentCommonUIProp, TwoCallProtocol) {
    Fixture f;
    f.tree.Feature("VRCollate", 1);
    f.tree.Feature("VRTone", 1);
    f.Build();
    const std::vector<OPTITEM> pristine = [&] {
        std::vector<OPTITEM> items = f.tree.items;
        for (auto& item : items) {
            item.Flags = 0;
            item.pOIExt = nullptr;
            item.HelpIndex = 0;
        }
        return items;
    }();
    f.tree.items = pristine;
    f.param.pDrvOptItems = f.tree.items.data();
    f.core.items = f.tree.items.data();

    PluginObject* object = new PluginObject();
    object->HideStandardUIAsked = 1;
    SheetPaths paths = {};
    wcscpy(paths.PluginIni, L"C:\\driver\\model.ini");
    f.param.cOEMOptItems = 5;
    ASSERT_EQ(DocumentCommonUIProp(*object, &f.param, paths), S_OK);
    EXPECT_EQ(f.param.cOEMOptItems, 0u);
    EXPECT_EQ(object->DocumentContext, nullptr);
    EXPECT_EQ(f.param.OEMCUIPCallback, nullptr);
    EXPECT_FALSE(f.tree.Hidden(0)) << "the first call only answers the count";

    OPTITEM own[2];
    std::memset(own, 0xA5, sizeof(own));
    f.param.pOEMOptItems = own;
    f.param.cOEMOptItems = 2;
    ASSERT_EQ(DocumentCommonUIProp(*object, &f.param, paths), S_OK);
    for (const OPTITEM& item : own) {
        EXPECT_EQ(item.cbSize, sizeof(OPTITEM));
        EXPECT_EQ(item.DMPubID, DMPUB_NONE);
        EXPECT_EQ(item.Flags, 0u);
        EXPECT_EQ(item.pOptType, nullptr);
    }
    EXPECT_EQ(f.param.pOEMUserData, static_cast<PluginState*>(object));
    EXPECT_EQ(f.param.OEMCUIPCallback, &DocPropCallback);
    DriverItemMap* map = object->DocumentContext;
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(object->OemHeap, f.heap);
    EXPECT_TRUE(HeapValidate(f.heap, 0, map));
    EXPECT_EQ(map->Param, &f.param);
    EXPECT_STREQ(map->IniPath, paths.PluginIni);
    EXPECT_EQ(map->HideStandardUiSeen, 1u);
    EXPECT_EQ(map->ItemIndex[kEntryCollate], 0u);
    EXPECT_EQ(map->ItemIndex[kEntryOutputMode], kNoItem);
    EXPECT_TRUE(f.tree.Hidden(0));
    EXPECT_EQ(f.tree.items[1].HelpIndex, 1302u);
    EXPECT_EQ(map->PrinterDataWritable, 0u) << "no printer handle: not writable";

    // A further second call builds a fresh map; the earlier one stays on the heap.
    ASSERT_EQ(DocumentCommonUIProp(*object, &f.param, paths), S_OK);
    EXPECT_NE(object->DocumentContext, map);
    EXPECT_TRUE(HeapValidate(f.heap, 0, map));
    object->Release();  // frees the latest map from the heap
}

TEST(DocumentCommonUIProp, ThroughThePluginObjectOnTheSamplePrinter) {
    HANDLE printer = nullptr;
    PRINTER_DEFAULTSW defaults = {nullptr, nullptr, PRINTER_ALL_ACCESS};
    ASSERT_TRUE(OpenPrinterW(const_cast<wchar_t*>(testenv::kColorPrinter), &printer, &defaults));
    Fixture f;
    f.tree.Feature("VROutputMode", 1);
    f.Build();
    f.param.hPrinter = printer;
    OPTITEM own = {};
    PluginObject* object = new PluginObject();
    ASSERT_EQ(object->CommonUIProp(OEMCUIP_DOCPROP, &f.param), S_OK);  // first call
    f.param.pOEMOptItems = &own;
    ASSERT_EQ(object->CommonUIProp(OEMCUIP_DOCPROP, &f.param), S_OK);
    ASSERT_NE(object->DocumentContext, nullptr);
    const std::wstring ini = object->DocumentContext->IniPath;
    EXPECT_EQ(ini.substr(ini.size() - 11), L"vroemui.ini");
    EXPECT_EQ(object->DocumentContext->PrinterDataWritable, 1u);
    EXPECT_EQ(object->DocumentContext->WantedValue[kEntryOutputMode], 1u);
    object->Release();
    ClosePrinter(printer);
}

// ---------------------------------------------------------------------------------------------
// Odd trees

TEST(OddTrees, NullPiecesNeverCrash) {
    ThreadLocale japanese(0x411);
    TempIni ini("[Plg_Feature]\r\nHidePaperName=A4,B5\r\n");
    Fixture f;
    f.tree.Feature("VRCollate", 1);
    f.tree.items.back().UserData = 0;  // no USERDATA
    f.tree.Add(DMPUB_NONE, 0);         // USERDATA without keyword
    f.tree.Add(DMPUB_FORMNAME, 0);     // paper item without OPTTYPE
    const DWORD noParams = f.tree.Form({L"A4"});
    f.tree.items[noParams].pOptType->pOptParam = nullptr;
    const DWORD resourceNames = f.tree.Form({L"A4", L"B5"});
    f.tree.options.back()[0].pData = MAKEINTRESOURCEW(7);  // a core resource, not a name
    f.tree.Add(255, 0, "VRStaple");
    f.Build(ini.path.c_str());
    EXPECT_EQ(f.map.ItemIndex[kEntryCollate], kNoItem);
    EXPECT_EQ(f.map.ItemIndex[kEntryStaple], 5u);
    EXPECT_EQ(f.map.ItemIndex[kEntryFormName], resourceNames);
    EXPECT_FALSE(f.tree.options.back()[0].Flags & OPTPF_HIDE);
    EXPECT_TRUE(f.tree.options.back()[1].Flags & OPTPF_HIDE);

    PushDocumentSettings(f.map);
    DriverItemMap empty = {};
    InitDriverItemMap(empty, nullptr, SheetPaths{});
    MapDriverItems(empty, nullptr);
    PushDocumentSettings(empty);

    OEMCUIPPARAM noItems = f.param;
    noItems.pDrvOptItems = nullptr;
    noItems.cDrvOptItems = 50;
    DriverItemMap map = {};
    InitDriverItemMap(map, &noItems, SheetPaths{});
    MapDriverItems(map, f.heap);
    map.ItemIndex[kEntryCollate] = 3;
    PushDocumentSettings(map);
    DWORD values[9] = {};
    PushDetectedOptions(&noItems, values);
    ForceTaggedItem(&noItems, 1);
    PushDetectedOptions(nullptr, values);
    ForceTaggedItem(nullptr, 1);

    // A map whose indices point beyond the tree (a tree that shrank) pushes nothing there.
    f.core.calls.clear();
    f.map.ItemIndex[kEntryCollate] = 1000;
    f.param.cDrvOptItems = 2;
    PushDocumentSettings(f.map);
    EXPECT_TRUE(f.core.calls.empty());
    EXPECT_EQ(BoundItem(f.map, kEntryCollate), nullptr);
    EXPECT_EQ(BoundItem(f.map, -1), nullptr);
    EXPECT_EQ(BoundItem(f.map, kEntryCount), nullptr);
}
