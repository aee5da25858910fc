// The settings program Sentrixset.exe in a simulated world, for the scenario steps: its
// resources as the simulated dialogs know them (those of Sentrixset.rc), and one run of the
// program whose dialog the steps read and click. The program's firmware and registry are the
// world's, so what it writes is what the controller reads after its reload.
//
// The program's thread is not simulated: its dialog is made when the step starts it and the
// steps act on it at their moments. Its one wait, the second between telling the controller
// and closing, is noted and not waited, so that the world's time stays the runner's.
// Simulation.
#pragma once

#include "platform/Clock.h"
#include "settings/SentrixsetDialogs.h"
#include "sim/SimDialogs.h"
#include "sim/SimWorld.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace scenario {

sim::ProgramResources sentrixsetResources();

class SettingsProgram {
public:
    // The state of one check box.
    struct Box {
        bool checked = false;
        bool enabled = false;
    };

    SettingsProgram(sim::SimWorld& world, std::uint32_t threadId);
    ~SettingsProgram();
    SettingsProgram(const SettingsProgram&) = delete;
    SettingsProgram& operator=(const SettingsProgram&) = delete;

    // Empty, or why it could not be done.
    std::string start();
    std::string click(int id);
    std::string pressOk();
    std::string pressCancel();
    // The About item of the system menu; the user reads the dialog and closes it with OK.
    std::string openAbout();
    std::optional<Box> box(int id);
    // The version text the About dialog showed when it was last opened; nullopt before.
    std::optional<std::wstring> aboutVersion() const { return m_aboutVersion; }
    bool open() const;
    // The program's dialogs and its main dialog's window (0 when closed), for a closer look.
    sim::SimDialogs& dialogs() { return m_dialogs; }
    platform::WindowHandle window() const { return m_window; }
    // The waits the program made, in milliseconds, since it started.
    std::uint64_t waitedMs() const { return m_clock.waited; }

private:
    // The world's time for reading; a sleep is noted and does not advance it.
    class ProgramClock final : public platform::Clock {
    public:
        explicit ProgramClock(platform::Clock& world) : m_world(world) {}
        std::uint32_t tickCount() override { return m_world.tickCount(); }
        platform::SystemTime utcTime() override { return m_world.utcTime(); }
        platform::SystemTime localTime() override { return m_world.localTime(); }
        void sleep(std::uint32_t milliseconds) override { waited += milliseconds; }
        std::uint64_t waited = 0;

    private:
        platform::Clock& m_world;
    };
    void finish();

    sim::SimWorld& m_world;
    sim::SimWorld::Program& m_program;
    ProgramClock m_clock;
    sim::SimDialogs m_dialogs;
    std::unique_ptr<settings::SentrixsetDlgClient> m_client;
    platform::WindowHandle m_window = 0;
    std::optional<std::wstring> m_aboutVersion;
};

} // namespace scenario
