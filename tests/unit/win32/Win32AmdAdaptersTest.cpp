// The Win32 adapters of the AMD display interfaces and of file versions against the real calls:
// without an AMD driver installed neither interface loads and every entry answers a failure;
// file versions come from the version resource's root block, and files without one have none.
#include "platform/win32/Win32AmdDisplayLibrary.h"
#include "platform/win32/Win32AmdSecondDisplay.h"
#include "platform/win32/Win32FileVersion.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

namespace {

TEST(Win32AmdAdapters, WithoutTheDriversNeitherInterfaceLoadsAndEntriesFail) {
    platform::win32::Win32AmdSecondDisplay pdl;
    EXPECT_FALSE(pdl.load());
    EXPECT_FALSE(pdl.hasAllEntries());
    platform::AtipdlDisplayRecord record;
    EXPECT_EQ(pdl.enumDisplays(0, 0, record), 0);
    platform::AtipdlEdidRequest request;
    EXPECT_NE(pdl.displayGetEdidData(0, 0, request), 0);
    EXPECT_NE(pdl.setConfigurationEx(0, platform::AtipdlConfigurationEx{}), 0);
    EXPECT_EQ(pdl.getCapabilities(0), 0);

    platform::win32::Win32AmdDisplayLibrary adl;
    EXPECT_FALSE(adl.load());
    EXPECT_FALSE(adl.hasAllEntries());
    std::int32_t count = 7;
    EXPECT_NE(adl.numberOfAdapters(count), platform::adl::kOk);
    std::vector<platform::AdlDisplayInfo> displays(3);
    EXPECT_NE(adl.displayInfo(0, displays, 0), platform::adl::kOk);
    EXPECT_TRUE(displays.empty());
}

TEST(Win32FileVersion, SystemFilesHaveVersionsAndOtherFilesNone) {
    platform::win32::Win32FileVersion files;
    const std::optional<std::string> system = files.systemDirectory();
    ASSERT_TRUE(system.has_value());
    ASSERT_FALSE(system->empty());
    EXPECT_NE(system->back(), '\\');

    const auto kernel = files.fileVersion(*system + "\\kernel32.dll");
    ASSERT_TRUE(kernel.has_value());
    EXPECT_NE(kernel->mostSignificant, 0U);

    EXPECT_FALSE(files.fileVersion(*system + "\\drivers\\no-such-driver.sys").has_value());
    const std::string plain = "sentrix-file-version-test.txt";
    std::ofstream(plain) << "no version resource";
    EXPECT_FALSE(files.fileVersion(plain).has_value());
    std::remove(plain.c_str());
}

} // namespace
