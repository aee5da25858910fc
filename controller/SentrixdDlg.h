// The controller's hidden main window: it owns every object of the controller for the whole
// run, brings them up and tears them down, and handles every event as a window message:
// firmware events, requests of the other programs, timers, power and session notifications.
// Its methods are grouped by concern in several source files (start-up and teardown, event
// dispatch, CEC message handling, link state, output switching, remote-key commands).
// Portable.
#pragma once

#include "common/ControllerIdentity.h"
#include "common/FirmwareEvents.h"
#include "common/HardIO.h"
#include "controller/CecCertificationStatus.h"
#include "controller/CmdInfo.h"
#include "controller/CmdSetting.h"
#include "controller/ControllerServices.h"
#include "controller/EDIDHelper.h"
#include "controller/HdmiHookHelper.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Private messages of the controller.
inline constexpr platform::MessageId WM_POWERBROADCAST_RESUME = 0x8483;
inline constexpr platform::MessageId WM_NOTIFY_CECINFO = 0x8484;
inline constexpr platform::MessageId WM_END_APPLICATION = 0x8485;
inline constexpr platform::MessageId WM_HOOK_BROWSERBACK = 0x8486;

// Event codes carried by the tiles notification.
namespace tiles {
inline constexpr std::uint32_t kPassThroughGroup = fwevent::kPassThroughGroup;
inline constexpr std::uint32_t kCecGroup = fwevent::kCecGroup;
inline constexpr std::uint32_t kCommandResponse = fwevent::kCeccResponse;
inline constexpr std::uint32_t kCecMessage = fwevent::kCecMessage;
inline constexpr std::uint32_t kControllerEvent = fwevent::kCeccNotification;
inline constexpr std::uint32_t kHotPlugLow = fwevent::kHotPlugLow;
inline constexpr std::uint32_t kHotPlugHigh = fwevent::kHotPlugHigh;
} // namespace tiles

// The main window's identity, as the other programs find it.
inline constexpr const wchar_t* kMainWindowClass = kControllerWindowClass;
inline constexpr const wchar_t* kMainWindowTitle = kControllerWindowTitle;

class CecControlCommand;
class CSentrixdDlg;
class TraceScope;

// The record of one end-application watch: its own, never shared with another watch. Made
// and freed by the main window's thread; freed only once its thread has ended.
struct EndAppWatch {
    CSentrixdDlg* pDlg = nullptr;
    platform::WindowHandle hWnd = 0; // the application's window
    int nType = 0;                   // 1 to 6
    platform::SyncHandle hThread = 0;
};
class CecMessage;

class CSentrixdDlg final : public platform::WindowClient {
public:
    enum ActiveSourceState { INACTIVE = 0, ACTIVE = 1 };

    // Window timers 1 to 6.
    static constexpr platform::TimerId kTimerDisconnect = 1;
    static constexpr platform::TimerId kTimerCecCtrl = 2;
    static constexpr platform::TimerId kTimerSound = 3;
    static constexpr platform::TimerId kTimerDisplay = 4;
    static constexpr platform::TimerId kTimerWakeup = 5;
    static constexpr platform::TimerId kTimerNotify = 6;
    static constexpr std::uint32_t kDisconnectPeriodMs = 2500;
    static constexpr std::uint32_t kSoundPeriodMs = 3000;
    static constexpr std::uint32_t kWakeupRetryPeriodMs = 2000;

    static constexpr int kEndAppSlots = 6;

    CSentrixdDlg(ControllerPorts& ports, ControllerServices& services);
    CSentrixdDlg(const CSentrixdDlg&) = delete;
    CSentrixdDlg& operator=(const CSentrixdDlg&) = delete;
    ~CSentrixdDlg();

    // Creates the hidden window; OnInitDialog runs before this returns. False on failure.
    bool Create();
    platform::WindowHandle window() const { return m_hWnd; }
    // True once the window is gone (the program then leaves its message loop).
    bool destroyed() const { return m_bDestroyed; }

    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override;

    // Start-up and teardown.
    bool OnInitDialog();
    int loadSettings();
    void unloadSettings();
    bool DestroyWindow();

    // Event dispatch.
    platform::LResult DefWindowProcW(platform::MessageId message, platform::WParam wParam,
                                     platform::LParam lParam);

    // CEC message handling.
    int handleCecMessage();
    // One opcode the controller answers: the frame bytes it needs (header and opcode
    // included), the name it is traced under, and its handler.
    struct ReceivedOpcode {
        std::uint8_t opcode;
        int minLength;
        const wchar_t* trace;
        void (*handle)(CSentrixdDlg& dlg, const std::uint8_t* message);
    };
    // The entry of `opcode`; null for an opcode the controller does not answer.
    static const ReceivedOpcode* receivedOpcode(std::uint8_t opcode);
    void onActiveSource(const std::uint8_t* message);
    void onSetStreamPath(const std::uint8_t* message, int announce);
    void onRoutingChange(const std::uint8_t* message);
    void onRoutingInformation(const std::uint8_t* message);
    void onGiveOsdName(const std::uint8_t* message);
    void onRequestActiveSource();
    void onStandby();
    void onMenuRequest(const std::uint8_t* message);
    void onGiveDeckStatus(const std::uint8_t* message);
    void onPlay(const std::uint8_t* message);
    void onDeckControl(const std::uint8_t* message);
    void onGiveTunerDeviceStatus(const std::uint8_t* message);
    void onSelectAnalogueService(const std::uint8_t* message);
    void onSelectDigitalService(const std::uint8_t* message);
    void onTunerStepIncrement();
    void onTunerStepDecrement();
    void onDeviceVendorID(const std::uint8_t* message);

    // Link state, hot plug, wake-up and One Touch Play.
    void onHotPlugDetectHigh();
    void onHotPlugDetectLow();
    // What made the controller read the awaited reply: a response event of the CECC, or the
    // one-shot start-up timer that reads whatever reply there is.
    enum class ReplyCue { ResponseEvent, StartupTimer };
    int handleCecControlCommand(ReplyCue cue = ReplyCue::ResponseEvent);
    // 0 once the address response has been handled; kAddressResponseAwaited when a response
    // event's reply still belongs to an earlier command, so the next response event is awaited.
    int onNotifyPhysicalAddress(ReplyCue cue = ReplyCue::ResponseEvent);
    static constexpr int kAddressResponseAwaited = 1;
    // Replies of earlier commands passed over while the address response is awaited, before
    // the controller goes on with whatever the status record holds.
    static constexpr std::uint32_t kMaxStaleAddressReplies = 10;
    int onQueryCecCertificationStatus();
    void onSetOperationMode();
    void onGetOperationMode(std::uint8_t& mode);
    void onGetCeccFwVersion();
    void onSetSupportFeature();
    void onGetSupportFeature();
    void ClearCecCtrlCmdStatus(std::uint32_t handled);
    int handleCECControlEvent();
    void onTimer();
    int oneTouchPlay(int user);
    int manageWakeup();
    int OnWtsSessionChange(platform::WParam wParam, platform::LParam lParam);
    int OnResume(platform::WParam wParam, platform::LParam lParam);
    int getHdmiControl();
    void cancelDisplayOff();
    int setTvEnhancedMode();
    void setActiveSource(ActiveSourceState state);
    void onNotifyCecInfo();
    void onBrowserBack();

    // End-application watches (one per application type 1 to 6).
    void createEndAppThread(int type);
    static void EndAppThread(EndAppWatch* watch);
    // Signals the stop event to every running watch, waits until they have all ended, then
    // resets the event. Nothing when no watch runs.
    void stopEndAppThreads();
    // Frees the records of the watches that have ended.
    void releaseEndedAppThreads();

    // Output switching, on-screen name and configuration reload.
    int selectDisplayOutput(std::uint32_t value);
    int selectSoundOutput(std::uint32_t value);
    int onExeOutswap();
    void onSoundChangeTimer();
    void onDisplayChangeTimer();
    int setOsdName();
    int setConfiguration();
    // setOperationMode with the busy retries, each answer traced.
    void sendOperationMode(const TraceScope& scope, CecControlCommand& command, std::uint8_t mode);
    // <Menu Status> (activated) with one more attempt 2000 ms later when the CECC is busy.
    int sendMenuStatus(const TraceScope& scope, CecMessage& message, std::uint8_t header);

    // Remote-key commands.
    std::uint32_t executeCommand(platform::WParam value);
    std::uint32_t getMatchedCmdInfo(std::uint32_t key, const CmdInfo*& rule);
    int matchingCondition(const CmdInfo* rule);
    std::uint32_t execCmdInfo(const CmdInfo* rule);

private:
    void OnClose();
    void onTilesEvent(platform::WParam code);
    // onSetStreamPath with a locally built message that carries the own physical address.
    void streamToOwnAddress(int announce);
    void onLauncherMessage(platform::MessageId message);
    void onPowerBroadcast(platform::WParam event);
    void onTimerMessage(platform::WParam id);
    void onEndApplication(platform::WParam number);
    void sendInactiveSource();
    void showMessageBox(const wchar_t* text);
    void startTimer(platform::TimerId id, std::uint32_t periodMs, platform::TimerId& member);
    void stopTimer(platform::TimerId& member);
    bool anyEndAppSlotTaken() const;
    std::uint8_t ownHeader(std::uint8_t destination) const;
    bool isOwnAddress(std::uint8_t high, std::uint8_t low) const;
    bool readDword(platform::RegKey key, const wchar_t* name, std::uint32_t& value);
    bool readByte(platform::RegKey key, const wchar_t* name, std::uint8_t& value);
    bool readTypedDword(platform::RegKey key, const wchar_t* name, std::uint32_t& value);
    void postAppCommand(std::uint32_t command);

    ControllerPorts& m_ports;
    ControllerServices& m_services;
    platform::WindowHandle m_hWnd = 0;
    bool m_bDestroyed = false;
    std::uint32_t m_dwDestroyWindowError = 0; // last error of a failed destruction of the window

public:
    // The main state that the controller's handlers share.
    HardIO m_hardIO;
    CecCertificationStatus m_cecCertStatus;
    EDIDHelper m_edidHelper;
    HdmiHookHelper m_hdmiHookHelper;
    CmdSetting m_cmdSetting;
    CmdInfoList m_cmdInfoList;
    LauncherService& m_appLauncher;
    std::wstring m_strModelName;

    platform::MessageId m_uiTilesMsg = 0;
    platform::MessageId m_uiDllQueryTurnOffTv = 0;
    platform::MessageId m_uiDllChangeHdmiOutput = 0;
    platform::MessageId m_uiExeOutswap = 0;
    platform::MessageId m_uiSentrixsetChanged = 0;
    platform::MessageId m_uiUseTvEnhancement = 0;
    platform::MessageId m_uiChangeSound = 0;
    platform::MessageId m_uiQuickMenuLaunchAlder = 0;
    platform::MessageId m_uiQuickMenuLaunchBirch = 0;
    platform::MessageId m_uiQuickMenuLaunchCedar = 0;
    platform::MessageId m_uiQuickMenuLaunchPowerCinema = 0;
    platform::MessageId m_uiQuickMenuLaunchWinDvd = 0;
    platform::MessageId m_uiQuickMenuLaunchMediaCenter = 0;
    platform::MessageId m_uiQuickMenuCloseBirch = 0;
    platform::MessageId m_uiQuickMenuCloseMenu = 0;

    platform::TimerId m_nTimerDisconnect = 0;
    platform::TimerId m_nTimerCecCtrl = 0;
    platform::TimerId m_nTimerSound = 0;
    platform::TimerId m_nTimerDisplay = 0;
    platform::TimerId m_nTimerWakeup = 0;
    platform::TimerId m_nTimerNotify = 0;

    std::uint32_t m_dwDisplayChangeTimeDiff = 0;
    std::uint32_t m_dwDisplayChangeTimeRetry = 0;
    std::uint32_t m_dwDisplayChangeExecWait = 0;
    std::uint32_t m_dwNotifyWaitTime = 0;
    std::uint32_t m_dwNotifyWaitTimeInit = 0;
    std::uint32_t m_dwLauncherShowMode = 0;
    std::uint32_t m_dwCECControlStatusTimer = 0;
    std::uint32_t m_dwEnableTunerControl = 0;

    std::uint32_t m_nDisplayTarget = 0;
    std::uint32_t m_nDisplayChangeCount = 0;
    platform::SyncHandle m_hEndAppEvent = 0;
    // Each slot is empty or holds its type's running watch: filled and tested by the main
    // window's thread, emptied by the watch as its last act (or by WM_END_APPLICATION).
    std::atomic<EndAppWatch*> m_endAppSlots[kEndAppSlots] = {};
    std::vector<std::unique_ptr<EndAppWatch>> m_endAppWatches; // main window's thread only

    int m_bActiveSource = 0;
    std::uint32_t m_dwCecCtrlCmdStatus = 0;
    std::uint32_t m_nStaleAddressReplies = 0;
    std::uint32_t m_dwVendorID = 0;
    int m_bHotPlugEvent = 0;
    int m_bStartup = 0;
    int m_bHotPlugHandled = 0;
    int m_bHdmiDisconnected = 0;
    int m_bWakeupByCec = 0;
    int m_bOneTouchPlay = 0;
    int m_bHdmiAlreadyShown = 0;
    int m_bNotifyCertified = 0;
    std::uint32_t m_nWakeupFactorRetry = 0;
    int m_bSessionLocked = 0;
    int m_bInResume = 0;
    platform::SyncHandle m_hUnlockEvent = 0;
    std::uint32_t m_dwConsoleSession = 0xFFFFFFFF;
    std::uint32_t m_pcFineMode = 0;
    int m_bKeyHookSet = 0;
    int m_bMessageShown = 0;
    std::uint32_t m_dwNotifyNotShowCecKorvath = 0;
    std::uint32_t m_dwNotifyNotShowNotSupport = 0;
    std::uint32_t m_nMenuRequestActiveSource = 0;
};
