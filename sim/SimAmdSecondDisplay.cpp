// The simulated second AMD display interface and file versions. Simulation.
#include "sim/SimAmdSecondDisplay.h"

#include <algorithm>
#include <bit>
#include <cctype>

namespace sim {

namespace pdl = platform::atipdl;

bool SimAmdSecondDisplay::load() {
    if (!m_present) {
        return false;
    }
    ++m_loaded;
    return true;
}

const SimAmdSecondDisplay::Display* SimAmdSecondDisplay::find(std::int32_t adapter,
                                                              std::int32_t index) const {
    if (m_loaded <= 0 || adapter != m_adapter || index < 0 ||
        static_cast<std::size_t>(index) >= m_displays.size()) {
        return nullptr;
    }
    return &m_displays[static_cast<std::size_t>(index)];
}

bool SimAmdSecondDisplay::connected(const Display& display) const {
    return display.target && *display.target < m_config.targets().size() &&
           m_config.targets()[*display.target].connected;
}

std::int32_t SimAmdSecondDisplay::enumDisplays(std::int32_t adapter, std::int32_t index,
                                               platform::AtipdlDisplayRecord& record) {
    if (m_endless && m_loaded > 0 && adapter == m_adapter) {
        record.type = 0;
        return 1;
    }
    const Display* display = find(adapter, index);
    if (display == nullptr) {
        return 0;
    }
    record.type = display->type;
    return 1;
}

std::int32_t SimAmdSecondDisplay::displayGetDeviceConfig(std::int32_t adapter, std::int32_t index,
                                                         platform::AtipdlDeviceConfig& config) {
    const Display* display = find(adapter, index);
    if (display == nullptr || config.size != sizeof(config)) {
        return kFailed;
    }
    config.size = m_deviceConfigSize;
    config.connectorKind = display->connectorKind;
    return 0;
}

std::int32_t SimAmdSecondDisplay::getConnectedDisplays(std::int32_t adapter, std::int32_t controller,
                                                       std::uint32_t& mask) {
    if (m_loaded <= 0 || adapter != m_adapter || controller < 0 || controller > 1) {
        return 0;
    }
    // Controller 0 reports the analog and panel outputs, controller 1 the digital ones.
    mask = 0;
    for (std::size_t i = 0; i < m_displays.size() && i < pdl::kMaxDisplays; ++i) {
        const bool digital =
            m_displays[i].type == pdl::kTypeDigital || m_displays[i].type == pdl::kTypeDigitalSecond;
        if (connected(m_displays[i]) && digital == (controller == 1)) {
            mask |= 1U << i;
        }
    }
    return 1;
}

std::int32_t SimAmdSecondDisplay::getConfiguration(std::int32_t adapter, std::int32_t controller,
                                                   platform::AtipdlControllerConfig& config) {
    if (m_loaded <= 0 || adapter != m_adapter || controller < 0 || controller > 1 || m_configurationFails) {
        return 0;
    }
    config = {};
    std::size_t word = 0;
    for (const SimDisplayConfig::ActiveDisplay& active : m_config.active()) {
        // Controller 0 drives the primary desktop (at 0,0), controller 1 the other one.
        const bool primary = active.x == 0 && active.y == 0;
        if (primary != (controller == 0)) {
            continue;
        }
        for (std::size_t i = 0; i < m_displays.size() && i < pdl::kMaxDisplays && word < 2; ++i) {
            if (m_displays[i].target == active.target) {
                config.displays[word++] = 1U << i;
            }
        }
    }
    config.displays[0] |= m_phantomBits;
    return 1;
}

std::int32_t SimAmdSecondDisplay::getCapabilities(std::int32_t adapter) {
    return adapter == 0 && m_adapter != 0 ? 1 : 0;
}

std::int32_t SimAmdSecondDisplay::displayGetEdidData(std::int32_t adapter, std::int32_t index,
                                                     platform::AtipdlEdidRequest& request) {
    const Display* display = find(adapter, index);
    if (display == nullptr || m_edidFails || request.size != sizeof(request) || request.block > 1 ||
        !connected(*display) || !display->edid) {
        return kFailed;
    }
    m_edidBlocks.push_back(request.block);
    const auto* block = display->edid->data() + request.block * 128;
    std::copy(block, block + 128, request.data);
    return 0;
}

std::optional<std::size_t> SimAmdSecondDisplay::targetOfBit(std::uint32_t bit) const {
    if (!std::has_single_bit(bit)) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(std::countr_zero(bit));
    if (index >= m_displays.size() || !connected(m_displays[index])) {
        return std::nullopt;
    }
    return m_displays[index].target;
}

std::int32_t SimAmdSecondDisplay::setConfigurationEx(std::int32_t adapter,
                                                     const platform::AtipdlConfigurationEx& config) {
    if (m_loaded <= 0 || adapter != m_adapter) {
        return kFailed;
    }
    m_configurations.push_back(config);
    const std::uint32_t extended = m_oldDriver ? pdl::kModeExtendedOldDriver : pdl::kModeExtended;
    const bool single = config.mode == pdl::kModeSingle;
    const bool two = config.mode == pdl::kModeClone || config.mode == extended;
    const std::optional<std::size_t> first = targetOfBit(config.firstDisplay);
    const std::optional<std::size_t> second = targetOfBit(config.secondDisplay);
    if (m_refusesSwitches || config.size != sizeof(config) || !first || (!single && !two) ||
        config.displayCount != (single ? 1U : 2U) || (single && config.secondDisplay != 0) ||
        (two && (!second || *second == *first))) {
        return kFailed;
    }
    if (single) {
        m_config.arrange({{*first, 0}});
    } else {
        m_config.arrange({{*first, 0}, {*second, config.mode == pdl::kModeClone ? 0U : 1U}});
    }
    return 0;
}

std::optional<platform::FileVersionNumber> SimFileVersion::fileVersion(const std::string& path) {
    // File names on Windows compare without regard to case.
    const auto same = [&path](const File& file) {
        return std::equal(file.path.begin(), file.path.end(), path.begin(), path.end(), [](char a, char b) {
            return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
        });
    };
    const auto found = std::find_if(m_files.begin(), m_files.end(), same);
    return found != m_files.end() ? found->version : std::nullopt;
}

} // namespace sim
