// Controls and pictures of the special-toner dialog (templates 4001 white, 4002 clear).
#pragma once

#define IDC_TONER_TITLE             4004  // string 8082 + SpecialTonerKind
#define IDC_TONER_CHOICE_GROUP      4005
#define IDC_TONER_CHOICE_FIRST      4006  // 4006..4011: VRSpecialColorControl 0..5
#define IDC_TONER_CHOICE_LAST       4011
#define IDC_TONER_CHOICE_PICTURE_FIRST 4012  // 4012..4017: picture buttons of the choices
#define IDC_TONER_CHOICE_PICTURE_LAST  4017
#define IDC_TONER_CHOICE_OFF    4006
#define IDC_TONER_PICTURE_OFF   4012
#define IDC_TONER_CHOICE_SPOT   4007
#define IDC_TONER_PICTURE_SPOT  4013
#define IDC_TONER_CHOICE_UNDER  4008
#define IDC_TONER_PICTURE_UNDER 4014
#define IDC_TONER_CHOICE_OVER   4009
#define IDC_TONER_PICTURE_OVER  4015
#define IDC_TONER_CHOICE_AUTO   4010
#define IDC_TONER_PICTURE_AUTO  4016
#define IDC_TONER_CHOICE_WHOLE  4011
#define IDC_TONER_PICTURE_WHOLE 4017
#define IDC_TONER_PREVIEW_PAGE      4018  // the document as it is
#define IDC_TONER_PREVIEW_ARROW     4019
#define IDC_TONER_PREVIEW_RESULT    4020  // the document with the chosen toner use
#define IDC_TONER_ORDER_PICTURE     4022  // white only: the layers in the chosen order
#define IDC_TONER_ORDER_GROUP       4023
#define IDC_TONER_ORDER_UNDER       4024  // 4024, 4025: VRSpecialColorOrder 0, 1
#define IDC_TONER_ORDER_OVER        4025
#define IDC_TONER_ORDER_PICTURE_UNDER 4026  // picture buttons of the two orders
#define IDC_TONER_ORDER_PICTURE_OVER  4027
#define IDC_TONER_FINISH_LABEL      4028  // clear only
#define IDC_TONER_FINISH_LIST       4029  // VRClearOutputMode
#define IDC_TONER_MIRROR            1801  // core item named by core string 423, ticked = 0
#define IDC_TONER_MIRROR_NOTE       1802
#define IDC_TONER_MIRROR_ICON       1803  // icon 7002 when mirrored, else 7001

// Pictures, 16 colours, magenta transparent.
#define IDB_TONER_CHOICE_FIRST      4032  // 4032..4037: the six choices, 32 x 32
#define IDB_TONER_PAGE              4038  // 60 x 76
#define IDB_TONER_ARROW             4039  // 24 x 24; 4039 + choice (4040..4044): results, 60 x 76
#define IDB_TONER_ORDER_UNDER       4045  // 32 x 32
#define IDB_TONER_ORDER_OVER        4046
#define IDB_TONER_LAYERS_UNDER      4047  // 48 x 48: the layers on the paper, seen from the side
#define IDB_TONER_LAYERS_OVER       4048
