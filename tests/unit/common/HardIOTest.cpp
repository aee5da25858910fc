// The firmware call channel over the simulated firmware: opening the device, sessions, the
// status rules of invoke, and the two ready-made queries.
#include "common/HardIO.h"
#include "common/HardIOHelper.h"
#include "sim/SimFirmware.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

class HardIOTest : public ::testing::Test {
protected:
    sim::VirtualClock clock;
    sim::SimFirmware firmware{clock};
    HardIO hardIO{firmware};
    testing_support::TraceCapture trace;

    FirmwareRecord wakeupRequest() const {
        FirmwareRecord request;
        request.w0 = fw::kReadRegister;
        request.w1 = fw::kRegisterWakeupFactor;
        return request;
    }
};

TEST_F(HardIOTest, AMissingDeviceFailsInitializeWithTheSystemErrorAndLaterCallsFailAtTheDevice) {
    firmware.setDevicePresent(false);
    EXPECT_FALSE(hardIO.initialize());
    EXPECT_TRUE(trace.contains("ERROR!! in HardIO::initialize ERROR CreateFile:2"));
    FirmwareRecord reply;
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_TRUE(trace.contains("ERROR DeviceIoControl()"));
    EXPECT_FALSE(trace.contains("ERROR Invalid Parameters"));
}

TEST_F(HardIOTest, CallsWithoutAHandleAreInvalidParameters) {
    FirmwareRecord reply;
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_FALSE(hardIO.open());
    hardIO.close();
    EXPECT_EQ(trace.count("ERROR Invalid Parameters"), 3u);
    EXPECT_TRUE(firmware.calls().empty());

    ASSERT_TRUE(hardIO.initialize());
    hardIO.uninitialize();
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_TRUE(firmware.calls().empty());
}

TEST_F(HardIOTest, StatusBit15FailsWithTheStatusInFourDigitsWhileBusyIsASuccess) {
    ASSERT_TRUE(hardIO.initialize());
    firmware.injectStatus(fw::kReadRegister, 0x8000);
    FirmwareRecord reply;
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_EQ(reply.w0, 0x8000u);
    EXPECT_TRUE(trace.contains("ERROR!! in HardIO::invoke ERROR BIOS function returned:0x8000"));

    firmware.injectStatus(fw::kReadRegister, 0x84FF);
    reply = {};
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));

    firmware.injectStatus(fw::kReadRegister, fw::kStatusBusy);
    reply = {};
    EXPECT_TRUE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_EQ(reply.w0, 0x20u);
}

TEST_F(HardIOTest, ATransportFailureIsADeviceCallFailure) {
    ASSERT_TRUE(hardIO.initialize());
    firmware.setTransportFailing(true);
    FirmwareRecord reply;
    EXPECT_FALSE(hardIO.invoke(wakeupRequest(), reply));
    EXPECT_TRUE(trace.contains("ERROR!! in HardIO::invoke ERROR DeviceIoControl()"));
}

TEST_F(HardIOTest, OpenSucceedsEvenWhenTheFirmwareRejectsTheSession) {
    ASSERT_TRUE(hardIO.initialize());
    firmware.injectStatus(fw::kOpenSession, 0x8001);
    EXPECT_TRUE(hardIO.open());
    hardIO.close();
    ASSERT_EQ(firmware.calls().size(), 2u);
    EXPECT_EQ(firmware.calls()[0].request.w0, fw::kOpenSession);
    EXPECT_EQ(firmware.calls()[1].request.w0, fw::kCloseSession);
}

TEST_F(HardIOTest, SettingsAreReadInsideASession) {
    ASSERT_TRUE(hardIO.initialize());
    firmware.setSetting(fw::kSettingHdmiControl, 7);
    FirmwareRecord request;
    request.w0 = fw::kReadSetting;
    request.w1 = fw::kSettingHdmiControl;
    FirmwareRecord reply;
    EXPECT_FALSE(hardIO.invoke(request, reply)) << "outside a session the firmware refuses";
    ASSERT_TRUE(hardIO.open());
    reply = {};
    EXPECT_TRUE(hardIO.invoke(request, reply));
    EXPECT_EQ(reply.w2, 7u);
    hardIO.close();
}

TEST_F(HardIOTest, RecordsCrossTheTransportAsSixLittleEndianWords) {
    ASSERT_TRUE(hardIO.initialize());
    FirmwareRecord request;
    request.w0 = 0x11223344;
    request.w5 = 0xA1B2C3D4;
    platform::FirmwareBytes bytes;
    request.toBytes(bytes);
    EXPECT_EQ(bytes[0], 0x44);
    EXPECT_EQ(bytes[3], 0x11);
    EXPECT_EQ(bytes[20], 0xD4);
    EXPECT_EQ(bytes[23], 0xA1);
    EXPECT_EQ(FirmwareRecord::fromBytes(bytes).w5, 0xA1B2C3D4u);
}

TEST_F(HardIOTest, WakeupFactorIsTheLowByteOfW2AndUntouchedOnFailure) {
    ASSERT_TRUE(hardIO.initialize());
    HardIOHelper helper(&hardIO);
    firmware.setWakeupFactor(0x31);
    std::uint16_t factor = 0xBEEF;
    EXPECT_TRUE(helper.getWakeupFactor(factor));
    EXPECT_EQ(factor, 0x31);

    firmware.failWakeupFactorReads(1);
    factor = 0xBEEF;
    EXPECT_FALSE(helper.getWakeupFactor(factor));
    EXPECT_EQ(factor, 0xBEEF);
    EXPECT_TRUE(trace.contains("ERROR!! in HardIOHelper::getWakeupFactor ERROR HardIO::invoke():0x00008000"));
}

TEST_F(HardIOTest, HdmiConnectedOnlyWhenTheCallSucceedsAndTheBitIsSet) {
    ASSERT_TRUE(hardIO.initialize());
    HardIOHelper helper(&hardIO);
    EXPECT_FALSE(helper.isHdmiConnected());
    firmware.setHdmiConnected(true);
    EXPECT_TRUE(helper.isHdmiConnected());
    firmware.injectStatus(fw::kReadRegister, 0x8000);
    EXPECT_FALSE(helper.isHdmiConnected());
    EXPECT_TRUE(trace.contains("ERROR!! in HardIOHelper::isHdmiConnected ERROR HardIO::invoke():0x00008000"));

    HardIOHelper without(nullptr);
    EXPECT_FALSE(without.isHdmiConnected());
    std::uint16_t factor = 1;
    EXPECT_FALSE(without.getWakeupFactor(factor));
}

} // namespace
