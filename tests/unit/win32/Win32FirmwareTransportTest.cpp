// Win32FirmwareTransport without the firmware driver (as under Wine): opening reports the system
// error, requests without a device or to something that is not the device fail and leave the
// reply alone.
// Win32 only.
#include "platform/win32/Win32FirmwareTransport.h"

#include "common/FirmwareRecord.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

using namespace platform;

namespace {

class Win32FirmwareTransportTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::fill(std::begin(request), std::end(request), 0x11);
        std::fill(std::begin(reply), std::end(reply), 0x5A);
    }
    bool replyUntouched() const {
        return std::all_of(std::begin(reply), std::end(reply), [](std::uint8_t b) { return b == 0x5A; });
    }

    win32::Win32FirmwareTransport transport;
    FirmwareBytes request;
    FirmwareBytes reply;
};

TEST_F(Win32FirmwareTransportTest, MissingDeviceReportsTheSystemError) {
    ErrorCode error = 0xDEADBEEF;
    EXPECT_EQ(transport.openDevice(fw::kDevicePath, error), kInvalidDevice);
    EXPECT_EQ(error, error::kFileNotFound);

    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::wstring missingFolder = std::wstring(temp) + L"SentrixAbsentFolder\\device";
    EXPECT_EQ(transport.openDevice(missingFolder.c_str(), error), kInvalidDevice);
    EXPECT_EQ(error, error::kPathNotFound);

    EXPECT_EQ(transport.openDevice(nullptr, error), kInvalidDevice);
    EXPECT_EQ(error, error::kInvalidParameter);
}

TEST_F(Win32FirmwareTransportTest, RequestWithoutADeviceFails) {
    EXPECT_FALSE(transport.control(kInvalidDevice, fw::kControlCode, request, reply));
    EXPECT_FALSE(transport.control(kNoDevice, fw::kControlCode, request, reply));
    EXPECT_TRUE(replyUntouched());
    transport.closeDevice(kInvalidDevice); // nothing to close, nothing happens
    transport.closeDevice(kNoDevice);
}

TEST_F(Win32FirmwareTransportTest, RequestToSomethingElseThanTheDeviceFails) {
    wchar_t temp[MAX_PATH + 1] = {};
    ASSERT_NE(GetTempPathW(MAX_PATH + 1, temp), 0u);
    const std::filesystem::path file =
        std::filesystem::path(temp) / (L"SentrixNotADevice." + std::to_wstring(GetCurrentProcessId()));
    std::ofstream(file) << "plain file";

    ErrorCode error = 0xDEADBEEF;
    const DeviceHandle device = transport.openDevice(file.c_str(), error);
    ASSERT_NE(device, kInvalidDevice);
    EXPECT_EQ(error, 0xDEADBEEFu); // untouched on success
    EXPECT_FALSE(transport.control(device, fw::kControlCode, request, reply));
    EXPECT_TRUE(replyUntouched());
    transport.closeDevice(device);
    std::filesystem::remove(file);
}

} // namespace
