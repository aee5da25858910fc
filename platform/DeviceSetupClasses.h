// Device setup classes port: the setup class of every present device (SetupDiGetClassDevsW with
// no class and DIGCF_PRESENT | DIGCF_ALLCLASSES, SetupDiEnumDeviceInfo,
// SetupDiDestroyDeviceInfoList).
// Portable.
#pragma once

#include "platform/Guid.h"
#include "platform/Port.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

using DeviceInfoList = std::uintptr_t; // 0: no list

class DeviceSetupClasses : public Port {
public:
    // The list of all present devices of all classes; 0 when it cannot be obtained.
    virtual DeviceInfoList openPresentDevices() = 0;
    // The setup class of device `index`; kNoMoreItems past the last device. `classGuid` is
    // untouched on failure.
    virtual ErrorCode deviceClass(DeviceInfoList list, std::uint32_t index, Guid& classGuid) = 0;
    virtual void closeList(DeviceInfoList list) = 0;
};

} // namespace platform
