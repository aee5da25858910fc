// Parts of the controller that this build does not have. Portable.
#include "controller/UnavailableServices.h"

#include "common/Trace.h"

namespace {
constexpr const wchar_t* kMenuMessageNames[] = {
    L"QUICKMENU_NOTIFY_LAUNCH_ALDER",       L"QUICKMENU_NOTIFY_LAUNCH_BIRCH",  L"QUICKMENU_NOTIFY_LAUNCH_CEDAR",
    L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA", L"QUICKMENU_NOTIFY_LAUNCH_WINDVD", L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER",
    L"QUICKMENU_NOTIFY_CLOSE_BIRCH",        L"QUICKMENU_NOTIFY_CLOSE_MENU"};
}

void UnavailableLauncher::initialize(platform::WindowHandle) {
    TRACE_SCOPE(TraceModule::Sentrixd, "AppLauncher::initialize");
    TRACE_MSG(L"Application launcher not available in this build");
    m_menuMessages.clear();
    for (const wchar_t* name : kMenuMessageNames) {
        const platform::MessageId id = m_windowing.registerMessage(name);
        if (id != 0) {
            m_menuMessages.push_back(id);
        }
    }
}

bool UnavailableLauncher::isAppLauncherMessage(platform::MessageId message) const {
    for (platform::MessageId id : m_menuMessages) {
        if (id == message) {
            return true;
        }
    }
    return false;
}

int UnavailableLauncher::showAppLauncher() {
    TRACE_SCOPE(TraceModule::Sentrixd, "AppLauncher::showAppLauncher");
    TRACE_MSG(L"Application launcher not available in this build");
    return 0;
}

bool UnavailableLauncher::createEndAppThread(int, platform::SyncHandle, platform::WindowHandle) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CSentrixdDlg::createEndAppThread");
    TRACE_MSG(L"End-application watch not available in this build");
    return false;
}
