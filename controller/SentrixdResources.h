/* The controller's resources: identifiers, the texts of its string table and the layout of the
   notice's dialog template. Plain preprocessor definitions, so that the resource script
   (Sentrixd.rc) and the portable code (StringTable.h, the notice, the simulated program's
   resource table) read the one definition of each.
   Portable. */
#pragma once

/* Icon and bitmaps. */
#define IDR_MAINFRAME 128
#define IDB_NOTIFY_BAND_TILE 132
#define IDB_NOTIFY_BAND_END 133
#define IDB_NOTIFY_INFORMATION 134
#define NOTIFY_BAND_TILE_WIDTH 1
#define NOTIFY_BAND_END_WIDTH 65
#define NOTIFY_BAND_HEIGHT 19
#define NOTIFY_INFORMATION_SIZE 48

/* Strings. */
#define IDS_NOT_SUPPORTED_BY_TV 134
#define IDS_CAPTION 135
#define IDS_BLANK 136
#define IDS_CLOSE_THIS_MENU 137
#define IDS_CONTROL_MENU 138
#define IDS_CLOSE 139
#define IDS_ENABLE_HDMI_CONTROL 140
#define IDS_NO_APPLICATION 141
#define IDS_DO_NOT_SHOW_AGAIN 142
#define IDS_TV_NOT_SUPPORTED 143
#define IDS_TV_SUPPORTS 145

#define TEXT_NOT_SUPPORTED_BY_TV                                                                             \
    L"This is only effective when the PC is connected to a TV which supports HDMI Control through the HDMI " \
    L"cable."
#define TEXT_CAPTION L"HDMI Control"
#define TEXT_BLANK L" "
#define TEXT_CLOSE_THIS_MENU L"Close this menu."
#define TEXT_CONTROL_MENU L"Control Menu"
#define TEXT_CLOSE L"Close"
#define TEXT_ENABLE_HDMI_CONTROL L"To use HDMI Control, you must enable it."
#define TEXT_NO_APPLICATION L"No application found for this operation."
#define TEXT_DO_NOT_SHOW_AGAIN L"Do not display this message in the future."
#define TEXT_TV_NOT_SUPPORTED                                                                                \
    L"The connected TV is either not powered on, is in standby state, or does not support NOVAE-LINK(HDMI "  \
    L"Control)."
#define TEXT_TV_SUPPORTS L"The connected TV supports NOVAE-LINK(HDMI Control)."

/* The notice's dialog template, in dialog units. */
#define IDD_NOTIFY_CEC_INFO 135
#define IDC_NOTIFY_MESSAGE 1006
#define IDC_NOTIFY_DONT_SHOW 1007
#define NOTIFY_DIALOG_WIDTH 282
#define NOTIFY_DIALOG_HEIGHT 85
#define NOTIFY_FONT_NAME "MS Shell Dlg"
#define NOTIFY_FONT_POINTS 8
#define NOTIFY_OK_X 225
#define NOTIFY_OK_Y 63
#define NOTIFY_OK_WIDTH 50
#define NOTIFY_OK_HEIGHT 14
#define NOTIFY_PICTURE_X 12
#define NOTIFY_PICTURE_Y 18
#define NOTIFY_PICTURE_WIDTH 32
#define NOTIFY_PICTURE_HEIGHT 30
#define NOTIFY_MESSAGE_X 63
#define NOTIFY_MESSAGE_Y 22
#define NOTIFY_MESSAGE_WIDTH 204
#define NOTIFY_MESSAGE_HEIGHT 23
#define NOTIFY_CHECK_X 23
#define NOTIFY_CHECK_Y 59
#define NOTIFY_CHECK_WIDTH 197
#define NOTIFY_CHECK_HEIGHT 10
/* Styles with the Win32 values: the dialog (WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME |
   DS_SETFONT | DS_FIXEDSYS) and its controls, each with WS_CHILD | WS_VISIBLE. */
#define NOTIFY_DIALOG_STYLE 0x80C800C8
#define NOTIFY_OK_STYLE 0x50010001      /* BS_DEFPUSHBUTTON | WS_TABSTOP */
#define NOTIFY_PICTURE_STYLE 0x5000000E /* SS_BITMAP */
#define NOTIFY_MESSAGE_STYLE 0x50020000 /* SS_LEFT | WS_GROUP */
#define NOTIFY_CHECK_STYLE 0x50012003   /* BS_AUTOCHECKBOX | BS_MULTILINE | WS_TABSTOP */
