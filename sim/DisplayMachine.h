// A notebook whose display library is the real one (display::Panelid) running over simulated
// hardware: an internal panel and an HDMI output behind the simulated Windows display
// configuration (Windows 10), no blocking device. Switching takes effect at once, as
// SetDisplayConfig does. Machine kinds: the Windows display configuration only (no graphics
// vendor interface, so the EDID cannot be read: GetPanelid -1), or with AMD graphics, whose
// first interface reads the connected HDMI display's EDID (and whose vendor code turns the
// display configuration's AMD workarounds on), or with Intel graphics, whose COM object reads
// the EDID; with `vistaOs` the system reports version 6.0, so the Intel back-end also reads
// and switches the arrangement (through the same simulated hardware).
// Simulation.
#pragma once

#include "display/Panelid.h"
#include "display/backends/AmdFirstBackend.h"
#include "display/backends/IntelBackend.h"
#include "sim/SimAmdDisplayLibrary.h"
#include "display/backends/NvidiaBackend.h"
#include "sim/SimNvidiaDisplay.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimIntelDisplay.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"

#include <cstdint>

namespace sim {

class DisplayMachine {
public:
    using Edid = std::array<std::uint8_t, 256>;

    DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware, bool amdGraphics,
                   bool intelGraphics = false, bool vistaOs = false);

    // Hardware: whether the HDMI display is seen connected, and its EDID.
    void setHdmiConnected(bool connected, const Edid& edid = {});
    // Arranges the desktop as one of the panel/HDMI values at once; other values are ignored.
    void arrange(std::uint32_t value);
    SimDisplayConfig& displayConfig() { return m_config; }
    // NVIDIA graphics: its interface reads the EDID; with `vista` the OS reports 6.0, so the
    // NVIDIA back-end also reads and switches the arrangement.
    void useNvidia(bool vista);
    SimNvidiaDisplay& nvidia() { return m_nvidia; }
    SimDeviceSetupClasses& devices() { return m_devices; }

    // The library's operations.
    std::int32_t getPanelid(std::uint8_t* edid256);
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
    SimAmdDisplayLibrary m_adl;
    display::AmdFirstBackend m_amdFirst{m_adl};
    bool m_amdGraphics = false;
    SimIntelDisplay m_igfx{m_config};
    display::IntelBackend m_intel{m_igfx, m_registry, m_settings};
    bool m_intelGraphics = false;
    SimNvidiaDisplay m_nvidia;
    display::NvidiaBackend m_nvidiaBackend{m_nvidia, m_clock, m_settings};
    bool m_nvidiaGraphics = false;
    std::size_t m_panel = 0;
    std::size_t m_hdmi = 0;
};

} // namespace sim
