// The control menu's launch requests, the key hook they install through the bridge library,
// and the browser-back key that then closes the media player in the foreground.
#include "tests/support/ControllerWorld.h"

#include "common/Vendor.h"
#include "controller/SentrixdDlg.h"

namespace {

using testing_support::ControllerWorld;

class KeyHookTest : public ControllerWorld {
protected:
    simrun::SimController& startWithTv(std::uint32_t vendor) {
        world.peers().tv().setVendorId(vendor);
        world.peers().plugCable();
        world.clock().advanceTo(3000);
        launcherKey();
        launcherItem(L"Alder", 1);
        launcherItem(L"Birch", 2);
        auto& controller = start();
        controller.runFor(20000);
        return controller;
    }
    platform::WindowHandle player(std::vector<platform::Message>& received) {
        sim::SimDesktop::WindowInfo info;
        info.className = L"KORDVDCLASS";
        info.title = L"Player";
        info.visible = true;
        const auto window = world.desktop().addModelWindow(
            info, [&received](const platform::Message& m) { received.push_back(m); });
        world.desktop().setForeground(window);
        return window;
    }
};

TEST_F(KeyHookTest, LaunchingFromTheMenuWithAnotherTvInstallsTheHookAndBrowserBackClosesThePlayer) {
    startWithTv(0x00E091);
    postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", 0);
    runFor(100);
    ASSERT_EQ(trace->count("Enter AppLauncher::execute"), 1u);
    EXPECT_TRUE(trace->hasText("SUCEESS SetKeyHook()"));
    EXPECT_TRUE(world.peers().keyboard().hookInstalled());
    EXPECT_TRUE(trace->hasText("Create Thread for detecting end application."));

    std::vector<platform::Message> received;
    player(received);
    world.peers().keyboard().pressKey(0x41); // another key: nothing
    runFor(100);
    EXPECT_TRUE(received.empty());
    world.peers().keyboard().pressKey(0xA6);
    runFor(100);
    EXPECT_EQ(trace->count("Received Message:WM_HOOK_BROWSERBACK"), 2u) << "key down and key up";
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].message, platform::wm::kClose);

    // A second launch does not install a second hook.
    postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_ALDER", 0);
    runFor(100);
    EXPECT_EQ(world.peers().keyboard().installedHooks(), 1);
}

TEST_F(KeyHookTest, WithTheMakersTvNoHookIsInstalled) {
    startWithTv(kKorvathVendorId);
    postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", 0);
    runFor(100);
    EXPECT_TRUE(trace->hasText("Connected KORVATH TV. NOT Call SetKeyHook()."));
    EXPECT_FALSE(world.peers().keyboard().hookInstalled());
}

TEST_F(KeyHookTest, LeavingTheTvRemovesTheHook) {
    startWithTv(0x00E091);
    postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", 0);
    runFor(100);
    ASSERT_TRUE(world.peers().keyboard().hookInstalled());
    world.peers().tv().standby();
    runFor(10000);
    EXPECT_TRUE(trace->hasText("SUCEESS ResetKeyHook()"));
    EXPECT_FALSE(world.peers().keyboard().hookInstalled());
}

TEST_F(KeyHookTest, ClosingTheMenuInLauncherModeLeavesTheTv) {
    world.registry().setDword(platform::kHkeyLocalMachine, L"SOFTWARE\\KORVATH\\Sentrixd",
                              L"LauncherShowMode", 1);
    startWithTv(0x00E091);
    const std::uint64_t t0 = now();
    postRegistered(L"QUICKMENU_NOTIFY_CLOSE_MENU", 0);
    runFor(5000);
    EXPECT_TRUE(trace->hasText("Received Close Menu"));
    EXPECT_EQ(sentWith(0x9D, t0).size(), 1u);
}

} // namespace
