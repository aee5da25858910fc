// The settings program's main dialog: five check boxes for the firmware's HDMI-control
// settings (0x154, 0x155), the power-off bit of the operation mode, the controller's notices
// and its control menu. It reads them at start, keeps the dependent boxes' enabled states,
// writes what changed on OK and tells the running controller to reload.
// Portable.
#pragma once

#include "common/ControllerIdentity.h"
#include "common/HardIO.h"
#include "platform/Clock.h"
#include "platform/FirmwareTransport.h"
#include "platform/Registry.h"
#include "platform/Windowing.h"
#include "settings/SentrixsetView.h"

#include <cstdint>
#include <vector>

namespace settings {

struct SentrixsetPorts {
    platform::Registry& registry;
    platform::Windowing& windowing;
    platform::Clock& clock;
    platform::FirmwareTransport& firmware;
};

// Where the banner's bitmaps go along the top of the client area: the tile at each of
// `tileX`, then the end piece once at `endX`, so that it ends at the right edge.
struct BannerLayout {
    std::vector<int> tileX;
    int endX = 0;
};

class CSentrixsetDlg {
public:
    static constexpr const wchar_t* kChangedMessage = L"SENTRIXSET_CHANGED";
    static constexpr const wchar_t* kOperationModeValue = L"CECCOperationMode";
    static constexpr const wchar_t* kNotifyCecValue = L"NotifyNotShowCecKorvath";
    static constexpr const wchar_t* kNotifyNotSupportValue = L"NotifyNotShowNotSupport";
    static constexpr const wchar_t* kLauncherValue = L"LauncherShowMode";
    static constexpr std::uint8_t kInitialOperationMode = 0x0F;
    static constexpr std::uint8_t kPowerOffBit = 0x10; // PC powered off with the TV
    static constexpr std::uint32_t kLauncherShown = 1;
    static constexpr std::uint32_t kReloadWaitMs = 1000;
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;

    CSentrixsetDlg(const SentrixsetPorts& ports, SentrixsetView& view);
    CSentrixsetDlg(const CSentrixsetDlg&) = delete;
    CSentrixsetDlg& operator=(const CSentrixsetDlg&) = delete;
    ~CSentrixsetDlg();

    // Dialog start: texts, system menu, icons, the device and the five settings.
    bool OnInitDialog();
    // A click on one of the check boxes (the dependency rule follows boxes 1007 and 1010).
    void OnBnClicked(int id);
    void OnOK();
    void OnCancel();
    // System-menu commands: the About item opens the About dialog; false for any other
    // command, which the standard handling takes.
    bool OnSysCommand(std::uint32_t command);
    // The window is being destroyed: closes the device.
    void OnDestroy();

    // The banner for a client area `clientWidth` wide with a tile `tileWidth` and an end
    // piece `endWidth` wide. A tile without width is not repeated.
    static BannerLayout bannerLayout(int clientWidth, int tileWidth, int endWidth);

private:
    // One firmware setting read in its own session; false when the device call fails or the
    // reply reports failure. `value` is 1 for any nonzero reply W2.
    bool readFirmwareSetting(std::uint32_t number, std::uint32_t& value);
    void writeFirmwareSetting(std::uint32_t number, std::uint32_t value);
    bool readOperationMode(std::uint8_t& mode);
    // A REG_DWORD of four bytes; false for anything else.
    bool readDword(const wchar_t* name, std::uint32_t& value);
    bool writeDword(const wchar_t* name, std::uint32_t value);
    bool writeBinaryByte(const wchar_t* name, std::uint8_t value);
    void applyDependencyRule();
    void readStoreBoxes();
    void notifyController();
    void writeNotificationSetting();

    SentrixsetPorts m_ports;
    SentrixsetView& m_view;
    HardIO m_hardIO;
    bool m_bDeviceOpen = false;
    platform::MessageId m_uiSentrixsetChanged = 0;

    // The settings as read at start, for change detection.
    std::uint32_t m_dwHdmiControl = 0;
    std::uint32_t m_dwPowerByTv = 0;
    bool m_bPowerOff = false;
    bool m_bLauncher = false;
    std::uint8_t m_byOperationMode = kInitialOperationMode;
    std::uint32_t m_dwNotifyCec = 0;
    std::uint32_t m_dwNotifyNotSupport = 0;
    // A firmware box whose setting could not be read stays disabled.
    bool m_bHdmiControlReadable = false;
    bool m_bPowerByTvReadable = false;

    // The box states (the dialog's data).
    bool m_bCheckHdmiControl = false;
    bool m_bCheckPowerByTv = false;
    bool m_bCheckPowerOff = false;
    bool m_bCheckNotify = false;
    bool m_bCheckLauncher = false;
};

} // namespace settings
