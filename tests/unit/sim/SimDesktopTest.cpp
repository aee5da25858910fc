// The simulated desktop: registered messages, finding and posting, window timers on the
// virtual clock, queue order, nested loops, message boxes and waiting for an event.
#include "sim/SimDesktop.h"
#include "sim/SimSync.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Recorder final : platform::WindowClient {
    struct Entry {
        platform::MessageId message;
        platform::WParam wParam;
        std::uint64_t time;
    };
    sim::VirtualClock* clock = nullptr;
    std::vector<Entry> received;
    std::function<void(platform::MessageId, platform::WParam)> onMessage;
    platform::LResult windowProc(platform::WindowHandle, platform::MessageId message, platform::WParam wParam,
                                 platform::LParam) override {
        received.push_back({message, wParam, clock->now()});
        if (onMessage) {
            onMessage(message, wParam);
        }
        return 0;
    }
    std::vector<platform::MessageId> messages() const {
        std::vector<platform::MessageId> out;
        for (const Entry& e : received) {
            out.push_back(e.message);
        }
        return out;
    }
};

class SimDesktopTest : public ::testing::Test {
protected:
    void SetUp() override { client.clock = &clock; }

    // Runs the program's loop until `t`, as the world's driver does.
    void runUntil(std::uint64_t t) {
        for (;;) {
            windowing.dispatchReady();
            const auto next = desktop.nextWakeTime(thread);
            if (!next || *next > t) {
                clock.advanceTo(t);
                windowing.dispatchReady();
                return;
            }
            clock.advanceTo(*next);
        }
    }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    Recorder client;
};

TEST_F(SimDesktopTest, RegisteredMessagesAreSharedAndCaseInsensitive) {
    const auto a = windowing.registerMessage(L"KORVATH_TILES_NOTIFY_EVENT");
    EXPECT_GE(a, 0xC000u);
    EXPECT_EQ(desktop.registerMessage(L"korvath_tiles_notify_event"), a);
    EXPECT_NE(windowing.registerMessage(L"SENTRIXSET_CHANGED"), a);
    EXPECT_EQ(windowing.registerMessage(L""), 0u);
    desktop.failRegistration(L"HDMIOUT_CHANGE_OUTPUT");
    EXPECT_EQ(windowing.registerMessage(L"HDMIOUT_CHANGE_OUTPUT"), 0u);
}

TEST_F(SimDesktopTest, TheDialogWindowIsFoundByClassAndTitleAndGetsInitDialogFirst) {
    const auto window = windowing.createDialogWindow(L"KorSentrixSuiteMain", client);
    ASSERT_NE(window, 0u);
    EXPECT_EQ(client.messages(), (std::vector<platform::MessageId>{platform::wm::kInitDialog}));
    EXPECT_EQ(windowing.findWindow(L"#32770", L"korsentrixsuitemain"), window);
    EXPECT_EQ(windowing.findWindow(nullptr, L"KorSentrixSuiteMain"), window);
    EXPECT_EQ(windowing.findWindow(L"#32770", L"Other"), 0u);
    wchar_t name[4];
    EXPECT_EQ(windowing.className(window, name, 4), 3);
    EXPECT_EQ(std::wstring(name), L"#32");
}

TEST_F(SimDesktopTest, PostedMessagesComeBeforeDueTimersAndTimersFollowTheirDueOrder) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    client.received.clear();
    windowing.setTimer(window, 2, 300);
    windowing.setTimer(window, 1, 100);
    windowing.setTimer(window, 3, 100); // same due time as timer 1, set later
    runUntil(50);
    EXPECT_TRUE(client.received.empty());
    windowing.postMessage(window, 0xC100, 7, 0);
    clock.advanceTo(400); // the thread was busy: every timer is due once, none twice
    runUntil(400);
    ASSERT_EQ(client.received.size(), 4u);
    EXPECT_EQ(client.received[0].message, 0xC100u);
    EXPECT_EQ(client.received[1].wParam, 1u);
    EXPECT_EQ(client.received[2].wParam, 3u);
    EXPECT_EQ(client.received[3].wParam, 2u);
}

TEST_F(SimDesktopTest, ATimerFiresEveryPeriodUntilKilledAndZeroMeansTheMinimum) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    client.received.clear();
    windowing.setTimer(window, 6, 3000);
    runUntil(9000);
    ASSERT_EQ(client.received.size(), 3u);
    EXPECT_EQ(client.received[0].time, 3000u);
    EXPECT_EQ(client.received[2].time, 9000u);
    EXPECT_TRUE(windowing.killTimer(window, 6));
    EXPECT_FALSE(windowing.killTimer(window, 6));
    windowing.setTimer(window, 2, 0);
    EXPECT_EQ(desktop.timerPeriod(window, 2), 10u);
    runUntil(9009);
    EXPECT_EQ(client.received.size(), 3u);
    runUntil(9010);
    EXPECT_EQ(client.received.size(), 4u);
}

TEST_F(SimDesktopTest, QuitIsTakenOnlyWhenNoPostedMessageIsLeft) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    windowing.postQuitMessage(3);
    windowing.postMessage(window, 0xC001, 0, 0);
    platform::Message m;
    ASSERT_EQ(windowing.getMessage(m), 1);
    EXPECT_EQ(m.message, 0xC001u);
    ASSERT_EQ(windowing.getMessage(m), 0);
    EXPECT_EQ(m.wParam, 3u);
}

TEST_F(SimDesktopTest, DestroyingAWindowSendsDestroyAndDropsItsTimersAndMessages) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    windowing.setTimer(window, 1, 100);
    windowing.postMessage(window, 0xC001, 0, 0);
    EXPECT_TRUE(windowing.destroyWindow(window));
    EXPECT_EQ(client.received.back().message, 0x0082u); // WM_NCDESTROY after WM_DESTROY
    EXPECT_FALSE(desktop.isWindow(window));
    EXPECT_FALSE(windowing.postMessage(window, 0xC001, 0, 0));
    platform::Message m;
    EXPECT_FALSE(windowing.peekMessage(m));
    EXPECT_FALSE(desktop.nextWakeTime(thread).has_value());
}

TEST_F(SimDesktopTest, ModelWindowsReceivePostsWhenTimeRunsAndBroadcastsReachEveryWindow) {
    std::vector<platform::Message> got;
    sim::SimDesktop::WindowInfo info;
    info.className = L"#32770";
    info.title = L"KorTonemux";
    const auto tonemux = desktop.addModelWindow(info, [&](const platform::Message& m) { got.push_back(m); });
    const auto main = windowing.createDialogWindow(L"Main", client);
    client.received.clear();
    EXPECT_TRUE(windowing.postMessage(tonemux, 0xC005, 1, 0));
    EXPECT_TRUE(got.empty()) << "another program reads its queue later";
    EXPECT_TRUE(windowing.postMessage(platform::kBroadcastWindow, platform::wm::kAppCommand, 0, 0x2E0000));
    clock.runDue();
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[1].lParam, 0x2E0000);
    windowing.dispatchReady();
    EXPECT_EQ(client.messages(), (std::vector<platform::MessageId>{platform::wm::kAppCommand}));
    ASSERT_EQ(desktop.posts().size(), 2u);
    EXPECT_EQ(desktop.posts()[1].to, platform::kBroadcastWindow);
    (void)main;
}

TEST_F(SimDesktopTest, AMessageBoxPumpsMessagesUntilTheUserAnswers) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    client.received.clear();
    desktop.setMessageBoxReaction(std::nullopt);
    clock.scheduleAt(1000, [&] { windowing.postMessage(window, 0xC010, 0, 0); });
    clock.scheduleAt(2500, [&] { desktop.answerMessageBox(platform::kIdOk); });
    EXPECT_EQ(windowing.messageBox(0, L"To use HDMI Control, you must enable it.", L"HDMI Control",
                                   platform::kMbOk),
              platform::kIdOk);
    EXPECT_EQ(clock.now(), 2500u);
    ASSERT_EQ(client.received.size(), 1u);
    EXPECT_EQ(client.received[0].time, 1000u);
    ASSERT_EQ(desktop.messageBoxes().size(), 1u);
    EXPECT_FALSE(desktop.messageBoxes()[0].open);
    EXPECT_EQ(desktop.find(L"#32770", L"HDMI Control"), 0u) << "the box is gone";

    desktop.setMessageBoxReaction(400);
    windowing.messageBox(0, L"again", L"HDMI Control", platform::kMbOk);
    EXPECT_EQ(clock.now(), 2900u);
}

TEST_F(SimDesktopTest, WaitingForAnEventReturnsOnInputOrSignalAndDetectsAThreadStuckForever) {
    const auto window = windowing.createDialogWindow(L"Main", client);
    const auto event = sync.createEvent(true, false);
    clock.scheduleAt(700, [&] { windowing.postMessage(window, 0xC020, 0, 0); });
    EXPECT_EQ(windowing.waitForEventOrInput(event, platform::kInfinite), platform::kMsgWaitInput);
    EXPECT_EQ(clock.now(), 700u);
    windowing.dispatchReady();
    EXPECT_EQ(windowing.waitForEventOrInput(event, 50), platform::kWaitTimeout);
    EXPECT_EQ(clock.now(), 750u);
    clock.scheduleAt(900, [&] { sync.setEvent(event); });
    EXPECT_EQ(windowing.waitForEventOrInput(event, platform::kInfinite), platform::kMsgWaitSignalled);
    EXPECT_EQ(clock.now(), 900u);
    sync.resetEvent(event);
    EXPECT_THROW(windowing.waitForEventOrInput(event, platform::kInfinite), sim::Deadlock);
}

} // namespace
