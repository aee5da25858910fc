// The simulated first AMD display interface: adapters (active or not) with their displays
// (connector kind, connected and mapped bits, EDID), as the interface's entries answer them.
// Faults: the library missing, an entry missing, an EDID read that fails, a create that fails.
// Every entry called without a created context fails, as the interface does.
// Simulation.
#pragma once

#include "platform/AmdDisplayLibrary.h"

#include <array>
#include <optional>
#include <vector>

namespace sim {

class SimAmdDisplayLibrary final : public platform::AmdDisplayLibrary {
public:
    static constexpr std::int32_t kErrorFailed = -1;
    static constexpr std::int32_t kErrorNotInitialized = -2;

    struct Display {
        std::int32_t logicalIndex = 0;
        std::int32_t connector = platform::adl::kConnectorHdmiTypeA;
        bool connected = true;
        bool mapped = false;
        std::optional<std::array<std::uint8_t, 256>> edid;
    };
    struct Adapter {
        std::int32_t index = 0;
        bool active = true;
        std::vector<Display> displays;
    };

    std::vector<Adapter>& adapters() { return m_adapters; }
    void setPresent(bool present) { m_present = present; }
    void setEntriesMissing(bool missing) { m_entriesMissing = missing; }
    void setEdidFails(bool fails) { m_edidFails = fails; }
    void setCreateFails(bool fails) { m_createFails = fails; }
    // Loads minus unloads, and contexts created minus destroyed: 0 after each operation.
    int loaded() const { return m_loaded; }
    int contexts() const { return m_contexts; }
    // The EDID records the entry was called with, as they came in.
    const std::vector<platform::AdlDisplayEdidData>& edidReads() const { return m_edidReads; }

    bool load() override;
    void unload() override { --m_loaded; }
    bool hasAllEntries() override { return !m_entriesMissing; }
    std::int32_t mainControlCreate(std::int32_t enumConnectedAdapters) override;
    std::int32_t mainControlDestroy() override;
    std::int32_t numberOfAdapters(std::int32_t& count) override;
    std::int32_t adapterInfo(platform::AdlAdapterInfo* records, std::int32_t count) override;
    std::int32_t adapterActive(std::int32_t adapterIndex, std::int32_t& active) override;
    std::int32_t displayInfo(std::int32_t adapterIndex, std::vector<platform::AdlDisplayInfo>& displays,
                             std::int32_t forceDetect) override;
    std::int32_t edidData(std::int32_t adapterIndex, std::int32_t displayIndex,
                          platform::AdlDisplayEdidData& data) override;

private:
    const Adapter* find(std::int32_t index) const;

    std::vector<Adapter> m_adapters;
    bool m_present = true;
    bool m_entriesMissing = false;
    bool m_edidFails = false;
    bool m_createFails = false;
    int m_loaded = 0;
    int m_contexts = 0;
    std::vector<platform::AdlDisplayEdidData> m_edidReads;
};

} // namespace sim
