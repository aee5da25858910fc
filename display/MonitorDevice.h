// The monitor-device values (one bit per display arrangement), the display classes, the swap
// mirror table and the decoding of a target value into display classes, shared by every
// back-end of the display library.
// Portable.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace display {

// Monitor-device values.
namespace mdv {
inline constexpr std::uint32_t kLcd = 0x1;
inline constexpr std::uint32_t kLcdCrtClone = 0x2;
inline constexpr std::uint32_t kCrt = 0x4;
inline constexpr std::uint32_t kLcdDviClone = 0x8;
inline constexpr std::uint32_t kDvi = 0x10;
inline constexpr std::uint32_t kCrtDviClone = 0x20;
inline constexpr std::uint32_t kAnalogClone = 0x40;
inline constexpr std::uint32_t kLcdHdmiClone = 0x80;
inline constexpr std::uint32_t kHdmi = 0x100;
inline constexpr std::uint32_t kLcdTvClone = 0x200;
inline constexpr std::uint32_t kTv = 0x400;
inline constexpr std::uint32_t kCrtHdmiClone = 0x800;
inline constexpr std::uint32_t kDisplayPortMarker = 0x8000;
inline constexpr std::uint32_t kOtherDisplay = 0x10000;
inline constexpr std::uint32_t kLcdPrimaryCrt = 0x20000;
inline constexpr std::uint32_t kCrtPrimaryLcd = 0x40000;
inline constexpr std::uint32_t kLcdPrimaryDvi = 0x80000;
inline constexpr std::uint32_t kDviPrimaryLcd = 0x100000;
inline constexpr std::uint32_t kDviPrimaryCrt = 0x200000;
inline constexpr std::uint32_t kCrtPrimaryDvi = 0x400000;
inline constexpr std::uint32_t kAnalogHigherPrimary = 0x800000;
inline constexpr std::uint32_t kAnalogLowerPrimary = 0x1000000;
inline constexpr std::uint32_t kLcdPrimaryHdmi = 0x2000000;
inline constexpr std::uint32_t kHdmiPrimaryLcd = 0x4000000;
inline constexpr std::uint32_t kLcdPrimaryTv = 0x8000000;
inline constexpr std::uint32_t kTvPrimaryLcd = 0x10000000;
inline constexpr std::uint32_t kHdmiPrimaryCrt = 0x20000000;
inline constexpr std::uint32_t kCrtPrimaryHdmi = 0x40000000;
inline constexpr std::uint32_t kSwapRequest = 0x80000000;
// Bits that exist only inside the library and never leave it.
inline constexpr std::uint32_t kInternalBits = kDisplayPortMarker | kOtherDisplay;
// Two or more analog displays among the available ones.
inline constexpr std::uint32_t kTwoAnalogDisplays = kAnalogClone | kAnalogHigherPrimary;
} // namespace mdv

// Display classes of a target (a DisplayPort display is of the DVI class with the marker).
namespace cls {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kLcd = 0x1;
inline constexpr std::uint32_t kCrt = 0x4;
inline constexpr std::uint32_t kDvi = 0x10;
inline constexpr std::uint32_t kHdmi = 0x100;
inline constexpr std::uint32_t kTv = 0x400;
inline constexpr std::uint32_t kDisplayPort = 0x8010;
inline constexpr std::uint32_t kOther = 0x10000;
} // namespace cls

// The class of a DISPLAYCONFIG_VIDEO_OUTPUT_TECHNOLOGY value; kNone for unknown values.
std::uint32_t classOfOutputTechnology(std::int32_t technology);

// Whether `classes` (an OR of classes) contains `displayClass` with all its bits.
inline bool hasClass(std::uint32_t classes, std::uint32_t displayClass) {
    return (classes & displayClass) == displayClass;
}

// The swapped arrangement of an extended value; nullopt for values without a mirror.
// `withAnalogPair` includes the pair of two analog displays, which only the Windows display
// configuration can swap.
std::optional<std::uint32_t> mirrorOf(std::uint32_t value, bool withAnalogPair);

// Whether the arrangement uses two desktops.
bool usesTwoDesktops(std::uint32_t value);

// Arrangement kinds of a decoded target.
enum class ArrangementKind : std::uint32_t { LcdAlone = 1, Clone = 2, Extended = 4, OtherAlone = 8 };

struct DecodedTarget {
    std::vector<std::uint32_t> classes; // primary first
    ArrangementKind kind = ArrangementKind::LcdAlone;
};

// The display classes a target value names; nullopt when the value cannot be decoded.
std::optional<DecodedTarget> decodeTarget(std::uint32_t target);

} // namespace display
