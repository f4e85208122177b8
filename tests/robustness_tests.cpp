// Feeds the readers of stored formats random and hostile input, with every input and output
// buffer ending against a page that may not be touched: a read or write one byte too far
// faults at once instead of going unnoticed. The seed is fixed, so a failure repeats.
//
// A few hundred cases per reader run by default; OEMUI_ROBUSTNESS_CASES sets another count
// (for example 10000 for a long run). Each reader's count and time are printed.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "docprop/itemmap.h"
#include "base/cipherset.h"
#include "base/config.h"
#include "base/driverfiles.h"
#include "base/devmode.h"
#include "docevent/docevent.h"
#include "setup/printerevent.h"
#include "support/standins.h"
#include "support/testprinters.h"
#include "ui/color/colorpage.h"
#include "ui/jobopts/aboutdialog.h"
#include "ui/overlay/overlaystore.h"
#include "ui/watermark/watermarks.h"

using namespace oemui;

namespace {

int CaseCount() {
    wchar_t text[32] = {};
    if (GetEnvironmentVariableW(L"OEMUI_ROBUSTNESS_CASES", text, 32) > 0) {
        const long n = std::wcstol(text, nullptr, 10);
        if (n > 0) return static_cast<int>(n);
    }
    return 300;
}

// `bytes` bytes whose last one is followed by a no-access page.
class GuardedBuffer {
public:
    explicit GuardedBuffer(size_t bytes) {
        SYSTEM_INFO info;
        GetSystemInfo(&info);
        const size_t page = info.dwPageSize;
        const size_t usable = ((bytes + page - 1) / page) * page;
        total_ = usable + page;
        base_ = static_cast<BYTE*>(
            VirtualAlloc(nullptr, total_, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
        if (base_ == nullptr) return;
        DWORD old = 0;
        VirtualProtect(base_ + usable, page, PAGE_NOACCESS, &old);
        data_ = base_ + usable - bytes;
    }
    ~GuardedBuffer() {
        if (base_ != nullptr) VirtualFree(base_, 0, MEM_RELEASE);
    }
    GuardedBuffer(const GuardedBuffer&) = delete;
    GuardedBuffer& operator=(const GuardedBuffer&) = delete;

    BYTE* data() const { return data_; }
    template <typename T>
    T* as() const {
        return reinterpret_cast<T*>(data_);
    }
    explicit operator bool() const { return data_ != nullptr; }

private:
    BYTE* base_ = nullptr;
    BYTE* data_ = nullptr;
    size_t total_ = 0;
};

// Wide text of random characters, biased towards the separators and digits the parsers look
// for, copied into a guarded buffer with its terminator as the last character.
std::wstring RandomText(std::mt19937& rng, size_t maxChars) {
    static const wchar_t kAlphabet[] = L",;\"-0123456789xXaAfF \t=\\.\x65E5\x672C\x00E9";
    std::uniform_int_distribution<size_t> length(0, maxChars);
    std::uniform_int_distribution<size_t> pick(0, std::size(kAlphabet) - 2);
    std::uniform_int_distribution<int> wild(1, 0xFFFF);
    std::wstring text(length(rng), L'a');
    for (wchar_t& c : text) {
        c = (rng() % 8 == 0) ? static_cast<wchar_t>(wild(rng)) : kAlphabet[pick(rng)];
    }
    return text;
}

GuardedBuffer* GuardText(const std::wstring& text) {
    auto* buffer = new GuardedBuffer((text.size() + 1) * sizeof(wchar_t));
    if (*buffer) {
        std::memcpy(buffer->data(), text.c_str(), (text.size() + 1) * sizeof(wchar_t));
    }
    return buffer;
}

// A guarded copy of `text` (its terminator is the last character before the guard page).
std::unique_ptr<GuardedBuffer> Guarded(const std::wstring& text) {
    return std::unique_ptr<GuardedBuffer>(GuardText(text));
}

// A guarded output of `chars` characters filled with non-NUL junk, so that a missing
// terminator shows.
std::unique_ptr<GuardedBuffer> GuardedOutput(size_t chars) {
    auto out = std::make_unique<GuardedBuffer>(chars * sizeof(wchar_t));
    if (*out) std::fill_n(out->as<wchar_t>(), chars, L'#');
    return out;
}

// True when `chars` characters at `text` hold a terminator.
bool Terminated(const wchar_t* text, size_t chars) {
    return std::find(text, text + chars, L'\0') != text + chars;
}

// The scratch INI file the file-backed readers read, written as UTF-16 with its BOM so that any
// character can appear.
const std::wstring& ScratchIni() {
    static const std::wstring path = [] {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        return std::wstring(temp) + L"robustness.ini";
    }();
    return path;
}

void WriteScratchIni(const std::wstring& content) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(content.data()), content.size() * sizeof(wchar_t));
    ASSERT_TRUE(testenv::WriteFileBytes(ScratchIni(), bytes));
}

// A value line of random text: no line breaks, which would only start another key.
std::wstring RandomValue(std::mt19937& rng, size_t maxChars) {
    std::wstring text = RandomText(rng, maxChars);
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n' || c == 0xFEFF) c = L'x';
    }
    return text;
}

// A number as the files hold them, often hostile.
std::wstring RandomNumber(std::mt19937& rng) {
    const wchar_t* kinds[] = {
        L"-1",         L"0",     L"3",          L"11",          L"33",
        L"65535",      L"65536", L"2147483648", L"-2147483649", L"99999999999999999999",
        L"0x7fffffff", L""};
    return rng() % 4 == 0 ? RandomValue(rng, 12) : kinds[rng() % std::size(kinds)];
}

// The plug-in DLL as a data file, for the string table (section names).
HMODULE PluginResources() {
    static const HMODULE module =
        LoadLibraryExW(testenv::Widen(OEMUI_DLL_PATH).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    return module;
}

// --- The readers ------------------------------------------------------------------------------

// A stored private record of random length and hostile header, handed to convert and merge.
// What every reader of a converted or merged record may rely on, whatever arrived: text fields
// end inside their buffers, the job name and PIN are as the job name dialog lets them be typed,
// the colour text is the one its RGB value gives, and indexes and lengths are in range.
template <size_t N>
bool EndsInside(const wchar_t (&field)[N]) {
    return std::find(field, field + N, L'\0') != field + N;
}

void ExpectSafeRecord(const PrivateDevmode& r) {
    EXPECT_TRUE(EndsInside(r.JobName) && EndsInside(r.JobPin) && EndsInside(r.DriverDirectory) &&
                EndsInside(r.PluginIniPath) && EndsInside(r.CapabilityFilePath));
    for (const wchar_t* c = r.JobName; *c != L'\0'; ++c) EXPECT_TRUE(IsJobNameChar(*c));
    const size_t pin = std::wcslen(r.JobPin);
    EXPECT_TRUE(pin == 0 || pin == 4) << pin;
    for (const wchar_t* c = r.JobPin; *c != L'\0'; ++c) EXPECT_TRUE(IsJobPinChar(*c));
    for (size_t slot = 0; slot < 4 && r.OverlayIds[slot] != kNoOverlay; ++slot) {
        EXPECT_LT(r.OverlayIds[slot], kStoredOverlayIdLimit);
        for (size_t earlier = 0; earlier < slot; ++earlier) {
            EXPECT_NE(r.OverlayIds[earlier], r.OverlayIds[slot]);
        }
    }
    EXPECT_GE(r.WatermarkIndex, 0);
    EXPECT_LE(r.WatermarkIndex, kMaxWatermarks);
    EXPECT_LE(r.CompressionLevel, 3);
    EXPECT_LE(r.EncryptedPasswordLength, sizeof(r.EncryptedPassword));
    if (r.WatermarkIndex == 0) return;
    EXPECT_TRUE(EndsInside(r.WmarkFontName) && EndsInside(r.WmarkText));
    EXPECT_GE(r.WmarkPosition, 0);
    EXPECT_LE(r.WmarkPosition, 6);
    EXPECT_GE(r.WmarkBorder, 0);
    EXPECT_LE(r.WmarkBorder, 3);
    char expected[16];
    FormatWatermarkColorText(r.WmarkColorRgb, expected);
    EXPECT_EQ(std::memcmp(r.WmarkColorText, expected, 16), 0);
}

void PrivateRecordCase(std::mt19937& rng) {
    // Records shorter than their header are the hostile ones: pick them half the time.
    std::uniform_int_distribution<size_t> shortLength(sizeof(DWORD), 2 * sizeof(OEM_DMEXTRAHEADER));
    std::uniform_int_distribution<size_t> anyLength(sizeof(DWORD), kPrivateDevmodeSize + 64);
    const size_t bytes = rng() % 2 == 0 ? shortLength(rng) : anyLength(rng);
    GuardedBuffer in(bytes);
    ASSERT_TRUE(in);
    for (size_t i = 0; i < bytes; ++i) in.data()[i] = static_cast<BYTE>(rng());
    // The size field never claims more than the bytes held: the core driver guarantees that.
    const DWORD sizes[] = {
        0, 1, 4, 8, 11, 12, static_cast<DWORD>(bytes), static_cast<DWORD>(rng() % (bytes + 1))};
    DWORD size = std::min<DWORD>(sizes[rng() % std::size(sizes)], static_cast<DWORD>(bytes));
    std::memcpy(in.data(), &size, sizeof(size));
    if (bytes >= 8 && rng() % 2 == 0) {
        const DWORD signature = kPrivateDevmodeSignature;
        std::memcpy(in.data() + 4, &signature, sizeof(signature));
    }

    GuardedBuffer out(kPrivateDevmodeSize);
    ASSERT_TRUE(out);
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.pOEMDMIn = in.data();
    param.pOEMDMOut = out.data();
    param.cbBufSize = kPrivateDevmodeSize;
    const DWORD mode = rng() % 2 == 0 ? OEMDM_CONVERT : OEMDM_MERGE;
    // The core driver converts into a record of the plug-in's own, so a record of the same
    // signature is copied (and then made safe) rather than replaced by defaults.
    WriteHeader(*out.as<PrivateDevmode>());
    EXPECT_EQ(PrivateDevmodeOperation(mode, &param), S_OK);
    const PrivateDevmode& result = *out.as<PrivateDevmode>();
    EXPECT_EQ(result.Header.dwSize, kPrivateDevmodeSize);
    EXPECT_EQ(result.Header.dwSignature, kPrivateDevmodeSignature);
    ExpectSafeRecord(result);
}

// A watermark line of the plug-in INI file.
void WatermarkLineCase(std::mt19937& rng) {
    std::unique_ptr<GuardedBuffer> line(GuardText(RandomText(rng, 700)));
    ASSERT_TRUE(*line);
    WatermarkRecord record = {};
    ParseWatermarkLine(line->as<wchar_t>(), record);
    EXPECT_LT(std::wcslen(record.Text), std::size(record.Text));
}

// A font-list entry and the field taken from it into an output of any size.
void FontEntryCase(std::mt19937& rng) {
    std::unique_ptr<GuardedBuffer> entry(GuardText(RandomText(rng, 300)));
    ASSERT_TRUE(*entry);
    const size_t outChars = 1 + rng() % 80;
    GuardedBuffer out(outChars * sizeof(wchar_t));
    ASSERT_TRUE(out);
    const int field = 1 + static_cast<int>(rng() % 6);
    GetFontEntryField(entry->as<wchar_t>(), field, out.as<wchar_t>(), outChars);
    EXPECT_LT(std::wcslen(out.as<wchar_t>()), outChars);
    IsJapaneseFontEntry(entry->as<wchar_t>());
}

// A colour-matching hex string decoded into an output of any capacity.
void HexStringCase(std::mt19937& rng) {
    std::unique_ptr<GuardedBuffer> text(GuardText(RandomText(rng, 600)));
    ASSERT_TRUE(*text);
    const size_t capacity = rng() % 64;
    GuardedBuffer out(capacity == 0 ? 1 : capacity);
    ASSERT_TRUE(out);
    size_t count = 0;
    DecodeHexBytes(text->as<wchar_t>(), capacity == 0 ? out.data() + 1 : out.data(), capacity,
                   count);
    EXPECT_LE(count, capacity);
}

// The printer's "FeatureKeyword" list with random records, edited in place.
void FeatureListCase(std::mt19937& rng) {
    GuardedBuffer list(kFeatureListBytes);
    ASSERT_TRUE(list);
    const DWORD length = static_cast<DWORD>(rng() % (kFeatureListBytes + 8));
    for (DWORD i = 0; i < kFeatureListBytes; ++i) {
        const BYTE choices[] = {0, 0, '\n', 'V', 'R', 'a', 'b', 'T', 'r', 'u', 'e'};
        list.data()[i] = choices[rng() % std::size(choices)];
    }
    const char* keywords[] = {"VRa", "VRHDD", "a", "", "VRbTrue"};
    const char* options[] = {"True", "", "False", "averyveryveryverylongoptionname"};
    const DWORD result =
        SetFeatureOption(list.data(), length, keywords[rng() % 5], options[rng() % 4]);
    EXPECT_LE(result, kFeatureListBytes);
}

// The About box's PPD lines into outputs of every small size.
void PpdTextsCase(std::mt19937& rng, const std::wstring& path) {
    std::string content;
    const int lines = 1 + static_cast<int>(rng() % 6);
    for (int i = 0; i < lines; ++i) {
        std::wstring random = RandomText(rng, 300);
        std::string bytes;
        for (wchar_t c : random) bytes += static_cast<char>(c < 0x80 && c != 0 ? c : 'x');
        const char* heads[] = {"*FileVersion: \"", "*% Copyright ", "*Other ", ""};
        content += heads[rng() % 4] + bytes + "\r\n";
    }
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);

    const size_t versionChars = 1 + rng() % 40;
    const size_t noticeChars = 1 + rng() % 40;
    GuardedBuffer version(versionChars * sizeof(wchar_t));
    GuardedBuffer notice(noticeChars * sizeof(wchar_t));
    ASSERT_TRUE(version);
    ASSERT_TRUE(notice);
    ReadPpdTexts(path.c_str(), version.as<wchar_t>(), versionChars, notice.as<wchar_t>(),
                 noticeChars);
    EXPECT_LT(std::wcslen(version.as<wchar_t>()), versionChars);
    EXPECT_LT(std::wcslen(notice.as<wchar_t>()), noticeChars);
}

// Section "Custom Color" of the plug-in INI file: any keys, any values, into the 16 colours.
void CustomColorCase(std::mt19937& rng) {
    std::wstring ini = L"[Custom Color]\r\n";
    const int keys = static_cast<int>(rng() % 24);
    for (int i = 0; i < keys; ++i) {
        ini += (rng() % 2 == 0 ? L"Color" + std::to_wstring(i) : RandomValue(rng, 40) + L"k") +
               L"=" +
               (rng() % 2 == 0
                    ? RandomValue(rng, 80)
                    : RandomNumber(rng) + L"," + RandomNumber(rng) + L"," + RandomNumber(rng)) +
               L"\r\n";
    }
    WriteScratchIni(ini);
    GuardedBuffer colors(kCustomColorCount * sizeof(COLORREF));
    ASSERT_TRUE(colors);
    WatermarkList list = {};
    list.IniPath = ScratchIni().c_str();
    auto& out = *reinterpret_cast<COLORREF(*)[kCustomColorCount]>(colors.data());
    EXPECT_EQ(LoadCustomColors(out, list, PluginResources()), 0);
    for (COLORREF c : out) EXPECT_EQ(c & 0xFF000000u, 0u);
}

// The overlay store's main and definition sections, read into records that end at the guard.
void OverlaySectionsCase(std::mt19937& rng) {
    std::wstring ini = L"[OverlaySetting]\r\nOverlay_Num=" + RandomNumber(rng) +
                       L"\r\nHistory_Num=" + RandomNumber(rng) + L"\r\n";
    for (int i = 0; i < 12; ++i) {
        ini += L"History " + std::to_wstring(i) + L"=" + RandomValue(rng, 200) + L"\r\n";
    }
    ini += L"[Overlay_Info 0]\r\nOverlay_Name=" + RandomValue(rng, 200) + L"\r\nPageMode=" +
           RandomNumber(rng) + L"\r\nCustomPage=" + RandomValue(rng, 600) + L"\r\nForm_Num=" +
           RandomNumber(rng) + L"\r\n";
    for (int k = 0; k < 5; ++k) {
        ini += L"Form_Name " + std::to_wstring(k) + L"=" + RandomValue(rng, 200) + L"\r\n";
    }
    WriteScratchIni(ini);

    GuardedBuffer storeBytes(sizeof(OverlayStore));
    GuardedBuffer recordBytes(sizeof(OverlayRecord));
    ASSERT_TRUE(storeBytes);
    ASSERT_TRUE(recordBytes);
    auto& store = *storeBytes.as<OverlayStore>();
    auto& record = *recordBytes.as<OverlayRecord>();
    ReadOverlayMainSection(ScratchIni().c_str(), L"OverlaySetting", store);
    ReadOverlayInfoSection(ScratchIni().c_str(), L"Overlay_Info 0", record);
    EXPECT_LE(store.DefinedCount, kMaxDefinedOverlays);
    ASSERT_LE(store.HistoryCount, kMaxFormHistory);
    for (int i = 0; i < store.HistoryCount; ++i) {
        EXPECT_TRUE(Terminated(store.History[i], kOverlayNameChars));
    }
    ASSERT_LE(record.FormCount, kMaxOverlayForms);
    EXPECT_TRUE(Terminated(record.Name, kOverlayNameChars));
    EXPECT_TRUE(Terminated(record.CustomPage, kCustomPageChars));
    for (int k = 0; k < record.FormCount; ++k) {
        EXPECT_TRUE(Terminated(record.FormNames[k], kOverlayNameChars));
    }
}

// The version file's "OptionVer", "DriverVer" and "InternalVer" lines made into the About
// box's driver version, in outputs of any size.
void VersionLinesCase(std::mt19937& rng) {
    const auto option = Guarded(rng() % 3 == 0 ? RandomValue(rng, 300) : L"");
    const auto driver = Guarded(RandomValue(rng, 300));
    const auto internal =
        Guarded(rng() % 2 == 0 ? RandomValue(rng, 400) : L"\"a-b-" + RandomValue(rng, 300) + L"\"");
    ASSERT_TRUE(*option && *driver && *internal);
    const size_t outChars = 1 + rng() % 300;
    const auto out = GuardedOutput(outChars);
    ASSERT_TRUE(*out);
    FormatDriverVersion(option->as<wchar_t>(), driver->as<wchar_t>(), internal->as<wchar_t>(),
                        out->as<wchar_t>(), outChars);
    EXPECT_TRUE(Terminated(out->as<wchar_t>(), outChars));
}

// "HidePaperName" of the plug-in INI file against a paper item whose option names end at the
// guard, in the Japanese locale where the list is read.
void HidePaperNameCase(std::mt19937& rng) {
    std::vector<std::wstring> names;
    std::wstring value;
    const int listed = static_cast<int>(rng() % 16);
    for (int i = 0; i < listed; ++i) {
        names.push_back(RandomValue(rng, rng() % 4 == 0 ? 90 : 8));
        for (wchar_t& c : names.back()) {
            if (c == L',') c = L'.';
        }
        value += (i ? L"," : L"") + names.back();
    }
    WriteScratchIni(L"[Plg_Feature]\r\nHidePaperName=" + value + L"\r\n");

    // Options named like listed names (or their beginnings) and random ones.
    const size_t count = 1 + rng() % 8;
    std::vector<std::unique_ptr<GuardedBuffer>> texts;
    std::vector<OPTPARAM> params(count);
    for (size_t k = 0; k < count; ++k) {
        std::wstring name =
            !names.empty() && rng() % 2 == 0 ? names[rng() % names.size()] : RandomValue(rng, 70);
        if (rng() % 4 == 0 && !name.empty()) name.resize(rng() % name.size());
        texts.push_back(Guarded(name));
        ASSERT_TRUE(*texts.back());
        params[k].cbSize = sizeof(OPTPARAM);
        params[k].pData = texts.back()->as<wchar_t>();
    }
    OPTTYPE type = {};
    type.cbSize = sizeof(OPTTYPE);
    type.Count = static_cast<WORD>(count);
    type.pOptParam = params.data();
    OPTITEM item = {};
    item.cbSize = sizeof(OPTITEM);
    item.DMPubID = DMPUB_FORMNAME;
    item.pOptType = &type;
    OEMCUIPPARAM param = {};
    param.cbSize = sizeof(param);
    param.pDrvOptItems = &item;
    param.cDrvOptItems = 1;
    auto map = std::make_unique<DriverItemMap>();
    auto paths = std::make_unique<SheetPaths>();
    wcsncpy(paths->PluginIni, ScratchIni().c_str(), kPathChars - 1);
    InitDriverItemMap(*map, &param, *paths);
    const LCID saved = GetThreadLocale();
    SetThreadLocale(0x411);
    MapDriverItems(*map, nullptr);
    SetThreadLocale(saved);
    // The names as the profile functions hand them over (they trim blanks and quotes at the
    // ends of the value): an option is hidden only under one of them.
    wchar_t stored[1024] = {};
    GetPrivateProfileStringW(L"Plg_Feature", L"HidePaperName", L"", stored, 1024,
                             ScratchIni().c_str());
    std::vector<std::wstring> listedNames;
    for (std::wstring rest = stored;;) {
        const size_t comma = rest.find(L',');
        listedNames.push_back(rest.substr(0, comma));
        if (comma == std::wstring::npos) break;
        rest.erase(0, comma + 1);
    }
    for (size_t k = 0; k < count; ++k) {
        if (!(params[k].Flags & OPTPF_HIDE)) continue;
        const std::wstring shown = params[k].pData;
        EXPECT_NE(std::find(listedNames.begin(), listedNames.end(), shown), listedNames.end())
            << "only a listed name is hidden";
    }
}

// A driver's dependent-file list (NUL-separated names ended by an empty one) of random names
// and lengths, possibly without its end, readable up to the guard.
void DependentListCase(std::mt19937& rng) {
    const size_t chars = 1 + rng() % (kDependentListChars + 600);
    GuardedBuffer list(chars * sizeof(wchar_t));
    ASSERT_TRUE(list);
    wchar_t* text = list.as<wchar_t>();
    for (size_t i = 0; i < chars; ++i) {
        const unsigned pick = rng() % 64;
        text[i] = pick == 0 ? L'\0' : static_cast<wchar_t>(pick < 8 ? L'.' : L'a' + pick % 26);
    }
    // Long names now and then: around the longest a path buffer holds.
    if (rng() % 2 == 0 && chars > 300) {
        const size_t at = rng() % (chars - 300);
        const size_t length = kMaxDependentNameChars - 2 + rng() % 5;
        std::fill_n(text + at, length, L'n');
        text[at + length] = L'\0';
    }
    if (rng() % 2 == 0) text[chars - 1] = L'\0';
    const wchar_t* end = text + chars;
    WalkDependentFileList(text, chars, [&](const wchar_t* name, size_t length) {
        EXPECT_LE(length, kMaxDependentNameChars);
        EXPECT_TRUE(name >= text && name + length < end && name[length] == L'\0');
    });
}

// Printer, share, driver and server names near 1,024 characters through the job's section,
// mutex and pipe names and the utility's command line, into outputs of any size.
void PrinterNamesCase(std::mt19937& rng) {
    auto nameNear1024 = [&] {
        std::wstring name = RandomValue(rng, 1);
        name.resize(kNamePartChars - 8 + rng() % 17, L'p');
        for (wchar_t& c : name) {
            if (rng() % 16 == 0) c = L"\\/:*?\"<>|"[rng() % 9];
            if (c == L'\0') c = L'z';
        }
        return name;
    };
    const auto printer = Guarded(nameNear1024());
    const auto share = Guarded(nameNear1024());
    const auto driver = Guarded(nameNear1024());
    const auto server = Guarded(L"\\\\" + nameNear1024());
    const auto app = Guarded(RandomValue(rng, 70));
    ASSERT_TRUE(*printer && *share && *driver && *server && *app);

    const size_t sanitizedChars = 1 + rng() % (kNamePartChars + 8);
    const auto sanitized = GuardedOutput(sanitizedChars);
    ASSERT_TRUE(*sanitized);
    SanitizePrinterName(printer->as<wchar_t>(), sanitized->as<wchar_t>(), sanitizedChars);
    ASSERT_TRUE(Terminated(sanitized->as<wchar_t>(), sanitizedChars));
    EXPECT_EQ(std::wcscspn(sanitized->as<wchar_t>(), L"\\/:*?\"<>|"),
              std::wcslen(sanitized->as<wchar_t>()));

    const DWORD job = static_cast<DWORD>(rng());
    const size_t objectChars =
        rng() % 2 == 0 ? kJobObjectNameChars : 1 + rng() % kJobObjectNameChars;
    const auto section = GuardedOutput(objectChars);
    const auto mutex = GuardedOutput(objectChars);
    ASSERT_TRUE(*section && *mutex);
    if (FormatJobSectionName(sanitized->as<wchar_t>(), job, section->as<wchar_t>(), objectChars)) {
        const std::wstring name = section->as<wchar_t>();
        EXPECT_EQ(name.back(), L'A');
    }
    EXPECT_TRUE(Terminated(section->as<wchar_t>(), objectChars));
    if (FormatJobMutexName(sanitized->as<wchar_t>(), job, mutex->as<wchar_t>(), objectChars)) {
        const std::wstring name = mutex->as<wchar_t>();
        EXPECT_EQ(name.back(), L'B');
    }
    EXPECT_TRUE(Terminated(mutex->as<wchar_t>(), objectChars));

    PipeNameFacts facts;
    facts.serverName = rng() % 2 == 0 ? server->as<wchar_t>() : L"";
    facts.printerName = printer->as<wchar_t>();
    facts.shareName = share->as<wchar_t>();
    facts.driverName = driver->as<wchar_t>();
    facts.shared = rng() % 2 == 0;
    facts.raw = rng() % 2 == 0;
    facts.osMajorVersion = 5 + rng() % 2;
    facts.emfDespooling = rng() % 2 == 0;
    facts.jobId = job;
    const size_t pipeChars = rng() % 2 == 0 ? kPipeNameChars : 1 + rng() % kPipeNameChars;
    const auto pipe = GuardedOutput(pipeChars);
    ASSERT_TRUE(*pipe);
    if (ChoosePipeName(facts, pipe->as<wchar_t>(), pipeChars)) {
        EXPECT_EQ(std::wstring(pipe->as<wchar_t>()).rfind(L"\\AppInfo"),
                  std::wcslen(pipe->as<wchar_t>()) - 8);
    }
    EXPECT_TRUE(Terminated(pipe->as<wchar_t>(), pipeChars));

    const size_t commandChars =
        rng() % 2 == 0 ? kColorApCommandChars : 1 + rng() % kColorApCommandChars;
    const auto command = GuardedOutput(commandChars);
    ASSERT_TRUE(*command);
    FormatColorApCommandLine(app->as<wchar_t>(), pipe->as<wchar_t>(), command->as<wchar_t>(),
                             commandChars);
    EXPECT_TRUE(Terminated(command->as<wchar_t>(), commandChars));
}

struct Reader {
    const char* name;
    void (*run)(std::mt19937&);
};

constexpr Reader kReaders[] = {
    {"private record convert and merge", &PrivateRecordCase},
    {"watermark line", &WatermarkLineCase},
    {"font-list entry field", &FontEntryCase},
    {"colour-matching hex string", &HexStringCase},
    {"FeatureKeyword list", &FeatureListCase},
    {"watermark Custom Color section", &CustomColorCase},
    {"overlay sections", &OverlaySectionsCase},
    {"version-file lines", &VersionLinesCase},
    {"HidePaperName", &HidePaperNameCase},
    {"dependent-file list", &DependentListCase},
    {"printer names near 1,024 characters", &PrinterNamesCase},
};

}  // namespace

TEST(Robustness, EveryReaderStaysInsideItsBuffers) {
    const int cases = CaseCount();
    for (const Reader& reader : kReaders) {
        std::mt19937 rng(20261208u);
        const ULONGLONG start = GetTickCount64();
        for (int i = 0; i < cases; ++i) {
            SCOPED_TRACE(std::string(reader.name) + ", case " + std::to_string(i));
            reader.run(rng);
            if (::testing::Test::HasFatalFailure()) return;
        }
        std::printf("[ reader   ] %s: %d cases, %llu ms\n", reader.name, cases,
                    static_cast<unsigned long long>(GetTickCount64() - start));
    }
    DeleteFileW(ScratchIni().c_str());
}

TEST(Robustness, PpdTextsFitOutputsOfEverySize) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"robustness.PPD";
    std::mt19937 rng(20261208u);
    const int cases = CaseCount();
    for (int i = 0; i < cases; ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        PpdTextsCase(rng, path);
        if (HasFatalFailure()) break;
    }
    DeleteFileW(path.c_str());
}

namespace {

// A record as the plug-in's own pages leave it: defaults, a job name and PIN, a watermark, three
// overlays and a password.
PrivateDevmode PageWrittenRecord() {
    PrivateDevmode r = {};
    WriteHeader(r);
    WriteDefaultValues(r);
    wcscpy(r.JobName, L"Quarterly report");
    wcscpy(r.JobPin, L"0042");
    r.WatermarkIndex = 3;
    r.WmarkSize = 72;
    r.WmarkAngle = -45;
    r.WmarkOffsetX = 120;
    r.WmarkOffsetY = -1000;
    r.WmarkFontIndex = 2;
    r.WmarkWeight = 700;
    r.WmarkPosition = 6;
    r.WmarkBorder = 3;
    r.WmarkColorRgb = RGB(200, 16, 255);
    FormatWatermarkColorText(r.WmarkColorRgb, r.WmarkColorText);
    wcscpy(r.WmarkText, L"CONFIDENTIAL");
    wcscpy(r.WmarkFontName, L"Helvetica-Bold");
    r.OverlayIds[0] = 4;
    r.OverlayIds[1] = 0;
    r.OverlayIds[2] = 31;
    r.OverlayIds[3] = kNoOverlay;
    r.EncryptedPasswordLength = 256;
    r.CompressionLevel = 3;
    wcscpy(r.PluginIniPath, L"C:\\windows\\system32\\spool\\drivers\\x64\\3\\vroemui.ini");
    return r;
}

PrivateDevmode Merged(const PrivateDevmode& in) {
    // The core driver merges into a record of the plug-in's own (its default).
    PrivateDevmode out = {};
    WriteHeader(out);
    OEMDMPARAM param = {};
    param.cbSize = sizeof(param);
    param.pOEMDMIn = const_cast<PrivateDevmode*>(&in);
    param.pOEMDMOut = &out;
    param.cbBufSize = kPrivateDevmodeSize;
    EXPECT_EQ(PrivateDevmodeOperation(OEMDM_MERGE, &param), S_OK);
    return out;
}

}  // namespace

// A record the pages wrote passes byte for byte; each hostile field arriving in a document's
// record is made as the dialogs would have left it before any page or the renderer reads it.
TEST(HostileRecords, MergedRecordsFollowTheDialogRules) {
    const PrivateDevmode valid = PageWrittenRecord();
    const PrivateDevmode same = Merged(valid);
    EXPECT_EQ(std::memcmp(&same, &valid, sizeof(valid)), 0) << "a valid record is unchanged";

    using Edit = void (*)(PrivateDevmode&);
    using Check = void (*)(const PrivateDevmode&);
    const struct {
        const char* name;
        Edit edit;
        Check check;
    } cases[] = {
        {"job name without terminator",
         [](PrivateDevmode& r) { std::fill(std::begin(r.JobName), std::end(r.JobName), L'J'); },
         [](const PrivateDevmode& r) {
             EXPECT_EQ(std::wstring(r.JobName), std::wstring(16, L'J'));
         }},
        {"job name with a quote", [](PrivateDevmode& r) { wcscpy(r.JobName, L"a\") show"); },
         [](const PrivateDevmode& r) { EXPECT_STREQ(r.JobName, L""); }},
        {"job name outside ASCII", [](PrivateDevmode& r) { wcscpy(r.JobName, L"caf\x00E9"); },
         [](const PrivateDevmode& r) { EXPECT_STREQ(r.JobName, L""); }},
        {"PIN with a letter", [](PrivateDevmode& r) { wcscpy(r.JobPin, L"12a4"); },
         [](const PrivateDevmode& r) { EXPECT_STREQ(r.JobPin, L""); }},
        {"PIN of three digits", [](PrivateDevmode& r) { wcscpy(r.JobPin, L"123"); },
         [](const PrivateDevmode& r) { EXPECT_STREQ(r.JobPin, L""); }},
        {"PIN without terminator",
         [](PrivateDevmode& r) { std::fill(std::begin(r.JobPin), std::end(r.JobPin), L'7'); },
         [](const PrivateDevmode& r) { EXPECT_STREQ(r.JobPin, L"7777"); }},
        {"colour text with PostScript of its own",
         [](PrivateDevmode& r) { std::memcpy(r.WmarkColorText, "1 0 0 quit %%%%%%", 16); },
         [](const PrivateDevmode& r) {
             EXPECT_EQ(std::string(r.WmarkColorText, 14), "0.78 0.06 1.00");
         }},
        {"watermark index beyond the list", [](PrivateDevmode& r) { r.WatermarkIndex = 99; },
         [](const PrivateDevmode& r) { EXPECT_EQ(r.WatermarkIndex, kMaxWatermarks); }},
        {"negative watermark index", [](PrivateDevmode& r) { r.WatermarkIndex = -5; },
         [](const PrivateDevmode& r) { EXPECT_EQ(r.WatermarkIndex, 0); }},
        {"placement and border out of range",
         [](PrivateDevmode& r) {
             r.WmarkPosition = 40;
             r.WmarkBorder = -1;
         },
         [](const PrivateDevmode& r) {
             EXPECT_EQ(r.WmarkPosition, 6);
             EXPECT_EQ(r.WmarkBorder, 0);
         }},
        {"watermark size and angle out of range",
         [](PrivateDevmode& r) {
             r.WmarkSize = 100000;
             r.WmarkAngle = 720;
         },
         [](const PrivateDevmode& r) {
             EXPECT_EQ(r.WmarkSize, 600);
             EXPECT_EQ(r.WmarkAngle, 180);
         }},
        {"overlay id beyond the definitions and one twice",
         [](PrivateDevmode& r) {
             r.OverlayIds[0] = 40;
             r.OverlayIds[1] = 3;
             r.OverlayIds[2] = 3;
         },
         [](const PrivateDevmode& r) {
             EXPECT_EQ(r.OverlayIds[0], 3);
             EXPECT_EQ(r.OverlayIds[1], kNoOverlay);
             EXPECT_EQ(r.OverlayIds[2], kNoOverlay);
         }},
        {"encrypted password longer than its field",
         [](PrivateDevmode& r) { r.EncryptedPasswordLength = 9999; },
         [](const PrivateDevmode& r) { EXPECT_EQ(r.EncryptedPasswordLength, 256u); }},
        {"paths without terminator",
         [](PrivateDevmode& r) {
             std::fill(std::begin(r.PluginIniPath), std::end(r.PluginIniPath), L'p');
         },
         [](const PrivateDevmode& r) { EXPECT_EQ(std::wcslen(r.PluginIniPath), 260u); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PrivateDevmode hostile = valid;
        c.edit(hostile);
        const PrivateDevmode merged = Merged(hostile);
        c.check(merged);
        ExpectSafeRecord(merged);
    }
}

// A name from the configuration that reaches out of the driver directory names no driver file:
// refused by the one check every path builder uses, it is a missing file.
TEST(HostileNames, OnlyPlainFileNamesNameDriverFiles) {
    const std::wstring dir3 = testenv::DriverDirectory3();
    const struct {
        const wchar_t* name;
        bool plain;
    } cases[] = {
        {L"vrcrypt.dll", true},
        {L"a..b.dll", true},
        {L".hidden", true},
        {L"..\\vrcrypt.dll", false},
        {L"sub\\vrcrypt.dll", false},
        {L"sub/vrcrypt.dll", false},
        {L"C:vrcrypt.dll", false},
        {L"C:\\temp\\x.dll", false},
        {L"vrcrypt.dll::$DATA", false},
        {L"\\\\host\\share\\x.dll", false},
        {L"..", false},
        {L". .", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testenv::Narrow(c.name));
        EXPECT_EQ(IsDriverFileName(c.name, L"test"), c.plain);
        wchar_t path[kPathChars];
        std::fill(std::begin(path), std::end(path), L'#');
        DWORD bytes = sizeof(path);
        EXPECT_EQ(BuildDriverFilePath(path, &bytes, c.name, 3), c.plain);
        EXPECT_EQ(std::wstring(path), c.plain ? dir3 + L"\\" + c.name : L"");
    }
}

// The model's encryption library named through each way out of the driver directory, with a
// copy of the library waiting where the name leads: none of them is loaded.
TEST(HostileNames, NoLibraryIsLoadedFromOutsideTheDriverDirectory) {
    ASSERT_TRUE(testenv::InstallSamplePrinters());
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring built = self;
    built = built.substr(0, built.find_last_of(L'\\') + 1) + L"vrcrypt.dll";
    const std::wstring dir3 = testenv::DriverDirectory3();
    const std::wstring parent = dir3.substr(0, dir3.find_last_of(L'\\'));
    const std::wstring elsewhere = testenv::FreshTempFolder(L"hostile-names");
    CreateDirectoryW((dir3 + L"\\sub").c_str(), nullptr);
    ASSERT_TRUE(CopyFileW(built.c_str(), (parent + L"\\vrcrypt.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(built.c_str(), (dir3 + L"\\sub\\vrcrypt.dll").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(built.c_str(), (elsewhere + L"\\vrcrypt.dll").c_str(), FALSE));

    const std::wstring names[] = {L"..\\vrcrypt.dll", L"sub\\vrcrypt.dll", L"sub/vrcrypt.dll",
                                  elsewhere + L"\\vrcrypt.dll", L"vrcrypt.dll::$DATA"};
    for (const std::wstring& name : names) {
        SCOPED_TRACE(testenv::Narrow(name));
        testenv::TestDriver driver;
        driver.name = L"Hostile Names PS";
        driver.dependentFiles = {
            {L"hostile.cap",
             "[Capability]\r\nHostile Names PS=Hostile\r\n\r\n[Hostile]\r\nCryptoDll=" +
                 testenv::Narrow(name) + "\r\n"},
            {L"vroemui.ini", testenv::SampleFile(L"vroemui.ini")}};
        ASSERT_TRUE(testenv::InstallDriver(driver));
        ASSERT_TRUE(testenv::InstallPrinter(L"Hostile Names 1", driver.name));
        testenv::Printer printer(L"Hostile Names 1");
        ASSERT_TRUE(printer);
        ASSERT_TRUE(FindDependentFiles(printer.get(), nullptr));
        testenv::StandInLog log;
        CryptoSettingsBlock block = {};
        EXPECT_FALSE(EncryptionDefaults(printer.get(), block));
        EXPECT_TRUE(log.Lines().empty()) << "loaded through " << testenv::Narrow(name);
    }
}

// A model library's own imports come from its folder or the system folder: a helper that only
// the current directory holds is not found, while the plain loader would take it from there.
TEST(HostileNames, ModelLibrariesIgnoreTheCurrentDirectory) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring bin = self;
    bin = bin.substr(0, bin.find_last_of(L'\\') + 1);
    const std::wstring libraryDir = testenv::FreshTempFolder(L"search-library");
    const std::wstring currentDir = testenv::FreshTempFolder(L"search-current");
    const std::wstring library = libraryDir + L"\\vrsearchuser.dll";
    ASSERT_TRUE(CopyFileW((bin + L"vrsearchuser.dll").c_str(), library.c_str(), FALSE));
    ASSERT_TRUE(CopyFileW((bin + L"vrsearchhelper.dll").c_str(),
                          (currentDir + L"\\vrsearchhelper.dll").c_str(), FALSE));

    wchar_t previous[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(currentDir.c_str()));
    {
        const UniqueModule guarded = LoadModelLibrary(library.c_str(), L"search test");
        EXPECT_FALSE(guarded) << "the helper in the current directory was used";
        HMODULE plain = LoadLibraryW(library.c_str());
        EXPECT_NE(plain, nullptr) << "the plain loader's search takes the current directory";
        if (plain != nullptr) FreeLibrary(plain);
    }
    SetCurrentDirectoryW(previous);

    // Beside the library the helper is found.
    ASSERT_TRUE(CopyFileW((bin + L"vrsearchhelper.dll").c_str(),
                          (libraryDir + L"\\vrsearchhelper.dll").c_str(), FALSE));
    const UniqueModule beside = LoadModelLibrary(library.c_str(), L"search test");
    EXPECT_TRUE(beside);
    EXPECT_FALSE(LoadModelLibrary(L"vrsearchuser.dll", L"search test")) << "a bare name";
}
