// One simulated world. Simulation.
#include "sim/SimWorld.h"

#include "common/Text.h"
#include "platform/Session.h"

namespace sim {

SimWorld::SimWorld() : m_peers(std::make_unique<Peers>(m_clock, m_desktop, m_firmware, m_libraries)) {
    m_peers->shell().setAppPathsRegistry(&m_registry);
}

namespace {
constexpr const wchar_t* kAppPaths = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\";
constexpr std::uint32_t kWsVisible = 0x10000000;
constexpr std::uint32_t kWsOverlappedWindow = 0x00CF0000;
} // namespace

platform::WindowHandle SimWorld::startApplication(const std::wstring& windowClass,
                                                  const std::wstring& title) {
    SimDesktop::WindowInfo info;
    info.className = windowClass;
    info.title = title;
    info.style = kWsVisible | kWsOverlappedWindow;
    info.visible = true;
    info.processId = m_nextProcessId;
    m_nextProcessId += 4;
    const std::uint32_t processId = info.processId;
    m_processes.addProcess(processId);
    const platform::WindowHandle window =
        m_desktop.addModelWindow(info, [this, processId](const platform::Message& m) {
            if (m.message == platform::wm::kClose) {
                // The application closes at once, but not inside the post that told it to.
                m_clock.scheduleAfter(0, [this, processId] { endProcess(processId); });
            }
        });
    m_desktop.setForeground(window);
    return window;
}

void SimWorld::endProcess(std::uint32_t processId) {
    for (platform::WindowHandle window : m_desktop.windows()) {
        const SimDesktop::WindowInfo* info = m_desktop.info(window);
        if (info != nullptr && info->processId == processId) {
            m_desktop.destroyWindow(window);
        }
    }
    m_processes.endProcess(processId);
}

bool SimWorld::endApplication(const std::wstring& windowClass) {
    for (platform::WindowHandle window : m_desktop.windows()) {
        const SimDesktop::WindowInfo* info = m_desktop.info(window);
        if (info != nullptr && info->parent == 0 && text::equalsNoCase(info->className, windowClass) &&
            m_processes.running(info->processId)) {
            endProcess(info->processId);
            return true;
        }
    }
    return false;
}

void SimWorld::installApplication(const std::wstring& file, const std::wstring& windowClass,
                                  const std::wstring& folder) {
    const std::wstring path = folder + L"\\" + file;
    m_registry.setString(platform::kHkeyLocalMachine, kAppPaths + file, L"", path);
    m_peers->shell().addProgram(
        path, [this, windowClass, file](const std::wstring&) { startApplication(windowClass, file); });
}

platform::WindowHandle SimWorld::bringToFront(const std::wstring& windowClass) {
    for (platform::WindowHandle window : m_desktop.windows()) {
        const SimDesktop::WindowInfo* info = m_desktop.info(window);
        if (info != nullptr && info->parent == 0 && text::equalsNoCase(info->className, windowClass)) {
            m_desktop.setForeground(window);
            return window;
        }
    }
    return startApplication(windowClass, windowClass);
}

SimWorld::~SimWorld() = default;

void SimWorld::clearRecords() {
    m_firmware.clearRecords();
    m_desktop.clearRecords();
    m_libraries.clearRecords();
    m_peers->clearRecords();
}

SimWorld::Program& SimWorld::startProgram(std::uint32_t threadId) {
    UiThread& thread = m_desktop.createUiThread(m_nextProcessId, threadId);
    m_nextProcessId += 4;
    m_threads.bindCurrentThread(threadId);
    return m_programs.emplace_back(m_desktop, thread, m_sync);
}

namespace {
constexpr std::uint32_t kSystemProcess = 4;
}

void SimWorld::powerEvent(platform::WParam event) {
    m_desktop.post(platform::kBroadcastWindow, platform::wm::kPowerBroadcast, event, 0, kSystemProcess);
}

void SimWorld::suspend() {
    powerEvent(platform::pbt::kApmSuspend);
}

void SimWorld::resume(std::uint16_t wakeupFactor) {
    m_firmware.setWakeupFactor(wakeupFactor);
    powerEvent(platform::pbt::kApmResumeSuspend);
}

void SimWorld::sessionEvent(platform::WParam event, platform::LParam sessionId) {
    for (platform::WindowHandle window : m_desktop.windows()) {
        if (m_peers->session().isRegistered(window)) {
            m_desktop.post(window, platform::wm::kWtsSessionChange, event, sessionId, kSystemProcess);
        }
    }
}

void SimWorld::lockSession() {
    sessionEvent(platform::wts::kSessionLock, 1);
}

void SimWorld::unlockSession() {
    sessionEvent(platform::wts::kSessionUnlock, 1);
}

bool SimWorld::runUntil(Program& program, std::uint64_t t) {
    if (program.quit) {
        m_clock.advanceTo(t > m_clock.now() ? t : m_clock.now());
        return false;
    }
    m_desktop.setHorizon(t + kNestedWaitLimitMs);
    for (;;) {
        if (!program.windowing.dispatchReady(t)) {
            program.quit = true;
            return false;
        }
        if (m_clock.now() > t) {
            return true; // a handler blocked past the end of the run; what is ready waits for the next
        }
        const std::optional<std::uint64_t> next = m_desktop.nextWakeTime(program.thread);
        if (!next || *next > t) {
            if (t > m_clock.now()) {
                m_clock.advanceTo(t);
                continue; // actions at `t` may have posted messages
            }
            return true;
        }
        m_clock.advanceTo(*next);
    }
}

} // namespace sim
