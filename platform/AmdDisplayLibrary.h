// Port of the first AMD display interface ("atiadlxx.dll", else "atiadlxy.dll"): the entries
// the display library calls to read the HDMI display's EDID. The records are laid out as the
// interface's public declarations give them. Results are the interface's codes (0: success).
// The adapter supplies the interface's allocation callback and frees what it returned.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>
#include <vector>

namespace platform {

struct AdlAdapterInfo {
    std::int32_t size = 0;
    std::int32_t adapterIndex = 0;
    char udid[256] = {};
    std::int32_t busNumber = 0;
    std::int32_t deviceNumber = 0;
    std::int32_t functionNumber = 0;
    std::int32_t vendorId = 0;
    char adapterName[256] = {};
    char displayName[256] = {};
    std::int32_t present = 0;
    std::int32_t exist = 0;
    char driverPath[256] = {};
    char driverPathExt[256] = {};
    char pnpString[256] = {};
    std::int32_t osDisplayIndex = 0;
};
static_assert(sizeof(AdlAdapterInfo) == 1572);

struct AdlDisplayId {
    std::int32_t displayLogicalIndex = 0;
    std::int32_t displayPhysicalIndex = 0;
    std::int32_t displayLogicalAdapterIndex = 0;
    std::int32_t displayPhysicalAdapterIndex = 0;
};

struct AdlDisplayInfo {
    AdlDisplayId displayId;
    std::int32_t displayControllerIndex = 0;
    char displayName[256] = {};
    char displayManufacturerName[256] = {};
    std::int32_t displayType = 0;
    std::int32_t displayOutputType = 0;
    std::int32_t displayConnector = 0;
    std::int32_t displayInfoMask = 0;
    std::int32_t displayInfoValue = 0;
};
static_assert(sizeof(AdlDisplayInfo) == 552);

struct AdlDisplayEdidData {
    std::int32_t size = 0;
    std::int32_t flag = 0;
    std::int32_t edidSize = 0;
    std::int32_t blockIndex = 0;
    std::uint8_t edidData[256] = {};
    std::int32_t reserved[4] = {};
};
static_assert(sizeof(AdlDisplayEdidData) == 288);

namespace adl {
inline constexpr std::int32_t kOk = 0;
inline constexpr std::int32_t kDisplayConnected = 0x1; // displayInfoValue
inline constexpr std::int32_t kDisplayMapped = 0x2;
inline constexpr std::int32_t kConnectorHdmiTypeA = 10;
inline constexpr std::int32_t kConnectorHdmiTypeB = 11;
} // namespace adl

class AmdDisplayLibrary : public Port {
public:
    // Loads the interface's library; false when neither file loads.
    virtual bool load() = 0;
    virtual void unload() = 0;
    // Whether every entry below is exported by the loaded library.
    virtual bool hasAllEntries() = 0;
    virtual std::int32_t mainControlCreate(std::int32_t enumConnectedAdapters) = 0;
    virtual std::int32_t mainControlDestroy() = 0;
    virtual std::int32_t numberOfAdapters(std::int32_t& count) = 0;
    // `records` holds `count` records.
    virtual std::int32_t adapterInfo(AdlAdapterInfo* records, std::int32_t count) = 0;
    virtual std::int32_t adapterActive(std::int32_t adapterIndex, std::int32_t& active) = 0;
    // The interface's records of the adapter's displays, copied out of the memory it
    // allocated (which is freed again).
    virtual std::int32_t displayInfo(std::int32_t adapterIndex, std::vector<AdlDisplayInfo>& displays,
                                     std::int32_t forceDetect) = 0;
    virtual std::int32_t edidData(std::int32_t adapterIndex, std::int32_t displayIndex,
                                  AdlDisplayEdidData& data) = 0;
};

} // namespace platform
