// The main window's output switching: the picture through the display library, confirmed and
// re-asserted by timer 4; the sound through the outside sound-output changer; the user's
// output key; the on-screen name the CEC controller announces; the reload after a settings
// change.
// Portable.
#include "controller/SentrixdDlg.h"

#include "common/Trace.h"
#include "controller/BusyRetry.h"
#include "controller/CecControlCommand.h"
#include "controller/StringTable.h"

#include <cstring>
#include <cwchar>
#include <string>

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr std::uint32_t kDisplaySettleMs = 3000;
constexpr const wchar_t* kTonemuxTitle = L"KorTonemux";
constexpr const wchar_t* kTonemuxProgram = L"Tonemux.exe";
constexpr platform::WParam kSoundHdmi = 1;
constexpr platform::WParam kSoundSpeaker = 2;
constexpr std::uint32_t kModulePathChars = 260;
constexpr int kLanguageChars = 32;
constexpr int kJapanese = 411; // the digits "0411" read as a decimal number

// The on-screen name: by model on Japanese systems, the maker's name elsewhere.
const char* osdNameFor(int language, const std::wstring& model) {
    if (language != kJapanese) {
        return "Korvath PC";
    }
    if (model.find(L"vireo") != std::wstring::npos) {
        return "Vireo";
    }
    if (model.find(L"lumaro sx") != std::wstring::npos) {
        return "Lumaro SX";
    }
    return "Lumaro";
}

bool includesHdmi(int device) {
    return device == static_cast<int>(monitor::kClone) || device == static_cast<int>(monitor::kHdmi) ||
           device == static_cast<int>(monitor::kPanelPrimaryExtended) ||
           device == static_cast<int>(monitor::kHdmiPrimaryExtended);
}

bool setMonitorDeviceAccepted(int result) {
    return result == 0 || result == 1;
}

} // namespace

int CSentrixdDlg::selectDisplayOutput(std::uint32_t value) {
    DLG_SCOPE("CSentrixdDlg::selectDisplayOutput");
    TRACE_MSG(L"Call selectDisplayOutput( 0x%08x )", value);
    m_ports.clock.sleep(kDisplaySettleMs);
    const int current = m_edidHelper.GetMonitorDevice();
    TRACE_MSG(L"GetMonitorDevice() return : 0x%08x", static_cast<unsigned>(current));
    if (current == static_cast<int>(value)) {
        TRACE_MSG(L"NOT Call EDIDHelper::SetMonitorDevice()");
        selectSoundOutput(value);
        return 1;
    }
    TRACE_MSG(L"Call EDIDHelper::SetMonitorDevice()");
    const int result = m_edidHelper.SetMonitorDevice(value);
    if (!setMonitorDeviceAccepted(result)) {
        TRACE_ERROR(L"ERROR EDIDHelper::SetMonitorDevice():%d", result);
        return 0;
    }
    TRACE_MSG(L"SUCCESS EDIDHelper::SetMonitorDevice()");
    stopTimer(m_nTimerDisplay);
    m_nDisplayChangeCount = 0;
    m_nDisplayTarget = value;
    startTimer(kTimerDisplay, m_dwDisplayChangeTimeDiff, m_nTimerDisplay);
    return 1;
}

void CSentrixdDlg::onDisplayChangeTimer() {
    DLG_SCOPE("CSentrixdDlg::onDisplayChangeTimer");
    if (m_nDisplayChangeCount > m_dwDisplayChangeTimeRetry - 1u) {
        stopTimer(m_nTimerDisplay);
        m_nDisplayChangeCount = 0;
        return;
    }
    if (m_bHdmiDisconnected) {
        TRACE_MSG(L"Return for HDMI disconnect");
        stopTimer(m_nTimerDisplay);
        m_nDisplayChangeCount = 0;
        return;
    }
    m_ports.clock.sleep(kDisplaySettleMs);
    const int current = m_edidHelper.GetMonitorDevice();
    TRACE_MSG(L"GetMonitorDevice() return : 0x%08x", static_cast<unsigned>(current));
    if (current == static_cast<int>(m_nDisplayTarget)) {
        TRACE_MSG(L"Display is Changed");
        stopTimer(m_nTimerDisplay);
        m_nDisplayChangeCount = 0;
        selectSoundOutput(m_nDisplayTarget);
        return;
    }
    TRACE_MSG(L"Display is NOT Changed yet");
    const int result = m_edidHelper.SetMonitorDevice(m_nDisplayTarget);
    if (setMonitorDeviceAccepted(result)) {
        TRACE_MSG(L"SUCCESS EDIDHelper::SetMonitorDevice()");
    } else {
        TRACE_ERROR(L"ERROR EDIDHelper::SetMonitorDevice():%d", result);
    }
    ++m_nDisplayChangeCount;
}

int CSentrixdDlg::selectSoundOutput(std::uint32_t value) {
    DLG_SCOPE("CSentrixdDlg::selectSoundOutput");
    const wchar_t* argument = nullptr;
    platform::WParam code = 0;
    if (value == monitor::kPanel) {
        argument = L"/SPEAKER";
        code = kSoundSpeaker;
        TRACE_MSG(L"Call selectSoundOutput( SPEAKER )");
    } else if (value == monitor::kHdmi) {
        argument = L"/HDMI";
        code = kSoundHdmi;
        TRACE_MSG(L"Call selectSoundOutput( HDMI )");
    } else {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return 0;
    }
    const platform::WindowHandle tonemux = m_ports.windowing.findWindow(kMainWindowClass, kTonemuxTitle);
    if (tonemux != 0) {
        TRACE_MSG(L"PostMessage to Tonemux");
        m_ports.windowing.postMessage(tonemux, m_uiChangeSound, code, 0);
        return 1;
    }
    wchar_t module[kModulePathChars] = {};
    const std::uint32_t length = m_ports.shell.moduleFileName(module, kModulePathChars);
    std::wstring path(module, length < kModulePathChars ? length : kModulePathChars - 1);
    const std::size_t slash = path.rfind(L'\\');
    path = (slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1)) + kTonemuxProgram;
    TRACE_MSG(L"Start Tonemux");
    if (!m_ports.shell.shellExecute(path.c_str(), argument, platform::sw::kHide)) {
        TRACE_ERROR(L"ERROR ::ShellExecute()");
        return 0;
    }
    return 1;
}

void CSentrixdDlg::onSoundChangeTimer() {
    DLG_SCOPE("CSentrixdDlg::onSoundChangeTimer");
    if (includesHdmi(m_edidHelper.GetMonitorDevice())) {
        TRACE_MSG(L"Current MonitorDevice include HDMI");
        selectSoundOutput(monitor::kHdmi);
    }
    stopTimer(m_nTimerSound);
}

int CSentrixdDlg::onExeOutswap() {
    DLG_SCOPE("CSentrixdDlg::onExeOutswap");
    if (getHdmiControl() != 1) {
        showMessageBox(strings::kEnableHdmiControl);
        return 1;
    }
    if (m_cecCertStatus.statusBit4 == 1 && m_cecCertStatus.statusBit0 == 1) {
        TRACE_MSG(L"Execute One Touch Play process");
        return oneTouchPlay(1);
    }
    if (m_cecCertStatus.statusBit4 == 1) {
        TRACE_MSG(L"Call onHotPlugDetectHigh()");
        m_bOneTouchPlay = 1;
        onHotPlugDetectHigh();
        return 1;
    }
    TRACE_MSG(L"Show Error Message");
    CecControlCommand command(&m_hardIO);
    command.queryCECCertificationStatus();
    m_dwCecCtrlCmdStatus = cecc::kWordQueryCertificationStatus;
    m_bOneTouchPlay = 1;
    return 1;
}

int CSentrixdDlg::setOsdName() {
    DLG_SCOPE("CSentrixdDlg::setOsdName");
    wchar_t language[kLanguageChars] = {};
    if (m_ports.locale.systemDefaultLanguage(language, kLanguageChars) == 0) {
        return 0;
    }
    language[kLanguageChars - 1] = L'\0';
    const int languageNumber = static_cast<int>(std::wcstol(language, nullptr, 10));
    const char* name = osdNameFor(languageNumber, m_strModelName);

    char buffer[cecc::kOsdNameBytes + 1] = {};
    std::strncpy(buffer, name, cecc::kOsdNameBytes);
    TRACE_MSG(L"Set OSD Name : %s", buffer);
    std::uint8_t bytes[cecc::kOsdNameBytes] = {};
    std::memcpy(bytes, buffer, cecc::kOsdNameBytes);

    CecControlCommand command(&m_hardIO);
    sendWhileBusy(m_ports.clock, kOsdNameRetry, CecControlCommand::kBusy,
                  [&](int) { return command.setOsdName(bytes); });
    return 1;
}

void CSentrixdDlg::sendOperationMode(const TraceScope& traceScope_, CecControlCommand& command,
                                     std::uint8_t mode) {
    sendWhileBusy(m_ports.clock, kCeccCommandRetry, CecControlCommand::kBusy, [&](int attempt) {
        const int sent = command.setOperationMode(mode);
        TRACE_MSG(attempt == 0 ? L"setOperationMode():return=0x%02x"
                               : L"setOperationMode() Retry:return=0x%02x",
                  sent);
        return sent;
    });
}

int CSentrixdDlg::setConfiguration() {
    DLG_SCOPE("CSentrixdDlg::setConfiguration");
    platform::ScopedRegKey key(m_ports.registry);
    if (m_ports.registry.openKey(platform::kHkeyCurrentUser, kProductKey, platform::RegAccess::Read,
                                 key.out()) != platform::error::kSuccess) {
        return 1;
    }
    std::uint8_t mode = 0;
    if (readByte(key, L"CECCOperationMode", mode)) {
        CecControlCommand command(&m_hardIO);
        sendOperationMode(traceScope_, command, mode);
    }
    std::uint32_t showMode = 0;
    if (readTypedDword(key, L"LauncherShowMode", showMode)) {
        m_dwLauncherShowMode = showMode;
        TRACE_MSG(L"LauncherShowMode=%d", static_cast<int>(showMode));
    }
    return 1;
}
