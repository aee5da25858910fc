// Plays a scenario against a target: writes each step into the journal, carries out actions,
// lets time pass at waits and checks expectations against the journal and the target's state.
//
// Expectations over events look at the journal: a frame expectation searches from just after
// the frame the previous frame expectation matched (or from the last checkpoint), so a list of
// frame expectations checks their order; "after <duration>" also checks the time between the
// two ("tolerance": give or take that much). An expectation "within <duration>" that does not
// hold is checked again every few milliseconds of the target's time until it holds or the time
// is up; the scenario waits meanwhile. "no ..." expectations and those over programs, notices, message boxes
// and log lines look at everything since the last checkpoint (the start of the run until there is one). Frame
// text fragments compare without regard to case, log and message texts exactly.
// Portable.
#pragma once

#include "tools/scenario/Journal.h"
#include "tools/scenario/Scenario.h"
#include "tools/scenario/ScenarioTarget.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

// Hands out steps one at a time (a parsed file, or lines read as they are typed).
class StepSource {
public:
    virtual ~StepSource() = default;
    // The next step; false when there is none left.
    virtual bool next(Step& step) = 0;
};

struct RunOutcome {
    std::vector<ScenarioError> failures;
    std::size_t stepsPlayed = 0;
    std::size_t expectationsHeld = 0;
    bool ok() const { return failures.empty(); }
};

class ScenarioRunner {
public:
    ScenarioRunner(ScenarioTarget& target, Journal& journal);
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // Plays every step; the first failure ends the run.
    RunOutcome play(const Scenario& scenario);
    // Plays the steps of `source` (named `file` in messages) until it has none left; with
    // `stopAtFailure` false a failure is reported and the play goes on.
    RunOutcome play(StepSource& source, const std::string& file, bool stopAtFailure);

    // Checks one expectation now; empty when it holds, else what was wrong.
    std::string check(const Expectation& expectation);

private:
    void resume();
    void playStep(const Step& step);
    // Checks the expectation waiting "within" its bound; false when it is checked again later.
    bool checkWaiting();
    void held(const Step& step);
    void fail(const Step& step, const std::string& message);
    std::string checkFrame(const Expectation& expectation);
    // The settings program's dialog and the firmware settings (SettingsExpectations.cpp).
    std::string checkSettings(const Expectation& expectation);
    std::string checkSinceCheckpoint(const Expectation& expectation);
    std::string checkKeys(const Expectation& expectation);
    // The exit code, processes, files and the trace log file of the machine.
    std::string checkMachine(const Expectation& expectation);

    ScenarioTarget& m_target;
    Journal& m_journal;
    StepSource* m_source = nullptr;
    std::string m_file;
    bool m_stopAtFailure = true;
    bool m_done = false;
    RunOutcome m_outcome;
    std::size_t m_lastLine = 0;

    std::size_t m_checkpoint = 0; // journal index where "since the checkpoint" begins
    std::uint64_t m_checkpointTime = 0;
    std::size_t m_frameCursor = 0; // journal index after the last matched frame
    std::optional<std::uint64_t> m_lastFrameTime;

    std::optional<Step> m_waiting; // an expectation "within" a bound that has not held yet
    std::uint64_t m_waitingUntil = 0;
};

// The first line of a trace log text that is not in the controller's layout
//   " :TID[0x<hex>][YYYY/MM/DD hh:mm:ss.mmm] .\<source> (<line>) : <text>" + CR LF,
// as "line N: ..."; nothing when every line is. An empty text is not in the layout.
std::optional<std::string> logLayoutFault(const std::string& content);

// Names used in messages: "HDMI alone (0x100)", "1.0.0.0", "40 8e 00".
std::string arrangementName(std::uint32_t value);
std::string addressText(std::uint16_t address);
std::string hexText(const std::vector<std::uint8_t>& bytes);

} // namespace scenario
