// Control ids of the Watermarks dialog (template IDD_WATERMARKS, resource.h). Plain #defines so
// that both the resource compiler and C++ can use them. The preview shares its id with the
// editor's (IDC_WMED_PREVIEW): the preview drawing serves both dialogs.
#pragma once

#define IDC_WMDLG_LIST           1401  // "None" and the user's watermarks, in list order
#define IDC_WMDLG_DELETE         1402  // "&Delete"
#define IDC_WMDLG_NEW            1403  // "&New..."
#define IDC_WMDLG_EDIT           1404  // "&Edit..."
#define IDC_WMDLG_PREVIEW        1436  // owner-drawn preview of the working watermark
#define IDC_WMDLG_FIRST_PAGE     1437  // "First page &only"
#define IDC_WMDLG_BACKGROUND     1448  // "Print in &background"
