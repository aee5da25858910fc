// Processes and program threads of the simulated world (platform::Processes,
// platform::ThreadStarter). A process is a waitable end object of SimSync: opening it gives a
// new handle to that object, which the opener closes. As on Windows, OpenProcess of an
// identifier that names no running process fails with ERROR_INVALID_PARAMETER (Windows still
// opens an ended process while some handle to it is open; here an ended process is gone). Threads are real
// threads; after starting one, and after ending a process, the world settles (see SimSync), so
// that what the threads do happens at that virtual moment and every run is repeatable. Every
// thread started is joined when the starter goes.
// Simulation.
#pragma once

#include "platform/Processes.h"
#include "platform/ThreadStarter.h"
#include "sim/SimSync.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace sim {

class SimProcesses final : public platform::Processes {
public:
    explicit SimProcesses(SimSync& sync) : m_sync(sync) {}
    ~SimProcesses() override;

    // A process of the world starts running / ends. Ending signals every handle to it and then
    // settles the world's threads. Ending an unknown or ended process does nothing.
    void addProcess(std::uint32_t processId);
    void endProcess(std::uint32_t processId);
    bool running(std::uint32_t processId) const;

    platform::SyncHandle openProcess(std::uint32_t access, std::uint32_t processId) override;

private:
    SimSync& m_sync;
    mutable std::mutex m_lock;
    std::map<std::uint32_t, platform::SyncHandle> m_running; // process -> its end object
};

class SimThreadStarter final : public platform::ThreadStarter {
public:
    static constexpr std::uint32_t kFirstThreadId = 0x3000;

    explicit SimThreadStarter(SimSync& sync) : m_sync(sync) {}
    // Joins every thread started (they must be able to end by then).
    ~SimThreadStarter() override;

    platform::SyncHandle startThread(std::function<void()> body, std::uint32_t* threadId) override;
    // Threads started so far.
    std::size_t started() const;

private:
    SimSync& m_sync;
    mutable std::mutex m_lock;
    std::vector<std::thread> m_threads;
    std::vector<platform::SyncHandle> m_ends; // the starter's own handle to each thread's end
    std::uint32_t m_nextId = kFirstThreadId;
};

} // namespace sim
