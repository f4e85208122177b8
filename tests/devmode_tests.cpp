// The private DEVMODE record through the real DLL's DevMode: defaults, conversion and merge.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "base/devmode.h"
#include "tests/support/plugindll.h"
#include "tests/support/standins.h"
#include "tests/support/testprinters.h"

using namespace oemui;
using testenv::Printer;

namespace {

constexpr BYTE kPattern = 0xA5;

// A record-sized buffer with guard bytes on both sides.
class FencedRecord {
public:
    static constexpr size_t kGuard = 64;
    FencedRecord() : bytes_(kGuard + kPrivateDevmodeSize + kGuard, 0xEE) {
        memset(Data(), kPattern, kPrivateDevmodeSize);
    }
    BYTE* Data() { return bytes_.data() + kGuard; }
    PrivateDevmode& Record() { return *reinterpret_cast<PrivateDevmode*>(Data()); }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (bytes_[i] != 0xEE || bytes_[bytes_.size() - 1 - i] != 0xEE) return false;
        }
        return true;
    }

private:
    std::vector<BYTE> bytes_;
};

class DevModeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        testenv::TestDriver noCrypto;
        noCrypto.name = L"No Crypto PS";
        noCrypto.dependentFiles = {{L"nocrypto.cap",
                                    "[Capability]\r\nNo Crypto PS=NoCrypto\r\n\r\n[NoCrypto]\r\n"
                                    "TabLinkName=http://printers.example.com/\r\n"},
                                   {L"vroemui.ini", testenv::SampleFile(host::kPluginIniName)}};
        ASSERT_TRUE(testenv::InstallDriver(noCrypto));
        ASSERT_TRUE(testenv::InstallPrinter(L"No Crypto 1", noCrypto.name));
    }

    void SetUp() override {
        ASSERT_TRUE(dll.Loaded());
        object = dll.Create();
        ASSERT_NE(object, nullptr);
    }
    void TearDown() override {
        if (object != nullptr) object->Release();
    }

    HRESULT Run(DWORD mode, HANDLE printer, void* in, void* out,
                DWORD bufSize = kPrivateDevmodeSize) {
        OEMDMPARAM param = {};
        param.cbSize = sizeof(param);
        param.hPrinter = printer;
        param.pOEMDMIn = in;
        param.pOEMDMOut = out;
        param.cbBufSize = bufSize;
        return object->DevMode(mode, &param);
    }

    testenv::PluginDll dll;
    IPrintOemUI2* object = nullptr;
};

// Byte ranges the default operation writes; every other byte keeps the buffer's content.
std::vector<std::pair<size_t, size_t>> DefaultWrites(bool withEncryption) {
    std::vector<std::pair<size_t, size_t>> r = {
        {0, 12},   {12, 4},   {72, 2},   {80, 2},    {16, 2},     {50, 2},     {60, 4},   {68, 4},
        {600, 4},  {3880, 4}, {88, 1},   {343, 1},   {2560, 1},   {2569, 1},   {2564, 4}, {2568, 1},
        {3872, 4}, {3892, 4}, {3896, 4}, {3900, 4},  {604, 4},    {3884, 4},   {3888, 4}, {3904, 4},
        {3908, 4}, {3912, 4}, {3916, 4}, {992, 522}, {1514, 522}, {2036, 522}, {2558, 2},
    };
    if (withEncryption) {
        r.insert(r.end(), {{3596, 4}, {3600, 4}, {3864, 4}, {3868, 4}, {3860, 4}, {3604, 1}});
    }
    return r;
}

void ExpectUntouchedOutside(const BYTE* data,
                            const std::vector<std::pair<size_t, size_t>>& writes) {
    std::vector<bool> written(kPrivateDevmodeSize, false);
    for (auto [offset, size] : writes) {
        for (size_t i = 0; i < size; ++i) written[offset + i] = true;
    }
    int changed = 0;
    for (size_t i = 0; i < kPrivateDevmodeSize; ++i) {
        if (!written[i] && data[i] != kPattern) {
            if (++changed <= 5) ADD_FAILURE() << "byte " << i << " was changed";
        }
    }
    EXPECT_EQ(changed, 0);
}

void ExpectDefaultValues(const PrivateDevmode& r) {
    EXPECT_EQ(r.OemItemSel, 0);
    EXPECT_EQ(r.OverlayIds[0], 255);
    EXPECT_EQ(r.ColorModeValue, 0);
    EXPECT_EQ(r.JobName[0], L'\0');
    EXPECT_EQ(r.JobPin[0], L'\0');
    EXPECT_EQ(r.AskJobName, 0u);
    EXPECT_EQ(r.WatermarkIndex, 0);
    EXPECT_EQ(r.ColorSettingId, 0u);
    EXPECT_EQ(r.PsGammaSettingId, 0u);
    EXPECT_EQ(r.CcmTableLength[0], 0);
    EXPECT_EQ(r.CcmValueLength[0], 0);
    EXPECT_EQ(r.DrvItemSelA, 0);
    EXPECT_EQ(r.DrvItemSelB, 0);
    EXPECT_EQ(r.PaperKey, 0);
    EXPECT_EQ(r.PaperFlags, 0);
    EXPECT_EQ(r.SavedModeValue, 0u);
    EXPECT_EQ(r.FixedScaleSetting, 0u);
    EXPECT_EQ(r.FitPaperSetting, 100u);
    EXPECT_EQ(r.CustomPaperWidth, 2100u);
    EXPECT_EQ(r.PresetFlag, 1u);
    EXPECT_EQ(r.FitPaperSize, 9u);
    EXPECT_EQ(r.PresetPaperSize, 9u);
    EXPECT_EQ(r.CustomPaperLength, 2970u);
    EXPECT_EQ(r.PresetScale, 1000u);
    EXPECT_EQ(r.RotateSort, 0u);
    EXPECT_EQ(r.Collate, 0u);
}

void ExpectHeader(const PrivateDevmode& r) {
    EXPECT_EQ(r.Header.dwSize, 3920u);
    EXPECT_EQ(memcmp(&r.Header.dwSignature, "0002", 4), 0);
    EXPECT_EQ(r.Header.dwVersion, 1u);
}

void ExpectStandInEncryptionWords(const PrivateDevmode& r) {
    EXPECT_EQ(r.CryptoSettingA, 0x0A0A0001u);
    EXPECT_EQ(r.CryptoSettingB, 0x0B0B0002u);
    EXPECT_EQ(r.CryptoSettingC, 0x06060006u);
    EXPECT_EQ(r.CryptoSettingD, 0x07070007u);
    EXPECT_EQ(r.EncryptedPasswordLength, 0u);
    EXPECT_EQ(r.EncryptedPassword[0], 0);
}

std::wstring Field(const wchar_t* text, size_t chars) {
    return std::wstring(text, wcsnlen(text, chars));
}

}  // namespace

TEST_F(DevModeTest, DefaultRecordOfTheColourModel) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    const PrivateDevmode& r = out.Record();
    ExpectHeader(r);
    ExpectDefaultValues(r);
    ExpectStandInEncryptionWords(r);
    EXPECT_EQ(r.CompressionLevel, 1) << "Compression 0x0301: index 3";

    const std::wstring dir3 = testenv::DriverDirectory3();
    EXPECT_EQ(Field(r.DriverDirectory, 261), dir3.substr(0, dir3.size() - 2));
    EXPECT_EQ(Field(r.PluginIniPath, 261), dir3 + L"\\vroemui.ini");
    EXPECT_EQ(Field(r.CapabilityFilePath, 261), dir3 + L"\\vrlab.cap");
    ExpectUntouchedOutside(out.Data(), DefaultWrites(true));
    EXPECT_TRUE(out.GuardsIntact());

    const auto lines = log.Lines();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], "load");
    EXPECT_EQ(lines[1], "GetDefaultSetting mode=1");
    EXPECT_EQ(lines[2], "unload") << "the library is released after the operation";
}

TEST_F(DevModeTest, DefaultCompressionLevelFollowsTheModel) {
    Printer mono(testenv::kMonoPrinter);
    ASSERT_TRUE(mono);
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, mono.get(), nullptr, out.Data()), S_OK);
    EXPECT_EQ(out.Record().CompressionLevel, 2) << "Compression 0x0500: index 5";

    Printer plain(L"No Crypto 1");
    ASSERT_TRUE(plain);
    FencedRecord other;
    ASSERT_EQ(Run(OEMDM_DEFAULT, plain.get(), nullptr, other.Data()), S_OK);
    EXPECT_EQ(other.Record().CompressionLevel, 0) << "no Compression key";
}

TEST_F(DevModeTest, WithoutEncryptionLibraryTheEncryptionFieldsKeepTheBuffer) {
    Printer printer(L"No Crypto 1");
    ASSERT_TRUE(printer);
    testenv::StandInLog log;
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    ExpectHeader(out.Record());
    ExpectDefaultValues(out.Record());
    ExpectUntouchedOutside(out.Data(), DefaultWrites(false));
    EXPECT_TRUE(log.Lines().empty());
}

// The library is asked at every default record: a refusal after an earlier answer leaves the
// encryption fields as the buffer held them, not as the earlier answer filled them.
TEST_F(DevModeTest, LibraryRefusingDefaultsLeavesTheEncryptionFields) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    FencedRecord first;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, first.Data()), S_OK);
    ExpectStandInEncryptionWords(first.Record());

    testenv::ScopedEnv refuse(L"OEMUI_CRYPTO_RESULT", L"0");
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    ExpectUntouchedOutside(out.Data(), DefaultWrites(false));
}

TEST_F(DevModeTest, ForeignSignatureConvertsToDefaults) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    PrivateDevmode& r = out.Record();
    r.OemItemSel = 7;
    r.FitPaperSetting = 55;
    r.ConvertMark = 0x12345678;
    r.CompressionLevel = 3;
    const std::wstring capability = Field(r.CapabilityFilePath, 261);

    std::vector<BYTE> foreign(kPrivateDevmodeSize, 0x3C);
    memcpy(foreign.data() + 4, "XXXX", 4);
    for (DWORD mode : {OEMDM_CONVERT, OEMDM_MERGE}) {
        ASSERT_EQ(Run(mode, printer.get(), foreign.data(), out.Data()), S_OK);
        ExpectHeader(r);
        ExpectDefaultValues(r);
        EXPECT_EQ(r.ConvertMark, 0u);
        ExpectStandInEncryptionWords(r);
        EXPECT_EQ(r.CompressionLevel, 3) << "not recomputed";
        EXPECT_EQ(Field(r.CapabilityFilePath, 261), capability) << "paths stay";
        EXPECT_TRUE(out.GuardsIntact());
    }
}

TEST_F(DevModeTest, ShorterRecordOfOurSignatureCopiesWhatItHas) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    std::vector<BYTE> before(out.Data(), out.Data() + kPrivateDevmodeSize);

    std::vector<BYTE> in(kPrivateDevmodeSize);
    for (size_t i = 0; i < in.size(); ++i) in[i] = static_cast<BYTE>(i * 7 + 3);
    auto* inRecord = reinterpret_cast<PrivateDevmode*>(in.data());
    inRecord->Header.dwSize = 2000;
    inRecord->Header.dwSignature = kPrivateDevmodeSignature;
    inRecord->Header.dwVersion = 7;

    ASSERT_EQ(Run(OEMDM_CONVERT, printer.get(), in.data(), out.Data()), S_OK);
    const PrivateDevmode& r = out.Record();
    ExpectHeader(r);
    // What was copied is made safe as any stored record is (this one's text fields hold no
    // terminator, its indexes are out of range).
    std::vector<BYTE> expected = in;
    MakeStoredRecordSafe(*reinterpret_cast<PrivateDevmode*>(expected.data()));
    EXPECT_EQ(memcmp(out.Data() + 12, expected.data() + 12, 2000 - 12), 0) << "2000 bytes copied";
    // Past the stored record: the defaults and the encryption words, the rest as before.
    EXPECT_EQ(r.FitPaperSetting, 100u);
    EXPECT_EQ(r.Collate, 0u);
    ExpectStandInEncryptionWords(r);
    EXPECT_EQ(memcmp(out.Data() + 2036, before.data() + 2036, 522), 0) << "capability path kept";
    EXPECT_EQ(out.Data()[2000], before[2000]);
    EXPECT_TRUE(out.GuardsIntact());
}

TEST_F(DevModeTest, FullRecordOfOurSignatureIsTakenWhole) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    FencedRecord out;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
    FencedRecord in;
    ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, in.Data()), S_OK);
    PrivateDevmode& stored = in.Record();
    stored.OemItemSel = 42;
    stored.CryptoSettingA = 0xFEEDF00D;
    stored.EncryptedPasswordLength = 6;
    stored.Collate = 1;
    wcscpy(stored.JobName, L"Payroll");
    ASSERT_EQ(Run(OEMDM_MERGE, printer.get(), in.Data(), out.Data()), S_OK);
    EXPECT_EQ(memcmp(out.Data(), in.Data(), kPrivateDevmodeSize), 0);
}

TEST_F(DevModeTest, MergeClampsTheItemSelection) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    const std::pair<INT32, INT32> cases[] = {
        {101, 0}, {100, 100}, {-5, -5}, {0x7FFFFFFF, 0}, {0, 0}};
    for (auto [stored, expected] : cases) {
        FencedRecord in;
        FencedRecord out;
        ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, in.Data()), S_OK);
        ASSERT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data()), S_OK);
        in.Record().OemItemSel = stored;
        ASSERT_EQ(Run(OEMDM_MERGE, printer.get(), in.Data(), out.Data()), S_OK);
        EXPECT_EQ(out.Record().OemItemSel, expected) << stored;
        // Conversion alone does not validate.
        ASSERT_EQ(Run(OEMDM_CONVERT, printer.get(), in.Data(), out.Data()), S_OK);
        EXPECT_EQ(out.Record().OemItemSel, stored);
    }
}

TEST_F(DevModeTest, MissingRecordsAndSmallBuffers) {
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    FencedRecord out;
    for (DWORD mode : {OEMDM_CONVERT, OEMDM_MERGE}) {
        EXPECT_EQ(Run(mode, printer.get(), nullptr, out.Data()), S_OK);
        EXPECT_EQ(Run(mode, printer.get(), out.Data(), nullptr), S_OK);
    }
    EXPECT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, nullptr), S_OK);
    ExpectUntouchedOutside(out.Data(), {});

    // A buffer the core driver declares smaller than the record is refused untouched.
    FencedRecord in;
    for (DWORD mode : {OEMDM_DEFAULT, OEMDM_CONVERT, OEMDM_MERGE}) {
        SetLastError(0);
        EXPECT_EQ(Run(mode, printer.get(), in.Data(), out.Data(), 3919), E_FAIL);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER));
    }
    ExpectUntouchedOutside(out.Data(), {});
    // No stated size is taken as the record's own.
    EXPECT_EQ(Run(OEMDM_DEFAULT, printer.get(), nullptr, out.Data(), 0), S_OK);
    ExpectHeader(out.Record());
}

TEST_F(DevModeTest, RandomRecordsNeverWriteOutsideTheOutput) {
    // Each spooler round trip costs milliseconds under Wine: most cases run without a printer
    // (no configuration found), every 50th with the colour model and its encryption library.
    Printer printer(testenv::kColorPrinter);
    ASSERT_TRUE(printer);
    std::mt19937 rng(20261207);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<DWORD> size(0, 100000);
    const DWORD signatures[] = {kPrivateDevmodeSignature, 0, 0x31303030, 0xFFFFFFFF};
    std::vector<BYTE> in(kPrivateDevmodeSize);
    FencedRecord out;
    int copies = 0;
    for (int i = 0; i < 10000; ++i) {
        for (auto& b : in) b = static_cast<BYTE>(byte(rng));
        BYTE* outBytes = out.Data();
        for (size_t j = 0; j < kPrivateDevmodeSize; ++j) outBytes[j] = static_cast<BYTE>(byte(rng));
        auto* inRecord = reinterpret_cast<PrivateDevmode*>(in.data());
        PrivateDevmode& outRecord = out.Record();
        inRecord->Header.dwSize = size(rng);
        outRecord.Header.dwSize = size(rng);
        const int pick = byte(rng);
        inRecord->Header.dwSignature = pick < 192 ? signatures[pick % 4] : rng();
        outRecord.Header.dwSignature =
            (pick & 1) ? inRecord->Header.dwSignature : signatures[pick % 4];
        copies += inRecord->Header.dwSignature == kPrivateDevmodeSignature &&
                  outRecord.Header.dwSignature == kPrivateDevmodeSignature;
        const DWORD mode = (i & 1) ? OEMDM_MERGE : OEMDM_CONVERT;
        HANDLE target = (i % 50 == 0) ? printer.get() : nullptr;
        ASSERT_EQ(Run(mode, target, in.data(), out.Data(), (i % 3) ? kPrivateDevmodeSize : 0),
                  S_OK);
        ASSERT_TRUE(out.GuardsIntact()) << "case " << i;
        ASSERT_EQ(outRecord.Header.dwSize, kPrivateDevmodeSize) << "case " << i;
        ASSERT_EQ(outRecord.Header.dwSignature, kPrivateDevmodeSignature) << "case " << i;
        ASSERT_EQ(outRecord.Header.dwVersion, kPrivateDevmodeVersion) << "case " << i;
        if (mode == OEMDM_MERGE) {
            ASSERT_LE(outRecord.OemItemSel, 100) << "case " << i;
        }
    }
    EXPECT_GT(copies, 1000) << "the copying path was exercised";
}
