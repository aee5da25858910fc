// The simulated Windows display configuration. Simulation.
#include "sim/SimDisplayConfig.h"

#include "platform/Types.h"

#include <algorithm>
#include <map>
#include <set>

namespace sim {
namespace {

namespace dc = platform::dc;
constexpr std::int32_t kInvalidParameter = static_cast<std::int32_t>(platform::error::kInvalidParameter);
constexpr std::int32_t kInsufficientBuffer = static_cast<std::int32_t>(platform::error::kInsufficientBuffer);
constexpr std::uint32_t kAdapterLuidBase = 0x1000;

bool oneQueryFlag(std::uint32_t flags) {
    return flags == dc::kQueryAllPaths || flags == dc::kQueryOnlyActivePaths ||
           flags == dc::kQueryDatabaseCurrent;
}

} // namespace

SimDisplayConfig::SimDisplayConfig() = default;

platform::Luid SimDisplayConfig::adapterLuid(std::uint32_t adapter) {
    return platform::Luid{kAdapterLuidBase + adapter, 0};
}

void SimDisplayConfig::setDriverModel(std::uint32_t adapter, std::uint32_t model) {
    if (m_driverModels.size() <= adapter) {
        m_driverModels.resize(adapter + 1, 0);
    }
    m_driverModels[adapter] = model;
}

std::size_t SimDisplayConfig::addTarget(std::uint32_t adapter, std::uint32_t id, std::int32_t technology,
                                        bool connected) {
    Target target;
    target.adapter = adapter;
    target.id = id;
    target.technology = technology;
    target.reportedTechnology = technology;
    target.connected = connected;
    if (technology == dc::tech::kInternal || technology == dc::tech::kLvds) {
        target.width = 1366;
        target.height = 768;
    }
    m_targets.push_back(target);
    m_adapters = std::max(m_adapters, adapter + 1);
    return m_targets.size() - 1;
}

void SimDisplayConfig::setConnected(std::size_t target, bool connected) {
    m_targets.at(target).connected = connected;
    if (!connected) {
        std::erase_if(m_active, [target](const ActiveDisplay& display) { return display.target == target; });
    }
}

void SimDisplayConfig::setReportedTechnology(std::size_t target, std::int32_t technology) {
    m_targets.at(target).reportedTechnology = technology;
}

void SimDisplayConfig::arrange(const std::vector<std::pair<std::size_t, std::uint32_t>>& targetsAndSources) {
    m_active.clear();
    std::map<std::uint32_t, std::int32_t> sourceX;
    std::int32_t nextX = 0;
    for (const auto& [target, source] : targetsAndSources) {
        const Target& t = m_targets.at(target);
        auto found = sourceX.find(source);
        if (found == sourceX.end()) {
            found = sourceX.emplace(source, nextX).first;
            nextX += static_cast<std::int32_t>(t.width);
        }
        m_active.push_back(ActiveDisplay{target, source, found->second, 0, t.width, t.height});
    }
}

void SimDisplayConfig::build(std::uint32_t flags, std::vector<platform::DisplayConfigPathInfo>& paths,
                             std::vector<platform::DisplayConfigModeInfo>& modes) const {
    paths.clear();
    modes.clear();
    std::map<std::pair<std::uint32_t, std::uint32_t>, std::uint32_t>
        sourceModes; // (adapter, source) -> index
    std::vector<ActiveDisplay> ordered = m_active;
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const ActiveDisplay& a, const ActiveDisplay& b) { return a.source < b.source; });
    std::set<std::size_t> activeTargets;
    for (const ActiveDisplay& display : ordered) {
        const Target& target = m_targets[display.target];
        activeTargets.insert(display.target);
        platform::DisplayConfigPathInfo path;
        path.flags = dc::kPathActive;
        path.sourceInfo.adapterId = adapterLuid(target.adapter);
        path.sourceInfo.id = display.source;
        path.sourceInfo.statusFlags = dc::kSourceInUse;
        const auto key = std::make_pair(target.adapter, display.source);
        auto found = sourceModes.find(key);
        if (found == sourceModes.end()) {
            platform::DisplayConfigModeInfo mode;
            mode.infoType = dc::kModeInfoTypeSource;
            mode.id = display.source;
            mode.adapterId = path.sourceInfo.adapterId;
            mode.sourceMode =
                platform::DisplayConfigSourceMode{display.width, display.height, 4, display.x, display.y};
            modes.push_back(mode);
            found = sourceModes.emplace(key, static_cast<std::uint32_t>(modes.size() - 1)).first;
        }
        path.sourceInfo.modeInfoIdx = found->second;
        path.targetInfo.adapterId = adapterLuid(target.adapter);
        path.targetInfo.id = target.id;
        path.targetInfo.outputTechnology = target.reportedTechnology;
        path.targetInfo.targetAvailable = target.connected ? 1 : 0;
        path.targetInfo.statusFlags = dc::kTargetInUse;
        path.targetInfo.refreshRate = {60, 1};
        platform::DisplayConfigModeInfo targetMode;
        targetMode.infoType = dc::kModeInfoTypeTarget;
        targetMode.id = target.id;
        targetMode.adapterId = path.targetInfo.adapterId;
        targetMode.targetMode.activeWidth = target.width;
        targetMode.targetMode.activeHeight = target.height;
        modes.push_back(targetMode);
        path.targetInfo.modeInfoIdx = static_cast<std::uint32_t>(modes.size() - 1);
        paths.push_back(path);
    }
    if (flags != dc::kQueryAllPaths) {
        return;
    }
    for (std::size_t index = 0; index < m_targets.size(); ++index) {
        const Target& target = m_targets[index];
        for (std::uint32_t source = 0; source < m_sources; ++source) {
            const bool isActivePath =
                std::any_of(m_active.begin(), m_active.end(),
                            [&](const ActiveDisplay& d) { return d.target == index && d.source == source; });
            if (isActivePath) {
                continue;
            }
            platform::DisplayConfigPathInfo path;
            path.sourceInfo.adapterId = adapterLuid(target.adapter);
            path.sourceInfo.id = source;
            path.sourceInfo.modeInfoIdx = dc::kInvalidModeIndex;
            path.targetInfo.adapterId = adapterLuid(target.adapter);
            path.targetInfo.id = target.id;
            path.targetInfo.modeInfoIdx = dc::kInvalidModeIndex;
            path.targetInfo.outputTechnology = target.reportedTechnology;
            path.targetInfo.targetAvailable = target.connected ? 1 : 0;
            paths.push_back(path);
        }
    }
}

std::int32_t SimDisplayConfig::getBufferSizes(std::uint32_t flags, std::uint32_t& pathCount,
                                              std::uint32_t& modeCount) {
    if (!oneQueryFlag(flags)) {
        return kInvalidParameter;
    }
    std::vector<platform::DisplayConfigPathInfo> paths;
    std::vector<platform::DisplayConfigModeInfo> modes;
    build(flags == dc::kQueryDatabaseCurrent ? dc::kQueryOnlyActivePaths : flags, paths, modes);
    pathCount = static_cast<std::uint32_t>(paths.size());
    modeCount = static_cast<std::uint32_t>(modes.size());
    m_sizeQueried = true;
    if (m_spoilSizes) {
        m_spoilSizes(pathCount, modeCount);
    }
    return 0;
}

std::int32_t SimDisplayConfig::query(std::uint32_t flags, std::uint32_t& pathCount,
                                     platform::DisplayConfigPathInfo* paths, std::uint32_t& modeCount,
                                     platform::DisplayConfigModeInfo* modes, std::uint32_t* topologyId) {
    ++m_queries;
    if (m_sizeQueried && m_beforeNextQuery) {
        auto change = std::move(m_beforeNextQuery);
        m_beforeNextQuery = nullptr;
        change();
    }
    m_sizeQueried = false;
    if (!oneQueryFlag(flags) || paths == nullptr || modes == nullptr ||
        (flags == dc::kQueryDatabaseCurrent) != (topologyId != nullptr)) {
        return kInvalidParameter;
    }
    if (m_insufficientBufferAnswers > 0) {
        --m_insufficientBufferAnswers;
        return kInsufficientBuffer;
    }
    std::vector<platform::DisplayConfigPathInfo> builtPaths;
    std::vector<platform::DisplayConfigModeInfo> builtModes;
    build(flags == dc::kQueryDatabaseCurrent ? dc::kQueryOnlyActivePaths : flags, builtPaths, builtModes);
    if (builtPaths.size() > pathCount || builtModes.size() > modeCount) {
        return kInsufficientBuffer;
    }
    const std::uint32_t pathCapacity = pathCount;
    const std::uint32_t modeCapacity = modeCount;
    std::copy(builtPaths.begin(), builtPaths.end(), paths);
    std::copy(builtModes.begin(), builtModes.end(), modes);
    pathCount = static_cast<std::uint32_t>(builtPaths.size());
    modeCount = static_cast<std::uint32_t>(builtModes.size());
    if (m_spoilAnswers) {
        m_spoilAnswers(paths, pathCapacity, pathCount, modes, modeCapacity, modeCount);
    }
    if (topologyId != nullptr) {
        *topologyId = m_active.size() > 1 ? 4 : 1; // extended or internal
    }
    return 0;
}

std::int32_t SimDisplayConfig::validate(std::uint32_t pathCount, const platform::DisplayConfigPathInfo* paths,
                                        std::uint32_t modeCount, const platform::DisplayConfigModeInfo* modes,
                                        std::uint32_t flags, std::vector<ActiveDisplay>& result) const {
    const bool topology = (flags & dc::kTopologySupplied) != 0;
    const bool supplied = (flags & dc::kUseSuppliedDisplayConfig) != 0;
    if (topology == supplied || (flags & (dc::kValidate | dc::kApply)) == 0 || pathCount == 0 ||
        paths == nullptr) {
        return kInvalidParameter;
    }
    if (topology && (modeCount != 0 || modes != nullptr)) {
        return kInvalidParameter;
    }
    if (m_refuseAlways || (m_refuseStrict && (flags & dc::kAllowChanges) == 0)) {
        return kErrorBadConfiguration;
    }
    std::set<std::size_t> used;
    std::map<std::uint32_t, std::int32_t> sourceX;
    std::int32_t nextX = 0;
    for (std::uint32_t p = 0; p < pathCount; ++p) {
        const platform::DisplayConfigPathInfo& path = paths[p];
        if ((path.flags & dc::kPathActive) == 0) {
            continue;
        }
        const auto found = std::find_if(m_targets.begin(), m_targets.end(), [&](const Target& t) {
            return adapterLuid(t.adapter) == path.targetInfo.adapterId && t.id == path.targetInfo.id;
        });
        if (found == m_targets.end() || !found->connected || path.sourceInfo.id >= m_sources ||
            !(path.sourceInfo.adapterId == path.targetInfo.adapterId)) {
            return kErrorBadConfiguration;
        }
        const auto index = static_cast<std::size_t>(found - m_targets.begin());
        if (!used.insert(index).second) {
            return kErrorBadConfiguration;
        }
        ActiveDisplay display{index, path.sourceInfo.id, 0, 0, found->width, found->height};
        const platform::DisplayConfigModeInfo* sourceMode = nullptr;
        if (supplied && path.sourceInfo.modeInfoIdx < modeCount && modes != nullptr &&
            modes[path.sourceInfo.modeInfoIdx].infoType == dc::kModeInfoTypeSource) {
            sourceMode = &modes[path.sourceInfo.modeInfoIdx];
        }
        if (sourceMode != nullptr) {
            display.x = sourceMode->sourceMode.positionX;
            display.y = sourceMode->sourceMode.positionY;
            display.width = sourceMode->sourceMode.width;
            display.height = sourceMode->sourceMode.height;
        } else {
            auto placed = sourceX.find(display.source);
            if (placed == sourceX.end()) {
                placed = sourceX.emplace(display.source, 0).first;
            }
            display.x = placed->second;
        }
        result.push_back(display);
    }
    if (result.empty()) {
        return kErrorBadConfiguration;
    }
    // Sources without supplied positions: source 0 first, the others to its right.
    bool anySupplied = false;
    for (std::uint32_t p = 0; p < pathCount && supplied; ++p) {
        anySupplied = anySupplied || paths[p].sourceInfo.modeInfoIdx != dc::kInvalidModeIndex;
    }
    if (!anySupplied) {
        std::set<std::uint32_t> sources;
        for (const ActiveDisplay& display : result) {
            sources.insert(display.source);
        }
        for (std::uint32_t source : sources) {
            std::uint32_t width = 0;
            for (ActiveDisplay& display : result) {
                if (display.source == source) {
                    display.x = nextX;
                    width = std::max(width, display.width);
                }
            }
            nextX += static_cast<std::int32_t>(width);
        }
    }
    return 0;
}

std::int32_t SimDisplayConfig::set(std::uint32_t pathCount, const platform::DisplayConfigPathInfo* paths,
                                   std::uint32_t modeCount, const platform::DisplayConfigModeInfo* modes,
                                   std::uint32_t flags) {
    SetCall call;
    call.flags = flags;
    if (paths != nullptr) {
        call.paths.assign(paths, paths + pathCount);
    }
    call.modeCount = modeCount;
    std::vector<ActiveDisplay> result;
    call.result =
        m_available ? validate(pathCount, paths, modeCount, modes, flags, result) : kInvalidParameter;
    if (call.result == 0 && m_refuseExtendedToExtended && extendedToOtherExtended(m_active, result)) {
        call.result = kErrorBadConfiguration;
    }
    if (call.result == 0 && (flags & dc::kApply) != 0) {
        m_active = result;
    }
    m_setCalls.push_back(std::move(call));
    return m_setCalls.back().result;
}

bool SimDisplayConfig::extendedToOtherExtended(const std::vector<ActiveDisplay>& from,
                                               const std::vector<ActiveDisplay>& to) {
    const auto extended = [](const std::vector<ActiveDisplay>& displays) {
        return std::any_of(displays.begin(), displays.end(), [&displays](const ActiveDisplay& d) {
            return d.source != displays.front().source;
        });
    };
    const auto targets = [](const std::vector<ActiveDisplay>& displays) {
        std::set<std::size_t> out;
        for (const ActiveDisplay& d : displays) {
            out.insert(d.target);
        }
        return out;
    };
    return extended(from) && extended(to) && targets(from) != targets(to);
}

std::u16string SimDisplayConfig::gdiName(std::uint32_t adapter, std::uint32_t source) const {
    const std::string number = std::to_string(adapter * m_sources + source + 1);
    std::u16string name = u"\\\\.\\DISPLAY";
    name.append(number.begin(), number.end());
    return name;
}

std::int32_t SimDisplayConfig::getSourceName(platform::DisplayConfigSourceDeviceName& request) {
    if (request.type != dc::kGetSourceName || request.size != sizeof(request)) {
        return kInvalidParameter;
    }
    for (std::uint32_t adapter = 0; adapter < m_adapters; ++adapter) {
        if (adapterLuid(adapter) == request.adapterId && request.id < m_sources) {
            const std::u16string name = gdiName(adapter, request.id);
            std::fill(std::begin(request.viewGdiDeviceName), std::end(request.viewGdiDeviceName), u'\0');
            std::copy(name.begin(), name.end(), request.viewGdiDeviceName);
            return 0;
        }
    }
    return kInvalidParameter;
}

platform::NtStatus SimDisplayConfig::openAdapterFromGdiDisplayName(const char16_t* gdiName,
                                                                   platform::KernelAdapterHandle& adapter) {
    for (std::uint32_t a = 0; a < m_adapters; ++a) {
        for (std::uint32_t source = 0; source < m_sources; ++source) {
            if (gdiName != nullptr && this->gdiName(a, source) == gdiName) {
                adapter = a + 1;
                return 0;
            }
        }
    }
    return kStatusInvalidParameter;
}

platform::NtStatus SimDisplayConfig::queryDriverVersion(platform::KernelAdapterHandle adapter,
                                                        std::uint32_t& version) {
    if (adapter == 0 || adapter > m_adapters) {
        return kStatusInvalidParameter;
    }
    version = adapter - 1 < m_driverModels.size() ? m_driverModels[adapter - 1] : 0;
    return 0;
}

platform::NtStatus SimDisplayConfig::closeAdapter(platform::KernelAdapterHandle adapter) {
    return adapter == 0 || adapter > m_adapters ? kStatusInvalidParameter : 0;
}

} // namespace sim
