// Controls of the Color page (template 111). The Toner Save box and the gamma controls are the
// Job Options page's (res/joboptions_ids.h); the link and "&Default" stay in resource.h.
#pragma once

#define IDC_COLORMODE_PICTURE_FIRST 1600  // 1600..1604: pictures beside the mode radios
#define IDC_COLORMODE_PICTURE_LAST  1604
#define IDC_COLORMODE_AUTOMATIC  1605
#define IDC_COLORMODE_CALDER     1606
#define IDC_COLORMODE_MERIDAN    1607
#define IDC_COLORMODE_NO_MATCH   1608
#define IDC_COLORMODE_GREYSCALE  1609
#define IDC_CALDER_OPTIONS       1610
#define IDC_GAMMA_LABEL          1612
#define IDC_COLOR_SWATCH         1614
#define IDC_MERIDAN_OPTIONS      1616
#define IDC_COLORMODE_GROUP      1617
#define IDC_COLOR_ADVANCED       1215
#define IDC_BLACK_FINISH_LABEL   1666
#define IDC_BLACK_FINISH         1667
#define IDC_SPECIAL_TONER        4031  // other layouts only

// Controls other layouts of the Color page carry; template 111 has none of them, but the page
// locks them with the rest when the sheet may not change settings.
#define IDC_COLOR_MODE_EXTRA_FIRST  1212  // 1212..1215: ends with the Advanced button
#define IDC_COLOR_EXTRA_FIRST       1590  // 1590..1592
#define IDC_COLOR_EXTRA_LAST        1592
