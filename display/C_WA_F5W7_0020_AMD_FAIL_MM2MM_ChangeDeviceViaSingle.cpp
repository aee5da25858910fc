// Change between extended arrangements through the single primary display. Portable.
#include "display/C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle.h"

#include "display/DisplayConfigSnapshot.h"
#include "display/MonitorDevice.h"

#include <array>

namespace display {
namespace {

// The extended values the driver fails to change between, by pair of displays.
int pairOf(std::uint32_t value) {
    switch (value) {
    case mdv::kLcdPrimaryCrt:
    case mdv::kCrtPrimaryLcd:
        return 1;
    case mdv::kLcdPrimaryHdmi:
    case mdv::kHdmiPrimaryLcd:
        return 2;
    case mdv::kLcdPrimaryTv:
    case mdv::kTvPrimaryLcd:
        return 3;
    case mdv::kHdmiPrimaryCrt:
    case mdv::kCrtPrimaryHdmi:
        return 4;
    default:
        return 0;
    }
}

constexpr std::uint32_t kSingleValidateFlags =
    platform::dc::kAllowChanges | platform::dc::kValidate | platform::dc::kUseSuppliedDisplayConfig;
constexpr std::uint32_t kSingleApplyFlags =
    platform::dc::kAllowChanges | platform::dc::kApply | platform::dc::kUseSuppliedDisplayConfig;

} // namespace

bool C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle::isApplicable() {
    return m_dwVersion == wa::kWindows7OrLater && (m_dwVendor & wa::kVendorAmd) != 0;
}

bool C_WA_F5W7_0020_AMD_FAIL_MM2MM_ChangeDeviceViaSingle::doWorkAround() {
    if (m_dwTarget == m_dwCurrent) {
        return false;
    }
    const int targetPair = pairOf(m_dwTarget);
    const int currentPair = pairOf(m_dwCurrent);
    if (targetPair == 0 || currentPair == 0 || targetPair == currentPair) {
        return false;
    }
    DisplayConfigSnapshot active;
    if (!readDisplayConfig(m_config, m_clock, platform::dc::kQueryOnlyActivePaths, active)) {
        return false;
    }
    for (const platform::DisplayConfigPathInfo& path : active.paths) {
        if (path.sourceInfo.id != 0) {
            continue;
        }
        const platform::DisplayConfigModeInfo* targetMode =
            active.modeAt(path.targetInfo.modeInfoIdx, platform::dc::kModeInfoTypeTarget);
        const platform::DisplayConfigModeInfo* sourceMode =
            active.modeAt(path.sourceInfo.modeInfoIdx, platform::dc::kModeInfoTypeSource);
        if (targetMode == nullptr || sourceMode == nullptr) {
            return false;
        }
        platform::DisplayConfigPathInfo single = path;
        single.targetInfo.modeInfoIdx = 0;
        single.sourceInfo.modeInfoIdx = 1;
        const std::array<platform::DisplayConfigModeInfo, 2> modes{*targetMode, *sourceMode};
        if (m_config.set(1, &single, 2, modes.data(), kSingleValidateFlags) != 0) {
            return false;
        }
        return m_config.set(1, &single, 2, modes.data(), kSingleApplyFlags) == 0;
    }
    return false;
}

} // namespace display
