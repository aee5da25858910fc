// Simulated processes and program threads. Simulation.
#include "sim/SimProcesses.h"

#include "sim/SimThreads.h"

namespace sim {

SimProcesses::~SimProcesses() {
    for (const auto& [id, end] : m_running) {
        m_sync.closeHandle(end);
    }
}

void SimProcesses::addProcess(std::uint32_t processId) {
    std::lock_guard<std::mutex> guard(m_lock);
    if (m_running.count(processId) == 0) {
        m_running[processId] = m_sync.createEndObject();
    }
}

void SimProcesses::endProcess(std::uint32_t processId) {
    platform::SyncHandle end = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        const auto it = m_running.find(processId);
        if (it == m_running.end()) {
            return;
        }
        end = it->second;
        m_running.erase(it);
    }
    m_sync.signalEnd(end);
    m_sync.closeHandle(end); // the handles others opened keep the object alive
    m_sync.settle();
}

bool SimProcesses::running(std::uint32_t processId) const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_running.count(processId) != 0;
}

platform::SyncHandle SimProcesses::openProcess(std::uint32_t, std::uint32_t processId) {
    std::lock_guard<std::mutex> guard(m_lock);
    const auto it = m_running.find(processId);
    if (it == m_running.end()) {
        setLastError(platform::error::kInvalidParameter);
        return 0;
    }
    return m_sync.duplicateHandle(it->second);
}

SimThreadStarter::~SimThreadStarter() {
    for (std::thread& thread : m_threads) {
        if (thread.joinable()) {
            thread.join();
        }
    }
    for (platform::SyncHandle end : m_ends) {
        m_sync.closeHandle(end);
    }
}

platform::SyncHandle SimThreadStarter::startThread(std::function<void()> body, std::uint32_t* threadId) {
    const platform::SyncHandle end = m_sync.createEndObject();
    const platform::SyncHandle handle = m_sync.duplicateHandle(end);
    std::uint32_t id = 0;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        id = m_nextId;
        m_nextId += 4;
        m_ends.push_back(end);
        m_sync.beginSimThread();
        m_threads.emplace_back([this, end, body = std::move(body)] {
            SimSync::enterSimThread();
            body();
            m_sync.endSimThread(end);
        });
    }
    if (threadId != nullptr) {
        *threadId = id;
    }
    m_sync.settle();
    return handle;
}

std::size_t SimThreadStarter::started() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_threads.size();
}

} // namespace sim
