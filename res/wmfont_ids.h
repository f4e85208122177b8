// Control ids of the watermark editor's font dialog (template IDD_WATERMARK_FONT, resource.h).
// Plain #defines so that both the resource compiler and C++ can use them.
#pragma once

#define IDC_WMFONT_LIST          1450  // font entries of the font list file
#define IDC_WMFONT_NAME          1451  // the chosen font's list name (read-only)
#define IDC_WMFONT_NAME_LABEL    1452  // "&Font"
#define IDC_WMFONT_STYLE_LIST    1453  // Regular, Italic, Bold, Bold Italic
#define IDC_WMFONT_STYLE         1454  // the chosen style's name (read-only)
#define IDC_WMFONT_STYLE_LABEL   1455  // "St&yle"
#define IDC_WMFONT_SIZE_LIST     1456  // the sixteen listed sizes
#define IDC_WMFONT_SIZE          1457  // size in points, at most 5 characters
#define IDC_WMFONT_SIZE_LABEL    1458  // "&Size"
