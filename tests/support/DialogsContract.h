// The contract of the dialogs port, stated once and run against the simulated dialogs natively
// and the Win32 adapter under Wine. The dialog is the contract template of
// DialogsContractResources.h. An environment type provides the port and what a test asks of
// or does to a window from outside:
//   struct Env {
//       platform::Dialogs& dialogs();
//       bool isVisible(platform::WindowHandle);
//       std::wstring title(platform::WindowHandle);
//       bool post(platform::WindowHandle, platform::MessageId, platform::WParam, platform::LParam);
//       void pumpUntil(const std::function<bool()>& done);  // dispatches messages, bounded
//       void clickCloseBox(platform::WindowHandle);           // WM_SYSCOMMAND SC_CLOSE
//       void sysCommand(platform::WindowHandle, std::uint32_t command);
//       platform::LResult queryDragIcon(platform::WindowHandle);
//       void paint(platform::WindowHandle);                   // shows the dialog and paints it now
//   };
#pragma once

#include "platform/Dialogs.h"
#include "tests/support/DialogsContractResources.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// A client that records what reaches it, and can act from its handlers.
class RecordingDialogClient : public platform::DialogClient {
public:
    struct Command {
        int id, code;
    };
    bool onInitDialog(platform::WindowHandle dialog) override {
        ++initCount;
        initWindow = dialog;
        if (onInit) {
            onInit(dialog);
        }
        return true;
    }
    bool onCommand(platform::WindowHandle, int id, int code) override {
        commands.push_back({id, code});
        return true;
    }
    bool onTimer(platform::WindowHandle dialog, platform::TimerId id) override {
        timers.push_back(id);
        if (onTimerDo) {
            onTimerDo(dialog, id);
        }
        return true;
    }
    void onPaint(platform::WindowHandle, platform::DialogPaint& paint) override {
        ++paintCount;
        width = paint.clientWidth();
        height = paint.clientHeight();
        bitmapKnown = paint.bitmapSize(CONTRACT_BITMAP, bitmapWidth, bitmapHeight);
        drewBitmap = paint.drawBitmap(CONTRACT_BITMAP, -1, 0);
        drewMissing = paint.drawBitmap(CONTRACT_BITMAP + 1, 0, 0);
    }
    bool onSysCommand(platform::WindowHandle, std::uint32_t command) override {
        sysCommands.push_back(command);
        return command != platform::kScClose;
    }
    void onDestroy(platform::WindowHandle) override { ++destroyCount; }
    void onFinalRelease(platform::WindowHandle) override {
        ++finalCount;
        finalAfterDestroy = destroyCount == 1;
    }

    int initCount = 0, destroyCount = 0, finalCount = 0, paintCount = 0;
    bool finalAfterDestroy = false;
    platform::WindowHandle initWindow = 0;
    std::vector<Command> commands;
    std::vector<platform::TimerId> timers;
    std::vector<std::uint32_t> sysCommands;
    int width = 0, height = 0, bitmapWidth = 0, bitmapHeight = 0;
    bool bitmapKnown = false, drewBitmap = false, drewMissing = true;
    std::function<void(platform::WindowHandle)> onInit;
    std::function<void(platform::WindowHandle, platform::TimerId)> onTimerDo;
};

// A client on the heap that releases itself when its window is gone.
class SelfReleasingClient final : public platform::DialogClient {
public:
    explicit SelfReleasingClient(int& released) : m_released(released) {}
    bool onInitDialog(platform::WindowHandle) override { return true; }
    void onFinalRelease(platform::WindowHandle) override {
        ++m_released;
        delete this;
    }

private:
    int& m_released;
};

inline constexpr platform::MessageId kWmSysCommand = 0x0112;
inline constexpr std::uint32_t kAboutCommand = 0x10;

inline std::wstring itemText(platform::Dialogs& dialogs, platform::WindowHandle dialog, int id,
                             int capacity = 64) {
    std::vector<wchar_t> buffer(static_cast<std::size_t>(capacity), L'#');
    const int count = dialogs.itemText(dialog, id, buffer.data(), capacity);
    const std::wstring text(buffer.data());
    EXPECT_EQ(static_cast<std::size_t>(count), text.size()) << "returns the characters copied";
    return text;
}

template <typename Env> class DialogsContract : public ::testing::Test {
protected:
    platform::WindowHandle create(RecordingDialogClient& client) {
        const platform::WindowHandle dialog = env.dialogs().createDialog(CONTRACT_DIALOG, 0, client);
        if (dialog != 0) {
            made.push_back(dialog);
        }
        return dialog;
    }
    void TearDown() override {
        for (platform::WindowHandle dialog : made) {
            if (env.dialogs().isDialog(dialog)) {
                env.dialogs().destroyDialog(dialog);
            }
        }
    }
    // A client that outlives the test body, so that the dialogs TearDown destroys still have
    // the client their teardown messages go to.
    RecordingDialogClient& newClient() { return clients.emplace_back(); }

    std::deque<RecordingDialogClient> clients; // destroyed after the environment
    Env env;
    std::vector<platform::WindowHandle> made;
};

TYPED_TEST_SUITE_P(DialogsContract);

TYPED_TEST_P(DialogsContract, AModelessDialogComesFromItsTemplateInitialisedAndHidden) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    EXPECT_EQ(client.initCount, 1);
    EXPECT_EQ(client.initWindow, dialog);
    EXPECT_FALSE(this->env.isVisible(dialog)) << "the template has no WS_VISIBLE";
    EXPECT_EQ(this->env.title(dialog), CONTRACT_DIALOG_TITLE);
    platform::Dialogs& dialogs = this->env.dialogs();
    EXPECT_EQ(itemText(dialogs, dialog, CONTRACT_LABEL), CONTRACT_LABEL_TEXT);
    EXPECT_EQ(itemText(dialogs, dialog, CONTRACT_CHECK), CONTRACT_CHECK_TEXT);
    EXPECT_EQ(itemText(dialogs, dialog, platform::dlg::kIdOk), L"OK");
    EXPECT_EQ(dialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstUnchecked);
    EXPECT_TRUE(dialogs.isItemEnabled(dialog, CONTRACT_CHECK));

    EXPECT_FALSE(dialogs.showDialog(dialog, platform::sw::kShowNormal)) << "was hidden";
    EXPECT_TRUE(this->env.isVisible(dialog));
    EXPECT_TRUE(dialogs.showDialog(dialog, platform::sw::kHide)) << "was visible";
}

TYPED_TEST_P(DialogsContract, AMissingTemplateMakesNoDialogAndRunsNoCode) {
    RecordingDialogClient& client = this->newClient();
    EXPECT_EQ(this->env.dialogs().createDialog(CONTRACT_DIALOG + 1, 0, client), 0u);
    EXPECT_EQ(this->env.dialogs().runModalDialog(CONTRACT_DIALOG + 1, 0, client), -1);
    EXPECT_EQ(client.initCount, 0);
    EXPECT_EQ(client.finalCount, 0);
}

TYPED_TEST_P(DialogsContract, ControlsAreAddressedByIdentifierAndAMissingOneIsRefused) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    platform::Dialogs& dialogs = this->env.dialogs();

    EXPECT_TRUE(dialogs.setItemText(dialog, CONTRACT_LABEL, L"Hello world"));
    EXPECT_EQ(itemText(dialogs, dialog, CONTRACT_LABEL), L"Hello world");
    EXPECT_EQ(itemText(dialogs, dialog, CONTRACT_LABEL, 6), L"Hello") << "capacity includes the terminator";
    EXPECT_TRUE(dialogs.setTitle(dialog, L"New title"));
    EXPECT_EQ(this->env.title(dialog), L"New title");

    EXPECT_TRUE(dialogs.setCheckState(dialog, CONTRACT_CHECK, platform::kBstChecked));
    EXPECT_EQ(dialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstChecked);
    EXPECT_TRUE(dialogs.setCheckState(dialog, CONTRACT_CHECK, platform::kBstUnchecked));
    EXPECT_EQ(dialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstUnchecked);
    EXPECT_EQ(dialogs.checkState(dialog, platform::dlg::kIdOk), platform::kBstUnchecked) << "a push button";

    EXPECT_TRUE(dialogs.enableItem(dialog, CONTRACT_CHECK, false));
    EXPECT_FALSE(dialogs.isItemEnabled(dialog, CONTRACT_CHECK));
    EXPECT_TRUE(dialogs.enableItem(dialog, CONTRACT_CHECK, true));
    EXPECT_TRUE(dialogs.isItemEnabled(dialog, CONTRACT_CHECK));

    constexpr int kMissing = 4321;
    EXPECT_FALSE(dialogs.setItemText(dialog, kMissing, L"x"));
    EXPECT_EQ(itemText(dialogs, dialog, kMissing), L"") << "an empty buffer, 0 copied";
    EXPECT_EQ(dialogs.checkState(dialog, kMissing), platform::kBstUnchecked);
    EXPECT_FALSE(dialogs.setCheckState(dialog, kMissing, platform::kBstChecked));
    EXPECT_FALSE(dialogs.enableItem(dialog, kMissing, true));
    EXPECT_FALSE(dialogs.isItemEnabled(dialog, kMissing));
}

TYPED_TEST_P(DialogsContract, TimersAndPostedMessagesReachTheClientWithTheirParameters) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    EXPECT_EQ(this->env.dialogs().setTimer(dialog, 7, 20), 7u);
    this->env.pumpUntil([&] { return !client.timers.empty(); });
    ASSERT_FALSE(client.timers.empty());
    EXPECT_EQ(client.timers.front(), 7u);
    EXPECT_TRUE(this->env.dialogs().killTimer(dialog, 7));
    client.timers.clear();

    // What any program may post: odd identifiers and codes arrive as they are; the window's own
    // creation and destruction messages are not run again.
    ASSERT_TRUE(this->env.post(dialog, platform::wm::kCommand, 0x1234FFFF, 0x5555));
    ASSERT_TRUE(this->env.post(dialog, platform::wm::kTimer, 0xBEEF, 0));
    ASSERT_TRUE(this->env.post(dialog, platform::wm::kInitDialog, 0, 0x1234));
    ASSERT_TRUE(this->env.post(dialog, platform::wm::kDestroy, 0, 0));
    ASSERT_TRUE(this->env.post(dialog, platform::wm::kNcDestroy, 0, 0));
    this->env.pumpUntil([&] { return !client.timers.empty() && !client.commands.empty(); });
    ASSERT_EQ(client.commands.size(), 1u);
    EXPECT_EQ(client.commands[0].id, 0xFFFF);
    EXPECT_EQ(client.commands[0].code, 0x1234);
    ASSERT_EQ(client.timers.size(), 1u);
    EXPECT_EQ(client.timers[0], 0xBEEFu);
    EXPECT_EQ(client.initCount, 1);
    EXPECT_EQ(client.destroyCount, 0);
    EXPECT_EQ(client.finalCount, 0);
    EXPECT_TRUE(this->env.dialogs().isDialog(dialog));
}

TYPED_TEST_P(DialogsContract, TheCloseBoxBecomesCancelAndNothingClosesTheDialogOnItsOwn) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    this->env.clickCloseBox(dialog);
    this->env.pumpUntil([&] { return !client.commands.empty(); });
    ASSERT_EQ(client.commands.size(), 1u);
    EXPECT_EQ(client.commands[0].id, platform::dlg::kIdCancel);
    EXPECT_EQ(client.commands[0].code, 0);
    ASSERT_FALSE(client.sysCommands.empty());
    EXPECT_EQ(client.sysCommands[0], platform::kScClose);
    EXPECT_TRUE(this->env.dialogs().isDialog(dialog));
}

TYPED_TEST_P(DialogsContract, DestroyingRunsTheTeardownOnceAndTheClientMayReleaseItself) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    EXPECT_TRUE(this->env.dialogs().destroyDialog(dialog));
    EXPECT_FALSE(this->env.dialogs().isDialog(dialog));
    EXPECT_EQ(client.destroyCount, 1);
    EXPECT_EQ(client.finalCount, 1);
    EXPECT_TRUE(client.finalAfterDestroy);
    EXPECT_FALSE(this->env.dialogs().destroyDialog(dialog)) << "gone already";
    EXPECT_FALSE(this->env.dialogs().endDialog(dialog, 1));

    int released = 0;
    for (int i = 0; i < 3; ++i) {
        auto* selfReleasing = new SelfReleasingClient(released);
        const platform::WindowHandle next =
            this->env.dialogs().createDialog(CONTRACT_DIALOG, 0, *selfReleasing);
        ASSERT_NE(next, 0u);
        EXPECT_TRUE(this->env.dialogs().destroyDialog(next));
    }
    EXPECT_EQ(released, 3);
}

TYPED_TEST_P(DialogsContract, AModalDialogReturnsTheResultItEndsWith) {
    RecordingDialogClient& client = this->newClient();
    platform::Dialogs& dialogs = this->env.dialogs();
    client.onInit = [&](platform::WindowHandle dialog) { dialogs.setTimer(dialog, 3, 20); };
    client.onTimerDo = [&](platform::WindowHandle dialog, platform::TimerId) {
        if (client.timers.size() == 1) {
            dialogs.endDialog(dialog, 42);
        }
    };
    EXPECT_EQ(dialogs.runModalDialog(CONTRACT_DIALOG, 0, client), 42);
    EXPECT_EQ(client.initCount, 1);
    EXPECT_EQ(client.destroyCount, 1);
    EXPECT_EQ(client.finalCount, 1) << "the window is gone when the loop returns";
    EXPECT_FALSE(dialogs.isDialog(client.initWindow));
}

TYPED_TEST_P(DialogsContract, EndingAModelessDialogOnlyHidesIt) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    this->env.dialogs().showDialog(dialog, platform::sw::kShowNormal);
    EXPECT_TRUE(this->env.dialogs().endDialog(dialog, platform::dlg::kIdOk));
    EXPECT_TRUE(this->env.dialogs().isDialog(dialog));
    EXPECT_FALSE(this->env.isVisible(dialog));
    EXPECT_EQ(client.destroyCount, 0);
}

TYPED_TEST_P(DialogsContract, StringsIconsAndTheSystemMenuComeFromTheProgram) {
    platform::Dialogs& dialogs = this->env.dialogs();
    wchar_t text[32];
    EXPECT_EQ(dialogs.loadString(CONTRACT_STRING, text, 32), 15);
    EXPECT_STREQ(text, CONTRACT_STRING_TEXT);
    EXPECT_EQ(dialogs.loadString(CONTRACT_STRING, text, 9), 8);
    EXPECT_STREQ(text, L"Contract");
    text[0] = L'#';
    EXPECT_EQ(dialogs.loadString(CONTRACT_STRING + 1, text, 32), 0);
    EXPECT_STREQ(text, L"");

    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    EXPECT_FALSE(dialogs.setIcon(dialog, CONTRACT_ICON + 1));
    EXPECT_TRUE(dialogs.setIcon(dialog, CONTRACT_ICON));
    EXPECT_NE(this->env.queryDragIcon(dialog), 0) << "WM_QUERYDRAGICON returns the icon";

    EXPECT_TRUE(dialogs.appendSystemMenuItem(dialog, kAboutCommand, L"&About..."));
    this->env.sysCommand(dialog, kAboutCommand | 0x3);
    ASSERT_EQ(client.sysCommands.size(), 1u);
    EXPECT_EQ(client.sysCommands[0], kAboutCommand) << "the low four bits are the system's";
}

TYPED_TEST_P(DialogsContract, PaintingDrawsBitmapResourcesIntoTheClientArea) {
    RecordingDialogClient& client = this->newClient();
    const platform::WindowHandle dialog = this->create(client);
    ASSERT_NE(dialog, 0u);
    this->env.paint(dialog);
    ASSERT_GE(client.paintCount, 1);
    EXPECT_GT(client.width, CONTRACT_DIALOG_WIDTH) << "a dialog unit is more than a pixel wide";
    EXPECT_GT(client.height, CONTRACT_DIALOG_HEIGHT);
    EXPECT_TRUE(client.bitmapKnown);
    EXPECT_EQ(client.bitmapWidth, CONTRACT_BITMAP_WIDTH);
    EXPECT_EQ(client.bitmapHeight, CONTRACT_BITMAP_HEIGHT);
    EXPECT_TRUE(client.drewBitmap) << "partly left of the client area is clipped, not refused";
    EXPECT_FALSE(client.drewMissing);
}

REGISTER_TYPED_TEST_SUITE_P(DialogsContract, AModelessDialogComesFromItsTemplateInitialisedAndHidden,
                            AMissingTemplateMakesNoDialogAndRunsNoCode,
                            ControlsAreAddressedByIdentifierAndAMissingOneIsRefused,
                            TimersAndPostedMessagesReachTheClientWithTheirParameters,
                            TheCloseBoxBecomesCancelAndNothingClosesTheDialogOnItsOwn,
                            DestroyingRunsTheTeardownOnceAndTheClientMayReleaseItself,
                            AModalDialogReturnsTheResultItEndsWith, EndingAModelessDialogOnlyHidesIt,
                            StringsIconsAndTheSystemMenuComeFromTheProgram,
                            PaintingDrawsBitmapResourcesIntoTheClientArea);

} // namespace testing_support
