// The notebook with the real display library over simulated hardware. Simulation.
#include "sim/DisplayMachine.h"

#include "display/MonitorDevice.h"

namespace sim {

namespace {
constexpr std::int32_t kAdapter = 0;
constexpr std::int32_t kHdmiDisplay = 1;
} // namespace

DisplayMachine::DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware,
                               Graphics graphics, bool vistaOs)
    : m_clock(clock), m_firmware(firmware), m_graphics(graphics) {
    SimAmdDisplayLibrary::Adapter adapter;
    adapter.index = kAdapter;
    adapter.displays.push_back(SimAmdDisplayLibrary::Display{0, 0, true, true, std::nullopt}); // the panel
    adapter.displays.push_back(SimAmdDisplayLibrary::Display{kHdmiDisplay, platform::adl::kConnectorHdmiTypeA,
                                                             false, false, std::nullopt});
    m_adl.adapters().push_back(adapter);
    m_adl.setPresent(hasAmdFirst());
    m_os.set(vistaOs ? 6 : 10, 0);
    m_igfx.setRegistered(graphics == Graphics::Intel);
    m_panel = m_config.addTarget(0, 0x100, platform::dc::tech::kInternal);
    m_hdmi = m_config.addTarget(0, 0x200, platform::dc::tech::kHdmi, false);
    m_config.setDriverModel(0, 1105);
    m_config.arrange({{m_panel, 0}});
    wireAmdSecond();
    if (graphics == Graphics::Nvidia) {
        wireNvidia();
    }
}

void DisplayMachine::wireAmdSecond() {
    // The panel and the HDMI output as the second AMD interface names them, with a driver
    // recent enough for the extended mode 5.
    m_pdl.displays() = {
        {platform::atipdl::kTypePanel, 0, m_panel, std::nullopt},
        {platform::atipdl::kTypeDigital, platform::atipdl::kConnectorHdmiA, m_hdmi, std::nullopt}};
    m_pdl.setPresent(hasAmdSecond());
    m_files.addFile("C:\\Windows\\system32\\drivers\\atikmdag.sys",
                    platform::FileVersionNumber{0x00080000, 0});
}

display::Panelid DisplayMachine::library() {
    return display::Panelid(
        display::PanelidPorts{m_devices, m_os, m_config, m_settings, m_registry, m_clock, m_firmware},
        display::VendorBackends{m_graphics == Graphics::Intel ? &m_intel : nullptr,
                                m_graphics == Graphics::Nvidia ? &m_nvidiaBackend : nullptr,
                                hasAmdFirst() ? &m_amdFirst : nullptr,
                                hasAmdSecond() ? &m_amdSecond : nullptr});
}

void DisplayMachine::syncAmdMapped() {
    // The driver maps the display while the desktop uses it.
    const auto value = static_cast<std::uint32_t>(library().getMonitorDevice());
    m_adl.adapters()[0].displays[kHdmiDisplay].mapped =
        value == display::mdv::kHdmi || value == display::mdv::kLcdHdmiClone ||
        value == display::mdv::kLcdPrimaryHdmi || value == display::mdv::kHdmiPrimaryLcd;
}

std::int32_t DisplayMachine::getPanelid(std::uint8_t* edid256) {
    syncAmdMapped();
    return library().getPanelid(edid256);
}

void DisplayMachine::wireNvidia() {
    m_nvidia.bindTo(m_config);
    m_nvidia.outputs() = {
        {platform::nv::output::kPanel, platform::nv::connector::kLvds, true, std::nullopt, m_panel},
        {platform::nv::output::kDigitalFirst, platform::nv::connector::kHdmiA, true, std::nullopt, m_hdmi},
    };
}

void DisplayMachine::setHdmiConnected(bool connected, const Edid& edid) {
    if (SimNvidiaDisplay::Output* tv = m_nvidia.output(platform::nv::output::kDigitalFirst)) {
        tv->edid = connected ? std::optional<Edid>(edid) : std::nullopt;
    }
    SimAmdDisplayLibrary::Display& hdmi = m_adl.adapters()[0].displays[kHdmiDisplay];
    hdmi.connected = connected;
    hdmi.edid = connected ? std::optional<Edid>(edid) : std::nullopt;
    m_igfx.setEdid(m_hdmi, hdmi.edid);
    m_pdl.displays()[kHdmiDisplay].edid = hdmi.edid;
    if (m_config.targets()[m_hdmi].connected == connected) {
        return;
    }
    m_config.setConnected(m_hdmi, connected);
    if (m_config.active().empty()) {
        m_config.arrange({{m_panel, 0}}); // Windows keeps the desktop on the remaining display
    }
}

void DisplayMachine::setHdmiReportedAsDvi(bool on) {
    m_config.setReportedTechnology(m_hdmi, on ? platform::dc::tech::kDvi : platform::dc::tech::kHdmi);
}

void DisplayMachine::setCrtConnected(bool connected) {
    if (!m_crt) {
        m_crt = m_config.addTarget(0, 0x300, platform::dc::tech::kHd15, connected);
        m_pdl.displays().push_back({platform::atipdl::kTypeCrt, 0, *m_crt, std::nullopt});
        return;
    }
    m_config.setConnected(*m_crt, connected);
    if (m_config.active().empty()) {
        m_config.arrange({{m_panel, 0}});
    }
}

void DisplayMachine::arrange(std::uint32_t value) {
    switch (value) {
    case display::mdv::kLcd:
        m_config.arrange({{m_panel, 0}});
        break;
    case display::mdv::kHdmi:
        m_config.arrange({{m_hdmi, 0}});
        break;
    case display::mdv::kLcdHdmiClone:
        m_config.arrange({{m_panel, 0}, {m_hdmi, 0}});
        break;
    case display::mdv::kLcdPrimaryHdmi:
        m_config.arrange({{m_panel, 0}, {m_hdmi, 1}});
        break;
    case display::mdv::kHdmiPrimaryLcd:
        m_config.arrange({{m_hdmi, 0}, {m_panel, 1}});
        break;
    default:
        break;
    }
}

} // namespace sim
