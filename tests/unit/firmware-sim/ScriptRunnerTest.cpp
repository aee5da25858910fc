// The firmware simulator's step player against its simulated hardware in real time, a simulated
// desktop standing in for the real windows and a recorder for the programs: frame expectations
// with their cursor and gap, window and program expectations, posts, the trace log's counts and
// layout, and the first failing step ending the run.
#include "tools/firmware-sim/ScriptRunner.h"

#include "tests/unit/firmware-sim/FakeProgramHost.h"

#include "sim/SimDesktop.h"
#include "sim/SimSync.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using FakeHost = testing_support::FakeProgramHost;

struct ControllerWindow final : platform::WindowClient {
    std::vector<platform::Message> received;
    platform::LResult windowProc(platform::WindowHandle window, platform::MessageId message,
                                 platform::WParam wParam, platform::LParam lParam) override {
        received.push_back({window, message, wParam, lParam});
        return 0;
    }
};

platform::SystemTime utcNow() {
    return sim::VirtualClock::fromEpochMs(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::system_clock::now().time_since_epoch())
                                              .count());
}

class ScriptRunnerTest : public ::testing::Test {
protected:
    ScriptRunnerTest() {
        hardware.setEventSink(&events);
        hardware.driver().start();
    }
    ~ScriptRunnerTest() override {
        hardware.driver().stop();
        std::error_code error;
        std::filesystem::remove_all(logFolder, error);
    }

    // Plays steps with one runner, which keeps its cursor, mark and last exit code from play to play.
    bool play(const std::string& script) {
        const fwsim::ParsedScript parsed = fwsim::parseScript(script);
        EXPECT_FALSE(parsed.error) << (parsed.error ? parsed.error->message : "");
        output.str("");
        if (!runner) {
            runner = std::make_unique<fwsim::ScriptRunner>(hardware, windowing, host, options, output);
        }
        return runner->run(parsed.steps);
    }
    void useLog() {
        std::filesystem::create_directories(logFolder);
        options.traceLogPath = (logFolder / "Sentrixd.log").wstring();
        runner.reset();
    }
    void appendLog(const std::string& text) {
        const std::filesystem::path file(fwsim::ScriptRunner::datedLogPath(options.traceLogPath, utcNow()));
        std::ofstream(file, std::ios::binary | std::ios::app) << text;
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
    FakeHost host;
    fwsim::RunnerOptions options;
    std::ostringstream output;
    std::unique_ptr<fwsim::ScriptRunner> runner;
    std::filesystem::path logFolder =
        std::filesystem::temp_directory_path() /
        ("sentrix-runner-test-" +
         std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
};

TEST_F(ScriptRunnerTest, FrameExpectationsFollowTheBusInOrderAndMeasureTheGap) {
    EXPECT_TRUE(play(R"(plug
tv send 0x04 0x46
wait 300
tv send 0x04 0x8C
expect frame 0x46 from tv to 4 within 2000
expect frame 0x8C from tv within 2000 gap 300 tolerance 250
expect no-frame 0x46 for 100
)")) << output.str();
    EXPECT_NE(output.str().find("seen at"), std::string::npos);

    // The cursor moved past both frames: the first one is not found again.
    EXPECT_FALSE(play("expect frame 0x46 within 100"));
    EXPECT_EQ(runner->failure(), "line 1: expect frame 0x46 within 100: no such frame");
    // After a mark only later frames count; a gap needs an earlier match.
    EXPECT_FALSE(play("mark\ntv send 0x04 0x46\nexpect frame 0x46 within 2000 gap 0"));
    EXPECT_EQ(runner->failure(),
              "line 3: expect frame 0x46 within 2000 gap 0: no earlier frame to measure the gap from");
    EXPECT_FALSE(play("tv send 0x04 0x87 0x00 0xE0 0x91\nexpect frame 0x87 within 1000 operands 0x00 0xE0"))
        << "only the whole operand list matches";
    EXPECT_TRUE(play("expect frame 0x87 operands 0x00 0xE0 0x91"));
    EXPECT_FALSE(play("tv send 0x04 0x46\nexpect no-frame 0x46 for 2000"));
    EXPECT_NE(runner->failure().find("seen: TV -> Playback 1: Give OSD Name"), std::string::npos)
        << runner->failure();
}

TEST_F(ScriptRunnerTest, ThePcsAddressIsTheOneItsCecControllerHolds) {
    // Without a logical address the PC sends nothing that "from pc" could match; the TV's frame
    // is not from the PC.
    EXPECT_FALSE(play("plug\ntv send 0x0F 0x85\nexpect frame 0x85 from pc within 500"));
    EXPECT_TRUE(play("expect frame 0x85 from tv to broadcast within 500")) << output.str();
}

TEST_F(ScriptRunnerTest, ProgramsWindowsAndPostsAsTheStepsAskAndTheFirstFailureEndsTheRun) {
    EXPECT_TRUE(play(R"(start Sentrixd.exe
run Outswap.exe
expect exit 0
expect process Sentrixd.exe running
press-key 0xA6
)")) << output.str();
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0].program, L"Sentrixd.exe");
    ASSERT_EQ(host.ran.size(), 1u);
    EXPECT_EQ(host.ran[0].program, L"Outswap.exe");
    EXPECT_EQ(host.keys, 1);

    host.exitCode = 3;
    EXPECT_FALSE(play("run BridgeClient.exe\nexpect exit 0\nplug"));
    EXPECT_EQ(runner->failure(), "line 2: expect exit 0: exit code 3, expected 0");
    EXPECT_EQ(hardware.driver().withWorld([&] { return hardware.peers().cablePlugged(); }), false)
        << "nothing after the failed step ran";
    EXPECT_FALSE(play("start missing.exe"));
    EXPECT_EQ(runner->failure(),
              "line 1: start missing.exe: program missing.exe not found in the program folders");
    EXPECT_FALSE(play("expect process Other.exe ended"));
    EXPECT_EQ(runner->failure(), "line 1: expect process Other.exe ended: no program Other.exe was started");
    host.runningNow[L"Sentrixd.exe"] = false;
    EXPECT_TRUE(play("expect process Sentrixd.exe ended within 100"));

    EXPECT_FALSE(play("expect window present within 50"));
    EXPECT_FALSE(play("post QUICKMENU_NOTIFY_LAUNCH_BIRCH"));
    EXPECT_EQ(runner->failure(), "line 1: post QUICKMENU_NOTIFY_LAUNCH_BIRCH: no controller window");
    ControllerWindow controller;
    const platform::WindowHandle window = windowing.createDialogWindow(L"KorSentrixSuiteMain", controller);
    ASSERT_NE(window, 0u);
    EXPECT_TRUE(play("expect window present\npost QUICKMENU_NOTIFY_LAUNCH_BIRCH 7")) << output.str();
    controller.received.clear();
    windowing.dispatchReady();
    ASSERT_EQ(controller.received.size(), 1u);
    EXPECT_EQ(controller.received[0].message, desktop.registerMessage(L"QUICKMENU_NOTIFY_LAUNCH_BIRCH"));
    EXPECT_EQ(controller.received[0].wParam, 7u);
    EXPECT_FALSE(play("expect window absent within 50"));
    EXPECT_EQ(runner->failure(),
              "line 1: expect window absent within 50: the controller window is still there");
}

TEST_F(ScriptRunnerTest, TheDisplayExpectationWaitsForTheArrangement) {
    EXPECT_TRUE(play("expect display 0x1"));
    EXPECT_FALSE(play("expect display 0x100 within 100"));
    EXPECT_EQ(runner->failure(), "line 1: expect display 0x100 within 100: the arrangement is 0x1");
}

TEST_F(ScriptRunnerTest, LogExpectationsCountFromTheMarkInTheDateNamedFile) {
    EXPECT_FALSE(play("expect log \"Enter\""));
    EXPECT_EQ(runner->failure(), "line 1: expect log \"Enter\": no trace log given (--trace-log)");
    useLog();
    EXPECT_FALSE(play("expect log \"Enter\""));
    EXPECT_NE(runner->failure().find("cannot read"), std::string::npos) << runner->failure();

    appendLog("Received Message:WM_HOOK_BROWSERBACK\r\n");
    EXPECT_TRUE(play("expect log WM_HOOK_BROWSERBACK count 1"));
    EXPECT_TRUE(play("mark\nexpect log WM_HOOK_BROWSERBACK count 0 within 50"));
    EXPECT_FALSE(play("mark\nexpect log WM_HOOK_BROWSERBACK within 50"));
    EXPECT_EQ(runner->failure(),
              "line 2: expect log WM_HOOK_BROWSERBACK within 50: found 0 time(s) since the mark");

    // Two lines after the mark: "count 2" holds, "count 1" does not.
    EXPECT_TRUE(play("mark"));
    appendLog("a WM_HOOK_BROWSERBACK\r\nb WM_HOOK_BROWSERBACK\r\n");
    EXPECT_FALSE(play("expect log WM_HOOK_BROWSERBACK count 1"));
    EXPECT_TRUE(play("expect log WM_HOOK_BROWSERBACK count 2\nexpect log WM_HOOK_BROWSERBACK"));
}

TEST_F(ScriptRunnerTest, FileExpectationsWaitForTheTextInAProgramsOwnFile) {
    std::filesystem::create_directories(logFolder);
    const std::string path = (logFolder / "keys.txt").string();
    EXPECT_FALSE(play("expect file \"" + path + "\" ready;"));
    EXPECT_NE(runner->failure().find("cannot read"), std::string::npos) << runner->failure();
    std::ofstream(path, std::ios::binary) << "started: ;ready;11 down;43 down;11 up;43 up;";
    EXPECT_TRUE(play("expect file \"" + path + "\" \"ready;11 down;43 down;11 up;43 up;\" within 100"));
    EXPECT_FALSE(play("expect file \"" + path + "\" \"11 down;11 up;\" within 50"));
    EXPECT_NE(runner->failure().find("does not contain \"11 down;11 up;\""), std::string::npos)
        << runner->failure();
}

TEST_F(ScriptRunnerTest, SettingExpectationsReadTheFirmwaresSettingNow) {
    hardware.driver().withWorld([&] { hardware.firmware().setSetting(0x154, 0); });
    EXPECT_TRUE(play("expect setting 0x154 0\nexpect setting 0x155 1"));
    EXPECT_FALSE(play("expect setting 0x154 1"));
    EXPECT_EQ(runner->failure(), "line 1: expect setting 0x154 1: firmware setting 0x154 is 0, expected 1");
}

TEST_F(ScriptRunnerTest, TheLogFileIsNamedAfterTheDayLikeTheTraceLogNamesIt) {
    platform::SystemTime day;
    day.year = 2026;
    day.month = 12;
    day.day = 7;
    EXPECT_EQ(fwsim::ScriptRunner::datedLogPath(L"C:\\trace\\ctl.log", day), L"C:\\trace\\ctl_2026127.log");
    EXPECT_EQ(fwsim::ScriptRunner::datedLogPath(L"C:\\tr.ace\\ctl", day), L"C:\\tr.ace\\ctl_2026127");
    day.month = 1;
    day.day = 31;
    EXPECT_EQ(fwsim::ScriptRunner::datedLogPath(L"ctl.x.log", day), L"ctl.x_2026131.log");
}

TEST_F(ScriptRunnerTest, TheLayoutCheckFindsTheFirstLineOutOfLayout) {
    const std::string good = " :TID[0x1a4][2026/12/07 09:00:00.125] .\\SentrixdDlg.cpp (120) : Enter "
                             "CSentrixdDlg::OnInitDialog \r\n"
                             " :TID[0x2f][2026/12/07 09:00:01.000] .\\HardIO.cpp (17) : ERROR!! in "
                             "HardIO::initialize ERROR CreateFile:2\r\n";
    EXPECT_FALSE(fwsim::ScriptRunner::checkLogLayout(good));
    EXPECT_EQ(fwsim::ScriptRunner::checkLogLayout(""), "line 1: the log is empty");
    EXPECT_EQ(fwsim::ScriptRunner::checkLogLayout(good +
                                                  " :TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x\n"),
              "line 3: does not end in CR LF");
    EXPECT_EQ(
        fwsim::ScriptRunner::checkLogLayout(good + " :TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x"),
        "line 3: no line end");
    const char* bad[] = {
        " :TID[0x1A4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x", // upper-case thread id
        " :TID[0x1a4][2026/12/7 09:00:00.125] .\\A.cpp (1) : x",  // unpadded day
        " :TID[0x1a4][2026/12/07 09:00:00.125].\\A.cpp (1) : x",  // no blank after the time
        " :TID[0x1a4][2026/12/07 09:00:00.125] A.cpp (1) : x",    // no .\ before the source
        ":TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x",  // no leading blank
        " :TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (x) : x", // no line number
    };
    for (const char* line : bad) {
        const auto result = fwsim::ScriptRunner::checkLogLayout(good + line + "\r\n");
        ASSERT_TRUE(result) << line;
        EXPECT_EQ(result->rfind("line 3: not in the layout: ", 0), 0u) << *result;
    }
}

} // namespace
