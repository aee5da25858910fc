// One simulated world: the virtual clock, the registry, the desktop, the file system, the
// firmware with the embedded CEC controller, the CEC bus with a TV, the display hardware, the
// sound-output changer and the other peers, and the simulated programs that run in it. A
// program's UI thread is driven by runUntil, which lets time pass and dispatches the thread's
// messages as they arrive.
// Simulation.
#pragma once

#include "common/TraceLog.h"
#include "sim/Peers.h"
#include "sim/SimDesktop.h"
#include "sim/SimFiles.h"
#include "sim/SimFirmware.h"
#include "sim/SimLibraries.h"
#include "sim/SimProcesses.h"
#include "sim/SimRegistry.h"
#include "sim/SimSync.h"
#include "sim/SimThreads.h"
#include "sim/VirtualClock.h"

#include <cstdint>
#include <list>
#include <memory>

namespace sim {

class SimWorld {
public:
    // How far past the end of a run a blocked program may still run (a nested wait that
    // never ends otherwise turns into a Deadlock error).
    static constexpr std::uint64_t kNestedWaitLimitMs = 24ull * 60 * 60 * 1000;

    // A simulated program with a UI thread.
    struct Program {
        Program(SimDesktop& desktop, UiThread& uiThread, SimSync& sync)
            : thread(uiThread), windowing(desktop, uiThread, sync) {}
        UiThread& thread;
        SimWindowing windowing;
        bool quit = false; // WM_QUIT was taken: the program left its message loop
    };

    SimWorld();
    ~SimWorld();
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    VirtualClock& clock() { return m_clock; }
    SimRegistry& registry() { return m_registry; }
    SimDesktop& desktop() { return m_desktop; }
    SimSync& sync() { return m_sync; }
    SimFiles& files() { return m_files; }
    SimThreads& threads() { return m_threads; }
    SimProcesses& processes() { return m_processes; }
    SimThreadStarter& threadStarter() { return m_threadStarter; }
    SimFirmware& firmware() { return m_firmware; }
    SimLibraries& libraries() { return m_libraries; }
    Peers& peers() { return *m_peers; }
    // Forgets what the world recorded so far (firmware calls, posts, library loads and the
    // peers' records), so that a long run keeps its memory flat; its state stays.
    void clearRecords();

    // Power and session events, as Windows delivers them: power broadcasts reach every
    // top-level window, session changes the windows registered for them.
    void suspend();
    // Resume after a suspend; the firmware then reports `wakeupFactor` (0x31: woken by CEC).
    void resume(std::uint16_t wakeupFactor);
    void lockSession();
    void unlockSession();
    // WM_WTSSESSION_CHANGE with any event for session `sessionId` (the console's is 1), to the
    // windows registered for session notifications.
    void sessionEvent(platform::WParam event, platform::LParam sessionId);
    // The system broadcasts WM_POWERBROADCAST with this event.
    void powerEvent(platform::WParam event);

    // The ports through which the trace log of a program of this world reads and writes.
    TracePorts tracePorts() { return {&m_registry, &m_clock, &m_files, &m_threads}; }

    // An application installed as Windows setup programs do: its file name registered under
    // App Paths (HKLM, native view) with the full path `folder`\`file`, and the shell able to
    // start it. A started application is a new process with one visible top-level window of
    // class `windowClass` that comes to the front.
    void installApplication(const std::wstring& file, const std::wstring& windowClass,
                            const std::wstring& folder = L"C:\\Program Files\\Applications");
    // The application whose window has class `windowClass` ends: its windows go, then its
    // process ends (what waits for it wakes). False when no such window exists. An
    // application's window that receives WM_CLOSE ends its application the same way.
    bool endApplication(const std::wstring& windowClass);

    // The user brings the window of class `windowClass` to the front; when no window has that
    // class, an application with such a window is started first. Returns the window.
    platform::WindowHandle bringToFront(const std::wstring& windowClass);

    // A new program (process) with its UI thread; its log lines carry `threadId`.
    Program& startProgram(std::uint32_t threadId);

    // Lets time pass up to `t`, dispatching the program's messages as they arrive. Returns
    // false as soon as the program takes WM_QUIT. A handler that blocks (a sleep, a message
    // box) keeps time running past `t` until it returns, as a busy thread would.
    bool runUntil(Program& program, std::uint64_t t);
    bool runFor(Program& program, std::uint64_t ms) { return runUntil(program, m_clock.now() + ms); }

private:
    platform::WindowHandle startApplication(const std::wstring& windowClass, const std::wstring& title);
    void endProcess(std::uint32_t processId);

    VirtualClock m_clock;
    SimRegistry m_registry;
    SimDesktop m_desktop{m_clock};
    SimSync m_sync;
    SimFiles m_files;
    SimThreads m_threads;
    SimProcesses m_processes{m_sync};
    SimFirmware m_firmware{m_clock};
    SimLibraries m_libraries{m_clock};
    std::unique_ptr<Peers> m_peers;
    std::list<Program> m_programs;
    std::uint32_t m_nextProcessId = 0x400;
    SimThreadStarter m_threadStarter{m_sync}; // last: its threads are joined first
};

} // namespace sim
