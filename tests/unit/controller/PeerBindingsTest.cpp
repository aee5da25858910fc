// Bindings to the display and bridge libraries and the system probes: the EDID walk for the
// physical address, missing libraries and entries, the tuner probe.
#include "controller/EDIDHelper.h"
#include "controller/HdmiHookHelper.h"
#include "controller/TunerProbe.h"
#include "sim/SimLibraries.h"
#include "sim/SimRegistry.h"
#include "sim/SimShell.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace {

// What the simulated display library hands back, set by each test.
std::array<std::uint8_t, 256> g_edid{};
std::int32_t g_getPanelidResult = 0;

std::int32_t fakeGetPanelid(std::uint8_t* buffer) {
    std::memcpy(buffer, g_edid.data(), g_edid.size());
    return g_getPanelidResult;
}
std::int32_t fakeGetMonitorDevice() {
    return 0x100;
}

class EdidTest : public ::testing::Test {
protected:
    void SetUp() override {
        g_edid.fill(0);
        g_getPanelidResult = 0;
        libraries.addLibrary(
            L"Panelid.dll",
            {{"GetPanelid", reinterpret_cast<platform::EntryPoint>(&fakeGetPanelid)},
             {"GetMonitorDevice", reinterpret_cast<platform::EntryPoint>(&fakeGetMonitorDevice)}});
        ASSERT_EQ(helper.initialize(), 1);
    }
    // A CEA-861 extension with the given data blocks from byte 132 and detailed timings at D.
    void extension(std::uint8_t revision, std::uint8_t dtdOffset,
                   std::initializer_list<std::uint8_t> blocks) {
        g_edid[128] = 0x02;
        g_edid[129] = revision;
        g_edid[130] = dtdOffset;
        std::size_t at = 132;
        for (std::uint8_t b : blocks) {
            g_edid[at++] = b;
        }
    }
    int address(std::uint8_t& first, std::uint8_t& second) {
        return helper.getPhysicalAddress(first, second);
    }

    sim::VirtualClock clock;
    sim::SimLibraries libraries{clock};
    sim::SimShell shell{clock};
    EDIDHelper helper{libraries, shell};
    testing_support::TraceCapture trace;
};

TEST_F(EdidTest, TheHdmiBlockAfterAnAudioBlockGivesTheAddress) {
    extension(3, 30, {0x23, 0x09, 0x07, 0x07, 0x65, 0x03, 0x0C, 0x00, 0x10, 0x00});
    std::uint8_t first = 0xAA, second = 0xAA;
    ASSERT_EQ(address(first, second), 0);
    EXPECT_EQ(first, 0x10);
    EXPECT_EQ(second, 0x00);
    g_getPanelidResult = 1;
    EXPECT_EQ(address(first, second), 0) << "1 from the library is accepted like 0";
}

TEST_F(EdidTest, OtherVendorBlocksAreSteppedOverAndBlocksPastTheTimingsAreNotFound) {
    extension(3, 30, {0x65, 0x00, 0x10, 0x18, 0x20, 0x00, 0x65, 0x03, 0x0C, 0x00, 0x21, 0x00});
    std::uint8_t first = 0, second = 0;
    ASSERT_EQ(address(first, second), 0);
    EXPECT_EQ(first, 0x21);
    extension(3, 10, {0x65, 0x00, 0x10, 0x18, 0x20, 0x00, 0x65, 0x03, 0x0C, 0x00, 0x21, 0x00});
    first = second = 0xAA;
    EXPECT_EQ(address(first, second), -50) << "the HDMI block starts at 138 = 128 + D";
    EXPECT_EQ(first, 0xAA) << "untouched";
    EXPECT_TRUE(trace.hasText("ERROR!! in EDIDHelper::getPhysicalAddress ERROR Valid tag is NOT exist"));
}

TEST_F(EdidTest, OnlyARevision3ExtensionIsRead) {
    std::uint8_t first = 0, second = 0;
    for (std::uint8_t revision : {1, 2}) {
        extension(revision, 30, {0x65, 0x03, 0x0C, 0x00, 0x10, 0x00});
        EXPECT_EQ(address(first, second), -50);
    }
    g_edid.fill(0); // a one-block EDID
    EXPECT_EQ(address(first, second), -50);
    EXPECT_EQ(trace.count("ERROR Invalid tag or revision"), 3u);
}

TEST_F(EdidTest, TheWalkStopsBeforeTheEndOfTheBuffer) {
    // A chain of one-byte blocks through the whole extension with no timings offset limit.
    extension(3, 0xFF, {});
    for (std::size_t i = 132; i < 256; ++i) {
        g_edid[i] = 0x00; // tag 0, length 0: the next block follows at once
    }
    g_edid[252] = 0x65; // an HDMI block too close to the end to hold an address
    g_edid[253] = 0x03;
    g_edid[254] = 0x0C;
    g_edid[255] = 0x00;
    std::uint8_t first = 0, second = 0;
    EXPECT_EQ(address(first, second), -50);
}

TEST_F(EdidTest, ErrorsOfTheLibraryAreReturnedAsTheyAre) {
    g_getPanelidResult = -2;
    std::uint8_t first = 0, second = 0;
    EXPECT_EQ(address(first, second), -2);
    EXPECT_TRUE(trace.contains("ERROR GetPanelid()"));
}

TEST_F(EdidTest, MissingEntriesAndAMissingLibraryFailSoftly) {
    EXPECT_EQ(helper.SetMonitorDevice(0x100), -99);
    EXPECT_TRUE(trace.hasText("ERROR!! in EDIDHelper::SetMonitorDevice ERROR Unknown"));
    EXPECT_EQ(helper.GetMonitorDevice(), 0x100);
    helper.uninitialize();
    libraries.removeLibrary(L"Panelid.dll");
    EXPECT_EQ(helper.initialize(), 0);
    std::uint8_t first = 0, second = 0;
    EXPECT_EQ(helper.getPhysicalAddress(first, second), -99);
    EXPECT_TRUE(trace.hasText("ERROR!! in EDIDHelper::GetPanelid ERROR Unknown"));
    EXPECT_EQ(helper.GetMonitorDevice(), -99);
}

TEST_F(EdidTest, TheLibraryIsLoadedByItsFullPathInTheProgramsFolderOnly) {
    helper.uninitialize();
    libraries.removeLibrary(L"Panelid.dll");
    libraries.addLibrary(L"Panelid.dll", {});
    shell.setModuleFileName(L"D:\\Apps\\Sentrix\\Sentrixd.exe");
    ASSERT_EQ(helper.initialize(), 1);
    const auto loads = [this] {
        std::vector<std::wstring> named;
        for (const auto& record : libraries.records()) {
            if (record.operation == sim::SimLibraries::Operation::Load) {
                named.push_back(record.library);
            }
        }
        return named;
    };
    EXPECT_EQ(loads().back(), L"D:\\Apps\\Sentrix\\Panelid.dll");

    // Without a folder to take it from, nothing is loaded by bare name.
    struct Case {
        std::wstring program;
    };
    for (const Case& c : {Case{L"Sentrixd.exe"}, Case{L""}, Case{L"C:\\" + std::wstring(300, L'x')}}) {
        helper.uninitialize();
        shell.setModuleFileName(c.program);
        const std::size_t before = loads().size();
        EXPECT_EQ(helper.initialize(), 0);
        EXPECT_EQ(loads().size(), before) << "no load tried";
    }
    EXPECT_EQ(trace.count("ERROR GetModuleFileName()"), 3u);
}

std::int32_t fakeSetKeyHook() {
    return 1;
}

TEST(HdmiHookHelperTest, LoadsTheBridgeLibraryFromTheCommonFilesFolder) {
    testing_support::TraceCapture trace;
    sim::VirtualClock clock;
    sim::SimLibraries libraries(clock);
    sim::SimShell shell(clock);
    libraries.addLibrary(L"TVBRIDGE.dll",
                         {{"HDMIHOOK_SetKeyHook", reinterpret_cast<platform::EntryPoint>(&fakeSetKeyHook)}});
    HdmiHookHelper helper(libraries, shell);
    ASSERT_EQ(helper.initialize(), 1);
    EXPECT_TRUE(
        trace.hasText("Tvbridge.dll Path:C:\\Program Files\\Common Files\\Korvath Shared\\TVBRIDGE.dll"));
    EXPECT_EQ(helper.SetKeyHook(), 1);
    EXPECT_EQ(helper.ResetKeyHook(), 0) << "a missing entry counts as failure";
    EXPECT_TRUE(trace.hasText("ERROR!! in HdmiHookHelper::ResetKeyHook ERROR Unknown"));

    HdmiHookHelper withoutFolder(libraries, shell);
    shell.setCommonFilesFolderFailing(true);
    EXPECT_EQ(withoutFolder.initialize(), 0);
    EXPECT_TRUE(trace.contains("ERROR SHGetFolderPath"));
    shell.setCommonFilesFolderFailing(false);
    shell.setCommonFilesFolder(std::wstring(240, L'x'));
    EXPECT_EQ(withoutFolder.initialize(), 0) << "the path would not fit 260 characters";
}

class TunerTest : public ::testing::Test {
protected:
    static constexpr const wchar_t* kTuners =
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center\\Service\\Video\\Tuners";
    void tuner(const wchar_t* category, const wchar_t* name, std::uint32_t enabled) {
        registry.setDword(platform::kHkeyLocalMachine,
                          std::wstring(kTuners) + L"\\" + category + L"\\" + name + L"\\UserSettings",
                          L"EnabledForMCE", enabled);
    }
    sim::SimRegistry registry;
    testing_support::TraceCapture trace;
};

TEST_F(TunerTest, OnlyATunerEnabledForTheMediaCentreCounts) {
    EXPECT_EQ(isTunerExist(registry), 0);
    EXPECT_TRUE(trace.contains("ERROR : RootKey RegOpenKeyEx():ErrorCode=2"));
    tuner(L"{A799A800-A46D-11D0-A18C-00A02401DCD4}", L"Analog1", 1);
    EXPECT_EQ(isTunerExist(registry), 0);
    EXPECT_TRUE(trace.contains("ERROR : DSubKey RegOpenKeyEx():2"));
    tuner(L"{A799A800-A46D-11D0-A18C-00A02401DCD4}", L"Analog2", 0xFFFFFFFF);
    EXPECT_EQ(isTunerExist(registry), 1);
    EXPECT_TRUE(trace.hasText("TUNER FOUND"));
    EXPECT_EQ(registry.openHandleCount(), 0u) << "every key opened is closed";
}

} // namespace
