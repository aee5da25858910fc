// The controller in a simulated world. Simulation.
#include "tools/simrun/SimController.h"

#include "controller/SentrixdResources.h"
#include "controller/StringTable.h"
#include "tools/simrun/ControllerResources.h"

namespace simrun {

SimController::SimController(sim::SimWorld& world, const std::wstring& commandLine)
    : m_world(world), m_program(world.startProgram(kUiThreadId)),
      m_menus(world.desktop(), m_program.windowing),
      launcher(
          LauncherPorts{world.registry(), m_program.windowing, world.peers().focus(), world.peers().shell()},
          m_menus),
      m_commands(CommandPorts{world.registry(), m_program.windowing, world.peers().shell(),
                              world.peers().keyboard(), world.peers().focus(), world.peers().media()}),
      m_ports{world.registry(),       m_program.windowing,  world.sync(),          world.clock(),
              world.firmware(),       world.libraries(),    world.peers().shell(), world.peers().session(),
              world.peers().locale(), world.peers().wmi(),  world.threads(),       world.peers().focus(),
              world.processes(),      world.threadStarter()},
      m_dialogs(world.desktop(), m_program.thread, controllerResources()),
      m_notices(m_dialogs, world.registry()), m_services{launcher, m_commands, m_notices},
      m_app(m_ports, m_services) {
    m_menus.watch(launcher);
    m_started = m_app.InitInstance(commandLine);
    if (!m_started) {
        finish();
    }
}

SimController::~SimController() {
    if (!m_finished && m_started && !m_program.quit && dlg() != nullptr && !dlg()->destroyed()) {
        // The world ends with the controller still running: close it as the session's end would.
        try {
            post(platform::wm::kClose, 0, 0);
            runFor(0);
        } catch (const sim::Deadlock&) {
            // a controller blocked for ever cannot be closed; the world is gone anyway
        }
    }
    finish();
}

void SimController::finish() {
    if (!m_finished) {
        m_finished = true;
        m_app.ExitInstance();
    }
}

bool SimController::runUntil(std::uint64_t t) {
    if (!running()) {
        m_world.clock().advanceTo(t > m_world.clock().now() ? t : m_world.clock().now());
        return false;
    }
    if (m_world.runUntil(m_program, t)) {
        return true;
    }
    finish();
    return false;
}

namespace {

bool isNotice(const sim::SimDialogs::Dialog& dialog) {
    return dialog.templateId == IDD_NOTIFY_CEC_INFO;
}

SimController::ShownNotice shownNotice(const sim::SimDialogs::Dialog& dialog) {
    const sim::SimDialogs::Control* message = dialog.control(IDC_NOTIFY_MESSAGE);
    const bool supported = message != nullptr && message->text == strings::kTvSupports;
    return {dialog.createdAt, supported ? 1 : 0, dialog.window};
}

} // namespace

std::vector<SimController::ShownNotice> SimController::noticesShown() const {
    std::vector<ShownNotice> shown;
    for (const auto& dialog : m_dialogs.dialogs()) {
        if (isNotice(*dialog) && dialog->initialised) {
            shown.push_back(shownNotice(*dialog));
        }
    }
    return shown;
}

std::vector<SimController::ShownNotice> SimController::noticesShownFrom(std::size_t& next) const {
    std::vector<ShownNotice> shown;
    const auto& dialogs = m_dialogs.dialogs();
    for (; next < dialogs.size(); ++next) {
        const sim::SimDialogs::Dialog& dialog = *dialogs[next];
        if (isNotice(dialog)) {
            if (!dialog.initialised) {
                break;
            }
            shown.push_back(shownNotice(dialog));
        }
    }
    return shown;
}

bool SimController::post(platform::MessageId message, platform::WParam wParam, platform::LParam lParam) {
    return m_world.desktop().post(window(), message, wParam, lParam, 0);
}

} // namespace simrun
