// EDID through the first AMD interface. Portable.
#include "display/backends/AmdFirstBackend.h"

#include "display/MonitorDevice.h"
#include "display/Panelid.h"

#include <algorithm>
#include <vector>

namespace display {

bool AmdFirstBackend::present() {
    if (!m_adl.load()) {
        return false;
    }
    m_adl.unload();
    return true;
}

std::int32_t AmdFirstBackend::readEdid(std::uint8_t* edid256, std::uint32_t /*hdmiStatus*/) {
    if (!m_adl.load()) {
        return result::kInterfaceFailed;
    }
    std::int32_t answer = result::kInterfaceFailed;
    if (m_adl.hasAllEntries() && m_adl.mainControlCreate(0) == platform::adl::kOk) {
        answer = readEdidLoaded(edid256);
        m_adl.mainControlDestroy();
    }
    m_adl.unload();
    return answer;
}

std::int32_t AmdFirstBackend::readEdidLoaded(std::uint8_t* edid256) {
    std::int32_t count = 0;
    if (m_adl.numberOfAdapters(count) != platform::adl::kOk || count < 1 || count > kMaxAmdAdapters) {
        return result::kInterfaceFailed;
    }
    std::vector<platform::AdlAdapterInfo> adapters(static_cast<std::size_t>(count));
    for (auto& adapter : adapters) {
        adapter.size = sizeof(adapter);
    }
    if (m_adl.adapterInfo(adapters.data(), count) != platform::adl::kOk) {
        return result::kInterfaceFailed;
    }
    for (const platform::AdlAdapterInfo& adapter : adapters) {
        std::int32_t active = 0;
        if (m_adl.adapterActive(adapter.adapterIndex, active) != platform::adl::kOk) {
            return result::kInterfaceFailed;
        }
        if (active == 0) {
            continue;
        }
        std::vector<platform::AdlDisplayInfo> displays;
        if (m_adl.displayInfo(adapter.adapterIndex, displays, 0) != platform::adl::kOk) {
            return result::kInterfaceFailed;
        }
        for (const platform::AdlDisplayInfo& display : displays) {
            const bool hdmi = display.displayConnector == platform::adl::kConnectorHdmiTypeA ||
                              display.displayConnector == platform::adl::kConnectorHdmiTypeB;
            if ((display.displayInfoValue & platform::adl::kDisplayConnected) == 0 || !hdmi ||
                display.displayId.displayLogicalAdapterIndex != adapter.adapterIndex) {
                continue;
            }
            platform::AdlDisplayEdidData data;
            data.size = sizeof(data);
            data.blockIndex = 0;
            if (m_adl.edidData(adapter.adapterIndex, display.displayId.displayLogicalIndex, data) !=
                platform::adl::kOk) {
                return result::kInterfaceFailed;
            }
            std::copy(std::begin(data.edidData), std::end(data.edidData), edid256);
            return (display.displayInfoValue & platform::adl::kDisplayMapped) != 0 ? result::kHdmiInUse
                                                                                   : result::kHdmiNotInUse;
        }
    }
    return result::kNoHdmiDisplay;
}

std::uint32_t AmdFirstBackend::currentValue() {
    return mdv::kLcd;
}

void AmdFirstBackend::switchTo(std::uint32_t /*target*/, std::uint32_t /*current*/) {}

} // namespace display
