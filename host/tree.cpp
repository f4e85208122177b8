#include "host/tree.h"

#include <utility>

namespace host {

namespace {

struct CoreString {
    WORD id;
    const wchar_t* text;
};
constexpr CoreString kCoreStrings[] = {
    {kStrMirror, L"Mirrored Output"},
    {kStrNegative, L"Negative Output"},
    {kStrPrinterMemory, L"Available PostScript Memory"},
    {kStrOutputProtocol, L"Output Protocol"},
    {kStrSendCtrlD, L"Send CTRL-D Before Each Job"},
    {kStrJobTimeout, L"Job Timeout"},
    {kStrWaitTimeout, L"Wait Timeout"},
    {kStrInstallableOptions, L"Installable Options"},
};

constexpr const wchar_t* kYesNo[] = {L"Yes", L"No"};

std::vector<std::wstring> Texts(std::initializer_list<const wchar_t*> list) {
    std::vector<std::wstring> out;
    for (const wchar_t* s : list) out.emplace_back(s);
    return out;
}

BYTE ListType(size_t count) {
    if (count == 2) return TVOT_2STATES;
    if (count == 3) return TVOT_3STATES;
    return TVOT_LISTBOX;
}

LONG FeatureSel(const CoreState& state, int feature) {
    const size_t f = static_cast<size_t>(feature);
    return f < state.featureSel.size() ? state.featureSel[f] : 0;
}

}  // namespace

BYTE PublicIdOfFeature(const std::string& keyword) {
    for (const PublicFeature& p : kPublicFeatures) {
        if (keyword == p.keyword) return p.dmPubId;
    }
    return DMPUB_NONE;
}

const wchar_t* CoreStringText(WORD id) {
    for (const CoreString& s : kCoreStrings) {
        if (s.id == id) return s.text;
    }
    return L"";
}

std::vector<std::wstring> FeatureOptionTexts(const PpdFeature& feature) {
    std::vector<std::wstring> texts;
    for (const PpdOption& o : feature.options) texts.push_back(WidenPpd(o.translation));
    return texts;
}

int OptionTree::Add(std::unique_ptr<Node> node, const wchar_t* name, WORD stringId, BYTE level,
                    BYTE dmPubId, ULONG_PTR itemId, const std::string& keyword, LONG sel,
                    bool hasType) {
    node->name = name != nullptr ? name : CoreStringText(stringId);
    node->keyword = keyword;
    node->user.dwSize = sizeof(USERDATA);
    node->user.dwItemID = itemId;
    node->user.pKeyWordName = node->keyword.empty() ? nullptr : node->keyword.data();
    if (hasType) {
        for (size_t i = 0; i < node->params.size(); ++i) {
            node->params[i].cbSize = sizeof(OPTPARAM);
            if (i < node->texts.size()) node->params[i].pData = node->texts[i].data();
        }
        node->type.cbSize = sizeof(OPTTYPE);
        node->type.Count = static_cast<WORD>(node->params.size());
        node->type.pOptParam = node->params.data();
    }

    OPTITEM item{};
    item.cbSize = sizeof(OPTITEM);
    item.Level = level;
    item.UserData = reinterpret_cast<ULONG_PTR>(&node->user);
    item.pName = name != nullptr ? node->name.data()
                                 : reinterpret_cast<LPWSTR>(static_cast<ULONG_PTR>(stringId));
    item.Sel = sel;
    item.pOptType = hasType ? &node->type : nullptr;
    item.DMPubID = dmPubId;
    node->info.stringId = name != nullptr ? 0 : stringId;
    nodes_.push_back(std::move(node));
    items_.push_back(item);
    return static_cast<int>(items_.size()) - 1;
}

int OptionTree::AddList(const wchar_t* name, WORD stringId, BYTE level, BYTE dmPubId,
                        ULONG_PTR itemId, const std::string& keyword,
                        const std::vector<std::wstring>& options, LONG sel, const ItemInfo& info) {
    auto node = std::make_unique<Node>();
    node->info = info;
    node->texts = options;
    node->params.resize(options.size());
    node->type.Type = ListType(options.size());
    return Add(std::move(node), name, stringId, level, dmPubId, itemId, keyword, sel, true);
}

int OptionTree::AddRange(const wchar_t* name, WORD stringId, BYTE level, BYTE dmPubId,
                         ULONG_PTR itemId, const wchar_t* unit, LONG low, LONG high, LONG sel,
                         const ItemInfo& info) {
    auto node = std::make_unique<Node>();
    node->info = info;
    node->texts.emplace_back(unit != nullptr ? unit : L"");
    node->params.resize(2);
    node->params[1].IconID = static_cast<ULONG_PTR>(low);
    node->params[1].lParam = high;
    node->type.Type = TVOT_UDARROW;
    return Add(std::move(node), name, stringId, level, dmPubId, itemId, std::string(), sel, true);
}

int OptionTree::AddHeader(const wchar_t* name, WORD stringId, ULONG_PTR itemId,
                          const ItemInfo& info) {
    auto node = std::make_unique<Node>();
    node->info = info;
    return Add(std::move(node), name, stringId, 1, DMPUB_NONE, itemId, std::string(), 0, false);
}

void OptionTree::AddCheckBox(int index, const wchar_t* title, bool checked) {
    if (index < 0 || static_cast<size_t>(index) >= items_.size()) return;
    Node& node = *nodes_[static_cast<size_t>(index)];
    node.checkTitle = title;
    node.checkBox.cbSize = sizeof(EXTCHKBOX);
    node.checkBox.pTitle = node.checkTitle.data();
    OPTITEM& item = items_[static_cast<size_t>(index)];
    item.pExtChkBox = &node.checkBox;
    if (checked) {
        item.Flags |= OPTIF_ECB_CHECKED;
    } else {
        item.Flags &= ~static_cast<DWORD>(OPTIF_ECB_CHECKED);
    }
}

int OptionTree::IndexOf(const void* item) const {
    if (item == nullptr || items_.empty()) return -1;
    const auto* begin = reinterpret_cast<const BYTE*>(items_.data());
    const auto* p = static_cast<const BYTE*>(item);
    if (p < begin) return -1;
    const size_t offset = static_cast<size_t>(p - begin);
    if (offset % sizeof(OPTITEM) != 0) return -1;
    const size_t index = offset / sizeof(OPTITEM);
    return index < items_.size() ? static_cast<int>(index) : -1;
}

int OptionTree::FindKeyword(const std::string& keyword) const {
    for (size_t i = 0; i < nodes_.size(); ++i) {
        if (!nodes_[i]->keyword.empty() && nodes_[i]->keyword == keyword) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

int OptionTree::FindPubId(BYTE dmPubId) const {
    for (size_t i = 0; i < items_.size(); ++i) {
        if (dmPubId != DMPUB_NONE && items_[i].DMPubID == dmPubId) return static_cast<int>(i);
    }
    return -1;
}

int OptionTree::FindStringId(WORD stringId) const {
    for (size_t i = 0; i < nodes_.size(); ++i) {
        if (stringId != 0 && nodes_[i]->info.stringId == stringId) return static_cast<int>(i);
    }
    return -1;
}

int OptionTree::FindItemId(ULONG_PTR itemId) const {
    for (size_t i = 0; i < nodes_.size(); ++i) {
        if (nodes_[i]->user.dwItemID == itemId) return static_cast<int>(i);
    }
    return -1;
}

std::wstring OptionTree::Name(DWORD index) const {
    return index < nodes_.size() ? nodes_[index]->name : std::wstring();
}

bool OptionTree::SelRange(DWORD index, LONG& low, LONG& high) const {
    if (index >= items_.size()) return false;
    const OPTTYPE* type = items_[index].pOptType;
    if (type == nullptr || type->pOptParam == nullptr || type->Count == 0) return false;
    if (type->Type == TVOT_UDARROW) {
        if (type->Count < 2) return false;
        low = static_cast<LONG>(type->pOptParam[1].IconID);
        high = static_cast<LONG>(type->pOptParam[1].lParam);
        return low <= high;
    }
    low = 0;
    high = static_cast<LONG>(type->Count) - 1;
    return true;
}

std::wstring OptionTree::SelectionText(DWORD index) const {
    if (index >= items_.size()) return {};
    const OPTITEM& item = items_[index];
    const OPTTYPE* type = item.pOptType;
    if (type == nullptr) return {};
    if (type->Type == TVOT_UDARROW) {
        std::wstring text = std::to_wstring(item.Sel);
        const wchar_t* unit = type->Count > 0 ? type->pOptParam[0].pData : nullptr;
        if (unit != nullptr && unit[0] != L'\0') text += std::wstring(L" ") + unit;
        if (item.pExtChkBox != nullptr && item.pExtChkBox->pTitle != nullptr) {
            text += std::wstring(L", ") + item.pExtChkBox->pTitle + L": " +
                    ((item.Flags & OPTIF_ECB_CHECKED) ? L"on" : L"off");
        }
        return text;
    }
    if (item.Sel < 0 || item.Sel >= static_cast<LONG>(type->Count)) return L"?";
    const wchar_t* data = type->pOptParam[item.Sel].pData;
    return data != nullptr ? data : L"";
}

void BuildDocumentTree(OptionTree& tree, const PpdFile& ppd, const CoreState& state) {
    // Public items, in the order the core driver lists them.
    auto addPublicFeature = [&](BYTE dmPubId, const wchar_t* name) {
        for (const PublicFeature& p : kPublicFeatures) {
            if (p.dmPubId != dmPubId) continue;
            const int f = ppd.FindFeature(p.keyword);
            if (f < 0) return;
            const PpdFeature& feature = ppd.features[static_cast<size_t>(f)];
            ItemInfo info{Binding::Feature, f, 0};
            tree.AddList(name, 0, 1, dmPubId, kItemIdPublicBase + dmPubId, std::string(),
                         FeatureOptionTexts(feature), FeatureSel(state, f), info);
        }
    };
    addPublicFeature(DMPUB_FORMNAME, L"Paper Size");
    addPublicFeature(DMPUB_DEFSOURCE, L"Paper Source");
    addPublicFeature(DMPUB_MEDIATYPE, L"Media Type");
    const int copies = tree.AddRange(
        L"Copy Count", 0, 1, DMPUB_COPIES_COLLATE, kItemIdPublicBase + DMPUB_COPIES_COLLATE,
        L"Copies", kCopiesLow, kCopiesHigh, state.copies, ItemInfo{Binding::Copies, -1, 0});
    tree.AddCheckBox(copies, L"Collate", state.collate);
    addPublicFeature(DMPUB_PRINTQUALITY, L"Print Quality");
    if (ppd.colorDevice) {
        tree.AddList(L"Color", 0, 1, DMPUB_COLOR, kItemIdPublicBase + DMPUB_COLOR, std::string(),
                     Texts({L"Monochrome", L"Color"}), state.color,
                     ItemInfo{Binding::Color, -1, 0});
    }
    tree.AddRange(L"Scaling", 0, 1, DMPUB_SCALE, kItemIdPublicBase + DMPUB_SCALE, L"%", kScaleLow,
                  kScaleHigh, state.scale, ItemInfo{Binding::Scale, -1, 0});
    tree.AddList(L"Orientation", 0, 1, DMPUB_ORIENTATION, kItemIdPublicBase + DMPUB_ORIENTATION,
                 std::string(), Texts({L"Portrait", L"Landscape", L"Rotated Landscape"}),
                 state.orientation, ItemInfo{Binding::Orientation, -1, 0});
    addPublicFeature(DMPUB_DUPLEX, L"Print on Both Sides");
    std::vector<std::wstring> nup;
    for (WORD n : kNupValues) nup.push_back(std::to_wstring(n) + (n == 1 ? L" page" : L" pages"));
    tree.AddList(L"Pages per Sheet", 0, 1, DMPUB_NUP, kItemIdPublicBase + DMPUB_NUP, std::string(),
                 nup, state.nup, ItemInfo{Binding::Nup, -1, 0});

    // The core's own document items.
    tree.AddList(L"PostScript Output Option", 0, 1, DMPUB_NONE, kItemIdOutputOption, std::string(),
                 Texts({L"Optimize for Speed", L"Optimize for Portability",
                        L"Encapsulated PostScript (EPS)", L"Archive Format"}),
                 state.outputOption, ItemInfo{Binding::OutputOption, -1, 0});
    tree.AddList(nullptr, kStrMirror, 1, DMPUB_NONE, kItemIdCoreStringBase + kStrMirror,
                 std::string(), Texts({kYesNo[0], kYesNo[1]}), state.mirror,
                 ItemInfo{Binding::CoreValue, -1, kStrMirror});
    tree.AddList(nullptr, kStrNegative, 1, DMPUB_NONE, kItemIdCoreStringBase + kStrNegative,
                 std::string(), Texts({kYesNo[0], kYesNo[1]}), state.negative,
                 ItemInfo{Binding::CoreValue, -1, kStrNegative});

    // One item per remaining document feature.
    for (size_t f = 0; f < ppd.features.size(); ++f) {
        const PpdFeature& feature = ppd.features[f];
        if (feature.installable || PublicIdOfFeature(feature.keyword) != DMPUB_NONE) continue;
        const int index = static_cast<int>(f);
        tree.AddList(WidenPpd(feature.translation).c_str(), 0, 2, DMPUB_NONE,
                     kItemIdFeatureBase + f, feature.keyword, FeatureOptionTexts(feature),
                     FeatureSel(state, index), ItemInfo{Binding::Feature, index, 0});
    }
}

void BuildPrinterTree(OptionTree& tree, const PpdFile& ppd, const CoreState& state) {
    tree.AddRange(nullptr, kStrPrinterMemory, 1, DMPUB_NONE,
                  kItemIdCoreStringBase + kStrPrinterMemory, L"KB", 172, 2097152,
                  state.printerMemory, ItemInfo{Binding::CoreValue, -1, kStrPrinterMemory});
    tree.AddList(nullptr, kStrOutputProtocol, 1, DMPUB_NONE,
                 kItemIdCoreStringBase + kStrOutputProtocol, std::string(),
                 Texts({L"ASCII", L"Binary", L"TBCP"}), state.outputProtocol,
                 ItemInfo{Binding::CoreValue, -1, kStrOutputProtocol});
    tree.AddList(nullptr, kStrSendCtrlD, 1, DMPUB_NONE, kItemIdCoreStringBase + kStrSendCtrlD,
                 std::string(), Texts({kYesNo[0], kYesNo[1]}), state.sendCtrlD,
                 ItemInfo{Binding::CoreValue, -1, kStrSendCtrlD});
    tree.AddRange(nullptr, kStrJobTimeout, 1, DMPUB_NONE, kItemIdCoreStringBase + kStrJobTimeout,
                  L"seconds", 0, 32767, state.jobTimeout,
                  ItemInfo{Binding::CoreValue, -1, kStrJobTimeout});
    tree.AddRange(nullptr, kStrWaitTimeout, 1, DMPUB_NONE, kItemIdCoreStringBase + kStrWaitTimeout,
                  L"seconds", 0, 32767, state.waitTimeout,
                  ItemInfo{Binding::CoreValue, -1, kStrWaitTimeout});
    tree.AddHeader(nullptr, kStrInstallableOptions, kItemIdCoreStringBase + kStrInstallableOptions,
                   ItemInfo{Binding::Header, -1, kStrInstallableOptions});
    for (size_t f = 0; f < ppd.features.size(); ++f) {
        const PpdFeature& feature = ppd.features[f];
        if (!feature.installable) continue;
        const int index = static_cast<int>(f);
        tree.AddList(WidenPpd(feature.translation).c_str(), 0, 2, DMPUB_NONE,
                     kItemIdFeatureBase + f, feature.keyword, FeatureOptionTexts(feature),
                     FeatureSel(state, index), ItemInfo{Binding::Feature, index, 0});
    }
}

}  // namespace host
