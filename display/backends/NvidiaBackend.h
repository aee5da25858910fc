// The NVIDIA back-end: present when the interface initialises and display handle 0 exists;
// reads the EDID of the connected HDMI output, reads the current arrangement from the view of
// display handle 0 and switches by setting that view.
// Portable.
#pragma once

#include "display/backends/VendorBackend.h"
#include "platform/Clock.h"
#include "platform/DisplaySettings.h"
#include "platform/NvidiaDisplayInterface.h"

#include <cstdint>
#include <vector>

namespace display {

// Display handles looked at, from index 0.
inline constexpr std::uint32_t kMaxNvidiaDisplayHandles = 128;
// Attempts of the final view request, and the pause after each.
inline constexpr int kNvidiaViewAttempts = 11;
inline constexpr std::uint32_t kNvidiaViewPauseMs = 20;

// The outputs of the GPUs, classified by their connector types; 0 where there is none.
struct NvidiaOutputs {
    std::uint32_t connected = 0; // all GPUs' connected outputs
    std::uint32_t hdmi = 0;
    std::uint32_t displayPort = 0;
    std::uint32_t dviD = 0;
    bool panel = false;

    std::uint32_t crt() const;
    std::uint32_t tv() const;
    // DisplayPort if there is one, else DVI-D.
    std::uint32_t dviClass() const { return displayPort != 0 ? displayPort : dviD; }
    // The display class of an output mask (cls::kNone for an unknown one).
    std::uint32_t classOf(std::uint32_t mask) const;
};

class NvidiaBackend final : public VendorBackend {
public:
    NvidiaBackend(platform::NvidiaDisplayInterface& nv, platform::Clock& clock,
                  platform::DisplaySettings& settings)
        : m_nv(nv), m_clock(clock), m_settings(settings) {}

    bool present() override;
    std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) override;
    std::uint32_t currentValue() override;
    void switchTo(std::uint32_t target, std::uint32_t current) override;

private:
    std::int32_t readEdidLoaded(std::uint8_t* edid256);
    std::uint32_t currentValueLoaded();
    void switchLoaded(std::uint32_t target, std::uint32_t current);
    // The display handles, index 0 up to the first that cannot be enumerated.
    std::vector<platform::NvDisplayHandle> displayHandles();
    // The physical GPUs of a display handle; none when the driver's answer is unusable.
    std::vector<platform::NvPhysicalGpuHandle> gpusOf(platform::NvDisplayHandle display);
    // The connector type of an output, 0 when it cannot be read.
    std::uint32_t connectorType(platform::NvPhysicalGpuHandle gpu, std::uint32_t output);
    // Classifies the outputs of one GPU into `outputs`.
    void classify(platform::NvPhysicalGpuHandle gpu, NvidiaOutputs& outputs);
    bool setView(platform::NvDisplayHandle display, const std::vector<std::uint32_t>& masks,
                 std::uint32_t mode);
    void setViewRepeated(platform::NvDisplayHandle display, const std::vector<std::uint32_t>& masks,
                         std::uint32_t mode);
    bool display1AtOrigin();

    platform::NvidiaDisplayInterface& m_nv;
    platform::Clock& m_clock;
    platform::DisplaySettings& m_settings;
};

// Value of a view from its targets (the reading steps 4 to 6); exposed for tests.
// `display1AtOrigin`: whether "\\.\DISPLAY1" lies at (0,0).
std::uint32_t nvidiaViewValue(const NvidiaOutputs& outputs, const platform::NvViewTargetInfo& view,
                              std::uint32_t mode, bool display1AtOrigin);

// The values the connected outputs allow, and the reported value: `value` when allowed, else
// the first allowed of 0x1, 0x10, 0x4, 0x100, 0x400 (0x1 when none is).
std::uint32_t nvidiaAvailableValue(const NvidiaOutputs& outputs, std::uint32_t value, bool onlyStandardView,
                                   bool singlesOnly);

} // namespace display
