// The simulated first AMD display interface. Simulation.
#include "sim/SimAmdDisplayLibrary.h"

#include <algorithm>

namespace sim {

bool SimAmdDisplayLibrary::load() {
    if (!m_present) {
        return false;
    }
    ++m_loaded;
    return true;
}

std::int32_t SimAmdDisplayLibrary::mainControlCreate(std::int32_t /*enumConnectedAdapters*/) {
    if (m_createFails) {
        return kErrorFailed;
    }
    ++m_contexts;
    return platform::adl::kOk;
}

std::int32_t SimAmdDisplayLibrary::mainControlDestroy() {
    if (m_contexts == 0) {
        return kErrorNotInitialized;
    }
    --m_contexts;
    return platform::adl::kOk;
}

std::int32_t SimAmdDisplayLibrary::numberOfAdapters(std::int32_t& count) {
    if (m_contexts == 0) {
        return kErrorNotInitialized;
    }
    count = static_cast<std::int32_t>(m_adapters.size());
    return platform::adl::kOk;
}

std::int32_t SimAmdDisplayLibrary::adapterInfo(platform::AdlAdapterInfo* records, std::int32_t count) {
    if (m_contexts == 0) {
        return kErrorNotInitialized;
    }
    if (records == nullptr || count < static_cast<std::int32_t>(m_adapters.size())) {
        return kErrorFailed;
    }
    for (std::size_t i = 0; i < m_adapters.size(); ++i) {
        records[i].adapterIndex = m_adapters[i].index;
        records[i].present = 1;
        records[i].exist = 1;
        records[i].vendorId = 0x1002;
    }
    return platform::adl::kOk;
}

const SimAmdDisplayLibrary::Adapter* SimAmdDisplayLibrary::find(std::int32_t index) const {
    const auto found = std::find_if(m_adapters.begin(), m_adapters.end(),
                                    [index](const Adapter& a) { return a.index == index; });
    return found != m_adapters.end() ? &*found : nullptr;
}

std::int32_t SimAmdDisplayLibrary::adapterActive(std::int32_t adapterIndex, std::int32_t& active) {
    const Adapter* adapter = find(adapterIndex);
    if (m_contexts == 0 || adapter == nullptr) {
        return kErrorFailed;
    }
    active = adapter->active ? 1 : 0;
    return platform::adl::kOk;
}

std::int32_t SimAmdDisplayLibrary::displayInfo(std::int32_t adapterIndex,
                                               std::vector<platform::AdlDisplayInfo>& displays,
                                               std::int32_t /*forceDetect*/) {
    const Adapter* adapter = find(adapterIndex);
    if (m_contexts == 0 || adapter == nullptr) {
        return kErrorFailed;
    }
    displays.clear();
    for (const Display& display : adapter->displays) {
        platform::AdlDisplayInfo info;
        info.displayId.displayLogicalIndex = display.logicalIndex;
        info.displayId.displayLogicalAdapterIndex = adapterIndex;
        info.displayConnector = display.connector;
        info.displayInfoMask = platform::adl::kDisplayConnected | platform::adl::kDisplayMapped;
        info.displayInfoValue = (display.connected ? platform::adl::kDisplayConnected : 0) |
                                (display.mapped ? platform::adl::kDisplayMapped : 0);
        displays.push_back(info);
    }
    return platform::adl::kOk;
}

std::int32_t SimAmdDisplayLibrary::edidData(std::int32_t adapterIndex, std::int32_t displayIndex,
                                            platform::AdlDisplayEdidData& data) {
    m_edidReads.push_back(data);
    const Adapter* adapter = find(adapterIndex);
    if (m_contexts == 0 || adapter == nullptr || m_edidFails || data.size != sizeof(data)) {
        return kErrorFailed;
    }
    for (const Display& display : adapter->displays) {
        if (display.logicalIndex == displayIndex && display.connected && display.edid) {
            std::copy(display.edid->begin(), display.edid->end(), data.edidData);
            data.edidSize = static_cast<std::int32_t>(display.edid->size());
            return platform::adl::kOk;
        }
    }
    return kErrorFailed;
}

} // namespace sim
