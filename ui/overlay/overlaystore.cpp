#include "ui/overlay/overlaystore.h"

#include <strsafe.h>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "ui/common/dialogs.h"
#include "ui/common/sheetcontext.h"
#include "base/userdata.h"

namespace oemui {

namespace {

constexpr wchar_t kMainSection[] = L"OverlaySetting";
constexpr wchar_t kMainSectionPending[] = L"OverlaySetting_Sv";
constexpr wchar_t kInfoSection[] = L"Overlay_Info %d";
constexpr wchar_t kInfoSectionPending[] = L"Overlay_Info_Sv %d";

constexpr wchar_t kOverlayNumKey[] = L"Overlay_Num";
constexpr wchar_t kHistoryNumKey[] = L"History_Num";
constexpr wchar_t kHistoryKey[] = L"History %d";
constexpr wchar_t kNameKey[] = L"Overlay_Name";
constexpr wchar_t kPageModeKey[] = L"PageMode";
constexpr wchar_t kCustomPageKey[] = L"CustomPage";
constexpr wchar_t kFormNumKey[] = L"Form_Num";
constexpr wchar_t kFormNameKey[] = L"Form_Name %d";

constexpr std::size_t kKeyChars = 32;
// One definition or the main section as lines: ten history names or three form names, a page
// list and the counts.
constexpr std::size_t kOverlaySectionChars = 2048;
constexpr std::size_t kSectionChars = 64;

// A stored count as a value 0..limit: GetPrivateProfileIntW hands back whatever number the
// file holds, negative or huge ones included.
WORD ReadCount(const wchar_t* iniPath, const wchar_t* section, const wchar_t* key, int limit) {
    const INT value = static_cast<INT>(GetPrivateProfileIntW(section, key, 0, iniPath));
    if (value < 0) return 0;
    return static_cast<WORD>(value > limit ? limit : value);
}

// A stored text cut to its field (GetPrivateProfileStringW never writes past outChars).
void ReadText(const wchar_t* iniPath, const wchar_t* section, const wchar_t* key, wchar_t* out,
              std::size_t outChars) {
    GetPrivateProfileStringW(section, key, L"", out, static_cast<DWORD>(outChars), iniPath);
}

bool FormatKey(const wchar_t* format, int index, wchar_t (&out)[kKeyChars]) {
    return SUCCEEDED(StringCchPrintfW(out, kKeyChars, format, index));
}

// A text field as a line, cut to the field when it lost its terminator.
bool AddText(SectionLines& lines, const wchar_t* key, const wchar_t* text, std::size_t fieldChars) {
    wchar_t bounded[kCustomPageChars] = {};
    StringCchCopyNW(bounded, ARRAYSIZE(bounded), text, fieldChars - 1);
    return lines.Add(key, bounded);
}

bool IsPending(const DriverItemMap& map) { return map.SettingsVariant == kOverlaysPending; }

}  // namespace

bool OverlayMainSectionName(bool pending, wchar_t* out, std::size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    if (FAILED(StringCchCopyW(out, outChars, pending ? kMainSectionPending : kMainSection))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool OverlayInfoSectionName(bool pending, int index, wchar_t* out, std::size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    if (FAILED(
            StringCchPrintfW(out, outChars, pending ? kInfoSectionPending : kInfoSection, index))) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

bool OverlayMainLines(const OverlayStore& store, SectionLines& lines) {
    const int defined =
        store.DefinedCount > kMaxDefinedOverlays ? kMaxDefinedOverlays : store.DefinedCount;
    const int history = store.HistoryCount > kMaxFormHistory ? kMaxFormHistory : store.HistoryCount;
    bool ok = lines.AddNumber(kOverlayNumKey, defined);
    ok = lines.AddNumber(kHistoryNumKey, history) && ok;
    for (int i = 0; i < history; ++i) {
        wchar_t key[kKeyChars];
        ok = FormatKey(kHistoryKey, i, key) &&
             AddText(lines, key, store.History[i], kOverlayNameChars) && ok;
    }
    return ok;
}

void ReadOverlayMainSection(const wchar_t* iniPath, const wchar_t* section, OverlayStore& store) {
    store.DefinedCount = ReadCount(iniPath, section, kOverlayNumKey, kMaxDefinedOverlays);
    store.HistoryCount = ReadCount(iniPath, section, kHistoryNumKey, kMaxFormHistory);
    for (int i = 0; i < store.HistoryCount; ++i) {
        wchar_t key[kKeyChars];
        if (FormatKey(kHistoryKey, i, key)) {
            ReadText(iniPath, section, key, store.History[i], kOverlayNameChars);
        }
    }
}

bool OverlayInfoLines(const OverlayRecord& record, SectionLines& lines) {
    const int forms = record.FormCount > kMaxOverlayForms ? kMaxOverlayForms : record.FormCount;
    bool ok = AddText(lines, kNameKey, record.Name, kOverlayNameChars);
    ok = lines.AddNumber(kPageModeKey, record.PageMode) && ok;
    ok = AddText(lines, kCustomPageKey, record.CustomPage, kCustomPageChars) && ok;
    ok = lines.AddNumber(kFormNumKey, forms) && ok;
    for (int k = 0; k < forms; ++k) {
        wchar_t key[kKeyChars];
        ok = FormatKey(kFormNameKey, k, key) &&
             AddText(lines, key, record.FormNames[k], kOverlayNameChars) && ok;
    }
    return ok;
}

void ReadOverlayInfoSection(const wchar_t* iniPath, const wchar_t* section, OverlayRecord& record) {
    record.FormCount = ReadCount(iniPath, section, kFormNumKey, kMaxOverlayForms);
    const INT mode = static_cast<INT>(GetPrivateProfileIntW(section, kPageModeKey, 0, iniPath));
    // The mode picks a string of the table; an unknown one would show an unrelated string.
    record.PageMode =
        (mode >= 0 && mode < kPageModeCount) ? static_cast<WORD>(mode) : WORD{kPageModeAll};
    ReadText(iniPath, section, kNameKey, record.Name, kOverlayNameChars);
    ReadText(iniPath, section, kCustomPageKey, record.CustomPage, kCustomPageChars);
    for (int k = 0; k < record.FormCount; ++k) {
        wchar_t key[kKeyChars];
        if (FormatKey(kFormNameKey, k, key)) {
            ReadText(iniPath, section, key, record.FormNames[k], kOverlayNameChars);
        }
    }
}

OverlayRecord* NewOverlayRecord() {
    return static_cast<OverlayRecord*>(AllocZeroed(sizeof(OverlayRecord)));
}

void FreeOverlayRecord(OverlayRecord* record) {
    if (record != nullptr) FreeBlock(record);
}

namespace {

bool NameTakenBefore(OverlayRecord* const* records, int index, const wchar_t* name) {
    for (int i = 0; i < index; ++i) {
        if (records[i] != nullptr && wcsncmp(records[i]->Name, name, kOverlayNameChars) == 0) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool MakeOverlayNamesUnique(OverlayRecord* const* records, int count) {
    bool allUnique = true;
    for (int i = 1; i < count; ++i) {
        OverlayRecord* record = records[i];
        if (record == nullptr || record->Name[0] == L'\0' ||
            !NameTakenBefore(records, i, record->Name)) {
            continue;
        }
        bool renamed = false;
        for (int n = 2; n <= kMaxDefinedOverlays + 1 && !renamed; ++n) {
            wchar_t suffix[8] = {};
            StringCchPrintfW(suffix, ARRAYSIZE(suffix), L" (%d)", n);
            const std::size_t keep = kOverlayNameChars - 1 - wcslen(suffix);
            wchar_t candidate[kOverlayNameChars] = {};
            StringCchCopyNW(candidate, ARRAYSIZE(candidate), record->Name, keep);
            StringCchCatW(candidate, ARRAYSIZE(candidate), suffix);
            if (!NameTakenBefore(records, count, candidate)) {
                StringCchCopyW(record->Name, kOverlayNameChars, candidate);
                renamed = true;
            }
        }
        allUnique = allUnique && renamed;
    }
    return allUnique;
}

bool LoadOverlays(DriverItemMap& map) {
    FreeOverlays(map);
    auto* store = static_cast<OverlayStore*>(AllocZeroed(sizeof(OverlayStore)));
    if (store == nullptr) return false;
    map.OverlayStore = store;

    const bool pending = IsPending(map);
    const wchar_t* source = UserDataSource(SheetDataFile(map), map.IniPath);
    wchar_t section[kSectionChars] = {};
    if (source != nullptr && OverlayMainSectionName(pending, section, ARRAYSIZE(section))) {
        ReadOverlayMainSection(source, section, *store);
    } else {
        return true;  // nothing to read: no definitions
    }

    for (int i = 0; i < store->DefinedCount; ++i) {
        OverlayRecord* record = NewOverlayRecord();
        if (record == nullptr) {
            FreeOverlays(map);
            return false;
        }
        map.Overlays[i] = record;
        if (OverlayInfoSectionName(pending, i, section, ARRAYSIZE(section))) {
            ReadOverlayInfoSection(source, section, *record);
        }
    }
    MakeOverlayNamesUnique(map.Overlays, store->DefinedCount);
    return true;
}

SaveResult SaveOverlays(DriverItemMap& map) {
    SaveResult result;
    const OverlayStore* store = map.OverlayStore;
    if (store == nullptr) {
        result.error = ERROR_INVALID_DATA;
        return result;
    }
    // The family's main section and all its definition sections in one save: a reader never
    // sees a count that does not match the definitions stored. Sections of definitions beyond
    // the count go.
    struct Section {
        wchar_t name[kSectionChars];
        SectionLines lines{kOverlaySectionChars};
    };
    const bool pending = IsPending(map);
    const int defined =
        store->DefinedCount > kMaxDefinedOverlays ? kMaxDefinedOverlays : store->DefinedCount;
    Section main;
    Section infos[kMaxDefinedOverlays];
    SectionUpdate updates[1 + kMaxDefinedOverlays] = {};
    bool ok = OverlayMainSectionName(pending, main.name, kSectionChars) &&
              OverlayMainLines(*store, main.lines);
    updates[0] = {main.name, &main.lines};
    for (int i = 0; i < kMaxDefinedOverlays; ++i) {
        ok = OverlayInfoSectionName(pending, i, infos[i].name, kSectionChars) && ok;
        if (i < defined) {
            ok = map.Overlays[i] != nullptr && OverlayInfoLines(*map.Overlays[i], infos[i].lines) &&
                 ok;
        }
        updates[1 + i] = {infos[i].name, i < defined ? &infos[i].lines : nullptr};
    }
    if (!ok) {
        result.error = ERROR_INVALID_DATA;  // nothing is written rather than a partial family
        return result;
    }
    return SaveUserSections(SheetDataFile(map), map.IniPath, updates, ARRAYSIZE(updates));
}

void FreeOverlays(DriverItemMap& map) {
    for (OverlayRecord*& record : map.Overlays) {
        FreeOverlayRecord(record);
        record = nullptr;
    }
    if (map.OverlayStore != nullptr) {
        FreeBlock(map.OverlayStore);
        map.OverlayStore = nullptr;
    }
}

void WriteOverlayIds(DriverItemMap& map) {
    PrivateDevmode* record = SheetRecord(map);
    const OverlayStore* store = map.OverlayStore;
    if (record == nullptr || store == nullptr) return;
    const int active =
        store->ActiveCount > kMaxActiveOverlays ? kMaxActiveOverlays : store->ActiveCount;
    for (int slot = 0; slot < kMaxActiveOverlays; ++slot) {
        record->OverlayIds[slot] = slot < active ? store->ActiveIds[slot] : kNoOverlay;
    }
}

bool CommitOverlays(DriverItemMap& map, SaveResult& result) {
    result = SaveResult{};
    if (map.PrinterDataWritable == 0 || map.SettingsVariant != kOverlaysPending) return false;
    if (!LoadOverlays(map)) {
        result.error = ERROR_NOT_ENOUGH_MEMORY;
        return false;
    }
    map.SettingsVariant = kOverlaysCommitted;
    result = SaveOverlays(map);
    FreeOverlays(map);
    // Not saved: the pending definitions stay current, for the next Apply to try again.
    if (!result) map.SettingsVariant = kOverlaysPending;
    return static_cast<bool>(result);
}

bool CommitOverlays(DriverItemMap& map) {
    SaveResult ignored;
    return CommitOverlays(map, ignored);
}

}  // namespace oemui
