// A notebook whose display library is the real one (display::Panelid) running over simulated
// hardware: an internal panel and an HDMI output behind the simulated Windows display
// configuration (Windows 10), no blocking device. Switching takes effect at once, as
// SetDisplayConfig does. Machine kinds: the Windows display configuration only (no graphics
// vendor interface, so the EDID cannot be read: GetPanelid -1), or with AMD graphics, whose
// first interface reads the connected HDMI display's EDID (and whose vendor code turns the
// display configuration's AMD workarounds on). With the second AMD interface instead, that
// interface reads the EDID; on Windows Vista (6.0) the display configuration is unusable and the
// second AMD interface also reads and switches the arrangement (a view of the same targets).
// Simulation.
#pragma once

#include "display/Panelid.h"
#include "display/backends/AmdFirstBackend.h"
#include "display/backends/AmdSecondBackend.h"
#include "sim/SimAmdDisplayLibrary.h"
#include "sim/SimAmdSecondDisplay.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"

#include <cstdint>

namespace sim {

class DisplayMachine {
public:
    using Edid = std::array<std::uint8_t, 256>;

    // AMD graphics with the second interface: on Windows 10, or on Vista.
    enum class AmdSecond { None, Windows10, Vista };

    DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware, bool amdGraphics,
                   AmdSecond amdSecond = AmdSecond::None);

    // Hardware: whether the HDMI display is seen connected, and its EDID.
    void setHdmiConnected(bool connected, const Edid& edid = {});
    // Arranges the desktop as one of the panel/HDMI values at once; other values are ignored.
    void arrange(std::uint32_t value);
    SimDisplayConfig& displayConfig() { return m_config; }
    SimDeviceSetupClasses& devices() { return m_devices; }
    SimAmdSecondDisplay& amdSecondInterface() { return m_pdl; }
    // The adapter's driver model (1000, 1102, 1105) and the two AMD driver quirks the display
    // configuration's workarounds exist for.
    void setDriverModel(std::uint32_t model) { m_config.setDriverModel(0, model); }
    void setHdmiReportedAsDvi(bool on);
    void setRefusesExtendedToExtended(bool on) { m_config.refuseExtendedToExtended(on); }
    // An analog monitor on the VGA output, connected or not (added on first use).
    void setCrtConnected(bool connected);

    // The library's operations.
    std::int32_t getPanelid(std::uint8_t* edid256);
    std::int32_t getMonitorDevice() { return library().getMonitorDevice(); }
    std::int32_t setMonitorDevice(std::uint32_t value) { return library().setMonitorDevice(value); }

private:
    display::Panelid library();
    void wireAmdSecond();

    platform::Clock& m_clock;
    platform::FirmwareTransport& m_firmware;
    SimDisplayConfig m_config;
    SimDisplaySettings m_settings;
    SimRegistry m_registry;
    SimDeviceSetupClasses m_devices;
    SimOsVersion m_os;
    SimAmdDisplayLibrary m_adl;
    display::AmdFirstBackend m_amdFirst{m_adl};
    SimAmdSecondDisplay m_pdl{m_config};
    SimFileVersion m_files;
    display::AmdSecondBackend m_amdSecond{m_pdl, m_files};
    bool m_amdGraphics = false;
    AmdSecond m_amdSecondKind = AmdSecond::None;
    std::size_t m_panel = 0;
    std::size_t m_hdmi = 0;
    std::optional<std::size_t> m_crt;
};

} // namespace sim
