// The firmware simulator's hardware driven by a controllable "real" clock: the virtual clock
// follows it, the pipe's messages are served by kind (firmware records, display queries,
// anything else ends the connection), event posts and frame requests carry real-time stamps,
// and the timeline decodes the bus and the events.
#include "tools/firmware-sim/SimulatedHardware.h"
#include "tools/firmware-sim/SimulatorProtocol.h"

#include "common/FirmwareRecord.h"

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

namespace {

namespace protocol = fwsim::protocol;

struct RecordingSink final : sim::EventSink {
    std::vector<std::uint32_t> codes;
    bool deliver(std::uint32_t code) override {
        codes.push_back(code);
        return true;
    }
};

class SimulatedHardwareTest : public ::testing::Test {
protected:
    SimulatedHardwareTest() { hardware.setEventSink(&sink); }

    void advanceMs(std::uint64_t ms) {
        microseconds += ms * 1000;
        hardware.driver().pump();
    }
    std::vector<std::uint8_t> firmwareRequest(const FirmwareRecord& record) {
        platform::FirmwareBytes bytes;
        record.toBytes(bytes);
        return std::vector<std::uint8_t>(bytes, bytes + sizeof bytes);
    }
    std::optional<FirmwareRecord> callFirmware(platform::DeviceHandle device, const FirmwareRecord& record) {
        const std::vector<std::uint8_t> request = firmwareRequest(record);
        const auto reply = hardware.serve(device, request.data(), request.size());
        if (!reply || reply->size() != protocol::kFirmwareMessageSize) {
            return std::nullopt;
        }
        platform::FirmwareBytes bytes;
        std::copy(reply->begin(), reply->end(), bytes);
        return FirmwareRecord::fromBytes(bytes);
    }
    protocol::DisplayReply askDisplay(protocol::DisplayOperation operation, std::uint32_t argument = 0) {
        const auto request = protocol::encode(protocol::DisplayRequest{operation, argument});
        const auto reply = hardware.serve(device, request.data(), request.size());
        EXPECT_TRUE(reply);
        protocol::DisplayReplyBytes bytes{};
        if (reply && reply->size() == bytes.size()) {
            std::copy(reply->begin(), reply->end(), bytes.begin());
        }
        const auto decoded = protocol::decodeDisplayReply(bytes);
        EXPECT_TRUE(decoded);
        return decoded.value_or(protocol::DisplayReply{});
    }

    std::atomic<std::uint64_t> microseconds{5'000'000};
    fwsim::SimulatedHardware hardware{[this] { return microseconds.load(); }};
    RecordingSink sink;
    platform::DeviceHandle device = hardware.connect();
};

TEST_F(SimulatedHardwareTest, VirtualTimeFollowsTheRealClockAndRunsWhatIsDue) {
    EXPECT_EQ(hardware.driver().elapsedMicroseconds(), 0u);
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    advanceMs(99);
    EXPECT_TRUE(sink.codes.empty());
    microseconds += 999; // 99.999 ms: not yet a whole millisecond more
    hardware.driver().pump();
    EXPECT_TRUE(sink.codes.empty());
    microseconds += 1;
    EXPECT_EQ(hardware.driver().pump(), 100u);
    EXPECT_EQ(sink.codes, std::vector<std::uint32_t>{0x1581});
    ASSERT_EQ(hardware.stamps().size(), 1u);
    EXPECT_EQ(hardware.stamps()[0].kind, fwsim::SimulatedHardware::Stamp::Kind::EventPosted);
    EXPECT_EQ(hardware.stamps()[0].microseconds, 100'000u);

    // Any access catches up with real time before it works on the world.
    microseconds += 2'500'000;
    EXPECT_EQ(hardware.driver().withWorld([&] { return hardware.clock().now(); }), 2600u);
    EXPECT_TRUE(hardware.driver().waitFor([&] { return hardware.clock().now() == 2600; }, 0));
}

TEST_F(SimulatedHardwareTest, FirmwareRecordsAreServedByTheSimulatedFirmware) {
    ASSERT_NE(device, platform::kInvalidDevice);
    FirmwareRecord status;
    status.w0 = fw::kReadRegister;
    status.w1 = fw::kRegisterDisplayOutput;
    status.w2 = fw::kSelectorDisplayOutput;
    auto reply = callFirmware(device, status);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w0, 0u);
    EXPECT_EQ(reply->w3 & fw::kDisplayOutputHdmiBit, 0u);
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    reply = callFirmware(device, status);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w3 & fw::kDisplayOutputHdmiBit, fw::kDisplayOutputHdmiBit);

    // A CECC command: accepted now, answered with event 0x1500 after its response delay.
    FirmwareRecord command;
    command.w0 = fw::kWriteRegister;
    command.w1 = fw::kRegisterCeccCommand;
    command.w2 = 0x02; // firmware version, no payload
    reply = callFirmware(device, command);
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->w0, 0u);
    advanceMs(200);
    EXPECT_EQ(sink.codes, (std::vector<std::uint32_t>{0x1581, 0x1500}));

    // A frame to transmit is stamped when it arrives, with its header and opcode.
    FirmwareRecord transmit;
    transmit.w0 = fw::kWriteRegister;
    transmit.w1 = fw::kRegisterCecTransmit | 2u << 24;
    transmit.w2 = 0x0404; // Playback 1 -> TV: Image View On
    reply = callFirmware(device, transmit);
    ASSERT_TRUE(reply);
    const auto& stamp = hardware.stamps().back();
    EXPECT_EQ(stamp.kind, fwsim::SimulatedHardware::Stamp::Kind::FrameRequested);
    EXPECT_EQ(stamp.code, 0x04u);
    EXPECT_EQ(stamp.header, 0x04);
    EXPECT_EQ(stamp.microseconds, 200'000u);

    // The device call itself failing: a failure message, which no client takes for a record.
    hardware.driver().withWorld([&] { hardware.firmware().setTransportFailing(true); });
    const auto request = firmwareRequest(status);
    const auto failed = hardware.serve(device, request.data(), request.size());
    ASSERT_TRUE(failed);
    EXPECT_EQ(failed->size(), protocol::kFailureMessageSize);
}

TEST_F(SimulatedHardwareTest, EveryClientHasItsOwnDeviceHandle) {
    const platform::DeviceHandle second = hardware.connect();
    ASSERT_NE(second, platform::kInvalidDevice);
    EXPECT_NE(second, device);
    FirmwareRecord wakeup;
    wakeup.w0 = fw::kReadRegister;
    wakeup.w1 = fw::kRegisterWakeupFactor;
    EXPECT_TRUE(callFirmware(second, wakeup));
    hardware.disconnect(second);
    const auto request = firmwareRequest(wakeup);
    const auto reply = hardware.serve(second, request.data(), request.size());
    ASSERT_TRUE(reply);
    EXPECT_EQ(reply->size(), protocol::kFailureMessageSize) << "a closed handle is no device";
    EXPECT_TRUE(callFirmware(device, wakeup)) << "the other client is unaffected";
}

TEST_F(SimulatedHardwareTest, DisplayQueriesReachTheDisplayHardwareAndTheTvsEdid) {
    EXPECT_EQ(askDisplay(protocol::DisplayOperation::GetMonitorDevice).result, 0x1);
    EXPECT_EQ(askDisplay(protocol::DisplayOperation::GetPanelid).result, -2) << "no HDMI display";
    EXPECT_EQ(askDisplay(protocol::DisplayOperation::SetMonitorDevice, 0x100).result, -1);

    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    advanceMs(2000); // the display's detection delay
    const protocol::DisplayReply edid = askDisplay(protocol::DisplayOperation::GetPanelid);
    EXPECT_EQ(edid.result, 0) << "detected, the arrangement does not use it yet";
    const sim::TvModel::Edid tvEdid = hardware.driver().withWorld([&] { return hardware.peers().tv().edid(); });
    EXPECT_TRUE(std::equal(tvEdid.begin(), tvEdid.end(), edid.edid.begin()));

    EXPECT_EQ(askDisplay(protocol::DisplayOperation::SetMonitorDevice, 0x100).result, 1);
    advanceMs(1500); // the switching delay
    EXPECT_EQ(askDisplay(protocol::DisplayOperation::GetMonitorDevice).result, 0x100);
    EXPECT_EQ(askDisplay(protocol::DisplayOperation::GetPanelid).result, 1);
}

TEST_F(SimulatedHardwareTest, MessagesOfNoKnownKindEndTheConnection) {
    const std::vector<std::vector<std::uint8_t>> messages = {
        {},
        std::vector<std::uint8_t>(23, 0),
        std::vector<std::uint8_t>(25, 0),
        std::vector<std::uint8_t>(12, 0), // display size, no magic
        {0x44, 0x53, 0x50, 0x4C, 9, 0, 0, 0, 0, 0, 0, 0}, // display magic, no such operation
        {0x44, 0x53, 0x50, 0x4C, 1, 0, 0, 0, 0, 0, 0},    // one byte short
    };
    for (const auto& message : messages) {
        EXPECT_FALSE(hardware.serve(device, message.data(), message.size())) << message.size() << " bytes";
    }
    EXPECT_FALSE(hardware.serve(device, nullptr, 24));
}

TEST_F(SimulatedHardwareTest, TheTimelineDecodesFramesAndEventsInTimeOrder) {
    hardware.driver().withWorld([&] { hardware.peers().plugCable(); });
    advanceMs(500);
    hardware.driver().withWorld([&] { hardware.peers().tv().sendRaw(sim::makeFrame(0, 4, 0x46)); });
    advanceMs(100);
    const std::string timeline = hardware.timeline();
    EXPECT_NE(timeline.find("     0.100 s  event  0x1581 hot plug high\n"), std::string::npos) << timeline;
    EXPECT_NE(timeline.find("     0.550 s  frame  TV -> Playback 1: Give OSD Name  (not acknowledged)\n"),
              std::string::npos)
        << timeline;
    EXPECT_LT(timeline.find("hot plug high"), timeline.find("Give OSD Name"));
}

} // namespace
