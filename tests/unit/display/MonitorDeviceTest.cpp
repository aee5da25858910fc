// The value tables shared by the display library's back-ends.
#include "display/MonitorDevice.h"
#include "platform/DisplayConfig.h"

#include <gtest/gtest.h>

namespace {

using namespace display;
namespace tech = platform::dc::tech;

TEST(MonitorDeviceTest, EachOutputTechnologyHasItsClass) {
    const struct {
        std::int32_t technology;
        std::uint32_t expected;
    } rows[] = {
        {tech::kHd15, cls::kCrt},
        {tech::kSVideo, cls::kTv},
        {tech::kComposite, cls::kTv},
        {tech::kComponent, cls::kTv},
        {tech::kDJpn, cls::kTv},
        {tech::kSdtvDongle, cls::kTv},
        {tech::kDvi, cls::kDvi},
        {tech::kHdmi, cls::kHdmi},
        {tech::kLvds, cls::kLcd},
        {tech::kInternal, cls::kLcd},
        {tech::kDisplayPortExternal, 0x8010},
        {tech::kDisplayPortEmbedded, 0x8010},
        {tech::kOther, cls::kOther},
        {tech::kSdi, cls::kOther},
        {tech::kUdiExternal, cls::kOther},
        {tech::kUdiEmbedded, cls::kOther},
        {7, cls::kNone},
        {15, cls::kNone},
        {0x7FFFFFFF, cls::kNone},
        {-2, cls::kNone},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(classOfOutputTechnology(row.technology), row.expected) << row.technology;
    }
}

TEST(MonitorDeviceTest, MirrorsGoBothWaysAndTheAnalogPairOnlyWhenAsked) {
    const std::pair<std::uint32_t, std::uint32_t> pairs[] = {
        {0x20000, 0x40000},     {0x80000, 0x100000},     {0x200000, 0x400000},
        {0x2000000, 0x4000000}, {0x8000000, 0x10000000}, {0x20000000, 0x40000000},
    };
    for (const auto& [a, b] : pairs) {
        EXPECT_EQ(mirrorOf(a, false), b);
        EXPECT_EQ(mirrorOf(b, false), a);
        EXPECT_EQ(mirrorOf(a, true), b);
    }
    EXPECT_EQ(mirrorOf(0x800000, true), 0x1000000u);
    EXPECT_EQ(mirrorOf(0x1000000, true), 0x800000u);
    EXPECT_FALSE(mirrorOf(0x800000, false));
    for (std::uint32_t single : {0x1u, 0x80u, 0x100u, 0x80000000u, 0u}) {
        EXPECT_FALSE(mirrorOf(single, true)) << single;
    }
}

TEST(MonitorDeviceTest, ExactlyTheTwelveExtendedPairsUseTwoDesktops) {
    int twoDesktops = 0;
    for (int bit = 0; bit < 32; ++bit) {
        twoDesktops += usesTwoDesktops(1u << bit) ? 1 : 0;
    }
    EXPECT_EQ(twoDesktops, 12);
    EXPECT_FALSE(usesTwoDesktops(0x800000));
    EXPECT_FALSE(usesTwoDesktops(0x1000000));
    EXPECT_TRUE(usesTwoDesktops(0x2000000));
    EXPECT_TRUE(usesTwoDesktops(0x40000000));
}

TEST(MonitorDeviceTest, TargetsDecodeIntoOrderedClassesAndAKind) {
    using K = ArrangementKind;
    const struct {
        std::uint32_t target;
        std::vector<std::uint32_t> classes;
        K kind;
    } rows[] = {
        {0x1, {cls::kLcd}, K::LcdAlone},
        {0x4, {cls::kCrt}, K::OtherAlone},
        {0x10, {cls::kDvi}, K::OtherAlone},
        {0x100, {cls::kHdmi}, K::OtherAlone},
        {0x400, {cls::kTv}, K::OtherAlone},
        {0x8010, {cls::kDisplayPort}, K::OtherAlone},
        {0x2, {cls::kLcd, cls::kCrt}, K::Clone},
        {0x8, {cls::kLcd, cls::kDvi}, K::Clone},
        {0x20, {cls::kDvi, cls::kCrt}, K::Clone},
        {0x40, {cls::kCrt, cls::kCrt}, K::Clone},
        {0x80, {cls::kLcd, cls::kHdmi}, K::Clone},
        {0x200, {cls::kLcd, cls::kTv}, K::Clone},
        {0x800, {cls::kHdmi, cls::kCrt}, K::Clone},
        {0x8008, {cls::kLcd, cls::kDisplayPort}, K::Clone},
        {0x8020, {cls::kDisplayPort, cls::kCrt}, K::Clone},
        {0x8200, {cls::kDisplayPort, cls::kHdmi}, K::Clone},
        {0x20000, {cls::kLcd, cls::kCrt}, K::Extended},
        {0x40000, {cls::kCrt, cls::kLcd}, K::Extended},
        {0x80000, {cls::kLcd, cls::kDvi}, K::Extended},
        {0x88000, {cls::kLcd, cls::kDisplayPort}, K::Extended},
        {0x100000, {cls::kDvi, cls::kLcd}, K::Extended},
        {0x108000, {cls::kDisplayPort, cls::kLcd}, K::Extended},
        {0x200000, {cls::kDvi, cls::kCrt}, K::Extended},
        {0x208000, {cls::kDisplayPort, cls::kCrt}, K::Extended},
        {0x400000, {cls::kCrt, cls::kDvi}, K::Extended},
        {0x408000, {cls::kCrt, cls::kDisplayPort}, K::Extended},
        {0x800000, {cls::kCrt, cls::kCrt}, K::Extended},
        {0x1000000, {cls::kCrt, cls::kCrt}, K::Extended},
        {0x2000000, {cls::kLcd, cls::kHdmi}, K::Extended},
        {0x4000000, {cls::kHdmi, cls::kLcd}, K::Extended},
        {0x8000000, {cls::kLcd, cls::kTv}, K::Extended},
        {0x8008000, {cls::kDisplayPort, cls::kHdmi}, K::Extended},
        {0x10000000, {cls::kTv, cls::kLcd}, K::Extended},
        {0x10008000, {cls::kHdmi, cls::kDisplayPort}, K::Extended},
        {0x20000000, {cls::kHdmi, cls::kCrt}, K::Extended},
        {0x40000000, {cls::kCrt, cls::kHdmi}, K::Extended},
    };
    for (const auto& row : rows) {
        const auto decoded = decodeTarget(row.target);
        ASSERT_TRUE(decoded) << std::hex << row.target;
        EXPECT_EQ(decoded->classes, row.classes) << std::hex << row.target;
        EXPECT_EQ(decoded->kind, row.kind) << std::hex << row.target;
    }
    for (std::uint32_t undecodable : {0x0u, 0x3u, 0x8000u, 0x10000u, 0x80000000u, 0x2000001u}) {
        EXPECT_FALSE(decodeTarget(undecodable)) << std::hex << undecodable;
    }
}

} // namespace
