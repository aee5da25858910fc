// The contract of the windowing port's program window, message loop, timers and questions about
// other windows, stated once and run against the simulated desktop natively and against user32
// under Wine. An environment type provides the ports and what a test needs beyond them:
//   struct Env {
//       platform::Windowing& windowing(); platform::Sync& sync();
//       // Windows that another part of the program (or another program) made: a child window
//       // of `parent`, and a visible top-level pop-up window owned by `owner`.
//       platform::WindowHandle createChild(platform::WindowHandle parent);
//       platform::WindowHandle createOwnedPopup(platform::WindowHandle owner);
//       void destroyOther(platform::WindowHandle window);
//       // SendMessageW from the same thread: the window procedure runs before this returns.
//       void send(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
//                 platform::LParam lParam);
//       // SetForegroundWindow, as the user's click does it.
//       void setForeground(platform::WindowHandle window);
//       void sleep(std::uint32_t ms);      // lets the clock run without reading the queue
//       std::uint64_t nowMs();
//   };
#pragma once

#include "platform/Sync.h"
#include "platform/Windowing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace testing_support {

// Records every message and hands it to the dialog's default processing, as the controller does.
class RecordingWindowClient final : public platform::WindowClient {
public:
    explicit RecordingWindowClient(platform::Windowing& windowing) : m_windowing(windowing) {}

    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        received.push_back(platform::Message{window, message, wParam, lParam});
        return m_windowing.defaultWindowProc(window, message, wParam, lParam);
    }

    int count(platform::MessageId message) const {
        return static_cast<int>(
            std::count_if(received.begin(), received.end(),
                          [&](const platform::Message& m) { return m.message == message; }));
    }
    bool saw(platform::MessageId message, platform::WParam wParam) const {
        return std::any_of(received.begin(), received.end(), [&](const platform::Message& m) {
            return m.message == message && m.wParam == wParam;
        });
    }

    std::vector<platform::Message> received;

private:
    platform::Windowing& m_windowing;
};

template <typename Env> class WindowingContract : public ::testing::Test {
protected:
    static constexpr std::uint32_t kPumpTimeoutMs = 3000;
    static constexpr std::uint32_t kWaitSliceMs = 20;
    static constexpr platform::WindowHandle kNoSuchWindow = 0x7FF0;
    static constexpr std::uint32_t kWsVisible = 0x10000000;
    static constexpr std::uint32_t kWsChild = 0x40000000;

    void SetUp() override {
        static int serial = 0;
        title = L"SentrixContract " + std::to_wstring(++serial);
        idleEvent = env.sync().createEvent(true, false);
        ASSERT_NE(idleEvent, 0u);
    }
    void TearDown() override {
        for (const platform::WindowHandle other : others) {
            env.destroyOther(other);
        }
        if (window != 0) {
            env.windowing().destroyWindow(window);
        }
        platform::Message message;
        while (env.windowing().peekMessage(message)) {
        }
        env.sync().closeHandle(idleEvent);
    }

    void create() {
        window = env.windowing().createDialogWindow(title.c_str(), client);
        ASSERT_NE(window, 0u);
    }

    // Reads and dispatches what has arrived, without waiting.
    void drain() {
        platform::Message message;
        while (env.windowing().peekMessage(message)) {
            env.windowing().dispatchMessage(message);
        }
    }

    // Runs the message loop until `done` holds; false on timeout.
    bool pumpUntil(const std::function<bool()>& done) {
        const std::uint64_t start = env.nowMs();
        while (!done()) {
            if (env.nowMs() - start > kPumpTimeoutMs) {
                return false;
            }
            platform::Message message;
            if (env.windowing().peekMessage(message)) {
                env.windowing().dispatchMessage(message);
            } else {
                env.windowing().waitForEventOrInput(idleEvent, kWaitSliceMs);
            }
        }
        return true;
    }

    platform::WindowHandle child() { return others.emplace_back(env.createChild(window)); }
    platform::WindowHandle ownedPopup() { return others.emplace_back(env.createOwnedPopup(window)); }

    Env env;
    RecordingWindowClient client{env.windowing()};
    std::wstring title;
    platform::WindowHandle window = 0;
    platform::SyncHandle idleEvent = 0;
    std::vector<platform::WindowHandle> others;
};

TYPED_TEST_SUITE_P(WindowingContract);

TYPED_TEST_P(WindowingContract, TheProgramWindowIsAHiddenTopLevelDialogFoundByClassAndTitle) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    ASSERT_FALSE(this->client.received.empty());
    EXPECT_EQ(this->client.received.front().message, platform::wm::kInitDialog); // before creation returned
    EXPECT_EQ(this->client.received.front().window, this->window);

    const std::wstring& title = this->title;
    EXPECT_EQ(windowing.findWindow(L"#32770", title.c_str()), this->window);
    EXPECT_EQ(windowing.findWindow(nullptr, title.c_str()), this->window);
    EXPECT_EQ(windowing.findWindow(L"", title.c_str()), this->window);
    EXPECT_EQ(windowing.findWindow(L"#32770", (title + L"x").c_str()), 0u);
    EXPECT_EQ(windowing.findWindow(L"SentrixNoSuchClass", title.c_str()), 0u);

    wchar_t name[64] = {};
    EXPECT_EQ(windowing.className(this->window, name, 64), 6);
    EXPECT_STREQ(name, L"#32770");
    const std::uint32_t style = windowing.windowStyle(this->window);
    EXPECT_EQ(style & this->kWsVisible, 0u);
    EXPECT_EQ(style & this->kWsChild, 0u);
    EXPECT_EQ(windowing.parentWindow(this->window), 0u);

    EXPECT_FALSE(windowing.showWindow(this->window, platform::sw::kShowNormal)) << "it was hidden";
    EXPECT_NE(windowing.windowStyle(this->window) & this->kWsVisible, 0u);
    EXPECT_TRUE(windowing.showWindow(this->window, platform::sw::kHide)) << "it was visible";
    EXPECT_EQ(windowing.windowStyle(this->window) & this->kWsVisible, 0u);
}

TYPED_TEST_P(WindowingContract, ADestroyedWindowIsGoneForEveryQuestionAndEveryPost) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    const platform::MessageId id = windowing.registerMessage(L"SENTRIX_CONTRACT_GONE");
    ASSERT_TRUE(windowing.destroyWindow(this->window));
    EXPECT_EQ(this->client.count(platform::wm::kDestroy), 1);
    EXPECT_EQ(this->client.count(platform::wm::kNcDestroy), 1);

    EXPECT_EQ(windowing.findWindow(L"#32770", this->title.c_str()), 0u);
    wchar_t name[64] = L"same";
    EXPECT_EQ(windowing.className(this->window, name, 64), 0);
    EXPECT_STREQ(name, L"same");
    EXPECT_EQ(windowing.windowStyle(this->window), 0u);
    EXPECT_EQ(windowing.parentWindow(this->window), 0u);
    EXPECT_FALSE(windowing.postMessage(this->window, id, 0, 0));
    EXPECT_FALSE(windowing.postMessage(this->kNoSuchWindow, id, 0, 0));
    EXPECT_FALSE(windowing.destroyWindow(this->window));
    EXPECT_EQ(windowing.setTimer(this->window, 5, 100), 0u);
    this->window = 0;
}

TYPED_TEST_P(WindowingContract, RegisteredMessagesArePostedInOrderAndTheThreadsQuitEndsTheLoop) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    const platform::MessageId id = windowing.registerMessage(L"SENTRIX_CONTRACT_MESSAGE");
    EXPECT_GE(id, 0xC000u);
    EXPECT_LE(id, 0xFFFFu);
    EXPECT_EQ(windowing.registerMessage(L"sentrix_contract_message"), id) << "names compare without case";
    EXPECT_NE(windowing.registerMessage(L"SENTRIX_CONTRACT_OTHER"), id);
    EXPECT_EQ(windowing.registerMessage(nullptr), 0u);

    ASSERT_TRUE(windowing.postMessage(this->window, id, 7, -3));
    ASSERT_TRUE(windowing.postMessage(this->window, id, 8, 0));
    ASSERT_TRUE(windowing.postMessage(this->window, platform::wm::kQuit, 9, 0)); // not this thread's quit
    windowing.postQuitMessage(5);
    platform::Message message;
    int result = 0;
    for (int taken = 0; (result = windowing.getMessage(message)) == 1 && taken < 100; ++taken) {
        windowing.dispatchMessage(message);
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(message.message, platform::wm::kQuit);
    EXPECT_EQ(message.wParam, 5u);
    EXPECT_EQ(message.window, 0u);

    std::vector<platform::Message> ours;
    for (const platform::Message& m : this->client.received) {
        if (m.message == id) {
            ours.push_back(m);
        }
    }
    ASSERT_EQ(ours.size(), 2u);
    EXPECT_EQ(ours[0].window, this->window);
    EXPECT_EQ(ours[0].wParam, 7u);
    EXPECT_EQ(ours[0].lParam, -3);
    EXPECT_EQ(ours[1].wParam, 8u);
    EXPECT_EQ(this->client.count(platform::wm::kQuit), 0);
}

TYPED_TEST_P(WindowingContract, CreationAndDestructionMessagesFromOthersNeverReachTheClient) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    ASSERT_EQ(this->client.count(platform::wm::kInitDialog), 1);
    for (const platform::MessageId message :
         {platform::wm::kInitDialog, platform::wm::kDestroy, platform::wm::kNcDestroy}) {
        ASSERT_TRUE(windowing.postMessage(this->window, message, 0, this->kNoSuchWindow));
    }
    for (const platform::MessageId message :
         {platform::wm::kInitDialog, platform::wm::kNcCreate, platform::wm::kCreate, platform::wm::kDestroy,
          platform::wm::kNcDestroy}) {
        this->env.send(this->window, message, 0,
                       this->kNoSuchWindow); // a send is no more genuine than a post
    }
    const platform::MessageId id = windowing.registerMessage(L"SENTRIX_CONTRACT_AFTER_LIFECYCLE");
    ASSERT_TRUE(windowing.postMessage(this->window, id, 1, 0));
    ASSERT_TRUE(this->pumpUntil([&] { return this->client.saw(id, 1); }));
    EXPECT_EQ(this->client.count(platform::wm::kInitDialog), 1);
    for (const platform::MessageId message :
         {platform::wm::kNcCreate, platform::wm::kCreate, platform::wm::kDestroy, platform::wm::kNcDestroy}) {
        EXPECT_EQ(this->client.count(message), 0) << message;
    }
    EXPECT_EQ(windowing.findWindow(L"#32770", this->title.c_str()), this->window) << "still there";

    // The window's own destruction still reaches the client, once each.
    ASSERT_TRUE(windowing.destroyWindow(this->window));
    EXPECT_EQ(this->client.count(platform::wm::kDestroy), 1);
    EXPECT_EQ(this->client.count(platform::wm::kNcDestroy), 1);
    this->window = 0;
}

TYPED_TEST_P(WindowingContract, BroadcastReachesTheProgramWindow) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    const platform::MessageId id = windowing.registerMessage(L"SENTRIX_CONTRACT_BROADCAST");
    ASSERT_TRUE(windowing.postMessage(platform::kBroadcastWindow, id, 11, 0));
    EXPECT_TRUE(this->pumpUntil([&] { return this->client.saw(id, 11); }));
}

TYPED_TEST_P(WindowingContract, ATimerTicksUntilKilledAndAResetKeepsItsIdentifier) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    constexpr platform::TimerId kTimer = 42;
    ASSERT_EQ(windowing.setTimer(this->window, kTimer, 10), kTimer);
    ASSERT_EQ(windowing.setTimer(this->window, kTimer, 20), kTimer) << "a second SetTimer replaces the first";
    EXPECT_TRUE(this->pumpUntil([&] { return this->client.saw(platform::wm::kTimer, kTimer); }));
    const auto tick =
        std::find_if(this->client.received.begin(), this->client.received.end(),
                     [](const platform::Message& m) { return m.message == platform::wm::kTimer; });
    ASSERT_NE(tick, this->client.received.end());
    EXPECT_EQ(tick->window, this->window);
    EXPECT_EQ(tick->lParam, 0) << "no callback";

    EXPECT_TRUE(windowing.killTimer(this->window, kTimer));
    EXPECT_FALSE(windowing.killTimer(this->window, kTimer));
    EXPECT_FALSE(windowing.killTimer(this->window, kTimer + 1));
    this->drain(); // a tick that fell due before the kill may still be queued
    const int ticks = this->client.count(platform::wm::kTimer);
    this->env.sleep(80);
    this->drain();
    EXPECT_EQ(this->client.count(platform::wm::kTimer), ticks);
}

TYPED_TEST_P(WindowingContract, WaitingForAnEventTellsTheEventFromInputAndATimeout) {
    platform::Windowing& windowing = this->env.windowing();
    platform::Sync& sync = this->env.sync();
    this->create();
    this->drain(); // whatever the window's creation queued (activation, painting) is input too
    const platform::SyncHandle event = sync.createEvent(true, true);
    EXPECT_EQ(windowing.waitForEventOrInput(event, 0), platform::kMsgWaitSignalled);
    ASSERT_TRUE(sync.resetEvent(event));
    const std::uint64_t before = this->env.nowMs();
    EXPECT_EQ(windowing.waitForEventOrInput(event, 30), platform::kWaitTimeout);
    EXPECT_GE(this->env.nowMs() - before, 25u) << "the wait lasts its timeout";
    ASSERT_TRUE(windowing.postMessage(this->window, platform::wm::kApp, 0, 0));
    EXPECT_EQ(windowing.waitForEventOrInput(event, 1000), platform::kMsgWaitInput);
    this->drain();
    sync.closeHandle(event);
    EXPECT_EQ(windowing.waitForEventOrInput(0, 0), platform::kWaitFailed);
}

TYPED_TEST_P(WindowingContract, TheParentOfAChildIsItsParentAndOfAnOwnedPopUpItsOwner) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    const platform::WindowHandle child = this->child();
    const platform::WindowHandle owned = this->ownedPopup();
    ASSERT_NE(child, 0u);
    ASSERT_NE(owned, 0u);
    EXPECT_EQ(windowing.parentWindow(child), this->window);
    // An owned pop-up is top-level, as every foreground window is; its parent is its owner.
    EXPECT_EQ(windowing.parentWindow(owned), this->window);
    EXPECT_EQ(windowing.windowStyle(owned) & this->kWsChild, 0u);
    EXPECT_NE(windowing.windowStyle(child) & this->kWsChild, 0u);
    EXPECT_EQ(windowing.parentWindow(this->window), 0u) << "an unowned top-level window has none";
    EXPECT_EQ(windowing.parentWindow(this->kNoSuchWindow), 0u);

    // Class names are cut to the buffer, as GetClassNameW cuts them.
    wchar_t name[4] = {};
    EXPECT_EQ(windowing.className(child, name, 4), 3);
    EXPECT_STREQ(name, L"Sta");
    EXPECT_EQ(windowing.className(child, nullptr, 4), 0);
    EXPECT_EQ(windowing.className(child, name, 0), 0);
}

TYPED_TEST_P(WindowingContract, OnlyATopLevelWindowIsTheForegroundWindow) {
    platform::Windowing& windowing = this->env.windowing();
    this->create();
    windowing.showWindow(this->window, platform::sw::kShowNormal);
    const platform::WindowHandle child = this->child();
    const platform::WindowHandle owned = this->ownedPopup();

    this->env.setForeground(owned);
    this->drain();
    EXPECT_EQ(windowing.foregroundWindow(), owned);
    EXPECT_EQ(windowing.parentWindow(windowing.foregroundWindow()), this->window);

    // Asking for a child brings its top-level window to the foreground, never the child.
    this->env.setForeground(child);
    this->drain();
    const platform::WindowHandle foreground = windowing.foregroundWindow();
    EXPECT_NE(foreground, child);
    EXPECT_EQ(windowing.windowStyle(foreground) & this->kWsChild, 0u);
}

REGISTER_TYPED_TEST_SUITE_P(WindowingContract, TheProgramWindowIsAHiddenTopLevelDialogFoundByClassAndTitle,
                            ADestroyedWindowIsGoneForEveryQuestionAndEveryPost,
                            RegisteredMessagesArePostedInOrderAndTheThreadsQuitEndsTheLoop,
                            CreationAndDestructionMessagesFromOthersNeverReachTheClient,
                            BroadcastReachesTheProgramWindow,
                            ATimerTicksUntilKilledAndAResetKeepsItsIdentifier,
                            WaitingForAnEventTellsTheEventFromInputAndATimeout,
                            TheParentOfAChildIsItsParentAndOfAnOwnedPopUpItsOwner,
                            OnlyATopLevelWindowIsTheForegroundWindow);

} // namespace testing_support
