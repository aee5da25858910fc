// Codes of the workarounds. Portable.
#include "display/WorkAround.h"

namespace display::wa {

std::uint32_t versionCode(std::uint32_t major, std::uint32_t minor) {
    // Compared as a pair, so that 6.2 and 10.0 count as later than 6.1.
    return (major > 6 || (major == 6 && minor >= 1)) ? kWindows7OrLater : 0;
}

std::uint32_t vendorBit(std::uint32_t vendorCode) {
    switch (vendorCode) {
    case 1:
        return kVendorIntel;
    case 2:
        return kVendorAmd;
    case 3:
        return kVendorNvidia;
    default:
        return 0;
    }
}

std::uint32_t modelBit(std::uint32_t driverModel) {
    switch (driverModel) {
    case 1000:
        return kModel1000;
    case 1102:
        return kModel1102;
    case 1105:
        return kModel1105;
    default:
        return 0;
    }
}

} // namespace display::wa
