// Entry point of Sentrixset.exe, the settings program: the real Windows ports, the trace log
// under module "Sentrixset", the start-up operations on the window system (common controls,
// the dialog's own window class) and the application object, which shows the main dialog.
// The program ends when the dialog closes, with exit code 0.
// Win32 only.
#include "common/TraceLog.h"
#include "platform/win32/Win32Clock.h"
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Files.h"
#include "platform/win32/Win32FirmwareTransport.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32Threads.h"
#include "platform/win32/Win32Windowing.h"
#include "settings/SentrixsetApp.h"
#include "settings/SentrixsetDialogs.h"

#include <windows.h>

#include <commctrl.h>

namespace {

class Win32SentrixsetShell final : public settings::SentrixsetShell {
public:
    Win32SentrixsetShell(const settings::SentrixsetPorts& ports, platform::Dialogs& dialogs)
        : m_ports(ports), m_dialogs(dialogs) {}

    bool initCommonControls(std::uint32_t classes) override {
        INITCOMMONCONTROLSEX init = {};
        init.dwSize = sizeof init;
        init.dwICC = classes;
        return InitCommonControlsEx(&init) != FALSE;
    }

    bool registerDialogClass(const wchar_t* className) override {
        // The standard dialog class under the program's own name: the template names it.
        WNDCLASSW wc = {};
        if (!GetClassInfoW(nullptr, L"#32770", &wc)) {
            return false;
        }
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = className;
        return RegisterClassW(&wc) != 0;
    }

    int runMainDialog() override {
        settings::SentrixsetDlgClient dialog(m_ports, m_dialogs);
        return static_cast<int>(dialog.runModal(m_dialogs));
    }

private:
    settings::SentrixsetPorts m_ports;
    platform::Dialogs& m_dialogs;
};

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    try {
        using namespace platform::win32;
        Win32Registry registry;
        Win32Clock clock;
        Win32Files files;
        Win32Threads threads;
        Win32Windowing windowing;
        Win32FirmwareTransport firmware;
        Win32Dialogs dialogs;

        TraceLog::setProgramModule(TraceModule::Sentrixset);
        TraceLog::installPorts({&registry, &clock, &files, &threads});
        const settings::SentrixsetPorts ports{registry, windowing, clock, firmware};
        Win32SentrixsetShell shell(ports, dialogs);
        settings::CSentrixsetApp(shell).InitInstance();
        TraceLog::installPorts({});
    } catch (...) {
        // Nothing to report to: the program ends as it always does.
    }
    return 0;
}
