// Display-configuration answers that a driver gets wrong: counts beyond the arrays, mode
// indexes past the modes or naming records of the other type, unknown output technologies.
// The library reads none of it past its arrays and answers as for an unreadable arrangement.
#include "PanelidFixture.h"

namespace {

using namespace displaytest;

// Passes the calls to the simulated configuration and then spoils its answers.
class SpoilingConfig final : public platform::DisplayConfig {
public:
    explicit SpoilingConfig(sim::SimDisplayConfig& inner) : m_inner(inner) {}
    enum class Fault {
        None,
        CountsTooHigh,
        ModeIndexPastEnd,
        ModeIndexWrongType,
        UnknownTechnology,
        ZeroModes,
        SizesBeyondAnyMachine,
    };
    Fault fault = Fault::None;

    bool available() override { return m_inner.available(); }
    std::int32_t getBufferSizes(std::uint32_t flags, std::uint32_t& paths, std::uint32_t& modes) override {
        const std::int32_t result = m_inner.getBufferSizes(flags, paths, modes);
        if (fault == Fault::ZeroModes) {
            modes = 0;
        }
        if (fault == Fault::SizesBeyondAnyMachine) { // arrays of hundreds of gigabytes
            paths = 0xFFFFFFFF;
            modes = 0xFFFFFFFF;
        }
        return result;
    }
    std::int32_t query(std::uint32_t flags, std::uint32_t& pathCount, platform::DisplayConfigPathInfo* paths,
                       std::uint32_t& modeCount, platform::DisplayConfigModeInfo* modes,
                       std::uint32_t* topology) override {
        const std::uint32_t pathCapacity = pathCount;
        const std::int32_t result = m_inner.query(flags, pathCount, paths, modeCount, modes, topology);
        if (result != 0) {
            return result;
        }
        for (std::uint32_t p = 0; p < pathCount && p < pathCapacity; ++p) {
            switch (fault) {
            case Fault::ModeIndexPastEnd:
                paths[p].sourceInfo.modeInfoIdx = modeCount + 7;
                paths[p].targetInfo.modeInfoIdx = 0xFFFFFFF0;
                break;
            case Fault::ModeIndexWrongType:
                std::swap(paths[p].sourceInfo.modeInfoIdx, paths[p].targetInfo.modeInfoIdx);
                break;
            case Fault::UnknownTechnology:
                paths[p].targetInfo.outputTechnology = 0x7777;
                break;
            default:
                break;
            }
        }
        if (fault == Fault::CountsTooHigh) {
            pathCount += 1000;
            modeCount += 1000;
        }
        return result;
    }
    std::int32_t set(std::uint32_t pathCount, const platform::DisplayConfigPathInfo* paths,
                     std::uint32_t modeCount, const platform::DisplayConfigModeInfo* modes,
                     std::uint32_t flags) override {
        return m_inner.set(pathCount, paths, modeCount, modes, flags);
    }
    std::int32_t getSourceName(platform::DisplayConfigSourceDeviceName& request) override {
        const std::int32_t result = m_inner.getSourceName(request);
        // A name without its terminator.
        std::fill(std::begin(request.viewGdiDeviceName), std::end(request.viewGdiDeviceName), u'X');
        return result;
    }
    platform::NtStatus openAdapterFromGdiDisplayName(const char16_t* name,
                                                     platform::KernelAdapterHandle& a) override {
        return m_inner.openAdapterFromGdiDisplayName(name, a);
    }
    platform::NtStatus queryDriverVersion(platform::KernelAdapterHandle a, std::uint32_t& version) override {
        return m_inner.queryDriverVersion(a, version);
    }
    platform::NtStatus closeAdapter(platform::KernelAdapterHandle a) override {
        return m_inner.closeAdapter(a);
    }

private:
    sim::SimDisplayConfig& m_inner;
};

class DriverAnswersTest : public PanelidTest {
protected:
    display::Panelid spoiled() {
        return display::Panelid(
            display::PanelidPorts{devices, os, spoiling, settings, registry, clock, firmware},
            display::VendorBackends{});
    }
    SpoilingConfig spoiling{config};
};

TEST_F(DriverAnswersTest, WrongCountsIndexesAndTechnologiesAreNeverReadPast) {
    using F = SpoilingConfig::Fault;
    const struct {
        F fault;
        std::uint32_t extendedValue; // what LCD primary with HDMI reads as
    } rows[] = {
        {F::None, 0x2000000},
        {F::CountsTooHigh, 0x2000000}, // the counts are not believed beyond the arrays
        {F::ModeIndexPastEnd, 0x1},    // no source mode at the origin: not readable
        {F::ModeIndexWrongType, 0x1},
        {F::UnknownTechnology, 0x1},     // the primary has no class
        {F::ZeroModes, 0x1},             // nothing to read
        {F::SizesBeyondAnyMachine, 0x1}, // refused, not allocated
    };
    for (const auto& row : rows) {
        spoiling.fault = row.fault;
        config.arrange({{lcd, 0}, {hdmi, 1}});
        EXPECT_EQ(spoiled().getMonitorDevice(), static_cast<std::int32_t>(row.extendedValue))
            << static_cast<int>(row.fault);
        EXPECT_EQ(spoiled().setMonitorDevice(0x4000000), 0);
        EXPECT_EQ(spoiled().setMonitorDevice(0x80000000), 0);
    }
}

} // namespace
