// Display settings port: display modes of a display device (EnumDisplaySettingsA) and mode
// changes (ChangeDisplaySettingsA, ChangeDisplaySettingsExA). Devices are named as Windows
// names them ("\\.\DISPLAY1"); a null name is the primary display.
// Portable.
#pragma once

#include "platform/Port.h"

#include <cstdint>

namespace platform {

// The fields of DEVMODEA that the display library reads and writes.
struct DisplayMode {
    std::uint32_t fields = 0; // DM_* bits of the fields that are set
    std::int32_t positionX = 0;
    std::int32_t positionY = 0;
    std::uint32_t orientation = 0; // 0 to 3 (DMDO_DEFAULT, 90, 180, 270)
    std::uint32_t bitsPerPel = 0;
    std::uint32_t pelsWidth = 0;
    std::uint32_t pelsHeight = 0;
    std::uint32_t displayFlags = 0;
    std::uint32_t displayFrequency = 0;
};

namespace dm {
inline constexpr std::uint32_t kPosition = 0x00000020;
inline constexpr std::uint32_t kDisplayOrientation = 0x00000080;
inline constexpr std::uint32_t kBitsPerPel = 0x00040000;
inline constexpr std::uint32_t kPelsWidth = 0x00080000;
inline constexpr std::uint32_t kPelsHeight = 0x00100000;
inline constexpr std::uint32_t kDisplayFlags = 0x00200000;
inline constexpr std::uint32_t kDisplayFrequency = 0x00400000;
} // namespace dm

// ChangeDisplaySettings flags and results.
namespace cds {
inline constexpr std::uint32_t kUpdateRegistry = 0x00000001;
inline constexpr std::uint32_t kNoReset = 0x10000000;
inline constexpr std::int32_t kSuccessful = 0;
inline constexpr std::int32_t kFailed = -1;
inline constexpr std::int32_t kBadMode = -2;
} // namespace cds

inline constexpr std::uint32_t kEnumCurrentSettings = 0xFFFFFFFF;

class DisplaySettings : public Port {
public:
    // Mode number `modeNumber` (0, 1, ...) or kEnumCurrentSettings of `device`; false past the
    // last mode or for an unknown device, `mode` untouched then.
    virtual bool enumSettings(const char* device, std::uint32_t modeNumber, DisplayMode& mode) = 0;
    // `mode` null with flags 0 applies the changes stored with kNoReset. A DISP_CHANGE_* result.
    virtual std::int32_t changeSettings(const DisplayMode* mode, std::uint32_t flags) = 0;
    virtual std::int32_t changeSettingsEx(const char* device, const DisplayMode* mode,
                                          std::uint32_t flags) = 0;
};

} // namespace platform
