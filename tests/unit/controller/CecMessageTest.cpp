// CEC frames as the embedded controller receives them: bytes, lengths, packing, busy retries
// with their waits, failures, and reading a received frame.
#include "controller/CecMessage.h"
#include "tests/support/ScriptedCecc.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class CecMessageTest : public ::testing::Test {
protected:
    void SetUp() override {
        firmware.attachCecc(&cecc);
        ASSERT_TRUE(hardIO.initialize());
    }
    sim::VirtualClock clock;
    sim::SimFirmware firmware{clock};
    testing_support::ScriptedCecc cecc{clock};
    HardIO hardIO{firmware};
    CecMessage message{&hardIO, clock};
    testing_support::TraceCapture trace;
};

TEST_F(CecMessageTest, EachMessageHasItsOpcodeOperandsAndLength) {
    const std::uint8_t anyName[] = "xyz";
    EXPECT_EQ(message.textViewOn(0x40), 0);
    EXPECT_EQ(message.activeSource(0x10, 0x00, 0x4F), 0);
    EXPECT_EQ(message.featureAbort(0x1A, 0x03, 0x40), 0);
    EXPECT_EQ(message.setOsdName(anyName, 3, 0x40), 0);
    EXPECT_EQ(message.setTvEnhancedMode(0x02, 0x80), 0);
    EXPECT_EQ(message.menuStatus(0x77, 0x40), 0);
    EXPECT_EQ(message.inactiveSource(0x21, 0x00, 0x40), 0);
    EXPECT_EQ(message.giveDeviceVendorID(0x40), 0);
    ASSERT_EQ(cecc.frames.size(), 8u);
    EXPECT_EQ(cecc.frames[0].bytes, (Bytes{0x40, 0x0D}));
    EXPECT_EQ(cecc.frames[1].bytes, (Bytes{0x4F, 0x82, 0x10, 0x00}));
    EXPECT_EQ(cecc.frames[2].bytes, (Bytes{0x40, 0x00, 0x1A, 0x03}));
    EXPECT_EQ(cecc.frames[3].bytes, (Bytes{0x40, 0x47, 'V', 'i', 'r', 'e', 'o'}))
        << "always the model family name";
    EXPECT_EQ(cecc.frames[4].bytes, (Bytes{0x80, 0xA0, 0x0A, 0x1B, 0x2C, 0x30, 0x02}));
    EXPECT_EQ(cecc.frames[5].bytes, (Bytes{0x40, 0x8E, 0x00}));
    EXPECT_EQ(cecc.frames[6].bytes, (Bytes{0x40, 0x9D, 0x21, 0x00}));
    EXPECT_EQ(cecc.frames[7].bytes, (Bytes{0x40, 0x8C}));
    EXPECT_TRUE(trace.contains("execute <Give Device Vendor ID>:initiatorID=40"));
    EXPECT_TRUE(trace.contains("SUCCESS onGiveDeviceVendorID()"));
}

TEST_F(CecMessageTest, TheRecordCarriesWriteRegisterTransmitAndTheLengthInTheTopByte) {
    message.activeSource(0x12, 0x34, 0x4F);
    const FirmwareRecord& request = firmware.calls().back().request;
    EXPECT_EQ(request.w0, 0xFF00u);
    EXPECT_EQ(request.w1, 0x04C2008Fu);
    EXPECT_EQ(request.w2, 0x3412824Fu);
    EXPECT_EQ(request.w3, 0u);

    std::uint8_t frame[16];
    for (int i = 0; i < 16; ++i) {
        frame[i] = static_cast<std::uint8_t>(i + 1);
    }
    FirmwareRecord packed;
    CecMessage::createData(frame, packed);
    EXPECT_EQ(packed.w2, 0x04030201u);
    EXPECT_EQ(packed.w5, 0x100F0E0Du);
}

TEST_F(CecMessageTest, ActiveSourceRetriesTwentyTimesFourHundredMillisecondsApart) {
    cecc.busyCount = 1000;
    EXPECT_EQ(message.activeSource(0x10, 0x00, 0x4F), CecMessage::kBusy);
    ASSERT_EQ(cecc.frames.size(), 21u);
    for (std::size_t i = 1; i < cecc.frames.size(); ++i) {
        EXPECT_EQ(cecc.frames[i].time - cecc.frames[i - 1].time, 400u);
    }
    EXPECT_EQ(trace.count("activeSource() Retry"), 20u);
}

TEST_F(CecMessageTest, ActiveSourceStopsAtTheFirstAcceptedAttempt) {
    cecc.busyCount = 3;
    EXPECT_EQ(message.activeSource(0x10, 0x00, 0x4F), CecMessage::kSuccess);
    EXPECT_EQ(cecc.frames.size(), 4u);
    EXPECT_EQ(clock.now(), 1200u);
}

struct OneRetryCase {
    const char* name;
    std::function<int(CecMessage&)> send;
    std::uint32_t waitMs;
};
void PrintTo(const OneRetryCase& c, std::ostream* os) {
    *os << c.name;
}

class CecMessageOneRetryTest : public CecMessageTest, public ::testing::WithParamInterface<OneRetryCase> {};

TEST_P(CecMessageOneRetryTest, BusyIsRetriedOnceAfterTheOperationsWait) {
    cecc.busyCount = 1;
    EXPECT_EQ(GetParam().send(message), CecMessage::kSuccess);
    ASSERT_EQ(cecc.frames.size(), 2u);
    EXPECT_EQ(cecc.frames[1].time - cecc.frames[0].time, GetParam().waitMs);
    EXPECT_TRUE(trace.contains(std::string(GetParam().name) + "() Retry"));

    cecc.frames.clear();
    cecc.busyCount = 5;
    EXPECT_EQ(GetParam().send(message), CecMessage::kBusy) << "still busy after the one retry";
    EXPECT_EQ(cecc.frames.size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, CecMessageOneRetryTest,
    ::testing::Values(
        OneRetryCase{"textViewOn", [](CecMessage& m) { return m.textViewOn(0x40); }, 2000},
        OneRetryCase{"featureAbort", [](CecMessage& m) { return m.featureAbort(0x92, 3, 0x40); }, 2000},
        OneRetryCase{"setOsdName", [](CecMessage& m) { return m.setOsdName(nullptr, 0, 0x40); }, 2000},
        OneRetryCase{"setTvEnhancedMode", [](CecMessage& m) { return m.setTvEnhancedMode(1, 0x40); }, 2000},
        OneRetryCase{"menuStatus", [](CecMessage& m) { return m.menuStatus(0, 0x40); }, 2000},
        OneRetryCase{"inactiveSource", [](CecMessage& m) { return m.inactiveSource(0x10, 0, 0x40); }, 400},
        OneRetryCase{"giveDeviceVendorID", [](CecMessage& m) { return m.giveDeviceVendorID(0x40); }, 400}));

TEST_F(CecMessageTest, AFirmwareFailureReturnsAtOnceWithoutRetryOrWait) {
    cecc.failing = true;
    EXPECT_EQ(message.activeSource(0x10, 0x00, 0x4F), CecMessage::kFailed);
    EXPECT_EQ(message.textViewOn(0x40), CecMessage::kFailed);
    EXPECT_EQ(cecc.frames.size(), 2u);
    EXPECT_EQ(clock.now(), 0u);
    EXPECT_EQ(trace.count("ERROR HardIO::invoke():CEC_ERROR"), 2u);
}

TEST_F(CecMessageTest, AFailureDuringRetriesEndsThemWithFailure) {
    cecc.busyCount = 2;
    clock.scheduleAt(500, [this] { cecc.failing = true; });
    EXPECT_EQ(message.activeSource(0x10, 0x00, 0x4F), CecMessage::kFailed);
    EXPECT_EQ(cecc.frames.size(), 3u);
}

TEST_F(CecMessageTest, NoChannelOrNoFrameIsInvalidParameters) {
    CecMessage without(nullptr, clock);
    EXPECT_EQ(without.textViewOn(0x40), CecMessage::kInvalidParameters);
    std::uint8_t frame[16];
    int length = 7;
    EXPECT_EQ(without.getResponse(frame, length), CecMessage::kInvalidParameters);
    EXPECT_EQ(length, 7);
    EXPECT_EQ(message.invokeCecMessage(nullptr, 2), CecMessage::kInvalidParameters);
    EXPECT_EQ(message.invokeCecMessage(frame, 17), CecMessage::kInvalidParameters);
    EXPECT_TRUE(cecc.frames.empty());
}

TEST_F(CecMessageTest, GetResponseReturnsAllSixteenBytesAndTheLengthFromTheTopByte) {
    cecc.replyRecord.w1 = 0x04000000;
    cecc.replyRecord.w2 = 0x00108640;
    cecc.replyRecord.w3 = 0xDDCCBBAA; // left over from an earlier, longer frame
    cecc.replyRecord.w5 = 0x44332211;
    std::uint8_t frame[16] = {};
    int length = 0;
    ASSERT_EQ(message.getResponse(frame, length), 0);
    EXPECT_EQ(length, 4);
    EXPECT_EQ(frame[0], 0x40);
    EXPECT_EQ(frame[1], 0x86);
    EXPECT_EQ(frame[2], 0x10);
    EXPECT_EQ(frame[4], 0xAA);
    EXPECT_EQ(frame[15], 0x44);
    const FirmwareRecord& request = firmware.calls().back().request;
    EXPECT_EQ(request.w0, 0xFE00u);
    EXPECT_EQ(request.w1, 0x8Fu);
    EXPECT_EQ(request.w2, 0xC3u);

    cecc.failing = true;
    EXPECT_EQ(message.getResponse(frame, length), CecMessage::kFailed);
}

} // namespace
