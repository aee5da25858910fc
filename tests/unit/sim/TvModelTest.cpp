// The simulated TV as the PC sees it on the bus: its answers, its reactions to the PC's
// messages, the frames of its scenario actions and the EDID it shows.
#include "sim/TvModel.h"
#include "common/Vendor.h"

#include <gtest/gtest.h>

#include <numeric>
#include <optional>
#include <string>
#include <vector>

namespace {

struct Pc final : sim::CecDevice {
    std::uint8_t address = 4;
    std::vector<sim::CecFrame> frames;
    std::uint16_t logicalAddresses() const override { return static_cast<std::uint16_t>(1u << address); }
    void receive(const sim::CecFrame& frame, std::uint64_t) override { frames.push_back(frame); }
};

// The physical address in an EDID, found as a reader of the CEA extension finds it.
std::optional<std::uint16_t> addressInEdid(const sim::TvModel::Edid& edid) {
    if (edid[128] != 0x02 || edid[129] != 0x03) {
        return std::nullopt;
    }
    const std::size_t end = 128 + edid[130];
    for (std::size_t p = 132; p < end && p + 5 <= 255; p += (edid[p] & 0x1F) + 1u) {
        if ((edid[p] >> 5) == 3 && edid[p + 1] == 0x03 && edid[p + 2] == 0x0C && edid[p + 3] == 0x00) {
            return static_cast<std::uint16_t>(edid[p + 4] << 8 | edid[p + 5]);
        }
    }
    return std::nullopt;
}

class TvModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        bus.attach(&pc);
        tv.setCableConnected(true);
    }

    // The PC sends a frame now.
    void fromPc(const sim::CecFrame& frame) { bus.transmit(frame, &pc); }

    std::vector<std::string> linesFrom(std::size_t first) const {
        std::vector<std::string> lines;
        for (std::size_t i = first; i < bus.records().size(); ++i) {
            lines.push_back(bus.records()[i].describe());
        }
        return lines;
    }

    sim::VirtualClock clock;
    sim::CecBus bus{clock};
    Pc pc;
    sim::TvModel tv{clock, bus};
};

TEST_F(TvModelTest, TheTvAnswersDirectQueriesAfterItsResponseDelay) {
    tv.setPower(sim::TvModel::Power::Standby);
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGiveDeviceVendorId));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGivePhysicalAddress));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGiveOsdName));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGetCecVersion));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGiveDevicePowerStatus));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGetMenuLanguage));
    fromPc(sim::makeFrame(4, 15, sim::cecop::kGiveDeviceVendorId)); // not to the TV: no answer
    clock.advanceTo(49);
    EXPECT_EQ(bus.records().size(), 7u);
    clock.advanceTo(50);
    EXPECT_EQ(linesFrom(7),
              (std::vector<std::string>{
                  "TV -> Broadcast: Device Vendor ID [vendor id 0x0A1B2C]",
                  "TV -> Broadcast: Report Physical Address [physical address 0.0.0.0, device type TV]",
                  "TV -> Playback 1: Set OSD Name [name \"TV\"]",
                  "TV -> Playback 1: CEC Version [version 1.4]",
                  "TV -> Playback 1: Report Power Status [standby]",
                  "TV -> Broadcast: Set Menu Language [language \"eng\"]",
              }));
    EXPECT_EQ(tv.received().size(), 7u);
}

TEST_F(TvModelTest, ATvWithoutCecIsNotOnTheBusAndAnswersNothing) {
    tv.setSpeaksCec(false);
    EXPECT_FALSE(tv.onBus());
    EXPECT_FALSE(bus.poll(4, 0, &pc));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kGiveDeviceVendorId));
    tv.standby();
    tv.switchToPc(sim::TvModel::Route::SetStreamPath);
    clock.advanceTo(1000);
    EXPECT_EQ(bus.records().size(), 2u); // the poll and the PC's frame
    EXPECT_TRUE(tv.showsPc());           // the user still switched inputs with the remote
    tv.setSpeaksCec(true);
    EXPECT_TRUE(bus.poll(4, 0, &pc));
}

TEST_F(TvModelTest, ThePcsMessagesPowerAndSwitchTheTv) {
    tv.setPower(sim::TvModel::Power::Standby);
    fromPc(sim::makeFrame(4, 15, sim::cecop::kActiveSource, {0x10, 0x00}));
    EXPECT_EQ(tv.activeSource(), 0x1000);
    EXPECT_FALSE(tv.input().has_value()); // in standby the input stays
    fromPc(sim::makeFrame(4, 0, sim::cecop::kTextViewOn));
    EXPECT_EQ(tv.power(), sim::TvModel::Power::On);
    EXPECT_FALSE(tv.showsPc());
    fromPc(sim::makeFrame(4, 15, sim::cecop::kActiveSource, {0x10, 0x00}));
    EXPECT_TRUE(tv.showsPc());

    fromPc(sim::makeFrame(4, 0, sim::cecop::kInactiveSource, {0x20, 0x00})); // not the current source
    EXPECT_TRUE(tv.showsPc());
    fromPc(sim::makeFrame(4, 0, sim::cecop::kInactiveSource, {0x10, 0x00}));
    EXPECT_FALSE(tv.input().has_value());
    EXPECT_FALSE(tv.activeSource().has_value());

    fromPc(sim::makeFrame(4, 0, sim::cecop::kImageViewOn));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kStandby));
    EXPECT_EQ(tv.power(), sim::TvModel::Power::Standby);
    fromPc(sim::makeFrame(4, 0, sim::cecop::kImageViewOn));
    fromPc(sim::makeFrame(4, 15, sim::cecop::kStandby));
    EXPECT_EQ(tv.power(), sim::TvModel::Power::Standby);

    // A truncated <Active Source> is recorded and otherwise ignored.
    tv.setPower(sim::TvModel::Power::On);
    fromPc(sim::makeFrame(4, 15, sim::cecop::kActiveSource, {0x10}));
    EXPECT_FALSE(tv.input().has_value());
    EXPECT_EQ(tv.receivedWith(sim::cecop::kActiveSource).size(), 3u);
}

TEST_F(TvModelTest, TheTvRemembersWhatThePcToldIt) {
    fromPc(sim::makeFrame(4, 0, sim::cecop::kMenuStatus, {sim::cecval::kMenuActivated}));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kSetOsdName, {'V', 'i', 'r', 'e', 'o'}));
    fromPc(sim::makeFrame(4, 0, sim::cecop::kFeatureAbort, {0x92, 0x03}));
    EXPECT_EQ(tv.lastMenuState(), sim::cecval::kMenuActivated);
    EXPECT_EQ(tv.pcOsdName(), "Vireo");
    ASSERT_EQ(tv.featureAborts().size(), 1u);
    EXPECT_EQ(tv.featureAborts()[0].opcode, 0x92);
    EXPECT_EQ(tv.featureAborts()[0].reason, 0x03);

    const std::uint8_t v0 = static_cast<std::uint8_t>(kKorvathVendorId >> 16);
    const std::uint8_t v1 = static_cast<std::uint8_t>(kKorvathVendorId >> 8);
    const std::uint8_t v2 = static_cast<std::uint8_t>(kKorvathVendorId);
    fromPc(sim::makeFrame(4, 0, sim::cecop::kVendorCommandWithId, {v0, v1, v2, 0x30, 0x02}));
    EXPECT_EQ(tv.enhancedMode(), 0x02);
    fromPc(sim::makeFrame(4, 0, sim::cecop::kVendorCommandWithId, {0x00, 0x80, 0x45, 0x30, 0x05}));
    EXPECT_EQ(tv.enhancedMode(), 0x02); // another vendor's command
    tv.setVendorId(0x008045);
    fromPc(sim::makeFrame(4, 0, sim::cecop::kVendorCommandWithId, {v0, v1, v2, 0x30, 0x07}));
    EXPECT_EQ(tv.enhancedMode(), 0x02); // this TV is not the maker's
}

TEST_F(TvModelTest, SwitchingActionsChangeTheInputAtOnceAndAnnounceItAfterTheDelay) {
    tv.switchToPc(sim::TvModel::Route::SetStreamPath);
    EXPECT_TRUE(tv.showsPc());
    EXPECT_TRUE(bus.records().empty());
    clock.advanceTo(50);
    tv.switchTo(0x2000, sim::TvModel::Route::RoutingChange);
    tv.switchToPc(sim::TvModel::Route::RoutingChange);
    tv.switchTo(0x0000, sim::TvModel::Route::SetStreamPath);
    tv.standby();
    tv.powerOn(); // on its tuner: nothing to announce
    tv.switchTo(0x3000, sim::TvModel::Route::SetStreamPath);
    tv.standby();
    tv.powerOn();
    clock.advanceTo(100);
    EXPECT_EQ(linesFrom(0), (std::vector<std::string>{
                                "TV -> Broadcast: Set Stream Path [physical address 1.0.0.0]",
                                "TV -> Broadcast: Routing Change [from 1.0.0.0, to 2.0.0.0]",
                                "TV -> Broadcast: Routing Change [from 2.0.0.0, to 1.0.0.0]",
                                "TV -> Broadcast: Routing Change [from 1.0.0.0, to 0.0.0.0]",
                                "TV -> Broadcast: Standby",
                                "TV -> Broadcast: Set Stream Path [physical address 3.0.0.0]",
                                "TV -> Broadcast: Standby",
                                "TV -> Broadcast: Set Stream Path [physical address 3.0.0.0]",
                            }));
    EXPECT_EQ(tv.power(), sim::TvModel::Power::On);
    EXPECT_EQ(tv.input(), 0x3000);
}

TEST_F(TvModelTest, RequestsGoToThePcAtTheLogicalAddressTheTvLearned) {
    tv.sendMenuRequest(sim::cecval::kMenuActivate);
    clock.advanceTo(50);
    ASSERT_EQ(pc.frames.size(), 1u);
    EXPECT_EQ(pc.frames[0].destination(), 4);

    // The PC turns out to be at 8.
    bus.detach(&pc);
    pc.address = 8;
    bus.attach(&pc);
    fromPc(sim::makeFrame(8, 15, sim::cecop::kReportPhysicalAddress,
                          {0x10, 0x00, sim::cecval::kDevicePlayback}));
    EXPECT_EQ(tv.pcLogicalAddress(), 8);
    const std::size_t first = bus.records().size();
    tv.sendRoutingInformation();
    tv.sendRequestActiveSource();
    tv.sendGiveOsdName();
    tv.sendPlay(sim::cecval::kPlayStill);
    tv.sendDeckControl(sim::cecval::kDeckStop);
    tv.sendGiveDeckStatus(sim::cecval::kStatusOnce);
    tv.sendGiveTunerDeviceStatus(sim::cecval::kStatusOn);
    const std::uint8_t analogue[] = {0x01, 0x12, 0x34, 0x00};
    tv.sendSelectAnalogueService(analogue);
    const std::uint8_t digital[] = {0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06};
    tv.sendSelectDigitalService(digital);
    tv.sendTunerStepIncrement();
    tv.sendTunerStepDecrement();
    tv.sendGiveDeviceVendorId();
    tv.sendRaw(sim::makeFrameFromBytes(std::vector<std::uint8_t>{0x08, 0xC5, 0x01}.data(), 3));
    clock.advanceTo(clock.now() + 50);
    EXPECT_EQ(linesFrom(first), (std::vector<std::string>{
                                    "TV -> Broadcast: Routing Information [physical address 1.0.0.0]",
                                    "TV -> Broadcast: Request Active Source",
                                    "TV -> Playback 2: Give OSD Name",
                                    "TV -> Playback 2: Play [play still]",
                                    "TV -> Playback 2: Deck Control [stop]",
                                    "TV -> Playback 2: Give Deck Status [once]",
                                    "TV -> Playback 2: Give Tuner Device Status [on]",
                                    "TV -> Playback 2: Select Analogue Service [service 01 12 34 00]",
                                    "TV -> Playback 2: Select Digital Service [service 00 01 02 03 04 05 06]",
                                    "TV -> Playback 2: Tuner Step Increment",
                                    "TV -> Playback 2: Tuner Step Decrement",
                                    "TV -> Playback 2: Give Device Vendor ID",
                                    "TV -> Playback 2: UNKNOWN 0xC5 [c5 01]",
                                }));
    EXPECT_EQ(pc.frames.size(), 1u + 13u);
}

TEST_F(TvModelTest, TheEdidIsValidAndCarriesThePcsInputAddress) {
    for (const std::uint16_t address :
         {std::uint16_t{0x1000}, std::uint16_t{0x2100}, std::uint16_t{0x3000}}) {
        tv.setPcAddress(address);
        const sim::TvModel::Edid edid = tv.edid();
        const std::uint8_t header[8] = {0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x00};
        EXPECT_TRUE(std::equal(std::begin(header), std::end(header), edid.begin()));
        EXPECT_EQ(std::accumulate(edid.begin(), edid.begin() + 128, 0) % 256, 0);
        EXPECT_EQ(std::accumulate(edid.begin() + 128, edid.end(), 0) % 256, 0);
        EXPECT_EQ(edid[126], 1); // one extension
        EXPECT_EQ(addressInEdid(edid), address);
    }
    // The first data block is not the HDMI block, so a reader has to step over blocks.
    EXPECT_NE(tv.edid()[132] >> 5, 3);

    sim::TvModel::Edid oneBlock{};
    tv.setEdidOverride(oneBlock);
    EXPECT_EQ(tv.edid(), oneBlock);
    tv.setEdidOverride(std::nullopt);
    EXPECT_EQ(addressInEdid(tv.edid()), 0x3000);
}

} // namespace
