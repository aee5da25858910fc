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

namespace {

RECT windowRect(platform::WindowHandle window) {
    RECT rect{};
    GetWindowRect(reinterpret_cast<HWND>(window), &rect);
    return rect;
}

RECT primaryWorkArea() {
    MONITORINFO monitor{};
    monitor.cbSize = sizeof(monitor);
    GetMonitorInfoW(MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY), &monitor);
    return monitor.rcWork;
}

// Where the adapter places a dialog after its initialisation, which the port itself does not
// describe: the class library's dialogs are centred unless they placed themselves or belong to an
// enabled owner.
struct PlacementCase {
    const char* name;
    bool ownedByEnabledWindow;
    bool movesItself;
    bool centred;
};

class Win32DialogPlacement : public ::testing::TestWithParam<PlacementCase> {};

TEST_P(Win32DialogPlacement, CentredUnlessPlacedOrOwned) {
    const PlacementCase& c = GetParam();
    platform::win32::Win32Dialogs dialogs;
    HWND owner = nullptr;
    if (c.ownedByEnabledWindow) {
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_POPUP | WS_VISIBLE, 100, 100, 300, 200, nullptr,
                                nullptr, GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(owner, nullptr);
    }
    testing_support::RecordingDialogClient client;
    if (c.movesItself) {
        client.onInit = [](platform::WindowHandle dialog) {
            SetWindowPos(reinterpret_cast<HWND>(dialog), nullptr, 7, 9, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        };
    }
    const platform::WindowHandle dialog =
        dialogs.createDialog(CONTRACT_DIALOG, reinterpret_cast<platform::WindowHandle>(owner), client);
    ASSERT_NE(dialog, 0u);
    const RECT rect = windowRect(dialog);
    const RECT work = primaryWorkArea();
    const LONG centreX = (work.left + work.right) / 2 - (rect.right - rect.left) / 2;
    const LONG centreY = (work.top + work.bottom) / 2 - (rect.bottom - rect.top) / 2;
    if (c.centred) {
        EXPECT_EQ(rect.left, centreX);
        EXPECT_EQ(rect.top, centreY);
    } else if (c.movesItself) {
        EXPECT_EQ(rect.left, 7);
        EXPECT_EQ(rect.top, 9);
    } else {
        EXPECT_NE(rect.left, centreX); // left where the template put it, beside its owner
    }
    dialogs.destroyDialog(dialog);
    if (owner != nullptr) {
        DestroyWindow(owner);
    }
}

INSTANTIATE_TEST_SUITE_P(Win32, Win32DialogPlacement,
                         ::testing::Values(PlacementCase{"Unowned", false, false, true},
                                           PlacementCase{"MovedByItsInitialisation", false, true, false},
                                           PlacementCase{"OwnedByEnabledWindow", true, false, false}),
                         [](const ::testing::TestParamInfo<PlacementCase>& info) { return info.param.name; });

} // namespace
