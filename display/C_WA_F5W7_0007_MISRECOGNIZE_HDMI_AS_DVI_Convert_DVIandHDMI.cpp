// DVI/HDMI exchange of output technologies. Portable.
#include "display/C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI.h"

#include "common/FirmwareRecord.h"

namespace display {

namespace tech = platform::dc::tech;

bool C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI::isApplicable() {
    if (m_dwVersion != wa::kWindows7OrLater) {
        return false;
    }
    if ((m_dwVendor & wa::kVendorAmd) != 0) {
        return true;
    }
    return (m_dwVendor & wa::kVendorNvidia) != 0 && (m_dwModel & wa::kModel1000) != 0;
}

bool C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI::doWorkAround() {
    if ((m_dwHdmiStatus & fw::kDisplayOutputHdmiBit) == 0) {
        return false;
    }
    bool hasDvi = false;
    bool hasHdmi = false;
    for (const platform::DisplayConfigPathInfo& path : m_paths) {
        hasDvi = hasDvi || path.targetInfo.outputTechnology == tech::kDvi;
        hasHdmi = hasHdmi || path.targetInfo.outputTechnology == tech::kHdmi;
    }
    if (hasDvi && hasHdmi) {
        return false;
    }
    const std::int32_t from = m_direction == PathDirection::Reading ? tech::kDvi : tech::kHdmi;
    const std::int32_t to = m_direction == PathDirection::Reading ? tech::kHdmi : tech::kDvi;
    bool changed = false;
    for (platform::DisplayConfigPathInfo& path : m_paths) {
        if (path.targetInfo.outputTechnology == from) {
            path.targetInfo.outputTechnology = to;
            changed = true;
        }
    }
    return changed;
}

} // namespace display
