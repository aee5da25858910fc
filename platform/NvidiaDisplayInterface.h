// Port of the NVIDIA display interface ("nvapi64.dll", entry "nvapi_QueryInterface"): the
// operations the display library calls to find the HDMI output, read its EDID, read the view
// of a display handle and set it. Each operation is one entry of the interface, fetched by its
// interface identifier when the interface is initialised; an entry the driver does not offer
// answers kNoImplementation. Results are the interface's status codes (0: success, negative:
// failure). Records are laid out as the interface defines them: a version word (record size
// in the low 16 bits, record version in the high 16 bits) first.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstddef>
#include <cstdint>

namespace platform {

namespace nv {
using Status = std::int32_t;
inline constexpr Status kOk = 0;
inline constexpr Status kError = -1;
inline constexpr Status kLibraryNotFound = -2;
inline constexpr Status kNoImplementation = -3;
inline constexpr Status kNotInitialized = -4;
inline constexpr Status kInvalidArgument = -5;
inline constexpr Status kDeviceNotFound = -6;
inline constexpr Status kEndEnumeration = -7;
inline constexpr Status kInvalidHandle = -8;
inline constexpr Status kIncompatibleStructVersion = -9;

// Interface identifiers of the entries, passed to nvapi_QueryInterface.
namespace id {
inline constexpr std::uint32_t kInitialize = 0x0150E828;
inline constexpr std::uint32_t kEnumDisplayHandle = 0x9ABDD40D;
inline constexpr std::uint32_t kPhysicalGpusFromDisplay = 0x34EF9506;
inline constexpr std::uint32_t kActiveOutputs = 0xE3E89B6F;
inline constexpr std::uint32_t kConnectedOutputs = 0x1730BFC9;
inline constexpr std::uint32_t kConnectorInfo = 0x4ECA2C10;
inline constexpr std::uint32_t kEdid = 0x37D32E69;
inline constexpr std::uint32_t kDisplayDriverVersion = 0xF951A4D1;
inline constexpr std::uint32_t kGetView = 0xD6B99D89;
inline constexpr std::uint32_t kSetView = 0x0957D7B6;
inline constexpr std::uint32_t kSupportedViews = 0x66FB7FC0;
inline constexpr std::uint32_t kEnumLogicalGpus = 0x48B3EA59;
inline constexpr std::uint32_t kEnumPhysicalGpus = 0xE5AC921F;
} // namespace id

inline constexpr std::size_t kMaxPhysicalGpus = 64;
inline constexpr std::size_t kMaxLogicalGpus = 64;
inline constexpr std::size_t kMaxViewTargets = 2;
inline constexpr std::size_t kMaxViewModes = 8;

constexpr std::uint32_t recordVersion(std::uint32_t size, std::uint32_t version) {
    return size | (version << 16);
}

// Output masks of a GPU (one bit per output).
namespace output {
inline constexpr std::uint32_t kCrtFirst = 0x1;
inline constexpr std::uint32_t kCrtSecond = 0x2;
inline constexpr std::uint32_t kTvFirst = 0x100;
inline constexpr std::uint32_t kTvSecond = 0x200;
inline constexpr std::uint32_t kPanel = 0x10000;
inline constexpr std::uint32_t kDigitalFirst = 0x20000;
inline constexpr std::uint32_t kDigitalSecond = 0x40000;
inline constexpr std::uint32_t kDigitalThird = 0x80000;
} // namespace output

// Connector types of the connector information.
namespace connector {
inline constexpr std::uint32_t kDviD = 49;
inline constexpr std::uint32_t kLvds = 64;
inline constexpr std::uint32_t kDisplayPort = 70;
inline constexpr std::uint32_t kDisplayPortMini = 71;
inline constexpr std::uint32_t kHdmiA = 97;
} // namespace connector

// View modes of a display handle.
namespace view {
inline constexpr std::uint32_t kStandard = 0;
inline constexpr std::uint32_t kClone = 1;
inline constexpr std::uint32_t kDualView = 4;
} // namespace view
} // namespace nv

using NvDisplayHandle = std::uintptr_t;
using NvPhysicalGpuHandle = std::uintptr_t;

// The connector information of one output. Only the version and the connector type are read.
struct NvConnectorInfo {
    std::uint32_t version = 0;
    std::uint32_t outputId = 0;
    std::uint32_t connectorType = 0;
    std::uint32_t reserved[8] = {};
};
static_assert(sizeof(NvConnectorInfo) == 44);
inline constexpr std::uint32_t kNvConnectorInfoVersion = nv::recordVersion(sizeof(NvConnectorInfo), 1);
static_assert(kNvConnectorInfoVersion == 0x1002C);

struct NvEdid {
    std::uint32_t version = 0;
    std::uint8_t data[256] = {};
    std::uint32_t size = 0;
};
static_assert(sizeof(NvEdid) == 264);
inline constexpr std::uint32_t kNvEdidVersion = nv::recordVersion(sizeof(NvEdid), 2);
static_assert(kNvEdidVersion == 0x20108);

struct NvDisplayDriverVersion {
    std::uint32_t version = 0;
    std::uint32_t driverVersion = 0;
    std::uint32_t buildChangeListNumber = 0;
    char buildBranch[64] = {};
    char adapter[64] = {};
};
static_assert(sizeof(NvDisplayDriverVersion) == 140);
inline constexpr std::uint32_t kNvDisplayDriverVersionVersion =
    nv::recordVersion(sizeof(NvDisplayDriverVersion), 1);
static_assert(kNvDisplayDriverVersionVersion == 0x1008C);

// The targets of a view: up to two outputs, each with the primary flag (bit 0 of flags).
struct NvViewTarget {
    std::uint32_t deviceMask = 0;
    std::uint32_t sourceId = 0;
    std::uint32_t flags = 0;
};
inline constexpr std::uint32_t kNvViewTargetPrimary = 0x1;
struct NvViewTargetInfo {
    std::uint32_t version = 0;
    std::uint32_t count = 0;
    NvViewTarget target[nv::kMaxViewTargets] = {};
};
static_assert(sizeof(NvViewTargetInfo) == 32);
inline constexpr std::uint32_t kNvViewTargetInfoVersion = nv::recordVersion(sizeof(NvViewTargetInfo), 2);

class NvidiaDisplayInterface : public Port {
public:
    // Loads the library and finds nvapi_QueryInterface; false when either is missing.
    virtual bool load() = 0;
    virtual void unload() = 0;
    // Runs the initialise entry and fills the entry table.
    virtual nv::Status initialize() = 0;

    virtual nv::Status enumDisplayHandle(std::uint32_t index, NvDisplayHandle& handle) = 0;
    // `gpus` holds nv::kMaxPhysicalGpus handles; `count` is what the driver reports.
    virtual nv::Status physicalGpusFromDisplay(NvDisplayHandle display, NvPhysicalGpuHandle* gpus,
                                               std::uint32_t& count) = 0;
    virtual nv::Status activeOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) = 0;
    virtual nv::Status connectedOutputs(NvPhysicalGpuHandle gpu, std::uint32_t& mask) = 0;
    virtual nv::Status connectorInfo(NvPhysicalGpuHandle gpu, std::uint32_t output,
                                     NvConnectorInfo& info) = 0;
    virtual nv::Status edid(NvPhysicalGpuHandle gpu, std::uint32_t output, NvEdid& edid) = 0;
    virtual nv::Status displayDriverVersion(NvDisplayHandle display, NvDisplayDriverVersion& version) = 0;
    virtual nv::Status getView(NvDisplayHandle display, NvViewTargetInfo& targets,
                               std::uint32_t& viewMode) = 0;
    virtual nv::Status setView(NvDisplayHandle display, const NvViewTargetInfo& targets,
                               std::uint32_t viewMode) = 0;
    // `modes` holds nv::kMaxViewModes entries; `count` is what the driver reports.
    virtual nv::Status supportedViews(NvDisplayHandle display, std::uint32_t* modes,
                                      std::uint32_t& count) = 0;
    // The numbers of logical and physical GPUs.
    virtual nv::Status logicalGpuCount(std::uint32_t& count) = 0;
    virtual nv::Status physicalGpuCount(std::uint32_t& count) = 0;
};

} // namespace platform
