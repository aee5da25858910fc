// Blocking device check. Portable.
#include "display/BlockingDevice.h"

namespace display {
namespace {
// More devices than any machine has: a list that never ends is not read forever.
constexpr std::uint32_t kMaxDevices = 0x10000;
} // namespace

bool blockingDevicePresent(platform::DeviceSetupClasses& devices) {
    const platform::DeviceInfoList list = devices.openPresentDevices();
    if (list == 0) {
        return false;
    }
    bool found = false;
    for (std::uint32_t index = 0; index < kMaxDevices; ++index) {
        platform::Guid classGuid;
        if (devices.deviceClass(list, index, classGuid) != platform::error::kSuccess) {
            break;
        }
        if (classGuid == kBlockingDeviceClass) {
            found = true;
            break;
        }
    }
    devices.closeList(list);
    return found;
}

} // namespace display
