// The firmware's display output status word, read through the firmware device for each call.
// Portable.
#pragma once

#include "platform/FirmwareTransport.h"

#include <cstdint>

namespace display {

// The firmware answers "try again" for a while after a display change; it is asked this many
// times at most.
inline constexpr int kMaxFirmwareStatusAttempts = 20;

// Reply word W3 of the display output status register; 0 when the device is missing, a call
// fails or the firmware keeps asking to try again.
std::uint32_t readFirmwareHdmiStatus(platform::FirmwareTransport& transport);

} // namespace display
