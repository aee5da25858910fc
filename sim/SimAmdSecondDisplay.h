// The simulated second AMD display interface: a view of the same hardware as the simulated
// Windows display configuration. Each display of the interface (type, connector kind) stands
// for a target of the SimDisplayConfig (or for none: a display the machine has no target
// for); it is connected when its target is, and the controllers' configuration is the active
// arrangement (controller 0 shows the primary desktop's displays, controller 1 the other's).
// ATIDL_SetConfigurationEx arranges the SimDisplayConfig at once: single on source 0, clone on source 0,
// extended with the first display on source 0 (the primary) and the second on source 1. The driver is either
// old (its extended mode is 1) or new (5); it refuses the other one. Faults: the library or an entry missing,
// EDID reads that fail, configuration reads that fail, device-configuration records of the wrong size, an
// enumeration that never ends, configuration words naming displays that do not exist, a refused switch.
// Simulation.
#pragma once

#include "platform/AmdSecondDisplayInterface.h"
#include "platform/FileVersion.h"
#include "sim/SimDisplayConfig.h"

#include <array>
#include <optional>
#include <vector>

namespace sim {

class SimAmdSecondDisplay final : public platform::AmdSecondDisplayInterface {
public:
    static constexpr std::int32_t kFailed = 1;
    using Edid = std::array<std::uint8_t, 256>;

    struct Display {
        std::uint32_t type = platform::atipdl::kTypePanel;
        std::uint32_t connectorKind = 0;
        std::optional<std::size_t> target; // index into SimDisplayConfig::targets()
        std::optional<Edid> edid;
    };

    explicit SimAmdSecondDisplay(SimDisplayConfig& config) : m_config(config) {}

    std::vector<Display>& displays() { return m_displays; }
    // The adapter whose displays these are: 0, or 1 (GetCapabilities(0) then answers nonzero).
    void setAdapter(std::int32_t adapter) { m_adapter = adapter; }
    void setOldDriver(bool old) { m_oldDriver = old; }

    // Faults.
    void setPresent(bool present) { m_present = present; }
    void setEntriesMissing(bool missing) { m_entriesMissing = missing; }
    void setEdidFails(bool fails) { m_edidFails = fails; }
    void setConfigurationFails(bool fails) { m_configurationFails = fails; }
    void setDeviceConfigSize(std::uint32_t size) { m_deviceConfigSize = size; }
    void setEnumerationEndless(bool endless) { m_endless = endless; }
    void setPhantomConfigurationBits(std::uint32_t bits) { m_phantomBits = bits; }
    void setRefusesSwitches(bool refuses) { m_refusesSwitches = refuses; }

    // What was asked: every configuration record and every EDID block number.
    const std::vector<platform::AtipdlConfigurationEx>& configurations() const { return m_configurations; }
    const std::vector<std::uint32_t>& edidBlocks() const { return m_edidBlocks; }
    // Loads minus unloads: 0 after each operation.
    int loaded() const { return m_loaded; }

    bool load() override;
    void unload() override { --m_loaded; }
    bool hasAllEntries() override { return !m_entriesMissing; }
    std::int32_t enumDisplays(std::int32_t adapter, std::int32_t index,
                              platform::AtipdlDisplayRecord& record) override;
    std::int32_t displayGetDeviceConfig(std::int32_t adapter, std::int32_t display,
                                        platform::AtipdlDeviceConfig& config) override;
    std::int32_t getConnectedDisplays(std::int32_t adapter, std::int32_t controller,
                                      std::uint32_t& mask) override;
    std::int32_t getConfiguration(std::int32_t adapter, std::int32_t controller,
                                  platform::AtipdlControllerConfig& config) override;
    std::int32_t getCapabilities(std::int32_t adapter) override;
    std::int32_t displayGetEdidData(std::int32_t adapter, std::int32_t display,
                                    platform::AtipdlEdidRequest& request) override;
    std::int32_t setConfigurationEx(std::int32_t adapter,
                                    const platform::AtipdlConfigurationEx& config) override;

private:
    const Display* find(std::int32_t adapter, std::int32_t index) const;
    bool connected(const Display& display) const;
    // The connected display's target for a single-bit mask.
    std::optional<std::size_t> targetOfBit(std::uint32_t bit) const;

    SimDisplayConfig& m_config;
    std::vector<Display> m_displays;
    std::int32_t m_adapter = 0;
    bool m_oldDriver = false;
    bool m_present = true;
    bool m_entriesMissing = false;
    bool m_edidFails = false;
    bool m_configurationFails = false;
    std::uint32_t m_deviceConfigSize = sizeof(platform::AtipdlDeviceConfig);
    bool m_endless = false;
    std::uint32_t m_phantomBits = 0;
    bool m_refusesSwitches = false;
    std::vector<platform::AtipdlConfigurationEx> m_configurations;
    std::vector<std::uint32_t> m_edidBlocks;
    int m_loaded = 0;
};

// The simulated file-version facility: files with their versions under a system directory.
class SimFileVersion final : public platform::FileVersion {
public:
    void setSystemDirectory(std::optional<std::string> directory) {
        m_systemDirectory = std::move(directory);
    }
    // A file's version; nullopt: the file exists without a readable version.
    void addFile(const std::string& path, std::optional<platform::FileVersionNumber> version) {
        m_files.push_back({path, version});
    }
    void clear() { m_files.clear(); }

    std::optional<std::string> systemDirectory() override { return m_systemDirectory; }
    std::optional<platform::FileVersionNumber> fileVersion(const std::string& path) override;

private:
    struct File {
        std::string path;
        std::optional<platform::FileVersionNumber> version;
    };
    std::optional<std::string> m_systemDirectory{"C:\\Windows\\system32"};
    std::vector<File> m_files;
};

} // namespace sim
