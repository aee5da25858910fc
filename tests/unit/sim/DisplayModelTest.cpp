// The display hardware behind the simulated display library, reached through the library
// loader as the controller reaches it: detection delay, switching delay, rejected and never
// finished switches, and the loader's own rules.
#include "sim/DisplayModel.h"
#include "sim/SimFirmware.h"
#include "sim/SimLibraries.h"
#include "sim/SimThreads.h"
#include "sim/TvModel.h"

#include <gtest/gtest.h>

namespace {

class DisplayModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        libraries.addLibrary(L"Panelid.dll", sim::DisplayModel::entries());
        const platform::LibraryHandle library = libraries.load(L"Panelid.dll");
        ASSERT_NE(library, 0u);
        getPanelid = reinterpret_cast<sim::DisplayModel::GetPanelidFn>(libraries.bind(library, "GetPanelid"));
        getMonitorDevice = reinterpret_cast<sim::DisplayModel::GetMonitorDeviceFn>(
            libraries.bind(library, "GetMonitorDevice"));
        setMonitorDevice = reinterpret_cast<sim::DisplayModel::SetMonitorDeviceFn>(
            libraries.bind(library, "SetMonitorDevice"));
        ASSERT_NE(getPanelid, nullptr);
        ASSERT_NE(getMonitorDevice, nullptr);
        ASSERT_NE(setMonitorDevice, nullptr);
    }

    sim::VirtualClock clock;
    sim::SimLibraries libraries{clock};
    sim::DisplayModel display{clock};
    sim::DisplayModel::GetPanelidFn getPanelid = nullptr;
    sim::DisplayModel::GetMonitorDeviceFn getMonitorDevice = nullptr;
    sim::DisplayModel::SetMonitorDeviceFn setMonitorDevice = nullptr;
    const sim::TvModel::Edid tvEdid = sim::TvModel::buildEdid(0x1000);
};

TEST_F(DisplayModelTest, TheEdidIsSeenOnlyAfterTheDetectionDelay) {
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), -2); // nothing attached
    clock.advanceTo(1000);
    display.attachHdmi(tvEdid);
    clock.advanceTo(2999);
    EXPECT_EQ(getPanelid(edid), -2);
    EXPECT_EQ(edid[0], 0); // untouched
    clock.advanceTo(3000);
    EXPECT_EQ(getPanelid(edid), 0); // connected, not in use
    EXPECT_TRUE(std::equal(tvEdid.begin(), tvEdid.end(), edid));
    EXPECT_EQ(getPanelid(nullptr), -1);
    ASSERT_EQ(display.calls().size(), 4u);
    EXPECT_EQ(display.calls()[2].time, 3000u);
}

TEST_F(DisplayModelTest, ASwitchTakesEffectAfterTheSwitchingDelay) {
    display.attachHdmi(tvEdid);
    EXPECT_EQ(setMonitorDevice(0x100), -1); // not detected yet
    clock.advanceTo(2000);
    EXPECT_EQ(getMonitorDevice(), 0x1);
    EXPECT_EQ(setMonitorDevice(0x100), 1);
    clock.advanceTo(3499);
    EXPECT_EQ(getMonitorDevice(), 0x1);
    clock.advanceTo(3500);
    EXPECT_EQ(getMonitorDevice(), 0x100);
    std::uint8_t edid[256];
    EXPECT_EQ(getPanelid(edid), 1); // in use now

    // Swapping the primary display of an extended desktop.
    setMonitorDevice(0x2000000);
    clock.advanceTo(5000);
    EXPECT_EQ(getMonitorDevice(), 0x2000000);
    setMonitorDevice(0x80000000);
    clock.advanceTo(6500);
    EXPECT_EQ(getMonitorDevice(), 0x4000000);

    // A later request replaces a pending one.
    setMonitorDevice(0x80);
    clock.advanceTo(7000);
    setMonitorDevice(0x1);
    clock.advanceTo(10000);
    ASSERT_FALSE(display.changes().empty());
    EXPECT_EQ(display.changes().back().arrangement, 0x1u);
    EXPECT_EQ(display.changes().back().time, 8500u);
    for (const auto& change : display.changes()) {
        EXPECT_NE(change.arrangement, 0x80u);
    }
}

TEST_F(DisplayModelTest, UnknownArrangementsAndHdmiWithoutADisplayAreRejected) {
    EXPECT_EQ(setMonitorDevice(0x100), -1);
    EXPECT_EQ(setMonitorDevice(0x4000000), -1);
    EXPECT_EQ(setMonitorDevice(0x1), 1);
    EXPECT_EQ(setMonitorDevice(0x4), -1);   // a CRT this notebook has not got
    EXPECT_EQ(setMonitorDevice(0x101), -1); // two arrangements at once
    EXPECT_EQ(setMonitorDevice(0), -1);
    EXPECT_EQ(setMonitorDevice(0xFFFFFFFF), -1);
    clock.advanceTo(5000);
    EXPECT_EQ(getMonitorDevice(), 0x1);
}

TEST_F(DisplayModelTest, FaultsSwitchesThatNeverHappenOrAFixedAnswer) {
    display.attachHdmi(tvEdid);
    clock.advanceTo(2000);
    display.setSwitchNeverTakesEffect(true);
    EXPECT_EQ(setMonitorDevice(0x100), 1);
    clock.advanceTo(60000);
    EXPECT_EQ(getMonitorDevice(), 0x1);

    display.setSwitchNeverTakesEffect(false);
    display.setSetMonitorDeviceResult(0);
    EXPECT_EQ(setMonitorDevice(0x100), 0);
    clock.advanceTo(70000);
    EXPECT_EQ(getMonitorDevice(), 0x1);
    display.setSetMonitorDeviceResult(std::nullopt);
    display.setAcceptedResult(0); // a library that reports a handled request as 0
    EXPECT_EQ(setMonitorDevice(0x100), 0);
    clock.advanceTo(71500);
    EXPECT_EQ(getMonitorDevice(), 0x100);
}

TEST_F(DisplayModelTest, DetachingHdmiGoesBackToThePanelAndDropsAPendingSwitch) {
    display.attachHdmi(tvEdid);
    clock.advanceTo(2000);
    setMonitorDevice(0x100);
    clock.advanceTo(4000);
    setMonitorDevice(0x80);
    clock.advanceTo(4500);
    display.detachHdmi();
    EXPECT_EQ(getMonitorDevice(), 0x1);
    clock.advanceTo(10000);
    EXPECT_EQ(getMonitorDevice(), 0x1);
    std::uint8_t edid[256];
    EXPECT_EQ(getPanelid(edid), -2);
    // Attached again: a new detection delay.
    display.attachHdmi(tvEdid);
    EXPECT_EQ(getPanelid(edid), -2);
}

TEST_F(DisplayModelTest, TheEntriesActOnTheActiveModelOnly) {
    {
        sim::DisplayModel other(clock);
        other.setArrangement(0x100);
        EXPECT_EQ(getMonitorDevice(), 0x100);
        display.activate();
        EXPECT_EQ(getMonitorDevice(), 0x1);
        other.activate();
    }
    EXPECT_EQ(getMonitorDevice(), -1); // the active model is gone
    display.activate();
    EXPECT_EQ(getMonitorDevice(), 0x1);
}

TEST(SimLibrariesTest, LibrariesAreFoundByFileNameWhateverThePathAndCase) {
    sim::VirtualClock clock;
    sim::SimLibraries libraries(clock);
    libraries.addLibrary(L"TVBRIDGE.dll", {{"HDMIHOOK_SetKeyHook", platform::EntryPoint{+[] {}}}});
    const auto handle = libraries.load(L"C:\\Program Files\\Common Files\\Korvath Shared\\Tvbridge.DLL");
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(libraries.load(L"tvbridge"), handle); // ".dll" added; the same module again
    EXPECT_EQ(libraries.loadCount(L"TVBRIDGE.dll"), 2);
    EXPECT_NE(libraries.bind(handle, "HDMIHOOK_SetKeyHook"), nullptr);

    EXPECT_EQ(libraries.bind(handle, "HDMIHOOK_ResetKeyHook"), nullptr);
    EXPECT_EQ(platform::ErrorCode{127}, sim::SimThreads().lastError());
    EXPECT_EQ(libraries.load(L"Panelid.dll"), 0u);
    EXPECT_EQ(platform::ErrorCode{126}, sim::SimThreads().lastError());
    EXPECT_EQ(libraries.load(nullptr), 0u);
    EXPECT_EQ(libraries.bind(0x1234, "HDMIHOOK_SetKeyHook"), nullptr);

    EXPECT_TRUE(libraries.free(handle));
    EXPECT_TRUE(libraries.free(handle));
    EXPECT_FALSE(libraries.free(handle)); // unloaded
    EXPECT_EQ(libraries.bind(handle, "HDMIHOOK_SetKeyHook"), nullptr);
    EXPECT_EQ(libraries.records().size(), 11u);
}

TEST(SimLibrariesTest, RemovedLibrariesAndEntriesAreMissingFromThenOn) {
    sim::VirtualClock clock;
    sim::SimLibraries libraries(clock);
    libraries.addLibrary(L"Panelid.dll", sim::DisplayModel::entries());
    const auto loaded = libraries.load(L"Panelid.dll");
    libraries.removeEntry(L"PANELID.DLL", "SetMonitorDevice");
    EXPECT_EQ(libraries.bind(loaded, "SetMonitorDevice"), nullptr);
    EXPECT_NE(libraries.bind(loaded, "GetMonitorDevice"), nullptr);
    libraries.removeLibrary(L"Panelid.dll");
    EXPECT_FALSE(libraries.hasLibrary(L"Panelid.dll"));
    EXPECT_EQ(libraries.load(L"Panelid.dll"), 0u);
    EXPECT_NE(libraries.bind(loaded, "GetPanelid"), nullptr); // a loaded module stays mapped
}

} // namespace

namespace {

TEST_F(DisplayModelTest, OnTheDisplayConfigurationMachineTheRealLibrarySwitchesAtOnce) {
    sim::SimFirmware firmware(clock);
    display.setArrangement(0x1);
    display.setMachineKind(sim::DisplayModel::MachineKind::DisplayConfigOnly, firmware);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(getPanelid(edid), -1); // no vendor interface reads the EDID
    EXPECT_EQ(getMonitorDevice(), 0x1);

    display.attachHdmi(tvEdid);
    EXPECT_EQ(setMonitorDevice(0x100), 0); // handled, but the TV is not seen yet
    EXPECT_EQ(display.arrangement(), 0x1u);
    clock.advanceTo(clock.now() + sim::DisplayModel::kDefaultDetectionDelayMs);
    EXPECT_EQ(setMonitorDevice(0x4000000), 0);
    EXPECT_EQ(display.arrangement(), 0x4000000u);
    EXPECT_EQ(setMonitorDevice(0x80000000), 0);
    EXPECT_EQ(getMonitorDevice(), 0x2000000);
    ASSERT_EQ(display.changes().size(), 2u);
    EXPECT_EQ(display.changes()[1].arrangement, 0x2000000u);

    display.detachHdmi();
    EXPECT_EQ(getMonitorDevice(), 0x1);
    EXPECT_EQ(display.changes().back().arrangement, 0x1u);

    display.setMachineKind(sim::DisplayModel::MachineKind::StandIn, firmware);
    EXPECT_EQ(getPanelid(edid), -2); // the stand-in again
}

} // namespace
