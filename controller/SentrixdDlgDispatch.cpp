// The main window's event dispatch: tells every message apart, in a fixed order of tests,
// and calls its handler. Message parameters come from any process and are only compared,
// never used as pointers or indexes without a range check.
// Portable.
#include "controller/SentrixdDlg.h"

#include "common/Trace.h"
#include "common/Vendor.h"
#include "controller/CecControlCommand.h"
#include "controller/CecMessage.h"
#include "controller/StringTable.h"

#define DLG_SCOPE(name) TRACE_SCOPE(TraceModule::Sentrixd, name)

namespace {
// A registered message whose registration failed has the number 0 and never matches.
bool is(platform::MessageId message, platform::MessageId registered) {
    return registered != 0 && message == registered;
}
} // namespace

platform::LResult CSentrixdDlg::DefWindowProcW(platform::MessageId message, platform::WParam wParam,
                                               platform::LParam lParam) {
    DLG_SCOPE("CSentrixdDlg::DefWindowProcW");
    bool done = false;

    if (is(message, m_uiTilesMsg)) {
        TRACE_MSG(L"Received Message:m_uiTilesMsg");
        const platform::WParam group = wParam >> 8;
        if (group == tiles::kPassThroughGroup) {
            TRACE_MSG(L"Received Path through message");
            const std::uint32_t result = executeCommand(wParam);
            if (result != 0) {
                TRACE_MSG(L"Failed to executeCommand():0x%08x", result);
            }
            done = true;
        } else if (group == tiles::kCecGroup) {
            onTilesEvent(wParam);
            done = true;
        }
    }

    if (!done) {
        if (m_appLauncher.isAppLauncherMessage(message)) {
            onLauncherMessage(message);
        } else if (is(message, m_uiDllQueryTurnOffTv)) {
            TRACE_MSG(L"Received Message:m_uiDllQueryTurnOffTv");
            stopTimer(m_nTimerDisplay);
            m_nDisplayChangeCount = 0;
            selectSoundOutput(monitor::kPanel);
            TRACE_MSG(L"Call inactiveSource()");
            sendInactiveSource();
        } else if (is(message, m_uiDllChangeHdmiOutput)) {
            TRACE_MSG(L"Received Message:m_uiDllChangeHdmiOutput");
            if (wParam == monitor::kHdmi) {
                oneTouchPlay(0);
                stopTimer(m_nTimerDisplay);
                m_nDisplayChangeCount = 0;
                m_nDisplayTarget = monitor::kHdmi;
                startTimer(kTimerDisplay, m_dwDisplayChangeTimeDiff, m_nTimerDisplay);
            } else {
                selectSoundOutput(monitor::kHdmi);
            }
        } else if (is(message, m_uiExeOutswap)) {
            TRACE_MSG(L"Received Message:m_uiExeOutswap");
            onExeOutswap();
        } else {
            if (message == platform::wm::kPowerBroadcast) {
                TRACE_MSG(L"Received Message:WM_POWERBROADCAST");
                onPowerBroadcast(wParam);
            } else if (message == platform::wm::kTimer) {
                TRACE_MSG(L"Received Message:WM_TIMER");
                onTimerMessage(wParam);
            } else if (message == WM_POWERBROADCAST_RESUME) {
                TRACE_MSG(L"Received Message:WM_POWERBROADCAST_RESUME");
                OnResume(wParam, lParam);
            } else if (message == platform::wm::kWtsSessionChange) {
                TRACE_MSG(L"Received Message:WM_WTSSESSION_CHANGE");
                OnWtsSessionChange(wParam, lParam);
            }

            if (is(message, m_uiSentrixsetChanged)) {
                TRACE_MSG(L"Received Message:m_uiSentrixsetChanged");
                setConfiguration();
                if (getHdmiControl() == 1) {
                    onHotPlugDetectHigh();
                }
            }
            if (is(message, m_uiUseTvEnhancement)) {
                TRACE_MSG(L"Received Message:m_uiUseTvEnhancement(pcfinemode:%d)", static_cast<int>(wParam));
                m_pcFineMode = static_cast<std::uint32_t>(wParam);
                setTvEnhancedMode();
            }
            if (message == WM_NOTIFY_CECINFO) {
                TRACE_MSG(L"Received Message:WM_NOTIFY_CECINFO");
                onNotifyCecInfo();
            } else if (message == WM_END_APPLICATION) {
                TRACE_MSG(L"Received Message:WM_END_APPLICATION");
                onEndApplication(wParam);
            } else if (message == WM_HOOK_BROWSERBACK) {
                TRACE_MSG(L"Received Message:WM_HOOK_BROWSERBACK");
                onBrowserBack();
            }
        }
    }
    return m_ports.windowing.defaultWindowProc(m_hWnd, message, wParam, lParam);
}

void CSentrixdDlg::onTilesEvent(platform::WParam code) {
    DLG_SCOPE("CSentrixdDlg::onTilesEvent");
    switch (code) {
    case tiles::kCommandResponse:
        TRACE_MSG(L"Received CEC Control Command Response");
        handleCecControlCommand();
        break;
    case tiles::kCecMessage:
        TRACE_MSG(L"Received CEC Message Response");
        handleCecMessage();
        break;
    case tiles::kControllerEvent:
        TRACE_MSG(L"Received CEC Control Event");
        handleCECControlEvent();
        break;
    case tiles::kHotPlugLow:
        TRACE_MSG(L"Received HPD Low Event");
        m_bHotPlugHandled = 0;
        onHotPlugDetectLow();
        break;
    case tiles::kHotPlugHigh:
        TRACE_MSG(L"Received HPD High Event");
        m_bHotPlugEvent = 1;
        if (!m_bHotPlugHandled && !m_bActiveSource) {
            onHotPlugDetectHigh();
        }
        m_bHotPlugHandled = 1;
        startTimer(kTimerSound, kSoundPeriodMs, m_nTimerSound);
        break;
    default:
        break;
    }
}

void CSentrixdDlg::onLauncherMessage(platform::MessageId message) {
    DLG_SCOPE("CSentrixdDlg::onLauncherMessage");
    TRACE_MSG(L"Received Message:m_appLauncher");
    m_appLauncher.execute(message);

    if (is(message, m_uiQuickMenuCloseMenu)) {
        TRACE_MSG(L"Received Close Menu");
        if (m_dwLauncherShowMode == 1) {
            selectDisplayOutput(monitor::kPanel);
            setActiveSource(INACTIVE);
        }
        return;
    }
    const platform::MessageId launches[kEndAppSlots] = {
        m_uiQuickMenuLaunchAlder,       m_uiQuickMenuLaunchBirch,  m_uiQuickMenuLaunchCedar,
        m_uiQuickMenuLaunchPowerCinema, m_uiQuickMenuLaunchWinDvd, m_uiQuickMenuLaunchMediaCenter};
    int application = 0;
    for (int i = 0; i < kEndAppSlots; ++i) {
        if (is(message, launches[i])) {
            application = i + 1;
        }
    }
    if (application == 0) {
        return; // closing the media player, or a custom item: the launcher did everything
    }

    if (m_dwVendorID == kKorvathVendorId || (m_dwVendorID == 0 && m_cecCertStatus.certificatedKorvath == 1)) {
        TRACE_MSG(L"Connected KORVATH TV. NOT Call SetKeyHook().");
    } else if (!m_bKeyHookSet) {
        if (m_hdmiHookHelper.SetKeyHook() == 1) {
            TRACE_MSG(L"SUCEESS SetKeyHook()");
        } else {
            TRACE_MSG(L"ERROR SetKeyHook()");
        }
        m_bKeyHookSet = 1;
    }
    TRACE_MSG(L"Create Thread for detecting end application.");
    createEndAppThread(application);
}

void CSentrixdDlg::onPowerBroadcast(platform::WParam event) {
    DLG_SCOPE("CSentrixdDlg::onPowerBroadcast");
    if (event == platform::pbt::kApmSuspend) {
        m_ports.sync.resetEvent(m_hUnlockEvent);
        if (m_bActiveSource) {
            TRACE_MSG(L"Call inactiveSource()");
            sendInactiveSource();
        }
    } else if (event == platform::pbt::kApmResumeCritical || event == platform::pbt::kApmResumeSuspend) {
        TRACE_MSG(L"Received WM_POWERBROADCAST / RESUME:0x%04x", static_cast<unsigned>(event));
        if (m_ports.session.activeConsoleSessionId() == m_dwConsoleSession) {
            m_ports.windowing.postMessage(m_hWnd, WM_POWERBROADCAST_RESUME, m_hWnd, 0);
            TRACE_MSG(L"PostMessage(WM_POWERBROADCAST_RESUME)");
        }
    }
}

void CSentrixdDlg::onTimerMessage(platform::WParam id) {
    DLG_SCOPE("CSentrixdDlg::onTimerMessage");
    if (m_nTimerDisconnect != 0 && id == m_nTimerDisconnect) {
        TRACE_MSG(L"Call onTimer()");
        onTimer();
    }
    if (m_nTimerSound != 0 && id == m_nTimerSound) {
        TRACE_MSG(L"Call onSoundChangeTimer()");
        onSoundChangeTimer();
    }
    if (m_nTimerDisplay != 0 && id == m_nTimerDisplay) {
        TRACE_MSG(L"Call onDisplayChangeTimer()");
        onDisplayChangeTimer();
    }
    if (m_nTimerCecCtrl != 0 && id == m_nTimerCecCtrl) {
        TRACE_MSG(L"Call handleCecControlCommand()");
        stopTimer(m_nTimerCecCtrl);
        handleCecControlCommand(ReplyCue::StartupTimer);
    }
    if (m_nTimerWakeup != 0 && id == m_nTimerWakeup) {
        TRACE_MSG(L"Call manageWakeup()");
        manageWakeup();
    }
    if (m_nTimerNotify != 0 && id == m_nTimerNotify) {
        TRACE_MSG(L"Call queryCecCertStatus()");
        CecControlCommand command(&m_hardIO);
        command.queryCECCertificationStatus();
        m_dwCecCtrlCmdStatus = cecc::kWordQueryCertificationStatus;
    }
}

void CSentrixdDlg::onEndApplication(platform::WParam number) {
    DLG_SCOPE("CSentrixdDlg::onEndApplication");
    if (number >= 1 && number <= static_cast<platform::WParam>(kEndAppSlots)) {
        m_endAppSlots[number - 1].store(nullptr);
    }
    releaseEndedAppThreads();
    if (m_dwLauncherShowMode == 1 && m_appLauncher.showAppLauncher() == 0) {
        showMessageBox(strings::kNoApplication);
    }
}

void CSentrixdDlg::sendInactiveSource() {
    CecMessage message(&m_hardIO, m_ports.clock);
    message.inactiveSource(m_cecCertStatus.physicalAddressHigh, m_cecCertStatus.physicalAddressLow,
                           ownHeader(cec::kTvAddress));
}
