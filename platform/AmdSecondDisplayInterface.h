// Port of the second AMD display interface ("atipdl64.dll", else "atipdlxx.dll"): the entries
// the display library calls to find the displays of an adapter, read the HDMI display's EDID,
// read the controllers' configuration and switch the arrangement.
//
// The interface has no public declarations; the records below are the word-based layouts the
// library relies on. Every entry takes 32-bit signed integers and pointers to these records
// and returns a 32-bit integer; the library is 64-bit only, where Windows has one calling
// convention, so the declarations need none (a 32-bit build would have to assume __cdecl).
// Results, as the library reads them:
//   EnumDisplays, GetConnectedDisplays, GetConfiguration: nonzero = success / the display
//     exists, zero = failure / no more displays;
//   GetCapabilities: nonzero = adapter 0 is not the one to use (adapter 1 is);
//   ATIDL_DisplayGetDeviceConfig, ATIDL_DisplayGetEdidData, ATIDL_SetConfigurationEx:
//     zero = success, nonzero = failure.
// A display is named by its index on the adapter; in masks and configurations it is the bit
// 1 shifted by that index.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

// EnumDisplays' record: word 0 is the display type (1 panel, 2 analog monitor, 3 analog TV,
// 4 and 6 digital displays); the other words are not used.
struct AtipdlDisplayRecord {
    std::uint32_t type = 0;
    std::uint32_t reserved[7] = {};
};
static_assert(sizeof(AtipdlDisplayRecord) == 32);

// ATIDL_DisplayGetDeviceConfig's record: word 0 its size, word 1 the connector kind.
struct AtipdlDeviceConfig {
    std::uint32_t size = sizeof(AtipdlDeviceConfig);
    std::uint32_t connectorKind = 0;
    std::uint32_t reserved[3] = {};
};
static_assert(sizeof(AtipdlDeviceConfig) == 20);

// GetConfiguration's answer for one controller: two display masks (0 when unused).
struct AtipdlControllerConfig {
    std::uint32_t displays[2] = {};
};
static_assert(sizeof(AtipdlControllerConfig) == 8);

// ATIDL_DisplayGetEdidData's request: word 0 its size, word 3 the EDID block number; the
// block's 128 bytes come back from byte 16.
struct AtipdlEdidRequest {
    std::uint32_t size = sizeof(AtipdlEdidRequest);
    std::uint32_t reserved1[2] = {};
    std::uint32_t block = 0;
    std::uint8_t data[272] = {};
};
static_assert(sizeof(AtipdlEdidRequest) == 288);

// ATIDL_SetConfigurationEx's record: word 0 its size, word 1 the mode, words 2 and 3 the
// first and second display bits, word 9 the number of displays; all other words zero.
struct AtipdlConfigurationEx {
    std::uint32_t size = sizeof(AtipdlConfigurationEx);
    std::uint32_t mode = 0;
    std::uint32_t firstDisplay = 0;
    std::uint32_t secondDisplay = 0;
    std::uint32_t reserved1[5] = {};
    std::uint32_t displayCount = 0;
    std::uint32_t reserved2[6] = {};
};
static_assert(sizeof(AtipdlConfigurationEx) == 64);

namespace atipdl {
// Display types of EnumDisplays.
inline constexpr std::uint32_t kTypePanel = 1;
inline constexpr std::uint32_t kTypeCrt = 2;
inline constexpr std::uint32_t kTypeTv = 3;
inline constexpr std::uint32_t kTypeDigital = 4;
inline constexpr std::uint32_t kTypeDigitalSecond = 6;
// Connector kinds of ATIDL_DisplayGetDeviceConfig.
inline constexpr std::uint32_t kConnectorDviD = 6;
inline constexpr std::uint32_t kConnectorDviI = 7;
inline constexpr std::uint32_t kConnectorHdmiA = 8;
inline constexpr std::uint32_t kConnectorHdmiB = 9;
inline constexpr std::uint32_t kConnectorDisplayPort = 10;
// Modes of ATIDL_SetConfigurationEx.
inline constexpr std::uint32_t kModeExtendedOldDriver = 1;
inline constexpr std::uint32_t kModeClone = 2;
inline constexpr std::uint32_t kModeSingle = 3;
inline constexpr std::uint32_t kModeExtended = 5;
// Displays an adapter can name in a 32-bit mask.
inline constexpr std::int32_t kMaxDisplays = 32;
} // namespace atipdl

class AmdSecondDisplayInterface : public Port {
public:
    // Loads the interface's library; false when neither file loads.
    virtual bool load() = 0;
    virtual void unload() = 0;
    // Whether every entry below is exported by the loaded library.
    virtual bool hasAllEntries() = 0;

    virtual std::int32_t enumDisplays(std::int32_t adapter, std::int32_t index,
                                      AtipdlDisplayRecord& record) = 0;
    virtual std::int32_t displayGetDeviceConfig(std::int32_t adapter, std::int32_t display,
                                                AtipdlDeviceConfig& config) = 0;
    virtual std::int32_t getConnectedDisplays(std::int32_t adapter, std::int32_t controller,
                                              std::uint32_t& mask) = 0;
    virtual std::int32_t getConfiguration(std::int32_t adapter, std::int32_t controller,
                                          AtipdlControllerConfig& config) = 0;
    virtual std::int32_t getCapabilities(std::int32_t adapter) = 0;
    virtual std::int32_t displayGetEdidData(std::int32_t adapter, std::int32_t display,
                                            AtipdlEdidRequest& request) = 0;
    virtual std::int32_t setConfigurationEx(std::int32_t adapter, const AtipdlConfigurationEx& config) = 0;
};

} // namespace platform
