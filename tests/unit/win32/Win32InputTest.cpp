// The input ports' contract against SendInput, the foreground calls and the MCI window of
// user32 and msvfw32 (under Wine on Linux). Win32 only.
#include "platform/win32/Win32Input.h"
#include "tests/support/InputPortsContract.h"

#include <windows.h>

#include <vector>

namespace {

class Win32InputEnv {
public:
    ~Win32InputEnv() {
        for (HWND window : m_windows) {
            if (IsWindow(window)) {
                DestroyWindow(window);
            }
        }
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    platform::KeyboardInput& keyboard() { return m_keyboard; }
    platform::InputFocus& focus() { return m_focus; }
    platform::MediaControl& media() { return m_media; }
    platform::WindowHandle createWindow() {
        static const ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = DefWindowProcW;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"SentrixInputContract";
            return RegisterClassW(&windowClass);
        }();
        if (atom == 0) {
            return 0;
        }
        HWND window =
            CreateWindowExW(0, L"SentrixInputContract", L"input contract", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                            0, 0, 200, 100, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        if (window != nullptr) {
            m_windows.push_back(window);
        }
        return reinterpret_cast<platform::WindowHandle>(window);
    }
    bool isWindow(platform::WindowHandle window) { return IsWindow(reinterpret_cast<HWND>(window)) != FALSE; }
    platform::WindowHandle foreground() {
        return reinterpret_cast<platform::WindowHandle>(GetForegroundWindow());
    }
    std::uint32_t ownThread() { return GetCurrentThreadId(); }
    std::uint32_t ownProcess() { return GetCurrentProcessId(); }

private:
    platform::win32::Win32KeyboardInput m_keyboard;
    platform::win32::Win32InputFocus m_focus;
    platform::win32::Win32MediaControl m_media;
    std::vector<HWND> m_windows;
};

} // namespace

namespace testing_support {
using Win32Environments = ::testing::Types<Win32InputEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, InputPortsContract, Win32Environments);
} // namespace testing_support
