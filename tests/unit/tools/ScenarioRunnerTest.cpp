// The scenario runner against a scripted target (no simulated world): frame expectations in
// order and with their timing, checkpoints, the since-checkpoint expectations, state checks,
// failures naming their line, and the difference between a file run and the prompt.
#include "tools/scenario/ScenarioRunner.h"
#include "tools/scenario/ScenarioParser.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

namespace {

using namespace scenario;

// A world in which things happen at scripted times; actions are only recorded.
class ScriptedTarget final : public ScenarioTarget {
public:
    explicit ScriptedTarget(Journal& journal) : m_journal(journal) {}

    // An event the target will have observed at its time.
    void at(std::uint64_t time, EventKind kind, const std::string& subject,
            std::vector<std::uint8_t> bytes = {}, std::int64_t value = 0, const std::string& detail = "") {
        Event event = makeEvent(time, kind, subject);
        event.subject = subject;
        event.bytes = std::move(bytes);
        event.value = value;
        event.detail = detail;
        m_script.emplace(time, event);
    }

    std::uint64_t now() override { return m_now; }
    void schedule(std::uint64_t delayMs, std::function<void()> resume) override {
        m_pending = {m_now + delayMs, std::move(resume)};
    }
    std::string run(const std::function<bool()>& finished) override {
        while (!finished()) {
            if (!m_pending.second) {
                return "nothing pending";
            }
            auto [time, resume] = std::move(m_pending);
            m_pending = {};
            m_now = time;
            resume();
        }
        return {};
    }
    void collect() override {
        while (!m_script.empty() && m_script.begin()->first <= m_now) {
            m_journal.add(m_script.begin()->second);
            m_script.erase(m_script.begin());
        }
    }
    std::string act(const Action& action) override {
        actions.push_back({m_now, action.kind});
        return action.kind == ActionKind::MessageBoxAnswer ? "no message box is open" : "";
    }
    std::uint32_t displayArrangement() override { return display; }
    SoundOutput soundOutput() override { return sound; }
    bool windowExists(const std::wstring& className, const std::wstring&) override {
        return className == L"#32770";
    }
    std::optional<RegistryData> registryValue(Hive hive, const std::wstring& path,
                                              const std::wstring& name) override {
        if (hive == Hive::User && path == L"K" && name == L"V") {
            return RegistryData{kRegDword, {1, 0, 0, 0}};
        }
        return std::nullopt;
    }
    TvState tvState() override { return tv; }
    bool controllerRunning() override { return true; }

    std::vector<std::pair<std::uint64_t, ActionKind>> actions;
    std::uint32_t display = arrangement::kPanel;
    SoundOutput sound = SoundOutput::Speaker;
    TvState tv{true, std::uint16_t{0x1000}, 0x1000, true};

private:
    Journal& m_journal;
    std::uint64_t m_now = 0;
    std::pair<std::uint64_t, std::function<void()>> m_pending;
    std::multimap<std::uint64_t, Event> m_script;
};

// A journal, the scripted target and a runner; the bus: a menu request at 10 ms, the PC's
// active source at 20 ms, a menu request again at 530 ms; then a program, two notices, a log line.
struct World {
    World() {
        target.at(10, EventKind::Frame, "TV -> Playback 1: Menu Request [query]", {0x04, 0x8D, 0x02});
        target.at(20, EventKind::Frame, "Playback 1 -> Broadcast: Active Source [physical address 1.0.0.0]",
                  {0x4F, 0x82, 0x10, 0x00});
        target.at(530, EventKind::Frame, "TV -> Playback 1: Menu Request [query]", {0x04, 0x8D, 0x02});
        target.at(600, EventKind::Program, "C:\\Program Files\\Korvath\\Sentrix\\Tonemux.exe", {}, 0,
                  "/HDMI");
        target.at(700, EventKind::Notification, "not supported", {}, 0);
        target.at(800, EventKind::Notification, "supported", {}, 1);
        target.at(900, EventKind::Log, ".\\X.cpp (1) : Display is Changed");
        target.at(950, EventKind::MediaCommand, "play to every window", {}, 46);
    }
    RunOutcome play(const std::string& text) {
        Scenario scenario;
        ScenarioError error;
        EXPECT_TRUE(parseScenario(text, "s.scn", scenario, error)) << error.text();
        return runner.play(scenario);
    }

    Journal journal;
    ScriptedTarget target{journal};
    ScenarioRunner runner{target, journal};
};

class ScenarioRunnerTest : public ::testing::Test {
protected:
    // The first failure of a run in a fresh world, or empty.
    std::string failure(const std::string& text, const std::function<void(ScriptedTarget&)>& setUp = {}) {
        World world;
        if (setUp) {
            setUp(world.target);
        }
        const RunOutcome outcome = world.play(text);
        return outcome.failures.empty() ? "" : outcome.failures.front().text();
    }
};

TEST_F(ScenarioRunnerTest, FrameExpectationsCheckOrderAndTimeBetweenMatches) {
    EXPECT_EQ(failure("wait 1s\n"
                      "expect frame 04 8d 02\n"
                      "expect frame \"active source [physical address 1.0.0.0]\" after 10ms\n"
                      "expect frame \"Menu Request\" after 510ms\n"),
              "");
    EXPECT_EQ(failure("wait 1s\n"
                      "expect frame \"Active Source\"\n"
                      "expect frame \"Menu Request\"\n"
                      "expect frame \"Active Source\"\n"),
              "s.scn:4: no frame \"Active Source\" on the bus after the frame matched at [    0.530] (no "
              "other frame)");
    EXPECT_EQ(failure("wait 1s\nexpect frame 04 8d 02\nexpect frame 4f 82 10 00 after 11ms\n"),
              "s.scn:3: the frame 4f 82 10 00 came at [    0.020], 10 ms after the previous matched frame, "
              "expected 11 ms");
    EXPECT_EQ(
        failure("wait 1s\nexpect frame 04 8d\n"),
        "s.scn:2: no frame 04 8d on the bus since [    0.000] (3 other frames, the last: [    0.530] TV -> "
        "Playback 1: Menu Request [query])")
        << "bytes match exactly, not as a prefix";
}

TEST_F(ScenarioRunnerTest, AFrameGapMayBeGivenWithATolerance) {
    EXPECT_EQ(failure("wait 1s\nexpect frame 04 8d 02\nexpect frame 4f 82 10 00 after 15ms tolerance 5ms\n"
                      "expect frame 04 8d 02 after 500ms tolerance 10ms\n"),
              "");
    EXPECT_EQ(failure("wait 1s\nexpect frame 04 8d 02\nexpect frame 4f 82 10 00 after 15ms tolerance 4ms\n"),
              "s.scn:3: the frame 4f 82 10 00 came at [    0.020], 10 ms after the previous matched frame, "
              "expected 15 ms +- 4 ms");
    EXPECT_NE(failure("wait 1s\nexpect frame 04 8d 02\nexpect frame 4f 82 10 00 after 5ms tolerance 4ms\n"),
              "")
        << "too late fails as too early does";
}

TEST_F(ScenarioRunnerTest, AnExpectationWithinABoundWaitsUntilItHoldsOrTheTimeIsUp) {
    World world;
    const RunOutcome waited = world.play("expect frame 04 8d 02 within 1s\nexpect frame 4f 82 10 00\n"
                                         "expect frame \"Menu Request\" within 1s\ncable plug\n");
    EXPECT_TRUE(waited.ok()) << waited.failures.front().text();
    EXPECT_EQ(waited.expectationsHeld, 3u);
    ASSERT_EQ(world.target.actions.size(), 1u);
    EXPECT_GE(world.target.actions[0].first, 530u) << "the step after waited for the frame at 530 ms";
    EXPECT_LT(world.target.actions[0].first, 600u) << "and no longer than one re-check after it";

    EXPECT_EQ(
        failure("expect frame 4f 82 10 00 within 15ms\ncable plug\n"),
        "s.scn:1: no frame 4f 82 10 00 on the bus since [    0.000] (1 other frame, the last: [    0.010] "
        "TV -> Playback 1: Menu Request [query]) (waited 15 ms)");
    EXPECT_EQ(
        failure("expect log \"Display is Changed\" count 1 within 2s\nexpect display panel within 1s\n"), "");
    EXPECT_EQ(failure("expect no frame \"Active Source\" within 1s\n"), "")
        << "holds at once, before the frame comes";
}

TEST_F(ScenarioRunnerTest, TheMachinesProgramsAndFilesAreOnlyWhereATargetSeesThem) {
    for (const char* line : {"expect exit 0", "expect process KeyLog.exe ended", "expect file C:\\a.txt x",
                             "expect log-layout"}) {
        EXPECT_EQ(failure(line),
                  std::string("s.scn:1: the machine's programs and files are seen only in real "
                              "time, against the real programs"))
            << line;
    }
}

TEST_F(ScenarioRunnerTest, TheLogLayoutCheckFindsTheFirstLineOutOfLayout) {
    const std::string good = " :TID[0x1a4][2026/12/07 09:00:00.125] .\\SentrixdDlg.cpp (120) : Enter "
                             "CSentrixdDlg::OnInitDialog \r\n"
                             " :TID[0x2f][2026/12/07 09:00:01.000] .\\HardIO.cpp (17) : ERROR!! in "
                             "HardIO::initialize ERROR CreateFile:2\r\n";
    EXPECT_FALSE(logLayoutFault(good));
    EXPECT_EQ(logLayoutFault(""), "line 1: the log is empty");
    EXPECT_EQ(logLayoutFault(good + " :TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x\n"),
              "line 3: does not end in CR LF");
    EXPECT_EQ(logLayoutFault(good + " :TID[0x1a4][2026/12/07 09:00:00.125] .\\A.cpp (1) : x"),
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
        const auto result = logLayoutFault(good + line + "\r\n");
        ASSERT_TRUE(result) << line;
        EXPECT_EQ(result->rfind("line 3: not in the layout: ", 0), 0u) << *result;
    }
}

TEST_F(ScenarioRunnerTest, ACheckpointStartsTheSearchAndTheNoExpectationsAnew) {
    EXPECT_EQ(failure("wait 100ms\ncheckpoint\nwait 1s\nexpect no frame \"Active Source\"\n"
                      "expect frame \"Menu Request\" after 430ms\n"),
              "")
        << "after a checkpoint, 'after' counts from the checkpoint";
    EXPECT_EQ(failure("wait 1s\nexpect no frame 4f 82 10 00\n"),
              "s.scn:2: unexpected at [    0.020]: cec Playback 1 -> Broadcast: Active Source [physical "
              "address 1.0.0.0]");
}

TEST_F(ScenarioRunnerTest, EventsSinceTheCheckpointProgramsNoticesAndLogLines) {
    EXPECT_EQ(failure("wait 1s\n"
                      "expect program Tonemux.exe /HDMI\n"
                      "expect program \"C:\\Program Files\\Korvath\\Sentrix\\Tonemux.exe\"\n"
                      "expect no program mux.exe\n"
                      "expect notification supported\n"
                      "expect log \"Display is Changed\"\n"
                      "expect no log \"display is changed\"\n"
                      "expect no message-box\n"
                      "expect media-command play\n"
                      "expect no media-command pause\n"),
              "")
        << "a file matches by name or whole path; the last notice counts; log texts compare exactly";
    EXPECT_EQ(failure("wait 1s\nexpect program Tonemux.exe /SPEAKER\n"),
              "s.scn:2: no program Tonemux.exe \"/SPEAKER\" started since [    0.000]");
    EXPECT_EQ(failure("wait 750ms\nexpect notification supported\n"),
              "s.scn:2: the notice asked for at [    0.700] is not-supported, expected supported");
    EXPECT_EQ(failure("wait 1s\ncheckpoint\nexpect notification none\nexpect message-box\n"),
              "s.scn:4: no message box shown since [    1.000]");
}

TEST_F(ScenarioRunnerTest, KeyEventsOfAllBatchesSinceTheCheckpointAreComparedWholeInOrder) {
    const auto twoBatches = [](ScriptedTarget& target) {
        target.at(1100, EventKind::Keys, "KorAvdeckMain", {}, 0, "11 down, 43 down, 11 up, 43 up");
        target.at(1200, EventKind::Keys, "Notepad", {}, 0, "0D down, 0D up");
        target.at(1300, EventKind::Eject, "ejected");
    };
    EXPECT_EQ(failure("wait 1s\ncheckpoint\nwait 1s\n"
                      "expect keys 11 down, 43 down, 11 up, 43 up, 0D down, 0D up\nexpect eject\n",
                      twoBatches),
              "");
    EXPECT_EQ(
        failure("wait 1s\ncheckpoint\nwait 1s\nexpect keys 11 down, 43 down, 11 up, 43 up\n", twoBatches),
        "s.scn:4: the keys sent were 11 down, 43 down, 11 up, 43 up, 0D down, 0D up since [    1.000], "
        "expected "
        "11 down, 43 down, 11 up, 43 up")
        << "nothing more and nothing less";
    EXPECT_EQ(failure("wait 1s\ncheckpoint\nwait 1s\nexpect keys 11 down, 43 down, 11 up, 43 up, 0D down, 0D "
                      "up in kordeck\n",
                      twoBatches),
              "s.scn:4: the keys went to KorAvdeckMain, expected a window of class kordeck");
    EXPECT_EQ(failure("wait 1s\ncheckpoint\nwait 150ms\nexpect no keys\n", twoBatches),
              "s.scn:4: keys sent since [    1.000]: 11 down, 43 down, 11 up, 43 up");
    EXPECT_EQ(failure("wait 1s\nexpect no keys\nexpect no eject\n", twoBatches), "");
    EXPECT_EQ(failure("wait 1s\nexpect eject\n", twoBatches),
              "s.scn:2: no disc was ejected since [    0.000]");
}

TEST_F(ScenarioRunnerTest, StateExpectationsAskTheTarget) {
    EXPECT_EQ(
        failure("expect display panel\nexpect sound speaker\nexpect tv input pc\nexpect tv showing-pc yes\n"
                "expect window \"#32770\" any\nexpect registry HKCU\\K V dword 1\nexpect registry HKCU\\K W "
                "missing\n"
                "expect controller running\n"),
        "");
    EXPECT_EQ(failure("expect display panel\n", [](ScriptedTarget& t) { t.display = arrangement::kHdmi; }),
              "s.scn:1: the display is HDMI alone (0x100), expected the panel alone (0x1)");
    EXPECT_EQ(failure("expect registry HKCU\\K V string x\n"),
              "s.scn:1: HKCU\\K V is dword 1 (0x1), expected string \"x\"");
    EXPECT_EQ(failure("expect tv input tuner\n"),
              "s.scn:1: the TV's input is 1.0.0.0 (the PC), expected its tuner");
}

TEST_F(ScenarioRunnerTest, StepsHappenAtTheirTimeAndAFailureEndsTheRun) {
    World world;
    const RunOutcome outcome =
        world.play("cable plug\nwait 250ms\nremote 44\nmessage-box answer\ncable unplug\n");
    ASSERT_EQ(outcome.failures.size(), 1u);
    EXPECT_EQ(outcome.failures[0].text(), "s.scn:4: no message box is open");
    const std::vector<std::pair<std::uint64_t, ActionKind>> expected = {
        {0, ActionKind::Cable}, {250, ActionKind::RemoteKey}, {250, ActionKind::MessageBoxAnswer}};
    EXPECT_EQ(world.target.actions, expected) << "nothing after the failure";
    EXPECT_EQ(world.journal.events().back().kind, EventKind::Failure);
}

// Steps handed out one at a time, as the prompt does.
class Lines final : public StepSource {
public:
    explicit Lines(std::vector<std::string> lines) : m_lines(std::move(lines)) {}
    bool next(Step& step) override {
        while (m_next < m_lines.size()) {
            ScenarioError error;
            if (parseLine(m_lines[m_next], "stdin", m_next + 1, step, error) == LineParse::Step) {
                ++m_next;
                return true;
            }
            ++m_next;
        }
        return false;
    }

private:
    std::vector<std::string> m_lines;
    std::size_t m_next = 0;
};

TEST_F(ScenarioRunnerTest, AtThePromptAFailureIsReportedAndThePlayGoesOn) {
    World world;
    Lines lines({"expect display hdmi", "wait 1s", "expect sound hdmi", "expect frame \"Active Source\""});
    const RunOutcome outcome = world.runner.play(lines, "stdin", false);
    ASSERT_EQ(outcome.failures.size(), 2u);
    EXPECT_EQ(outcome.failures[0].line, 1u);
    EXPECT_EQ(outcome.failures[1].line, 3u);
    EXPECT_EQ(outcome.expectationsHeld, 1u);
    EXPECT_EQ(world.target.now(), 1000u);
}

} // namespace
