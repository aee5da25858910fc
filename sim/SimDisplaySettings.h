// The simulated display modes of the display devices ("\\.\DISPLAY1", ...; null is the first):
// each device offers a list of modes and has a current mode. A change with the no-reset flag
// is kept pending until ChangeDisplaySettings with no mode applies it; without it, it takes
// effect at once. Faults: the current mode unreadable for a number of reads, a change answer.
// Every change is recorded.
// Simulation.
#pragma once

#include "platform/DisplaySettings.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sim {

class SimDisplaySettings final : public platform::DisplaySettings {
public:
    struct Change {
        std::string device; // empty: the primary display
        std::optional<platform::DisplayMode> mode;
        std::uint32_t flags = 0;
    };

    void addDevice(const std::string& name, const std::vector<platform::DisplayMode>& modes,
                   const platform::DisplayMode& current);
    const platform::DisplayMode& current(const std::string& name) const { return m_devices.at(name).current; }
    void setCurrent(const std::string& name, const platform::DisplayMode& mode) {
        m_devices.at(name).current = mode;
    }
    void failCurrentReads(const std::string& name, int count) { m_devices.at(name).failingReads = count; }
    void setChangeResult(std::int32_t result) { m_changeResult = result; }
    void setApplyResult(std::int32_t result) { m_applyResult = result; }
    const std::vector<Change>& changes() const { return m_changes; }

    bool enumSettings(const char* device, std::uint32_t modeNumber, platform::DisplayMode& mode) override;
    std::int32_t changeSettings(const platform::DisplayMode* mode, std::uint32_t flags) override;
    std::int32_t changeSettingsEx(const char* device, const platform::DisplayMode* mode,
                                  std::uint32_t flags) override;

private:
    struct Device {
        std::vector<platform::DisplayMode> modes;
        platform::DisplayMode current;
        std::optional<platform::DisplayMode> pending;
        int failingReads = 0;
    };
    Device* find(const char* device);

    std::map<std::string, Device> m_devices;
    std::int32_t m_changeResult = platform::cds::kSuccessful;
    std::int32_t m_applyResult = platform::cds::kSuccessful;
    std::vector<Change> m_changes;
};

} // namespace sim
