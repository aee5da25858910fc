// The simulated Intel graphics driver's COM object. Simulation.
#include "sim/SimIntelDisplay.h"

#include <algorithm>
#include <string_view>

namespace sim {
namespace {

namespace igfx = platform::igfx;
namespace tech = platform::dc::tech;

enum class Display { First, Second, Unknown };

Display displayOf(const char16_t* name) {
    if (name == nullptr) {
        return Display::Unknown;
    }
    const std::u16string_view view(name);
    return view == igfx::kDisplay1   ? Display::First
           : view == igfx::kDisplay2 ? Display::Second
                                     : Display::Unknown;
}

// The record's display name, when it is terminated within its 40 characters.
Display displayOf(const platform::IntelConfigRecord& record) {
    const auto end = std::find(std::begin(record.display), std::end(record.display), u'\0');
    if (end == std::end(record.display)) {
        return Display::Unknown;
    }
    return displayOf(record.display);
}

} // namespace

void SimIntelDisplay::setEdid(std::size_t target, std::optional<Edid> edid) {
    if (edid) {
        m_edids[target] = *edid;
    } else {
        m_edids.erase(target);
    }
}

void SimIntelDisplay::setInterfaceMissing(platform::IntelInterface which, bool missing) {
    (which == platform::IntelInterface::PresenceTest ? m_presenceMissing : m_edidMissing) = missing;
}

void SimIntelDisplay::setEnumerationFails(const char16_t* display, bool fails) {
    (displayOf(display) == Display::First ? m_display1Fails : m_display2Fails) = fails;
}

bool SimIntelDisplay::comInitialize() {
    if (m_comFails) {
        return false;
    }
    ++m_com;
    return true;
}

bool SimIntelDisplay::create(platform::IntelInterface which) {
    const bool missing = which == platform::IntelInterface::PresenceTest ? m_presenceMissing : m_edidMissing;
    if (m_com <= 0 || !m_registered || missing || m_created) {
        return false; // CO_E_NOTINITIALIZED, REGDB_E_CLASSNOTREG, E_NOINTERFACE
    }
    m_created = which;
    ++m_objects;
    return true;
}

void SimIntelDisplay::release() {
    if (m_created) {
        m_created.reset();
        --m_objects;
    }
}

std::vector<std::size_t> SimIntelDisplay::deviceTargets() const {
    std::vector<std::size_t> targets;
    for (std::size_t i = 0; i < m_config.targets().size(); ++i) {
        if (m_config.targets()[i].adapter == 0) {
            targets.push_back(i);
        }
    }
    return targets;
}

std::optional<std::size_t> SimIntelDisplay::targetOf(std::uint32_t id) const {
    for (std::size_t target : deviceTargets()) {
        if (m_config.targets()[target].id == id) {
            return target;
        }
    }
    return std::nullopt;
}

std::uint32_t SimIntelDisplay::typeOf(std::size_t target) const {
    if (const auto reported = m_reportedTypes.find(target); reported != m_reportedTypes.end()) {
        return reported->second;
    }
    switch (m_config.targets()[target].technology) {
    case tech::kHd15:
        return igfx::kTypeCrt;
    case tech::kInternal:
    case tech::kLvds:
        return igfx::kTypeLcd;
    case tech::kDvi:
        return igfx::kTypeDigital;
    case tech::kHdmi:
        return igfx::kTypeHdmi;
    case tech::kDisplayPortExternal:
    case tech::kDisplayPortEmbedded:
        return igfx::kTypeSecondDigital;
    default:
        return igfx::kTypeTv;
    }
}

std::uint32_t SimIntelDisplay::statusOf(std::size_t target) const {
    std::uint32_t status = m_config.targets()[target].connected ? igfx::kStatusAttached : 0;
    for (const SimDisplayConfig::ActiveDisplay& active : m_config.active()) {
        if (active.target == target) {
            status |= igfx::kStatusInUse |
                      (active.source == 0 ? igfx::kStatusOnFirstDisplay : igfx::kStatusOnSecondDisplay);
        }
    }
    return status;
}

bool SimIntelDisplay::enumAttachableDevices(const char16_t* display, std::uint32_t index,
                                            platform::IntelDevice& device) {
    const Display which = displayOf(display);
    if (!m_created || which == Display::Unknown || (which == Display::First && m_display1Fails) ||
        (which == Display::Second && m_display2Fails)) {
        return false;
    }
    const std::vector<std::size_t> targets = deviceTargets();
    if (index >= targets.size()) {
        if (!m_endless) {
            return false;
        }
        device = platform::IntelDevice{0x9000 + index, igfx::kTypeTv, 0};
        return true;
    }
    const std::size_t target = targets[index];
    device = platform::IntelDevice{m_config.targets()[target].id, typeOf(target), statusOf(target)};
    return true;
}

bool SimIntelDisplay::getDeviceData(const platform::Guid& dataId, platform::IntelEdidRequest& request,
                                    std::uint32_t& status) {
    m_edidReads.push_back(request);
    if (m_created != platform::IntelInterface::Edid || !(dataId == igfx::kEdidData) || m_edidFails) {
        return false;
    }
    const std::optional<std::size_t> target = targetOf(request.deviceId);
    const auto edid = target ? m_edids.find(*target) : m_edids.end();
    if (edid == m_edids.end() || !m_config.targets()[*target].connected || request.block > 1) {
        status = kRefused;
        return true;
    }
    std::copy_n(edid->second.begin() + request.block * igfx::kEdidBlockSize, igfx::kEdidBlockSize,
                request.data);
    status = m_edidStatus;
    return true;
}

bool SimIntelDisplay::setConfiguration(const platform::Guid& dataId,
                                       const platform::IntelConfigRecord& record, std::uint32_t& status) {
    m_records.push_back(record);
    if (m_created != platform::IntelInterface::PresenceTest || !(dataId == igfx::kConfigurationData)) {
        return false;
    }
    status = kRefused;
    const Display display = displayOf(record);
    const auto usable = [this](std::uint32_t id) {
        const std::optional<std::size_t> target = targetOf(id);
        return target && m_config.targets()[*target].connected ? target : std::nullopt;
    };
    const std::optional<std::size_t> device = usable(record.device);
    if (record.size != sizeof(record) || record.one != 1 || !device) {
        return true;
    }
    if (display == Display::First && record.mode == igfx::kModeSingle && record.secondDevice == 0) {
        m_config.arrange({{*device, 0}});
    } else if (display == Display::First && record.mode == igfx::kModeClone) {
        const std::optional<std::size_t> first = usable(record.secondDevice);
        if (!first || *first == *device) {
            return true;
        }
        m_config.arrange({{*first, 0}, {*device, 0}});
    } else if (display == Display::Second && record.mode == igfx::kModeSingle && record.secondDevice == 0) {
        std::vector<std::pair<std::size_t, std::uint32_t>> arrangement;
        for (const SimDisplayConfig::ActiveDisplay& active : m_config.active()) {
            if (active.source == 0 && active.target != *device) {
                arrangement.emplace_back(active.target, 0);
            }
        }
        if (arrangement.empty()) {
            return true; // the first display must show something
        }
        arrangement.emplace_back(*device, 1);
        m_config.arrange(arrangement);
    } else {
        return true;
    }
    status = 0;
    return true;
}

} // namespace sim
