// The dialogs port's contract against the simulated dialogs, and what only the simulation
// offers: the user's clicks and keys, and the record of a dialog after its window is gone.
#include "sim/SimDialogs.h"
#include "sim/SimWorld.h"
#include "tests/support/DialogsContract.h"

namespace {

using namespace sim;

ProgramResources contractResources() {
    ProgramResources resources;
    DialogTemplate layout;
    layout.title = CONTRACT_DIALOG_TITLE;
    layout.style =
        0x80C800C8; // WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_FIXEDSYS
    layout.cx = CONTRACT_DIALOG_WIDTH;
    layout.cy = CONTRACT_DIALOG_HEIGHT;
    layout.font = L"MS Shell Dlg";
    layout.pointSize = 8;
    layout.controls = {
        {platform::dlg::kIdOk, ControlKind::DefPushButton, L"OK", 0, 0, 140, 60, 50, 14},
        {platform::dlg::kIdCancel, ControlKind::PushButton, L"Cancel", 0, 0, 80, 60, 50, 14},
        {CONTRACT_CHECK, ControlKind::AutoCheckBox, CONTRACT_CHECK_TEXT, 0, 0, 10, 40, 120, 10},
        {CONTRACT_LABEL, ControlKind::Static, CONTRACT_LABEL_TEXT, 0, 0, 10, 10, 180, 20},
    };
    resources.dialogs[CONTRACT_DIALOG] = layout;
    resources.strings[CONTRACT_STRING] = CONTRACT_STRING_TEXT;
    resources.bitmaps[CONTRACT_BITMAP] = {CONTRACT_BITMAP_WIDTH, CONTRACT_BITMAP_HEIGHT};
    resources.icons.push_back(CONTRACT_ICON);
    return resources;
}

class SimDialogsEnv {
public:
    static constexpr std::uint32_t kProcess = 0x7B0;
    static constexpr std::uint32_t kOtherProcess = 0x7C0;

    platform::Dialogs& dialogs() { return simDialogs; }
    bool isVisible(platform::WindowHandle window) {
        const SimDesktop::WindowInfo* info = world.desktop().info(window);
        return info != nullptr && info->visible;
    }
    std::wstring title(platform::WindowHandle window) {
        const SimDesktop::WindowInfo* info = world.desktop().info(window);
        return info != nullptr ? info->title : L"";
    }
    bool post(platform::WindowHandle window, platform::MessageId message, platform::WParam wParam,
              platform::LParam lParam) {
        return world.desktop().post(window, message, wParam, lParam, kOtherProcess);
    }
    void pumpUntil(const std::function<bool()>& done) {
        world.desktop().setHorizon(world.clock().now() + 10000);
        try {
            world.desktop().runNestedLoop(thread, done, "the test's message loop");
        } catch (const Deadlock& deadlock) {
            ADD_FAILURE() << deadlock.what();
        }
        world.desktop().setHorizon(UINT64_MAX);
    }
    void clickCloseBox(platform::WindowHandle window) { simDialogs.clickCloseBox(window); }
    void sysCommand(platform::WindowHandle window, std::uint32_t command) {
        simDialogs.sendMessage(window, testing_support::kWmSysCommand, command, 0);
    }
    platform::LResult queryDragIcon(platform::WindowHandle window) {
        return simDialogs.sendMessage(window, platform::wm::kQueryDragIcon, 0, 0);
    }
    void paint(platform::WindowHandle window) {
        simDialogs.showDialog(window, platform::sw::kShowNormal);
        simDialogs.paint(window);
    }

    SimWorld world;
    UiThread& thread = world.desktop().createUiThread(kProcess, 0x7B4);
    SimDialogs simDialogs{world.desktop(), thread, contractResources()};
};

} // namespace

namespace testing_support {
using SimDialogEnvironments = ::testing::Types<SimDialogsEnv>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, DialogsContract, SimDialogEnvironments);
} // namespace testing_support

namespace {

using testing_support::RecordingDialogClient;

class SimDialogsUser : public ::testing::Test {
protected:
    platform::WindowHandle open() {
        const platform::WindowHandle dialog = env.simDialogs.createDialog(CONTRACT_DIALOG, 0, client);
        env.simDialogs.showDialog(dialog, platform::sw::kShowNormal);
        return dialog;
    }
    SimDialogsEnv env;
    RecordingDialogClient client;
};

TEST_F(SimDialogsUser, ClickingTogglesAnAutoCheckBoxAndTellsTheDialogButADisabledControlIgnoresIt) {
    const platform::WindowHandle dialog = open();
    EXPECT_TRUE(env.simDialogs.click(dialog, CONTRACT_CHECK));
    EXPECT_EQ(env.simDialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstChecked);
    EXPECT_TRUE(env.simDialogs.click(dialog, CONTRACT_CHECK));
    EXPECT_EQ(env.simDialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstUnchecked);
    ASSERT_EQ(client.commands.size(), 2u);
    EXPECT_EQ(client.commands[1].id, CONTRACT_CHECK);

    env.simDialogs.enableItem(dialog, CONTRACT_CHECK, false);
    EXPECT_FALSE(env.simDialogs.click(dialog, CONTRACT_CHECK));
    EXPECT_EQ(env.simDialogs.checkState(dialog, CONTRACT_CHECK), platform::kBstUnchecked);
    EXPECT_FALSE(env.simDialogs.click(dialog, CONTRACT_LABEL)) << "a static control is not clicked";
    EXPECT_EQ(client.commands.size(), 2u);
}

TEST_F(SimDialogsUser, EnterPressesTheDefaultButtonOrOkAndEscapeIsCancel) {
    const platform::WindowHandle dialog = open();
    env.simDialogs.pressEnter(dialog);
    env.simDialogs.pressEscape(dialog);
    env.simDialogs.enableItem(dialog, platform::dlg::kIdOk, false);
    env.simDialogs.pressEnter(dialog);
    ASSERT_EQ(client.commands.size(), 3u);
    EXPECT_EQ(client.commands[0].id, platform::dlg::kIdOk);
    EXPECT_EQ(client.commands[1].id, platform::dlg::kIdCancel);
    EXPECT_EQ(client.commands[2].id, platform::dlg::kIdOk) << "a disabled default button: IDOK all the same";
}

TEST_F(SimDialogsUser, ADialogStaysOnRecordWithHowItEndedAndWhatItLastShowed) {
    const platform::WindowHandle dialog = open();
    env.simDialogs.setItemText(dialog, CONTRACT_LABEL, L"Last words");
    env.world.clock().advanceTo(env.world.clock().now() + 1500);
    env.simDialogs.destroyDialog(dialog);
    SimDialogs::Dialog* record = env.simDialogs.find(dialog);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->ending, SimDialogs::Ending::Destroyed);
    EXPECT_EQ(record->endedAt - record->createdAt, 1500u);
    EXPECT_EQ(record->control(CONTRACT_LABEL)->text, L"Last words");
    EXPECT_EQ(env.simDialogs.openDialog(CONTRACT_DIALOG), nullptr);
    EXPECT_FALSE(env.simDialogs.click(dialog, platform::dlg::kIdOk)) << "no window to click any more";
}

TEST_F(SimDialogsUser, AProgramThatEndsTakesItsDialogsWithoutRunningTheirCode) {
    platform::WindowHandle dialog = 0;
    {
        SimDialogs program(env.world.desktop(), env.thread, contractResources());
        dialog = program.createDialog(CONTRACT_DIALOG, 0, client);
        ASSERT_TRUE(env.world.desktop().isWindow(dialog));
    }
    EXPECT_FALSE(env.world.desktop().isWindow(dialog));
    EXPECT_EQ(client.destroyCount, 0);
    EXPECT_EQ(client.finalCount, 0);
}

} // namespace
