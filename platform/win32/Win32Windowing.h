// Windowing port over user32: registered messages, finding and posting to windows, timers, the
// program's hidden dialog window and its message loop, message boxes and window questions.
// Win32 only.
#pragma once

#include "platform/Windowing.h"

namespace platform::win32 {

class Win32Windowing final : public Windowing {
public:
    MessageId registerMessage(const wchar_t* name) override;
    WindowHandle findWindow(const wchar_t* className, const wchar_t* title) override;
    bool postMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) override;
    TimerId setTimer(WindowHandle window, TimerId id, std::uint32_t periodMs) override;
    bool killTimer(WindowHandle window, TimerId id) override;

    // A hidden "#32770" window made from an in-memory dialog template. Its procedure is replaced
    // during WM_INITDIALOG so that every later message goes straight to `client`; the dialog's
    // own procedure stays reachable through defaultWindowProc.
    WindowHandle createDialogWindow(const wchar_t* title, WindowClient& client) override;
    // The dialog's standard processing (DefDlgProc) for windows made by createDialogWindow;
    // DefWindowProc for any other window.
    LResult defaultWindowProc(WindowHandle window, MessageId message, WParam wParam, LParam lParam) override;
    bool destroyWindow(WindowHandle window) override;
    // ShowWindow: true when the window was visible before.
    bool showWindow(WindowHandle window, int command) override;

    int getMessage(Message& message) override;
    bool peekMessage(Message& message) override;
    void dispatchMessage(const Message& message) override;
    void postQuitMessage(int exitCode) override;
    std::uint32_t waitForEventOrInput(SyncHandle event, std::uint32_t timeoutMs) override;

    int messageBox(WindowHandle owner, const wchar_t* text, const wchar_t* caption,
                   std::uint32_t flags) override;

    WindowHandle foregroundWindow() override;
    // The window's parent (never its owner); 0 for a top-level window.
    WindowHandle parentWindow(WindowHandle window) override;
    int className(WindowHandle window, wchar_t* buffer, int capacity) override;
    std::uint32_t windowStyle(WindowHandle window) override;

    // Classes whose procedure is a WindowClient: WM_CREATE reaches it only from createWindow
    // (lParam: the creation parameter), WM_GETMINMAXINFO with a MinTrackSize record, and a
    // posted WM_CREATE, WM_DESTROY or WM_GETMINMAXINFO never.
    bool registerWindowClass(const wchar_t* className, std::uint32_t classStyle,
                             WindowClient& procedure) override;
    WindowHandle createWindow(const wchar_t* className, const wchar_t* title, std::uint32_t style,
                              WindowHandle owner, std::uintptr_t creationParameter) override;
    bool setWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y, int width, int height,
                      std::uint32_t flags) override;
    bool windowState(WindowHandle window, WindowState& state) override;
};

} // namespace platform::win32
