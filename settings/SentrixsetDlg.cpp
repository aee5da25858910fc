// The settings program's main dialog. Portable.
#include "settings/SentrixsetDlg.h"

#include "common/Bytes.h"
#include "common/ControllerIdentity.h"
#include "common/FirmwareRecord.h"
#include "common/Trace.h"
#include "settings/SentrixsetResource.h"

namespace settings {
namespace {

using platform::RegAccess;
using platform::RegKey;
namespace error = platform::error;
namespace regtype = platform::regtype;

constexpr auto kModule = TraceModule::Sentrixset;

// The start's statements carry these source lines, which readers of the trace log know; they
// do not follow this file's layout.
constexpr int kInitDialogLine = 132;
constexpr int kDeviceErrorLine = 172;

#define DLG_SCOPE(name) TRACE_SCOPE(kModule, name)

// Texts replaced from the string table at start: control, string.
constexpr struct {
    int control;
    int string;
} kBoxTexts[] = {
    {IDC_HDMI_CONTROL, IDS_HDMI_CONTROL}, {IDC_POWER_ON_OFF, IDS_POWER_ON_OFF},
    {IDC_POWER_OFF, IDS_POWER_OFF},       {IDC_NOTIFY, IDS_NOTIFY},
    {IDC_LAUNCHER, IDS_LAUNCHER},
};

// The controller's store opened with `access`; no key (0) when it cannot be opened.
platform::ScopedRegKey openStore(platform::Registry& registry, RegAccess access) {
    platform::ScopedRegKey key(registry);
    if (registry.openKey(platform::kHkeyCurrentUser, kProductKey, access, key.out()) != error::kSuccess) {
        return platform::ScopedRegKey(registry);
    }
    return key;
}

} // namespace

CSentrixsetDlg::CSentrixsetDlg(const SentrixsetPorts& ports, SentrixsetView& view)
    : m_ports(ports), m_view(view), m_hardIO(ports.firmware) {}

CSentrixsetDlg::~CSentrixsetDlg() {
    if (m_bDeviceOpen) {
        m_hardIO.uninitialize();
    }
}

bool CSentrixsetDlg::OnInitDialog() {
    ::TraceScope traceScope_(kModule, TRACE_SOURCE, kInitDialogLine, "CSentrixsetDlg::OnInitDialog");

    const std::wstring about = m_view.loadString(IDS_ABOUTBOX);
    if (!about.empty()) {
        m_view.appendSystemMenuItem(IDM_ABOUTBOX, about);
    }
    m_view.setIcons();
    m_view.setCaption(m_view.loadString(IDS_CAPTION));
    for (const auto& box : kBoxTexts) {
        m_view.setItemText(box.control, m_view.loadString(box.string));
    }

    m_uiSentrixsetChanged = m_ports.windowing.registerMessage(kChangedMessage);

    m_bDeviceOpen = m_hardIO.initialize();
    if (!m_bDeviceOpen) {
        TraceLog::traceFormat("%s (%d) : ERROR!! in %s ", TRACE_SOURCE, kDeviceErrorLine, traceScope_.name());
        TraceLog::traceError(traceScope_.module(), TraceLog::kLevel, L"ERROR HardIO::initialize()");
        m_view.enableItem(IDC_HDMI_CONTROL, false);
        m_view.enableItem(IDC_POWER_ON_OFF, false);
        m_view.enableItem(IDC_POWER_OFF, false);
        // The notices and the menu do not depend on the device: showing them as stored keeps
        // OK from turning the notices off unasked.
        readStoreBoxes();
        return true;
    }

    m_bHdmiControlReadable = readFirmwareSetting(fw::kSettingHdmiControl, m_dwHdmiControl);
    m_bCheckHdmiControl = m_dwHdmiControl == 1;
    m_view.setChecked(IDC_HDMI_CONTROL, m_bCheckHdmiControl);
    m_view.enableItem(IDC_HDMI_CONTROL, m_bHdmiControlReadable);

    m_bPowerByTvReadable = readFirmwareSetting(fw::kSettingPowerByTv, m_dwPowerByTv);
    m_bCheckPowerByTv = m_dwPowerByTv == 1;
    m_view.setChecked(IDC_POWER_ON_OFF, m_bCheckPowerByTv);
    m_view.enableItem(IDC_POWER_ON_OFF, m_bPowerByTvReadable);

    std::uint8_t mode = 0;
    const bool modeRead = readOperationMode(mode);
    if (modeRead) {
        m_byOperationMode = mode;
    }
    m_bPowerOff = modeRead && (mode & kPowerOffBit) != 0;
    m_bCheckPowerOff = m_bPowerOff;
    m_view.setChecked(IDC_POWER_OFF, m_bCheckPowerOff);

    applyDependencyRule();
    readStoreBoxes();
    return true;
}

void CSentrixsetDlg::readStoreBoxes() {
    DLG_SCOPE("CSentrixsetDlg::readStoreBoxes");
    m_dwNotifyCec = 0;
    m_dwNotifyNotSupport = 0;
    readDword(kNotifyCecValue, m_dwNotifyCec);
    readDword(kNotifyNotSupportValue, m_dwNotifyNotSupport);
    m_bCheckNotify = m_dwNotifyCec == 0 && m_dwNotifyNotSupport == 0;
    m_view.setChecked(IDC_NOTIFY, m_bCheckNotify);

    std::uint32_t launcher = 0;
    readDword(kLauncherValue, launcher);
    m_bLauncher = launcher == kLauncherShown;
    m_bCheckLauncher = m_bLauncher;
    m_view.setChecked(IDC_LAUNCHER, m_bCheckLauncher);
}

void CSentrixsetDlg::applyDependencyRule() {
    DLG_SCOPE("CSentrixsetDlg::applyDependencyRule");
    const bool hdmiControl = m_view.isChecked(IDC_HDMI_CONTROL);
    const bool powerByTv = m_view.isChecked(IDC_POWER_ON_OFF);
    m_view.enableItem(IDC_POWER_ON_OFF, m_bPowerByTvReadable && hdmiControl);
    m_view.enableItem(IDC_POWER_OFF, hdmiControl && powerByTv);
}

void CSentrixsetDlg::OnBnClicked(int id) {
    DLG_SCOPE("CSentrixsetDlg::OnBnClicked");
    if (m_bDeviceOpen && (id == IDC_HDMI_CONTROL || id == IDC_POWER_ON_OFF)) {
        applyDependencyRule();
    }
}

void CSentrixsetDlg::OnOK() {
    DLG_SCOPE("CSentrixsetDlg::OnOK");
    m_bCheckHdmiControl = m_view.isChecked(IDC_HDMI_CONTROL);
    m_bCheckPowerByTv = m_view.isChecked(IDC_POWER_ON_OFF);
    m_bCheckPowerOff = m_view.isChecked(IDC_POWER_OFF);
    m_bCheckNotify = m_view.isChecked(IDC_NOTIFY);
    m_bCheckLauncher = m_view.isChecked(IDC_LAUNCHER);

    bool changed = false;
    if (m_bCheckHdmiControl != (m_dwHdmiControl != 0)) {
        writeFirmwareSetting(fw::kSettingHdmiControl, m_bCheckHdmiControl ? 1 : 0);
        changed = true;
    }
    if (m_bCheckPowerByTv != (m_dwPowerByTv != 0)) {
        writeFirmwareSetting(fw::kSettingPowerByTv, m_bCheckPowerByTv ? 1 : 0);
        changed = true;
    }
    if (m_bCheckPowerOff != m_bPowerOff) {
        const std::uint8_t mode = m_bCheckPowerOff
                                      ? static_cast<std::uint8_t>(m_byOperationMode | kPowerOffBit)
                                      : static_cast<std::uint8_t>(m_byOperationMode & ~kPowerOffBit);
        writeBinaryByte(kOperationModeValue, mode);
        changed = true;
    }
    if (m_bCheckLauncher != m_bLauncher) {
        writeDword(kLauncherValue, m_bCheckLauncher ? 1 : 0);
        changed = true;
    }
    if (changed) {
        notifyController();
    }
    writeNotificationSetting();
    m_view.endDialog(kIdOk);
}

void CSentrixsetDlg::notifyController() {
    DLG_SCOPE("CSentrixsetDlg::notifyController");
    const platform::WindowHandle controller =
        m_ports.windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    if (controller == 0) {
        TRACE_MSG(L"Sentrixd is not running");
        return;
    }
    m_ports.windowing.postMessage(controller, m_uiSentrixsetChanged, 0, 0);
    m_ports.clock.sleep(kReloadWaitMs);
}

void CSentrixsetDlg::writeNotificationSetting() {
    DLG_SCOPE("CSentrixsetDlg::writeNotificationSetting");
    std::uint32_t notifyCec = 0;
    std::uint32_t notifyNotSupport = 0;
    readDword(kNotifyCecValue, notifyCec);
    readDword(kNotifyNotSupportValue, notifyNotSupport);
    if (m_bCheckNotify) {
        writeDword(kNotifyCecValue, 0);
        writeDword(kNotifyNotSupportValue, 0);
    } else if (notifyCec == 0 && notifyNotSupport == 0) {
        writeDword(kNotifyCecValue, 1);
        writeDword(kNotifyNotSupportValue, 1);
    }
}

void CSentrixsetDlg::OnCancel() {
    DLG_SCOPE("CSentrixsetDlg::OnCancel");
    m_view.endDialog(kIdCancel);
}

bool CSentrixsetDlg::OnSysCommand(std::uint32_t command) {
    DLG_SCOPE("CSentrixsetDlg::OnSysCommand");
    // The low four bits of a system command are the system's own.
    if ((command & 0xFFF0) != IDM_ABOUTBOX) {
        return false;
    }
    m_view.showAboutDialog();
    return true;
}

void CSentrixsetDlg::OnDestroy() {
    DLG_SCOPE("CSentrixsetDlg::OnDestroy");
    if (m_bDeviceOpen) {
        m_hardIO.uninitialize();
        m_bDeviceOpen = false;
    }
}

bool CSentrixsetDlg::readFirmwareSetting(std::uint32_t number, std::uint32_t& value) {
    DLG_SCOPE("CSentrixsetDlg::readFirmwareSetting");
    value = 0;
    m_hardIO.open();
    FirmwareRecord request;
    request.w0 = fw::kReadSetting;
    request.w1 = number;
    FirmwareRecord reply;
    const bool read = m_hardIO.invoke(request, reply);
    m_hardIO.close();
    if (!read) {
        TRACE_ERROR(L"ERROR HardIO::invoke():0x%08x setting 0x%x", reply.w0, number);
        return false;
    }
    value = reply.w2 != 0 ? 1 : 0;
    return true;
}

void CSentrixsetDlg::writeFirmwareSetting(std::uint32_t number, std::uint32_t value) {
    DLG_SCOPE("CSentrixsetDlg::writeFirmwareSetting");
    if (!m_bDeviceOpen) {
        TRACE_ERROR(L"ERROR Invalid Parameters");
        return;
    }
    m_hardIO.open();
    FirmwareRecord request;
    request.w0 = fw::kWriteSetting;
    request.w1 = number;
    request.w2 = value;
    FirmwareRecord reply;
    m_hardIO.invoke(request, reply); // the firmware's answer is not checked
    m_hardIO.close();
}

bool CSentrixsetDlg::readOperationMode(std::uint8_t& mode) {
    DLG_SCOPE("CSentrixsetDlg::readOperationMode");
    const platform::ScopedRegKey key = openStore(m_ports.registry, RegAccess::Read);
    if (key == 0) {
        TRACE_ERROR(L"ERROR RegOpenKeyEx()");
        return false;
    }
    // Exactly one binary byte; anything else cannot be the operation mode.
    std::uint32_t type = 0;
    std::uint8_t byte = 0;
    std::uint32_t size = sizeof byte;
    if (m_ports.registry.queryValue(key, kOperationModeValue, &type, &byte, &size) != error::kSuccess ||
        type != regtype::kBinary || size != sizeof byte) {
        TRACE_ERROR(L"ERROR RegQueryValueEx(CECCOperationMode)");
        return false;
    }
    mode = byte;
    return true;
}

bool CSentrixsetDlg::readDword(const wchar_t* name, std::uint32_t& value) {
    DLG_SCOPE("CSentrixsetDlg::readDword");
    const platform::ScopedRegKey key = openStore(m_ports.registry, RegAccess::Read);
    if (key == 0) {
        return false;
    }
    if (!platform::readDword(m_ports.registry, key, name, value)) {
        TRACE_MSG(L"%ls cannot be read", name);
        return false;
    }
    return true;
}

bool CSentrixsetDlg::writeDword(const wchar_t* name, std::uint32_t value) {
    DLG_SCOPE("CSentrixsetDlg::writeDword");
    const platform::ScopedRegKey key = openStore(m_ports.registry, RegAccess::Write);
    if (key == 0 || platform::writeDword(m_ports.registry, key, name, value) != error::kSuccess) {
        TRACE_ERROR(L"ERROR RegSetValueEx(%ls)", name);
        return false;
    }
    return true;
}

bool CSentrixsetDlg::writeBinaryByte(const wchar_t* name, std::uint8_t value) {
    DLG_SCOPE("CSentrixsetDlg::writeBinaryByte");
    const platform::ScopedRegKey key = openStore(m_ports.registry, RegAccess::Write);
    if (key == 0 || m_ports.registry.setValue(key, name, regtype::kBinary, &value, 1) != error::kSuccess) {
        TRACE_ERROR(L"ERROR RegSetValueEx(%ls)", name);
        return false;
    }
    return true;
}

BannerLayout CSentrixsetDlg::bannerLayout(int clientWidth, int tileWidth, int endWidth) {
    BannerLayout layout;
    layout.endX = clientWidth - endWidth;
    if (tileWidth <= 0) {
        return layout;
    }
    for (int x = 0; x < layout.endX; x += tileWidth) {
        layout.tileX.push_back(x);
    }
    return layout;
}

} // namespace settings
