// Port of the Intel graphics driver's COM object (programmatic identifier
// "IgfxExt.CUIExternal", created with class context 0x15): COM initialisation of the calling
// thread, the object with one of its two interfaces (the presence-test interface, which also
// switches, and the EDID interface), and the three methods the display library calls: the
// attachable-device enumeration, the device-data read and the set-configuration call. The
// records are laid out as the driver reads and writes them.
// Portable.
#pragma once

#include "platform/Guid.h"
#include "platform/Port.h"

#include <cstddef>
#include <cstdint>

namespace platform {

namespace igfx {
inline constexpr char16_t kProgId[] = u"IgfxExt.CUIExternal";
inline constexpr std::uint32_t kClassContext = 0x15; // in-process, local and remote server
inline constexpr Guid kPresenceInterface{
    0x70F8C65F, 0x06AA, 0x443B, {0x9E, 0x6B, 0x7C, 0x73, 0x80, 0x8F, 0x07, 0xE5}};
inline constexpr Guid kEdidInterface{
    0xF932C038, 0x6484, 0x45CA, {0x8F, 0xA1, 0x7C, 0x8C, 0x27, 0x9F, 0x7A, 0xEE}};
// Data identifiers of the device-data read and the set-configuration call.
inline constexpr Guid kEdidData{0x897843AE, 0x998A, 0x4EEC, {0xA2, 0x1E, 0xEA, 0x64, 0x2B, 0x44, 0x90, 0xEC}};
inline constexpr Guid kConfigurationData{
    0x381ECED3, 0xEFF1, 0x4DF2, {0xB5, 0x60, 0x66, 0x48, 0xE3, 0x52, 0xB1, 0x8E}};

inline constexpr char16_t kDisplay1[] = u"\\\\.\\Display1";
inline constexpr char16_t kDisplay2[] = u"\\\\.\\Display2";

// Device types.
inline constexpr std::uint32_t kTypeCrt = 1;
inline constexpr std::uint32_t kTypeLcd = 2;
inline constexpr std::uint32_t kTypeDigital = 3;
inline constexpr std::uint32_t kTypeTv = 4;
inline constexpr std::uint32_t kTypeHdmi = 5;
inline constexpr std::uint32_t kTypeSecondDigital = 7;
inline constexpr std::uint32_t kMaxType = 7;

// Device status bits.
inline constexpr std::uint32_t kStatusAttached = 0x2;
inline constexpr std::uint32_t kStatusInUse = 0x10;
inline constexpr std::uint32_t kStatusOnFirstDisplay = 0x100;
inline constexpr std::uint32_t kStatusOnSecondDisplay = 0x200;

// Operating modes of a configuration record.
inline constexpr std::uint32_t kModeSingle = 1;
inline constexpr std::uint32_t kModeClone = 3;

inline constexpr std::size_t kEdidBlockSize = 128;
} // namespace igfx

// One attachable device of a display.
struct IntelDevice {
    std::uint32_t id = 0;
    std::uint32_t type = 0;
    std::uint32_t status = 0;
};

// The device-data read of the EDID: device identifier and block number in, the block out.
struct IntelEdidRequest {
    std::uint32_t deviceId = 0;
    std::uint32_t block = 0;
    std::uint32_t reserved = 0;
    std::uint8_t data[256] = {};
};
static_assert(sizeof(IntelEdidRequest) == 268);
static_assert(offsetof(IntelEdidRequest, data) == 12);

// One configuration record of the set-configuration call.
struct IntelConfigRecord {
    std::uint32_t size = 120;
    char16_t display[40] = {}; // zero-terminated
    std::uint32_t mode = 0;
    std::uint32_t secondDevice = 0; // clone: the first-named device
    std::uint32_t one = 1;
    std::uint32_t device = 0;
    std::uint32_t reserved[5] = {};
};
static_assert(sizeof(IntelConfigRecord) == 120);
static_assert(offsetof(IntelConfigRecord, display) == 4);
static_assert(offsetof(IntelConfigRecord, mode) == 84);
static_assert(offsetof(IntelConfigRecord, secondDevice) == 88);
static_assert(offsetof(IntelConfigRecord, one) == 92);
static_assert(offsetof(IntelConfigRecord, device) == 96);

enum class IntelInterface { PresenceTest, Edid };

class IntelDisplayInterface : public Port {
public:
    // CoInitialize; true when it succeeded, and comUninitialize is then owed.
    virtual bool comInitialize() = 0;
    virtual void comUninitialize() = 0;
    // Resolves the programmatic identifier and creates the object with the interface `which`;
    // false when either fails. One object at a time; release() drops it.
    virtual bool create(IntelInterface which) = 0;
    virtual void release() = 0;
    // Device `index` (zero-based) of `display` (kDisplay1 or kDisplay2); false ends the list.
    virtual bool enumAttachableDevices(const char16_t* display, std::uint32_t index, IntelDevice& device) = 0;
    // EDID interface: reads `request` keyed by `dataId`; `status` is the driver's out status.
    virtual bool getDeviceData(const Guid& dataId, IntelEdidRequest& request, std::uint32_t& status) = 0;
    // Presence-test interface: sends one configuration record keyed by `dataId`.
    virtual bool setConfiguration(const Guid& dataId, const IntelConfigRecord& record,
                                  std::uint32_t& status) = 0;
};

} // namespace platform
