// Adapters of the keyboard input, input focus and media control window ports over SendInput,
// GetWindowThreadProcessId / AttachThreadInput / SetForegroundWindow and the MCI window
// (MCIWndCreateW and its messages).
// Win32 only.
#pragma once

#include "platform/InputFocus.h"
#include "platform/KeyboardInput.h"
#include "platform/MediaControl.h"

namespace platform::win32 {

class Win32KeyboardInput final : public KeyboardInput {
public:
    std::uint32_t sendInput(const KeyEvent* events, std::uint32_t count) override;
};

class Win32InputFocus final : public InputFocus {
public:
    std::uint32_t windowThreadProcessId(WindowHandle window, std::uint32_t* processId) override;
    bool attachThreadInput(std::uint32_t attach, std::uint32_t attachTo, bool attachIt) override;
    bool setForegroundWindow(WindowHandle window) override;
};

class Win32MediaControl final : public MediaControl {
public:
    WindowHandle createMediaWindow(WindowHandle parent, std::uint32_t style, const wchar_t* file) override;
    LResult sendMediaMessage(WindowHandle window, MessageId message, WParam wParam, LParam lParam) override;
};

} // namespace platform::win32
