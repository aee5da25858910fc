// The scenario target in real time: the scenario language's steps (tools/scenario) played
// against the real programs, with the firmware simulator's hardware (the CEC bus, the TV, the
// CEC controller, the display) driven by real time. Waits are real waits; the world goes on
// meanwhile on its own clock thread, and the runner's callbacks run on the caller's thread.
//
// World steps act on the simulated hardware as in virtual time. The people and programs around
// the controller are real: "controller start" starts Sentrixd.exe, "output-key" runs
// Outswap.exe (which must end with exit code 0), the bridge requests run BridgeClient.exe,
// which calls the real bridge library (its result must be 1), "key press" types the key
// through the input queue into a window of the simulator, and power, session and settings
// events are posted to the controller's window as Windows and the settings program would.
// Registry values are written in the machine's registry. "program start" and "program run"
// start any program of the machine through the program host, the latter waiting for its end and
// keeping its exit code; the expectations on processes, files and the trace log file look at the
// machine. "measure latency" times the controller's answers to the TV's requests (from the
// event service posting the CEC message event to the first frame the controller asks to send),
// "measure idle" the processor time and memory of a program over a while.
// The controller's control menu and notice are what the screen observer sees of the real
// windows: the menu's entries, selection and drawing, the notice's texts, box and drawing; menu
// keys are posted to the menu's window and the notice's controls are clicked.
//
// What it writes into the journal: the frames on the bus, the display requests and changes,
// the hot-plug and remote-key events, the TV's power and input, the controller starting and
// ending, and the lines of its trace log (read from the date-named file as they appear; the
// notices a build without the notification dialog only logs become notices), and the screenshots
// the screen observer keeps, and the results of the measurements ("name=value"). What the real
// world around a test machine does not show is not invented: there is no sound-output changer
// (the sound stays on the speaker), no record of programs the controller starts and no message
// box; steps that would need them, or a registry deletion, a missing library, another system
// language or model, fail with the reason.
// Portable.
#pragma once

#include "platform/Registry.h"
#include "platform/Windowing.h"
#include "tools/firmware-sim/ProgramHost.h"
#include "tools/firmware-sim/ScreenObserver.h"
#include "tools/firmware-sim/SimulatedHardware.h"
#include "tools/scenario/Journal.h"
#include "tools/scenario/ScenarioTarget.h"
#include "tools/scenario/SharedActions.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace fwsim {

// A file of the machine, byte for byte; false when it cannot be read.
bool readWholeFile(const std::wstring& path, std::string& content);

class RealTimeTarget final : public scenario::ScenarioTarget {
public:
    struct Options {
        // The controller's trace log as configured ("TraceLogFilePath"), without its date suffix.
        std::wstring traceLogPath;
        std::wstring controller = L"Sentrixd.exe";
        std::wstring outswap = L"Outswap.exe";
        std::wstring bridgeClient = L"BridgeClient.exe";
        // How long the programs of a step may take to end.
        std::uint32_t programTimeoutMs = 30000;
        // How long the latency measurement waits for each answer, and pauses after it.
        std::uint32_t latencyTimeoutMs = 3000;
        std::uint32_t latencyPauseMs = 50;
        // How often the journal is brought up to date while a wait passes.
        std::uint32_t collectEveryMs = 50;
        // What is seen of the controller's menu and notice on the screen; without it they
        // cannot be seen or used.
        ScreenObserver* screen = nullptr;
    };

    RealTimeTarget(scenario::Journal& journal, SimulatedHardware& hardware, platform::Windowing& windowing,
                   platform::Registry& registry, ProgramHost& host, Options options);

    // ScenarioTarget
    std::uint64_t now() override;
    void schedule(std::uint64_t delayMs, std::function<void()> resume) override;
    std::string run(const std::function<bool()>& finished) override;
    void collect() override;
    std::string act(const scenario::Action& action) override;
    std::uint32_t displayArrangement() override;
    scenario::SoundOutput soundOutput() override;
    bool windowExists(const std::wstring& className, const std::wstring& title) override;
    std::optional<scenario::RegistryData> registryValue(scenario::Hive hive, const std::wstring& path,
                                                        const std::wstring& name) override;
    scenario::TvState tvState() override;
    bool controllerRunning() override;
    std::optional<scenario::NoticeView> notice() override;
    std::optional<scenario::MenuView> controlMenu() override;
    std::optional<std::uint32_t> firmwareSetting(std::uint32_t number) override;
    std::string lastExitCode(std::uint32_t& code) override;
    std::string programRunning(const std::wstring& file, bool& running) override;
    std::string fileContent(const std::wstring& path, std::string& content) override;
    std::string traceLogContent(std::string& content) override;

    // The date-named file of a configured trace log path on the given UTC date: the base name
    // gets "_" followed by year, month and day without padding (C:\t\ctl.log on 7 December
    // 2026 is C:\t\ctl_2026127.log).
    static std::wstring datedLogPath(const std::wstring& configured, const platform::SystemTime& utc);

private:
    struct Seen {
        std::size_t frames = 0;
        std::size_t displayCalls = 0;
        std::size_t displayChanges = 0;
        std::size_t events = 0;
        std::size_t logBytes = 0;
        bool controllerRunning = false;
        bool tvValid = false;
        bool tvOn = false;
        std::optional<std::uint16_t> tvInput;
    };

    void collectWorld(std::vector<scenario::Event>& batch);
    void collectLog(std::vector<scenario::Event>& batch);
    void collectController(std::vector<scenario::Event>& batch);
    // Runs a program to its end; empty when it ended with `expectedExit`.
    std::string runProgram(const std::wstring& program, const std::vector<std::wstring>& arguments,
                           std::uint32_t expectedExit);
    // Posts to the controller's window; without one, notes that `what` is lost.
    std::string postToController(platform::MessageId message, platform::WParam wParam,
                                 platform::LParam lParam, const std::string& what = "the system's message");
    std::string post(const scenario::ControllerPost& post);
    std::string worldAct(const scenario::Action& action);
    void note(const std::string& text);
    void notePicture(const std::string& what, const std::string& picture);
    std::string noticeAnswer(std::uint32_t answer);
    std::string runToEnd(const scenario::Action& action);
    std::string measureLatency(const scenario::Action& action);
    std::string measureIdle(const scenario::Action& action);
    void result(const std::string& nameValue);
    // The trace log file of today, or of the day the scenario started when today's is not there.
    std::wstring traceLogFile() const;

    scenario::Journal& m_journal;
    SimulatedHardware& m_hardware;
    platform::Windowing& m_windowing;
    platform::Registry& m_registry;
    ProgramHost& m_host;
    Options m_options;
    std::optional<std::uint64_t> m_resumeAt;
    std::function<void()> m_resume;
    Seen m_seen;
    std::string m_logPending; // a trace log line not yet ended
    platform::SystemTime m_startUtc;
    std::optional<std::uint32_t> m_lastExit; // of the last program run
};

} // namespace fwsim
