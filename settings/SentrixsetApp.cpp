// The settings program's application object. Portable.
#include "settings/SentrixsetApp.h"

#include "common/Trace.h"

namespace settings {

bool CSentrixsetApp::InitInstance() {
    TRACE_SCOPE(TraceModule::Sentrixset, "CSentrixsetApp::InitInstance");
    if (!m_shell.initCommonControls(kAllCommonControls)) {
        TRACE_ERROR(L"ERROR InitCommonControlsEx()");
    }
    if (!m_shell.registerDialogClass(kWindowClass)) {
        // The dialog template names the class; without it the dialog cannot be created.
        TRACE_ERROR(L"ERROR RegisterClass(KorHDMIControlConfig)");
        return false;
    }
    const int result = m_shell.runMainDialog();
    TRACE_MSG(L"DoModal=%d", result);
    return false;
}

} // namespace settings
