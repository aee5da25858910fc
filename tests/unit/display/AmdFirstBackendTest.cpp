// EDID through the first AMD interface, as the library's GetPanelid chooses and runs it.
#include "PanelidFixture.h"

#include "display/backends/AmdFirstBackend.h"
#include "sim/SimAmdDisplayLibrary.h"

namespace {

using namespace displaytest;
using Display = sim::SimAmdDisplayLibrary::Display;

std::array<std::uint8_t, 256> edidWithExtension() {
    std::array<std::uint8_t, 256> edid{};
    for (std::size_t i = 0; i < edid.size(); ++i) {
        edid[i] = static_cast<std::uint8_t>(i);
    }
    return edid;
}

class AmdFirstBackendTest : public PanelidTest {
protected:
    std::int32_t read(std::uint8_t* edid) {
        return display::Panelid(
                   display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
                   display::VendorBackends{nullptr, nullptr, &amd, nullptr})
            .getPanelid(edid);
    }
    sim::SimAmdDisplayLibrary adl;
    display::AmdFirstBackend amd{adl};
};

TEST_F(AmdFirstBackendTest, TheFirstConnectedHdmiDisplayOfAnActiveAdapterGivesItsEdid) {
    const auto tv = edidWithExtension();
    const struct {
        std::vector<sim::SimAmdDisplayLibrary::Adapter> adapters;
        std::int32_t expected;
    } rows[] = {
        {{{0, true, {{0, 0, true, true, std::nullopt}, {1, 10, true, true, tv}}}},
         1},                                          // panel, then HDMI in use
        {{{0, true, {{1, 11, true, false, tv}}}}, 0}, // type B, not mapped
        {{{0, false, {{1, 10, true, true, tv}}}, {1, true, {{2, 10, true, false, tv}}}},
         0},                                           // inactive skipped
        {{{0, true, {{1, 10, false, true, tv}}}}, -2}, // not connected
        {{{0, true, {{1, 12, true, true, tv}}}}, -2},  // DisplayPort
        {{{0, true, {}}}, -2},
        {{}, -3}, // no adapter
    };
    for (const auto& row : rows) {
        adl.adapters() = row.adapters;
        std::uint8_t edid[256] = {};
        EXPECT_EQ(read(edid), row.expected);
        if (row.expected >= 0) {
            EXPECT_TRUE(std::equal(tv.begin(), tv.end(), edid));
        }
        EXPECT_EQ(adl.loaded(), 0);
        EXPECT_EQ(adl.contexts(), 0);
    }
}

TEST_F(AmdFirstBackendTest, AMissingLibraryEntryOrEdidFailsAndReleasesEverything) {
    adl.adapters() = {{0, true, {{1, 10, true, true, edidWithExtension()}}}};
    std::uint8_t edid[256] = {};
    adl.setEdidFails(true);
    EXPECT_EQ(read(edid), -3);
    adl.setEdidFails(false);
    adl.setCreateFails(true);
    EXPECT_EQ(read(edid), -3);
    adl.setCreateFails(false);
    adl.setEntriesMissing(true);
    EXPECT_EQ(read(edid), -3);
    adl.setEntriesMissing(false);
    EXPECT_EQ(adl.loaded(), 0);
    EXPECT_EQ(adl.contexts(), 0);
    adl.setPresent(false);
    EXPECT_EQ(read(edid), -1); // not a candidate at all
    adl.setPresent(true);
    EXPECT_EQ(read(edid), 1);
}

} // namespace
