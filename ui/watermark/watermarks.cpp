#include "ui/watermark/watermarks.h"

#include <strsafe.h>

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "base/pluginstate.h"
#include "ui/common/dialogs.h"
#include "base/handles.h"
#include "ui/common/sheetcontext.h"
#include "wmdialog_ids.h"

namespace oemui {

static_assert(static_cast<size_t>(kWatermarkFontFileChars) == kPathChars,
              "the font file is a driver file path");

namespace {

constexpr wchar_t kFontSection[] = L"PrinterFont";
constexpr wchar_t kFontDefaultKey[] = L"DefaultNo";
constexpr wchar_t kDependentFilesSection[] = L"DependentFiles";
constexpr wchar_t kFontFileKey[] = L"WMFONT";
constexpr wchar_t kJapaneseMarker[] = L"\u65E5\u672C";  // the word for Japan

// Buffers of the INI reads.
constexpr DWORD kKeyListChars = 1024;       // key names of section "Watermark"
constexpr DWORD kColorKeyListChars = 1023;  // key names of section "Custom Color"
constexpr DWORD kColorValueChars = 63;      // one "red,green,blue" value
constexpr DWORD kFontFileNameChars = 520;   // value of "WMFONT"
constexpr DWORD kFontFilePathBytes = kWatermarkFontFileChars * sizeof(wchar_t);
constexpr int kSectionNameChars = 64;  // section names from the string table

constexpr INT32 kDefaultSize = 72;
constexpr INT16 kDefaultAngle = 45;
// Font indices stay non-negative and leave room for the 1-based entry key.
constexpr long long kMaxFontIndex = INT32_MAX - 1;
constexpr long long kMaxWeight = 1000;  // LOGFONT's heaviest weight

// Numbers of a stored line never grow beyond 32 bits: longer digit runs saturate.
constexpr unsigned long long kNumberCap = 0xFFFFFFFFull;

long long Clamp(long long value, long long low, long long high) {
    return value < low ? low : (value > high ? high : value);
}

bool IsSeparator(wchar_t c) { return c == L',' || c == L';'; }

bool HasText(const wchar_t* s) { return s != nullptr && s[0] != L'\0'; }

// Reads a numeric field up to its separator. Decimal digits accumulate; every other character
// is skipped except "-" (the result is negative) and a leading "0x"/"0X" (hexadecimal).
long long ReadNumberField(const wchar_t*& p) {
    unsigned base = 10;
    if (p[0] == L'0' && (p[1] == L'x' || p[1] == L'X')) {
        base = 16;
        p += 2;
    }
    unsigned long long magnitude = 0;
    bool negative = false;
    for (; *p != L'\0' && !IsSeparator(*p); ++p) {
        const wchar_t c = *p;
        unsigned digit;
        if (c >= L'0' && c <= L'9') {
            digit = static_cast<unsigned>(c - L'0');
        } else if (base == 16 && c >= L'a' && c <= L'f') {
            digit = static_cast<unsigned>(c - L'a' + 10);
        } else if (base == 16 && c >= L'A' && c <= L'F') {
            digit = static_cast<unsigned>(c - L'A' + 10);
        } else {
            if (c == L'-') negative = true;
            continue;
        }
        magnitude = magnitude * base + digit;
        if (magnitude > kNumberCap) magnitude = kNumberCap;
    }
    const auto value = static_cast<long long>(magnitude);
    return negative ? -value : value;
}

// Reads a text field up to its separator into out (cut to outChars - 1 characters; the rest
// of the field is skipped). With escapes, a backslash takes the next character literally.
void ReadTextField(const wchar_t*& p, wchar_t* out, size_t outChars, bool escapes) {
    size_t length = 0;
    while (*p != L'\0' && !IsSeparator(*p)) {
        wchar_t c = *p++;
        if (escapes && c == L'\\') {
            if (*p == L'\0') break;
            c = *p++;
        }
        if (length + 1 < outChars) out[length++] = c;
    }
    out[length] = L'\0';
}

void SkipSeparator(const wchar_t*& p) {
    if (IsSeparator(*p)) ++p;
}

// Byte fields keep the low 8 bits of what was read.
BYTE LowByte(long long value) { return static_cast<BYTE>(value & 0xFF); }

// Loads a string of `resources` into out; false (out empty) when it has none.
bool LoadText(HMODULE resources, UINT id, wchar_t* out, int outChars) {
    out[0] = L'\0';
    const int length = LoadStringW(resources, id, out, outChars);
    if (length <= 0) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

// The walk over a key-name list read with GetPrivateProfileStringW(section, NULL, ...).
// When the list filled the buffer, its last name may be cut short and is not used.
template <typename Visit>
void ForEachKeyName(const wchar_t* names, DWORD got, DWORD bufferChars, Visit visit) {
    const bool truncated = bufferChars >= 2 && got >= bufferChars - 2;
    const wchar_t* end = names + got;
    for (const wchar_t* p = names; p < end && *p != L'\0';) {
        const size_t length = wcsnlen(p, static_cast<size_t>(end - p));
        if (truncated && p + length >= end) break;
        if (!visit(p)) break;
        p += length + 1;
    }
}

WatermarkRecord* NewRecord() {
    return static_cast<WatermarkRecord*>(AllocZeroed(sizeof(WatermarkRecord)));
}

void FreeRecord(WatermarkRecord*& record) {
    FreeBlock(record);
    record = nullptr;
}

// Index of the entry SelectedWatermark answers with.
int EffectiveSelection(const WatermarkList& list) {
    const INT32 s = list.Selected;
    if (s >= 1 && s <= list.Count && s < kWatermarkSlots && list.Records[s] != nullptr) return s;
    return 0;
}

// Reads one colour component: blanks, an optional sign, decimal digits; low 8 bits. Leaves p
// after the component's comma (or at the end).
BYTE ReadColorComponent(const wchar_t*& p) {
    while (*p == L' ' || *p == L'\t') ++p;
    bool negative = false;
    if (*p == L'+' || *p == L'-') negative = *p++ == L'-';
    unsigned value = 0;  // wraps modulo 2^32, which keeps the low 8 bits exact
    for (; *p >= L'0' && *p <= L'9'; ++p) value = value * 10u + static_cast<unsigned>(*p - L'0');
    if (negative) value = 0u - value;
    while (*p != L'\0' && *p != L',') ++p;
    if (*p == L',') ++p;
    return static_cast<BYTE>(value & 0xFFu);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Text helpers
// ---------------------------------------------------------------------------------------------

void IntToDecimal(long long value, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    wchar_t digits[24];
    size_t count = 0;
    // Work on the magnitude as unsigned so that the most negative value converts too.
    unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                             : static_cast<unsigned long long>(value);
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + magnitude % 10);
        magnitude /= 10;
    } while (magnitude != 0);
    const size_t needed = count + (value < 0 ? 1 : 0) + 1;
    if (needed > outChars) {
        out[0] = L'\0';
        return;
    }
    size_t n = 0;
    if (value < 0) out[n++] = L'-';
    while (count > 0) out[n++] = digits[--count];
    out[n] = L'\0';
}

void WatermarkKeyName(int index, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return;
    wchar_t number[24];
    IntToDecimal(index, number, ARRAYSIZE(number));
    if (FAILED(StringCchCopyW(out, outChars, L"WTMK00")) ||
        FAILED(StringCchCatW(out, outChars, number))) {
        out[0] = L'\0';
    }
}

bool FormatWatermarkLine(const WatermarkRecord& record, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';

    // Text with its separators and backslashes escaped: at most two characters per character.
    wchar_t text[2 * kWatermarkTextChars] = {};
    size_t n = 0;
    for (size_t i = 0; i + 1 < kWatermarkTextChars && record.Text[i] != L'\0'; ++i) {
        const wchar_t c = record.Text[i];
        if (c == L',' || c == L';' || c == L'\\') text[n++] = L'\\';
        text[n++] = c;
    }
    // The font name is stored without escapes; a separator inside it would shift every later
    // field, so the name ends where a reader would end it.
    wchar_t fontName[kWatermarkFontNameChars] = {};
    for (size_t i = 0; i + 1 < kWatermarkFontNameChars && record.FontName[i] != L'\0' &&
                       !IsSeparator(record.FontName[i]);
         ++i) {
        fontName[i] = record.FontName[i];
    }

    const HRESULT hr = StringCchPrintfW(
        out, outChars, L"%d,%d,%d,%d,%d,%lu,%ls,%ls,%d,%d,%d,%d,%d,%d,%d,%d",
        static_cast<int>(record.Size), static_cast<int>(record.FontIndex),
        static_cast<int>(record.Angle), static_cast<int>(record.OffsetX),
        static_cast<int>(record.OffsetY), static_cast<unsigned long>(record.Color), text, fontName,
        static_cast<int>(record.Weight), static_cast<int>(record.Italic),
        static_cast<int>(record.CharSet), static_cast<int>(record.Position),
        static_cast<int>(record.Border), static_cast<int>(record.Background),
        static_cast<int>(record.FirstPageOnly), static_cast<int>(record.StyleCode));
    if (FAILED(hr)) {
        out[0] = L'\0';
        return false;
    }
    return true;
}

void ParseWatermarkLine(const wchar_t* line, WatermarkRecord& record) {
    std::memset(&record, 0, sizeof(record));
    const wchar_t* p = line != nullptr ? line : L"";

    // Whole-number fields saturate and are clamped to their ranges; byte-sized fields keep the
    // low 8 bits of what was read, and the kinds and flags among them are brought into range.
    record.Size =
        static_cast<INT32>(Clamp(ReadNumberField(p), kWatermarkSizeMin, kWatermarkSizeMax));
    SkipSeparator(p);
    record.FontIndex = static_cast<INT32>(Clamp(ReadNumberField(p), 0, kMaxFontIndex));
    SkipSeparator(p);
    record.Angle =
        static_cast<INT16>(Clamp(ReadNumberField(p), kWatermarkAngleMin, kWatermarkAngleMax));
    SkipSeparator(p);
    record.OffsetX =
        static_cast<INT32>(Clamp(ReadNumberField(p), kWatermarkOffsetMin, kWatermarkOffsetMax));
    SkipSeparator(p);
    record.OffsetY =
        static_cast<INT32>(Clamp(ReadNumberField(p), kWatermarkOffsetMin, kWatermarkOffsetMax));
    SkipSeparator(p);
    record.Color = WatermarkRgb(ReadNumberField(p));
    SkipSeparator(p);
    ReadTextField(p, record.Text, kWatermarkTextChars, true);
    SkipSeparator(p);
    ReadTextField(p, record.FontName, kWatermarkFontNameChars, false);
    SkipSeparator(p);
    record.Weight = static_cast<INT32>(Clamp(ReadNumberField(p), 0, kMaxWeight));
    SkipSeparator(p);
    record.Italic = LowByte(ReadNumberField(p)) != 0 ? 1 : 0;
    SkipSeparator(p);
    record.CharSet = LowByte(ReadNumberField(p));
    SkipSeparator(p);
    const INT16 position = LowByte(ReadNumberField(p));
    record.Position = position <= kPositionLowerRight ? position : INT16{kPositionCenter};
    SkipSeparator(p);
    const INT16 border = LowByte(ReadNumberField(p));
    record.Border = border <= kBorderDoubleFrame ? border : INT16{kBorderNone};
    SkipSeparator(p);
    record.Background = LowByte(ReadNumberField(p)) != 0 ? 1 : 0;
    SkipSeparator(p);
    record.FirstPageOnly = LowByte(ReadNumberField(p)) != 0 ? 1 : 0;
    SkipSeparator(p);
    record.StyleCode = LowByte(ReadNumberField(p));
}

// ---------------------------------------------------------------------------------------------
// Font list file
// ---------------------------------------------------------------------------------------------

bool UpdateWatermarkFontFile(const wchar_t* iniPath, WatermarkList& list) {
    list.FontFile[0] = L'\0';
    GlobalBlock<wchar_t> name(kFontFileNameChars * sizeof(wchar_t));
    if (!name) return false;
    if (HasText(iniPath)) {
        GetPrivateProfileStringW(kDependentFilesSection, kFontFileKey, L"", name.get(),
                                 kFontFileNameChars, iniPath);
    }
    // Without a name, or when it does not fit, the buffer keeps the directory part: no file
    // is found there, so every look-up gives its default.
    DWORD bytes = kFontFilePathBytes;
    const bool built = BuildDriverFilePath(list.FontFile, &bytes, name.get());
    return built && name.get()[0] != L'\0';
}

bool ReadFontEntry(const wchar_t* fontFile, INT32 fontIndex, wchar_t* out, DWORD outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    if (!HasText(fontFile)) return false;
    wchar_t key[24];
    IntToDecimal(static_cast<long long>(fontIndex) + 1, key, ARRAYSIZE(key));
    const DWORD limit = outChars < kFontEntryChars ? outChars : kFontEntryChars;
    GetPrivateProfileStringW(kFontSection, key, L"", out, limit, fontFile);
    return out[0] != L'\0';
}

bool GetFontEntryField(const wchar_t* entry, int field, wchar_t* out, size_t outChars) {
    if (out == nullptr || outChars == 0) return false;
    out[0] = L'\0';
    if (entry == nullptr || field < 1) return false;
    const wchar_t* p = entry;
    for (int i = 1; i < field; ++i) {
        while (*p != L'\0' && *p != L',') ++p;
        if (*p == L'\0') return false;
        ++p;
    }
    size_t length = 0;
    for (; *p != L'\0' && *p != L','; ++p) {
        if (length + 1 < outChars) out[length++] = *p;
    }
    out[length] = L'\0';
    return true;
}

bool IsJapaneseFontEntry(const wchar_t* entry) {
    wchar_t marker[3] = {};
    return GetFontEntryField(entry, 4, marker, ARRAYSIZE(marker)) &&
           std::wcscmp(marker, kJapaneseMarker) == 0;
}

void ResolveFontName(WatermarkRecord& record, const wchar_t* fontFile) {
    GlobalBlock<wchar_t> entry(kFontEntryChars * sizeof(wchar_t));
    if (entry) ReadFontEntry(fontFile, record.FontIndex, entry.get(), kFontEntryChars);
    const wchar_t* text = entry ? entry.get() : L"";
    const bool italic = record.Italic != 0;
    const bool bold = record.Weight == kWeightBold;
    int field;
    if (IsJapaneseFontEntry(text)) {
        // One PostScript font serves every style; the style travels as its own code 0..3.
        field = 3;
        record.StyleCode = static_cast<INT16>((italic ? 1 : 0) + (bold ? 2 : 0));
    } else {
        // Fields 1..4: Regular, Italic, Bold, Bold Italic.
        field = 1 + (italic ? 1 : 0) + (bold ? 2 : 0);
        record.StyleCode = italic ? 5 : 0;
    }
    GetFontEntryField(text, field, record.FontName, kWatermarkFontNameChars);
}

// ---------------------------------------------------------------------------------------------
// Records and the list
// ---------------------------------------------------------------------------------------------

void FillNoneRecord(WatermarkRecord& record, const wchar_t* fontFile, HMODULE resources) {
    std::memset(&record, 0, sizeof(record));
    long long fontIndex = 0;
    if (HasText(fontFile)) {
        const auto defaultNo =
            static_cast<INT>(GetPrivateProfileIntW(kFontSection, kFontDefaultKey, 0, fontFile));
        if (defaultNo != 0) fontIndex = static_cast<long long>(defaultNo) - 1;
    }
    record.Size = kDefaultSize;
    record.FontIndex = static_cast<INT32>(Clamp(fontIndex, 0, kMaxFontIndex));
    record.Angle = kDefaultAngle;
    record.Color = kDefaultWatermarkColor;
    LoadText(resources, kStringWatermarkNone, record.Text, kWatermarkTextChars);
    LoadText(resources, kStringWatermarkFontDefault, record.FontName, kWatermarkFontNameChars);
    record.Position = kPositionCenter;
}

void FillNoneRecord(WatermarkRecord& record, const wchar_t* fontFile) {
    FillNoneRecord(record, fontFile, ModuleHandle);
}

void CopyWatermark(WatermarkRecord& destination, const WatermarkRecord& source) {
    if (&destination == &source) return;
    std::memcpy(&destination, &source, sizeof(WatermarkRecord));
    destination.Text[kWatermarkTextChars - 1] = L'\0';
    destination.FontName[kWatermarkFontNameChars - 1] = L'\0';
}

void ResetWatermarkList(WatermarkList& list, const wchar_t* iniPath, const wchar_t* dataFile) {
    FreeWatermarkList(list);
    std::memset(&list, 0, sizeof(list));
    for (COLORREF& color : list.CustomColors) color = kDefaultWatermarkColor;
    list.IniPath = iniPath;
    list.DataFile = dataFile;
}

void FreeWatermarkList(WatermarkList& list) {
    for (auto& record : list.Records) FreeRecord(record);
    for (auto& record : list.Backup) FreeRecord(record);
    FreeRecord(list.Working);
    list.Count = 0;
    list.BackupCount = 0;
    list.Loaded = 0;
}

WatermarkRecord* SelectedWatermark(const WatermarkList& list) {
    return list.Records[EffectiveSelection(list)];
}

void BlankNoneText(WatermarkList& list) {
    if (list.Selected == 0 && list.Working != nullptr) list.Working->Text[0] = L'\0';
}

namespace {

// Reads the user watermarks of section "Watermark" into Records[1..]; returns how many.
int ReadStoredWatermarks(WatermarkList& list, HMODULE resources) {
    wchar_t section[kSectionNameChars];
    const wchar_t* source = UserDataSource(list.DataFile, list.IniPath);
    if (source == nullptr ||
        !LoadText(resources, kStringWatermarkSection, section, kSectionNameChars)) {
        return 0;
    }
    GlobalBlock<wchar_t> names(kKeyListChars * sizeof(wchar_t));
    GlobalBlock<wchar_t> value(kWatermarkLineChars * sizeof(wchar_t));
    if (!names || !value) return 0;
    const DWORD got =
        GetPrivateProfileStringW(section, nullptr, L"", names.get(), kKeyListChars, source);
    int count = 0;
    // Keys in file order, while they begin with "W" (INI keys ignore case), at most 16.
    ForEachKeyName(names.get(), got, kKeyListChars, [&](const wchar_t* name) {
        if (count >= kMaxWatermarks || (name[0] != L'W' && name[0] != L'w')) return false;
        WatermarkRecord* record = NewRecord();
        if (record == nullptr) return false;
        GetPrivateProfileStringW(section, name, L"", value.get(),
                                 static_cast<DWORD>(kWatermarkLineChars), source);
        ParseWatermarkLine(value.get(), *record);
        list.Records[++count] = record;
        return true;
    });
    return count;
}

}  // namespace

bool LoadWatermarkList(HWND dialog, const PrivateDevmode* devmode, WatermarkList& list,
                       HMODULE resources) {
    if (list.Loaded == 0 || list.Records[0] == nullptr || list.Working == nullptr) {
        const INT32 noneBackground = list.NoneBackground;
        const INT32 noneFirstPageOnly = list.NoneFirstPageOnly;
        FreeWatermarkList(list);
        list.Records[0] = NewRecord();
        list.Working = NewRecord();
        if (list.Records[0] == nullptr || list.Working == nullptr) {
            FreeWatermarkList(list);
            return false;
        }
        FillNoneRecord(*list.Records[0], list.FontFile, resources);
        for (COLORREF& color : list.CustomColors) color = kDefaultWatermarkColor;
        // The None record's flags as the last OK of the dialog left them.
        list.Records[0]->Background = noneBackground != 0 ? 1 : 0;
        list.Records[0]->FirstPageOnly = noneFirstPageOnly != 0 ? 1 : 0;
        list.Count = ReadStoredWatermarks(list, resources);
        list.Selected = devmode != nullptr ? devmode->WatermarkIndex : 0;
        list.Loaded = 1;
    }

    // A stored selection beyond the list (or a negative one from a damaged record) means None.
    if (list.Selected < 0 || list.Selected > list.Count) list.Selected = 0;

    DiscardWatermarkBackup(list);
    bool backedUp = true;
    for (int i = 1; i <= list.Count && i < kWatermarkSlots; ++i) {
        list.Backup[i] = NewRecord();
        if (list.Backup[i] == nullptr || list.Records[i] == nullptr) {
            backedUp = false;
            break;
        }
        CopyWatermark(*list.Backup[i], *list.Records[i]);
    }
    if (backedUp) {
        list.BackupCount = list.Count;
    } else {
        DiscardWatermarkBackup(list);
        list.BackupCount = -1;  // Cancel then keeps the records as they are
    }
    list.BackupSelected = list.Selected;

    CopyWatermark(*list.Working, *SelectedWatermark(list));
    BlankNoneText(list);

    if (dialog != nullptr && list.Selected != 0) {
        EnableControl(dialog, IDC_WMDLG_EDIT, true);
        EnableControl(dialog, IDC_WMDLG_DELETE, true);
    }
    return true;
}

bool LoadWatermarkList(HWND dialog, const PrivateDevmode* devmode, WatermarkList& list) {
    return LoadWatermarkList(dialog, devmode, list, ModuleHandle);
}

SaveResult SaveWatermarkList(const WatermarkList& list, HMODULE resources) {
    SaveResult result;
    // An unloaded list would wipe the stored watermarks: there is nothing to save.
    if (list.Loaded == 0) return result;
    wchar_t section[kSectionNameChars];
    GlobalBlock<wchar_t> line(kWatermarkLineChars * sizeof(wchar_t));
    SectionLines lines;
    if (!LoadText(resources, kStringWatermarkSection, section, kSectionNameChars)) {
        result.error = ERROR_RESOURCE_NAME_NOT_FOUND;
        return result;
    }
    if (!line) {
        result.error = ERROR_NOT_ENOUGH_MEMORY;
        return result;
    }
    int written = 0;
    for (int i = 1; i <= list.Count && i <= kMaxWatermarks; ++i) {
        if (list.Records[i] == nullptr) continue;
        if (!FormatWatermarkLine(*list.Records[i], line.get(), kWatermarkLineChars)) continue;
        wchar_t key[32];
        WatermarkKeyName(++written, key, ARRAYSIZE(key));
        lines.Add(key, line.get());
    }
    // The whole list in one save: a reader sees the old list or the new one.
    const SectionUpdate update = {section, &lines};
    return SaveUserSections(list.DataFile, list.IniPath, &update, 1);
}

SaveResult SaveWatermarkList(const WatermarkList& list) {
    return SaveWatermarkList(list, ModuleHandle);
}

bool AddWatermark(WatermarkList& list) {
    if (list.Count < 0 || list.Count >= kMaxWatermarks || list.Working == nullptr) return false;
    WatermarkRecord* record = NewRecord();
    if (record == nullptr) return false;
    CopyWatermark(*record, *list.Working);
    list.Records[++list.Count] = record;
    list.Selected = list.Count;
    return true;
}

bool DeleteWatermark(WatermarkList& list) {
    const INT32 s = list.Selected;
    if (s < 1 || s > list.Count || list.Count >= kWatermarkSlots) return false;
    FreeRecord(list.Records[s]);
    for (int i = s; i < list.Count; ++i) list.Records[i] = list.Records[i + 1];
    list.Records[list.Count] = nullptr;
    --list.Count;
    list.Selected = 0;
    return true;
}

void DiscardWatermarkBackup(WatermarkList& list) {
    for (auto& record : list.Backup) FreeRecord(record);
    list.BackupCount = 0;
}

void RestoreWatermarkBackup(WatermarkList& list) {
    bool complete = list.BackupCount >= 0 && list.BackupCount <= kMaxWatermarks;
    for (int i = 1; complete && i <= list.BackupCount; ++i) complete = list.Backup[i] != nullptr;
    if (complete) {
        for (int i = 1; i < kWatermarkSlots; ++i) FreeRecord(list.Records[i]);
        for (int i = 1; i <= list.BackupCount; ++i) {
            list.Records[i] = list.Backup[i];
            list.Backup[i] = nullptr;
        }
        list.Count = list.BackupCount;
    }
    DiscardWatermarkBackup(list);
    list.Selected = list.BackupSelected;
    if (list.Selected < 0 || list.Selected > list.Count) list.Selected = 0;
    if (list.Records[0] != nullptr) {
        list.Records[0]->Background = list.NoneBackground != 0 ? 1 : 0;
        list.Records[0]->FirstPageOnly = list.NoneFirstPageOnly != 0 ? 1 : 0;
    }
}

bool ApplyWatermarkToDevmode(PrivateDevmode& devmode, const WatermarkList& list) {
    const WatermarkRecord* record = SelectedWatermark(list);
    if (record == nullptr) return false;
    devmode.WatermarkIndex = EffectiveSelection(list);
    devmode.WmarkSize = record->Size;
    devmode.WmarkFontIndex = record->FontIndex;
    devmode.WmarkAngle = record->Angle;
    devmode.WmarkOffsetX = record->OffsetX;
    devmode.WmarkOffsetY = record->OffsetY;
    devmode.WmarkColorRgb = record->Color;
    static_assert(sizeof(devmode.WmarkFontName) == sizeof(record->FontName));
    std::memset(devmode.WmarkFontName, 0, sizeof(devmode.WmarkFontName));
    StringCchCopyNW(devmode.WmarkFontName, ARRAYSIZE(devmode.WmarkFontName), record->FontName,
                    kWatermarkFontNameChars - 1);
    devmode.WmarkWeight = record->Weight;
    devmode.WmarkItalic = record->Italic;
    devmode.WmarkCharSet = record->CharSet;
    devmode.WmarkPosition = record->Position;
    devmode.WmarkBorder = record->Border;
    devmode.WmarkBackground = record->Background;
    devmode.WmarkFirstPageOnly = record->FirstPageOnly;
    devmode.WmarkStyleCode = record->StyleCode;
    static_assert(sizeof(devmode.WmarkText) >= sizeof(record->Text));
    std::memset(devmode.WmarkText, 0, sizeof(devmode.WmarkText));
    StringCchCopyNW(devmode.WmarkText, ARRAYSIZE(devmode.WmarkText), record->Text,
                    kWatermarkTextChars - 1);
    FormatWatermarkColorText(record->Color, devmode.WmarkColorText);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Custom colours
// ---------------------------------------------------------------------------------------------

int LoadCustomColors(COLORREF (&colors)[kCustomColorCount], const WatermarkList& list,
                     HMODULE resources) {
    GlobalBlock<wchar_t> names(kColorKeyListChars * sizeof(wchar_t));
    GlobalBlock<wchar_t> value((kColorValueChars + 1) * sizeof(wchar_t));
    if (!names || !value) return 1;
    wchar_t section[kSectionNameChars];
    const wchar_t* source = UserDataSource(list.DataFile, list.IniPath);
    if (source == nullptr ||
        !LoadText(resources, kStringCustomColorSection, section, kSectionNameChars)) {
        return 0;
    }
    const DWORD got =
        GetPrivateProfileStringW(section, nullptr, L"", names.get(), kColorKeyListChars, source);
    int index = 0;
    // One entry per key in file order, whatever the keys are called.
    ForEachKeyName(names.get(), got, kColorKeyListChars, [&](const wchar_t* name) {
        if (index >= kCustomColorCount) return false;
        GetPrivateProfileStringW(section, name, L"", value.get(), kColorValueChars, source);
        const wchar_t* p = value.get();
        const BYTE red = ReadColorComponent(p);
        const BYTE green = ReadColorComponent(p);
        const BYTE blue = ReadColorComponent(p);
        colors[index++] = RGB(red, green, blue);
        return true;
    });
    return 0;
}

int LoadCustomColors(COLORREF (&colors)[kCustomColorCount], const WatermarkList& list) {
    return LoadCustomColors(colors, list, ModuleHandle);
}

SaveResult SaveCustomColors(const COLORREF (&colors)[kCustomColorCount], const WatermarkList& list,
                            HMODULE resources) {
    SaveResult result;
    wchar_t section[kSectionNameChars];
    if (!LoadText(resources, kStringCustomColorSection, section, kSectionNameChars)) {
        result.error = ERROR_RESOURCE_NAME_NOT_FOUND;
        return result;
    }
    SectionLines lines(1024);
    for (int i = 0; i < kCustomColorCount; ++i) {
        wchar_t key[16];
        wchar_t value[16];
        StringCchPrintfW(key, ARRAYSIZE(key), L"Color%d", i);
        StringCchPrintfW(value, ARRAYSIZE(value), L"%u,%u,%u",
                         static_cast<unsigned>(GetRValue(colors[i])),
                         static_cast<unsigned>(GetGValue(colors[i])),
                         static_cast<unsigned>(GetBValue(colors[i])));
        lines.Add(key, value);
    }
    const SectionUpdate update = {section, &lines};
    return SaveUserSections(list.DataFile, list.IniPath, &update, 1);
}

SaveResult SaveCustomColors(const COLORREF (&colors)[kCustomColorCount],
                            const WatermarkList& list) {
    return SaveCustomColors(colors, list, ModuleHandle);
}

}  // namespace oemui
