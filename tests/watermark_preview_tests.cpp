// Watermark preview: paper proportions, page layout, the turned text box and frames, the font
// and palette, and the pictures themselves, read back pixel by pixel from a memory bitmap or
// from the preview control of a real window.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "docprop/itemmap.h"
#include "ui/watermark/preview.h"
#include "ui/watermark/watermarks.h"

using namespace oemui;

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kInk = RGB(200, 30, 40);
constexpr COLORREF kBackground = RGB(10, 120, 250);  // what lies under the control

// ---- Font list file ----------------------------------------------------------------------

// Entry 1: ordinary (screen face in field 5); entry 2: Japanese-language (face in field 2).
// While one exists, the drawings of this file read their faces from it.
class FontFile {
public:
    FontFile() {
        wchar_t dir[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, dir);
        wchar_t file[MAX_PATH] = {};
        GetTempFileNameW(dir, L"wmp", 0, file);
        path_ = file;
        const std::wstring text =
            L"\uFEFF[PrinterFont]\r\nDefaultNo=1\r\n"
            L"1=Sans,Sans-Oblique,Sans-Bold,Sans-BoldOblique,DejaVu Sans\r\n"
            L"2=Mincho,MS Mincho,HeiseiMin-W3,\u65E5\u672C\u8A9E\r\n";
        HANDLE h = CreateFileW(file, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(h, text.data(), static_cast<DWORD>(text.size() * sizeof(wchar_t)), &written,
                  nullptr);
        CloseHandle(h);
        CurrentPath() = path_;
    }
    ~FontFile() {
        CurrentPath().clear();
        DeleteFileW(path_.c_str());
    }
    const wchar_t* path() const { return path_.c_str(); }

    // The path of the font file that exists now, empty when there is none.
    static const wchar_t* Current() { return CurrentPath().c_str(); }

private:
    static std::wstring& CurrentPath() {
        static std::wstring current;
        return current;
    }
    std::wstring path_;
};

WatermarkRecord Record(const wchar_t* text, int size = 60, int angle = 0) {
    WatermarkRecord r = {};
    r.Size = size;
    r.Angle = static_cast<INT16>(angle);
    r.Color = kInk;
    r.Weight = 400;
    r.Position = kPositionCenter;
    r.Border = kBorderNone;
    wcscpy_s(r.Text, text);
    return r;
}

// ---- A memory surface with readable pixels -------------------------------------------------

struct Box {
    int left = INT_MAX, top = INT_MAX, right = INT_MIN, bottom = INT_MIN;  // inclusive
    int count = 0;
    bool empty() const { return count == 0; }
    int width() const { return right - left + 1; }
    int height() const { return bottom - top + 1; }
    void add(int x, int y) {
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
        ++count;
    }
};

class Surface {
public:
    Surface(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;  // top-down
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits_),
                                   nullptr, 0);
        old_ = SelectObject(dc_, bitmap_);
        Fill(kBackground);
    }
    ~Surface() {
        SelectObject(dc_, old_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    HDC dc() const { return dc_; }
    int width() const { return width_; }
    int height() const { return height_; }
    void Fill(COLORREF color) {
        GdiFlush();
        const uint32_t v = (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
        std::fill(bits_, bits_ + width_ * height_, v);
    }
    COLORREF Pixel(int x, int y) const {
        if (x < 0 || y < 0 || x >= width_ || y >= height_) return CLR_INVALID;
        GdiFlush();
        const uint32_t v = bits_[y * width_ + x];
        return RGB((v >> 16) & 0xFF, (v >> 8) & 0xFF, v & 0xFF);
    }
    std::vector<uint32_t> Pixels() const {
        GdiFlush();
        return std::vector<uint32_t>(bits_, bits_ + width_ * height_);
    }
    // Pixels in r (inclusive) for which `pick` holds.
    template <typename Pick>
    Box Find(RECT r, Pick pick) const {
        Box box;
        for (int y = std::max(0, static_cast<int>(r.top)); y <= r.bottom && y < height_; ++y)
            for (int x = std::max(0, static_cast<int>(r.left)); x <= r.right && x < width_; ++x)
                if (pick(Pixel(x, y))) box.add(x, y);
        return box;
    }

private:
    int width_, height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
    uint32_t* bits_ = nullptr;
};

bool IsInk(COLORREF c) { return c != kWhite && c != CLR_INVALID; }

constexpr SIZE kA4 = {2100, 2970};

// Draws a record into a fresh surface of the given size; returns the page layout.
PreviewPage Draw(Surface& s, const WatermarkRecord* record, SIZE paper = kA4) {
    s.Fill(kBackground);
    RenderWatermarkPreview(s.dc(), s.width(), s.height(), paper, record, FontFile::Current());
    PreviewPage page;
    EXPECT_TRUE(LayOutPreviewPage(s.width(), s.height(), paper, page));
    return page;
}

RECT PageRect(const PreviewPage& p) {
    return {p.X, p.Y, p.X + p.PageWidth - 1, p.Y + p.PageHeight - 1};
}

Box InkOnPage(const Surface& s, const PreviewPage& p) { return s.Find(PageRect(p), IsInk); }

// Extent of a record's text measured with the preview font, independently of the drawing.
SIZE MeasureText(const WatermarkRecord& r, int scale) {
    LOGFONTW lf;
    BuildPreviewFont(r, FontFile::Current(), scale, lf);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = CreateFontIndirectW(&lf);
    HGDIOBJ old = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, r.Text, static_cast<int>(wcslen(r.Text)), &extent);
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
    return extent;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Tables and paper
// ---------------------------------------------------------------------------------------------

TEST(PreviewTables, SineTableHoldsRoundedSines) {
    for (int k = 0; k <= 90; ++k) {
        EXPECT_EQ(kSineTable[k], std::lround(std::sin(k * kPi / 180) * 10000)) << k << " degrees";
    }
}

TEST(PreviewPaper, FormNamesPickTheirPaper) {
    struct Case {
        std::wstring name;
        LONG w, h;
    };
    const Case cases[] = {
        {L"A4", 2100, 2970},
        {L"A5", 1480, 2100},
        {L"A6", 1050, 1480},
        {L"B5 (JIS)", 1820, 2570},
        {L"C5 Envelope", 1620, 2290},
        {L"Com-10 Envelope", 1050, 2410},
        {L"Com-9 Envelope", 980, 2250},
        {L"DL Envelope", 970, 2200},
        {L"Executive", 1840, 2660},
        {L"Monarch Envelope", 856, 1905},
        {L"Letter", 1620, 2290},
        {L"Legal13", 2030, 3300},
        {L"Legal14", 2030, 3550},
        {L"Postcard", 2100, 2970},
        {L"\u306F\u304C\u304D", 1000, 1480},
        {L"\uFF74\uFF78\uFF7E\uFF78\uFF83\uFF68\uFF8C\uFF9E", 1840, 2660},
        {L"\uFF98\uFF70\uFF76\uFF9E\uFF99 13", 2030, 3300},
        {L"\uFF98\uFF70\uFF76\uFF9E\uFF99 14", 2030, 3550},
        {L"\u30EC\u30BF\u30FC", 2150, 2790},
        {L"\u5F80\u5FA9\u306F\u304C\u304D", 2000, 1480},
        {L"\u5C01\u7B52\uFF11", 2349, 1199},
        {L"\u5C01\u7B52\uFF12", 2049, 899},
        {L"\u5C01\u7B52\uFF13", 2349, 1051},
        {L"\u5C01\u7B52\uFF14", 2970, 2159},
        // No match, or a first character that matches with further tests failing: A4.
        {L"Tabloid", 2100, 2970},
        {L"A3", 2100, 2970},
        {L"Cx", 2100, 2970},
        {L"Com", 2100, 2970},  // character 4 lies beyond the name
        {L"Com-7", 2100, 2970},
        {L"Legal", 2100, 2970},
        {L"\uFF98\uFF70", 2100, 2970},
        {L"L", 2100, 2970},
        {L"", 2100, 2970},
    };
    for (const Case& c : cases) {
        SIZE size = {};
        LookUpPreviewPaperSize(nullptr, c.name.c_str(), size);
        EXPECT_EQ(size.cx, c.w) << "form " << testing::PrintToString(c.name);
        EXPECT_EQ(size.cy, c.h) << "form " << testing::PrintToString(c.name);
    }
    SIZE size = {};
    LookUpPreviewPaperSize(nullptr, nullptr, size);
    EXPECT_EQ(size.cx, 2100);
    EXPECT_EQ(size.cy, 2970);

    // A full 32-character form name need not end in a NUL: nothing after it is read.
    wchar_t full[40];
    std::fill(std::begin(full), std::end(full), L'4');
    full[0] = L'\uFF98';
    full[7] = L'3';
    LookUpPreviewPaperSize(nullptr, full, size);
    EXPECT_EQ(size.cy, 3300);
}

TEST(PreviewPaper, LandscapeSwapsWidthAndHeight) {
    DEVMODEW dm = {};
    dm.dmSize = sizeof(dm);
    dm.dmFields = DM_ORIENTATION;
    dm.dmOrientation = DMORIENT_LANDSCAPE;
    OEMUIPSPARAM sheet = {};
    sheet.cbSize = sizeof(sheet);
    sheet.pPublicDM = &dm;
    static DriverItemMap map;  // large: not on the stack
    std::memset(&map, 0, sizeof(map));
    map.SheetParam = &sheet;

    SIZE size = {};
    LookUpPreviewPaperSize(&map, L"A4", size);
    EXPECT_EQ(size.cx, 2970);
    EXPECT_EQ(size.cy, 2100);
    LookUpPreviewPaperSize(&map, L"Nothing known", size);
    EXPECT_EQ(size.cx, 2970) << "unknown forms are A4, turned too";

    dm.dmOrientation = DMORIENT_PORTRAIT;
    LookUpPreviewPaperSize(&map, L"A5", size);
    EXPECT_EQ(size.cx, 1480);
    EXPECT_EQ(size.cy, 2100);
    map.SheetParam = nullptr;  // no sheet: portrait
    LookUpPreviewPaperSize(&map, L"A5", size);
    EXPECT_EQ(size.cx, 1480);
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------

TEST(PreviewGeometry, PageKeepsThePaperProportionsCentredWithAMargin) {
    const SIZE papers[] = {{2100, 2970}, {2970, 2100}, {856, 1905}, {2349, 1199}};
    const SIZE clients[] = {{200, 300}, {300, 200}, {150, 150}, {641, 479}};
    for (SIZE paper : papers) {
        for (SIZE client : clients) {
            PreviewPage p;
            ASSERT_TRUE(LayOutPreviewPage(client.cx, client.cy, paper, p));
            // Proportions kept to within the rounding of one pixel on each side.
            const double ratio = static_cast<double>(paper.cy) / paper.cx;
            EXPECT_NEAR(p.PageHeight, p.PageWidth * ratio, 1 + ratio)
                << paper.cx << "x" << paper.cy << " in " << client.cx << "x" << client.cy;
            // About 8 pixels at least on every side, centred to within a pixel, and the longer
            // side takes all but about 16 pixels of the shorter client dimension.
            EXPECT_GE(p.X, 6);
            EXPECT_GE(p.Y, 6);
            EXPECT_LE(std::abs((p.Width - p.X - p.PageWidth) - p.X), 1);
            EXPECT_LE(std::abs((p.Height - p.Y - p.PageHeight) - p.Y), 1);
            const int m = std::min(client.cx, client.cy) - 1;
            EXPECT_GE(std::max(p.PageWidth, p.PageHeight), m - 16 - 2);
        }
    }
    // Landscape A4 shows a page wider than high.
    PreviewPage p;
    ASSERT_TRUE(LayOutPreviewPage(240, 240, SIZE{2970, 2100}, p));
    EXPECT_GT(p.PageWidth, p.PageHeight);
}

TEST(PreviewGeometry, ControlsTooSmallOrHugeAreHandled) {
    PreviewPage p;
    EXPECT_FALSE(LayOutPreviewPage(0, 0, kA4, p));
    EXPECT_FALSE(LayOutPreviewPage(17, 300, kA4, p)) << "no room for a page";
    EXPECT_FALSE(LayOutPreviewPage(-5, 300, kA4, p));
    // Only a few pixels of room: the scale stays within 16 bits instead of wrapping.
    if (LayOutPreviewPage(20, 20, kA4, p)) {
        EXPECT_GT(p.Scale, 0);
        EXPECT_LE(p.PageWidth, p.Width);
        EXPECT_LE(p.PageHeight, p.Height);
    }
    // A control larger than the paper in 1/28-pixel units: the scale does not reach 0.
    ASSERT_TRUE(LayOutPreviewPage(200000, 200000, kA4, p));
    EXPECT_GE(p.Scale, 1);
    EXPECT_LE(p.PageHeight, p.Height);
    // Nonsense paper sizes fall back to A4.
    ASSERT_TRUE(LayOutPreviewPage(200, 300, SIZE{0, -4}, p));
    EXPECT_NEAR(static_cast<double>(p.PageWidth) / p.PageHeight, 2100.0 / 2970, 0.02);
}

TEST(PreviewGeometry, TurnedTextBoxMatchesTheTurnedRectangle) {
    const int cx = 300, cy = 60;
    for (int angle = -180; angle <= 180; angle += 15) {
        const RotatedTextBox b = RotateTextBox(angle, cx, cy);
        const double a = angle * kPi / 180;
        // Corners of the text rectangle turned counter-clockwise on the screen (y down),
        // relative to its bottom-left corner.
        const double ux = std::cos(a), uy = -std::sin(a);   // along the text
        const double vx = -std::sin(a), vy = -std::cos(a);  // towards the top of the glyphs
        const double xs[4] = {0, cx * ux, cy * vx, cx * ux + cy * vx};
        const double ys[4] = {0, cx * uy, cy * vy, cx * uy + cy * vy};
        const double minX = *std::min_element(xs, xs + 4), maxX = *std::max_element(xs, xs + 4);
        const double minY = *std::min_element(ys, ys + 4), maxY = *std::max_element(ys, ys + 4);
        EXPECT_NEAR(b.Width, maxX - minX, 2.0) << angle;
        EXPECT_NEAR(b.Height, maxY - minY, 2.0) << angle;
        EXPECT_NEAR(b.StartX, -minX, 2.0) << angle;
        EXPECT_NEAR(b.StartY, -minY, 2.0) << angle;
    }
    // Any angle counts as the same direction within -179..180.
    EXPECT_EQ(NormalizeWatermarkAngle(405), 45);
    EXPECT_EQ(NormalizeWatermarkAngle(-315), 45);
    EXPECT_EQ(NormalizeWatermarkAngle(-180), 180);
    EXPECT_EQ(NormalizeWatermarkAngle(SHRT_MIN), -8);  // -32768 = -91 * 360 - 8
    const RotatedTextBox wild = RotateTextBox(SHRT_MAX, cx, cy);
    const RotatedTextBox same = RotateTextBox(NormalizeWatermarkAngle(SHRT_MAX), cx, cy);
    EXPECT_EQ(wild.Width, same.Width);
    EXPECT_EQ(wild.StartY, same.StartY);
}

namespace {

// A frame polygon relative to its first corner.
std::vector<POINT> Shape(const POINT (&p)[5]) {
    std::vector<POINT> s;
    for (int i = 0; i < 4; ++i) s.push_back({p[i].x - p[0].x, p[i].y - p[0].y});
    return s;
}

bool SameShape(const POINT (&a)[5], const POINT (&b)[5]) {
    // Same rectangle: the corner sets match for some choice of starting corner.
    std::vector<POINT> sa, sb;
    LONG ax = LONG_MAX, ay = LONG_MAX, bx = LONG_MAX, by = LONG_MAX;
    for (int i = 0; i < 4; ++i) {
        ax = std::min(ax, a[i].x);
        ay = std::min(ay, a[i].y);
        bx = std::min(bx, b[i].x);
        by = std::min(by, b[i].y);
    }
    for (int i = 0; i < 4; ++i) {
        sa.push_back({a[i].x - ax, a[i].y - ay});
        sb.push_back({b[i].x - bx, b[i].y - by});
    }
    auto less = [](POINT p, POINT q) { return p.x != q.x ? p.x < q.x : p.y < q.y; };
    std::sort(sa.begin(), sa.end(), less);
    std::sort(sb.begin(), sb.end(), less);
    for (int i = 0; i < 4; ++i)
        if (std::abs(sa[i].x - sb[i].x) > 1 || std::abs(sa[i].y - sb[i].y) > 1) return false;
    return true;
}

}  // namespace

TEST(PreviewGeometry, FramesFollowTheAngle) {
    const WatermarkRecord base = Record(L"Frame", 60);
    const PreviewPage page = {399, 399, 217, 64, 8, 270, 383};
    const SIZE extent = {200, 40};
    auto frameOf = [&](int angle, POINT(&points)[5], WatermarkLayout& l) {
        WatermarkRecord r = base;
        r.Angle = static_cast<INT16>(angle);
        r.Border = kBorderSingleFrame;
        LayOutWatermark(r, page, extent, l);
        FramePolygon(NormalizeWatermarkAngle(angle), l.BoxX, l.BoxY, l.FrameBoxWidth,
                     l.FrameBoxHeight, l.FrameWidth, l.FrameHeight, points);
        EXPECT_EQ(points[4].x, points[0].x);
        EXPECT_EQ(points[4].y, points[0].y);
    };
    // 0, 90, -90 and 180: axis-aligned, long side along the text.
    for (int angle : {0, 90, -90, 180, -180}) {
        POINT p[5];
        WatermarkLayout l;
        frameOf(angle, p, l);
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(p[i].x == p[i + 1].x || p[i].y == p[i + 1].y)
                << "angle " << angle << " segment " << i;
        }
        const bool upright = angle == 90 || angle == -90;
        EXPECT_EQ(l.FrameBoxWidth, upright ? l.FrameHeight : l.FrameWidth) << angle;
        EXPECT_EQ(l.FrameBoxHeight, upright ? l.FrameWidth : l.FrameHeight) << angle;
        // Every corner lies on the box.
        for (int i = 0; i < 4; ++i) {
            EXPECT_TRUE(p[i].x == l.BoxX || p[i].x == l.BoxX + l.FrameBoxWidth) << angle;
            EXPECT_TRUE(p[i].y == l.BoxY || p[i].y == l.BoxY + l.FrameBoxHeight) << angle;
        }
    }
    // 45 and -135 give the same frame; -45 its mirror image, which differs.
    POINT p45[5], pm135[5], pm45[5];
    WatermarkLayout l45, lm135, lm45;
    frameOf(45, p45, l45);
    frameOf(-135, pm135, lm135);
    frameOf(-45, pm45, lm45);
    EXPECT_TRUE(SameShape(p45, pm135));
    // Turned frames touch each side of their box once, and the sides keep their lengths.
    for (int angle : {30, -60, 120, -150, 45}) {
        POINT p[5];
        WatermarkLayout l;
        frameOf(angle, p, l);
        const auto side = [&](int i) {
            return std::hypot(p[i + 1].x - p[i].x, p[i + 1].y - p[i].y);
        };
        const double a = side(0), b = side(1);
        EXPECT_NEAR(std::max(a, b), l.FrameWidth, 2.5) << angle;
        EXPECT_NEAR(std::min(a, b), l.FrameHeight, 2.5) << angle;
        EXPECT_NEAR(side(2), a, 2.5) << angle;
        EXPECT_NEAR(side(3), b, 2.5) << angle;
    }
    // A 45-degree frame rises to the right: its lowest corner is left of its highest.
    const auto s45 = Shape(p45);
    const auto s45m = Shape(pm45);
    auto lowestX = [](const std::vector<POINT>& s) {
        return std::max_element(s.begin(), s.end(), [](POINT a, POINT b) { return a.y < b.y; })->x;
    };
    auto highestX = [](const std::vector<POINT>& s) {
        return std::min_element(s.begin(), s.end(), [](POINT a, POINT b) { return a.y < b.y; })->x;
    };
    EXPECT_LT(lowestX(s45), highestX(s45));
    EXPECT_GT(lowestX(s45m), highestX(s45m));
}

TEST(PreviewGeometry, PlacementBoxByPositionAndAdjustment) {
    const PreviewPage page = {399, 399, 217, 64, 8, 270, 383};
    const SIZE extent = {100, 30};
    WatermarkRecord r = Record(L"x", 60);
    WatermarkLayout l;
    // Upper Left without adjustment: 2 pixels inside the page's top-left corner.
    r.Position = kPositionUpperLeft;
    LayOutWatermark(r, page, extent, l);
    EXPECT_EQ(l.BoxX, page.X + 2);
    EXPECT_EQ(l.BoxY, page.Y + 2);
    // Lower Right: 2 pixels inside the bottom-right corner.
    r.Position = kPositionLowerRight;
    LayOutWatermark(r, page, extent, l);
    EXPECT_EQ(l.BoxX + l.BoxWidth, page.X + page.PageWidth - 2);
    EXPECT_EQ(l.BoxY + l.BoxHeight, page.Y + page.PageHeight - 2);
    // Adjustments are points: 217 points move 100 pixels at scale 217; up and left negative.
    r.Position = kPositionUpperLeft;
    r.OffsetX = 217;
    r.OffsetY = -434;
    LayOutWatermark(r, page, extent, l);
    EXPECT_EQ(l.BoxX, page.X + 2 + 100);
    EXPECT_EQ(l.BoxY, page.Y + 2 - 200);
    // A stored adjustment beyond the editor's range counts as its bound.
    r.OffsetX = INT_MAX;
    r.OffsetY = INT_MIN;
    LayOutWatermark(r, page, extent, l);
    EXPECT_EQ(l.BoxX, page.X + 2 + 1000 * 100 / 217);
    EXPECT_EQ(l.BoxY, page.Y + 2 - 1000 * 100 / 217);
    // The text box is centred in the placement box, here the circle.
    r = Record(L"x", 60);
    r.Border = kBorderCircle;
    LayOutWatermark(r, page, extent, l);
    EXPECT_EQ(l.Diameter, static_cast<int>(std::floor(std::hypot(100.0, 30.0))) * 11 / 10);
    EXPECT_LE(std::abs((l.TextX - l.BoxX) - (l.BoxX + l.BoxWidth - l.TextX - l.Text.Width)), 1);
    EXPECT_LE(std::abs((l.TextY - l.BoxY) - (l.BoxY + l.BoxHeight - l.TextY - l.Text.Height)), 1);
}

TEST(PreviewGeometry, BorderPensAndDoubleFrameGrowAtSize222) {
    const PreviewPage page = {399, 399, 217, 64, 8, 270, 383};
    const SIZE extent = {100, 30};
    struct Case {
        INT16 border;
        int thin, thick;
    };
    for (const Case c : {Case{kBorderCircle, 2, 3}, Case{kBorderSingleFrame, 2, 3},
                         Case{kBorderDoubleFrame, 1, 2}}) {
        WatermarkRecord r = Record(L"x", 221);
        r.Border = c.border;
        WatermarkLayout l;
        LayOutWatermark(r, page, extent, l);
        EXPECT_EQ(l.PenWidth, c.thin) << "border " << c.border;
        const int outer221 = l.OuterFrameWidth - l.FrameWidth;
        r.Size = 222;
        LayOutWatermark(r, page, extent, l);
        EXPECT_EQ(l.PenWidth, c.thick) << "border " << c.border;
        EXPECT_EQ(l.OuterFrameWidth - l.FrameWidth, outer221 + 2) << "wider double frame";
    }
}

// ---------------------------------------------------------------------------------------------
// Font and palette
// ---------------------------------------------------------------------------------------------

TEST(PreviewFont, HeightAngleStyleAndFace) {
    FontFile file;
    WatermarkRecord r = Record(L"x", 72, 45);
    r.Weight = 700;
    r.Italic = 1;
    r.CharSet = 2;
    LOGFONTW lf;
    BuildPreviewFont(r, file.path(), 217, lf);
    EXPECT_EQ(lf.lfHeight, 33);  // 72 x 100 / 217 = 33.2
    EXPECT_EQ(lf.lfEscapement, 450);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWidth, 0);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfItalic, 1);
    EXPECT_EQ(lf.lfCharSet, 2) << "ordinary entries keep the record's character set";
    EXPECT_STREQ(lf.lfFaceName, L"DejaVu Sans") << "field 5";

    r.Size = 65;  // 32.5 rounds up
    BuildPreviewFont(r, file.path(), 200, lf);
    EXPECT_EQ(lf.lfHeight, 33);
    r.Size = 1;  // 0.46 would round to 0
    BuildPreviewFont(r, file.path(), 217, lf);
    EXPECT_EQ(lf.lfHeight, 1);
    r.Size = 0;
    BuildPreviewFont(r, file.path(), 217, lf);
    EXPECT_EQ(lf.lfHeight, 1);
    r.Angle = -135;
    BuildPreviewFont(r, file.path(), 217, lf);
    EXPECT_EQ(lf.lfEscapement, -1350);

    // A Japanese-language entry: field 2 as face and Shift-JIS even though the record says 0.
    r.FontIndex = 1;
    r.CharSet = 0;
    BuildPreviewFont(r, file.path(), 217, lf);
    EXPECT_STREQ(lf.lfFaceName, L"MS Mincho");
    EXPECT_EQ(lf.lfCharSet, SHIFTJIS_CHARSET);

    // No such entry, or no font file: no face, the record's character set.
    for (INT32 index : {2, -7, INT_MAX}) {
        r.FontIndex = index;
        BuildPreviewFont(r, file.path(), 217, lf);
        EXPECT_STREQ(lf.lfFaceName, L"") << index;
        EXPECT_EQ(lf.lfCharSet, 0) << index;
    }
    r.FontIndex = 0;
    BuildPreviewFont(r, L"", 217, lf);
    EXPECT_STREQ(lf.lfFaceName, L"");
}

TEST(PreviewPalette, ReservedEntryHoldsTheWatermarkColour) {
    HDC screen = GetDC(nullptr);
    for (UINT n : {16u, 256u, 1000u}) {
        UniquePalette palette = CreatePreviewPalette(screen, n, RGB(1, 2, 3));
        ASSERT_TRUE(palette) << n;
        const UINT count = std::min(n, 256u);
        WORD entries = 0;
        GetObjectW(palette.get(), sizeof(entries), &entries);
        EXPECT_EQ(entries, count);
        PALETTEENTRY e = {};
        ASSERT_EQ(GetPaletteEntries(palette.get(), count / 2, 1, &e), 1u);
        EXPECT_EQ(e.peRed, 1);
        EXPECT_EQ(e.peGreen, 2);
        EXPECT_EQ(e.peBlue, 3);
        EXPECT_EQ(e.peFlags, PC_RESERVED);
    }
    EXPECT_FALSE(CreatePreviewPalette(screen, 0, RGB(1, 2, 3)));
    ReleaseDC(nullptr, screen);
}

// ---------------------------------------------------------------------------------------------
// Pictures
// ---------------------------------------------------------------------------------------------

TEST(PreviewPicture, SunkenFrameOutlineAndWhitePage) {
    Surface s(200, 300);
    const PreviewPage p = Draw(s, nullptr);
    const int W = 199, H = 299;
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW) & 0xFFFFFF;
    const COLORREF highlight = GetSysColor(COLOR_BTNHIGHLIGHT) & 0xFFFFFF;
    EXPECT_EQ(s.Pixel(0, 100), shadow);
    EXPECT_EQ(s.Pixel(100, 0), shadow);
    EXPECT_EQ(s.Pixel(W, 100), highlight);
    EXPECT_EQ(s.Pixel(100, H), highlight);
    // Outline one pixel around the page and a shadow line right and below it.
    EXPECT_EQ(s.Pixel(p.X - 1, p.Y + 50), kBlack);
    EXPECT_EQ(s.Pixel(p.X + 50, p.Y - 1), kBlack);
    EXPECT_EQ(s.Pixel(p.X + p.PageWidth, p.Y + 50), kBlack);
    EXPECT_EQ(s.Pixel(p.X + p.PageWidth + 1, p.Y + 50), kBlack);
    EXPECT_EQ(s.Pixel(p.X + 50, p.Y + p.PageHeight + 1), kBlack);
    EXPECT_EQ(s.Pixel(p.X + p.PageWidth + 2, p.Y + 50), kBackground);
    EXPECT_EQ(s.Pixel(p.X - 2, p.Y + 50), kBackground);
    // An empty page.
    EXPECT_TRUE(InkOnPage(s, p).empty());
    EXPECT_EQ(s.Pixel(p.X, p.Y), kWhite);
    EXPECT_EQ(s.Pixel(p.X + p.PageWidth - 1, p.Y + p.PageHeight - 1), kWhite);

    // Too small for a page: the frame only.
    Surface tiny(16, 16);
    RenderWatermarkPreview(tiny.dc(), 16, 16, kA4, nullptr, FontFile::Current());
    EXPECT_EQ(tiny.Pixel(0, 5), shadow);
    EXPECT_EQ(tiny.Pixel(7, 7), kBackground);
}

TEST(PreviewPicture, TextTurnsWithTheAngleAndStartsWhereItShould) {
    FontFile file;
    Surface s(400, 400);
    // Ink only at the start of the text: the trailing blanks count in the extent only.
    const wchar_t* text = L"MMMM            ";
    struct Case {
        int angle;
        // Which part of the text box holds the ink: -1 first half, +1 second half, 0 any.
        int x, y;
    };
    const Case cases[] = {
        {0, -1, 0},   {180, +1, 0},   {90, 0, +1},   {-90, 0, -1},
        {45, -1, +1}, {-135, +1, -1}, {-45, -1, -1}, {135, +1, +1},
    };
    for (const Case& c : cases) {
        WatermarkRecord r = Record(text, 60, c.angle);
        const PreviewPage p = Draw(s, &r);
        const SIZE extent = MeasureText(r, p.Scale);
        ASSERT_GT(extent.cx, 3 * extent.cy);
        // The turned text box, centred on the page.
        const double a = c.angle * kPi / 180;
        const double bw = std::fabs(std::cos(a)) * extent.cx + std::fabs(std::sin(a)) * extent.cy;
        const double bh = std::fabs(std::sin(a)) * extent.cx + std::fabs(std::cos(a)) * extent.cy;
        const double cxp = p.X + 2 + (p.PageWidth - 4) / 2.0;
        const double cyp = p.Y + 2 + (p.PageHeight - 4) / 2.0;
        const Box ink = InkOnPage(s, p);
        ASSERT_FALSE(ink.empty()) << c.angle;
        EXPECT_GE(ink.left, cxp - bw / 2 - 3) << c.angle;
        EXPECT_LE(ink.right, cxp + bw / 2 + 3) << c.angle;
        EXPECT_GE(ink.top, cyp - bh / 2 - 3) << c.angle;
        EXPECT_LE(ink.bottom, cyp + bh / 2 + 3) << c.angle;
        // The text's colour is there, in full strength.
        EXPECT_GT(s.Find(PageRect(p), [](COLORREF v) { return v == kInk; }).count, 50) << c.angle;
        // The ink sits at the start of the text.
        const RECT left = {p.X, p.Y, static_cast<LONG>(cxp) - 1, p.Y + p.PageHeight - 1};
        const RECT right = {static_cast<LONG>(cxp) + 1, p.Y, p.X + p.PageWidth - 1,
                            p.Y + p.PageHeight - 1};
        const RECT top = {p.X, p.Y, p.X + p.PageWidth - 1, static_cast<LONG>(cyp) - 1};
        const RECT bottom = {p.X, static_cast<LONG>(cyp) + 1, p.X + p.PageWidth - 1,
                             p.Y + p.PageHeight - 1};
        const int inLeft = s.Find(left, IsInk).count, inRight = s.Find(right, IsInk).count;
        const int inTop = s.Find(top, IsInk).count, inBottom = s.Find(bottom, IsInk).count;
        if (c.x < 0) {
            EXPECT_GT(inLeft, 4 * inRight + 10) << c.angle;
        }
        if (c.x > 0) {
            EXPECT_GT(inRight, 4 * inLeft + 10) << c.angle;
        }
        if (c.y < 0) {
            EXPECT_GT(inTop, 4 * inBottom + 10) << c.angle;
        }
        if (c.y > 0) {
            EXPECT_GT(inBottom, 4 * inTop + 10) << c.angle;
        }
    }
}

TEST(PreviewPicture, AnglesOutsideTheRangeDrawAsTheirEquivalent) {
    FontFile file;
    Surface s(300, 300);
    WatermarkRecord r = Record(L"Turn", 60, 45);
    Draw(s, &r);
    const auto expected = s.Pixels();
    for (int angle : {405, -315, 765}) {
        r.Angle = static_cast<INT16>(angle);
        Draw(s, &r);
        EXPECT_TRUE(s.Pixels() == expected) << angle;
    }
    r.Angle = 180;
    Draw(s, &r);
    const auto turned = s.Pixels();
    r.Angle = -180;
    Draw(s, &r);
    EXPECT_TRUE(s.Pixels() == turned);
}

TEST(PreviewPicture, PositionsPlaceTheWatermarkOnThePage) {
    FontFile file;
    Surface s(300, 400);
    for (INT16 position = 0; position <= 6; ++position) {
        WatermarkRecord r = Record(L"Pos", 50, 0);
        r.Border = kBorderSingleFrame;
        r.Position = position;
        const PreviewPage p = Draw(s, &r);
        const Box ink = InkOnPage(s, p);
        ASSERT_FALSE(ink.empty()) << position;
        const int leftGap = ink.left - p.X, rightGap = p.X + p.PageWidth - 1 - ink.right;
        const int topGap = ink.top - p.Y, bottomGap = p.Y + p.PageHeight - 1 - ink.bottom;
        const bool left = position == 0 || position == 4;
        const bool right = position == 2 || position == 6;
        const bool upper = position <= 2;
        const bool lower = position >= 4;
        // The frame's pen reaches at most its half width outside the box, which starts 2
        // pixels inside the page.
        if (left) {
            EXPECT_LE(leftGap, 2) << position;
        }
        if (right) {
            EXPECT_LE(rightGap, 2) << position;
        }
        if (!left && !right) {
            EXPECT_LE(std::abs(leftGap - rightGap), 2) << position;
        }
        if (upper) {
            EXPECT_LE(topGap, 2) << position;
        }
        if (lower) {
            EXPECT_LE(bottomGap, 2) << position;
        }
        if (!upper && !lower) {
            EXPECT_LE(std::abs(topGap - bottomGap), 2) << position;
        }
        EXPECT_GE(std::min({leftGap, rightGap, topGap, bottomGap}), 0) << position;
    }
    // Any other position value is the centre.
    WatermarkRecord r = Record(L"Pos", 50, 0);
    Draw(s, &r);
    const auto centre = s.Pixels();
    for (INT16 position : {7, -1, 300}) {
        r.Position = position;
        Draw(s, &r);
        EXPECT_TRUE(s.Pixels() == centre) << position;
    }
}

TEST(PreviewPicture, AdjustmentsMoveTheWatermarkRightAndDown) {
    FontFile file;
    Surface s(400, 400);
    WatermarkRecord r = Record(L"Move", 40, 0);
    const PreviewPage p = Draw(s, &r);
    const Box still = InkOnPage(s, p);
    r.OffsetX = 100;
    r.OffsetY = -50;
    Draw(s, &r);
    const Box moved = InkOnPage(s, p);
    ASSERT_FALSE(still.empty());
    ASSERT_FALSE(moved.empty());
    EXPECT_EQ(moved.left - still.left, 100 * 100 / p.Scale);
    EXPECT_EQ(moved.top - still.top, -50 * 100 / p.Scale);
    EXPECT_EQ(moved.count, still.count);
}

namespace {

// Length of the run of pixels of colour c starting at (x, y) going in (dx, dy).
int RunOf(const Surface& s, int x, int y, int dx, int dy, COLORREF c) {
    int n = 0;
    while (s.Pixel(x, y) == c) {
        ++n;
        x += dx;
        y += dy;
    }
    return n;
}

// First pixel of colour c from (x, y) going in (dx, dy), within `limit` steps; -1 if none.
int FirstOf(const Surface& s, int x, int y, int dx, int dy, COLORREF c, int limit) {
    for (int i = 0; i < limit; ++i, x += dx, y += dy)
        if (s.Pixel(x, y) == c) return i;
    return -1;
}

}  // namespace

TEST(PreviewPicture, BorderStyles) {
    FontFile file;
    Surface s(400, 400);
    const wchar_t* text = L"H";
    for (int size : {221, 222}) {
        const bool thick = size >= 222;
        WatermarkRecord r = Record(text, size, 0);
        const PreviewPage p = Draw(s, &r);
        const SIZE extent = MeasureText(r, p.Scale);
        const Box plain = InkOnPage(s, p);
        ASSERT_FALSE(plain.empty());
        const int midY = p.Y + p.PageHeight / 2;
        const int midX = p.X + p.PageWidth / 2;

        // Circle: about 1.1 x the text's diagonal (+2 on each side), round: its left end is on
        // the middle row, and the top-left corner of its box stays white.
        r.Border = kBorderCircle;
        Draw(s, &r);
        Box ink = InkOnPage(s, p);
        const int d = static_cast<int>(std::hypot(extent.cx, extent.cy)) * 11 / 10;
        EXPECT_NEAR(ink.width(), d + 4, 3) << size;
        EXPECT_NEAR(ink.height(), d + 4, 3) << size;
        EXPECT_EQ(RunOf(s, ink.left, midY, 1, 0, kInk), thick ? 3 : 2) << size;
        EXPECT_EQ(s.Pixel(ink.left + 2, ink.top + 2), kWhite);

        // Single frame: fw x fh around the text, pen 2 (3 from size 222).
        r.Border = kBorderSingleFrame;
        Draw(s, &r);
        ink = InkOnPage(s, p);
        const int lh = extent.cy * 120 / 100, fh = lh + 4,
                  fw = extent.cx - 4 + (fh - extent.cy) * 2;
        EXPECT_NEAR(ink.width(), fw, 3) << size;
        EXPECT_NEAR(ink.height(), fh, 3) << size;
        EXPECT_EQ(RunOf(s, ink.left, midY, 1, 0, kInk), thick ? 3 : 2) << size;
        EXPECT_EQ(RunOf(s, midX, ink.top, 0, 1, kInk), thick ? 3 : 2) << size;
        EXPECT_EQ(s.Pixel(ink.left, ink.top + ink.height() / 4), kInk) << "straight left side";
        EXPECT_EQ(s.Pixel(ink.right, ink.top + 3 * ink.height() / 4), kInk)
            << "straight right side";

        // Double frame: two lines with a gap on each side, pen 1 (2 from size 222), the outer
        // one 6 (8) wider and 6 (8) higher than the inner.
        r.Border = kBorderDoubleFrame;
        Draw(s, &r);
        ink = InkOnPage(s, p);
        EXPECT_NEAR(ink.width(), fw + (thick ? 8 : 6), 3) << size;
        EXPECT_NEAR(ink.height(), lh + (thick ? 12 : 10), 3) << size;
        const int outer = RunOf(s, ink.left, midY, 1, 0, kInk);
        EXPECT_EQ(outer, thick ? 2 : 1) << size;
        const int gap = RunOf(s, ink.left + outer, midY, 1, 0, kWhite);
        EXPECT_GE(gap, 1) << size;
        EXPECT_EQ(RunOf(s, ink.left + outer + gap, midY, 1, 0, kInk), thick ? 2 : 1) << size;
        // On the top side too (at a column the text does not reach).
        const int topOuter = RunOf(s, ink.left + 6, ink.top, 0, 1, kInk);
        const int topGap = RunOf(s, ink.left + 6, ink.top + topOuter, 0, 1, kWhite);
        EXPECT_EQ(topOuter, thick ? 2 : 1);
        EXPECT_GE(topGap, 1);
        EXPECT_EQ(RunOf(s, ink.left + 6, ink.top + topOuter + topGap, 0, 1, kInk), thick ? 2 : 1);

        // Any other border value draws no border.
        r.Border = 9;
        Draw(s, &r);
        const Box none = InkOnPage(s, p);
        EXPECT_EQ(none.count, plain.count);
    }
}

TEST(PreviewPicture, TurnedFrameIsADiamondAt45Degrees) {
    FontFile file;
    Surface s(400, 400);
    for (int angle : {45, -135}) {
        WatermarkRecord r = Record(L"Tilt", 50, angle);
        r.Border = kBorderSingleFrame;
        const PreviewPage p = Draw(s, &r);
        const SIZE extent = MeasureText(r, p.Scale);
        const Box ink = InkOnPage(s, p);
        const int lh = extent.cy * 120 / 100, fh = lh + 4,
                  fw = extent.cx - 4 + (fh - extent.cy) * 2;
        const double side = (fw + fh) * std::sqrt(0.5);
        EXPECT_NEAR(ink.width(), side, 4) << angle;
        EXPECT_NEAR(ink.height(), side, 4) << angle;
        // The frame rises to the right: the top-left and bottom-right corners of its box are
        // empty, and on the top row the ink lies right of centre.
        const int cornerReach = std::min(ink.width(), ink.height()) / 6;
        EXPECT_EQ(FirstOf(s, ink.left, ink.top, 1, 1, kInk, cornerReach), -1) << angle;
        EXPECT_EQ(FirstOf(s, ink.right, ink.bottom, -1, -1, kInk, cornerReach), -1) << angle;
        const int fromLeft = FirstOf(s, ink.left, ink.top, 1, 0, kInk, ink.width());
        EXPECT_GT(fromLeft, ink.width() / 2) << angle;
    }
}

TEST(PreviewPicture, FlagsOfThePrintedPagesDoNotChangeThePicture) {
    FontFile file;
    Surface s(300, 300);
    WatermarkRecord r = Record(L"Flags", 60, 30);
    r.Border = kBorderDoubleFrame;
    Draw(s, &r);
    const auto expected = s.Pixels();
    r.FirstPageOnly = 1;
    Draw(s, &r);
    EXPECT_TRUE(s.Pixels() == expected);
    r.Background = 1;
    Draw(s, &r);
    EXPECT_TRUE(s.Pixels() == expected);
}

TEST(PreviewPicture, EmptyTextOrZeroSizeShowsNoText) {
    FontFile file;
    Surface s(300, 300);
    for (INT16 border : {kBorderNone, kBorderCircle, kBorderSingleFrame, kBorderDoubleFrame}) {
        WatermarkRecord r = Record(L"", 72, 45);
        r.Border = border;
        const PreviewPage p = Draw(s, &r);
        EXPECT_TRUE(InkOnPage(s, p).empty()) << "empty text, border " << border;
    }
    // Size 0 draws no text; a frame still shows where the text would be.
    WatermarkRecord r = Record(L"Zero", 0, 0);
    PreviewPage p = Draw(s, &r);
    EXPECT_TRUE(InkOnPage(s, p).empty());
    r.Border = kBorderSingleFrame;
    p = Draw(s, &r);
    EXPECT_FALSE(InkOnPage(s, p).empty());
}

TEST(PreviewPicture, TextBeyondThePageIsClippedAtItsEdge) {
    FontFile file;
    Surface s(300, 300);
    WatermarkRecord r = Record(L"WATERMARK WATERMARK", 120, 0);
    r.OffsetX = 300;
    r.Border = kBorderDoubleFrame;
    const PreviewPage p = Draw(s, &r);
    // Ink reaches the page's last column, and nothing is drawn beyond the outline.
    const RECT lastColumn = {p.X + p.PageWidth - 1, p.Y, p.X + p.PageWidth - 1,
                             p.Y + p.PageHeight - 1};
    EXPECT_GT(s.Find(lastColumn, IsInk).count, 0);
    const RECT beyond = {p.X + p.PageWidth + 2, 1, s.width() - 2, s.height() - 2};
    EXPECT_EQ(s.Find(beyond, [](COLORREF c) { return c != kBackground; }).count, 0);
}

TEST(PreviewPicture, DegenerateRecordsDrawSafely) {
    Surface s(240, 240);
    auto check = [&](const WatermarkRecord& r, const char* what) {
        const PreviewPage p = Draw(s, &r);
        // Nothing outside the page but the frame and outline.
        const RECT around[] = {
            {1, 1, s.width() - 2, p.Y - 3},
            {1, p.Y + p.PageHeight + 2, s.width() - 2, s.height() - 2},
            {1, 1, p.X - 3, s.height() - 2},
            {p.X + p.PageWidth + 2, 1, s.width() - 2, s.height() - 2},
        };
        for (const RECT& a : around)
            EXPECT_EQ(s.Find(a, [](COLORREF c) { return c != kBackground; }).count, 0) << what;
    };
    {
        FontFile file;
        WatermarkRecord r = Record(L"Big", INT_MAX, 33);
        r.Border = kBorderCircle;
        check(r, "huge size");
        r.Size = INT_MIN;
        check(r, "most negative size");
        r = Record(L"Angle", 72, SHRT_MIN);
        r.Border = kBorderDoubleFrame;
        check(r, "angle -32768");
        r.Angle = SHRT_MAX;
        check(r, "angle 32767");
        r = Record(L"Odd", 72, 45);
        r.Position = SHRT_MIN;
        r.Border = SHRT_MAX;
        r.OffsetX = INT_MIN;
        r.OffsetY = INT_MAX;
        r.Weight = -5;
        r.Color = 0xFFFFFFFF;
        check(r, "odd fields");
        // A text buffer without its terminating NUL: at most 128 characters are drawn.
        r = Record(L"", 30, 0);
        for (wchar_t& c : r.Text) c = L'W';
        r.Border = kBorderSingleFrame;
        check(r, "unterminated text");
        r = Record(L"Missing", 72, 20);
        r.FontIndex = INT_MAX;
        const PreviewPage p = Draw(s, &r);
        EXPECT_FALSE(InkOnPage(s, p).empty()) << "a missing font entry still shows the text";
    }
    // No font file at all.
    WatermarkRecord r = Record(L"No file", 72, -60);
    const PreviewPage p = Draw(s, &r);
    EXPECT_FALSE(InkOnPage(s, p).empty());
    // The colour's top byte is not taken as a palette reference.
    r = Record(L"MMMM", 100, 0);
    r.Color = 0x02000000 | kInk;
    const PreviewPage q = Draw(s, &r);
    EXPECT_GT(s.Find(PageRect(q), [](COLORREF c) { return c == kInk; }).count, 20);
}

// ---------------------------------------------------------------------------------------------
// The dialog's control
// ---------------------------------------------------------------------------------------------

namespace {

// A window with the preview button 1436 of a given size and the page context drawn into it.
class PreviewWindow {
public:
    PreviewWindow(int width, int height) {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = DefWindowProcW;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"WatermarkPreviewHost";
            wc.cbWndExtra = DLGWINDOWEXTRA;
            wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
            RegisterClassW(&wc);
            registered = true;
        }
        window = CreateWindowExW(WS_EX_TOPMOST, L"WatermarkPreviewHost", L"", WS_POPUP | WS_VISIBLE,
                                 30, 30, width + 20, height + 20, nullptr, nullptr,
                                 GetModuleHandleW(nullptr), nullptr);
        control = CreateWindowExW(
            0, L"BUTTON", L"", WS_CHILD | WS_VISIBLE | WS_DISABLED | BS_OWNERDRAW, 10, 10, width,
            height, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kPreviewControlId)),
            GetModuleHandleW(nullptr), nullptr);
        UpdateWindow(window);
        Pump();
        std::memset(&map, 0, sizeof(map));
        dm.dmSize = sizeof(dm);
        dm.dmFields = DM_ORIENTATION | DM_FORMNAME;
        dm.dmOrientation = DMORIENT_PORTRAIT;
        wcscpy_s(dm.dmFormName, L"A4");
        sheet.cbSize = sizeof(sheet);
        sheet.pPublicDM = &dm;
        map.SheetParam = &sheet;
        map.Watermarks.Working = &record;
        wcscpy_s(map.Watermarks.FontFile, FontFile::Current());
        record = Record(L"MMMM", 150, 0);
    }
    ~PreviewWindow() { DestroyWindow(window); }

    static void Pump() {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    }

    // Paints the control's client area in the background colour, so that nothing of an
    // earlier drawing is read back.
    void Clear() const {
        HDC dc = GetDC(control);
        HBRUSH brush = CreateSolidBrush(kBackground);
        RECT r;
        GetClientRect(control, &r);
        FillRect(dc, &r, brush);
        DeleteObject(brush);
        ReleaseDC(control, dc);
    }

    // Reads the control's client area back from the screen.
    void Capture(Surface& s) const {
        HDC dc = GetDC(control);
        BitBlt(s.dc(), 0, 0, s.width(), s.height(), dc, 0, 0, SRCCOPY);
        ReleaseDC(control, dc);
    }

    HWND window = nullptr;
    HWND control = nullptr;
    DriverItemMap map;
    OEMUIPSPARAM sheet = {};
    DEVMODEW dm = {};
    WatermarkRecord record = {};
};

// Width and height of the black outline found on the middle row and column.
SIZE OutlineOf(const Surface& s) {
    const int midY = s.height() / 2, midX = s.width() / 2;
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int x = 2; x < s.width() - 2; ++x) {
        if (s.Pixel(x, midY) == kBlack) {
            if (left < 0) left = x;
            right = x;
        }
    }
    for (int y = 2; y < s.height() - 2; ++y) {
        if (s.Pixel(midX, y) == kBlack) {
            if (top < 0) top = y;
            bottom = y;
        }
    }
    return {right - left, bottom - top};
}

}  // namespace

TEST(PreviewControl, DrawsThePageContextsWorkingRecordInPaperProportions) {
    FontFile file;
    auto w = std::make_unique<PreviewWindow>(240, 240);
    Surface s(240, 240);
    ASSERT_EQ(DrawWatermarkPreview(w->window, kPreviewControlId, &w->map), 1);
    w->Capture(s);
    const SIZE portrait = OutlineOf(s);
    EXPECT_GT(portrait.cy, portrait.cx);
    EXPECT_NEAR(static_cast<double>(portrait.cx) / portrait.cy, 2100.0 / 2970, 0.03);
    EXPECT_GT(s.Find({0, 0, 239, 239}, [](COLORREF c) { return c == kInk; }).count, 30);

    // Landscape A4: wider than high.
    w->dm.dmOrientation = DMORIENT_LANDSCAPE;
    w->Clear();
    ASSERT_EQ(DrawWatermarkPreview(w->window, kPreviewControlId, &w->map), 1);
    w->Capture(s);
    const SIZE landscape = OutlineOf(s);
    EXPECT_GT(landscape.cx, landscape.cy);
    EXPECT_NEAR(landscape.cx, portrait.cy, 2);

    // A form name filling all 32 characters without a NUL.
    std::fill(std::begin(w->dm.dmFormName), std::end(w->dm.dmFormName), L'x');
    w->dm.dmFormName[0] = L'D';
    w->dm.dmFormName[1] = L'L';
    w->dm.dmOrientation = DMORIENT_PORTRAIT;
    w->Clear();
    ASSERT_EQ(DrawWatermarkPreview(w->window, kPreviewControlId, &w->map), 1);
    w->Capture(s);
    const SIZE dl = OutlineOf(s);
    EXPECT_NEAR(static_cast<double>(dl.cx) / dl.cy, 970.0 / 2200, 0.03);

    // No working record, no context, no such control, no dialog: nothing breaks.
    w->map.Watermarks.Working = nullptr;
    EXPECT_EQ(DrawWatermarkPreview(w->window, kPreviewControlId, &w->map), 1);
    EXPECT_EQ(DrawWatermarkPreview(w->window, kPreviewControlId, nullptr), 1);
    w->Capture(s);
    EXPECT_EQ(s.Find({2, 2, 237, 237}, [](COLORREF c) { return c == kInk; }).count, 0);
    EXPECT_EQ(DrawWatermarkPreview(w->window, 999, &w->map), 1);
    EXPECT_EQ(DrawWatermarkPreview(nullptr, kPreviewControlId, &w->map), 1);
}

TEST(PreviewControl, RepeatedDrawingReleasesEveryGdiObject) {
    FontFile file;
    auto w = std::make_unique<PreviewWindow>(200, 200);
    // Fill Wine's fixed GDI handle table up to a small margin first: a drawing that leaks even
    // one object (or window DC) per call then runs it out long before the loop ends.
    std::vector<HGDIOBJ> filler;
    for (int i = 0; i < 300000; ++i) {
        HGDIOBJ pen = CreatePen(PS_SOLID, 1, RGB(i & 0xFF, 0, 0));
        if (pen == nullptr) break;
        filler.push_back(pen);
    }
    ASSERT_GT(filler.size(), 10000u);
    ASSERT_LT(filler.size(), 300000u) << "the handle table should be bounded";
    constexpr size_t kMargin = 2000;
    for (size_t i = 0; i < kMargin; ++i) {
        DeleteObject(filler.back());
        filler.pop_back();
    }
    ShowWindow(w->window, SW_HIDE);
    constexpr int kRounds = 3 * static_cast<int>(kMargin);
    for (int i = 0; i < kRounds; ++i) {
        w->record.Border = static_cast<INT16>(i % 4);
        w->record.Angle = static_cast<INT16>(i % 360 - 180);
        DrawWatermarkPreview(w->window, kPreviewControlId, &w->map);
    }
    // The whole margin is still free. (Probing with more than one object: releasing the
    // window DC at the end of a drawing can free a slot even when the table had run full.)
    std::vector<HGDIOBJ> probes;
    for (int i = 0; i < 500; ++i) {
        HGDIOBJ brush = CreateSolidBrush(RGB(1, 2, 3));
        if (brush == nullptr) break;
        probes.push_back(brush);
    }
    EXPECT_EQ(probes.size(), 500u) << "objects were left behind";
    for (HGDIOBJ brush : probes) DeleteObject(brush);
    for (HGDIOBJ pen : filler) DeleteObject(pen);
    filler.clear();

    // And the drawing still works afterwards.
    ShowWindow(w->window, SW_SHOW);
    UpdateWindow(w->window);
    PreviewWindow::Pump();
    w->record = Record(L"MMMM", 150, 0);
    DrawWatermarkPreview(w->window, kPreviewControlId, &w->map);
    Surface s(200, 200);
    w->Capture(s);
    EXPECT_GT(s.Find({0, 0, 199, 199}, [](COLORREF c) { return c == kInk; }).count, 30);
}

TEST(PreviewControl, OneRedrawTakesWellUnderAFrame) {
    FontFile file;
    auto w = std::make_unique<PreviewWindow>(260, 260);
    w->record = Record(L"CONFIDENTIAL COPY", 72, 30);
    w->record.Border = kBorderDoubleFrame;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    std::vector<double> ms;
    for (int i = 0; i < 201; ++i) {
        w->record.Angle = static_cast<INT16>(30 + (i % 3));  // as while dragging the angle
        LARGE_INTEGER t0, t1;
        QueryPerformanceCounter(&t0);
        DrawWatermarkPreview(w->window, kPreviewControlId, &w->map);
        GdiFlush();
        QueryPerformanceCounter(&t1);
        ms.push_back(1000.0 * static_cast<double>(t1.QuadPart - t0.QuadPart) /
                     static_cast<double>(frequency.QuadPart));
    }
    std::sort(ms.begin(), ms.end());
    const double median = ms[ms.size() / 2];
    RecordProperty("median_ms", std::to_string(median));
    std::printf("preview redraw: median %.3f ms, 90th percentile %.3f ms\n", median,
                ms[ms.size() * 9 / 10]);
    EXPECT_LT(median, 16.0 / 2);
}
