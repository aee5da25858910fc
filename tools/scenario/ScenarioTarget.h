// The world a scenario acts on and observes, as the runner sees it. One implementation plays
// scenarios in virtual time inside a simulated world (VirtualTarget); another can play the same
// steps in real time against the real programs. The runner never learns which one it drives.
//
// Time: the runner asks the target to call it back after a delay (schedule) and lets the
// target drive its world until the runner is done (run). A target calls the runner back at
// exactly the scheduled moment, even while the controller is busy, as a person acting at a
// given time would; the runner then plays steps up to the next wait.
// Portable.
#pragma once

#include "tools/scenario/Journal.h"
#include "tools/scenario/Scenario.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

struct RegistryData {
    std::uint32_t type = 0;
    std::vector<std::uint8_t> bytes;
};

// The newest notice of the controller as the user sees it.
struct NoticeView {
    bool open = false;
    std::wstring title;
    std::wstring message;
    std::wstring checkBoxText;
    bool checked = false;
    // What of its drawing on the screen differs from how it must look; empty when it looks
    // right, nullopt where the screen's pixels cannot be seen.
    std::optional<std::vector<std::string>> drawingFaults;
};

// The controller's control menu as the user sees it now.
struct MenuView {
    bool visible = false;
    std::vector<std::wstring> entries; // in order
    int selected = -1;                 // the selected entry's index; -1 for none
    // As for the notice: how its drawing differs from how it must look.
    std::optional<std::vector<std::string>> drawingFaults;
};

struct TvState {
    bool on = false;
    std::optional<std::uint16_t> input; // nullopt: its own tuner
    std::uint16_t pcInput = 0;          // the input the PC is plugged into
    bool showsPc = false;
};

class ScenarioTarget {
public:
    virtual ~ScenarioTarget() = default;

    // Milliseconds since the scenario started.
    virtual std::uint64_t now() = 0;
    // Calls `resume` once `delayMs` have passed. One call is pending at a time.
    virtual void schedule(std::uint64_t delayMs, std::function<void()> resume) = 0;
    // Lets the world go on until `finished` holds. Returns empty, or why the world could not
    // go on (the runner then reports a failure).
    virtual std::string run(const std::function<bool()>& finished) = 0;
    // Writes into the journal everything observed up to now that is not there yet.
    virtual void collect() = 0;

    // Carries out an action now. Returns empty, or why it could not be done.
    virtual std::string act(const Action& action) = 0;

    // The world's state now.
    virtual std::uint32_t displayArrangement() = 0;
    virtual SoundOutput soundOutput() = 0;
    virtual bool windowExists(const std::wstring& className, const std::wstring& title) = 0;
    virtual std::optional<RegistryData> registryValue(Hive hive, const std::wstring& path,
                                                      const std::wstring& name) = 0;
    virtual TvState tvState() = 0;
    // A controller process has been started and has not ended.
    virtual bool controllerRunning() = 0;

    // The settings program's dialog and the firmware's settings, on targets that have them;
    // nullopt where they cannot be seen.
    struct SettingsBoxState {
        bool checked = false;
        bool enabled = false;
    };
    virtual std::optional<SettingsBoxState> settingsBox(int id) {
        (void)id;
        return std::nullopt;
    }
    virtual std::optional<bool> settingsOpen() { return std::nullopt; }
    virtual std::optional<std::wstring> settingsAboutVersion() { return std::nullopt; }
    virtual std::optional<std::uint32_t> firmwareSetting(std::uint32_t number) {
        (void)number;
        return std::nullopt;
    }
    // The machine's own programs and files, where the scenario runs against the real
    // programs. Each returns empty with the answer, or why it cannot be told.
    // The exit code of the last program run.
    virtual std::string lastExitCode(std::uint32_t& code) {
        (void)code;
        return machineOnly();
    }
    // Whether the program last started under this file name still runs.
    virtual std::string programRunning(const std::wstring& file, bool& running) {
        (void)file;
        (void)running;
        return machineOnly();
    }
    // The whole content of a file of the machine.
    virtual std::string fileContent(const std::wstring& path, std::string& content) {
        (void)path;
        (void)content;
        return machineOnly();
    }
    // The controller's trace log file as it is now, byte for byte.
    virtual std::string traceLogContent(std::string& content) {
        (void)content;
        return machineOnly();
    }
    // The newest notice the controller has shown; nullopt when none has been shown, or when
    // this world cannot see the controller's dialogs.
    virtual std::optional<NoticeView> notice() { return std::nullopt; }
    // The newest controller's control menu; nullopt when it has none or it cannot be seen.
    virtual std::optional<MenuView> controlMenu() { return std::nullopt; }

protected:
    static std::string machineOnly() {
        return "the machine's programs and files are seen only in real time, against the real programs";
    }
};

} // namespace scenario
