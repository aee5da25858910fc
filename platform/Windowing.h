// Windowing port: registered messages, finding and posting to windows, window timers, the
// controller's hidden dialog window and its message loop, message boxes and the questions
// about other programs' windows. Semantics follow user32.
// Portable.
#pragma once

#include "platform/Port.h"
#include "platform/Sync.h"
#include "platform/Types.h"

#include <cstdint>

namespace platform {

struct Message {
    WindowHandle window = 0;
    MessageId message = 0;
    WParam wParam = 0;
    LParam lParam = 0;
};

// Code behind a window: receives every message sent or dispatched to it, except that its
// creation and destruction messages (isLifecycleMessage) reach it only from the system: the
// window's WM_INITDIALOG once, from createDialogWindow, and WM_DESTROY and WM_NCDESTROY only
// from destroyWindow. The same messages posted or sent by any program are dropped, so no other
// program can run the client's start-up or teardown.
class WindowClient {
public:
    virtual LResult windowProc(WindowHandle window, MessageId message, WParam wParam, LParam lParam) = 0;

protected:
    ~WindowClient() = default;
};

// Messages the system sends to a window while it creates or destroys it.
constexpr bool isLifecycleMessage(MessageId message) {
    return message == wm::kNcCreate || message == wm::kCreate || message == wm::kInitDialog ||
           message == wm::kDestroy || message == wm::kNcDestroy;
}

// MessageBoxW flags and results.
inline constexpr std::uint32_t kMbOk = 0x0;
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;

// Window style bits.
inline constexpr std::uint32_t kWsMaximize = 0x01000000;
inline constexpr std::uint32_t kWsMinimize = 0x20000000;

// Window styles and SetWindowPos arguments of pop-up windows.
inline constexpr std::uint32_t kWsPopup = 0x80000000;
inline constexpr WindowHandle kHwndTopmost = static_cast<WindowHandle>(-1);
inline constexpr std::uint32_t kSwpNoSize = 0x0001;
inline constexpr std::uint32_t kSwpNoMove = 0x0002;
inline constexpr std::uint32_t kSwpNoZOrder = 0x0004;
inline constexpr std::uint32_t kSwpNoActivate = 0x0010;
inline constexpr int kSwShow = 5;

// The part of MINMAXINFO a window procedure of a registered class may set: WM_GETMINMAXINFO
// reaches it with lParam pointing at this record, which the adapter copies to and from the
// system's own.
struct MinTrackSize {
    int width = 0;
    int height = 0;
};

// A window's screen rectangle (GetWindowRect) and state, as the desktop holds it.
struct WindowState {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool visible = false;
    bool topmost = false;
};

// MsgWaitForMultipleObjects results for one handle.
inline constexpr std::uint32_t kMsgWaitSignalled = 0;
inline constexpr std::uint32_t kMsgWaitInput = 1;

class Windowing : public Port {
public:
    // RegisterWindowMessageW: the same name gives the same number in every program; 0 on failure.
    virtual MessageId registerMessage(const wchar_t* name) = 0;

    // FindWindowW: a top-level window; null or empty class/title match any.
    virtual WindowHandle findWindow(const wchar_t* className, const wchar_t* title) = 0;

    // PostMessageW; kBroadcastWindow posts to every top-level window.
    virtual bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) = 0;

    // SetTimer/KillTimer on a window; setTimer returns the identifier or 0.
    virtual TimerId setTimer(WindowHandle window, TimerId id, std::uint32_t periodMs) = 0;
    virtual bool killTimer(WindowHandle window, TimerId id) = 0;

    // Creates the calling program's hidden top-level dialog window (class "#32770") with the
    // given title; `client` receives WM_INITDIALOG before this returns, then every message.
    // Returns 0 on failure.
    virtual WindowHandle createDialogWindow(const wchar_t* title, WindowClient& client) = 0;
    // The standard procedure of the dialog window (DefDlgProc).
    virtual LResult defaultWindowProc(WindowHandle window, MessageId message, WParam wParam,
                                      LParam lParam) = 0;
    virtual bool destroyWindow(WindowHandle window) = 0;
    // ShowWindow: true when the window was visible before the call (not a success flag).
    virtual bool showWindow(WindowHandle window, int command) = 0;

    // GetMessageW: 1 for a message, 0 for WM_QUIT (its exit code in wParam), -1 on error. Only
    // the thread's own quit message (PostQuitMessage, no window) counts as WM_QUIT; one posted
    // to a window by another program is dropped.
    virtual int getMessage(Message& message) = 0;
    // PeekMessageW with PM_REMOVE: false when the queue is empty. Drops WM_QUIT posted to a
    // window as getMessage does.
    virtual bool peekMessage(Message& message) = 0;
    // TranslateMessage and DispatchMessageW. A keyboard message for a visible dialog (class
    // "#32770") or one of its controls goes to IsDialogMessageW of that dialog first, so that Tab,
    // Enter and Esc work in modeless dialogs as in any Windows program's message loop.
    virtual void dispatchMessage(const Message& message) = 0;
    virtual void postQuitMessage(int exitCode) = 0;
    // MsgWaitForMultipleObjects on one event with QS_ALLINPUT: kMsgWaitSignalled,
    // kMsgWaitInput, or kWaitTimeout/kWaitFailed.
    virtual std::uint32_t waitForEventOrInput(SyncHandle event, std::uint32_t timeoutMs) = 0;

    // MessageBoxW; pumps messages while it is open.
    virtual int messageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                           std::uint32_t flags) = 0;

    // Questions about other windows.
    virtual WindowHandle foregroundWindow() = 0;
    // GetParent: a child window's parent, a top-level pop-up window's owner; 0 for an unowned
    // top-level window (never the desktop window).
    virtual WindowHandle parentWindow(WindowHandle window) = 0;
    // GetClassNameW: characters copied (without terminator), 0 on failure.
    virtual int className(WindowHandle window, wchar_t* buffer, int capacity) = 0;
    virtual std::uint32_t windowStyle(WindowHandle window) = 0;

    // Windows of a class of the program's own (a component toolkit's pop-up windows).
    // RegisterClassExW with the class styles, the arrow cursor, no icon and no background brush;
    // `procedure` receives every message of the class's windows: WM_CREATE once, from
    // createWindow, with the creation parameter in lParam (the CREATESTRUCT's lpCreateParams),
    // and WM_DESTROY only from destroyWindow, as for a dialog client. False when the class exists
    // already (ERROR_CLASS_ALREADY_EXISTS) or cannot be registered.
    virtual bool registerWindowClass(const wchar_t* className, std::uint32_t classStyle,
                                     WindowClient& procedure) = 0;
    // CreateWindowExW of a registered class at the default position and size, owned by `owner`.
    // 0 on failure.
    virtual WindowHandle createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style,
                                      WindowHandle owner, std::uintptr_t creationParameter) = 0;
    // SetWindowPos (kSwp* flags; insertAfter kHwndTopmost or 0 for the top).
    virtual bool setWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width,
                              int height, std::uint32_t flags) = 0;
    // GetWindowRect, IsWindowVisible and the WS_EX_TOPMOST bit; false for no window.
    virtual bool windowState(WindowHandle window, WindowState& state) = 0;
};

} // namespace platform
