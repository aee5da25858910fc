// The end-application watches: real threads beside the controller's window thread, waiting for
// a launched application's process to end or for the stop request when the controller leaves
// the TV.
#include "controller/SentrixdDlg.h"
#include "tests/support/ControllerWorld.h"

#include <gtest/gtest.h>

namespace {

using testing_support::ControllerWorld;

class EndAppWatchTest : public ControllerWorld {
protected:
    // The DVD player and a second player installed and offered, the menu shown whenever the PC
    // becomes the active source.
    simrun::SimController& startInLauncherMode() {
        world.registry().setDword(platform::kHkeyLocalMachine, L"SOFTWARE\\KORVATH\\Sentrixd",
                                  L"LauncherShowMode", 1);
        world.installApplication(L"KorDVD.exe", L"KORDVDCLASS");
        world.installApplication(L"PowerCinema.exe", L"koan");
        launcherKey();
        launcherItem(L"Birch", 2);
        launcherItem(L"PowerCinema", 4);
        launcherItem(L"Alder", 1); // not installed
        return startAttached();
    }
    std::size_t endApplicationPosts() {
        std::size_t n = 0;
        for (const auto& post : world.desktop().posts()) {
            n += post.message == WM_END_APPLICATION ? 1 : 0;
        }
        return n;
    }
    bool slotTaken(int type) { return controller().dlg()->m_endAppSlots[type - 1].load() != nullptr; }
    void launch(const wchar_t* message, std::uint64_t settleMs = 4000) {
        postRegistered(message, 0);
        runFor(settleMs);
    }
};

TEST_F(EndAppWatchTest, AWatchedApplicationThatEndsBringsTheMenuBack) {
    startInLauncherMode();
    world.peers().tv().switchToPc(sim::TvModel::Route::SetStreamPath);
    runFor(5000);
    ASSERT_EQ(menusShown(), 1u);
    EXPECT_EQ(controller().menu()->entries().size(), 3u) << "two players and the closing entry";

    ASSERT_TRUE(controller().menus().choose(L"DVD PLAYER"));
    runFor(4000);
    EXPECT_TRUE(trace->contains("createEndAppThread(): Birch"));
    EXPECT_TRUE(trace->contains("Create EndAppThread for Birch:hThread=0x"));
    EXPECT_TRUE(trace->contains("WAIT: End Application: hProcess=0x"));
    EXPECT_TRUE(slotTaken(2));
    EXPECT_EQ(endApplicationPosts(), 0u);

    ASSERT_TRUE(world.endApplication(L"KORDVDCLASS"));
    EXPECT_TRUE(trace->contains("Notify WM_END_APPLICATION"));
    EXPECT_FALSE(slotTaken(2)) << "the watch empties its slot as its last act";
    ASSERT_EQ(endApplicationPosts(), 1u);
    EXPECT_EQ(world.desktop().posts().back().wParam, 2u);
    runFor(10);
    EXPECT_TRUE(trace->contains("Received Message:WM_END_APPLICATION"));
    EXPECT_EQ(menusShown(), 2u);
}

TEST_F(EndAppWatchTest, ASecondLaunchWhileTheFirstIsWatchedStartsNoSecondWatch) {
    startInLauncherMode();
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    EXPECT_EQ(trace->count("Create EndAppThread for Birch"), 1u);
    EXPECT_TRUE(trace->contains("Already Create Thread for Birch"));
    EXPECT_EQ(world.threadStarter().started(), 1u);
}

TEST_F(EndAppWatchTest, LeavingTheTvStopsEveryWatchWithoutReportsAndFreesTheSlots) {
    startInLauncherMode();
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    launch(L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA");
    ASSERT_TRUE(slotTaken(2));
    ASSERT_TRUE(slotTaken(4));

    postRegistered(L"QUICKMENU_NOTIFY_CLOSE_MENU", 0); // in launcher mode: back to the panel, leave the TV
    runFor(100);
    EXPECT_TRUE(trace->contains("setActiveSource(INACTIVE)"));
    EXPECT_EQ(trace->count("DETECT: End Application"), 2u);
    EXPECT_EQ(endApplicationPosts(), 0u);
    EXPECT_FALSE(slotTaken(2));
    EXPECT_FALSE(slotTaken(4));
    EXPECT_FALSE(world.sync().isSignalled(controller().dlg()->m_hEndAppEvent))
        << "reset once all have seen it";

    // Both players still run: a new launch watches again, and that watch is not stopped at once.
    world.bringToFront(L"KORDVDCLASS");
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    EXPECT_EQ(trace->count("Create EndAppThread for Birch"), 2u);
    EXPECT_TRUE(slotTaken(2));
    while (world.endApplication(L"KORDVDCLASS")) {
        // the first player (no longer watched) and the second
    }
    EXPECT_EQ(endApplicationPosts(), 1u);
}

TEST_F(EndAppWatchTest, AnApplicationThatIsGoneOrNotInFrontGetsNoWatch) {
    startInLauncherMode();
    // The player ends during the controller's wait for it.
    postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH", 0);
    world.clock().scheduleAfter(1500, [this] { world.endApplication(L"KORDVDCLASS"); });
    runFor(4000);
    EXPECT_TRUE(trace->contains("Application is not TOPMOST"));
    EXPECT_EQ(world.threadStarter().started(), 0u);

    // A window whose process cannot be opened: the watch ends at once and frees its slot.
    sim::SimDesktop::WindowInfo info;
    info.className = L"KorAvdeck";
    info.visible = true;
    info.processId = 0x7FF0; // no such process
    const platform::WindowHandle stray = world.desktop().addModelWindow(info, nullptr);
    auto launchAlder = [&] {
        postRegistered(L"QUICKMENU_NOTIFY_LAUNCH_ALDER", 0);
        // Nothing is started (not installed); the user brings the window to the front meanwhile.
        world.clock().scheduleAfter(1000, [&] { world.desktop().setForeground(stray); });
        runFor(16000);
    };
    launchAlder();
    EXPECT_TRUE(trace->contains("ERROR: Get Process Handle"));
    EXPECT_FALSE(slotTaken(1));
    launchAlder();
    EXPECT_EQ(trace->count("Create EndAppThread for Alder"), 2u);
    EXPECT_EQ(endApplicationPosts(), 0u);
}

TEST_F(EndAppWatchTest, HostileEndMessagesAreHarmless) {
    startInLauncherMode();
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    for (platform::WParam number :
         {platform::WParam{0}, platform::WParam{7}, ~platform::WParam{0}, platform::WParam{0x80000002}}) {
        controller().post(WM_END_APPLICATION, number, -1);
    }
    runFor(100);
    EXPECT_TRUE(slotTaken(2)) << "only the numbers 1 to 6 name a slot";
    controller().post(WM_END_APPLICATION, 2, 0); // a forged end of the running player
    runFor(100);
    EXPECT_FALSE(slotTaken(2));
    ASSERT_TRUE(world.endApplication(L"KORDVDCLASS"));
    EXPECT_FALSE(slotTaken(2));
    runFor(100);
    EXPECT_TRUE(controller().running());
}

TEST_F(EndAppWatchTest, ClosingTheControllerEndsTheWatchesThatStillRun) {
    auto& controller = startInLauncherMode();
    launch(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH");
    launch(L"QUICKMENU_NOTIFY_LAUNCH_POWERCINEMA");
    controller.post(platform::wm::kClose, 0, 0);
    runFor(100);
    EXPECT_FALSE(controller.running());
    EXPECT_EQ(trace->count("DETECT: End Application"), 2u);
    EXPECT_EQ(endApplicationPosts(), 0u);
}

} // namespace
