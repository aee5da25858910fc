// Win32Windowing against user32 where it goes beyond the windowing contract: the dialog's
// default processing, faults of the client, and timer messages that others post. The contract
// itself runs here too, against user32.
// Win32 only.
#include "platform/win32/Win32Windowing.h"
#include "platform/win32/Win32Sync.h"
#include "tests/support/WindowingContract.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

using namespace platform;

namespace {

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

    std::vector<Message> received;
    MessageId throwOn = 0;

private:
    Windowing& m_windowing;
};

class Win32WindowingTest : public ::testing::Test {
protected:
    void SetUp() override {
        static int serial = 0;
        title = L"SentrixAdapterTest " + std::to_wstring(GetCurrentProcessId()) + L"." +
                std::to_wstring(++serial);
    }
    void TearDown() override {
        if (window != 0 && IsWindow(reinterpret_cast<HWND>(window))) {
            windowing.destroyWindow(window);
        }
        Message message;
        while (windowing.peekMessage(message)) {
        }
    }

    void create() {
        window = windowing.createDialogWindow(title.c_str(), client);
        ASSERT_NE(window, 0u);
    }

    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return SendMessageW(reinterpret_cast<HWND>(window), message, wParam, lParam);
    }

    win32::Win32Windowing windowing;
    RecordingClient client{windowing};
    std::wstring title;
    WindowHandle window = 0;
};

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

// The contract's environment: user32 with windows of the STATIC class standing in for other
// programs' windows.
struct Win32WindowingEnv {
    Windowing& windowing() { return win; }
    Sync& sync() { return winSync; }

    static WindowHandle handle(HWND window) { return reinterpret_cast<WindowHandle>(window); }
    static HWND hwnd(WindowHandle window) { return reinterpret_cast<HWND>(window); }

    WindowHandle createChild(WindowHandle parent) {
        return handle(CreateWindowExW(0, L"STATIC", L"", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, hwnd(parent),
                                      nullptr, nullptr, nullptr));
    }
    WindowHandle createOwnedPopup(WindowHandle owner) {
        return handle(CreateWindowExW(0, L"STATIC", L"", WS_POPUP | WS_VISIBLE, 0, 0, 10, 10, hwnd(owner),
                                      nullptr, nullptr, nullptr));
    }
    void destroyOther(WindowHandle window) { DestroyWindow(hwnd(window)); }
    void send(WindowHandle window, MessageId message, WParam wParam, LParam lParam) {
        SendMessageW(hwnd(window), message, wParam, lParam);
    }
    void setForeground(WindowHandle window) { SetForegroundWindow(hwnd(window)); }
    void sleep(std::uint32_t ms) { Sleep(ms); }
    std::uint64_t nowMs() { return GetTickCount64(); }

    win32::Win32Windowing win;
    win32::Win32Sync winSync;
};

} // namespace

namespace testing_support {
using Win32WindowingEnvs = ::testing::Types<Win32WindowingEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, WindowingContract, Win32WindowingEnvs);
} // namespace testing_support
