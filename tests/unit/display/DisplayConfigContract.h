// The contract of the display configuration port, as the Win32 calls document it: stated once
// and run against the simulated adapter natively and the Win32 adapter under Wine. A suite
// instantiates DisplayConfigContract with a type whose `make()` returns a configuration with
// at least one active display.
#pragma once

#include "platform/DisplayConfig.h"
#include "platform/Types.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

template <typename Maker> class DisplayConfigContract : public ::testing::Test {
protected:
    void SetUp() override {
        config = Maker::make();
        ASSERT_TRUE(config->available());
    }
    // Reads the active paths and their modes; false when either call fails.
    bool readActive() {
        std::uint32_t pathCount = 0;
        std::uint32_t modeCount = 0;
        if (config->getBufferSizes(platform::dc::kQueryOnlyActivePaths, pathCount, modeCount) != 0) {
            return false;
        }
        paths.resize(pathCount);
        modes.resize(modeCount);
        if (config->query(platform::dc::kQueryOnlyActivePaths, pathCount, paths.data(), modeCount,
                          modes.data(), nullptr) != 0) {
            return false;
        }
        paths.resize(pathCount);
        modes.resize(modeCount);
        return true;
    }
    std::vector<platform::DisplayConfigPathInfo> paths;
    std::vector<platform::DisplayConfigModeInfo> modes;
    std::unique_ptr<platform::DisplayConfig> config;
};
TYPED_TEST_SUITE_P(DisplayConfigContract);

namespace contract {
inline constexpr std::int32_t kInvalidParameter =
    static_cast<std::int32_t>(platform::error::kInvalidParameter);
inline constexpr std::int32_t kInsufficientBuffer =
    static_cast<std::int32_t>(platform::error::kInsufficientBuffer);
} // namespace contract

TYPED_TEST_P(DisplayConfigContract, TheQueryFlagsAreExactlyOneOfThree) {
    std::uint32_t paths = 0;
    std::uint32_t modes = 0;
    EXPECT_EQ(this->config->getBufferSizes(0, paths, modes), contract::kInvalidParameter);
    EXPECT_EQ(this->config->getBufferSizes(platform::dc::kQueryAllPaths | platform::dc::kQueryOnlyActivePaths,
                                           paths, modes),
              contract::kInvalidParameter);
    EXPECT_EQ(this->config->getBufferSizes(platform::dc::kQueryOnlyActivePaths, paths, modes), 0);
    EXPECT_GE(paths, 1u);
    EXPECT_GE(modes, 2u);
    EXPECT_EQ(this->config->getBufferSizes(platform::dc::kQueryDatabaseCurrent, paths, modes), 0);
}

TYPED_TEST_P(DisplayConfigContract, ActivePathsReferToTheirSourceAndTargetModes) {
    ASSERT_TRUE(this->readActive());
    ASSERT_GE(this->paths.size(), 1u);
    const auto modeCount = this->modes.size();
    const auto& modes = this->modes;
    for (const auto& path : this->paths) {
        EXPECT_NE(path.flags & platform::dc::kPathActive, 0u);
        ASSERT_LT(path.sourceInfo.modeInfoIdx, modeCount);
        EXPECT_EQ(modes[path.sourceInfo.modeInfoIdx].infoType, platform::dc::kModeInfoTypeSource);
        EXPECT_GT(modes[path.sourceInfo.modeInfoIdx].sourceMode.width, 0u);
        ASSERT_LT(path.targetInfo.modeInfoIdx, modeCount);
        EXPECT_EQ(modes[path.targetInfo.modeInfoIdx].infoType, platform::dc::kModeInfoTypeTarget);
        EXPECT_NE(path.targetInfo.targetAvailable, 0);
    }
}

TYPED_TEST_P(DisplayConfigContract, TheTopologyGoesOnlyWithTheCurrentDatabaseAndSmallArraysAreRefused) {
    std::uint32_t pathCount = 0;
    std::uint32_t modeCount = 0;
    ASSERT_EQ(this->config->getBufferSizes(platform::dc::kQueryAllPaths, pathCount, modeCount), 0);
    std::vector<platform::DisplayConfigPathInfo> paths(pathCount);
    std::vector<platform::DisplayConfigModeInfo> modes(modeCount);
    std::uint32_t topology = 0;
    std::uint32_t p = pathCount;
    std::uint32_t m = modeCount;
    EXPECT_EQ(this->config->query(platform::dc::kQueryAllPaths, p, paths.data(), m, modes.data(), &topology),
              contract::kInvalidParameter);
    p = pathCount;
    m = modeCount - 1;
    EXPECT_EQ(this->config->query(platform::dc::kQueryAllPaths, p, paths.data(), m, modes.data(), nullptr),
              contract::kInsufficientBuffer);
    p = pathCount;
    m = modeCount;
    EXPECT_EQ(this->config->query(platform::dc::kQueryAllPaths, p, paths.data(), m, modes.data(), nullptr),
              0);
    EXPECT_LE(p, pathCount);
}

TYPED_TEST_P(DisplayConfigContract, ASourceHasAGdiDisplayName) {
    ASSERT_TRUE(this->readActive());
    ASSERT_FALSE(this->paths.empty());
    const auto& paths = this->paths;
    platform::DisplayConfigSourceDeviceName name;
    name.type = platform::dc::kGetSourceName;
    name.size = sizeof(name);
    name.adapterId = paths[0].sourceInfo.adapterId;
    name.id = paths[0].sourceInfo.id;
    ASSERT_EQ(this->config->getSourceName(name), 0);
    const std::u16string text(name.viewGdiDeviceName);
    EXPECT_EQ(text.substr(0, 11), u"\\\\.\\DISPLAY");

    name.size = 20; // only the header
    EXPECT_NE(this->config->getSourceName(name), 0);
}

REGISTER_TYPED_TEST_SUITE_P(DisplayConfigContract, TheQueryFlagsAreExactlyOneOfThree,
                            ActivePathsReferToTheirSourceAndTargetModes,
                            TheTopologyGoesOnlyWithTheCurrentDatabaseAndSmallArraysAreRefused,
                            ASourceHasAGdiDisplayName);
