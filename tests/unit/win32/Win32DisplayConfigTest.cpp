// The display configuration contract against the Win32 adapter (under Wine: Wine's own
// display configuration with its one virtual desktop).
#include "tests/unit/display/DisplayConfigContract.h"

#include "platform/win32/Win32Display.h"

namespace {

struct ThisMachine {
    static std::unique_ptr<platform::DisplayConfig> make() {
        return std::make_unique<platform::win32::Win32DisplayConfig>();
    }
};
using Makers = ::testing::Types<ThisMachine>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DisplayConfigContract, Makers);

TEST(Win32DisplayPortsTest, TheVersionAndTheDeviceListCanBeRead) {
    platform::win32::Win32OsVersion os;
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    ASSERT_TRUE(os.version(major, minor));
    EXPECT_GE(major, 5u);

    platform::win32::Win32DeviceSetupClasses devices;
    const platform::DeviceInfoList list = devices.openPresentDevices();
    ASSERT_NE(list, 0u);
    platform::Guid guid;
    std::uint32_t index = 0;
    platform::ErrorCode error = 0;
    while ((error = devices.deviceClass(list, index, guid)) == 0 && index < 100000) {
        ++index;
    }
    EXPECT_EQ(error, platform::error::kNoMoreItems);
    devices.closeList(list);

    platform::win32::Win32DisplaySettings settings;
    platform::DisplayMode mode;
    ASSERT_TRUE(settings.enumSettings(nullptr, platform::kEnumCurrentSettings, mode));
    EXPECT_GT(mode.pelsWidth, 0u);
    EXPECT_FALSE(settings.enumSettings("\\\\.\\DISPLAY99", platform::kEnumCurrentSettings, mode));
}

} // namespace
