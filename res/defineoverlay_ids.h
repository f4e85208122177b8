// Control ids of the Define Overlays dialog (template 203). Plain #defines so that both the
// resource compiler and C++ can use them.
#pragma once

#define IDC_DOV_NAME_LABEL       1100  // "Overlay &Name:"
#define IDC_DOV_NAME             1101  // edit: the overlay name
#define IDC_DOV_PAGES_LABEL      1102  // "&Print on Pages:"
#define IDC_DOV_PAGEMODE         1103  // drop-down list: All/First/Odd/Even Pages, Custom
#define IDC_DOV_CUSTOM_LABEL     1104  // "&Custom Pages:"
#define IDC_DOV_CUSTOM           1105  // edit: custom page list, e.g. 1,3,5-12
#define IDC_DOV_CUSTOM_HINT      1106  // how to write the page list
#define IDC_DOV_FORM_GROUP       1107  // "Form settings"
#define IDC_DOV_FORM_LABEL       1108  // "Form Na&me:"
#define IDC_DOV_FORM_NAME        1109  // editable combo box: form name, list = recent names
#define IDC_DOV_FORM_ADD         1110  // "&Add"
#define IDC_DOV_FORM_RENAME      1111  // "&Rename"
#define IDC_DOV_FORMS_LABEL      1112  // "Defined &Forms:"
#define IDC_DOV_FORMS            1113  // list box: the overlay's forms
#define IDC_DOV_FORM_DELETE      1114  // "&Delete"
