// The NVIDIA back-end over the simulated interface: switching through the view of display
// handle 0, reading the current value, the EDID path and bad driver answers.
#include "PanelidFixture.h"

#include "display/MonitorDevice.h"
#include "display/backends/NvidiaBackend.h"
#include "sim/SimNvidiaDisplay.h"

#include <algorithm>

namespace {

using namespace displaytest;
namespace nv = platform::nv;
using Masks = std::vector<std::uint32_t>;

constexpr std::uint32_t kLcd = 0x10000;
constexpr std::uint32_t kHdmi = 0x20000;
constexpr std::uint32_t kDviD = 0x40000;
constexpr std::uint32_t kDp = 0x80000;

std::array<std::uint8_t, 256> tvEdid() {
    std::array<std::uint8_t, 256> edid{};
    for (std::size_t i = 0; i < edid.size(); ++i) {
        edid[i] = static_cast<std::uint8_t>(255 - i);
    }
    return edid;
}

class NvidiaBackendTest : public ::testing::Test {
protected:
    NvidiaBackendTest() {
        sim.outputs() = {
            {kLcd, nv::connector::kLvds, true, std::nullopt, std::nullopt},
            {0x1, 0, true, std::nullopt, std::nullopt},
            {0x2, 0, true, std::nullopt, std::nullopt},
            {0x200, 0, true, std::nullopt, std::nullopt},
            {kHdmi, nv::connector::kHdmiA, true, tvEdid(), std::nullopt},
            {kDviD, nv::connector::kDviD, true, std::nullopt, std::nullopt},
        };
    }
    std::int32_t read(std::uint8_t* edid) { return backend.readEdid(edid, 0); }

    sim::VirtualClock clock;
    sim::SimDisplaySettings settings;
    sim::SimNvidiaDisplay sim;
    display::NvidiaBackend backend{sim, clock, settings};
};

TEST_F(NvidiaBackendTest, SwitchingSetsTheViewOfDisplayHandleZero) {
    constexpr std::uint32_t kStd = nv::view::kStandard;
    constexpr std::uint32_t kClone = nv::view::kClone;
    constexpr std::uint32_t kDual = nv::view::kDualView;
    const struct {
        std::uint32_t target;
        std::uint32_t current;
        Masks single; // the preceding single-display request, if any
        Masks masks;
        std::uint32_t mode;
    } rows[] = {
        {0x1, 0x100, {}, {kLcd}, kStd},
        {0x4, 0x1, {}, {0x2}, kStd},
        {0x10, 0x1, {}, {kDviD}, kStd},
        {0x100, 0x1, {}, {kHdmi}, kStd},
        {0x400, 0x1, {}, {0x200}, kStd},
        {0x2, 0x1, {}, {kLcd, 0x2}, kClone},
        {0x8, 0x1, {}, {kLcd, kDviD}, kClone},
        {0x20, 0x1, {}, {0x2, kDviD}, kClone},
        {0x40, 0x1, {}, {0x2, 0x1}, kClone},
        {0x80, 0x1, {}, {kLcd, kHdmi}, kClone},
        {0x200, 0x1, {}, {kLcd, 0x200}, kClone},
        {0x800, 0x1, {}, {0x2, kHdmi}, kClone},
        {0x20000, 0x1, {kLcd}, {kLcd, 0x2}, kDual},
        {0x80000, 0x1, {kLcd}, {kLcd, kDviD}, kDual},
        {0x200000, 0x1, {kDviD}, {kDviD, 0x2}, kDual},
        {0x800000, 0x1, {0x2}, {0x2, 0x1}, kDual},
        {0x2000000, 0x1, {kLcd}, {kLcd, kHdmi}, kDual},
        {0x8000000, 0x1, {kLcd}, {kLcd, 0x200}, kDual},
        {0x20000000, 0x1, {kHdmi}, {kHdmi, 0x2}, kDual},
        // Extended values with a non-LCD primary the driver is not asked for: the LCD alone.
        {0x40000, 0x1, {}, {kLcd}, kStd},
        {0x4000000, 0x1, {}, {kLcd}, kStd},
        {0x40000000, 0x1, {}, {kLcd}, kStd},
        {0x12345, 0x1, {}, {kLcd}, kStd},
        // The swap: the mirrored pair at once, or the first connected output alone.
        {0x80000000, 0x4000000, {}, {kLcd, kHdmi}, kDual},
        {0x80000000, 0x2000000, {}, {kHdmi, kLcd}, kDual},
        {0x80000000, 0x20000, {}, {0x2, kLcd}, kDual},
        {0x80000000, 0x80, {}, {kLcd}, kStd},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << row.target << " from " << row.current);
        sim::SimNvidiaDisplay fresh;
        fresh.outputs() = sim.outputs();
        display::NvidiaBackend nvidia(fresh, clock, settings);
        nvidia.switchTo(row.target, row.current);
        const auto& calls = fresh.setViewCalls();
        ASSERT_EQ(calls.size(), row.single.empty() ? 1U : 2U);
        if (!row.single.empty()) {
            EXPECT_EQ(calls[0].masks, row.single);
            EXPECT_EQ(calls[0].mode, kStd);
        }
        EXPECT_EQ(calls.back().masks, row.masks);
        EXPECT_EQ(calls.back().mode, row.mode);
        EXPECT_TRUE(calls.back().primary[0]);
        EXPECT_EQ(calls.back().result, nv::kOk);
        EXPECT_EQ(fresh.view().masks, row.masks);
        EXPECT_EQ(fresh.loaded(), 0);
    }
}

TEST_F(NvidiaBackendTest, TheFinalViewRequestIsTriedElevenTimesTwentyMillisecondsApart) {
    const struct {
        int refusals;
        std::uint32_t target;
        std::size_t calls;
        bool switched;
    } rows[] = {
        {10, 0x100, 11, true},      {11, 0x100, 11, false}, {30, 0x100, 11, false},
        {1, 0x2000000, 2, true}, // the single request is sent once: refused, then the pair at once
        {12, 0x2000000, 12, false},
    };
    for (const auto& row : rows) {
        sim::SimNvidiaDisplay fresh;
        fresh.outputs() = sim.outputs();
        fresh.refuseViews(row.refusals);
        display::NvidiaBackend nvidia(fresh, clock, settings);
        const std::uint32_t before = clock.tickCount();
        nvidia.switchTo(row.target, 0x1);
        EXPECT_EQ(fresh.setViewCalls().size(), row.calls);
        const std::size_t finalAttempts = row.target == 0x100 ? row.calls : row.calls - 1;
        EXPECT_EQ(clock.tickCount() - before, finalAttempts * 20);
        EXPECT_EQ(fresh.view().masks != Masks{kLcd}, row.switched) << row.refusals;
    }
}

TEST_F(NvidiaBackendTest, ASwapOfASingleArrangementSetsTheFirstConnectedOutput) {
    const struct {
        std::vector<std::uint32_t> connected;
        std::uint32_t expected;
    } rows[] = {
        {{kLcd, kHdmi}, kLcd}, {{kHdmi, 0x1}, kHdmi}, {{kDviD, 0x2}, kDviD}, {{0x2, 0x200}, 0x2}, {{}, kLcd},
    };
    for (const auto& row : rows) {
        sim::SimNvidiaDisplay fresh;
        fresh.outputs() = sim.outputs();
        for (auto& o : fresh.outputs()) {
            o.connected =
                std::find(row.connected.begin(), row.connected.end(), o.mask) != row.connected.end();
        }
        display::NvidiaBackend nvidia(fresh, clock, settings);
        nvidia.switchTo(0x80000000, 0x1);
        ASSERT_FALSE(fresh.setViewCalls().empty());
        EXPECT_EQ(fresh.setViewCalls().back().masks, Masks{row.expected});
    }
}

platform::NvViewTargetInfo viewOf(const Masks& masks, bool secondPrimary = false) {
    platform::NvViewTargetInfo view;
    view.count = static_cast<std::uint32_t>(masks.size());
    for (std::size_t i = 0; i < masks.size(); ++i) {
        view.target[i].deviceMask = masks[i];
        view.target[i].flags = i == 0 || (i == 1 && secondPrimary) ? platform::kNvViewTargetPrimary : 0;
    }
    return view;
}

TEST(NvidiaViewValueTest, DualViewCloneAndStandardRules) {
    display::NvidiaOutputs withHdmi;
    withHdmi.connected = kLcd | 0x2 | 0x200 | kHdmi | kDviD | kDp;
    withHdmi.panel = true;
    withHdmi.hdmi = kHdmi;
    withHdmi.dviD = kDviD;
    withHdmi.displayPort = kDp;
    display::NvidiaOutputs noHdmi = withHdmi;
    noHdmi.hdmi = 0;
    constexpr std::uint32_t kDual = nv::view::kDualView;
    constexpr std::uint32_t kClone = nv::view::kClone;
    constexpr std::uint32_t kStd = nv::view::kStandard;
    const struct {
        const display::NvidiaOutputs& outputs;
        Masks masks;
        bool secondPrimary;
        std::uint32_t mode;
        bool atOrigin;
        std::uint32_t expected;
    } rows[] = {
        {withHdmi, {kLcd, kHdmi}, false, kDual, true, 0x2000000},
        {withHdmi, {kLcd, kHdmi}, false, kDual, false, 0x4000000}, // DISPLAY1 elsewhere: exchanged
        {withHdmi, {kLcd, kHdmi}, true, kDual, false, 0x2000000},  // and exchanged once more
        {withHdmi, {kLcd, kHdmi}, true, kDual, true, 0x4000000},
        {withHdmi, {0x2, kLcd}, false, kDual, true, 0x40000},
        {withHdmi, {kLcd, kDviD}, false, kDual, true, 0x80000},
        {withHdmi, {kDp, kLcd}, false, kDual, true, 0x100000},
        {withHdmi, {kDp, kHdmi}, false, kDual, true, 0x8000000}, // DisplayPort + HDMI take the LCD + TV
                                                                 // values
        {withHdmi, {kHdmi, kDp}, false, kDual, true, 0x10000000},
        {withHdmi, {kHdmi, 0x2}, false, kDual, true, 0x20000000},
        {withHdmi, {kLcd, 0x2}, false, kClone, true, 0x2},
        {withHdmi, {kLcd, 0x200}, false, kClone, true, 0x200},
        {withHdmi, {kLcd, kHdmi}, false, kClone, true, 0x80},
        {noHdmi, {kLcd, kHdmi}, false, kClone, true, 0x8}, // no HDMI output on the GPU
        {withHdmi, {kLcd, kDp}, false, kClone, true, 0x8},
        {withHdmi, {0x2, kHdmi}, false, kClone, true, 0x800},
        {withHdmi, {0x2, kDviD}, false, kClone, true, 0x20},
        {withHdmi, {0x1, 0x2}, false, kClone, true, 0x40},
        {withHdmi, {kHdmi}, false, kStd, true, 0x100},
        {withHdmi, {kHdmi, kLcd}, false, kStd, true, 0x1},
        {withHdmi, {kHdmi, 0x1}, false, kStd, true, 0x4},
        {withHdmi, {kHdmi, kDviD}, false, kStd, true, 0x10}, // later rules win
        {withHdmi, {kHdmi, 0x200}, false, kStd, true, 0x400},
        {withHdmi, {0x200, kDp}, false, kStd, true, 0x10},
        {withHdmi, {}, false, kStd, true, 0},
        {withHdmi, {0x12345}, false, kStd, true, 0}, // an unknown output
    };
    for (const auto& row : rows) {
        EXPECT_EQ(display::nvidiaViewValue(row.outputs, viewOf(row.masks, row.secondPrimary), row.mode,
                                           row.atOrigin),
                  row.expected)
            << std::hex << row.masks.front() << " mode " << row.mode << " origin " << row.atOrigin;
    }
}

TEST(NvidiaViewValueTest, AValueTheConnectedOutputsDoNotOfferFallsBackToTheFirstSingleOne) {
    display::NvidiaOutputs panelHdmi;
    panelHdmi.connected = kLcd | kHdmi;
    panelHdmi.panel = true;
    panelHdmi.hdmi = kHdmi;
    display::NvidiaOutputs hdmiOnly = panelHdmi;
    hdmiOnly.connected = kHdmi;
    display::NvidiaOutputs dpHdmi = panelHdmi;
    dpHdmi.connected = kLcd | kHdmi | kDp;
    dpHdmi.displayPort = kDp;
    const display::NvidiaOutputs none;
    const struct {
        const display::NvidiaOutputs& outputs;
        std::uint32_t value;
        bool onlyStandard;
        bool singlesOnly;
        std::uint32_t expected;
    } rows[] = {
        {panelHdmi, 0x2000000, false, false, 0x2000000},
        {panelHdmi, 0x80, false, false, 0x80},
        {panelHdmi, 0x2000000, true, false, 0x1},
        {panelHdmi, 0x2000000, false, true, 0x1},
        {panelHdmi, 0x100, true, true, 0x100},
        {panelHdmi, 0x20000, false, false, 0x1}, // no CRT connected
        {panelHdmi, 0, false, false, 0x1},
        {hdmiOnly, 0x2000000, false, false, 0x100},
        {dpHdmi, 0x8000000, false, false, 0x8000000},
        {dpHdmi, 0x10, false, false, 0x10},
        {panelHdmi, 0x8000000, false, false, 0x1}, // no TV and no DisplayPort
        {none, 0x100, false, false, 0x1},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(display::nvidiaAvailableValue(row.outputs, row.value, row.onlyStandard, row.singlesOnly),
                  row.expected)
            << std::hex << row.value;
    }
}

TEST_F(NvidiaBackendTest, TheCurrentValueComesFromTheViewOfDisplayHandleZero) {
    sim.setView({{kLcd, kHdmi}, nv::view::kDualView});
    EXPECT_EQ(backend.currentValue(), 0x2000000U);
    sim.setView({{kHdmi, kLcd}, nv::view::kClone});
    EXPECT_EQ(backend.currentValue(), 0x80U);
    settings.addDevice("\\\\.\\DISPLAY1", {}, platform::DisplayMode{});
    platform::DisplayMode right;
    right.positionX = 1920;
    settings.setCurrent("\\\\.\\DISPLAY1", right);
    sim.setView({{kLcd, kHdmi}, nv::view::kDualView});
    EXPECT_EQ(backend.currentValue(), 0x4000000U);
    sim.setSupportedViews({nv::view::kStandard});
    EXPECT_EQ(backend.currentValue(), 0x1U);
    sim.setSupportedViews({nv::view::kStandard, nv::view::kDualView});
    sim.setGpuCounts(2, 2);
    EXPECT_EQ(backend.currentValue(), 0x1U);
    sim.setGpuCounts(2, 1);
    EXPECT_EQ(backend.currentValue(), 0x4000000U);
    EXPECT_EQ(sim.loaded(), 0);
}

TEST_F(NvidiaBackendTest, AnUnreadableArrangementGivesZeroAndBadCountsAreNeverFollowed) {
    sim.setView({{kLcd, kHdmi}, nv::view::kDualView});
    const struct {
        const char* fault;
        void (*inject)(sim::SimNvidiaDisplay&);
        std::uint32_t expected;
    } rows[] = {
        {"none", [](sim::SimNvidiaDisplay&) {}, 0x2000000},
        {"library missing", [](sim::SimNvidiaDisplay& s) { s.setPresent(false); }, 0},
        {"initialise fails", [](sim::SimNvidiaDisplay& s) { s.setInitializeResult(nv::kDeviceNotFound); }, 0},
        {"no driver version", [](sim::SimNvidiaDisplay& s) { s.removeEntry(nv::id::kDisplayDriverVersion); },
         0},
        {"driver version record",
         [](sim::SimNvidiaDisplay& s) { s.setAnswerVersion(nv::id::kDisplayDriverVersion, 0x2008C); }, 0},
        {"no display handle", [](sim::SimNvidiaDisplay& s) { s.setDisplayHandleCount(0); }, 0},
        {"no view", [](sim::SimNvidiaDisplay& s) { s.removeEntry(nv::id::kGetView); }, 0},
        {"view record", [](sim::SimNvidiaDisplay& s) { s.setAnswerVersion(nv::id::kGetView, 0x10020); }, 0},
        {"three view targets", [](sim::SimNvidiaDisplay& s) { s.setReportedViewCount(3); }, 0},
        {"unknown mask bits", [](sim::SimNvidiaDisplay& s) { s.setExtraMaskBits(0x80000004); }, 0x2000000},
        {"view modes past the array", [](sim::SimNvidiaDisplay& s) { s.setReportedViewModeCount(9); },
         0x2000000},
        // GPUs past the array: no output is classified, so HDMI is not recognised.
        {"GPUs past the array", [](sim::SimNvidiaDisplay& s) { s.setReportedGpuCount(65); }, 0x1},
        // Unreadable connector types: no panel is recognised, the first connected single display is reported.
        {"connector record",
         [](sim::SimNvidiaDisplay& s) { s.setAnswerVersion(nv::id::kConnectorInfo, 0x2002C); }, 0x4},
        {"no connector info", [](sim::SimNvidiaDisplay& s) { s.removeEntry(nv::id::kConnectorInfo); }, 0x4},
    };
    for (const auto& row : rows) {
        sim::SimNvidiaDisplay fresh;
        fresh.outputs() = sim.outputs();
        fresh.setView(sim.view());
        row.inject(fresh);
        display::NvidiaBackend nvidia(fresh, clock, settings);
        EXPECT_EQ(nvidia.currentValue(), row.expected) << row.fault;
        EXPECT_EQ(fresh.loaded(), 0) << row.fault;
    }
}

TEST_F(NvidiaBackendTest, TheEdidOfTheConnectedHdmiOutput) {
    const auto tv = tvEdid();
    const struct {
        const char* name;
        void (*arrange)(sim::SimNvidiaDisplay&);
        std::int32_t expected;
    } rows[] = {
        {"in use",
         [](sim::SimNvidiaDisplay& s) {
             s.setView({{kLcd, kHdmi}, nv::view::kClone});
         },
         1},
        {"not in use", [](sim::SimNvidiaDisplay&) {}, 0},
        {"on the second output",
         [](sim::SimNvidiaDisplay& s) {
             s.output(kHdmi)->connector = nv::connector::kDviD;
             s.output(kDviD)->connector = nv::connector::kHdmiA;
             s.output(kDviD)->edid = tvEdid();
         },
         0},
        {"not connected", [](sim::SimNvidiaDisplay& s) { s.output(kHdmi)->connected = false; }, -2},
        {"DVI-D only", [](sim::SimNvidiaDisplay& s) { s.output(kHdmi)->connector = nv::connector::kDviD; },
         -2},
        {"HDMI on output 0x80000", [](sim::SimNvidiaDisplay& s) { s.output(kHdmi)->mask = kDp; }, -2},
        {"no display handle", [](sim::SimNvidiaDisplay& s) { s.setDisplayHandleCount(0); }, -2},
        {"GPUs past the array", [](sim::SimNvidiaDisplay& s) { s.setReportedGpuCount(65); }, -2},
        {"initialise fails", [](sim::SimNvidiaDisplay& s) { s.setInitializeResult(nv::kError); }, -1},
        {"library missing", [](sim::SimNvidiaDisplay& s) { s.setPresent(false); }, -3},
        {"EDID read fails", [](sim::SimNvidiaDisplay& s) { s.setEdidFails(true); }, -3},
        {"EDID entry missing", [](sim::SimNvidiaDisplay& s) { s.removeEntry(nv::id::kEdid); }, -3},
        {"EDID record", [](sim::SimNvidiaDisplay& s) { s.setAnswerVersion(nv::id::kEdid, 0x30108); }, -3},
        {"unknown mask bits", [](sim::SimNvidiaDisplay& s) { s.setExtraMaskBits(0xFF00FF00); }, 0},
    };
    for (const auto& row : rows) {
        sim::SimNvidiaDisplay fresh;
        fresh.outputs() = sim.outputs();
        row.arrange(fresh);
        display::NvidiaBackend nvidia(fresh, clock, settings);
        std::array<std::uint8_t, 300> buffer{};
        buffer.fill(0xA5);
        std::fill(buffer.begin(), buffer.begin() + 256, 0);
        EXPECT_EQ(nvidia.readEdid(buffer.data(), 0), row.expected) << row.name;
        if (row.expected >= 0) {
            EXPECT_TRUE(std::equal(tv.begin(), tv.end(), buffer.begin())) << row.name;
        } else {
            EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 256, [](auto b) { return b == 0; }))
                << row.name;
        }
        EXPECT_TRUE(std::all_of(buffer.begin() + 256, buffer.end(), [](auto b) { return b == 0xA5; }))
            << row.name;
        EXPECT_EQ(fresh.loaded(), 0) << row.name;
    }
}

TEST_F(NvidiaBackendTest, AtMostOneHundredTwentyEightDisplayHandlesAreLookedAt) {
    sim.output(kHdmi)->connected = false;
    sim.setDisplayHandleCount(500);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(read(edid), -2);
    EXPECT_EQ(sim.displayHandleEnumerations(), 128);
}

TEST_F(NvidiaBackendTest, PresentWhenTheInterfaceInitialisesAndDisplayHandleZeroExists) {
    EXPECT_TRUE(backend.present());
    sim.setDisplayHandleCount(0);
    EXPECT_FALSE(backend.present());
    sim.setDisplayHandleCount(1);
    sim.setInitializeResult(nv::kLibraryNotFound);
    EXPECT_FALSE(backend.present());
    sim.setInitializeResult(1); // non-negative counts as success
    EXPECT_TRUE(backend.present());
    sim.setPresent(false);
    EXPECT_FALSE(backend.present());
    EXPECT_EQ(sim.loaded(), 0);
}

// On Windows 6.0 the library reads and switches the arrangement through the NVIDIA back-end.
class NvidiaPanelidTest : public PanelidTest {
protected:
    NvidiaPanelidTest() {
        os.set(6, 0);
        driver.outputs() = {{kLcd, nv::connector::kLvds, true, std::nullopt, std::nullopt},
                            {kHdmi, nv::connector::kHdmiA, true, tvEdid(), std::nullopt}};
    }
    display::Panelid nvidiaLibrary() {
        return display::Panelid(
            display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
            display::VendorBackends{nullptr, &backend, nullptr, nullptr});
    }
    sim::SimNvidiaDisplay driver;
    display::NvidiaBackend backend{driver, clock, settings};
};

TEST_F(NvidiaPanelidTest, SwitchingAndSwappingThroughTheLibrary) {
    EXPECT_EQ(nvidiaLibrary().getMonitorDevice(), 0x1);
    EXPECT_EQ(nvidiaLibrary().setMonitorDevice(0x2000000), 0);
    EXPECT_EQ(nvidiaLibrary().getMonitorDevice(), 0x2000000);
    EXPECT_EQ(nvidiaLibrary().setMonitorDevice(0x80000000), 0);
    EXPECT_EQ(nvidiaLibrary().getMonitorDevice(), 0x4000000);
    driver.refuseViews(11);
    EXPECT_EQ(nvidiaLibrary().setMonitorDevice(0x1), 0); // refused, still reported as handled
    EXPECT_EQ(nvidiaLibrary().getMonitorDevice(), 0x4000000);
    driver.setDisplayHandleCount(0);
    EXPECT_EQ(nvidiaLibrary().getMonitorDevice(), -1); // no longer present
    driver.setDisplayHandleCount(1);
    driver.setInitializeResult(nv::kError);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(nvidiaLibrary().getPanelid(edid), -1);
}

} // namespace
