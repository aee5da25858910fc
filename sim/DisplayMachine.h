// A notebook whose display library is the real one (display::Panelid) running over simulated
// hardware: an internal panel and an HDMI output behind the simulated Windows display
// configuration (Windows 10), no blocking device. Switching takes effect at once, as
// SetDisplayConfig does. Graphics: none (no vendor interface, so the EDID cannot be read:
// GetPanelid -1); AMD with its first interface, which reads the connected HDMI display's EDID
// (and whose vendor code turns the display configuration's AMD workarounds on); AMD with the
// second interface; Intel, whose COM object reads the EDID; NVIDIA. Every vendor interface is a
// view of the same simulated targets. With `vistaOs` the system reports version 6.0, so the
// display configuration is unusable and the vendor back-end (Intel, NVIDIA, second AMD
// interface) also reads and switches the arrangement.
// Simulation.
#pragma once

#include "display/Panelid.h"
#include "display/backends/AmdFirstBackend.h"
#include "display/backends/AmdSecondBackend.h"
#include "display/backends/IntelBackend.h"
#include "display/backends/NvidiaBackend.h"
#include "sim/SimAmdDisplayLibrary.h"
#include "sim/SimAmdSecondDisplay.h"
#include "sim/SimDeviceSetupClasses.h"
#include "sim/SimDisplayConfig.h"
#include "sim/SimDisplaySettings.h"
#include "sim/SimIntelDisplay.h"
#include "sim/SimNvidiaDisplay.h"
#include "sim/SimOsVersion.h"
#include "sim/SimRegistry.h"

#include <cstdint>

namespace sim {

class DisplayMachine {
public:
    using Edid = std::array<std::uint8_t, 256>;

    // Amd: both AMD interfaces, the first reading the EDID and the second switching.
    enum class Graphics { None, AmdFirst, AmdSecond, Intel, Nvidia, Amd };

    DisplayMachine(platform::Clock& clock, platform::FirmwareTransport& firmware,
                   Graphics graphics = Graphics::None, bool vistaOs = false);

    // Hardware: whether the HDMI display is seen connected, and its EDID.
    void setHdmiConnected(bool connected, const Edid& edid = {});
    // Arranges the desktop as one of the panel/HDMI values at once; other values are ignored.
    void arrange(std::uint32_t value);
    SimDisplayConfig& displayConfig() { return m_config; }
    SimNvidiaDisplay& nvidia() { return m_nvidia; }
    Graphics graphics() const { return m_graphics; }
    SimDeviceSetupClasses& devices() { return m_devices; }
    SimAmdSecondDisplay& amdSecondInterface() { return m_pdl; }
    SimAmdDisplayLibrary& amdFirstInterface() { return m_adl; }
    bool hasAmdFirst() const { return m_graphics == Graphics::AmdFirst || m_graphics == Graphics::Amd; }
    bool hasAmdSecond() const { return m_graphics == Graphics::AmdSecond || m_graphics == Graphics::Amd; }
    // The first AMD interface's mapped bit of the HDMI display, from the current arrangement.
    void syncAmdMapped();
    SimIntelDisplay& intel() { return m_igfx; }
    SimRegistry& registry() { return m_registry; }
    SimDisplaySettings& displaySettings() { return m_settings; }
    SimOsVersion& os() { return m_os; }
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
    void wireNvidia();

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
    SimIntelDisplay m_igfx{m_config};
    display::IntelBackend m_intel{m_igfx, m_registry, m_settings};
    SimNvidiaDisplay m_nvidia;
    display::NvidiaBackend m_nvidiaBackend{m_nvidia, m_clock, m_settings};
    Graphics m_graphics = Graphics::None;
    std::size_t m_panel = 0;
    std::size_t m_hdmi = 0;
    std::optional<std::size_t> m_crt;
};

} // namespace sim
