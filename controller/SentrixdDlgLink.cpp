// The main window's link state machine: hot plug, the embedded CEC controller's responses and
// status changes, the disconnect check, One Touch Play, wake-up, suspend, resume and session
// lock, the active-source state and the notification decision.
// Portable.
#include "common/Bytes.h"
#include "controller/SentrixdDlg.h"

#include "common/HardIOHelper.h"
#include "common/Trace.h"
#include "controller/ApplicationCondition.h"
#include "controller/CecControlCommand.h"
#include "controller/CecMessage.h"
#include "controller/StringTable.h"

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {

constexpr int kEdidRetries = 5;
constexpr std::uint32_t kEdidRetryWaitMs = 2000;
constexpr std::uint32_t kNotifyRetryWaitMs = 2000;
constexpr std::uint32_t kAttachSettleMs = 3000;
constexpr std::uint32_t kTextViewOnSettleMs = 2000;
constexpr std::uint32_t kMenuStatusDelayMs = 500;
constexpr std::uint8_t kFixedMenuStatusHeader = 0x40;
constexpr std::uint32_t kMaxWakeupRetries = 3;
constexpr std::uint16_t kWakeupFactorCec = 0x0031;
constexpr const wchar_t* kPlayerClasses[] = {L"KORDVDCLASS", L"Netreel", L"WinDVDClass"};

} // namespace

void CSentrixdDlg::onHotPlugDetectHigh() {
    DLG_SCOPE("CSentrixdDlg::onHotPlugDetectHigh");
    stopTimer(m_nTimerDisconnect);
    HardIOHelper helper(&m_hardIO);
    if (m_bHotPlugEvent || m_bStartup) {
        if (helper.isHdmiConnected()) {
            CecMessage message(&m_hardIO, m_ports.clock);
            message.giveDeviceVendorID(ownHeader(cec::kTvAddress));
        }
        m_nMenuRequestActiveSource = 0;
    }
    m_bHdmiDisconnected = 0;

    std::uint8_t first = CecCertificationStatus::kUnknownAddressByte;
    std::uint8_t second = CecCertificationStatus::kUnknownAddressByte;
    int result = m_edidHelper.getPhysicalAddress(first, second);
    const bool connected = helper.isHdmiConnected();
    TRACE_MSG(L"HDMI cable connect status:%d", connected ? 1 : 0);
    for (int retry = 0; result == EDIDHelper::kNoHdmiDisplayYet && connected && retry < kEdidRetries;
         ++retry) {
        m_ports.clock.sleep(kEdidRetryWaitMs);
        TRACE_MSG(L"Call getPhysicalAddress()");
        result = m_edidHelper.getPhysicalAddress(first, second);
    }
    if (result < 0) {
        TRACE_MSG(L"Failed getPhysicalAddress()");
        first = CecCertificationStatus::kUnknownAddressByte;
        second = CecCertificationStatus::kUnknownAddressByte;
    }
    TRACE_MSG(L"SUCCESS getPhysicalAddress():%02x%02x", first, second);

    CecControlCommand command(&m_hardIO);
    int sent = command.notifyPhysicalAddress(first, second);
    if (sent == CecControlCommand::kBusy) {
        TRACE_MSG(L"Retry notifyPhysicalAddress()");
        m_ports.clock.sleep(kNotifyRetryWaitMs);
        sent = command.notifyPhysicalAddress(first, second);
        if (sent == CecControlCommand::kBusy) {
            return;
        }
    }
    if (sent == CecControlCommand::kSuccess) {
        TRACE_MSG(L"SUCCESS notifyPhysicalAddress()");
        m_dwCecCtrlCmdStatus = cecc::kWordNotifyPhysicalAddress;
        return;
    }
    TRACE_ERROR(L"ERROR CecControlCommand::notifyPhysicalAddress():0x%08x", static_cast<unsigned>(sent));
}

void CSentrixdDlg::onHotPlugDetectLow() {
    DLG_SCOPE("CSentrixdDlg::onHotPlugDetectLow");
    startTimer(kTimerDisconnect, kDisconnectPeriodMs, m_nTimerDisconnect);
}

int CSentrixdDlg::handleCecControlCommand(ReplyCue cue) {
    DLG_SCOPE("CSentrixdDlg::handleCecControlCommand");
    const std::uint32_t awaited = m_dwCecCtrlCmdStatus;
    switch (awaited) {
    case cecc::kWordNotifyPhysicalAddress:
        TRACE_MSG(L"Received:Notify Physical Address");
        if (onNotifyPhysicalAddress(cue) == kAddressResponseAwaited) {
            return 1; // the awaited word stays, for the next response event
        }
        break;
    case cecc::kWordQueryCertificationStatus:
        TRACE_MSG(L"Received:CEC Certification Status");
        onQueryCecCertificationStatus();
        break;
    case cecc::kWordSetOperationMode:
        TRACE_MSG(L"Received:Set Operation Mode");
        onSetOperationMode();
        break;
    case cecc::kWordGetOperationMode: {
        TRACE_MSG(L"Received:Get Operation Mode");
        std::uint8_t mode = 0;
        onGetOperationMode(mode);
        break;
    }
    case cecc::kWordSetSupportFeature:
        TRACE_MSG(L"Received:Set Support Feature");
        onSetSupportFeature();
        break;
    case cecc::kWordGetSupportFeature:
        TRACE_MSG(L"Received:Get Support Feature");
        onGetSupportFeature();
        break;
    case cecc::kWordGetFirmwareVersion:
        TRACE_MSG(L"Received:CECC FW Version");
        onGetCeccFwVersion();
        break;
    default:
        TRACE_MSG(L"Received:Other");
        break;
    }
    ClearCecCtrlCmdStatus(awaited);
    return 1;
}

void CSentrixdDlg::ClearCecCtrlCmdStatus(std::uint32_t handled) {
    if (m_dwCecCtrlCmdStatus == handled) {
        m_dwCecCtrlCmdStatus = 0;
    }
}

void CSentrixdDlg::onSetOperationMode() {
    DLG_SCOPE("CSentrixdDlg::onSetOperationMode");
    std::uint8_t mode = 0;
    CecControlCommand command(&m_hardIO);
    const int result = command.replyOperationMode(mode);
    if (result != 0 && result != 1) {
        TRACE_ERROR(L"ERROR CecControlCommand::replyOperationMode():0x%08x", static_cast<unsigned>(result));
    }
}

void CSentrixdDlg::onGetOperationMode(std::uint8_t& mode) {
    DLG_SCOPE("CSentrixdDlg::onGetOperationMode");
    CecControlCommand command(&m_hardIO);
    const int result = command.replyOperationMode(mode);
    if (result != 0 && result != 1) {
        TRACE_ERROR(L"ERROR CecControlCommand::replyOperationMode():0x%08x", static_cast<unsigned>(result));
    }
}

void CSentrixdDlg::onGetCeccFwVersion() {
    DLG_SCOPE("CSentrixdDlg::onGetCeccFwVersion");
    std::uint8_t version[3] = {};
    CecControlCommand command(&m_hardIO);
    command.replyCECCFWVersion(version);
}

void CSentrixdDlg::onSetSupportFeature() {
    DLG_SCOPE("CSentrixdDlg::onSetSupportFeature");
    std::uint8_t feature = 0;
    CecControlCommand command(&m_hardIO);
    command.repleySupportFeature(feature);
}

void CSentrixdDlg::onGetSupportFeature() {
    DLG_SCOPE("CSentrixdDlg::onGetSupportFeature");
    std::uint8_t feature = 0;
    CecControlCommand command(&m_hardIO);
    command.repleySupportFeature(feature);
}

int CSentrixdDlg::onNotifyPhysicalAddress(ReplyCue cue) {
    DLG_SCOPE("CSentrixdDlg::onNotifyPhysicalAddress");
    CecControlCommand command(&m_hardIO);
    const int result = command.replyCECCertificationStatus(m_cecCertStatus);
    if (result != 0 && result != 1) {
        TRACE_MSG(L"Failed replyCECCertificationStatus():0x%08x", static_cast<unsigned>(result));
    }
    // The commands sent before the address notification (the configuration at start-up, an
    // earlier notification) raise response events of their own, which can still be queued
    // when the address response is awaited. Their reply is another command's: reading it
    // before the CECC has answered the notification gives a different reply code. Taking that
    // event for the response would run the wake-up and the attach with an unknown address and
    // leave the real response unhandled, so it is passed over (a bounded number of times).
    // The start-up timer is the fallback for a CECC that raises no event; it goes on.
    if (cue == ReplyCue::ResponseEvent && result == CecControlCommand::kDifferentReply &&
        m_nStaleAddressReplies < kMaxStaleAddressReplies) {
        ++m_nStaleAddressReplies;
        return kAddressResponseAwaited;
    }
    m_nStaleAddressReplies = 0;
    TRACE_MSG(L"certificatedKorvath=%d", m_cecCertStatus.certificatedKorvath);
    if (m_cecCertStatus.certificatedKorvath == 1) {
        m_bNotifyCertified = 1;
    }
    if (m_bHotPlugEvent) {
        startTimer(kTimerNotify, m_dwNotifyWaitTime, m_nTimerNotify);
    }
    if (m_bStartup) {
        startTimer(kTimerNotify, m_dwNotifyWaitTimeInit, m_nTimerNotify);
    }
    if (setTvEnhancedMode() == 0) {
        TRACE_MSG(L"Failed setTvEnhancedMode()");
    }
    if (m_bWakeupByCec) {
        TRACE_MSG(L"Execute Wakeup process");
        cancelDisplayOff();
        streamToOwnAddress(1);
        m_bWakeupByCec = 0;
    }
    const bool otpReady = m_cecCertStatus.readyForOneTouchPlay();
    if (m_bHotPlugEvent || m_bStartup) {
        if (m_bHotPlugEvent) {
            m_ports.clock.sleep(kAttachSettleMs);
        }
        if (m_edidHelper.GetMonitorDevice() == static_cast<int>(monitor::kHdmi)) {
            m_bHdmiAlreadyShown = 1;
            if (otpReady) {
                TRACE_MSG(L"Execute One Touch Play process");
                oneTouchPlay(0);
                m_bOneTouchPlay = 0;
                m_bHdmiAlreadyShown = 0;
            }
        }
    }
    if (m_bOneTouchPlay) {
        TRACE_MSG(L"OneTouchPlay flag is Set");
        m_bOneTouchPlay = 0;
        if (otpReady) {
            TRACE_MSG(L"Execute One Touch Play process");
            oneTouchPlay(1);
        }
    }
    return 0;
}

int CSentrixdDlg::onQueryCecCertificationStatus() {
    DLG_SCOPE("CSentrixdDlg::onQueryCecCertificationStatus");
    stopTimer(m_nTimerNotify);
    CecControlCommand command(&m_hardIO);
    const int result = command.replyCECCertificationStatus(m_cecCertStatus);
    if (result != 0 && result != 1) {
        TRACE_MSG(L"Failed replyCECCertificationStatus():0x%08x", static_cast<unsigned>(result));
        m_bOneTouchPlay = 0;
    }
    TRACE_MSG(L"certificatedKorvath=%d", m_cecCertStatus.certificatedKorvath);
    if (m_cecCertStatus.certificatedKorvath == 1) {
        m_bNotifyCertified = 1;
    }
    if (m_dwLauncherShowMode == 0) {
        // One notice per status response: a hot plug during start-up must not ask twice, or
        // the second notice, finding the certification already used, contradicts the first.
        bool notify = m_bHotPlugEvent != 0;
        if (m_bStartup) {
            HardIOHelper helper(&m_hardIO);
            notify = helper.isHdmiConnected() || notify;
        }
        if (notify) {
            m_ports.windowing.postMessage(m_hWnd, WM_NOTIFY_CECINFO, m_hWnd, 0);
        }
    }
    m_bHotPlugEvent = 0;
    m_bStartup = 0;

    // As at the address response, One Touch Play needs the whole address: with 1.0.f.f it would
    // announce an address that isn't the PC's.
    if (m_bHdmiAlreadyShown && m_cecCertStatus.readyForOneTouchPlay()) {
        m_bOneTouchPlay = 0;
        TRACE_MSG(L"Execute One Touch Play process");
        oneTouchPlay(0);
        return 0;
    }
    m_bHdmiAlreadyShown = 0;
    if (m_bOneTouchPlay) {
        TRACE_MSG(L"OneTouchPlay flag is Set");
        if (m_cecCertStatus.statusBit4 == 1 && m_cecCertStatus.statusBit0 == 1) {
            m_bOneTouchPlay = 0;
            if (m_cecCertStatus.readyForOneTouchPlay()) {
                TRACE_MSG(L"Execute One Touch Play process");
                oneTouchPlay(1);
            }
        } else if (m_cecCertStatus.statusBit4 == 0) {
            TRACE_MSG(L"Show Error Message");
            m_bOneTouchPlay = 0;
            showMessageBox(strings::kNotSupportedByTv);
        } else {
            TRACE_MSG(L"Call onHotPlugDetectHigh()");
            onHotPlugDetectHigh();
        }
    }
    return 0;
}

int CSentrixdDlg::handleCECControlEvent() {
    DLG_SCOPE("CSentrixdDlg::handleCECControlEvent");
    CecCertificationStatus notification;
    CecControlCommand command(&m_hardIO);
    if (command.notifyCECCertificationStatusChange(notification) == 0 && notification.statusBit5 == 1 &&
        notification.statusBit0 == 0 && m_dwCecCtrlCmdStatus != cecc::kWordNotifyPhysicalAddress) {
        onHotPlugDetectHigh();
    }
    return 1;
}

void CSentrixdDlg::onTimer() {
    DLG_SCOPE("CSentrixdDlg::onTimer");
    stopTimer(m_nTimerDisconnect);
    m_nMenuRequestActiveSource = 0;
    HardIOHelper helper(&m_hardIO);
    if (helper.isHdmiConnected()) {
        TRACE_MSG(L"HDMI is Connected");
        return;
    }
    TRACE_MSG(L"HDMI is Disconnected");
    m_bHdmiDisconnected = 1;
    selectDisplayOutput(monitor::kPanel);
    setActiveSource(INACTIVE);
    TRACE_MSG(L"Clear CEC status");
    m_cecCertStatus.reset();
}

int CSentrixdDlg::oneTouchPlay(int user) {
    DLG_SCOPE("CSentrixdDlg::oneTouchPlay");
    TRACE_MSG(L"Call oneTouchPlay( %d )", user);
    if (m_cecCertStatus.physicalAddressUnknown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return 0;
    }
    if (user == 1) {
        const int device = m_edidHelper.GetMonitorDevice();
        TRACE_MSG(L"Monitor Device : 0x%08x", static_cast<unsigned>(device));
        if (device == static_cast<int>(monitor::kHdmi)) {
            TRACE_MSG(L"Only Execute Display and/or Sound output change");
            const int switched = selectDisplayOutput(monitor::kPanel);
            setActiveSource(INACTIVE);
            return switched;
        }
    }
    TRACE_MSG(L"Execute Text View On & Active Source process");
    CecMessage message(&m_hardIO, m_ports.clock);
    int sent = message.textViewOn(ownHeader(cec::kTvAddress));
    if (sent != 0 && sent != 1) {
        TRACE_ERROR(L"ERROR CecMessage::textViewOn():0x%08x", static_cast<unsigned>(sent));
        return 0;
    }
    m_ports.clock.sleep(kTextViewOnSettleMs);
    TRACE_MSG(L"Call activeSource()");
    sent = message.activeSource(m_cecCertStatus.physicalAddressHigh, m_cecCertStatus.physicalAddressLow,
                                ownHeader(cec::kBroadcastAddress));
    if (sent != 0 && sent != 1) {
        TRACE_ERROR(L"ERROR CecMessage::activeSource():0x%08x", static_cast<unsigned>(sent));
        return 0;
    }
    m_ports.clock.sleep(kMenuStatusDelayMs);
    TRACE_MSG(L"Call menuStatus()");
    sent = sendMenuStatus(traceScope_, message, kFixedMenuStatusHeader);
    if (sent != 0) {
        TRACE_ERROR(L"ERROR CecMessage::menuStatus():0x%08x", static_cast<unsigned>(sent));
    }
    int result = 0;
    if (user == 1) {
        m_ports.clock.sleep(m_dwDisplayChangeExecWait);
        result = selectDisplayOutput(monitor::kHdmi);
    } else {
        result = selectSoundOutput(monitor::kHdmi);
    }
    setActiveSource(ACTIVE);
    return result;
}

int CSentrixdDlg::manageWakeup() {
    DLG_SCOPE("CSentrixdDlg::manageWakeup");
    stopTimer(m_nTimerWakeup);
    HardIOHelper helper(&m_hardIO);
    std::uint16_t factor = 0;
    if (!helper.getWakeupFactor(factor)) {
        ++m_nWakeupFactorRetry;
        if (m_nWakeupFactorRetry <= kMaxWakeupRetries) {
            startTimer(kTimerWakeup, kWakeupRetryPeriodMs, m_nTimerWakeup);
            return 0;
        }
        TRACE_ERROR(L"ERROR HardIOHelper::getWakeupFactor()");
        m_nWakeupFactorRetry = 0;
        return 0;
    }
    m_nWakeupFactorRetry = 0;
    onHotPlugDetectHigh();
    if (factor == kWakeupFactorCec) {
        TRACE_MSG(L"Wakeup Factor is CEC");
        m_bWakeupByCec = 1;
        return 0;
    }
    TRACE_MSG(L"Wakeup Factor is NOT CEC : 0x%04x", factor);
    const int device = m_edidHelper.GetMonitorDevice();
    if (device == static_cast<int>(monitor::kHdmi)) {
        TRACE_MSG(L"Current Monitor device : HDMI");
        selectSoundOutput(monitor::kHdmi);
    } else if (device == static_cast<int>(monitor::kPanel)) {
        TRACE_MSG(L"Current Monitor device : LCD");
        selectSoundOutput(monitor::kPanel);
    } else {
        TRACE_MSG(L"Current Monitor device : Other");
    }
    return 0;
}

int CSentrixdDlg::OnWtsSessionChange(platform::WParam wParam, platform::LParam) {
    DLG_SCOPE("CSentrixdDlg::OnWtsSessionChange");
    if (wParam == platform::wts::kSessionLock) {
        TRACE_MSG(L"Received WM_WTSSESSION_LOCK");
        m_bSessionLocked = 1;
    } else if (wParam == platform::wts::kSessionUnlock) {
        TRACE_MSG(L"Received WM_WTSSESSION_UNLOCK");
        m_bSessionLocked = 0;
        m_ports.sync.setEvent(m_hUnlockEvent);
    }
    return 0;
}

int CSentrixdDlg::OnResume(platform::WParam wParam, platform::LParam) {
    DLG_SCOPE("CSentrixdDlg::OnResume");
    if (wParam != m_hWnd) {
        TRACE_MSG(L"Other application posted message");
        return 0;
    }
    if (m_bInResume) {
        TRACE_MSG(L"Re-entered message");
        return 0;
    }
    m_bInResume = 1;
    platform::Windowing& windowing = m_ports.windowing;
    if (m_bSessionLocked) {
        for (;;) {
            platform::Message message;
            while (windowing.peekMessage(message)) {
                if (message.message == platform::wm::kQuit) {
                    // The controller must still end: hand the quit back to the message loop.
                    windowing.postQuitMessage(static_cast<int>(message.wParam));
                    m_bInResume = 0;
                    return 1;
                }
                windowing.dispatchMessage(message);
            }
            const std::uint32_t waited = windowing.waitForEventOrInput(m_hUnlockEvent, platform::kInfinite);
            if (waited == platform::kMsgWaitSignalled) {
                break;
            }
            if (waited != platform::kMsgWaitInput) {
                TRACE_ERROR(L"ERROR MsgWaitForMultipleObjects():0x%08x", waited);
                break; // a wait that fails would otherwise spin here for ever
            }
        }
    }
    manageWakeup();
    m_bInResume = 0;
    return 0;
}

int CSentrixdDlg::getHdmiControl() {
    DLG_SCOPE("CSentrixdDlg::getHdmiControl");
    if (!m_hardIO.open()) {
        return 0;
    }
    FirmwareRecord request;
    request.w0 = fw::kReadSetting;
    request.w1 = fw::kSettingHdmiControl;
    FirmwareRecord reply;
    const bool read = m_hardIO.invoke(request, reply);
    m_hardIO.close();
    return read && reply.w2 != 0 ? 1 : 0;
}

void CSentrixdDlg::cancelDisplayOff() {
    DLG_SCOPE("CSentrixdDlg::cancelDisplayOff");
    m_ports.session.setThreadExecutionState(platform::kEsDisplayRequired);
}

int CSentrixdDlg::setTvEnhancedMode() {
    DLG_SCOPE("CSentrixdDlg::setTvEnhancedMode");
    if (m_cecCertStatus.physicalAddressUnknown()) {
        TRACE_ERROR(L"ERROR Physical Address Unknown");
        return 0;
    }
    CecMessage message(&m_hardIO, m_ports.clock);
    const int sent =
        message.setTvEnhancedMode(static_cast<std::uint8_t>(m_pcFineMode), ownHeader(cec::kTvAddress));
    if (sent == 0 || sent == 1) {
        return 1;
    }
    TRACE_ERROR(L"ERROR CecMessage::setTvEnhancedMode():0x%08x", static_cast<unsigned>(sent));
    return 0;
}

void CSentrixdDlg::setActiveSource(ActiveSourceState state) {
    DLG_SCOPE("CSentrixdDlg::setActiveSource");
    if (state == ACTIVE) {
        TRACE_MSG(L"setActiveSource(ACTIVE)");
        m_bActiveSource = 1;
        if (m_dwLauncherShowMode == 1 && m_appLauncher.showAppLauncher() == 0) {
            showMessageBox(strings::kNoApplication);
        }
        return;
    }
    TRACE_MSG(L"Call inactiveSource()");
    sendInactiveSource();
    if (m_bKeyHookSet) {
        TRACE_MSG(L"Call ResetKeyHook()");
        if (m_hdmiHookHelper.ResetKeyHook() == 1) { // a missing entry is logged and counts as failure
            TRACE_MSG(L"SUCEESS ResetKeyHook()");
        } else {
            TRACE_MSG(L"ERROR ResetKeyHook()");
        }
        m_bKeyHookSet = 0;
    }
    stopEndAppThreads();
    TRACE_MSG(L"setActiveSource(INACTIVE)");
    m_bActiveSource = 0;
}

bool CSentrixdDlg::readTypedDword(platform::RegKey key, const wchar_t* name, std::uint32_t& value) {
    return platform::readDword(m_ports.registry, key, name, value);
}

void CSentrixdDlg::onNotifyCecInfo() {
    DLG_SCOPE("CSentrixdDlg::onNotifyCecInfo");
    platform::ScopedRegKey key(m_ports.registry);
    if (m_ports.registry.openKey(platform::kHkeyCurrentUser, kProductKey, platform::RegAccess::Read,
                                 key.out()) == platform::error::kSuccess) {
        readTypedDword(key, L"NotifyNotShowCecKorvath", m_dwNotifyNotShowCecKorvath);
        readTypedDword(key, L"NotifyNotShowNotSupport", m_dwNotifyNotShowNotSupport);
    }
    int variant = 0;
    if (m_cecCertStatus.statusBit4 == 1 && m_cecCertStatus.statusBit0 == 1 && m_bNotifyCertified) {
        if (m_dwNotifyNotShowCecKorvath != 0) {
            m_bNotifyCertified = 0;
            return;
        }
        variant = 1;
    } else if (m_dwNotifyNotShowNotSupport != 0) {
        m_bNotifyCertified = 0;
        return;
    }
    m_services.notifications.showNotifyCecInfo(variant);
    m_bNotifyCertified = 0;
}

void CSentrixdDlg::onBrowserBack() {
    DLG_SCOPE("CSentrixdDlg::onBrowserBack");
    ApplicationCondition condition(m_ports.windowing);
    for (const wchar_t* player : kPlayerClasses) {
        const platform::WindowHandle window = condition.isTopmostApp(player);
        if (window != 0) {
            m_ports.windowing.postMessage(window, platform::wm::kClose, 0, 0);
            return;
        }
    }
}
