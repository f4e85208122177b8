// Watermark storage: the stored line format, the watermark list in the plug-in INI file, the
// custom colours, the font list file and the copy into PrivateDevmode. Texts of the string
// table come from the built plug-in DLL, loaded as a data file.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <clocale>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "base/devmode.h"
#include "tests/support/testprinters.h"
#include "ui/watermark/watermarks.h"

using namespace oemui;

namespace {

// ---- Helpers -------------------------------------------------------------------------------

std::string Utf16File(const std::wstring& text) {
    std::string bytes = "\xFF\xFE";
    bytes.append(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
    return bytes;
}

std::wstring Line(const WatermarkRecord& record) {
    wchar_t line[kWatermarkLineChars];
    EXPECT_TRUE(FormatWatermarkLine(record, line, kWatermarkLineChars));
    return line;
}

WatermarkRecord Parsed(const std::wstring& line) {
    WatermarkRecord record;
    std::memset(&record, 0xCC, sizeof(record));  // parsing must not rely on a clean record
    ParseWatermarkLine(line.c_str(), record);
    return record;
}

void ExpectSameRecord(const WatermarkRecord& a, const WatermarkRecord& b) {
    EXPECT_EQ(a.Size, b.Size);
    EXPECT_EQ(a.FontIndex, b.FontIndex);
    EXPECT_EQ(a.Angle, b.Angle);
    EXPECT_EQ(a.OffsetX, b.OffsetX);
    EXPECT_EQ(a.OffsetY, b.OffsetY);
    EXPECT_EQ(a.Color, b.Color);
    EXPECT_STREQ(a.Text, b.Text);
    EXPECT_STREQ(a.FontName, b.FontName);
    EXPECT_EQ(a.Weight, b.Weight);
    EXPECT_EQ(a.Italic, b.Italic);
    EXPECT_EQ(a.CharSet, b.CharSet);
    EXPECT_EQ(a.Position, b.Position);
    EXPECT_EQ(a.Border, b.Border);
    EXPECT_EQ(a.Background, b.Background);
    EXPECT_EQ(a.FirstPageOnly, b.FirstPageOnly);
    EXPECT_EQ(a.StyleCode, b.StyleCode);
}

WatermarkRecord Sample(const wchar_t* text) {
    WatermarkRecord r = {};
    r.Size = 72;
    r.Angle = 45;
    r.Position = kPositionCenter;
    r.Weight = 700;
    r.Color = 255;
    r.StyleCode = 2;
    wcscpy(r.Text, text);
    wcscpy(r.FontName, L"HeiseiMin-W3-90ms-RKSJ-H");
    return r;
}

// Key names of a section, in file order.
std::vector<std::wstring> KeysOf(const wchar_t* section, const std::wstring& file) {
    std::vector<wchar_t> buffer(8192);
    const DWORD got = GetPrivateProfileStringW(section, nullptr, L"", buffer.data(),
                                               static_cast<DWORD>(buffer.size()), file.c_str());
    std::vector<std::wstring> keys;
    for (const wchar_t* p = buffer.data(); p < buffer.data() + got && *p; p += wcslen(p) + 1)
        keys.emplace_back(p);
    return keys;
}

std::wstring ValueOf(const wchar_t* section, const wchar_t* key, const std::wstring& file) {
    wchar_t value[1024] = {};
    GetPrivateProfileStringW(section, key, L"", value, 1024, file.c_str());
    return value;
}

// Temporary files, the plug-in's resources, and the list's font file path.
class WatermarkTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        resources_ = LoadLibraryExW(testenv::Widen(OEMUI_DLL_PATH).c_str(), nullptr,
                                    LOAD_LIBRARY_AS_DATAFILE);
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        dir_ = std::wstring(temp) + L"wmtests" + std::to_wstring(GetCurrentProcessId());
        CreateDirectoryW(dir_.c_str(), nullptr);
    }
    static void TearDownTestSuite() {
        if (resources_ != nullptr) FreeLibrary(resources_);
        resources_ = nullptr;
        RemoveDirectoryW(dir_.c_str());
    }
    void SetUp() override {
        ASSERT_NE(resources_, nullptr) << OEMUI_DLL_PATH;
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        ini_ = File(testenv::Widen(info->name()) + L".ini");
        fontFile_ = File(testenv::Widen(info->name()) + L"_font.ini");
        ASSERT_TRUE(testenv::WriteFileBytes(fontFile_, testenv::SampleFile(L"vrwmfont.ini")));
        // The user data file goes to a folder of its own that the first save creates.
        dataRoot_ = dir_ + L"\\" + testenv::Widen(info->name()) + L"_data";
        data_ = dataRoot_ + L"\\drv\\userdata.ini";
        ResetWatermarkList(list_, ini_.c_str(), data_.c_str());
        wcscpy(list_.FontFile, fontFile_.c_str());
        std::memset(&devmode_, 0, sizeof(devmode_));
    }
    void TearDown() override {
        FreeWatermarkList(list_);
        WritePrivateProfileStringW(nullptr, nullptr, nullptr, ini_.c_str());  // drop the cache
        for (const auto& f : files_) DeleteFileW(f.c_str());
        DeleteFileW(data_.c_str());
        RemoveDirectoryW((dataRoot_ + L"\\drv").c_str());
        RemoveDirectoryW(dataRoot_.c_str());
    }

    std::wstring File(const std::wstring& name) {
        files_.push_back(dir_ + L"\\" + name);
        return files_.back();
    }
    void WriteIni(const std::string& content) {
        ASSERT_TRUE(testenv::WriteFileBytes(ini_, content));
    }

    bool Load() { return LoadWatermarkList(nullptr, &devmode_, list_, resources_); }
    // A save that must succeed; the driver INI file is never written by it.
    void Save() {
        const std::string before = testenv::ReadFileBytes(ini_);
        const SaveResult saved = SaveWatermarkList(list_, resources_);
        ASSERT_TRUE(saved) << saved.error;
        EXPECT_EQ(testenv::ReadFileBytes(ini_), before) << "the driver INI file was written";
    }
    std::vector<std::wstring> ListTexts() const {
        std::vector<std::wstring> texts;
        for (int i = 1; i <= list_.Count; ++i) texts.emplace_back(list_.Records[i]->Text);
        return texts;
    }
    // Adds a watermark with the given text through the working copy.
    void AddNamed(const wchar_t* text) {
        CopyWatermark(*list_.Working, Sample(text));
        ASSERT_TRUE(AddWatermark(list_));
    }

    static HMODULE resources_;
    static std::wstring dir_;
    std::wstring ini_;
    std::wstring dataRoot_;
    std::wstring data_;
    std::wstring fontFile_;
    std::vector<std::wstring> files_;
    WatermarkList list_ = {};
    PrivateDevmode devmode_ = {};
};
HMODULE WatermarkTest::resources_ = nullptr;
std::wstring WatermarkTest::dir_;

}  // namespace

// ---- Stored line ---------------------------------------------------------------------------

TEST(WatermarkLine, EveryFieldSurvivesFormatAndParse) {
    WatermarkRecord a = {};
    a.Size = 600;
    a.FontIndex = 3;
    a.Angle = -135;
    a.OffsetX = -1000;
    a.OffsetY = 999;
    a.Color = 0x00123456;
    wcscpy(a.Text, L"Draft; do not copy, \\ keep");
    wcscpy(a.FontName, L"Times-BoldItalic");
    a.Weight = 700;
    a.Italic = 1;
    a.CharSet = 128;
    a.Position = kPositionLowerRight;
    a.Border = kBorderDoubleFrame;
    a.Background = 1;
    a.FirstPageOnly = 1;
    a.StyleCode = 5;
    ExpectSameRecord(Parsed(Line(a)), a);

    WatermarkRecord b = {};  // the other end of every range
    b.Size = 1;
    b.Angle = 180;
    b.OffsetX = 1000;
    b.OffsetY = -1000;
    b.Color = 0x00FFFFFF;
    b.Weight = 400;
    b.Position = kPositionUpperLeft;
    b.Border = kBorderCircle;
    for (int i = 0; i < 128; ++i) b.Text[i] = (i % 3 == 0) ? L',' : L'\u65E5';
    for (int i = 0; i < 32; ++i) b.FontName[i] = L'F';
    ExpectSameRecord(Parsed(Line(b)), b);
}

TEST(WatermarkLine, StoredFormAndEscapes) {
    EXPECT_EQ(Line(Sample(L"Sample, copy")),
              L"72,0,45,0,0,255,Sample\\, copy,HeiseiMin-W3-90ms-RKSJ-H,700,0,0,3,0,0,0,2");
    EXPECT_EQ(Line(Sample(L"a,b;c\\d")).find(L",a\\,b\\;c\\\\d,"), 15u);
    EXPECT_STREQ(Parsed(L"1,0,0,0,0,0,a\\,b\\;c\\\\d,F").Text, L"a,b;c\\d");
    // A backslash before an ordinary character only drops the backslash; one at the end vanishes.
    EXPECT_STREQ(Parsed(L"1,0,0,0,0,0,\\x\\").Text, L"x");
}

TEST(WatermarkLine, NumbersSkipJunkReadSignsAndHex) {
    const WatermarkRecord r = Parsed(L"0x1F,0X0a,1-2,-3x5, 4 2 ,0xff00,T,F,7b0c0,1,0x80,2,1,1,1,3");
    EXPECT_EQ(r.Size, 31);
    EXPECT_EQ(r.FontIndex, 10);
    EXPECT_EQ(r.Angle, -12);
    EXPECT_EQ(r.OffsetX, -35);
    EXPECT_EQ(r.OffsetY, 42);
    EXPECT_EQ(r.Color, 0xFF00u);
    EXPECT_EQ(r.Weight, 700);
    EXPECT_EQ(r.CharSet, 128);
    // ";" separates fields just as "," does.
    const WatermarkRecord s = Parsed(L"10;0;30;0;0;0;x;y;400;0;0;4;0;0;0;0");
    EXPECT_EQ(s.Angle, 30);
    EXPECT_STREQ(s.Text, L"x");
    EXPECT_STREQ(s.FontName, L"y");
    EXPECT_EQ(s.Position, kPositionLowerLeft);
}

TEST(WatermarkLine, MissingFieldsReadAsZeroOrEmpty) {
    const WatermarkRecord r = Parsed(L"72,0,45");
    EXPECT_EQ(r.Size, 72);
    EXPECT_EQ(r.Angle, 45);
    EXPECT_EQ(r.Color, 0u);
    EXPECT_STREQ(r.Text, L"");
    EXPECT_STREQ(r.FontName, L"");
    EXPECT_EQ(r.Weight, 0);
    EXPECT_EQ(r.Position, 0);
    EXPECT_EQ(r.StyleCode, 0);
    // An empty value still gives a usable record: the size is brought into range.
    EXPECT_EQ(Parsed(L"").Size, kWatermarkSizeMin);
    WatermarkRecord n;
    ParseWatermarkLine(nullptr, n);
    EXPECT_EQ(n.Size, kWatermarkSizeMin);
    EXPECT_STREQ(n.Text, L"");
}

TEST(WatermarkLine, OutOfRangeNumbersAreClamped) {
    const WatermarkRecord r = Parsed(
        L"99999999999999999999999,-7,400,-123456789012,0xFFFFFFFFFFFF,4294967295,t,f,"
        L"99999,256,300,259,9,2,513,261");
    EXPECT_EQ(r.Size, kWatermarkSizeMax);
    EXPECT_EQ(r.FontIndex, 0);
    EXPECT_EQ(r.Angle, kWatermarkAngleMax);
    EXPECT_EQ(r.OffsetX, kWatermarkOffsetMin);
    EXPECT_EQ(r.OffsetY, kWatermarkOffsetMax);
    EXPECT_EQ(r.Color, 0x00FFFFFFu);
    EXPECT_EQ(r.Weight, 1000);
    EXPECT_EQ(r.Italic, 0);    // low 8 bits of 256
    EXPECT_EQ(r.CharSet, 44);  // low 8 bits of 300
    EXPECT_EQ(r.Position, 3);  // low 8 bits of 259
    EXPECT_EQ(r.Border, kBorderNone);
    EXPECT_EQ(r.Background, 1);
    EXPECT_EQ(r.FirstPageOnly, 1);
    EXPECT_EQ(r.StyleCode, 5);  // low 8 bits of 261
    EXPECT_EQ(Parsed(L"0,0,-999").Angle, kWatermarkAngleMin);
    EXPECT_EQ(Parsed(L"1,0,0,0,0,0,t,f,0,0,0,7").Position, kPositionCenter);
    EXPECT_EQ(Parsed(L"1,0,0,0,0,-1").Color, 0u);
}

TEST(WatermarkLine, OverlongTextsAreCutAndLaterFieldsStayInPlace) {
    const std::wstring longText(300, L'x');
    const std::wstring longName(80, L'N');
    const WatermarkRecord r =
        Parsed(L"72,1,45,0,0,255," + longText + L"\\,more," + longName + L",700,1,0,6,2,1,0,5");
    EXPECT_EQ(std::wstring(r.Text), std::wstring(128, L'x'));
    EXPECT_EQ(std::wstring(r.FontName), std::wstring(32, L'N'));
    EXPECT_EQ(r.Weight, 700);
    EXPECT_EQ(r.Italic, 1);
    EXPECT_EQ(r.Position, kPositionLowerRight);
    EXPECT_EQ(r.Border, kBorderSingleFrame);
    EXPECT_EQ(r.StyleCode, 5);
}

TEST(WatermarkLine, SeparatorInFontNameDoesNotShiftLaterFields) {
    WatermarkRecord a = Sample(L"t");
    wcscpy(a.FontName, L"Odd;Name");
    a.Position = kPositionUpperRight;
    const WatermarkRecord b = Parsed(Line(a));
    EXPECT_STREQ(b.FontName, L"Odd");
    EXPECT_EQ(b.Weight, 700);
    EXPECT_EQ(b.Position, kPositionUpperRight);
}

TEST(WatermarkLine, LongestRecordFitsTheLineBufferAndSmallBuffersFail) {
    WatermarkRecord r = {};
    r.Size = INT32_MIN;
    r.FontIndex = INT32_MIN;
    r.OffsetX = INT32_MIN;
    r.OffsetY = INT32_MIN;
    r.Weight = INT32_MIN;
    r.Color = 0xFFFFFFFF;
    r.Angle = INT16_MIN;
    r.Position = r.Border = r.Background = r.StyleCode = INT16_MIN;
    for (int i = 0; i < 128; ++i) r.Text[i] = L'\\';
    for (int i = 0; i < 32; ++i) r.FontName[i] = L'n';
    wchar_t line[kWatermarkLineChars];
    EXPECT_TRUE(FormatWatermarkLine(r, line, kWatermarkLineChars));
    wchar_t small[20] = L"junk";
    EXPECT_FALSE(FormatWatermarkLine(r, small, 20));
    EXPECT_STREQ(small, L"");
}

TEST(WatermarkText, DecimalKeysAndColourText) {
    wchar_t text[32];
    IntToDecimal(0, text, 32);
    EXPECT_STREQ(text, L"0");
    IntToDecimal(-2147483648LL, text, 32);
    EXPECT_STREQ(text, L"-2147483648");
    IntToDecimal(INT64_MIN, text, 32);
    EXPECT_STREQ(text, L"-9223372036854775808");
    IntToDecimal(12345, text, 5);  // no room for the NUL
    EXPECT_STREQ(text, L"");

    WatermarkKeyName(1, text, 32);
    EXPECT_STREQ(text, L"WTMK001");
    WatermarkKeyName(9, text, 32);
    EXPECT_STREQ(text, L"WTMK009");
    WatermarkKeyName(10, text, 32);
    EXPECT_STREQ(text, L"WTMK0010");
    WatermarkKeyName(16, text, 32);
    EXPECT_STREQ(text, L"WTMK0016");

    char colour[16];
    FormatWatermarkColorText(RGB(255, 255, 255), colour);
    EXPECT_STREQ(colour, "1.00 1.00 1.00");
    FormatWatermarkColorText(0x00FF0000, colour);
    EXPECT_STREQ(colour, "0.00 0.00 1.00");
    std::memset(colour, 'x', sizeof(colour));
    FormatWatermarkColorText(RGB(128, 64, 1), colour);
    EXPECT_STREQ(colour, "0.50 0.25 0.00");
    for (size_t i = strlen(colour); i < sizeof(colour); ++i) EXPECT_EQ(colour[i], 0) << i;
}

TEST(WatermarkText, ColourTextIsTheSameInEveryLocale) {
    // The host application may switch the C runtime to a comma-decimal locale; the text goes to
    // PostScript and must keep its points and the values of the C locale.
    const char* saved = setlocale(LC_ALL, nullptr);
    const std::string restore = saved ? saved : "C";
    for (const char* locale : {"C", "German_Germany.1252", "French_France.1252"}) {
        if (std::strcmp(locale, "C") != 0) {
            ASSERT_NE(setlocale(LC_ALL, locale), nullptr) << locale;
            char probe[8] = {};
            snprintf(probe, sizeof(probe), "%1.2f", 0.5);
            ASSERT_STREQ(probe, "0,50") << "the locale must use a comma to prove anything";
        }
        for (unsigned v = 0; v <= 255; ++v) {
            char expected[32] = {};
            const double f = v / 255.0;
            {
                const std::string current = setlocale(LC_NUMERIC, nullptr);
                setlocale(LC_NUMERIC, "C");
                snprintf(expected, sizeof(expected), "%1.2f %1.2f %1.2f", f, 0.0, 1.0);
                setlocale(LC_NUMERIC, current.c_str());
            }
            char colour[16];
            FormatWatermarkColorText(RGB(v, 0, 255), colour);
            ASSERT_STREQ(colour, expected) << locale << ", red " << v;
            FormatWatermarkColorText(RGB(0, v, v), colour);
            EXPECT_EQ(colour[6], '.') << locale;
        }
    }
    setlocale(LC_ALL, restore.c_str());
}

TEST(WatermarkLine, StoredColourKeepsItsRgbBytesAsThePreviewDoes) {
    struct Case {
        const wchar_t* stored;
        COLORREF color;
    };
    for (const Case& c : {Case{L"255", RGB(255, 0, 0)}, Case{L"16777471", RGB(255, 0, 0)},
                          Case{L"33554432", RGB(0, 0, 0)}, Case{L"0x02FF8000", RGB(0, 128, 255)},
                          Case{L"4294967295", RGB(255, 255, 255)}}) {
        const WatermarkRecord r = Parsed(std::wstring(L"72,0,45,0,0,") + c.stored + L",T");
        EXPECT_EQ(r.Color, c.color) << testenv::Narrow(c.stored);
        EXPECT_EQ(WatermarkRgb(r.Color), r.Color) << "the preview draws what the record holds";
    }
}

// ---- Font list file ------------------------------------------------------------------------

TEST_F(WatermarkTest, NoneRecordTakesStringsAndTheFontFileDefault) {
    WatermarkRecord none;
    FillNoneRecord(none, list_.FontFile, resources_);
    EXPECT_EQ(none.Size, 72);
    EXPECT_EQ(none.FontIndex, 0);  // "DefaultNo" 1
    EXPECT_EQ(none.Angle, 45);
    EXPECT_EQ(none.OffsetX, 0);
    EXPECT_EQ(none.OffsetY, 0);
    EXPECT_EQ(none.Color, 12632256u);
    EXPECT_STREQ(none.Text, L"None");
    EXPECT_STREQ(none.FontName, L"HeiseiMin-W3-90ms-RKSJ-H");
    EXPECT_EQ(none.Weight, 0);
    EXPECT_EQ(none.Position, kPositionCenter);
    EXPECT_EQ(none.Border, kBorderNone);

    WritePrivateProfileStringW(L"PrinterFont", L"DefaultNo", L"3", fontFile_.c_str());
    FillNoneRecord(none, list_.FontFile, resources_);
    EXPECT_EQ(none.FontIndex, 2);
    WritePrivateProfileStringW(L"PrinterFont", L"DefaultNo", L"-4", fontFile_.c_str());
    FillNoneRecord(none, list_.FontFile, resources_);
    EXPECT_EQ(none.FontIndex, 0);
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, fontFile_.c_str());

    wcscpy(list_.FontFile, (dir_ + L"\\missing.ini").c_str());
    FillNoneRecord(none, list_.FontFile, resources_);
    EXPECT_EQ(none.FontIndex, 0);
}

TEST_F(WatermarkTest, ResolveFontNamePicksNameAndStyleCode) {
    struct Case {
        INT32 font;
        INT32 weight;
        BYTE italic;
        const wchar_t* name;
        INT16 style;
    };
    const Case cases[] = {
        // Japanese-language entry: one name, the style as code 0..3.
        {0, 400, 0, L"HeiseiMin-W3-90ms-RKSJ-H", 0},
        {0, 400, 1, L"HeiseiMin-W3-90ms-RKSJ-H", 1},
        {0, 700, 0, L"HeiseiMin-W3-90ms-RKSJ-H", 2},
        {0, 700, 1, L"HeiseiMin-W3-90ms-RKSJ-H", 3},
        // Ordinary entry: a name per style, code 5 for italic.
        {1, 400, 0, L"Helvetica", 0},
        {1, 400, 1, L"Helvetica-Oblique", 5},
        {1, 700, 0, L"Helvetica-Bold", 0},
        {1, 700, 1, L"Helvetica-BoldOblique", 5},
        {3, 0, 0, L"Courier", 0},  // weight 0 counts as regular
        {9, 700, 0, L"", 0},       // no such entry
    };
    for (const Case& c : cases) {
        WatermarkRecord r = Sample(L"t");
        r.FontIndex = c.font;
        r.Weight = c.weight;
        r.Italic = c.italic;
        r.StyleCode = 77;
        ResolveFontName(r, list_.FontFile);
        EXPECT_STREQ(r.FontName, c.name) << c.font << " " << c.weight << " " << int(c.italic);
        EXPECT_EQ(r.StyleCode, c.style) << c.font << " " << c.weight << " " << int(c.italic);
    }

    // An entry with too few fields gives no name for the missing style; no file gives none.
    WritePrivateProfileStringW(L"PrinterFont", L"5", L"Solo", fontFile_.c_str());
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, fontFile_.c_str());
    WatermarkRecord r = Sample(L"t");
    r.FontIndex = 4;
    r.Weight = 700;
    ResolveFontName(r, list_.FontFile);
    EXPECT_STREQ(r.FontName, L"");
    list_.FontFile[0] = L'\0';
    r.FontIndex = 1;
    r.Weight = 400;
    ResolveFontName(r, list_.FontFile);
    EXPECT_STREQ(r.FontName, L"");
}

TEST_F(WatermarkTest, FontEntryFields) {
    wchar_t entry[kFontEntryChars];
    ASSERT_TRUE(ReadFontEntry(list_.FontFile, 2, entry, kFontEntryChars));
    EXPECT_FALSE(IsJapaneseFontEntry(entry));
    wchar_t field[64];
    EXPECT_TRUE(GetFontEntryField(entry, 5, field, 64));
    EXPECT_STREQ(field, L"Times New Roman");
    EXPECT_FALSE(GetFontEntryField(entry, 6, field, 64));
    EXPECT_STREQ(field, L"");
    EXPECT_TRUE(GetFontEntryField(entry, 1, field, 4));  // cut to fit
    EXPECT_STREQ(field, L"Tim");

    ASSERT_TRUE(ReadFontEntry(list_.FontFile, 0, entry, kFontEntryChars));
    EXPECT_TRUE(IsJapaneseFontEntry(entry));
    EXPECT_TRUE(GetFontEntryField(entry, 2, field, 64));
    EXPECT_STREQ(field, L"MS Mincho");
    EXPECT_FALSE(IsJapaneseFontEntry(L"a,b,c,\u65E5"));  // only half the marker
    EXPECT_TRUE(IsJapaneseFontEntry(L"a,b,c,\u65E5\u672C\u8A9E"));
    EXPECT_FALSE(ReadFontEntry(list_.FontFile, 4, entry, kFontEntryChars));
    EXPECT_FALSE(ReadFontEntry(list_.FontFile, -1, entry, kFontEntryChars));
}

TEST_F(WatermarkTest, FontFilePathComesFromTheDriverDirectory) {
    WriteIni("[DependentFiles]\r\nWMFONT=vrwmfont.ini\r\n");
    EXPECT_TRUE(UpdateWatermarkFontFile(ini_.c_str(), list_));
    EXPECT_EQ(_wcsicmp(list_.FontFile, (testenv::DriverDirectory3() + L"\\vrwmfont.ini").c_str()),
              0)
        << list_.FontFile;
    wchar_t entry[kFontEntryChars];
    EXPECT_TRUE(ReadFontEntry(list_.FontFile, 1, entry, kFontEntryChars));

    // A name too long for the path leaves only the directory: nothing is found there.
    WriteIni("[DependentFiles]\r\nWMFONT=" + std::string(300, 'n') + "\r\n");
    EXPECT_FALSE(UpdateWatermarkFontFile(ini_.c_str(), list_));
    EXPECT_LT(wcslen(list_.FontFile), 261u);
    EXPECT_FALSE(ReadFontEntry(list_.FontFile, 1, entry, kFontEntryChars));
    WatermarkRecord r = Sample(L"t");
    r.FontIndex = 1;
    ResolveFontName(r, list_.FontFile);
    EXPECT_STREQ(r.FontName, L"");

    WriteIni("[DependentFiles]\r\nHELP=x.hlp\r\n");
    EXPECT_FALSE(UpdateWatermarkFontFile(ini_.c_str(), list_));
    EXPECT_FALSE(ReadFontEntry(list_.FontFile, 0, entry, kFontEntryChars));
    EXPECT_FALSE(UpdateWatermarkFontFile(nullptr, list_));
    EXPECT_FALSE(ReadFontEntry(list_.FontFile, 0, entry, kFontEntryChars));
}

// ---- The list in the INI file --------------------------------------------------------------

TEST_F(WatermarkTest, MissingFileOrSectionGivesOnlyNone) {
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Loaded, 1);
    EXPECT_EQ(list_.Count, 0);
    EXPECT_EQ(list_.Selected, 0);
    EXPECT_STREQ(list_.Records[0]->Text, L"None");
    EXPECT_STREQ(list_.Working->Text, L"");  // None is edited and previewed without text
    EXPECT_EQ(list_.Working->Size, 72);

    FreeWatermarkList(list_);
    WriteIni("[Other]\r\nWTMK001=72,0,45\r\n");
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Count, 0);
}

TEST_F(WatermarkTest, SixteenWatermarksSaveInOrderAndLoadBack) {
    ASSERT_TRUE(Load());
    for (int i = 1; i <= kMaxWatermarks; ++i) AddNamed((L"Mark " + std::to_wstring(i)).c_str());
    list_.Records[7]->Angle = -90;
    list_.Records[16]->Color = 0x00FF0000;
    CopyWatermark(*list_.Working, Sample(L"17th"));
    EXPECT_FALSE(AddWatermark(list_));
    EXPECT_EQ(list_.Count, kMaxWatermarks);
    Save();

    std::vector<std::wstring> expected;
    for (int i = 1; i <= 9; ++i) expected.push_back(L"WTMK00" + std::to_wstring(i));
    for (int i = 10; i <= 16; ++i) expected.push_back(L"WTMK00" + std::to_wstring(i));
    EXPECT_EQ(KeysOf(L"Watermark", data_), expected);
    EXPECT_EQ(ValueOf(L"Watermark", L"WTMK0016", data_),
              L"72,0,45,0,0,16711680,Mark 16,HeiseiMin-W3-90ms-RKSJ-H,700,0,0,3,0,0,0,2");

    WatermarkList again = {};
    ResetWatermarkList(again, ini_.c_str(), data_.c_str());
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, again, resources_));
    ASSERT_EQ(again.Count, kMaxWatermarks);
    for (int i = 1; i <= kMaxWatermarks; ++i)
        ExpectSameRecord(*again.Records[i], *list_.Records[i]);
    FreeWatermarkList(again);
}

TEST_F(WatermarkTest, KeysAreReadInFileOrderAndRenumberedOnSave) {
    WriteIni("[Watermark]\r\nWTMK002=10,0,0,0,0,0,Second\r\nWTMK001=20,0,0,0,0,0,First\r\n");
    ASSERT_TRUE(Load());
    EXPECT_EQ(ListTexts(), (std::vector<std::wstring>{L"Second", L"First"}));
    Save();
    EXPECT_EQ(KeysOf(L"Watermark", data_), (std::vector<std::wstring>{L"WTMK001", L"WTMK002"}));
    EXPECT_EQ(Parsed(ValueOf(L"Watermark", L"WTMK001", data_)).Size, 10);
}

TEST_F(WatermarkTest, ReadingStopsAtAKeyNotBeginningWithW) {
    WriteIni(
        "[Watermark]\r\nWTMK001=1,0,0,0,0,0,A\r\nOld=1,0,0,0,0,0,B\r\n"
        "WTMK003=1,0,0,0,0,0,C\r\n[Keep]\r\nX=1\r\n");
    ASSERT_TRUE(Load());
    EXPECT_EQ(ListTexts(), std::vector<std::wstring>{L"A"});
    Save();
    EXPECT_EQ(KeysOf(L"Watermark", data_), std::vector<std::wstring>{L"WTMK001"});
    EXPECT_EQ(ValueOf(L"Keep", L"X", ini_), L"1");  // the driver's own sections stay there
    EXPECT_EQ(ValueOf(L"Keep", L"X", data_), L"") << "and are not copied";
}

TEST_F(WatermarkTest, AtMostSixteenAreLoadedAndBadLinesAreBounded) {
    std::string ini = "[Watermark]\r\n";
    for (int i = 1; i <= 20; ++i) {
        const std::string n = std::to_string(i);
        ini.append("W").append(n).append("=5,0,0,0,0,0,T").append(n).append("\r\n");
    }
    WriteIni(ini);
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Count, kMaxWatermarks);
    EXPECT_STREQ(list_.Records[16]->Text, L"T16");
    EXPECT_EQ(list_.Records[17], nullptr);

    FreeWatermarkList(list_);
    WriteIni(
        "[Watermark]\r\nWTMK001=\r\nWTMK002=123456789012345678901234567890,x,y\r\nWTMK003=72,0,45,0,0,255," +
        std::string(2000, 'z') + "\r\n");
    ASSERT_TRUE(Load());
    ASSERT_EQ(list_.Count, 3);
    EXPECT_EQ(list_.Records[1]->Size, kWatermarkSizeMin);
    EXPECT_EQ(list_.Records[2]->Size, kWatermarkSizeMax);
    EXPECT_EQ(wcslen(list_.Records[3]->Text), 128u);
}

TEST_F(WatermarkTest, AKeyNameCutByTheFullKeyListIsNotLoaded) {
    // 15 names of 71 characters overflow the 1024-character key list inside the 15th name.
    std::string ini = "[Watermark]\r\n";
    for (int i = 0; i < 15; ++i) {
        std::string name =
            "W" + std::string(68, static_cast<char>('a' + i)) + std::to_string(10 + i);
        ini.append(name).append("=50,0,0,0,0,0,T\r\n");
    }
    WriteIni(ini);
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Count, 14);
    for (int i = 1; i <= list_.Count; ++i) EXPECT_EQ(list_.Records[i]->Size, 50) << i;
}

TEST_F(WatermarkTest, SelectionComesFromTheRecordAndFallsBackToNone) {
    WriteIni(
        "[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\nWTMK002=20,0,30,0,0,0,B\r\nWTMK003=30,0,0,0,0,0,C\r\n");
    devmode_.WatermarkIndex = 2;
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Selected, 2);
    EXPECT_STREQ(list_.Working->Text, L"B");
    EXPECT_EQ(list_.Working->Angle, 30);

    for (INT32 index : {5, -2}) {
        FreeWatermarkList(list_);
        devmode_.WatermarkIndex = index;
        ASSERT_TRUE(Load());
        EXPECT_EQ(list_.Selected, 0) << index;
        EXPECT_STREQ(list_.Working->Text, L"") << index;
    }
}

TEST_F(WatermarkTest, OpeningOnAUserWatermarkEnablesEditAndDelete) {
    WriteIni("[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\n");
    HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                  nullptr, nullptr);
    ASSERT_NE(dialog, nullptr);
    auto button = [&](int id) {
        return CreateWindowExW(0, L"BUTTON", L"", WS_CHILD | WS_DISABLED, 0, 0, 10, 10, dialog,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), nullptr, nullptr);
    };
    HWND remove = button(1402);
    HWND edit = button(1404);
    ASSERT_TRUE(LoadWatermarkList(dialog, &devmode_, list_, resources_));  // None selected
    EXPECT_FALSE(IsWindowEnabled(remove));
    EXPECT_FALSE(IsWindowEnabled(edit));
    list_.Selected = 1;
    ASSERT_TRUE(LoadWatermarkList(dialog, &devmode_, list_, resources_));
    EXPECT_TRUE(IsWindowEnabled(remove));
    EXPECT_TRUE(IsWindowEnabled(edit));
    DestroyWindow(dialog);
}

TEST_F(WatermarkTest, LaterOpeningsKeepTheListAndOnlyRetakeTheBackup) {
    WriteIni("[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\n");
    ASSERT_TRUE(Load());
    AddNamed(L"Added");
    DiscardWatermarkBackup(list_);  // OK of the dialog
    WriteIni("[Watermark]\r\nWTMK001=10,0,0,0,0,0,Changed\r\n");
    ASSERT_TRUE(Load());
    EXPECT_EQ(ListTexts(), (std::vector<std::wstring>{L"A", L"Added"}));
    EXPECT_EQ(list_.BackupCount, 2);
    EXPECT_EQ(list_.BackupSelected, 2);
    EXPECT_STREQ(list_.Working->Text, L"Added");
}

TEST_F(WatermarkTest, NothingIsWrittenForAnUnloadedListOrWithoutStrings) {
    WriteIni("[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\n");
    Save();  // never loaded: nothing to save
    EXPECT_EQ(GetFileAttributesW(data_.c_str()), INVALID_FILE_ATTRIBUTES);

    // A module without the string table names no section: the save fails and writes nothing.
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, list_, GetModuleHandleW(nullptr)));
    EXPECT_EQ(list_.Count, 0);
    EXPECT_FALSE(SaveWatermarkList(list_, GetModuleHandleW(nullptr)));
    EXPECT_EQ(GetFileAttributesW(data_.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ValueOf(L"Watermark", L"WTMK001", ini_), L"10,0,0,0,0,0,A");
}

TEST_F(WatermarkTest, UnicodeTextSurvivesAUnicodeIniFile) {
    ASSERT_TRUE(testenv::WriteFileBytes(ini_, Utf16File(L"[Watermark]\r\n")));
    ASSERT_TRUE(Load());
    AddNamed(L"\u793E\u5916\u79D8, \u00E9t\u00E9");
    Save();
    WatermarkList again = {};
    ResetWatermarkList(again, ini_.c_str(), data_.c_str());
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, again, resources_));
    ASSERT_EQ(again.Count, 1);
    EXPECT_STREQ(again.Records[1]->Text, L"\u793E\u5916\u79D8, \u00E9t\u00E9");
    FreeWatermarkList(again);
}

// ---- List operations -----------------------------------------------------------------------

TEST_F(WatermarkTest, AddAndDeleteKeepTheListDense) {
    ASSERT_TRUE(Load());
    AddNamed(L"A");
    AddNamed(L"B");
    AddNamed(L"C");
    EXPECT_EQ(list_.Selected, 3);
    list_.Selected = 2;
    ASSERT_TRUE(DeleteWatermark(list_));
    EXPECT_EQ(ListTexts(), (std::vector<std::wstring>{L"A", L"C"}));
    EXPECT_EQ(list_.Selected, 0);
    EXPECT_EQ(list_.Records[3], nullptr);
    EXPECT_FALSE(DeleteWatermark(list_));  // None cannot be deleted
    EXPECT_STREQ(list_.Records[0]->Text, L"None");
    list_.Selected = 9;
    EXPECT_FALSE(DeleteWatermark(list_));
    EXPECT_EQ(list_.Count, 2);
}

TEST_F(WatermarkTest, CancelRestoresListSelectionAndNoneFlags) {
    WriteIni(
        "[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\nWTMK002=20,0,0,0,0,0,B\r\nWTMK003=30,0,0,0,0,0,C\r\n");
    devmode_.WatermarkIndex = 3;
    ASSERT_TRUE(Load());
    // First dialog: tick None's flags and keep them with OK.
    list_.Records[0]->FirstPageOnly = 1;
    DiscardWatermarkBackup(list_);
    list_.NoneFirstPageOnly = list_.Records[0]->FirstPageOnly;
    list_.NoneBackground = list_.Records[0]->Background;

    // Second dialog: delete, add, edit, flip None's flags, then Cancel.
    ASSERT_TRUE(Load());
    std::vector<std::wstring> before;
    for (int i = 1; i <= list_.Count; ++i) before.push_back(Line(*list_.Records[i]));
    list_.Selected = 2;
    ASSERT_TRUE(DeleteWatermark(list_));
    AddNamed(L"New");
    list_.Records[1]->Size = 500;
    list_.Records[0]->FirstPageOnly = 0;
    list_.Records[0]->Background = 1;
    RestoreWatermarkBackup(list_);

    std::vector<std::wstring> after;
    for (int i = 1; i <= list_.Count; ++i) after.push_back(Line(*list_.Records[i]));
    EXPECT_EQ(after, before);
    EXPECT_EQ(list_.Selected, 3);
    EXPECT_EQ(list_.Records[0]->FirstPageOnly, 1);
    EXPECT_EQ(list_.Records[0]->Background, 0);
    for (const auto* backup : list_.Backup) EXPECT_EQ(backup, nullptr);
}

TEST_F(WatermarkTest, NoneFlagsCarryOverAFreshLoad) {
    ASSERT_TRUE(Load());
    list_.NoneBackground = 1;
    list_.NoneFirstPageOnly = 1;
    Save();  // sheet Apply: save, free, load again later
    FreeWatermarkList(list_);
    ASSERT_TRUE(Load());
    EXPECT_EQ(list_.Records[0]->Background, 1);
    EXPECT_EQ(list_.Records[0]->FirstPageOnly, 1);
    EXPECT_EQ(list_.Working->Background, 1);
}

TEST_F(WatermarkTest, TheSheetRecordCarriesTheList) {
    auto* map = static_cast<DriverItemMap*>(
        HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DriverItemMap)));
    ASSERT_NE(map, nullptr);
    WriteIni("[Watermark]\r\nWTMK001=10,0,0,0,0,0,A\r\n");
    ResetWatermarkList(map->Watermarks, ini_.c_str(), data_.c_str());
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, map->Watermarks, resources_));
    EXPECT_EQ(map->Watermarks.Count, 1);
    FreeWatermarkList(map->Watermarks);
    EXPECT_EQ(map->Watermarks.Records[0], nullptr);
    EXPECT_EQ(map->Watermarks.Working, nullptr);
    EXPECT_EQ(map->Watermarks.Loaded, 0);
    HeapFree(GetProcessHeap(), 0, map);
}

// ---- Copy into PrivateDevmode --------------------------------------------------------------

TEST_F(WatermarkTest, ApplyCopiesTheSelectedWatermarkFieldByField) {
    ASSERT_TRUE(Load());
    WatermarkRecord r = Sample(L"Confidential");
    r.FontIndex = 2;
    r.Angle = -30;
    r.OffsetX = -12;
    r.OffsetY = 34;
    r.Color = 0x00FF0000;
    wcscpy(r.FontName, L"Times-Italic");
    r.Weight = 400;
    r.Italic = 1;
    r.CharSet = 2;
    r.Position = kPositionLowerLeft;
    r.Border = kBorderCircle;
    r.Background = 1;
    r.FirstPageOnly = 1;
    r.StyleCode = 5;
    CopyWatermark(*list_.Working, r);
    ASSERT_TRUE(AddWatermark(list_));

    std::memset(&devmode_, 0xAB, sizeof(devmode_));
    const PrivateDevmode untouched = devmode_;
    ASSERT_TRUE(ApplyWatermarkToDevmode(devmode_, list_));
    EXPECT_EQ(devmode_.WatermarkIndex, 1);
    EXPECT_EQ(devmode_.WmarkSize, 72);
    EXPECT_EQ(devmode_.WmarkFontIndex, 2);
    EXPECT_EQ(devmode_.WmarkAngle, -30);
    EXPECT_EQ(devmode_.WmarkOffsetX, -12);
    EXPECT_EQ(devmode_.WmarkOffsetY, 34);
    EXPECT_EQ(devmode_.WmarkColorRgb, 0x00FF0000u);
    EXPECT_STREQ(devmode_.WmarkFontName, L"Times-Italic");
    EXPECT_EQ(devmode_.WmarkWeight, 400);
    EXPECT_EQ(devmode_.WmarkItalic, 1);
    EXPECT_EQ(devmode_.WmarkCharSet, 2);
    EXPECT_EQ(devmode_.WmarkPosition, kPositionLowerLeft);
    EXPECT_EQ(devmode_.WmarkBorder, kBorderCircle);
    EXPECT_EQ(devmode_.WmarkBackground, 1);
    EXPECT_EQ(devmode_.WmarkFirstPageOnly, 1);
    EXPECT_EQ(devmode_.WmarkStyleCode, 5);
    EXPECT_STREQ(devmode_.WmarkText, L"Confidential");
    EXPECT_EQ(std::memcmp(devmode_.WmarkColorText, "0.00 0.00 1.00\0\0", 16), 0);
    // No stale text behind the copied strings.
    for (size_t i = wcslen(devmode_.WmarkText); i < ARRAYSIZE(devmode_.WmarkText); ++i)
        ASSERT_EQ(devmode_.WmarkText[i], 0) << i;
    for (size_t i = wcslen(devmode_.WmarkFontName); i < ARRAYSIZE(devmode_.WmarkFontName); ++i)
        ASSERT_EQ(devmode_.WmarkFontName[i], 0) << i;
    // Everything else of the record stays as it was.
    EXPECT_EQ(devmode_.PresetFlag, untouched.PresetFlag);
    EXPECT_EQ(
        std::memcmp(devmode_.Reserved632, untouched.Reserved632, sizeof(untouched.Reserved632)), 0);
    EXPECT_EQ(std::memcmp(devmode_.DriverDirectory, untouched.DriverDirectory,
                          sizeof(untouched.DriverDirectory)),
              0);
    EXPECT_EQ(devmode_.Reserved973[0], untouched.Reserved973[0]);
    EXPECT_EQ(std::memcmp(&devmode_.CryptoSettingA, &untouched.CryptoSettingA,
                          sizeof(PrivateDevmode) - offsetof(PrivateDevmode, CryptoSettingA)),
              0);
}

TEST_F(WatermarkTest, ApplyWithNoneSelectedCopiesTheNoneRecord) {
    ASSERT_TRUE(Load());
    list_.Records[0]->FirstPageOnly = 1;
    ASSERT_TRUE(ApplyWatermarkToDevmode(devmode_, list_));
    EXPECT_EQ(devmode_.WatermarkIndex, 0);
    EXPECT_STREQ(devmode_.WmarkText, L"None");
    EXPECT_EQ(devmode_.WmarkSize, 72);
    EXPECT_EQ(devmode_.WmarkFirstPageOnly, 1);
    EXPECT_STREQ(devmode_.WmarkColorText, "0.75 0.75 0.75");

    // A selection beyond the list counts as None; an empty list copies nothing.
    list_.Selected = 4;
    devmode_.WatermarkIndex = 9;
    ASSERT_TRUE(ApplyWatermarkToDevmode(devmode_, list_));
    EXPECT_EQ(devmode_.WatermarkIndex, 0);
    FreeWatermarkList(list_);
    devmode_.WatermarkIndex = 9;
    EXPECT_FALSE(ApplyWatermarkToDevmode(devmode_, list_));
    EXPECT_EQ(devmode_.WatermarkIndex, 9);
}

// ---- Custom colours ------------------------------------------------------------------------

TEST_F(WatermarkTest, CustomColoursLoadInFileOrderWhateverTheKeys) {
    WriteIni("[Custom Color]\r\nColor5=1,2,3\r\nanything= +12, -1 ,300\r\nZ=7\r\n");
    COLORREF colors[kCustomColorCount];
    for (auto& c : colors) c = 0x00010203;
    EXPECT_EQ(LoadCustomColors(colors, list_, resources_), 0);
    EXPECT_EQ(colors[0], RGB(1, 2, 3));
    EXPECT_EQ(colors[1], RGB(12, 255, 44));
    EXPECT_EQ(colors[2], RGB(7, 0, 0));
    for (int i = 3; i < kCustomColorCount; ++i) EXPECT_EQ(colors[i], 0x00010203u) << i;

    std::string many = "[Custom Color]\r\n";
    for (int i = 0; i < 20; ++i) {
        const std::string n = std::to_string(i);
        many.append("K").append(n).append("=").append(n).append(",0,0\r\n");
    }
    WriteIni(many);
    EXPECT_EQ(LoadCustomColors(colors, list_, resources_), 0);
    EXPECT_EQ(colors[15], RGB(15, 0, 0));

    WriteIni("[Other]\r\nColor0=9,9,9\r\n");
    EXPECT_EQ(LoadCustomColors(colors, list_, resources_), 0);
    EXPECT_EQ(colors[0], RGB(0, 0, 0));  // unchanged from the previous load
}

TEST_F(WatermarkTest, CustomColoursSaveAsSixteenKeysAndReadBack) {
    WriteIni("[Custom Color]\r\nStray=1,1,1\r\n");
    COLORREF colors[kCustomColorCount];
    for (int i = 0; i < kCustomColorCount; ++i) colors[i] = RGB(i * 16, 255 - i, i);
    const std::string ini = testenv::ReadFileBytes(ini_);
    ASSERT_TRUE(SaveCustomColors(colors, list_, resources_));
    EXPECT_EQ(testenv::ReadFileBytes(ini_), ini);

    const auto keys = KeysOf(L"Custom Color", data_);
    ASSERT_EQ(keys.size(), 16u);
    for (int i = 0; i < kCustomColorCount; ++i) EXPECT_EQ(keys[i], L"Color" + std::to_wstring(i));
    EXPECT_EQ(ValueOf(L"Custom Color", L"Color15", data_), L"240,240,15");

    COLORREF loaded[kCustomColorCount] = {};
    EXPECT_EQ(LoadCustomColors(loaded, list_, resources_), 0);
    for (int i = 0; i < kCustomColorCount; ++i) EXPECT_EQ(loaded[i], colors[i]) << i;
    EXPECT_EQ(list_.CustomColors[0], kDefaultWatermarkColor);
    EXPECT_EQ(list_.CustomColors[15], kDefaultWatermarkColor);
}

// Two sheets open at once (two lists) keep their own font file and custom colours: one sheet's
// Watermarks dialog or colour chooser changes nothing of the other's.
TEST_F(WatermarkTest, FontFileAndCustomColoursBelongToTheirSheet) {
    WritePrivateProfileStringW(L"PrinterFont", L"DefaultNo", L"3", fontFile_.c_str());
    WriteIni("[Custom Color]\r\nC=1,2,3\r\n[DependentFiles]\r\nHELP=x.hlp\r\n");
    WatermarkList other = {};
    ResetWatermarkList(other, ini_.c_str(), data_.c_str());
    ASSERT_TRUE(Load());
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, other, resources_));
    EXPECT_EQ(list_.Records[0]->FontIndex, 2) << "the None record takes its list's font file";
    EXPECT_EQ(other.Records[0]->FontIndex, 0);

    EXPECT_FALSE(UpdateWatermarkFontFile(ini_.c_str(), other));
    wchar_t entry[kFontEntryChars];
    EXPECT_TRUE(ReadFontEntry(list_.FontFile, 1, entry, kFontEntryChars));
    EXPECT_FALSE(ReadFontEntry(other.FontFile, 1, entry, kFontEntryChars));

    EXPECT_EQ(LoadCustomColors(other.CustomColors, other, resources_), 0);
    EXPECT_EQ(other.CustomColors[0], RGB(1, 2, 3));
    EXPECT_EQ(list_.CustomColors[0], kDefaultWatermarkColor);

    // Reopening the dialog keeps a sheet's colours; reading its list afresh (after Apply or
    // Cancel of the sheet) starts them light grey again.
    other.CustomColors[1] = RGB(4, 5, 6);
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, other, resources_));
    EXPECT_EQ(other.CustomColors[1], RGB(4, 5, 6));
    FreeWatermarkList(other);
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, other, resources_));
    for (COLORREF color : other.CustomColors) EXPECT_EQ(color, kDefaultWatermarkColor);
    FreeWatermarkList(other);
}

// The shipped plug-in INI file is UTF-16LE with a byte-order mark: the profile functions then
// keep texts outside the ANSI code page, and a save keeps the encoding.
TEST_F(WatermarkTest, JapaneseTextSurvivesSaveAndReloadInTheShippedIniFile) {
    const std::string shipped = testenv::SampleFile(host::kPluginIniName);
    ASSERT_GE(shipped.size(), 2u);
    ASSERT_EQ(shipped.substr(0, 2), std::string("\xFF\xFE", 2))
        << "sample/vroemui.ini lost its BOM";
    WriteIni(shipped);
    ASSERT_TRUE(Load());
    const int shippedCount = list_.Count;  // the sample user's own watermarks stay first
    const wchar_t* const texts[] = {L"\x793E\x5916\x79D8",
                                    L"\x6975\x79D8 \x30B3\x30D4\x30FC\x7981\x6B62"};
    for (const wchar_t* text : texts) AddNamed(text);
    Save();

    const std::string saved = testenv::ReadFileBytes(data_);
    ASSERT_GE(saved.size(), 2u);
    EXPECT_EQ(saved.substr(0, 2), std::string("\xFF\xFE", 2));
    EXPECT_EQ(ValueOf(L"OEMFiles", L"OEMConfigFile1", ini_), L"vroemui.dll");
    EXPECT_EQ(ValueOf(L"OEMFiles", L"OEMConfigFile1", data_), L"") << "the driver's keys stay";

    WatermarkList again = {};
    ResetWatermarkList(again, ini_.c_str(), data_.c_str());
    ASSERT_TRUE(LoadWatermarkList(nullptr, &devmode_, again, resources_));
    ASSERT_EQ(again.Count, shippedCount + 2);
    for (int i = 0; i < 2; ++i) EXPECT_STREQ(again.Records[shippedCount + i + 1]->Text, texts[i]);
    FreeWatermarkList(again);
}
