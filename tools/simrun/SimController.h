// The controller running as a program of a simulated world: its ports are the world's, its
// command objects and application launcher are the real ones on the world's keyboard, focus,
// shell and media windows, its control menu and notification dialog are recorders, and the
// world's driver
// dispatches its messages. Used by the scenario runner and by the tests.
// Simulation.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/SentrixdApp.h"
#include "controller/commands/CommandObjects.h"
#include "controller/launcher/AppLauncher.h"
#include "sim/SimWorld.h"
#include "tools/simrun/RecordingControlMenu.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace simrun {

// Notification dialogs the controller asked for.
class RecordingNotifications final : public NotificationDialogs {
public:
    struct Shown {
        std::uint64_t time;
        int variant;
    };
    void showNotifyCecInfo(int variant) override;
    std::vector<Shown> shown;
    sim::VirtualClock* clock = nullptr;
};

class SimController {
public:
    static constexpr std::uint32_t kUiThreadId = 0x1a4;

    // A controller process started with `commandLine` (InitInstance runs at once, with its
    // start-up waits in virtual time).
    explicit SimController(sim::SimWorld& world, const std::wstring& commandLine = L"");
    ~SimController();
    SimController(const SimController&) = delete;
    SimController& operator=(const SimController&) = delete;

    // InitInstance said this process runs the main window.
    bool started() const { return m_started; }
    // The process is still in its message loop.
    bool running() const { return m_started && !m_program.quit; }
    CSentrixdDlg* dlg() { return m_app.mainWindow(); }
    platform::WindowHandle window() { return dlg() != nullptr ? dlg()->window() : 0; }
    sim::SimWorld::Program& program() { return m_program; }

    // Lets the world run; false once the controller has ended (ExitInstance has run then).
    bool runUntil(std::uint64_t t);
    bool runFor(std::uint64_t ms) { return runUntil(m_world.clock().now() + ms); }

    // Posts a message to the controller's window as another program would.
    bool post(platform::MessageId message, platform::WParam wParam, platform::LParam lParam = 0);

    // The control menu the launcher made, while it exists (null before start-up or after).
    RecordingControlMenu* menu() const { return m_menus.menu(); }
    RecordingNotifications notifications;

private:
    void finish();

    sim::SimWorld& m_world;
    sim::SimWorld::Program& m_program;
    RecordingControlMenuFactory m_menus;

public:
    AppLauncher launcher;

private:
    CommandObjects m_commands;
    ControllerPorts m_ports;
    ControllerServices m_services;
    CSentrixdApp m_app;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace simrun
