// The main window's notices. Portable.
#include "controller/notice/NotifyCecInfoDialogs.h"

#include "common/Trace.h"

#include <vector>

NotifyCecInfoDialogs::NotifyCecInfoDialogs(platform::Dialogs& dialogs, platform::Registry& registry)
    : m_dialogPort(dialogs), m_registry(registry) {}

NotifyCecInfoDialogs::~NotifyCecInfoDialogs() {
    std::vector<platform::WindowHandle> open;
    for (const auto& dialog : m_dialogs) {
        open.push_back(dialog->window());
    }
    for (platform::WindowHandle window : open) {
        m_dialogPort.destroyDialog(window); // releases its dialog object
    }
    m_dialogs.clear(); // any whose window could not be destroyed
    m_pNotifyDlg = nullptr;
}

void NotifyCecInfoDialogs::showNotifyCecInfo(int variant) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CSentrixdDlg::onNotifyCecInfo");
    const std::uint32_t kind =
        variant == 1 ? CNotifyCecInfoDlg::kVariantSupported : CNotifyCecInfoDlg::kVariantNotSupported;
    m_dialogs.push_back(std::make_unique<CNotifyCecInfoDlg>(
        kind, m_dialogPort, m_registry, [this](CNotifyCecInfoDlg* gone) { release(gone); }));
    CNotifyCecInfoDlg* dialog = m_dialogs.back().get();
    if (!dialog->Create()) {
        m_dialogs.pop_back(); // never had a window
        return;
    }
    m_dialogPort.showDialog(dialog->window(), platform::sw::kShowNormal);
    m_pNotifyDlg = dialog;
    TRACE_MSG(L"Show notification dialog (variant %d)", static_cast<int>(kind));
}

void NotifyCecInfoDialogs::release(CNotifyCecInfoDlg* dialog) {
    if (m_pNotifyDlg == dialog) {
        m_pNotifyDlg = nullptr;
    }
    m_dialogs.remove_if(
        [dialog](const std::unique_ptr<CNotifyCecInfoDlg>& owned) { return owned.get() == dialog; });
}
