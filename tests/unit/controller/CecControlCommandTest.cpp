// Commands of the embedded CEC controller: the command word and payload packing, busy and
// failure results with their log texts, and the decoding of each reply.
#include "controller/CecControlCommand.h"
#include "tests/support/ScriptedCecc.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class CecControlCommandTest : public ::testing::Test {
protected:
    void SetUp() override {
        firmware.attachCecc(&cecc);
        ASSERT_TRUE(hardIO.initialize());
    }
    void reply(std::uint8_t code, std::uint8_t length, std::uint32_t w3, std::uint32_t w4 = 0) {
        cecc.replyRecord.w2 = code | (static_cast<std::uint32_t>(length) << 8);
        cecc.replyRecord.w3 = w3;
        cecc.replyRecord.w4 = w4;
    }
    sim::VirtualClock clock;
    sim::SimFirmware firmware{clock};
    testing_support::ScriptedCecc cecc{clock};
    HardIO hardIO{firmware};
    CecControlCommand command{&hardIO};
    testing_support::TraceCapture trace;
};

TEST_F(CecControlCommandTest, CommandWordsAndPayloadsReachTheController) {
    EXPECT_EQ(command.setLogicDevice(0x04), 0);
    EXPECT_EQ(firmware.calls().back().request.w1, 0x00C0008Fu);
    EXPECT_EQ(firmware.calls().back().request.w2, 0x104u);
    EXPECT_EQ(firmware.calls().back().request.w3, 0x04u);
    EXPECT_EQ(command.notifyPhysicalAddress(0x10, 0x20), 0);
    EXPECT_EQ(firmware.calls().back().request.w2, 0x230u);
    EXPECT_EQ(firmware.calls().back().request.w3, 0x2010u);
    EXPECT_EQ(command.queryCECCertificationStatus(), 0);
    EXPECT_EQ(firmware.calls().back().request.w2, 0x31u);
    EXPECT_EQ(command.setOperationMode(0x10), 0);
    EXPECT_EQ(command.setSupportFeature(0x0B), 0);
    ASSERT_EQ(cecc.commands.size(), 5u);
    EXPECT_EQ(cecc.commands[0].bytes, (Bytes{0x04, 0x04}));
    EXPECT_EQ(cecc.commands[1].bytes, (Bytes{0x30, 0x10, 0x20}));
    EXPECT_EQ(cecc.commands[2].bytes, (Bytes{0x31}));
    EXPECT_EQ(cecc.commands[3].bytes, (Bytes{0x07, 0x10}));
    EXPECT_EQ(cecc.commands[4].bytes, (Bytes{0x0A, 0x0B}));
}

TEST_F(CecControlCommandTest, TheOsdNameFillsW3ToW5AndTheTopOfW2) {
    const std::uint8_t name[14] = {'K', 'o', 'r', 'v', 'a', 't', 'h', ' ', 'P', 'C', 0, 0, 0xAB, 0xCD};
    EXPECT_EQ(command.setOsdName(name), 0);
    const FirmwareRecord& request = firmware.calls().back().request;
    EXPECT_EQ(request.w2, 0xCDAB0E40u);
    EXPECT_EQ(request.w3, 0x76726F4Bu); // "Korv"
    EXPECT_EQ(request.w5, 0x00004350u); // "PC\0\0"
    ASSERT_EQ(cecc.commands.size(), 1u);
    EXPECT_EQ(cecc.commands[0].bytes,
              (Bytes{0x40, 'K', 'o', 'r', 'v', 'a', 't', 'h', ' ', 'P', 'C', 0, 0, 0xAB, 0xCD}));
}

TEST_F(CecControlCommandTest, BusyAndFailureResultsWithTheirLogTexts) {
    cecc.busyCount = 1;
    EXPECT_EQ(command.setSupportFeature(1), CecControlCommand::kBusy);
    EXPECT_TRUE(
        trace.contains("ERROR!! in CecControlCommand::setSupportFeature ERROR HardIO::invoke():CEC_BUSY"));
    cecc.failing = true;
    EXPECT_EQ(command.notifyPhysicalAddress(0x10, 0), CecControlCommand::kFailed);
    EXPECT_TRUE(trace.hasText("ERROR!! in CecControlCommand::notifyPhysicalAddress ERROR HardIO::invoke()"));
    EXPECT_EQ(command.setLogicDevice(1), CecControlCommand::kFailed);
    EXPECT_TRUE(
        trace.contains("ERROR!! in CecControlCommand::setLogicDevice ERROR HardIO::invoke():CEC_ERROR"));
    CecControlCommand without(nullptr);
    EXPECT_EQ(without.queryCECCertificationStatus(), CecControlCommand::kInvalidParameters);
}

TEST_F(CecControlCommandTest, CertificationStatusDecodesBitsAddressFlagsAndTheLogicalAddress) {
    reply(0x32, 5, 0x10001013, 0x01);
    CecCertificationStatus status;
    ASSERT_EQ(command.replyCECCertificationStatus(status), 0);
    EXPECT_EQ(status.statusBit0, 1);
    EXPECT_EQ(status.certificatedKorvath, 1);
    EXPECT_EQ(status.statusBit4, 1);
    EXPECT_EQ(status.statusBit5, 0);
    EXPECT_EQ(status.physicalAddressHigh, 0x10);
    EXPECT_EQ(status.physicalAddressLow, 0x00);
    for (int n = 0; n < 16; ++n) {
        EXPECT_EQ(status.logicalAddressFlags[n], (n == 4 || n == 8) ? 1 : 0) << n;
    }
    EXPECT_EQ(status.logicalAddress, 4);
    const FirmwareRecord& request = firmware.calls().back().request;
    EXPECT_EQ(request.w2, 0xC1u);
}

TEST_F(CecControlCommandTest, OnlyAddresses4811AreCandidatesAndNoneKeepsThePreviousOne) {
    CecCertificationStatus status;
    reply(0x32, 5, 0x01000020, 0x0008); // flags 0 and 11
    ASSERT_EQ(command.replyCECCertificationStatus(status), 0);
    EXPECT_EQ(status.logicalAddress, 11);
    EXPECT_EQ(status.statusBit5, 1);
    reply(0x32, 5, 0x03000000, 0x0000); // flags 0 and 1 only
    status.reset();
    ASSERT_EQ(command.replyCECCertificationStatus(status), 0);
    EXPECT_EQ(status.logicalAddress, 15);
}

TEST_F(CecControlCommandTest, WrongReplyCodeOrLengthLeavesTheOutputUntouched) {
    CecCertificationStatus status;
    reply(0x32, 4, 0xFFFFFFFF);
    EXPECT_EQ(command.replyCECCertificationStatus(status), CecControlCommand::kWrongReplyLength);
    EXPECT_TRUE(trace.contains("ERROR HardIO::invoke():CEC_WRONG_RESPONSE_BYTES"));
    reply(0x09, 1, 0xFFFFFFFF);
    EXPECT_EQ(command.replyCECCertificationStatus(status), CecControlCommand::kDifferentReply);
    EXPECT_TRUE(trace.contains("ERROR HardIO::invoke():CEC_DIFFERENT_COMMAND_REPLY"));
    EXPECT_EQ(status.physicalAddressHigh, 0xFF);
    EXPECT_EQ(status.statusBit4, 0);
    cecc.failing = true;
    EXPECT_EQ(command.replyCECCertificationStatus(status), CecControlCommand::kFailed);
    EXPECT_TRUE(
        trace.hasText("ERROR!! in CecControlCommand::replyCECCertificationStatus ERROR HardIO::invoke()"));
}

TEST_F(CecControlCommandTest, SmallRepliesDecodeTheirBytes) {
    std::uint8_t mode = 0;
    reply(0x09, 1, 0x12345610);
    ASSERT_EQ(command.replyOperationMode(mode), 0);
    EXPECT_EQ(mode, 0x10);
    std::uint8_t version[3] = {};
    reply(0x03, 3, 0x00020401);
    ASSERT_EQ(command.replyCECCFWVersion(version), 0);
    EXPECT_EQ(version[0], 1);
    EXPECT_EQ(version[1], 4);
    EXPECT_EQ(version[2], 2);
    std::uint8_t feature = 0;
    reply(0x0C, 1, 0x0B);
    ASSERT_EQ(command.repleySupportFeature(feature), 0);
    EXPECT_EQ(feature, 0x0B);
    EXPECT_EQ(command.replyOperationMode(mode), CecControlCommand::kDifferentReply);
}

TEST_F(CecControlCommandTest, TheChangeNotificationSetsOnlyTheFourStatusBits) {
    CecCertificationStatus status;
    status.physicalAddressHigh = 0x20;
    status.logicalAddress = 8;
    reply(0x90, 1, 0xFFFF0021);
    ASSERT_EQ(command.notifyCECCertificationStatusChange(status), 0);
    EXPECT_EQ(status.statusBit5, 1);
    EXPECT_EQ(status.statusBit0, 1);
    EXPECT_EQ(status.statusBit4, 0);
    EXPECT_EQ(status.certificatedKorvath, 0);
    EXPECT_EQ(status.physicalAddressHigh, 0x20);
    EXPECT_EQ(status.logicalAddress, 8);
    EXPECT_EQ(firmware.calls().back().request.w2, 0xC7u);
}

} // namespace
