// The simulated NVIDIA display interface: one GPU behind a number of display handles, with
// outputs (mask, connector type, connected, EDID) and the view of display handle 0. Bound to a
// SimDisplayConfig it is a view of the same hardware: an output names one of its targets, the
// output's connection is the target's, the view is read from the active arrangement (targets
// ordered by source, the display at (0,0) primary; one display: standard, one source: clone,
// two sources: dual view) and a view that is set arranges the targets at once.
// Faults: the library missing, entries missing, initialisation failing, an EDID read that
// fails, record versions and counts the driver gets wrong, unknown bits in the output masks,
// and refused view requests.
// Every entry called before a successful initialisation answers kNotInitialized.
// Simulation.
#pragma once

#include "platform/NvidiaDisplayInterface.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace sim {

class SimDisplayConfig;

class SimNvidiaDisplay final : public platform::NvidiaDisplayInterface {
public:
    using Edid = std::array<std::uint8_t, 256>;
    static constexpr platform::NvPhysicalGpuHandle kGpu = 0x6000;

    struct Output {
        std::uint32_t mask = 0;
        std::uint32_t connector = 0;
        bool connected = true;
        std::optional<Edid> edid;
        std::optional<std::size_t> configTarget; // index into the bound SimDisplayConfig's targets
    };
    struct View {
        std::vector<std::uint32_t> masks; // primary first
        std::uint32_t mode = platform::nv::view::kStandard;
    };
    struct SetViewCall {
        std::vector<std::uint32_t> masks;
        std::vector<bool> primary;
        std::uint32_t mode = 0;
        platform::nv::Status result = 0;
    };

    void bindTo(SimDisplayConfig& config) { m_config = &config; }
    std::vector<Output>& outputs() { return m_outputs; }
    Output* output(std::uint32_t mask);
    // The view when not bound to a display configuration.
    void setView(const View& view) { m_view = view; }
    View view() const;
    void setDisplayHandleCount(std::uint32_t count) { m_displayHandles = count; }
    void setSupportedViews(std::vector<std::uint32_t> modes) { m_supportedViews = std::move(modes); }
    void setGpuCounts(std::uint32_t logical, std::uint32_t physical) {
        m_logicalGpus = logical;
        m_physicalGpus = physical;
    }

    // Faults.
    void setPresent(bool present) { m_present = present; }
    void setInitializeResult(platform::nv::Status status) { m_initializeResult = status; }
    void removeEntry(std::uint32_t interfaceId) { m_missing.insert(interfaceId); }
    void setEdidFails(bool fails) { m_edidFails = fails; }
    // Answers with this record version instead of the caller's (0: the caller's).
    void setAnswerVersion(std::uint32_t interfaceId, std::uint32_t version) {
        m_answerVersion[interfaceId] = version;
    }
    // Reports this count of physical GPUs per display handle / view targets / view modes.
    void setReportedGpuCount(std::optional<std::uint32_t> count) { m_reportedGpus = count; }
    void setReportedViewCount(std::optional<std::uint32_t> count) { m_reportedViewCount = count; }
    void setReportedViewModeCount(std::optional<std::uint32_t> count) { m_reportedViewModes = count; }
    // Bits added to the active and connected masks.
    void setExtraMaskBits(std::uint32_t bits) { m_extraBits = bits; }
    // The next `count` view requests are refused.
    void refuseViews(int count) { m_refusals = count; }

    const std::vector<SetViewCall>& setViewCalls() const { return m_setViewCalls; }
    int displayHandleEnumerations() const { return m_enumerations; }
    // Loads minus unloads: 0 after each operation.
    int loaded() const { return m_loaded; }

    bool load() override;
    void unload() override;
    platform::nv::Status initialize() override;
    platform::nv::Status enumDisplayHandle(std::uint32_t index, platform::NvDisplayHandle& handle) override;
    platform::nv::Status physicalGpusFromDisplay(platform::NvDisplayHandle display,
                                                 platform::NvPhysicalGpuHandle* gpus,
                                                 std::uint32_t& count) override;
    platform::nv::Status activeOutputs(platform::NvPhysicalGpuHandle gpu, std::uint32_t& mask) override;
    platform::nv::Status connectedOutputs(platform::NvPhysicalGpuHandle gpu, std::uint32_t& mask) override;
    platform::nv::Status connectorInfo(platform::NvPhysicalGpuHandle gpu, std::uint32_t output,
                                       platform::NvConnectorInfo& info) override;
    platform::nv::Status edid(platform::NvPhysicalGpuHandle gpu, std::uint32_t output,
                              platform::NvEdid& edid) override;
    platform::nv::Status displayDriverVersion(platform::NvDisplayHandle display,
                                              platform::NvDisplayDriverVersion& version) override;
    platform::nv::Status getView(platform::NvDisplayHandle display, platform::NvViewTargetInfo& targets,
                                 std::uint32_t& viewMode) override;
    platform::nv::Status setView(platform::NvDisplayHandle display, const platform::NvViewTargetInfo& targets,
                                 std::uint32_t viewMode) override;
    platform::nv::Status supportedViews(platform::NvDisplayHandle display, std::uint32_t* modes,
                                        std::uint32_t& count) override;
    platform::nv::Status logicalGpuCount(std::uint32_t& count) override;
    platform::nv::Status physicalGpuCount(std::uint32_t& count) override;

private:
    // kOk when the entry may run: initialised and offered.
    platform::nv::Status entry(std::uint32_t interfaceId) const;
    bool validDisplay(platform::NvDisplayHandle display) const;
    bool connected(const Output& output) const;
    std::uint32_t answered(std::uint32_t interfaceId, std::uint32_t version) const;
    bool applyView(const View& view);

    SimDisplayConfig* m_config = nullptr;
    std::vector<Output> m_outputs;
    View m_view{{platform::nv::output::kPanel}, platform::nv::view::kStandard};
    std::uint32_t m_displayHandles = 1;
    std::vector<std::uint32_t> m_supportedViews{platform::nv::view::kStandard, platform::nv::view::kClone,
                                                platform::nv::view::kDualView};
    std::uint32_t m_logicalGpus = 1;
    std::uint32_t m_physicalGpus = 1;
    bool m_present = true;
    platform::nv::Status m_initializeResult = platform::nv::kOk;
    bool m_initialized = false;
    std::set<std::uint32_t> m_missing;
    bool m_edidFails = false;
    std::optional<std::uint32_t> m_reportedGpus;
    std::optional<std::uint32_t> m_reportedViewCount;
    std::optional<std::uint32_t> m_reportedViewModes;
    std::uint32_t m_extraBits = 0;
    int m_refusals = 0;
    std::vector<SetViewCall> m_setViewCalls;
    int m_loaded = 0;
    int m_enumerations = 0;
    std::map<std::uint32_t, std::uint32_t> m_answerVersion;
};

} // namespace sim
