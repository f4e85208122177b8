// Control ids of the watermark editor (template IDD_WATERMARK_EDITOR, resource.h); its font
// dialog's are in wmfont_ids.h. Plain #defines so that both the resource compiler and C++ can
// use them.
#pragma once

// ---- Editor "Watermark" ------------------------------------------------------------------------
#define IDC_WMED_TEXT_GROUP      1400  // "&Text"
#define IDC_WMED_TEXT            1411  // the watermark text, at most 128 characters
#define IDC_WMED_SIZE_LABEL      1412  // "&Size"
#define IDC_WMED_SIZE            1413  // size in points (unsigned)
#define IDC_WMED_SIZE_BAR        1414  // size scroll bar, 1..600
#define IDC_WMED_ANGLE_LABEL     1415  // "An&gle"
#define IDC_WMED_ANGLE           1416  // angle in degrees (signed)
#define IDC_WMED_ANGLE_BAR       1417  // angle scroll bar, -180..180
#define IDC_WMED_FONT            1418  // "&Font..."
#define IDC_WMED_COLOR           1419  // "&Color..."
#define IDC_WMED_X_SPIN          1421  // up-down of the X adjustment, -1000..1000
#define IDC_WMED_Y_SPIN          1422  // up-down of the Y adjustment
#define IDC_WMED_POSITION_GROUP  1430  // "&Position"
#define IDC_WMED_X_LABEL         1431  // "&X"
#define IDC_WMED_X               1432  // X adjustment, at most 5 characters
#define IDC_WMED_Y_LABEL         1433  // "&Y"
#define IDC_WMED_Y               1434  // Y adjustment, at most 5 characters
#define IDC_WMED_PREVIEW         1436  // owner-drawn preview
#define IDC_WMED_BORDER_GROUP    1438  // "Bo&rder"
#define IDC_WMED_BORDER_NONE     1439  // Border = id - 1439
#define IDC_WMED_BORDER_CIRCLE   1440
#define IDC_WMED_BORDER_SINGLE   1441
#define IDC_WMED_BORDER_DOUBLE   1442
#define IDC_WMED_POSITION        1443  // drop-down list of the seven positions
#define IDC_WMED_ADJUST_LABEL    1444  // "Watermark Adjustment"
#define IDC_WMED_ANGLE_MIN       1445  // "-180"
#define IDC_WMED_ANGLE_ZERO      1446  // "0"
#define IDC_WMED_ANGLE_MAX       1447  // "+180"
