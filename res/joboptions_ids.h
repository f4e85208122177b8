// Control ids of the Job Options page (template IDD_JOB_OPTIONS_PAGE, resource.h) and of the
// job-type controls other page layouts of the same page procedure carry. Plain #defines so that
// both the resource compiler and C++ can use them. The link (1392, 10001) and "&Default"
// (10000) are shared with the Color page and stay in resource.h.
#pragma once

#define IDC_QUALITY_GROUP        1500  // "&Quality"
#define IDC_QUALITY_PICTURE      1501  // owner-drawn picture of the chosen resolution
#define IDC_TONER_SAVE           1506  // "&Toner Save" (also on the Color page)
#define IDC_JOBTYPE_NORMAL       1508  // job-type radios 1508..1511 of other page layouts:
#define IDC_JOBTYPE_LAST         1511  //   job type = id - 1508
#define IDC_JOB_SETTINGS         1512  // job-type settings button of other page layouts
#define IDC_COPIES_FIRST         1513  // first id of the copies controls
#define IDC_COPIES_EDIT          1514  // number of copies, at most 3 digits
#define IDC_COPIES_SPIN          1515
#define IDC_COPIES_RANGE         1517  // "( %d-%d )"
#define IDC_SCALE_GROUP          1530  // "Scal&e"; first id of the scale controls
#define IDC_SCALE_EDIT           1532  // scaling percent, at most 4 digits
#define IDC_SCALE_SPIN           1533
#define IDC_SCALE_RANGE          1534  // "( %d-%d %% )"
#define IDC_WATERMARKS           1535  // "&Watermarks..." opens template 112
#define IDC_OVERLAYS             1536  // "Overla&ys..." opens template 109
#define IDC_JOB_ADVANCED         1537  // "Ad&vanced..." opens template 204
#define IDC_COPIES_GROUP         1542  // "&Copies"
#define IDC_RESOLUTION_HIGH      1545  // resolution selection 0
#define IDC_RESOLUTION_NORMAL    1546  // resolution selection 1
#define IDC_RESOLUTION_THIRD     1547  // selection 2, other page layouts
#define IDC_COLOR_CONTROL_CHECK  1548  // other page layouts: VRControl forced to 4 while ticked
#define IDC_JOB_LOCK_LAST        1558  // last id of the permission lock range 1500..1558
#define IDC_ABOUT                1559  // "A&bout..." opens template 117
#define IDC_GAMMA_LIST           1613  // custom gamma settings (also on the Color page)
#define IDC_CUSTOM_GAMMA         1618  // "C&ustom Gamma Adjustment:" (also on the Color page)
