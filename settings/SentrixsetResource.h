// Resource identifiers of Sentrixset.exe: dialog templates, controls, strings, icon and
// bitmaps, shared by the resource script and the dialog code. Plain #defines so that the
// resource compiler reads them too.
// Portable.
#pragma once

#define IDD_ABOUTBOX 100
#define IDD_SENTRIXSET_DIALOG 102
#define IDR_MAINFRAME 128
#define IDB_BANNER_TILE 129
#define IDB_BANNER_END 130
#define IDB_PICTURE 132

#define IDS_ABOUTBOX 101
#define IDS_CAPTION 102
#define IDS_HDMI_CONTROL 103
#define IDS_POWER_ON_OFF 104
#define IDS_POWER_OFF 105
#define IDS_NOTIFY 107
#define IDS_LAUNCHER 108

#define IDC_VERSION 1000
#define IDC_PICTURE 1001
#define IDC_PRODUCT_NAME 1002
#define IDC_HDMI_CONTROL 1007
#define IDC_NOTIFY 1009
#define IDC_POWER_ON_OFF 1010
#define IDC_POWER_OFF 1011
#define IDC_LAUNCHER 1012

#define IDM_ABOUTBOX 0x0010
