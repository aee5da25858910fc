// The scenario language played in real time by the firmware simulator's target: world steps
// reach the simulated hardware and show in the journal, the people and programs around the
// controller become program runs and posts, the controller's trace log lines (and the notices
// it only logs) join the timeline, and steps the real world cannot carry out fail with a reason.
#include "tools/firmware-sim/RealTimeTarget.h"

#include "tests/unit/firmware-sim/FakeProgramHost.h"

#include "sim/SimDesktop.h"
#include "sim/SimRegistry.h"
#include "sim/SimSync.h"
#include "tools/scenario/ScenarioParser.h"
#include "tools/scenario/ScenarioRunner.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

namespace {

// What the screen shows, as a test sets it; records the keys and clicks it is given.
struct FakeScreen final : fwsim::ScreenObserver {
    std::optional<MenuSight> menu;
    std::optional<NoticeSight> shownNotice;
    std::vector<unsigned> keys;
    std::vector<int> clicks;
    std::string refusal;
    std::optional<MenuSight> controlMenu() override { return menu; }
    std::optional<NoticeSight> notice() override { return shownNotice; }
    std::string pressMenuKey(unsigned virtualKey) override {
        keys.push_back(virtualKey);
        return refusal;
    }
    std::string clickNotice(int controlId) override {
        clicks.push_back(controlId);
        return refusal;
    }
};

struct ControllerWindow final : platform::WindowClient {
    std::vector<platform::Message> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        received.push_back({window, message, wParam, lParam});
        return 0;
    }
};

class RealTimeTargetTest : public ::testing::Test {
protected:
    RealTimeTargetTest() {
        hardware.setEventSink(&events);
        hardware.driver().start();
    }
    ~RealTimeTargetTest() override {
        hardware.driver().stop();
        std::error_code error;
        std::filesystem::remove_all(logFolder, error);
    }

    // Plays a scenario; the failures' texts, empty when every expectation held.
    std::vector<std::string> play(const std::string& text) {
        scenario::Scenario parsed;
        scenario::ScenarioError error;
        EXPECT_TRUE(scenario::parseScenario(text, "test.scn", parsed, error)) << error.text();
        if (!target) {
            target = std::make_unique<fwsim::RealTimeTarget>(journal, hardware, windowing, registry, host,
                                                             options);
        }
        scenario::ScenarioRunner runner(*target, journal);
        std::vector<std::string> failures;
        for (const scenario::ScenarioError& failure : runner.play(parsed).failures) {
            failures.push_back(failure.text());
        }
        return failures;
    }
    bool journalHas(scenario::EventKind kind, const std::string& fragment) {
        for (const scenario::Event& event : journal.events()) {
            if (event.kind == kind && event.text.find(fragment) != std::string::npos) {
                return true;
            }
        }
        return false;
    }
    void appendLog(const std::string& text) {
        const auto utc =
            sim::VirtualClock::fromEpochMs(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::system_clock::now().time_since_epoch())
                                               .count());
        std::ofstream(std::filesystem::path(fwsim::RealTimeTarget::datedLogPath(options.traceLogPath, utc)),
                      std::ios::binary | std::ios::app)
            << text;
    }

    struct NoEvents final : sim::EventSink {
        bool deliver(std::uint32_t) override { return false; }
    } events;
    fwsim::SimulatedHardware hardware;
    sim::VirtualClock desktopClock;
    sim::SimDesktop desktop{desktopClock};
    sim::SimSync sync;
    sim::UiThread& thread = desktop.createUiThread(0x500, 0x1a4);
    sim::SimWindowing windowing{desktop, thread, sync};
    sim::SimRegistry registry;
    testing_support::FakeProgramHost host;
    fwsim::RealTimeTarget::Options options;
    scenario::Journal journal;
    std::unique_ptr<fwsim::RealTimeTarget> target;
    std::filesystem::path logFolder =
        std::filesystem::temp_directory_path() /
        ("sentrix-target-test-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
};

TEST_F(RealTimeTargetTest, WorldStepsActOnTheSimulatedHardwareAndTheirEffectsJoinTheJournal) {
    const auto failures = play(R"(tv state standby input tuner
cable plug
wait 300ms
expect tv power standby
expect tv input tuner
tv send 0f 85
tv send 04 46
tv power-on
wait 300ms
expect frame "TV -> Broadcast: Request Active Source"
expect frame 04 46
expect tv power on
expect display panel
cecc busy 2
display arrangement hdmi
expect display hdmi
registry set HKCU\SOFTWARE\KORVATH\Sentrixd LauncherShowMode dword 1
expect registry HKCU\SOFTWARE\KORVATH\Sentrixd LauncherShowMode dword 1
expect registry HKCU\SOFTWARE\KORVATH\Sentrixd Missing missing
expect sound speaker
)");
    EXPECT_EQ(failures, std::vector<std::string>{});
    EXPECT_TRUE(
        journalHas(scenario::EventKind::FirmwareEvent, "hot plug high (0x1581), no controller to take it"));
    EXPECT_TRUE(journalHas(scenario::EventKind::Frame, "(0f 85)"));
    EXPECT_TRUE(journalHas(scenario::EventKind::Tv, "on, "));
    const auto stored =
        registry.getValue(platform::kHkeyCurrentUser, L"SOFTWARE\\KORVATH\\Sentrixd", L"LauncherShowMode");
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->type, 4u);
}

TEST_F(RealTimeTargetTest, PeopleAndProgramsBecomeProgramRunsAndPostsToTheController) {
    EXPECT_EQ(play("expect controller ended\ncontroller start exit First\nexpect controller running"),
              std::vector<std::string>{});
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0].program, L"Sentrixd.exe");
    EXPECT_EQ(host.started[0].arguments, (std::vector<std::wstring>{L"exit", L"First"}));

    host.exitCode = 0;
    EXPECT_TRUE(play("output-key").empty());
    host.exitCode = 1;
    EXPECT_TRUE(play("bridge turn-off-tv\nbridge change-output 256\nbridge tv-enhancement 3").empty());
    ASSERT_EQ(host.ran.size(), 4u);
    EXPECT_EQ(host.ran[0].program, L"Outswap.exe");
    EXPECT_TRUE(host.ran[0].arguments.empty());
    EXPECT_EQ(host.ran[1].program, L"BridgeClient.exe");
    EXPECT_EQ(host.ran[1].arguments, std::vector<std::wstring>{L"query-turn-off-tv"});
    EXPECT_EQ(host.ran[2].arguments, (std::vector<std::wstring>{L"change-hdmi-output", L"256"}));
    EXPECT_EQ(host.ran[3].arguments, (std::vector<std::wstring>{L"use-tv-enhancement", L"3"}));
    EXPECT_EQ(play("output-key"),
              std::vector<std::string>{"test.scn:1: Outswap.exe ended with exit code 1, expected 0"});
    host.exitCode.reset();
    EXPECT_EQ(play("bridge turn-off-tv"), std::vector<std::string>{"test.scn:1: did not end"});

    EXPECT_TRUE(play("key press browser-back").empty());
    EXPECT_EQ(host.keys, 1);

    // Posts reach the controller's window; without one they are noted as lost.
    EXPECT_TRUE(play("settings changed").empty());
    EXPECT_TRUE(journalHas(scenario::EventKind::Note, "no controller window"));
    ControllerWindow controller;
    ASSERT_NE(windowing.createDialogWindow(L"KorSentrixSuiteMain", controller), 0u);
    controller.received.clear();
    EXPECT_TRUE(
        play("settings changed\npc suspend\npc resume cec\nsession lock\nsession unlock\ncontroller stop")
            .empty());
    windowing.dispatchReady();
    ASSERT_EQ(controller.received.size(), 6u);
    EXPECT_EQ(controller.received[0].message, desktop.registerMessage(L"SENTRIXSET_CHANGED"));
    EXPECT_EQ(controller.received[1].message, platform::wm::kPowerBroadcast);
    EXPECT_EQ(controller.received[1].wParam, 4u);
    EXPECT_EQ(controller.received[2].wParam, 7u);
    EXPECT_EQ(controller.received[3].message, platform::wm::kWtsSessionChange);
    EXPECT_EQ(controller.received[3].wParam, 7u);
    EXPECT_EQ(controller.received[4].wParam, 8u);
    EXPECT_EQ(controller.received[5].message, platform::wm::kClose);

    host.runningNow[L"Sentrixd.exe"] = false;
    EXPECT_TRUE(play("wait 10ms\nexpect controller ended").empty());
    EXPECT_TRUE(journalHas(scenario::EventKind::Controller, "the controller has ended"));
}

TEST_F(RealTimeTargetTest, TheMachinesProgramsRunAndTheirExitCodesProcessesAndFilesAreSeen) {
    EXPECT_EQ(play("expect exit 0"),
              std::vector<std::string>{"test.scn:1: no program has been run (program run)"});
    host.exitCode = 3;
    EXPECT_EQ(
        play("program start KeyLog.exe C:\\log\\keys.txt\nprogram run \"C:\\Program Files\\X.exe\" a b\n"
             "expect exit 3\nexpect process KeyLog.exe running"),
        std::vector<std::string>{});
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0].program, L"KeyLog.exe");
    EXPECT_EQ(host.started[0].arguments, std::vector<std::wstring>{L"C:\\log\\keys.txt"});
    ASSERT_EQ(host.ran.size(), 1u);
    EXPECT_EQ(host.ran[0].program, L"C:\\Program Files\\X.exe");
    EXPECT_EQ(host.ran[0].arguments, (std::vector<std::wstring>{L"a", L"b"}));
    EXPECT_TRUE(journalHas(scenario::EventKind::Note, "X.exe ended with exit code 3"));
    EXPECT_EQ(
        play("expect exit 0\ncable plug"),
        std::vector<std::string>{"test.scn:1: the last program run ended with exit code 3, expected 0"});
    EXPECT_FALSE(hardware.driver().withWorld([&] { return hardware.peers().cablePlugged(); }))
        << "nothing after the failed step ran";
    host.exitCode.reset();
    EXPECT_EQ(play("program run Outswap.exe"), std::vector<std::string>{"test.scn:1: did not end"});
    EXPECT_EQ(play("program start missing.exe"),
              std::vector<std::string>{"test.scn:1: program missing.exe not found in the program folders"});

    EXPECT_EQ(play("expect process Other.exe ended"),
              std::vector<std::string>{"test.scn:1: no program Other.exe was started"});
    EXPECT_EQ(play("expect process KeyLog.exe ended within 50ms"),
              std::vector<std::string>{"test.scn:1: KeyLog.exe still runs (waited 50 ms)"});
    host.runningNow[L"KeyLog.exe"] = false;
    EXPECT_TRUE(play("expect process KeyLog.exe ended within 100ms").empty());

    std::filesystem::create_directories(logFolder);
    const std::string path = (logFolder / "keys.txt").string();
    EXPECT_EQ(play("expect file \"" + path + "\" ready;"),
              std::vector<std::string>{"test.scn:1: cannot read " + path});
    std::ofstream(path, std::ios::binary) << "started: ;ready;11 down;43 down;11 up;43 up;";
    EXPECT_TRUE(
        play("expect file \"" + path + "\" \"ready;11 down;43 down;11 up;43 up;\" within 100ms").empty());
    EXPECT_EQ(
        play("expect file \"" + path + "\" \"11 down;11 up;\""),
        std::vector<std::string>{"test.scn:1: the file " + path + " does not contain \"11 down;11 up;\""});
}

TEST_F(RealTimeTargetTest, AnExpectationWithinABoundWaitsInRealTimeForWhatTheWorldDoes) {
    // The frame is sent about 300 ms after the expectation starts to wait for it.
    std::thread tv([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        hardware.driver().withWorld([&] {
            hardware.peers().tv().sendRaw(
                sim::makeFrameFromBytes(std::vector<std::uint8_t>{0x04, 0x8F}.data(), 2));
        });
    });
    const auto failures = play("cable plug\nexpect frame 04 8f within 3s\nexpect frame 04 8f within 100ms");
    tv.join();
    ASSERT_EQ(failures.size(), 1u) << "the second finds no further frame";
    EXPECT_NE(failures[0].find("test.scn:3: no frame 04 8f on the bus after the frame matched"),
              std::string::npos)
        << failures[0];
}

TEST_F(RealTimeTargetTest, FirmwareSettingsAndTheTraceLogFileAreTheSimulatorsAndTheMachines) {
    hardware.driver().withWorld([&] { hardware.firmware().setSetting(0x154, 0); });
    EXPECT_TRUE(play("expect firmware setting 154 0\nexpect firmware setting 155 1\n"
                     "expect firmware hdmi-control off")
                    .empty());
    EXPECT_EQ(play("expect firmware setting 154 1"),
              std::vector<std::string>{"test.scn:1: firmware setting 0x154 is 0, expected 1"});

    EXPECT_EQ(play("expect log-layout"),
              std::vector<std::string>{"test.scn:1: no trace log given (--trace-log)"});
    target.reset();
    std::filesystem::create_directories(logFolder);
    options.traceLogPath = (logFolder / "Sentrixd.log").wstring();
    appendLog(" :TID[0x1a4][2026/12/07 09:00:00.125] .\\SentrixdDlg.cpp (120) : Enter x\r\n");
    EXPECT_TRUE(play("expect log-layout").empty());
    appendLog("no layout\r\n");
    EXPECT_EQ(play("expect log-layout"),
              std::vector<std::string>{"test.scn:1: the trace log, line 2: not in the layout: no layout"});
}

TEST_F(RealTimeTargetTest, MeasuringAProgramThatIsNotRunningFailsWithTheReason) {
    EXPECT_EQ(play("measure idle Sentrixd.exe 10ms"),
              std::vector<std::string>{"test.scn:1: no usage of Sentrixd.exe"});
}

TEST_F(RealTimeTargetTest, TheLogFileIsNamedAfterTheDayLikeTheTraceLogNamesIt) {
    platform::SystemTime day;
    day.year = 2026;
    day.month = 12;
    day.day = 7;
    EXPECT_EQ(fwsim::RealTimeTarget::datedLogPath(L"C:\\trace\\ctl.log", day), L"C:\\trace\\ctl_2026127.log");
    EXPECT_EQ(fwsim::RealTimeTarget::datedLogPath(L"C:\\tr.ace\\ctl", day), L"C:\\tr.ace\\ctl_2026127");
    day.month = 1;
    day.day = 31;
    EXPECT_EQ(fwsim::RealTimeTarget::datedLogPath(L"ctl.x.log", day), L"ctl.x_2026131.log");
}

TEST_F(RealTimeTargetTest, TheTraceLogsLinesAndTheNoticesItLogsJoinTheTimeline) {
    std::filesystem::create_directories(logFolder);
    options.traceLogPath = (logFolder / "Sentrixd.log").wstring();
    appendLog(
        " :TID[0x1a4][2026/12/07 09:00:00.125] .\\SentrixdDlg.cpp (120) : Enter CSentrixdDlg::OnInitDialog "
        "\r\n"
        " :TID[0x1a4][2026/12/07 09:00:05.000] .\\NotifyCecInfoDialogs.cpp (39) : Show notification dialog "
        "(variant 1)\r\n :TID[0x1a4][2026/12/07 09:00:05.0");
    EXPECT_EQ(play("wait 100ms\nexpect log \".\\SentrixdDlg.cpp (120) : Enter CSentrixdDlg::OnInitDialog\"\n"
                   "expect notification supported\nexpect no log \"half\""),
              std::vector<std::string>{});
    appendLog("01] .\\X.cpp (1) : half a line, then the rest\r\n");
    EXPECT_TRUE(play("wait 100ms\nexpect log \"half a line, then the rest\"").empty());
}

TEST_F(RealTimeTargetTest, StepsTheRealWorldCannotCarryOutFailWithTheReason) {
    const std::pair<const char*, const char*> cases[] = {
        {"registry delete-key HKCU\\SOFTWARE\\KORVATH",
         "deleting from the registry is not available in real time"},
        {"library remove Panelid.dll",
         "the installed libraries are set up by the machine, not by a step in real time"},
        {"system model Vireo", "the system's language and model are the real machine's"},
        {"message-box answer ok", "message boxes are not answered in real time"},
        {"sound-changer running", "there is no sound-output changer in real time (it is missing)"},
    };
    for (const auto& [step, reason] : cases) {
        EXPECT_EQ(play(step), std::vector<std::string>{std::string("test.scn:1: ") + reason}) << step;
    }
    EXPECT_TRUE(play("sound-changer missing\nfirmware device present").empty());
}

TEST_F(RealTimeTargetTest, TheMenuAndTheNoticeAreWhatTheScreenShows) {
    // Without eyes on the screen neither can be seen or used.
    EXPECT_EQ(play("expect menu hidden\nexpect notice closed").size(), 0u);
    EXPECT_EQ(play("menu key down"),
              std::vector<std::string>{"test.scn:1: the control menu cannot be seen here"});
    target.reset();

    FakeScreen screen;
    options.screen = &screen;
    fwsim::ScreenObserver::MenuSight menu;
    menu.visible = true;
    menu.entries = {L"KORVATH DVD PLAYER", L"Close this menu."};
    menu.selected = 1;
    menu.picture = "Z:\\shots\\screen-01-menu.bmp";
    screen.menu = menu;
    EXPECT_EQ(play("expect menu visible\nexpect menu entries \"KORVATH DVD PLAYER | Close this menu.\"\n"
                   "expect menu selected \"Close this menu.\"\nexpect menu drawn"),
              std::vector<std::string>{});
    EXPECT_TRUE(journalHas(scenario::EventKind::Note,
                           "screenshot of the control menu: Z:\\shots\\screen-01-menu.bmp"));

    screen.menu->faults = {"the menu is not topmost", "item 0 fill: screen 0x000000, expected RGB 0x0E2B3E"};
    EXPECT_EQ(play("expect menu drawn"),
              std::vector<std::string>{
                  "test.scn:1: the control menu is drawn wrongly: the menu is not topmost; item 0 "
                  "fill: screen 0x000000, expected RGB 0x0E2B3E"});
    screen.menu->visible = false;
    EXPECT_EQ(play("expect menu hidden").size(), 0u);
    EXPECT_EQ(play("expect menu drawn"), std::vector<std::string>{"test.scn:1: the control menu is hidden"});

    EXPECT_EQ(play("menu key up\nmenu key enter\nmenu key 31").size(), 0u);
    EXPECT_EQ(screen.keys, (std::vector<unsigned>{0x26, 0x0D, 0x31}));

    fwsim::ScreenObserver::NoticeSight notice;
    notice.open = true;
    notice.title = L"HDMI Control";
    notice.checkBoxText = L"Do not display this message in the future.";
    screen.shownNotice = notice;
    EXPECT_EQ(play("expect notice open\nexpect notice unchecked\nexpect notice title \"HDMI Control\"\n"
                   "expect notice drawn\nnotice check\nnotice ok\nnotice close\nnotice escape"),
              std::vector<std::string>{});
    EXPECT_EQ(screen.clicks, (std::vector<int>{1007, 1, 0, 2}));
    screen.shownNotice->open = false;
    EXPECT_EQ(play("expect notice drawn"), std::vector<std::string>{"test.scn:1: the notice is closed"});

    screen.refusal = "no notice is open";
    EXPECT_EQ(play("notice ok"), std::vector<std::string>{"test.scn:1: no notice is open"});
}

} // namespace
