// The settings program's dialogs on the platform's dialogs. Portable.
#include "settings/SentrixsetDialogs.h"

#include "settings/SentrixsetResource.h"

namespace settings {
namespace {

constexpr int kStringChars = 512;
constexpr int kBnClicked = 0; // the notification code of a button click

} // namespace

std::wstring DialogsView::loadString(int id) {
    wchar_t buffer[kStringChars] = {};
    const int length = m_dialogs.loadString(static_cast<platform::ResourceId>(id), buffer, kStringChars);
    return std::wstring(buffer, length > 0 ? static_cast<std::size_t>(length) : 0);
}

void DialogsView::setCaption(const std::wstring& text) {
    m_dialogs.setTitle(m_dialog, text.c_str());
}

void DialogsView::setItemText(int id, const std::wstring& text) {
    m_dialogs.setItemText(m_dialog, id, text.c_str());
}

bool DialogsView::isChecked(int id) {
    return m_dialogs.checkState(m_dialog, id) == platform::kBstChecked;
}

void DialogsView::setChecked(int id, bool checked) {
    m_dialogs.setCheckState(m_dialog, id, checked ? platform::kBstChecked : platform::kBstUnchecked);
}

void DialogsView::enableItem(int id, bool enabled) {
    m_dialogs.enableItem(m_dialog, id, enabled);
}

void DialogsView::appendSystemMenuItem(int command, const std::wstring& text) {
    m_dialogs.appendSystemMenuItem(m_dialog, static_cast<std::uint32_t>(command), text.c_str());
}

void DialogsView::setIcons() {
    m_dialogs.setIcon(m_dialog, IDR_MAINFRAME);
}

void DialogsView::showAboutDialog() {
    AboutDlgClient about(m_dialogs, m_registry);
    m_dialogs.runModalDialog(IDD_ABOUTBOX, m_dialog, about);
}

void DialogsView::endDialog(int result) {
    m_dialogs.endDialog(m_dialog, result);
}

std::intptr_t SentrixsetDlgClient::runModal(platform::Dialogs& dialogs) {
    return dialogs.runModalDialog(IDD_SENTRIXSET_DIALOG, 0, *this);
}

bool SentrixsetDlgClient::onInitDialog(platform::WindowHandle dialog) {
    m_view.attach(dialog);
    return m_dlg.OnInitDialog();
}

bool SentrixsetDlgClient::onCommand(platform::WindowHandle, int id, int code) {
    switch (id) {
    case platform::dlg::kIdOk:
        m_dlg.OnOK();
        return true;
    case platform::dlg::kIdCancel:
        m_dlg.OnCancel();
        return true;
    case IDC_HDMI_CONTROL:
    case IDC_POWER_ON_OFF:
    case IDC_POWER_OFF:
    case IDC_NOTIFY:
    case IDC_LAUNCHER:
        if (code == kBnClicked) {
            m_dlg.OnBnClicked(id);
            return true;
        }
        return false;
    default:
        return false;
    }
}

bool SentrixsetDlgClient::onSysCommand(platform::WindowHandle, std::uint32_t command) {
    return m_dlg.OnSysCommand(command);
}

void SentrixsetDlgClient::onPaint(platform::WindowHandle, platform::DialogPaint& paint) {
    int tileWidth = 0, tileHeight = 0, endWidth = 0, endHeight = 0;
    if (!paint.bitmapSize(IDB_BANNER_TILE, tileWidth, tileHeight) ||
        !paint.bitmapSize(IDB_BANNER_END, endWidth, endHeight)) {
        return;
    }
    const BannerLayout layout = CSentrixsetDlg::bannerLayout(paint.clientWidth(), tileWidth, endWidth);
    for (const int x : layout.tileX) {
        paint.drawBitmap(IDB_BANNER_TILE, x, 0);
    }
    paint.drawBitmap(IDB_BANNER_END, layout.endX, 0);
}

void SentrixsetDlgClient::onDestroy(platform::WindowHandle) {
    m_dlg.OnDestroy();
}

bool AboutDlgClient::onInitDialog(platform::WindowHandle dialog) {
    m_view.attach(dialog);
    return m_about.OnInitDialog();
}

bool AboutDlgClient::onCommand(platform::WindowHandle dialog, int id, int) {
    if (id == platform::dlg::kIdOk || id == platform::dlg::kIdCancel) {
        m_view.attach(dialog);
        m_view.endDialog(id);
        return true;
    }
    return false;
}

} // namespace settings
