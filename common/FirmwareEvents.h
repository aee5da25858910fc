// The event codes the firmware's event service signals to the controller: the group in the
// high byte (0x15 the CEC controller and hot plug, 0x16 pass-through remote keys), the event
// in the low byte.
// Portable.
#pragma once

#include <cstdint>

namespace fwevent {
inline constexpr std::uint32_t kCecGroup = 0x15;
inline constexpr std::uint32_t kPassThroughGroup = 0x16;

inline constexpr std::uint32_t kCeccResponse = 0x1500;     // a CEC controller command has its reply
inline constexpr std::uint32_t kCecMessage = 0x1501;       // a CEC frame waits for the PC
inline constexpr std::uint32_t kCeccNotification = 0x1502; // the CEC controller's status changed
inline constexpr std::uint32_t kHotPlugLow = 0x1580;
inline constexpr std::uint32_t kHotPlugHigh = 0x1581;
inline constexpr std::uint32_t kRemoteKeyBase = 0x1600; // | key code: a pass-through remote key
} // namespace fwevent
