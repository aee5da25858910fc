// A graphics vendor's back-end of the display library (Intel, NVIDIA, the two AMD
// interfaces): its presence test, the HDMI display's EDID, the current arrangement and
// switching. Each operation loads the vendor interface it needs and releases it before it
// returns.
// Portable.
#pragma once

#include <cstdint>

namespace display {

class VendorBackend {
public:
    VendorBackend() = default;
    VendorBackend(const VendorBackend&) = delete;
    VendorBackend& operator=(const VendorBackend&) = delete;
    virtual ~VendorBackend() = default;

    // The back-end's test of the display library's choice.
    virtual bool present() = 0;
    // A GetPanelid result: 1 or 0 with the EDID written into the 256 bytes, or -1, -2, -3.
    virtual std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) = 0;
    // The current monitor-device value (0 when the driver cannot tell).
    virtual std::uint32_t currentValue() = 0;
    virtual void switchTo(std::uint32_t target, std::uint32_t current) = 0;
};

} // namespace display
