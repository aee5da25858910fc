// The second AMD interface's back-end: its target table, the LCD-first rule, reading the
// arrangement from the controllers' configuration, the EDID path, the old-driver flag and
// driver answers of the wrong size or count.
#include "PanelidFixture.h"

#include "display/backends/AmdSecondBackend.h"
#include "sim/SimAmdSecondDisplay.h"

namespace {

using namespace displaytest;
using display::AmdSecondDisplays;
using display::AmdSecondRequest;
using Display = sim::SimAmdSecondDisplay::Display;
namespace pdl = platform::atipdl;

// Display bits of the table tests: 0 panel, 1 CRT, 2 TV, 3 DVI, 4 HDMI, 5 DisplayPort.
constexpr std::uint32_t kLcd = 1, kCrt = 2, kTv = 4, kDvi = 8, kHdmi = 16, kDp = 32;
constexpr AmdSecondDisplays kAll{kLcd, kCrt, kTv, kDvi, kHdmi, kDp};
constexpr AmdSecondDisplays kNoDp{kLcd, kCrt, kTv, kDvi, kHdmi, 0};
constexpr AmdSecondDisplays kDpOnly{kLcd, kCrt, kTv, 0, kHdmi, kDp};

bool operator==(const AmdSecondRequest& a, const AmdSecondRequest& b) {
    return a.mode == b.mode && a.first == b.first && a.second == b.second;
}

std::array<std::uint8_t, 256> tvEdid(std::uint8_t extensions) {
    std::array<std::uint8_t, 256> edid{};
    for (std::size_t i = 0; i < edid.size(); ++i) {
        edid[i] = static_cast<std::uint8_t>(i ^ 0x5A);
    }
    edid[126] = extensions;
    return edid;
}

TEST(AmdSecondTargetTable, EachTargetNamesItsDisplaysAndMode) {
    const struct {
        std::uint32_t target;
        AmdSecondDisplays displays;
        AmdSecondRequest expected;
    } rows[] = {
        {0x1, kNoDp, {3, kLcd, 0}},
        {0x4, kNoDp, {3, kCrt, 0}},
        {0x10, kNoDp, {3, kDvi, 0}},
        {0x10, kDpOnly, {3, kDp, 0}}, // the DVI class falls back to DisplayPort
        {0x100, kNoDp, {3, kHdmi, 0}},
        {0x400, kNoDp, {3, kTv, 0}},
        {0x2, kNoDp, {2, kLcd, kCrt}},
        {0x8, kAll, {2, kLcd, kDvi}},
        {0x80, kNoDp, {2, kLcd, kHdmi}},
        {0x20, kDpOnly, {2, kCrt, kDp}},
        {0x800, kNoDp, {2, kHdmi, kCrt}},
        {0x200, kNoDp, {2, kLcd, kTv}},
        {0x200, kAll, {2, kDp, kHdmi}},
        {0x20000, kNoDp, {5, kLcd, kCrt}},
        {0x40000, kNoDp, {5, kCrt, kLcd}},
        {0x80000, kDpOnly, {5, kLcd, kDp}},
        {0x100000, kNoDp, {5, kDvi, kLcd}},
        {0x200000, kNoDp, {5, kDvi, kCrt}},
        {0x2000000, kNoDp, {5, kLcd, kHdmi}},
        {0x4000000, kNoDp, {5, kHdmi, kLcd}},
        {0x8000000, kNoDp, {5, kLcd, kTv}},
        {0x8000000, kAll, {5, kDp, kHdmi}},
        {0x10000000, kNoDp, {5, kTv, kLcd}},
        {0x10000000, kDpOnly, {5, kHdmi, kDp}},
        {0x20000000, kNoDp, {5, kHdmi, kCrt}},
        {0x40000000, kNoDp, {5, kCrt, kHdmi}},
        // Values the interface has no arrangement for: the panel alone.
        {0x40, kAll, {3, kLcd, 0}},
        {0x800000, kAll, {3, kLcd, 0}},
        {0x8010, kAll, {3, kLcd, 0}},
        {0x12345, kAll, {3, kLcd, 0}},
    };
    for (const auto& row : rows) {
        const auto request = display::amdSecondRequest(row.target, row.displays, false);
        ASSERT_TRUE(request.has_value()) << std::hex << row.target;
        EXPECT_TRUE(*request == row.expected) << std::hex << row.target << ": " << request->mode << " "
                                              << request->first << " " << request->second;
    }
}

TEST(AmdSecondTargetTable, OldDriverExtendsWithMode1AndMissingDisplaysGiveNoRequest) {
    EXPECT_TRUE(*display::amdSecondRequest(0x2000000, kNoDp, true) == (AmdSecondRequest{1, kLcd, kHdmi}));
    EXPECT_TRUE(*display::amdSecondRequest(0x80, kNoDp, true) == (AmdSecondRequest{2, kLcd, kHdmi}));
    // 0x400000 uses the DVI display only, never the DisplayPort fallback.
    EXPECT_FALSE(display::amdSecondRequest(0x400000, kDpOnly, false).has_value());
    const AmdSecondDisplays panelOnly{kLcd, 0, 0, 0, 0, 0};
    EXPECT_FALSE(display::amdSecondRequest(0x100, panelOnly, false).has_value());
    EXPECT_FALSE(display::amdSecondRequest(0x2000000, panelOnly, false).has_value());
}

TEST(AmdSecondReading, ControllersGiveSingleCloneOrExtendedValues) {
    const struct {
        std::uint32_t controller0;
        std::uint32_t controller1;
        AmdSecondDisplays displays;
        std::uint32_t expected;
    } rows[] = {
        {kLcd, 0, kNoDp, 0x1},
        {kHdmi, 0, kNoDp, 0x100},
        {kDp, 0, kDpOnly, 0x10},
        {kLcd | kHdmi, 0, kNoDp, 0x80},
        {kHdmi | kCrt, 0, kNoDp, 0x800},
        {kDp | kHdmi, 0, kAll, 0x200},
        {kLcd | kTv, 0, kNoDp, 0x200},
        {kLcd, kHdmi, kNoDp, 0x2000000},
        {kHdmi, kLcd, kNoDp, 0x4000000},
        {kCrt, kDvi, kNoDp, 0x400000},
        {kDp, kHdmi, kAll, 0x8000000},
        {kHdmi, kDp, kAll, 0x10000000},
        {kLcd | 0x80000000, 0, kNoDp, 0x1}, // a bit of no display is ignored
        {0, 0, kNoDp, 0x1},
        {kLcd | kTv, 0, kAll, 0x1}, // with DisplayPort, LCD + TV is not offered
    };
    for (const auto& row : rows) {
        EXPECT_EQ(display::amdSecondValue(row.controller0, row.controller1, row.displays), row.expected)
            << std::hex << row.controller0 << " " << row.controller1;
    }
}

TEST(AmdSecondOldDriver, BelowSevenOneOneFiveThirtySevenIsOld) {
    const struct {
        std::optional<platform::FileVersionNumber> version;
        bool expected;
    } rows[] = {
        {platform::FileVersionNumber{0x00070001, 0x00010218}, true},  // 7.1.1.536
        {platform::FileVersionNumber{0x00070001, 0x00010219}, false}, // 7.1.1.537
        {platform::FileVersionNumber{0x00070000, 0xFFFFFFFF}, true},  // 7.0.x
        {platform::FileVersionNumber{0x00070002, 0x00000000}, false}, // 7.2
        {platform::FileVersionNumber{0x00060014, 0x00000000}, true},
        {std::nullopt, false}, // no readable version
    };
    for (const auto& row : rows) {
        sim::SimFileVersion files;
        files.addFile("C:\\WINDOWS\\System32\\drivers\\atikmdag.sys", row.version);
        EXPECT_EQ(display::oldAmdDriver(files), row.expected);
    }
    sim::SimFileVersion files;
    EXPECT_FALSE(display::oldAmdDriver(files)); // no file
    files.addFile("C:\\Windows\\system32\\drivers\\atikmdag.sys", platform::FileVersionNumber{0x00060000, 0});
    EXPECT_TRUE(display::oldAmdDriver(files));
    files.setSystemDirectory(std::nullopt);
    EXPECT_FALSE(display::oldAmdDriver(files));
}

// The fixture's notebook seen through the second AMD interface.
class AmdSecondBackendTest : public PanelidTest {
protected:
    AmdSecondBackendTest() {
        pdlDisplays() = {
            {pdl::kTypePanel, 0, lcd, std::nullopt},
            {pdl::kTypeCrt, 0, crtA, std::nullopt},
            {pdl::kTypeTv, 0, std::nullopt, std::nullopt},
            {pdl::kTypeDigital, pdl::kConnectorDviD, dvi, std::nullopt},
            {pdl::kTypeDigital, pdl::kConnectorHdmiA, hdmi, tvEdid(1)},
            {pdl::kTypeDigitalSecond, pdl::kConnectorDisplayPort, dp, std::nullopt},
        };
        files.addFile("C:\\Windows\\system32\\drivers\\atikmdag.sys",
                      platform::FileVersionNumber{0x00080000, 0});
    }
    std::vector<Display>& pdlDisplays() { return pdlSim.displays(); }
    display::Panelid amdLibrary() {
        return display::Panelid(
            display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
            display::VendorBackends{nullptr, nullptr, nullptr, &backend});
    }
    std::int32_t read(std::uint8_t* edid) { return amdLibrary().getPanelid(edid); }
    std::vector<std::uint32_t> modes() const {
        std::vector<std::uint32_t> out;
        for (const auto& record : pdlSim.configurations()) {
            out.push_back(record.mode);
        }
        return out;
    }

    sim::SimAmdSecondDisplay pdlSim{config};
    sim::SimFileVersion files;
    display::AmdSecondBackend backend{pdlSim, files};
};

TEST_F(AmdSecondBackendTest, EdidOfTheHdmiDisplayWithItsExtensionOnlyWhenAnnounced) {
    const struct {
        std::uint8_t extensions;
        bool hdmiInUse;
        std::int32_t expected;
        std::vector<std::uint32_t> blocks;
    } rows[] = {
        {1, true, 1, {0, 1}},
        {1, false, 0, {0, 1}},
        {0, true, 1, {0}},
    };
    for (const auto& row : rows) {
        pdlDisplays()[4].edid = tvEdid(row.extensions);
        config.arrange(row.hdmiInUse ? std::vector<std::pair<std::size_t, std::uint32_t>>{{lcd, 0}, {hdmi, 1}}
                                     : std::vector<std::pair<std::size_t, std::uint32_t>>{{lcd, 0}});
        std::uint8_t edid[256] = {};
        EXPECT_EQ(read(edid), row.expected);
        const auto expected = tvEdid(row.extensions);
        const std::size_t written = row.extensions != 0 ? 256 : 128;
        EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + written, edid));
        EXPECT_TRUE(std::all_of(edid + written, edid + 256, [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(std::vector<std::uint32_t>(pdlSim.edidBlocks().end() - row.blocks.size(),
                                             pdlSim.edidBlocks().end()),
                  row.blocks);
        EXPECT_EQ(pdlSim.loaded(), 0);
    }
}

TEST_F(AmdSecondBackendTest, HdmiByConnectorKindElseType6Or4OnlyWithoutDigitalConnectors) {
    const struct {
        std::vector<Display> displays;
        std::int32_t expected;
    } rows[] = {
        {{{pdl::kTypePanel, 0, lcd, {}}, {pdl::kTypeDigital, pdl::kConnectorHdmiB, hdmi, tvEdid(0)}}, 0},
        // No digital connector kind: type 6 when connected, else type 4.
        {{{pdl::kTypePanel, 0, lcd, {}}, {pdl::kTypeDigital, 0, hdmi, tvEdid(0)}}, 0},
        {{{pdl::kTypeDigital, 0, dvi, {}}, {pdl::kTypeDigitalSecond, 0, hdmi, tvEdid(0)}}, 0},
        // Type 6 not connected (its target is absent), type 4 after it.
        {{{pdl::kTypeDigitalSecond, 0, dvi, {}}, {pdl::kTypeDigital, 0, hdmi, tvEdid(0)}}, 0},
        // A DVI connector kind rules the fallback out.
        {{{pdl::kTypeDigital, pdl::kConnectorDviI, dvi, {}}, {pdl::kTypeDigitalSecond, 0, hdmi, tvEdid(0)}},
         -2},
        {{{pdl::kTypeDigital, pdl::kConnectorDisplayPort, dp, {}}, {pdl::kTypeDigital, 0, hdmi, tvEdid(0)}},
         -2},
        {{{pdl::kTypePanel, 0, lcd, {}}}, -2},
        {{}, -2},
    };
    for (const auto& row : rows) {
        pdlDisplays() = row.displays;
        std::uint8_t edid[256] = {};
        EXPECT_EQ(read(edid), row.expected);
        EXPECT_EQ(pdlSim.loaded(), 0);
    }
}

TEST_F(AmdSecondBackendTest, CapabilitiesOfAdapter0PickAdapter1) {
    pdlSim.setAdapter(1);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(read(edid), 0);
    EXPECT_EQ(edid[0], tvEdid(1)[0]);
    config.arrange({{lcd, 0}, {hdmi, 1}});
    os.set(6, 0);
    EXPECT_EQ(amdLibrary().getMonitorDevice(), 0x2000000);
}

TEST_F(AmdSecondBackendTest, FailingInterfaceGivesMinus3AndNothingWritten) {
    std::uint8_t edid[256] = {};
    pdlSim.setEdidFails(true);
    EXPECT_EQ(read(edid), -3);
    pdlSim.setEdidFails(false);
    pdlSim.setConfigurationFails(true);
    EXPECT_EQ(read(edid), -3);
    pdlSim.setConfigurationFails(false);
    pdlSim.setEntriesMissing(true);
    EXPECT_EQ(read(edid), -3);
    pdlSim.setEntriesMissing(false);
    EXPECT_TRUE(std::all_of(edid, edid + 256, [](std::uint8_t b) { return b == 0; }));
    // Block 1 failing after block 0: still nothing written.
    pdlDisplays()[4].edid.reset();
    EXPECT_EQ(read(edid), -3);
    EXPECT_TRUE(std::all_of(edid, edid + 256, [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(pdlSim.loaded(), 0);
    pdlSim.setPresent(false);
    EXPECT_EQ(read(edid), -1); // not a candidate at all
}

TEST_F(AmdSecondBackendTest, BadDriverAnswersNeverIndexPastTheMasks) {
    std::uint8_t edid[256] = {};
    pdlDisplays()[4].type = 5; // the HDMI display is known by its connector kind only
    EXPECT_EQ(read(edid), 0);
    pdlSim.setDeviceConfigSize(24); // records of another layout: no connector kind is known
    EXPECT_EQ(read(edid), -2);
    pdlSim.setDeviceConfigSize(20);
    pdlSim.setEnumerationEndless(true);
    EXPECT_EQ(read(edid), 0); // the enumeration stops at 32 displays; HDMI is still found by its kind
    pdlSim.setEnumerationEndless(false);
    pdlSim.setPhantomConfigurationBits(0xFFFF0000);
    os.set(6, 0);
    config.arrange({{hdmi, 0}});
    EXPECT_EQ(amdLibrary().getMonitorDevice(), 0x100);
    pdlSim.setConfigurationFails(true);
    EXPECT_EQ(amdLibrary().getMonitorDevice(), 0x1);
    EXPECT_EQ(pdlSim.loaded(), 0);
}

TEST_F(AmdSecondBackendTest, ReadingUsesController1WhenController0IsEmpty) {
    os.set(6, 0);
    const struct {
        std::vector<std::pair<std::size_t, std::uint32_t>> arrangement;
        std::uint32_t expected;
    } rows[] = {
        {{{lcd, 0}}, 0x1},
        {{{hdmi, 0}}, 0x100},
        {{{lcd, 0}, {hdmi, 0}}, 0x80},
        {{{lcd, 0}, {hdmi, 1}}, 0x2000000},
        {{{hdmi, 0}, {lcd, 1}}, 0x4000000},
        {{{crtA, 0}, {hdmi, 1}}, 0x40000000},
    };
    config.setConnected(crtA, true);
    for (const auto& row : rows) {
        config.arrange(row.arrangement);
        EXPECT_EQ(amdLibrary().getMonitorDevice(), static_cast<std::int32_t>(row.expected));
    }
    // Only the second desktop's controller reports a display.
    config.setActive({{hdmi, 1, 1920, 0, 1920, 1080}});
    EXPECT_EQ(amdLibrary().getMonitorDevice(), 0x100);
}

TEST_F(AmdSecondBackendTest, SwitchesFromANonLcdPrimaryPassThroughTheLcdAlone) {
    os.set(6, 0);
    const struct {
        std::vector<std::pair<std::size_t, std::uint32_t>> from;
        std::uint32_t target;
        std::vector<std::uint32_t> modes;
        std::uint32_t after;
    } rows[] = {
        {{{hdmi, 0}, {lcd, 1}}, 0x100, {3, 3}, 0x100},
        {{{hdmi, 0}, {lcd, 1}}, 0x80, {3, 2}, 0x80},
        {{{hdmi, 0}, {lcd, 1}}, 0x2000000, {5}, 0x2000000},
        {{{lcd, 0}, {hdmi, 1}}, 0x100, {3}, 0x100},
        {{{lcd, 0}, {hdmi, 1}}, 0x80000000, {5}, 0x4000000},
        {{{hdmi, 0}, {lcd, 1}}, 0x80000000, {5}, 0x2000000},
        {{{lcd, 0}}, 0x20, {2}, 0x1},       // refused: the DVI monitor is not connected
        {{{lcd, 0}}, 0x80000000, {3}, 0x1}, // no mirror: the LCD alone
    };
    for (const auto& row : rows) {
        config.arrange(row.from);
        const std::size_t before = pdlSim.configurations().size();
        EXPECT_EQ(amdLibrary().setMonitorDevice(row.target), 0);
        const auto all = modes();
        EXPECT_EQ(std::vector<std::uint32_t>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end()),
                  row.modes)
            << std::hex << row.target;
        EXPECT_EQ(amdLibrary().getMonitorDevice(), static_cast<std::int32_t>(row.after))
            << std::hex << row.target;
    }
    const platform::AtipdlConfigurationEx& last = pdlSim.configurations().back();
    EXPECT_EQ(last.size, 64U);
    EXPECT_EQ(last.displayCount, 1U);
    EXPECT_EQ(last.firstDisplay, kLcd);
    EXPECT_EQ(last.secondDisplay, 0U);
    EXPECT_EQ(pdlSim.loaded(), 0);
}

TEST_F(AmdSecondBackendTest, AnOldDriverGetsMode1) {
    os.set(6, 0);
    files.clear();
    files.addFile("C:\\Windows\\system32\\drivers\\atikmdag.sys",
                  platform::FileVersionNumber{0x00070001, 0x00010218});
    pdlSim.setOldDriver(true);
    EXPECT_EQ(amdLibrary().setMonitorDevice(0x2000000), 0);
    EXPECT_EQ(modes(), std::vector<std::uint32_t>{1});
    EXPECT_EQ(pdlSim.configurations().back().displayCount, 2U);
    EXPECT_EQ(amdLibrary().getMonitorDevice(), 0x2000000);
}

} // namespace
