// Controls of the Meridan Pro details dialog (template 119).
#pragma once

#define IDC_MERIDAN_METHOD_ICC      1651  // 1651..1655: VRColorICMS 0..4 (1655 not on 119)
#define IDC_MERIDAN_METHOD_SIM      1652
#define IDC_MERIDAN_METHOD_CREATE   1653
#define IDC_MERIDAN_METHOD_APP      1654
#define IDC_MERIDAN_METHOD_LAST     1655
#define IDC_MERIDAN_INPUT_GROUP     1656
#define IDC_MERIDAN_RGB_LABEL       1657
#define IDC_MERIDAN_RGB_LIST        1658  // VRRGBProfile
#define IDC_MERIDAN_OUTPUT_GROUP    1659
#define IDC_MERIDAN_PRECISION       1660  // trackbar 0..2: VRColorMatch
#define IDC_MERIDAN_OUTPUT_LABEL    1661
#define IDC_MERIDAN_OUTPUT_LIST     1662  // VROutProfile
#define IDC_MERIDAN_INTENT_LABEL    1663
#define IDC_MERIDAN_INTENT_LIST     1664  // VRColorRenderDict
#define IDC_MERIDAN_PRECISION_GROUP 1665
#define IDC_MERIDAN_BLACK_LABEL     1666
#define IDC_MERIDAN_BLACK_LIST      1667  // VRBlackSubGra
#define IDC_MERIDAN_QUALITY_LABEL   1668
#define IDC_MERIDAN_SPEED_LABEL     1669
#define IDC_MERIDAN_PURE_BLACK      1676  // VRPureBlack, ticked = 0
#define IDC_MERIDAN_PRESERVE_BLACK  1677  // VRPreserveBlack, ticked = 0
#define IDC_MERIDAN_CMYK_INPUT_LIST 1680  // VRCMYKInputProfile
#define IDC_MERIDAN_CMYK_INPUT      1681  // 1681, 1682: VRCMYKProfile 0, 1
#define IDC_MERIDAN_CMYK_LINK       1682
#define IDC_MERIDAN_CMYK_LINK_LIST  1684  // VRCMYKLinkProfile
#define IDC_MERIDAN_SIM_LABEL       1690
#define IDC_MERIDAN_SIM_LIST        1691  // VRSimProfile
#define IDC_MERIDAN_PICTURE_CMYK    1695  // bitmap 6105 beside the CMYK choice
#define IDC_MERIDAN_PICTURE_INPUT   1696  // bitmap 6105 beside the RGB input
#define IDC_MERIDAN_PICTURE_PRINTER 1697  // bitmap 6106 beside the simulation target
#define IDC_MERIDAN_PICTURE_LINK    1698  // bitmap 6107 under the link profile
