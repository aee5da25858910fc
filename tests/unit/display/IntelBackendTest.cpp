// The Intel back-end: its requests per target, the value of the devices' status bits, and the
// back-end running over the simulated driver (EDID, reading, switching, bad driver answers).
#include "PanelidFixture.h"

#include "display/backends/IntelBackend.h"
#include "sim/SimIntelDisplay.h"

#include <string>

namespace {

using namespace displaytest;
using display::IntelBackend;
using Kind = IntelBackend::Kind;
using Request = IntelBackend::Request;
namespace igfx = platform::igfx;

constexpr std::uint32_t L = igfx::kTypeLcd, C = igfx::kTypeCrt, D = igfx::kTypeDigital, H = igfx::kTypeHdmi,
                        T = igfx::kTypeTv, S = igfx::kTypeSecondDigital;

Request single(std::uint32_t t) {
    return {Kind::Single, t, 0};
}
Request clone(std::uint32_t a, std::uint32_t b) {
    return {Kind::Clone, a, b};
}
Request extended(std::uint32_t a, std::uint32_t b) {
    return {Kind::Extended, a, b};
}

std::string text(const std::vector<Request>& requests) {
    std::string out;
    for (const Request& r : requests) {
        out += std::to_string(static_cast<int>(r.kind)) + ":" + std::to_string(r.first) + "," +
               std::to_string(r.second) + " ";
    }
    return out;
}

TEST(IntelRequests, EveryTargetGivesItsRequests) {
    const struct {
        std::uint32_t target;
        std::uint32_t current;
        bool type7;
        bool tvFirst;
        std::vector<Request> expected;
    } rows[] = {
        {0x1, 0x80, false, false, {single(L)}},
        {0x12345, 0x1, false, false, {single(L)}}, // not listed
        {0x8010, 0x1, false, false, {single(L)}},
        {0x800000, 0x1, false, false, {single(L)}}, // two analog displays: the driver has one
        {0x4, 0x1, false, false, {single(C)}},
        {0x10, 0x1, false, false, {single(D)}},
        {0x10, 0x1, true, false, {single(S)}},
        {0x100, 0x1, false, false, {single(H)}},
        {0x400, 0x1, false, false, {single(T)}},
        {0x2, 0x1, false, false, {clone(L, C)}},
        {0x8, 0x1, false, false, {clone(L, D)}},
        {0x8, 0x1, true, false, {clone(L, S)}},
        {0x20, 0x1, false, false, {clone(C, D)}},
        {0x80, 0x1, false, false, {clone(L, H)}},
        {0x800, 0x1, false, false, {clone(H, C)}},
        {0x200, 0x1, false, false, {clone(L, T)}},
        {0x200, 0x1, false, true, {clone(T, L)}},
        {0x200, 0x1, true, true, {clone(S, H)}},
        // Extended: the primary alone first unless it already is alone.
        {0x20000, 0x1, false, false, {extended(L, C)}},
        {0x20000, 0x80, false, false, {single(L), extended(L, C)}},
        {0x40000, 0x4, false, false, {extended(C, L)}},
        {0x40000, 0x1, false, false, {single(C), extended(C, L)}},
        {0x80000, 0x1, true, false, {extended(L, S)}},
        {0x100000, 0x10, false, false, {extended(D, L)}},
        {0x100000, 0x10, true, false, {extended(S, L)}},
        {0x200000, 0x1, false, false, {single(D), extended(D, C)}},
        {0x400000, 0x4, false, false, {extended(C, D)}},
        {0x2000000, 0x1, false, false, {extended(L, H)}},
        {0x2000000, 0x4000000, false, false, {single(L), extended(L, H)}},
        {0x4000000, 0x100, false, false, {extended(H, L)}},
        {0x4000000, 0x1, false, false, {single(H), extended(H, L)}},
        {0x8000000, 0x1, false, false, {extended(L, T)}},
        {0x8000000, 0x1, true, false, {single(S), extended(S, H)}},
        {0x10000000, 0x400, false, false, {extended(T, L)}},
        {0x10000000, 0x100, true, false, {extended(H, S)}},
        {0x20000000, 0x1, false, false, {single(H), extended(H, C)}},
        {0x40000000, 0x1, false, false, {single(C), extended(C, H)}},
        // The swap: the new primary alone always first.
        {0x80000000, 0x4000000, false, false, {single(L), extended(L, H)}},
        {0x80000000, 0x2000000, false, false, {single(H), extended(H, L)}},
        {0x80000000, 0x20000, false, false, {single(C), extended(C, L)}},
        {0x80000000, 0x8000000, true, false, {single(H), extended(H, S)}},
        {0x80000000, 0x80, false, false, {single(L)}},
        {0x80000000, 0x800000, false, false, {single(L)}},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(text(IntelBackend::requestsFor(row.target, row.current, row.type7, row.tvFirst)),
                  text(row.expected))
            << std::hex << row.target << " from " << row.current;
    }
}

TEST(IntelStatus, TheStatusBitsGiveTheCurrentValue) {
    constexpr std::uint32_t U = igfx::kStatusAttached | igfx::kStatusInUse;
    constexpr std::uint32_t F = igfx::kStatusOnFirstDisplay, Z = igfx::kStatusOnSecondDisplay;
    const struct {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> types; // type, status
        bool atOrigin;
        std::uint32_t expected;
    } rows[] = {
        {{{L, U | F}}, true, 0x1},
        {{{C, U | F}}, true, 0x4},
        {{{D, U | F}}, true, 0x10},
        {{{S, U | F}}, true, 0x10},
        {{{H, U | F}}, true, 0x100},
        {{{T, U | F}}, true, 0x400},
        {{{L, U | F}, {H, 0x2}}, true, 0x1}, // attached but not in use
        {{{L, U | F}, {C, U | F}}, true, 0x2},
        {{{L, U | F}, {D, U | F}}, true, 0x8},
        {{{L, U | F}, {S, U | F}}, true, 0x8},
        {{{L, U | F}, {T, U | F}}, true, 0x200},
        {{{L, U | F}, {H, U | F}}, true, 0x80},
        {{{C, U | F}, {D, U | F}}, true, 0x20},
        {{{C, U | F}, {H, U | F}}, true, 0x800},
        {{{H, U | F}, {S, U | F}}, true, 0x200},
        {{{L, U | F}, {H, U | Z}}, true, 0x2000000},
        {{{L, U | F}, {H, U | Z}}, false, 0x4000000},
        {{{H, U | F}, {L, U | Z}}, true, 0x4000000},
        {{{L, U | F}, {C, U | Z}}, true, 0x20000},
        {{{C, U | F}, {L, U | Z}}, true, 0x40000},
        {{{L, U | F}, {D, U | Z}}, true, 0x80000},
        {{{S, U | F}, {L, U | Z}}, true, 0x100000},
        {{{D, U | F}, {C, U | Z}}, true, 0x200000},
        {{{C, U | F}, {S, U | Z}}, true, 0x400000},
        {{{L, U | F}, {T, U | Z}}, true, 0x8000000},
        {{{T, U | F}, {L, U | Z}}, true, 0x10000000},
        {{{S, U | F}, {H, U | Z}}, true, 0x8000000},
        {{{S, U | F}, {H, U | Z}}, false, 0x10000000},
        {{{H, U | F}, {C, U | Z}}, true, 0x20000000},
        {{{C, U | F}, {H, U | Z}}, true, 0x40000000},
        {{{L, U | Z}}, true, 0x1},                         // second display without a first: step 1
        {{{H, U | F}, {T, U | Z}}, true, 0x1},             // no value for the pair, nor for the clone
        {{{L, U | F}, {C, U | F}, {H, U | F}}, true, 0x1}, // three in use
        {{}, true, 0x1},                                   // nothing in use
    };
    for (const auto& row : rows) {
        std::array<std::uint32_t, igfx::kMaxType + 1> status{};
        for (const auto& [type, bits] : row.types) {
            status[type] = bits;
        }
        EXPECT_EQ(IntelBackend::valueOfStatus(status, row.atOrigin), row.expected)
            << "row with " << row.types.size() << " types, expected " << std::hex << row.expected;
    }
}

std::array<std::uint8_t, 256> edidBytes(std::uint8_t extensions) {
    std::array<std::uint8_t, 256> edid{};
    for (std::size_t i = 0; i < edid.size(); ++i) {
        edid[i] = static_cast<std::uint8_t>(i + 1);
    }
    edid[126] = extensions;
    return edid;
}

class IntelBackendTest : public PanelidTest {
protected:
    IntelBackendTest() { os.set(6, 0); } // the display configuration is unusable: Intel switches

    display::Panelid intelLibrary() {
        return display::Panelid(
            display::PanelidPorts{devices, os, config, settings, registry, clock, firmware},
            display::VendorBackends{&backend, nullptr, nullptr, nullptr});
    }
    void expectReleased() {
        EXPECT_EQ(igfx.comBalance(), 0);
        EXPECT_EQ(igfx.objects(), 0);
    }
    std::uint32_t value() { return static_cast<std::uint32_t>(intelLibrary().getMonitorDevice()); }

    sim::SimIntelDisplay igfx{config};
    IntelBackend backend{igfx, registry, settings};
};

TEST_F(IntelBackendTest, TheEdidComesFromTheAttachedHdmiDeviceOfDisplay1ThenDisplay2) {
    const struct {
        std::uint32_t hdmiType; // how the driver reports the HDMI output
        bool connected;
        bool inUse;
        bool display1Fails;
        bool firmwareHdmi;
        std::uint8_t extensions;
        std::int32_t expected;
    } rows[] = {
        {H, true, true, false, true, 1, 1},    {H, true, false, false, true, 1, 0},
        {H, true, true, false, false, 0, 1},  // type 5 is accepted whatever the firmware says
        {D, true, true, false, true, 1, 1},   // type 3 while the firmware sees HDMI
        {D, true, true, false, false, 1, -2}, // type 3 without it
        {H, false, false, false, true, 1, -2}, {H, true, true, true, true, 1, 1}, // found on Display2
        {T, true, true, false, true, 1, -2},                                      // no device of type 3 or 5
    };
    for (const auto& row : rows) {
        igfx.setReportedType(hdmi, row.hdmiType);
        igfx.setEdid(hdmi, edidBytes(row.extensions));
        config.setConnected(hdmi, row.connected);
        config.arrange(row.inUse ? std::vector<std::pair<std::size_t, std::uint32_t>>{{lcd, 0}, {hdmi, 1}}
                                 : std::vector<std::pair<std::size_t, std::uint32_t>>{{lcd, 0}});
        igfx.setEnumerationFails(igfx::kDisplay1, row.display1Fails);
        firmware.setHdmiConnected(row.firmwareHdmi);
        std::uint8_t edid[256] = {};
        // The presence test enumerates Display1; let it pass even when the EDID step's fails.
        EXPECT_EQ(row.display1Fails ? backend.readEdid(edid, row.firmwareHdmi ? 0x10 : 0)
                                    : intelLibrary().getPanelid(edid),
                  row.expected)
            << "type " << row.hdmiType << " firmware HDMI " << row.firmwareHdmi;
        if (row.expected >= 0) {
            const auto expected = edidBytes(row.extensions);
            const std::size_t written = row.extensions != 0 ? 256 : 128;
            EXPECT_TRUE(std::equal(expected.begin(), expected.begin() + written, edid));
            EXPECT_TRUE(std::all_of(edid + written, edid + 256, [](std::uint8_t b) { return b == 0; }));
        }
        expectReleased();
    }
}

TEST_F(IntelBackendTest, BlockOneIsReadOnlyWhenTheBaseBlockCountsAnExtension) {
    igfx.setEdid(hdmi, edidBytes(0));
    std::uint8_t edid[256] = {};
    EXPECT_EQ(intelLibrary().getPanelid(edid), 0);
    ASSERT_EQ(igfx.edidReads().size(), 1u);
    EXPECT_EQ(igfx.edidReads()[0].deviceId, 0x200u);
    EXPECT_EQ(igfx.edidReads()[0].block, 0u);
    EXPECT_EQ(edid[127], 128);
    EXPECT_TRUE(std::all_of(edid + 128, edid + 256, [](std::uint8_t b) { return b == 0; }));
}

TEST_F(IntelBackendTest, AFailingDriverGivesMinusThreeAndReleasesEverything) {
    igfx.setEdid(hdmi, edidBytes(1));
    std::uint8_t edid[256] = {};
    igfx.setEdidFails(true);
    EXPECT_EQ(intelLibrary().getPanelid(edid), -3);
    igfx.setEdidFails(false);
    igfx.setEdidStatus(5);
    EXPECT_EQ(intelLibrary().getPanelid(edid), -3);
    igfx.setEdidStatus(0);
    igfx.setEdid(hdmi, std::nullopt); // the driver has no EDID for the device
    EXPECT_EQ(intelLibrary().getPanelid(edid), -3);
    igfx.setEdid(hdmi, edidBytes(1));
    igfx.setInterfaceMissing(platform::IntelInterface::Edid, true);
    EXPECT_EQ(intelLibrary().getPanelid(edid), -3);
    igfx.setInterfaceMissing(platform::IntelInterface::Edid, false);
    expectReleased();
    // Not a candidate at all: the next back-end, none here.
    for (int fault = 0; fault < 4; ++fault) {
        igfx.setComFails(fault == 0);
        igfx.setRegistered(fault != 1);
        igfx.setInterfaceMissing(platform::IntelInterface::PresenceTest, fault == 2);
        igfx.setEnumerationFails(igfx::kDisplay1, fault == 3);
        EXPECT_EQ(intelLibrary().getPanelid(edid), -1) << fault;
        EXPECT_EQ(intelLibrary().getMonitorDevice(), -1) << fault;
        EXPECT_EQ(intelLibrary().vendorCode(), display::vendor::kNone) << fault;
        expectReleased();
    }
}

TEST_F(IntelBackendTest, BadDeviceListsNeverIndexPastTheTables) {
    igfx.setEndlessEnumeration(true);
    igfx.setReportedType(lcd, 0xFFFFFFFF);
    igfx.setReportedType(crtA, 6);
    config.setConnected(crtA, true);
    config.setConnected(hdmi, false);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(intelLibrary().getPanelid(edid), -2); // HDMI not connected
    EXPECT_EQ(value(), 0x1u);                       // nothing the values can name
    intelLibrary().setMonitorDevice(0x2000000);
    expectReleased();
}

TEST_F(IntelBackendTest, SwitchingSetsTheModeThenSendsTheRecords) {
    EXPECT_EQ(intelLibrary().setMonitorDevice(0x2000000), 0);
    ASSERT_GE(settings.changes().size(), 2u);
    const auto& modeSet = settings.changes()[0];
    ASSERT_TRUE(modeSet.mode.has_value());
    EXPECT_EQ(modeSet.flags, 0x10000001u);
    EXPECT_EQ(modeSet.mode->fields, 0x7C0000u);
    EXPECT_EQ(modeSet.mode->pelsWidth, 1024u);
    EXPECT_EQ(modeSet.mode->pelsHeight, 768u);
    EXPECT_EQ(modeSet.mode->bitsPerPel, 32u);
    EXPECT_EQ(modeSet.mode->displayFrequency, 60u);
    EXPECT_FALSE(settings.changes()[1].mode.has_value());
    EXPECT_EQ(settings.changes()[1].flags, 0u);

    ASSERT_EQ(igfx.records().size(), 2u); // the LCD is alone already: no single request
    const auto bytes = [](const platform::IntelConfigRecord& r) {
        return std::vector<std::uint8_t>(reinterpret_cast<const std::uint8_t*>(&r),
                                         reinterpret_cast<const std::uint8_t*>(&r) + sizeof(r));
    };
    const auto word = [](const std::vector<std::uint8_t>& b, std::size_t at) {
        return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 | b[at + 3] << 24);
    };
    const std::vector<std::uint8_t> first = bytes(igfx.records()[0]);
    EXPECT_EQ(word(first, 0), 120u);
    EXPECT_EQ(std::u16string(igfx.records()[0].display), u"\\\\.\\Display1");
    EXPECT_EQ(word(first, 84), 1u);
    EXPECT_EQ(word(first, 88), 0u);
    EXPECT_EQ(word(first, 92), 1u);
    EXPECT_EQ(word(first, 96), 0x100u);
    EXPECT_TRUE(std::all_of(first.begin() + 100, first.end(), [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(std::u16string(igfx.records()[1].display), u"\\\\.\\Display2");
    EXPECT_EQ(igfx.records()[1].device, 0x200u);
    EXPECT_EQ(value(), 0x2000000u);
    expectReleased();

    igfx.clearRecords();
    intelLibrary().setMonitorDevice(0x80);
    ASSERT_EQ(igfx.records().size(), 1u);
    EXPECT_EQ(igfx.records()[0].mode, 3u);
    EXPECT_EQ(igfx.records()[0].secondDevice, 0x100u); // first-named: the LCD
    EXPECT_EQ(igfx.records()[0].device, 0x200u);
    EXPECT_EQ(value(), 0x80u);
}

TEST_F(IntelBackendTest, TheSimulatedHardwareFollowsEverySwitchAndTheSwap) {
    const std::uint32_t steps[][2] = {
        {0x4000000, 0x4000000},
        {0x80000000, 0x2000000},
        {0x80000000, 0x4000000},
        {0x100, 0x100},
        {0x80, 0x80},
        {0x1, 0x1},
        {0x80000000, 0x1},
        {0x2000000, 0x2000000},
        {0x20000, 0x1}, // the CRT is not connected: the LCD alone, then its identifier 0 is refused
    };
    for (const auto& [target, expected] : steps) {
        intelLibrary().setMonitorDevice(target);
        EXPECT_EQ(value(), expected) << std::hex << target;
    }
    expectReleased();
}

TEST_F(IntelBackendTest, FnF5PutsTheTvFirstInTheLcdTvClone) {
    config.setConnected(hdmi, false);
    config.addTarget(0, 0x600, tech::kSVideo);
    const struct {
        std::optional<std::uint32_t> fnf5;
        bool asString;
        std::uint32_t firstNamed;
    } rows[] = {{std::nullopt, false, 0x100}, {1, false, 0x600}, {2, false, 0x100}, {1, true, 0x100}};
    for (const auto& row : rows) {
        registry.deleteValue(platform::kHkeyLocalMachine, L"Software\\Korvath\\QRX", L"FNF5");
        if (row.fnf5 && row.asString) {
            registry.setString(platform::kHkeyLocalMachine, L"Software\\Korvath\\QRX", L"FNF5", L"1");
        } else if (row.fnf5) {
            registry.setDword(platform::kHkeyLocalMachine, L"Software\\Korvath\\QRX", L"FNF5", *row.fnf5);
        }
        igfx.clearRecords();
        intelLibrary().setMonitorDevice(0x200);
        ASSERT_EQ(igfx.records().size(), 1u);
        EXPECT_EQ(igfx.records()[0].secondDevice, row.firstNamed);
        EXPECT_EQ(value(), 0x200u);
    }
}

} // namespace
