// The simulated desktop: registered messages shared by all simulated programs, top-level
// windows with class, title, style and owner, the message queues of the programs' UI threads,
// window timers on the virtual clock, the foreground window and message boxes. Windows with
// code belong to a UI thread and receive their messages when that thread reads its queue;
// windows of modelled programs (the sound-output changer, media players) hand each posted
// message to the model.
// Simulation.
#pragma once

#include "platform/Windowing.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace sim {

// The message queue of one simulated program's UI thread.
struct UiThread {
    std::uint32_t processId = 0;
    std::uint32_t threadId = 0;
    std::deque<platform::Message> queue;
    bool quitPosted = false;
    int quitCode = 0;
};

class SimDesktop {
public:
    struct WindowInfo {
        std::wstring className;
        std::wstring title;
        std::uint32_t style = 0;
        platform::WindowHandle parent = 0; // a child window's parent; 0 for a top-level window
        std::uint32_t processId = 0;
        bool visible = false;
        platform::WindowHandle owner = 0; // a top-level window's owner
    };
    using PostHandler = std::function<void(const platform::Message&)>;

    struct PostRecord {
        std::uint64_t time = 0;
        std::uint32_t fromProcess = 0;
        platform::WindowHandle to = 0;
        platform::MessageId message = 0;
        platform::WParam wParam = 0;
        platform::LParam lParam = 0;
    };

    struct MessageBoxRecord {
        std::uint64_t time = 0;
        std::uint32_t processId = 0;
        std::wstring text;
        std::wstring caption;
        bool open = false;
        int result = 0;
    };

    static constexpr std::uint32_t kTimerMinimumMs = 10;
    static constexpr std::uint32_t kTimerMaximumMs = 0x7FFFFFFF;
    static constexpr platform::MessageId kFirstRegisteredMessage = 0xC000;

    explicit SimDesktop(VirtualClock& clock);
    SimDesktop(const SimDesktop&) = delete;
    SimDesktop& operator=(const SimDesktop&) = delete;

    VirtualClock& clock() { return m_clock; }

    UiThread& createUiThread(std::uint32_t processId, std::uint32_t threadId);

    // Registered messages: one number per name (case-insensitive), from 0xC000 upward.
    platform::MessageId registerMessage(const std::wstring& name);
    std::optional<std::wstring> registeredName(platform::MessageId message) const;
    // Registration of this name fails from now on (for fault tests).
    void failRegistration(const std::wstring& name);

    // Windows.
    platform::WindowHandle createWindow(const WindowInfo& info, UiThread* thread,
                                        platform::WindowClient* client);
    platform::WindowHandle addModelWindow(const WindowInfo& info, PostHandler handler);
    // Destroys a window; a window with code receives WM_DESTROY first.
    bool destroyWindow(platform::WindowHandle window);
    // Destroying this window fails with `error` from now on (kSuccess lets it succeed again).
    void failDestroy(platform::WindowHandle window, platform::ErrorCode error);
    bool isWindow(platform::WindowHandle window) const;
    const WindowInfo* info(platform::WindowHandle window) const;
    WindowInfo* mutableInfo(platform::WindowHandle window);
    std::vector<platform::WindowHandle> windows() const;
    platform::WindowHandle find(const wchar_t* className, const wchar_t* title) const;
    UiThread* threadOf(platform::WindowHandle window) const;

    // Placement of pop-up windows of registered classes: position, size, topmost, region.
    struct RoundRegion {
        int left = 0, top = 0, right = 0, bottom = 0, ellipseWidth = 0, ellipseHeight = 0;
    };
    struct Placement {
        int x = 0;
        int y = 0;
        int width = 0;
        int height = 0;
        bool topmost = false;
        // The window region set by SetWindowRgn: a rounded rectangle; none while rectangular.
        std::optional<RoundRegion> region;
    };
    // Null for no window; a window that was never placed is at (0, 0), 0 x 0.
    const Placement* placement(platform::WindowHandle window) const;
    Placement* mutablePlacement(platform::WindowHandle window);

    // Window classes registered by a program (RegisterClassExW): names compare case-insensitively
    // and are the program's own.
    struct WindowClass {
        std::wstring name;
        std::uint32_t style = 0;
        platform::WindowClient* procedure = nullptr;
    };
    bool registerClass(std::uint32_t processId, const WindowClass& windowClass);
    const WindowClass* findClass(std::uint32_t processId, const std::wstring& name) const;

    // Posts as the given process; kBroadcastWindow reaches every top-level window.
    bool post(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
              platform::LParam lParam, std::uint32_t fromProcess);
    const std::vector<PostRecord>& posts() const { return m_posts; }
    // Forgets what was recorded so far, so that a long run keeps its memory flat; the state stays.
    void clearRecords();
    std::function<void(const PostRecord&)> postObserver;

    // SetForegroundWindow: only top-level windows are foreground windows; a child window brings
    // its top-level ancestor to the foreground.
    void setForeground(platform::WindowHandle window);
    platform::WindowHandle foreground() const { return isWindow(m_foreground) ? m_foreground : 0; }

    // Window timers.
    platform::TimerId setTimer(platform::WindowHandle window, platform::TimerId id, std::uint32_t periodMs);
    bool killTimer(platform::WindowHandle window, platform::TimerId id);
    bool timerRunning(platform::WindowHandle window, platform::TimerId id) const;
    std::optional<std::uint32_t> timerPeriod(platform::WindowHandle window, platform::TimerId id) const;

    // Reading a UI thread's queue: posted messages first, then WM_QUIT, then the due timer
    // with the earliest due time (ties in the order the timers were set).
    bool takeMessage(UiThread& thread, platform::Message& message);
    bool hasInput(const UiThread& thread) const;
    // When something could next happen for this thread: a world action or a timer falling due.
    std::optional<std::uint64_t> nextWakeTime(const UiThread& thread) const;
    void dispatch(const platform::Message& message);

    // Blocks the calling UI thread until `done` holds, dispatching its messages meanwhile, as
    // a nested message loop does. A WM_QUIT taken meanwhile is posted again and ends the loop.
    void runNestedLoop(UiThread& thread, const std::function<bool()>& done, const char* what);
    // Advances time to the next moment something can happen for this thread.
    void blockUntilWake(const UiThread& thread, const char* what);

    // A simulated thread may not block past this time (a run that can never end).
    void setHorizon(std::uint64_t t) { m_horizon = t; }

    // Message boxes: shown by a program, answered by the user model after a reaction time
    // (never, when unset) or by answerMessageBox.
    int showMessageBox(UiThread& thread, const std::wstring& text, const std::wstring& caption);
    void setMessageBoxReaction(std::optional<std::uint64_t> delayMs) { m_messageBoxReaction = delayMs; }
    bool answerMessageBox(int result); // answers the newest open box
    const std::vector<MessageBoxRecord>& messageBoxes() const { return m_messageBoxes; }
    std::function<void(const MessageBoxRecord&)> messageBoxObserver;

    // Observers told whenever a window is shown (ShowWindow with any command but SW_HIDE, also
    // when it was visible already); several may watch at once.
    using ShowObserver = std::function<void(platform::WindowHandle)>;
    int addShowObserver(ShowObserver observer);
    void removeShowObserver(int token);
    void windowShown(platform::WindowHandle window);

private:
    struct Window {
        WindowInfo info;
        UiThread* thread = nullptr;
        platform::WindowClient* client = nullptr;
        PostHandler handler;
    };
    struct Timer {
        std::uint32_t period = 0;
        std::uint64_t due = 0;
        std::uint64_t sequence = 0;
    };

    platform::WindowHandle addWindow(Window window);

    VirtualClock& m_clock;
    std::vector<std::unique_ptr<UiThread>> m_threads;
    std::map<std::pair<std::uint32_t, std::wstring>, WindowClass> m_classes;
    std::map<platform::WindowHandle, Placement> m_placements; // (process, upper-cased name)
    std::map<std::wstring, platform::MessageId> m_messages;   // upper-cased name
    std::map<platform::MessageId, std::wstring> m_messageNames;
    std::vector<std::wstring> m_failingRegistrations;
    std::map<platform::WindowHandle, Window> m_windows;
    std::map<platform::WindowHandle, platform::ErrorCode> m_failingDestroys;
    platform::WindowHandle m_nextWindow = 0x10010;
    platform::WindowHandle m_foreground = 0;
    std::map<std::pair<platform::WindowHandle, platform::TimerId>, Timer> m_timers;
    std::uint64_t m_timerSequence = 0;
    std::vector<PostRecord> m_posts;
    std::vector<MessageBoxRecord> m_messageBoxes;
    std::optional<std::uint64_t> m_messageBoxReaction = 5000;
    std::uint64_t m_horizon = UINT64_MAX;
    std::map<int, ShowObserver> m_showObservers;
    int m_nextShowObserver = 1;
};

// The windowing port of one simulated program's UI thread.
class SimWindowing final : public platform::Windowing {
public:
    SimWindowing(SimDesktop& desktop, UiThread& thread, platform::Sync& sync);

    UiThread& thread() { return m_thread; }
    // Dispatches every message that is ready now; false once WM_QUIT was taken. With `until`,
    // it stops as soon as the clock has passed that time: a handler that blocks longer than its
    // timer's period finds the timer due again at once, so the ready messages never run out.
    bool dispatchReady(std::optional<std::uint64_t> until = std::nullopt);

    platform::MessageId registerMessage(const wchar_t* name) override;
    platform::WindowHandle findWindow(const wchar_t* className, const wchar_t* title) override;
    bool postMessage(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
                     platform::LParam lParam) override;
    platform::TimerId setTimer(platform::WindowHandle window, platform::TimerId id,
                               std::uint32_t periodMs) override;
    bool killTimer(platform::WindowHandle window, platform::TimerId id) override;
    platform::WindowHandle createDialogWindow(const wchar_t* title, platform::WindowClient& client) override;
    platform::LResult defaultWindowProc(platform::WindowHandle window, platform::MessageId message,
                                        platform::WParam wParam, platform::LParam lParam) override;
    bool destroyWindow(platform::WindowHandle window) override;
    bool showWindow(platform::WindowHandle window, int command) override;
    int getMessage(platform::Message& message) override;
    bool peekMessage(platform::Message& message) override;
    void dispatchMessage(const platform::Message& message) override;
    void postQuitMessage(int exitCode) override;
    std::uint32_t waitForEventOrInput(platform::SyncHandle event, std::uint32_t timeoutMs) override;
    int messageBox(platform::WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                   std::uint32_t flags) override;
    platform::WindowHandle foregroundWindow() override;
    platform::WindowHandle parentWindow(platform::WindowHandle window) override;
    int className(platform::WindowHandle window, wchar_t* buffer, int capacity) override;
    std::uint32_t windowStyle(platform::WindowHandle window) override;
    bool registerWindowClass(const wchar_t* className, std::uint32_t classStyle,
                             platform::WindowClient& procedure) override;
    platform::WindowHandle createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style,
                                        platform::WindowHandle owner,
                                        std::uintptr_t creationParameter) override;
    bool setWindowPos(platform::WindowHandle window, platform::WindowHandle insertAfter, int x, int y,
                      int width, int height, std::uint32_t flags) override;
    bool windowState(platform::WindowHandle window, platform::WindowState& state) override;

private:
    SimDesktop& m_desktop;
    UiThread& m_thread;
    platform::Sync& m_sync;
};

} // namespace sim
