#include "ui/jobopts/jobfinishing.h"

#include <cstring>
#include <iterator>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "ui/common/sheetcontext.h"

namespace oemui {

namespace {

constexpr DWORD kSettingBytes = 64;  // DrvGetDriverSetting answers

bool Same(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

template <std::size_t N>
bool OneOf(const char* name, const char* const (&names)[N]) {
    for (const char* candidate : names) {
        if (candidate != nullptr && Same(name, candidate)) return true;
    }
    return false;
}

// Paper class per page-size group: for v = 6, for v = 1 or 3 (portrait, landscape), and for
// any other v (portrait, landscape). Sizes in no group are class 0.
struct PaperClassRow {
    const char* names[4];
    int unbindable;
    int sideways[2];
    int upright[2];
};
constexpr PaperClassRow kPaperClasses[] = {
    {{"Letter", "A4", nullptr, nullptr}, 4, {5, 5}, {5, 5}},
    {{"B5", nullptr, nullptr, nullptr}, 0, {1, 1}, {1, 1}},
    {{"A3", "B4", "Tabloid", nullptr}, 4, {7, 6}, {6, 7}},
    {{"FanFoldGermanLegal", "VRLegal", "Legal", "Executive"}, 0, {3, 2}, {2, 3}},
};

// Papers each punch unit type handles whatever the layout.
constexpr const char* kWideUnitPapers[] = {
    "A3",      "A4",    "B5",        "B4",     "Letter", "FanFoldGermanLegal",
    "VRLegal", "Legal", "Executive", "Tabloid"};
constexpr const char* kType1Papers[] = {"A3",      "Tabloid", "Letter", "FanFoldGermanLegal",
                                        "VRLegal", "Legal"};
constexpr const char* kType3Papers[] = {"A3"};

constexpr const char* kPunchUnitKeywords[] = {"Type1", "Type2", "Type3", "Type4"};

bool IsSidewaysLayout(BYTE v) { return v == 1 || v == 3; }
bool IsLongEdgeBinding(DWORD binding) { return binding == 0 || binding == 1; }

// The core's paper byte, 0 when its DEVMODE is too short to hold it.
BYTE PaperLayoutByte(const DEVMODEW& devmode) {
    const size_t bytes = static_cast<size_t>(devmode.dmSize) + devmode.dmDriverExtra;
    if (bytes <= kPaperLayoutOffset) return 0;
    return reinterpret_cast<const BYTE*>(&devmode)[kPaperLayoutOffset];
}

void ResetFinishing(DriverItemMap& map) {
    map.WantedValue[kEntryStaple] = 0;
    map.WantedValue[kEntryPunch] = 0;
    map.WantedValue[kEntryBindPosition] = kBindingDefault;
}

}  // namespace

int PunchUnitFromKeyword(const char* keyword) {
    if (keyword == nullptr) return 0;
    for (int i = 0; i < static_cast<int>(std::size(kPunchUnitKeywords)); ++i) {
        if (Same(keyword, kPunchUnitKeywords[i])) return i + 1;
    }
    return 0;
}

int PaperClassFor(const char* pageSize, BYTE v, bool portrait) {
    for (const PaperClassRow& row : kPaperClasses) {
        if (!OneOf(pageSize, row.names)) continue;
        if (v == kLayoutUnbindable) return row.unbindable;
        return IsSidewaysLayout(v) ? row.sideways[portrait ? 0 : 1] : row.upright[portrait ? 0 : 1];
    }
    return 0;
}

bool PunchUnitCanPunch(int unit, const char* pageSize, BYTE v, bool portrait, DWORD binding) {
    if (v == kLayoutUnbindable) return false;
    const bool crosswise = (portrait && !IsSidewaysLayout(v)) || (!portrait && IsSidewaysLayout(v));
    // A4 is punched by the small units only along the edge the binding runs on.
    const bool a4Edge = Same(pageSize, "A4") &&
                        (crosswise ? !IsLongEdgeBinding(binding) : IsLongEdgeBinding(binding));
    switch (unit) {
        case 2:
        case 4:
            return OneOf(pageSize, kWideUnitPapers);
        case 1:
            return OneOf(pageSize, kType1Papers) || a4Edge;
        case 3:
            return OneOf(pageSize, kType3Papers) || a4Edge;
        default:
            return false;
    }
}

DWORD BindingForClass(int paperClass, BYTE layoutByte, DWORD binding) {
    switch (paperClass) {
        case 0:
            return layoutByte == kLayoutUnbindable ? 4 : 2;
        case 1:
            return binding == 4 ? 2 : binding;
        case 2:
            return binding >= 2 && binding <= 4 ? 0 : binding;
        case 3:
            return binding <= 1 || binding == 4 ? 2 : binding;
        case 4:
            return 4;
        case 6:
            return binding == 2 || binding == 3 ? 0 : binding;
        case 7:
            return binding <= 1 ? 2 : binding;
        default:
            return binding;  // class 5 keeps it
    }
}

void SettleFinishingValues(DriverItemMap& map) {
    const DEVMODEW* devmode = SheetPublicDevmode(map);
    PrivateDevmode* record = SheetRecord(map);
    if (devmode == nullptr || record == nullptr) return;

    const INT32 paper = static_cast<INT16>(devmode->dmPaperSize);
    if (paper != record->PaperKey) {
        record->PaperKey = paper;
        ResetFinishing(map);
    }

    char answer[kSettingBytes];
    QueryDriverSetting(map, "VRPunchUnit", answer, sizeof(answer));
    const int unit = PunchUnitFromKeyword(answer);
    const BYTE v = PaperLayoutByte(*devmode);
    BYTE layout = v;
    if (const POPTITEM orientation = BoundItem(map, kEntryOrientation)) {
        if (orientation->Sel == 1) layout |= 0x80;
        if (orientation->Sel == 2) layout |= 0x40;
    }
    layout = static_cast<BYTE>(layout | (unit << 3));
    if (layout != record->PaperFlags) {
        record->PaperFlags = layout;
        ResetFinishing(map);
    }

    char pageSize[kSettingBytes];
    char duplex[kSettingBytes];
    QueryDriverSetting(map, "PageSize", pageSize, sizeof(pageSize));
    QueryDriverSetting(map, "Duplex", duplex, sizeof(duplex));
    const bool portrait = devmode->dmOrientation == DMORIENT_PORTRAIT;
    int paperClass = PaperClassFor(pageSize, v, portrait);
    if (Same(duplex, "None") && paperClass > 3) paperClass -= 4;

    DWORD& binding = map.WantedValue[kEntryBindPosition];
    if (HasItem(map, kEntryBindPosition)) binding = BindingForClass(paperClass, layout, binding);
    if (HasItem(map, kEntryStaple) && paperClass == 0) map.WantedValue[kEntryStaple] = 0;
    if (HasItem(map, kEntryPunch) && (paperClass == 0 || binding == 4 ||
                                      !PunchUnitCanPunch(unit, pageSize, v, portrait, binding))) {
        map.WantedValue[kEntryPunch] = 0;
    }
}

}  // namespace oemui
