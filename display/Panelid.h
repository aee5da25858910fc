// The display library's three operations over the ports they use: the HDMI display's EDID
// (GetPanelid), the current arrangement (GetMonitorDevice) and switching (SetMonitorDevice),
// with the blocking-device check, the choice of back-end per operation, the firmware's HDMI
// status and the per-arrangement settings store around a vendor switch. Keeps no state
// between calls and never logs.
// Portable.
#pragma once

#include "display/backends/DisplayConfigBackend.h"
#include "display/backends/VendorBackend.h"
#include "platform/Clock.h"
#include "platform/DeviceSetupClasses.h"
#include "platform/DisplayConfig.h"
#include "platform/DisplaySettings.h"
#include "platform/FirmwareTransport.h"
#include "platform/OsVersion.h"
#include "platform/Registry.h"

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>

namespace display {

inline constexpr std::size_t kEdidBufferSize = 256;

// Results of GetPanelid and of the arrangement operations.
namespace result {
inline constexpr std::int32_t kHdmiInUse = 1;
inline constexpr std::int32_t kHdmiNotInUse = 0;
inline constexpr std::int32_t kNoBackend = -1;
inline constexpr std::int32_t kNoHdmiDisplay = -2;
inline constexpr std::int32_t kInterfaceFailed = -3;
inline constexpr std::int32_t kHandled = 0;
} // namespace result

// Graphics vendor codes.
namespace vendor {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kIntel = 1;
inline constexpr std::uint32_t kAmd = 2;
inline constexpr std::uint32_t kNvidia = 3;
} // namespace vendor

struct PanelidPorts {
    platform::DeviceSetupClasses& devices;
    platform::OsVersion& os;
    platform::DisplayConfig& displayConfig;
    platform::DisplaySettings& displaySettings;
    platform::Registry& registry;
    platform::Clock& clock;
    platform::FirmwareTransport& firmware;
};

// The vendor back-ends this build has; null ones are absent.
struct VendorBackends {
    VendorBackend* intel = nullptr;
    VendorBackend* nvidia = nullptr;
    VendorBackend* amdFirst = nullptr;
    VendorBackend* amdSecond = nullptr;
};

class Panelid {
public:
    Panelid(const PanelidPorts& ports, const VendorBackends& vendors) : m_ports(ports), m_vendors(vendors) {}

    // `edid256`: the caller's 256 bytes; nothing beyond them is written.
    std::int32_t getPanelid(std::uint8_t* edid256);
    // The monitor-device value, or -1.
    std::int32_t getMonitorDevice();
    // 0 once a back-end has handled the request, or -1.
    std::int32_t setMonitorDevice(std::uint32_t value);

    // The graphics vendor code: Intel, else NVIDIA, else AMD (either interface), else none.
    std::uint32_t vendorCode();

private:
    std::uint32_t versionCode();
    // The Windows display-configuration back-end when it passes its test, initialised.
    std::optional<DisplayConfigBackend> displayConfigBackend();
    // The first vendor back-end of the list that passes its test.
    VendorBackend* chooseVendor(std::initializer_list<VendorBackend*> candidates);

    PanelidPorts m_ports;
    VendorBackends m_vendors;
};

} // namespace display
