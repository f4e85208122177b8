// Controls of the Calder Color details dialog (template 118).
#pragma once

#define IDC_CALDER_BLACK_GROUP      1253
#define IDC_CALDER_BLACK_AUTO       1254  // 1254..1256: VRBlackSubstitution 0..2
#define IDC_CALDER_BLACK_COMPOSITE  1255
#define IDC_CALDER_BLACK_TRUE       1256
#define IDC_CALDER_RGB_GROUP        1200
#define IDC_CALDER_RGB_LABEL        1282
#define IDC_CALDER_RGB_LIST         1266  // VRColorRenderStyle
#define IDC_CALDER_UTILITY          1267  // colour setting of the colour-correction utility on
#define IDC_CALDER_UTILITY_LIST     1268  // the settings of the colour-matching file
#define IDC_CALDER_PICTURE          1214  // bitmap 6050 (6051 in grey scale), framed
#define IDC_CALDER_CMYK_GROUP       1260
#define IDC_CALDER_CMYK_LIST        1211  // VRTargetColor
