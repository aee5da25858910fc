// End-to-end tests of Tvbridge.dll under Wine: the real library loaded with LoadLibraryW and bound
// by name and by ordinal; its requests and its key hook as a stand-in for the controller's window
// observes them, the hook called directly, inside a hook chain with real key input, and installed
// for the whole desktop while a window of another process has the keyboard. The failure that a
// real system cannot be made to produce (a message name that cannot be registered) is played
// against the simulated desktop.
// Usage: sentrix_e2e_tvbridge --tvbridge=PATH/Tvbridge.dll [gtest options]
//        (started by itself with --key-window: the other process that has the keyboard)
// Win32 only.
#include "bridge/Tvbridge.h"
#include "bridge/HdmiKeyHook.h"
#include "bridge/TvbridgeRequests.h"
#include "sim/SimDesktop.h"
#include "sim/SimSync.h"
#include "tests/e2e/bridge/ControllerStandIn.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using e2e::ControllerStandIn;
using e2e::Posted;

namespace {

constexpr UINT kBrowserBackMessage = 0x8486;
constexpr WPARAM kVkOtherKey = 'Q';
constexpr LPARAM kKeyDownFlags = 0x006A0001;                     // repeat 1, a scan code
constexpr LPARAM kKeyUpFlags = static_cast<LPARAM>(0xC06A0001u); // plus previous state and transition
constexpr DWORD kWaitMs = 5000;
constexpr DWORD kSliceMs = 20;

// The other process's window, and what it answers about itself.
constexpr const wchar_t* kKeyWindowClass = L"SentrixE2eKeyWindow";
constexpr UINT kAskTransitions = WM_APP + 1; // wParam: a virtual key; answer: its WM_KEYDOWN/UP count
constexpr UINT kAskLibraryLoaded = WM_APP + 2;
constexpr DWORD kKeyWindowLifeMs = 60000;

std::wstring g_tvbridgePath;

template <typename F> F bindEntry(HMODULE library, LPCSTR name) {
    return reinterpret_cast<F>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}

// Pumps this thread's messages until `done` holds; false after kWaitMs.
template <typename Done> bool pumpUntil(Done done) {
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > kWaitMs) {
            return false;
        }
        MSG msg{};
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kSliceMs, QS_ALLINPUT);
    }
    return true;
}

// One press of a key as the keyboard makes it: a key-down and a key-up.
bool pressKey(WORD vk) {
    INPUT inputs[2] = {};
    for (INPUT& input : inputs) {
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = vk;
        input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(vk, MAPVK_VK_TO_VSC));
        input.ki.dwFlags = vk == VK_BROWSER_BACK ? KEYEVENTF_EXTENDEDKEY : 0;
    }
    inputs[1].ki.dwFlags |= KEYEVENTF_KEYUP;
    return SendInput(2, inputs, sizeof(INPUT)) == 2;
}

bool makeForeground(HWND window) {
    return pumpUntil([&] {
        SetForegroundWindow(window);
        return GetForegroundWindow() == window;
    });
}

// A visible window that counts the key messages it receives, by virtual key.
struct KeyCounter {
    std::vector<WPARAM> keys; // one per key-down or key-up message
    int count(WPARAM vk) const { return static_cast<int>(std::count(keys.begin(), keys.end(), vk)); }
};

LRESULT CALLBACK keyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* counter = reinterpret_cast<KeyCounter*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    switch (message) {
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_SYSKEYDOWN:
    case WM_SYSKEYUP:
        if (counter != nullptr) {
            counter->keys.push_back(wParam);
        }
        return 0;
    case kAskTransitions:
        return counter != nullptr ? counter->count(wParam) : -1;
    case kAskLibraryLoaded:
        return GetModuleHandleW(L"Tvbridge.dll") != nullptr ? 1 : 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND makeKeyWindow(KeyCounter& counter, const std::wstring& title) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = &keyWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = kKeyWindowClass;
    RegisterClassW(&windowClass);
    const HWND window =
        CreateWindowExW(0, kKeyWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 10, 10, 200, 100,
                        nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (window != nullptr) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&counter));
    }
    return window;
}

std::wstring keyWindowTitle(DWORD processId) {
    return L"Sentrix e2e keys " + std::to_wstring(processId);
}

// The other process: a visible window that takes the keyboard and answers questions, until it
// is closed (or a minute has passed).
int runKeyWindow() {
    KeyCounter counter;
    const HWND window = makeKeyWindow(counter, keyWindowTitle(GetCurrentProcessId()));
    if (window == nullptr) {
        return 1;
    }
    SetForegroundWindow(window);
    SetFocus(window);
    SetTimer(window, 1, kKeyWindowLifeMs, nullptr);
    MSG msg{};
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (msg.message == WM_TIMER && msg.hwnd == window) {
            DestroyWindow(window);
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

// The hook chain of the in-process test: the relay (installed last, so called first) hands every
// call to the library's procedure; the sentinel after it records what was passed on.
constexpr LRESULT kSentinelResult = 0x5A5A;
struct ChainRecord {
    HOOKPROC keyHookProc = nullptr;
    std::vector<std::pair<WPARAM, LRESULT>> relayed;     // key, the library's result
    std::vector<std::pair<WPARAM, LPARAM>> relayedFlags; // key, flags as the relay got them
    std::vector<std::pair<WPARAM, LPARAM>> passedOn;     // key, flags as the sentinel got them
    int peeks = 0;                                       // calls with HC_NOREMOVE
};
ChainRecord g_chain;

LRESULT CALLBACK sentinelHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code != HC_ACTION) {
        return 0; // a nonzero answer to a peek would discard the keystroke
    }
    g_chain.passedOn.emplace_back(wParam, lParam);
    return kSentinelResult;
}

LRESULT CALLBACK relayHook(int code, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = g_chain.keyHookProc(code, wParam, lParam);
    if (code == HC_NOREMOVE) {
        ++g_chain.peeks;
    }
    if (code == HC_ACTION) {
        g_chain.relayed.emplace_back(wParam, result);
        g_chain.relayedFlags.emplace_back(wParam, lParam);
    }
    return result;
}

class TvbridgeTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { s_library = LoadLibraryW(g_tvbridgePath.c_str()); }
    static void TearDownTestSuite() {
        if (s_library != nullptr) {
            FreeLibrary(s_library);
            s_library = nullptr;
        }
    }

    void SetUp() override {
        ASSERT_NE(s_library, nullptr)
            << "cannot load " << std::string(g_tvbridgePath.begin(), g_tvbridgePath.end());
        useTvEnhancement = bindEntry<TvbridgeValueRequest>(s_library, "TVBRIDGE_UseTVEnhancement");
        queryTurnOffTv = bindEntry<TvbridgeRequest>(s_library, "TVBRIDGE_QueryTurnOffTV");
        changeHdmiOutput = bindEntry<TvbridgeValueRequest>(s_library, "TVBRIDGE_ChangeHDMIOutput");
        keyHookProc = bindEntry<HOOKPROC>(s_library, "HDMIHOOK_KeyHookProc");
        setKeyHook = bindEntry<TvbridgeHookSwitch>(s_library, "HDMIHOOK_SetKeyHook");
        resetKeyHook = bindEntry<TvbridgeHookSwitch>(s_library, "HDMIHOOK_ResetKeyHook");
        ASSERT_TRUE(useTvEnhancement && queryTurnOffTv && changeHdmiOutput && keyHookProc && setKeyHook &&
                    resetKeyHook);
    }

    static HMODULE s_library;
    TvbridgeValueRequest useTvEnhancement = nullptr;
    TvbridgeRequest queryTurnOffTv = nullptr;
    TvbridgeValueRequest changeHdmiOutput = nullptr;
    HOOKPROC keyHookProc = nullptr;
    TvbridgeHookSwitch setKeyHook = nullptr;
    TvbridgeHookSwitch resetKeyHook = nullptr;

    const UINT useTvEnhancementMessage = RegisterWindowMessageW(L"TVBRIDGEDLL_USE_TV_ENHANCEMENT");
    const UINT queryTurnOffTvMessage = RegisterWindowMessageW(L"TVBRIDGEDLL_QUERY_TURN_OFF_TV");
    const UINT changeHdmiOutputMessage = RegisterWindowMessageW(L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT");
};
HMODULE TvbridgeTest::s_library = nullptr;

TEST_F(TvbridgeTest, ExportsBindByNameAndByOrdinalsOneToSix) {
    const char* const names[] = {"TVBRIDGE_UseTVEnhancement", "TVBRIDGE_QueryTurnOffTV",
                                 "TVBRIDGE_ChangeHDMIOutput", "HDMIHOOK_KeyHookProc",
                                 "HDMIHOOK_SetKeyHook",       "HDMIHOOK_ResetKeyHook"};
    for (WORD ordinal = 1; ordinal <= 6; ++ordinal) {
        const FARPROC byOrdinal = GetProcAddress(s_library, MAKEINTRESOURCEA(ordinal));
        EXPECT_NE(byOrdinal, nullptr) << ordinal;
        EXPECT_EQ(byOrdinal, GetProcAddress(s_library, names[ordinal - 1])) << ordinal;
    }
    EXPECT_EQ(GetProcAddress(s_library, MAKEINTRESOURCEA(7)), nullptr);
}

TEST_F(TvbridgeTest, RequestsPostTheirMessagesWithTheCallersValueToTheController) {
    ControllerStandIn controller;
    EXPECT_EQ(useTvEnhancement(3), 1);
    EXPECT_EQ(queryTurnOffTv(), 1);
    EXPECT_EQ(changeHdmiOutput(5), 1);
    EXPECT_EQ(changeHdmiOutput(0x100), 1);
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), (std::vector<Posted>{{useTvEnhancementMessage, 3, 0},
                                                          {queryTurnOffTvMessage, 0, 0},
                                                          {changeHdmiOutputMessage, 5, 0},
                                                          {changeHdmiOutputMessage, 0x100, 0}}));
}

TEST_F(TvbridgeTest, WithoutTheControllerRequestsAnswerOneAndTheHookPostsToNoWindow) {
    // Windows that match the class or the title alone are not the controller's.
    ControllerStandIn otherTitle(ControllerStandIn::kControllerClass, L"KorSentrixSuiteMain2");
    ControllerStandIn otherClass(ControllerStandIn::kDecoyClass, ControllerStandIn::kControllerTitle);
    EXPECT_EQ(useTvEnhancement(1), 1);
    EXPECT_EQ(queryTurnOffTv(), 1);
    EXPECT_EQ(changeHdmiOutput(2), 1);
    MSG msg{};
    EXPECT_FALSE(PeekMessageW(&msg, reinterpret_cast<HWND>(-1), 0, 0, PM_REMOVE)) << "posted to no window";

    // The hook still posts, to no window: the message lands on the calling thread's own queue.
    EXPECT_EQ(keyHookProc(HC_ACTION, VK_BROWSER_BACK, kKeyDownFlags), 0);
    ASSERT_TRUE(
        PeekMessageW(&msg, reinterpret_cast<HWND>(-1), kBrowserBackMessage, kBrowserBackMessage, PM_REMOVE));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(msg.wParam, 0u);
    EXPECT_EQ(msg.lParam, 0);

    ASSERT_TRUE(otherTitle.settle());
    ASSERT_TRUE(otherClass.settle());
    EXPECT_TRUE(otherTitle.received().empty());
    EXPECT_TRUE(otherClass.received().empty());
}

TEST_F(TvbridgeTest, HookProcedurePostsBrowserBackForEveryTransitionAndNothingElse) {
    ControllerStandIn controller;
    EXPECT_EQ(keyHookProc(HC_ACTION, VK_BROWSER_BACK, kKeyDownFlags), 0);
    EXPECT_EQ(keyHookProc(HC_ACTION, VK_BROWSER_BACK, kKeyUpFlags), 0);
    EXPECT_EQ(keyHookProc(HC_ACTION, VK_BROWSER_BACK, -1), 0); // the flags are not looked at
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), std::vector<Posted>(3, Posted{kBrowserBackMessage, 0, 0}));

    // Other keys, a key code beyond a byte, and negative codes (which a hook must only pass on).
    keyHookProc(HC_ACTION, kVkOtherKey, kKeyDownFlags);
    keyHookProc(HC_ACTION, VK_BROWSER_FORWARD, kKeyDownFlags);
    keyHookProc(HC_ACTION, 0x100 | VK_BROWSER_BACK, kKeyDownFlags);
    keyHookProc(-1, VK_BROWSER_BACK, kKeyDownFlags);
    keyHookProc(INT_MIN, VK_BROWSER_BACK, 0);
    // A keystroke only peeked at (PM_NOREMOVE) is still to come: reporting it would count it twice.
    keyHookProc(HC_NOREMOVE, VK_BROWSER_BACK, kKeyDownFlags);
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received().size(), 3u);
}

TEST_F(TvbridgeTest, HookInAChainPassesEveryKeyOnAndAnswersZeroOnlyForBrowserBack) {
    ControllerStandIn controller;
    KeyCounter counter;
    g_chain = ChainRecord{};
    g_chain.keyHookProc = keyHookProc;
    // Removed again however the test ends, so that later tests see a plain thread.
    struct Chain {
        HWND window;
        HHOOK sentinel;
        HHOOK relay;
        ~Chain() {
            UnhookWindowsHookEx(relay);
            UnhookWindowsHookEx(sentinel);
            DestroyWindow(window);
        }
    } chain{makeKeyWindow(counter, keyWindowTitle(GetCurrentProcessId())),
            SetWindowsHookExW(WH_KEYBOARD, &sentinelHook, nullptr, GetCurrentThreadId()),
            SetWindowsHookExW(WH_KEYBOARD, &relayHook, nullptr, GetCurrentThreadId())};
    ASSERT_TRUE(chain.window != nullptr && chain.sentinel != nullptr && chain.relay != nullptr);
    ASSERT_TRUE(makeForeground(chain.window));
    SetFocus(chain.window);

    ASSERT_TRUE(pressKey(VK_BROWSER_BACK));
    // A program that looks before it takes: every PM_NOREMOVE peek runs the hook with HC_NOREMOVE.
    const auto peekKey = [] {
        MSG msg{};
        return PeekMessageW(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE | PM_NOYIELD) != FALSE;
    };
    const DWORD start = GetTickCount();
    while (!peekKey() && GetTickCount() - start < kWaitMs) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kSliceMs, QS_KEY);
    }
    ASSERT_TRUE(peekKey() && peekKey()) << "the key did not come";
    EXPECT_GE(g_chain.peeks, 3);
    EXPECT_TRUE(pumpUntil([&] { return counter.count(VK_BROWSER_BACK) == 2; }))
        << "the key did not reach the window";
    ASSERT_TRUE(pressKey(kVkOtherKey));
    EXPECT_TRUE(pumpUntil([&] { return g_chain.relayed.size() == 4; }));

    using Results = std::vector<std::pair<WPARAM, LRESULT>>;
    EXPECT_EQ(g_chain.relayed, (Results{{VK_BROWSER_BACK, 0},
                                        {VK_BROWSER_BACK, 0},
                                        {kVkOtherKey, kSentinelResult},
                                        {kVkOtherKey, kSentinelResult}}));
    EXPECT_EQ(g_chain.passedOn, g_chain.relayedFlags); // every call went on, with its own flags
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), std::vector<Posted>(2, Posted{kBrowserBackMessage, 0, 0}));
}

// The other process with its key window, ended when the test is over.
class KeyWindowProcess {
public:
    KeyWindowProcess() {
        wchar_t self[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, self, MAX_PATH);
        std::wstring commandLine = L"\"" + std::wstring(self) + L"\" --key-window";
        STARTUPINFOW startup{};
        startup.cb = sizeof(startup);
        if (!CreateProcessW(self, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                            &m_process)) {
            return;
        }
        pumpUntil([&] {
            m_window = FindWindowW(kKeyWindowClass, keyWindowTitle(m_process.dwProcessId).c_str());
            return m_window != nullptr;
        });
    }
    ~KeyWindowProcess() {
        if (m_process.hProcess == nullptr) {
            return;
        }
        if (m_window != nullptr) {
            PostMessageW(m_window, WM_CLOSE, 0, 0);
        }
        if (WaitForSingleObject(m_process.hProcess, kWaitMs) != WAIT_OBJECT_0) {
            TerminateProcess(m_process.hProcess, 1);
        }
        CloseHandle(m_process.hThread);
        CloseHandle(m_process.hProcess);
    }
    KeyWindowProcess(const KeyWindowProcess&) = delete;
    KeyWindowProcess& operator=(const KeyWindowProcess&) = delete;

    HWND window() const { return m_window; }
    LRESULT ask(UINT question, WPARAM wParam) const {
        DWORD_PTR answer = static_cast<DWORD_PTR>(-1);
        SendMessageTimeoutW(m_window, question, wParam, 0, SMTO_ABORTIFHUNG, kWaitMs, &answer);
        return static_cast<LRESULT>(answer);
    }

private:
    PROCESS_INFORMATION m_process{};
    HWND m_window = nullptr;
};

TEST_F(TvbridgeTest, HookForTheDesktopReportsBrowserBackPressedInAnotherProcess) {
    ControllerStandIn controller;
    ASSERT_EQ(setKeyHook(), TRUE);
    struct Removal {
        TvbridgeHookSwitch reset;
        bool done = false;
        ~Removal() {
            if (!done) {
                reset();
            }
        }
    } removal{resetKeyHook};

    const KeyWindowProcess other;
    ASSERT_NE(other.window(), nullptr);
    ASSERT_TRUE(makeForeground(other.window())) << "the other process's window did not take the keyboard";

    ASSERT_TRUE(pressKey(VK_BROWSER_BACK));
    EXPECT_TRUE(controller.waitFor(kBrowserBackMessage, 2)) << "no report from the hook in the other process";
    EXPECT_TRUE(pumpUntil([&] { return other.ask(kAskTransitions, VK_BROWSER_BACK) == 2; }))
        << "the key was swallowed";
    EXPECT_EQ(other.ask(kAskLibraryLoaded, 0), 1) << "the hook did not run in the other process";

    ASSERT_TRUE(pressKey(kVkOtherKey));
    EXPECT_TRUE(pumpUntil([&] { return other.ask(kAskTransitions, kVkOtherKey) == 2; }));
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received(), std::vector<Posted>(2, Posted{kBrowserBackMessage, 0, 0}));

    removal.done = true;
    EXPECT_NE(resetKeyHook(), FALSE);
    EXPECT_EQ(resetKeyHook(), FALSE); // nothing left to remove
    ASSERT_TRUE(pressKey(VK_BROWSER_BACK));
    EXPECT_TRUE(pumpUntil([&] { return other.ask(kAskTransitions, VK_BROWSER_BACK) == 4; }));
    ASSERT_TRUE(controller.settle());
    EXPECT_EQ(controller.received().size(), 2u) << "the hook is still installed";
}

// A message name that cannot be registered: the request answers 0 and posts nothing.
TEST(TvbridgeRequestsTest, AnUnregistrableMessageAnswersZeroAndPostsNothing) {
    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x100, 0x104);
    sim::SimWindowing windowing{desktop, thread, sync};
    sim::SimDesktop::WindowInfo controller;
    controller.className = L"#32770";
    controller.title = L"KorSentrixSuiteMain";
    desktop.addModelWindow(controller, [](const platform::Message&) {});
    TvbridgeRequests requests(windowing);

    EXPECT_EQ(requests.changeHdmiOutput(5), 1);
    EXPECT_EQ(desktop.posts().size(), 1u);
    for (const wchar_t* name : {L"TVBRIDGEDLL_USE_TV_ENHANCEMENT", L"TVBRIDGEDLL_QUERY_TURN_OFF_TV",
                                L"TVBRIDGEDLL_CHANGE_HDMI_OUTPUT"}) {
        desktop.failRegistration(name);
    }
    EXPECT_EQ(requests.useTvEnhancement(3), 0);
    EXPECT_EQ(requests.queryTurnOffTv(), 0);
    EXPECT_EQ(requests.changeHdmiOutput(5), 0);
    EXPECT_EQ(desktop.posts().size(), 1u);
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--key-window") == 0) {
            return runKeyWindow();
        }
    }
    ::testing::InitGoogleTest(&argc, argv);
    constexpr const char* kPathOption = "--tvbridge=";
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], kPathOption, std::strlen(kPathOption)) == 0) {
            g_tvbridgePath = e2e::windowsPath(argv[i] + std::strlen(kPathOption));
        }
    }
    if (g_tvbridgePath.empty()) {
        std::fprintf(stderr, "usage: %s --tvbridge=PATH/Tvbridge.dll [gtest options]\n", argv[0]);
        return 2;
    }
    return RUN_ALL_TESTS();
}
