// Entry point of FirmwareSim.exe, the firmware simulator for end-to-end runs of the real
// programs: it stands in for the firmware device (over the pipe the machine-hive setting
// "FirmwarePipe" names) and for the firmware event service, simulates the CEC bus with a TV in
// real time, and plays a scenario of the scenario language (--scenario; tools/scenario/README.md)
// through the real-time target.
//
//   FirmwareSim.exe [--pipe \\.\pipe\NAME] [--scenario FILE]
//                   [--programs DIR[;DIR...]] [--trace-log PATH] [--timeline FILE]
//                   [--print-timeline] [--run-timeout MS] [--display-machine KIND]
//                   [--pictures DIR]
//
// --display-machine chooses the display hardware as the scenario step "display machine KIND"
// does (for example nvidia-vista, whose NVIDIA interface the test nvapi64.dll reaches over the
// pipe), before anything runs. Without --pipe the setting names the pipe. Without a scenario it
// serves until it is ended. Exit code 0 when every expectation held, 1 when one failed, 2 for a usage or
// set-up error (a malformed scenario included). Win32 only (its Win32 parts are in win32/; everything else is
// portable).
#include "common/Text.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32SimulatorPipe.h"
#include "platform/win32/Win32Windowing.h"
#include "tools/firmware-sim/RealTimeTarget.h"
#include "tools/firmware-sim/SimulatedHardware.h"
#include "tools/firmware-sim/WindowEventSink.h"
#include "tools/firmware-sim/win32/Win32PipeServer.h"
#include "tools/firmware-sim/win32/Win32ProgramHost.h"
#include "tools/firmware-sim/win32/Win32ScreenObserver.h"
#include "tools/scenario/Journal.h"
#include "tools/scenario/PeerActions.h"
#include "tools/scenario/ScenarioParser.h"
#include "tools/scenario/ScenarioRunner.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int kExitPassed = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    std::wstring pipe;
    std::string scenarioFile; // as named on the command line, for messages
    std::string scenario;
    std::vector<std::wstring> programFolders;
    std::wstring traceLog;
    std::wstring timelineFile;
    std::wstring pictureFolder; // screenshots of what the scenario looks at on the screen
    bool printTimeline = false;
    std::uint32_t runTimeoutMs = 30000;
    std::string displayMachine;
};

int usage(const std::string& message) {
    std::cerr << "FirmwareSim: " << message << "\n"
              << "usage: FirmwareSim.exe [--pipe \\\\.\\pipe\\NAME] [--scenario FILE]\n"
              << "                       [--programs DIR[;DIR...]] [--trace-log PATH] [--timeline FILE]\n"
              << "                       [--print-timeline] [--run-timeout MS] [--display-machine KIND]\n"
              << "                       [--pictures DIR]\n";
    return kExitUsage;
}

std::vector<std::wstring> splitFolders(const std::wstring& list) {
    std::vector<std::wstring> folders;
    std::wstringstream stream(list);
    std::wstring folder;
    while (std::getline(stream, folder, L';')) {
        while (!folder.empty() && (folder.back() == L'\\' || folder.back() == L'/')) {
            folder.pop_back();
        }
        if (!folder.empty()) {
            folders.push_back(folder);
        }
    }
    return folders;
}

// Parses the command line; an empty string on success, else the complaint.
std::string parseOptions(int argc, wchar_t** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--print-timeline") {
            options.printTimeline = true;
            continue;
        }
        if (i + 1 >= argc) {
            return "missing value of " + text::toUtf8(option);
        }
        const std::wstring value = argv[++i];
        if (option == L"--pipe") {
            options.pipe = value;
        } else if (option == L"--scenario") {
            if (!options.scenarioFile.empty()) {
                return "one --scenario at a time";
            }
            if (!fwsim::readWholeFile(value, options.scenario)) {
                return "cannot read the scenario " + text::toUtf8(value);
            }
            options.scenarioFile = text::toUtf8(value);
        } else if (option == L"--programs") {
            const auto folders = splitFolders(value);
            options.programFolders.insert(options.programFolders.end(), folders.begin(), folders.end());
        } else if (option == L"--trace-log") {
            options.traceLog = value;
        } else if (option == L"--display-machine") {
            options.displayMachine = text::toUtf8(value);
        } else if (option == L"--timeline") {
            options.timelineFile = value;
        } else if (option == L"--pictures") {
            options.pictureFolder = value;
        } else if (option == L"--run-timeout") {
            try {
                options.runTimeoutMs = static_cast<std::uint32_t>(std::stoul(value));
            } catch (const std::exception&) {
                return "bad --run-timeout " + text::toUtf8(value);
            }
        } else {
            return "unknown option " + text::toUtf8(option);
        }
    }
    return {};
}

// Plays the scenario through the real-time target; true when every expectation held.
bool playScenario(const Options& options, const scenario::Scenario& parsed,
                  fwsim::SimulatedHardware& hardware, platform::Windowing& windowing,
                  fwsim::ProgramHost& host) {
    platform::win32::Win32Registry registry;
    scenario::Journal journal;
    journal.setListener(
        [](const scenario::Event& event) { std::cout << scenario::Journal::format(event) << std::endl; });
    fwsim::Win32ScreenObserver screen(text::toUtf8(options.pictureFolder));
    fwsim::RealTimeTarget::Options targetOptions;
    targetOptions.screen = &screen;
    targetOptions.traceLogPath = options.traceLog;
    targetOptions.programTimeoutMs = options.runTimeoutMs;
    fwsim::RealTimeTarget target(journal, hardware, windowing, registry, host, targetOptions);
    scenario::ScenarioRunner runner(target, journal);
    const scenario::RunOutcome outcome = runner.play(parsed);
    for (const scenario::ScenarioError& failure : outcome.failures) {
        std::cout << "FAIL " << failure.text() << std::endl;
    }
    std::cout << outcome.stepsPlayed << " steps, " << outcome.expectationsHeld << " expectations held"
              << std::endl;
    return outcome.ok();
}

void writeTimeline(const Options& options, const std::string& timeline) {
    if (options.printTimeline) {
        std::cout << "---- bus and events\n" << timeline << std::flush;
    }
    if (!options.timelineFile.empty()) {
        std::ofstream file(std::filesystem::path(options.timelineFile), std::ios::binary);
        file << timeline;
        if (!file) {
            std::cerr << "FirmwareSim: cannot write " << text::toUtf8(options.timelineFile) << "\n";
        }
    }
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    const std::string complaint = parseOptions(argc, argv, options);
    if (!complaint.empty()) {
        return usage(complaint);
    }
    if (options.pipe.empty() && !platform::win32::simulator_pipe::configuredPipe(options.pipe)) {
        return usage("no --pipe, and no FirmwarePipe setting in the machine hive");
    }
    scenario::Scenario parsedScenario;
    if (!options.scenarioFile.empty()) {
        scenario::ScenarioError error;
        if (!scenario::parseScenario(options.scenario, options.scenarioFile, parsedScenario, error)) {
            std::cerr << "FirmwareSim: " << error.text() << "\n";
            return kExitUsage;
        }
    }

    scenario::Scenario machineStep;
    if (!options.displayMachine.empty()) {
        scenario::ScenarioError error;
        if (!scenario::parseScenario("display machine " + options.displayMachine, "--display-machine",
                                     machineStep, error) ||
            machineStep.steps.size() != 1) {
            std::cerr << "FirmwareSim: " << error.text() << "\n";
            return kExitUsage;
        }
    }

    platform::win32::Win32Windowing windowing;
    fwsim::WindowEventSink sink(windowing);
    fwsim::SimulatedHardware hardware;
    hardware.setEventSink(&sink);
    for (const scenario::Step& step : machineStep.steps) {
        hardware.driver().withWorld(
            [&] { scenario::applyPeerAction(hardware.peers(), hardware.firmware(), step.action); });
    }
    fwsim::Win32PipeServer server(options.pipe, hardware);
    std::string error;
    if (!server.start(error)) {
        std::cerr << "FirmwareSim: " << error << "\n";
        return kExitUsage;
    }
    hardware.driver().start();
    std::cout << "FirmwareSim: serving " << text::toUtf8(options.pipe) << std::endl;

    if (options.scenarioFile.empty()) {
        for (;;) {
            std::this_thread::sleep_for(std::chrono::hours(1));
        }
    }

    bool passed = false;
    {
        fwsim::Win32ProgramHost host(options.programFolders);
        passed = playScenario(options, parsedScenario, hardware, windowing, host);
        host.endAll(); // the programs end while the firmware still answers them
    }
    server.stop();
    hardware.driver().stop();
    writeTimeline(options, hardware.timeline());
    return passed ? kExitPassed : kExitFailed;
}
