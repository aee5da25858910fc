// Simulated thread identity. Simulation.
#include "sim/SimThreads.h"

namespace sim {
namespace {
thread_local platform::ErrorCode t_lastError = platform::error::kSuccess;
}

void setLastError(platform::ErrorCode code) {
    t_lastError = code;
}

void SimThreads::bindCurrentThread(std::uint32_t id) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_ids[std::this_thread::get_id()] = id;
}

std::uint32_t SimThreads::currentThreadId() {
    std::lock_guard<std::mutex> guard(m_lock);
    auto [it, inserted] = m_ids.emplace(std::this_thread::get_id(), m_nextId);
    if (inserted) {
        m_nextId += 4;
    }
    return it->second;
}

platform::ErrorCode SimThreads::lastError() {
    return t_lastError;
}

} // namespace sim
