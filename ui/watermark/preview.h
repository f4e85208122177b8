// The watermark preview: a miniature page in the proportions of the document's paper and
// orientation, drawn into the owner-drawn button 1436 of the Watermarks dialog and of the
// watermark editor, with the working watermark on it (text in its colour, font, size and angle,
// placed by position and X/Y adjustment, with its border).
//
// The page interior is drawn off-screen and reaches the control in one BitBlt, so the preview
// does not flicker while the user drags a scroll bar or types. All trigonometry uses the integer
// sine table below.
#pragma once

#include <windows.h>

#include "base/handles.h"
#include "base/watermarkrecord.h"
#include "wmeditor_ids.h"

namespace oemui {

struct DriverItemMap;

// The owner-drawn button both watermark dialogs show the preview in (the Watermarks dialog's
// IDC_WMDLG_PREVIEW has the same id).
inline constexpr int kPreviewControlId = IDC_WMED_PREVIEW;

// sin(k degrees) x 10000, rounded, for k = 0..90; cos(k) is entry 90 - k. Products with these
// entries are divided by kTrigUnit with integer division.
inline constexpr int kTrigUnit = 10000;
inline constexpr int kSineTableEntries = 91;
inline constexpr INT16 kSineTable[kSineTableEntries] = {
    0,     175,  349,  523,  698,  872,  1045, 1219, 1392, 1564,  //  0.. 9
    1736,  1908, 2079, 2250, 2419, 2588, 2756, 2924, 3090, 3256,  // 10..19
    3420,  3584, 3746, 3907, 4067, 4226, 4384, 4540, 4695, 4848,  // 20..29
    5000,  5150, 5299, 5446, 5592, 5736, 5878, 6018, 6157, 6293,  // 30..39
    6428,  6561, 6691, 6820, 6947, 7071, 7193, 7314, 7431, 7547,  // 40..49
    7660,  7771, 7880, 7986, 8090, 8192, 8290, 8387, 8480, 8572,  // 50..59
    8660,  8746, 8829, 8910, 8988, 9063, 9135, 9205, 9272, 9336,  // 60..69
    9397,  9455, 9511, 9563, 9613, 9659, 9703, 9744, 9781, 9816,  // 70..79
    9848,  9877, 9903, 9925, 9945, 9962, 9976, 9986, 9994, 9998,  // 80..89
    10000,                                                        // 90
};

// --- Paper ----------------------------------------------------------------------------------

// Paper size of the preview page in tenths of a millimetre, chosen by characters of the form
// name (A4 when nothing matches; at most the 32 characters of a DEVMODE form name are read).
// Width and height are swapped when the public DEVMODE of the context's sheet is not in
// portrait orientation. context may be null (portrait); formName may be null (A4).
void LookUpPreviewPaperSize(const DriverItemMap* context, const wchar_t* formName, SIZE& size);

// --- Geometry -------------------------------------------------------------------------------

// The miniature page inside a control's client area. Width and Height are the client size
// minus 1; Scale is tenths of a millimetre per 1/28 pixel; X, Y, PageWidth, PageHeight give the
// page's pixels (the outline is drawn one pixel around them).
struct PreviewPage {
    int Width;
    int Height;
    int Scale;
    int X;
    int Y;
    int PageWidth;
    int PageHeight;
};

// Lays out the page for a client area and paper. False when the area is too small to hold a
// page (the sunken frame is all that is drawn then).
bool LayOutPreviewPage(int clientWidth, int clientHeight, SIZE paper, PreviewPage& page);

// Any angle brought into -179..180 degrees (the same direction on the page).
int NormalizeWatermarkAngle(int angle);

// Sine and cosine (x kTrigUnit) of the table angle for a normalised watermark angle, and
// whether the rotated text rises to the right ("ascending": -180..-91 and 0..89 degrees).
struct TextRotation {
    int Sin;
    int Cos;
    bool Ascending;
};
TextRotation RotationOf(int angle);

// The bounding box (Width x Height) of text of extent cx x cy turned by `angle` degrees
// counter-clockwise, and where the bottom-left corner of the unturned text (the reference
// point of TA_BOTTOM | TA_LEFT) lies in that box.
struct RotatedTextBox {
    int Width;
    int Height;
    int StartX;
    int StartY;
};
RotatedTextBox RotateTextBox(int angle, int cx, int cy);

// Angle (0..90) of the frame rectangles for a normalised watermark angle.
int FrameAngle(int angle);

// The closed four-segment line through the corners of a frame of sides sideWidth x sideHeight
// turned by the watermark angle, inside its box (x, y, boxWidth x boxHeight). The fifth point
// repeats the first.
void FramePolygon(int angle, int x, int y, int boxWidth, int boxHeight, int sideWidth,
                  int sideHeight, POINT (&points)[5]);

// Where everything of one watermark goes on the page, for a text extent measured with the
// preview font.
struct WatermarkLayout {
    RotatedTextBox Text;          // turned text box
    int BoxX, BoxY;               // placement box, top-left ...
    int BoxWidth, BoxHeight;      // ... and size (circle, frame or text box by border)
    int TextX, TextY;             // top-left of the text box, centred in the placement box
    int FrameWidth, FrameHeight;  // single frame (inner frame of the double one)
    int OuterFrameWidth, OuterFrameHeight;  // outer frame of the double frame
    int FrameBoxWidth, FrameBoxHeight;      // turned single frame's bounding box
    int OuterBoxWidth, OuterBoxHeight;      // turned outer frame's bounding box
    int Diameter;                           // circle
    int PenWidth;                           // border pen
};
void LayOutWatermark(const WatermarkRecord& record, const PreviewPage& page, SIZE textExtent,
                     WatermarkLayout& layout);

// --- Font and colour ------------------------------------------------------------------------

// The preview font of a record for a page scale: height from the size (at least 1), escapement
// from the angle, weight, italic and character set from the record, face from the record's
// entry of font list file `fontFile` (field 5; field 2 and the Shift-JIS character set for a
// Japanese-language entry; empty when there is no entry or no file).
void BuildPreviewFont(const WatermarkRecord& record, const wchar_t* fontFile, int scale,
                      LOGFONTW& font);

// A palette of `entries` system palette entries (at most 256) with entry entries / 2 replaced
// by `color` and reserved for it; used on palette devices that lack the watermark colour.
// Null when entries is 0 or the palette cannot be made.
UniquePalette CreatePreviewPalette(HDC dc, UINT entries, COLORREF color);

// --- Drawing --------------------------------------------------------------------------------

// Paints the preview into a device context whose client area is clientWidth x clientHeight:
// the sunken frame and page outline directly, the page interior off-screen and then copied.
// record may be null (an empty page); paper comes from LookUpPreviewPaperSize; the font's face
// from font list file `fontFile`.
void RenderWatermarkPreview(HDC dc, int clientWidth, int clientHeight, SIZE paper,
                            const WatermarkRecord* record, const wchar_t* fontFile);

// Draws the preview of the Working record of the page context (may be null: an empty A4 page)
// into the client area of `dialog`'s control `controlId` (always 1436). Returns 1.
int DrawWatermarkPreview(HWND dialog, int controlId, const DriverItemMap* context);

}  // namespace oemui
