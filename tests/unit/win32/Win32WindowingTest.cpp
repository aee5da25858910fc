// Win32Windowing against user32: the hidden dialog window and how its messages reach the client,
// the message loop with registered messages and timers, and the questions about windows.
// Win32 only.
#include "platform/win32/Win32Windowing.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

constexpr std::uint32_t kPumpTimeoutMs = 3000;
constexpr std::uint32_t kWaitSliceMs = 20;

// Records every message and hands it to the dialog's default processing, as the controller does.
class RecordingClient : public WindowClient {
public:
    explicit RecordingClient(Windowing& windowing) : m_windowing(windowing) {}

    LResult windowProc(WindowHandle window, MessageId message, WParam wParam, LParam lParam) override {
        received.push_back(Message{window, message, wParam, lParam});
        if (message == throwOn) {
            throw std::runtime_error("client fault");
        }
        return m_windowing.defaultWindowProc(window, message, wParam, lParam);
    }

    int count(MessageId message) const {
        return static_cast<int>(std::count_if(received.begin(), received.end(),
                                              [&](const Message& m) { return m.message == message; }));
    }
    bool saw(MessageId message, WParam wParam) const {
        return std::any_of(received.begin(), received.end(),
                           [&](const Message& m) { return m.message == message && m.wParam == wParam; });
    }

    std::vector<Message> received;
    MessageId throwOn = 0;

private:
    Windowing& m_windowing;
};

class Win32WindowingTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        title = L"SentrixAdapterTest " + std::to_wstring(GetCurrentProcessId()) + L"." + std::to_wstring(++serial);
        idleEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    }
    void TearDown() override {
        if (window != 0 && IsWindow(reinterpret_cast<HWND>(window))) {
            windowing.destroyWindow(window);
        }
        Message message;
        while (windowing.peekMessage(message)) {
        }
        CloseHandle(idleEvent);
    }

    void create() {
        window = windowing.createDialogWindow(title.c_str(), client);
        ASSERT_NE(window, 0u);
    }

    // Runs the message loop until `done` holds; false on timeout.
    bool pumpUntil(const std::function<bool()>& done) {
        const DWORD start = GetTickCount();
        while (!done()) {
            if (GetTickCount() - start > kPumpTimeoutMs) {
                return false;
            }
            Message message;
            if (windowing.peekMessage(message)) {
                windowing.dispatchMessage(message);
            } else {
                windowing.waitForEventOrInput(reinterpret_cast<SyncHandle>(idleEvent), kWaitSliceMs);
            }
        }
        return true;
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
    }

    win32::Win32Windowing windowing;
    RecordingClient client{windowing};
    std::wstring title;
    WindowHandle window = 0;
    HANDLE idleEvent = nullptr;
};

TEST_F(Win32WindowingTest, DialogWindowIsAHiddenTopLevel32770WithTheTitle) {
    create();
    ASSERT_FALSE(client.received.empty());
    EXPECT_EQ(client.received.front().message, wm::kInitDialog); // before createDialogWindow returned
    EXPECT_EQ(client.received.front().window, window);

    EXPECT_EQ(windowing.findWindow(L"#32770", title.c_str()), window);
    EXPECT_EQ(windowing.findWindow(nullptr, title.c_str()), window);
    EXPECT_EQ(windowing.findWindow(L"", title.c_str()), window);
    EXPECT_EQ(windowing.findWindow(L"#32770", (title + L"x").c_str()), 0u);

    wchar_t name[64] = {};
    EXPECT_EQ(windowing.className(window, name, 64), 6);
    EXPECT_STREQ(name, L"#32770");
    const std::uint32_t style = windowing.windowStyle(window);
    EXPECT_EQ(style & WS_VISIBLE, 0u);
    EXPECT_EQ(style & WS_CHILD, 0u);
    EXPECT_EQ(windowing.parentWindow(window), 0u);

    ASSERT_TRUE(windowing.destroyWindow(window));
    EXPECT_EQ(client.count(wm::kDestroy), 1);
    EXPECT_EQ(client.count(WM_NCDESTROY), 1);
    EXPECT_EQ(windowing.findWindow(L"#32770", title.c_str()), 0u);
    wcscpy(name, L"same");
    EXPECT_EQ(windowing.className(window, name, 64), 0);
    EXPECT_STREQ(name, L"same");
    EXPECT_EQ(windowing.windowStyle(window), 0u);
    EXPECT_FALSE(windowing.destroyWindow(window));
}

TEST_F(Win32WindowingTest, DefaultProcessingIsTheDialogsAndDoesNotReenterTheClient) {
    create();
    // Only the dialog procedure knows a default button; DefWindowProc would answer 0.
    send(DM_SETDEFID, 1234);
    const LRESULT defId = send(DM_GETDEFID);
    EXPECT_EQ(HIWORD(defId), DC_HASDEFID);
    EXPECT_EQ(LOWORD(defId), 1234);

    wchar_t text[128] = {};
    EXPECT_EQ(send(WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text)), static_cast<LRESULT>(title.size()));
    EXPECT_EQ(title, text);
    EXPECT_EQ(client.count(WM_GETTEXT), 1);
    EXPECT_EQ(client.count(DM_GETDEFID), 1);
    EXPECT_EQ(client.count(wm::kInitDialog), 1);
}

TEST_F(Win32WindowingTest, ClientExceptionsFallBackToDefaultProcessing) {
    client.throwOn = wm::kInitDialog;
    create(); // the window exists although the client failed its WM_INITDIALOG
    client.throwOn = WM_GETTEXT;
    wchar_t text[128] = {};
    EXPECT_EQ(send(WM_GETTEXT, 128, reinterpret_cast<LPARAM>(text)), static_cast<LRESULT>(title.size()));
    EXPECT_EQ(title, text);
}

TEST_F(Win32WindowingTest, PostedRegisteredMessageReachesTheClientBeforeQuit) {
    create();
    const MessageId id = windowing.registerMessage(L"SENTRIX_ADAPTER_TEST_MESSAGE");
    EXPECT_GE(id, 0xC000u);
    EXPECT_EQ(windowing.registerMessage(L"sentrix_adapter_test_message"), id);
    EXPECT_EQ(windowing.registerMessage(nullptr), 0u);

    ASSERT_TRUE(windowing.postMessage(window, id, 7, -3));
    windowing.postQuitMessage(5);
    Message message;
    int result = 0;
    while ((result = windowing.getMessage(message)) == 1) {
        windowing.dispatchMessage(message);
    }
    EXPECT_EQ(result, 0);
    EXPECT_EQ(message.message, wm::kQuit);
    EXPECT_EQ(message.wParam, 5u);
    const auto it = std::find_if(client.received.begin(), client.received.end(),
                                 [&](const Message& m) { return m.message == id; });
    ASSERT_NE(it, client.received.end());
    EXPECT_EQ(it->window, window);
    EXPECT_EQ(it->wParam, 7u);
    EXPECT_EQ(it->lParam, -3);

    EXPECT_FALSE(windowing.postMessage(0x7FF0, id, 0, 0)); // no such window
}

TEST_F(Win32WindowingTest, PostedTimerMessageWithACallbackAddressIsNotCalled) {
    // Anyone may post WM_TIMER with an lParam that looks like a timer callback; dispatching it
    // must not jump there.
    create();
    ASSERT_TRUE(windowing.postMessage(window, wm::kTimer, 77, 0x12345678));
    Message message;
    while (windowing.peekMessage(message)) {
        windowing.dispatchMessage(message);
    }
    SUCCEED(); // still running
}

TEST_F(Win32WindowingTest, CreationAndDestructionMessagesOfOtherProgramsNeverReachTheClient) {
    create();
    ASSERT_EQ(client.count(WM_INITDIALOG), 1);
    const HWND dialog = reinterpret_cast<HWND>(window);
    for (const UINT message : {WM_INITDIALOG, WM_DESTROY, WM_NCDESTROY}) {
        ASSERT_TRUE(windowing.postMessage(window, message, 0, 0x7FF0));
    }
    // WM_NCCREATE and WM_CREATE carry a pointer, so the system refuses to post them; a send
    // reaches the window procedure, and DefWindowProc would take the lParam for a CREATESTRUCT.
    for (const UINT message : {WM_INITDIALOG, WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY}) {
        send(message, 0, 0x7FF0); // a send is no more genuine than a post
    }
    ASSERT_TRUE(windowing.postMessage(window, WM_QUIT, 9, 0)); // not this thread's quit
    const MessageId id = windowing.registerMessage(L"SENTRIX_ADAPTER_TEST_AFTER_LIFECYCLE");
    ASSERT_TRUE(windowing.postMessage(window, id, 1, 0));
    ASSERT_TRUE(pumpUntil([&] { return client.saw(id, 1); }));
    EXPECT_EQ(client.count(WM_INITDIALOG), 1);
    for (const MessageId message : {WM_NCCREATE, WM_CREATE, WM_DESTROY, WM_NCDESTROY, WM_QUIT}) {
        EXPECT_EQ(client.count(message), 0) << message;
    }
    EXPECT_TRUE(IsWindow(dialog));

    // The window's own destruction still reaches the client, once each.
    ASSERT_TRUE(windowing.destroyWindow(window));
    EXPECT_EQ(client.count(WM_DESTROY), 1);
    EXPECT_EQ(client.count(WM_NCDESTROY), 1);
    window = 0;
}

TEST_F(Win32WindowingTest, OnlyTheThreadsOwnQuitMessageEndsTheLoop) {
    create();
    ASSERT_TRUE(windowing.postMessage(window, WM_QUIT, 9, 0));
    windowing.postQuitMessage(3);
    Message message;
    int result = 0;
    for (int taken = 0; (result = windowing.getMessage(message)) == 1 && taken < 100; ++taken) {
        windowing.dispatchMessage(message); // whatever the creation queued
    }
    ASSERT_EQ(result, 0);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(message.window, 0u);
}

TEST_F(Win32WindowingTest, BroadcastReachesTheDialog) {
    create();
    const MessageId id = windowing.registerMessage(L"SENTRIX_ADAPTER_TEST_BROADCAST");
    ASSERT_TRUE(windowing.postMessage(kBroadcastWindow, id, 11, 0));
    EXPECT_TRUE(pumpUntil([&] { return client.saw(id, 11); }));
}

TEST_F(Win32WindowingTest, TimerArrivesAsWmTimerUntilKilled) {
    create();
    constexpr TimerId kTimer = 42;
    ASSERT_EQ(windowing.setTimer(window, kTimer, 10), kTimer);
    EXPECT_TRUE(pumpUntil([&] { return client.saw(wm::kTimer, kTimer); }));
    EXPECT_TRUE(windowing.killTimer(window, kTimer));
    EXPECT_FALSE(windowing.killTimer(window, kTimer));

    const int ticks = client.count(wm::kTimer);
    Sleep(50);
    Message message;
    while (windowing.peekMessage(message)) {
        windowing.dispatchMessage(message);
    }
    EXPECT_EQ(client.count(wm::kTimer), ticks);
}

TEST_F(Win32WindowingTest, WaitForEventOrInputTellsTheEventFromInput) {
    create();
    // Whatever the window's creation queued (activation, painting) is input too: read it first.
    Message pending;
    while (windowing.peekMessage(pending)) {
        windowing.dispatchMessage(pending);
    }
    const auto event = reinterpret_cast<SyncHandle>(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    EXPECT_EQ(windowing.waitForEventOrInput(event, 0), kMsgWaitSignalled);
    ResetEvent(reinterpret_cast<HANDLE>(event));
    EXPECT_EQ(windowing.waitForEventOrInput(event, 10), kWaitTimeout);
    ASSERT_TRUE(windowing.postMessage(window, wm::kApp, 0, 0));
    EXPECT_EQ(windowing.waitForEventOrInput(event, 1000), kMsgWaitInput);
    CloseHandle(reinterpret_cast<HANDLE>(event));
    EXPECT_EQ(windowing.waitForEventOrInput(0, 0), kWaitFailed);
}

TEST_F(Win32WindowingTest, ParentIsTheParentOfAChildAndTheOwnerOfAPopUp) {
    create();
    const HWND dialog = reinterpret_cast<HWND>(window);
    const HWND child = CreateWindowExW(0, L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, dialog, nullptr, nullptr, nullptr);
    const HWND owned = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, dialog, nullptr, nullptr, nullptr);
    ASSERT_NE(child, nullptr);
    ASSERT_NE(owned, nullptr);
    EXPECT_EQ(windowing.parentWindow(reinterpret_cast<WindowHandle>(child)), window);
    // An owned pop-up is top-level, as every foreground window is; its parent is its owner.
    EXPECT_EQ(windowing.parentWindow(reinterpret_cast<WindowHandle>(owned)), window);
    EXPECT_EQ(windowing.parentWindow(window), 0u) << "an unowned top-level window has none";
    EXPECT_EQ(windowing.parentWindow(0x7FF0), 0u);

    // Class names are cut to the buffer, as GetClassNameW cuts them.
    wchar_t name[4] = {};
    EXPECT_EQ(windowing.className(reinterpret_cast<WindowHandle>(child), name, 4), 3);
    EXPECT_STREQ(name, L"Sta");
    EXPECT_EQ(windowing.className(reinterpret_cast<WindowHandle>(child), nullptr, 4), 0);
    DestroyWindow(owned);
}

TEST_F(Win32WindowingTest, ShowWindowAnswersWhetherTheWindowWasVisible) {
    create();
    EXPECT_FALSE(windowing.showWindow(window, sw::kShowNormal));
    EXPECT_NE(windowing.windowStyle(window) & WS_VISIBLE, 0u);
    EXPECT_TRUE(windowing.showWindow(window, sw::kHide));
    EXPECT_EQ(windowing.windowStyle(window) & WS_VISIBLE, 0u);
}

} // namespace
