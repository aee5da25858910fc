// The windowing port's message loop under user32 (under Wine on Linux): keys typed into a
// visible modeless dialog act as in any Windows program (Esc cancels, Enter presses the default
// button, Tab moves the focus), while keys for other windows reach them unchanged. Win32 only.
#include "platform/win32/Win32Dialogs.h"
#include "platform/win32/Win32Windowing.h"
#include "tests/support/DialogsContract.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

using testing_support::RecordingDialogClient;

class Win32DialogKeysTest : public ::testing::Test {
protected:
    ~Win32DialogKeysTest() override {
        if (dialog != 0 && dialogs.isDialog(dialog)) {
            dialogs.destroyDialog(dialog);
        }
        pump();
    }
    void open() {
        dialog = dialogs.createDialog(CONTRACT_DIALOG, 0, client);
        ASSERT_NE(dialog, 0u);
        dialogs.showDialog(dialog, platform::sw::kShowNormal);
        pump();
    }
    HWND hwnd() const { return reinterpret_cast<HWND>(dialog); }
    // The key as the keyboard would deliver it to `window`: down and up, through the port's loop.
    void type(HWND window, WPARAM key) {
        PostMessageW(window, WM_KEYDOWN, key, 1);
        PostMessageW(window, WM_KEYUP, key, static_cast<LPARAM>(0xC0000001u));
        pump();
    }
    void pump() {
        platform::Message message;
        while (windowing.peekMessage(message)) {
            windowing.dispatchMessage(message);
        }
    }
    bool commanded(int id) const {
        for (const auto& command : client.commands) {
            if (command.id == id) {
                return true;
            }
        }
        return false;
    }

    platform::win32::Win32Windowing windowing;
    platform::win32::Win32Dialogs dialogs;
    RecordingDialogClient client;
    platform::WindowHandle dialog = 0;
};

TEST_F(Win32DialogKeysTest, EscapeCancelsAndEnterPressesTheDefaultButton) {
    struct Case {
        WPARAM key;
        int command;
    };
    for (const Case c : {Case{VK_ESCAPE, platform::dlg::kIdCancel}, Case{VK_RETURN, platform::dlg::kIdOk}}) {
        client.commands.clear();
        open();
        type(GetDlgItem(hwnd(), CONTRACT_CHECK), c.key);
        EXPECT_TRUE(commanded(c.command)) << "key " << c.key;
        dialogs.destroyDialog(dialog);
        dialog = 0;
        pump();
    }
}

TEST_F(Win32DialogKeysTest, TabMovesTheFocusAndOtherKeysReachTheControl) {
    open();
    const HWND check = GetDlgItem(hwnd(), CONTRACT_CHECK);
    SetFocus(GetDlgItem(hwnd(), IDOK));
    ASSERT_EQ(GetFocus(), GetDlgItem(hwnd(), IDOK)) << "the dialog is active on this thread";
    type(GetFocus(), VK_TAB);
    EXPECT_NE(GetFocus(), GetDlgItem(hwnd(), IDOK)) << "Tab goes to the next tab stop";
    SetFocus(check);
    type(check, VK_SPACE);
    EXPECT_EQ(dialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstChecked) << "Space toggles the box";
    EXPECT_FALSE(commanded(platform::dlg::kIdCancel));
    EXPECT_FALSE(commanded(platform::dlg::kIdOk)) << "neither key ends the dialog";
}

} // namespace
