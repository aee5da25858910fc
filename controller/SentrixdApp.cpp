// The controller process. Portable.
#include "controller/SentrixdApp.h"

#include "common/Trace.h"

#define APP_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
constexpr std::uint32_t kAllCommonControlClasses = 0xFF;
constexpr const wchar_t* kHotkeyUtilityClass = L"Keyvane";
constexpr const wchar_t* kHotkeyUtilityTitle = L"Keyvane Window";
constexpr const wchar_t* kReloadConfigMessage = L"KORVATH_TILES_RELOAD_CONFIG";
constexpr platform::WParam kReloadConfigWParam = 2;
} // namespace

CSentrixdApp::CSentrixdApp(ControllerPorts& ports, ControllerServices& services)
    : m_ports(ports), m_services(services) {}

CSentrixdApp::~CSentrixdApp() = default;

bool CSentrixdApp::InitInstance(const std::wstring& commandLine) {
    APP_SCOPE("CSentrixdApp::InitInstance");
    platform::Windowing& windowing = m_ports.windowing;
    // Libraries named without a path come from this program's folder or the system folder only,
    // never from the current folder or PATH, where anyone may have put a library of that name.
    if (!m_ports.libraries.restrictSearchPath()) {
        TRACE_ERROR(L"ERROR SetDefaultDllDirectories() 0x%08lx",
                    static_cast<unsigned long>(m_ports.threads.lastError()));
    }
    m_ports.shell.initCommonControls(kAllCommonControlClasses);

    if (commandLine.find(L"First") != std::wstring::npos) {
        const platform::WindowHandle hotkeys = windowing.findWindow(kHotkeyUtilityClass, kHotkeyUtilityTitle);
        if (hotkeys != 0) {
            m_uiReloadConfig = windowing.registerMessage(kReloadConfigMessage);
            windowing.postMessage(hotkeys, m_uiReloadConfig, kReloadConfigWParam, 0);
        }
    }

    const platform::SyncHandle existing = m_ports.sync.openMutex(kMutexName);
    if (existing != 0) {
        m_ports.sync.closeHandle(existing);
        if (commandLine.find(L"exit") != std::wstring::npos) {
            const platform::WindowHandle running = windowing.findWindow(kMainWindowClass, kMainWindowTitle);
            if (running != 0) {
                windowing.postMessage(running, platform::wm::kClose, 0, 0);
            }
        }
        return false;
    }

    m_hMutex = m_ports.sync.createMutex(kMutexName, true);
    m_pMainWnd = std::make_unique<CSentrixdDlg>(m_ports, m_services);
    if (!m_pMainWnd->Create()) {
        TRACE_ERROR(L"ERROR Create()");
        return false;
    }
    windowing.showWindow(m_pMainWnd->window(), platform::sw::kHide);
    return true;
}

int CSentrixdApp::Run() {
    platform::Message message;
    int result = 0;
    while ((result = m_ports.windowing.getMessage(message)) > 0) {
        m_ports.windowing.dispatchMessage(message);
    }
    return result == 0 ? static_cast<int>(message.wParam) : 0;
}

int CSentrixdApp::ExitInstance() {
    APP_SCOPE("CSentrixdApp::ExitInstance");
    m_pMainWnd.reset();
    if (m_hMutex != 0) {
        m_ports.sync.releaseMutex(m_hMutex);
        m_ports.sync.closeHandle(m_hMutex);
        m_hMutex = 0;
    }
    return 0;
}
