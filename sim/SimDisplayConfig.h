// The simulated display hardware as the Windows display configuration shows it: adapters with
// their targets (internal panel, HDMI TV, DVI, DisplayPort, CRT; connected or not), a number of
// sources per adapter and the active arrangement, behind platform::DisplayConfig with the
// documented behaviour of the Win32 calls:
//   - GetDisplayConfigBufferSizes / QueryDisplayConfig take exactly one of the all-paths,
//     active-paths and current-database flags; the topology argument is required with the
//     current-database flag and refused otherwise (ERROR_INVALID_PARAMETER). Arrays that are too
//     small give ERROR_INSUFFICIENT_BUFFER.
//   - All paths: the active paths first, then one inactive path per target and source of its
//     adapter, with invalid mode indexes. Active paths refer to one source mode per source and
//     one target mode per target.
//   - SetDisplayConfig: with a supplied topology no modes may be given; every path must be
//     active, on a known, connected target with a source of its adapter, each target once;
//     otherwise ERROR_BAD_CONFIGURATION (ERROR_INVALID_PARAMETER for argument errors); the
//     output technology of a supplied path is informational and not checked. Applying
//     lays the sources out from source 0 at (0,0) to the right, or at the positions of supplied
//     source modes.
//   - DisplayConfigGetDeviceInfo source names "\\.\DISPLAYn", numbered over all adapters'
//     sources; the kernel adapter queries answer each adapter's driver model.
// Faults: ERROR_INSUFFICIENT_BUFFER answers, a refused validation (without or even with the
// allow-changes flag), a display connected between the size query and the query, the
// functions missing, a driver that reports HDMI as DVI, a driver that cannot go from one
// extended arrangement directly to another of other displays (validation and apply refused).
// Simulation.
#pragma once

#include "platform/DisplayConfig.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace sim {

class SimDisplayConfig final : public platform::DisplayConfig {
public:
    static constexpr std::int32_t kErrorBadConfiguration = 1610;
    static constexpr std::int32_t kErrorGenFailure = 31;
    static constexpr platform::NtStatus kStatusInvalidParameter = static_cast<platform::NtStatus>(0xC000000D);

    struct Target {
        std::uint32_t adapter = 0; // index of the adapter
        std::uint32_t id = 0;
        std::int32_t technology = platform::dc::tech::kInternal;
        bool connected = true;
        std::uint32_t width = 1920;
        std::uint32_t height = 1080;
        std::int32_t reportedTechnology = 0; // what the driver says; set by addTarget
    };
    struct ActiveDisplay {
        std::size_t target = 0; // index into targets()
        std::uint32_t source = 0;
        std::int32_t x = 0;
        std::int32_t y = 0;
        std::uint32_t width = 0;
        std::uint32_t height = 0;
    };
    struct SetCall {
        std::uint32_t flags = 0;
        std::vector<platform::DisplayConfigPathInfo> paths;
        std::uint32_t modeCount = 0;
        std::int32_t result = 0;
    };

    SimDisplayConfig();

    // Hardware. Adapter n has the identifier {0x1000 + n, 0}.
    void setAdapterCount(std::uint32_t adapters) { m_adapters = adapters; }
    void setSourcesPerAdapter(std::uint32_t sources) { m_sources = sources; }
    void setDriverModel(std::uint32_t adapter, std::uint32_t model);
    std::size_t addTarget(std::uint32_t adapter, std::uint32_t id, std::int32_t technology,
                          bool connected = true);
    void setConnected(std::size_t target, bool connected);
    // The driver reports this target's technology as `technology` (HDMI as DVI).
    void setReportedTechnology(std::size_t target, std::int32_t technology);
    static platform::Luid adapterLuid(std::uint32_t adapter);

    // The arrangement: the targets with their sources, laid out from (0,0) to the right.
    void arrange(const std::vector<std::pair<std::size_t, std::uint32_t>>& targetsAndSources);
    void setActive(const std::vector<ActiveDisplay>& active) { m_active = active; }
    const std::vector<ActiveDisplay>& active() const { return m_active; }
    const std::vector<Target>& targets() const { return m_targets; }

    // Faults.
    void setAvailable(bool available) { m_available = available; }
    void failQueriesWithInsufficientBuffer(int count) { m_insufficientBufferAnswers = count; }
    // Validation without the allow-changes flag is refused; `always`: also with it.
    void refuseValidation(bool strict, bool always = false) {
        m_refuseStrict = strict;
        m_refuseAlways = always;
    }
    void refuseExtendedToExtended(bool refuse) { m_refuseExtendedToExtended = refuse; }
    // Runs once, between the next size query and the query that follows it.
    void onNextQuery(std::function<void()> change) { m_beforeNextQuery = std::move(change); }
    // A driver that answers wrongly: `sizes` may change the counts every size query reports;
    // `answers` may change the records (within the caller's arrays, whose capacities it is
    // given) and the counts of every successful query.
    using SizeSpoiler = std::function<void(std::uint32_t& pathCount, std::uint32_t& modeCount)>;
    using AnswerSpoiler = std::function<void(
        platform::DisplayConfigPathInfo* paths, std::uint32_t pathCapacity, std::uint32_t& pathCount,
        platform::DisplayConfigModeInfo* modes, std::uint32_t modeCapacity, std::uint32_t& modeCount)>;
    void spoilAnswers(SizeSpoiler sizes, AnswerSpoiler answers) {
        m_spoilSizes = std::move(sizes);
        m_spoilAnswers = std::move(answers);
    }

    const std::vector<SetCall>& setCalls() const { return m_setCalls; }
    int queryCount() const { return m_queries; }

    // platform::DisplayConfig
    bool available() override { return m_available; }
    std::int32_t getBufferSizes(std::uint32_t flags, std::uint32_t& pathCount,
                                std::uint32_t& modeCount) override;
    std::int32_t query(std::uint32_t flags, std::uint32_t& pathCount, platform::DisplayConfigPathInfo* paths,
                       std::uint32_t& modeCount, platform::DisplayConfigModeInfo* modes,
                       std::uint32_t* topologyId) override;
    std::int32_t set(std::uint32_t pathCount, const platform::DisplayConfigPathInfo* paths,
                     std::uint32_t modeCount, const platform::DisplayConfigModeInfo* modes,
                     std::uint32_t flags) override;
    std::int32_t getSourceName(platform::DisplayConfigSourceDeviceName& request) override;
    platform::NtStatus openAdapterFromGdiDisplayName(const char16_t* gdiName,
                                                     platform::KernelAdapterHandle& adapter) override;
    platform::NtStatus queryDriverVersion(platform::KernelAdapterHandle adapter,
                                          std::uint32_t& version) override;
    platform::NtStatus closeAdapter(platform::KernelAdapterHandle adapter) override;

private:
    void build(std::uint32_t flags, std::vector<platform::DisplayConfigPathInfo>& paths,
               std::vector<platform::DisplayConfigModeInfo>& modes) const;
    std::int32_t validate(std::uint32_t pathCount, const platform::DisplayConfigPathInfo* paths,
                          std::uint32_t modeCount, const platform::DisplayConfigModeInfo* modes,
                          std::uint32_t flags, std::vector<ActiveDisplay>& result) const;
    std::u16string gdiName(std::uint32_t adapter, std::uint32_t source) const;
    static bool extendedToOtherExtended(const std::vector<ActiveDisplay>& from,
                                        const std::vector<ActiveDisplay>& to);

    std::uint32_t m_adapters = 1;
    std::uint32_t m_sources = 2;
    std::vector<std::uint32_t> m_driverModels;
    std::vector<Target> m_targets;
    std::vector<ActiveDisplay> m_active;
    bool m_available = true;
    int m_insufficientBufferAnswers = 0;
    bool m_refuseStrict = false;
    bool m_refuseAlways = false;
    bool m_refuseExtendedToExtended = false;
    std::function<void()> m_beforeNextQuery;
    SizeSpoiler m_spoilSizes;
    AnswerSpoiler m_spoilAnswers;
    bool m_sizeQueried = false;
    std::vector<SetCall> m_setCalls;
    int m_queries = 0;
};

} // namespace sim
