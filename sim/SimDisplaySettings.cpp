// The simulated display modes. Simulation.
#include "sim/SimDisplaySettings.h"

namespace sim {

void SimDisplaySettings::addDevice(const std::string& name, const std::vector<platform::DisplayMode>& modes,
                                   const platform::DisplayMode& current) {
    m_devices[name] = Device{modes, current, std::nullopt, 0};
}

SimDisplaySettings::Device* SimDisplaySettings::find(const char* device) {
    if (m_devices.empty()) {
        return nullptr;
    }
    if (device == nullptr) {
        return &m_devices.begin()->second;
    }
    const auto found = m_devices.find(device);
    return found != m_devices.end() ? &found->second : nullptr;
}

bool SimDisplaySettings::enumSettings(const char* device, std::uint32_t modeNumber,
                                      platform::DisplayMode& mode) {
    Device* found = find(device);
    if (found == nullptr) {
        return false;
    }
    if (modeNumber == platform::kEnumCurrentSettings) {
        if (found->failingReads > 0) {
            --found->failingReads;
            return false;
        }
        mode = found->current;
        return true;
    }
    if (modeNumber >= found->modes.size()) {
        return false;
    }
    mode = found->modes[modeNumber];
    return true;
}

std::int32_t SimDisplaySettings::changeSettings(const platform::DisplayMode* mode, std::uint32_t flags) {
    return changeSettingsEx(nullptr, mode, flags);
}

std::int32_t SimDisplaySettings::changeSettingsEx(const char* device, const platform::DisplayMode* mode,
                                                  std::uint32_t flags) {
    m_changes.push_back(Change{device != nullptr ? device : "",
                               mode != nullptr ? std::optional(*mode) : std::nullopt, flags});
    if (mode == nullptr) {
        if (m_applyResult != platform::cds::kSuccessful) {
            return m_applyResult;
        }
        for (auto& [name, each] : m_devices) {
            if (each.pending) {
                each.current = *each.pending;
                each.pending.reset();
            }
        }
        return platform::cds::kSuccessful;
    }
    if (m_changeResult != platform::cds::kSuccessful) {
        return m_changeResult;
    }
    Device* found = find(device);
    if (found == nullptr) {
        return platform::cds::kBadMode;
    }
    if ((flags & platform::cds::kNoReset) != 0) {
        found->pending = *mode;
    } else {
        found->current = *mode;
    }
    return platform::cds::kSuccessful;
}

} // namespace sim
