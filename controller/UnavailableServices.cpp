// Parts of the controller that this build does not have. Portable.
#include "controller/UnavailableServices.h"

#include "common/Trace.h"

void UnavailableLauncher::initialize(platform::WindowHandle) {
    TRACE_SCOPE(TraceModule::Sentrixd, "AppLauncher::initialize");
    TRACE_MSG(L"Application launcher not available in this build");
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

void UnavailableNotifications::showNotifyCecInfo(int variant) {
    TRACE_SCOPE(TraceModule::Sentrixd, "CNotifyCecInfoDlg::Create");
    TRACE_MSG(L"Notification dialog not available in this build (variant %d)", variant);
}
