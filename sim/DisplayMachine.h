// A notebook whose display library is the real one (display::Panelid) running over simulated
// hardware: the machine kind "Windows display configuration only" — an internal panel and an
// HDMI output behind the simulated Windows display configuration (Windows 10), no graphics
// vendor interface, no blocking device. Switching takes effect at once, as SetDisplayConfig
// does; the EDID cannot be read, as no vendor interface is there to read it (GetPanelid -1).
// Simulation.
#pragma once

#include "display/Panelid.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"

#include <cstdint>

namespace sim {

class DisplayMachine {
public:
    DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware);

    // Hardware: whether the HDMI display is seen connected.
    void setHdmiConnected(bool connected);
    // Arranges the desktop as one of the panel/HDMI values at once; other values are ignored.
    void arrange(std::uint32_t value);
    SimDisplayConfig& displayConfig() { return m_config; }
    SimDeviceSetupClasses& devices() { return m_devices; }

    // The library's operations.
    std::int32_t getPanelid(std::uint8_t* edid256) { return library().getPanelid(edid256); }
    std::int32_t getMonitorDevice() { return library().getMonitorDevice(); }
    std::int32_t setMonitorDevice(std::uint32_t value) { return library().setMonitorDevice(value); }

private:
    display::Panelid library();

    platform::Clock& m_clock;
    platform::FirmwareTransport& m_firmware;
    SimDisplayConfig m_config;
    SimDisplaySettings m_settings;
    SimRegistry m_registry;
    SimDeviceSetupClasses m_devices;
    SimOsVersion m_os;
    std::size_t m_panel = 0;
    std::size_t m_hdmi = 0;
};

} // namespace sim
