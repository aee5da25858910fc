// Event dispatch of the controller's window in the simulated world: the tiles event groups,
// the power and session messages, the timers, the busy CEC controller at every retry site,
// and messages with any parameters from any process.
#include "tests/support/ControllerWorld.h"

#include "controller/SentrixdDlg.h"

#include <random>

namespace {

using testing_support::Bytes;
using testing_support::ControllerWorld;

class DispatchTest : public ControllerWorld {
protected:
    simrun::SimController& startAttached() {
        auto& controller = ControllerWorld::startAttached();
        trace->clear();
        return controller;
    }
    void tiles(std::uint32_t code) { postRegistered(L"KORVATH_TILES_NOTIFY_EVENT", code); }
};

TEST_F(DispatchTest, APassThroughKeyRunsTheRulesForItsKeyCodeOnly) {
    startAttached();
    tiles(0x1647);
    runFor(10);
    EXPECT_TRUE(trace->hasText("Received Path through message"));
    EXPECT_TRUE(trace->hasText("NOT Exist CmdInfo"));
    EXPECT_TRUE(trace->hasText("Failed to executeCommand():0x4000ff04"));
    EXPECT_FALSE(trace->contains("Received CEC"));
}

TEST_F(DispatchTest, ARuleForTheKeyRunsItsCommand) {
    startAttached();
    tiles(0x1644);
    runFor(10);
    EXPECT_TRUE(trace->hasText("Exist CmdInfo"));
    EXPECT_TRUE(trace->hasText("Return TRUE"));
    EXPECT_FALSE(trace->contains("Failed to executeCommand()"));
    ASSERT_EQ(world.peers().keyboard().inputBatches().size(), 1u);
    EXPECT_EQ(world.peers().keyboard().inputBatches()[0].events.size(), 2u);
}

TEST_F(DispatchTest, MediaKeysOfOneTvBrandBecomeApplicationCommands) {
    world.peers().tv().setVendorId(0x008045); // the TV reports it when the controller asks at start-up
    startAttached();
    tiles(0x16E4);
    runFor(10);
    const auto& post = world.desktop().posts().back();
    EXPECT_EQ(post.to, platform::kBroadcastWindow);
    EXPECT_EQ(post.message, platform::wm::kAppCommand);
    EXPECT_EQ(post.lParam, 0x000E0000);
}

TEST_F(DispatchTest, HotPlugHighWhileActiveOnlySetsTheFlagsAndRestartsTheSoundTimer) {
    auto& controller = startAttached();
    world.peers().tv().switchToPc(sim::TvModel::Route::SetStreamPath);
    runFor(15000);
    ASSERT_TRUE(trace->hasText("setActiveSource(ACTIVE)"));
    const auto notifiesBefore = ceccCommands(0x30).size();
    trace->clear();
    tiles(0x1581);
    runFor(10);
    EXPECT_EQ(ceccCommands(0x30).size(), notifiesBefore);
    EXPECT_FALSE(trace->contains("Enter CSentrixdDlg::onHotPlugDetectHigh"));
    EXPECT_EQ(world.desktop().timerPeriod(controller.window(), CSentrixdDlg::kTimerSound), 3000u);
}

TEST_F(DispatchTest, UnknownEventCodesAndOtherPowerEventsOnlyTrace) {
    startAttached();
    const std::size_t calls = world.firmware().calls().size();
    tiles(0x1400);
    tiles(0x1599);
    controller().post(platform::wm::kPowerBroadcast, 18, 0);
    runFor(10);
    EXPECT_EQ(world.firmware().calls().size(), calls);
    EXPECT_TRUE(trace->hasText("Received Message:WM_POWERBROADCAST"));
    EXPECT_EQ(trace->count("Received Message:m_uiTilesMsg"), 2u);
}

TEST_F(DispatchTest, ResumeInAnotherConsoleSessionPostsNothing) {
    startAttached();
    world.peers().session().setActiveConsoleSessionId(7);
    controller().post(platform::wm::kPowerBroadcast, 7, 0);
    runFor(10);
    EXPECT_TRUE(trace->hasText("Received WM_POWERBROADCAST / RESUME:0x0007"));
    EXPECT_FALSE(trace->contains("PostMessage(WM_POWERBROADCAST_RESUME)"));
    EXPECT_FALSE(trace->contains("Received Message:WM_POWERBROADCAST_RESUME"));
}

TEST_F(DispatchTest, AResumeMessageFromAnotherWindowIsIgnored) {
    startAttached();
    controller().post(WM_POWERBROADCAST_RESUME, 0x1234, 0);
    runFor(10);
    EXPECT_TRUE(trace->hasText("Other application posted message"));
    EXPECT_FALSE(trace->contains("Enter CSentrixdDlg::manageWakeup"));
}

TEST_F(DispatchTest, EndOfAnUnknownApplicationStillShowsTheLauncherInLauncherMode) {
    launcherKey();
    launcherItem(L"Notes", 0, L"Notes", L"notepad.exe");
    auto& controller = startAttached();
    world.registry().setDword(platform::kHkeyCurrentUser, L"SOFTWARE\\KORVATH\\Sentrixd", L"LauncherShowMode",
                              1);
    postRegistered(L"SENTRIXSET_CHANGED", 0);
    runFor(20000);
    const std::size_t shown = menusShown();
    controller.post(WM_END_APPLICATION, 7, 0);
    runFor(10);
    EXPECT_EQ(menusShown(), shown + 1);
    EXPECT_TRUE(world.desktop().messageBoxes().empty());
}

// Every site that retries a busy CEC controller, with the CEC controller busy at every call.
TEST_F(DispatchTest, ABusyCecControllerIsRetriedAtEverySiteWithItsWait) {
    world.peers().plugCable();
    world.clock().advanceTo(3000);
    world.peers().cecc().setBusy(100000);
    start();
    // Start-up: each setting 1 + 10 times, 400 ms apart; the on-screen name 1 + 10 times, 500 ms apart;
    // the physical address twice, 2000 ms apart, at each hot-plug procedure.
    for (std::uint8_t code :
         {std::uint8_t{0x04}, std::uint8_t{0x07}, std::uint8_t{0x0A}, std::uint8_t{0x40}}) {
        const auto sent = ceccCommands(code);
        ASSERT_EQ(sent.size(), 11u) << "command " << int(code);
        EXPECT_EQ(sent[1].time - sent[0].time, code == 0x40 ? 500u : 400u);
    }
    const auto notify = ceccCommands(0x30);
    ASSERT_EQ(notify.size(), 4u) << "start-up and the wake-up check each notify twice";
    EXPECT_EQ(notify[1].time - notify[0].time, 2000u);
    EXPECT_TRUE(trace->contains("Retry notifyPhysicalAddress()"));
    const auto vendor = sentWith(0x8C);
    ASSERT_GE(vendor.size(), 2u);
    EXPECT_EQ(vendor[1].time - vendor[0].time, 400u);
}

TEST_F(DispatchTest, ActiveSourceIsSentTwentyOneTimesFourHundredMillisecondsApartWhileBusy) {
    startAttached();
    world.peers().cecc().setBusy(100000);
    world.peers().tv().switchToPc(sim::TvModel::Route::SetStreamPath);
    runFor(30000);
    const auto active = sentWith(0x82);
    ASSERT_EQ(active.size(), 21u);
    for (std::size_t i = 1; i < active.size(); ++i) {
        EXPECT_EQ(active[i].time - active[i - 1].time, 400u);
    }
    EXPECT_TRUE(trace->contains("ERROR CecMessage::activeSource():0x00000001"));
    EXPECT_TRUE(sentWith(0x8E).empty()) << "no menu status after a failed active source";
}

TEST_F(DispatchTest, MessagesWithAnyParametersFromAnyProcessNeverCrashTheController) {
    auto& controller = startAttached();
    std::mt19937 random(12345);
    std::vector<platform::MessageId> messages = {platform::wm::kTimer,
                                                 platform::wm::kPowerBroadcast,
                                                 platform::wm::kWtsSessionChange,
                                                 WM_POWERBROADCAST_RESUME,
                                                 WM_NOTIFY_CECINFO,
                                                 WM_END_APPLICATION,
                                                 WM_HOOK_BROWSERBACK,
                                                 platform::wm::kCommand,
                                                 platform::wm::kQueryDragIcon,
                                                 platform::wm::kPaint,
                                                 0};
    for (const wchar_t* name :
         {L"KORVATH_TILES_NOTIFY_EVENT", L"TVBRIDGEDLL_QUERY_TURN_OFF_TV", L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT",
          L"HDMIOUT_CHANGE_OUTPUT", L"SENTRIXSET_CHANGED", L"TVBRIDGEDLL_USE_TV_ENHANCEMENT",
          L"SENTRIX_CHANGESOUND", L"QUICKMENU_NOTIFY_LAUNCH_ALDER", L"QUICKMENU_NOTIFY_CLOSE_MENU"}) {
        messages.push_back(world.desktop().registerMessage(name));
    }
    for (int i = 0; i < 400; ++i) {
        const platform::MessageId message = messages[random() % messages.size()];
        const platform::WParam wParam = (random() % 2) ? random() : (0x1500 + random() % 0x300);
        controller.post(message, wParam, static_cast<platform::LParam>(random()));
        ASSERT_TRUE(controller.runFor(random() % 3000));
    }
    EXPECT_TRUE(controller.running());
}

} // namespace
