// The simulated NVIDIA display interface. Simulation.
#include "sim/SimNvidiaDisplay.h"

#include "sim/SimDisplayConfig.h"

#include <algorithm>

namespace sim {

namespace nv = platform::nv;

namespace {
constexpr platform::NvDisplayHandle kFirstDisplayHandle = 0x5000;
} // namespace

bool SimNvidiaDisplay::load() {
    if (!m_present) {
        return false;
    }
    ++m_loaded;
    return true;
}

void SimNvidiaDisplay::unload() {
    --m_loaded;
    m_initialized = false;
}

nv::Status SimNvidiaDisplay::initialize() {
    if (m_loaded == 0) {
        return nv::kLibraryNotFound;
    }
    m_initialized = m_initializeResult >= 0;
    return m_initializeResult;
}

nv::Status SimNvidiaDisplay::entry(std::uint32_t interfaceId) const {
    if (m_missing.count(interfaceId) != 0) {
        return nv::kNoImplementation;
    }
    return m_initialized ? nv::kOk : nv::kNotInitialized;
}

std::uint32_t SimNvidiaDisplay::answered(std::uint32_t interfaceId, std::uint32_t version) const {
    const auto found = m_answerVersion.find(interfaceId);
    return found != m_answerVersion.end() && found->second != 0 ? found->second : version;
}

bool SimNvidiaDisplay::validDisplay(platform::NvDisplayHandle display) const {
    return display >= kFirstDisplayHandle && display < kFirstDisplayHandle + m_displayHandles;
}

SimNvidiaDisplay::Output* SimNvidiaDisplay::output(std::uint32_t mask) {
    const auto found =
        std::find_if(m_outputs.begin(), m_outputs.end(), [mask](const Output& o) { return o.mask == mask; });
    return found != m_outputs.end() ? &*found : nullptr;
}

bool SimNvidiaDisplay::connected(const Output& output) const {
    if (m_config != nullptr && output.configTarget) {
        return m_config->targets().at(*output.configTarget).connected;
    }
    return output.connected;
}

SimNvidiaDisplay::View SimNvidiaDisplay::view() const {
    if (m_config == nullptr) {
        return m_view;
    }
    std::vector<SimDisplayConfig::ActiveDisplay> active = m_config->active();
    std::stable_sort(active.begin(), active.end(),
                     [](const auto& a, const auto& b) { return a.source < b.source; });
    View view;
    bool oneSource = true;
    for (const SimDisplayConfig::ActiveDisplay& display : active) {
        const auto found = std::find_if(m_outputs.begin(), m_outputs.end(),
                                        [&](const Output& o) { return o.configTarget == display.target; });
        if (found == m_outputs.end()) {
            continue;
        }
        oneSource = oneSource && display.source == active.front().source;
        const bool origin = display.x == 0 && display.y == 0;
        if (origin) {
            view.masks.insert(view.masks.begin(), found->mask);
        } else {
            view.masks.push_back(found->mask);
        }
    }
    view.mode = view.masks.size() < 2 ? nv::view::kStandard
                : oneSource           ? nv::view::kClone
                                      : nv::view::kDualView;
    return view;
}

bool SimNvidiaDisplay::applyView(const View& view) {
    const std::size_t wanted = view.mode == nv::view::kStandard ? 1 : 2;
    if (view.masks.size() != wanted || (view.mode != nv::view::kStandard && view.mode != nv::view::kClone &&
                                        view.mode != nv::view::kDualView)) {
        return false;
    }
    if (wanted == 2 && view.masks[0] == view.masks[1]) {
        return false;
    }
    std::vector<std::pair<std::size_t, std::uint32_t>> arrangement;
    for (std::size_t i = 0; i < view.masks.size(); ++i) {
        Output* target = output(view.masks[i]);
        if (target == nullptr || !connected(*target)) {
            return false;
        }
        if (target->configTarget) {
            const std::uint32_t source = view.mode == nv::view::kDualView ? static_cast<std::uint32_t>(i) : 0;
            arrangement.emplace_back(*target->configTarget, source);
        }
    }
    if (m_config != nullptr) {
        if (arrangement.size() != view.masks.size()) {
            return false;
        }
        m_config->arrange(arrangement);
    } else {
        m_view = view;
    }
    return true;
}

nv::Status SimNvidiaDisplay::enumDisplayHandle(std::uint32_t index, platform::NvDisplayHandle& handle) {
    if (const nv::Status status = entry(nv::id::kEnumDisplayHandle); status != nv::kOk) {
        return status;
    }
    ++m_enumerations;
    if (index >= m_displayHandles) {
        return nv::kEndEnumeration;
    }
    handle = kFirstDisplayHandle + index;
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::physicalGpusFromDisplay(platform::NvDisplayHandle display,
                                                     platform::NvPhysicalGpuHandle* gpus,
                                                     std::uint32_t& count) {
    if (const nv::Status status = entry(nv::id::kPhysicalGpusFromDisplay); status != nv::kOk) {
        return status;
    }
    if (!validDisplay(display) || gpus == nullptr) {
        return nv::kInvalidArgument;
    }
    gpus[0] = kGpu;
    count = m_reportedGpus.value_or(1);
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::activeOutputs(platform::NvPhysicalGpuHandle gpu, std::uint32_t& mask) {
    if (const nv::Status status = entry(nv::id::kActiveOutputs); status != nv::kOk) {
        return status;
    }
    if (gpu != kGpu) {
        return nv::kInvalidHandle;
    }
    mask = m_extraBits;
    for (const std::uint32_t active : view().masks) {
        mask |= active;
    }
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::connectedOutputs(platform::NvPhysicalGpuHandle gpu, std::uint32_t& mask) {
    if (const nv::Status status = entry(nv::id::kConnectedOutputs); status != nv::kOk) {
        return status;
    }
    if (gpu != kGpu) {
        return nv::kInvalidHandle;
    }
    mask = m_extraBits;
    for (const Output& o : m_outputs) {
        mask |= connected(o) ? o.mask : 0;
    }
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::connectorInfo(platform::NvPhysicalGpuHandle gpu, std::uint32_t mask,
                                           platform::NvConnectorInfo& info) {
    if (const nv::Status status = entry(nv::id::kConnectorInfo); status != nv::kOk) {
        return status;
    }
    const Output* found = output(mask);
    if (gpu != kGpu || found == nullptr) {
        return nv::kInvalidArgument;
    }
    if (info.version != platform::kNvConnectorInfoVersion) {
        return nv::kIncompatibleStructVersion;
    }
    info.version = answered(nv::id::kConnectorInfo, info.version);
    info.outputId = mask;
    info.connectorType = found->connector;
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::edid(platform::NvPhysicalGpuHandle gpu, std::uint32_t mask,
                                  platform::NvEdid& edid) {
    if (const nv::Status status = entry(nv::id::kEdid); status != nv::kOk) {
        return status;
    }
    const Output* found = output(mask);
    if (gpu != kGpu || found == nullptr || m_edidFails || !connected(*found) || !found->edid) {
        return nv::kError;
    }
    if (edid.version != platform::kNvEdidVersion) {
        return nv::kIncompatibleStructVersion;
    }
    edid.version = answered(nv::id::kEdid, edid.version);
    std::copy(found->edid->begin(), found->edid->end(), edid.data);
    edid.size = static_cast<std::uint32_t>(found->edid->size());
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::displayDriverVersion(platform::NvDisplayHandle display,
                                                  platform::NvDisplayDriverVersion& version) {
    if (const nv::Status status = entry(nv::id::kDisplayDriverVersion); status != nv::kOk) {
        return status;
    }
    if (!validDisplay(display)) {
        return nv::kInvalidHandle;
    }
    if (version.version != platform::kNvDisplayDriverVersionVersion) {
        return nv::kIncompatibleStructVersion;
    }
    version.version = answered(nv::id::kDisplayDriverVersion, version.version);
    version.driverVersion = 34123;
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::getView(platform::NvDisplayHandle display, platform::NvViewTargetInfo& targets,
                                     std::uint32_t& viewMode) {
    if (const nv::Status status = entry(nv::id::kGetView); status != nv::kOk) {
        return status;
    }
    if (!validDisplay(display)) {
        return nv::kInvalidHandle;
    }
    if (targets.version != platform::kNvViewTargetInfoVersion) {
        return nv::kIncompatibleStructVersion;
    }
    const View current = view();
    targets.version = answered(nv::id::kGetView, targets.version);
    targets.count = 0;
    for (std::size_t i = 0; i < current.masks.size() && i < nv::kMaxViewTargets; ++i) {
        targets.target[i].deviceMask = current.masks[i];
        targets.target[i].flags = i == 0 ? platform::kNvViewTargetPrimary : 0;
        ++targets.count;
    }
    targets.count = m_reportedViewCount.value_or(targets.count);
    viewMode = current.mode;
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::setView(platform::NvDisplayHandle display,
                                     const platform::NvViewTargetInfo& targets, std::uint32_t viewMode) {
    SetViewCall call;
    call.mode = viewMode;
    for (std::uint32_t i = 0; i < targets.count && i < nv::kMaxViewTargets; ++i) {
        call.masks.push_back(targets.target[i].deviceMask);
        call.primary.push_back((targets.target[i].flags & platform::kNvViewTargetPrimary) != 0);
    }
    call.result = entry(nv::id::kSetView);
    if (call.result == nv::kOk &&
        (!validDisplay(display) || targets.version != platform::kNvViewTargetInfoVersion ||
         targets.count > nv::kMaxViewTargets)) {
        call.result = nv::kInvalidArgument;
    }
    if (call.result == nv::kOk && m_refusals > 0) {
        --m_refusals;
        call.result = nv::kError;
    }
    if (call.result == nv::kOk && !applyView(View{call.masks, viewMode})) {
        call.result = nv::kInvalidArgument;
    }
    m_setViewCalls.push_back(call);
    return call.result;
}

nv::Status SimNvidiaDisplay::supportedViews(platform::NvDisplayHandle display, std::uint32_t* modes,
                                            std::uint32_t& count) {
    if (const nv::Status status = entry(nv::id::kSupportedViews); status != nv::kOk) {
        return status;
    }
    if (!validDisplay(display) || modes == nullptr) {
        return nv::kInvalidArgument;
    }
    const std::size_t n = std::min(m_supportedViews.size(), nv::kMaxViewModes);
    std::copy(m_supportedViews.begin(), m_supportedViews.begin() + static_cast<std::ptrdiff_t>(n), modes);
    count = m_reportedViewModes.value_or(static_cast<std::uint32_t>(n));
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::logicalGpuCount(std::uint32_t& count) {
    if (const nv::Status status = entry(nv::id::kEnumLogicalGpus); status != nv::kOk) {
        return status;
    }
    count = m_logicalGpus;
    return nv::kOk;
}

nv::Status SimNvidiaDisplay::physicalGpuCount(std::uint32_t& count) {
    if (const nv::Status status = entry(nv::id::kEnumPhysicalGpus); status != nv::kOk) {
        return status;
    }
    count = m_physicalGpus;
    return nv::kOk;
}

} // namespace sim
