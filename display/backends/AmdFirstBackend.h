// The first AMD interface's back-end: present when one of its libraries loads; reads the EDID
// of the first connected HDMI display of an active adapter. It takes no part in reading or
// switching the arrangement (the library never chooses it for those).
// Portable.
#pragma once

#include "display/backends/VendorBackend.h"
#include "platform/AmdDisplayLibrary.h"

namespace display {

// More adapters than any machine has: a larger count is a driver fault.
inline constexpr std::int32_t kMaxAmdAdapters = 256;

class AmdFirstBackend final : public VendorBackend {
public:
    explicit AmdFirstBackend(platform::AmdDisplayLibrary& adl) : m_adl(adl) {}

    bool present() override;
    std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) override;
    std::uint32_t currentValue() override;
    void switchTo(std::uint32_t target, std::uint32_t current) override;

private:
    std::int32_t readEdidLoaded(std::uint8_t* edid256);

    platform::AmdDisplayLibrary& m_adl;
};

} // namespace display
