// The Windows display-configuration back-end through the library's operations, against the
// simulated display configuration.
#include "PanelidFixture.h"

#include "display/BlockingDevice.h"
#include "display/DisplayConfigSnapshot.h"

namespace {

using namespace displaytest;
using Arrangement = std::vector<std::pair<int, std::uint32_t>>; // display (fixture order), source

class DisplayConfigBackendTest : public PanelidTest {
protected:
    std::size_t byIndex(int index) const {
        const std::size_t all[] = {lcd, hdmi, dvi, dp, crtA, crtB};
        return all[index];
    }
    void connectAll() {
        for (std::size_t target : {dvi, dp, crtA, crtB}) {
            config.setConnected(target, true);
        }
    }
    void arrange(const Arrangement& arrangement) {
        std::vector<std::pair<std::size_t, std::uint32_t>> targets;
        for (const auto& [display, source] : arrangement) {
            targets.emplace_back(byIndex(display), source);
        }
        config.arrange(targets);
    }
};
enum { LCD, HDMI, DVI, DP, CRT_A, CRT_B };

TEST_F(DisplayConfigBackendTest, TheCurrentValueFollowsTheActivePaths) {
    const struct {
        Arrangement arrangement;
        std::uint32_t expected;
    } rows[] = {
        {{{LCD, 0}}, 0x1},
        {{{HDMI, 0}}, 0x100},
        {{{DVI, 0}}, 0x10},
        {{{DP, 0}}, 0x10}, // the DisplayPort marker never leaves the library
        {{{CRT_A, 0}}, 0x4},
        {{{LCD, 0}, {HDMI, 0}}, 0x80},
        {{{LCD, 0}, {CRT_A, 0}}, 0x2},
        {{{LCD, 0}, {DVI, 0}}, 0x8},
        {{{LCD, 0}, {DP, 0}}, 0x8},
        {{{DP, 0}, {HDMI, 0}}, 0x200},
        {{{CRT_A, 0}, {HDMI, 0}}, 0x800},
        {{{CRT_A, 0}, {CRT_B, 0}}, 0x40},
        {{{LCD, 0}, {HDMI, 1}}, 0x2000000},
        {{{HDMI, 0}, {LCD, 1}}, 0x4000000},
        {{{LCD, 0}, {CRT_A, 1}}, 0x20000},
        {{{CRT_A, 0}, {LCD, 1}}, 0x40000},
        {{{LCD, 0}, {DVI, 1}}, 0x80000},
        {{{DVI, 0}, {LCD, 1}}, 0x100000},
        {{{DVI, 0}, {CRT_A, 1}}, 0x200000},
        {{{CRT_A, 0}, {DVI, 1}}, 0x400000},
        {{{DP, 0}, {HDMI, 1}}, 0x8000000},
        {{{HDMI, 0}, {DP, 1}}, 0x10000000},
        {{{HDMI, 0}, {CRT_A, 1}}, 0x20000000},
        {{{CRT_A, 0}, {HDMI, 1}}, 0x40000000},
        {{{CRT_B, 0}, {CRT_A, 1}}, 0x800000},  // higher target identifier primary
        {{{CRT_A, 0}, {CRT_B, 1}}, 0x1000000}, // lower one primary
    };
    connectAll();
    for (const auto& row : rows) {
        arrange(row.arrangement);
        EXPECT_EQ(current(), row.expected) << std::hex << row.expected;
    }
}

TEST_F(DisplayConfigBackendTest, SwitchingReachesTheArrangementOfTheTarget) {
    const struct {
        Arrangement from;
        std::uint32_t target;
        std::uint32_t expected;
    } rows[] = {
        {{{LCD, 0}}, 0x80, 0x80},
        {{{LCD, 0}}, 0x100, 0x100},
        {{{LCD, 0}}, 0x2000000, 0x2000000},
        {{{LCD, 0}}, 0x4000000, 0x4000000},
        {{{HDMI, 0}}, 0x1, 0x1},
        {{{LCD, 0}, {HDMI, 1}}, 0x2, 0x2},
        {{{LCD, 0}}, 0x20000, 0x20000},
        {{{LCD, 0}}, 0x40000000, 0x40000000},
        {{{LCD, 0}}, 0x8, 0x8},               // the DVI-class display is the DisplayPort one first
        {{{LCD, 0}}, 0x200, 0x200},           // DisplayPort + HDMI clone
        {{{LCD, 0}}, 0x10000000, 0x10000000}, // HDMI primary with DisplayPort
        {{{LCD, 0}}, 0x800000, 0x800000},
        {{{LCD, 0}}, 0x1000000, 0x1000000},
        {{{HDMI, 0}, {LCD, 1}}, 0x80000000, 0x2000000}, // swap by laying the desktops out again
        {{{LCD, 0}, {HDMI, 1}}, 0x80000000, 0x4000000}, // swap by a full switch
        {{{LCD, 0}, {HDMI, 0}}, 0x80000000, 0x80},      // no mirror: nothing to swap
    };
    connectAll();
    for (const auto& row : rows) {
        arrange(row.from);
        EXPECT_EQ(set(row.target), 0);
        EXPECT_EQ(current(), row.expected) << std::hex << row.target;
    }
}

TEST_F(DisplayConfigBackendTest, TheSwitchValidatesWithTheSuppliedTopologyThenAllowsChanges) {
    set(0x80);
    ASSERT_EQ(config.setCalls().size(), 2u);
    EXPECT_EQ(config.setCalls()[0].flags, 0x50u);
    EXPECT_EQ(config.setCalls()[1].flags, 0x90u);
    for (const auto& path : config.setCalls()[1].paths) {
        EXPECT_EQ(path.flags, 1u);
        EXPECT_EQ(path.sourceInfo.modeInfoIdx, 0xFFFFFFFFu);
        EXPECT_EQ(path.targetInfo.modeInfoIdx, 0xFFFFFFFFu);
        EXPECT_EQ(path.sourceInfo.id, 0u);
    }

    config.arrange({{lcd, 0}});
    config.refuseValidation(true);
    const auto before = config.setCalls().size();
    set(0x2000000);
    ASSERT_EQ(config.setCalls().size(), before + 3);
    EXPECT_EQ(config.setCalls()[before].flags, 0x50u);
    EXPECT_EQ(config.setCalls()[before + 1].flags, 0x460u);
    EXPECT_EQ(config.setCalls()[before + 2].flags, 0x6A0u);
    EXPECT_EQ(current(), 0x2000000u);

    config.refuseValidation(true, true);
    EXPECT_EQ(set(0x1), 0); // refused: still handled, nothing changes
    EXPECT_EQ(current(), 0x2000000u);
}

TEST_F(DisplayConfigBackendTest, UnavailableDisplaysAndUndecodableTargetsChangeNothing) {
    config.setConnected(hdmi, false);
    for (std::uint32_t target : {0x2000000u, 0x80u, 0x100u, 0x3u, 0x8000u, 0u}) {
        EXPECT_EQ(set(target), 0);
    }
    EXPECT_TRUE(config.setCalls().empty());
    EXPECT_EQ(current(), 0x1u);
}

TEST_F(DisplayConfigBackendTest, ABufferTooSmallIsRetriedAfterAPauseABoundedNumberOfTimes) {
    config.arrange({{lcd, 0}, {hdmi, 0}});
    config.failQueriesWithInsufficientBuffer(3);
    const auto start = clock.now();
    EXPECT_EQ(current(), 0x80u);
    EXPECT_GE(clock.now() - start, 3000u);

    config.failQueriesWithInsufficientBuffer(1000);
    const auto queries = config.queryCount();
    EXPECT_EQ(current(), 0x1u); // unreadable
    EXPECT_LE(config.queryCount() - queries, 2 * display::kMaxDisplayConfigAttempts);
}

TEST_F(DisplayConfigBackendTest, AConfigurationThatGrowsBetweenTheSizeQueryAndTheQueryIsReadAgain) {
    config.arrange({{lcd, 0}});
    config.onNextQuery([this] { config.arrange({{lcd, 0}, {hdmi, 1}}); });
    const std::uint32_t value = current();
    EXPECT_EQ(value, 0x2000000u);
    EXPECT_GE(clock.now(), 1000u);
}

TEST_F(DisplayConfigBackendTest, TheVersionTestComparesMajorAndMinorTogether) {
    config.arrange({{hdmi, 0}});
    const struct {
        std::uint32_t major, minor;
        bool usable;
    } rows[] = {{6, 1, true}, {6, 2, true}, {6, 3, true}, {10, 0, true}, {6, 0, false}, {5, 1, false}};
    for (const auto& row : rows) {
        os.set(row.major, row.minor);
        // Without the display configuration and without vendors nothing is usable.
        EXPECT_EQ(library().getMonitorDevice(), row.usable ? 0x100 : -1) << row.major << "." << row.minor;
    }
    os.set(10, 0);
    config.setAvailable(false);
    EXPECT_EQ(library().getMonitorDevice(), -1);
}

TEST_F(DisplayConfigBackendTest, ABlockingDeviceStopsAllThreeOperations) {
    devices.addDevice(
        platform::Guid{0x4D36E968, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}});
    devices.addDevice(display::kBlockingDeviceClass);
    intel.isPresent = true;
    std::uint8_t edid[256] = {};
    EXPECT_EQ(library().getPanelid(edid), -1);
    EXPECT_EQ(library().getMonitorDevice(), -1);
    EXPECT_EQ(library().setMonitorDevice(0x80), -1);
    EXPECT_TRUE(config.setCalls().empty());
    EXPECT_EQ(intel.edidReads, 0);
    EXPECT_EQ(devices.openLists(), 0);

    // An enumeration that fails before reaching the device counts as no such device.
    devices.failAt(1, platform::error::kInvalidData);
    EXPECT_EQ(library().getMonitorDevice(), 0x1);
    devices.setListUnavailable(true);
    EXPECT_EQ(library().getMonitorDevice(), 0x1);
}

// A driver that reports the HDMI TV as DVI: AMD on any driver model, NVIDIA on driver model 1000.
TEST_F(DisplayConfigBackendTest, AnHdmiDisplayReportedAsDviIsTreatedAsHdmiWhileTheFirmwareSeesHdmi) {
    config.setReportedTechnology(hdmi, tech::kDvi);
    config.arrange({{lcd, 0}, {hdmi, 0}});
    const struct {
        bool amd, nvidia;
        std::uint32_t model;
        bool firmwareHdmi;
        std::uint32_t expected;
    } rows[] = {
        {true, false, 1105, true, 0x80}, {true, false, 0, true, 0x80},    {false, true, 1000, true, 0x80},
        {false, true, 1105, true, 0x8},  {true, false, 1105, false, 0x8}, {false, false, 1000, true, 0x8},
    };
    for (const auto& row : rows) {
        amdSecond.isPresent = row.amd;
        nvidia.isPresent = row.nvidia;
        config.setDriverModel(0, row.model);
        firmware.setHdmiConnected(row.firmwareHdmi);
        EXPECT_EQ(current(), row.expected) << row.amd << row.nvidia << row.model << row.firmwareHdmi;
    }

    amdSecond.isPresent = true;
    nvidia.isPresent = false;
    firmware.setHdmiConnected(true);
    config.arrange({{lcd, 0}});
    set(0x2000000); // the paths go back to the driver with the technology it reported
    EXPECT_EQ(current(), 0x2000000u);
    ASSERT_FALSE(config.setCalls().empty());
    EXPECT_EQ(config.setCalls().back().paths[1].targetInfo.outputTechnology, tech::kDvi);

    firmware.setHdmiConnected(false);
    config.arrange({{lcd, 0}});
    const auto before = config.setCalls().size();
    set(0x2000000); // no HDMI display: fails quietly
    EXPECT_EQ(config.setCalls().size(), before);
    EXPECT_EQ(current(), 0x1u);
}

TEST_F(DisplayConfigBackendTest, AnAmdDriverChangesBetweenExtendedPairsThroughTheSinglePrimary) {
    connectAll();
    amdFirst.isPresent = true;
    config.arrange({{lcd, 0}, {crtA, 1}});
    set(0x2000000);
    ASSERT_GE(config.setCalls().size(), 3u);
    EXPECT_EQ(config.setCalls()[0].flags, 0x460u);
    EXPECT_EQ(config.setCalls()[1].flags, 0x4A0u);
    EXPECT_EQ(config.setCalls()[1].paths.size(), 1u);
    EXPECT_EQ(config.setCalls()[1].modeCount, 2u);
    EXPECT_EQ(current(), 0x2000000u);

    const auto before = config.setCalls().size();
    config.arrange({{lcd, 0}, {crtA, 1}});
    set(0x80000); // not one of the pairs the driver fails on
    EXPECT_EQ(config.setCalls()[before].flags, 0x50u);

    amdFirst.isPresent = false; // Intel graphics: no detour
    config.arrange({{lcd, 0}, {crtA, 1}});
    const auto intelBefore = config.setCalls().size();
    intel.isPresent = true;
    set(0x2000000);
    EXPECT_EQ(config.setCalls()[intelBefore].flags, 0x50u);
}

} // namespace
