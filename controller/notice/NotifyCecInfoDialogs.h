// The main window's notices: each notice is a new CNotifyCecInfoDlg shown modeless; the newest
// is kept in m_pNotifyDlg, and every dialog object is released once its window is gone. Those
// still open when the controller ends are closed then.
// Portable.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/notice/NotifyCecInfoDlg.h"
#include "platform/Dialogs.h"

#include <list>
#include <memory>

class NotifyCecInfoDialogs final : public NotificationDialogs {
public:
    NotifyCecInfoDialogs(platform::Dialogs& dialogs, platform::Registry& registry);
    ~NotifyCecInfoDialogs() override;
    NotifyCecInfoDialogs(const NotifyCecInfoDialogs&) = delete;
    NotifyCecInfoDialogs& operator=(const NotifyCecInfoDialogs&) = delete;

    void showNotifyCecInfo(int variant) override;

    // The newest notice while its window exists; null otherwise.
    CNotifyCecInfoDlg* lastNotice() const { return m_pNotifyDlg; }
    // Notices whose windows still exist.
    std::size_t openCount() const { return m_dialogs.size(); }

private:
    void release(CNotifyCecInfoDlg* dialog);

    platform::Dialogs& m_dialogPort;
    platform::Registry& m_registry;
    std::list<std::unique_ptr<CNotifyCecInfoDlg>> m_dialogs;
    CNotifyCecInfoDlg* m_pNotifyDlg = nullptr;
};
