// The core driver's option trees as the plug-in sees them: a contiguous OPTITEM array with an
// OPTTYPE, OPTPARAMs and a USERDATA per item, owned by the stand-in, built from the PPD and the
// current settings.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "host/ppd.h"

namespace host {

// Item kinds (USERDATA::dwItemID) the core driver gives its own items.
inline constexpr ULONG_PTR kItemIdOutputOption = 25;         // "PostScript output option"
inline constexpr ULONG_PTR kItemIdPublicBase = 100;          // + DMPubID
inline constexpr ULONG_PTR kItemIdFeatureBase = 1000;        // + index of the PPD feature
inline constexpr ULONG_PTR kItemIdCoreStringBase = 0x10000;  // + string number

// Core string numbers used as the names (pName) of the core's own items.
inline constexpr WORD kStrMirror = 423;
inline constexpr WORD kStrNegative = 424;
inline constexpr WORD kStrPrinterMemory = 404;
inline constexpr WORD kStrOutputProtocol = 405;
inline constexpr WORD kStrSendCtrlD = 440;
inline constexpr WORD kStrJobTimeout = 427;
inline constexpr WORD kStrWaitTimeout = 428;
inline constexpr WORD kStrInstallableOptions = 64798;

// Selections of the PostScript output option item (and the DEVMODE byte that keeps it).
inline constexpr LONG kOutputSpeed = 0;
inline constexpr LONG kOutputPortability = 1;
inline constexpr LONG kOutputEps = 2;
inline constexpr LONG kOutputArchive = 3;

// What an item controls in the stand-in's settings.
enum class Binding {
    Feature,       // a PPD feature (document features and the public items built from one)
    Orientation,   // public: portrait / landscape / rotated landscape
    Copies,        // public: copy count (collate in the extended check box)
    Scale,         // public: percent
    Color,         // public: monochrome / colour
    Nup,           // public: pages per sheet
    OutputOption,  // the core's PostScript output option
    CoreValue,     // another core item named by a string number
    Header,        // a heading without options
};

// The current settings behind the items; the DEVMODE is derived from them.
struct CoreState {
    std::vector<int> featureSel;  // per PPD feature, an option index
    LONG orientation = 0;         // 0 portrait, 1 landscape, 2 rotated landscape
    LONG copies = 1;
    bool collate = false;
    LONG scale = 100;
    LONG color = 1;  // 0 monochrome, 1 colour
    LONG nup = 0;    // index into kNupValues
    LONG outputOption = kOutputSpeed;
    LONG mirror = 1;            // 0 yes, 1 no
    LONG negative = 1;          // 0 yes, 1 no
    LONG printerMemory = 8192;  // KB
    LONG outputProtocol = 0;
    LONG sendCtrlD = 1;
    LONG jobTimeout = 0;
    LONG waitTimeout = 300;
};

inline constexpr WORD kNupValues[] = {1, 2, 4, 6, 9, 16};
inline constexpr LONG kCopiesLow = 1, kCopiesHigh = 9999;
inline constexpr LONG kScaleLow = 1, kScaleHigh = 1000;

// PPD features that the core driver shows as public items instead of feature items.
struct PublicFeature {
    const char* keyword;
    BYTE dmPubId;
};
inline constexpr PublicFeature kPublicFeatures[] = {
    {"PageSize", DMPUB_FORMNAME},   {"InputSlot", DMPUB_DEFSOURCE},
    {"MediaType", DMPUB_MEDIATYPE}, {"Resolution", DMPUB_PRINTQUALITY},
    {"Duplex", DMPUB_DUPLEX},
};
// The DMPubID a feature is shown under, or DMPUB_NONE.
BYTE PublicIdOfFeature(const std::string& keyword);

// Display text of a core string number (for the stand-in's own page); empty when unknown.
const wchar_t* CoreStringText(WORD id);

struct ItemInfo {
    Binding binding = Binding::Feature;
    int feature = -1;   // PPD feature index for Binding::Feature
    WORD stringId = 0;  // pName number, 0 when pName is a string
};

class OptionTree {
public:
    OptionTree() = default;
    OptionTree(const OptionTree&) = delete;
    OptionTree& operator=(const OptionTree&) = delete;

    // An item offering a list of options (TVOT_2STATES, TVOT_3STATES, TVOT_LISTBOX).
    // `name` or, when it is null, `stringId` names the item.
    int AddList(const wchar_t* name, WORD stringId, BYTE level, BYTE dmPubId, ULONG_PTR itemId,
                const std::string& keyword, const std::vector<std::wstring>& options, LONG sel,
                const ItemInfo& info);
    // A number in a range (TVOT_UDARROW): the range is in the second OPTPARAM, IconID = low,
    // lParam = high.
    int AddRange(const wchar_t* name, WORD stringId, BYTE level, BYTE dmPubId, ULONG_PTR itemId,
                 const wchar_t* unit, LONG low, LONG high, LONG sel, const ItemInfo& info);
    // A heading item without options.
    int AddHeader(const wchar_t* name, WORD stringId, ULONG_PTR itemId, const ItemInfo& info);
    // Adds the extended check box (collate) to an item; checked = OPTIF_ECB_CHECKED.
    void AddCheckBox(int index, const wchar_t* title, bool checked);

    POPTITEM Items() { return items_.empty() ? nullptr : items_.data(); }
    DWORD Count() const { return static_cast<DWORD>(items_.size()); }
    const OPTITEM& Item(DWORD index) const { return items_[index]; }
    OPTITEM& Item(DWORD index) { return items_[index]; }
    const ItemInfo& Info(DWORD index) const { return nodes_[index]->info; }
    // Index of an item pointer into this tree, or -1.
    int IndexOf(const void* item) const;

    int FindKeyword(const std::string& keyword) const;
    int FindPubId(BYTE dmPubId) const;
    int FindStringId(WORD stringId) const;
    int FindItemId(ULONG_PTR itemId) const;

    // Name and option texts as the stand-in shows them.
    std::wstring Name(DWORD index) const;
    std::wstring SelectionText(DWORD index) const;
    // Lowest and highest valid Sel (for lists 0..Count-1; for ranges the item's range).
    bool SelRange(DWORD index, LONG& low, LONG& high) const;

private:
    struct Node {
        std::wstring name;
        std::string keyword;
        std::vector<std::wstring> texts;
        std::vector<OPTPARAM> params;
        OPTTYPE type{};
        USERDATA user{};
        EXTCHKBOX checkBox{};
        std::wstring checkTitle;
        ItemInfo info;
    };
    int Add(std::unique_ptr<Node> node, const wchar_t* name, WORD stringId, BYTE level,
            BYTE dmPubId, ULONG_PTR itemId, const std::string& keyword, LONG sel, bool hasType);

    std::vector<std::unique_ptr<Node>> nodes_;
    std::vector<OPTITEM> items_;
};

// The document tree: public items, the core's own items, then one item per document feature.
void BuildDocumentTree(OptionTree& tree, const PpdFile& ppd, const CoreState& state);
// The printer tree: the core's device items, then the installable options under their heading.
void BuildPrinterTree(OptionTree& tree, const PpdFile& ppd, const CoreState& state);

// The options shown for a feature (its translation strings).
std::vector<std::wstring> FeatureOptionTexts(const PpdFeature& feature);

}  // namespace host
