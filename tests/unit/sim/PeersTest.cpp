// The peers of a simulated world wired together, as the controller meets them: cable plug and
// unplug with their events, the event service with and without the controller's window, the
// key hook of the bridge library, the sound-output changer by message and by program start,
// and the small system ports.
#include "sim/Peers.h"
#include "common/HardIO.h"
#include "sim/SimSync.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct ControllerWindow final : platform::WindowClient {
    std::vector<platform::Message> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        if (message != platform::wm::kInitDialog) {
            received.push_back({window, message, wParam, lParam});
        }
        return 0;
    }
};

class PeersTest : public ::testing::Test {
protected:
    void openControllerWindow() { window = windowing.createDialogWindow(L"KorSentrixSuiteMain", controller); }

    // The event codes the controller's window received so far.
    std::vector<platform::WParam> receivedEvents() {
        windowing.dispatchReady();
        const platform::MessageId tiles = desktop.registerMessage(L"KORVATH_TILES_NOTIFY_EVENT");
        std::vector<platform::WParam> codes;
        for (const platform::Message& m : controller.received) {
            if (m.message == tiles) {
                codes.push_back(m.wParam);
            }
        }
        return codes;
    }

    sim::VirtualClock clock;
    sim::SimDesktop desktop{clock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(100, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    sim::SimFirmware firmware{clock};
    sim::SimLibraries libraries{clock};
    sim::Peers peers{clock, desktop, firmware, libraries};
    ControllerWindow controller;
    platform::WindowHandle window = 0;
};

TEST_F(PeersTest, PluggingTheCableConnectsTvBusAndDisplayAndRaisesHotPlugHighLater) {
    openControllerWindow();
    clock.advanceTo(1000);
    peers.plugCable();
    EXPECT_TRUE(firmware.hdmiConnected());
    EXPECT_TRUE(peers.bus().isPresent(0));
    EXPECT_TRUE(peers.display().hdmiAttached());
    EXPECT_FALSE(peers.display().hdmiDetected());
    clock.advanceTo(1099);
    EXPECT_TRUE(receivedEvents().empty());
    clock.advanceTo(1100);
    EXPECT_EQ(receivedEvents(), std::vector<platform::WParam>{0x1581});
    clock.advanceTo(3000);
    std::uint8_t edid[256] = {};
    EXPECT_EQ(peers.display().getPanelid(edid), 0);
    const sim::TvModel::Edid tvEdid = peers.tv().edid();
    EXPECT_TRUE(std::equal(tvEdid.begin(), tvEdid.end(), edid));

    peers.plugCable(); // already plugged
    clock.advanceTo(4000);
    EXPECT_EQ(receivedEvents().size(), 1u);

    peers.unplugCable();
    EXPECT_EQ(receivedEvents(), (std::vector<platform::WParam>{0x1581, 0x1580}));
    EXPECT_FALSE(firmware.hdmiConnected());
    EXPECT_FALSE(peers.bus().isPresent(0));
    EXPECT_EQ(peers.display().arrangement(), 0x1u);
    EXPECT_EQ(peers.display().getPanelid(edid), -2);
}

TEST_F(PeersTest, AnUnplugBeforeTheHotPlugHighEventCancelsIt) {
    openControllerWindow();
    peers.plugCable();
    clock.advanceTo(50);
    peers.unplugCable();
    clock.advanceTo(1000);
    EXPECT_EQ(receivedEvents(), std::vector<platform::WParam>{0x1580});
}

TEST_F(PeersTest, EventsReachTheControllerWindowOnlyWhileItExists) {
    peers.remoteKey(0x23);
    ASSERT_EQ(peers.events().events().size(), 1u);
    EXPECT_EQ(peers.events().events()[0].code, 0x1623u);
    EXPECT_FALSE(peers.events().events()[0].delivered);

    openControllerWindow();
    clock.advanceTo(10);
    peers.remoteKey(0x44);
    EXPECT_TRUE(peers.events().events()[1].delivered);
    EXPECT_EQ(peers.events().events()[1].time, 10u);
    EXPECT_EQ(receivedEvents(), std::vector<platform::WParam>{0x1644});
    // Posted by the event service's own process.
    EXPECT_EQ(desktop.posts().back().fromProcess, peers.events().processId());
    EXPECT_EQ(desktop.posts().back().lParam, 0);

    // A message box of the same class is no controller window.
    windowing.destroyWindow(window);
    sim::SimDesktop::WindowInfo box;
    box.className = L"#32770";
    box.title = L"HDMI Control";
    desktop.addModelWindow(box, nullptr);
    EXPECT_FALSE(peers.events().post(0x1500));
}

TEST_F(PeersTest, WithASinkSetEventsGoThereInsteadOfTheSimulatedDesktop) {
    struct Sink final : sim::EventSink {
        std::vector<std::uint32_t> codes;
        bool accept = true;
        bool deliver(std::uint32_t code) override {
            codes.push_back(code);
            return accept;
        }
    } sink;
    openControllerWindow();
    peers.events().setSink(&sink);
    peers.plugCable();
    clock.advanceTo(200);
    peers.remoteKey(0x44);
    sink.accept = false;
    peers.unplugCable();
    EXPECT_EQ(sink.codes, (std::vector<std::uint32_t>{0x1581, 0x1644, 0x1580}));
    EXPECT_TRUE(receivedEvents().empty()) << "nothing reaches the simulated desktop";
    ASSERT_EQ(peers.events().events().size(), 3u);
    EXPECT_EQ(peers.events().events()[0].time, 100u);
    EXPECT_TRUE(peers.events().events()[1].delivered);
    EXPECT_FALSE(peers.events().events()[2].delivered) << "what the sink answered";

    peers.events().setSink(nullptr);
    peers.remoteKey(0x23);
    EXPECT_EQ(receivedEvents(), std::vector<platform::WParam>{0x1623});
}

TEST_F(PeersTest, TheCeccOfTheWorldIsReachedThroughTheFirmware) {
    HardIO hardIO(firmware);
    ASSERT_TRUE(hardIO.initialize());
    peers.plugCable();
    FirmwareRecord command;
    command.w0 = fw::kWriteRegister;
    command.w1 = fw::kRegisterCeccCommand;
    command.w2 = 0x0230; // notify physical address, 2 bytes
    command.w3 = 0x0010; // 1.0.0.0
    FirmwareRecord accepted;
    ASSERT_TRUE(hardIO.invoke(command, accepted));
    EXPECT_EQ(accepted.w0, 0u);
    clock.advanceTo(200);
    FirmwareRecord read;
    read.w0 = fw::kReadRegister;
    read.w1 = fw::kRegisterCecc;
    read.w2 = fw::kSelectorCeccReply;
    FirmwareRecord reply;
    ASSERT_TRUE(hardIO.invoke(read, reply));
    EXPECT_EQ(reply.w2, 0x0532u);     // code 0x32, 5 bytes
    EXPECT_EQ(reply.w3, 0x11001011u); // TV answers and address valid; 1.0.0.0; flags of 0 and 4
    EXPECT_EQ(peers.cecc().logicalAddress(), 4);

    // A TV without CEC on the same cable.
    peers.setTvWithoutCec(true);
    EXPECT_FALSE(peers.bus().isPresent(0));
    EXPECT_EQ(peers.cecc().certificationStatus()[0] & 0x10, 0);
    peers.setTvWithoutCec(false);
    EXPECT_TRUE(peers.bus().isPresent(0));
}

TEST_F(PeersTest, TheKeyHookReportsBrowserBackToTheControllerWhileInstalled) {
    wchar_t folder[260];
    ASSERT_TRUE(peers.shell().commonProgramFilesFolder(folder, 260));
    const std::wstring path = std::wstring(folder) + L"\\Korvath Shared\\TVBRIDGE.dll";
    const platform::LibraryHandle bridge = libraries.load(path.c_str());
    ASSERT_NE(bridge, 0u);
    const auto setHook =
        reinterpret_cast<sim::SimKeyboard::SetKeyHookFn>(libraries.bind(bridge, "HDMIHOOK_SetKeyHook"));
    const auto resetHook =
        reinterpret_cast<sim::SimKeyboard::ResetKeyHookFn>(libraries.bind(bridge, "HDMIHOOK_ResetKeyHook"));
    ASSERT_NE(setHook, nullptr);
    ASSERT_NE(resetHook, nullptr);
    const auto hookProc =
        reinterpret_cast<sim::SimKeyboard::KeyHookProcFn>(libraries.bind(bridge, "HDMIHOOK_KeyHookProc"));
    ASSERT_NE(hookProc, nullptr);

    openControllerWindow();
    peers.keyboard().pressKey(0xA6); // no hook yet
    EXPECT_TRUE(controller.received.empty());

    EXPECT_EQ(setHook(), 1);
    peers.keyboard().pressKey(0xA6);
    peers.keyboard().pressKey(0x41);
    windowing.dispatchReady();
    ASSERT_EQ(controller.received.size(), 2u); // key down and key up
    EXPECT_EQ(controller.received[0].message, 0x8486u);
    EXPECT_EQ(controller.received[0].wParam, 0u);
    EXPECT_EQ(controller.received[0].lParam, 0);
    EXPECT_EQ(peers.keyboard().transitions().size(), 6u);
    hookProc(3, 0xA6, 0); // HC_NOREMOVE: a program peeked at the keystroke, which is still to come
    windowing.dispatchReady();
    EXPECT_EQ(controller.received.size(), 2u);

    EXPECT_EQ(resetHook(), 1);
    EXPECT_EQ(resetHook(), 0);
    peers.keyboard().pressKey(0xA6);
    windowing.dispatchReady();
    EXPECT_EQ(controller.received.size(), 2u);

    // Installed twice: only the second handle is kept, the first hook stays for good.
    setHook();
    setHook();
    EXPECT_EQ(resetHook(), 1);
    peers.keyboard().pressKey(0xA6);
    windowing.dispatchReady();
    EXPECT_EQ(controller.received.size(), 4u);

    // Without the controller the key still goes through and nothing is posted.
    windowing.destroyWindow(window);
    peers.keyboard().pressKey(0xA6);
    EXPECT_EQ(peers.keyboard().transitions().back().posts, 0);
}

TEST_F(PeersTest, TheSoundChangerFollowsItsMessageWhileRunning) {
    sim::SoundOutputModel& sound = peers.sound();
    EXPECT_EQ(windowing.findWindow(L"#32770", L"KorTonemux"), 0u);
    sound.startRunning();
    const platform::WindowHandle tonemux = windowing.findWindow(L"#32770", L"KorTonemux");
    ASSERT_NE(tonemux, 0u);
    const platform::MessageId changeSound = windowing.registerMessage(L"SENTRIX_CHANGESOUND");
    windowing.postMessage(tonemux, changeSound, 1, 0);
    EXPECT_EQ(sound.output(), sim::SoundOutputModel::Output::Speaker); // it reads its queue when time runs
    clock.runDue();
    EXPECT_EQ(sound.output(), sim::SoundOutputModel::Output::Hdmi);
    windowing.postMessage(tonemux, changeSound, 7, 0);
    windowing.postMessage(tonemux, changeSound + 1, 2, 0); // another message
    clock.runDue();
    EXPECT_EQ(sound.output(), sim::SoundOutputModel::Output::Hdmi);
    windowing.postMessage(tonemux, changeSound, 2, 0);
    clock.runDue();
    EXPECT_EQ(sound.output(), sim::SoundOutputModel::Output::Speaker);
    ASSERT_EQ(sound.messages().size(), 3u);
    EXPECT_FALSE(sound.messages()[1].applied);
    EXPECT_EQ(sound.changes().size(), 2u);

    sound.stopRunning();
    EXPECT_EQ(windowing.findWindow(L"#32770", L"KorTonemux"), 0u);
}

TEST_F(PeersTest, StartedByTheShellTheSoundChangerSetsTheOutputOfItsCommandLine) {
    sim::SimShell& shell = peers.shell();
    wchar_t module[260];
    ASSERT_GT(shell.moduleFileName(module, 260), 0u);
    std::wstring tonemux(module);
    tonemux = tonemux.substr(0, tonemux.rfind(L'\\') + 1) + L"Tonemux.exe";

    clock.advanceTo(100);
    EXPECT_TRUE(shell.shellExecute(tonemux.c_str(), L"/HDMI", platform::sw::kHide));
    clock.advanceTo(399);
    EXPECT_EQ(peers.sound().output(), sim::SoundOutputModel::Output::Speaker);
    clock.advanceTo(400);
    EXPECT_EQ(peers.sound().output(), sim::SoundOutputModel::Output::Hdmi);
    EXPECT_FALSE(peers.sound().running()); // it set the output and ended

    EXPECT_TRUE(shell.shellExecute(tonemux.c_str(), L"/BOGUS", platform::sw::kHide));
    EXPECT_TRUE(shell.shellExecute(L"c:\\program files\\korvath\\sentrix\\TONEMUX.EXE", L"/SPEAKER", 0));
    clock.advanceTo(1000);
    EXPECT_EQ(peers.sound().output(), sim::SoundOutputModel::Output::Speaker);
    EXPECT_FALSE(shell.shellExecute(L"C:\\Windows\\Tonemux.exe", L"/HDMI", 0)); // not the controller's folder
    EXPECT_FALSE(shell.shellExecute(nullptr, nullptr, 0));
    ASSERT_EQ(shell.executes().size(), 5u);
    EXPECT_EQ(shell.executes()[0].time, 100u);
    EXPECT_EQ(shell.executes()[0].parameters, L"/HDMI");
    EXPECT_EQ(shell.executes()[0].showCommand, platform::sw::kHide);
    EXPECT_FALSE(shell.executes()[3].started);
}

// A long run forgets what the peers recorded between its parts; every record a peer keeps must
// go, or the run's memory grows with every event.
TEST_F(PeersTest, ClearRecordsForgetsEveryPeerRecordButNotWhatThePeersAreNow) {
    peers.plugCable();
    clock.advanceTo(1000);
    peers.bus().transmit(sim::makeFrame(4, 0, sim::cecop::kFeatureAbort, {0x92, 0x03}));
    peers.sound().startProgram(L"/HDMI");
    clock.advanceTo(2000);
    peers.session().setThreadExecutionState(sim::SimSession::kEsContinuous | platform::kEsDisplayRequired);
    ASSERT_EQ(peers.tv().featureAborts().size(), 1u);
    ASSERT_EQ(peers.sound().starts().size(), 1u);
    ASSERT_EQ(peers.sound().changes().size(), 1u);
    ASSERT_EQ(peers.session().executionStateCalls().size(), 1u);

    peers.clearRecords();
    EXPECT_TRUE(peers.tv().featureAborts().empty());
    EXPECT_TRUE(peers.tv().received().empty());
    EXPECT_TRUE(peers.bus().records().empty());
    EXPECT_TRUE(peers.sound().starts().empty());
    EXPECT_TRUE(peers.sound().messages().empty());
    EXPECT_TRUE(peers.sound().changes().empty());
    EXPECT_TRUE(peers.session().executionStateCalls().empty());
    EXPECT_TRUE(peers.cablePlugged());
    EXPECT_EQ(peers.sound().output(), sim::SoundOutputModel::Output::Hdmi);
    EXPECT_EQ(peers.session().executionState(),
              sim::SimSession::kEsContinuous | platform::kEsDisplayRequired);
}

TEST_F(PeersTest, TheSmallSystemPortsAnswerAsWindowsDoesAndFailOnRequest) {
    sim::SimShell& shell = peers.shell();
    wchar_t buffer[16];
    EXPECT_EQ(shell.moduleFileName(buffer, 16), 16u); // cut and terminated
    EXPECT_EQ(std::wstring(buffer), L"C:\\Program File");
    shell.setCommonFilesFolderFailing(true);
    wchar_t folder[260];
    EXPECT_FALSE(shell.commonProgramFilesFolder(folder, 260));
    EXPECT_TRUE(shell.initCommonControls(0xFF));
    EXPECT_EQ(shell.commonControls().back().classes, 0xFFu);

    sim::SimLocale& locale = peers.locale();
    wchar_t language[8];
    EXPECT_EQ(locale.systemDefaultLanguage(language, 8), 5);
    EXPECT_EQ(std::wstring(language), L"0409");
    EXPECT_EQ(locale.systemDefaultLanguage(language, 4), 0);
    locale.setLanguage(L"0411");
    locale.setFailing(true);
    EXPECT_EQ(locale.systemDefaultLanguage(language, 8), 0);

    sim::SimWmi& wmi = peers.wmi();
    EXPECT_TRUE(wmi.initializeSecurity());
    const platform::WmiConnection connection = wmi.connect(L"\\\\.\\root\\cimv2");
    ASSERT_NE(connection, 0u);
    std::wstring model;
    EXPECT_TRUE(wmi.firstInstanceString(connection, L"Win32_ComputerSystem", L"Model", model));
    EXPECT_EQ(model, L"Vireo VX-7 Series");
    EXPECT_FALSE(wmi.firstInstanceString(connection, L"Win32_BIOS", L"Model", model));
    wmi.release(connection);
    EXPECT_FALSE(wmi.firstInstanceString(connection, L"Win32_ComputerSystem", L"Model", model));
    wmi.setConnectFailing(true);
    EXPECT_EQ(wmi.connect(L"\\\\.\\root\\cimv2"), 0u);

    sim::SimSession& session = peers.session();
    EXPECT_EQ(session.activeConsoleSessionId(), 1u);
    EXPECT_TRUE(session.registerSessionNotification(0x10010));
    EXPECT_TRUE(session.isRegistered(0x10010));
    clock.advanceTo(500);
    EXPECT_NE(session.setThreadExecutionState(platform::kEsDisplayRequired), 0u);
    ASSERT_EQ(session.executionStateCalls().size(), 1u);
    EXPECT_EQ(session.executionStateCalls()[0].time, 500u);
    EXPECT_EQ(session.executionStateCalls()[0].flags, platform::kEsDisplayRequired);
}

} // namespace
