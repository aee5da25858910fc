// The notebook with the real display library over simulated hardware. Simulation.
#include "sim/DisplayMachine.h"

#include "display/MonitorDevice.h"

namespace sim {

namespace {
constexpr std::int32_t kAdapter = 0;
constexpr std::int32_t kHdmiDisplay = 1;
} // namespace

DisplayMachine::DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware, bool amdGraphics,
                               bool intelGraphics, bool vistaOs)
    : m_clock(clock), m_firmware(firmware), m_amdGraphics(amdGraphics), m_intelGraphics(intelGraphics) {
    SimAmdDisplayLibrary::Adapter adapter;
    adapter.index = kAdapter;
    adapter.displays.push_back(SimAmdDisplayLibrary::Display{0, 0, true, true, std::nullopt}); // the panel
    adapter.displays.push_back(SimAmdDisplayLibrary::Display{kHdmiDisplay, platform::adl::kConnectorHdmiTypeA,
                                                             false, false, std::nullopt});
    m_adl.adapters().push_back(adapter);
    m_adl.setPresent(amdGraphics);
    m_os.set(vistaOs ? 6 : 10, 0);
    m_igfx.setRegistered(intelGraphics);
    m_panel = m_config.addTarget(0, 0x100, platform::dc::tech::kInternal);
    m_hdmi = m_config.addTarget(0, 0x200, platform::dc::tech::kHdmi, false);
    m_config.setDriverModel(0, 1105);
    m_config.arrange({{m_panel, 0}});
}

display::Panelid DisplayMachine::library() {
    return display::Panelid(display::PanelidPorts{m_devices, m_os, m_config, m_settings, m_registry, m_clock, m_firmware},
                            display::VendorBackends{m_intelGraphics ? &m_intel : nullptr,
                                                    m_nvidiaGraphics ? &m_nvidiaBackend : nullptr,
                                                    m_amdGraphics ? &m_amdFirst : nullptr, nullptr});
}

std::int32_t DisplayMachine::getPanelid(std::uint8_t* edid256) {
    // The driver maps the display while the desktop uses it.
    const auto value = static_cast<std::uint32_t>(library().getMonitorDevice());
    m_adl.adapters()[0].displays[kHdmiDisplay].mapped =
        value == display::mdv::kHdmi || value == display::mdv::kLcdHdmiClone ||
        value == display::mdv::kLcdPrimaryHdmi || value == display::mdv::kHdmiPrimaryLcd;
    return library().getPanelid(edid256);
}

void DisplayMachine::useNvidia(bool vista) {
    m_nvidiaGraphics = true;
    m_nvidia.bindTo(m_config);
    m_nvidia.outputs() = {
        {platform::nv::output::kPanel, platform::nv::connector::kLvds, true, std::nullopt, m_panel},
        {platform::nv::output::kDigitalFirst, platform::nv::connector::kHdmiA, true, std::nullopt, m_hdmi},
    };
    if (vista) {
        m_os.set(6, 0);
    }
}

void DisplayMachine::setHdmiConnected(bool connected, const Edid& edid) {
    if (SimNvidiaDisplay::Output* tv = m_nvidia.output(platform::nv::output::kDigitalFirst)) {
        tv->edid = connected ? std::optional<Edid>(edid) : std::nullopt;
    }
    SimAmdDisplayLibrary::Display& hdmi = m_adl.adapters()[0].displays[kHdmiDisplay];
    hdmi.connected = connected;
    hdmi.edid = connected ? std::optional<Edid>(edid) : std::nullopt;
    m_igfx.setEdid(m_hdmi, hdmi.edid);
    if (m_config.targets()[m_hdmi].connected == connected) {
        return;
    }
    m_config.setConnected(m_hdmi, connected);
    if (m_config.active().empty()) {
        m_config.arrange({{m_panel, 0}}); // Windows keeps the desktop on the remaining display
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
