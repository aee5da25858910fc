// Synthesized input, foreground and the MCI window. Win32 only.
#include "platform/win32/Win32Input.h"

#include <windows.h>

#include <vfw.h>

#include <vector>

namespace platform::win32 {
namespace {
HWND hwnd(WindowHandle window) {
    return reinterpret_cast<HWND>(window);
}
} // namespace

std::uint32_t Win32KeyboardInput::sendInput(const KeyEvent* events, std::uint32_t count) {
    if (events == nullptr || count == 0) {
        return 0;
    }
    std::vector<INPUT> inputs(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        INPUT& input = inputs[i];
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = events[i].virtualKey;
        input.ki.wScan = events[i].scanCode;
        input.ki.dwFlags = events[i].flags;
        input.ki.time = events[i].time;
        input.ki.dwExtraInfo = static_cast<ULONG_PTR>(events[i].extraInfo);
    }
    return ::SendInput(count, inputs.data(), sizeof(INPUT));
}

std::uint32_t Win32InputFocus::windowThreadProcessId(WindowHandle window, std::uint32_t* processId) {
    DWORD process = 0;
    const DWORD thread = ::GetWindowThreadProcessId(hwnd(window), &process);
    if (thread != 0 && processId != nullptr) {
        *processId = process;
    }
    return thread;
}

bool Win32InputFocus::attachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool attachIt) {
    return ::AttachThreadInput(attach, attachTo, attachIt ? TRUE : FALSE) != FALSE;
}

bool Win32InputFocus::setForegroundWindow(WindowHandle window) {
    return ::SetForegroundWindow(hwnd(window)) != FALSE;
}

WindowHandle Win32MediaControl::createMediaWindow(WindowHandle parent, std::uint32_t style,
                                                  const wchar_t* file) {
    return reinterpret_cast<WindowHandle>(
        ::MCIWndCreateW(hwnd(parent), ::GetModuleHandleW(nullptr), style, file));
}

LResult Win32MediaControl::sendMediaMessage(WindowHandle window, MessageId message, WParam wParam,
                                            LParam lParam) {
    return static_cast<LResult>(
        ::SendMessageW(hwnd(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam)));
}

} // namespace platform::win32
