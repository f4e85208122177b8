// Control ids of the Overlays dialog (template 109). Plain #defines so that both the resource
// compiler and C++ can use them. The dialog addresses 1050..1061 as one range (read-only sheets
// switch all of them off).
#pragma once

#define IDC_OVL_MODE             1050  // drop-down list: options of the VROverlay feature
#define IDC_OVL_ACTIVE_LABEL     1051  // "Acti&ve Overlays:"
#define IDC_OVL_ACTIVE_LIST      1052  // list view: active overlays in print order
#define IDC_OVL_ACTIVE_MAX       1053  // "(Max. 4)"
#define IDC_OVL_ADD              1054  // "&Add": selected definitions become active
#define IDC_OVL_REMOVE           1055  // "De&lete": selected active overlays are dropped
#define IDC_OVL_DEFINED_LABEL    1056  // "De&fined Overlays:"
#define IDC_OVL_DEFINED_LIST     1057  // list view: every defined overlay
#define IDC_OVL_DEFINED_MAX      1058  // "(Max. 32)"
#define IDC_OVL_NEW              1059  // "&New...": define an overlay
#define IDC_OVL_EDIT             1060  // "&Edit...": edit the selected definition
#define IDC_OVL_DELETE           1061  // "&Delete": delete the selected definitions
#define IDC_OVL_FIRST            IDC_OVL_MODE
#define IDC_OVL_LAST             IDC_OVL_DELETE
