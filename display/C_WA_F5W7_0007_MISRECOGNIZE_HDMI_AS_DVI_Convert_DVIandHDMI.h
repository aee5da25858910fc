// Workaround for drivers that report an HDMI display as DVI: while the firmware says that a
// display is connected on HDMI and the paths hold DVI but no HDMI technology, reading turns DVI
// into HDMI, and writing turns HDMI back into DVI before the paths go to the driver.
// Portable.
#pragma once

#include "display/WorkAround.h"
#include "platform/DisplayConfig.h"

#include <vector>

namespace display {

enum class PathDirection { Reading, Writing };

class C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI final : public CWorkAround {
public:
    C_WA_F5W7_0007_MISRECOGNIZE_HDMI_AS_DVI_Convert_DVIandHDMI(
        std::uint32_t versionCode, std::uint32_t vendorBit, std::uint32_t modelBit, std::uint32_t hdmiStatus,
        std::vector<platform::DisplayConfigPathInfo>& paths, PathDirection direction)
        : CWorkAround(versionCode, vendorBit, modelBit), m_dwHdmiStatus(hdmiStatus), m_paths(paths),
          m_direction(direction) {}

    bool isApplicable() override;
    // True when a technology was changed.
    bool doWorkAround() override;

private:
    std::uint32_t m_dwHdmiStatus;
    std::vector<platform::DisplayConfigPathInfo>& m_paths;
    PathDirection m_direction;
};

} // namespace display
