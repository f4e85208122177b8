// Watermark preview drawing. See preview.h.
#include "ui/watermark/preview.h"

#include <cwchar>

#include "docprop/itemmap.h"
#include "ui/common/controls.h"
#include "ui/watermark/watermarks.h"

namespace oemui {

namespace {

// --- Paper table ----------------------------------------------------------------------------

// A form name matches a row when its first character is First and, for each test with a
// position >= 0, the character at that position is the one given.
struct PaperRule {
    wchar_t First;
    int Position1;
    wchar_t Char1;
    int Position2;
    wchar_t Char2;
    LONG Width;  // tenths of a millimetre
    LONG Height;
};

constexpr LONG kDefaultPaperWidth = 2100;  // A4
constexpr LONG kDefaultPaperHeight = 2970;

constexpr PaperRule kPaperRules[] = {
    {L'A', 1, L'4', -1, 0, 2100, 2970},           {L'A', 1, L'5', -1, 0, 1480, 2100},
    {L'A', 1, L'6', -1, 0, 1050, 1480},           {L'B', 1, L'5', -1, 0, 1820, 2570},
    {L'C', 1, L'5', -1, 0, 1620, 2290},           {L'C', 1, L'o', 4, L'1', 1050, 2410},
    {L'C', 1, L'o', 4, L'9', 980, 2250},          {L'D', 1, L'L', -1, 0, 970, 2200},
    {L'E', 1, L'x', -1, 0, 1840, 2660},           {L'M', 1, L'o', -1, 0, 856, 1905},
    {L'L', 2, L't', -1, 0, 1620, 2290},           {L'L', 2, L'g', 6, L'3', 2030, 3300},
    {L'L', 2, L'g', 6, L'4', 2030, 3550},         {L'P', 1, L'o', -1, 0, 2100, 2970},
    {L'\u306F', 1, L'\u304C', -1, 0, 1000, 1480}, {L'\uFF74', 1, L'\uFF78', -1, 0, 1840, 2660},
    {L'\uFF98', 7, L'3', -1, 0, 2030, 3300},      {L'\uFF98', 7, L'4', -1, 0, 2030, 3550},
    {L'\u30EC', 1, L'\u30BF', -1, 0, 2150, 2790}, {L'\u5F80', 1, L'\u5FA9', -1, 0, 2000, 1480},
    {L'\u5C01', 2, L'\uFF11', -1, 0, 2349, 1199}, {L'\u5C01', 2, L'\uFF12', -1, 0, 2049, 899},
    {L'\u5C01', 2, L'\uFF13', -1, 0, 2349, 1051}, {L'\u5C01', 2, L'\uFF14', -1, 0, 2970, 2159},
};

bool CharAt(const wchar_t* name, size_t length, int position, wchar_t wanted) {
    return position < 0 || (static_cast<size_t>(position) < length && name[position] == wanted);
}

// --- Arithmetic -----------------------------------------------------------------------------

// Every coordinate is kept well inside the range GDI accepts, whatever the record holds.
constexpr long long kCoordinateLimit = 1 << 26;

int Clamp(long long value, long long low, long long high) {
    return static_cast<int>(value < low ? low : (value > high ? high : value));
}
int Coordinate(long long value) { return Clamp(value, -kCoordinateLimit, kCoordinateLimit); }

int Sine(int k) { return kSineTable[Clamp(k, 0, 90)]; }
int Cosine(int k) { return kSineTable[90 - Clamp(k, 0, 90)]; }

// (a * b) / kTrigUnit without overflow.
long long Trig(long long a, long long b) { return a * b / kTrigUnit; }

long long IntegerSquareRoot(long long value) {
    if (value <= 0) return 0;
    long long root = 0;
    long long bit = 1LL << 62;
    while (bit > value) bit >>= 2;
    while (bit != 0) {
        if (value >= root + bit) {
            value -= root + bit;
            root = (root >> 1) + bit;
        } else {
            root >>= 1;
        }
        bit >>= 2;
    }
    return root;
}

// Table angle k (0..90) of a normalised watermark angle.
int TableAngle(int angle) {
    if (angle < -90) return angle + 180;
    if (angle < 0) return -angle;
    if (angle < 90) return angle;
    return 180 - angle;
}

// Sizes at or above this use the thicker border pens and the wider double frame.
constexpr INT32 kLargeSize = 222;

// --- Drawing steps --------------------------------------------------------------------------

void Line(HDC dc, int x0, int y0, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
    LineTo(dc, x2, y2);
}

// Sunken frame around the whole control: shadow on the top and left, highlight on the right
// and bottom.
void DrawSunkenFrame(HDC dc, int w, int h) {
    UniquePen shadow(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW)));
    UniquePen highlight(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT)));
    if (shadow) {
        SelectGuard pen(dc, shadow.get());
        Line(dc, 0, h, 0, 0, w, 0);
    }
    if (highlight) {
        SelectGuard pen(dc, highlight.get());
        Line(dc, w, 0, w, h, 0, h);
    }
}

// Black outline one pixel around the page, and a shadow line on its right and bottom.
void DrawPageOutline(HDC dc, const PreviewPage& page) {
    SelectGuard pen(dc, GetStockObject(BLACK_PEN));
    SelectGuard brush(dc, GetStockObject(HOLLOW_BRUSH));
    const int right = page.X + page.PageWidth + 1;
    const int bottom = page.Y + page.PageHeight + 1;
    Rectangle(dc, page.X - 1, page.Y - 1, right, bottom);
    Line(dc, right, page.Y, right, bottom, page.X, bottom);
}

void DrawBorder(HDC dc, const WatermarkRecord& record, const WatermarkLayout& layout, int angle,
                COLORREF color) {
    if (record.Border != kBorderCircle && record.Border != kBorderSingleFrame &&
        record.Border != kBorderDoubleFrame) {
        return;
    }
    UniquePen pen(CreatePen(PS_SOLID, layout.PenWidth, color));
    if (!pen) return;
    SelectGuard penSelection(dc, pen.get());
    SelectGuard brush(dc, GetStockObject(HOLLOW_BRUSH));
    const int bx = layout.BoxX;
    const int by = layout.BoxY;
    POINT points[5];
    switch (record.Border) {
        case kBorderCircle:
            Ellipse(dc, bx - 2, by - 2,
                    Coordinate(static_cast<long long>(bx) + layout.Diameter + 2),
                    Coordinate(static_cast<long long>(by) + layout.Diameter + 2));
            break;
        case kBorderSingleFrame:
            FramePolygon(angle, bx, by, layout.FrameBoxWidth, layout.FrameBoxHeight,
                         layout.FrameWidth, layout.FrameHeight, points);
            Polyline(dc, points, 5);
            break;
        case kBorderDoubleFrame: {
            FramePolygon(angle, bx, by, layout.OuterBoxWidth, layout.OuterBoxHeight,
                         layout.OuterFrameWidth, layout.OuterFrameHeight, points);
            Polyline(dc, points, 5);
            const int ix = Coordinate(static_cast<long long>(bx) + layout.OuterBoxWidth / 2 -
                                      layout.FrameBoxWidth / 2);
            const int iy = Coordinate(static_cast<long long>(by) + layout.OuterBoxHeight / 2 -
                                      layout.FrameBoxHeight / 2);
            FramePolygon(angle, ix, iy, layout.FrameBoxWidth, layout.FrameBoxHeight,
                         layout.FrameWidth, layout.FrameHeight, points);
            Polyline(dc, points, 5);
            break;
        }
        default:
            break;
    }
}

// Draws the watermark onto the off-screen page (coordinates as on the control).
void DrawWatermark(HDC memory, const PreviewPage& page, const WatermarkRecord& record,
                   const wchar_t* fontFile, COLORREF color, COLORREF textColor, HPALETTE palette) {
    LOGFONTW logFont;
    BuildPreviewFont(record, fontFile, page.Scale, logFont);
    // A font far taller than the page shows nothing more but costs time to render; no size a
    // watermark can have reaches this bound.
    const int tallest =
        2 * (page.PageWidth > page.PageHeight ? page.PageWidth : page.PageHeight) + 1;
    if (logFont.lfHeight > tallest) logFont.lfHeight = tallest;
    UniqueFont font(CreateFontIndirectW(&logFont));
    SelectGuard fontSelection(memory, font.get());
    SetBkMode(memory, TRANSPARENT);
    SetTextAlign(memory, TA_BOTTOM | TA_LEFT);

    const int length = static_cast<int>(wcsnlen(record.Text, kWatermarkTextChars - 1));
    SIZE extent = {0, 0};
    if (length > 0) GetTextExtentPoint32W(memory, record.Text, length, &extent);

    WatermarkLayout layout;
    LayOutWatermark(record, page, extent, layout);
    const int angle = NormalizeWatermarkAngle(record.Angle);
    if (extent.cx != 0) DrawBorder(memory, record, layout, angle, color);

    if (record.Size != 0 && length > 0) {
        PaletteGuard paletteSelection(memory, palette);
        SetTextColor(memory, textColor);
        const RECT clip = {page.X, page.Y, page.X + page.PageWidth, page.Y + page.PageHeight};
        ExtTextOutW(memory, Coordinate(static_cast<long long>(layout.TextX) + layout.Text.StartX),
                    Coordinate(static_cast<long long>(layout.TextY) + layout.Text.StartY),
                    ETO_CLIPPED, &clip, record.Text, static_cast<UINT>(length), nullptr);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Paper
// ---------------------------------------------------------------------------------------------

void LookUpPreviewPaperSize(const DriverItemMap* context, const wchar_t* formName, SIZE& size) {
    size.cx = kDefaultPaperWidth;
    size.cy = kDefaultPaperHeight;
    const size_t length = formName ? wcsnlen(formName, CCHFORMNAME) : 0;
    if (length > 0) {
        for (const PaperRule& rule : kPaperRules) {
            if (formName[0] == rule.First && CharAt(formName, length, rule.Position1, rule.Char1) &&
                CharAt(formName, length, rule.Position2, rule.Char2)) {
                size.cx = rule.Width;
                size.cy = rule.Height;
                break;
            }
        }
    }
    const DEVMODEW* devmode =
        context && context->SheetParam ? context->SheetParam->pPublicDM : nullptr;
    if (devmode && devmode->dmOrientation != DMORIENT_PORTRAIT) {
        const LONG width = size.cx;
        size.cx = size.cy;
        size.cy = width;
    }
}

// ---------------------------------------------------------------------------------------------
// Geometry
// ---------------------------------------------------------------------------------------------

bool LayOutPreviewPage(int clientWidth, int clientHeight, SIZE paper, PreviewPage& page) {
    page = {};
    page.Width = clientWidth - 1;
    page.Height = clientHeight - 1;
    const long long m = page.Width < page.Height ? page.Width : page.Height;
    // The page keeps at least 8 pixels on each side; a smaller control shows no page.
    if (m - 16 < 1) return false;
    long long pageW = paper.cx > 0 ? paper.cx : kDefaultPaperWidth;
    long long pageH = paper.cy > 0 ? paper.cy : kDefaultPaperHeight;
    const long long big = pageW > pageH ? pageW : pageH;
    // One pixel is Scale / 28 tenths of a millimetre. Kept at 1 or more (no division by zero
    // on a huge control) and within 16 bits (no wrap on a tiny one).
    page.Scale = Clamp(big * 28 / (m - 16), 1, 0x7FFF);
    page.PageWidth = Clamp(pageW * 28 / page.Scale, 0, page.Width);
    page.PageHeight = Clamp(pageH * 28 / page.Scale, 0, page.Height);
    if (page.PageWidth < 1 || page.PageHeight < 1) return false;
    page.X = (page.Width - page.PageWidth) / 2;
    page.Y = (page.Height - page.PageHeight) / 2;
    return true;
}

int NormalizeWatermarkAngle(int angle) {
    int a = angle % 360;
    if (a <= -180) a += 360;
    if (a > 180) a -= 360;
    return a;
}

TextRotation RotationOf(int angle) {
    const int a = NormalizeWatermarkAngle(angle);
    const int k = TableAngle(a);
    return {Sine(k), Cosine(k), a < -90 || (a >= 0 && a < 90)};
}

RotatedTextBox RotateTextBox(int angle, int cx, int cy) {
    const int a = NormalizeWatermarkAngle(angle);
    const int k = TableAngle(a);
    const long long s = Sine(k);
    const long long c = Cosine(k);
    RotatedTextBox box = {};
    box.Width = Coordinate((s * cy + c * cx) / kTrigUnit);
    box.Height = Coordinate((c * cy + s * cx) / kTrigUnit);
    if (a < -90) {
        box.StartX = Coordinate(Trig(c, cx));
        box.StartY = 0;
    } else if (a < 0) {
        box.StartX = 0;
        box.StartY = Coordinate(Trig(c, cy));
    } else if (a < 90) {
        box.StartX = Coordinate(Trig(s, cy));
        box.StartY = box.Height;
    } else {
        box.StartX = box.Width;
        box.StartY = Coordinate(Trig(s, cx));
    }
    return box;
}

int FrameAngle(int angle) {
    const int a = NormalizeWatermarkAngle(angle);
    if (a == 180) return 90;
    if (a >= -90) return (a + 180) % 90;
    return a + 180;
}

void FramePolygon(int angle, int x, int y, int boxWidth, int boxHeight, int sideWidth,
                  int sideHeight, POINT (&points)[5]) {
    const int g = FrameAngle(angle);
    const long long sg = Sine(g);
    const long long cg = Cosine(g);
    const long long bx = x;
    const long long by = y;
    auto at = [](long long px, long long py) { return POINT{Coordinate(px), Coordinate(py)}; };
    if (RotationOf(angle).Ascending) {
        points[0] = at(bx + Trig(sg, sideHeight), by + boxHeight);
        points[1] = at(bx + boxWidth, by + Trig(cg, sideHeight));
        points[2] = at(bx + Trig(cg, sideWidth), by);
        points[3] = at(bx, by + Trig(sg, sideWidth));
    } else {
        points[0] = at(bx + Trig(cg, sideHeight), by);
        points[1] = at(bx + boxWidth, by + Trig(cg, sideWidth));
        points[2] = at(bx + Trig(sg, sideWidth), by + boxHeight);
        points[3] = at(bx, by + Trig(sg, sideHeight));
    }
    points[4] = points[0];
}

void LayOutWatermark(const WatermarkRecord& record, const PreviewPage& page, SIZE textExtent,
                     WatermarkLayout& layout) {
    layout = {};
    const long long cx = textExtent.cx > 0 ? textExtent.cx : 0;
    const long long cy = textExtent.cy > 0 ? textExtent.cy : 0;
    const int angle = NormalizeWatermarkAngle(record.Angle);
    layout.Text = RotateTextBox(angle, static_cast<int>(cx), static_cast<int>(cy));
    const TextRotation rotation = RotationOf(angle);
    const long long s = rotation.Sin;
    const long long c = rotation.Cos;
    const bool large = record.Size >= kLargeSize;

    // Frames: a line height of 120 % of the text, 2 pixels more on each side.
    const long long lh = cy * 120 / 100;
    const long long fh = lh + 4;
    const long long fw = cx - 4 + (fh - cy) * 2;
    const long long fw2 = fw + (large ? 8 : 6);
    const long long fh2 = lh + (large ? 12 : 10);
    layout.FrameWidth = Coordinate(fw);
    layout.FrameHeight = Coordinate(fh);
    layout.OuterFrameWidth = Coordinate(fw2);
    layout.OuterFrameHeight = Coordinate(fh2);
    layout.FrameBoxWidth = Coordinate((s * fh + c * fw) / kTrigUnit);
    layout.FrameBoxHeight = Coordinate((s * fw + c * fh) / kTrigUnit);
    layout.OuterBoxWidth = Coordinate((s * fh2 + c * fw2) / kTrigUnit);
    layout.OuterBoxHeight = Coordinate((s * fw2 + c * fh2) / kTrigUnit);
    layout.Diameter = Coordinate(IntegerSquareRoot(cx * cx + cy * cy) * 11 / 10);

    switch (record.Border) {
        case kBorderCircle:
            layout.BoxWidth = layout.BoxHeight = layout.Diameter;
            layout.PenWidth = large ? 3 : 2;
            break;
        case kBorderSingleFrame:
            layout.BoxWidth = layout.FrameBoxWidth;
            layout.BoxHeight = layout.FrameBoxHeight;
            layout.PenWidth = large ? 3 : 2;
            break;
        case kBorderDoubleFrame:
            layout.BoxWidth = layout.OuterBoxWidth;
            layout.BoxHeight = layout.OuterBoxHeight;
            layout.PenWidth = large ? 2 : 1;
            break;
        default:
            layout.BoxWidth = layout.Text.Width;
            layout.BoxHeight = layout.Text.Height;
            layout.PenWidth = 0;
            break;
    }

    // Placement on the usable page (2 pixels inside the page on each side).
    const long long aw = page.PageWidth - 4;
    const long long ah = page.PageHeight - 4;
    const long long bw = layout.BoxWidth;
    const long long bh = layout.BoxHeight;
    long long x = aw / 2 - bw / 2;
    long long y = ah / 2 - bh / 2;
    switch (record.Position) {
        case kPositionUpperLeft:
            x = 0;
            y = 0;
            break;
        case kPositionUpperCenter:
            y = 0;
            break;
        case kPositionUpperRight:
            x = aw - bw;
            y = 0;
            break;
        case kPositionLowerLeft:
            x = 0;
            y = ah - bh;
            break;
        case kPositionLowerCenter:
            y = ah - bh;
            break;
        case kPositionLowerRight:
            x = aw - bw;
            y = ah - bh;
            break;
        default:
            break;  // centre
    }
    // The adjustments are in points, like the size; a stored value beyond the editor's range
    // counts as its nearest bound.
    const long long scale = page.Scale > 0 ? page.Scale : 1;
    const long long ox =
        static_cast<long long>(Clamp(record.OffsetX, kWatermarkOffsetMin, kWatermarkOffsetMax)) *
        100 / scale;
    const long long oy =
        static_cast<long long>(Clamp(record.OffsetY, kWatermarkOffsetMin, kWatermarkOffsetMax)) *
        100 / scale;
    layout.BoxX = Coordinate(page.X + 2 + ox + x);
    layout.BoxY = Coordinate(page.Y + 2 + oy + y);
    layout.TextX = Coordinate(layout.BoxX + bw / 2 - layout.Text.Width / 2);
    layout.TextY = Coordinate(layout.BoxY + bh / 2 - layout.Text.Height / 2);
}

// ---------------------------------------------------------------------------------------------
// Font and colour
// ---------------------------------------------------------------------------------------------

void BuildPreviewFont(const WatermarkRecord& record, const wchar_t* fontFile, int scale,
                      LOGFONTW& font) {
    font = {};
    const long long s = scale > 0 ? scale : 1;
    // Size x 100 / scale, rounded: a point is drawn as 100 / 28 tenths of a millimetre.
    const long long height = (static_cast<long long>(record.Size) * 200 + s) / (s * 2);
    font.lfHeight = Clamp(height, 1, kCoordinateLimit);
    font.lfEscapement = NormalizeWatermarkAngle(record.Angle) * 10;
    font.lfWeight = record.Weight >= 0 && record.Weight <= 1000 ? record.Weight : 0;
    font.lfItalic = record.Italic ? 1 : 0;
    font.lfCharSet = record.CharSet;

    GlobalBlock<wchar_t> entry(kFontEntryChars * sizeof(wchar_t));
    if (!entry || !ReadFontEntry(fontFile, record.FontIndex, entry.get(), kFontEntryChars)) {
        return;
    }
    if (IsJapaneseFontEntry(entry.get())) {
        GetFontEntryField(entry.get(), 2, font.lfFaceName, LF_FACESIZE);
        font.lfCharSet = SHIFTJIS_CHARSET;
    } else {
        GetFontEntryField(entry.get(), 5, font.lfFaceName, LF_FACESIZE);
    }
}

UniquePalette CreatePreviewPalette(HDC dc, UINT entries, COLORREF color) {
    if (entries == 0) return UniquePalette();
    if (entries > 256) entries = 256;
    GlobalBlock<LOGPALETTE> block(sizeof(LOGPALETTE) + (entries - 1) * sizeof(PALETTEENTRY));
    if (!block) return UniquePalette();
    LOGPALETTE* palette = block.get();
    palette->palVersion = 0x300;
    palette->palNumEntries = static_cast<WORD>(entries);
    GetSystemPaletteEntries(dc, 0, entries, palette->palPalEntry);
    PALETTEENTRY& mine = palette->palPalEntry[entries / 2];
    mine.peRed = GetRValue(color);
    mine.peGreen = GetGValue(color);
    mine.peBlue = GetBValue(color);
    mine.peFlags = PC_RESERVED;
    return UniquePalette(CreatePalette(palette));
}

// ---------------------------------------------------------------------------------------------
// Drawing
// ---------------------------------------------------------------------------------------------

void RenderWatermarkPreview(HDC dc, int clientWidth, int clientHeight, SIZE paper,
                            const WatermarkRecord* record, const wchar_t* fontFile) {
    if (dc == nullptr || clientWidth < 2 || clientHeight < 2) return;
    DrawSunkenFrame(dc, clientWidth - 1, clientHeight - 1);
    PreviewPage page;
    if (!LayOutPreviewPage(clientWidth, clientHeight, paper, page)) return;
    DrawPageOutline(dc, page);

    const COLORREF color = record ? WatermarkRgb(record->Color) : 0;

    // On a palette device that lacks the colour, the text gets a palette entry of its own.
    UniquePalette palette;
    COLORREF textColor = color;
    if (record && GetNearestColor(dc, color) != color &&
        (GetDeviceCaps(dc, RASTERCAPS) & RC_PALETTE) != 0) {
        const int entries = GetDeviceCaps(dc, SIZEPALETTE);
        if (entries > 0) {
            palette = CreatePreviewPalette(dc, static_cast<UINT>(entries), color);
            const UINT index = static_cast<UINT>(entries > 256 ? 256 : entries) / 2;
            if (palette) textColor = PALETTEINDEX(index);
        }
    }
    const HPALETTE hpalette = palette.get();

    UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (!memory) return;
    UniqueBitmap bitmap(CreateCompatibleBitmap(dc, page.Width, page.Height));
    if (!bitmap) return;
    {
        SelectGuard bitmapSelection(memory.get(), bitmap.get());
        PatBlt(memory.get(), 0, 0, page.Width, page.Height, WHITENESS);
        if (record) {
            DrawWatermark(memory.get(), page, *record, fontFile, color, textColor, hpalette);
        }
        PaletteGuard paletteSelection(dc, hpalette);
        BitBlt(dc, page.X, page.Y, page.PageWidth, page.PageHeight, memory.get(), page.X, page.Y,
               SRCCOPY);
    }
}

int DrawWatermarkPreview(HWND dialog, int controlId, const DriverItemMap* context) {
    HWND control = dialog ? FindControl(dialog, controlId) : nullptr;
    if (control == nullptr) return 1;
    const WatermarkRecord* record = context ? context->Watermarks.Working : nullptr;

    // The form name of a DEVMODE need not end in a NUL when it fills all 32 characters.
    wchar_t formName[CCHFORMNAME + 1] = {};
    const DEVMODEW* devmode =
        context && context->SheetParam ? context->SheetParam->pPublicDM : nullptr;
    if (devmode) wcsncpy_s(formName, ARRAYSIZE(formName), devmode->dmFormName, CCHFORMNAME);
    SIZE paper;
    LookUpPreviewPaperSize(context, formName, paper);

    RECT client = {};
    GetClientRect(control, &client);
    WindowDc dc(control);
    if (!dc) return 1;
    RenderWatermarkPreview(dc.get(), client.right - client.left, client.bottom - client.top, paper,
                           record, context ? context->Watermarks.FontFile : nullptr);
    return 1;
}

}  // namespace oemui
