// Workaround for a driver that cannot go from one extended arrangement directly to an extended
// arrangement of another pair of displays: before the switch the desktop is set to the current
// primary display alone.
// Portable.
#pragma once

#include "display/WorkAround.h"
#include "platform/Clock.h"
#include "platform/DisplayConfig.h"

namespace display {

class C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle final : public CWorkAround {
public:
    C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle(std::uint32_t versionCode, std::uint32_t vendorBit,
                                                        std::uint32_t modelBit, std::uint32_t target,
                                                        std::uint32_t current,
                                                        platform::DisplayConfig& config,
                                                        platform::Clock& clock)
        : CWorkAround(versionCode, vendorBit, modelBit), m_dwTarget(target), m_dwCurrent(current),
          m_config(config), m_clock(clock) {}

    bool isApplicable() override;
    // True when the single primary display was applied.
    bool doWorkAround() override;

private:
    std::uint32_t m_dwTarget;
    std::uint32_t m_dwCurrent;
    platform::DisplayConfig& m_config;
    platform::Clock& m_clock;
};

} // namespace display
