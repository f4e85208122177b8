// Control ids of the Job Advanced dialog (template 204).
// Plain #defines so that both the resource compiler and C++ can use them.
#pragma once

// ---- Job Advanced dialog (template 204) --------------------------------------------------------
#define IDC_ADV_SPECIAL_GROUP    1800  // "&Special": the mirror/negative group
#define IDC_ADV_MIRROR           1801  // core item named by core string 423
#define IDC_ADV_NEGATIVE         1802  // core item named by core string 424
#define IDC_ADV_PREVIEW_ICON     1803  // icon 7001 + (1 mirror) + (2 negative)
#define IDC_ADV_COMPRESSION_LABEL 1804 // compression label and list: served by the procedure,
#define IDC_ADV_COMPRESSION_LIST 1805  // present only in layouts that offer the choice
#define IDC_ADV_JOB_SPOOL        1806  // VRHDDSpool
#define IDC_ADV_MAINTENANCE      1807  // VRDrumClean
#define IDC_ADV_FINE_LINES       1808  // VRHairLine
