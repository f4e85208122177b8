#include "docprop/itemmap.h"

#include <strsafe.h>

#include <cstring>
#include <cwchar>
#include <span>

#include "base/devmode.h"
#include "base/pluginstate.h"
#include "base/trace.h"
#include "base/printer.h"

namespace oemui {

namespace {

// ---------------------------------------------------------------------------------------------
// Binding tables

// What the scan does with an item, by its DMPubID (0..17; larger values scan keywords).
enum class PubAction : BYTE {
    ScanKeywords,  // the item is one of the core's PPD features: steps by item id, name, keyword
    Bind,          // bind the entry; take Sel / hide as flagged
    BindForm,      // hide listed paper names, then bind the entry
    Ignore,        // public items the plug-in leaves alone
};

struct PubRule {
    PubAction action;
    signed char entry;
    bool takeSel;
    bool hide;
};

constexpr PubRule kPubRules[] = {
    /* DMPUB_NONE           */ {PubAction::ScanKeywords, -1, false, false},
    /* DMPUB_ORIENTATION    */ {PubAction::Bind, kEntryOrientation, false, false},
    /* DMPUB_SCALE          */ {PubAction::Bind, kEntryScale, true, true},
    /* DMPUB_COPIES_COLLATE */ {PubAction::Bind, kEntryCopies, true, true},
    /* DMPUB_DEFSOURCE      */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_PRINTQUALITY   */ {PubAction::Bind, kEntryResolution, true, true},
    /* DMPUB_COLOR          */ {PubAction::Bind, kEntryColor, false, false},
    /* DMPUB_DUPLEX         */ {PubAction::Bind, kEntryDuplex, false, false},
    /* DMPUB_TTOPTION       */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_FORMNAME       */ {PubAction::BindForm, kEntryFormName, false, false},
    /* DMPUB_ICMMETHOD      */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_ICMINTENT      */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_MEDIATYPE      */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_DITHERTYPE     */ {PubAction::Ignore, -1, false, false},
    /* DMPUB_OUTPUTBIN      */ {PubAction::ScanKeywords, -1, false, false},
    /* DMPUB_QUALITY        */ {PubAction::ScanKeywords, -1, false, false},
    /* DMPUB_NUP            */ {PubAction::Bind, kEntryNup, false, false},
    /* DMPUB_PAGEORDER      */ {PubAction::Ignore, -1, false, false},
};
static_assert(std::size(kPubRules) == DMPUB_PAGEORDER + 1);

// The core's item kind (USERDATA.dwItemID) of the PostScript output option.
constexpr ULONG_PTR kPsOutputOptionItemId = 25;

// Core items recognised by the number of the core string resource that names them.
struct NameRule {
    WORD stringId;
    signed char entry;
};
constexpr NameRule kNameRules[] = {{423, kEntryCoreItem423}, {424, kEntryCoreItem424}};

// A PPD keyword the plug-in takes over or redirects help for. An entry of -1 binds nothing.
// Every bound keyword takes the item's Sel as wanted value and hides the item.
struct KeywordRule {
    const char* keyword;
    signed char entry;
    WORD helpIndex;   // 0: help not redirected
    BYTE userItemId;  // 0: UserItemID left alone
};

constexpr KeywordRule kHelpKeywords[] = {
    {"VROutputMode", kEntryOutputMode, 802, 0},
    {"VROutputModeBlack", kEntryOutputModeBlack, 851, 0},
    {"VRCollate", kEntryCollate, 807, 0},
    {"OutputBin", kEntryOutputBin, 849, 0},
    {"VRStaple", kEntryStaple, 822, kStapleUserItemId},
    {"VRMediaType", -1, 414, 0},
    {"VRManualFeed", -1, 603, 0},
    {"TraySwitch", -1, 601, 0},
    {"VRPageSizeCheck", -1, 604, 0},
    {"VRMPTPageSizeCheck", -1, 605, 0},
    {"VREnvRotate", -1, 2201, 0},
    {"VRHDDSpool", kEntryHddSpool, 1204, 0},
    {"VRDrumClean", kEntryDrumClean, 1203, 0},
};

constexpr KeywordRule kFirstChain[] = {
    {"VRJob_Type", kEntryJobType, 0, 0},
    {"VROverlay", kEntryOverlay, 0, 0},
    {"VRControl", kEntryControl, 0, 0},
    {"VRSeparationorder", kEntrySeparationOrder, 0, 0},
    {"VROverPrint", kEntryOverPrint, 0, 0},
    {"VRProcessMode", kEntryProcessMode, 0, 0},
    {"VRBlackSubstitution", kEntryBlackSubstitution, 0, 0},
    {"VRHalftoneMode", kEntryHalftoneMode, 0, 0},
    {"VRAlwaysPrnHT", kEntryAlwaysPrnHT, 0, 0},
    {"VRSpecialColorSpace", kEntrySpecialColorSpace, 0, 0},
    {"VRColorRenderStyle", kEntryColorRenderStyle, 0, 0},
    {"VRColorRenderDict", kEntryColorRenderDict, 0, 0},
    {"VRTargetColor", kEntryTargetColor, 0, 0},
    {"VRTone", -1, 1302, 0},
    {"VRHairLine", kEntryHairLine, 0, 0},
};

constexpr KeywordRule kPunch[] = {{"VRPunch", kEntryPunch, 823, 0}};

constexpr KeywordRule kSecondChain[] = {
    {"VRBindPosition", kEntryBindPosition, 824, 0},
    {"VRBlackSubGra", kEntryBlackSubGra, 0, 0},
    {"VRColorICMS", kEntryColorIcms, 0, 0},
    {"VRCMYKProfile", kEntryCmykProfile, 0, 0},
    {"VRRGBProfile", kEntryRgbProfile, 0, 0},
    {"VRCMYKInputProfile", kEntryCmykInputProfile, 0, 0},
    {"VRCMYKLinkProfile", kEntryCmykLinkProfile, 0, 0},
    {"VROutProfile", kEntryOutProfile, 0, 0},
    {"VRSimProfile", kEntrySimProfile, 0, 0},
    {"VRPureBlack", kEntryPureBlack, 0, 0},
    {"VRPreserveBlack", kEntryPreserveBlack, 0, 0},
    {"VRColorMatch", kEntryColorMatch, 0, 0},
    {"VRResolution", kEntryResolution, 0, 0},
    {"VRImageSmoothing", kEntryImageSmoothing, 0, 0},
    {"VRTrapping", kEntryTrapping, 0, 0},
    {"VRScreenObo", kEntryScreenObo, 0, 0},
    {"VRHairLine", kEntryHairLine, 0, 0},
    {"VRFITTOMPT", kEntryFitToMpt, 0, 0},
    {"VRFITTOTRAY1", kEntryFitToTray1, 0, 0},
    {"VRFITTOTRAY2", kEntryFitToTray1 + 1, 0, 0},
    {"VRFITTOTRAY3", kEntryFitToTray1 + 2, 0, 0},
    {"VRFITTOTRAY4", kEntryFitToTray1 + 3, 0, 0},
    {"VRFITTOTRAY5", kEntryFitToTray5, 0, 0},
    {"VRRotateSort", kEntryRotateSort, 0, 0},
    {"VRSpecialColorControl", kEntrySpecialColorControl, 0, 0},
    {"VRSpecialColorOrder", kEntrySpecialColorOrder, 0, 0},
    {"VRClearOutputMode", kEntryClearOutputMode, 0, 0},
    {"VRErrorDiffusion", kEntryErrorDiffusion, 0, 0},
};

constexpr KeywordRule kPrintBlackText[] = {{"VRPrintBlkTxt", -1, 430, 0}};

// The keyword tests in the order they run. In a chain the first match ends the group;
// otherwise every rule of the group is tested.
struct KeywordGroup {
    std::span<const KeywordRule> rules;
    bool firstMatchWins;
};
constexpr KeywordGroup kKeywordGroups[] = {
    {kHelpKeywords, false}, {kFirstChain, true},      {kPunch, false},
    {kSecondChain, true},   {kPrintBlackText, false},
};

// ---------------------------------------------------------------------------------------------
// Push order

// One step of PushDocumentSettings: when the wanted value of condition entry A or B is
// non-zero, `whenSet` is pushed, otherwise `whenClear`. Unconditional steps have no condition
// entry and both lists equal.
struct PushStep {
    signed char conditionA;
    signed char conditionB;
    std::span<const signed char> whenSet;
    std::span<const signed char> whenClear;
};

constexpr signed char kPushColour[] = {
    kEntryControl,           kEntrySeparationOrder, kEntryOverPrint,         kEntryProcessMode,
    kEntryBlackSubstitution, kEntryAlwaysPrnHT,     kEntrySpecialColorSpace, kEntryColorRenderStyle,
    kEntryColorRenderDict,   kEntryUnbound20,       kEntryTargetColor,       kEntryGammaSelection,
    kEntryUnbound23};
constexpr signed char kPushOutputModeOn[] = {kEntryResolution, kEntrySpecialColorControl,
                                             kEntryOutputMode, kEntryOutputModeBlack};
constexpr signed char kPushOutputModeOff[] = {kEntryOutputModeBlack, kEntryOutputMode,
                                              kEntryResolution, kEntrySpecialColorControl};
constexpr signed char kPushJob[] = {kEntryScale, kEntryJobType, kEntryCopies};
constexpr signed char kPushCollateOn[] = {kEntryCollate, kEntryRotateSort};
constexpr signed char kPushCollateOff[] = {kEntryRotateSort, kEntryCollate};
constexpr signed char kPushDevice[] = {
    kEntryCoreItem423,    kEntryCoreItem424,    kEntryHddSpool,   kEntryDrumClean,
    kEntryHairLine,       kEntryFitToMpt,       kEntryFitToTray1, kEntryFitToTray1 + 1,
    kEntryFitToTray1 + 2, kEntryFitToTray1 + 3, kEntryFitToTray5};
constexpr signed char kPushFinishingOn[] = {kEntryOutputBin, kEntryStaple, kEntryPunch};
constexpr signed char kPushFinishingOff[] = {kEntryStaple, kEntryPunch, kEntryOutputBin};
constexpr signed char kPushTail[] = {
    kEntryBindPosition,    kEntryBlackSubGra,      kEntryColorIcms,       kEntryCmykProfile,
    kEntryRgbProfile,      kEntryCmykInputProfile, kEntryCmykLinkProfile, kEntryOutProfile,
    kEntrySimProfile,      kEntryPureBlack,        kEntryPreserveBlack,   kEntryColorMatch,
    kEntryImageSmoothing,  kEntryScreenObo,        kEntryTrapping,        kEntrySpecialColorOrder,
    kEntryClearOutputMode, kEntryErrorDiffusion,   kEntryOverlay};

constexpr PushStep kPushOrder[] = {
    {-1, -1, kPushColour, kPushColour},
    {kEntryOutputMode, -1, kPushOutputModeOn, kPushOutputModeOff},
    {-1, -1, kPushJob, kPushJob},
    {kEntryCollate, -1, kPushCollateOn, kPushCollateOff},
    {-1, -1, kPushDevice, kPushDevice},
    {kEntryStaple, kEntryPunch, kPushFinishingOn, kPushFinishingOff},
    {-1, -1, kPushTail, kPushTail},
};

// ---------------------------------------------------------------------------------------------
// Item access

// The core item at `index` of the tree, or null when the tree has no such item.
POPTITEM ItemAt(POEMCUIPPARAM param, DWORD index) {
    if (param == nullptr || param->pDrvOptItems == nullptr || index == kNoItem ||
        index >= param->cDrvOptItems) {
        return nullptr;
    }
    return &param->pDrvOptItems[index];
}

const USERDATA* UserDataOf(const OPTITEM& item) {
    return reinterpret_cast<const USERDATA*>(item.UserData);
}

// pName may be a string or the number of a string resource of the core driver.
bool NameIsResource(const OPTITEM& item, WORD stringId) {
    const auto value = reinterpret_cast<ULONG_PTR>(item.pName);
    return (value >> 16) == 0 && value == stringId;
}

void Bind(DriverItemMap& map, DWORD index, OPTITEM& item, int entry, bool takeSel, bool hide) {
    if (entry < 0 || entry >= kEntryCount) return;
    map.ItemIndex[entry] = index;
    if (takeSel) map.WantedValue[entry] = static_cast<DWORD>(item.Sel);
    if (hide) item.Flags |= OPTIF_HIDE;
    OEMUI_TRACE(kTraceDecisions,
                L"core item %lu (public id %u, keyword \"%hs\") bound to entry %d, %ls", index,
                static_cast<unsigned>(item.DMPubID),
                UserDataOf(item) != nullptr && UserDataOf(item)->pKeyWordName != nullptr
                    ? UserDataOf(item)->pKeyWordName
                    : "",
                entry, hide ? L"hidden" : L"left visible");
}

void ApplyKeywordRule(DriverItemMap& map, DWORD index, OPTITEM& item, const KeywordRule& rule,
                      POIEXT helpExt) {
    if (rule.helpIndex != 0 && helpExt != nullptr) {
        item.HelpIndex = rule.helpIndex;
        item.pOIExt = helpExt;
        item.Flags |= OPTIF_HAS_POIEXT;
    }
    if (rule.userItemId != 0) item.UserItemID = rule.userItemId;
    if (rule.entry >= 0) Bind(map, index, item, rule.entry, true, true);
}

// ---------------------------------------------------------------------------------------------
// Paper names

// "HidePaperName" holds at most this many characters; the first kMaxHiddenPapers
// comma-separated names of at most kMaxPaperNameChars characters each take part.
constexpr DWORD kHidePaperValueChars = 261;
constexpr int kMaxHiddenPapers = 12;
constexpr size_t kMaxPaperNameChars = 63;
constexpr LCID kJapaneseLocale = 0x411;

struct PaperNameList {
    // Pointers into the value buffer; null for a name that takes part but can match nothing.
    const wchar_t* names[kMaxHiddenPapers] = {};
    int count = 0;
};

// Splits the value (modified in place) into the names that take part. A name longer than
// kMaxPaperNameChars, or cut off by the length limit of the value, matches no option: a
// shortened name could hide a paper the list never named.
PaperNameList SplitPaperNames(wchar_t* value, bool valueWasCut) {
    PaperNameList list;
    if (value[0] == L'\0') return list;
    wchar_t* start = value;
    while (list.count < kMaxHiddenPapers) {
        wchar_t* comma = wcschr(start, L',');
        const bool last = comma == nullptr;
        if (!last) *comma = L'\0';
        const size_t length = wcslen(start);
        const bool usable = length <= kMaxPaperNameChars && !(last && valueWasCut);
        list.names[list.count++] = usable ? start : nullptr;
        if (last) break;
        start = comma + 1;
    }
    return list;
}

void HidePaperNames(const DriverItemMap& map, OPTITEM& item) {
    if (GetThreadLocale() != kJapaneseLocale) return;
    if (map.IniPath[0] == L'\0') return;
    if (item.pOptType == nullptr || item.pOptType->pOptParam == nullptr) return;
    // One character more than the value may hold, to tell a value that was cut.
    wchar_t value[kHidePaperValueChars + 2] = {};
    const DWORD read = GetPrivateProfileStringW(L"Plg_Feature", L"HidePaperName", L"", value,
                                                kHidePaperValueChars + 2, map.IniPath);
    const bool cut = read > kHidePaperValueChars;
    value[kHidePaperValueChars] = L'\0';
    const PaperNameList list = SplitPaperNames(value, cut);
    const WORD count = item.pOptType->Count;
    for (WORD option = 0; option < count; ++option) {
        OPTPARAM& param = item.pOptType->pOptParam[option];
        const auto data = reinterpret_cast<ULONG_PTR>(param.pData);
        if ((data >> 16) == 0) continue;  // a resource number, not a display name
        for (int n = 0; n < list.count; ++n) {
            const wchar_t* name = list.names[n];
            // Comparing up to the name's terminator reads no further into pData than that.
            if (name != nullptr && wcsncmp(name, param.pData, wcslen(name) + 1) == 0) {
                param.Flags |= OPTPF_HIDE;
                OEMUI_TRACE(kTraceDecisions, L"paper \"%ls\" hidden (HidePaperName)", name);
                break;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The scan

void ScanKeywords(DriverItemMap& map, DWORD index, OPTITEM& item, POIEXT helpExt) {
    const USERDATA* data = UserDataOf(item);
    if (data != nullptr && data->dwItemID == kPsOutputOptionItemId) {
        map.ItemIndex[kEntryPsOutputOption] = index;
        item.UserItemID = static_cast<BYTE>(index & 0xFF);
    }
    for (const NameRule& rule : kNameRules) {
        if (NameIsResource(item, rule.stringId)) Bind(map, index, item, rule.entry, true, true);
    }
    if (data == nullptr || data->pKeyWordName == nullptr) return;
    const char* keyword = data->pKeyWordName;
    for (const KeywordGroup& group : kKeywordGroups) {
        for (const KeywordRule& rule : group.rules) {
            if (std::strcmp(keyword, rule.keyword) != 0) continue;
            ApplyKeywordRule(map, index, item, rule, helpExt);
            if (group.firstMatchWins) break;
        }
    }
}

// Clears the plug-in's own item slots the core offers (none are used).
void ResetOemItems(POPTITEM items, DWORD count) {
    if (items == nullptr) return;
    std::memset(items, 0, sizeof(OPTITEM) * count);
    for (DWORD i = 0; i < count; ++i) {
        items[i].cbSize = sizeof(OPTITEM);
        items[i].DMPubID = DMPUB_NONE;
    }
}

// One warning naming the PPD features the plug-in binds that this tree lacks: their controls
// on the plug-in's pages then change nothing, which is what an integrator with a new PPD looks
// for. A feature two rules bind (or a public item already took) counts once.
void TraceMissingFeatures(const DriverItemMap& map) {
    if (!TraceOn(kTraceWarning)) return;
    wchar_t names[800] = {};
    bool reported[kEntryCount] = {};
    unsigned missing = 0;
    for (const KeywordGroup& group : kKeywordGroups) {
        for (const KeywordRule& rule : group.rules) {
            if (rule.entry < 0 || map.ItemIndex[rule.entry] != kNoItem || reported[rule.entry]) {
                continue;
            }
            reported[rule.entry] = true;
            const size_t used = wcslen(names);
            StringCchPrintfW(names + used, std::size(names) - used, L"%ls%hs",
                             missing != 0 ? L", " : L"", rule.keyword);
            ++missing;
        }
    }
    if (missing != 0) {
        TraceLine(kTraceWarning, L"PPD features the plug-in binds, not in this tree (%u): %ls",
                  missing, names);
    }
}

PrivateDevmode* PrivateDevmodeOf(POEMCUIPPARAM param) {
    return param != nullptr ? static_cast<PrivateDevmode*>(param->pOEMDM) : nullptr;
}

}  // namespace

#if !defined(_WIN64)
static_assert(sizeof(OPTITEM) == 52 && sizeof(OPTPARAM) == 24 && sizeof(OIEXT) == 28);
#endif

// ---------------------------------------------------------------------------------------------

void InitDriverItemMap(DriverItemMap& map, POEMCUIPPARAM param, const SheetPaths& paths) {
    map.Param = param;
    static_assert(sizeof(map.IniPath) == sizeof(paths.PluginIni) &&
                  sizeof(map.CapabilityPath) == sizeof(paths.Capability) &&
                  sizeof(map.HelpPath) == sizeof(paths.Help));
    memcpy(map.IniPath, paths.PluginIni, sizeof(map.IniPath));
    memcpy(map.CapabilityPath, paths.Capability, sizeof(map.CapabilityPath));
    memcpy(map.HelpPath, paths.Help, sizeof(map.HelpPath));
    for (DWORD& index : map.ItemIndex) index = kNoItem;
}

POPTITEM BoundItem(const DriverItemMap& map, int entry) {
    if (entry < 0 || entry >= kEntryCount) return nullptr;
    return ItemAt(map.Param, map.ItemIndex[entry]);
}

void MapDriverItems(DriverItemMap& map, HANDLE heap) {
    POEMCUIPPARAM param = map.Param;
    if (param == nullptr || param->pDrvOptItems == nullptr) return;
    // One help extension per tree build, shared by every redirected item; it lives on the
    // core's heap as long as the tree does.
    POIEXT helpExt = nullptr;
    if (heap != nullptr) {
        helpExt = static_cast<POIEXT>(HeapAlloc(heap, HEAP_ZERO_MEMORY, sizeof(OIEXT)));
        if (helpExt != nullptr) {
            helpExt->cbSize = sizeof(OIEXT);
            helpExt->Flags = 0;
            helpExt->hInstCaller = nullptr;
            helpExt->pHelpFile = map.HelpPath;
        }
    }
    // Item indices are stored in 32 bits but kNoItem marks "absent": items beyond it are not
    // bound.
    const DWORD count = param->cDrvOptItems < kNoItem ? param->cDrvOptItems : kNoItem;
    for (DWORD i = 0; i < count; ++i) {
        OPTITEM& item = param->pDrvOptItems[i];
        const BYTE pub = item.DMPubID;
        if (pub >= std::size(kPubRules)) {
            ScanKeywords(map, i, item, helpExt);
            continue;
        }
        const PubRule& rule = kPubRules[pub];
        switch (rule.action) {
            case PubAction::ScanKeywords:
                ScanKeywords(map, i, item, helpExt);
                break;
            case PubAction::BindForm:
                HidePaperNames(map, item);
                Bind(map, i, item, rule.entry, rule.takeSel, rule.hide);
                break;
            case PubAction::Bind:
                Bind(map, i, item, rule.entry, rule.takeSel, rule.hide);
                break;
            case PubAction::Ignore:
                break;
        }
    }
    TraceMissingFeatures(map);
}

BOOL UpdateDriverItem(POEMCUIPPARAM param, DWORD itemIndex, DWORD& value, DWORD mode) {
    POPTITEM item = ItemAt(param, itemIndex);
    if (item == nullptr) return FALSE;
    POEMUIOBJ core = param->poemuiobj;
    if (core == nullptr || core->pOemUIProcs == nullptr ||
        core->pOemUIProcs->DrvUpdateUISetting == nullptr) {
        return FALSE;
    }
    const DWORD previous = static_cast<DWORD>(item->Sel);
    // The core ignores hidden items: lift the flag for the duration of the call.
    const bool wasHidden = (item->Flags & OPTIF_HIDE) != 0;
    item->Flags &= ~static_cast<DWORD>(OPTIF_HIDE);
    item->Sel = static_cast<LONG>(value);
    item->Flags |= OPTIF_CHANGED;
    const BOOL accepted = core->pOemUIProcs->DrvUpdateUISetting(core, item, previous, mode);
    OEMUI_TRACE(kTraceDecisions, L"push: core item %lu from %lu to %lu (mode %lu), core driver %ls",
                itemIndex, previous, value, mode, accepted ? L"accepted" : L"refused");
    if (wasHidden) item->Flags |= OPTIF_HIDE;
    if (!accepted) value = previous;
    return accepted;
}

void PushDocumentSettings(DriverItemMap& map) {
    POEMCUIPPARAM param = map.Param;
    for (const PushStep& step : kPushOrder) {
        const bool set = (step.conditionA >= 0 && map.WantedValue[step.conditionA] != 0) ||
                         (step.conditionB >= 0 && map.WantedValue[step.conditionB] != 0);
        for (const signed char entry : set ? step.whenSet : step.whenClear) {
            UpdateDriverItem(param, map.ItemIndex[entry], map.WantedValue[entry], kUpdateDocument);
        }
    }
    // Creating overlay forms needs EPS output from the core driver.
    if (map.ItemIndex[kEntryOverlay] != kNoItem &&
        map.WantedValue[kEntryOverlay] == kOverlayCreateForms) {
        DWORD eps = kPsOutputEps;
        UpdateDriverItem(param, map.ItemIndex[kEntryPsOutputOption], eps, kUpdateDocument);
    }
}

void PushDetectedOptions(POEMCUIPPARAM param, DWORD (&values)[9]) {
    // values[k] goes to the items tagged kDetectedTags[k].
    static constexpr BYTE kDetectedTags[9] = {3, 5, 6, 7, 8, 9, 10, 11, 12};
    if (param == nullptr || param->pDrvOptItems == nullptr) return;
    for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
        const BYTE tag = param->pDrvOptItems[i].UserItemID;
        for (size_t k = 0; k < std::size(kDetectedTags); ++k) {
            if (kDetectedTags[k] == tag) {
                UpdateDriverItem(param, i, values[k], kUpdatePrinter);
                break;
            }
        }
    }
}

void ForceTaggedItem(POEMCUIPPARAM param, DWORD value) {
    constexpr BYTE kForcedTag = 11;
    if (param == nullptr || param->pDrvOptItems == nullptr) return;
    for (DWORD i = 0; i < param->cDrvOptItems; ++i) {
        if (param->pDrvOptItems[i].UserItemID != kForcedTag) continue;
        DWORD wanted = value;  // a refusal of one item does not change what the next gets
        UpdateDriverItem(param, i, wanted, kUpdatePrinter);
    }
}

LONG APIENTRY DocPropCallback(PCPSUICBPARAM cbParam, POEMCUIPPARAM param) {
    if (cbParam == nullptr || param == nullptr) return CPSUICB_ACTION_NONE;
    switch (cbParam->Reason) {
        case CPSUICB_REASON_APPLYNOW: {
            auto* object = static_cast<PluginState*>(param->pOEMUserData);
            const DriverItemMap* map = object != nullptr ? object->DocumentContext : nullptr;
            PrivateDevmode* devmode = PrivateDevmodeOf(param);
            if (map != nullptr && devmode != nullptr) {
                if (POPTITEM nup = ItemAt(param, map->ItemIndex[kEntryNup])) {
                    devmode->DrvItemSelA = static_cast<BYTE>(nup->Sel & 0xFF);
                }
                if (POPTITEM orientation = ItemAt(param, map->ItemIndex[kEntryOrientation])) {
                    devmode->DrvItemSelB = static_cast<BYTE>(orientation->Sel & 0xFF);
                }
            }
            [[fallthrough]];
        }
        case CPSUICB_REASON_KILLACTIVE: {
            PrivateDevmode* devmode = PrivateDevmodeOf(param);
            if (param->cOEMOptItems != 0 && param->pOEMOptItems != nullptr && devmode != nullptr) {
                devmode->OemItemSel = param->pOEMOptItems[0].Sel;
            }
            break;
        }
        case CPSUICB_REASON_SETACTIVE:
            SheetFlags |= kSheetFlagDriverPageSeen;
            break;
        default:
            break;
    }
    return CPSUICB_ACTION_NONE;
}

HRESULT DocumentCommonUIProp(PluginState& object, POEMCUIPPARAM param, const SheetPaths& paths) {
    if (param == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return E_FAIL;
    }
    // First call: the core asks how many items of its own the plug-in adds (none).
    if (param->pOEMOptItems == nullptr) {
        param->cOEMOptItems = 0;
        return S_OK;
    }
    // Second call: the tree is complete.
    param->pOEMUserData = &object;
    param->OEMCUIPCallback = DocPropCallback;
    ResetOemItems(param->pOEMOptItems, param->cOEMOptItems);

    object.OemHeap = param->hOEMHeap;
    if (object.OemHeap == nullptr) return E_OUTOFMEMORY;
    auto* map = static_cast<DriverItemMap*>(
        HeapAlloc(object.OemHeap, HEAP_ZERO_MEMORY, sizeof(DriverItemMap)));
    if (map == nullptr) return E_OUTOFMEMORY;
    // Earlier maps stay on the core's heap: pages of an earlier sheet may still hold them.
    object.DocumentContext = map;
    InitDriverItemMap(*map, param, paths);
    map->PrinterDataWritable = CanWritePrinterData(param->hPrinter);
    MapDriverItems(*map, object.OemHeap);
    map->HideStandardUiSeen = object.HideStandardUIAsked;
    return S_OK;
}

}  // namespace oemui
