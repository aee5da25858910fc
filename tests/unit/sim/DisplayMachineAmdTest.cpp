// The notebook with the real display library on AMD graphics: the second AMD interface as a
// view of the same targets (on Windows 10 and on Vista), and the two AMD driver quirks with
// the display configuration's workarounds around them.
#include "sim/DisplayMachine.h"
#include "sim/SimFirmware.h"
#include "sim/TvModel.h"
#include "sim/VirtualClock.h"

#include <gtest/gtest.h>

namespace {

using Graphics = sim::DisplayMachine::Graphics;

class DisplayMachineAmdTest : public ::testing::Test {
protected:
    sim::VirtualClock clock;
    sim::SimFirmware firmware{clock};
    const sim::TvModel::Edid tv = sim::TvModel::buildEdid(0x1000);
};

TEST_F(DisplayMachineAmdTest, TheSecondInterfaceReadsTheEdidAndOnVistaAlsoSwitches) {
    for (const bool vista : {false, true}) {
        sim::DisplayMachine machine(clock, firmware, Graphics::AmdSecond, vista);
        std::uint8_t edid[256] = {};
        EXPECT_EQ(machine.getPanelid(edid), -3); // the HDMI output is known, but no TV answers
        machine.setHdmiConnected(true, tv);
        EXPECT_EQ(machine.getPanelid(edid), 0);
        EXPECT_TRUE(std::equal(tv.begin(), tv.end(), edid));
        EXPECT_EQ(machine.setMonitorDevice(0x4000000), 0);
        EXPECT_EQ(machine.getMonitorDevice(), 0x4000000);
        EXPECT_EQ(machine.getPanelid(edid), 1);
        EXPECT_EQ(machine.setMonitorDevice(0x100), 0);
        EXPECT_EQ(machine.getMonitorDevice(), 0x100);
        // On Vista the display configuration is never asked to switch; the interface is.
        EXPECT_EQ(machine.displayConfig().setCalls().empty(), vista);
        EXPECT_EQ(machine.amdSecondInterface().configurations().empty(), !vista);
        EXPECT_EQ(machine.amdSecondInterface().loaded(), 0);
    }
}

TEST_F(DisplayMachineAmdTest, HdmiReportedAsDviIsFoundOnlyWhileTheFirmwareSeesTheCable) {
    for (const bool firmwareSeesHdmi : {true, false}) {
        sim::DisplayMachine machine(clock, firmware, Graphics::AmdFirst);
        machine.setHdmiConnected(true, tv);
        machine.setHdmiReportedAsDvi(true);
        firmware.setHdmiConnected(firmwareSeesHdmi);
        EXPECT_EQ(machine.setMonitorDevice(0x2000000), 0); // handled either way
        const std::int32_t reached = firmwareSeesHdmi ? 0x2000000 : 0x1;
        EXPECT_EQ(machine.getMonitorDevice(), reached);
    }
}

TEST_F(DisplayMachineAmdTest, ExtendedToOtherExtendedGoesThroughTheSinglePrimaryOnAmdOnly) {
    firmware.setHdmiConnected(true);
    for (const bool amd : {true, false}) {
        sim::DisplayMachine machine(clock, firmware, amd ? Graphics::AmdFirst : Graphics::None);
        machine.setHdmiConnected(true, tv);
        machine.setCrtConnected(true);
        machine.setRefusesExtendedToExtended(true);
        EXPECT_EQ(machine.setMonitorDevice(0x20000), 0);
        ASSERT_EQ(machine.getMonitorDevice(), 0x20000);
        const std::size_t before = machine.displayConfig().setCalls().size();
        EXPECT_EQ(machine.setMonitorDevice(0x2000000), 0);
        EXPECT_EQ(machine.getMonitorDevice(), amd ? 0x2000000 : 0x20000);
        // The workaround's one-path configuration comes first on AMD.
        const auto& calls = machine.displayConfig().setCalls();
        ASSERT_GT(calls.size(), before);
        EXPECT_EQ(calls[before].paths.size() == 1, amd);
    }
}

} // namespace
