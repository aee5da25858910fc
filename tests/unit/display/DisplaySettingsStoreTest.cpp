// The per-arrangement display settings store, and the vendor back-ends' use of it and the
// choice of back-end, with a recording vendor back-end.
#include "PanelidFixture.h"

#include "display/DisplaySettingsStore.h"

namespace {

using namespace displaytest;
using platform::DisplayMode;

constexpr platform::RegKey kUser = platform::kHkeyCurrentUser;
const std::wstring kKey = L"Software\\Korvath\\Dswap";

DisplayMode mode(std::uint32_t width, std::uint32_t height, std::uint32_t orientation = 0,
                 std::int32_t x = 0) {
    DisplayMode m;
    m.pelsWidth = width;
    m.pelsHeight = height;
    m.bitsPerPel = 32;
    m.displayFrequency = 60;
    m.orientation = orientation;
    m.positionX = x;
    return m;
}

class DisplaySettingsStoreTest : public PanelidTest {
protected:
    DisplaySettingsStoreTest() {
        settings.addDevice("\\\\.\\DISPLAY1", {mode(1024, 768), mode(1366, 768), mode(768, 1366)},
                           mode(1366, 768));
        settings.addDevice("\\\\.\\DISPLAY2", {mode(1280, 720), mode(1920, 1080)}, mode(1920, 1080, 0, 1366));
        config.setAvailable(false); // a vendor machine
    }
    display::DisplaySettingsStore store() { return display::DisplaySettingsStore(registry, settings, clock); }
    std::optional<std::uint32_t> dword(const std::wstring& path, const std::wstring& name) {
        const auto value = registry.getValue(kUser, path, name);
        if (!value || value->type != platform::regtype::kDword || value->bytes.size() != 4) {
            return std::nullopt;
        }
        return value->bytes[0] | value->bytes[1] << 8 | value->bytes[2] << 16 | value->bytes[3] << 24;
    }
};

TEST_F(DisplaySettingsStoreTest, SavingWritesSevenValuesPerDesktopOfTheArrangement) {
    store().save(0x2000000);
    const std::wstring sub = kKey + L"\\Mon02000000";
    EXPECT_EQ(registry.valueNames(kUser, sub),
              (std::vector<std::wstring>{L"0_XResolution", L"0_YResolution", L"0_BitParPixel",
                                         L"0_RefreshRate", L"0_XPosition", L"0_YPosition", L"0_Rotation",
                                         L"1_XResolution", L"1_YResolution", L"1_BitParPixel",
                                         L"1_RefreshRate", L"1_XPosition", L"1_YPosition", L"1_Rotation"}));
    EXPECT_EQ(dword(sub, L"1_XResolution"), 1920u);
    EXPECT_EQ(dword(sub, L"1_XPosition"), 1366u);
    store().save(0x80);
    EXPECT_EQ(registry.valueNames(kUser, kKey + L"\\Mon00000080").size(), 7u);
}

TEST_F(DisplaySettingsStoreTest, AFirstRestoreCreatesTheEmptySubkeyAndWritesTheDefaultPause) {
    store().restore(0x100, 0x1);
    EXPECT_TRUE(registry.keyExists(kUser, kKey + L"\\Mon00000100"));
    EXPECT_EQ(dword(kKey, L"SleepTime"), 500u);
    EXPECT_TRUE(settings.changes().empty());
    EXPECT_FALSE(dword(kKey, L"CE"));

    registry.setValue(kUser, kKey, L"SleepTime", platform::regtype::kSz, {0x31, 0, 0, 0});
    store().restore(0x100, 0x1);
    EXPECT_EQ(dword(kKey, L"SleepTime"), 500u); // data of the wrong type is replaced
}

TEST_F(DisplaySettingsStoreTest, RestoringTwoDesktopsSetsThePrimaryFirstAndWaitsTheSpecifiedTimes) {
    store().save(0x2000000);
    settings.setCurrent("\\\\.\\DISPLAY1", mode(1024, 768));
    settings.setCurrent("\\\\.\\DISPLAY2", mode(1280, 720));
    const auto start = clock.now();
    store().restore(0x2000000, 0x1);
    // Per desktop: the pause, 100 ms before reading the current mode; the primary's pause before it is set.
    EXPECT_EQ(clock.now() - start, 500u + 100u + 500u + 500u + 100u);
    ASSERT_EQ(settings.changes().size(), 3u);
    EXPECT_EQ(settings.changes()[0].device, "");
    EXPECT_EQ(settings.changes()[0].flags, 0x10000001u);
    EXPECT_EQ(settings.changes()[0].mode->fields, 0x7C0020u);
    EXPECT_EQ(settings.changes()[1].device, "\\\\.\\DISPLAY2");
    EXPECT_EQ(settings.changes()[1].mode->positionX, 1366);
    EXPECT_FALSE(settings.changes()[2].mode);
    EXPECT_EQ(settings.current("\\\\.\\DISPLAY1").pelsWidth, 1366u);
    EXPECT_EQ(settings.current("\\\\.\\DISPLAY2").pelsWidth, 1920u);
}

TEST_F(DisplaySettingsStoreTest, AStoredPortraitModeIsSearchedWithWidthAndHeightExchanged) {
    settings.setCurrent("\\\\.\\DISPLAY1", mode(1366, 768, 1));
    store().save(0x1);
    settings.setCurrent("\\\\.\\DISPLAY1", mode(1024, 768, 0));
    store().restore(0x1, 0x100);
    ASSERT_EQ(settings.changes().size(), 2u);
    const DisplayMode& applied = *settings.changes()[0].mode;
    EXPECT_EQ(applied.pelsWidth, 1366u); // the offered 768 x 1366, exchanged back
    EXPECT_EQ(applied.pelsHeight, 768u);
    EXPECT_EQ(applied.orientation, 1u);
    EXPECT_EQ(applied.fields, 0x7C0000u);
}

TEST_F(DisplaySettingsStoreTest, FailuresAreWrittenAsStatusAndAModeNoLongerOfferedIsSkipped) {
    registry.setDword(kUser, kKey, L"SleepTime", 10);
    const std::wstring sub = kKey + L"\\Mon00000001";
    registry.setDword(kUser, sub, L"0_XResolution", 800);
    for (const wchar_t* name : {L"0_YResolution", L"0_BitParPixel", L"0_RefreshRate"}) {
        registry.setDword(kUser, sub, name, 600);
    }
    for (const wchar_t* name : {L"0_XPosition", L"0_YPosition", L"0_Rotation"}) {
        registry.setDword(kUser, sub, name, 0);
    }
    const auto start = clock.now();
    store().restore(0x1, 0x100);
    EXPECT_EQ(clock.now() - start, 10u + 100u + 10u * 10u); // ten rounds
    EXPECT_TRUE(settings.changes().empty());
    EXPECT_FALSE(dword(kKey, L"CE"));

    store().save(0x1);
    settings.failCurrentReads("\\\\.\\DISPLAY1", 5);
    store().restore(0x1, 0x100);
    EXPECT_EQ(dword(kKey, L"CF"), 0x100u);
    EXPECT_EQ(dword(kKey, L"CE"), 0x10002u);

    settings.setApplyResult(platform::cds::kFailed);
    store().restore(0x1, 0x100);
    EXPECT_EQ(dword(kKey, L"CE"), 0x10001u);

    // A stored value of the wrong size skips the display.
    settings.setApplyResult(platform::cds::kSuccessful);
    registry.setValue(kUser, sub, L"0_XResolution", platform::regtype::kDword, {0x00, 0x04});
    const auto before = settings.changes().size();
    store().restore(0x1, 0x100);
    EXPECT_EQ(settings.changes().size(), before);
}

TEST_F(DisplaySettingsStoreTest, TheSwapRequestRestoresTheMirrorOfTheOldArrangement) {
    store().save(0x2000000);
    store().restore(0x80000000, 0x4000000);
    EXPECT_EQ(settings.changes().size(), 3u);
}

TEST_F(DisplaySettingsStoreTest, VendorBackEndsAreChosenInEachOperationsOrder) {
    std::uint8_t edid[256] = {};
    EXPECT_EQ(library().getPanelid(edid), -1); // no vendor
    EXPECT_EQ(library().getMonitorDevice(), -1);
    EXPECT_EQ(library().setMonitorDevice(0x80), -1);

    amdSecond.isPresent = true;
    amdFirst.isPresent = true;
    nvidia.isPresent = true;
    nvidia.edidResult = -2;
    EXPECT_EQ(library().getPanelid(edid), -2);
    EXPECT_EQ(nvidia.edidReads, 1);
    EXPECT_EQ(nvidia.lastHdmiStatus, 0x10u);
    nvidia.isPresent = false;
    EXPECT_EQ(library().getPanelid(edid), 1);
    EXPECT_EQ(amdFirst.edidReads, 1); // the first AMD interface reads EDID only
    EXPECT_EQ(library().getPanelid(nullptr), -1);

    amdSecond.value = 0x4000000;
    EXPECT_EQ(library().getMonitorDevice(), 0x4000000);
    EXPECT_EQ(library().setMonitorDevice(0x80000000), 0);
    ASSERT_EQ(amdSecond.switches.size(), 1u);
    EXPECT_EQ(amdSecond.switches[0], std::make_pair(0x80000000u, 0x4000000u));
    EXPECT_EQ(library().vendorCode(), display::vendor::kAmd);
    intel.isPresent = true;
    EXPECT_EQ(library().vendorCode(), display::vendor::kIntel);
}

TEST_F(DisplaySettingsStoreTest, AVendorSwitchSavesTheCurrentArrangementAndRestoresTheNewOne) {
    intel.isPresent = true;
    intel.value = 0x2000000;
    EXPECT_EQ(library().getMonitorDevice(), 0x2000000);
    EXPECT_EQ(dword(kKey + L"\\Mon02000000", L"1_XPosition"), 1366u);

    intel.value = 0x1;
    settings.setCurrent("\\\\.\\DISPLAY1", mode(1024, 768));
    EXPECT_EQ(library().setMonitorDevice(0x2000000), 0);
    EXPECT_TRUE(registry.keyExists(kUser, kKey + L"\\Mon00000001"));
    EXPECT_EQ(settings.current("\\\\.\\DISPLAY1").pelsWidth, 1366u);
}

} // namespace
