// Control ids of the three warning dialogs (templates IDD_WARNING_STAPLE, IDD_WARNING_JOB_NAME
// and IDD_WARNING_BOOKLET, resource.h): the same controls on each. Plain #defines so that both
// the resource compiler and C++ can use them.
#pragma once

#define IDC_WARNING_TEXT         6001
#define IDC_WARNING_TEXT2        6002
#define IDC_WARNING_STAPLE_SIZES 6003
#define IDC_WARNING_BOOKLET_SIZE 6004
#define IDC_WARNING_SHOW_AGAIN   6005
#define IDC_WARNING_ICON         6006
#define IDC_WARNING_STAPLE_SHEETS 6007  // the limits beside the paper sizes of 6003
#define IDC_WARNING_BOOKLET_SHEETS 6008 // the limit beside the booklet label of 6004
