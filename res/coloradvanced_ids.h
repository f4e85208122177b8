// Controls of the colour Advanced dialog (template 200).
#pragma once

#define IDC_CADV_OTHERS_GROUP      1300
#define IDC_CADV_ALWAYS_PRN_HT     1301
#define IDC_CADV_OVERPRINT         1302
#define IDC_CADV_SEPARATION_LABEL  1303
#define IDC_CADV_SEPARATION_LIST   1304
#define IDC_CADV_SCREEN_OBO        1305
#define IDC_CADV_SPECIAL_SPACE     1307
