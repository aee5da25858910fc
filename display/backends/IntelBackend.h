// The Intel back-end: present when the driver's COM object answers the first attachable-device
// enumeration; reads the HDMI display's EDID through the EDID interface, reads the current
// arrangement from the devices' status bits and switches by sending configuration records
// (after setting the primary display to 1024 x 768). COM is initialised for each operation and
// the object released and COM uninitialised again before it returns.
// Portable.
#pragma once

#include "display/backends/VendorBackend.h"
#include "platform/DisplaySettings.h"
#include "platform/IntelDisplayInterface.h"
#include "platform/Registry.h"

#include <array>
#include <cstdint>
#include <vector>

namespace display {

// More attachable devices per display than any driver has: a longer list is a driver fault.
inline constexpr std::uint32_t kMaxIntelDevices = 32;

class IntelBackend final : public VendorBackend {
public:
    IntelBackend(platform::IntelDisplayInterface& igfx, platform::Registry& registry,
                 platform::DisplaySettings& displaySettings)
        : m_igfx(igfx), m_registry(registry), m_displaySettings(displaySettings) {}

    bool present() override;
    std::int32_t readEdid(std::uint8_t* edid256, std::uint32_t hdmiStatus) override;
    std::uint32_t currentValue() override;
    void switchTo(std::uint32_t target, std::uint32_t current) override;

    // One request: a single device, a clone (first, second) or an extended pair (primary,
    // secondary), by device type.
    enum class Kind { Single, Clone, Extended };
    struct Request {
        Kind kind = Kind::Single;
        std::uint32_t first = platform::igfx::kTypeLcd;
        std::uint32_t second = 0;
    };
    // The requests a switch sends, in order, given which device types are attached and the
    // "FNF5" setting.
    static std::vector<Request> requestsFor(std::uint32_t target, std::uint32_t current,
                                            bool secondDigitalAttached, bool tvFirst);
    // The value the status bits of each device type (index = type) give; `display1AtOrigin`:
    // the desktop of "\\.\DISPLAY1" lies at (0,0).
    static std::uint32_t valueOfStatus(const std::array<std::uint32_t, platform::igfx::kMaxType + 1>& status,
                                       bool display1AtOrigin);

private:
    using TypeTable = std::array<std::uint32_t, platform::igfx::kMaxType + 1>;

    // Runs `work` with COM initialised and the object created with `which`; false (and
    // `work` not run) when either fails. Everything is released before it returns.
    template <typename Work> bool withObject(platform::IntelInterface which, Work work);
    std::int32_t readEdidCreated(std::uint8_t* edid256, std::uint32_t hdmiStatus);
    // The first device of type 3 or 5 of `display`.
    bool findHdmiCandidate(const char16_t* display, platform::IntelDevice& device);
    // Per device type, what `take` makes of the devices of Display2 and then Display1.
    template <typename Take> TypeTable collect(Take take);
    bool tvFirst();
    bool display1AtOrigin();
    void send(const Request& request, const TypeTable& ids);

    platform::IntelDisplayInterface& m_igfx;
    platform::Registry& m_registry;
    platform::DisplaySettings& m_displaySettings;
};

} // namespace display
