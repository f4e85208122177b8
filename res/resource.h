// Resource identifiers of the plug-in DLL: dialog templates, controls, strings, bitmaps, icons.
// Plain #defines so that both the resource compiler and C++ can use them.
#pragma once

// The version numbers come from the build (CMake project version).
#include "oemui_version.h"

// ---- Dialog templates -------------------------------------------------------------------------
#define IDD_OVERLAYS             109
#define IDD_COLOR_PAGE           111
#define IDD_WATERMARKS           112
#define IDD_JOB_OPTIONS_PAGE     113
#define IDD_WATERMARK_EDITOR     114
#define IDD_WATERMARK_FONT       115
#define IDD_ABOUT                117
#define IDD_CALDER_COLOR         118
#define IDD_MERIDAN_PRO          119
#define IDD_COLOR_ADVANCED       200
#define IDD_JOB_PIN              202
#define IDD_DEFINE_OVERLAY       203
#define IDD_JOB_ADVANCED         204
#define IDD_WARNING_STAPLE       300   // warning kind 0
#define IDD_WARNING_JOB_NAME     301   // warning kind 1
#define IDD_WARNING_BOOKLET      302   // warning kind 2
#define IDD_SPECIAL_TONER_WHITE  4001
#define IDD_SPECIAL_TONER_CLEAR  4002

// ---- Controls shared by pages and dialogs -------------------------------------------------------
// Labels nothing addresses by id (hidden labels that name the control after them).
#ifndef IDC_STATIC
#define IDC_STATIC               (-1)
#endif
#define IDC_DEFAULT              10000
#define IDC_LINK_PICTURE         10001
#define IDC_LINK_TEXT            1392

// ---- Job Options page (template 113): res/joboptions_ids.h -------------------------------
#include "joboptions_ids.h"

// ---- Color page (template 111): res/colorpage_ids.h ---------------------------------------
#include "colorpage_ids.h"

// ---- Warning dialogs (templates 300 to 302): res/warnings_ids.h --------------------------
#include "warnings_ids.h"

// ---- Strings -----------------------------------------------------------------------------------
#define IDS_COMPRESSION_NONE     6001  // 6001..6004: compression level i = string 6001 + i
#define IDS_COMPRESSION_FAST     6002
#define IDS_COMPRESSION_NORMAL   6003
#define IDS_COMPRESSION_BEST     6004
#define IDS_COPIES_RANGE         7000
#define IDS_SCALE_RANGE          7001
#define IDS_PIN_INVALID          8000
#define IDS_JOB_NAME_MISSING     8001
#define IDS_OVERLAY_COLUMN_NAME  8010
#define IDS_OVERLAY_COLUMN_PAGE  8011
#define IDS_OVERLAY_MAX_FORMAT   8012
#define IDS_PAGEMODE_ALL         8030  // 8030..8034: page mode i = string 8030 + i
#define IDS_PAGEMODE_FIRST       8031
#define IDS_PAGEMODE_ODD         8032
#define IDS_PAGEMODE_EVEN        8033
#define IDS_PAGEMODE_CUSTOM      8034
#define IDS_NEW_OVERLAY          8035
#define IDS_GET_INSTALLED_OPTIONS 8040
#define IDS_WATERMARK_NONE       8050
#define IDS_WATERMARK_SECTION    8051
#define IDS_WATERMARK_FONT_DEFAULT 8052
#define IDS_CUSTOM_COLOR_SECTION 8053
#define IDS_POSITION_FIRST       8054  // 8054..8060: watermark position i = string 8054 + i
#define IDS_POSITION_LAST        8060
#define IDS_FONT_SIZE_FIRST      8061  // 8061..8076: the 16 point sizes of the font dialog
#define IDS_FONT_SIZE_LAST       8076
#define IDS_FONT_STYLE_FIRST     8077  // 8077..8080: Regular, Italic, Bold, Bold Italic
#define IDS_FONT_STYLE_LAST      8080
#define IDS_SPECIAL_TONER_TITLE  8082  // 8082 + SpecialTonerKind (0 none, 1 white, 2 clear)
#define IDS_OVERLAY_NAME_EXISTS  10020
#define IDS_OVERLAY_NO_FORMS     10021
#define IDS_OVERLAY_CREATE_FORM  10022
#define IDS_OVERLAY_NAME_MISSING 10023
#define IDS_FORM_NAME_TRAILING_DOT 10024
#define IDS_WATERMARK_LIMIT      10040
#define IDS_CAPTION_WARNING      10041
#define IDS_SETTINGS_INVALID     10050
#define IDS_COPIES_SET_TO_ONE    10054
#define IDS_SWATCH_NOT_INSTALLED 10060
#define IDS_CAPTION_ERROR        10061
#define IDS_SPECIAL_COLOR_SPACE_OFF 10062
#define IDS_SPECIAL_TONER_CHOICE_OFF 10063
#define IDS_SAVE_FAILED          10070  // what users save: "%s" the file, "%s" the reason
#define IDS_SAVE_DENIED          10071  // the reasons; IDS_SAVE_OTHER takes the error number
#define IDS_SAVE_IN_USE          10072
#define IDS_SAVE_DISK_FULL       10073
#define IDS_SAVE_NO_FOLDER       10074
#define IDS_SAVE_NO_MEMORY       10075
#define IDS_SAVE_OTHER           10076
#define IDS_USER_MODE_LIBRARY    30000
#define IDS_CAPTION_INFORMATION  30010
#define IDS_DEVICE_SHEET_TITLE   30020
#define IDS_NAME_OVERLAY_REMOVE  30030  // screen-reader names of buttons that share a text
#define IDS_NAME_OVERLAY_DELETE  30031  //   with another on their dialog
#define IDS_NAME_CALDER_OPTIONS  30032
#define IDS_NAME_MERIDAN_OPTIONS 30033

// ---- Bitmaps -----------------------------------------------------------------------------------
#define IDB_COLOR_SAMPLE         6050  // 190 x 155, 256 colours
#define IDB_COLOR_SAMPLE_GREY    6051
#define IDB_LINK                 6052  // 140 x 32, 16 colours, magenta transparent
#define IDB_RESOLUTION_HIGH      6053  // 180 x 117, 256 colours
#define IDB_RESOLUTION_NORMAL    6054
#define IDB_RESOLUTION_THIRD     6055
#define IDB_ABOUT_LOGO           6056  // 260 x 180, 256 colours, magenta transparent
#define IDB_COLORMODE_AUTOMATIC  6100  // 48 x 44, 256 colours, magenta transparent
#define IDB_COLORMODE_GREYSCALE  6101
#define IDB_COLORMODE_NO_MATCH   6102
#define IDB_COLORMODE_MERIDAN    6103
#define IDB_COLORMODE_CALDER     6104
#define IDB_PROFILE              6105  // 34 x 34, 16 colours, magenta transparent
#define IDB_PRINTER_PROFILE      6106
#define IDB_LINK_PROFILE         6107  // 212 x 32, 16 colours, magenta transparent

// ---- Icons -------------------------------------------------------------------------------------
#define IDI_WARNING_SIGN              7000
#define IDI_PREVIEW_NORMAL       7001  // 7001 + (1 mirror) + (2 negative)
#define IDI_PREVIEW_MIRROR       7002
#define IDI_PREVIEW_NEGATIVE     7003
#define IDI_PREVIEW_MIRROR_NEGATIVE 7004
