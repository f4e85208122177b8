// Control ids of the About dialog (template 117). Plain #defines so that both the resource
// compiler and C++ can use them.
#pragma once

#define IDC_ABOUT_FRAME          1560
#define IDC_ABOUT_DRIVER_VERSION 1562
#define IDC_ABOUT_PPD_VERSION    1563
#define IDC_ABOUT_NOTICE         1564
#define IDC_ABOUT_DRIVER_LABEL   1565
#define IDC_ABOUT_PPD_LABEL      1566
#define IDC_ABOUT_LOGO           1567  // owner-drawn: bitmap 6056, magenta transparent
#define IDC_ABOUT_DRIVER_NAME    1568
