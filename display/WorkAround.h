// Base of the driver-specific corrections of the Windows display-configuration back-end: an
// applicability test and the correction, both virtual, and the codes that every workaround is
// built with (Windows version code, vendor bit, driver model bit).
// Portable.
#pragma once

#include <cstdint>

namespace display {

namespace wa {
inline constexpr std::uint32_t kWindows7OrLater = 4;
inline constexpr std::uint32_t kVendorIntel = 2;
inline constexpr std::uint32_t kVendorAmd = 4;
inline constexpr std::uint32_t kVendorNvidia = 8;
inline constexpr std::uint32_t kModel1000 = 1;
inline constexpr std::uint32_t kModel1102 = 2;
inline constexpr std::uint32_t kModel1105 = 4;

// 4 for Windows 6.1 and later, else 0.
std::uint32_t versionCode(std::uint32_t major, std::uint32_t minor);
// Graphics vendor code (1 Intel, 2 AMD, 3 NVIDIA) to its bit; 0 for none.
std::uint32_t vendorBit(std::uint32_t vendorCode);
// Driver model (1000, 1102, 1105) to its bit; 0 for none.
std::uint32_t modelBit(std::uint32_t driverModel);
} // namespace wa

class CWorkAround {
public:
    CWorkAround(std::uint32_t versionCode, std::uint32_t vendorBit, std::uint32_t modelBit)
        : m_dwVersion(versionCode), m_dwVendor(vendorBit), m_dwModel(modelBit) {}
    CWorkAround(const CWorkAround&) = delete;
    CWorkAround& operator=(const CWorkAround&) = delete;
    virtual ~CWorkAround() = default;

    virtual bool isApplicable() = 0;
    virtual bool doWorkAround() = 0;

    // The correction's result when the workaround applies, else false.
    bool run() { return isApplicable() ? doWorkAround() : false; }

protected:
    std::uint32_t m_dwVersion;
    std::uint32_t m_dwVendor;
    std::uint32_t m_dwModel;
};

} // namespace display
