// The controller running as a program of a simulated world: its ports are the world's, its
// command objects and application launcher are the real ones on the world's keyboard, focus,
// shell and media windows, its notices are the real dialogs on the simulated desktop, its
// control menu is the real one on the simulated windowing and drawing, and the world's driver dispatches its
// messages. Used by the scenario runner and by the tests. Simulation.
#pragma once

#include "controller/ControllerServices.h"
#include "controller/SentrixdApp.h"
#include "controller/commands/CommandObjects.h"
#include "controller/launcher/AppLauncher.h"
#include "controller/notice/NotifyCecInfoDialogs.h"
#include "sim/SimDialogs.h"
#include "sim/SimWorld.h"
#include "tools/simrun/SimMenus.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace simrun {

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
    QuickMenu* menu() const { return m_menus.menu(); }
    // Its showings, and the user at the keyboard in front of it.
    SimMenus& menus() { return m_menus; }
    // A notice the controller showed: when, its variant (1: the TV supports HDMI control, told
    // by the text the user reads) and its window (gone once it closed).
    struct ShownNotice {
        std::uint64_t time;
        int variant;
        platform::WindowHandle window;
    };
    // Every notice shown so far, oldest first (once its start-up has set its texts).
    std::vector<ShownNotice> noticesShown() const;
    // The notices shown among the dialogs from index `next` of dialogs().dialogs() on, oldest
    // first; `next` moves past every dialog done with (a notice shown, any other dialog) up to
    // the first notice whose start-up has not finished yet. A poll that keeps `next` reads each
    // dialog once however long the run (forgetting dialogs moves the indices: start again at 0).
    std::vector<ShownNotice> noticesShownFrom(std::size_t& next) const;
    // The controller's dialogs on the simulated desktop, for reading and answering them.
    sim::SimDialogs& dialogs() { return m_dialogs; }
    NotifyCecInfoDialogs& notices() { return m_notices; }

private:
    void finish();

    sim::SimWorld& m_world;
    sim::SimWorld::Program& m_program;
    SimMenus m_menus;

public:
    AppLauncher launcher;

private:
    CommandObjects m_commands;
    ControllerPorts m_ports;
    sim::SimDialogs m_dialogs;
    NotifyCecInfoDialogs m_notices;
    ControllerServices m_services;
    CSentrixdApp m_app;
    bool m_started = false;
    bool m_finished = false;
};

} // namespace simrun
