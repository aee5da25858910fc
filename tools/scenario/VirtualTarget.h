// The scenario target in virtual time: a simulated world with the product installed and the
// controller running in it as simrun::SimController. Steps are world actions (the TV model, the
// cable, the event service, the desktop, the registry, fault injection); the runner's callbacks
// are actions on the world's virtual clock, so a step scheduled for a moment happens at that
// moment even while the controller's thread is blocked in a sleep or a message box.
//
// What it writes into the journal: every frame on the bus (decoded with sim::describeFrame),
// display requests and changes, sound changes, programs the shell was asked to start, notices
// and the control menu the controller asked for, message boxes, hot-plug and remote-key
// events, media commands, the TV's power and input, the controller starting and ending, and
// the controller's trace log lines (the log is switched fully on in the world's registry; its
// lines are taken as the simulated file receives them).
//
// The trace log is one object per process: a VirtualTarget installs its ports for its lifetime,
// so one VirtualTarget exists at a time.
// Simulation.
#pragma once

#include "platform/Files.h"
#include "sim/SimWorld.h"
#include "tools/scenario/ScenarioTarget.h"
#include "tools/scenario/SettingsProgram.h"
#include "tools/simrun/SimController.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace scenario {

class VirtualTarget final : public ScenarioTarget {
public:
    static constexpr const wchar_t* kTraceFolder = L"C:\\trace";
    static constexpr const wchar_t* kTraceFile = L"C:\\trace\\sentrix.log";
    // Processes that post to the controller in the steps.
    static constexpr std::uint32_t kOutswapProcess = 0x7A0;
    static constexpr std::uint32_t kApplicationProcess = 0x8B0;
    static constexpr std::uint32_t kSettingsProcess = 0x9C0;

    // Builds the world and installs the product; `error` is set when the installation data
    // does not import (the target is then unusable).
    explicit VirtualTarget(Journal& journal, std::string* error = nullptr);
    ~VirtualTarget() override;
    VirtualTarget(const VirtualTarget&) = delete;
    VirtualTarget& operator=(const VirtualTarget&) = delete;

    sim::SimWorld& world() { return m_world; }
    // Forgets what the world and the controllers' menus and dialogs recorded so far, once it is
    // in the journal, so that a long run keeps its memory flat. Everything goes on as before.
    void clearHistory();

    // ScenarioTarget
    std::uint64_t now() override { return m_world.clock().now(); }
    void schedule(std::uint64_t delayMs, std::function<void()> resume) override;
    std::string run(const std::function<bool()>& finished) override;
    void collect() override;
    std::string act(const Action& action) override;
    std::uint32_t displayArrangement() override;
    SoundOutput soundOutput() override;
    bool windowExists(const std::wstring& className, const std::wstring& title) override;
    std::optional<RegistryData> registryValue(Hive hive, const std::wstring& path,
                                              const std::wstring& name) override;
    TvState tvState() override;
    bool controllerRunning() override;
    std::optional<SettingsBoxState> settingsBox(int id) override;
    std::optional<bool> settingsOpen() override;
    std::optional<std::wstring> settingsAboutVersion() override;
    std::optional<std::uint32_t> firmwareSetting(std::uint32_t number) override;
    std::optional<NoticeView> notice() override;
    std::optional<MenuView> controlMenu() override;

private:
    // The trace log's file port: the world's files, and each line handed to the target.
    class TraceFiles final : public platform::Files {
    public:
        explicit TraceFiles(VirtualTarget& target) : m_target(target) {}
        bool append(const wchar_t* path, const char* data, std::size_t size) override;

    private:
        VirtualTarget& m_target;
    };

    // Progress through the world's records that have no observer.
    struct Seen {
        std::size_t displayCalls = 0;
        std::size_t displayChanges = 0;
        std::size_t soundChanges = 0;
        std::size_t executes = 0;
        std::size_t events = 0;
        std::size_t posts = 0;
        std::size_t keyBatches = 0;
        std::size_t ejects = 0;
    };
    struct ControllerEntry {
        std::unique_ptr<simrun::SimController> controller;
        std::size_t dialogsSeen = 0; // see SimController::noticesShownFrom
        std::size_t launcherShown = 0;
        bool endNoted = false;
    };

    void switchTraceLogOn();
    void onTraceLine(std::string_view line);
    void startController(const std::wstring& commandLine);
    simrun::SimController* runningController();
    // The menus of the newest controller whose control menu is shown; null for none.
    simrun::SimMenus* shownMenus();
    // The user acting on the newest notice (VirtualNotice.cpp).
    std::string answerNotice(NoticeAnswer answer);
    void noteEnded();
    void postToController(const wchar_t* messageName, platform::WParam wParam, std::uint32_t fromProcess);
    void postToController(platform::MessageId message, platform::WParam wParam, platform::LParam lParam,
                          std::uint32_t fromProcess, const std::string& what);
    // The settings program's steps (starting it, clicking its controls, About).
    std::string actOnSettings(const Action& action);
    void add(Event event);
    void pollRecords(std::vector<Event>& batch);
    void pollTv();

    Journal& m_journal;
    sim::SimWorld m_world;
    TraceFiles m_traceFiles{*this};
    std::vector<ControllerEntry> m_controllers;
    std::unique_ptr<SettingsProgram> m_settings; // the settings program, once started
    int m_starting = 0;                          // controllers started and not yet through their start-up
    std::optional<std::uint64_t> m_resumeAt;
    Seen m_seen;
    bool m_collecting = false; // polling now: no nested collect
    bool m_silent = false;     // the target is going away: nothing more is written
    struct TvSeen {
        bool on = false;
        std::optional<std::uint16_t> input;
        bool valid = false;
    } m_tvSeen;
};

} // namespace scenario
