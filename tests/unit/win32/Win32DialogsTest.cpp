// The dialogs port's contract against user32 and GDI (under Wine on Linux), with the contract
// template and its icon, bitmap and string from this test program's own resources. Win32 only.
#include "platform/win32/Win32Dialogs.h"
#include "tests/support/DialogsContract.h"

#include <windows.h>

namespace {

class Win32DialogsEnv {
public:
    ~Win32DialogsEnv() {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageW(&message);
        }
    }
    platform::Dialogs& dialogs() { return m_dialogs; }
    bool isVisible(platform::WindowHandle window) { return IsWindowVisible(hwnd(window)) != FALSE; }
    std::wstring title(platform::WindowHandle window) {
        wchar_t text[128] = {};
        GetWindowTextW(hwnd(window), text, 128);
        return text;
    }
    bool post(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
              platform::LParam lParam) {
        return PostMessageW(hwnd(window), message, wParam, lParam) != FALSE;
    }
    void pumpUntil(const std::function<bool()>& done) {
        const ULONGLONG deadline = GetTickCount64() + 5000;
        while (!done() && GetTickCount64() < deadline) {
            MSG message;
            if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&message);
                DispatchMessageW(&message);
            } else {
                MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            }
        }
        EXPECT_TRUE(done()) << "not within 5 s";
    }
    void clickCloseBox(platform::WindowHandle window) {
        SendMessageW(hwnd(window), WM_SYSCOMMAND, SC_CLOSE, 0);
    }
    void sysCommand(platform::WindowHandle window, std::uint32_t command) {
        SendMessageW(hwnd(window), WM_SYSCOMMAND, command, 0);
    }
    platform::LResult queryDragIcon(platform::WindowHandle window) {
        return SendMessageW(hwnd(window), WM_QUERYDRAGICON, 0, 0);
    }
    void paint(platform::WindowHandle window) {
        ShowWindow(hwnd(window), SW_SHOWNORMAL);
        InvalidateRect(hwnd(window), nullptr, TRUE);
        UpdateWindow(hwnd(window));
    }

private:
    static HWND hwnd(platform::WindowHandle window) { return reinterpret_cast<HWND>(window); }
    platform::win32::Win32Dialogs m_dialogs;
};

} // namespace

namespace testing_support {
using Win32DialogEnvironments = ::testing::Types<Win32DialogsEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Win32, DialogsContract, Win32DialogEnvironments);
} // namespace testing_support
