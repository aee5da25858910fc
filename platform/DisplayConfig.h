// Display configuration port: the Windows 7 display configuration (GetDisplayConfigBufferSizes,
// QueryDisplayConfig, SetDisplayConfig, DisplayConfigGetDeviceInfo from "user32.dll") and the
// kernel-mode adapter queries (D3DKMTOpenAdapterFromGdiDisplayName, D3DKMTQueryAdapterInfo,
// D3DKMTCloseAdapter from "gdi32.dll"). The records are laid out byte for byte as the Win32
// ones. Results are the Win32 error codes (display configuration) and NTSTATUS values
// (adapter queries).
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstddef>
#include <cstdint>

namespace platform {

struct Luid {
    std::uint32_t lowPart = 0;
    std::int32_t highPart = 0;
    friend bool operator==(const Luid&, const Luid&) = default;
};

struct DisplayConfigRational {
    std::uint32_t numerator = 0;
    std::uint32_t denominator = 0;
};

struct DisplayConfigPathSourceInfo {
    Luid adapterId;
    std::uint32_t id = 0;
    std::uint32_t modeInfoIdx = 0;
    std::uint32_t statusFlags = 0;
};

struct DisplayConfigPathTargetInfo {
    Luid adapterId;
    std::uint32_t id = 0;
    std::uint32_t modeInfoIdx = 0;
    std::int32_t outputTechnology = 0;
    std::uint32_t rotation = 0;
    std::uint32_t scaling = 0;
    DisplayConfigRational refreshRate;
    std::uint32_t scanLineOrdering = 0;
    std::int32_t targetAvailable = 0;
    std::uint32_t statusFlags = 0;
};

struct DisplayConfigPathInfo {
    DisplayConfigPathSourceInfo sourceInfo;
    DisplayConfigPathTargetInfo targetInfo;
    std::uint32_t flags = 0;
};

struct DisplayConfigSourceMode {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t pixelFormat = 0;
    std::int32_t positionX = 0;
    std::int32_t positionY = 0;
};

struct DisplayConfigTargetMode {
    std::uint64_t pixelRate = 0;
    DisplayConfigRational hSyncFreq;
    DisplayConfigRational vSyncFreq;
    std::uint32_t activeWidth = 0;
    std::uint32_t activeHeight = 0;
    std::uint32_t totalWidth = 0;
    std::uint32_t totalHeight = 0;
    std::uint32_t videoStandard = 0;
    std::uint32_t scanLineOrdering = 0;
};

struct DisplayConfigModeInfo {
    std::uint32_t infoType = 0; // kModeInfoTypeSource or kModeInfoTypeTarget
    std::uint32_t id = 0;
    Luid adapterId;
    union {
        DisplayConfigTargetMode targetMode;
        DisplayConfigSourceMode sourceMode;
    };
    DisplayConfigModeInfo() : targetMode() {}
};

// DISPLAYCONFIG_SOURCE_DEVICE_NAME: request type 1 of DisplayConfigGetDeviceInfo.
struct DisplayConfigSourceDeviceName {
    std::uint32_t type = 0;
    std::uint32_t size = 0;
    Luid adapterId;
    std::uint32_t id = 0;
    char16_t viewGdiDeviceName[32] = {};
};

static_assert(sizeof(DisplayConfigPathSourceInfo) == 20);
static_assert(sizeof(DisplayConfigPathTargetInfo) == 48);
static_assert(sizeof(DisplayConfigPathInfo) == 72);
static_assert(offsetof(DisplayConfigPathInfo, targetInfo) == 20);
static_assert(offsetof(DisplayConfigPathInfo, flags) == 68);
static_assert(sizeof(DisplayConfigTargetMode) == 48);
static_assert(sizeof(DisplayConfigModeInfo) == 64);
static_assert(offsetof(DisplayConfigModeInfo, targetMode) == 16);
static_assert(sizeof(DisplayConfigSourceDeviceName) == 84);

namespace dc {
// QueryDisplayConfig / GetDisplayConfigBufferSizes flags.
inline constexpr std::uint32_t kQueryAllPaths = 0x1;
inline constexpr std::uint32_t kQueryOnlyActivePaths = 0x2;
inline constexpr std::uint32_t kQueryDatabaseCurrent = 0x4;
// SetDisplayConfig flags.
inline constexpr std::uint32_t kTopologySupplied = 0x10;
inline constexpr std::uint32_t kUseSuppliedDisplayConfig = 0x20;
inline constexpr std::uint32_t kValidate = 0x40;
inline constexpr std::uint32_t kApply = 0x80;
inline constexpr std::uint32_t kSaveToDatabase = 0x200;
inline constexpr std::uint32_t kAllowChanges = 0x400;
// Path and status flags.
inline constexpr std::uint32_t kPathActive = 0x1;
inline constexpr std::uint32_t kSourceInUse = 0x1;
inline constexpr std::uint32_t kTargetInUse = 0x1;
inline constexpr std::uint32_t kInvalidModeIndex = 0xFFFFFFFF;
// Mode record types.
inline constexpr std::uint32_t kModeInfoTypeSource = 1;
inline constexpr std::uint32_t kModeInfoTypeTarget = 2;
// DisplayConfigGetDeviceInfo request types.
inline constexpr std::uint32_t kGetSourceName = 1;
// DISPLAYCONFIG_VIDEO_OUTPUT_TECHNOLOGY values.
namespace tech {
inline constexpr std::int32_t kOther = -1;
inline constexpr std::int32_t kHd15 = 0;
inline constexpr std::int32_t kSVideo = 1;
inline constexpr std::int32_t kComposite = 2;
inline constexpr std::int32_t kComponent = 3;
inline constexpr std::int32_t kDvi = 4;
inline constexpr std::int32_t kHdmi = 5;
inline constexpr std::int32_t kLvds = 6;
inline constexpr std::int32_t kDJpn = 8;
inline constexpr std::int32_t kSdi = 9;
inline constexpr std::int32_t kDisplayPortExternal = 10;
inline constexpr std::int32_t kDisplayPortEmbedded = 11;
inline constexpr std::int32_t kUdiExternal = 12;
inline constexpr std::int32_t kUdiEmbedded = 13;
inline constexpr std::int32_t kSdtvDongle = 14;
inline constexpr std::int32_t kInternal = static_cast<std::int32_t>(0x80000000);
} // namespace tech
// D3DKMTQueryAdapterInfo query type of the driver model version (KMTQAITYPE_DRIVERVERSION).
inline constexpr std::uint32_t kAdapterInfoDriverVersion = 13;
} // namespace dc

using NtStatus = std::int32_t; // 0: success
using KernelAdapterHandle = std::uint32_t;

class DisplayConfig : public Port {
public:
    // Whether the four display-configuration functions exist on this system.
    virtual bool available() = 0;
    virtual std::int32_t getBufferSizes(std::uint32_t flags, std::uint32_t& pathCount,
                                        std::uint32_t& modeCount) = 0;
    // `pathCount` and `modeCount` are in: the arrays' capacities, out: the elements written.
    // ERROR_INSUFFICIENT_BUFFER when the configuration no longer fits. `topologyId` only with
    // kQueryDatabaseCurrent, else null.
    virtual std::int32_t query(std::uint32_t flags, std::uint32_t& pathCount, DisplayConfigPathInfo* paths,
                               std::uint32_t& modeCount, DisplayConfigModeInfo* modes,
                               std::uint32_t* topologyId) = 0;
    virtual std::int32_t set(std::uint32_t pathCount, const DisplayConfigPathInfo* paths,
                             std::uint32_t modeCount, const DisplayConfigModeInfo* modes,
                             std::uint32_t flags) = 0;
    // DisplayConfigGetDeviceInfo with a source-name request (header filled by the caller).
    virtual std::int32_t getSourceName(DisplayConfigSourceDeviceName& request) = 0;

    virtual NtStatus openAdapterFromGdiDisplayName(const char16_t* gdiName, KernelAdapterHandle& adapter) = 0;
    // The driver model version of the adapter (a 4-byte answer of kAdapterInfoDriverVersion).
    virtual NtStatus queryDriverVersion(KernelAdapterHandle adapter, std::uint32_t& version) = 0;
    virtual NtStatus closeAdapter(KernelAdapterHandle adapter) = 0;
};

} // namespace platform
