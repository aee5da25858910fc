// The simulated session and power state. Simulation.
#include "sim/SimSession.h"

#include "sim/SimThreads.h"

namespace sim {

SimSession::SimSession(VirtualClock& clock) : m_clock(clock) {}

bool SimSession::registerSessionNotification(platform::WindowHandle window) {
    if (window == 0) {
        setLastError(platform::error::kInvalidWindowHandle);
        return false;
    }
    m_registered.insert(window);
    return true;
}

bool SimSession::unregisterSessionNotification(platform::WindowHandle window) {
    if (m_registered.erase(window) == 0) {
        setLastError(platform::error::kInvalidParameter);
        return false;
    }
    return true;
}

std::uint32_t SimSession::setThreadExecutionState(std::uint32_t flags) {
    m_executionStateCalls.push_back(ExecutionStateCall{m_clock.now(), flags});
    const std::uint32_t previous = m_executionState;
    if ((flags & kEsContinuous) != 0) {
        m_executionState = flags;
    }
    return previous;
}

} // namespace sim
