// The bridge library's keyboard hook procedure. Portable.
#include "bridge/HdmiKeyHook.h"

#include "common/ControllerIdentity.h"

platform::LResult HdmiKeyHook::keyHookProc(int code, platform::WParam virtualKey,
                                           platform::LParam keystroke) {
    if (code != kHcAction || virtualKey != kVkBrowserBack) {
        return m_chain.callNext(code, virtualKey, keystroke);
    }
    // Posted even when the controller is not running: to no window, that is to the queue of the
    // thread that reads the key, which nothing there waits for.
    const platform::WindowHandle controller =
        m_windowing.findWindow(kControllerWindowClass, kControllerWindowTitle);
    m_windowing.postMessage(controller, kBrowserBackMessage, 0, 0);
    m_chain.callNext(code, virtualKey, keystroke);
    return 0; // the key still reaches the application
}
