// The settings program on the simulated dialogs, as the scenario steps drive it: what the
// dialog shows, the banner it paints, About from the system menu, and OK ending the program
// with the firmware written.
#include "tools/scenario/SettingsProgram.h"
#include "settings/SentrixsetResource.h"
#include "sim/SimWorld.h"
#include "tests/support/TraceCapture.h"

#include <gtest/gtest.h>

namespace {

class SettingsProgramTest : public ::testing::Test {
protected:
    sim::SimWorld world;
    testing_support::TraceCapture trace{world.registry(), world.clock(), world.files(), world.threads()};
    scenario::SettingsProgram program{world, 0x9C0};

    const sim::SimDialogs::Dialog& mainDialog() { return *program.dialogs().find(program.window()); }
};

TEST_F(SettingsProgramTest, TheDialogShowsTheStringTableAndTheAboutItem) {
    ASSERT_EQ(program.start(), "");
    const sim::SimDialogs::Dialog& dialog = mainDialog();
    EXPECT_EQ(dialog.title, L"HDMI Control");
    EXPECT_EQ(
        dialog.control(IDC_POWER_OFF)->text,
        L"Allow this PC to be powered o&ff by a TV which supports HDMI Control when the TV is powered off.");
    ASSERT_EQ(dialog.systemMenuItems.size(), 1u);
    EXPECT_EQ(dialog.systemMenuItems[0].first, static_cast<std::uint32_t>(IDM_ABOUTBOX));
    EXPECT_EQ(dialog.icon, static_cast<platform::ResourceId>(IDR_MAINFRAME));
    EXPECT_EQ(program.start(), "the settings program is already open");
}

TEST_F(SettingsProgramTest, TheBannerTilesTheTopAndEndsAtTheRightEdge) {
    ASSERT_EQ(program.start(), "");
    ASSERT_TRUE(program.dialogs().resizeClient(program.window(), 200, 300));
    ASSERT_TRUE(program.dialogs().paint(program.window()));
    std::vector<std::pair<platform::ResourceId, int>> drawn;
    for (const auto& d : mainDialog().lastPaint) {
        EXPECT_EQ(d.y, 0);
        drawn.emplace_back(d.bitmap, d.x);
    }
    // Tiles 16 wide while left of 200 - 120 = 80, then the 120-wide end at 80.
    const std::vector<std::pair<platform::ResourceId, int>> expected = {
        {IDB_BANNER_TILE, 0},  {IDB_BANNER_TILE, 16}, {IDB_BANNER_TILE, 32},
        {IDB_BANNER_TILE, 48}, {IDB_BANNER_TILE, 64}, {IDB_BANNER_END, 80}};
    EXPECT_EQ(drawn, expected);
}

TEST_F(SettingsProgramTest, AboutShowsTheMachineVersionAndOkEndsTheProgram) {
    platform::RegKey key = 0;
    ASSERT_EQ(world.registry().createKey(platform::kHkeyLocalMachine, L"SOFTWARE\\KORVATH\\Sentrixd",
                                         platform::RegAccess::All, key, nullptr),
              0u);
    const std::uint8_t version[] = {'2', 0, '.', 0, '1', 0, 0, 0};
    world.registry().setValue(key, L"CurrentVersion", platform::regtype::kSz, version, sizeof version);
    world.registry().closeKey(key);

    EXPECT_EQ(program.openAbout(), "the settings program is not open");
    ASSERT_EQ(program.start(), "");
    ASSERT_EQ(program.openAbout(), "");
    EXPECT_EQ(program.aboutVersion(), std::optional<std::wstring>(L"2.1"));
    EXPECT_TRUE(program.open());

    EXPECT_EQ(program.click(IDC_POWER_OFF), "");
    EXPECT_EQ(program.click(IDC_HDMI_CONTROL), "");
    EXPECT_EQ(program.click(IDC_POWER_OFF), "control 1011 cannot be clicked (missing or disabled)");
    EXPECT_EQ(program.box(IDC_POWER_ON_OFF)->enabled, false);
    EXPECT_EQ(program.pressOk(), "");
    EXPECT_FALSE(program.open());
    EXPECT_FALSE(program.box(IDC_HDMI_CONTROL));
    EXPECT_EQ(world.firmware().setting(0x154), 0u);
    EXPECT_EQ(program.waitedMs(), 0u); // no controller to tell
    EXPECT_TRUE(trace.contains("Leave CSentrixsetDlg::OnDestroy"));
}

} // namespace
