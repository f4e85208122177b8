// Feeds the readers of stored formats random and hostile input, with every input and output
// buffer ending against a page that may not be touched: a read or write one byte too far
// faults at once instead of going unnoticed. The seed is fixed, so a failure repeats.
//
// A few hundred cases per reader run by default; OEMUI_ROBUSTNESS_CASES sets another count
// (for example 10000 for a long run).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "contract/oemcontract.h"
#include "plugin/devmode.h"
#include "plugin/dispatch.h"
#include "setup/printerevent.h"
#include "support/testprinters.h"
#include "ui/color/colorpage.h"
#include "ui/jobopts/aboutdialog.h"
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
        base_ = static_cast<BYTE*>(VirtualAlloc(nullptr, total_, MEM_COMMIT | MEM_RESERVE,
                                                PAGE_READWRITE));
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
    T* as() const { return reinterpret_cast<T*>(data_); }
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

// --- The readers ------------------------------------------------------------------------------

// A stored private record of random length and hostile header, handed to convert and merge.
void PrivateRecordCase(std::mt19937& rng) {
    // Records shorter than their header are the hostile ones: pick them half the time.
    std::uniform_int_distribution<size_t> shortLength(sizeof(DWORD), 2 * sizeof(OEM_DMEXTRAHEADER));
    std::uniform_int_distribution<size_t> anyLength(sizeof(DWORD), kPrivateDevmodeSize + 64);
    const size_t bytes = rng() % 2 == 0 ? shortLength(rng) : anyLength(rng);
    GuardedBuffer in(bytes);
    ASSERT_TRUE(in);
    for (size_t i = 0; i < bytes; ++i) in.data()[i] = static_cast<BYTE>(rng());
    // The size field never claims more than the bytes held: the core driver guarantees that.
    const DWORD sizes[] = {0, 1, 4, 8, 11, 12, static_cast<DWORD>(bytes),
                           static_cast<DWORD>(rng() % (bytes + 1))};
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
    out.as<PrivateDevmode>()->Header.dwSize = kPrivateDevmodeSize;
    EXPECT_EQ(PrivateDevmodeOperation(mode, &param), S_OK);
    const PrivateDevmode& result = *out.as<PrivateDevmode>();
    EXPECT_EQ(result.Header.dwSize, kPrivateDevmodeSize);
    EXPECT_EQ(result.Header.dwSignature, kPrivateDevmodeSignature);
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
    const DWORD result = SetFeatureOption(list.data(), length, keywords[rng() % 5],
                                          options[rng() % 4]);
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
};

}  // namespace

TEST(Robustness, EveryReaderStaysInsideItsBuffers) {
    const int cases = CaseCount();
    for (const Reader& reader : kReaders) {
        std::mt19937 rng(20261208u);
        for (int i = 0; i < cases; ++i) {
            SCOPED_TRACE(std::string(reader.name) + ", case " + std::to_string(i));
            reader.run(rng);
            if (::testing::Test::HasFatalFailure()) return;
        }
    }
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
