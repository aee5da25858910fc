// The device whose presence makes the display library leave every display alone: a present
// device of setup class {3376F4CE-FF8D-40A2-A80F-BB4359D1415C}.
// Portable.
#pragma once

#include "platform/DeviceSetupClasses.h"

namespace display {

inline constexpr platform::Guid kBlockingDeviceClass{
    0x3376F4CE, 0xFF8D, 0x40A2, {0xA8, 0x0F, 0xBB, 0x43, 0x59, 0xD1, 0x41, 0x5C}};

// True when such a device is present. A device list that cannot be read, or an enumeration
// that ends with an error other than ERROR_NO_MORE_ITEMS, counts as no such device.
bool blockingDevicePresent(platform::DeviceSetupClasses& devices);

} // namespace display
