// The simulated CEC bus as its devices see it: directed and broadcast delivery, polls and their
// acknowledgement, the frame record, and devices that leave.
#include "sim/CecBus.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Device final : sim::CecDevice {
    std::uint16_t addresses = 0;
    std::vector<sim::CecFrame> frames;
    int membershipChanges = 0;
    std::function<void(const sim::CecFrame&)> onReceive;
    std::uint16_t logicalAddresses() const override { return addresses; }
    void receive(const sim::CecFrame& frame, std::uint64_t) override {
        frames.push_back(frame);
        if (onReceive) {
            onReceive(frame);
        }
    }
    void busMembershipChanged(std::uint64_t) override { ++membershipChanges; }
};

class CecBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        tv.addresses = 1u << 0;
        player.addresses = 1u << 4;
        recorder.addresses = 1u << 1;
        bus.attach(&tv);
        bus.attach(&player);
        bus.attach(&recorder);
    }

    sim::VirtualClock clock;
    sim::CecBus bus{clock};
    Device tv, player, recorder;
};

TEST_F(CecBusTest, ADirectedFrameReachesOnlyItsDestinationAndIsAcknowledged) {
    clock.advanceTo(250);
    EXPECT_TRUE(bus.transmit(sim::makeFrame(0, 4, sim::cecop::kGiveOsdName), &tv));
    ASSERT_EQ(player.frames.size(), 1u);
    EXPECT_EQ(player.frames[0].opcode(), sim::cecop::kGiveOsdName);
    EXPECT_TRUE(tv.frames.empty());
    EXPECT_TRUE(recorder.frames.empty());

    EXPECT_FALSE(bus.transmit(sim::makeFrame(0, 8, sim::cecop::kGiveOsdName), &tv)); // nobody at 8
    ASSERT_EQ(bus.records().size(), 2u);
    EXPECT_EQ(bus.records()[0].time, 250u);
    EXPECT_TRUE(bus.records()[0].acknowledged);
    EXPECT_FALSE(bus.records()[1].acknowledged);
    EXPECT_EQ(bus.records()[0].describe(), "TV -> Playback 1: Give OSD Name");
}

TEST_F(CecBusTest, ABroadcastReachesEveryOtherDevice) {
    EXPECT_TRUE(bus.transmit(sim::makeFrame(4, 15, sim::cecop::kActiveSource, {0x10, 0x00}), &player));
    EXPECT_EQ(tv.frames.size(), 1u);
    EXPECT_EQ(recorder.frames.size(), 1u);
    EXPECT_TRUE(player.frames.empty());
    // Without a sender the device holding the initiator address is the sender.
    bus.transmit(sim::makeFrame(1, 15, sim::cecop::kStandby));
    EXPECT_EQ(tv.frames.size(), 2u);
    EXPECT_EQ(player.frames.size(), 1u);
    EXPECT_EQ(recorder.frames.size(), 1u);
}

TEST_F(CecBusTest, APollReachesNobodyAndTellsWhetherTheAddressIsTaken) {
    EXPECT_TRUE(bus.poll(4, 4));           // the player holds 4
    EXPECT_FALSE(bus.poll(4, 4, &player)); // but not for the player itself
    EXPECT_TRUE(bus.poll(0, 4, &tv));
    EXPECT_FALSE(bus.poll(8, 8));
    EXPECT_FALSE(bus.poll(15, 15)); // nobody holds the broadcast address
    EXPECT_TRUE(tv.frames.empty());
    EXPECT_TRUE(player.frames.empty());
    ASSERT_EQ(bus.records().size(), 5u);
    EXPECT_EQ(bus.records()[0].describe(), "Playback 1 -> Playback 1: <poll>");
}

TEST_F(CecBusTest, EveryFrameIsObservedAndEmptyOrOverlongFramesAreRefused) {
    std::vector<sim::CecBus::Record> seen;
    bus.observer = [&](const sim::CecBus::Record& r) { seen.push_back(r); };
    sim::CecFrame empty;
    EXPECT_FALSE(bus.transmit(empty));
    sim::CecFrame overlong = sim::makeFrame(0, 4, 0x89, {1, 2});
    overlong.length = 17;
    EXPECT_FALSE(bus.transmit(overlong));
    bus.transmit(sim::makeFrame(0, 15, sim::cecop::kStandby), &tv);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(bus.records().size(), 1u);
    EXPECT_EQ(seen[0].frame, bus.records()[0].frame);
}

TEST_F(CecBusTest, DevicesThatLeaveGetNothingAndTheOthersHearOfIt) {
    const int before = tv.membershipChanges;
    bus.detach(&player);
    EXPECT_EQ(tv.membershipChanges, before + 1);
    EXPECT_FALSE(bus.isAttached(&player));
    EXPECT_FALSE(bus.isPresent(4));
    EXPECT_EQ(bus.presentAddresses(), 0x0003);
    bus.transmit(sim::makeFrame(0, 15, sim::cecop::kStandby), &tv);
    EXPECT_TRUE(player.frames.empty());
    bus.detach(&player); // twice: nothing happens
    EXPECT_EQ(tv.membershipChanges, before + 1);

    // A receiver that unplugs another device while a broadcast is delivered.
    bus.attach(&player);
    tv.onReceive = [&](const sim::CecFrame&) { bus.detach(&player); };
    bus.transmit(sim::makeFrame(1, 15, sim::cecop::kStandby), &recorder);
    EXPECT_EQ(tv.frames.size(), 1u);
    EXPECT_TRUE(player.frames.empty());
}

} // namespace
