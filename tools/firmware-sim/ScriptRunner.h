// Plays a step list (Script.h) in real time against the simulated hardware, the real windows
// of the machine (through the windowing port) and its programs (through the program host).
// Steps run in order; the first expectation that fails ends the run. Each step is reported on
// the output with the real time it started at; measurements are reported as
// "RESULT name=value" lines.
//
// Frame expectations look at the bus record from a cursor: `mark` puts it at the end of the
// record, and each matched frame moves it past that frame, so that consecutive expectations
// check the order of the frames. A gap is measured from the frame the previous expectation
// matched. Log expectations read the controller's date-named trace log file from the
// position it had at the last `mark`.
// Portable.
#pragma once

#include "platform/Clock.h"
#include "platform/Windowing.h"
#include "tools/firmware-sim/ProgramHost.h"
#include "tools/firmware-sim/Script.h"
#include "tools/firmware-sim/SimulatedHardware.h"

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace fwsim {

struct RunnerOptions {
    // The trace log file as configured ("TraceLogFilePath"), without its date suffix; empty:
    // log expectations fail.
    std::wstring traceLogPath;
    // How long `run` waits for a program to end.
    std::uint32_t runTimeoutMs = 30000;
    // How long the latency measurement waits for each answer.
    std::uint32_t latencyTimeoutMs = 3000;
    // Pause between two latency samples, after the answer.
    std::uint32_t latencyPauseMs = 50;
};

class ScriptRunner {
public:
    ScriptRunner(SimulatedHardware& hardware, platform::Windowing& windowing, ProgramHost& host,
                 RunnerOptions options, std::ostream& out);

    // True when every step passed; otherwise failure() says which step and why.
    bool run(const std::vector<Step>& steps);
    const std::string& failure() const { return m_failure; }
    // The "name=value" results of the measurements, in order.
    const std::vector<std::string>& results() const { return m_results; }

    // The date-named file of a configured trace log path on the given UTC date: the base name
    // gets "_" followed by year, month and day without padding (C:\t\ctl.log on 7 December
    // 2026 is C:\t\ctl_2026127.log).
    static std::wstring datedLogPath(const std::wstring& configured, const platform::SystemTime& utc);
    // The first line of a trace log text that is not in the layout
    //   " :TID[0x<hex>][YYYY/MM/DD hh:mm:ss.mmm] .\<source> (<line>) : <text>" + CR LF,
    // as "line N: ..." ; nothing when every line is. An empty text is not in the layout.
    static std::optional<std::string> checkLogLayout(const std::string& content);

private:
    // Each returns an empty string on success, else the reason.
    std::string execute(const Step& step);
    std::string expectFrame(const Step& step);
    std::string expectNoFrame(const Step& step);
    std::string expectWindow(const Step& step);
    std::string expectProcess(const Step& step);
    std::string expectLog(const Step& step);
    std::string expectLogLayout();
    std::string post(const Step& step);
    std::string measureLatency(const Step& step);
    std::string measureIdle(const Step& step);

    // Index of the first bus record from the cursor that the step's frame matches; under the
    // world lock.
    std::optional<std::size_t> findFrame(const Step& step, std::size_t from);
    bool matches(const AddressMatch& match, std::uint8_t address);
    // The trace log as it is now, or nothing when the file cannot be read.
    std::optional<std::string> readLog();
    std::string expectFile(const Step& step);
    std::string expectSetting(const Step& step);
    std::wstring logPath() const;
    void mark();
    // Polls `condition` every few milliseconds until it holds or the time is up.
    bool poll(const std::function<bool()>& condition, std::uint64_t timeoutMs);
    std::string now() const;

    SimulatedHardware& m_hardware;
    platform::Windowing& m_windowing;
    ProgramHost& m_host;
    RunnerOptions m_options;
    std::ostream& m_out;
    platform::SystemTime m_startUtc;

    std::size_t m_frameCursor = 0;
    std::optional<std::uint64_t> m_lastFrameTime;
    std::size_t m_logMark = 0;
    std::optional<std::uint32_t> m_lastExit;
    std::string m_failure;
    std::vector<std::string> m_results;
};

} // namespace fwsim
