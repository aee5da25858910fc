// The Windows display-configuration back-end (Windows 7 and later): whether it can be used,
// the driver model of the adapters, the current monitor-device value and switching to a
// target value, with the DVI/HDMI and the extended-to-extended workarounds.
// Portable.
#pragma once

#include "display/DisplayConfigSnapshot.h"
#include "platform/Clock.h"
#include "platform/DisplayConfig.h"
#include "platform/OsVersion.h"

#include <cstdint>

namespace display {

class DisplayConfigBackend {
public:
    // `vendorCode`: the graphics vendor code (1 Intel, 2 AMD, 3 NVIDIA, 0 none).
    DisplayConfigBackend(platform::DisplayConfig& config, platform::Clock& clock, std::uint32_t versionCode,
                         std::uint32_t vendorCode);

    // The back-end's test: Windows 6.1 or later, the functions present and the current
    // database readable.
    static bool usable(platform::OsVersion& os, platform::DisplayConfig& config);

    // Reads the driver model of the adapters (1000, 1102, 1105 or 0) for the workarounds.
    void initialize();
    std::uint32_t driverModel() const { return m_dwDriverModel; }

    // The current monitor-device value (never with the internal bits); 0x1 when the
    // configuration cannot be read.
    std::uint32_t currentValue(std::uint32_t hdmiStatus);

    // Switches to `target`; a target that cannot be decoded or displays that are not
    // available leave the desktop as it is.
    void switchTo(std::uint32_t target, std::uint32_t current, std::uint32_t hdmiStatus);

private:
    void convertDviAndHdmi(std::uint32_t hdmiStatus, std::vector<platform::DisplayConfigPathInfo>& paths,
                           bool reading);
    std::uint32_t availableClasses(std::uint32_t hdmiStatus);
    // True when the swap was done by laying the desktops out again.
    bool swapByLayout();
    void fullSwitch(std::uint32_t target, std::uint32_t current, std::uint32_t hdmiStatus);

    platform::DisplayConfig& m_config;
    platform::Clock& m_clock;
    std::uint32_t m_dwVersion;
    std::uint32_t m_dwVendor;
    std::uint32_t m_dwDriverModel = 0;
};

// The value of an arrangement from the active paths (whose technologies the DVI/HDMI
// workaround has already corrected), with the internal bits still in it.
std::uint32_t valueOfActivePaths(const DisplayConfigSnapshot& active);

// The extended value with a primary display of class `primaryClass` among the displays of
// `classes` (an OR of classes), with the internal bits still in it.
std::uint32_t extendedValueOf(std::uint32_t primaryClass, std::uint32_t classes);

} // namespace display
