// The second AMD interface's back-end: present when one of its libraries loads; finds the
// displays of the adapter (panel, analog monitor, analog TV, DVI, HDMI, DisplayPort), reads
// the HDMI display's EDID, reads the current arrangement from the controllers' configuration
// and switches with one configuration record. The old-driver flag (the kernel driver's file
// version below 7.1.1.537) picks the extended mode of the record.
// Portable.
#pragma once

#include "display/backends/VendorBackend.h"
#include "platform/AmdSecondDisplayInterface.h"
#include "platform/FileVersion.h"

#include <optional>

namespace display {

// Whether the AMD kernel driver ("<system>\drivers\atikmdag.sys") is older than 7.1.1.537;
// false when the file or its version cannot be read.
bool oldAmdDriver(platform::FileVersion& files);

// The request a target value becomes: the mode and up to two display bits.
struct AmdSecondRequest {
    std::uint32_t mode = 0;
    std::uint32_t first = 0;
    std::uint32_t second = 0; // 0: one display
};

// The displays of the adapter as bits (0: the machine has no such display).
struct AmdSecondDisplays {
    std::uint32_t lcd = 0;
    std::uint32_t crt = 0;
    std::uint32_t tv = 0;
    std::uint32_t dvi = 0;
    std::uint32_t hdmi = 0;
    std::uint32_t displayPort = 0;
    // The DVI class: the DVI display, else the DisplayPort display.
    std::uint32_t dviClass() const { return dvi != 0 ? dvi : displayPort; }
};

// The request for `target` (the swap request already replaced by its mirror); nullopt when a
// display it names is missing.
std::optional<AmdSecondRequest> amdSecondRequest(std::uint32_t target, const AmdSecondDisplays& displays,
                                                 bool oldDriver);

// The monitor-device value of the displays (bits) on controllers 0 and 1.
std::uint32_t amdSecondValue(std::uint32_t controller0, std::uint32_t controller1,
                             const AmdSecondDisplays& displays);

class AmdSecondBackend final : public VendorBackend {
public:
    AmdSecondBackend(platform::AmdSecondDisplayInterface& pdl, platform::FileVersion& files)
        : m_pdl(pdl), m_files(files) {}

    bool present() override;
    std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) override;
    std::uint32_t currentValue() override;
    void switchTo(std::uint32_t target, std::uint32_t current) override;

private:
    // Loads the library with all its entries; false (and unloaded) otherwise.
    bool loadAll();
    std::int32_t adapter();
    AmdSecondDisplays locate(std::int32_t adapter);
    // The display masks of controllers 0 and 1 (controller 1's words take controller 0's
    // place when controller 0 has none); false when the configuration cannot be read.
    bool configuration(std::int32_t adapter, std::uint32_t& controller0, std::uint32_t& controller1);
    bool readBlock(std::int32_t adapter, std::int32_t display, std::uint32_t block, std::uint8_t* out128);
    std::uint32_t currentValueLoaded(std::int32_t adapter);
    void send(std::int32_t adapter, const AmdSecondRequest& request);

    platform::AmdSecondDisplayInterface& m_pdl;
    platform::FileVersion& m_files;
};

} // namespace display
