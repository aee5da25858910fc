// Start-up and teardown of the controller in the simulated world: the single-instance rule
// and its command-line words, the CEC controller's configuration with its fixed waits, the
// copy of the machine settings, timer 2, and the order of the teardown.
#include "tests/support/ControllerWorld.h"

#include "controller/SentrixdDlg.h"

namespace {

using testing_support::Bytes;
using testing_support::ControllerWorld;

constexpr const wchar_t* kMachineKey = L"SOFTWARE\\KORVATH\\Sentrixd";

class StartupTest : public ControllerWorld {};

TEST_F(StartupTest, ConfiguresTheCecControllerFromTheSettingsWithTwoSecondPauses) {
    auto& controller = start();
    ASSERT_TRUE(controller.running());
    const auto logic = ceccCommands(0x04);
    const auto mode = ceccCommands(0x07);
    const auto features = ceccCommands(0x0A);
    ASSERT_EQ(logic.size(), 1u);
    ASSERT_EQ(mode.size(), 1u);
    ASSERT_EQ(features.size(), 1u);
    EXPECT_EQ(logic[0].bytes, Bytes{0x10});
    EXPECT_EQ(mode[0].bytes, Bytes{0x01});
    EXPECT_EQ(features[0].bytes, Bytes{0x03});
    EXPECT_EQ(mode[0].time - logic[0].time, 2000u);
    EXPECT_EQ(features[0].time - mode[0].time, 2000u);
    EXPECT_GE(now(), features[0].time + 2000);
    EXPECT_TRUE(trace->hasText("Logic Device=16"));
    EXPECT_TRUE(trace->hasText("setOperationMode():return=0x00"));
    EXPECT_TRUE(trace->hasText("CECC Support Feature=3"));

    // The user's copy of the machine settings and rules was made first.
    EXPECT_TRUE(
        world.registry().keyExists(platform::kHkeyCurrentUser, std::wstring(kMachineKey) + L"\\Setting"));
    EXPECT_EQ(world.registry().getValue(platform::kHkeyCurrentUser, kMachineKey, L"CECControlStatusTimer"),
              world.registry().getValue(platform::kHkeyLocalMachine, kMachineKey, L"CECControlStatusTimer"));

    // Timer 2 reads the first CECC response once, 1000 ms after start-up.
    EXPECT_EQ(world.desktop().timerPeriod(controller.window(), CSentrixdDlg::kTimerCecCtrl), 1000u);
    runFor(1000);
    EXPECT_FALSE(world.desktop().timerRunning(controller.window(), CSentrixdDlg::kTimerCecCtrl));
    EXPECT_TRUE(trace->contains("Call handleCecControlCommand()"));
}

TEST_F(StartupTest, WithoutAnySettingValueItStillWaitsSixSecondsSendsNothingAndStartsTimer2AtOnce) {
    for (const std::wstring& name : world.registry().valueNames(platform::kHkeyLocalMachine, kMachineKey)) {
        if (name != L"CurrentVersion") {
            world.registry().deleteValue(platform::kHkeyLocalMachine, kMachineKey, name);
        }
    }
    auto& controller = start();
    ASSERT_TRUE(controller.running());
    EXPECT_TRUE(ceccCommands(0x04).empty());
    EXPECT_TRUE(ceccCommands(0x07).empty());
    EXPECT_TRUE(ceccCommands(0x0A).empty());
    EXPECT_GE(now(), 6000u);
    EXPECT_EQ(world.desktop().timerPeriod(controller.window(), CSentrixdDlg::kTimerCecCtrl), 10u)
        << "0 ms becomes the shortest window timer";
}

TEST_F(StartupTest, OneByteValuesOnlyAndTheTunerBitsWhenATunerIsInstalled) {
    world.registry().setDword(platform::kHkeyLocalMachine, kMachineKey, L"EnableTunerControl", 1);
    world.registry().setDword(platform::kHkeyLocalMachine, kMachineKey, L"CECCOperationMode", 1); // 4 bytes
    world.registry().setDword(
        platform::kHkeyLocalMachine,
        L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Media Center\\Service\\Video\\Tuners\\"
        L"{A799A800-A46D-11D0-A18C-00A02401DCD4}\\Tuner1\\UserSettings",
        L"EnabledForMCE", 0xFFFFFFFF);
    start();
    ASSERT_EQ(ceccCommands(0x04).size(), 1u);
    EXPECT_EQ(ceccCommands(0x04)[0].bytes, Bytes{0x14});
    EXPECT_TRUE(ceccCommands(0x07).empty()) << "a 4-byte operation mode is not sent";
    ASSERT_EQ(ceccCommands(0x0A).size(), 1u);
    EXPECT_EQ(ceccCommands(0x0A)[0].bytes, Bytes{0x0B});
    EXPECT_TRUE(trace->hasText("isTunerExist=1"));
}

TEST_F(StartupTest, CommandSettingsThatCannotBeOpenedEndTheController) {
    world.registry().deleteKey(platform::kHkeyLocalMachine, kMachineKey);
    auto& controller = start();
    EXPECT_FALSE(controller.runFor(100));
    EXPECT_TRUE(trace->contains("ERROR CmdSetting::open():0x80000101"));
    EXPECT_TRUE(trace->contains("ERROR loadSettings():-2147483391"));
    EXPECT_FALSE(world.sync().mutexExists(L"Sentrix_Suite_Mutex"));
}

TEST_F(StartupTest, AMissingFirmwareDeviceEndsTheControllerBeforeAnythingElse) {
    world.firmware().setDevicePresent(false);
    auto& controller = start();
    EXPECT_FALSE(controller.runFor(100));
    EXPECT_TRUE(trace->contains("ERROR CreateFile:2"));
    EXPECT_TRUE(trace->contains("ERROR HardIO::initialize()"));
    EXPECT_FALSE(trace->contains("Enter CmdSetting::open"));
}

TEST_F(StartupTest, ASecondInstanceEndsAndExitClosesTheFirst) {
    auto& first = start();
    ASSERT_TRUE(first.running());
    auto& second = start();
    EXPECT_FALSE(second.started());
    EXPECT_TRUE(first.runFor(100));

    auto& third = start(L"exit");
    EXPECT_FALSE(third.started());
    EXPECT_FALSE(first.runFor(100)) << "WM_CLOSE from \"exit\" ended the running controller";
    EXPECT_EQ(world.desktop().find(L"#32770", L"KorSentrixSuiteMain"), 0u);
    EXPECT_FALSE(world.sync().mutexExists(L"Sentrix_Suite_Mutex"));

    auto& fourth = start(L"exit");
    EXPECT_TRUE(fourth.running()) << "with none running, \"exit\" starts the controller";
}

TEST_F(StartupTest, FirstAsksTheHotkeyUtilityToReloadItsConfiguration) {
    std::vector<platform::Message> received;
    sim::SimDesktop::WindowInfo info;
    info.className = L"Keyvane";
    info.title = L"Keyvane Window";
    world.desktop().addModelWindow(info, [&](const platform::Message& m) { received.push_back(m); });
    auto& controller = start(L"/First");
    controller.runFor(0);
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].message, world.desktop().registerMessage(L"KORVATH_TILES_RELOAD_CONFIG"));
    EXPECT_EQ(received[0].wParam, 2u);
    EXPECT_EQ(received[0].lParam, 0);
}

TEST_F(StartupTest, LibrariesComeFromThePathsTheControllerNamesAfterTheSearchIsRestricted) {
    start().runFor(10000);
    const auto& records = world.libraries().records();
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.front().operation, sim::SimLibraries::Operation::RestrictSearch) << "before any load";
    std::vector<std::wstring> loaded;
    for (const auto& record : records) {
        if (record.operation == sim::SimLibraries::Operation::Load) {
            loaded.push_back(record.library);
        }
    }
    EXPECT_EQ(loaded,
              (std::vector<std::wstring>{L"C:\\Program Files\\Korvath\\Sentrix\\Panelid.dll",
                                         L"C:\\Program Files\\Common Files\\Korvath Shared\\TVBRIDGE.dll"}));
}

TEST_F(StartupTest, TeardownReleasesEverythingInOrder) {
    auto& controller = start();
    controller.runFor(10000);
    trace->clear();
    ASSERT_TRUE(controller.post(platform::wm::kClose, 0, 0));
    EXPECT_FALSE(controller.runFor(10));
    std::vector<std::string> order;
    for (const std::string& text : trace->texts()) {
        for (const char* step : {"Enter CSentrixdDlg::DestroyWindow", "Enter CSentrixdDlg::unloadSettings",
                                 "Enter EDIDHelper::uninitialize", "Enter HdmiHookHelper::uninitialize",
                                 "Enter HardIO::uninitialize"}) {
            if (text.rfind(step, 0) == 0) {
                order.push_back(step);
            }
        }
    }
    EXPECT_EQ(order, (std::vector<std::string>{
                         "Enter CSentrixdDlg::DestroyWindow", "Enter CSentrixdDlg::unloadSettings",
                         "Enter EDIDHelper::uninitialize", "Enter HdmiHookHelper::uninitialize",
                         "Enter HardIO::uninitialize"}));
    EXPECT_EQ(trace->count("Enter AppLauncher::uninitialize"), 1u);
    EXPECT_EQ(world.libraries().loadCount(L"Panelid.dll"), 0);
    EXPECT_EQ(world.libraries().loadCount(L"TVBRIDGE.dll"), 0);
    EXPECT_EQ(world.sync().openHandleCount(), 0u);
    EXPECT_EQ(world.registry().openHandleCount(), 0u);
    for (platform::TimerId id = 1; id <= 6; ++id) {
        EXPECT_FALSE(world.desktop().timerRunning(controller.window(), id));
    }
}

TEST_F(StartupTest, AFailedDestructionLogsTheLastErrorOfTheFailureItself) {
    auto& controller = start();
    controller.runFor(10000);
    world.desktop().failDestroy(controller.window(), platform::error::kAccessDenied);
    ASSERT_TRUE(controller.post(platform::wm::kClose, 0, 0));
    EXPECT_TRUE(controller.runFor(10)) << "the window is still there";
    // Writing the trace lines in between leaves ERROR_ALREADY_EXISTS (0xb7) behind.
    EXPECT_TRUE(trace->contains("NG:DestroyWindow() 0x00000005"));
    world.desktop().failDestroy(controller.window(), platform::error::kSuccess);
}

TEST_F(StartupTest, CreationAndDestructionMessagesFromOtherProgramsChangeNothing) {
    world.registry().setString(platform::kHkeyLocalMachine, std::wstring(kMachineKey) + L"\\Setting", L"More",
                               L"0,50,0,,0,200,0D,0,51,0,,0,200,0D");
    auto& controller = start();
    controller.runFor(10000);
    const std::size_t rules = controller.dlg()->m_cmdInfoList.size();
    ASSERT_GT(rules, 0u);
    const std::size_t handles = world.sync().openHandleCount();
    for (int i = 0; i < 50; ++i) {
        ASSERT_TRUE(controller.post(platform::wm::kInitDialog, 0, 0));
    }
    for (const platform::MessageId message :
         {platform::wm::kNcCreate, platform::wm::kCreate, platform::wm::kDestroy, platform::wm::kNcDestroy,
          platform::wm::kQuit, platform::wm::kPaint}) {
        ASSERT_TRUE(controller.post(message, 0, 0x7FF0));
    }
    ASSERT_TRUE(controller.post(platform::wm::kTimer, 9, 0));
    EXPECT_TRUE(controller.runFor(10000)) << "still in its message loop";
    EXPECT_FALSE(controller.dlg()->destroyed());
    EXPECT_EQ(trace->count("Enter CSentrixdDlg::OnInitDialog"), 1u);
    EXPECT_EQ(controller.dlg()->m_cmdInfoList.size(), rules);
    EXPECT_EQ(world.sync().openHandleCount(), handles);

    // Its own close still tears it down and ends it.
    ASSERT_TRUE(controller.post(platform::wm::kClose, 0, 0));
    EXPECT_FALSE(controller.runFor(10));
    EXPECT_TRUE(trace->contains("Enter CSentrixdDlg::DestroyWindow"));
    EXPECT_EQ(world.sync().openHandleCount(), 0u);
}

} // namespace
