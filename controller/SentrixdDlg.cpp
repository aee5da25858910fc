// The main window: construction, the window procedure, start-up, settings and teardown.
// Portable.
#include "controller/SentrixdDlg.h"
#include "common/Bytes.h"

#include "common/Text.h"
#include "common/Trace.h"
#include "controller/BusyRetry.h"
#include "controller/CecControlCommand.h"
#include "controller/CecMessage.h"
#include "controller/StringTable.h"
#include "controller/TunerProbe.h"
#include "controller/WbemClsObj.h"

#include <algorithm>
#include <cstring>
#include <cwctype>

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr std::uint32_t kCeccSettleMs = 2000;
constexpr platform::WParam kIdOk = 1;
constexpr platform::WParam kIdCancel = 2;

// Messages registered in OnInitDialog, in order, with the name logged when one fails.
struct Registration {
    platform::MessageId CSentrixdDlg::*member;
    const wchar_t* name;
    const wchar_t* loggedName;
};
constexpr Registration kInitRegistrations[] = {
    {&CSentrixdDlg::m_uiTilesMsg, L"KORVATH_TILES_NOTIFY_EVENT", L"TILES_NOTIFY_MESSAGE_STRING"},
    {&CSentrixdDlg::m_uiDllQueryTurnOffTv, L"TVBRIDGEDLL_QUERY_TURN_OFF_TV",
     L"TVBRIDGEDLL_QUERY_TURN_OFF_TV"},
    {&CSentrixdDlg::m_uiDllChangeHdmiOutput, L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT",
     L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT"},
    {&CSentrixdDlg::m_uiExeOutswap, L"HDMIOUT_CHANGE_OUTPUT", L"HDMIOUT_CHANGE_OUTPUT"},
    {&CSentrixdDlg::m_uiSentrixsetChanged, L"SENTRIXSET_CHANGED", L"SENTRIXSET_CHANGED"},
    {&CSentrixdDlg::m_uiUseTvEnhancement, L"TVBRIDGEDLL_USE_TV_ENHANCEMENT",
     L"TVBRIDGEDLL_USE_TV_ENHANCEMENT"},
    {&CSentrixdDlg::m_uiChangeSound, L"SENTRIX_CHANGESOUND", L"SENTRIX_CHANGESOUND"},
};

// Control-menu messages, registered at construction.
constexpr Registration kMenuRegistrations[] = {
    {&CSentrixdDlg::m_uiQuickMenuLaunchAlder, L"QUICKMENU_NOTIFY_LAUNCH_ALDER", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuLaunchBirch, L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuLaunchCedar, L"QUICKMENU_NOTIFY_LAUNCH_CEDAR", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuLaunchPowerCinema, L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuLaunchWinDvd, L"QUICKMENU_NOTIFY_LAUNCH_WINDVD", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuLaunchMediaCenter, L"QUICKMENU_NOTIFY_LAUNCH_MEDIACENTER", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuCloseBirch, L"QUICKMENU_NOTIFY_CLOSE_BIRCH", nullptr},
    {&CSentrixdDlg::m_uiQuickMenuCloseMenu, L"QUICKMENU_NOTIFY_CLOSE_MENU", nullptr},
};

std::wstring trimmed(const std::wstring& s) {
    const auto first = std::find_if_not(s.begin(), s.end(), [](wchar_t c) { return std::iswspace(c) != 0; });
    const auto last =
        std::find_if_not(s.rbegin(), s.rend(), [](wchar_t c) { return std::iswspace(c) != 0; }).base();
    return first < last ? std::wstring(first, last) : std::wstring();
}

} // namespace

CSentrixdDlg::CSentrixdDlg(ControllerPorts& ports, ControllerServices& services)
    : m_ports(ports), m_services(services), m_hardIO(ports.firmware),
      m_edidHelper(ports.libraries, ports.shell), m_hdmiHookHelper(ports.libraries, ports.shell),
      m_cmdSetting(ports.registry), m_appLauncher(services.launcher) {
    for (const Registration& registration : kMenuRegistrations) {
        this->*registration.member = m_ports.windowing.registerMessage(registration.name);
    }
}

CSentrixdDlg::~CSentrixdDlg() {
    // A window that was never destroyed properly still ends its watches before it goes.
    if (m_hEndAppEvent != 0) {
        stopEndAppThreads();
        m_ports.sync.closeHandle(m_hEndAppEvent);
    }
    m_cmdSetting.unload(m_cmdInfoList);
}

bool CSentrixdDlg::Create() {
    m_hWnd = m_ports.windowing.createDialogWindow(kMainWindowTitle, *this);
    return m_hWnd != 0;
}

platform::LResult CSentrixdDlg::windowProc(platform::WindowHandle window, platform::MessageId message,
                                           platform::WParam wParam, platform::LParam lParam) {
    switch (message) {
    case platform::wm::kInitDialog:
        m_hWnd = window;
        return OnInitDialog() ? 1 : 0;
    case platform::wm::kCommand:
        if ((wParam & 0xFFFF) == kIdOk || (wParam & 0xFFFF) == kIdCancel) {
            return 0; // Enter and Escape never close the hidden window
        }
        break;
    case platform::wm::kClose:
        OnClose();
        return 0;
    case platform::wm::kQueryDragIcon:
        return 0; // no icon to drag: the window is never shown
    case platform::wm::kNcDestroy:
        m_bDestroyed = true;
        m_ports.windowing.postQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(message, wParam, lParam);
}

void CSentrixdDlg::OnClose() {
    if (!DestroyWindow()) {
        DLG_SCOPE("CSentrixdDlg::OnClose");
        TRACE_MSG(L"NG:DestroyWindow() 0x%08lx", static_cast<unsigned long>(m_dwDestroyWindowError));
    }
}

bool CSentrixdDlg::OnInitDialog() {
    DLG_SCOPE("CSentrixdDlg::OnInitDialog");
    platform::Windowing& windowing = m_ports.windowing;

    if (m_ports.wmi.initializeSecurity()) {
        CWbemClsObj wbem(m_ports.wmi);
        std::wstring model;
        if (wbem.connect() == 0 && wbem.getModel(model) == 0) {
            model = trimmed(model);
            TRACE_MSG(L"Model Name : %ls", model.c_str());
            std::transform(model.begin(), model.end(), model.begin(), [](wchar_t c) {
                return static_cast<wchar_t>(std::towlower(static_cast<std::wint_t>(c)));
            });
            m_strModelName = model;
        }
    }

    if (!m_hardIO.initialize()) {
        TRACE_ERROR(L"ERROR HardIO::initialize()");
        windowing.postMessage(m_hWnd, platform::wm::kClose, 0, 0);
        return true;
    }
    if (m_edidHelper.initialize() == 0) {
        TRACE_MSG(L"Failed EDIDHelper::initialize()");
    }
    if (m_hdmiHookHelper.initialize() == 0) {
        TRACE_MSG(L"Failed TvbridgeHelper::initialize()");
    }
    m_hEndAppEvent = m_ports.sync.createEvent(true, false);

    int registered = 0;
    for (const Registration& registration : kInitRegistrations) {
        this->*registration.member = windowing.registerMessage(registration.name);
        if (this->*registration.member == 0) {
            TRACE_MSG(L"NG:RegisterWindowMessage(%ls) 0x%08lx", registration.loggedName,
                      static_cast<unsigned long>(m_ports.threads.lastError()));
        }
        if (++registered == 6) {
            m_pcFineMode = 0;
        }
    }

    m_ports.session.registerSessionNotification(m_hWnd);
    m_hUnlockEvent = m_ports.sync.createEvent(true, true);

    const int settings = loadSettings();
    if (settings < 0) {
        windowing.postMessage(m_hWnd, platform::wm::kClose, 0, 0);
        TRACE_ERROR(L"ERROR loadSettings():%d", settings);
        return true;
    }
    setOsdName();
    m_appLauncher.initialize(m_hWnd);
    m_bStartup = 1;
    onHotPlugDetectHigh();
    m_dwConsoleSession = m_ports.session.activeConsoleSessionId();
    manageWakeup();
    startTimer(kTimerCecCtrl, m_dwCECControlStatusTimer, m_nTimerCecCtrl);
    return true;
}

bool CSentrixdDlg::readDword(platform::RegKey key, const wchar_t* name, std::uint32_t& value) {
    // Read into the value's four bytes whatever the stored type; a shorter value replaces only
    // its own bytes, a longer one does not fit and counts as missing.
    std::uint8_t data[4];
    bytes::putLe32(value, data);
    std::uint32_t size = sizeof(data);
    if (m_ports.registry.queryValue(key, name, nullptr, data, &size) != platform::error::kSuccess) {
        return false;
    }
    value = bytes::le32(data);
    return true;
}

bool CSentrixdDlg::readByte(platform::RegKey key, const wchar_t* name, std::uint8_t& value) {
    // The CECC values are exactly one byte; a longer value does not fit and counts as missing.
    std::uint8_t byte = 0;
    std::uint32_t size = 1;
    if (m_ports.registry.queryValue(key, name, nullptr, &byte, &size) != platform::error::kSuccess ||
        size != 1) {
        return false;
    }
    value = byte;
    return true;
}

int CSentrixdDlg::loadSettings() {
    DLG_SCOPE("CSentrixdDlg::loadSettings");
    std::int32_t result = m_cmdSetting.open();
    if (result < 0) {
        TRACE_ERROR(L"ERROR CmdSetting::open():0x%08x", static_cast<unsigned>(result));
        return result;
    }
    result = m_cmdSetting.load(m_cmdInfoList);
    if (result < 0) {
        TRACE_ERROR(L"ERROR CmdSetting::load():0x%08x", static_cast<unsigned>(result));
        m_cmdSetting.close();
        return result;
    }
    m_cmdSetting.close();

    platform::Registry& registry = m_ports.registry;
    platform::ScopedRegKey key(registry);
    if (registry.openKey(platform::kHkeyCurrentUser, kProductKey, platform::RegAccess::Read, key.out()) !=
        platform::error::kSuccess) {
        return 0;
    }
    readDword(key, L"DisplayChangeTimeDiff", m_dwDisplayChangeTimeDiff);
    readDword(key, L"DisplayChangeTimeRetry", m_dwDisplayChangeTimeRetry);
    readDword(key, L"DisplayChangeExecWait", m_dwDisplayChangeExecWait);
    readDword(key, L"NotifyWaitTime", m_dwNotifyWaitTime);
    readDword(key, L"NotifyWaitTimeInit", m_dwNotifyWaitTimeInit);
    readDword(key, L"LauncherShowMode", m_dwLauncherShowMode);
    readDword(key, L"CECControlStatusTimer", m_dwCECControlStatusTimer);
    readDword(key, L"EnableTunerControl", m_dwEnableTunerControl);

    int tunerExists = 0;
    if (m_dwEnableTunerControl == 1) {
        tunerExists = isTunerExist(registry);
        TRACE_MSG(L"isTunerExist=%d", tunerExists);
    }

    CecControlCommand command(&m_hardIO);
    std::uint8_t logicDevice = 0;
    if (readByte(key, L"CECCLogicDevice", logicDevice)) {
        if (m_dwEnableTunerControl == 1 && tunerExists == 1) {
            logicDevice |= cecc::kLogicDeviceTuner;
        }
        TRACE_MSG(L"Logic Device=%d", logicDevice);
        sendWhileBusy(m_ports.clock, kCeccCommandRetry, CecControlCommand::kBusy,
                      [&](int) { return command.setLogicDevice(logicDevice); });
    }
    m_ports.clock.sleep(kCeccSettleMs);

    std::uint8_t operationMode = 0;
    if (readByte(key, L"CECCOperationMode", operationMode)) {
        sendOperationMode(traceScope_, command, operationMode);
    }
    m_ports.clock.sleep(kCeccSettleMs);

    std::uint8_t supportFeature = 0;
    if (readByte(key, L"CECCSupportFeature", supportFeature)) {
        if (m_dwEnableTunerControl == 1) {
            supportFeature |= cecc::kSupportFeatureTuner;
        }
        TRACE_MSG(L"CECC Support Feature=%x", supportFeature);
        sendWhileBusy(m_ports.clock, kCeccCommandRetry, CecControlCommand::kBusy, [&](int) {
            const int sent = command.setSupportFeature(supportFeature);
            TRACE_MSG(L"setSupportFeature():return=0x%02x", sent);
            return sent;
        });
    }
    m_ports.clock.sleep(kCeccSettleMs);
    return 0;
}

void CSentrixdDlg::unloadSettings() {
    DLG_SCOPE("CSentrixdDlg::unloadSettings");
    m_cmdSetting.unload(m_cmdInfoList);
}

bool CSentrixdDlg::DestroyWindow() {
    DLG_SCOPE("CSentrixdDlg::DestroyWindow");
    m_ports.session.unregisterSessionNotification(m_hWnd);
    if (m_hUnlockEvent != 0) {
        m_ports.sync.closeHandle(m_hUnlockEvent);
        m_hUnlockEvent = 0;
    }
    unloadSettings();
    m_appLauncher.uninitialize();
    m_edidHelper.uninitialize();
    if (m_bKeyHookSet) {
        m_hdmiHookHelper.ResetKeyHook();
    }
    m_hdmiHookHelper.uninitialize();
    if (m_hEndAppEvent != 0) {
        stopEndAppThreads();
        m_ports.sync.closeHandle(m_hEndAppEvent);
        m_hEndAppEvent = 0;
    }
    stopTimer(m_nTimerSound);
    m_hardIO.uninitialize();
    stopTimer(m_nTimerDisconnect);
    stopTimer(m_nTimerCecCtrl);
    stopTimer(m_nTimerWakeup);
    m_nWakeupFactorRetry = 0;
    stopTimer(m_nTimerNotify);
    if (!m_ports.windowing.destroyWindow(m_hWnd)) {
        // Taken at once: the trace lines written after it (this method's Leave line among them)
        // open the log file, which sets the thread's last error again.
        m_dwDestroyWindowError = m_ports.threads.lastError();
        return false;
    }
    return true;
}

// ---- helpers shared by the handlers ------------------------------------------------------------

void CSentrixdDlg::startTimer(platform::TimerId id, std::uint32_t periodMs, platform::TimerId& member) {
    member = m_ports.windowing.setTimer(m_hWnd, id, periodMs);
}

void CSentrixdDlg::stopTimer(platform::TimerId& member) {
    if (member != 0) {
        m_ports.windowing.killTimer(m_hWnd, member);
        member = 0;
    }
}

bool CSentrixdDlg::anyEndAppSlotTaken() const {
    return std::any_of(std::begin(m_endAppSlots), std::end(m_endAppSlots),
                       [](const std::atomic<EndAppWatch*>& slot) { return slot.load() != nullptr; });
}

std::uint8_t CSentrixdDlg::ownHeader(std::uint8_t destination) const {
    return cec::header(m_cecCertStatus.logicalAddress, destination);
}

bool CSentrixdDlg::isOwnAddress(std::uint8_t high, std::uint8_t low) const {
    return high == m_cecCertStatus.physicalAddressHigh && low == m_cecCertStatus.physicalAddressLow;
}

void CSentrixdDlg::showMessageBox(const wchar_t* text) {
    if (m_bMessageShown) {
        return; // never stack a second box on an open one
    }
    m_bMessageShown = 1;
    m_ports.windowing.messageBox(0, text, strings::kCaption, platform::kMbOk);
    m_bMessageShown = 0;
}

void CSentrixdDlg::postAppCommand(std::uint32_t command) {
    m_ports.windowing.postMessage(platform::kBroadcastWindow, platform::wm::kAppCommand, 0,
                                  static_cast<platform::LParam>(command << 16));
}
