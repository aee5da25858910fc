// The controller's resources in the simulated world. Simulation.
#include "tools/simrun/ControllerResources.h"

#include "controller/SentrixdResources.h"

namespace simrun {

sim::ProgramResources controllerResources() {
    using sim::ControlKind;
    sim::ProgramResources resources;

    sim::DialogTemplate notice;
    notice.style = NOTIFY_DIALOG_STYLE;
    notice.cx = NOTIFY_DIALOG_WIDTH;
    notice.cy = NOTIFY_DIALOG_HEIGHT;
    notice.font = L"" NOTIFY_FONT_NAME;
    notice.pointSize = NOTIFY_FONT_POINTS;
    notice.controls = {
        {platform::dlg::kIdOk, ControlKind::DefPushButton, L"OK", 0, NOTIFY_OK_STYLE, NOTIFY_OK_X,
         NOTIFY_OK_Y, NOTIFY_OK_WIDTH, NOTIFY_OK_HEIGHT},
        {platform::dlg::kIdStatic, ControlKind::Picture, L"", IDB_NOTIFY_INFORMATION, NOTIFY_PICTURE_STYLE,
         NOTIFY_PICTURE_X, NOTIFY_PICTURE_Y, NOTIFY_PICTURE_WIDTH, NOTIFY_PICTURE_HEIGHT},
        {IDC_NOTIFY_MESSAGE, ControlKind::Static, L"", 0, NOTIFY_MESSAGE_STYLE, NOTIFY_MESSAGE_X,
         NOTIFY_MESSAGE_Y, NOTIFY_MESSAGE_WIDTH, NOTIFY_MESSAGE_HEIGHT},
        {IDC_NOTIFY_DONT_SHOW, ControlKind::AutoCheckBox, L"", 0, NOTIFY_CHECK_STYLE, NOTIFY_CHECK_X,
         NOTIFY_CHECK_Y, NOTIFY_CHECK_WIDTH, NOTIFY_CHECK_HEIGHT},
    };
    resources.dialogs[IDD_NOTIFY_CEC_INFO] = notice;

    resources.strings = {
        {IDS_NOT_SUPPORTED_BY_TV, TEXT_NOT_SUPPORTED_BY_TV},
        {IDS_CAPTION, TEXT_CAPTION},
        {IDS_BLANK, TEXT_BLANK},
        {IDS_CLOSE_THIS_MENU, TEXT_CLOSE_THIS_MENU},
        {IDS_CONTROL_MENU, TEXT_CONTROL_MENU},
        {IDS_CLOSE, TEXT_CLOSE},
        {IDS_ENABLE_HDMI_CONTROL, TEXT_ENABLE_HDMI_CONTROL},
        {IDS_NO_APPLICATION, TEXT_NO_APPLICATION},
        {IDS_DO_NOT_SHOW_AGAIN, TEXT_DO_NOT_SHOW_AGAIN},
        {IDS_TV_NOT_SUPPORTED, TEXT_TV_NOT_SUPPORTED},
        {IDS_TV_SUPPORTS, TEXT_TV_SUPPORTS},
    };
    resources.bitmaps = {
        {IDB_NOTIFY_BAND_TILE, {NOTIFY_BAND_TILE_WIDTH, NOTIFY_BAND_HEIGHT}},
        {IDB_NOTIFY_BAND_END, {NOTIFY_BAND_END_WIDTH, NOTIFY_BAND_HEIGHT}},
        {IDB_NOTIFY_INFORMATION, {NOTIFY_INFORMATION_SIZE, NOTIFY_INFORMATION_SIZE}},
    };
    resources.icons = {IDR_MAINFRAME};
    return resources;
}

} // namespace simrun
