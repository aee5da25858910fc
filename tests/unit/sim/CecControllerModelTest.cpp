// The simulated CEC controller driven through the firmware record path as the controller
// drives it (HardIO over the simulated firmware): commands, replies and their events, address
// allocation, the TV's vendor, faults, forwarded frames and change notifications.
#include "sim/CecControllerModel.h"
#include "common/HardIO.h"
#include "common/Vendor.h"
#include "sim/SimSync.h"
#include "sim/TvModel.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace {

struct ControllerWindow final : platform::WindowClient {
    std::vector<platform::Message> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        received.push_back({window, message, wParam, lParam});
        return 0;
    }
};

struct OtherDevice final : sim::CecDevice {
    std::uint16_t addresses = 0;
    std::uint16_t logicalAddresses() const override { return addresses; }
    void receive(const sim::CecFrame&, std::uint64_t) override {}
};

// The 16 bytes of the frame buffer that a frame read returns in W2 to W5.
std::array<std::uint8_t, 16> unpack(const FirmwareRecord& r) {
    std::array<std::uint8_t, 16> out{};
    r.getBytes(FirmwareRecord::kFrameWord, out.data(), out.size());
    return out;
}

class CecControllerModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(hardIO.initialize());
        firmware.attachCecc(&cecc);
        window = windowing.createDialogWindow(L"KorSentrixSuiteMain", controller);
    }

    // A controller command as the firmware record carries it; returns the reply status.
    std::uint32_t command(std::uint8_t code, const std::vector<std::uint8_t>& payload = {}) {
        std::uint8_t p[14] = {};
        std::copy(payload.begin(), payload.end(), p);
        FirmwareRecord request;
        request.w0 = fw::kWriteRegister;
        request.w1 = fw::kRegisterCeccCommand;
        request.w2 = code | static_cast<std::uint32_t>(payload.size()) << 8 |
                     static_cast<std::uint32_t>(p[12]) << 16 | static_cast<std::uint32_t>(p[13]) << 24;
        request.putBytes(FirmwareRecord::kDataWord, p, 12);
        FirmwareRecord reply;
        hardIO.invoke(request, reply);
        return reply.w0;
    }

    std::uint32_t transmit(const std::vector<std::uint8_t>& frame) {
        std::uint8_t f[16] = {};
        std::copy(frame.begin(), frame.end(), f);
        FirmwareRecord request;
        request.w0 = fw::kWriteRegister;
        request.w1 = fw::kRegisterCecTransmit | static_cast<std::uint32_t>(frame.size()) << 24;
        request.putBytes(FirmwareRecord::kFrameWord, f, sizeof(f));
        FirmwareRecord reply;
        hardIO.invoke(request, reply);
        return reply.w0;
    }

    FirmwareRecord read(std::uint32_t selector) {
        FirmwareRecord request;
        request.w0 = fw::kReadRegister;
        request.w1 = fw::kRegisterCecc;
        request.w2 = selector;
        FirmwareRecord reply;
        hardIO.invoke(request, reply);
        return reply;
    }

    // Reply code, length and bytes of selector 0xC1 or 0xC7.
    struct Reply {
        std::uint8_t code;
        std::uint8_t length;
        std::array<std::uint8_t, 12> data;
    };
    Reply reply(std::uint32_t selector = fw::kSelectorCeccReply) {
        const FirmwareRecord r = read(selector);
        Reply out{static_cast<std::uint8_t>(r.w2), static_cast<std::uint8_t>(r.w2 >> 8), {}};
        r.getBytes(FirmwareRecord::kDataWord, out.data.data(), out.data.size());
        return out;
    }

    std::vector<std::uint32_t> eventCodes() const {
        std::vector<std::uint32_t> codes;
        for (const auto& e : events.events()) {
            codes.push_back(e.code);
        }
        return codes;
    }

    std::vector<std::string> busLines() const {
        std::vector<std::string> lines;
        for (const auto& r : bus.records()) {
            lines.push_back(r.describe());
        }
        return lines;
    }

    void notifyAddress(std::uint8_t a, std::uint8_t b) {
        ASSERT_EQ(command(sim::cecc::kNotifyPhysicalAddress, {a, b}), 0u);
        clock.advanceTo(clock.now() + 100);
    }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    ControllerWindow controller;
    platform::WindowHandle window = 0;
    sim::SimFirmware firmware{clock};
    HardIO hardIO{firmware};
    sim::CecBus bus{clock};
    sim::EventService events{clock, desktop};
    sim::CecControllerModel cecc{clock, bus, events};
    sim::TvModel tv{clock, bus};
};

TEST_F(CecControllerModelTest, ACommandIsAcceptedAtOnceAndItsReplyAndEventComeAfterTheDelay) {
    EXPECT_EQ(command(sim::cecc::kSetOperationMode, {0x10}), 0u);
    EXPECT_EQ(cecc.operationMode(), 0x10);
    clock.advanceTo(99);
    EXPECT_TRUE(events.events().empty());
    Reply r = reply();
    EXPECT_EQ(r.code, 0); // nothing answered yet
    clock.advanceTo(100);
    ASSERT_EQ(eventCodes(), std::vector<std::uint32_t>{0x1500});
    EXPECT_EQ(events.events()[0].time, 100u);
    EXPECT_TRUE(events.events()[0].delivered);
    r = reply();
    EXPECT_EQ(r.code, 0x09);
    EXPECT_EQ(r.length, 1);
    EXPECT_EQ(r.data[0], 0x10);

    // The controller's window got the registered event message with the code.
    windowing.dispatchReady();
    ASSERT_FALSE(controller.received.empty());
    const platform::Message& m = controller.received.back();
    EXPECT_EQ(desktop.registeredName(m.message), L"KORVATH_TILES_NOTIFY_EVENT");
    EXPECT_EQ(m.wParam, 0x1500u);
    EXPECT_EQ(m.lParam, 0);
}

TEST_F(CecControllerModelTest, EachCommandKeepsItsValueAndAnswersWithItsReplyCode) {
    struct Case {
        std::uint8_t code;
        std::vector<std::uint8_t> payload;
        std::uint8_t replyCode;
        std::vector<std::uint8_t> replyBytes;
    };
    const std::vector<std::uint8_t> name = {'V', 'i', 'r', 'e', 'o', 0, 0, 0, 0, 0, 0, 0, 'X', 'Y'};
    const std::vector<Case> cases = {
        {sim::cecc::kSetSupportFeature, {0x0B}, 0x0C, {0x0B}},
        {sim::cecc::kGetSupportFeature, {}, 0x0C, {0x0B}},
        {sim::cecc::kSetLogicalDevices, {0x14}, 0x05, {0x14}},
        {sim::cecc::kSetOperationMode, {0x01}, 0x09, {0x01}},
        {sim::cecc::kGetOperationMode, {}, 0x09, {0x01}},
        {sim::cecc::kGetFirmwareVersion, {}, 0x03, {1, 4, 2}},
        {sim::cecc::kSetOsdName, name, 0x41, {}},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(command(c.code, c.payload), 0u) << int(c.code);
        clock.advanceTo(clock.now() + 100);
        const Reply r = reply();
        EXPECT_EQ(r.code, c.replyCode) << int(c.code);
        ASSERT_EQ(r.length, c.replyBytes.size()) << int(c.code);
        EXPECT_TRUE(std::equal(c.replyBytes.begin(), c.replyBytes.end(), r.data.begin())) << int(c.code);
    }
    EXPECT_EQ(cecc.supportFeatures(), 0x0B);
    EXPECT_EQ(cecc.logicalDeviceMask(), 0x14);
    // The name's last two bytes travel in W2 bits 16 to 31.
    EXPECT_TRUE(std::equal(name.begin(), name.end(), cecc.osdName().begin()));
    EXPECT_EQ(events.events().size(), cases.size());
}

TEST_F(CecControllerModelTest, AReplyReadBeforeTheDelayIsThePreviousOne) {
    cecc.setResponseDelay(250);
    command(sim::cecc::kSetSupportFeature, {0x08});
    clock.advanceTo(250);
    command(sim::cecc::kGetFirmwareVersion);
    clock.advanceTo(499);
    EXPECT_EQ(reply().code, 0x0C); // stale: the support-feature reply
    clock.advanceTo(500);
    EXPECT_EQ(reply().code, 0x03);
}

TEST_F(CecControllerModelTest, AddressAllocationPollsTheCandidatesAndTakesTheFirstFreeOne) {
    OtherDevice players;
    players.addresses = 1u << 4 | 1u << 8;
    bus.attach(&players);
    tv.setCableConnected(true);
    notifyAddress(0x10, 0x00);
    EXPECT_EQ(cecc.logicalAddress(), 11);
    EXPECT_EQ(cecc.physicalAddress(), 0x1000);
    EXPECT_EQ(busLines(), (std::vector<std::string>{"Playback 1 -> Playback 1: <poll>",
                                                    "Playback 2 -> Playback 2: <poll>",
                                                    "Playback 3 -> Playback 3: <poll>"}));
    const Reply r = reply();
    EXPECT_EQ(r.code, 0x32);
    ASSERT_EQ(r.length, 5);
    EXPECT_EQ(r.data[0], 0x11); // TV answers, valid address; the TV's vendor is not known yet
    EXPECT_EQ(r.data[1], 0x10);
    EXPECT_EQ(r.data[2], 0x00);
    EXPECT_EQ(r.data[3], 0x11); // TV and 4
    EXPECT_EQ(r.data[4], 0x09); // 8 and 11

    // Every candidate taken: no logical address, bit 0 clear.
    players.addresses |= 1u << 11;
    cecc.setResponseDelay(10);
    bus.clearRecords();
    notifyAddress(0x10, 0x00);
    EXPECT_EQ(cecc.logicalAddress(), 15);
    EXPECT_EQ(reply().data[0], 0x10);
    EXPECT_EQ(bus.records().size(), 3u);

    // 0xFF 0xFF releases the address without polling.
    players.addresses = 0;
    notifyAddress(0x10, 0x00);
    EXPECT_EQ(cecc.logicalAddress(), 4);
    bus.clearRecords();
    notifyAddress(0xFF, 0xFF);
    EXPECT_EQ(cecc.logicalAddress(), 15);
    EXPECT_TRUE(bus.records().empty());
    EXPECT_EQ(reply().data[0], 0x10);
    EXPECT_EQ(reply().data[1], 0xFF);
    bus.detach(&players);
}

TEST_F(CecControllerModelTest, TheStatusQueryAsksTheTvForItsVendorOnceAndConsumesTheAnswer) {
    tv.setCableConnected(true);
    notifyAddress(0x10, 0x00);
    const std::size_t eventsBefore = events.events().size();
    bus.clearRecords();

    const std::uint64_t start = clock.now();
    ASSERT_EQ(command(sim::cecc::kQueryCertificationStatus), 0u);
    clock.advanceTo(start + 100);
    EXPECT_EQ(busLines(), std::vector<std::string>{"Playback 1 -> TV: Give Device Vendor ID"});
    EXPECT_EQ(events.events().size(), eventsBefore); // still waiting for the TV
    clock.advanceTo(start + 150);
    ASSERT_EQ(bus.records().size(), 2u);
    EXPECT_EQ(bus.records()[1].describe(), "TV -> Broadcast: Device Vendor ID [vendor id 0x0A1B2C]");
    ASSERT_EQ(events.events().size(), eventsBefore + 1);
    EXPECT_EQ(events.events().back().code, 0x1500u); // no 0x1501: the CECC took the frame
    EXPECT_EQ(cecc.unreadFrames(), 0u);
    EXPECT_EQ(reply().data[0], 0x13); // now also the maker's TV
    EXPECT_EQ(cecc.tvVendor(), kKorvathVendorId);

    // Known vendor: answered after the delay without asking again.
    bus.clearRecords();
    command(sim::cecc::kQueryCertificationStatus);
    clock.advanceTo(clock.now() + 100);
    EXPECT_TRUE(bus.records().empty());
    EXPECT_EQ(events.events().back().code, 0x1500u);
}

TEST_F(CecControllerModelTest, AnotherMakersTvOrATvWithoutCecIsNotTheMakersTv) {
    tv.setVendorId(0x008045);
    tv.setCableConnected(true);
    notifyAddress(0x10, 0x00);
    command(sim::cecc::kQueryCertificationStatus);
    clock.advanceTo(clock.now() + 200);
    EXPECT_EQ(reply().data[0], 0x11);
    EXPECT_EQ(cecc.tvVendor(), 0x008045u);

    // The TV leaves: its vendor is forgotten; a TV without CEC is never asked.
    tv.setSpeaksCec(false);
    EXPECT_FALSE(cecc.tvVendor().has_value());
    bus.clearRecords();
    const std::uint64_t start = clock.now();
    command(sim::cecc::kQueryCertificationStatus);
    clock.advanceTo(start + 100);
    EXPECT_TRUE(bus.records().empty());
    EXPECT_EQ(reply().data[0], 0x01); // own address valid, no TV
    EXPECT_EQ(reply().data[3], 0x10); // only itself
}

TEST_F(CecControllerModelTest, ATvThatNeverReportsItsVendorEndsTheWaitAfterTheVendorWait) {
    // A device at address 0 that acknowledges but never answers.
    OtherDevice mute;
    mute.addresses = 1;
    bus.attach(&mute);
    notifyAddress(0x10, 0x00);
    const std::size_t eventsBefore = events.events().size();
    const std::uint64_t start = clock.now();
    command(sim::cecc::kQueryCertificationStatus);
    clock.advanceTo(start + 100 + 999);
    EXPECT_EQ(events.events().size(), eventsBefore);
    clock.advanceTo(start + 100 + 1000);
    EXPECT_EQ(events.events().size(), eventsBefore + 1);
    EXPECT_EQ(reply().data[0], 0x11);
    bus.detach(&mute);
}

TEST_F(CecControllerModelTest, BusyAndFailureInjectionAnswerWithoutDoingAnything) {
    cecc.setBusy(2);
    EXPECT_EQ(command(sim::cecc::kSetOperationMode, {0x10}), 0x20u);
    EXPECT_EQ(transmit({0x40, 0x0D}), 0x20u);
    EXPECT_EQ(command(sim::cecc::kSetOperationMode, {0x11}), 0u);
    clock.advanceTo(1000);
    EXPECT_EQ(cecc.operationMode(), 0x11);
    EXPECT_EQ(events.events().size(), 1u);
    EXPECT_TRUE(bus.records().empty());

    cecc.failNext(1);
    EXPECT_EQ(command(sim::cecc::kSetOperationMode, {0x12}), 0x8000u);
    EXPECT_EQ(cecc.operationMode(), 0x11);
    cecc.setBusy(1);
    cecc.failNext(1);
    EXPECT_EQ(transmit({0x40, 0x0D}), 0x8000u); // a failure wins over busy
    EXPECT_EQ(transmit({0x40, 0x0D}), 0x20u);

    cecc.setFailing(true);
    EXPECT_EQ(read(fw::kSelectorCeccReply).w0, 0x8000u);
    EXPECT_EQ(command(sim::cecc::kGetOperationMode), 0x8000u);
    cecc.setFailing(false);

    // Bad commands and selectors.
    EXPECT_EQ(command(0x55), 0x8000u);
    EXPECT_EQ(command(sim::cecc::kNotifyPhysicalAddress, {0x10}), 0x8000u); // one byte short
    EXPECT_EQ(command(sim::cecc::kSetOsdName, {'V'}), 0x8000u);
    EXPECT_EQ(read(0xC2).w0, 0x8000u);
    EXPECT_EQ(read(0xFFFFFFFF).w0, 0x8000u);
    EXPECT_EQ(events.events().size(), 1u);
}

TEST_F(CecControllerModelTest, ACeccThatNeverAnswersKeepsTheValuesButSendsNoReply) {
    command(sim::cecc::kSetSupportFeature, {0x08});
    clock.advanceTo(100);
    cecc.setNeverAnswers(true);
    EXPECT_EQ(command(sim::cecc::kSetOperationMode, {0x10}), 0u);
    EXPECT_EQ(cecc.operationMode(), 0x10);
    clock.advanceTo(60000);
    EXPECT_EQ(events.events().size(), 1u);
    EXPECT_EQ(reply().code, 0x0C);
}

TEST_F(CecControllerModelTest, ForwardedFramesShareOneSixteenByteBuffer) {
    tv.setCableConnected(true);
    notifyAddress(0x10, 0x00);
    const std::size_t eventsBefore = events.events().size();
    tv.sendRaw(sim::makeFrame(0, 4, sim::cecop::kGiveOsdName));
    clock.advanceTo(clock.now() + 50);
    EXPECT_EQ(events.events().size(), eventsBefore + 1);
    // A long frame, then a short one, both from the TV.
    tv.sendRaw(sim::makeFrame(0, 4, sim::cecop::kSetOsdName,
                              {'L', 'i', 'v', 'i', 'n', 'g', ' ', 'R', 'o', 'o', 'm', ' ', 'T', 'V'}));
    tv.sendMenuRequest(sim::cecval::kMenuQuery);
    clock.advanceTo(clock.now() + 50);
    ASSERT_EQ(events.events().size(), eventsBefore + 3);
    EXPECT_EQ(events.events().back().code, 0x1501u);
    EXPECT_EQ(cecc.unreadFrames(), 3u);

    FirmwareRecord r = read(fw::kSelectorCecFrame);
    EXPECT_EQ(r.w1 >> 24, 2u); // the Give OSD Name, oldest first
    r = read(fw::kSelectorCecFrame);
    ASSERT_EQ(r.w1 >> 24, 16u);
    const std::array<std::uint8_t, 16> longFrame = unpack(r);
    EXPECT_EQ(longFrame[1], sim::cecop::kSetOsdName);
    r = read(fw::kSelectorCecFrame);
    ASSERT_EQ(r.w1 >> 24, 3u);
    std::array<std::uint8_t, 16> shortFrame = unpack(r);
    EXPECT_EQ(shortFrame[0], 0x04);
    EXPECT_EQ(shortFrame[1], sim::cecop::kMenuRequest);
    EXPECT_EQ(shortFrame[2], sim::cecval::kMenuQuery);
    EXPECT_TRUE(std::equal(shortFrame.begin() + 3, shortFrame.end(), longFrame.begin() + 3)); // left over

    // Nothing unread: length 0 and the buffer as it is.
    r = read(fw::kSelectorCecFrame);
    EXPECT_EQ(r.w0, 0u);
    EXPECT_EQ(r.w1 >> 24, 0u);
    EXPECT_EQ(unpack(r), shortFrame);
}

TEST_F(CecControllerModelTest, TheCeccAnswersAddressPowerAndVersionQueriesItselfAndForwardsTheRest) {
    tv.setCableConnected(true);
    notifyAddress(0x21, 0x00);
    const std::size_t eventsBefore = events.events().size();
    bus.clearRecords();
    tv.sendRaw(sim::makeFrame(0, 4, sim::cecop::kGivePhysicalAddress));
    tv.sendRaw(sim::makeFrame(0, 4, sim::cecop::kGiveDevicePowerStatus));
    tv.sendRaw(sim::makeFrame(0, 4, sim::cecop::kGetCecVersion));
    tv.sendRaw(sim::makeFrame(0, 15, sim::cecop::kDeviceVendorId, {0x00, 0x80, 0x45})); // not asked for
    clock.advanceTo(clock.now() + 50);
    EXPECT_EQ(busLines(),
              (std::vector<std::string>{
                  "TV -> Playback 1: Give Physical Address",
                  "TV -> Playback 1: Give Device Power Status",
                  "TV -> Playback 1: Get CEC Version",
                  "TV -> Broadcast: Device Vendor ID [vendor id 0x008045]",
                  "Playback 1 -> Broadcast: Report Physical Address [physical address 2.1.0.0, device "
                  "type Playback Device]",
                  "Playback 1 -> TV: Report Power Status [on]",
                  "Playback 1 -> TV: CEC Version [version 1.4]",
              }));
    ASSERT_EQ(events.events().size(), eventsBefore + 1); // only the vendor frame reached the PC
    EXPECT_EQ(events.events().back().code, 0x1501u);
    EXPECT_EQ(cecc.tvVendor(), 0x008045u);

    // Frames for other devices never reach the PC.
    tv.sendRaw(sim::makeFrame(0, 8, sim::cecop::kGiveOsdName));
    clock.advanceTo(clock.now() + 50);
    EXPECT_EQ(events.events().size(), eventsBefore + 1);
}

TEST_F(CecControllerModelTest, ThePcsFramesGoOnTheBusAsTheyAre) {
    tv.setCableConnected(true);
    tv.setPower(sim::TvModel::Power::Standby);
    EXPECT_EQ(transmit({0x40, 0x0D}), 0u);
    EXPECT_EQ(tv.power(), sim::TvModel::Power::On);
    EXPECT_EQ(transmit({0x48, 0x0D}), 0u); // nobody at 8: still accepted
    EXPECT_EQ(transmit({0x40, 0x00, 0x1A, 0x03}), 0u);
    ASSERT_EQ(tv.featureAborts().size(), 1u);
    EXPECT_EQ(tv.featureAborts()[0].opcode, 0x1A);
    EXPECT_EQ(busLines().back(),
              "Playback 1 -> TV: Feature Abort [opcode Give Deck Status, reason Invalid operand]");
    EXPECT_FALSE(bus.records()[1].acknowledged);
}

TEST_F(CecControllerModelTest, TheTvStartingToAnswerAndALostAddressAreNotified) {
    // No logical address yet: a TV that appears is not worth a notification.
    tv.setCableConnected(true);
    EXPECT_TRUE(events.events().empty());
    tv.setCableConnected(false);
    notifyAddress(0x10, 0x00);
    ASSERT_EQ(cecc.logicalAddress(), 4);

    tv.setCableConnected(true);
    ASSERT_EQ(events.events().back().code, 0x1502u);
    Reply n = reply(fw::kSelectorCeccNotification);
    EXPECT_EQ(n.code, 0x90);
    EXPECT_EQ(n.length, 1);
    EXPECT_EQ(n.data[0], 0x31); // changed, TV answers, address valid

    // Another device takes address 4.
    OtherDevice intruder;
    intruder.addresses = 1u << 4;
    bus.attach(&intruder);
    EXPECT_EQ(cecc.logicalAddress(), 15);
    EXPECT_EQ(events.events().back().code, 0x1502u);
    n = reply(fw::kSelectorCeccNotification);
    EXPECT_EQ(n.data[0] & 0x21, 0x20); // changed, address no longer valid
    EXPECT_EQ(reply().code, 0x32);     // the command reply is untouched
    bus.detach(&intruder);
}

} // namespace
